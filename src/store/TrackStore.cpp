#include "TrackStore.h"

#include "PlayListFile.h"
#include "common/AppKeys.h"
#include "common/Logging.h"

#include "CameraClock.h"
#include "ClipTime.h"
#include "GpsDataHelper.h"
#include "MovieDuration.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFuture>
#include <QMutex>
#include <QPointer>
#include <QSet>
#include <QStandardPaths>
#include <QThreadPool>
#include <QTimer>
#include <QtConcurrent>

#include <algorithm>
#include <memory>

namespace {

struct Store {
    QObject hub;                 // context of everything delivered to the main thread
    QString path;                // empty: the default path
    bool loaded = false;
    std::optional<PlayList> list;
    // The marks of clips that left the list, by path, until they come back.
    KeptMarks kept;

    bool dirty = false;          // memory differs from what is on (or going to) disk
    bool writeQueued = false;    // a write is due on the next turn of the event loop
    bool inFlight = false;       // a write runs, or ran and its outcome is not taken in
    QFuture<bool> writing;       // that write
    int serial = 0;              // of the last write started
    int writes = 0;
    int reads = 0;

    QThreadPool writer;          // one thread: writes never overtake each other
    bool quitHooked = false;

    Store() { writer.setMaxThreadCount(1); }
};

Store &store()
{
    // Never destroyed: background reads may still post to the hub while the program ends.
    static Store *s = new Store;
    if (!s->quitHooked && QCoreApplication::instance()) {
        s->quitHooked = true;
        QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, &s->hub,
                         [] { TrackStore::flush(); });
        // also when the application object goes without an event loop having quit
        qAddPostRoutine([] { TrackStore::flush(); });
    }
    return *s;
}

QMutex g_readerLock;
TrackStore::Reader g_reader;

GpsReadResult readOne(const std::string &reference)
{
    TrackStore::Reader reader;
    {
        QMutexLocker lock(&g_readerLock);
        reader = g_reader;
    }
    return reader ? reader(reference) : GpsDataHelper::readGpsData(reference);
}

// The play-list entry of one reference, read on a pool thread. Nothing thrown leaves
// it: should memory run out, the entry is there without telemetry.
PlayListEntry entryOf(const std::string &reference)
{
    PlayListEntry e;
    e.path = QString::fromStdString(reference);
    try {
        const GpsReadResult r = readOne(reference);
        e.gpsData = QList<GpsSample>(r.videoDatas.begin(), r.videoDatas.end());
        // The reader's own typed samples say what the camera did not record; a forged
        // result (tests) has only the text ones.
        e.telemetry = std::make_shared<const std::vector<TelemetrySample>>(
            r.samples.size() == r.videoDatas.size() ? r.samples : TelemetrySample::fromRead(r));
        e.maxSpeed = r.maxSpeed;
        e.isInChina = r.isInChina;
        e.layout = r.layout;
        const std::string &named = r.path.empty() ? reference : r.path;
        e.startMs = ClipTime::startMs(named, r);
        MovieDuration::Header movie;
        if (!r.path.empty())
            movie = MovieDuration::header(r.path);
        e.durationMs = movie.durationMs;
        std::string onDisk = r.path;
        int error = 0;
        if (onDisk.empty() && !GpsDataHelper::referenceToPath(reference, &onDisk, &error))
            onDisk.clear();
        if (!onDisk.empty())
            e.health = RecordingHealth::of(WrittenMovie::of(onDisk));
        e.clock = std::make_shared<const ClipClock>(CameraClock::ofClip(
            named, *e.telemetry, movie.durationMs > 0 ? double(movie.durationMs) / 1000.0 : 0.0, movie.createdMs,
            QDateTime::currentMSecsSinceEpoch()));
    } catch (...) {
        e = PlayListEntry();
        e.path = QString::fromStdString(reference);
    }
    return e;
}

QString currentPath(const Store &s)
{
    if (!s.path.isEmpty())
        return s.path;
    QString dir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (dir.isEmpty())
        dir = QDir::homePath() + QStringLiteral("/.local/share/Veltra/Veltra Player");
    return dir + QLatin1Char('/') + QLatin1String(AppKeys::key_play_list) + QStringLiteral(".bin");
}

