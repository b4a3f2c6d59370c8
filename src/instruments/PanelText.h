// Read-outs are set on every clock tick; a label is touched only when its text
// really changes, so that an unchanged tick costs no layout or repaint.
#pragma once

#include <QLabel>

inline void setTextIfChanged(QLabel *label, const QString &text)
{
    if (label->text() != text)
        label->setText(text);
}
