// The map pane with the real web view and the real pages, following the drive's
// telemetry as in the window: the route reaches the page, the marker follows the
// moments, the page's distance is told, a map change redraws, and the network result
// swaps map and message.
#include "TestSettings.h"
#include "common/AppKeys.h"
#include "common/Localization.h"
#include "drive/DriveTelemetry.h"
#include "map/MapPane.h"
#include "common/Composition.h"
#include "map/MapTileServer.h"
#include "map/Reachability.h"
#include "map/ReachabilityProbe.h"
#include "telemetry/GpsDataHelper.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMutex>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <cmath>

namespace {

GpsSample fix(double lat, double lng)
{
    GpsSample s;
    s.gps_lat = QString::number(lat, 'f', 6).toStdString();
    s.gps_lgt = QString::number(lng, 'f', 6).toStdString();
    s.spd = 40;
    return s;
}

GpsSample noFix()
{
    GpsSample s;
    s.spd = 12;
    return s;
}

// A drive around a city block and out along a curve: every point distinct.
QList<GpsSample> drive(int count, double lat0 = 22.5431, double lng0 = 114.0579)
{
    QList<GpsSample> samples;
    for (int i = 0; i < count; ++i) {
        const double a = i * 0.05;
        samples << fix(lat0 + 0.00012 * i + 0.002 * std::sin(a), lng0 + 0.00009 * i + 0.002 * (1 - std::cos(a)));
    }
    return samples;
}

double haversine(double lat1, double lng1, double lat2, double lng2)
{
    constexpr double R = 6371008.8;
    const double rad = M_PI / 180;
    const double dLat = (lat2 - lat1) * rad, dLng = (lng2 - lng1) * rad;
    const double s = std::sin(dLat / 2) * std::sin(dLat / 2) +
                     std::cos(lat1 * rad) * std::cos(lat2 * rad) * std::sin(dLng / 2) * std::sin(dLng / 2);
    return 2 * R * std::asin(std::min(1.0, std::sqrt(s)));
}

// The length of the route as the map receives it (single-precision points).
double referenceLength(const QList<GpsSample> &samples)
{
    double total = 0;
    bool have = false;
    double plat = 0, plng = 0;
    for (const GpsSample &s : samples) {
        const float lat = std::stof(s.gps_lat.empty() ? "0" : s.gps_lat);
        const float lng = std::stof(s.gps_lgt.empty() ? "0" : s.gps_lgt);
        if (lat == 0 || lng == 0)
            continue;
        if (have)
            total += haversine(plat, plng, lat, lng);
        plat = lat;
        plng = lng;
        have = true;
    }
    return total;
}

PlayListEntry entry(const QString &name, const QList<GpsSample> &samples)
{
    PlayListEntry e;
    e.path = QUrl::fromLocalFile(QStringLiteral("/videos/%1").arg(name)).toString(QUrl::FullyEncoded);
    e.gpsData = samples;
    return e;
}

QVariant runJs(QWebEnginePage *page, const QString &script)
{
    // Shared: a late answer after a time-out must not write into a dead frame.
    auto answer = std::make_shared<std::optional<QVariant>>();
    page->runJavaScript(script, [answer](const QVariant &v) { *answer = v; });
    if (!QTest::qWaitFor([&] { return answer->has_value(); }, 10000))
        qWarning("script result did not arrive: %s", qPrintable(script));
    return answer->value_or(QVariant());
}

} // namespace

class MapControllerTest : public QObject {
    Q_OBJECT

    TestSettings settings;
    std::unique_ptr<MapPane> map;
    DriveTelemetry telemetry;
    // What the trip panel and the layout heard.
    QList<float> distances;
    QList<qint64> zoomCalls;

    // The telemetry follows an entry of `samples`: the map shows its clip. The path.
    QString open(const QString &name, const QList<GpsSample> &samples)
    {
        const PlayListEntry e = entry(name, samples);
        telemetry.follow(&e);
        return e.path;
    }

