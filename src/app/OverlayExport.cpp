#include "OverlayExport.h"

#include "ExportOutcome.h"
#include "common/Localization.h"
#include "common/SafeFile.h"
#include "redact/ClipVideo.h"
#include "telemetry/CameraClock.h"
#include "telemetry/WrittenMovie.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QPainterPath>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

QString fraction(const VideoProbe &p)
{
    return QStringLiteral("%1/%2").arg(p.rateNum).arg(p.rateDen);
}

QString seconds(double s)
{
    return QString::number(std::max(0.0, s), 'f', 6);
}

// Positions rounded to two decimal places of a degree, for a coarse export.
ClipTelemetry coarsened(const ClipTelemetry &clip)
{
    ClipTelemetry c = clip;
    auto samples = std::make_shared<std::vector<TelemetrySample>>(*clip.samples);
    for (TelemetrySample &s : *samples) {
        s.latitude = float(std::round(double(s.latitude) * 100) / 100);
        s.longitude = float(std::round(double(s.longitude) * 100) / 100);
    }
    c.samples = samples;
    return c;
}

} // namespace

VideoProbe VideoProbe::fromJson(const QByteArray &json)
{
    // ffprobe's answer is read one way for the exports and the blurring alike.
    const ClipVideo v = ClipVideo::fromJson(json);
    VideoProbe p;
    p.size = v.size;
    p.rateNum = v.rateNum;
    p.rateDen = v.rateDen;
    p.seconds = v.seconds;
    p.audio = v.audio;
    return p;
}

double OverlayLayout::scale(QSize frame)
{
    // A 960×540 picture draws at one; a narrower one than 16:9 by its width.
    return frame.isEmpty() ? 1.0 : std::min(frame.height() / 540.0, frame.width() / 960.0);
}

QMap<OverlayElement, QRectF> OverlayLayout::boxes(OverlayStyle style, const QList<OverlayElement> &elements, QSize frame)
{
    QMap<OverlayElement, QRectF> out;
    if (frame.isEmpty())
        return out;
    const double s = scale(frame);
    const double W = frame.width(), H = frame.height();
    const double m = 12 * s;
    auto on = [&](OverlayElement e) { return elements.contains(e); };
    auto put = [&](OverlayElement e, const QRectF &r) {
        if (on(e) && QRectF(0, 0, W, H).contains(r) && r.width() >= 8 && r.height() >= 8)
            out.insert(e, r);
    };
    const double textW = 200 * s;
    switch (style) {
    case OverlayStyle::Dashboard:
    case OverlayStyle::DashboardTop: {
        const double b = 104 * s;
        const double y = style == OverlayStyle::DashboardTop ? m : H - m - b;
        double x = m;
        if (on(OverlayElement::Speed)) {
            put(OverlayElement::Speed, QRectF(x, y, b * InstrumentOverlay::aspect(InstrumentOverlay::Part::Speed), b));
            x += b * InstrumentOverlay::aspect(InstrumentOverlay::Part::Speed) + m;
        }
        if (on(OverlayElement::Compass)) {
            put(OverlayElement::Compass, QRectF(x, y, b, b));
            x += b + m;
        }
        if (on(OverlayElement::Time) || on(OverlayElement::Position)) {
            put(OverlayElement::Time, QRectF(x, y, textW, on(OverlayElement::Position) ? b * 0.36 : b));
            put(OverlayElement::Position,
                on(OverlayElement::Time) ? QRectF(x, y + b * 0.36 + m / 2, textW, b * 0.64 - m / 2) : QRectF(x, y, textW, b));
            x += textW + m;
        }
        double right = W - m;
        if (on(OverlayElement::Map)) {
            put(OverlayElement::Map, QRectF(right - b * 1.6, y, b * 1.6, b));
            right -= b * 1.6 + m;
        }
        if (right - x >= 120 * s)
            put(OverlayElement::Graph, QRectF(x, y, right - x, b));
        break;
    }
    case OverlayStyle::Corners: {
        const double b = 120 * s;
        put(OverlayElement::Time, QRectF(m, m, textW, 30 * s));
        put(OverlayElement::Position, QRectF(m, m + (on(OverlayElement::Time) ? 30 * s + m / 2 : 0), textW, 46 * s));
        const double speedW = b * InstrumentOverlay::aspect(InstrumentOverlay::Part::Speed);
        put(OverlayElement::Speed, QRectF(m, H - m - b, speedW, b));
        put(OverlayElement::Compass, QRectF(m + (on(OverlayElement::Speed) ? speedW + m : 0), H - m - b, b, b));
        put(OverlayElement::Map, QRectF(W - m - b * 1.6, H - m - b, b * 1.6, b));
        put(OverlayElement::Graph, QRectF(W - m - 300 * s, m, 300 * s, 65 * s));
        break;
    }
    case OverlayStyle::Compact: {
        const double b = 80 * s;
        const double speedW = b * InstrumentOverlay::aspect(InstrumentOverlay::Part::Speed);
        const double blockW = speedW + m / 2 + b;
        double y = H - m - b;
        put(OverlayElement::Speed, QRectF(m, y, speedW, b));
        put(OverlayElement::Compass, QRectF(m + (on(OverlayElement::Speed) ? speedW + m / 2 : 0), y, b, b));
        put(OverlayElement::Map, QRectF(m + blockW + m / 2, y, b * 1.6, b));
        if (on(OverlayElement::Graph)) {
            y -= 50 * s + m / 2;
            put(OverlayElement::Graph, QRectF(m, y, blockW, 50 * s));
        }
        if (on(OverlayElement::Position)) {
            y -= 44 * s + m / 2;
            put(OverlayElement::Position, QRectF(m, y, blockW, 44 * s));
        }
        if (on(OverlayElement::Time)) {
            y -= 26 * s + m / 2;
            put(OverlayElement::Time, QRectF(m, y, blockW, 26 * s));
        }
        break;
    }
    }
    return out;
}

