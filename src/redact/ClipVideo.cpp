#include "redact/ClipVideo.h"

#include "common/Localization.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>

#include <cmath>

namespace {

constexpr int MaxSide = 8192;

std::optional<std::pair<int, int>> rate(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char('/'));
    bool a = false, b = parts.size() == 1;
    const int num = parts.value(0).toInt(&a);
    const int den = parts.size() == 2 ? parts[1].toInt(&b) : 1;
    if (!a || !b || num <= 0 || den <= 0 || parts.size() > 2)
        return std::nullopt;
    const double fps = double(num) / den;
    if (fps < 1 || fps > 240)
        return std::nullopt;
    return std::make_pair(num, den);
}

QString seconds(double s) { return QString::number(std::max(0.0, s), 'f', 6); }

} // namespace

qint64 ClipVideo::frameUs() const { return rateNum > 0 ? std::llround(1e6 * rateDen / rateNum) : 33333; }

qint64 ClipVideo::timeOf(qint64 frame) const
{
    return rateNum > 0 ? std::llround(double(frame) * 1e6 * rateDen / rateNum) : frame * 33333;
}

qint64 ClipVideo::frameAt(qint64 timeUs) const
{
    if (rateNum <= 0)
        return 0;
    // A time rounded to the millisecond still names its frame.
    return qint64(std::floor((double(timeUs) + 1000.0) * rateNum / (1e6 * rateDen)));
}

qint64 ClipVideo::frameCount() const
{
    return qint64(std::floor(seconds * fps() + 0.5));
}

ClipVideo ClipVideo::fromJson(const QByteArray &json)
{
    ClipVideo v;
    const QJsonObject root = QJsonDocument::fromJson(json).object();
    bool video = false;
    for (const QJsonValue &value : root.value(QStringLiteral("streams")).toArray()) {
        const QJsonObject s = value.toObject();
        const QString type = s.value(QStringLiteral("codec_type")).toString();
        if (type == QLatin1String("audio"))
            v.audio = true;
        if (type != QLatin1String("video") || video)
            continue;
        if (s.value(QStringLiteral("disposition")).toObject().value(QStringLiteral("attached_pic")).toInt() == 1)
            continue;
        video = true;
        const int w = s.value(QStringLiteral("width")).toInt(), h = s.value(QStringLiteral("height")).toInt();
        if (w >= 16 && h >= 16 && w <= MaxSide && h <= MaxSide)
            v.size = QSize(w, h);
        auto r = rate(s.value(QStringLiteral("avg_frame_rate")).toString());
        if (!r)
            r = rate(s.value(QStringLiteral("r_frame_rate")).toString());
        if (r) {
            v.rateNum = r->first;
            v.rateDen = r->second;
        }
    }
    const double d = root.value(QStringLiteral("format")).toObject().value(QStringLiteral("duration")).toString().toDouble();
    v.seconds = std::isfinite(d) && d > 0 ? d : 0;
    return v;
}

