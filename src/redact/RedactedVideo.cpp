#include "redact/RedactedVideo.h"

#include "common/Localization.h"

#include <QFile>
#include <QProcess>
#include <QPromise>
#include <QStandardPaths>
#include <QtConcurrent/QtConcurrentRun>

#include <cmath>

namespace {
QString seconds(double s) { return QString::number(std::max(0.0, s), 'f', 6); }
} // namespace

QStringList RedactedVideo::encoderArguments(const RedactJob &job)
{
    const ClipVideo &v = job.video;
    QStringList a{QStringLiteral("-nostdin"), QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"),
                  QStringLiteral("error"), QStringLiteral("-y"),
                  QStringLiteral("-f"), QStringLiteral("rawvideo"), QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p"),
                  QStringLiteral("-video_size"), QStringLiteral("%1x%2").arg(v.size.width()).arg(v.size.height()),
                  QStringLiteral("-framerate"), QStringLiteral("%1/%2").arg(v.rateNum).arg(v.rateDen),
                  QStringLiteral("-i"), QStringLiteral("pipe:0")};
    const bool sound = job.sound && v.audio;
    if (sound)
        a << QStringLiteral("-ss") << seconds(double(job.firstFrame) / v.fps()) << QStringLiteral("-t")
          << seconds(double(job.frames) / v.fps()) << QStringLiteral("-i") << job.clip;
    a << QStringLiteral("-map") << QStringLiteral("0:v");
    if (sound)
        a << QStringLiteral("-map") << QStringLiteral("1:a:0?") << QStringLiteral("-c:a") << QStringLiteral("aac")
          << QStringLiteral("-b:a") << QStringLiteral("160k");
    // H.264 in 4:2:0 wants even sides.
    if (v.size.width() % 2 || v.size.height() % 2)
        a << QStringLiteral("-vf") << QStringLiteral("pad=ceil(iw/2)*2:ceil(ih/2)*2");
    a << QStringLiteral("-c:v") << QStringLiteral("libx264") << QStringLiteral("-preset") << job.preset
      << QStringLiteral("-crf") << QString::number(job.crf) << QStringLiteral("-pix_fmt") << QStringLiteral("yuv420p")
      << QStringLiteral("-map_metadata") << QStringLiteral("-1") << QStringLiteral("-map_chapters")
      << QStringLiteral("-1") << QStringLiteral("-movflags") << QStringLiteral("+faststart") << QStringLiteral("-f")
      << QStringLiteral("mp4") << job.output;
    return a;
}

QList<QRect> RedactedVideo::boxesOn(const RedactMarks &marks, const ClipVideo &video, qint64 frame)
{
    return marks.blurredAt(video.timeOf(frame), video.size);
}

