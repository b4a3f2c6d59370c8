#include "PlayQueue.h"

#include "PlayListRules.h"
#include "common/Localization.h"
#include "common/Settings.h"
#include "store/TrackStore.h"
#include "store/RecordingFiles.h"

#include "ClipTime.h"
#include "SideFiles.h"
#include "TripGrouping.h"

#include <QDateTime>
#include <QFutureWatcher>
#include <QtConcurrent>
#include <QFileInfo>
#include <QTimeZone>
#include <QPointer>

#include <algorithm>

PlayQueue::~PlayQueue()
{
    cancelWalks_->store(true);
}

PlayQueue::PlayQueue(Settings &settings, QObject *parent) : QObject(parent), settings_(settings)
{
    // The trips' distances count the glitches or leave them out.
    connect(&settings_, &Settings::cleanGpsChanged, this, [this] {
        trips_ = PlayListTrips::group(list_, tripGapMs(), settings_.cleanGps());
        emit entriesChanged();
    });
}

int PlayQueue::rowOf(quint64 id) const
{
    if (id == 0)
        return -1;
    for (int row = 0; row < list_.size(); ++row)
        if (list_.at(row).id == id)
            return row;
    return -1;
}

const PlayListEntry *PlayQueue::current() const
{
    const int row = currentRow();
    return row < 0 ? nullptr : &list_.at(row);
}

bool PlayQueue::setMarks(quint64 id, const QMap<QString, RedactMarks> &marks)
{
    const int row = rowOf(id);
    if (row < 0)
        return false;
    list_[row].marks = marks;
    store();
    return true;
}

std::shared_ptr<const ClipClock> PlayQueue::currentClock() const
{
    const int row = currentRow();
    const int trip = tripOfRow_.value(row, -1);
    if (trip < 0 || trip >= trips_.size())
        return nullptr;
    const PlayListTrip &t = trips_.at(trip);
    return t.clocks.value(t.rows.indexOf(row));
}

qint64 PlayQueue::tripGapMs() const
{
    const std::optional<double> seconds = settings_.tripGapSeconds();
    return seconds ? qint64(*seconds * 1000) : kDefaultTripGapMs;
}

// ---------------------------------------------------------------------------------
// The list

void PlayQueue::reload()
{
    list_ = TrackStore::playList().value_or(PlayList());
    if (rowOf(current_) < 0)
        current_ = 0;
    trips_ = PlayListTrips::group(list_, tripGapMs(), settings_.cleanGps());
    tripOfRow_ = PlayListTrips::tripOfRows(trips_, int(list_.size()));
    emit entriesChanged();
    announceTrip(false);
}

void PlayQueue::clear()
{
    const bool hadCurrent = current_ != 0;
    list_.clear();
    current_ = 0;
    TrackStore::clearPlayList();
    trips_.clear();
    tripOfRow_.clear();
    emit entriesChanged();
    if (hadCurrent)
        emit currentChanged(nullptr);
}

void PlayQueue::store()
{
    for (PlayListEntry &e : list_)
        e.active = e.id == current_ && current_ != 0;
    TrackStore::syncPlayList(list_);
}

void PlayQueue::listChanged()
{
    trips_ = PlayListTrips::group(list_, tripGapMs(), settings_.cleanGps());
    tripOfRow_ = PlayListTrips::tripOfRows(trips_, int(list_.size()));
    store();
    emit entriesChanged();
    announceTrip(false);
}

void PlayQueue::sortIntoTrips()
{
    const QList<int> order = PlayListTrips::timeOrder(PlayListTrips::group(list_, tripGapMs(), settings_.cleanGps()), int(list_.size()));
    PlayList sorted;
    sorted.reserve(list_.size());
    for (int old : order)
        sorted << list_.at(old);
    list_ = sorted;
}

void PlayQueue::announceTrip(bool always)
{
    const int row = currentRow();
    if (row < 0)
        return;
    const int trip = tripOfRow_.value(row, -1);
    PlayList clips;
    int index = 0;
    if (trip < 0 || trip >= trips_.size()) {
        clips << list_.at(row);
    } else {
        for (int r : trips_.at(trip).rows)
            if (r >= 0 && r < list_.size())
                clips << list_.at(r);
        index = int(trips_.at(trip).rows.indexOf(row));
    }
    QList<quint64> ids;
    for (const PlayListEntry &e : std::as_const(clips))
        ids << e.id;
    // Files read after the clip started can join its trip: the views follow then, and
    // only then, so that a list change elsewhere does not redraw the route.
    if (!always && ids == announcedTrip_ && index == announcedIndex_)
        return;
    announcedTrip_ = ids;
    announcedIndex_ = index;
    emit tripOfCurrentChanged(clips, index);
}

// ---------------------------------------------------------------------------------
// The order of play

