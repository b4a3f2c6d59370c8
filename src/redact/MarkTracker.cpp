#include "redact/MarkTracker.h"

#include "common/Localization.h"

#include <QPromise>
#include <QStandardPaths>
#include <QtConcurrent/QtConcurrentRun>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/tracking.hpp>

#include <algorithm>
#include <cmath>

namespace {
// Frames decoded at once when going backwards: read forwards, followed in reverse.
constexpr qint64 BackwardsChunk = 45;
} // namespace

struct BoxFollower::Impl {
    cv::Ptr<cv::Tracker> tracker;
    bool threeChannels = false;
    cv::Mat colour;
    const cv::Mat &picture(const cv::Mat &grey)
    {
        if (!threeChannels)
            return grey;
        cv::cvtColor(grey, colour, cv::COLOR_GRAY2BGR);
        return colour;
    }
};

BoxFollower::BoxFollower(TrackerMethod method, QSize picture, double scale)
    : d(std::make_unique<Impl>()), picture_(picture)
{
    small_ = QSize(std::max(16, int(std::lround(picture.width() * scale)) & ~1),
                   std::max(16, int(std::lround(picture.height() * scale)) & ~1));
    if (method == TrackerMethod::Csrt) {
        cv::TrackerCSRT::Params p;
        p.use_color_names = false;  // grey pictures
        p.use_rgb = false;
        d->tracker = cv::TrackerCSRT::create(p);
    } else {
        // OpenCV 4.6's KCF fails on the second update of a one-channel picture with grey
        // features alone: it is given the grey copy as three channels, with its defaults.
        d->tracker = cv::TrackerKCF::create();
        d->threeChannels = true;
    }
}

BoxFollower::~BoxFollower() = default;

bool BoxFollower::init(const unsigned char *grey, const QRect &box)
{
    const cv::Mat frame(small_.height(), small_.width(), CV_8UC1, const_cast<unsigned char *>(grey));
    const double sx = double(small_.width()) / picture_.width(), sy = double(small_.height()) / picture_.height();
    cv::Rect r(int(std::lround(box.x() * sx)), int(std::lround(box.y() * sy)),
               std::max(4, int(std::lround(box.width() * sx))), std::max(4, int(std::lround(box.height() * sy))));
    r &= cv::Rect(0, 0, frame.cols, frame.rows);
    if (r.width < 4 || r.height < 4)
        return false;
    try {
        d->tracker->init(d->picture(frame), r);
    } catch (const cv::Exception &) {
        return false;
    }
    last_ = box;
    return true;
}

BoxFollower::Step BoxFollower::step(const unsigned char *grey)
{
    const cv::Mat frame(small_.height(), small_.width(), CV_8UC1, const_cast<unsigned char *>(grey));
    cv::Rect r;
    bool seen = false;
    try {
        seen = d->tracker->update(d->picture(frame), r);
    } catch (const cv::Exception &) {
        seen = false;
    }
    Step s;
    if (!seen)
        return s;
    const double sx = double(picture_.width()) / small_.width(), sy = double(picture_.height()) / small_.height();
    const QRect full(int(std::lround(r.x * sx)), int(std::lround(r.y * sy)), int(std::lround(r.width * sx)),
                     int(std::lround(r.height * sy)));
    if (const auto why = MarkTracking::judgeStep(last_, full)) {
        s.reason = *why;
        return s;
    }
    // The tracker may hold a box that is partly off the picture; the mark keeps what is on it.
    const auto clipped = clipToPicture(full, picture_);
    if (!clipped)
        return s;
    last_ = full;
    s.box = *clipped;
    return s;
}

