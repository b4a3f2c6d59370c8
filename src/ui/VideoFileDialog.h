// The one dialog in which the user chooses dash-camera videos (the menu's open, the
// play list's add button and the player's open control all use it).
#pragma once

#include <QList>
#include <QString>
#include <QUrl>

class QWidget;

namespace VideoFileDialog {

// The dialog's file types: the video types first, then every file.
QString filter();
// Several existing files; empty when the dialog was cancelled.
QList<QUrl> chooseFiles(QWidget *parent);

} // namespace VideoFileDialog
