// bench_redact CLIP OUTDIR: on the plate scene (veltra-forge --scene plate), the time to
// the first blurred preview after a mark, tracking the plate through the clip with KCF
// and CSRT (speed against the clip's length and the centre error against the truth),
// and the clip written with three tracked marks blurred (speed, CPU); before and after
// frames in OUTDIR.
#include "redact/Blur.h"
#include "redact/MarkTracker.h"
#include "redact/RedactedVideo.h"

#include "PlateScene.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QStandardPaths>

#include <cmath>
#include <cstdio>
#include <sys/resource.h>

namespace {

double cpuSeconds()
{
    double total = 0;
    for (const int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage u{};
        getrusage(who, &u);
        total += double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
    }
    return total;
}

QRect plateOn(qint64 frame, QSize size)
{
    const auto b = PlateScene::plate(long(frame), 30, size.width(), size.height());
    return QRect(b.x, b.y, b.width, b.height);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_redact CLIP OUTDIR\n");
        return 2;
    }
    const QString clip = QString::fromLocal8Bit(argv[1]);
    const QDir out(QString::fromLocal8Bit(argv[2]));
    const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    QString why;
    const auto video = ClipVideo::probe(ffmpeg, clip, &why);
    if (!video) {
        std::fprintf(stderr, "%s\n", qPrintable(why));
        return 1;
    }
    const double seconds = double(video->frameCount()) / video->fps();
    std::printf("clip: %dx%d, %.3f fps, %.1f s\n", video->size.width(), video->size.height(), video->fps(), seconds);

    // A mark drawn at 30 s: the first blurred preview of that frame.
    const qint64 key = qint64(std::llround(30 * video->fps()));
    RedactMarks marks(video->size, video->frameUs());
    const int plate = marks.add(MarkKind::Plate, video->timeOf(key), plateOn(key, video->size));
    QElapsedTimer t;
    t.start();
    const auto probed = ClipVideo::probe(ffmpeg, clip);
    const QImage still = RedactedVideo::frameImage(ffmpeg, clip, *probed, key);
    const QImage preview = Blur::image(still, marks.boxesAt(video->timeOf(key)), {BlurStyle::Gaussian, 6});
    const double previewMs = double(t.nsecsElapsed()) / 1e6;
    std::printf("first blurred preview after a mark: %.0f ms (probe, decode the frame, blur)\n", previewMs);
    still.save(out.filePath(QStringLiteral("before.png")));
    preview.save(out.filePath(QStringLiteral("preview.png")));

    // Tracking the plate through the whole clip, both ways from 30 s.
    for (const TrackerMethod method : {TrackerMethod::Kcf, TrackerMethod::Csrt}) {
        TrackJob job;
        job.clip = clip;
        job.video = *video;
        job.mark = *marks.mark(plate);
        job.fromUs = 0;
        job.toUs = video->timeOf(video->frameCount() - 1);
        job.method = method;
        if (method == TrackerMethod::Csrt)
            job.toUs = video->timeOf(key + 300);  // ten seconds: CSRT is slow
        double firstSecond = -1;
        t.restart();
        const double cpu = cpuSeconds();
        const TrackOutcome r = MarkTracking::run(job, {}, [&](int done, int) {
            if (firstSecond < 0 && done >= 30)
                firstSecond = double(t.nsecsElapsed()) / 1e6;
        });
        const double wall = double(t.nsecsElapsed()) / 1e9;
        double worst = 0, sum = 0;
        for (auto it = r.boxes.begin(); it != r.boxes.end(); ++it) {
            const QPointF d = QRectF(it.value()).center() - QRectF(plateOn(video->frameAt(it.key()), video->size)).center();
            const double e = std::hypot(d.x(), d.y());
            worst = std::max(worst, e);
            sum += e;
        }
        const double tracked = double(r.boxes.size() + 1) / video->fps();
        std::printf("tracking %s: %.1f s of video in %.2f s (%.1fx real time, CPU %.2f s), %lld losses, first second of "
                    "boxes after %.0f ms; centre error mean %.2f px, worst %.2f px%s%s\n",
                    method == TrackerMethod::Kcf ? "KCF" : "CSRT", tracked, wall, tracked / wall, cpuSeconds() - cpu,
                    qint64(r.losses.size()), firstSecond, r.boxes.isEmpty() ? 0 : sum / r.boxes.size(), worst,
                    r.failure.isEmpty() ? "" : ", failed: ", qPrintable(r.failure));
        if (method == TrackerMethod::Kcf)
            marks.setTracked(plate, r.fromUs, r.toUs, r.boxes, r.losses);
    }