QList<MarkTracking::Stretch> MarkTracking::stretches(const QList<qint64> &keys, qint64 lo, qint64 hi,
                                                     std::optional<qint64> around)
{
    QList<Stretch> out;
    QList<qint64> inside;
    for (const qint64 k : keys)
        if (k >= lo && k <= hi)
            inside << k;
    std::sort(inside.begin(), inside.end());
    inside.erase(std::unique(inside.begin(), inside.end()), inside.end());
    for (int i = 0; i < inside.size(); ++i) {
        Stretch s;
        s.key = inside[i];
        // Halfway to each neighbour: the earlier key takes the middle frame.
        s.first = i == 0 ? lo : (inside[i - 1] + inside[i]) / 2 + 1;
        s.last = i + 1 == inside.size() ? hi : (inside[i] + inside[i + 1]) / 2;
        if (!around || *around == s.key)
            out << s;
    }
    return out;
}

std::optional<LossReason> MarkTracking::judgeStep(const QRect &before, const QRect &after)
{
    if (after.width() <= 0 || after.height() <= 0)
        return LossReason::Lost;
    // A plate or a face moves at most half its own size between two frames.
    const QPointF move = QRectF(after).center() - QRectF(before).center();
    const double bound = 0.5 * std::max(before.width(), before.height()) + 2;
    if (std::hypot(move.x(), move.y()) > bound)
        return LossReason::Jumped;
    const double grow = double(after.width()) * after.height() / std::max(1.0, double(before.width()) * before.height());
    if (grow > 1.5 || grow < 1 / 1.5)
        return LossReason::Resized;
    return std::nullopt;
}

double MarkTracking::trackScale(QSize picture, const QRect &box)
{
    if (picture.isEmpty())
        return 1;
    // KCF's cost grows with the box: its longer side is brought to some 80 pixels, the
    // picture to at most 640 wide, but the shorter side never under 24.
    const int shortSide = std::max(1, std::min(box.width(), box.height()));
    const int longSide = std::max(1, std::max(box.width(), box.height()));
    double s = std::min({1.0, 640.0 / picture.width(), 80.0 / longSide});
    if (shortSide * s < 24)
        s = std::min(1.0, 24.0 / shortSide);
    return s;
}

