#include "MarkStore.h"

#include "drive/PlayQueue.h"
#include "redact/MarkTracker.h"
#include "store/PlayListEntry.h"

#include <QFileInfo>
#include <QFutureWatcher>
#include <QPromise>
#include <QUrl>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <cmath>

MarkStore::MarkStore(PlayQueue *queue, QObject *parent) : PictureMarks(parent), queue_(queue) {}

MarkStore::~MarkStore()
{
    cancelTracking();
}

QString MarkStore::nameOf(const QString &file)
{
    return QFileInfo(file).fileName();
}

bool MarkStore::ofMoment(const QString &file) const
{
    return entry_ != 0 && !file.isEmpty() && QFileInfo(file).absolutePath() + QLatin1Char('/') == folder_;
}

qint64 MarkStore::microseconds(double seconds)
{
    return qint64(std::llround(seconds * 1e6));
}

void MarkStore::follow(const PlayListEntry *entry)
{
    const quint64 id = entry ? entry->id : 0;
    if (id == entry_ && (!entry || entry->marks == marks_))
        return;
    ++generation_;
    waiting_.clear();
    cancelTracking();
    entry_ = id;
    marks_ = entry ? entry->marks : QMap<QString, RedactMarks>();
    const QUrl url(entry ? entry->path : QString(), QUrl::TolerantMode);
    folder_ = url.isLocalFile() ? QFileInfo(url.toLocalFile()).absolutePath() + QLatin1Char('/') : QString();
    chosenFile_.clear();
    chosenId_ = -1;
    emit changed(QString());
}

QList<ShownBox> MarkStore::boxesAt(const QString &file, double seconds) const
{
    QList<ShownBox> out;
    if (!shown_ || !ofMoment(file))
        return out;
    const auto it = marks_.constFind(nameOf(file));
    if (it == marks_.cend())
        return out;
    // A frame's time as the decoder gives it may fall a microsecond short of the frame
    // grid the tracker counts on.
    const qint64 us = microseconds(seconds) + kFrameSlackUs;
    const qint64 frame = it->frameUs();
    const bool chosenHere = chosenFile_ == file;
    for (const RedactMark &m : it->marks()) {
        const std::optional<QRect> box = markBoxAt(m, us, frame);
        if (!box)
            continue;
        const std::optional<QRect> cut = clipToPicture(*box, it->picture());
        if (!cut)
            continue;
        ShownBox b;
        b.id = m.id;
        b.box = QRectF(*cut);
        b.offered = !m.accepted;
        auto key = m.keys.upperBound(us);
        b.key = key != m.keys.cbegin() && us - std::prev(key).key() < frame;
        b.selected = chosenHere && m.id == chosenId_;
        out.append(b);
    }
    return out;
}

QList<MarkBand> MarkStore::bandsOf(const QString &file) const
{
    QList<MarkBand> out;
    if (!shown_ || !ofMoment(file))
        return out;
    const auto it = marks_.constFind(nameOf(file));
    if (it == marks_.cend())
        return out;
    const bool chosenHere = chosenFile_ == file;
    for (const RedactMark &m : it->marks()) {
        const auto stretch = markStretch(m, it->frameUs());
        if (!stretch)
            continue;
        MarkBand band;
        band.id = m.id;
        band.start = double(stretch->first) / 1e6;
        band.end = double(stretch->second) / 1e6;
        // Lost going forwards: the band ends where the target was lost.
        for (const MarkLoss &loss : m.losses)
            if (loss.direction == TrackDirection::Forwards && loss.timeUs >= stretch->second - it->frameUs())
                band.lost = true;
        band.offered = !m.accepted;
        band.selected = chosenHere && m.id == chosenId_;
        out.append(band);
    }
    return out;
}

void MarkStore::drawn(const QString &file, double seconds, const QRectF &box, QSize frame)
{
    if (!ofMoment(file) || frame.isEmpty())
        return;
    const QString name = nameOf(file);
    auto it = marks_.find(name);
    if (it == marks_.end())
        it = marks_.insert(name, RedactMarks(frame, frameUsOf ? frameUsOf(file) : RedactMarks::DefaultFrameUs));
    const int id = it->add(MarkKind::Drawn, microseconds(seconds), box.toAlignedRect());
    if (id <= 0)
        return;
    shown_ = true;
    chosenFile_ = file;
    chosenId_ = id;
    store();
    emit changed(file);
    track(file, id, std::nullopt);
}

