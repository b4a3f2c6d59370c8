#include "redact/Detectors.h"

#include "common/Localization.h"

#include <QDir>
#include <QFileInfo>
#include <QPromise>
#include <QStandardPaths>
#include <QtConcurrent/QtConcurrentRun>

#include <opencv2/imgproc.hpp>
#include <opencv2/objdetect.hpp>

#include <algorithm>
#include <cmath>
#include <map>

namespace {

// Looked through at most this wide: the cascades' cost grows with the pixels.
constexpr int MaxWidth = 1280;

struct Cascade {
    const char *file;
    int neighbours;
    cv::Size smallest;
};

QList<Cascade> cascadesOf(MarkKind kind)
{
    switch (kind) {
    case MarkKind::Face: return {{"haarcascade_frontalface_alt2.xml", 3, cv::Size(24, 24)}};
    case MarkKind::Plate:
        return {{"haarcascade_licence_plate_rus_16stages.xml", 2, cv::Size(30, 8)},
                {"haarcascade_russian_plate_number.xml", 4, cv::Size(30, 8)}};
    case MarkKind::Drawn: return {};
    }
    return {};
}

// One classifier per cascade and thread: detectMultiScale may not run twice at once on one.
cv::CascadeClassifier *classifier(const QString &path)
{
    thread_local std::map<std::string, std::unique_ptr<cv::CascadeClassifier>> loaded;
    const std::string key = QFile::encodeName(path).toStdString();
    auto it = loaded.find(key);
    if (it == loaded.end()) {
        auto c = std::make_unique<cv::CascadeClassifier>();
        try {
            if (!c->load(key))
                c.reset();
        } catch (const cv::Exception &) {
            c.reset();
        }
        it = loaded.emplace(key, std::move(c)).first;
    }
    return it->second.get();
}

double overlap(const QRect &a, const QRect &b)
{
    const QRect i = a.intersected(b);
    if (i.isEmpty())
        return 0;
    const double ia = double(i.width()) * i.height();
    return ia / std::min(double(a.width()) * a.height(), double(b.width()) * b.height());
}

// Finds that lie mostly over one another are one: the first cascade's is kept (the
// closer fit), then the first found.
QList<QRect> merged(const QList<QRect> &boxes)
{
    QList<QRect> out;
    for (const QRect &b : boxes)
        if (std::none_of(out.begin(), out.end(), [&](const QRect &o) { return overlap(o, b) > 0.5; }))
            out << b;
    return out;
}

QList<QRect> findOnGrey(const cv::Mat &grey, double scale, MarkKind kind, QSize picture, QString *why)
{
    QList<QRect> boxes;
    for (const Cascade &c : cascadesOf(kind)) {
        const QString path = QDir(Detectors::cascadeFolder()).filePath(QLatin1String(c.file));
        cv::CascadeClassifier *cc = classifier(path);
        if (!cc) {
            if (why)
                *why = Localization::text("The detector %1 cannot be loaded.").arg(QDir::toNativeSeparators(path));
            return {};
        }
        std::vector<cv::Rect> found;
        try {
            cc->detectMultiScale(grey, found, 1.05, c.neighbours, 0, c.smallest);
        } catch (const cv::Exception &) {
            continue;
        }
        for (const cv::Rect &r : found) {
            const QRect full(int(std::floor(r.x / scale)), int(std::floor(r.y / scale)), int(std::ceil(r.width / scale)),
                             int(std::ceil(r.height / scale)));
            if (const auto clipped = clipToPicture(full, picture))
                boxes << *clipped;
        }
    }
    return merged(boxes);
}

cv::Mat greyOf(const QImage &picture, double *scale)
{
    const QImage grey = picture.convertToFormat(QImage::Format_Grayscale8);
    const cv::Mat m(grey.height(), grey.width(), CV_8UC1, const_cast<uchar *>(grey.constBits()),
                    size_t(grey.bytesPerLine()));
    *scale = grey.width() > MaxWidth ? double(MaxWidth) / grey.width() : 1.0;
    cv::Mat out;
    if (*scale < 1)
        cv::resize(m, out, cv::Size(), *scale, *scale, cv::INTER_AREA);
    else
        out = m.clone();
    return out;
}

} // namespace