QRect OverlayLayout::canvas(const QMap<OverlayElement, QRectF> &boxes, QSize frame)
{
    QRectF all;
    for (const QRectF &r : boxes)
        all = all.united(r);
    if (all.isEmpty())
        return QRect(0, 0, std::min(2, frame.width()), std::min(2, frame.height()));
    // Even corners and sizes: the picture's colour is stored for pairs of pixels.
    int x0 = int(std::floor(all.left())) & ~1, y0 = int(std::floor(all.top())) & ~1;
    int x1 = int(std::ceil(all.right())), y1 = int(std::ceil(all.bottom()));
    x1 += (x1 - x0) & 1;
    y1 += (y1 - y0) & 1;
    return QRect(QPoint(x0, y0), QPoint(x1 - 1, y1 - 1)).intersected(QRect(QPoint(0, 0), frame));
}

QList<OverlayLayout::Slot> OverlayLayout::atlas(const QMap<OverlayElement, QRectF> &boxes, QSize frame, QSize *size)
{
    QList<Slot> cuts;
    int width = 2, height = 0;
    for (auto it = boxes.cbegin(); it != boxes.cend(); ++it) {
        const QRect r = canvas({{it.key(), it.value()}}, frame);
        cuts.append({it.key(), QRect(QPoint(0, height), r.size()), r.topLeft()});
        width = std::max(width, r.width());
        height += r.height();
    }
    *size = QSize(width, std::max(2, height));
    return cuts;
}

double OverlayFrames::first(const OverlayPiece &piece, double fps)
{
    return std::round(std::max(0.0, piece.in) * fps);
}

QList<int> OverlayFrames::counts(const QList<OverlayPiece> &pieces, double fps)
{
    QList<int> out;
    for (const OverlayPiece &p : pieces)
        out << int(std::max(0.0, std::round(p.out * fps) - first(p, fps)));
    return out;
}

OverlayFrames::At OverlayFrames::at(const QList<OverlayPiece> &pieces, const QList<int> &counts, double fps, int frame)
{
    At at;
    if (frame < 0 || fps <= 0)
        return at;
    for (int i = 0; i < pieces.size() && i < counts.size(); ++i) {
        if (frame < counts[i]) {
            at.piece = i;
            at.seconds = (first(pieces[i], fps) + frame) / fps;
            return at;
        }
        frame -= counts[i];
    }
    return at;
}

