// The incident export without a window: the GPX of a segment, the one question about
// the files it would replace, and the three files that appear together or not at all,
// never written through a planted link (a folder that cannot be written, a cancel, a
// quit, a failing ffmpeg, a rename that fails part-way).
#include "app/IncidentExport.h"
#include "telemetry/GpsDataHelper.h"
#include "telemetry/Manifest.h"
#include "../extractor/XmlLint.h"

#include <QDir>
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

namespace {

QString clip() { return qEnvironmentVariable("VELTRA_SAMPLES") + QStringLiteral("/nt9665_1trak.MOV"); }

// Runs an export of [in, out] of the clip to `target`; finished()'s arguments.
QList<QVariant> exportTo(const QString &target, const QString &ffmpeg = {}, const QString &action = {},
                         const QString &source = clip(), ExportLocation location = ExportLocation::Full,
                         double in = 10.5, double out = 20.2)
{
    auto owned = std::make_unique<IncidentExport>();
    IncidentExport &job = *owned;
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

    void failuresLeaveNothing_data()
    {
        QTest::addColumn<QString>("where");     // relative to the test folder
        QTest::addColumn<QString>("ffmpeg");    // empty: the one on PATH
        QTest::addColumn<QString>("action");    // at once: "cancel", "quit" (the job goes), "app quits"
        QTest::addColumn<QStringList>("present");   // "name": a file; "name/": a folder with a file in it
        QTest::addColumn<QString>("says");
        QTest::newRow("folder that cannot be written") << "blocker/incident.mp4" << "" << "" << QStringList{}
                                                       << "Cannot write";
        QTest::newRow("ffmpeg fails") << "incident.mp4" << "/bin/false" << "" << QStringList{} << "video could not";
        QTest::newRow("no ffmpeg") << "incident.mp4" << "/nonexistent/ffmpeg" << "" << QStringList{}
                                   << "video could not";
        QTest::newRow("cancelled") << "incident.mp4" << "" << "cancel" << QStringList{} << "cancelled";
        QTest::newRow("quit while writing") << "incident.mp4" << "" << "quit" << QStringList{"incident.gpx"} << "";
        QTest::newRow("the application quits while writing")
            << "incident.mp4" << "" << "app quits" << QStringList{"incident.png"} << "";
        QTest::newRow("the last rename fails: the replaced files come back")
            << "incident.mp4" << "" << "" << QStringList{"incident.png", "incident.gpx", "incident.mp4/"} << "renamed";
        QTest::newRow("the second rename fails: the first new file goes")
            << "incident.mp4" << "" << "" << QStringList{"incident.gpx/", "incident.mp4"} << "renamed";
    }
    void failuresLeaveNothing()
    {
        QFETCH(QString, where);
        QFETCH(QString, ffmpeg);
        QFETCH(QString, action);
        QFETCH(QStringList, present);
        QFETCH(QString, says);
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
        const QList<QVariant> r = exportTo(dir.filePath(where), ffmpeg, action);
        QCOMPARE(r.value(0).toBool(), false);
        QVERIFY2(r.value(1).toString().contains(says), qPrintable(r.value(1).toString()));
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