void PlayQueue::setCurrent(quint64 id)
{
    if (id == current_)
        return;
    current_ = id;
    store();
    if (id == 0)
        emit currentChanged(nullptr);
}

void PlayQueue::start(int row, double startAt)
{
    // A file gone from disk (the card taken out) is passed over, with a word to the user.
    const int step = skipStep_;
    skipStep_ = 1;
    while (row >= 0 && row < list_.size() && !QFileInfo::exists(PlayListRules::localPath(list_.at(row).path))) {
        emit skipped(Localization::text("playlist_missing_file").arg(PlayListRules::abbreviationFile(list_.at(row).path)));
        row += step;
    }
    if (row < 0 || row >= list_.size()) {
        setCurrent(0);
        return;
    }
    current_ = list_.at(row).id;
    store();
    // The player opens the file first, so that whoever follows the entry finds it open.
    emit playRequested(QUrl(list_.at(row).path, QUrl::TolerantMode), startAt > 0 ? startAt : 0.0);
    if (const PlayListEntry *entry = current())
        emit currentChanged(entry);
    announceTrip(true);
}

void PlayQueue::play(int row)
{
    start(row, 0);
}

void PlayQueue::next()
{
    skipStep_ = 1;
    start(currentRow() + 1, 0);
}

void PlayQueue::previous()
{
    skipStep_ = -1;
    start(currentRow() - 1, 0);   // from no current entry: row -2, before the list too
}

void PlayQueue::endOfFile()
{
    start(currentRow() + 1, 0);
}

void PlayQueue::playClipAt(const QUrl &clip, double seconds)
{
    const QString text = clip.toString(QUrl::FullyEncoded);
    for (int row = 0; row < list_.size(); ++row)
        if (list_.at(row).path == text) {
            start(row, seconds);
            return;
        }
}

void PlayQueue::removeCurrent()
{
    const int row = currentRow();
    if (row >= 0) {
        list_.removeAt(row);
        current_ = 0;
        listChanged();
        emit closeRequested();
        emit currentChanged(nullptr);
    }
    if (!list_.isEmpty())
        start(0, 0);
}

void PlayQueue::move(const QList<int> &rows, int destination)
{
    const QList<int> order = PlayListRules::movedOrder(int(list_.size()), rows, destination);
    bool unchanged = true;
    for (int k = 0; k < order.size(); ++k)
        unchanged = unchanged && order[k] == k;
    if (unchanged)
        return;
    PlayList moved;
    moved.reserve(list_.size());
    for (int old : order)
        moved << list_.at(old);
    // The playing file keeps playing; only its row number changes.
    list_ = moved;
    listChanged();
}

QList<QUrl> PlayQueue::exportClips(const QList<int> &selected) const
{
    QList<int> rows = selected;
    std::sort(rows.begin(), rows.end());
    if (rows.size() < 2) {
        const int row = currentRow() >= 0 ? currentRow() : rows.value(0, -1);
        const int trip = tripOfRow_.value(row, -1);
        if (trip >= 0 && trip < trips_.size())
            return PlayListTrips::clips(trips_.at(trip), list_);
        rows.clear();
        for (int k = 0; k < list_.size(); ++k)
            rows << k;
    }
    QList<QUrl> urls;
    for (int row : std::as_const(rows))
        if (row >= 0 && row < list_.size())
            urls << QUrl(list_.at(row).path, QUrl::TolerantMode);
    return urls;
}

// ---------------------------------------------------------------------------------
// Files in

void PlayQueue::open(const QList<QUrl> &urls, const OpenOptions &options)
{
    if (std::none_of(urls.begin(), urls.end(), &RecordingFiles::isFolder)) {
        openFiles(urls, options);
        return;
    }
    // A folder (a card, a copy of one) is walked off the window's thread: it may hold
    // tens of thousands of files, or sit on a slow share.
    ++walks_;
    emit folderProgress(0);
    QPointer<PlayQueue> self(this);
    auto *watcher = new QFutureWatcher<FolderWalk>(this);
    connect(watcher, &QFutureWatcher<FolderWalk>::finished, this, [this, watcher, options] {
        const FolderWalk walk = watcher->result();
        watcher->deleteLater();
        --walks_;
        emit folderProgress(-1);
        if (!walk.emptyFolders.isEmpty()) {
            QStringList lines;
            for (const QString &folder : walk.emptyFolders)
                lines << Localization::text("%1 holds no recordings (.MOV, .MP4).").arg(folder);
            emit refused(lines);
        }
        if (!walk.cancelled)
            openFiles(walk.urls, options);
    });
    watcher->setFuture(QtConcurrent::run([urls, self, cancel = cancelWalks_] {
        return RecordingFiles::expandFolders(
            urls,
            [self](int found) {
                QMetaObject::invokeMethod(self, [self, found] {
                    if (self && self->walks_ > 0)
                        emit self->folderProgress(found);
                });
            },
            cancel.get());
    }));
}