void MarkStore::corrected(const QString &file, int id, double seconds, const QRectF &box)
{
    const auto it = marks_.find(nameOf(file));
    if (!ofMoment(file) || it == marks_.end())
        return;
    const qint64 us = microseconds(seconds);
    if (!it->setKey(id, us, box.toAlignedRect()))
        return;
    store();
    emit changed(file);
    track(file, id, us);
}

void MarkStore::answered(const QString &file, int id, bool accept)
{
    const auto it = marks_.find(nameOf(file));
    if (!ofMoment(file) || it == marks_.end())
        return;
    if (!(accept ? it->accept(id) : it->remove(id)))
        return;
    if (it->isEmpty())
        marks_.erase(it);
    store();
    emit changed(file);
    // An accepted offer is followed through the clip like a drawn box.
    if (accept)
        track(file, id, std::nullopt);
}

void MarkStore::choose(const QString &file, int id)
{
    if (chosenFile_ == file && chosenId_ == id)
        return;
    if (id < 0 && chosenId_ < 0)
        return;
    chosenFile_ = id < 0 ? QString() : file;
    chosenId_ = id;
    emit changed(file);
}

int MarkStore::offer(const QString &file, MarkKind kind, double seconds, const QList<QRect> &boxes, QSize frame)
{
    if (!ofMoment(file) || frame.isEmpty() || boxes.isEmpty())
        return 0;
    const QString name = nameOf(file);
    auto it = marks_.find(name);
    if (it == marks_.end())
        it = marks_.insert(name, RedactMarks(frame, frameUsOf ? frameUsOf(file) : RedactMarks::DefaultFrameUs));
    // What a mark covers already on that frame is not offered again.
    const QList<QRect> there = it->boxesAt(microseconds(seconds) + kFrameSlackUs, true);
    const auto covered = [&there](const QRect &b) {
        for (const QRect &t : there) {
            const QRect common = t.intersected(b);
            const double least = std::min(double(t.width()) * t.height(), double(b.width()) * b.height());
            if (least > 0 && double(common.width()) * common.height() >= 0.5 * least)
                return true;
        }
        return false;
    };
    int offered = 0;
    for (const QRect &b : boxes)
        if (!covered(b) && it->add(kind, microseconds(seconds), b, false) > 0)
            ++offered;
    if (it->isEmpty())
        marks_.erase(it);
    if (offered == 0)
        return 0;
    shown_ = true;
    store();
    emit changed(file);
    return offered;
}

void MarkStore::setShown(bool shown)
{
    if (shown_ == shown)
        return;
    shown_ = shown;
    emit changed(QString());
}

bool MarkStore::deleteChosen()
{
    const auto it = marks_.find(nameOf(chosenFile_));
    if (chosenId_ < 0 || it == marks_.end() || !it->remove(chosenId_))
        return false;
    if (running_ && running_->file == chosenFile_ && running_->id == chosenId_)
        cancelTracking();
    if (it->isEmpty())
        marks_.erase(it);
    const QString file = chosenFile_;
    chosenFile_.clear();
    chosenId_ = -1;
    store();
    emit changed(file);
    return true;
}

int MarkStore::clearMoment()
{
    const int n = count();
    if (n == 0)
        return 0;
    ++generation_;
    waiting_.clear();
    cancelTracking();
    marks_.clear();
    chosenFile_.clear();
    chosenId_ = -1;
    store();
    emit changed(QString());
    return n;
}

RedactMarks MarkStore::marksOf(const QString &file) const
{
    if (ofMoment(file))
        return marks_.value(nameOf(file));
    // Another clip of the list (a trip's export): what its entry keeps.
    if (!queue_ || file.isEmpty())
        return RedactMarks();
    const QString folder = QFileInfo(file).absolutePath();
    for (const PlayListEntry &e : queue_->entries()) {
        const QUrl url(e.path, QUrl::TolerantMode);
        if (!e.marks.isEmpty() && url.isLocalFile() && QFileInfo(url.toLocalFile()).absolutePath() == folder &&
            e.marks.contains(nameOf(file)))
            return e.marks.value(nameOf(file));
    }
    return RedactMarks();
}

