// The map without the internet, on the real pane and web engine: the route is drawn
// on the plain background with the banner, on tiles of a test-made MBTiles file and
// of a z/x/y folder, and on the plain background when the MBTiles file is damaged;
// with "Use online maps" off not one request reaches a tile server; and sources made
// to stall their reader neither freeze the window nor hold a tile read.
#include "map/MapPane.h"
#include "map/MapSettings.h"
#include "common/Composition.h"
#include "map/MapTileServer.h"
#include "map/OfflineMapsDialog.h"
#include "map/Reachability.h"
#include "map/ReachabilityProbe.h"
#include "map/TileSource.h"
#include "TestSettings.h"
#include "common/Localization.h"
#include "store/TrackStore.h"

#include <QApplication>
#include <QAtomicInt>
#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QScreen>
#include <QSignalSpy>
#include <QSpinBox>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTest>
#include <QUrl>
#include <QtConcurrent/QtConcurrentRun>
#include <QWebEngineProfile>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <cmath>

#include <sys/stat.h>

namespace {

const QColor kRoute(0x1a, 0x73, 0xe8);
const QColor kPlain(0xf4, 0xf3, 0xef);
const QColor kMBTilesColour(0xc8, 0xa0, 0xf0);
const QColor kFolderColour(0x90, 0xd8, 0xa0);
const QColor kServerColour(0xf0, 0xc0, 0x60);
constexpr double kLat = 22.5431, kLng = 114.0579;

QByteArray solidPng(const QColor &c)
{
    QImage img(256, 256, QImage::Format_RGB32);
    img.fill(c);
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "PNG");
    return bytes;
}

int tileX(int z, double lng) { return int(std::floor((lng + 180.0) / 360.0 * (1 << z))); }
int tileY(int z, double lat)
{
    const double r = lat * M_PI / 180;
    return int(std::floor((1 - std::asinh(std::tan(r)) / M_PI) / 2 * (1 << z)));
}

// Every tile at zoom 12–15 of the area around the drive.
template <typename F> void forEachTile(F f)
{
    for (int z = 12; z <= 15; ++z)
        for (int x = tileX(z, kLng - 0.04); x <= tileX(z, kLng + 0.05); ++x)
            for (int y = tileY(z, kLat + 0.05); y <= tileY(z, kLat - 0.04); ++y)
                f(z, x, y);
}

QList<GpsSample> drive(int count, double lat0 = kLat, double lng0 = kLng)
{
    QList<GpsSample> samples;
    for (int i = 0; i < count; ++i) {
        GpsSample s;
        const double a = i * 0.05;
        s.gps_lat = QString::number(lat0 + 0.00012 * i + 0.002 * std::sin(a), 'f', 6).toStdString();
        s.gps_lgt = QString::number(lng0 + 0.00009 * i + 0.002 * (1 - std::cos(a)), 'f', 6).toStdString();
        samples << s;
    }
    return samples;
}

// The clip of a file `name` with `samples`, as the drive's telemetry gives it.
ClipTelemetry clip(const QString &name, const QList<GpsSample> &samples)
{
    PlayListEntry e;
    e.path = QUrl::fromLocalFile(QStringLiteral("/videos/%1.MOV").arg(name)).toString(QUrl::FullyEncoded);
    e.gpsData = samples;
    return ClipTelemetry::of(e);
}

bool near(const QColor &a, const QColor &b, int tolerance)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

double share(const QImage &img, const QColor &c, int tolerance)
{
    qint64 n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += near(img.pixelColor(x, y), c, tolerance);
    return double(n) / (qint64(img.width()) * img.height());
}

// Answers every GET with a tile and counts what it receives.
class CountingTileServer : public QTcpServer {
public:
    int requests = 0;
    QStringList userAgents;
    CountingTileServer()
    {
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *s = nextPendingConnection()) {
                connect(s, &QTcpSocket::readyRead, s, [this, s] {
                    const QByteArray head = s->readAll();
                    ++requests;
                    for (const QByteArray &line : head.split('\n'))
                        if (line.toLower().startsWith("user-agent:"))
                            userAgents << QString::fromLatin1(line.mid(11).trimmed());
                    const QByteArray png = solidPng(kServerColour);
                    s->write("HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nConnection: close\r\nContent-Length: " +
                             QByteArray::number(png.size()) + "\r\n\r\n" + png);
                    s->disconnectFromHost();
                });
                connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            }
        });
    }
};

} // namespace

class MapOfflineTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    TestSettings settings;
    std::unique_ptr<MapPane> map;
    QString mbtiles, folder, corrupt;
    int routes = 0;

    QVariant pageValue(const QString &expression)
    {
        auto answer = std::make_shared<std::optional<QVariant>>();
        map->webview()->page()->runJavaScript(expression, [answer](const QVariant &v) { *answer = v; });
        if (!QTest::qWaitFor([&] { return answer->has_value(); }, 10000))
            qWarning("no answer from the page to %s", qPrintable(expression));
        return answer->value_or(QVariant());
    }

    // Draws a new route with `sources` and returns what the pane shows once the tiles settled.
    QImage showRoute(const QStringList &sources, const QString &shot, const QList<GpsSample> &route = drive(120))
    {
        settings.setOfflineSources(sources);
        map->showClip(clip(QStringLiteral("route%1").arg(++routes), route));
        if (!QTest::qWaitFor([&] { return pageValue("mapState.points").toInt() == route.size(); }, 10000))
            return {};
        // Every tile in view has loaded or failed (a tile still pending shows in the picture).
        (void)QTest::qWaitFor([&] {
            return pageValue("document.querySelectorAll('.leaflet-tile:not(.leaflet-tile-loaded)').length === 0 && "
                             "document.querySelectorAll('.leaflet-tile').length > 0").toBool();
        }, 10000);
        QTest::qWait(400);   // the compositor's next frame
        const QImage img = map->screen()->grabWindow(map->winId()).toImage();
        const QString shots = qEnvironmentVariable("VELTRA_SHOTS");
        if (!shots.isEmpty())
            img.save(shots + QLatin1Char('/') + shot + QStringLiteral(".png"));
        return img;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        Localization::install(QStringLiteral("en"));
        mbtiles = dir.filePath("drive.mbtiles");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "make");
            db.setDatabaseName(mbtiles);
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.exec("CREATE TABLE metadata (name TEXT, value TEXT)"));
            QVERIFY(q.exec("CREATE TABLE tiles (zoom_level INTEGER, tile_column INTEGER, tile_row INTEGER, tile_data BLOB)"));
            QVERIFY(q.exec("INSERT INTO metadata VALUES ('name','Test drive'),('format','png'),('minzoom','12'),"
                           "('maxzoom','15'),('bounds','114.0,22.5,114.1,22.6'),('attribution','Test survey')"));
            db.transaction();
            const QByteArray png = solidPng(kMBTilesColour);
            forEachTile([&](int z, int x, int y) {
                q.prepare("INSERT INTO tiles VALUES (?,?,?,?)");
                q.addBindValue(z);
                q.addBindValue(x);
                q.addBindValue((1 << z) - 1 - y);
                q.addBindValue(png);
                q.exec();
            });
            db.commit();
        }
        QSqlDatabase::removeDatabase("make");
        folder = dir.filePath("tiles");
        const QByteArray png = solidPng(kFolderColour);
        forEachTile([&](int z, int x, int y) {
            QDir().mkpath(QStringLiteral("%1/%2/%3").arg(folder).arg(z).arg(x));
            QFile f(QStringLiteral("%1/%2/%3/%4.png").arg(folder).arg(z).arg(x).arg(y));
            f.open(QIODevice::WriteOnly);
            f.write(png);
        });
        // The head of an SQLite file, then nothing that makes sense.
        corrupt = dir.filePath("damaged.mbtiles");
        QFile c(corrupt);
        QVERIFY(c.open(QIODevice::WriteOnly));
        c.write(QByteArray("SQLite format 3\0", 16) + QByteArray(3000, '\x5a'));
        c.close();

        // No network here: the check says so at once, whatever the machine has.
        ReachabilityProbe::setAnswerForTesting([](const QString &) { return 0u; });
        TrackStore::clearPlayList();
        QDir(MapSettings::cacheFolder()).removeRecursively();
        map = std::make_unique<MapPane>(settings);
        map->resize(640, 420);
        map->show();
        QVERIFY(QTest::qWaitForWindowExposed(map.get()));
        QTRY_VERIFY_WITH_TIMEOUT(map->textFieldNoLine()->isVisible(), 15000);
    }

    void cleanupTestCase()
    {
        map.reset();
        ReachabilityProbe::setAnswerForTesting({});
    }

    // (a) No sources: the route on the plain background, the banner along the top.
    void routeOnThePlainBackgroundWithTheBanner()
    {
        const QImage img = showRoute({}, QStringLiteral("offline-a-no-sources"));
        QVERIFY(!img.isNull());
        QVERIFY(map->textFieldNoLine()->isVisible());
        QCOMPARE(map->textFieldNoLine()->text(), Localization::text(MapPane::kNoLineMessageKey));
        QVERIFY(map->webview()->isVisible());
        QVERIFY2(share(img, kRoute, 30) > 0.002, "no route in the grab");
        QVERIFY(share(img, kPlain, 14) > 0.4);
        // The banner: white text on black along the top.
        QCOMPARE(img.pixelColor(2, 2), QColor(Qt::black));
        QCOMPARE(img.pixelColor(2, img.height() - 40).lightness() > 200, true);
        QTRY_COMPARE(pageValue("window.veltraTopInset").toInt(), map->textFieldNoLine()->height());
        // A narrower pane wraps the banner onto more lines: the route's space follows at once.
        const QSize size = map->size();
        const int oneLine = map->textFieldNoLine()->height();
        map->resize(260, size.height());
        QVERIFY(map->textFieldNoLine()->height() > oneLine);
        QTRY_COMPARE(pageValue("window.veltraTopInset").toInt(), map->textFieldNoLine()->height());
        map->resize(size);
        QTRY_COMPARE(pageValue("window.veltraTopInset").toInt(), oneLine);
    }

    // (b) A test-made MBTiles file: its tile colour under the route, and the banner
    // says that this is the offline map.
    void routeOnMBTilesTiles()
    {
        const QImage img = showRoute({mbtiles}, QStringLiteral("offline-b-mbtiles"));
        QVERIFY(!img.isNull());
        QVERIFY2(share(img, kMBTilesColour, 6) > 0.4, "the MBTiles tiles are not shown");
        QVERIFY(share(img, kRoute, 30) > 0.002);
        QVERIFY(map->textFieldNoLine()->isVisible());
        QTRY_COMPARE(map->textFieldNoLine()->text(), Localization::text(MapPane::kOfflineMapMessageKey));
        // The file's attribution goes with its tiles.
        QTRY_VERIFY(pageValue("document.querySelector('.leaflet-control-attribution').textContent").toString()
                        .contains(QLatin1String("Test survey")));
    }

    // (c) A z/x/y folder, the same.
    void routeOnFolderTiles()
    {
        const QImage img = showRoute({folder}, QStringLiteral("offline-c-folder"));
        QVERIFY(!img.isNull());
        QVERIFY2(share(img, kFolderColour, 6) > 0.4, "the folder's tiles are not shown");
        QVERIFY(share(img, kMBTilesColour, 6) < 0.01);
        QVERIFY(share(img, kRoute, 30) > 0.002);
        // Sources are asked in their order: the first that has a tile gives it.
        const TileId tile{15, tileX(15, kLng), tileY(15, kLat)};
        QCOMPARE(TileSource::firstTile({folder, mbtiles}, tile), std::optional<QByteArray>(solidPng(kFolderColour)));
        QCOMPARE(TileSource::firstTile({mbtiles, folder}, tile), std::optional<QByteArray>(solidPng(kMBTilesColour)));
    }

    // (d) A damaged MBTiles file: the dialog refuses it with its sentence; one that went
    // bad after it was added leaves the pane drawing on the plain background.
    void damagedMBTilesIsRefusedAndTheRouteStays()
    {
        settings.setOfflineSources({});
        OfflineMapsDialog dialog(settings);
        dialog.show();
        QSignalSpy checked(&dialog, &OfflineMapsDialog::sourceChecked);
        dialog.addSource(corrupt);
        QTRY_COMPARE(checked.size(), 1);
        QCOMPARE(checked.last().at(1).toBool(), false);
        QVERIFY(dialog.message()->isVisible());
        QCOMPARE(dialog.message()->text(), TileSource::inspect(corrupt).problem);
        QVERIFY(dialog.message()->text().contains(QLatin1String("damaged")));
        QVERIFY(settings.offlineSources().isEmpty());
        const QString shots = qEnvironmentVariable("VELTRA_SHOTS");
        if (!shots.isEmpty())
            dialog.grab().save(shots + QStringLiteral("/offline-d-dialog.png"));
        dialog.addSource(mbtiles);
        QTRY_COMPARE(checked.size(), 2);
        QCOMPARE(checked.last().at(1).toBool(), true);
        QCOMPARE(dialog.list()->count(), 1);
        QCOMPARE(dialog.list()->item(0)->text(),
                 QStringLiteral("Test drive — zoom 12–15 — 22.50, 114.00 to 22.60, 114.10"));
        // A source's path in its tooltip reads as the path, markup or not.
        const QString marked = dir.filePath(QStringLiteral("<img src=\"missing.png\" width=\"900\">tiles"));
        QVERIFY(QFile::link(folder, marked));
        dialog.addSource(marked);
        QTRY_COMPARE(checked.size(), 3);
        QCOMPARE(checked.last().at(1).toBool(), true);
        QTextDocument tip;
        const QString shown = dialog.list()->item(1)->toolTip();
        Qt::mightBeRichText(shown) ? tip.setHtml(shown) : tip.setPlainText(shown);
        QCOMPARE(tip.toPlainText(), marked);
        settings.setOfflineSources({mbtiles});
        dialog.close();

        const QImage img = showRoute({corrupt}, QStringLiteral("offline-d-damaged"));
        QVERIFY(!img.isNull());
        QVERIFY(share(img, kRoute, 30) > 0.002);
        QVERIFY(share(img, kPlain, 14) > 0.4);
        QVERIFY(share(img, kMBTilesColour, 6) < 0.01);
        QTRY_COMPARE(map->textFieldNoLine()->text(), Localization::text(MapPane::kNoLineMessageKey));
    }

    // Sources a slip or a hostile program may bring. The dialog inspects each off the
    // main thread, busy meanwhile, and says whether it can be shown; the pane stays
    // responsive with it in the settings; reading a tile from it ends, and serves only
    // a small regular file.
    void sourcesMadeToStall_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("problem");   // empty: added
        QTest::addColumn<bool>("served");       // tile 12/3/5 is read
        QTest::addRow("tiles a view over an endless recursive query") << "view" << "plain table" << false;
        QTest::addRow("metadata a view over an endless recursive query") << "metadata view" << "" << true;
        QTest::addRow("a tile larger than any map tile") << "huge tile" << "" << false;
        QTest::addRow("a folder's tile larger than any map tile") << "huge folder tile" << "" << false;
        QTest::addRow("MBTiles file that is a FIFO") << "fifo file" << "cannot be read" << false;
        QTest::addRow("tile that is a FIFO") << "fifo tile" << "" << false;
        QTest::addRow("tile that links to /dev/zero") << "zero tile" << "" << false;
        QTest::addRow("folder named with %%2") << "percent folder" << "" << true;
    }
    void sourcesMadeToStall()
    {
        QFETCH(QString, kind);
        QFETCH(QString, problem);
        QFETCH(bool, served);
        const TileId probe{12, 3, 5};
        const QByteArray png = solidPng(kFolderColour);
        const bool folderKind = kind.endsWith("folder tile") || kind == "fifo tile" || kind == "zero tile" ||
                                kind == "percent folder";
        const QString path = dir.filePath(kind == "percent folder" ? "osm%2Ftiles"
                                          : folderKind             ? kind
                                                                   : kind + ".mbtiles");
        if (!folderKind && kind != "fifo file") {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "stall");
            db.setDatabaseName(path);
            QVERIFY(db.open());
            QSqlQuery q(db);
            const QString endless = "WITH RECURSIVE r(n) AS (SELECT 0 UNION ALL SELECT n + 1 FROM r) ";
            QVERIFY(q.exec(kind == "metadata view"
                               ? "CREATE VIEW metadata AS " + endless + "SELECT 'name' AS name, n AS value FROM r"
                               : "CREATE TABLE metadata (name TEXT, value TEXT)"));
            QVERIFY(q.exec(kind == "view" ? "CREATE VIEW tiles AS " + endless +
                                                "SELECT 12 AS zoom_level, n AS tile_column, n AS tile_row, "
                                                "x'89504e470d0a1a0a' AS tile_data FROM r"
                                          : "CREATE TABLE tiles (zoom_level INTEGER, tile_column INTEGER, "
                                            "tile_row INTEGER, tile_data BLOB)"));
            if (kind != "view") {
                q.prepare("INSERT INTO tiles VALUES (12, 3, ?, ?)");
                q.addBindValue(TileSource::tmsRow(12, kind == "huge tile" ? 6 : probe.y));
                q.addBindValue(png);
                QVERIFY(q.exec());
            }
            if (kind == "huge tile") {
                q.prepare("INSERT INTO tiles VALUES (12, 3, ?, ?)");
                q.addBindValue(TileSource::tmsRow(12, probe.y));
                q.addBindValue(png + QByteArray(TileSource::kMaxTileBytes, '\0'));
                QVERIFY(q.exec());
            }
            db.close();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase("stall");
        } else if (kind == "fifo file") {
            QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else {
            // A good tile beside the one the row is about.
            QVERIFY(QDir().mkpath(path + "/12/3"));
            QFile good(path + (kind == "percent folder" ? "/12/3/5.png" : "/12/3/6.png"));
            QVERIFY(good.open(QIODevice::WriteOnly));
            good.write(png);
            if (kind == "fifo tile")
                QCOMPARE(mkfifo(QFile::encodeName(path + "/12/3/5.png").constData(), 0600), 0);
            else if (kind == "zero tile")
                QVERIFY(QFile::link("/dev/zero", path + "/12/3/5.png"));
            else if (kind == "huge folder tile")
                QVERIFY(QFile(path + "/12/3/6.png").copy(path + "/12/3/5.png") &&
                        QFile(path + "/12/3/5.png").resize(TileSource::kMaxTileBytes + 1));
        }

        settings.setOfflineSources({});
        OfflineMapsDialog dialog(settings);
        dialog.show();
        QSignalSpy checked(&dialog, &OfflineMapsDialog::sourceChecked);
        dialog.addSource(path);
        QVERIFY(dialog.isBusy());
        QVERIFY(dialog.message()->text().contains(QFileInfo(path).fileName()));
        const QString shots = qEnvironmentVariable("VELTRA_SHOTS");
        if (!shots.isEmpty() && kind == "metadata view")
            dialog.grab().save(shots + QStringLiteral("/offline-f-checking.png"));
        QTRY_COMPARE_WITH_TIMEOUT(checked.size(), 1, 30000);
        QVERIFY(!dialog.isBusy());
        QCOMPARE(checked.last().at(1).toBool(), problem.isEmpty());
        QCOMPARE(settings.offlineSources(), problem.isEmpty() ? QStringList{path} : QStringList{});
        if (!problem.isEmpty())
            QVERIFY2(dialog.message()->text().contains(problem), qPrintable(dialog.message()->text()));
        dialog.close();

        // In the settings all the same (put there by hand, or gone bad since): the pane answers.
        settings.setOfflineSources({path});
        QTRY_COMPARE_WITH_TIMEOUT(pageValue("mapState.page").toString(), QStringLiteral("street"), 15000);
        QFuture<std::optional<QByteArray>> read = QtConcurrent::run([path, probe] { return TileSource::readTile(path, probe); });
        QTRY_VERIFY_WITH_TIMEOUT(read.isFinished(), 30000);
        QCOMPARE(read.result(), served ? std::optional<QByteArray>(png) : std::nullopt);
        settings.setOfflineSources({});
    }

    // With "Use online maps" off nothing leaves the program: no tile, no network
    // check, no Google page. With it on, the same pane asks the tile server (so that
    // the silence is the setting's doing).
    void onlineMapsOffSendsNothing()
    {
        CountingTileServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        settings.setTileServerForTests(QStringLiteral("http://127.0.0.1:%1/{z}/{x}/{y}.png").arg(server.serverPort()));
        QAtomicInt probes;
        ReachabilityProbe::setAnswerForTesting([&](const QString &) {
            probes.ref();
            return quint32(Reachability::Reachable);
        });
        map->reachability()->stopNotifier();
        map->reachability()->startNotifier();
        QTRY_VERIFY(!map->textFieldNoLine()->isVisible());
        QTRY_VERIFY(pageValue("mapState.tiles.online === true").toBool());
        // Online: an area no source has comes from the server, named by the program.
        const QImage online = showRoute({}, QStringLiteral("online-tiles"), drive(30, 48.1372, 11.5756));
        // The tiles of a view are asked for together; the server sees at most two at once.
        MapTileServer *tiles = MapTileServer::forProfile(map->webview()->page()->profile());
        QVERIFY(server.requests > MapSettings::kMaxDownloads);
        QVERIFY(tiles->mostDownloadsAtOnce() > 0);
        QVERIFY(tiles->mostDownloadsAtOnce() <= MapSettings::kMaxDownloads);
        QVERIFY2(share(online, kServerColour, 6) > 0.3, "the tile server's tiles are not shown");
        QVERIFY(!server.userAgents.isEmpty());
        QVERIFY(server.userAgents.first().startsWith(QLatin1String("Veltra Player/")));

        settings.setUseOnlineMaps(false);
        QVERIFY(!map->reachability()->isNotifierRunning());
        QVERIFY(!map->textFieldNoLine()->isVisible());
        QTest::qWait(500);   // requests already under way end
        const int before = server.requests;
        probes = 0;
        // A new area, the Google choice, and a new pane: all stay inside.
        QSignalSpy ready(map.get(), &MapPane::mapPageReady);
        settings.setGoogleMap(true);
        QTRY_VERIFY_WITH_TIMEOUT(!ready.isEmpty(), 15000);
        QCOMPARE(ready.last().at(0).toBool(), true);   // the OpenStreetMap page, not Google's
        QTRY_COMPARE_WITH_TIMEOUT(pageValue("mapState.page").toString(), QStringLiteral("street"), 15000);
        map->showClip(clip("private", drive(30, 40.4168, -3.7038)));
        QTRY_COMPARE_WITH_TIMEOUT(pageValue("mapState.points").toInt(), 30, 15000);
        {
            MapPane second(settings);
            second.resize(300, 200);
            second.show();
            QTest::qWait(2000);
            QVERIFY(!second.reachability() || !second.reachability()->isNotifierRunning());
        }
        QCOMPARE(pageValue("mapState.tiles.online").toBool(), false);
        QCOMPARE(server.requests, before);
        QCOMPARE(int(probes), 0);
        // The area seen online shows offline, from the tile cache.
        QVERIFY(QDir(MapSettings::cacheFolder()).exists());
        const QImage cached = showRoute({}, QStringLiteral("offline-e-cache"), drive(30, 48.1372, 11.5756));
        QVERIFY2(share(cached, kServerColour, 6) > 0.3, "tiles seen online are not shown from the cache");
        QCOMPARE(server.requests, before);
        // The cache's size limit, set in the dialog, trims what is kept.
        QVERIFY(tiles->cache().size() > 0);
        {
            OfflineMapsDialog dialog(settings);
            QCOMPARE(dialog.cacheLimitBox()->value(), Settings::kDefaultCacheLimitMB);
            dialog.cacheLimitBox()->setValue(0);
            QCOMPARE(settings.cacheLimitMB(), 0);
        }
        QTRY_COMPARE(tiles->cache().size(), 0);
        settings.setCacheLimitMB(Settings::kDefaultCacheLimitMB);

        ReachabilityProbe::setAnswerForTesting([](const QString &) { return 0u; });
        settings.setUseOnlineMaps(true);
        settings.setGoogleMap(false);
        settings.setTileServerForTests(QString());
    }
};

int main(int argc, char **argv)
{
    Composition::apply();   // the map composed as the program composes it
    MapTileServer::registerUrlScheme();
    QApplication app(argc, argv);
    MapOfflineTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_map_offline.moc"