    QVariant pageValue(const QString &expression) { return runJs(map->webview()->page(), expression); }

    // Waits until the page of `street` is loaded and has received the route.
    bool waitReady(QSignalSpy &ready, bool street)
    {
        return QTest::qWaitFor([&] {
            return !ready.isEmpty() && ready.last().at(0).toBool() == street;
        }, 15000);
    }

    // Marks the web page now in the view; a reload replaces it.
    void markDocument() { pageValue("window.veltraTestMark = 1; true"); }
    bool documentReplaced() { return pageValue("typeof window.veltraTestMark === 'undefined'").toBool(); }

private slots:
    // One map pane for all cases, as in the program: starting the web engine is the
    // slow part. Each case starts from the OpenStreetMap page with the network up.
    void initTestCase()
    {
        map = std::make_unique<MapPane>(settings);
        // The tests decide the network state; the real probe stays out of it.
        QVERIFY(map->reachability());
        map->reachability()->stopNotifier();
        connect(&telemetry, &DriveTelemetry::clipChanged, map.get(), &MapPane::showClip);
        connect(&telemetry, &DriveTelemetry::durationChanged, map.get(), &MapPane::setDuration);
        connect(&telemetry, &DriveTelemetry::momentChanged, map.get(), &MapPane::showMoment);
        connect(&telemetry, &DriveTelemetry::tripChanged, map.get(), &MapPane::setTrip);
        connect(map.get(), &MapPane::distanceMeasured, this, [this](float metres) { distances << metres; });
        connect(map.get(), &MapPane::zoomRequested, this, [this](qint64 state) {
            zoomCalls << state;
            map->setZoomState(state == 0 ? 1 : 0);
        });
        map->resize(640, 420);
        map->show();
        QVERIFY(QTest::qWaitForWindowExposed(map.get()));
        QSignalSpy ready(map.get(), &MapPane::mapPageReady);
        map->reachability()->injectFlags(Reachability::Reachable);
        QVERIFY(waitReady(ready, true));
        QCOMPARE(pageValue("mapState.page").toString(), QStringLiteral("street"));
    }

    void init()
    {
        distances.clear();
        zoomCalls.clear();
        if (settings.googleMap() || !map->currentLocationChina()) {
            QSignalSpy ready(map.get(), &MapPane::mapPageReady);
            settings.setGoogleMap(false);
            QVERIFY(waitReady(ready, true));
        }
        QVERIFY(map->webview()->isVisible());
    }

    void cleanupTestCase() { map.reset(); }

    void routeReachesThePage_data()
    {
        QTest::addColumn<QList<GpsSample>>("samples");
        QTest::addColumn<int>("points");
        QTest::addRow("every sample has a fix") << drive(120) << 120;
        QList<GpsSample> gaps = drive(90);
        for (int i = 10; i < 30; ++i)
            gaps[i] = noFix();
        gaps[40].gps_lat = "0.000000";     // latitude 0: no point
        gaps[41].gps_lgt = "0";            // longitude 0: no point
        QTest::addRow("stretch without fix and zero coordinates") << gaps << 90 - 20 - 2;
        QTest::addRow("single point") << drive(1) << 1;
        QTest::addRow("a long drive (one hour)") << drive(3600) << 3600;
    }
    void routeReachesThePage()
    {
        QFETCH(QList<GpsSample>, samples);
        QFETCH(int, points);
        QSignalSpy started(map->webview(), &QWebEngineView::loadStarted);
        QSignalSpy ready(map.get(), &MapPane::mapPageReady);
        const int requestsBefore = map->pageLoadRequests();
        const QString path = open(QString::fromLatin1(QTest::currentDataTag()), samples);
        QCOMPARE(map->pageLoadRequests() - requestsBefore, 0);
        QCOMPARE(map->currentPlayVideoPath(), path);
        QCOMPARE(map->currentVideoGpsDataArr().size(), points);
        QCOMPARE(map->currentVideoGpsDataArrGoogle().size(), points);
        // The page stays: the route arrives by script, with no load.
        QTRY_COMPARE(pageValue("mapState.points").toInt(), points);
        // No page load for a new file, however many points it has.
        QTest::qWait(200);
        QCOMPARE(started.size(), 0);
        QVERIFY(ready.isEmpty());
        QCOMPARE(distances.value(0, -1.0f), 0.0f);
    }

