#include "LibraryIndexer.h"

#include "ClipFacts.h"
#include "LibraryDatabase.h"

#include <QDateTime>
#include <QThread>
#include <QThreadPool>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <sys/stat.h>

namespace {

// A batch is committed after this many clips or this long, whichever comes first.
constexpr size_t kBatchClips = 256;
constexpr auto kBatchTime = std::chrono::milliseconds(1000);

std::string baseName(const std::string &path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

struct Outcome {
    FoundFile file;
    ClipFacts facts;
    std::string error;
};

} // namespace

std::string IndexSummary::line() const
{
    std::string s = std::to_string(found) + " clips in the library folders (" + std::to_string(added) + " read, " +
                    std::to_string(moved) + " moved, " + std::to_string(removed) + " removed, " +
                    std::to_string(unchanged) + " unchanged)";
    if (!skipped.empty())
        s += ", " + std::to_string(skipped.size()) + " skipped";
    if (!unreachable.empty())
        s += ", " + std::to_string(unreachable.size()) + " folders not there";
    if (cancelled)
        s += ", cancelled";
    return s;
}

namespace LibraryIndexer {

IndexSummary run(LibraryDatabase &db, const std::vector<std::string> &roots, const std::atomic<bool> *cancel,
                 const std::function<void(const IndexProgress &)> &onProgress, int threads)
{
    IndexSummary summary;
    IndexProgress progress;
    auto tell = [&] {
        if (onProgress)
            onProgress(progress);
    };
    tell();
    FolderWalk::Result walked = FolderWalk::walk(roots, cancel, [&](size_t found) {
        progress.found = found;
        tell();
    });
    summary.skipped = std::move(walked.skipped);
    summary.unreachable = walked.unreachable;
    summary.found = walked.files.size();
    summary.cancelled = walked.cancelled;
    progress.found = walked.files.size();
    progress.walking = false;

    // Only the roots that are there lose their clips that are gone.
    std::vector<std::string> present;
    for (const std::string &root : roots) {
        std::string r = root;
        while (r.size() > 1 && r.back() == '/')
            r.pop_back();
        bool missing = false;
        for (const std::string &u : walked.unreachable)
            missing = missing || u == r;
        if (!missing)
            present.push_back(r);
    }
    auto known = present.empty() ? decltype(db.known()){} : db.known(present);

    LibraryDatabase::Batch batch;
    std::vector<FoundFile> toRead;
    std::vector<const FoundFile *> fresh;
    for (const FoundFile &f : walked.files) {
        const auto it = known.find(f.path);
        if (it == known.end()) {
            fresh.push_back(&f);
            continue;
        }
        if (it->second.size == f.size && it->second.mtimeNs == f.mtimeNs)
            ++summary.unchanged;
        else
            toRead.push_back(f);
        known.erase(it);
    }
    // What is left of `known` is gone from where it was; a new file of the same name,
    // size and time is the same clip moved.
    if (!walked.cancelled) {
        std::multimap<std::tuple<std::string, int64_t, int64_t>, int64_t> gone;
        for (const auto &[path, k] : known)
            gone.emplace(std::make_tuple(baseName(path), k.size, k.mtimeNs), k.id);
        for (const FoundFile *f : fresh) {
            const auto it = gone.find(std::make_tuple(baseName(f->path), f->size, f->mtimeNs));
            if (it != gone.end()) {
                batch.moved.emplace_back(it->second, f->path);
                gone.erase(it);
                ++summary.moved;
            } else {
                toRead.push_back(*f);
            }
        }
        for (const auto &[key, id] : gone)
            batch.removed.push_back(id);
        summary.removed = batch.removed.size();
    } else {
        for (const FoundFile *f : fresh)
            toRead.push_back(*f);
    }
    if (!db.write(batch)) {
        summary.failure = db.message();
        summary.failureKey = db.messageKey();
        summary.failureArgument = db.messageArgument();
        return summary;
    }
    batch = {};

    progress.toRead = toRead.size();
    tell();
    QThreadPool pool;
    pool.setMaxThreadCount(threads > 0 ? threads : std::max(1, QThread::idealThreadCount()));
    const size_t inFlightMax = size_t(pool.maxThreadCount()) * 4;
    std::mutex mutex;
    std::condition_variable ready;
    std::deque<Outcome> outcomes;
    const int64_t nowMs = QDateTime::currentMSecsSinceEpoch();

    size_t submitted = 0, received = 0;
    auto lastCommit = std::chrono::steady_clock::now();
    auto stopping = [&] { return (cancel && cancel->load()) || !summary.failure.isEmpty(); };
    auto commit = [&] {
        if (!batch.empty() && summary.failure.isEmpty()) {
            if (db.write(batch))
                summary.added += batch.clips.size();
            else {
                summary.failure = db.message();
                summary.failureKey = db.messageKey();
                summary.failureArgument = db.messageArgument();
            }
        }
        batch = {};
        lastCommit = std::chrono::steady_clock::now();
    };
    while (received < submitted || (submitted < toRead.size() && !stopping())) {
        while (submitted < toRead.size() && submitted - received < inFlightMax && !stopping()) {
            const FoundFile file = toRead[submitted++];
            pool.start([file, nowMs, &mutex, &ready, &outcomes] {
                Outcome o;
                o.file = file;
                o.error = ClipReading::read(file.path, file.size, file.mtimeNs,
                                            ClipReading::protectedByCamera(file.path, file.mode), nowMs, &o.facts);
                if (o.error.empty()) {
                    // A file that changed while it was read is read again on the next pass.
                    struct stat st;
                    if (::stat(file.path.c_str(), &st) != 0 || int64_t(st.st_size) != file.size ||
                        int64_t(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec != file.mtimeNs)
                        o.error = "It changed while it was read";
                }
                std::lock_guard<std::mutex> lock(mutex);
                outcomes.push_back(std::move(o));
                ready.notify_one();
            });
        }
        std::deque<Outcome> got;
        {
            std::unique_lock<std::mutex> lock(mutex);
            ready.wait_for(lock, std::chrono::milliseconds(100), [&] { return !outcomes.empty(); });
            got.swap(outcomes);
        }
        for (Outcome &o : got) {
            ++received;
            ++progress.done;
            if (!o.error.empty())
                summary.skipped.push_back({FolderWalk::shown(o.file.path), o.error});
            else
                batch.clips.push_back(std::move(o.facts));
        }
        if (batch.clips.size() >= kBatchClips || std::chrono::steady_clock::now() - lastCommit >= kBatchTime)
            commit();
        if (!got.empty())
            tell();
    }
    pool.waitForDone();
    commit();
    if (cancel && cancel->load() && received < toRead.size())
        summary.cancelled = true;
    tell();
    return summary;
}

} // namespace LibraryIndexer

LibraryIndexJob::LibraryIndexJob(const QString &databasePath, const QStringList &roots, QObject *parent)
    : QObject(parent), databasePath_(databasePath), roots_(roots)
{
}

LibraryIndexJob::~LibraryIndexJob()
{
    cancel();
    if (thread_) {
        thread_->wait();
        delete thread_;
    }
}

bool LibraryIndexJob::isRunning() const
{
    return thread_ && thread_->isRunning();
}

void LibraryIndexJob::cancel()
{
    cancel_ = true;
}

void LibraryIndexJob::start()
{
    if (thread_)
        return;
    thread_ = QThread::create([this] {
        LibraryDatabase db;
        IndexSummary summary;
        if (!db.open(databasePath_) || db.isReadOnly()) {
            summary.failure = db.message();
            summary.failureKey = db.messageKey();
            summary.failureArgument = db.messageArgument();
        } else {
            std::vector<std::string> roots;
            for (const QString &r : roots_)
                roots.push_back(r.toStdString());
            auto last = std::chrono::steady_clock::now() - std::chrono::seconds(1);
            summary = LibraryIndexer::run(db, roots, &cancel_, [this, &last](const IndexProgress &p) {
                const auto now = std::chrono::steady_clock::now();
                if (now - last < std::chrono::milliseconds(100) && p.done < p.toRead)
                    return;
                last = now;
                emit progress(p.done, p.toRead, p.found, p.walking);
            });
        }
        QStringList skipped;
        for (const SkippedFile &s : summary.skipped)
            skipped << QString::fromStdString(s.path + ": " + s.reason);
        for (const std::string &u : summary.unreachable)
            skipped << QString::fromStdString(u + ": not there (the clips from it are kept)");
        const QList<qulonglong> counts{summary.found,          summary.added,
                                       summary.moved,          summary.removed,
                                       summary.unchanged,      summary.skipped.size(),
                                       summary.unreachable.size()};
        emit finished(QString::fromStdString(summary.line()), counts, skipped, summary.failureKey, summary.failureArgument,
                      summary.cancelled);
    });
    thread_->start(QThread::LowPriority);
}
