// Small helpers shared by the panels: read-out labels and their backgrounds.
// Read-outs are set on every clock tick; a label is touched only when its text
// really changes, so that an unchanged tick costs no layout or repaint, and a
// read-out of a fixed size costs no layout when it does change.
#pragma once

#include "common/AppColorManager.h"

#include <QFont>
#include <QLabel>
#include <QPalette>

inline void setTextIfChanged(QLabel *label, const QString &text)
{
    if (label->text() != text)
        label->setText(text);
}

// For a one-letter read-out (a hemisphere): the letter shown is kept by the panel
// (0: none yet), so that an unchanged letter costs no look at the label.
inline void setLetterIfChanged(QLabel *label, char16_t &shown, const QString &letter)
{
    const char16_t now = letter.isEmpty() ? u'\0' : letter.front().unicode();
    if (now == shown && now != u'\0')
        return;
    shown = now;
    setTextIfChanged(label, letter);
}

// Puts a read-out that a panel places itself at `box`, fixed to that size: a new
// text then only repaints the label and asks for no new layout of the panel.
inline void placeReadout(QLabel *label, const QRect &box)
{
    label->setFixedSize(box.size());
    label->move(box.topLeft());
}

enum class ReadoutFont { Proportional, Monospace };

// Keeps a read-out's new figures from being announced to assistive tools while none
// listens. Qt looks up a label's accessible object for every new text of a label
// without an accessible name, even with accessibility off, and that look-up is about
// a fifth of a panel's once-a-second tick. So while no tool listens the read-out
// carries a placeholder name; when one starts listening the names are taken off, and
// the tool reads and hears each figure as the label's text, as before.
void quietReadout(QLabel *label);

inline QLabel *makeReadout(QWidget *parent, int pixelSize, bool bold, Qt::Alignment align,
                           ReadoutFont family = ReadoutFont::Proportional)
{
    auto *label = new QLabel(parent);
    QFont f = label->font();
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    if (family == ReadoutFont::Monospace) {
        f.setFamily(QStringLiteral("monospace"));
        f.setStyleHint(QFont::Monospace);
    }
    label->setFont(f);
    label->setAlignment(align);
    label->setTextFormat(Qt::PlainText);
    quietReadout(label);
    return label;
}

// The application's background behind a panel, with dark text on it.
inline void paintPanelBackground(QWidget *panel)
{
    panel->setAutoFillBackground(true);
    QPalette pal = panel->palette();
    pal.setColor(QPalette::Window, AppColorManager::appBackgroundColor());
    pal.setColor(QPalette::WindowText, QColor(32, 33, 37));
    panel->setPalette(pal);
}
