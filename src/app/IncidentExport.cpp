#include "IncidentExport.h"

#include "ExportOutcome.h"
#include "common/Localization.h"
#include "common/SafeFile.h"
#include "extractor/GpxWriter.h"
#include "extractor/TrackTime.h"
#include "extractor/SamplePosition.h"
#include "drive/IndexRule.h"
#include "telemetry/BinaryFile.h"
#include "telemetry/GpsDataHelper.h"
#include "telemetry/Manifest.h"
#include "telemetry/MovieDuration.h"
#include "telemetry/SeiTelemetry.h"
#include "telemetry/Sha256.h"
#include "telemetry/TelemetryEvents.h"
#include "telemetry/WrittenMovie.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThreadPool>

#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

IncidentExport::IncidentExport(QObject *parent) : QObject(parent)
{
    ffmpeg_ = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    // Quitting need not wait for the owner to go before the hidden folder does.
    if (QCoreApplication *app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &IncidentExport::abandon);
}

IncidentExport::~IncidentExport()
{
    abandon();
}

IncidentFiles IncidentExport::files(const QString &chosen, const QStringList &cameras, bool view)
{
    const QString mp4 = QStringLiteral(".mp4");
    const QString video = chosen.endsWith(mp4, Qt::CaseInsensitive) ? chosen : chosen + mp4;
    const QString base = video.chopped(mp4.size());
    IncidentFiles f;
    f.video = video;
    f.gpx = base + QStringLiteral(".gpx");
    f.picture = base + QStringLiteral(".png");
    f.manifest = base + QStringLiteral(".manifest.json");
    for (const QString &word : cameras)
        f.cameras << base + QLatin1Char('_') + word + mp4;
    if (view)
        f.view = base + QStringLiteral("_view") + mp4;
    return f;
}

QStringList IncidentExport::existing(const QStringList &paths)
{
    QStringList names;
    for (const QString &p : paths) {
        const QFileInfo info(p);
        if (info.exists() || info.isSymLink())
            names << info.fileName();
    }
    return names;
}

QString IncidentExport::replaceQuestion(const QStringList &names)
{
    switch (names.size()) {
    case 0:
        return {};
    case 1:
        return Localization::text("%1 already exists. Replace it?").arg(names[0]);
    case 2:
        return Localization::text("%1 and %2 already exist. Replace them?").arg(names[0], names[1]);
    default:
        return Localization::text("%1, %2 and %3 already exist. Replace them?")
            .arg(names.mid(0, names.size() - 2).join(QStringLiteral(", ")), names[names.size() - 2], names.last());
    }
}

QStringList IncidentExport::ffmpegArguments(const QString &source, double in, double out, const QString &output,
                                            std::optional<int> dropSei)
{
    const auto secs = [](double s) { return QString::number(std::max(0.0, s), 'f', 3); };
    QStringList filter;
    if (dropSei)
        filter = {QStringLiteral("-bsf:v"),
                  *dropSei == int(SeiTelemetry::Codec::H265) ? QStringLiteral("filter_units=remove_types=39|40")
                                                             : QStringLiteral("filter_units=remove_types=6")};
    return QStringList{QStringLiteral("-nostdin"), QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"),
            QStringLiteral("error"), QStringLiteral("-y"),
            // Before the input: the cut starts at the key frame at or before `in`.
            QStringLiteral("-ss"), secs(in), QStringLiteral("-i"), source,
            QStringLiteral("-t"), secs(out - in),
            QStringLiteral("-map"), QStringLiteral("0:v:0"), QStringLiteral("-map"), QStringLiteral("0:a?"),
            QStringLiteral("-c"), QStringLiteral("copy")}
           + filter
           + QStringList{QStringLiteral("-avoid_negative_ts"), QStringLiteral("make_zero"),
                         QStringLiteral("-map_metadata"), QStringLiteral("-1"), QStringLiteral("-progress"),
                         QStringLiteral("pipe:1"), QStringLiteral("-nostats"), QStringLiteral("-f"), QStringLiteral("mp4"),
                         output};
}