// Entries made elsewhere (read from the file, built by hand) get their typed samples
// and their clock here, once: from the stored GPS times and the name (the movie header
// is not read again).
void typeSamples(PlayList &list)
{
    if (std::all_of(list.cbegin(), list.cend(), [](const PlayListEntry &e) { return e.telemetry && e.clock; }))
        return;   // without copying a shared list
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    for (PlayListEntry &e : list) {
        if (!e.telemetry)
            e.telemetry = e.typedSamples();
        if (!e.clock)
            e.clock = std::make_shared<const ClipClock>(CameraClock::ofClip(
                e.path.toStdString(), *e.telemetry, e.durationMs > 0 ? double(e.durationMs) / 1000.0 : 0.0,
                std::nullopt, now));
    }
}

void ensureLoaded(Store &s)
{
    if (s.loaded)
        return;
    s.loaded = true;
    s.list.reset();
    const QString path = currentPath(s);
    PlayList list;
    QString reason;
    s.kept.clear();
    switch (PlayListFile::read(path, &list, &reason, &s.kept)) {
    case PlayListFile::Outcome::Read:
        typeSamples(list);
        s.list = std::move(list);
        break;
    case PlayListFile::Outcome::Missing:
        qCInfo(lcStore, "TrackStore: no stored play list at %s; starting with none", qPrintable(path));
        break;
    case PlayListFile::Outcome::Unreadable:
        qCWarning(lcStore, "TrackStore: the stored play list %s is unreadable (%s); starting with an empty play list",
                  qPrintable(path), qPrintable(reason));
        break;
    }
}

bool writeNow(const QString &path, const std::optional<PlayList> &list, const KeptMarks &kept)
{
    QString reason;
    const bool ok = list || !kept.isEmpty() ? PlayListFile::write(path, list.value_or(PlayList()), &reason, kept)
                                            : PlayListFile::remove(path, &reason);
    if (!ok)
        qCWarning(lcStore, "TrackStore: cannot write the play list to %s (%s); the previous file is kept",
                  qPrintable(path), qPrintable(reason));
    return ok;
}

void startWrite();

void scheduleWrite(Store &s)
{
    if (s.writeQueued || s.inFlight)
        return;   // the queued write, or the one that follows the write in flight, takes it
    s.writeQueued = true;
    QTimer::singleShot(0, &s.hub, startWrite);
}

// Takes in the outcome of the write in flight (exactly once, here or in flush()).
void finishWrite(Store &s, bool ok)
{
    s.inFlight = false;
    s.writing = QFuture<bool>();
    ++s.writes;
    // A failed write is kept for the next change or flush(); retrying at once would spin
    // on a full disk.
    if (!ok)
        s.dirty = true;
}

void writeDone(int serial, bool ok)
{
    Store &s = store();
    if (!s.inFlight || serial != s.serial)
        return;   // flush() took this outcome in already
    finishWrite(s, ok);
    if (ok && s.dirty)
        scheduleWrite(s);
    else if (!ok)
        QTimer::singleShot(2000, &s.hub, [] {
            Store &later = store();
            if (later.dirty)
                scheduleWrite(later);
        });
}

void startWrite()
{
    Store &s = store();
    s.writeQueued = false;
    if (!s.dirty || s.inFlight)
        return;
    s.dirty = false;
    s.inFlight = true;
    const int serial = ++s.serial;
    const QString path = currentPath(s);
    const std::optional<PlayList> snapshot = s.list;   // shared, not copied
    const KeptMarks kept = s.kept;
    QObject *hub = &s.hub;
    s.writing = QtConcurrent::run(&s.writer, [path, snapshot, kept, serial, hub] {
        const bool ok = writeNow(path, snapshot, kept);
        QMetaObject::invokeMethod(hub, [serial, ok] { writeDone(serial, ok); }, Qt::QueuedConnection);
        return ok;
    });
}

void changed(Store &s)
{
    s.dirty = true;
    scheduleWrite(s);
}

