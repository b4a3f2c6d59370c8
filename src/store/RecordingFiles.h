// Which of the files handed to the program can be taken in as recordings. Every way a
// file comes in (the open dialog, Add, the command line, a second start, OpenUri) asks
// here before anything opens it: only regular files are taken, so that a FIFO or a
// device never reaches a reader, the player or an export that would wait on it.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

struct RecordingCheck {
    QList<QUrl> accepted;   // in the order given
    QStringList refused;    // one line for the user per file left out: "name: reason"
};

class RecordingFiles {
public:
    RecordingFiles() = delete;

    // Looks at each file without opening it (never blocks on a special file).
    static RecordingCheck check(const QList<QUrl> &urls);
    // Why `url` cannot be taken in, for the user; empty when it can.
    static QString problem(const QUrl &url);
};