QStringList IncidentExport::viewArguments(const QList<ViewTile> &tiles, QSize size, double in, double out,
                                          const QString &output, const QString &sound)
{
    const auto secs = [](double s) { return QString::number(std::max(0.0, s), 'f', 3); };
    // H.264 in 4:2:0 wants even sides.
    const int width = std::max(2, size.width() & ~1), height = std::max(2, size.height() & ~1);
    QStringList args{QStringLiteral("-nostdin"), QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"),
                     QStringLiteral("error"), QStringLiteral("-y")};
    QString graph = QStringLiteral("color=c=black:s=%1x%2:r=30:d=%3[s0]").arg(width).arg(height).arg(secs(out - in));
    int input = 0;
    int soundInput = -1;
    for (int i = 0; i < tiles.size(); ++i) {
        const ViewTile &t = tiles[i];
        // Even sides too: the scaler rounds an odd side of a 4:2:0 picture up, past its tile.
        const QRect r(t.rect.topLeft(), QSize(t.rect.width() & ~1, t.rect.height() & ~1));
        const QString from = QStringLiteral("[s%1]").arg(i), to = QStringLiteral("[s%1]").arg(i + 1);
        if (t.source.isEmpty()) {
            graph += QStringLiteral(";%1drawbox=x=%2:y=%3:w=%4:h=%5:color=0x202020:t=fill%6")
                         .arg(from).arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()).arg(to);
            continue;
        }
        // Accurate from the mark: the input is decoded from the key frame before it.
        args << QStringLiteral("-ss") << secs(in + t.offset) << QStringLiteral("-t") << secs(out - in)
             << QStringLiteral("-i") << t.source;
        if (!sound.isEmpty() && t.source == sound && soundInput < 0)
            soundInput = input;
        graph += QStringLiteral(";[%1:v]scale=%2:%3:force_original_aspect_ratio=decrease%4,"
                                "pad=%2:%3:(ow-iw)/2:(oh-ih)/2:color=black,setsar=1,setpts=PTS-STARTPTS[v%1]")
                     .arg(input).arg(r.width()).arg(r.height())
                     .arg(t.mirrored ? QStringLiteral(",hflip") : QString());
        graph += QStringLiteral(";%1[v%2]overlay=x=%3:y=%4:eof_action=pass%5")
                     .arg(from).arg(input).arg(r.x()).arg(r.y()).arg(to);
        ++input;
    }
    graph += QStringLiteral(";[s%1]format=yuv420p[view]").arg(tiles.size());
    args << QStringLiteral("-filter_complex") << graph << QStringLiteral("-map") << QStringLiteral("[view]");
    if (soundInput >= 0)
        args << QStringLiteral("-map") << QStringLiteral("%1:a:0?").arg(soundInput) << QStringLiteral("-c:a")
             << QStringLiteral("aac");
    else
        args << QStringLiteral("-an");
    return args + QStringList{QStringLiteral("-t"), secs(out - in), QStringLiteral("-c:v"), QStringLiteral("libx264"),
                              QStringLiteral("-preset"), QStringLiteral("veryfast"), QStringLiteral("-map_metadata"), QStringLiteral("-1"), QStringLiteral("-progress"),
                              QStringLiteral("pipe:1"), QStringLiteral("-nostats"), QStringLiteral("-f"),
                              QStringLiteral("mp4"), output};
}

ExportLocation IncidentExport::locationOf(const QString &stored)
{
    if (stored == QLatin1String("coarse"))
        return ExportLocation::Coarse;
    if (stored == QLatin1String("none"))
        return ExportLocation::None;
    return ExportLocation::Full;
}

void IncidentExport::coarsen(GpsReadResult *result)
{
    const auto round = [](std::string *text) {
        if (text->empty())
            return;
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.2f", std::round(GpsDataHelper::textToFloat(*text) * 100) / 100);
        *text = buf;
    };
    for (GpsSample &s : result->videoDatas) {
        round(&s.gps_lat);
        round(&s.gps_lgt);
    }
    for (TelemetrySample &t : result->samples) {
        t.latitude = float(std::round(t.latitude * 100) / 100);
        t.longitude = float(std::round(t.longitude * 100) / 100);
    }
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
                                       const std::string &name, int offsetMs)
{
    GpsReadResult segment;
    const auto [first, last] = sampleSpan(result.videoDatas.size(), TelemetryEvents::pictureTime(in, -offsetMs),
                                          TelemetryEvents::pictureTime(out, -offsetMs), duration);
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
    const int i = IndexRule::indexFor(seconds, duration, std::int64_t(result.videoDatas.size()));
    return factsAt(source, seconds, i >= 0 ? std::optional<GpsSample>(result.videoDatas[size_t(i)]) : std::nullopt);
}

