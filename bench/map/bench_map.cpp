// Map pane figures: page load to route drawn, the main thread's cost of one marker
// tick, and process memory with the map loaded. Optionally saves a picture of the pane.
// Run: QTWEBENGINE_DISABLE_SANDBOX=1 xvfb-run -a bench/map/bench_map [screenshot.png]
#include "modules/KTModuleProtocol.h"
#include "map/KTWebViewController.h"
#include "map/Reachability.h"
#include "store/MyCache.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <QUrl>
#include <QWebEngineView>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

class Trip : public QObject, public KTModuleProtocol {
public:
    int reports = 0;
    float last = 0;
    void totalDistance(float m) override
    {
        if (m > 0)
            ++reports;
        last = m;
    }
};

QList<GpsSample> drive(int count)
{
    QList<GpsSample> samples;
    for (int i = 0; i < count; ++i) {
        const double a = i * 0.02;
        GpsSample s;
        s.gps_lat = QString::number(48.1372 + 0.00008 * i + 0.004 * std::sin(a), 'f', 6).toStdString();
        s.gps_lgt = QString::number(11.5756 + 0.00011 * i + 0.003 * (1 - std::cos(a * 1.3)), 'f', 6).toStdString();
        samples << s;
    }
    return samples;
}

long rssKiB(const QString &pid)
{
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}

// This process and the web engine's helper processes it started.
std::pair<long, long> memoryKiB()
{
    const long self = rssKiB(QStringLiteral("self"));
    long helpers = 0;
    const QString me = QString::number(QCoreApplication::applicationPid());
    for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QList<QByteArray> fields = stat.readAll().split(' ');
        if (fields.size() > 3 && fields[3] == me.toLatin1())
            helpers += rssKiB(pid);
    }
    return {self, helpers};
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    const QString shotPath = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();

    KTWebViewController map;
    map.reachability()->stopNotifier();
    Trip trip;
    map.distanceDelegate.set(&trip);
    map.resize(720, 480);
    map.show();
    if (!QTest::qWaitForWindowExposed(&map))
        return 1;
    map.reachability()->injectFlags(Reachability::Reachable);
    if (!QTest::qWaitFor([&] { return trip.reports >= 0 && map.pageLoadRequests() > 0; }, 20000))
        return 1;
    QTest::qWait(2000);   // the engine's first start is not what we measure

    constexpr int kPoints = 1800;
    PlayListEntry e;
    e.path = QStringLiteral("file:///bench/drive.MOV");
    e.gpsData = drive(kPoints);
    MyCache::syncPlayList({e});

    // Page load to route drawn: from the new file to the page's distance report
    // out of the freshly loaded page.
    QList<double> loads;
    for (int run = 0; run < 7; ++run) {
        bool ready = false;
        auto c = QObject::connect(&map, &KTWebViewController::mapPageReady, [&] { ready = true; });
        QElapsedTimer t;
        t.start();
        map.dataLogicProcessOfViodePath(e.path);
        trip.reports = 0;
        const bool ok = QTest::qWaitFor([&] { return ready && trip.reports > 0; }, 20000);
        loads << (ok ? t.nsecsElapsed() / 1e6 : -1);
        QObject::disconnect(c);
        QTest::qWait(300);
    }
    std::sort(loads.begin(), loads.end());

    // A marker tick: the whole main-thread cost of updateDataByCurrentTime.
    map.videoAllTime(kPoints);
    constexpr int kTicks = 20000;
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < kTicks; ++i)
        map.updateDataByCurrentTime(i * (double(kPoints) / kTicks));
    const double perTickUs = t.nsecsElapsed() / 1e3 / kTicks;
    QTest::qWait(1500);   // let the page work through them

    const auto [self, helpers] = memoryKiB();
    std::printf("route of %d points\n", kPoints);
    std::printf("page load to route drawn: median %.0f ms, min %.0f ms, max %.0f ms (7 runs)\n", loads[3], loads[0],
                loads[6]);
    std::printf("marker tick, main thread: %.1f us per tick (%d ticks)\n", perTickUs, kTicks);
    std::printf("memory with the map loaded: this process %ld MiB, web engine helpers %ld MiB, total %ld MiB\n",
                self / 1024, helpers / 1024, (self + helpers) / 1024);
    std::printf("distance reported: %.1f m\n", trip.last);

    if (!shotPath.isEmpty()) {
        map.updateDataByCurrentTime(kPoints * 0.62);
        QTest::qWait(800);
        map.grab().save(shotPath);
        map.reachability()->injectFlags(0);
        QTest::qWait(500);
        const QString offPath = QString(shotPath).replace(QLatin1String(".png"), QLatin1String("_offline.png"));
        map.grab().save(offPath);
        std::printf("pictures: %s %s\n", qPrintable(shotPath), qPrintable(offPath));
    }
    return 0;
}
