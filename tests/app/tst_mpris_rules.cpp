// The remote control's rules: track ids, status, time units, what SetPosition and
// Seek go to, what OpenUri refuses, the options a second start hands over, and the
// metadata map.
#include "app/MprisRules.h"

#include <QDBusObjectPath>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <sys/stat.h>

using namespace MprisRules;

namespace {

GpsSample sample(int spd, const char *lat, const char *lgt)
{
    GpsSample s;
    s.spd = spd;
    s.gps_lat = lat;
    s.gps_lgt = lgt;
    return s;
}

} // namespace

class MprisRulesTest : public QObject {
    Q_OBJECT
private slots:
    void trackIdsAndStatus()
    {
        QCOMPARE(trackId(0), QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack"));
        QCOMPARE(trackId(1), QStringLiteral("/io/github/veltra/Player/track/1"));
        QCOMPARE(trackId(12), QStringLiteral("/io/github/veltra/Player/track/12"));
        QVERIFY(QDBusObjectPath(trackId(3)).path() == trackId(3));   // a valid object path

        QCOMPARE(playbackStatus(false, true, false), QStringLiteral("Stopped"));
        QCOMPARE(playbackStatus(true, true, false), QStringLiteral("Playing"));
        QCOMPARE(playbackStatus(true, false, true), QStringLiteral("Paused"));
        QCOMPARE(playbackStatus(true, false, false), QStringLiteral("Stopped"));
    }

    void units()
    {
        QCOMPARE(toMicroseconds(12.0), qint64(12000000));
        QCOMPARE(toMicroseconds(0.0000015), qint64(2));
        QCOMPARE(toMicroseconds(59.999), qint64(59999000));
        QCOMPARE(toSeconds(12000000), 12.0);
        QCOMPARE(toSeconds(-500000), -0.5);
    }

    void setPosition_data()
    {
        QTest::addColumn<QString>("trackId");
        QTest::addColumn<QString>("current");
        QTest::addColumn<qint64>("position");
        QTest::addColumn<double>("length");
        QTest::addColumn<double>("expected");   // -1: ignored
        const QString t1 = trackId(1);
        QTest::addRow("inside") << t1 << t1 << qint64(12000000) << 60.0 << 12.0;
        QTest::addRow("start") << t1 << t1 << qint64(0) << 60.0 << 0.0;
        QTest::addRow("end") << t1 << t1 << qint64(60000000) << 60.0 << 60.0;
        QTest::addRow("past the end") << t1 << t1 << qint64(60000001) << 60.0 << -1.0;
        QTest::addRow("negative") << t1 << t1 << qint64(-1) << 60.0 << -1.0;
        QTest::addRow("stale track") << trackId(2) << t1 << qint64(12000000) << 60.0 << -1.0;
        QTest::addRow("no track") << noTrack() << noTrack() << qint64(0) << 60.0 << -1.0;
    }
    void setPosition()
    {
        QFETCH(QString, trackId);
        QFETCH(QString, current);
        QFETCH(qint64, position);
        QFETCH(double, length);
        QFETCH(double, expected);
        const std::optional<double> target = setPositionTarget(trackId, current, position, length);
        QCOMPARE(target.value_or(-1.0), expected);
    }

    void seek()
    {
        QCOMPARE(seekTarget(10.0, 5000000), 15.0);
        QCOMPARE(seekTarget(3.0, -5000000), 0.0);
        QCOMPARE(seekTarget(58.0, 5000000), 63.0);   // past the end: the caller goes to the next file
    }

    void openUri()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString file = dir.filePath(QStringLiteral("a b.MOV"));
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.MOV")));

        QCOMPARE(openUriProblem(QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded)), QString());
        QVERIFY(openUriProblem(QStringLiteral("http://example.com/a.MOV")).startsWith(QLatin1String("not a file URL")));
        QVERIFY(openUriProblem(file).startsWith(QLatin1String("not a file URL")));   // a path, no URL
        QVERIFY(openUriProblem(QString()).startsWith(QLatin1String("not a file URL")));
        QVERIFY(openUriProblem(QUrl::fromLocalFile(dir.filePath(QStringLiteral("gone.MOV"))).toString())
                    .startsWith(QLatin1String("no such file")));
        QVERIFY(openUriProblem(QUrl::fromLocalFile(dir.filePath(QStringLiteral("folder.MOV"))).toString())
                    .startsWith(QLatin1String("a folder")));
        const QString fifo = dir.filePath(QStringLiteral("pipe.MOV"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QVERIFY(openUriProblem(QUrl::fromLocalFile(fifo).toString()).startsWith(QLatin1String("pipe.MOV was not added")));
    }

    void openOptions_data()
    {
        QTest::addColumn<QVariantMap>("options");
        QTest::addColumn<double>("startAt");     // -1: refused
        QTest::addColumn<bool>("fullScreen");
        QTest::addRow("none") << QVariantMap() << 0.0 << false;
        QTest::addRow("both") << QVariantMap{{"start-at", 20.5}, {"fullscreen", true}} << 20.5 << true;
        QTest::addRow("whole seconds") << QVariantMap{{"start-at", 20}} << 20.0 << false;
        QTest::addRow("others left alone") << QVariantMap{{"volume", "loud"}} << 0.0 << false;
        QTest::addRow("start-at NaN") << QVariantMap{{"start-at", qQNaN()}} << -1.0 << false;
        QTest::addRow("start-at infinite") << QVariantMap{{"start-at", qInf()}} << -1.0 << false;
        QTest::addRow("start-at before 0") << QVariantMap{{"start-at", -1.0}} << -1.0 << false;
        QTest::addRow("start-at as text") << QVariantMap{{"start-at", "20"}} << -1.0 << false;
        QTest::addRow("fullscreen as a number") << QVariantMap{{"fullscreen", 1}} << -1.0 << false;
    }
    void openOptions()
    {
        QFETCH(QVariantMap, options);
        QFETCH(double, startAt);
        QFETCH(bool, fullScreen);
        OpenRequest request;
        const QString problem = readOpenOptions(options, &request);
        QCOMPARE(problem.isEmpty(), startAt >= 0);
        if (startAt < 0)
            return;
        QCOMPARE(request.startAt, startAt);
        QCOMPARE(request.fullScreen, fullScreen);
        // What goes over the bus comes back the same.
        OpenRequest back;
        QCOMPARE(readOpenOptions(MprisRules::openOptions(request), &back), QString());
        QCOMPARE(back.startAt, request.startAt);
        QCOMPARE(back.fullScreen, request.fullScreen);
    }

    void metadataMap()
    {
        const QVariantMap none = metadata(0, QString(), 0, std::nullopt);
        QCOMPARE(none.keys(), QStringList{QStringLiteral("mpris:trackid")});
        QCOMPARE(none.value("mpris:trackid").value<QDBusObjectPath>().path(), noTrack());

        const QString url = QStringLiteral("file:///drive/2026_1108_093000_001.MOV");
        const QVariantMap full = metadata(2, url, 60.0, sample(44, "51.5011", "-0.1429"));
        QCOMPARE(full.value("mpris:trackid").value<QDBusObjectPath>().path(), trackId(2));
        QCOMPARE(full.value("mpris:length").toLongLong(), qint64(60000000));
        QCOMPARE(full.value("xesam:url").toString(), url);
        QCOMPARE(full.value("xesam:title").toString(), QStringLiteral("2026_1108_093000_001.MOV"));
        QCOMPARE(full.value("veltra:speedKmh").toInt(), 44);
        QCOMPARE(full.value("veltra:latitude").toDouble(), 51.5011);
        QCOMPARE(full.value("veltra:longitude").toDouble(), -0.1429);

        // No fix: the speed alone; no length yet: no mpris:length; no sample: no veltra keys.
        const QVariantMap noFix = metadata(1, url, 0, sample(7, "", ""));
        QCOMPARE(noFix.value("veltra:speedKmh").toInt(), 7);
        QVERIFY(!noFix.contains("veltra:latitude") && !noFix.contains("veltra:longitude"));
        QVERIFY(!noFix.contains("mpris:length"));
        QVERIFY(!metadata(1, url, 60, sample(7, "0", "0")).contains("veltra:latitude"));
        // A camera that records no speed: no speed rather than 0.
        const QVariantMap noSpeed = metadata(1, url, 60, sample(0, "51.5", "-0.1"), false);
        QVERIFY(!noSpeed.contains("veltra:speedKmh"));
        QCOMPARE(noSpeed.value("veltra:latitude").toDouble(), 51.5);
        const QVariantMap noSample = metadata(1, url, 60, std::nullopt);
        QCOMPARE(noSample.size(), 4);
        // The bus learns no more than an export would: rounded to about a kilometre, or nothing.
        const QVariantMap coarse = metadata(2, url, 60.0, sample(44, "51.5061", "-0.1429"), true, ExportLocation::Coarse);
        QCOMPARE(coarse.value("veltra:latitude").toDouble(), 51.51);
        QCOMPARE(coarse.value("veltra:longitude").toDouble(), -0.14);
        const QVariantMap hidden = metadata(2, url, 60.0, sample(44, "51.5061", "-0.1429"), true, ExportLocation::None);
        QVERIFY(!hidden.contains("veltra:latitude") && !hidden.contains("veltra:longitude") &&
                !hidden.contains("veltra:speedKmh"));
        // The title is the file's name as the user sees it, escapes decoded.
        QCOMPARE(metadata(1, QStringLiteral("file:///drive/a%20b%25.MOV"), 60, std::nullopt).value("xesam:title").toString(),
                 QStringLiteral("a b%.MOV"));
    }

    // On the equator or the prime meridian one coordinate is 0: the place is told all the same.
    void metadataWithAZeroCoordinate_data()
    {
        QTest::addColumn<QString>("lat");
        QTest::addColumn<QString>("lon");
        QTest::addColumn<bool>("told");
        QTest::addRow("equator") << "0" << "8.5" << true;
        QTest::addRow("prime meridian") << "51.4779" << "0.0" << true;
        QTest::addRow("both 0: no fix") << "0.000000" << "0" << false;
    }
    void metadataWithAZeroCoordinate()
    {
        QFETCH(QString, lat);
        QFETCH(QString, lon);
        QFETCH(bool, told);
        const QVariantMap m = metadata(1, QStringLiteral("file:///a.MOV"), 60, sample(30, qPrintable(lat), qPrintable(lon)));
        QCOMPARE(m.contains("veltra:latitude"), told);
        QCOMPARE(m.contains("veltra:longitude"), told);
        if (told) {
            QCOMPARE(m.value("veltra:latitude").toDouble(), lat.toDouble());
            QCOMPARE(m.value("veltra:longitude").toDouble(), lon.toDouble());
        }
    }
};

QTEST_APPLESS_MAIN(MprisRulesTest)
#include "tst_mpris_rules.moc"
