#include "KTView.h"

#include "InstrumentGeometry.h"

#include <QPainter>

KTView::KTView(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
}

void KTView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setTransform(InstrumentGeometry::yUpToQt(height()));
    painter.setPen(QPen(QColor(0, 0, 0), 0.6));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(InstrumentGeometry::ktViewFrame(QSizeF(size())));
}
