// Follows a mark through its clip from each of its key boxes, forwards and backwards,
// with OpenCV's KCF tracker on a smaller grey copy of the picture (CSRT on request),
// boxes scaled back to the clip's pixels. Each key box covers the frames up to halfway to
// its neighbours (or to the edge of the range), so a correction re-tracks only around
// itself. A loss (the tracker says it no longer sees the target, or the box jumps or
// changes size beyond what a thing in the picture can in one frame) ends the stretch
// there: no box is guessed after it. Runs on a worker thread with progress and cancel.
#pragma once

#include "redact/ClipVideo.h"
#include "redact/RedactMarks.h"

#include <QFuture>
#include <QList>
#include <QMap>
#include <QRect>
#include <QSize>

#include <memory>
#include <optional>

enum class TrackerMethod { Kcf, Csrt };

struct TrackJob {
    QString ffmpeg;   // the program; by default ffmpeg on PATH
    QString clip;
    ClipVideo video;  // its probe
    RedactMark mark;
    qint64 fromUs = 0, toUs = 0;       // the range to follow the mark through
    std::optional<qint64> aroundKeyUs; // a correction: only the stretch of that key box
    TrackerMethod method = TrackerMethod::Kcf;
};

struct TrackOutcome {
    int markId = 0;
    qint64 fromUs = 0, toUs = 0;  // the stretch the boxes replace (RedactMarks::setTracked)
    QMap<qint64, QRect> boxes;
    QList<MarkLoss> losses;
    QString failure;              // empty: tracked (losses are no failure)
    bool cancelled = false;
};

namespace MarkTracking {
// The frames one key box covers: from `first` to `last`, both included.
struct Stretch {
    qint64 key = 0, first = 0, last = 0;
};
// The stretches of the key frames `keys` (sorted) within frames [lo, hi]; with `around`,
// only the stretch of that key.
QList<Stretch> stretches(const QList<qint64> &keys, qint64 lo, qint64 hi, std::optional<qint64> around = {});
// Whether a step from `before` to `after` can be the same thing: nothing, or why not.
std::optional<LossReason> judgeStep(const QRect &before, const QRect &after);
// The scale of the grey copy tracked for a picture of `picture` with a box `box`: at
// most 640 pixels wide and the box's longer side some 80 pixels, but not so small that
// its shorter side falls under 24 pixels.
double trackScale(QSize picture, const QRect &box);

// Starts following `job.mark` (its accepted state does not matter); the future's
// progress counts frames.
QFuture<TrackOutcome> start(const TrackJob &job);
// The same, on the calling thread; `cancelled` is asked between frames.
TrackOutcome run(const TrackJob &job, const std::function<bool()> &cancelled = {},
                 const std::function<void(int done, int total)> &progress = {});
} // namespace MarkTracking

// One tracker following one box through frames given one by one (grey, at the tracked
// scale); boxes in and out are in the clip's pixels.
class BoxFollower {
public:
    BoxFollower(TrackerMethod method, QSize picture, double scale);
    ~BoxFollower();
    bool init(const unsigned char *grey, const QRect &box);
    // The box on the next frame, or why it was lost.
    struct Step {
        std::optional<QRect> box;
        LossReason reason = LossReason::Lost;
    };
    Step step(const unsigned char *grey);
    QSize trackedSize() const { return small_; }

private:
    struct Impl;
    std::unique_ptr<Impl> d;
    QSize picture_, small_;
    QRect last_;
};
