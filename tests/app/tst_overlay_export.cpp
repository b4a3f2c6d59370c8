// File ▸ Export Video…: where the overlay's elements go, what ffmpeg is asked, and real
// exports of forged clips read back with ffprobe, ffmpeg and veltra-gps.
#include "app/ExportVideoDialog.h"
#include "app/OverlayExport.h"
#include "telemetry/GpsDataHelper.h"

#include "PlateScene.h"

#include <QBuffer>
#include <QDir>
#include <QPainter>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString sample(const QString &name) { return qEnvironmentVariable("VELTRA_SAMPLES") + QLatin1Char('/') + name; }

OverlayPiece piece(const QString &file, double in, double out)
{
    const GpsReadResult read = GpsDataHelper::readGpsData(file.toStdString());
    PlayListEntry entry;
    entry.path = QUrl::fromLocalFile(file).toString();
    entry.gpsData = QList<GpsSample>(read.videoDatas.begin(), read.videoDatas.end());
    entry.telemetry = std::make_shared<const std::vector<TelemetrySample>>(read.samples);
    return OverlayPiece{file, ClipTelemetry::of(entry), 60, in, out, nullptr};
}

QJsonObject probe(const QString &file, const QString &entries)
{
    QProcess p;
    p.start(QStringLiteral("ffprobe"), {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-count_frames"),
                                        QStringLiteral("-show_entries"), entries, QStringLiteral("-of"),
                                        QStringLiteral("json"), file});
    p.waitForFinished(60000);
    return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
}

// Frame `index` of a video as an image (alpha kept).
QImage frameOf(const QString &file, int index)
{
    QProcess p;
    p.start(QStringLiteral("ffmpeg"), {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"), file,
                                       QStringLiteral("-vf"), QStringLiteral("select=eq(n\\,%1)").arg(index),
                                       QStringLiteral("-frames:v"), QStringLiteral("1"), QStringLiteral("-f"),
                                       QStringLiteral("image2pipe"), QStringLiteral("-c:v"), QStringLiteral("png"),
                                       QStringLiteral("pipe:1")});
    p.waitForFinished(60000);
    return QImage::fromData(p.readAllStandardOutput(), "PNG");
}

QList<QVariant> run(OverlayExport &job, const QList<OverlayPiece> &pieces, const OverlayOptions &options,
                    const QString &target)
{
    QSignalSpy done(&job, &OverlayExport::finished);
    job.start(pieces, options, target, {});
    if (!done.wait(120000))
        return {};
    return done.first();
}

} // namespace

