// The incident export without a window: the GPX of a segment, the one question about
// the files it would replace, and the files (a moment's other cameras' segments and
// their view too) that appear together or not at all, never written through a planted
// link (a folder that cannot be written, a cancel, a quit, a failing ffmpeg, a rename
// that fails part-way).
#include "app/IncidentExport.h"
#include "common/Localization.h"
#include "player/ChannelRules.h"
#include "telemetry/GpsDataHelper.h"
#include "telemetry/Manifest.h"
#include "telemetry/Sha256.h"
#include "../extractor/XmlLint.h"
#include "../player/PlayerTestSupport.h"
#include "../support/FullDisk.h"
#include "PlateScene.h"

#include <QDir>
#include <QPainter>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QThreadPool>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

#include <cmath>

#include <memory>
#include <optional>

namespace {

QString clip() { return qEnvironmentVariable("VELTRA_SAMPLES") + QStringLiteral("/nt9665_1trak.MOV"); }

// Runs an export of [in, out] of the clip to `target`; finished()'s arguments.
QList<QVariant> exportTo(const QString &target, const QString &ffmpeg = {}, const QString &action = {},
                         const QString &source = clip(), ExportLocation location = ExportLocation::Full,
                         double in = 10.5, double out = 20.2, const QList<IncidentCamera> &cameras = {},
                         const QList<ViewTile> &view = {}, QSize viewSize = {})
{
    auto owned = std::make_unique<IncidentExport>();
    IncidentExport &job = *owned;
    job.cameras = cameras;
    job.view = view;
    job.viewSize = viewSize;
    if (!ffmpeg.isEmpty())
        job.setProgram(ffmpeg);
    QSignalSpy done(&job, &IncidentExport::finished);
    // The picture is written by the caller, on the pool; here a stand-in that takes a
    // while, as encoding a frame does, so that a quit comes while it is at work.
    job.start(source, in, out, 60.0, target, [](const QString &path) {
        return QtConcurrent::run([path] {
            QThread::msleep(300);
            QFile picture(path);
            return picture.open(QIODevice::WriteOnly) && picture.write("png") == 3;
        });
    }, std::nullopt, location);
    if (action == QLatin1String("cancel"))
        job.cancel();
    if (action == QLatin1String("quit")) {
        owned.reset();
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
        return {false, QString()};
    }
    if (action == QLatin1String("app quits")) {
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        QCoreApplication::exec();   // ends with aboutToQuit
        // The job outlives the checks: what it wrote went with the quit alone.
        owned.release()->setParent(qApp);
        QThreadPool::globalInstance()->waitForDone();
        return {false, QString()};
    }
    if (!done.wait(30000) && done.isEmpty())
        return {};
    return done.first();
}

// An ffmpeg that ends with status 0 having written a video without its movie header:
// "trailer" says so as ffmpeg 5.1 does on a full disk, "cut" says nothing.
QString fakeFfmpeg(const QString &path, const QString &kind)
{
    QFile script(path);
    if (!script.open(QIODevice::WriteOnly))
        return {};
    script.write("#!/bin/sh\nfor a; do out=\"$a\"; done\nhead -c 30000 /dev/urandom > \"$out\"\n");
    if (kind == QLatin1String("trailer"))
        script.write("echo \"Error writing trailer of $out: No space left on device\" >&2\n");
    script.write("exit 0\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

bool plant(const QString &path, const QByteArray &text)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(text) == text.size();
}

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(unreadable)");
}

QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

class IncidentExportTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(QFile::exists(clip())); }

    void segmentGpxHasTheSegmentsPoints()
    {
        const GpsReadResult result = GpsDataHelper::readGpsData(clip().toStdString());
        QCOMPARE(result.videoDatas.size(), size_t(60));
        const std::string gpx = IncidentExport::segmentGpx(result, 10.5, 20.2, 60.0, "incident.mp4");
        QCOMPARE(xmllintProblems(gpx, qEnvironmentVariable("VELTRA_SOURCE_DIR") + "/tests/extractor/gpx-1.1.xsd"),
                 QString());
        const QString text = QString::fromStdString(gpx);
        // Samples 10 to 20, the first and last of them as the clip has them.
        QCOMPARE(text.count(QStringLiteral("<trkpt ")), 11);
        QVERIFY(text.contains(QStringLiteral("<trkpt lat=\"") + QString::fromStdString(result.videoDatas[10].gps_lat)));
        const QRegularExpression last(QStringLiteral("<trkpt lat=\"([-0-9.]+)\"[^\\n]*</trkpt>\\n    </trkseg>"));
        QCOMPARE(last.match(text).captured(1), QString::fromStdString(result.videoDatas[20].gps_lat));
        // With the telemetry 2 s earlier than the picture, the picture's samples are 12 to 22.
        const QString moved = QString::fromStdString(IncidentExport::segmentGpx(result, 10.5, 20.2, 60.0, "incident.mp4", 2000));
        QCOMPARE(moved.count(QStringLiteral("<trkpt ")), 11);
        QCOMPARE(QRegularExpression(QStringLiteral("<trkpt lat=\"([-0-9.]+)\"")).match(moved).captured(1),
                 QString::fromStdString(result.videoDatas[12].gps_lat));
        QCOMPARE(last.match(moved).captured(1), QString::fromStdString(result.videoDatas[22].gps_lat));

        // Without sentence times the points count on from the segment's first sample.
        GpsReadResult drive = GpsDataHelper::readGpsData(
            (qEnvironmentVariable("VELTRA_SAMPLES") + QStringLiteral("/drive/2026_1108_093000_001.MOV")).toStdString());
        drive.times.clear();
        const QString timed = QString::fromStdString(IncidentExport::segmentGpx(drive, 10.5, 20.2, 60.0, "incident.mp4"));
        QCOMPARE(QRegularExpression(QStringLiteral("<time>([^<]*)</time>")).match(timed).captured(1),
                 QStringLiteral("2026-11-08T09:30:10"));
    }

    void replaceQuestion_data()
    {
        QTest::addColumn<QString>("chosen");         // as typed in the save panel
        QTest::addColumn<QStringList>("present");    // "name@": a link to nothing
        QTest::addColumn<QString>("question");
        QTest::newRow("nothing there") << "incident.mp4" << QStringList{"other.mp4"} << "";
        QTest::newRow("the video") << "incident.mp4" << QStringList{"incident.mp4"}
                                   << "incident.mp4 already exists. Replace it?";
        QTest::newRow("the GPX and the picture beside it")
            << "incident.mp4" << QStringList{"incident.png", "incident.gpx"}
            << "incident.gpx and incident.png already exist. Replace them?";
        QTest::newRow("all three") << "incident.mp4" << QStringList{"incident.gpx", "incident.mp4", "incident.png"}
                                   << "incident.mp4, incident.gpx and incident.png already exist. Replace them?";
        QTest::newRow("typed without the suffix") << "incident" << QStringList{"incident", "incident.mp4"}
                                                  << "incident.mp4 already exists. Replace it?";
        QTest::newRow("dots in the name") << "crash.on.main.st" << QStringList{"crash.on.main.gpx", "crash.on.main.st.gpx"}
                                          << "crash.on.main.st.gpx already exists. Replace it?";
        QTest::newRow("a link to nothing") << "incident.MP4" << QStringList{"incident.png@"}
                                           << "incident.png already exists. Replace it?";
    }
    void replaceQuestion()
    {
        QFETCH(QString, chosen);
        QFETCH(QStringList, present);
        QFETCH(QString, question);
        QTemporaryDir dir;
        for (const QString &p : present) {
            if (p.endsWith(QLatin1Char('@')))
                QVERIFY(QFile::link(dir.filePath(QStringLiteral("gone")), dir.filePath(p.chopped(1))));
            else
                QVERIFY(plant(dir.filePath(p), "old"));
        }
        const IncidentFiles files = IncidentExport::files(dir.filePath(chosen));
        QCOMPARE(IncidentExport::replaceQuestion(IncidentExport::existing(files.all())), question);
    }

    void writesAllThreeFiles_data()
    {
        QTest::addColumn<QStringList>("present");   // "name": a file; "name@": a link to a file elsewhere
        QTest::addColumn<QString>("folder");         // where the clip lies, empty: where it was forged
        QTest::newRow("into an empty folder") << QStringList{} << QString();
        QTest::newRow("over the files the user agreed to replace")
            << QStringList{"incident.mp4", "incident.gpx", "incident.png"} << QString();
        QTest::newRow("links planted at the names of the parts")
            << QStringList{".incident.mp4.part@", ".incident.gpx.part@", ".incident.png.part@"} << QString();
        QTest::newRow("a clip whose path has percent signs") << QStringList{} << "Trip 100% a%20b";
    }
    void writesAllThreeFiles()
    {
        QFETCH(QStringList, present);
        QFETCH(QString, folder);
        QTemporaryDir dir, elsewhere;
        QString source = clip();
        if (!folder.isEmpty()) {
            QVERIFY(QDir(elsewhere.path()).mkdir(folder));
            source = elsewhere.filePath(folder + QStringLiteral("/2026_1108_093000_001.MOV"));
            QVERIFY(QFile::copy(clip(), source));
        }
        const QString victim = elsewhere.filePath(QStringLiteral("precious"));
        QVERIFY(plant(victim, "precious"));
        QStringList expected{"incident.gpx", "incident.manifest.json", "incident.mp4", "incident.png"};
        for (const QString &p : present) {
            if (p.endsWith(QLatin1Char('@'))) {
                QVERIFY(QFile::link(victim, dir.filePath(p.chopped(1))));
                expected << p.chopped(1);
            } else {
                QVERIFY(plant(dir.filePath(p), "old"));
            }
        }
        expected.sort();
        const QList<QVariant> r = exportTo(dir.filePath(QStringLiteral("incident")), {}, {}, source);
        QVERIFY2(r.value(0).toBool(), qPrintable(r.value(1).toString()));
        QCOMPARE(entries(dir.path()), expected);
        QVERIFY(QFileInfo(dir.filePath(QStringLiteral("incident.mp4"))).size() > 1000);
        const QByteArray gpx = contents(dir.filePath(QStringLiteral("incident.gpx")));
        QVERIFY(gpx.startsWith("<?xml") && gpx.contains("<trkpt "));
        QCOMPARE(contents(dir.filePath(QStringLiteral("incident.png"))), QByteArray("png"));
        QCOMPARE(contents(victim), QByteArray("precious"));

        // The manifest proves the set, and names the file whose byte changed.
        const QString manifest = dir.filePath(QStringLiteral("incident.manifest.json"));
        const auto verify = [&manifest](QString *out) {
            QProcess p;
            p.start(qEnvironmentVariable("VELTRA_BINARY_DIR") + QStringLiteral("/src/extractor/veltra-gps"),
                    {QStringLiteral("--verify"), manifest});
            p.waitForFinished(60000);
            *out = QString::fromUtf8(p.readAllStandardOutput());
            return p.exitCode();
        };
        QString said;
        QCOMPARE(verify(&said), 0);
        QVERIFY2(said.endsWith(QStringLiteral("All 4 files are as the manifest says.\n")), qPrintable(said));
        QVERIFY(said.contains(QStringLiteral("same       clip ") + QFileInfo(source).absoluteFilePath()));
        QVERIFY(plant(dir.filePath(QStringLiteral("incident.png")), "pnG"));
        QCOMPARE(verify(&said), 1);
        QVERIFY2(said.contains(QStringLiteral("CHANGED    file ") + dir.filePath(QStringLiteral("incident.png")) +
                               QStringLiteral(": its SHA-256 differs\n")),
                 qPrintable(said));
        QVERIFY(said.endsWith(QStringLiteral("1 of 4 files are not as the manifest says.\n")));
    }

    // Without location the copy of a clip that records the car's messages in its video
    // frames reads back with nothing; coarse, the GPX's positions are rounded.
    void locationLeftOut_data()
    {
        QTest::addColumn<int>("location");
        QTest::addColumn<QStringList>("written");
        QTest::addRow("without location") << int(ExportLocation::None)
                                          << QStringList{"incident.manifest.json", "incident.mp4"};
        QTest::addRow("coarse location") << int(ExportLocation::Coarse)
                                         << QStringList{"incident.gpx", "incident.manifest.json", "incident.mp4",
                                                        "incident.png"};
    }
    void locationLeftOut()
    {
        QFETCH(int, location);
        QFETCH(QStringList, written);
        QTemporaryDir dir;
        const QString source = qEnvironmentVariable("VELTRA_SAMPLES") + QStringLiteral("/cameras/2026-11-13_10-03-00-front.mp4");
        QVERIFY(!GpsDataHelper::readGpsData(source.toStdString()).videoDatas.empty());
        const QList<QVariant> r = exportTo(dir.filePath(QStringLiteral("incident")), {}, {}, source,
                                           ExportLocation(location), 2.0, 8.0);
        QVERIFY2(r.value(0).toBool(), qPrintable(r.value(1).toString()));
        QCOMPARE(entries(dir.path()), written);
        // The frames keep no message: the copy reads as nothing, or (coarse) as the GPX beside it.
        const GpsReadResult copy = GpsDataHelper::readGpsData(dir.filePath(QStringLiteral("incident.mp4")).toStdString());
        QCOMPARE(copy.openError, 0);
        const bool coarse = ExportLocation(location) == ExportLocation::Coarse;
        QCOMPARE(copy.videoDatas.empty(), !coarse);
        QCOMPARE(int(copy.layout), int(coarse ? TelemetryLayout::GpxFile : TelemetryLayout::None));
        QVERIFY(verifyManifest(dir.filePath(QStringLiteral("incident.manifest.json")).toStdString()).allSame());
        if (coarse) {
            const QString gpx = QString::fromUtf8(contents(dir.filePath(QStringLiteral("incident.gpx"))));
            const QRegularExpression point(QStringLiteral("<trkpt lat=\"(-?[0-9.]+)\" lon=\"(-?[0-9.]+)\""));
            int points = 0;
            for (auto m = point.globalMatch(gpx); m.hasNext(); ++points) {
                const auto p = m.next();
                for (int k = 1; k <= 2; ++k)
                    QVERIFY2(std::fabs(p.captured(k).toDouble() * 100 - std::round(p.captured(k).toDouble() * 100)) < 1e-6,
                             qPrintable(p.captured(k)));
            }
            QVERIFY(points > 10);
        }
    }

    // The view of the moment's cameras: every camera's segment scaled into its tile of
    // the arrangement, the rear flipped, over black, encoded anew.
    void viewArguments_data()
    {
        QTest::addColumn<int>("arrangement");
        QTest::addColumn<int>("count");
        for (const auto a : {ChannelRules::Arrangement::Insets, ChannelRules::Arrangement::SideBySide,
                             ChannelRules::Arrangement::Grid})
            for (const int n : {2, 3, 6})
                QTest::addRow("%s, %d cameras", qPrintable(ChannelRules::arrangementKey(a)), n) << int(a) << n;
    }
    void viewArguments()
    {
        QFETCH(int, arrangement);
        QFETCH(int, count);
        const QSize size(1280, 720);
        const QList<QRect> rects = ChannelRules::tiles(ChannelRules::Arrangement(arrangement), size, count);
        // The second camera is the rear; of three or more, the last has no recording.
        const int gap = count > 2 ? count - 1 : -1;
        QList<ViewTile> tiles;
        for (int i = 0; i < count; ++i)
            tiles << ViewTile{i == gap ? QString() : QStringLiteral("/card/%1.MOV").arg(i), i * 0.25, rects[i], i == 1};
        // The sound is the main clip's, whichever tile shows it.
        const QStringList args = IncidentExport::viewArguments(tiles, size, 10.5, 20.2, QStringLiteral("/out/view.mp4"),
                                                               QStringLiteral("/card/1.MOV"));
        QVERIFY(args.join(QLatin1Char(' ')).contains(QStringLiteral("-map 1:a:0? -c:a aac")));
        QVERIFY(!args.contains(QStringLiteral("-an")));
        const int inputs = gap < 0 ? count : count - 1;
        QCOMPARE(args.count(QStringLiteral("-i")), inputs);
        for (int i = 0; i < inputs; ++i) {
            const qsizetype at = args.indexOf(QStringLiteral("/card/%1.MOV").arg(i));
            QVERIFY(at > 4);
            QCOMPARE(args[at - 5], QStringLiteral("-ss"));
            QCOMPARE(args[at - 4], QString::number(10.5 + i * 0.25, 'f', 3));
            QCOMPARE(args[at - 1], QStringLiteral("-i"));
        }
        const QString graph = args[args.indexOf(QStringLiteral("-filter_complex")) + 1];
        QVERIFY2(graph.startsWith(QStringLiteral("color=c=black:s=1280x720:")), qPrintable(graph));
        for (int i = 0; i < count; ++i) {
            const QRect r(rects[i].topLeft(), QSize(rects[i].width() & ~1, rects[i].height() & ~1));
            const QString place = i == gap
                ? QStringLiteral("drawbox=x=%1:y=%2:w=%3:h=%4:").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height())
                : QStringLiteral("[%1:v]scale=%2:%3:").arg(i).arg(r.width()).arg(r.height());
            QVERIFY2(graph.contains(place), qPrintable(place + QStringLiteral(" in ") + graph));
            if (i != gap)
                QVERIFY2(graph.contains(QStringLiteral("overlay=x=%1:y=%2:").arg(r.x()).arg(r.y())), qPrintable(graph));
        }
        // The rear's picture alone is flipped.
        QCOMPARE(graph.count(QStringLiteral("hflip")), 1);
        const qsizetype rear = graph.indexOf(QStringLiteral("[1:v]"));
        QVERIFY(graph.indexOf(QStringLiteral("hflip")) > rear);
        QVERIFY(graph.indexOf(QStringLiteral("hflip")) < graph.indexOf(QStringLiteral("[v1]"), rear));
        QVERIFY(args.join(QLatin1Char(' ')).contains(QStringLiteral("-c:v libx264 -preset veryfast")));
        QCOMPARE(args[args.indexOf(QStringLiteral("-t")) + 1], QStringLiteral("9.700"));
        QCOMPARE(args.last(), QStringLiteral("/out/view.mp4"));
    }

    // A front clip with its rear and cabin: each camera's segment beside the front's, in
    // the manifest with its clip, and the view of all three side by side; a camera
    // without a recording gives no segment, and the closing message names it.
    void writesEveryCamera_data()
    {
        QTest::addColumn<bool>("rearRecorded");
        QTest::addColumn<bool>("withView");
        QTest::addRow("front, rear and cabin with their view") << true << true;
        QTest::addRow("front, rear and cabin") << true << false;
        QTest::addRow("a rear without a recording") << false << false;
    }
    void writesEveryCamera()
    {
        QFETCH(bool, rearRecorded);
        QFETCH(bool, withView);
        const QString moment = qEnvironmentVariable("VELTRA_SAMPLES") + QStringLiteral("/moment/2026_1115_090000_001%1.MOV");
        QTemporaryDir dir;
        const QList<IncidentCamera> cameras{{QStringLiteral("rear"), rearRecorded ? moment.arg('R') : QString(), 0.0},
                                            {QStringLiteral("cabin"), moment.arg('I'), 0.0}};
        const QSize size(960, 240);
        const QList<QRect> rects = ChannelRules::tiles(ChannelRules::Arrangement::SideBySide, size, 3);
        QList<ViewTile> view;
        if (withView)
            view = {{moment.arg('F'), 0.0, rects[0], false}, {moment.arg('R'), 0.0, rects[1], true},
                    {moment.arg('I'), 0.0, rects[2], false}};
        const QList<QVariant> r = exportTo(dir.filePath(QStringLiteral("incident")), {}, {}, moment.arg('F'),
                                           ExportLocation::None, 2.0, 6.0, cameras, view, size);
        QVERIFY2(r.value(0).toBool(), qPrintable(r.value(1).toString()));
        QStringList written{"incident.manifest.json", "incident.mp4", "incident_cabin.mp4"};
        if (rearRecorded)
            written << "incident_rear.mp4";
        if (withView)
            written << "incident_view.mp4";
        written.sort();
        QCOMPARE(entries(dir.path()), written);
        QCOMPARE(r.value(1).toString(),
                 rearRecorded ? QString() : Localization::text("incident_no_recording").arg(QStringLiteral("rear")));
        const ManifestVerdict verdict = verifyManifest(dir.filePath(QStringLiteral("incident.manifest.json")).toStdString());
        QVERIFY(verdict.allSame());
        const int clips = rearRecorded ? 3 : 2;   // each segment's clip is proved too
        QCOMPARE(int(verdict.checks.size()), clips + int(written.size()) - 1);
        for (const QString &name : written)
            if (name.endsWith(QLatin1String(".mp4")))
                QVERIFY(QFileInfo(dir.filePath(name)).size() > 1000);
        // The segments are the cameras' own: red, green, blue in the top left quarter.
        const auto isMostly = [](const QColor &c, int channel) {
            const int v[3] = {c.red(), c.green(), c.blue()};
            return v[channel] > 150 && v[(channel + 1) % 3] < 100 && v[(channel + 2) % 3] < 100;
        };
        const QImage cabin = PlayerTestSupport::ffmpegFrame(dir.filePath(QStringLiteral("incident_cabin.mp4")), 1.0);
        QVERIFY(isMostly(cabin.pixelColor(cabin.width() / 8, cabin.height() / 8), 2));
        if (!withView)
            return;
        const QImage shown = PlayerTestSupport::ffmpegFrame(dir.filePath(QStringLiteral("incident_view.mp4")), 1.0);
        QCOMPARE(shown.size(), size);
        // Each in its tile, the rear flipped as shown: its green at the top right.
        QVERIFY(isMostly(shown.pixelColor(rects[0].x() + rects[0].width() / 8, rects[0].height() / 8), 0));
        QVERIFY(isMostly(shown.pixelColor(rects[1].x() + rects[1].width() * 7 / 8, rects[1].height() / 8), 1));
        QVERIFY(isMostly(shown.pixelColor(rects[2].x() + rects[2].width() / 8, rects[2].height() / 8), 2));
    }

    // Redacted: the front and rear of the plate scene, each with its plate marked and
    // followed, come out with the plate blurred in their segments, in their view and in
    // the picture; the manifest says so and still proves the originals.
    void redactedMomentIsBlurred_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addRow("written") << QString();
        QTest::addRow("cancelled half-way") << QStringLiteral("cancel");
    }
    void redactedMomentIsBlurred()
    {
        QFETCH(QString, action);
        const QString moment = qEnvironmentVariable("VELTRA_SAMPLES") + QStringLiteral("/redact/2026_1115_092000_020%1.MOV");
        const QString front = moment.arg('F'), rear = moment.arg('R');
        const QByteArray frontBefore = contents(front), rearBefore = contents(rear);
        QTemporaryDir dir;
        IncidentExport job;
        job.cameras = {{QStringLiteral("rear"), rear, 0.0}};
        job.view = {{front, 0.0, QRect(0, 0, 640, 360), false}};
        job.viewSize = QSize(640, 360);
        const auto plate = [](int frame, QSize size) {
            const auto b = PlateScene::plate(frame, 30, size.width(), size.height());
            return QRect(b.x, b.y, b.width, b.height);
        };
        // The marks as the tracker would leave them: the plate on every frame, bigger by
        // a few pixels; the rear's kept for the front's picture size (scaled to its own).
        for (const auto &[clip, size] : {std::pair{front, QSize(640, 360)}, std::pair{rear, QSize(480, 270)}}) {
            RedactMarks marks(QSize(640, 360), 33333);
            const int id = marks.add(MarkKind::Plate, 0, plate(0, size));
            QMap<qint64, QRect> boxes;
            const double sx = 640.0 / size.width();
            for (int f = 1; f < 360; ++f) {
                const QRect r = plate(f, size).adjusted(-3, -3, 3, 3);
                boxes.insert(std::llround(f * 1e6 / 30),
                             QRect(int(r.x() * sx), int(r.y() * sx), int(r.width() * sx), int(r.height() * sx)));
            }
            QVERIFY(marks.setTracked(id, 0, 12'000'000, boxes, {}));
            marks.add(MarkKind::Face, 0, QRect(0, 0, 50, 50), false);  // only offered: not blurred
            job.redactions.insert(clip, marks);
        }
        job.blur = BlurOptions{BlurStyle::Gaussian, 7};
        job.pictureSeconds = 3.0;
        QCOMPARE(job.marksBlurred(front), 1);
        QSignalSpy done(&job, &IncidentExport::finished);
        if (action == QLatin1String("cancel"))
            connect(&job, &IncidentExport::progress, &job, [&job](int percent) {
                if (percent > 5)
                    job.cancel();
            });
        // The picture as the player saves it with a caption: the frame, a strip under it.
        job.start(front, 2.0, 6.0, 12.0, dir.filePath(QStringLiteral("incident")), [front](const QString &path) {
            return QtConcurrent::run([front, path] {
                const QImage frame = PlayerTestSupport::ffmpegFrame(front, 3.0);
                QImage captioned(frame.width(), frame.height() + 40, QImage::Format_RGB32);
                captioned.fill(Qt::black);
                QPainter(&captioned).drawImage(0, 0, frame);
                return captioned.save(path, "PNG");
            });
        });
        QVERIFY(done.wait(120000));
        QCOMPARE(contents(front), frontBefore);
        QCOMPARE(contents(rear), rearBefore);
        if (action == QLatin1String("cancel")) {
            QCOMPARE(done.first().value(0).toBool(), false);
            QVERIFY(done.first().value(1).toString().contains(QStringLiteral("cancelled")));
            QCOMPARE(entries(dir.path()), QStringList());
            return;
        }
        QVERIFY2(done.first().value(0).toBool(), qPrintable(done.first().value(1).toString()));
        QCOMPARE(entries(dir.path()), (QStringList{"incident.gpx", "incident.manifest.json", "incident.mp4", "incident.png",
                                                   "incident_rear.mp4", "incident_view.mp4"}));
        const QString manifestPath = dir.filePath(QStringLiteral("incident.manifest.json"));
        const ManifestVerdict verdict = verifyManifest(manifestPath.toStdString());
        QVERIFY(verdict.allSame());
        QVERIFY(verdict.redacted);
        QCOMPARE(verdict.redactedMarks, int64_t(2));
        Manifest m;
        QVERIFY(ManifestJson::parse(contents(manifestPath).toStdString(), &m, nullptr));
        QCOMPARE(QString::fromStdString(m.clips[0].sha256), QString::fromStdString(Sha256::fileHex(front.toStdString())));

        // The detail of the plate's middle against the same place in the original frame.
        const auto detail = [](const QImage &img, const QRect &r) {
            double sum = 0;
            int n = 0;
            for (int y = r.top(); y <= r.bottom(); ++y)
                for (int x = r.left(); x < r.right(); ++x, ++n)
                    sum += std::abs(qGray(img.pixel(x + 1, y)) - qGray(img.pixel(x, y)));
            return n ? sum / n : 0.0;
        };
        const struct {
            QString file;
            double at;       // seconds into the written file
            QString clip;
            QSize size;
        } looks[] = {{QStringLiteral("incident.mp4"), 1.0, front, QSize(640, 360)},
                     {QStringLiteral("incident_rear.mp4"), 2.5, rear, QSize(480, 270)},
                     {QStringLiteral("incident_view.mp4"), 1.5, front, QSize(640, 360)}};
        for (const auto &look : looks) {
            const QImage written = PlayerTestSupport::ffmpegFrame(dir.filePath(look.file), look.at);
            const QImage original = PlayerTestSupport::ffmpegFrame(look.clip, 2.0 + look.at);
            QCOMPARE(written.size(), look.size);
            const QRect middle = plate(int(std::lround((2.0 + look.at) * 30)), look.size).adjusted(4, 4, -4, -4);
            const double before = detail(original, middle), after = detail(written, middle);
            QVERIFY2(after < 0.3 * before, qPrintable(QStringLiteral("%1: %2 -> %3").arg(look.file).arg(before).arg(after)));
            // The top left of the picture, far from the plate, is as the clip has it.
            QVERIFY(PlayerTestSupport::meanDifference(written.copy(0, 0, 100, 60), original.copy(0, 0, 100, 60)) < 8);
        }
        const QImage picture(dir.filePath(QStringLiteral("incident.png")));
        QVERIFY(!picture.isNull());
        const QImage still = PlayerTestSupport::ffmpegFrame(front, 3.0);
        const QRect middle = plate(90, QSize(640, 360)).adjusted(4, 4, -4, -4);
        QVERIFY(detail(picture, middle) < 0.3 * detail(still, middle));
    }

    // An export never writes over its own clip, by its name or through a link.
    void neverWritesOverItsOwnClip()
    {
        QTemporaryDir dir;
        const QString copy = dir.filePath(QStringLiteral("clip.mp4"));
        QVERIFY(QFile::copy(clip(), copy));
        QVERIFY(QFile::link(copy, dir.filePath(QStringLiteral("link.mp4"))));
        const QByteArray before = contents(copy);
        for (const QString &target : {copy, dir.filePath(QStringLiteral("link.mp4"))}) {
            const QList<QVariant> r = exportTo(target, {}, {}, copy);
            QCOMPARE(r.value(0).toBool(), false);
            QVERIFY2(r.value(1).toString().contains(QStringLiteral("is a clip of this export")),
                     qPrintable(r.value(1).toString()));
        }
        QVERIFY(contents(copy) == before);
        QCOMPARE(entries(dir.path()), (QStringList{"clip.mp4", "link.mp4"}));
    }

    void failuresLeaveNothing_data()
    {
        QTest::addColumn<QString>("where");     // relative to the test folder
        QTest::addColumn<QString>("ffmpeg");    // empty: the one on PATH
        QTest::addColumn<QString>("action");    // at once: "cancel", "quit" (the job goes), "app quits"
        QTest::addColumn<QStringList>("present");   // "name": a file; "name/": a folder with a file in it
        QTest::addColumn<QString>("says");
        QTest::addColumn<bool>("moment");   // the front of a moment, with its rear, cabin and their view
        QTest::newRow("folder that cannot be written") << "blocker/incident.mp4" << "" << "" << QStringList{}
                                                       << "Cannot write" << false;
        QTest::newRow("ffmpeg fails") << "incident.mp4" << "/bin/false" << "" << QStringList{} << "video could not" << false;
        QTest::newRow("no ffmpeg") << "incident.mp4" << "/nonexistent/ffmpeg" << "" << QStringList{}
                                   << "video could not" << false;
        QTest::newRow("cancelled") << "incident.mp4" << "" << "cancel" << QStringList{} << "cancelled" << false;
        QTest::newRow("quit while writing") << "incident.mp4" << "" << "quit" << QStringList{"incident.gpx"} << "" << false;
        QTest::newRow("the application quits while writing")
            << "incident.mp4" << "" << "app quits" << QStringList{"incident.png"} << "" << false;
        QTest::newRow("the last rename fails: the replaced files come back")
            << "incident.mp4" << "" << "" << QStringList{"incident.png", "incident.gpx", "incident.mp4/"} << "renamed" << false;
        QTest::newRow("the second rename fails: the first new file goes")
            << "incident.mp4" << "" << "" << QStringList{"incident.gpx/", "incident.mp4"} << "renamed" << false;
        QTest::newRow("a moment's export cancelled")
            << "incident.mp4" << "" << "cancel" << QStringList{} << "cancelled" << true;
        QTest::newRow("the last rename fails after the other cameras' segments")
            << "incident.mp4" << "" << "" << QStringList{"incident_rear.mp4", "incident.mp4/"} << "renamed" << true;
        // A full disk: ffmpeg 5.1 says "Error writing trailer" and ends with status 0, or
        // leaves media data without a movie header; neither is taken for a video.
        QTest::newRow("the disk fills: files stop growing") << "incident.mp4" << "" << "full disk"
                                                            << QStringList{"incident.mp4", "incident.gpx"}
                                                            << "could not be written" << false;
        QTest::newRow("ffmpeg ends with 0 after a failed trailer")
            << "incident.mp4" << "script:trailer" << "" << QStringList{"incident.mp4"} << "Error writing trailer" << false;
        QTest::newRow("ffmpeg ends with 0 and no movie header")
            << "incident.mp4" << "script:cut" << "" << QStringList{"incident.mp4"} << "incompletely" << false;
    }
    void failuresLeaveNothing()
    {
        QFETCH(QString, where);
        QFETCH(QString, ffmpeg);
        QFETCH(QString, action);
        QFETCH(QStringList, present);
        QFETCH(QString, says);
        QFETCH(bool, moment);
        QTemporaryDir dir;
        // A plain file where a folder is wanted: not even root can write under it.
        QVERIFY(plant(dir.filePath(QStringLiteral("blocker")), "blocker"));
        QStringList expected{"blocker"};
        for (const QString &p : present) {
            const QString name = p.endsWith(QLatin1Char('/')) ? p.chopped(1) : p;
            if (p.endsWith(QLatin1Char('/')))
                QVERIFY(QDir(dir.path()).mkdir(name) && plant(dir.filePath(name + QStringLiteral("/inside")), "inside"));
            else
                QVERIFY(plant(dir.filePath(name), "old " + name.toUtf8()));
            expected << name;
        }
        expected.sort();
        if (ffmpeg.startsWith(QLatin1String("script:")))
            ffmpeg = fakeFfmpeg(dir.filePath(QStringLiteral(".ffmpeg")), ffmpeg.mid(7));
        // The segment is some 600 KB: the disk is full at 200 KB.
        std::optional<FileSizeLimit> full;
        if (action == QLatin1String("full disk"))
            full.emplace(200 * 1024);
        const QString front = qEnvironmentVariable("VELTRA_SAMPLES") + QStringLiteral("/moment/2026_1115_090000_001%1.MOV");
        const QList<QRect> rects = ChannelRules::tiles(ChannelRules::Arrangement::Insets, QSize(640, 480), 3);
        const QList<QVariant> r = moment
            ? exportTo(dir.filePath(where), ffmpeg, action, front.arg('F'), ExportLocation::None, 2.0, 6.0,
                       {{QStringLiteral("rear"), front.arg('R'), 0.0}, {QStringLiteral("cabin"), front.arg('I'), 0.0}},
                       {{front.arg('F'), 0.0, rects[0], false}, {front.arg('R'), 0.0, rects[1], true},
                        {front.arg('I'), 0.0, rects[2], false}},
                       QSize(640, 480))
            : exportTo(dir.filePath(where), ffmpeg, action);
        full.reset();
        QCOMPARE(r.value(0).toBool(), false);
        QVERIFY2(r.value(1).toString().contains(says), qPrintable(r.value(1).toString()));
        QFile::remove(dir.filePath(QStringLiteral(".ffmpeg")));
        QCOMPARE(entries(dir.path()), expected);
        for (const QString &p : present) {
            if (p.endsWith(QLatin1Char('/')))
                QCOMPARE(entries(dir.filePath(p)), QStringList{"inside"});
            else
                QCOMPARE(contents(dir.filePath(p)), "old " + p.toUtf8());
        }
    }
};

QTEST_GUILESS_MAIN(IncidentExportTest)
#include "tst_incident_export.moc"
