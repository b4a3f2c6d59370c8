#include "FramedView.h"

#include "InstrumentGeometry.h"

#include <QPainter>

FramedView::FramedView(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
}

void FramedView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setTransform(InstrumentGeometry::yUpToQt(height()));
    painter.setPen(QPen(QColor(0, 0, 0), 0.6));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(InstrumentGeometry::ktViewFrame(QSizeF(size())));
}
