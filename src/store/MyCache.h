// The track store: the play list with every opened file's samples, and look-ups
// by file. The list in memory is the truth; the file on disk follows it.
// All operations are called on the main thread; reading files happens in the background.
#pragma once

#include "PlayListEntry.h"

#include <QList>
#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

class MyCache {
public:
    MyCache() = delete;

    using Completion = std::function<void()>;
    // files read so far, total files; called on the main thread
    using Progress = std::function<void(int done, int total)>;

    // Reads the telemetry of `urls` on a background thread and appends one entry per
    // URL, in URL order, at the end of the list; then calls `block` once on the main
    // thread, after the list is stored. Returns at once.
    static void playPathArrCache(const QList<QUrl> &urls, Completion block, Progress progress = {});

    static void syncPlayList(const PlayList &list);
    static void playPathClear();
    // The stored play list, or nothing when there is none.
    static std::optional<PlayList> playList();

    static std::optional<QList<GpsSample>> findGpsDatas(const QString &path);
    static qint64 findMaxSpeed(const QString &path);
};