OverlayPainter::OverlayPainter(const QList<OverlayPiece> &pieces, const OverlayOptions &options, QSize frame,
                               MapSnapshot::Tiles tiles)
    : pieces_(pieces), options_(options), frame_(frame), scale_(OverlayLayout::scale(frame))
{
    QList<OverlayElement> elements = options.elements;
    if (options.location == ExportLocation::None) {
        elements.removeAll(OverlayElement::Position);
        elements.removeAll(OverlayElement::Map);
    }
    boxes_ = OverlayLayout::boxes(options.style, elements, frame);
    instruments_ = std::make_unique<InstrumentOverlay>(options.kmph);
    map_ = std::make_unique<MapSnapshot>(std::move(tiles));
    for (OverlayPiece &p : pieces_) {
        if (options.location == ExportLocation::Coarse)
            p.clip = coarsened(p.clip);
        QList<QPointF> route;
        for (const int i : p.clip.positions) {
            const TelemetrySample &s = p.clip.samples->at(size_t(i));
            route << QPointF(s.longitude, s.latitude);
        }
        routes_ << route;
    }
}

OverlayPainter::~OverlayPainter() = default;

void OverlayPainter::showPiece(int piece)
{
    if (piece == shownPiece_)
        return;
    shownPiece_ = piece;
    instruments_->showClip(pieces_[piece].clip, pieces_[piece].duration);
}

QString OverlayPainter::keyAt(int piece, double seconds)
{
    if (piece < 0 || piece >= pieces_.size())
        return {};
    const OverlayPiece &p = pieces_[piece];
    const TelemetryMoment m = momentOf(p.clip, seconds, p.duration);
    const QString time = p.clock ? ClockText::timeOfDay(*p.clock, seconds, options_.clock) : QString();
    return QStringLiteral("%1/%2/%3/%4/%5").arg(piece).arg(m.sample).arg(m.position).arg(m.gsensor).arg(time);
}

void OverlayPainter::draw(QPainter &painter, int piece, double seconds, const QMap<OverlayElement, QPointF> &shift)
{
    if (piece < 0 || piece >= pieces_.size())
        return;
    showPiece(piece);
    const OverlayPiece &p = pieces_[piece];
    const TelemetryMoment moment = momentOf(p.clip, seconds, p.duration);
    instruments_->showMoment(moment);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const double s = scale_;
    const double pad = 6 * s;
    auto plate = [&](const QRectF &box) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0, 0, 0, 150));
        painter.drawRoundedRect(box, 6 * s, 6 * s);
    };
    auto text = [&](const QRectF &box, const QString &t, double pixels) {
        if (t.isEmpty())
            return;
        plate(box);
        QFont font = instruments_->readoutFont();
        font.setPixelSize(std::max(6, int(pixels * s)));
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(box.adjusted(pad, 0, -pad, 0), Qt::AlignLeft | Qt::AlignVCenter, t);
    };
    for (auto it = boxes_.cbegin(); it != boxes_.cend(); ++it) {
        const QRectF box = it.value().translated(shift.value(it.key()));
        switch (it.key()) {
        case OverlayElement::Speed:
            plate(box);
            instruments_->paint(painter, InstrumentOverlay::Part::Speed, box.adjusted(pad, pad, -pad, -pad), s);
            break;
        case OverlayElement::Compass:
            plate(box);
            instruments_->paint(painter, InstrumentOverlay::Part::Compass, box.adjusted(pad, pad, -pad, -pad), s);
            break;
        case OverlayElement::Graph:
            plate(box);
            instruments_->paint(painter, InstrumentOverlay::Part::Graph, box.adjusted(pad, pad, -pad, -pad), s);
            break;
        case OverlayElement::Time:
            text(box, p.clock ? ClockText::timeOfDay(*p.clock, seconds, options_.clock, QStringLiteral("yyyy-MM-dd hh:mm:ss"))
                              : QString(),
                 16);
            break;
        case OverlayElement::Position:
            text(box, instruments_->positionText(), 14);
            break;
        case OverlayElement::Map: {
            std::optional<QPointF> marker;
            std::optional<double> heading;
            if (moment.position >= 0) {
                marker = QPointF(moment.atPosition.longitude, moment.atPosition.latitude);
                if (moment.atPosition.hasCourse)
                    heading = moment.atPosition.course;
            }
            if (!marker && routes_[piece].isEmpty())
                break;   // nothing of the place to show
            // Coarse, the map stays far enough out that the rounded ground is all it shows.
            const int zoom = options_.location == ExportLocation::Coarse ? 11 : 16;
            map_->paint(painter, box, routes_[piece], marker, heading, zoom, s);
            break;
        }
        }
    }
    painter.restore();
}

OverlayExport::OverlayExport(QObject *parent) : QObject(parent)
{
    ffmpeg_ = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    if (QCoreApplication *app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &OverlayExport::abandon);
}

