// What the keyboard does in the main window, for the menus and for Help ▸ Keyboard
// Shortcuts. The menus show every key beside its command; the keys that no menu holds
// (Escape, the camera nudges, the timeline's zoom) are listed here. The guide window
// reads the menus themselves, so that it lists what they hold.
#pragma once

#include <QKeySequence>
#include <QList>
#include <QString>

class QMenuBar;
class QWidget;

namespace KeyGuide {

struct Row {
    QString keys;   // as the keyboard shows them ("Ctrl+O", "Shift+Right")
    QString what;   // what they do, in the current language
};

// "&File" from "File" and F: the first such letter (either case) is the menu's
// mnemonic; a text without it gets " (&F)" after it, as Chinese menus have it.
QString withMnemonic(const QString &text, QChar letter);

// A menu command's text with its keys on the right of the menu ("Mark In\tI"), for a
// command whose key another object of the window holds.
QString withKeys(const QString &text, const QKeySequence &keys);

// Every command of `bar`'s menus (and their submenus) that has keys, in menu order, then
// the keys no menu holds.
QList<Row> rows(const QMenuBar *bar);

// The keys no menu holds, in the current language.
QList<Row> otherKeys();

// Shows the guide window (one, raised again when already shown), over `parent`.
void show(const QMenuBar *bar, QWidget *parent);

} // namespace KeyGuide