// The list becomes `next`: the marks of entries that leave it are kept by path, and an
// entry of a clip whose marks were kept gets them back.
void replaceList(Store &s, std::optional<PlayList> next)
{
    QSet<QString> staying;
    if (next)
        for (const PlayListEntry &e : std::as_const(*next))
            staying.insert(e.path);
    if (s.list)
        for (const PlayListEntry &e : std::as_const(*s.list))
            if (!e.marks.isEmpty() && !staying.contains(e.path))
                s.kept.insert(e.path, e.marks);
    if (next && !s.kept.isEmpty())
        for (PlayListEntry &e : *next) {
            const auto it = s.kept.find(e.path);
            if (it == s.kept.end())
                continue;
            if (e.marks.isEmpty())
                e.marks = it.value();
            s.kept.erase(it);
        }
    s.list = std::move(next);
}

} // namespace

void TrackStore::readAndAppend(const QList<QUrl> &urls, Completion block, Progress progress)
{
    Store &s = store();
    ensureLoaded(s);
    std::vector<std::string> refs;
    refs.reserve(size_t(urls.size()));
    for (const QUrl &u : urls)
        refs.push_back(u.toString(QUrl::FullyEncoded).toStdString());
    ++s.reads;
    QObject *hub = &s.hub;
    QThreadPool::globalInstance()->start([refs = std::move(refs), block = std::move(block),
                                          progress = std::move(progress), hub] {
        auto added = std::make_shared<PlayList>();
        const int total = int(refs.size());
        for (int k = 0; k < total; ++k) {
            added->append(entryOf(refs[size_t(k)]));
            if (progress)
                QMetaObject::invokeMethod(hub, [progress, k, total] { progress(k + 1, total); },
                                          Qt::QueuedConnection);
        }
        // Joins the list as it is when the reading ends, on the main thread.
        QMetaObject::invokeMethod(hub, [added, block] {
            Store &st = store();
            ensureLoaded(st);
            PlayList next = st.list.value_or(PlayList());
            next.append(*added);
            replaceList(st, std::move(next));
            --st.reads;
            changed(st);
            if (block)
                block();
        }, Qt::QueuedConnection);
    });
}

void TrackStore::syncPlayList(const PlayList &list)
{
    Store &s = store();
    ensureLoaded(s);
    replaceList(s, list);
    typeSamples(*s.list);
    changed(s);
}

void TrackStore::clearPlayList()
{
    Store &s = store();
    ensureLoaded(s);   // for the marks it keeps
    replaceList(s, std::nullopt);
    changed(s);
}

std::optional<PlayList> TrackStore::playList()
{
    Store &s = store();
    ensureLoaded(s);
    return s.list;
}

std::optional<QList<GpsSample>> TrackStore::findSamples(const QString &path)
{
    Store &s = store();
    ensureLoaded(s);
    if (s.list)
        for (const PlayListEntry &e : std::as_const(*s.list))
            if (e.path == path)
                return e.gpsData;
    return std::nullopt;
}

qint64 TrackStore::findMaxSpeed(const QString &path)
{
    Store &s = store();
    ensureLoaded(s);
    if (s.list)
        for (const PlayListEntry &e : std::as_const(*s.list))
            if (e.path == path)
                return e.maxSpeed;
    return 0;
}

QString TrackStore::storeFilePath()
{
    return currentPath(store());
}

void TrackStore::setStoreFilePath(const QString &path)
{
    Store &s = store();
    flush();
    s.path = path;
    s.loaded = false;
    s.list.reset();
    s.kept.clear();
}

void TrackStore::flush()
{
    Store &s = store();
    if (s.inFlight)
        finishWrite(s, s.writing.result());   // result() waits
    if (s.dirty) {
        s.dirty = false;
        if (!writeNow(currentPath(s), s.list, s.kept))
            s.dirty = true;
        ++s.writes;
    }
}

void TrackStore::reload()
{
    Store &s = store();
    flush();
    s.loaded = false;
    s.list.reset();
    s.kept.clear();
}

int TrackStore::pendingReads()
{
    return store().reads;
}

int TrackStore::writeCount()
{
    return store().writes;
}

void TrackStore::setReader(Reader reader)
{
    QMutexLocker lock(&g_readerLock);
    g_reader = std::move(reader);
}