CaptureFacts IncidentExport::factsAt(const QString &source, double seconds, const std::optional<GpsSample> &sample)
{
    CaptureFacts facts;
    if (const auto recording = TrackTime::fromFileName(source.toStdString())) {
        const CivilTime c = TrackTime::plusSeconds(*recording, static_cast<long long>(std::floor(std::max(0.0, seconds))));
        facts.recorded = QString::fromStdString(TrackTime::localText(c)).replace(QLatin1Char('T'), QLatin1Char(' '));
    }
    SamplePosition pos;
    if (sample && SamplePosition::of(*sample, &pos)) {
        facts.latitude = pos.latitude;
        facts.longitude = pos.longitude;
        facts.speedKmh = sample->spd;
    }
    return facts;
}

namespace {

QByteArray local(const QString &path) { return QFile::encodeName(path); }

// Keeps what is at `path` under the name `*kept`: a second link to it, or a copy where
// the file system has no links. Nothing there (or a folder, which no rename replaces):
// true, with `*kept` cleared.
bool keepAside(const QString &path, QString *kept)
{
    struct stat st;
    if (::lstat(local(path).constData(), &st) != 0) {
        kept->clear();
        return errno == ENOENT;
    }
    if (S_ISDIR(st.st_mode)) {
        kept->clear();
        return true;
    }
    // Without AT_SYMLINK_FOLLOW a link is kept as the link it is.
    if (::linkat(AT_FDCWD, local(path).constData(), AT_FDCWD, local(*kept).constData(), 0) == 0)
        return true;
    return S_ISREG(st.st_mode) && QFile::copy(path, *kept);
}

bool sameFile(const QString &path, const struct stat &was)
{
    struct stat st;
    return ::lstat(local(path).constData(), &st) == 0 && st.st_dev == was.st_dev && st.st_ino == was.st_ino;
}

enum class Moved { All, NoneAndPutBack, NoneButKeptAside };

// Renames each `from` over its `to`. What each `to` replaces is first kept aside in
// `aside`, so that when a later rename fails the earlier ones are undone: the kept file
// goes back over the new one, or the new one goes when nothing was there.
Moved moveIntoPlace(const std::vector<std::pair<QString, QString>> &moves, const QDir &aside)
{
    std::vector<QString> kept;
    for (size_t i = 0; i < moves.size(); ++i) {
        kept.push_back(aside.filePath(QStringLiteral("replaced-%1").arg(i)));
        if (!keepAside(moves[i].second, &kept.back()))
            return Moved::NoneAndPutBack;
    }
    std::vector<struct stat> placed(moves.size());
    for (size_t i = 0; i < moves.size(); ++i) {
        const auto &[from, to] = moves[i];
        if (::lstat(local(from).constData(), &placed[i]) == 0
            && ::rename(local(from).constData(), local(to).constData()) == 0)
            continue;
        bool putBack = true;
        while (i-- > 0) {
            const QByteArray target = local(moves[i].second);
            if (!kept[i].isEmpty())
                putBack = ::rename(local(kept[i]).constData(), target.constData()) == 0 && putBack;
            else if (sameFile(moves[i].second, placed[i]))
                ::unlink(target.constData());
        }
        return putBack ? Moved::NoneAndPutBack : Moved::NoneButKeptAside;
    }
    return Moved::All;
}

} // namespace

