// Map pane figures: a new file's route drawn (no page load), a page load to route drawn,
// a tile served from an MBTiles file, the main thread's cost of one marker tick, and
// process memory with the map loaded. Optionally saves a picture of the pane.
// Run: QTWEBENGINE_DISABLE_SANDBOX=1 xvfb-run -a bench/map/bench_map [screenshot.png]
#include "drive/DriveTelemetry.h"
#include "map/MapPane.h"
#include "common/Composition.h"
#include "common/Settings.h"
#include "map/MapTileServer.h"
#include "map/Reachability.h"
#include "map/TileSource.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QWebEngineProfile>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QFile>
#include <QTest>
#include <QUrl>
#include <QWebEngineView>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// Waits in a real event loop: QTest's waits sleep 10 ms between rounds, which would be
// measured as part of every cross-thread hop.
template <typename Pred>
bool spinUntil(Pred pred, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (pred() || t.elapsed() > timeoutMs)
            loop.quit();
    });
    poll.start(1);
    if (!pred())
        loop.exec();
    return pred();
}

void spinFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Stands in for the trip panel: counts the map's distance reports.
struct Trip {
    int reports = 0;
    float last = 0;
    void totalDistance(float m)
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

// An MBTiles file of solid tiles at zoom 10–16 around the drive; returns the tiles.
QList<TileId> makeMBTiles(const QString &path)
{
    QList<QByteArray> pngs;
    for (int i = 0; i < 12; ++i) {
        QImage img(256, 256, QImage::Format_RGB32);
        img.fill(QColor::fromHsv(i * 30, 60, 240));
        QByteArray png;
        QBuffer b(&png);
        b.open(QIODevice::WriteOnly);
        img.save(&b, "PNG");
        pngs << png;
    }
    QList<TileId> made;
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench"));
    db.setDatabaseName(path);
    db.open();
    QSqlQuery q(db);
    q.exec(QStringLiteral("CREATE TABLE metadata (name TEXT, value TEXT)"));
    q.exec(QStringLiteral("INSERT INTO metadata VALUES ('name','bench'),('format','png')"));
    q.exec(QStringLiteral("CREATE TABLE tiles (zoom_level INTEGER, tile_column INTEGER, tile_row INTEGER, tile_data BLOB)"));
    q.exec(QStringLiteral("CREATE UNIQUE INDEX tile_index ON tiles (zoom_level, tile_column, tile_row)"));
    db.transaction();
    for (int z = 10; z <= 16; ++z) {
        const int n = 1 << z;
        const int x0 = int((11.55 + 180) / 360 * n), x1 = int((11.80 + 180) / 360 * n);
        auto row = [n](double lat) {
            const double r = lat * M_PI / 180;
            return int((1 - std::asinh(std::tan(r)) / M_PI) / 2 * n);
        };
        for (int x = x0; x <= x1; ++x)
            for (int y = row(48.35); y <= row(48.10); ++y) {
                const QByteArray &png = pngs[(x * 7 + y * 13) % pngs.size()];
                q.prepare(QStringLiteral("INSERT INTO tiles VALUES (?,?,?,?)"));
                q.addBindValue(z);
                q.addBindValue(x);
                q.addBindValue(TileSource::tmsRow(z, y));
                q.addBindValue(png);
                q.exec();
                made << TileId{z, x, y};
            }
    }
    db.commit();
    db.close();
    return made;
}

} // namespace