OverlayExport::~OverlayExport()
{
    abandon();
}

QString OverlayExport::target(const QString &chosen, bool alphaOnly)
{
    const QString suffix = alphaOnly ? QStringLiteral(".mov") : QStringLiteral(".mp4");
    return chosen.endsWith(suffix, Qt::CaseInsensitive) ? chosen : chosen + suffix;
}

QStringList OverlayExport::ffmpegArguments(const QList<OverlayPiece> &pieces, const QList<VideoProbe> &probes,
                                           QSize frame, const VideoProbe &rate, QSize piped,
                                           const QList<OverlayLayout::Slot> &cuts, bool alphaOnly,
                                           const QString &output, const QMap<int, Copy> &readFrom)
{
    QStringList a = {QStringLiteral("-nostdin"), QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"),
                     QStringLiteral("error"), QStringLiteral("-y")};
    const int overlayInput = alphaOnly ? 0 : int(pieces.size());
    // Each piece from half a frame before its first frame to half a frame before the one
    // after its last: whole frames, whatever the marks' rounding.
    const double fps = rate.fps();
    const QList<int> counts = OverlayFrames::counts(pieces, fps);
    int total = 0;
    if (!alphaOnly)
        for (int i = 0; i < pieces.size(); ++i) {
            const Copy copy = readFrom.value(i, Copy{pieces[i].file, 0});
            a << QStringLiteral("-ss") << seconds((OverlayFrames::first(pieces[i], fps) - 0.5) / fps - copy.start)
              << QStringLiteral("-t") << seconds(counts[i] / fps) << QStringLiteral("-i") << copy.file;
            total += counts[i];
        }
    a << QStringLiteral("-f") << QStringLiteral("rawvideo") << QStringLiteral("-pix_fmt") << QStringLiteral("bgra")
      << QStringLiteral("-video_size") << QStringLiteral("%1x%2").arg(piped.width()).arg(piped.height())
      << QStringLiteral("-framerate") << fraction(rate) << QStringLiteral("-i") << QStringLiteral("pipe:0");

    if (alphaOnly) {
        // The overlay's rectangle put back on a transparent picture of the clip's size.
        const QPoint at = cuts.value(0).target;
        a << QStringLiteral("-filter_complex")
          << QStringLiteral("[0:v]pad=%1:%2:%3:%4:color=0x00000000,format=argb[v]")
                 .arg(frame.width()).arg(frame.height()).arg(at.x()).arg(at.y())
          << QStringLiteral("-map") << QStringLiteral("[v]") << QStringLiteral("-c:v") << QStringLiteral("qtrle")
          << QStringLiteral("-map_metadata") << QStringLiteral("-1") << output;
        return a;
    }

    QString graph;
    const bool join = pieces.size() > 1;
    bool sound = true;
    for (int i = 0; i < pieces.size(); ++i)
        sound = sound && i < probes.size() && probes[i].audio;
    if (join) {
        // Each piece brought to the first's size (letterboxed) and rate, then joined.
        QString inputs;
        for (int i = 0; i < pieces.size(); ++i) {
            graph += QStringLiteral("[%1:v]scale=%2:%3:force_original_aspect_ratio=decrease,"
                                    "pad=%2:%3:(ow-iw)/2:(oh-ih)/2,setsar=1,fps=%4[v%1];")
                         .arg(i).arg(frame.width()).arg(frame.height()).arg(fraction(rate));
            inputs += QStringLiteral("[v%1]").arg(i);
            if (sound) {
                graph += QStringLiteral("[%1:a]aresample=48000,aformat=channel_layouts=stereo[a%1];").arg(i);
                inputs += QStringLiteral("[a%1]").arg(i);
            }
        }
        graph += inputs + QStringLiteral("concat=n=%1:v=1:a=%2[base]%3;")
                              .arg(pieces.size()).arg(sound ? 1 : 0).arg(sound ? QStringLiteral("[sound]") : QString());
    } else {
        graph += QStringLiteral("[0:v]setsar=1[base];");
    }
    // The piped picture cut into its cuts, each laid over the picture in its place.
    const int n = std::max(1, int(cuts.size()));
    graph += QStringLiteral("[%1:v]split=%2").arg(overlayInput).arg(n);
    for (int i = 0; i < n; ++i)
        graph += QStringLiteral("[s%1]").arg(i);
    graph += QLatin1Char(';');
    QString under = QStringLiteral("[base]");
    for (int i = 0; i < n; ++i) {
        const OverlayLayout::Slot slot = cuts.value(i, OverlayLayout::Slot{OverlayElement::Speed, QRect(0, 0, 2, 2), {}});
        const QString next = i + 1 == n ? QStringLiteral("[v]") : QStringLiteral("[m%1]").arg(i);
        graph += QStringLiteral("[s%1]crop=%2:%3:%4:%5[c%1];%6[c%1]overlay=%7:%8:alpha=premultiplied:eof_action=repeat%9")
                     .arg(i).arg(slot.atlas.width()).arg(slot.atlas.height()).arg(slot.atlas.x()).arg(slot.atlas.y())
                     .arg(under).arg(slot.target.x()).arg(slot.target.y()).arg(next);
        if (i + 1 < n)
            graph += QLatin1Char(';');
        under = next;
    }
    a << QStringLiteral("-filter_complex") << graph << QStringLiteral("-map") << QStringLiteral("[v]")
      << QStringLiteral("-frames:v") << QString::number(total);
    if (join && sound)
        a << QStringLiteral("-map") << QStringLiteral("[sound]");
    else if (!join)
        a << QStringLiteral("-map") << QStringLiteral("0:a?");
    a << QStringLiteral("-c:v") << QStringLiteral("libx264") << QStringLiteral("-preset") << QStringLiteral("veryfast")
      << QStringLiteral("-crf") << QStringLiteral("20") << QStringLiteral("-pix_fmt") << QStringLiteral("yuv420p")
      << QStringLiteral("-c:a") << QStringLiteral("aac") << QStringLiteral("-b:a") << QStringLiteral("160k")
      // Nothing of the clips but their picture and sound: no tags, no chapters, no data tracks.
      << QStringLiteral("-map_metadata") << QStringLiteral("-1") << QStringLiteral("-map_chapters")
      << QStringLiteral("-1") << QStringLiteral("-movflags") << QStringLiteral("+faststart") << output;
    return a;
}