int MarkStore::count() const
{
    int n = 0;
    for (const RedactMarks &m : marks_)
        n += int(m.marks().size());
    return n;
}

void MarkStore::store()
{
    if (queue_ && entry_ != 0)
        queue_->setMarks(entry_, marks_);
}

// ---------------------------------------------------------------------------------
// Tracking

namespace {

// Probes the clip, then follows the mark through `range` (seconds; the whole clip when
// unset), on the calling worker thread.
void trackOnWorker(QPromise<TrackOutcome> &promise, TrackJob job, std::optional<std::pair<double, double>> range)
{
    TrackOutcome outcome;
    outcome.markId = job.mark.id;
    QString why;
    const std::optional<ClipVideo> video = ClipVideo::probe(job.ffmpeg, job.clip, &why);
    if (!video || !video->ok()) {
        outcome.failure = why.isEmpty() ? QStringLiteral("the clip's picture cannot be read") : why;
        promise.addResult(outcome);
        return;
    }
    job.video = *video;
    const qint64 end = qint64(std::llround(video->seconds * 1e6));
    job.fromUs = range ? std::clamp(qint64(std::llround(range->first * 1e6)), qint64(0), end) : 0;
    job.toUs = range ? std::clamp(qint64(std::llround(range->second * 1e6)), job.fromUs, end) : end;
    outcome = MarkTracking::run(job, [&promise] { return promise.isCanceled(); },
                                [&promise](int done, int total) {
                                    promise.setProgressRange(0, total);
                                    promise.setProgressValue(done);
                                });
    promise.addResult(outcome);
}

} // namespace

bool MarkStore::isTracking() const
{
    return running_.has_value();
}

void MarkStore::track(const QString &file, int id, std::optional<qint64> aroundKeyUs)
{
    // A newer request for the same mark replaces one still waiting.
    waiting_.erase(std::remove_if(waiting_.begin(), waiting_.end(),
                                  [&](const Job &j) { return j.file == file && j.id == id && !aroundKeyUs; }),
                   waiting_.end());
    waiting_.append(Job{file, id, aroundKeyUs});
    startNext();
}

void MarkStore::startNext()
{
    if (running_ || waiting_.isEmpty())
        return;
    const Job job = waiting_.takeFirst();
    const auto it = marks_.constFind(nameOf(job.file));
    const RedactMark *mark = it == marks_.cend() ? nullptr : it->mark(job.id);
    if (!mark) {
        startNext();
        return;
    }
    running_ = job;
    emit trackingStarted(job.file, job.id);
    const QString clip = job.file;
    const RedactMark copy = *mark;
    const std::optional<qint64> around = job.around;
    const QString program = ffmpeg;
    const quint64 generation = generation_;
    auto *watcher = new QFutureWatcher<TrackOutcome>(this);
    watcher_ = watcher;
    connect(watcher, &QFutureWatcher<TrackOutcome>::progressValueChanged, this, [this, watcher](int done) {
        emit trackingProgress(done, watcher->progressMaximum());
    });
    connect(watcher, &QFutureWatcher<TrackOutcome>::finished, this, [this, watcher, job, generation] {
        watcher->deleteLater();
        TrackOutcome outcome;
        const bool cancelled = watcher->isCanceled() || watcher->future().resultCount() == 0;
        if (!cancelled)
            outcome = watcher->result();
        running_.reset();
        const auto it = marks_.find(nameOf(job.file));
        if (generation == generation_ && !cancelled && !outcome.cancelled && outcome.failure.isEmpty() &&
            it != marks_.end() && it->setTracked(job.id, outcome.fromUs, outcome.toUs, outcome.boxes, outcome.losses)) {
            store();
            emit changed(job.file);
        }
        emit trackingFinished(job.file, job.id, cancelled ? QString() : outcome.failure,
                              cancelled || outcome.cancelled);
        startNext();
    });
    // The clip is probed on the worker too: nothing here waits on a program.
    TrackJob base;
    base.ffmpeg = program;
    base.clip = clip;
    base.mark = copy;
    base.aroundKeyUs = around;
    const std::optional<std::pair<double, double>> range = trackRange ? trackRange(clip) : std::nullopt;
    watcher->setFuture(QtConcurrent::run(trackOnWorker, base, range));
}


void MarkStore::cancelTracking()
{
    waiting_.clear();
    if (watcher_)
        watcher_->cancel();
}