void IncidentExport::start(const QString &source, double in, double out, double duration, const QString &target,
                           const std::function<QFuture<bool>(const QString &path)> &writePicture,
                           std::optional<qint64> cameraErrorMs, ExportLocation location)
{
    running_ = true;
    location_ = location;
    recorded_.clear();
    QStringList words, gaps;
    for (const IncidentCamera &c : cameras) {
        if (c.source.isEmpty()) {
            gaps << c.word;
            continue;
        }
        recorded_ << c;
        words << c.word;
    }
    gapNote_ = gaps.isEmpty() ? QString()
                              : Localization::text("incident_no_recording").arg(gaps.join(QStringLiteral(", ")));
    files_ = files(target, words, !view.isEmpty());
    QStringList inputs{source};
    for (const IncidentCamera &c : std::as_const(recorded_))
        inputs << c.source;
    for (const ViewTile &t : std::as_const(view))
        inputs << t.source;
    const QString ownInput = ExportOutcome::targetThatIsAnInput(files_.all(), inputs);
    source_ = source;
    in_ = in;
    out_ = out;
    cameraErrorMs_ = cameraErrorMs;
    length_ = out - in;
    videoOk_ = gpxOk_ = pictureOk_ = false;
    failure_.clear();
    errors_.clear();

    // Made anew and open to us alone, beside the targets so that moving a file into place
    // stays a rename: ffmpeg and the picture's writer open their files by name, and in
    // here no one else can have put a link by that name.
    if (!ownInput.isEmpty()) {
        failure_ = Localization::text("%1 is a clip of this export: choose another name, so that it is not written over.")
                       .arg(QDir::toNativeSeparators(ownInput));
        pending_ = 1;
        partDone();
        return;
    }
    const QFileInfo video(files_.video);
    work_ = std::make_unique<QTemporaryDir>(
        video.dir().filePath(QLatin1Char('.') + video.fileName() + QStringLiteral(".part-XXXXXX")));
    if (!work_->isValid()) {
        failure_ = Localization::text("Cannot write in %1: %2")
                       .arg(QDir::toNativeSeparators(video.absolutePath()), work_->errorString());
        work_.reset();
        pending_ = 1;
        partDone();
        return;
    }
    const QDir work(work_->path());
    parts_ = IncidentFiles();
    parts_.video = work.filePath(QStringLiteral("video.mp4"));
    parts_.gpx = work.filePath(QStringLiteral("track.gpx"));
    parts_.picture = work.filePath(QStringLiteral("picture.png"));
    parts_.manifest = work.filePath(QStringLiteral("manifest.json"));
    for (int i = 0; i < recorded_.size(); ++i)
        parts_.cameras << work.filePath(QStringLiteral("camera-%1.mp4").arg(i));
    if (!view.isEmpty())
        parts_.view = work.filePath(QStringLiteral("view.mp4"));

    const bool withPlace = location != ExportLocation::None;
    pending_ = withPlace ? 3 : 1;
    pictureWriting_ = !withPlace   ? QtFuture::makeReadyFuture(true)
                      : writePicture ? writePicture(parts_.picture)
                                     : QtFuture::makeReadyFuture(false);
    if (withPlace && marksBlurred(source) > 0) {
        // The picture of the frame on screen is blurred as the video is, before it goes anywhere.
        const RedactMarks marks = redactions.value(source);
        const qint64 at = std::llround(pictureSeconds * 1e6);
        const BlurOptions how = *blur;
        const QString path = parts_.picture;
        pictureWriting_ = pictureWriting_.then(QtFuture::Launch::Async, [marks, at, how, path](bool ok) {
            if (!ok)
                return false;
            const QImage picture(path);
            if (picture.isNull())
                return false;
            // A caption strip may hang under the frame: the frame is the top of the picture,
            // as wide as it, in the clip's proportions.
            QSize frame = picture.size();
            const QSize clip = marks.picture();
            if (!clip.isEmpty()) {
                const int tall = int(std::lround(double(picture.width()) * clip.height() / clip.width()));
                if (tall > 0 && tall < picture.height())
                    frame.setHeight(tall);
            }
            const QImage blurred = Blur::image(picture, marks.blurredAt(at, frame), how);
            return blurred.save(path, "PNG") && SafeFile::sync(path);
        });
    }
    if (ffmpeg_.isEmpty()) {
        failure_ = Localization::text("Exporting needs ffmpeg, which is not installed.");
        pending_ = 1;
        pictureWriting_.then(this, [this](bool) { partDone(); });
        return;
    }

    if (!withPlace) {
        pictureOk_ = gpxOk_ = true;   // neither is written
    } else {
        pictureWriting_.then(this, [this](bool ok) {
            pictureOk_ = ok;
            if (!ok && failure_.isEmpty())
                failure_ = Localization::text("The picture could not be written.");
            partDone();
        });
        writeGpx(source, in, out, duration, video.fileName());
    }

    process_ = new QProcess(this);
    connect(process_, &QProcess::readyReadStandardOutput, this, [this] {
        while (process_ && process_->canReadLine()) {
            const QByteArray line = process_->readLine().trimmed();
            if (line.startsWith("out_time_us=") && length_ > 0) {
                const double done = std::clamp(line.mid(12).toDouble() / 1e6 / length_, 0.0, 1.0);
                emit progress(int((run_ + done) / double(runs_.size()) * 100));
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
    // The car's messages in the frames cannot be rounded: coarse, they go as well.
    // What each video must hold: the segment, or the part of it its clip has.
    const auto expected = [in, out](const QString &clip, double offset) {
        const int64_t ms = MovieDuration::milliseconds(clip.toStdString());
        const double end = ms > 0 ? std::min(out + offset, double(ms) / 1000.0) : out + offset;
        return std::max(0.0, end - (in + offset) - ExportOutcome::kSecondsTolerance);
    };
    const auto segment = [this, in, out, location, &expected](const QString &clip, double offset, const QString &part) {
        if (marksBlurred(clip) > 0) {
            // Written anew from the in mark itself, its marked areas blurred; no SEI unit
            // of the clip is carried over.
            Run r;
            r.part = part;
            r.seconds = expected(clip, offset);
            r.clip = clip;
            r.from = in + offset;
            r.to = out + offset;
            r.redacted = true;
            return r;
        }
        std::optional<int> dropSei;
        if (location != ExportLocation::Full)
            if (const auto codec = SeiTelemetry::videoCodec(clip.toStdString()))
                dropSei = int(*codec);
        Run r;
        r.arguments = ffmpegArguments(clip, in + offset, out + offset, part, dropSei);
        r.part = part;
        r.seconds = expected(clip, offset);
        return r;
    };
    runs_ = {segment(source, 0.0, parts_.video)};
    for (int i = 0; i < recorded_.size(); ++i)
        runs_ << segment(recorded_[i].source, recorded_[i].offset, parts_.cameras[i]);
    if (!view.isEmpty()) {
        // A camera written blurred is shown in the view from its blurred copy, which
        // begins at the in mark.
        QList<ViewTile> tiles = view;
        for (ViewTile &t : tiles) {
            if (t.source.isEmpty() || marksBlurred(t.source) == 0)
                continue;
            QString part = t.source == source ? parts_.video : QString();
            for (int i = 0; i < recorded_.size() && part.isEmpty(); ++i)
                if (recorded_[i].source == t.source)
                    part = parts_.cameras[i];
            if (!part.isEmpty()) {
                t.source = part;
                t.offset = -in;
            }
        }
        const QString sound = marksBlurred(source) > 0 ? parts_.video : source;
        Run r;
        r.arguments = viewArguments(tiles, viewSize, in, out, parts_.view, sound);
        r.part = parts_.view;
        r.seconds = expected(source, 0.0);
        runs_ << r;
    }
    run_ = 0;
    runNext();
}

int IncidentExport::marksBlurred(const QString &clip) const
{
    return blur ? redactions.value(clip).acceptedCount() : 0;
}

void IncidentExport::runNext()
{
    errors_.clear();
    const Run &run = runs_[run_];
    if (!run.redacted) {
        process_->start(ffmpeg_, run.arguments);
        return;
    }
    RedactJob job;
    job.ffmpeg = ffmpeg_;
    job.clip = run.clip;
    job.marks = redactions.value(run.clip);
    job.blur = *blur;
    job.output = run.part;
    redactFuture_ = RedactedVideo::startStretch(job, run.from, run.to);
    redacting_ = new QFutureWatcher<RedactResult>(this);
    connect(redacting_, &QFutureWatcherBase::progressValueChanged, this, [this](int value) {
        emit progress(int((run_ + value / 1000.0) / double(runs_.size()) * 100));
    });
    connect(redacting_, &QFutureWatcherBase::finished, this, &IncidentExport::onRedactedFinished);
    redacting_->setFuture(redactFuture_);
}

void IncidentExport::onRedactedFinished()
{
    if (!redacting_)
        return;
    redacting_->deleteLater();
    redacting_ = nullptr;
    RedactResult r;
    if (redactFuture_.resultCount() > 0)
        r = redactFuture_.result();
    else
        r.failure = Localization::text("The export was cancelled.");
    if (!r.ok && failure_.isEmpty())
        failure_ = r.failure;
    runEnded(ExportOutcome::Run{true, r.ok ? 0 : 1, r.errors});
}

void IncidentExport::writeGpx(const QString &source, double in, double out, double duration, const QString &fileName)
{
    const QString gpxPart = parts_.gpx;
    const std::string name = fileName.toStdString();
    const bool coarse = location_ == ExportLocation::Coarse;
    // A clip whose telemetry cannot be read gives no GPX rather than an empty one: the
    // answer is 0, the reading's errno value, or -1 when the file could not be written.
    gpxWriting_ = QtConcurrent::run(QThreadPool::globalInstance(),
                                    [source, in, out, duration, gpxPart, name, coarse,
                                     offset = telemetryOffsetMs]() -> int {
        GpsReadResult result = GpsDataHelper::readGpsData(source.toStdString());
        if (result.openError != 0)
            return result.openError;
        if (coarse)
            coarsen(&result);
        const std::string gpx = segmentGpx(result, in, out, duration, name, offset);
        return SafeFile::create(gpxPart, QByteArray::fromStdString(gpx)) ? 0 : -1;
    });
    gpxWriting_.then(this, [this](int outcome) {
        gpxOk_ = outcome == 0;
        if (!gpxOk_ && failure_.isEmpty())
            failure_ = outcome > 0 ? Localization::text("The clip's telemetry could not be read: %1")
                                         .arg(QString::fromStdString(BinaryFile::errorText(outcome)))
                                   : Localization::text("The GPX file could not be written.");
        partDone();
    });
}

void IncidentExport::onProcessFinished()
{
    if (!process_)
        return;
    runEnded(ExportOutcome::Run{process_->exitStatus() == QProcess::NormalExit &&
                                    process_->error() != QProcess::FailedToStart,
                                process_->exitCode(), errors_});
}

void IncidentExport::runEnded(const ExportOutcome::Run &ran)
{
    if (!process_)
        return;
    const Run &run = runs_[run_];
    QString why = ExportOutcome::videoFailure(ran, WrittenMovie::of(QFile::encodeName(run.part).toStdString()),
                                              ExportOutcome::Expected{run.seconds, 0});
    if (why.isEmpty())
        SafeFile::sync(run.part, &why);
    videoOk_ = why.isEmpty();
    if (videoOk_ && failure_.isEmpty() && ++run_ < runs_.size()) {
        runNext();
        return;
    }
    if (!videoOk_ && failure_.isEmpty())
        failure_ = why;
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
    if (redacting_)
        redactFuture_.cancel();   // its end follows, as the process's would
    else if (process_)
        process_->kill();   // finished() follows and counts the video as done
}

void IncidentExport::partDone()
{
    // finished() always comes from the event loop, never from inside start().
    if (running_ && --pending_ == 0)
        QMetaObject::invokeMethod(this, &IncidentExport::conclude, Qt::QueuedConnection);
}

void IncidentExport::conclude()
{
    if (!running_)
        return;
    if (!failure_.isEmpty() || !videoOk_ || !gpxOk_ || !pictureOk_) {
        finish(false, failure_.isEmpty() ? Localization::text("The export failed.") : failure_);
        return;
    }
    // The digests of the clip and of what was written, off the main thread: a clip is
    // hundreds of megabytes.
    Manifest m;
    m.program = QStringLiteral("Veltra Player " VELTRA_VERSION).toStdString();
    m.createdUtc = QDateTime::currentDateTimeUtc().toString(Qt::ISODate).toStdString();
    m.markIn = in_;
    m.markOut = out_;
    const QFileInfo clip(source_);
    m.redactedMarks = marksBlurred(source_);
    for (const IncidentCamera &c : recorded_)
        m.redactedMarks += marksBlurred(c.source);
    m.redacted = m.redactedMarks > 0;
    m.clips.push_back({clip.fileName().toStdString(), clip.absoluteFilePath().toStdString(), 0, {}, cameraErrorMs_});
    for (const IncidentCamera &c : recorded_) {
        const QFileInfo other(c.source);
        m.clips.push_back({other.fileName().toStdString(), other.absoluteFilePath().toStdString(), 0, {}, std::nullopt});
    }
    QList<QPair<QString, QString>> written = {{parts_.video, files_.video}};
    if (location_ != ExportLocation::None)
        written << qMakePair(parts_.gpx, files_.gpx) << qMakePair(parts_.picture, files_.picture);
    for (int i = 0; i < parts_.cameras.size(); ++i)
        written << qMakePair(parts_.cameras[i], files_.cameras[i]);
    if (!parts_.view.isEmpty())
        written << qMakePair(parts_.view, files_.view);
    for (const auto &[part, target] : written)
        m.files.push_back({QFileInfo(target).fileName().toStdString(), part.toStdString(), 0, {}, std::nullopt});
    const QString manifestPart = parts_.manifest;
    // 0: written; 1: the clip could not be read; 2: the manifest could not be written.
    manifestWriting_ = QtConcurrent::run(QThreadPool::globalInstance(), [m, manifestPart]() mutable {
        for (ManifestFile &f : m.clips) {
            f.sha256 = Sha256::fileHex(f.path, &f.size);
            if (f.sha256.empty())
                return 1;
        }
        for (ManifestFile &f : m.files) {
            f.sha256 = Sha256::fileHex(f.path, &f.size);   // the part, named as its target
            f.path.clear();
            if (f.sha256.empty())
                return 2;
        }
        const std::string text = ManifestJson::write(m);
        return SafeFile::create(manifestPart, QByteArray::fromStdString(text)) ? 0 : 2;
    });
    manifestWriting_.then(this, [this](int outcome) {
        if (!running_)
            return;
        if (outcome != 0 && failure_.isEmpty())
            failure_ = outcome == 1 ? Localization::text("The clip could not be read for its digest.")
                                    : Localization::text("The manifest could not be written.");
        if (!failure_.isEmpty()) {
            finish(false, failure_);
            return;
        }
        moveIntoPlace();
    });
}

void IncidentExport::moveIntoPlace()
{
    // The video, the name the user gave, comes last.
    std::vector<std::pair<QString, QString>> moves = {{parts_.manifest, files_.manifest}};
    if (location_ != ExportLocation::None)
        moves.insert(moves.end(), {{parts_.picture, files_.picture}, {parts_.gpx, files_.gpx}});
    if (!parts_.view.isEmpty())
        moves.emplace_back(parts_.view, files_.view);
    for (int i = 0; i < parts_.cameras.size(); ++i)
        moves.emplace_back(parts_.cameras[i], files_.cameras[i]);
    moves.emplace_back(parts_.video, files_.video);
    const Moved moved = ::moveIntoPlace(moves, QDir(work_->path()));
    if (moved != Moved::All) {
        QString message = Localization::text("The files could not be renamed in %1.")
                              .arg(QDir::toNativeSeparators(QFileInfo(files_.video).absolutePath()));
        if (moved == Moved::NoneButKeptAside) {
            work_->setAutoRemove(false);
            message += QLatin1Char(' ')
                       + Localization::text("The files it replaced are kept in %1.")
                             .arg(QDir::toNativeSeparators(work_->path()));
        }
        finish(false, message);
        return;
    }
    emit progress(100);
    finish(true, gapNote_);
}

void IncidentExport::finish(bool ok, const QString &message)
{
    work_.reset();   // with it go the parts, and the files replaced
    running_ = false;
    emit finished(ok, message);
}

void IncidentExport::abandon()
{
    if (!running_)
        return;
    running_ = false;
    if (process_) {
        process_->disconnect(this);
        process_->kill();
        process_->waitForFinished(5000);
    }
    if (redacting_) {
        redacting_->disconnect(this);
        redactFuture_.cancel();
        redactFuture_.waitForFinished();
    }
    // The writers on the pool end by themselves, soon; a file of theirs must not appear
    // after the folder has gone.
    pictureWriting_.waitForFinished();
    gpxWriting_.waitForFinished();
    manifestWriting_.waitForFinished();
    work_.reset();
}