void PlayQueue::openFiles(const QList<QUrl> &urls, const OpenOptions &options)
{
    const RecordingCheck check = RecordingFiles::check(urls);
    if (!check.refused.isEmpty())
        emit refused(check.refused);
    const QList<QUrl> accepted = PlayListTrips::shownOfMoments(check.accepted);
    if (accepted.isEmpty())
        return;   // nothing could be taken in: the file playing goes on
    ++reads_;
    emit readProgress(0, int(accepted.size()));
    const qsizetype added = accepted.size();
    const double startAt = options.startAt;
    QPointer<PlayQueue> self(this);
    TrackStore::readAndAppend(
        accepted,
        [self, added, startAt] {
            if (!self)
                return;
            // The store put the files read at the end of its list, in the order given.
            self->list_ = TrackStore::playList().value_or(PlayList());
            const quint64 first = self->list_.size() >= added ? self->list_.at(self->list_.size() - added).id : 0;
            // The list keeps its trips in time order; the first file handed in, wherever
            // that puts it, is the one that starts.
            self->sortIntoTrips();
            --self->reads_;
            self->listChanged();
            if (self->reads_ == 0)
                emit self->readProgress(0, 0);
            self->start(self->rowOf(first), startAt);
            emit self->opened();
        },
        [self](int done, int total) {
            if (self && self->reads_ > 0)
                emit self->readProgress(done, total);
        });
}

// ---------------------------------------------------------------------------------
// A GPS track from elsewhere

std::optional<qint64> PlayQueue::utcStartMs(const PlayListEntry &entry)
{
    // A camera names its clips by its own clock, which people set to the local time.
    if (const auto named = ClipTime::fromFileName(PlayListRules::localPath(entry.path).toStdString())) {
        const QDateTime local(QDate(named->year, named->month, named->day),
                              QTime(named->hour, named->minute, named->second), QTimeZone::systemTimeZone());
        if (local.isValid())
            return local.toMSecsSinceEpoch();
    }
    return entry.startMs;
}

QList<int> PlayQueue::rowsOfCurrentTrip() const
{
    const int row = currentRow();
    const int trip = tripOfRow_.value(row, -1);
    if (trip >= 0 && trip < trips_.size())
        return trips_.at(trip).rows;
    return row >= 0 ? QList<int>{row} : QList<int>();
}

TrackAttachment PlayQueue::attachTrack(const QString &gpxPath, bool wholeTrip)
{
    GpxTrack track;
    const bool read = track.load(gpxPath.toStdString());
    return attachTrack(read ? &track : nullptr, gpxPath, wholeTrip);
}

TrackAttachment PlayQueue::attachTrack(const GpxTrack *read, const QString &gpxPath, bool wholeTrip)
{
    TrackAttachment done;
    const int row = currentRow();
    if (row < 0)
        return done;
    if (!read) {
        done.outcome = TrackAttachment::Unreadable;
        return done;
    }
    const GpxTrack &track = *read;
    const QList<int> rows = wholeTrip ? rowsOfCurrentTrip() : QList<int>{row};
    bool without = false;
    for (const int r : rows) {
        if (r < 0 || r >= list_.size())
            continue;
        PlayListEntry &e = list_[r];
        const auto samples = e.typedSamples();
        if (std::any_of(samples->cbegin(), samples->cend(), [](const TelemetrySample &t) { return t.onRoute(); }))
            continue;
        without = true;
        const std::optional<qint64> start = utcStartMs(e);
        // A clip of unknown length is taken as a minute, the length most cameras cut at.
        const qint64 length = e.durationMs > 0 ? e.durationMs : 60000;
        if (!start || track.overlapMs(*start, length) <= 0)
            continue;
        const GpsReadResult attached = track.samplesFor(*start, length);
        if (attached.videoDatas.empty())
            continue;
        e.gpsData = QList<GpsSample>(attached.videoDatas.begin(), attached.videoDatas.end());
        e.telemetry = std::make_shared<const std::vector<TelemetrySample>>(attached.samples);
        e.maxSpeed = attached.maxSpeed;
        e.isInChina = attached.isInChina;
        e.layout = TelemetryLayout::GpxFile;
        e.attachedTrack = gpxPath;
        ++done.clips;
    }
    if (done.clips == 0) {
        done.outcome = without ? TrackAttachment::NotCovered : TrackAttachment::HaveTheirOwn;
        return done;
    }
    done.outcome = TrackAttachment::Attached;
    listChanged();
    // Whoever follows the playing clip takes in its new samples and its trip's.
    if (const PlayListEntry *entry = current())
        emit currentChanged(entry);
    announceTrip(true);
    return done;
}