TrackOutcome MarkTracking::run(const TrackJob &job, const std::function<bool()> &cancelled,
                               const std::function<void(int, int)> &progress)
{
    TrackOutcome out;
    out.markId = job.mark.id;
    const ClipVideo &v = job.video;
    const QString ffmpeg = job.ffmpeg.isEmpty() ? QStandardPaths::findExecutable(QStringLiteral("ffmpeg")) : job.ffmpeg;
    if (ffmpeg.isEmpty()) {
        out.failure = Localization::text("Tracking needs ffmpeg, which is not installed.");
        return out;
    }
    if (!v.ok() || job.mark.keys.isEmpty() || job.toUs < job.fromUs) {
        out.failure = Localization::text("Nothing to track.");
        return out;
    }
    const qint64 count = v.frameCount();
    const qint64 lo = std::max<qint64>(0, v.frameAt(job.fromUs));
    const qint64 hi = std::min(count > 0 ? count - 1 : v.frameAt(job.toUs), v.frameAt(job.toUs));
    QList<qint64> keyFrames;
    QMap<qint64, QRect> keyBox;
    for (auto it = job.mark.keys.begin(); it != job.mark.keys.end(); ++it) {
        const qint64 k = v.frameAt(it.key());
        keyFrames << k;
        keyBox.insert(k, it.value());
    }
    std::optional<qint64> around;
    if (job.aroundKeyUs)
        around = v.frameAt(*job.aroundKeyUs);
    const QList<Stretch> todo = stretches(keyFrames, lo, hi, around);
    if (todo.isEmpty()) {
        out.failure = Localization::text("No key box lies in the range.");
        return out;
    }
    out.fromUs = v.timeOf(todo.first().first);
    out.toUs = v.timeOf(todo.last().last);
    int total = 0, done = 0;
    for (const Stretch &s : todo)
        total += int(s.last - s.first + 1);
    const auto tick = [&] {
        ++done;
        if (progress && (done % 8 == 0 || done == total))
            progress(done, total);
    };

    for (const Stretch &s : todo) {
        const QRect key = keyBox.value(s.key);
        const double scale = trackScale(v.size, key);
        const QSize small = BoxFollower(job.method, v.size, scale).trackedSize();
        RawFrameReader reader;
        QByteArray frame;
        QString why;
        // Forwards: the key frame, then on to the stretch's last frame.
        {
            BoxFollower follower(job.method, v.size, scale);
            if (!reader.open(ffmpeg, job.clip, v, s.key, s.last - s.key + 1, small, RawFormat::Gray, &why)) {
                out.failure = why;
                return out;
            }
            if (!reader.read(&frame) || !follower.init(reinterpret_cast<const uchar *>(frame.constData()), key)) {
                out.failure = Localization::text("The key frame could not be read.");
                return out;
            }
            tick();
            for (qint64 f = s.key + 1; f <= s.last; ++f) {
                if (cancelled && cancelled()) {
                    out.cancelled = true;
                    return out;
                }
                if (!reader.read(&frame)) {
                    // The clip ends sooner than it said: the mark ends with it.
                    break;
                }
                const BoxFollower::Step step = follower.step(reinterpret_cast<const uchar *>(frame.constData()));
                if (!step.box) {
                    out.losses.append({v.timeOf(f), TrackDirection::Forwards, step.reason});
                    done += int(s.last - f);
                    break;
                }
                out.boxes.insert(v.timeOf(f), *step.box);
                tick();
            }
            reader.close();
        }
        // Backwards: the frames before the key, read in chunks and followed in reverse.
        if (s.first < s.key) {
            BoxFollower follower(job.method, v.size, scale);
            if (!reader.open(ffmpeg, job.clip, v, s.key, 1, small, RawFormat::Gray, &why) || !reader.read(&frame)
                || !follower.init(reinterpret_cast<const uchar *>(frame.constData()), key)) {
                out.failure = why.isEmpty() ? Localization::text("The key frame could not be read.") : why;
                return out;
            }
            reader.close();
            qint64 end = s.key;  // frames before it are still to follow
            bool lost = false;
            while (end > s.first && !lost) {
                const qint64 begin = std::max(s.first, end - BackwardsChunk);
                QList<QByteArray> chunk;
                if (!reader.open(ffmpeg, job.clip, v, begin, end - begin, small, RawFormat::Gray, &why)) {
                    out.failure = why;
                    return out;
                }
                while (chunk.size() < end - begin && reader.read(&frame))
                    chunk << frame;
                reader.close();
                if (chunk.size() != end - begin) {
                    out.failure = Localization::text("The clip could not be read before %1 s.")
                                      .arg(double(v.timeOf(end)) / 1e6, 0, 'f', 2);
                    return out;
                }
                for (qint64 f = end - 1; f >= begin; --f) {
                    if (cancelled && cancelled()) {
                        out.cancelled = true;
                        return out;
                    }
                    const BoxFollower::Step step =
                        follower.step(reinterpret_cast<const uchar *>(chunk[int(f - begin)].constData()));
                    if (!step.box) {
                        out.losses.append({v.timeOf(f), TrackDirection::Backwards, step.reason});
                        done += int(f - s.first);
                        lost = true;
                        break;
                    }
                    out.boxes.insert(v.timeOf(f), *step.box);
                    tick();
                }
                end = begin;
            }
        }
    }
    // The key boxes are the user's own: the tracker's box on a key frame is not kept.
    for (const qint64 k : keyFrames)
        out.boxes.remove(v.timeOf(k));
    if (progress)
        progress(total, total);
    return out;
}

QFuture<TrackOutcome> MarkTracking::start(const TrackJob &job)
{
    return QtConcurrent::run([job](QPromise<TrackOutcome> &promise) {
        promise.setProgressRange(0, 1000);
        TrackOutcome out = run(job, [&promise] { return promise.isCanceled(); },
                               [&promise](int done, int total) {
                                   promise.setProgressValue(total > 0 ? int(1000LL * done / total) : 0);
                               });
        promise.addResult(out);
    });
}
