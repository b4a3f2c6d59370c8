// The incident export without a window: the GPX of a segment, and the three files
// that appear together or not at all (a folder that cannot be written, a cancel, a
// failing ffmpeg).
#include "app/IncidentExport.h"
#include "telemetry/GpsDataHelper.h"
#include "../extractor/XmlLint.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString clip() { return qEnvironmentVariable("VELTRA_SAMPLES") + QStringLiteral("/nt9665_1trak.MOV"); }

// Runs an export of [10.5, 20.2] of the clip to `target`; finished()'s arguments.
QList<QVariant> exportTo(const QString &target, const QString &ffmpeg = {}, bool cancel = false)
{
    IncidentExport job;
    if (!ffmpeg.isEmpty())
        job.setProgram(ffmpeg);
    QSignalSpy done(&job, &IncidentExport::finished);
    // The picture is written by the caller; here a stand-in in its place.
    const IncidentFiles files = IncidentExport::files(target);
    QFile picture(files.picturePart);
    const bool wrote = picture.open(QIODevice::WriteOnly) && picture.write("png") == 3;
    picture.close();
    job.start(clip(), 10.5, 20.2, 60.0, target, QtFuture::makeReadyFuture(wrote));
    if (cancel)
        job.cancel();
    if (!done.wait(30000) && done.isEmpty())
        return {};
    return done.first();
}

QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
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
    }

    void writesAllThreeFiles()
    {
        QTemporaryDir dir;
        const QList<QVariant> r = exportTo(dir.filePath(QStringLiteral("incident")));
        QCOMPARE(r.value(0).toBool(), true);
        QCOMPARE(entries(dir.path()), (QStringList{"incident.gpx", "incident.mp4", "incident.png"}));
        QVERIFY(QFileInfo(dir.filePath(QStringLiteral("incident.mp4"))).size() > 1000);
    }

    void failuresLeaveNothing_data()
    {
        QTest::addColumn<QString>("where");     // relative to the test folder
        QTest::addColumn<QString>("ffmpeg");    // empty: the one on PATH
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<QString>("says");
        QTest::newRow("folder that cannot be written") << "blocker/incident.mp4" << "" << false << "Cannot write";
        QTest::newRow("ffmpeg fails") << "incident.mp4" << "/bin/false" << false << "video could not";
        QTest::newRow("no ffmpeg") << "incident.mp4" << "/nonexistent/ffmpeg" << false << "video could not";
        QTest::newRow("cancelled") << "incident.mp4" << "" << true << "cancelled";
    }
    void failuresLeaveNothing()
    {
        QFETCH(QString, where);
        QFETCH(QString, ffmpeg);
        QFETCH(bool, cancel);
        QFETCH(QString, says);
        QTemporaryDir dir;
        // A plain file where a folder is wanted: not even root can write under it.
        QFile blocker(dir.filePath(QStringLiteral("blocker")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const QList<QVariant> r = exportTo(dir.filePath(where), ffmpeg, cancel);
        QCOMPARE(r.value(0).toBool(), false);
        QVERIFY2(r.value(1).toString().contains(says), qPrintable(r.value(1).toString()));
        QCOMPARE(entries(dir.path()), QStringList{"blocker"});
    }
};

QTEST_GUILESS_MAIN(IncidentExportTest)
#include "tst_incident_export.moc"