int main(int argc, char **argv)
{
    Composition::apply();   // the map composed as the program composes it
    MapTileServer::registerUrlScheme();
    QApplication app(argc, argv);
    const QString shotPath = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();

    // Tiles from an MBTiles file, read as the tile server's threads read them.
    QTemporaryDir tilesDir;
    const QString mbtiles = tilesDir.filePath(QStringLiteral("bench.mbtiles"));
    const QList<TileId> tiles = makeMBTiles(mbtiles);
    Settings settings;
    settings.setOfflineSources({mbtiles});
    QList<double> tileMs;
    for (int i = 0; i < 2000; ++i) {
        QElapsedTimer tt;
        tt.start();
        const std::optional<QByteArray> bytes = TileSource::firstTile({mbtiles}, tiles[(i * 7919) % tiles.size()]);
        tileMs << (bytes ? tt.nsecsElapsed() / 1e6 : -1);
    }
    std::sort(tileMs.begin(), tileMs.end());

    MapPane map(settings);
    map.reachability()->stopNotifier();
    Trip trip;
    QObject::connect(&map, &MapPane::distanceMeasured, [&trip](float m) { trip.totalDistance(m); });
    map.resize(720, 480);
    map.show();
    if (!QTest::qWaitForWindowExposed(&map))
        return 1;
    map.reachability()->injectFlags(Reachability::Reachable);
    if (!spinUntil([&] { return trip.reports >= 0 && map.pageLoadRequests() > 0; }, 20000))
        return 1;
    spinFor(2000);   // the engine's first start is not what we measure

    constexpr int kPoints = 1800;
    PlayListEntry e;
    e.path = QStringLiteral("file:///bench/drive.MOV");
    e.gpsData = drive(kPoints);
    DriveTelemetry telemetry;
    telemetry.follow(&e);
    const ClipTelemetry clip = telemetry.clip();

    // A new file: from the call to the page's distance report for the new route
    // (drawn in the page that stays).
    QList<double> routes;
    for (int run = 0; run < 7; ++run) {
        trip.reports = 0;
        QElapsedTimer t;
        t.start();
        map.showClip(clip);
        trip.reports = 0;
        const bool ok = spinUntil([&] { return trip.reports > 0; }, 20000);
        routes << (ok ? t.nsecsElapsed() / 1e6 : -1);
        spinFor(300);
    }
    std::sort(routes.begin(), routes.end());

    // A page load to route drawn (a map choice change or the expand action).
    QList<double> loads;
    for (int run = 0; run < 7; ++run) {
        bool ready = false;
        auto c = QObject::connect(&map, &MapPane::mapPageReady, [&] { ready = true; });
        QElapsedTimer t;
        t.start();
        map.reloadHtmlData();
        trip.reports = 0;
        const bool ok = spinUntil([&] { return ready && trip.reports > 0; }, 20000);
        loads << (ok ? t.nsecsElapsed() / 1e6 : -1);
        QObject::disconnect(c);
        spinFor(300);
    }
    std::sort(loads.begin(), loads.end());

    // Tiles as the page receives them through the scheme, from its resource timings.
    spinFor(1500);
    QVariant timing;
    bool answered = false;
    map.webview()->page()->runJavaScript(QStringLiteral(
        "(function(){var d=performance.getEntriesByType('resource').filter(function(e){return e.name.indexOf('veltra-tile')===0;})"
        ".map(function(e){return e.duration;}).sort(function(a,b){return a-b;});"
        "return d.length ? [d.length, d[Math.floor(d.length/2)], d[d.length-1]] : [0,0,0];})()"),
        [&](const QVariant &v) { timing = v; answered = true; });
    if (!spinUntil([&] { return answered; }, 5000))
        qWarning("the page did not answer the tile timings");
    const QVariantList pageTiles = timing.toList();

    // One tile at a time as the page asks for it when the map is idle: fetch() of tiles
    // the page has not seen, timed in the page from request to the last byte.
    QVariant idle;
    {
        QStringList urls;
        for (int i = 0; i < 60; ++i) {
            const TileId &id = tiles[(i * 104729) % tiles.size()];
            urls << QStringLiteral("'veltra-tile:/%1/%2/%3.png'").arg(id.z).arg(id.x).arg(id.y);
        }
        map.webview()->page()->runJavaScript(QStringLiteral(
            "window.__tileIdle=null;(function(){var u=[%1],d=[],i=0;function next(){if(i===u.length){"
            "d.sort(function(a,b){return a-b;});"
            "window.__tileIdle=[d.length,d[Math.floor(d.length/2)],d[Math.floor(d.length*0.9)],d[d.length-1]];return;}"
            "var img=new Image(),t=performance.now();img.onload=function(){d.push(performance.now()-t);++i;next();};"
            "img.onerror=function(){window.__tileIdle='tile '+u[i]+' failed';};img.src=u[i];}next();})();0")
                                                 .arg(urls.join(QLatin1Char(','))));
        (void)spinUntil([&] {
            bool done = false;
            map.webview()->page()->runJavaScript(QStringLiteral("window.__tileIdle"), [&](const QVariant &v) {
                idle = v;
                done = true;
            });
            if (!spinUntil([&] { return done; }, 2000))
                return false;
            return idle.toList().size() == 4 || idle.userType() == QMetaType::QString;
        }, 20000);
        if (idle.userType() == QMetaType::QString)
            std::printf("tile fetch in the page failed: %s\n", qPrintable(idle.toString()));
    }
    const QVariantList idleTiles = idle.toList();

    // A marker tick: the whole main-thread cost of a moment, made and shown.
    telemetry.setDuration(kPoints);
    map.setDuration(kPoints);
    constexpr int kTicks = 20000;
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < kTicks; ++i)
        map.showMoment(telemetry.momentAt(i * (double(kPoints) / kTicks)));
    const double perTickUs = t.nsecsElapsed() / 1e3 / kTicks;
    spinFor(1500);   // let the page work through them

    const auto [self, helpers] = memoryKiB();
    std::printf("route of %d points\n", kPoints);
    std::printf("new file to route drawn (page stays): median %.0f ms, min %.0f ms, max %.0f ms (7 runs)\n", routes[3],
                routes[0], routes[6]);
    std::printf("page load to route drawn: median %.0f ms, min %.0f ms, max %.0f ms (7 runs)\n", loads[3], loads[0],
                loads[6]);
    std::printf("tile from MBTiles (%lld tiles in the file): median %.3f ms, 99th %.3f ms, max %.3f ms (2000 reads)\n",
                qint64(tiles.size()), tileMs[1000], tileMs[1980], tileMs[1999]);
    QList<double> served = MapTileServer::forProfile(map.webview()->page()->profile())->localServeTimes();
    std::sort(served.begin(), served.end());
    if (!served.isEmpty())
        std::printf("tiles served through the scheme (request to reply, program side): %lld, median %.2f ms, max %.2f ms\n",
                    qint64(served.size()), served[served.size() / 2], served.last());
    if (pageTiles.size() == 3)
        std::printf("tiles as the page loaded them: %d, median %.1f ms, max %.1f ms\n", pageTiles[0].toInt(),
                    pageTiles[1].toDouble(), pageTiles[2].toDouble());
    if (idleTiles.size() == 4)
        std::printf("tile fetched by the idle page (request to last byte): %d, median %.2f ms, 90th %.2f ms, max %.2f ms\n",
                    idleTiles[0].toInt(), idleTiles[1].toDouble(), idleTiles[2].toDouble(), idleTiles[3].toDouble());
    else
        std::printf("tile fetched by the idle page: the page did not answer\n");
    std::printf("marker tick, main thread: %.1f us per tick (%d ticks)\n", perTickUs, kTicks);
    std::printf("memory with the map loaded: this process %ld MiB, web engine helpers %ld MiB, total %ld MiB\n",
                self / 1024, helpers / 1024, (self + helpers) / 1024);
    std::printf("distance reported: %.1f m\n", trip.last);

    if (!shotPath.isEmpty()) {
        map.showMoment(telemetry.momentAt(kPoints * 0.62));
        spinFor(800);
        map.grab().save(shotPath);
        map.reachability()->injectFlags(0);
        spinFor(500);
        const QString offPath = QString(shotPath).replace(QLatin1String(".png"), QLatin1String("_offline.png"));
        map.grab().save(offPath);
        std::printf("pictures: %s %s\n", qPrintable(shotPath), qPrintable(offPath));
    }
    return 0;
}