    void forgedDriveReachesThePage()
    {
        const QString file = qEnvironmentVariable("VELTRA_SAMPLES") + "/drive/2026_1108_093000_001.MOV";
        if (!QFileInfo::exists(file))
            QSKIP("the forged sample drive is not built");
        const QString url = QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded);
        const GpsReadResult read = GpsDataHelper::readGpsData(url.toStdString());
        QVERIFY2(!read.videoDatas.empty(), "the telemetry reader reads nothing from the forged drive");
        const QList<GpsSample> samples(read.videoDatas.begin(), read.videoDatas.end());
        const int expected = MapRoute::fromSamples(samples).size();
        QVERIFY(expected > 0);
        PlayListEntry e;
        e.path = url;
        e.gpsData = samples;
        QSignalSpy ready(map.get(), &MapPane::mapPageReady);
        telemetry.follow(&e);

        QTRY_COMPARE(pageValue("mapState.points").toInt(), expected);
        QTRY_VERIFY(distances.size() >= 2);
        QVERIFY(std::abs(distances.last() - referenceLength(samples)) <= 0.005 * referenceLength(samples));
    }

    void markerFollowsTheIndexRule_data()
    {
        QTest::addColumn<int>("points");
        QTest::addColumn<double>("duration");
        QTest::addColumn<QList<double>>("times");
        QTest::addColumn<QList<int>>("indices");   // -1: the marker stays where it was
        QTest::addRow("3 points over 180 s")
            << 3 << 180.0 << QList<double>{0, 59.9, 60, 119.99, 120, 179.9, 180.0}
            << QList<int>{0, 0, 1, 1, 2, 2, 2};
        QTest::addRow("300 points over 150 s")
            << 300 << 150.0 << QList<double>{0, 1, 2.7, 75.5, 149.9, 150.0}
            << QList<int>{0, 2, 4, 150, 298, 298};
        QTest::addRow("no total time yet: whole seconds, then stays")
            << 10 << 0.0 << QList<double>{0.99, 5.5, 9.2, 10.0, 42.0}
            << QList<int>{0, 5, 9, 9, 9};
    }
    void markerFollowsTheIndexRule()
    {
        QFETCH(int, points);
        QFETCH(double, duration);
        QFETCH(QList<double>, times);
        QFETCH(QList<int>, indices);
        QSignalSpy ready(map.get(), &MapPane::mapPageReady);
        open(QString::fromLatin1(QTest::currentDataTag()), drive(points));
        QTRY_COMPARE(pageValue("mapState.points").toInt(), points);
        telemetry.setDuration(duration);
        QCOMPARE(map->totalTime(), duration);
        for (int k = 0; k < times.size(); ++k) {
            telemetry.tick(times[k]);
            QCOMPARE(pageValue("mapState.markerIndex").toInt(), indices[k]);
        }
        // The marker shows the direction of travel.
        QVERIFY(pageValue("mapState.heading !== null").toBool());
        QVERIFY(pageValue("document.querySelectorAll('.veltra-marker').length").toInt() == 1);
    }

    void distanceReachesTheTripPanel_data()
    {
        QTest::addColumn<QString>("choice");
        QTest::addColumn<int>("points");
        QTest::addRow("OpenStreetMap, 200 points") << "street" << 200;
        QTest::addRow("OpenStreetMap, 2 points") << "street" << 2;
        QTest::addRow("Google without a key, 200 points") << "google" << 200;
    }
    void distanceReachesTheTripPanel()
    {
        QFETCH(QString, choice);
        QFETCH(int, points);
        const bool street = choice == QLatin1String("street");
        if (!street) {
            QSignalSpy ready(map.get(), &MapPane::mapPageReady);
            settings.setGoogleMap(choice == QLatin1String("google"));
            QVERIFY(waitReady(ready, false));
        }
        const QList<GpsSample> samples = drive(points, 48.1372, 11.5756);
        distances = {123.0f};
        open(QString::fromLatin1(QTest::currentDataTag()), samples);
        QCOMPARE(distances.value(1, -1.0f), 0.0f);   // restarts at 0 on a new file
        const double expected = referenceLength(samples);
        QVERIFY(expected > 10);
        QTRY_VERIFY_WITH_TIMEOUT(distances.size() >= 3, 10000);
        const float got = distances.last();
        QVERIFY2(std::abs(got - expected) <= 0.005 * expected,
                 qPrintable(QStringLiteral("page %1 m, reference %2 m").arg(got).arg(expected)));
    }

    // A length measured on a route that has been replaced since must not reach the
    // trip panel: it would show the previous file's distance.
    void distanceOfAReplacedRouteIsIgnored()
    {
        QSignalSpy ready(map.get(), &MapPane::mapPageReady);
        open("late", drive(20));

        QTRY_VERIFY(distances.size() >= 2);
        distances.clear();
        pageValue("cocoa_getDistance(777); true");
        QTRY_VERIFY(distances.contains(777.0f));
        pageValue("window.veltraRoute -= 1; cocoa_getDistance(555); window.veltraRoute += 1; true");
        pageValue("cocoa_getDistance(-3); cocoa_getDistance(NaN); cocoa_getDistance('x'); true");
        pageValue("cocoa_getDistance(778); true");
        QTRY_VERIFY(distances.contains(778.0f));
        QVERIFY(!distances.contains(555.0f));
        for (float d : distances)
            QVERIFY(d >= 0 && std::isfinite(d));
    }

    void mapChangeRedrawsTheSameRoute()
    {
        QSignalSpy ready(map.get(), &MapPane::mapPageReady);
        open("change", drive(50));

        QTRY_COMPARE(pageValue("mapState.points").toInt(), 50);

        settings.setGoogleMap(true);
        QVERIFY(!map->currentLocationChina());
        QVERIFY(waitReady(ready, false));
        QCOMPARE(pageValue("mapState.page").toString(), QStringLiteral("google"));
        QTRY_COMPARE(pageValue("mapState.points").toInt(), 50);
        // Without a key the Google page says so in the map area.
        QVERIFY(pageValue("!document.getElementById('notice-no-key').hidden").toBool());
        telemetry.setDuration(50);
        telemetry.tick(20.4);
        QCOMPARE(pageValue("mapState.markerIndex").toInt(), 20);

        settings.setGoogleMap(false);
        QVERIFY(map->currentLocationChina());
        QVERIFY(waitReady(ready, true));
        QCOMPARE(pageValue("mapState.page").toString(), QStringLiteral("street"));
        QTRY_COMPARE(pageValue("mapState.points").toInt(), 50);
        // The page loaded anew shows the car where it was, with no tick to move it (paused).
        QTRY_COMPARE(pageValue("mapState.markerIndex").toInt(), 20);
    }

    void fileWithoutPositionsClearsTheRouteWithoutReload()
    {
        QSignalSpy ready(map.get(), &MapPane::mapPageReady);
        open("before", drive(30));

        QTRY_COMPARE(pageValue("mapState.points").toInt(), 30);

        QSignalSpy started(map->webview(), &QWebEngineView::loadStarted);
        QList<GpsSample> none;
        for (int i = 0; i < 60; ++i)
            none << noFix();
        distances.clear();
        open("nofix", none);
        QVERIFY(map->currentVideoGpsDataArr().isEmpty());
        QTRY_COMPARE(pageValue("mapState.points").toInt(), 0);
        QCOMPARE(started.size(), 0);
        QCOMPARE(distances, QList<float>{0.0f});
        // Ticks make no marker call.
        telemetry.setDuration(60);
        telemetry.tick(10);
        QCOMPARE(pageValue("mapState.marker === null").toBool(), true);
        // A file without any samples behaves the same.
        open(QStringLiteral("nothing.MOV"), {});
        QVERIFY(map->currentVideoGpsDataArrGoogle().isEmpty());
    }

    void tripIsDrawnWholeAndClicksGoToTheirClip()
    {
        // Three clips of one trip; the middle one has no position at all.
        const QList<GpsSample> first = drive(60), last = drive(60, 22.5531, 114.0679);
        const PlayList entries{entry("trip_1.MOV", first), entry("trip_2.MOV", QList<GpsSample>(30, noFix())),
                               entry("trip_3.MOV", last)};
        const QList<QUrl> clips{QUrl(entries[0].path), QUrl(entries[1].path), QUrl(entries[2].path)};
        QSignalSpy drawn(map.get(), &MapPane::tripDrawn);
        telemetry.followTrip(entries, 0);
        telemetry.follow(&entries[0]);
        telemetry.setDuration(60);
        QVERIFY(drawn.wait(10000));
        QTRY_COMPARE(pageValue("mapState.trip && mapState.points").toInt(), 120);
        QCOMPARE(map->cachedTracks(), 3);
        // The clip without positions is a gap: two lines, not one across it.
        QCOMPARE(pageValue("mapState.tripLines").toInt(), 2);
        QCOMPARE(pageValue("mapState.playingClip").toInt(), 0);
        // The view holds the whole trip, the end of the last clip too.
        QVERIFY(pageValue(QStringLiteral("mapState.inView(%1, %2)").arg(QString::fromStdString(last.last().gps_lat),
                                                                         QString::fromStdString(last.last().gps_lgt))).toBool());
        QTRY_VERIFY(!distances.isEmpty() && std::abs(distances.last() - referenceLength(first)) < 1);

        // The next clip of the trip: its part turns blue by script, the page stays.
        markDocument();
        telemetry.followTrip(entries, 2);
        telemetry.follow(&entries[2]);
        QTRY_COMPARE(pageValue("mapState.playingClip").toInt(), 2);
        QVERIFY(!documentReplaced());
        QCOMPARE(drawn.size(), 1);
        QTRY_VERIFY(std::abs(distances.last() - referenceLength(last)) < 1);

        // A click near sample 40 of the first clip goes there: second 40 of its 60.
        QSignalSpy clicked(map.get(), &MapPane::routeClicked);
        const GpsSample &target = first[40];
        QVERIFY(pageValue(QStringLiteral("routeClickAt([%1 + 0.000002, %2])").arg(QString::fromStdString(target.gps_lat),
                                                                              QString::fromStdString(target.gps_lgt))).toBool());
        QTRY_COMPARE(clicked.size(), 1);
        QCOMPARE(clicked.last().at(0).toUrl(), clips[0]);
        QCOMPARE(clicked.last().at(1).toDouble(), 40.0);
        // With that camera's telemetry 2 s earlier than its picture, the picture of 38 s shows it.
        telemetry.setTelemetryOffsets({{cameraPattern(clips[0].toString()), 2000}});
        QVERIFY(pageValue(QStringLiteral("routeClickAt([%1 + 0.000002, %2])").arg(QString::fromStdString(target.gps_lat),
                                                                              QString::fromStdString(target.gps_lgt))).toBool());
        QTRY_COMPARE(clicked.size(), 2);
        QCOMPARE(clicked.last().at(1).toDouble(), 38.0);
        telemetry.setTelemetryOffsets({});
        // Far from the route a click is only a click on the map.
        QVERIFY(!pageValue("routeClickAt([10, 10])").toBool());

        // A trip of one again: that clip alone, as before.
        telemetry.followTrip({entries[2]}, 0);
        QTRY_VERIFY(!pageValue("mapState.trip").toBool());
        QCOMPARE(pageValue("mapState.points").toInt(), 60);
    }

    void removeLineClearsTheDrawingButNotTheRoute()
    {
        QSignalSpy ready(map.get(), &MapPane::mapPageReady);
        open("remove", drive(25));

        QTRY_COMPARE(pageValue("mapState.points").toInt(), 25);
        map->removeLineMap();
        QCOMPARE(pageValue("mapState.points").toInt(), 0);
        QCOMPARE(map->currentVideoGpsDataArr().size(), 25);
        ready.clear();
        map->reloadHtmlData();
        QVERIFY(waitReady(ready, true));
        QTRY_COMPARE(pageValue("mapState.points").toInt(), 25);
    }

    // The map stays when the tile server cannot be reached: the message runs as a
    // banner across its top, and no page load is made for a network result.
    void unreachableShowsTheMessage()
    {
        QSignalSpy ready(map.get(), &MapPane::mapPageReady);
        open("offline", drive(40));
        QTRY_COMPARE(pageValue("mapState.points").toInt(), 40);
        QVERIFY(map->webview()->isVisible());
        QVERIFY(!map->textFieldNoLine()->isVisible());

        markDocument();
        const int loads = map->pageLoadRequests();
        map->reachability()->injectFlags(0);
        QVERIFY(map->webview()->isVisible());
        QLabel *message = map->textFieldNoLine();
        QVERIFY(message->isVisible());
        QCOMPARE(message->text(), Localization::text(MapPane::kNoLineMessageKey));
        QCOMPARE(message->palette().color(QPalette::WindowText), QColor(Qt::white));
        // A banner along the top, the map below it.
        QCOMPARE(message->y(), 0);
        QVERIFY(message->height() < map->height() / 2);
        QVERIFY(pageValue("mapState.tiles.online === false").toBool());
        QCOMPARE(map->pageLoadRequests(), loads);
        QVERIFY(!documentReplaced());

        // Closed, it stays closed while the same message stands; the map keeps its place below.
        QTest::mouseClick(map->bannerCloseButton(), Qt::LeftButton);
        QVERIFY(!message->isVisible());
        map->reachability()->injectFlags(0);
        QVERIFY(!message->isVisible());
        // Reachable again and then lost again: the message is new and shows.
        map->reachability()->injectFlags(Reachability::Reachable);
        map->reachability()->injectFlags(0);
        QVERIFY(message->isVisible());

        // Required and transient together count as unreachable: no change.
        map->reachability()->injectFlags(Reachability::Reachable | Reachability::ConnectionRequired |
                                         Reachability::TransientConnection);
        QVERIFY(message->isVisible());

        map->reachability()->injectFlags(Reachability::Reachable | Reachability::ConnectionRequired);
        QVERIFY(map->webview()->isVisible());
        QVERIFY(!message->isVisible());
        QTRY_VERIFY(pageValue("mapState.tiles.online === true").toBool());
        QCOMPARE(pageValue("mapState.points").toInt(), 40);
        QVERIFY(!documentReplaced());
        QVERIFY(map->expandButton()->isVisible());
    }

    // Neither page may read the user's files, by fetch() or by XMLHttpRequest.
    void pagesCannotReadLocalFiles_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addRow("OpenStreetMap") << "street";
        QTest::addRow("Google") << "google";
        QTest::addRow("a document from a file: address") << "file";
    }
    void pagesCannotReadLocalFiles()
    {
        QFETCH(QString, page);
        QSignalSpy ready(map.get(), &MapPane::mapPageReady);
        if (page == QLatin1String("google")) {
            settings.setGoogleMap(page == QLatin1String("google"));
            QVERIFY(waitReady(ready, false));
            QCOMPARE(pageValue("mapState.page").toString(), page);
        } else if (page == QLatin1String("file")) {
            // The map's own page with a document whose origin is a file, as the web engine
            // counts local content: the settings must refuse there too.
            QSignalSpy loaded(map->webview()->page(), &QWebEnginePage::loadFinished);
            map->webview()->page()->setHtml(QStringLiteral("<p>local</p>"), QUrl::fromLocalFile(QDir::tempPath() + "/map.html"));
            QTRY_VERIFY(!loaded.isEmpty());
            QCOMPARE(pageValue("location.protocol").toString(), QStringLiteral("file:"));
        }
        QVERIFY(QFileInfo(QStringLiteral("/etc/hostname")).isReadable());
        pageValue("window.veltraFetch = window.veltraXhr = '';"
                  "fetch('file:///etc/hostname').then(function (r) { return r.text(); })"
                  "  .then(function (t) { window.veltraFetch = 'read ' + t.length; },"
                  "        function () { window.veltraFetch = 'refused'; });"
                  "var x = new XMLHttpRequest();"
                  "x.onload = function () { window.veltraXhr = 'read ' + x.responseText.length; };"
                  "x.onerror = function () { window.veltraXhr = 'refused'; };"
                  "try { x.open('GET', 'file:///etc/hostname'); x.send(); } catch (e) { window.veltraXhr = 'refused'; }"
                  "true");
        QTRY_COMPARE_WITH_TIMEOUT(pageValue("window.veltraFetch").toString(), QStringLiteral("refused"), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(pageValue("window.veltraXhr").toString(), QStringLiteral("refused"), 10000);
        if (page == QLatin1String("file")) {
            map->reloadHtmlData();
            QVERIFY(waitReady(ready, true));
        }
    }

    // The network check asks the host of the chosen map: at start and after a change.
    void networkCheckAsksTheChosenMapsHost()
    {
        QMutex mutex;
        QStringList asked;
        auto hosts = [&] { QMutexLocker lock(&mutex); return asked; };
        ReachabilityProbe::setAnswerForTesting([&](const QString &host) {
            QMutexLocker lock(&mutex);
            asked << host;
            return quint32(Reachability::Reachable);
        });
        QSignalSpy ready(map.get(), &MapPane::mapPageReady);
        // Chosen without telling this pane: only the new one reads it.
        QSettings(settings.fileName(), QSettings::IniFormat).setValue(QLatin1String(AppKeys::CHANGE_MAP), QStringLiteral("google"));
        {
            MapPane google(settings);
            const QString googleHost = QLatin1String(MapPane::kGoogleHost);
            const QString streetHost = QLatin1String(MapPane::kStreetHost);
            QTRY_VERIFY(!hosts().isEmpty());
            QCOMPARE(hosts().first(), googleHost);
            settings.setGoogleMap(false);
            QTRY_COMPARE(hosts().last(), streetHost);
            // Google until the change, the tile host from then on.
            const QStringList seen = hosts();
            const qsizetype change = seen.indexOf(streetHost);
            QCOMPARE(seen.mid(0, change).count(googleHost), change);
            QCOMPARE(seen.mid(change).count(streetHost), seen.size() - change);
        }
        ReachabilityProbe::setAnswerForTesting({});
        QVERIFY(waitReady(ready, true));
    }

    void expandActionReloadsAndAsksTheLayout()
    {
        markDocument();
        QSignalSpy ready(map.get(), &MapPane::mapPageReady);
        QTest::mouseClick(map->expandButton(), Qt::LeftButton);
        QCOMPARE(zoomCalls, QList<qint64>{0});
        QCOMPARE(map->zoomState(), 1);
        map->zoomInOut();
        QCOMPARE(zoomCalls, (QList<qint64>{0, 1}));
        QCOMPARE(map->zoomState(), 0);
        QVERIFY(waitReady(ready, true));
        QVERIFY(documentReplaced());
        // Without a layout to answer, the state stays.
        map->disconnect(this);
        map->zoomInOut();
        QCOMPARE(map->zoomState(), 0);
    }
};

int main(int argc, char **argv)
{
    Composition::apply();   // the map composed as the program composes it
    MapTileServer::registerUrlScheme();
    QApplication app(argc, argv);
    MapControllerTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_map_controller.moc"
