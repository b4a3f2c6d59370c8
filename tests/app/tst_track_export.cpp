// File ▸ Export Track… writes what veltra-gps --trips writes for the same clips.
#include "app/TrackExport.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TrackExportTest : public QObject {
    Q_OBJECT

    QStringList paths() const
    {
        const QString dir = qEnvironmentVariable("VELTRA_SAMPLES");
        return {dir + "/drive/2026_1108_093200_003.MOV", dir + "/nofix.MOV", dir + "/drive/2026_1108_093000_001.MOV",
                dir + "/nt9666.MOV", dir + "/drive/2026_1108_093100_002.MOV"};
    }
    QList<QUrl> urls() const
    {
        QList<QUrl> out;
        for (const QString &p : paths())
            out << QUrl::fromLocalFile(p);
        return out;
    }
    QByteArray tool(const QString &format) const
    {
        QProcess p;
        p.start(QStringLiteral(VELTRA_GPS), QStringList{"--trips", "--format", format} + paths());
        if (!p.waitForFinished(60000) || p.exitCode() != 0)
            return "veltra-gps failed: " + p.readAllStandardError();
        return p.readAllStandardOutput();
    }

private slots:
    void sameBytesAsTheTool_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addRow("gpx") << "gpx";
        QTest::addRow("kml") << "kml";
        QTest::addRow("csv") << "csv";
    }
    void sameBytesAsTheTool()
    {
        QFETCH(QString, format);
        const auto f = TrackExport::formatOf("out." + format.toUpper());
        QVERIFY(f.has_value());
        const QByteArray expected = tool(format);
        QVERIFY(expected.size() > 1000);
        QCOMPARE(TrackExport::document(*f, urls(), 10000), expected);
    }

    void settledName_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("settled");
        QTest::addRow("no suffix, GPX chosen") << "trip" << "GPX (*.gpx)" << "trip.gpx";
        QTest::addRow("no suffix, KML chosen") << "trip" << "KML (*.kml)" << "trip.kml";
        QTest::addRow("a format's suffix is kept") << "trip.CSV" << "KML (*.kml)" << "trip.CSV";
        QTest::addRow("another suffix is part of the name") << "trip.2026" << "CSV (*.csv)" << "trip.2026.csv";
        QTest::addRow("no filter") << "trip" << "" << "trip.gpx";
    }
    void settledName()
    {
        QFETCH(QString, typed);
        QFETCH(QString, filter);
        QFETCH(QString, settled);
        QCOMPARE(TrackExport::settledName(typed, filter), settled);
    }

    void exportWritesTheFile()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath("trip.gpx");
        QString outcome = "not called";
        bool called = false;
        TrackExport::exportTo(file, urls(), 10000, [&](const QString &error) { outcome = error; called = true; });
        QTRY_VERIFY_WITH_TIMEOUT(called, 30000);
        QCOMPARE(outcome, QString());
        QFile written(file);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), tool("gpx"));
        QVERIFY(!TrackExport::formatOf(dir.filePath("trip.txt")));
    }
};

QTEST_GUILESS_MAIN(TrackExportTest)
#include "tst_track_export.moc"
