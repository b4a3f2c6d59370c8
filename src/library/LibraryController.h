// The library while the player runs: the database on the window's thread for its
// queries, the folders it holds, a watch on them (new files are picked up a moment after
// they appear), and one indexing at a time in the background. The window never waits
// for the indexer: it asks the database what is committed.
#pragma once

#include "LibraryDatabase.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

class LibraryIndexJob;

class LibraryController : public QObject {
    Q_OBJECT
public:
    // `databasePath` empty: LibraryDatabase::defaultPath().
    explicit LibraryController(const QString &databasePath = QString(), QObject *parent = nullptr);
    ~LibraryController() override;

    // Opens the database (once; again after a failure). False when it cannot be used:
    // message() says why.
    bool open();
    LibraryDatabase &database() { return db_; }
    QString messageKey() const { return db_.messageKey(); }
    QString messageArgument() const { return db_.messageArgument(); }
    QString databasePath() const { return path_; }

    QStringList folders();
    // Adds a folder (remembered) and indexes it; false when the database cannot take it.
    bool addFolder(const QString &folder);
    // Indexes every folder again (the start's rescan and the watch's); a request while
    // one runs is kept for when it ends.
    void rescan();
    void cancel();
    bool isIndexing() const;

    // How long the watch waits after a change before it rescans.
    static constexpr int kSettleMs = 2000;

signals:
    void indexingStarted();
    void progress(qulonglong done, qulonglong toRead, qulonglong found, bool walking);
    // As LibraryIndexJob::finished tells it.
    void indexingFinished(const QString &summary, const QList<qulonglong> &counts, const QStringList &skipped,
                          const QString &failureKey, const QString &failureArgument, bool cancelled);
    // New clips are committed: the window asks again.
    void changed();
    // The watch is on `folders` folders (the added ones and their sub-folders).
    void watching(int folders);

private:
    void startJob(const QStringList &roots);
    void watchFolders();
    // The folders to watch: each of `folders` and its sub-folders down to kWatchDepth, at
    // most kMaxWatched in all. Any thread.
    static QStringList watchedFolders(const QStringList &folders);

    QString path_;
    LibraryDatabase db_;
    QFileSystemWatcher watcher_;
    QTimer settle_;
    QPointer<LibraryIndexJob> job_;
    QStringList pending_;
    class QThread *lister_ = nullptr;
    bool relist_ = false;
};
