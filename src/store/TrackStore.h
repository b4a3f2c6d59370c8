// The track store: the play list with every opened file's samples, and look-ups by
// file. The list in memory is the truth; a compact file in the application's data
// folder follows it (written atomically on a background thread, a burst of changes
// giving one write). Small settings stay in the settings file (Settings).
// Every operation is called on the main thread; reading telemetry happens in the
// background and its result joins the list as it is then, so changes made meanwhile
// (rows removed, the active flag, other reads finishing) are all kept.
#pragma once

#include "PlayListEntry.h"

#include <QList>
#include <QString>
#include <QUrl>

#include <functional>
#include <optional>
#include <string>

struct GpsReadResult;

class TrackStore {
public:
    TrackStore() = delete;

    using Completion = std::function<void()>;
    // files read so far, total files; called on the main thread
    using Progress = std::function<void(int done, int total)>;

    // Reads the telemetry of `urls` on a background thread and appends one entry per
    // URL, in URL order, at the end of the list; then calls `block` once on the main
    // thread, after the list is stored. Returns at once. `progress` is called on the main
    // thread after each file.
    static void readAndAppend(const QList<QUrl> &urls, Completion block, Progress progress = {});

    static void syncPlayList(const PlayList &list);
    static void clearPlayList();
    // The stored play list, or nothing when there is none.
    static std::optional<PlayList> playList();

    // The samples of the first entry whose path equals `path` exactly (shared, not copied).
    static std::optional<QList<GpsSample>> findSamples(const QString &path);
    static qint64 findMaxSpeed(const QString &path);

    // --- the file behind the list ---
    // <AppDataLocation>/KEY_PLAY_LIST.bin unless set otherwise.
    static QString storeFilePath();
    // Points the store at another file; the list in memory is dropped (after writing out
    // pending changes to the old file) and read from the new file on next use.
    static void setStoreFilePath(const QString &path);
    // Blocks until the file holds the list now in memory (for exit and tests). Called by
    // itself when the application is about to quit.
    static void flush();
    // Drops the list in memory after writing out pending changes; the next use reads the
    // file again, as a new start of the program would.
    static void reload();

    // Number of readAndAppend calls whose files are still being read.
    static int pendingReads();
    // Number of finished writes of the file (successful or not) since the start.
    static int writeCount();

    // The reader of one file reference; GpsDataHelper::readGpsData unless replaced (tests
    // and benchmarks slow it down or forge results). Called on background threads.
    using Reader = std::function<GpsReadResult(const std::string &reference)>;
    static void setReader(Reader reader);
};