RedactResult RedactedVideo::render(const RedactJob &job, const std::function<bool()> &cancelled,
                                   const std::function<void(qint64, qint64)> &progress)
{
    RedactResult result;
    const QString ffmpeg = job.ffmpeg.isEmpty() ? QStandardPaths::findExecutable(QStringLiteral("ffmpeg")) : job.ffmpeg;
    const auto fail = [&](const QString &why) {
        result.ok = false;
        if (result.failure.isEmpty())
            result.failure = why;
        QFile::remove(job.output);
        return result;
    };
    if (ffmpeg.isEmpty())
        return fail(Localization::text("Exporting needs ffmpeg, which is not installed."));
    if (!job.video.ok() || job.frames <= 0)
        return fail(Localization::text("There is nothing to export."));

    RawFrameReader reader;
    QString why;
    if (!reader.open(ffmpeg, job.clip, job.video, job.firstFrame, job.frames, job.video.size, RawFormat::I420, &why))
        return fail(why);
    QProcess encoder;
    encoder.setStandardOutputFile(QProcess::nullDevice());
    encoder.start(ffmpeg, encoderArguments(job));
    if (!encoder.waitForStarted(10000))
        return fail(Localization::text("ffmpeg could not be started: %1").arg(encoder.errorString()));
    const auto stop = [&] {
        encoder.kill();
        encoder.waitForFinished(5000);
        reader.close();
    };

    const qsizetype bytes = rawFrameBytes(RawFormat::I420, job.video.size);
    QByteArray frame;
    qint64 k = 0;
    for (; k < job.frames; ++k) {
        if (cancelled && cancelled()) {
            stop();
            result.cancelled = true;
            return fail(Localization::text("The export was cancelled."));
        }
        if (!reader.read(&frame))
            break;  // the clip ends sooner
        const QList<QRect> boxes = boxesOn(job.marks, job.video, job.firstFrame + k);
        if (!boxes.isEmpty())
            Blur::i420(reinterpret_cast<unsigned char *>(frame.data()), job.video.size.width(),
                       job.video.size.height(), boxes, job.blur);
        if (encoder.write(frame) != bytes) {
            stop();
            return fail(Localization::text("The encoder stopped: %1").arg(QString::fromUtf8(encoder.readAllStandardError())));
        }
        // Two frames waiting is enough to keep the encoder busy.
        while (encoder.bytesToWrite() > 2 * bytes && encoder.state() == QProcess::Running)
            encoder.waitForBytesWritten(30000);
        if (encoder.state() != QProcess::Running) {
            result.errors = encoder.readAllStandardError();
            stop();
            return fail(Localization::text("The encoder stopped: %1").arg(QString::fromUtf8(result.errors).trimmed()));
        }
        if (progress && (k % 8 == 0))
            progress(k, job.frames);
    }
    reader.close();
    if (k == 0) {
        stop();
        return fail(Localization::text("The clip could not be read: %1").arg(QString::fromUtf8(reader.errors()).trimmed()));
    }
    encoder.closeWriteChannel();
    while (encoder.state() == QProcess::Running) {
        if (cancelled && cancelled()) {
            stop();
            result.cancelled = true;
            return fail(Localization::text("The export was cancelled."));
        }
        encoder.waitForFinished(200);
    }
    result.errors = encoder.readAllStandardError();
    if (encoder.exitStatus() != QProcess::NormalExit || encoder.exitCode() != 0)
        return fail(Localization::text("The encoder failed: %1").arg(QString::fromUtf8(result.errors).trimmed()));
    result.ok = true;
    result.framesWritten = k;
    if (progress)
        progress(job.frames, job.frames);
    return result;
}

QFuture<RedactResult> RedactedVideo::start(const RedactJob &job)
{
    return QtConcurrent::run([job](QPromise<RedactResult> &promise) {
        promise.setProgressRange(0, 1000);
        RedactResult out = render(job, [&promise] { return promise.isCanceled(); },
                                  [&promise](qint64 done, qint64 total) {
                                      promise.setProgressValue(total > 0 ? int(1000 * done / total) : 0);
                                  });
        promise.addResult(out);
    });
}

std::pair<qint64, qint64> RedactedVideo::framesOf(const ClipVideo &video, double in, double out)
{
    const double fps = video.fps();
    const qint64 count = video.frameCount();
    qint64 first = qint64(std::llround(std::max(0.0, in) * fps));
    qint64 last = qint64(std::llround(std::max(0.0, out) * fps));  // one past the end
    if (count > 0) {
        first = std::min(first, count);
        last = std::min(last, count);
    }
    return {first, std::max<qint64>(0, last - first)};
}

QFuture<RedactResult> RedactedVideo::startStretch(RedactJob job, double in, double out)
{
    return QtConcurrent::run([job, in, out](QPromise<RedactResult> &promise) mutable {
        promise.setProgressRange(0, 1000);
        const QString ffmpeg =
            job.ffmpeg.isEmpty() ? QStandardPaths::findExecutable(QStringLiteral("ffmpeg")) : job.ffmpeg;
        QString why;
        const auto video = ClipVideo::probe(ffmpeg, job.clip, &why);
        if (!video) {
            RedactResult r;
            r.failure = why;
            promise.addResult(r);
            return;
        }
        job.video = *video;
        const auto [first, count] = framesOf(*video, in, out);
        job.firstFrame = first;
        job.frames = count;
        RedactResult r = render(job, [&promise] { return promise.isCanceled(); },
                                [&promise](qint64 done, qint64 total) {
                                    promise.setProgressValue(total > 0 ? int(1000 * done / total) : 0);
                                });
        r.startSeconds = double(video->timeOf(first)) / 1e6;
        promise.addResult(r);
    });
}

QImage RedactedVideo::frameImage(const QString &ffmpeg, const QString &clip, const ClipVideo &video, qint64 frame)
{
    RawFrameReader reader;
    QByteArray bytes;
    if (!reader.open(ffmpeg, clip, video, frame, 1, video.size, RawFormat::Bgr) || !reader.read(&bytes))
        return {};
    QImage image(reinterpret_cast<const uchar *>(bytes.constData()), video.size.width(), video.size.height(),
                 video.size.width() * 3, QImage::Format_BGR888);
    return image.copy();
}
