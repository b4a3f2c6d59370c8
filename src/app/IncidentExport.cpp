#include "IncidentExport.h"

#include "common/Localization.h"
#include "extractor/GpxWriter.h"
#include "extractor/TrackTime.h"
#include "extractor/SamplePosition.h"
#include "modules/IndexRule.h"
#include "telemetry/GpsDataHelper.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QSaveFile>
#include <QStandardPaths>
#include <QThreadPool>

#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <cmath>
#include <cstdio>

IncidentExport::IncidentExport(QObject *parent) : QObject(parent)
{
    ffmpeg_ = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
}

IncidentExport::~IncidentExport()
{
    if (process_) {
        process_->disconnect(this);
        process_->kill();
        process_->waitForFinished(5000);
    }
    if (running_)
        removeParts();
}

IncidentFiles IncidentExport::files(const QString &target)
{
    const QFileInfo info(target);
    const QString base = info.dir().filePath(info.completeBaseName());
    IncidentFiles f;
    f.video = info.suffix().isEmpty() ? target + QStringLiteral(".mp4") : target;
    f.gpx = base + QStringLiteral(".gpx");
    f.picture = base + QStringLiteral(".png");
    // Hidden names in the same folder, so that the renames stay on one file system.
    auto part = [](const QString &path) {
        const QFileInfo i(path);
        return i.dir().filePath(QLatin1Char('.') + i.fileName() + QStringLiteral(".part"));
    };
    f.videoPart = part(f.video);
    f.gpxPart = part(f.gpx);
    f.picturePart = part(f.picture);
    return f;
}

QStringList IncidentExport::ffmpegArguments(const QString &source, double in, double out, const QString &output)
{
    const auto secs = [](double s) { return QString::number(std::max(0.0, s), 'f', 3); };
    return {QStringLiteral("-nostdin"), QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"),
            QStringLiteral("error"), QStringLiteral("-y"),
            // Before the input: the cut starts at the key frame at or before `in`.
            QStringLiteral("-ss"), secs(in), QStringLiteral("-i"), source,
            QStringLiteral("-t"), secs(out - in),
            QStringLiteral("-map"), QStringLiteral("0:v:0"), QStringLiteral("-map"), QStringLiteral("0:a?"),
            QStringLiteral("-c"), QStringLiteral("copy"), QStringLiteral("-avoid_negative_ts"),
            QStringLiteral("make_zero"), QStringLiteral("-map_metadata"), QStringLiteral("-1"),
            QStringLiteral("-progress"), QStringLiteral("pipe:1"), QStringLiteral("-nostats"),
            QStringLiteral("-f"), QStringLiteral("mp4"), output};
}

namespace {

// The first and last sample index of [in, out] by the panels' time-to-sample rule.
std::pair<int, int> sampleSpan(size_t count, double in, double out, double duration)
{
    const int first = IndexRule::indexFor(in, duration, std::int64_t(count));
    int last = IndexRule::indexFor(out, duration, std::int64_t(count));
    if (last < 0 && count > 0 && out >= duration)
        last = int(count) - 1;
    return {first, last};
}

std::string civilName(const CivilTime &c)
{
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d.MOV", c.year, c.month, c.day, c.hour, c.minute,
                  c.second);
    return text;
}

} // namespace

std::string IncidentExport::segmentGpx(const GpsReadResult &result, double in, double out, double duration,
                                       const std::string &name)
{
    GpsReadResult segment;
    const auto [first, last] = sampleSpan(result.videoDatas.size(), in, out, duration);
    if (first >= 0 && last >= first) {
        segment.videoDatas.assign(result.videoDatas.begin() + first, result.videoDatas.begin() + last + 1);
        if (result.times.size() == result.videoDatas.size())
            segment.times.assign(result.times.begin() + first, result.times.begin() + last + 1);
    }
    // The segment's own recording time: the clip's, moved on to its first sample.
    if (const auto recording = TrackTime::fromFileName(result.path))
        segment.path = civilName(TrackTime::plusSeconds(*recording, std::max(0, first)));
    else
        segment.path = name;
    return GpxWriter::header() + GpxWriter::track(segment, name) + GpxWriter::footer();
}

CaptureFacts IncidentExport::factsAt(const GpsReadResult &result, const QString &source, double seconds,
                                     double duration)
{
    CaptureFacts facts;
    if (const auto recording = TrackTime::fromFileName(source.toStdString())) {
        const CivilTime c = TrackTime::plusSeconds(*recording, static_cast<long long>(std::floor(std::max(0.0, seconds))));
        facts.recorded = QString::fromStdString(TrackTime::localText(c)).replace(QLatin1Char('T'), QLatin1Char(' '));
    }
    const int i = IndexRule::indexFor(seconds, duration, std::int64_t(result.videoDatas.size()));
    if (i >= 0) {
        const GpsSample &s = result.videoDatas[size_t(i)];
        SamplePosition pos;
        if (SamplePosition::of(s, &pos)) {
            facts.latitude = pos.latitude;
            facts.longitude = pos.longitude;
            facts.speedKmh = s.spd;
        }
    }
    return facts;
}