QString Detectors::cascadeFolder()
{
    const QString set = qEnvironmentVariable("VELTRA_CASCADES");
    if (!set.isEmpty())
        return set;
    for (const char *folder : {"/usr/share/opencv4/haarcascades", "/usr/share/opencv/haarcascades"})
        if (QFileInfo(QLatin1String(folder)).isDir())
            return QLatin1String(folder);
    return QStringLiteral("/usr/share/opencv4/haarcascades");
}

QList<QRect> Detectors::find(const QImage &picture, MarkKind kind, QString *why)
{
    if (picture.isNull())
        return {};
    double scale = 1;
    const cv::Mat grey = greyOf(picture, &scale);
    return findOnGrey(grey, scale, kind, picture.size(), why);
}

QList<Detectors::Found> Detectors::scan(const QString &ffmpegGiven, const QString &clip, const ClipVideo &video,
                                        qint64 fromUs, qint64 toUs, const QList<MarkKind> &kinds, int step,
                                        const std::function<bool()> &cancelled, QString *why)
{
    QList<Found> out;
    const QString ffmpeg = ffmpegGiven.isEmpty() ? QStandardPaths::findExecutable(QStringLiteral("ffmpeg")) : ffmpegGiven;
    if (ffmpeg.isEmpty() || !video.ok() || toUs < fromUs) {
        if (why)
            *why = Localization::text("There is nothing to export.");
        return out;
    }
    step = std::max(1, step);
    const qint64 first = video.frameAt(fromUs);
    qint64 last = video.frameAt(toUs);
    if (video.frameCount() > 0)
        last = std::min(last, video.frameCount() - 1);
    const double scale = video.size.width() > MaxWidth ? double(MaxWidth) / video.size.width() : 1.0;
    const QSize small(std::max(16, int(std::lround(video.size.width() * scale))) & ~1,
                      std::max(16, int(std::lround(video.size.height() * scale))) & ~1);
    const double sx = double(small.width()) / video.size.width();
    // What the last look saw, to tell a thing seen again from a new one.
    QList<Found> seen;
    RawFrameReader reader;
    QByteArray frame;
    if (!reader.open(ffmpeg, clip, video, first, last - first + 1, small, RawFormat::Gray, why))
        return out;
    for (qint64 f = first; f <= last; ++f) {
        if (cancelled && cancelled())
            break;
        if (!reader.read(&frame))
            break;
        if ((f - first) % step != 0)
            continue;
        const cv::Mat grey(small.height(), small.width(), CV_8UC1, frame.data());
        QList<Found> now;
        for (const MarkKind kind : kinds)
            for (const QRect &box : findOnGrey(grey, sx, kind, video.size, why))
                now.append({video.timeOf(f), kind, box});
        // Seen again: the same kind near where one was in the last three looks (a
        // cascade may miss a thing on one look and find it on the next).
        for (const Found &n : std::as_const(now)) {
            const bool again = std::any_of(seen.begin(), seen.end(), [&](const Found &s) {
                const QPointF d = QRectF(s.box).center() - QRectF(n.box).center();
                return s.kind == n.kind && f - video.frameAt(s.timeUs) <= 3 * step
                       && std::hypot(d.x(), d.y()) < std::max(s.box.width(), s.box.height());
            });
            if (!again)
                out << n;
        }
        for (const Found &n : std::as_const(now))
            seen << Found{video.timeOf(f), n.kind, n.box};
        seen.erase(std::remove_if(seen.begin(), seen.end(),
                                  [&](const Found &s) { return f - video.frameAt(s.timeUs) > 3 * step; }),
                   seen.end());
    }
    return out;
}

QFuture<QList<Detectors::Found>> Detectors::scanLater(const QString &ffmpeg, const QString &clip, const ClipVideo &video,
                                                      qint64 fromUs, qint64 toUs, const QList<MarkKind> &kinds, int step)
{
    return QtConcurrent::run([=](QPromise<QList<Found>> &promise) {
        promise.addResult(scan(ffmpeg, clip, video, fromUs, toUs, kinds, step, [&promise] { return promise.isCanceled(); }));
    });
}

QList<int> Detectors::offer(RedactMarks *marks, const QList<Found> &found)
{
    QList<int> ids;
    for (const Found &f : found)
        if (const int id = marks->add(f.kind, f.timeUs, f.box, false))
            ids << id;
    return ids;
}