std::optional<VideoProbe> OverlayExport::probe(const QString &ffmpeg, const QString &file, QString *why)
{
    const QString ffprobe = QFileInfo(ffmpeg).dir().filePath(QStringLiteral("ffprobe"));
    const QString program = QFileInfo(ffprobe).isExecutable() ? ffprobe
                                                              : QStandardPaths::findExecutable(QStringLiteral("ffprobe"));
    QProcess p;
    p.start(program, {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
                      QStringLiteral("stream=codec_type,width,height,avg_frame_rate,r_frame_rate:stream_disposition="
                                     "attached_pic:format=duration"),
                      QStringLiteral("-of"), QStringLiteral("json"), QStringLiteral("--"), file});
    if (!p.waitForFinished(20000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        p.kill();
        p.waitForFinished(1000);
        *why = Localization::text("%1 is not a video that can be read.").arg(QFileInfo(file).fileName());
        return std::nullopt;
    }
    const VideoProbe v = VideoProbe::fromJson(p.readAllStandardOutput());
    if (!v.ok()) {
        *why = Localization::text("%1 is not a video that can be read.").arg(QFileInfo(file).fileName());
        return std::nullopt;
    }
    return v;
}

OverlayExport::Still OverlayExport::stillOf(const QString &ffmpeg, const OverlayPiece &piece, bool alphaOnly)
{
    Still still;
    if (ffmpeg.isEmpty())
        return still;
    QString why;
    still.probe = probe(ffmpeg, piece.file, &why);
    if (!still.probe || alphaOnly)
        return still;
    QProcess p;
    p.start(ffmpeg, {QStringLiteral("-nostdin"), QStringLiteral("-loglevel"), QStringLiteral("error"),
                     QStringLiteral("-ss"), seconds(piece.in), QStringLiteral("-i"), piece.file,
                     QStringLiteral("-frames:v"), QStringLiteral("1"), QStringLiteral("-f"),
                     QStringLiteral("image2pipe"), QStringLiteral("-c:v"), QStringLiteral("png"),
                     QStringLiteral("pipe:1")});
    if (p.waitForFinished(20000) && p.exitCode() == 0)
        still.picture = QImage::fromData(p.readAllStandardOutput(), "PNG");
    else
        p.kill();
    return still;
}

QImage OverlayExport::preview(const Still &still, const QList<OverlayPiece> &pieces, const OverlayOptions &options,
                              MapSnapshot::Tiles tiles)
{
    if (pieces.isEmpty() || !still.probe)
        return {};
    const VideoProbe &v = *still.probe;
    QImage out(v.size, QImage::Format_ARGB32_Premultiplied);
    if (still.picture.isNull()) {
        // Over a checkerboard, as editors show transparency.
        QPainter board(&out);
        const int cell = std::max(8, v.size.height() / 30);
        for (int y = 0; y < out.height(); y += cell)
            for (int x = 0; x < out.width(); x += cell)
                board.fillRect(x, y, cell, cell, ((x + y) / cell) % 2 ? QColor(0x99, 0x99, 0x99) : QColor(0x66, 0x66, 0x66));
    } else {
        QImage picture = still.picture;
        const OverlayPiece &first = pieces.first();
        if (options.marksBlurred(first.file) > 0 && v.fps() > 0) {
            // The frame shown is the first at or after the in mark, as the export's.
            const RedactMarks marks = options.redactions.value(first.file);
            const double frame = std::ceil(first.in * v.fps() - 1e-6);
            const qint64 at = std::llround(frame / v.fps() * 1e6);
            picture = Blur::image(picture, marks.blurredAt(at, picture.size()), *options.blur);
        }
        QPainter copy(&out);
        copy.drawImage(QRect(QPoint(), v.size), picture);
    }
    OverlayPainter painter(pieces, options, v.size, std::move(tiles));
    QPainter p(&out);
    painter.draw(p, 0, pieces.first().in);
    return out;
}

QFuture<QImage> OverlayExport::previewLater(const QList<OverlayPiece> &pieces, const OverlayOptions &options,
                                            MapSnapshot::Tiles tiles, QObject *context) const
{
    if (pieces.isEmpty())
        return QtFuture::makeReadyFuture(QImage());
    const QString ffmpeg = ffmpeg_;
    const OverlayPiece first = pieces.first();
    const bool alphaOnly = options.alphaOnly;
    return QtConcurrent::run([ffmpeg, first, alphaOnly] { return stillOf(ffmpeg, first, alphaOnly); })
        .then(context, [pieces, options, tiles](const Still &still) { return preview(still, pieces, options, tiles); });
}

void OverlayExport::start(const QList<OverlayPiece> &pieces, const OverlayOptions &options, const QString &target,
                          MapSnapshot::Tiles tiles)
{
    running_ = true;
    failure_.clear();
    errors_.clear();
    written_ = total_ = 0;
    closed_ = false;
    shownPercent_ = -1;
    lastKey_.clear();
    pieces_ = pieces;
    target_ = target;
    auto fail = [this](const QString &why) {
        failure_ = why;
        QMetaObject::invokeMethod(this, [this] { finish(false, failure_); }, Qt::QueuedConnection);
    };
    if (ffmpeg_.isEmpty())
        return fail(Localization::text("Exporting needs ffmpeg, which is not installed."));
    if (pieces.isEmpty())
        return fail(Localization::text("There is nothing to export."));
    QStringList files;
    for (const OverlayPiece &p : pieces)
        files << p.file;
    if (!ExportOutcome::targetThatIsAnInput({target}, files).isEmpty())
        return fail(Localization::text("%1 is a clip of this export: choose another name, so that it is not written over.")
                        .arg(QDir::toNativeSeparators(target)));

    // ffprobe may take a while on a clip that is damaged: on a worker thread.
    struct Probed {
        QList<VideoProbe> probes;
        QString why;
    };
    const QString ffmpeg = ffmpeg_;
    const bool alphaOnly = options.alphaOnly;
    probing_ = QtConcurrent::run([ffmpeg, files, alphaOnly] {
        Probed out;
        for (const QString &file : files) {
            QString why;
            const auto v = probe(ffmpeg, file, &why);
            if (!v && !alphaOnly) {
                out.why = why;
                break;
            }
            out.probes << v.value_or(VideoProbe());
        }
        return out;
    }).then(this, [this, options, tiles, first = files.first()](const Probed &probed) {
        if (!running_)
            return;   // abandoned
        if (!failure_.isEmpty())
            return finish(false, failure_);   // cancelled meanwhile
        if (!probed.why.isEmpty())
            return finish(false, probed.why);
        if (probed.probes.isEmpty() || !probed.probes.first().ok())
            return finish(false, Localization::text("%1 is not a video that can be read.").arg(QFileInfo(first).fileName()));
        begin(probed.probes, options, tiles);
    });
}

void OverlayExport::begin(const QList<VideoProbe> &probes, const OverlayOptions &options, MapSnapshot::Tiles tiles)
{
    const QList<OverlayPiece> &pieces = pieces_;
    const VideoProbe first = probes.first();
    frame_ = first.size;
    fps_ = first.fps();
    counts_ = OverlayFrames::counts(pieces, fps_);
    for (const int c : counts_)
        total_ += c;
    if (total_ <= 0)
        return finish(false, Localization::text("There is nothing to export."));
    painter_ = std::make_unique<OverlayPainter>(pieces, options, frame_, std::move(tiles));
    alphaOnly_ = options.alphaOnly;
    shift_.clear();
    if (alphaOnly_) {
        const QRect canvas = OverlayLayout::canvas(painter_->boxes(), frame_);
        piped_ = canvas.size();
        slots_ = {OverlayLayout::Slot{OverlayElement::Speed, QRect(QPoint(), canvas.size()), canvas.topLeft()}};
        for (auto it = painter_->boxes().cbegin(); it != painter_->boxes().cend(); ++it)
            shift_.insert(it.key(), -QPointF(canvas.topLeft()));
    } else {
        slots_ = OverlayLayout::atlas(painter_->boxes(), frame_, &piped_);
        for (const OverlayLayout::Slot &slot : std::as_const(slots_))
            shift_.insert(slot.element, QPointF(slot.atlas.topLeft() - slot.target));
    }
    image_ = QImage(piped_, QImage::Format_ARGB32_Premultiplied);

    const QFileInfo video(target_);
    work_ = std::make_unique<QTemporaryDir>(
        video.dir().filePath(QLatin1Char('.') + video.fileName() + QStringLiteral(".part-XXXXXX")));
    if (!work_->isValid()) {
        const QString why = Localization::text("Cannot write in %1: %2")
                                .arg(QDir::toNativeSeparators(video.absolutePath()), work_->errorString());
        work_.reset();
        return finish(false, why);
    }
    part_ = QDir(work_->path()).filePath(options.alphaOnly ? QStringLiteral("overlay.mov") : QStringLiteral("video.mp4"));
    options_ = options;
    probes_ = probes;
    copies_.clear();
    toRedact_.clear();
    for (int i = 0; i < pieces.size(); ++i)
        if (options.marksBlurred(pieces[i].file) > 0)
            toRedact_ << i;
    baseProgress_ = toRedact_.isEmpty() ? 0 : 50;
    redactNext();
}

void OverlayExport::redactNext()
{
    if (!running_)
        return;
    if (!failure_.isEmpty())
        return finish(false, failure_);
    if (copies_.size() == toRedact_.size())
        return startEncoding();
    const int piece = toRedact_[copies_.size()];
    const OverlayPiece &p = pieces_[piece];
    RedactJob job;
    job.ffmpeg = ffmpeg_;
    job.clip = p.file;
    job.marks = options_.redactions.value(p.file);
    job.blur = *options_.blur;
    // Nearly lossless and quick: it is encoded once more with the overlay.
    job.preset = QStringLiteral("ultrafast");
    job.crf = 12;
    job.output = QDir(work_->path()).filePath(QStringLiteral("blurred-%1.mp4").arg(piece));
    // A frame either side, so that the video's own cut finds whole frames.
    const double frame = probes_.value(piece).fps() > 0 ? 1.0 / probes_.value(piece).fps() : 0.04;
    redactFuture_ = RedactedVideo::startStretch(job, std::max(0.0, p.in - frame), p.out + frame);
    redacting_ = new QFutureWatcher<RedactResult>(this);
    connect(redacting_, &QFutureWatcherBase::progressValueChanged, this, [this](int value) {
        const double done = (copies_.size() + value / 1000.0) / std::max<qsizetype>(1, toRedact_.size());
        emit progress(int(done * baseProgress_));
    });
    connect(redacting_, &QFutureWatcherBase::finished, this, &OverlayExport::onRedacted);
    redacting_->setFuture(redactFuture_);
}

void OverlayExport::onRedacted()
{
    if (!redacting_)
        return;
    redacting_->deleteLater();
    redacting_ = nullptr;
    const int piece = toRedact_[copies_.size()];
    RedactResult r;
    if (redactFuture_.resultCount() > 0)
        r = redactFuture_.result();
    else
        r.failure = Localization::text("The export was cancelled.");
    if (!r.ok && failure_.isEmpty())
        failure_ = r.failure;
    copies_.insert(piece, Copy{QDir(work_->path()).filePath(QStringLiteral("blurred-%1.mp4").arg(piece)), r.startSeconds});
    redactNext();
}

void OverlayExport::startEncoding()
{
    const QList<OverlayPiece> &pieces = pieces_;
    const QList<VideoProbe> &probes = probes_;
    const OverlayOptions &options = options_;
    const VideoProbe first = probes.first();
    process_ = new QProcess(this);
    process_->setStandardOutputFile(QProcess::nullDevice());
    connect(process_, &QProcess::readyReadStandardError, this, [this] {
        if (process_)
            errors_ = (errors_ + process_->readAllStandardError()).right(4096);
    });
    connect(process_, &QProcess::started, this, &OverlayExport::feed);
    connect(process_, &QProcess::bytesWritten, this, &OverlayExport::feed);
    connect(process_, &QProcess::finished, this, &OverlayExport::onFinished);
    connect(process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart)
            onFinished();
    });
    process_->start(ffmpeg_,
                    ffmpegArguments(pieces, probes, frame_, first, piped_, slots_, options.alphaOnly, part_, copies_));
}

