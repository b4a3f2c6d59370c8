// A long trip on the map: 2,000 one-minute clips (120,000 points) from the call to
// the page's report that the trip is drawn, the longest the main thread is kept
// from its events meanwhile, the next clip of the trip, and a marker tick.
// Run: QTWEBENGINE_DISABLE_SANDBOX=1 xvfb-run -a bench/map/bench_trip_map [picture.png]
#include "drive/DriveTelemetry.h"
#include "map/MapPane.h"
#include "common/Composition.h"
#include "common/Settings.h"
#include "map/MapTileServer.h"
#include "map/Reachability.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// Stands in for the trip panel: counts the map's distance reports.
struct Panel {
    int reports = 0;
    // The page's reports; the reset to 0 on a new file is not one.
    void totalDistance(float metres) { reports += metres > 0; }
};

// The longest gap between the main thread's turns at a 1 ms timer.
class StallMeter : public QObject {
public:
    StallMeter()
    {
        timer_.setInterval(1);
        connect(&timer_, &QTimer::timeout, this, [this] {
            const qint64 now = clock_.nsecsElapsed();
            longest_ = std::max(longest_, now - last_);
            last_ = now;
        });
    }
    void start()
    {
        longest_ = 0;
        clock_.start();
        last_ = 0;
        timer_.start();
    }
    double stopMs()
    {
        timer_.stop();
        return longest_ / 1e6;
    }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = 0;
    qint64 longest_ = 0;
};

QVariant pageValue(QWebEnginePage *page, const QString &script)
{
    QVariant value;
    bool answered = false;
    page->runJavaScript(script, [&](const QVariant &v) { value = v; answered = true; });
    if (!QTest::qWaitFor([&] { return answered; }, 20000))
        std::printf("the page did not answer %s\n", qPrintable(script));
    return value;
}

} // namespace

int main(int argc, char **argv)
{
    Composition::apply();   // the map composed as the program composes it
    MapTileServer::registerUrlScheme();
    QApplication app(argc, argv);
    const QString shotPath = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();

    constexpr int kClips = 2000;
    constexpr int kPerClip = 60;
    // One drive winding across a region, cut into clips that continue each other.
    PlayList list;
    for (int c = 0; c < kClips; ++c) {
        PlayListEntry e;
        e.path = QStringLiteral("file:///bench/trip/clip_%1.MOV").arg(c, 4, 10, QLatin1Char('0'));
        for (int k = 0; k < kPerClip; ++k) {
            const double i = c * kPerClip + k;
            const double a = i / (kClips * kPerClip) * 6 * M_PI;
            GpsSample s;
            s.gps_lat = QString::number(48.0 + 0.8 * std::sin(a) + 0.002 * std::sin(i * 0.05), 'f', 6).toStdString();
            s.gps_lgt = QString::number(11.0 + 0.0000125 * i + 0.003 * std::cos(i * 0.031), 'f', 6).toStdString();
            s.spd = 60;
            e.gpsData << s;
        }
        list << e;
    }
    DriveTelemetry telemetry;
    telemetry.followTrip(list, 0);
    const TripTelemetry trip = telemetry.trip();

    Settings settings;
    MapPane map(settings);
    map.reachability()->stopNotifier();
    Panel panel;
    QObject::connect(&map, &MapPane::distanceMeasured, [&panel](float m) { panel.totalDistance(m); });
    map.resize(720, 480);
    map.show();
    if (!QTest::qWaitForWindowExposed(&map))
        return 1;
    map.reachability()->injectFlags(Reachability::Reachable);
    if (!QTest::qWaitFor([&] { return map.pageLoadRequests() > 0; }, 20000))
        return 1;
    QTest::qWait(2500);   // the engine's first start is not what we measure
    QWebEnginePage *page = map.webview()->page();
    StallMeter stall;

    // A new trip, its tracks not read yet; then the same trip again with the tracks
    // kept (another trip in between), as when the user comes back to it.
    QList<double> firstDraw, keptDraw, stalls;
    for (int run = 0; run < 4; ++run) {
        map.setTrip(TripTelemetry());
        map.showClip(trip.clips[0]);
        QTest::qWait(300);
        panel.reports = 0;
        stall.start();
        QElapsedTimer t;
        t.start();
        map.setTrip(trip);
        const bool ok = QTest::qWaitFor([&] { return panel.reports > 0; }, 30000) &&
                        pageValue(page, QStringLiteral("mapState.points")).toInt() == kClips * kPerClip;
        (run == 0 ? firstDraw : keptDraw) << (ok ? t.nsecsElapsed() / 1e6 : -1);
        stalls << stall.stopMs();
        QTest::qWait(500);
    }
    std::sort(keptDraw.begin(), keptDraw.end());
    const double pageDrawMs = pageValue(page, QStringLiteral("mapState.drawMs")).toDouble();

    // The next clip of the trip: from the call to the page's report for the clip.
    QList<double> next;
    for (int c = 1; c <= 7; ++c) {
        panel.reports = 0;
        QElapsedTimer t;
        t.start();
        map.showClip(trip.clips[c]);
        const bool ok = QTest::qWaitFor([&] { return panel.reports > 0; }, 20000);
        next << (ok ? t.nsecsElapsed() / 1e6 : -1);
    }
    std::sort(next.begin(), next.end());

    // A marker tick through the trip: the main thread's whole cost, the moment made
    // and shown.
    telemetry.follow(&list[7]);
    telemetry.setDuration(kPerClip);
    map.setDuration(kPerClip);
    constexpr int kTicks = 20000;
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < kTicks; ++i)
        map.showMoment(telemetry.momentAt(i * (double(kPerClip) / kTicks)));
    const double perTickUs = t.nsecsElapsed() / 1e3 / kTicks;
    QTest::qWait(1500);

    std::printf("trip of %d clips, %d points\n", kClips, kClips * kPerClip);
    std::printf("new trip to drawn (tracks read in the background): %.0f ms\n", firstDraw[0]);
    std::printf("trip with its tracks kept to drawn: median %.0f ms, min %.0f ms, max %.0f ms (3 runs)\n", keptDraw[1],
                keptDraw[0], keptDraw[2]);
    std::printf("drawing inside the page: %.0f ms\n", pageDrawMs);
    std::printf("longest main-thread stall while a trip is drawn: %.1f ms (first), %.1f ms (worst of the rest)\n",
                stalls[0], *std::max_element(stalls.begin() + 1, stalls.end()));
    std::printf("next clip of the trip to drawn: median %.0f ms, max %.0f ms (7 clips)\n", next[3], next[6]);
    std::printf("marker tick, main thread: %.1f us per tick (%d ticks)\n", perTickUs, kTicks);
    std::printf("tracks kept: %d\n", map.cachedTracks());

    if (!shotPath.isEmpty()) {
        map.showMoment(telemetry.momentAt(30));
        QTest::qWait(800);
        map.grab().save(shotPath);
        std::printf("picture: %s\n", qPrintable(shotPath));
    }
    return 0;
}
