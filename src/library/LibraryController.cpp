#include "LibraryController.h"

#include "LibraryIndexer.h"

#include <QDir>
#include <QDirIterator>
#include <QThread>

namespace {
// A watch per folder, down to this depth (cameras keep a few folders: front, rear, event).
constexpr int kWatchDepth = 2;
constexpr int kMaxWatched = 2000;
} // namespace

LibraryController::LibraryController(const QString &databasePath, QObject *parent)
    : QObject(parent), path_(databasePath.isEmpty() ? LibraryDatabase::defaultPath() : databasePath)
{
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMs);
    connect(&settle_, &QTimer::timeout, this, &LibraryController::rescan);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] { settle_.start(); });
}

LibraryController::~LibraryController()
{
    if (lister_)
        lister_->wait();
    if (job_) {
        job_->cancel();
        delete job_;
    }
}

bool LibraryController::open()
{
    if (db_.isOpen())
        return true;
    if (!db_.open(path_))
        return false;
    watchFolders();
    return true;
}

QStringList LibraryController::folders()
{
    return db_.isOpen() ? db_.folders() : QStringList();
}

bool LibraryController::addFolder(const QString &folder)
{
    if (!open())
        return false;
    const QString clean = QDir::cleanPath(QDir(folder).absolutePath());
    if (!db_.addFolder(clean))
        return false;
    watchFolders();
    startJob({clean});
    return true;
}

void LibraryController::rescan()
{
    if (!open())
        return;
    const QStringList all = db_.folders();
    if (!all.isEmpty())
        startJob(all);
}

void LibraryController::cancel()
{
    pending_.clear();
    if (job_)
        job_->cancel();
}

bool LibraryController::isIndexing() const
{
    return job_ && job_->isRunning();
}

void LibraryController::startJob(const QStringList &roots)
{
    if (db_.isReadOnly())
        return;
    if (job_) {
        for (const QString &r : roots)
            if (!pending_.contains(r))
                pending_ << r;
        return;
    }
    auto *job = new LibraryIndexJob(path_, roots, this);
    job_ = job;
    connect(job, &LibraryIndexJob::progress, this, [this](qulonglong done, qulonglong toRead, qulonglong found, bool walking) {
        emit progress(done, toRead, found, walking);
        // What is committed shows while the rest is read, a few times a second at most.
        if (!walking && done > 0)
            emit changed();
    });
    connect(job, &LibraryIndexJob::finished, this,
            [this, job](const QString &summary, const QList<qulonglong> &counts, const QStringList &skipped,
                        const QString &failureKey, const QString &failureArgument, bool cancelled) {
                job->deleteLater();
                job_ = nullptr;
                emit indexingFinished(summary, counts, skipped, failureKey, failureArgument, cancelled);
                emit changed();
                if (!pending_.isEmpty()) {
                    const QStringList next = pending_;
                    pending_.clear();
                    startJob(next);
                }
            },
            Qt::QueuedConnection);
    emit indexingStarted();
    job->start();
}

void LibraryController::watchFolders()
{
    // The folders are listed on a thread of their own: a share that stops answering, or a
    // folder of 100,000 files, never holds up the window.
    if (lister_) {
        relist_ = true;
        return;
    }
    const QStringList folders = db_.folders();
    // The controller waits for the thread when it goes; the answer is dropped with it.
    lister_ = QThread::create([this, folders] {
        const QStringList dirs = watchedFolders(folders);
        QMetaObject::invokeMethod(
            this,
            [this, dirs] {
                if (!watcher_.directories().isEmpty())
                    watcher_.removePaths(watcher_.directories());
                if (!dirs.isEmpty())
                    watcher_.addPaths(dirs);
                emit watching(int(dirs.size()));
            },
            Qt::QueuedConnection);
    });
    connect(lister_, &QThread::finished, this, [this] {
        lister_->deleteLater();
        lister_ = nullptr;
        if (relist_) {
            relist_ = false;
            watchFolders();
        }
    });
    lister_->start(QThread::LowPriority);
}

QStringList LibraryController::watchedFolders(const QStringList &folders)
{
    QStringList dirs;
    for (const QString &folder : folders) {
        if (!QFileInfo(folder).isDir())
            continue;
        dirs << folder;
        // Breadth first, down to kWatchDepth, without following links.
        QStringList level{folder};
        for (int depth = 0; depth < kWatchDepth && !level.isEmpty() && dirs.size() < kMaxWatched; ++depth) {
            QStringList next;
            for (const QString &d : level) {
                QDirIterator it(d, QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks);
                while (it.hasNext() && dirs.size() < kMaxWatched) {
                    next << it.next();
                    dirs << next.back();
                }
            }
            level = next;
        }
    }
    return dirs;
}