void OverlayExport::feed()
{
    if (!process_ || !running_ || process_->state() != QProcess::Running)
        return;
    const qint64 bytes = qint64(image_.sizeInBytes());
    // Two frames waiting is enough to keep ffmpeg busy without holding a clip's worth here.
    while (written_ < total_ && process_->bytesToWrite() < 2 * bytes) {
        const OverlayFrames::At at = OverlayFrames::at(pieces_, counts_, fps_, written_);
        const QString key = painter_->keyAt(at.piece, at.seconds);
        if (key != lastKey_ || written_ == 0) {
            image_.fill(Qt::transparent);
            QPainter p(&image_);
            painter_->draw(p, at.piece, at.seconds, shift_);
            p.end();
            // Editors take the alpha straight, not multiplied into the colours.
            frameBytes_ = alphaOnly_ ? image_.convertToFormat(QImage::Format_ARGB32) : image_;
            lastKey_ = key;
        }
        process_->write(reinterpret_cast<const char *>(frameBytes_.constBits()), frameBytes_.sizeInBytes());
        ++written_;
        const int percent = baseProgress_ + int((99.0 - baseProgress_) * written_ / total_);
        if (percent != shownPercent_)
            emit progress(shownPercent_ = percent);
    }
    if (written_ >= total_ && !closed_) {
        closed_ = true;
        process_->closeWriteChannel();   // once the frames still waiting are written
    }
}

