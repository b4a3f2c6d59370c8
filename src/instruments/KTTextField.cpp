#include "KTTextField.h"

#include "InstrumentGeometry.h"

#include <QPainter>

KTTextField::KTTextField(QWidget *parent) : KTTextField(QString(), parent) {}

KTTextField::KTTextField(const QString &text, QWidget *parent) : QLabel(text, parent)
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

QSize KTTextField::sizeHint() const
{
    return QLabel::sizeHint() + QSize(0, 6);
}

QSize KTTextField::minimumSizeHint() const
{
    return QLabel::minimumSizeHint() + QSize(0, 6);
}

void KTTextField::paintEvent(QPaintEvent *event)
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
