// Brings the library up to date with its folders: finds every video file under them,
// reads the new and changed ones with the telemetry core in a pool of threads, notices
// files moved, replaced and removed, and writes the database from the calling thread in
// transactions, so that stopping at any moment loses nothing already committed. A file
// already indexed with the same size and modification time is not read again.
#pragma once

#include "FolderWalk.h"

#include <QObject>
#include <QString>
#include <QList>
#include <QStringList>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

class LibraryDatabase;

struct IndexSummary {
    size_t found = 0;       // video files under the folders
    size_t unchanged = 0;   // indexed before, not read again
    size_t added = 0;       // read and written (new or replaced)
    size_t moved = 0;       // found under another path, not read again
    size_t removed = 0;     // gone from a folder that is there
    std::vector<SkippedFile> skipped;
    std::vector<std::string> unreachable;   // folders not there: their clips are kept
    bool cancelled = false;
    QString failure;        // the database's message when a write failed; the rest stopped
    QString failureKey, failureArgument;   // the same as its key and argument (LibraryDatabase::messageKey)
    bool ok() const { return failure.isEmpty(); }
    // "12 clips indexed (3 new, 1 moved, 2 removed, 6 unchanged), 1 skipped"
    std::string line() const;
};

struct IndexProgress {
    size_t done = 0;    // files read (or given up) of `toRead`
    size_t toRead = 0;
    size_t found = 0;   // files found so far while walking
    bool walking = true;
};

namespace LibraryIndexer {

// `roots` are folders or files (absolute paths); `db` is open for writing on this
// thread. `onProgress` is called on this thread; `cancel` stops the work at the next
// file (what is read by then is written).
IndexSummary run(LibraryDatabase &db, const std::vector<std::string> &roots, const std::atomic<bool> *cancel = nullptr,
                 const std::function<void(const IndexProgress &)> &onProgress = {}, int threads = 0);

} // namespace LibraryIndexer

// The indexer for the window: runs on a thread of its own with its own connection to
// the database at `databasePath`, reports progress and the end by queued signals, and
// stops when asked (or when destroyed, after the current files).
class LibraryIndexJob : public QObject {
    Q_OBJECT
public:
    LibraryIndexJob(const QString &databasePath, const QStringList &roots, QObject *parent = nullptr);
    ~LibraryIndexJob() override;
    void start();
    void cancel();
    bool isRunning() const;

signals:
    void progress(qulonglong done, qulonglong toRead, qulonglong found, bool walking);
    // The end, with the summary line (in English, as veltra-gps prints it) and its
    // figures (found, read, moved, removed, unchanged, skipped, folders not there),
    // what was skipped ("path: reason" lines) and, when it failed, the database's
    // message as its key and argument.
    void finished(const QString &summary, const QList<qulonglong> &counts, const QStringList &skipped,
                  const QString &failureKey, const QString &failureArgument, bool cancelled);

private:
    QString databasePath_;
    QStringList roots_;
    std::atomic<bool> cancel_{false};
    class QThread *thread_ = nullptr;
};