void OverlayExport::onFinished()
{
    if (!process_)
        return;
    const ExportOutcome::Run ran{process_->exitStatus() == QProcess::NormalExit &&
                                     process_->error() != QProcess::FailedToStart,
                                 process_->exitCode(), errors_};
    process_->deleteLater();
    process_.clear();
    if (!failure_.isEmpty())
        return finish(false, failure_);
    // Every frame piped in must be in the file, which must be on the disk before it
    // takes the target's place.
    QString why = ExportOutcome::videoFailure(ran, WrittenMovie::of(QFile::encodeName(part_).toStdString()),
                                              ExportOutcome::Expected{0, total_});
    if (why.isEmpty())
        SafeFile::sync(part_, &why);
    if (!why.isEmpty())
        return finish(false, why);
    // One rename: the target is the whole new video or what it was.
    if (std::rename(QFile::encodeName(part_).constData(), QFile::encodeName(target_).constData()) != 0)
        return finish(false, Localization::text("The files could not be renamed in %1.")
                                 .arg(QDir::toNativeSeparators(QFileInfo(target_).absolutePath())));
    emit progress(100);
    finish(true, {});
}

void OverlayExport::cancel()
{
    if (!running_)
        return;
    if (failure_.isEmpty())
        failure_ = Localization::text("The export was cancelled.");
    if (redacting_)
        redactFuture_.cancel();
    if (process_)
        process_->kill();
}

void OverlayExport::finish(bool ok, const QString &message)
{
    if (!running_)
        return;
    work_.reset();
    painter_.reset();
    running_ = false;
    emit finished(ok, message);
}

void OverlayExport::abandon()
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
    work_.reset();
}
