#include "ReadoutLabel.h"

#include "InstrumentGeometry.h"

#include <QPainter>

ReadoutLabel::ReadoutLabel(QWidget *parent) : ReadoutLabel(QString(), parent) {}

ReadoutLabel::ReadoutLabel(const QString &text, QWidget *parent) : QLabel(text, parent)
{
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // The text keeps clear of the arrow point.
    setContentsMargins(6, 0, 12, 0);
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, Qt::white);
    setPalette(pal);
    setFocusPolicy(Qt::NoFocus);
}

QSize ReadoutLabel::sizeHint() const
{
    return QLabel::sizeHint() + QSize(0, 6);
}

QSize ReadoutLabel::minimumSizeHint() const
{
    return QLabel::minimumSizeHint() + QSize(0, 6);
}

void ReadoutLabel::paintEvent(QPaintEvent *event)
{
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setTransform(InstrumentGeometry::yUpToQt(height()));
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0, 0, 0));
        painter.drawPath(InstrumentGeometry::ktTextFieldTag(QSizeF(size())));
    }
    QLabel::paintEvent(event);
}