class TestOverlayExport : public QObject {
    Q_OBJECT
private slots:
    void probeReading_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("num");
        QTest::addColumn<int>("den");
        QTest::addColumn<bool>("audio");
        const QByteArray ntsc = R"({"streams":[{"codec_type":"video","width":1920,"height":1080,
            "avg_frame_rate":"30000/1001","r_frame_rate":"30000/1001"},{"codec_type":"audio"}],
            "format":{"duration":"60.06"}})";
        QTest::addRow("picture and sound") << ntsc << QSize(1920, 1080) << 30000 << 1001 << true;
        QTest::addRow("tick rate as base rate") << QByteArray(R"({"streams":[{"codec_type":"video","width":640,
            "height":360,"avg_frame_rate":"0/0","r_frame_rate":"30/1"}]})") << QSize(640, 360) << 30 << 1 << false;
        QTest::addRow("cover picture, then the video") << QByteArray(R"({"streams":[{"codec_type":"video",
            "width":300,"height":300,"disposition":{"attached_pic":1}},{"codec_type":"video","width":1280,
            "height":720,"avg_frame_rate":"25/1"}]})") << QSize(1280, 720) << 25 << 1 << false;
        QTest::addRow("no video") << QByteArray(R"({"streams":[{"codec_type":"audio"}]})") << QSize() << 0 << 1 << true;
        QTest::addRow("absurd size and rate") << QByteArray(R"({"streams":[{"codec_type":"video","width":99999,
            "height":-4,"avg_frame_rate":"90000/1"}]})") << QSize() << 0 << 1 << false;
        QTest::addRow("not JSON") << QByteArray("garbage{") << QSize() << 0 << 1 << false;
    }
    void probeReading()
    {
        QFETCH(QByteArray, json);
        QFETCH(QSize, size);
        QFETCH(int, num);
        QFETCH(int, den);
        QFETCH(bool, audio);
        const VideoProbe p = VideoProbe::fromJson(json);
        QCOMPARE(p.size, size);
        QCOMPARE(p.ok(), !size.isEmpty() && num > 0);
        if (num > 0)
            QCOMPARE(std::make_pair(p.rateNum, p.rateDen), std::make_pair(num, den));
        QCOMPARE(p.audio, audio);
    }

    // Every layout keeps its boxes on the picture and apart, at any size; without a
    // place there is neither map nor position.
    void layouts_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<QSize>("frame");
        for (const int style : {int(OverlayStyle::Dashboard), int(OverlayStyle::Corners), int(OverlayStyle::Compact),
                                int(OverlayStyle::DashboardTop)})
            for (const QSize frame : {QSize(1920, 1080), QSize(640, 360), QSize(3840, 2160), QSize(1440, 1440)})
                QTest::addRow("%d %dx%d", style, frame.width(), frame.height()) << style << frame;
    }
    void layouts()
    {
        QFETCH(int, style);
        QFETCH(QSize, frame);
        const OverlayOptions all;
        const auto boxes = OverlayLayout::boxes(OverlayStyle(style), all.elements, frame);
        QCOMPARE(boxes.size(), all.elements.size());
        for (auto a = boxes.cbegin(); a != boxes.cend(); ++a) {
            QVERIFY(QRectF(QPointF(), QSizeF(frame)).contains(a.value()));
            for (auto b = std::next(a); b != boxes.cend(); ++b)
                QVERIFY2(!a.value().intersects(b.value()), qPrintable(QStringLiteral("%1 and %2").arg(int(a.key())).arg(int(b.key()))));
        }
        // A dashboard keeps to its edge: the bottom quarter, or the top one, clear of a
        // camera's own stamp along the bottom.
        for (const QRectF &r : boxes) {
            if (OverlayStyle(style) == OverlayStyle::Dashboard)
                QVERIFY(r.top() >= frame.height() * 0.75);
            if (OverlayStyle(style) == OverlayStyle::DashboardTop)
                QVERIFY(r.bottom() <= frame.height() * 0.25);
        }
        const QRect canvas = OverlayLayout::canvas(boxes, frame);
        QVERIFY(canvas.x() % 2 == 0 && canvas.y() % 2 == 0 && canvas.width() % 2 == 0 && canvas.height() % 2 == 0);
        for (const QRectF &r : boxes)
            QVERIFY(QRectF(canvas).contains(r));
        // The piped picture holds each box once, whole, on even pixels, and no more.
        QSize piped;
        const auto cuts = OverlayLayout::atlas(boxes, frame, &piped);
        QCOMPARE(cuts.size(), boxes.size());
        qint64 area = 0;
        for (const OverlayLayout::Slot &slot : cuts) {
            QVERIFY(QRect(QPoint(), piped).contains(slot.atlas));
            QVERIFY(slot.atlas.width() % 2 == 0 && slot.atlas.height() % 2 == 0 && slot.target.x() % 2 == 0);
            QVERIFY(QRectF(QRect(slot.target, slot.atlas.size())).contains(boxes.value(slot.element)));
            area += qint64(slot.atlas.width()) * slot.atlas.height();
        }
        QVERIFY(qint64(piped.width()) * piped.height() <= std::max(area * 2, qint64(canvas.width()) * canvas.height()));
        const auto one = OverlayLayout::boxes(OverlayStyle(style), {OverlayElement::Speed}, frame);
        QCOMPARE(one.keys(), QList<OverlayElement>{OverlayElement::Speed});
    }

    // The dialog remembers each layout and the elements by name, and reads them back.
    void dialogChoiceReadsBack()
    {
        ExportVideoDialog dialog(true, false, ExportLocation::Full);
        for (const char *choice : {"dashboard:speed,map", "corners:time", "compact:graph,compass",
                                   "dashboard_top:speed,time,position,map,graph,compass"}) {
            dialog.setChoice(QLatin1String(choice));
            QCOMPARE(dialog.choice(), QLatin1String(choice));
        }
        dialog.setChoice(QStringLiteral("sideways:speed"));   // an unknown layout keeps the one shown
        QCOMPARE(dialog.choice(), QStringLiteral("dashboard_top:speed"));
    }

    // The overlay's map: tiles from the local look-up only, the route over them, the
    // plain ground where none is kept.
    void mapStill()
    {
        QCOMPARE(MapSnapshot::worldPixel(0, 0, 0), QPointF(128, 128));
        QCOMPARE(MapSnapshot::worldPixel(0, 180, 1), QPointF(512, 256));
        // A view over the date line takes the first column again.
        const auto cover = MapSnapshot::cover(QPointF(0, 128), QSizeF(200, 100), 1);
        QCOMPARE(cover.size(), 2);
        QCOMPARE(cover.at(0).first.x, 1);
        QCOMPARE(cover.at(1).first.x, 0);

        QImage red(256, 256, QImage::Format_RGB32);
        red.fill(Qt::red);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        red.save(&buffer, "PNG");
        QList<TileId> asked;
        MapSnapshot map([&](const TileId &t) -> std::optional<QByteArray> {
            asked << t;
            return t.x % 2 ? std::optional<QByteArray>(png) : std::nullopt;
        });
        QImage out(200, 100, QImage::Format_ARGB32_Premultiplied);
        out.fill(Qt::transparent);
        QPainter p(&out);
        // At zoom 16 around 51.5 N 0.138 W: tile column 32742 (not kept) on the left, 32743 on the right.
        const QPointF at(-0.138, 51.5);
        map.paint(p, QRectF(0, 0, 200, 100), {at, at + QPointF(0.001, 0)}, at, 90.0, 16, 1);
        p.end();
        QVERIFY(!asked.isEmpty());
        const int split = 131;   // where column 32743 starts in the view
        QCOMPARE(out.pixel(split + 2, 5), qRgb(255, 0, 0));
        QCOMPARE(out.pixel(split - 2, 5), qRgb(0xf4, 0xf3, 0xef));
        QCOMPARE(QColor(out.pixel(100, 50)).blue() > 150, true);   // the marker in the middle
    }

    void framesOfPieces()
    {
        QList<OverlayPiece> pieces(2);
        pieces[0].in = 35.034, pieces[0].out = 40;
        pieces[1].in = 0, pieces[1].out = 2;
        const QList<int> counts = OverlayFrames::counts(pieces, 30);
        QCOMPARE(counts, (QList<int>{149, 60}));
        QCOMPARE(OverlayFrames::at(pieces, counts, 30, 0).seconds, 1051 / 30.0);   // the frame on screen at 35.034
        QCOMPARE(OverlayFrames::at(pieces, counts, 30, 148).piece, 0);
        QCOMPARE(OverlayFrames::at(pieces, counts, 30, 149).piece, 1);
        QCOMPARE(OverlayFrames::at(pieces, counts, 30, 179).seconds, 1.0);
        QCOMPARE(OverlayFrames::at(pieces, counts, 30, 209).piece, -1);
    }

    void arguments()
    {
        QList<OverlayPiece> pieces(1);
        pieces[0].file = QStringLiteral("-a clip.MOV");
        pieces[0].in = 5, pieces[0].out = 7.5;
        VideoProbe rate;
        rate.size = QSize(1920, 1080), rate.rateNum = 30000, rate.rateDen = 1001, rate.audio = true;
        const QSize piped(400, 300);
        const QList<OverlayLayout::Slot> cuts = {{OverlayElement::Speed, QRect(0, 0, 400, 200), QPoint(24, 860)},
                                                  {OverlayElement::Map, QRect(0, 200, 300, 100), QPoint(1600, 24)}};
        const QStringList one = OverlayExport::ffmpegArguments(pieces, {rate}, rate.size, rate, piped, cuts, false, "out.mp4");
        const QString text = one.join(QLatin1Char(' '));
        // Frames 150 to 224 of 29.97 a second, from half a frame before the first.
        QVERIFY2(text.contains("-ss 4.988317 -t 2.502500 -i -a clip.MOV"), qPrintable(text));
        QVERIFY(text.contains("-frames:v 75"));
        QVERIFY(text.contains("-video_size 400x300 -framerate 30000/1001 -i pipe:0"));
        QVERIFY2(text.contains("[0:v]setsar=1[base];[1:v]split=2[s0][s1];[s0]crop=400:200:0:0[c0];"
                               "[base][c0]overlay=24:860:alpha=premultiplied:eof_action=repeat[m0];"
                               "[s1]crop=300:100:0:200[c1];[m0][c1]overlay=1600:24:alpha=premultiplied:eof_action=repeat[v]"),
                 qPrintable(text));
        QVERIFY(text.contains("-map 0:a?") && text.contains("-map_metadata -1") && one.last() == "out.mp4");

        // Two clips of different sizes: both at the first's size and rate, joined with sound.
        pieces << pieces[0];
        VideoProbe other = rate;
        other.size = QSize(1280, 720);
        const QString two =
            OverlayExport::ffmpegArguments(pieces, {rate, other}, rate.size, rate, piped, cuts, false, "out.mp4").join(' ');
        QVERIFY(two.contains("[1:v]scale=1920:1080:force_original_aspect_ratio=decrease,pad=1920:1080"));
        QVERIFY(two.contains("fps=30000/1001[v1]"));
        QVERIFY(two.contains("[v0][a0][v1][a1]concat=n=2:v=1:a=1[base][sound]"));
        QVERIFY(two.contains("[2:v]split=2"));
        other.audio = false;
        const QString silent =
            OverlayExport::ffmpegArguments(pieces, {rate, other}, rate.size, rate, piped, cuts, false, "out.mp4").join(' ');
        QVERIFY(silent.contains("[v0][v1]concat=n=2:v=1:a=0[base];") && !silent.contains("[sound]"));

        // The overlay alone reads no clip at all.
        const QList<OverlayLayout::Slot> whole = {{OverlayElement::Speed, QRect(0, 0, 1920, 260), QPoint(0, 820)}};
        const QStringList alpha =
            OverlayExport::ffmpegArguments(pieces, {rate, other}, rate.size, rate, QSize(1920, 260), whole, true, "o.mov");
        QVERIFY(!alpha.contains("-a clip.MOV"));
        QVERIFY(alpha.join(' ').contains("pad=1920:1080:0:820:color=0x00000000,format=argb[v] -map [v] -c:v qtrle"));
    }

    // A burnt-in export keeps the segment's frames and rate to the frame and draws over
    // the picture where the layout says; the overlay alone is transparent elsewhere.
    void exportsToTheFrame()
    {
        const QString clip = sample(QStringLiteral("drive/2026_1108_093000_001.MOV"));
        QTemporaryDir dir;
        OverlayExport job;
        const QString target = dir.filePath(QStringLiteral("overlay.mp4"));
        const QList<QVariant> done = run(job, {piece(clip, 10, 12.5)}, OverlayOptions(), target);
        QVERIFY2(!done.isEmpty() && done.first().toBool(), qPrintable(done.value(1).toString()));
        QCOMPARE(job.framesWritten(), 75);
        const QJsonObject video = probe(target, QStringLiteral("stream=nb_read_frames,r_frame_rate,width")).value("streams").toArray().at(0).toObject();
        QCOMPARE(video.value("nb_read_frames").toString(), QStringLiteral("75"));
        QCOMPARE(video.value("r_frame_rate").toString(), QStringLiteral("30/1"));
        QCOMPARE(video.value("width").toInt(), 640);
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{"overlay.mp4"});
        // The speed's plate darkens the picture's lower left; the middle stays the clip's.
        const QImage ours = frameOf(target, 0), theirs = frameOf(clip, 300);
        const auto boxes = OverlayLayout::boxes(OverlayStyle::Dashboard, OverlayOptions().elements, QSize(640, 360));
        const QPoint plate = boxes.value(OverlayElement::Speed).topLeft().toPoint() + QPoint(3, 3);
        QVERIFY(qGray(ours.pixel(plate)) + 20 < qGray(theirs.pixel(plate)));
        QVERIFY(std::abs(qGray(ours.pixel(320, 100)) - qGray(theirs.pixel(320, 100))) < 12);

        // Clips of different sizes join at the first's size, each piece whole.
        const QString joined = dir.filePath(QStringLiteral("joined.mp4"));
        const QList<QVariant> both =
            run(job, {piece(clip, 0, 1), piece(sample(QStringLiteral("drive_3min.MOV")), 3, 4)}, OverlayOptions(), joined);
        QVERIFY2(!both.isEmpty() && both.first().toBool(), qPrintable(both.value(1).toString()));
        const QJsonObject j = probe(joined, QStringLiteral("stream=nb_read_frames,width,height")).value("streams").toArray().at(0).toObject();
        QCOMPARE(j.value("nb_read_frames").toString(), QStringLiteral("60"));
        QCOMPARE(QSize(j.value("width").toInt(), j.value("height").toInt()), QSize(640, 360));

        OverlayOptions alone;
        alone.alphaOnly = true;
        const QString mov = dir.filePath(QStringLiteral("overlay.mov"));
        const QList<QVariant> second = run(job, {piece(clip, 10, 11)}, alone, mov);
        QVERIFY2(!second.isEmpty() && second.first().toBool(), qPrintable(second.value(1).toString()));
        const QJsonObject a = probe(mov, QStringLiteral("stream=nb_read_frames,pix_fmt,codec_name")).value("streams").toArray().at(0).toObject();
        QCOMPARE(a.value("codec_name").toString(), QStringLiteral("qtrle"));
        QCOMPARE(a.value("pix_fmt").toString(), QStringLiteral("argb"));
        QCOMPARE(a.value("nb_read_frames").toString(), QStringLiteral("30"));
        const QImage layer = frameOf(mov, 0);
        QCOMPARE(qAlpha(layer.pixel(320, 100)), 0);
        QVERIFY(qAlpha(layer.pixel(plate)) > 100);
    }

    // Blurred: a trip of the plate scene's front and its smaller rear, each with its plate
    // marked on every frame, comes out with the plate blurred in both pieces (the rear's
    // boxes scaled with its picture), the rest as the clips have it, and the preview
    // blurred the same; a cancel while the blurred copies are made leaves nothing.
    void redactedExportBlursEveryPiece()
    {
        const QString front = sample(QStringLiteral("redact/2026_1115_092000_020F.MOV"));
        const QString rear = sample(QStringLiteral("redact/2026_1115_092000_020R.MOV"));
        const auto plate = [](int frame, QSize size) {
            const auto b = PlateScene::plate(frame, 30, size.width(), size.height());
            return QRect(b.x, b.y, b.width, b.height);
        };
        OverlayOptions options;
        options.blur = BlurOptions{BlurStyle::Pixelate, 8};
        for (const auto &[clip, size] : {std::pair{front, QSize(640, 360)}, std::pair{rear, QSize(480, 270)}}) {
            RedactMarks marks(size, 33333);
            const int id = marks.add(MarkKind::Plate, 0, plate(0, size));
            QMap<qint64, QRect> boxes;
            for (int f = 1; f < 360; ++f)
                boxes.insert(std::llround(f * 1e6 / 30), plate(f, size).adjusted(-3, -3, 3, 3));
            QVERIFY(marks.setTracked(id, 0, 12'000'000, boxes, {}));
            options.redactions.insert(clip, marks);
        }
        QCOMPARE(options.marksBlurred(front), 1);
        const auto detail = [](const QImage &img, const QRect &r) {
            double sum = 0;
            int n = 0;
            for (int y = r.top(); y <= r.bottom(); ++y)
                for (int x = r.left(); x < r.right(); ++x, ++n)
                    sum += std::abs(qGray(img.pixel(x + 1, y)) - qGray(img.pixel(x, y)));
            return n ? sum / n : 0.0;
        };
        QTemporaryDir dir;
        OverlayExport job;
        const QString target = dir.filePath(QStringLiteral("blurred.mp4"));
        const QList<OverlayPiece> pieces{piece(front, 2, 5), piece(rear, 1, 3)};
        const QList<QVariant> done = run(job, pieces, options, target);
        QVERIFY2(!done.isEmpty() && done.first().toBool(), qPrintable(done.value(1).toString()));
        QCOMPARE(job.framesWritten(), 150);
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{"blurred.mp4"});
        const struct {
            int frame;        // of the export
            QString clip;
            int clipFrame;
            QRect plate;      // where the plate is in the export's picture
        } looks[] = {{0, front, 60, plate(60, QSize(640, 360))},
                     {45, front, 105, plate(105, QSize(640, 360))},
                     {120, rear, 60, [&] {
                          const QRect r = plate(60, QSize(480, 270));
                          return QRect(r.x() * 4 / 3, r.y() * 4 / 3, r.width() * 4 / 3, r.height() * 4 / 3);
                      }()}};
        for (const auto &look : looks) {
            const QImage ours = frameOf(target, look.frame);
            QImage theirs = frameOf(look.clip, look.clipFrame);
            theirs = theirs.scaled(ours.size());
            const QRect middle = look.plate.adjusted(5, 4, -5, -4);
            const double before = detail(theirs, middle), after = detail(ours, middle);
            QVERIFY2(after < 0.35 * before,
                     qPrintable(QStringLiteral("frame %1: %2 -> %3").arg(look.frame).arg(before).arg(after)));
            QVERIFY(std::abs(qGray(ours.pixel(40, 40)) - qGray(theirs.pixel(40, 40))) < 20);
        }

        // The preview's first frame is blurred as the export's.
        QFuture<QImage> shown = job.previewLater(pieces, options, {}, this);
        QTRY_VERIFY_WITH_TIMEOUT(shown.isFinished(), 30000);
        const QImage preview = shown.result();
        QVERIFY(!preview.isNull());
        const QRect middle = plate(60, QSize(640, 360)).adjusted(5, 4, -5, -4);
        QVERIFY(detail(preview, middle) < 0.35 * detail(frameOf(front, 60), middle));

        // Cancelled while the blurred copies are made: nothing is left, not even a part.
        OverlayExport cancelled;
        QSignalSpy end(&cancelled, &OverlayExport::finished);
        connect(&cancelled, &OverlayExport::progress, &cancelled, [&cancelled](int percent) {
            if (percent > 2)
                cancelled.cancel();
        });
        const QString other = dir.filePath(QStringLiteral("cancelled.mp4"));
        cancelled.start({piece(front, 0, 12), piece(rear, 0, 12)}, options, other, {});
        QVERIFY(end.wait(120000));
        QCOMPARE(end.first().value(0).toBool(), false);
        QVERIFY(end.first().value(1).toString().contains(QStringLiteral("cancelled")));
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{"blurred.mp4"});
    }

    // Without location nothing of the place is left: no map, no position, and the copy
    // reads back with no telemetry. A missing ffmpeg and a cancel leave nothing behind.
    void failuresAndPrivacy()
    {
        const QString clip = sample(QStringLiteral("drive/2026_1108_093000_001.MOV"));
        QTemporaryDir dir;
        OverlayExport job;
        OverlayOptions none;
        none.location = ExportLocation::None;
        const QString target = dir.filePath(QStringLiteral("private.mp4"));
        // Telemetry in a free box, in the frames' SEI units, in a GPMF track and in a text track.
        for (const QString &name : {QStringLiteral("drive/2026_1108_093000_001.MOV"),
                                    QStringLiteral("cameras/2026-11-13_10-03-00-front.mp4"),
                                    QStringLiteral("layouts/gpmf.MOV"), QStringLiteral("layouts/text_0x120.MOV")}) {
            QVERIFY(!GpsDataHelper::readGpsData(sample(name).toStdString()).videoDatas.empty());
            const QList<QVariant> done = run(job, {piece(sample(name), 0, 2)}, none, target);
            QVERIFY2(!done.isEmpty() && done.first().toBool(), qPrintable(name + done.value(1).toString()));
            QProcess gps;
            gps.start(qEnvironmentVariable("VELTRA_BINARY_DIR") + QStringLiteral("/src/extractor/veltra-gps"),
                      {QStringLiteral("--format"), QStringLiteral("csv"), target});
            QVERIFY(gps.waitForFinished(60000));
            const QStringList rows = QString::fromUtf8(gps.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
            QVERIFY2(rows.size() <= 1, qPrintable(name + rows.join('\n')));   // the header at most
        }

        OverlayExport missing;
        missing.setProgram(dir.filePath(QStringLiteral("no-ffmpeg")));
        const QString nothing = dir.filePath(QStringLiteral("nothing.mp4"));
        const QList<QVariant> failed = run(missing, {piece(clip, 0, 2)}, OverlayOptions(), nothing);
        QVERIFY(!failed.isEmpty() && !failed.first().toBool());
        QVERIFY(!failed.at(1).toString().isEmpty());

        // An ffmpeg that fails part-way (the disk full): its last word is the message.
        const QString failing = dir.filePath(QStringLiteral("ffmpeg"));
        QFile script(failing);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\nhead -c 100000 >/dev/null\necho 'Error writing trailer: No space left on device' >&2\nexit 1\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        OverlayExport full;
        full.setProgram(failing);
        const QList<QVariant> noRoom = run(full, {piece(clip, 0, 2)}, OverlayOptions(), nothing);
        QVERIFY(!noRoom.isEmpty() && !noRoom.first().toBool());
        QCOMPARE(noRoom.at(1).toString(),
                 QStringLiteral("The video could not be written. Error writing trailer: No space left on device"));
        QVERIFY(QFile::remove(failing));

        // An ffmpeg that ends with status 0 and leaves no movie header (a full disk at the
        // end) is no success; nor is a target that is the clip itself.
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\ncat >/dev/null\nfor a; do out=\"$a\"; done\nhead -c 30000 /dev/urandom > \"$out\"\nexit 0\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        OverlayExport cut;
        cut.setProgram(failing);
        const QList<QVariant> noHeader = run(cut, {piece(clip, 0, 2)}, OverlayOptions(), nothing);
        QVERIFY(!noHeader.isEmpty() && !noHeader.first().toBool());
        QVERIFY2(noHeader.at(1).toString().contains(QStringLiteral("incompletely")), qPrintable(noHeader.at(1).toString()));
        QVERIFY(QFile::remove(failing));
        const QString own = dir.filePath(QStringLiteral("own.mp4"));
        QVERIFY(QFile::copy(clip, own));
        const QList<QVariant> refused = run(job, {piece(own, 0, 2)}, OverlayOptions(), own);
        QVERIFY(!refused.isEmpty() && !refused.first().toBool());
        QVERIFY2(refused.at(1).toString().contains(QStringLiteral("is a clip of this export")),
                 qPrintable(refused.at(1).toString()));
        QCOMPARE(QFileInfo(own).size(), QFileInfo(clip).size());
        QVERIFY(QFile::remove(own));

        QSignalSpy finished(&job, &OverlayExport::finished);
        QSignalSpy progress(&job, &OverlayExport::progress);
        job.start({piece(clip, 0, 60)}, OverlayOptions(), nothing, {});
        QVERIFY(progress.wait(30000));
        job.cancel();
        QVERIFY(finished.wait(30000));
        QCOMPARE(finished.first().at(1).toString(), QStringLiteral("The export was cancelled."));
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{"private.mp4"});
    }
};

QTEST_MAIN(TestOverlayExport)
#include "tst_overlay_export.moc"