std::optional<ClipVideo> ClipVideo::probe(const QString &ffmpeg, const QString &clip, QString *why)
{
    const QString beside = QFileInfo(ffmpeg).dir().filePath(QStringLiteral("ffprobe"));
    const QString program = !ffmpeg.isEmpty() && QFileInfo(beside).isExecutable()
                                ? beside
                                : QStandardPaths::findExecutable(QStringLiteral("ffprobe"));
    const auto refuse = [&] {
        if (why)
            *why = Localization::text("%1 is not a video that can be read.").arg(QFileInfo(clip).fileName());
        return std::nullopt;
    };
    if (program.isEmpty())
        return refuse();
    QProcess p;
    p.start(program, {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
                      QStringLiteral("stream=codec_type,width,height,avg_frame_rate,r_frame_rate:stream_disposition="
                                     "attached_pic:format=duration"),
                      QStringLiteral("-of"), QStringLiteral("json"), QStringLiteral("--"), clip});
    if (!p.waitForFinished(20000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        p.kill();
        p.waitForFinished(1000);
        return refuse();
    }
    const ClipVideo v = fromJson(p.readAllStandardOutput());
    if (!v.ok())
        return refuse();
    return v;
}

qsizetype rawFrameBytes(RawFormat format, QSize size)
{
    const qsizetype pixels = qsizetype(size.width()) * size.height();
    switch (format) {
    case RawFormat::Gray: return pixels;
    case RawFormat::I420: return pixels + 2 * (qsizetype((size.width() + 1) / 2) * ((size.height() + 1) / 2));
    case RawFormat::Bgr: return pixels * 3;
    }
    return pixels;
}

RawFrameReader::RawFrameReader() = default;

RawFrameReader::~RawFrameReader() { close(); }

QStringList RawFrameReader::arguments(const QString &clip, const ClipVideo &video, qint64 first, qint64 count,
                                      QSize size, RawFormat format)
{
    const char *pix = format == RawFormat::Gray ? "gray" : format == RawFormat::I420 ? "yuv420p" : "bgr24";
    QStringList a{QStringLiteral("-nostdin"), QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"),
                  QStringLiteral("error")};
    // From half a frame before frame `first`: the decoder's first picture is that frame.
    if (first > 0)
        a << QStringLiteral("-ss") << seconds((double(first) - 0.5) / video.fps());
    a << QStringLiteral("-i") << clip << QStringLiteral("-map") << QStringLiteral("0:v:0") << QStringLiteral("-an")
      << QStringLiteral("-sn") << QStringLiteral("-dn");
    if (size != video.size)
        a << QStringLiteral("-vf") << QStringLiteral("scale=%1:%2:flags=area").arg(size.width()).arg(size.height());
    // Constant rate: a frame for each tick, as counted here.
    a << QStringLiteral("-fps_mode") << QStringLiteral("passthrough");
    if (count >= 0)
        a << QStringLiteral("-frames:v") << QString::number(count);
    a << QStringLiteral("-f") << QStringLiteral("rawvideo") << QStringLiteral("-pix_fmt") << QLatin1String(pix)
      << QStringLiteral("pipe:1");
    return a;
}

bool RawFrameReader::open(const QString &ffmpeg, const QString &clip, const ClipVideo &video, qint64 first,
                          qint64 count, QSize size, RawFormat format, QString *why)
{
    close();
    size_ = size;
    bytes_ = rawFrameBytes(format, size);
    errors_.clear();
    process_ = std::make_unique<QProcess>();
    process_->setReadChannel(QProcess::StandardOutput);
    process_->start(ffmpeg, arguments(clip, video, first, count, size, format));
    if (!process_->waitForStarted(10000)) {
        if (why)
            *why = Localization::text("ffmpeg could not be started: %1").arg(process_->errorString());
        process_.reset();
        return false;
    }
    return true;
}

bool RawFrameReader::read(QByteArray *out)
{
    if (!process_)
        return false;
    while (process_->bytesAvailable() < bytes_) {
        if (process_->state() != QProcess::Running) {
            errors_ += process_->readAllStandardError();
            return false;
        }
        const qint64 had = process_->bytesAvailable();
        // A decoder that says nothing for half a minute is stuck.
        if (!process_->waitForReadyRead(30000) && process_->state() == QProcess::Running
            && process_->bytesAvailable() == had) {
            close();
            return false;
        }
        errors_ = (errors_ + process_->readAllStandardError()).right(4096);
    }
    out->resize(bytes_);
    qsizetype got = 0;
    while (got < bytes_) {
        const qint64 n = process_->read(out->data() + got, bytes_ - got);
        if (n <= 0)
            return false;
        got += n;
    }
    return true;
}

void RawFrameReader::close()
{
    if (!process_)
        return;
    if (process_->state() != QProcess::NotRunning) {
        process_->kill();
        process_->waitForFinished(5000);
    }
    process_.reset();
}