void IncidentExport::start(const QString &source, double in, double out, double duration, const QString &target,
                           const QFuture<bool> &pictureWritten)
{
    QFuture<bool> picture = pictureWritten;
    running_ = true;
    files_ = files(target);
    length_ = out - in;
    videoOk_ = gpxOk_ = pictureOk_ = false;
    failure_.clear();
    errors_.clear();
    pending_ = 3;

    // A folder that cannot be written is found before anything runs.
    {
        QFile probe(files_.videoPart);
        if (!probe.open(QIODevice::WriteOnly)) {
            failure_ = Localization::text("Cannot write in %1: %2")
                           .arg(QDir::toNativeSeparators(QFileInfo(target).absolutePath()), probe.errorString());
            pending_ = 1;   // the picture is still being written
            picture.then(this, [this](bool) { partDone(); });
            return;
        }
    }
    if (ffmpeg_.isEmpty()) {
        failure_ = Localization::text("Exporting needs ffmpeg, which is not installed.");
        pending_ = 1;
        picture.then(this, [this](bool) { partDone(); });
        return;
    }

    picture.then(this, [this](bool ok) {
        pictureOk_ = ok;
        if (!ok && failure_.isEmpty())
            failure_ = Localization::text("The picture could not be written.");
        partDone();
    });

    const QString gpxPart = files_.gpxPart;
    const std::string name = QFileInfo(files_.video).fileName().toStdString();
    QtConcurrent::run(QThreadPool::globalInstance(), [source, in, out, duration, gpxPart, name]() -> bool {
        const GpsReadResult result = GpsDataHelper::readGpsData(source.toStdString());
        const std::string gpx = segmentGpx(result, in, out, duration, name);
        QSaveFile file(gpxPart);
        return file.open(QIODevice::WriteOnly)
               && file.write(gpx.data(), qint64(gpx.size())) == qint64(gpx.size()) && file.commit();
    }).then(this, [this](bool ok) {
        gpxOk_ = ok;
        if (!ok && failure_.isEmpty())
            failure_ = Localization::text("The GPX file could not be written.");
        partDone();
    });

    process_ = new QProcess(this);
    connect(process_, &QProcess::readyReadStandardOutput, this, [this] {
        while (process_ && process_->canReadLine()) {
            const QByteArray line = process_->readLine().trimmed();
            if (line.startsWith("out_time_us=") && length_ > 0) {
                const double done = line.mid(12).toDouble() / 1e6;
                emit progress(int(std::clamp(done / length_, 0.0, 1.0) * 100));
            }
        }
    });
    connect(process_, &QProcess::readyReadStandardError, this, [this] {
        if (process_)
            errors_ += process_->readAllStandardError();
    });
    connect(process_, &QProcess::finished, this, &IncidentExport::onProcessFinished);
    connect(process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart)
            onProcessFinished();
    });
    process_->start(ffmpeg_, ffmpegArguments(source, in, out, files_.videoPart));
}

void IncidentExport::onProcessFinished()
{
    if (!process_)
        return;
    videoOk_ = process_->exitStatus() == QProcess::NormalExit && process_->exitCode() == 0
               && process_->error() != QProcess::FailedToStart && QFileInfo(files_.videoPart).size() > 0;
    if (!videoOk_ && failure_.isEmpty()) {
        const QString detail = QString::fromUtf8(errors_).trimmed().section(QLatin1Char('\n'), -1);
        failure_ = Localization::text("The video could not be written.")
                   + (detail.isEmpty() ? QString() : QLatin1Char(' ') + detail);
    }
    process_->deleteLater();
    process_.clear();
    partDone();
}

void IncidentExport::cancel()
{
    if (!running_)
        return;
    if (failure_.isEmpty())
        failure_ = Localization::text("The export was cancelled.");
    if (process_)
        process_->kill();   // finished() follows and counts the video as done
}

void IncidentExport::partDone()
{
    // finished() always comes from the event loop, never from inside start().
    if (--pending_ == 0)
        QMetaObject::invokeMethod(this, &IncidentExport::conclude, Qt::QueuedConnection);
}

void IncidentExport::conclude()
{
    if (!failure_.isEmpty() || !videoOk_ || !gpxOk_ || !pictureOk_) {
        finish(false, failure_.isEmpty() ? Localization::text("The export failed.") : failure_);
        return;
    }
    const std::pair<QString, QString> moves[] = {
        {files_.picturePart, files_.picture}, {files_.gpxPart, files_.gpx}, {files_.videoPart, files_.video}};
    QStringList moved;
    for (const auto &[from, to] : moves) {
        QFile::remove(to);
        if (!QFile::rename(from, to)) {
            for (const QString &m : std::as_const(moved))
                QFile::remove(m);
            finish(false, Localization::text("The files could not be renamed in %1.")
                              .arg(QDir::toNativeSeparators(QFileInfo(to).absolutePath())));
            return;
        }
        moved << to;
    }
    emit progress(100);
    finish(true, {});
}

void IncidentExport::finish(bool ok, const QString &message)
{
    if (!ok)
        removeParts();
    running_ = false;
    emit finished(ok, message);
}

void IncidentExport::removeParts()
{
    for (const QString &p : {files_.videoPart, files_.gpxPart, files_.picturePart})
        QFile::remove(p);
}