    // Two more marks: the crossing square at 1 s, and the plate with its surround at 45 s.
    const auto square = PlateScene::object(30, 30, video->size.width(), video->size.height());
    const int second = marks.add(MarkKind::Drawn, video->timeOf(30), QRect(square.x, square.y, square.width, square.height));
    const qint64 later = qint64(std::llround(45 * video->fps()));
    const int third = marks.add(MarkKind::Drawn, video->timeOf(later), plateOn(later, video->size).adjusted(-40, -30, 40, 30));
    for (const int id : {second, third}) {
        TrackJob job;
        job.clip = clip;
        job.video = *video;
        job.mark = *marks.mark(id);
        job.toUs = video->timeOf(video->frameCount() - 1);
        t.restart();
        const TrackOutcome r = MarkTracking::run(job);
        std::printf("mark %d tracked in %.2f s: %lld boxes, %lld losses\n", id, double(t.nsecsElapsed()) / 1e9,
                    qint64(r.boxes.size()), qint64(r.losses.size()));
        marks.setTracked(id, r.fromUs, r.toUs, r.boxes, r.losses);
    }

    // The minute written with the three marks blurred, as the incident export writes it.
    for (const BlurStyle style : {BlurStyle::Gaussian, BlurStyle::Pixelate}) {
        RedactJob job;
        job.clip = clip;
        job.video = *video;
        job.marks = marks;
        job.blur = {style, 6};
        job.frames = video->frameCount();
        job.output = out.filePath(style == BlurStyle::Gaussian ? QStringLiteral("redacted-gaussian.mp4")
                                                               : QStringLiteral("redacted-pixelate.mp4"));
        t.restart();
        const double cpu = cpuSeconds();
        const RedactResult r = RedactedVideo::render(job);
        const double wall = double(t.nsecsElapsed()) / 1e9;
        std::printf("export with 3 marks blurred (%s, libx264 %s): %lld frames in %.2f s = %.2fx real time, CPU %.1f s%s%s\n",
                    style == BlurStyle::Gaussian ? "Gaussian" : "pixelated", qPrintable(job.preset),
                    r.framesWritten, wall, double(r.framesWritten) / video->fps() / wall, cpuSeconds() - cpu,
                    r.ok ? "" : ", failed: ", qPrintable(r.failure));
        const auto written = ClipVideo::probe(ffmpeg, job.output);
        if (written)
            RedactedVideo::frameImage(ffmpeg, job.output, *written, key)
                .save(out.filePath(style == BlurStyle::Gaussian ? QStringLiteral("after-gaussian.png")
                                                                : QStringLiteral("after-pixelate.png")));
    }
    // The same minute without marks: what the encoder alone costs.
    RedactJob plain;
    plain.clip = clip;
    plain.video = *video;
    plain.marks = RedactMarks(video->size, video->frameUs());
    plain.frames = video->frameCount();
    plain.output = out.filePath(QStringLiteral("plain.mp4"));
    t.restart();
    const RedactResult p = RedactedVideo::render(plain);
    const double wall = double(t.nsecsElapsed()) / 1e9;
    std::printf("the same without marks: %.2f s = %.2fx real time\n", wall, double(p.framesWritten) / video->fps() / wall);
    return 0;
}
