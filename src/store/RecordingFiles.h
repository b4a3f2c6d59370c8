// Which of the files handed to the program can be taken in as recordings. Every way a
// file comes in (the open dialog, Add, the command line, a second start, OpenUri) asks
// here before anything opens it: only regular files are taken, so that a FIFO or a
// device never reaches a reader, the player or an export that would wait on it.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <atomic>
#include <functional>

// What a walk through the folders handed in found.
struct FolderWalk {
    QList<QUrl> urls;          // the files handed in, each folder replaced by its recordings
    QStringList emptyFolders;  // folders (by name) that held no recording
    bool cancelled = false;
};

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

    // Whether `url` names a folder on this machine (a card, a copy of one).
    static bool isFolder(const QUrl &url);
    // Replaces every folder among `urls` by the recordings in it and in the folders
    // below it (.MOV, .MP4, .M4V in any case; hidden files and the "._" companions
    // another system leaves are not recordings), in the order of their paths. Links to
    // folders are not followed, so a loop of links ends. `found` hears the count so far
    // now and then; the walk stops early when `cancel` is set.
    static FolderWalk expandFolders(const QList<QUrl> &urls, const std::function<void(int found)> &found = {},
                                    const std::atomic_bool *cancel = nullptr);
    // The order recordings are taken in: numbers by value, letters without case.
    static bool naturalLess(const QString &a, const QString &b);
    // Whether a file's name is one of a recording.
    static bool isRecordingName(const QString &fileName);
};
