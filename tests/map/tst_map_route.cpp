// The texts handed to the map pages, the route taken from the samples, the
// reachability rule and the network probe, and the page texts as loaded with the
// messages they show.
#include "TestSettings.h"
#include "app/AppDelegate.h"
#include "common/Localization.h"
#include "map/MapPane.h"
#include "map/MapRoute.h"
#include "map/MapWebPage.h"
#include "map/Reachability.h"
#include "map/ReachabilityProbe.h"
#include "map/TileCache.h"
#include "map/TileSource.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QThread>
#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>

namespace {

GpsSample sample(const char *lat, const char *lng)
{
    GpsSample s;
    s.gps_lat = lat;
    s.gps_lgt = lng;
    return s;
}

} // namespace

class MapRouteTest : public QObject {
    Q_OBJECT
private slots:
    void numberText_data()
    {
        QTest::addColumn<float>("value");
        QTest::addColumn<QString>("text");
        QTest::addRow("London latitude widened from single precision") << 51.5073f << "51.507301330566406";
        QTest::addRow("exact binary fraction") << 0.5f << "0.5";
        QTest::addRow("negative (west)") << -0.1278f << "-0.12780000269412994";
        QTest::addRow("three-digit longitude") << 114.05791f << "114.05790710449219";
        QTest::addRow("whole number") << 12.0f << "12";
        QTest::addRow("tiny value uses an exponent") << 1e-7f << "1.0000000116860974e-07";
    }
    void numberText()
    {
        QFETCH(float, value);
        QFETCH(QString, text);
        QCOMPARE(MapRoute::numberText(value), text);
        // printf is the reference for "%.17g".
        QCOMPARE(MapRoute::numberText(value), QString::asprintf("%.17g", double(value)));
    }

    void numberTextIgnoresLocale()
    {
        const QLocale saved;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const QString text = MapRoute::numberText(51.5073f);
        QLocale::setDefault(saved);
        QCOMPARE(text, QStringLiteral("51.507301330566406"));
    }

    void jsonTexts()
    {
        const MapPoint london{51.5073f, 0.5f};
        const MapPoint west{40.0f, -3.25f};
        QCOMPARE(MapRoute::pointArrayJson(london), QStringLiteral("[51.507301330566406,0.5]"));
        QCOMPARE(MapRoute::pointObjectJson(london), QStringLiteral("{\"lat\":51.507301330566406,\"lng\":0.5}"));
        QCOMPARE(MapRoute::routeArrayJson({}), QStringLiteral("[]"));
        QCOMPARE(MapRoute::routeObjectJson({}), QStringLiteral("[]"));
        QCOMPARE(MapRoute::routeArrayJson({london, west}),
                 QStringLiteral("[[51.507301330566406,0.5],[40,-3.25]]"));
        QCOMPARE(MapRoute::routeObjectJson({london, west}),
                 QStringLiteral("[{\"lat\":51.507301330566406,\"lng\":0.5},{\"lat\":40,\"lng\":-3.25}]"));
        QCOMPARE(MapRoute::scriptCall("drawPolyLinePath", MapRoute::routeArrayJson({london})),
                 QStringLiteral("drawPolyLinePath([[51.507301330566406,0.5]])"));
        QCOMPARE(MapRoute::scriptCall("updateMarkerPosition1", MapRoute::pointObjectJson(west)),
                 QStringLiteral("updateMarkerPosition1({\"lat\":40,\"lng\":-3.25})"));
        QCOMPARE(MapRoute::scriptCall("drawPolyLinePath1", MapRoute::listJson({})), QStringLiteral("drawPolyLinePath1([])"));
    }

    void leadingFloat_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<float>("value");
        QTest::addRow("plain") << "51.5073" << 51.5073f;
        QTest::addRow("negative") << "-33.8688" << -33.8688f;
        QTest::addRow("empty") << "" << 0.0f;
        QTest::addRow("leading blanks") << "  22.5" << 22.5f;
        QTest::addRow("plus sign") << "+1.5" << 1.5f;
        QTest::addRow("trailing text ignored") << "12.25N" << 12.25f;
        QTest::addRow("no leading number") << "N12" << 0.0f;
        QTest::addRow("lone sign") << "-" << 0.0f;
        QTest::addRow("bare fraction") << ".5" << 0.5f;
        QTest::addRow("nan is not a number here") << "nan" << 0.0f;
        QTest::addRow("inf is not a number here") << "-inf" << 0.0f;
        QTest::addRow("beyond single precision") << "1e300" << 0.0f;
    }
    void leadingFloat()
    {
        QFETCH(QString, text);
        QFETCH(float, value);
        QCOMPARE(MapRoute::leadingFloat(text.toStdString()), value);
    }

    void routeKeepsOnlyFixes()
    {
        const QList<GpsSample> samples = {
            sample("51.5", "-0.12"),  // kept
            sample("", ""),           // no fix
            sample("0", "13.4"),      // latitude 0
            sample("52.1", "0.000"),  // longitude 0
            sample("52.2", "13.4"),   // kept
            sample("-33.9", "151.2"), // kept (south, east)
        };
        const QList<MapPoint> route = MapRoute::fromSamples(samples);
        QCOMPARE(route.size(), 3);
        QCOMPARE(route[0].lat, 51.5f);
        QCOMPARE(route[0].lng, -0.12f);
        QCOMPARE(route[1].lat, 52.2f);
        QCOMPARE(route[2].lat, -33.9f);
        QCOMPARE(route[2].lng, 151.2f);
        QVERIFY(MapRoute::fromSamples({}).isEmpty());

        // A trip's clip keeps, for each point, the sample it came from.
        const ClipTrack track = MapRoute::clipTrack(samples);
        QCOMPARE(track.samples, QList<int>({0, 4, 5}));
        QCOMPARE(track.sampleCount, 6);
        QCOMPARE(track.json, MapRoute::routeArrayJson(route));
        // A clip without points, or not read, is an empty list: a gap, not a line across.
        const ClipTrack none = MapRoute::clipTrack({sample("", "")});
        QCOMPARE(MapRoute::tripScript({&track, &none, nullptr, &track}, 3, true),
                 QStringLiteral("drawTrip([%1,[],[],%1],3,true)").arg(track.json));
    }

    // The route drawn smoothed: a zig-zag of GPS jitter straightens, a real corner and
    // the ends stay, and nothing is drawn across a gap in the recording.
    void smoothedRoute()
    {
        // Jitter of ±0.00005° (about 5 m) across a road running north.
        QList<MapPoint> zigzag;
        for (int k = 0; k < 9; ++k)
            zigzag.append({float(52.0 + 0.0001 * k), float(13.0 + (k % 2 ? 0.00005 : -0.00005))});
        const QList<MapPoint> smooth = MapRoute::smoothed(zigzag);
        QCOMPARE(smooth.size(), zigzag.size());
        QCOMPARE(smooth.first().lng, zigzag.first().lng);
        QCOMPARE(smooth.last().lat, zigzag.last().lat);
        for (int k = 2; k < 7; ++k) {
            QVERIFY2(std::fabs(smooth[k].lng - 13.0f) < 0.00002f, qPrintable(QString::number(k)));
            QVERIFY(std::fabs(smooth[k].lat - zigzag[k].lat) < 0.00001f);   // no step along the road lost
        }
        // Points beside a jump of a kilometre stay where they were recorded.
        QList<MapPoint> gap = zigzag.mid(0, 4);
        gap.append({52.01f, 13.0f});
        gap.append({52.0101f, 13.00005f});
        gap.append({52.0102f, 12.99995f});
        const QList<MapPoint> across = MapRoute::smoothed(gap);
        QCOMPARE(across[3].lng, gap[3].lng);
        QCOMPARE(across[4].lng, gap[4].lng);
        QVERIFY(across[5].lng != gap[5].lng);
        QVERIFY(MapRoute::smoothed({}).isEmpty());

        // A track made smooth draws the smoothed points, and says so.
        std::vector<TelemetrySample> typed(zigzag.size());
        QList<int> positions;
        for (int k = 0; k < zigzag.size(); ++k) {
            typed[size_t(k)].hasFix = true;
            typed[size_t(k)].latitude = zigzag[k].lat;
            typed[size_t(k)].longitude = zigzag[k].lng;
            positions << k;
        }
        const ClipTrack drawn = MapRoute::clipTrack(typed, positions, true);
        QVERIFY(drawn.smooth);
        QCOMPARE(drawn.json, MapRoute::routeArrayJson(smooth));
        QCOMPARE(MapRoute::clipTrack(typed, positions).json, MapRoute::routeArrayJson(zigzag));
    }

    void reachabilityRule_data()
    {
        QTest::addColumn<quint32>("flags");
        QTest::addColumn<bool>("reachable");
        QTest::addRow("nothing") << 0u << false;
        QTest::addRow("reachable") << 2u << true;
        QTest::addRow("reachable, connection required") << (2u | 4u) << true;
        QTest::addRow("reachable, transient") << (2u | 1u) << true;
        QTest::addRow("reachable, required and transient") << (2u | 4u | 1u) << false;
        QTest::addRow("required and transient only") << (4u | 1u) << false;
        QTest::addRow("transient only") << 1u << false;
    }
    void reachabilityRule()
    {
        QFETCH(quint32, flags);
        QFETCH(bool, reachable);
        QCOMPARE(Reachability::isReachable(flags), reachable);
    }

    void reachabilityHostNames()
    {
        QVERIFY(!Reachability::reachabilityWithHostname(QString()));
        QVERIFY(!Reachability::reachabilityWithHostname(QStringLiteral("   ")));
        QVERIFY(!Reachability::reachabilityWithHostname(QStringLiteral("host/with/path")));
        std::unique_ptr<Reachability> r(Reachability::reachabilityWithHostname(QStringLiteral("www.openstreetmap.org")));
        QVERIFY(r);
        QCOMPARE(r->hostname(), QStringLiteral("www.openstreetmap.org"));
        QVERIFY(!r->currentFlags().has_value());
        QVERIFY(!r->setHostname(QStringLiteral("host/with/path")));
        QCOMPARE(r->hostname(), QStringLiteral("www.openstreetmap.org"));
        QVERIFY(r->setHostname(QStringLiteral(" tile.openstreetmap.org ")));
        QCOMPARE(r->hostname(), QStringLiteral("tile.openstreetmap.org"));
    }

    // Results come when first known and on every change, never twice the same.
    void injectedResultsReportChangesOnly()
    {
        std::unique_ptr<Reachability> r(Reachability::reachabilityWithHostname(QStringLiteral("example.org")));
        QStringList seen;
        r->setReachableBlock([&](Reachability *who) { QCOMPARE(who, r.get()); seen << "up"; });
        r->setUnreachableBlock([&](Reachability *) { seen << "down"; });
        r->injectFlags(0);
        r->injectFlags(0);
        r->injectFlags(Reachability::Reachable);
        r->injectFlags(Reachability::Reachable);
        r->injectFlags(Reachability::Reachable | Reachability::ConnectionRequired | Reachability::TransientConnection);
        QCOMPARE(seen, QStringList({"down", "up", "down"}));
        QCOMPARE(r->currentFlags().value_or(99), quint32(7));
    }

    // A host that accepts TCP connections but speaks no HTTPS is not reachable (a
    // sandbox accepts every connect); the answer arrives on the main thread.
    void probeNeedsAnHttpsAnswer()
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        QList<QTcpSocket *> accepted;
        connect(&server, &QTcpServer::newConnection, this, [&] {
            while (QTcpSocket *s = server.nextPendingConnection()) {
                accepted << s;
                s->write("hello\r\n");   // not a TLS handshake
                s->disconnectFromHost();
            }
        });
        std::unique_ptr<Reachability> r(
            Reachability::reachabilityWithHostname(QStringLiteral("127.0.0.1:%1").arg(server.serverPort())));
        QVERIFY(r);
        int up = 0;
        int down = 0;
        QThread *handlerThread = nullptr;
        r->setReachableBlock([&](Reachability *) { ++up; handlerThread = QThread::currentThread(); });
        r->setUnreachableBlock([&](Reachability *) { ++down; handlerThread = QThread::currentThread(); });
        QVERIFY(r->startNotifier());
        QVERIFY(!r->startNotifier());
        QTRY_COMPARE_WITH_TIMEOUT(down, 1, 15000);
        QCOMPARE(up, 0);
        QCOMPARE(handlerThread, QThread::currentThread());
        QVERIFY(!accepted.isEmpty());
        r->stopNotifier();
        QVERIFY(!r->isNotifierRunning());
        // Stopped: injected results still work, probes do not come back.
        r->injectFlags(Reachability::Reachable);
        QCOMPARE(up, 1);
    }

    void probeFlags()
    {
        QCOMPARE(ReachabilityProbe::flagsForAnswer(true), quint32(Reachability::Reachable));
        QCOMPARE(ReachabilityProbe::flagsForAnswer(false), 0u);
    }

    void pagesLoadNoScriptFromTheInternet_data()
    {
        QTest::addColumn<bool>("street");
        QTest::addRow("OpenStreetMap") << true;
        QTest::addRow("Google") << false;
    }
    void pagesLoadNoScriptFromTheInternet()
    {
        QFETCH(bool, street);
        const QString text = MapPane::pageText(street, QString());
        QVERIFY(!text.isEmpty());
        const QRegularExpression remoteScript(QStringLiteral("<script[^>]*src=\"(https?:)?//"));
        QVERIFY(!remoteScript.match(text).hasMatch());
        QVERIFY(!text.contains(QLatin1String("__")));   // every placeholder filled
        if (street)
            QVERIFY(text.contains(QLatin1String("src=\"leaflet/leaflet.js\"")));
    }

    // The map's messages send the user to the items that choose a map: every
    // "Menu ▸ Item" they name is a menu of the menu bar and an item in it, with the
    // texts the menu bar shows in that language.
    void messagesNameRealMenuItems_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addRow("English") << "en";
        QTest::addRow("Simplified Chinese") << "zh-Hans";
    }
    // A menu item's text as the menu shows it: no mnemonic mark ("&File", "文件 (&F)"),
    // no keys after the tab.
    static QString shownText(QString text)
    {
        text = text.section(QLatin1Char('\t'), 0, 0);
        text.remove(QRegularExpression(QStringLiteral(" \\(&.\\)$")));
        return text.remove(QLatin1Char('&'));
    }

    void messagesNameRealMenuItems()
    {
        QFETCH(QString, language);
        Localization::install(language);
        TestSettings settings;
        AppDelegate delegate(settings);
        QMenuBar bar;
        delegate.buildMenus(&bar);
        const QString sep = QStringLiteral(" \u25b8 ");
        QStringList paths;
        for (const QAction *menu : bar.actions())
            for (const QAction *item : menu->menu()->actions())
                if (!item->isSeparator())
                    paths << shownText(menu->text()) + sep + shownText(item->text());
        QVERIFY(paths.size() > 5);

        QStringList messages{Localization::text(MapPane::kNoLineMessageKey)};
        const QRegularExpression notice(QStringLiteral("<div id=\"notice-[^\"]+\" class=\"notice\" hidden><div>([^<]*)</div>"));
        for (auto it = notice.globalMatch(MapPane::pageText(false, QString())); it.hasNext();)
            messages << it.next().captured(1);
        QCOMPARE(messages.size(), 3);
        for (const QString &message : messages) {
            int named = 0;
            for (qsizetype at = message.indexOf(sep); at >= 0; at = message.indexOf(sep, at + 1), ++named) {
                const bool real = std::any_of(paths.cbegin(), paths.cend(), [&](const QString &path) {
                    const qsizetype start = at - path.indexOf(sep);
                    const qsizetype end = start + path.size();
                    return start >= 0 && message.mid(start, path.size()) == path &&
                           (start == 0 || !message.at(start - 1).isLetterOrNumber()) &&
                           (end == message.size() || !message.at(end).isLetterOrNumber());
                });
                QVERIFY2(real, qPrintable(message));
            }
            QVERIFY2(named > 0, qPrintable(message));
        }
    }

    void engineFlags_data()
    {
        QTest::addColumn<QByteArray>("flags");
        QTest::addColumn<bool>("sandboxDisabled");
        QTest::addColumn<QByteArray>("result");
        QTest::addRow("sandbox on") << QByteArray() << false << QByteArray();
        QTest::addRow("sandbox on, other flags") << QByteArray("--foo") << false << QByteArray("--foo");
        QTest::addRow("sandbox disabled") << QByteArray() << true << QByteArray("--no-zygote");
        QTest::addRow("--no-sandbox") << QByteArray("--foo --no-sandbox") << false
                                      << QByteArray("--foo --no-sandbox --no-zygote");
        QTest::addRow("already without zygote") << QByteArray("--no-zygote") << true << QByteArray("--no-zygote");
        QTest::addRow("single process") << QByteArray("--single-process") << true << QByteArray("--single-process");
    }
    void engineFlags()
    {
        QFETCH(QByteArray, flags);
        QFETCH(bool, sandboxDisabled);
        QTEST(MapWebPage::engineFlags(flags, sandboxDisabled), "result");
    }

    void googleKeyIsEscaped_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("inPage");
        QTest::addRow("no key") << "" << "var API_KEY = '';";
        QTest::addRow("plain key") << "AIzaSyExample_-123" << "var API_KEY = 'AIzaSyExample_-123';";
        QTest::addRow("blanks trimmed") << "  abc  " << "var API_KEY = 'abc';";
        QTest::addRow("quote and tag cannot break out") << "a'b</script>&c" << "var API_KEY = 'a%27b%3C%2Fscript%3E%26c';";
    }
    void googleKeyIsEscaped()
    {
        QFETCH(QString, key);
        QFETCH(QString, inPage);
        const QString text = MapPane::pageText(false, key);
        QVERIFY2(text.contains(inPage), qPrintable(inPage));
    }

    void tilePaths_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QList<int>>("zxy");   // empty: refused
        QTest::addRow("png") << "/12/3301/1785.png" << QList<int>{12, 3301, 1785};
        QTest::addRow("no suffix") << "/0/0/0" << QList<int>{0, 0, 0};
        QTest::addRow("x beyond the zoom") << "/2/4/0.png" << QList<int>{};
        QTest::addRow("y beyond the zoom") << "/2/0/4.png" << QList<int>{};
        QTest::addRow("negative") << "/3/-1/0.png" << QList<int>{};
        QTest::addRow("too deep") << "/25/0/0.png" << QList<int>{};
        QTest::addRow("deepest zoom, last tile") << "/24/16777215/16777215.png" << QList<int>{24, 16777215, 16777215};
        QTest::addRow("too few parts") << "/12/3301.png" << QList<int>{};
        QTest::addRow("not numbers") << "/a/b/c.png" << QList<int>{};
    }
    void tilePaths()
    {
        QFETCH(QString, path);
        QFETCH(QList<int>, zxy);
        const std::optional<TileId> t = TileSource::parseTilePath(path);
        QCOMPARE(t.has_value(), !zxy.isEmpty());
        if (t)
            QCOMPARE((QList<int>{t->z, t->x, t->y}), zxy);
    }

    void tmsRowsAndImageTypes()
    {
        QCOMPARE(TileSource::tmsRow(0, 0), 0);
        QCOMPARE(TileSource::tmsRow(1, 0), 1);
        QCOMPARE(TileSource::tmsRow(15, 14281), 32767 - 14281);
        QCOMPARE(TileSource::imageType(QByteArray("\x89PNG\r\n\x1a\n....", 12)), QByteArray("image/png"));
        QCOMPARE(TileSource::imageType(QByteArray("\xff\xd8\xff\xe0", 4)), QByteArray("image/jpeg"));
        QCOMPARE(TileSource::imageType(QByteArray("RIFF\x10\0\0\0WEBPVP8 ", 16)), QByteArray("image/webp"));
        QCOMPARE(TileSource::imageType(QByteArray("RIFF\x10\0\0\0WAVE", 12)), QByteArray());
        QCOMPARE(TileSource::imageType(QByteArray("\x1a\x02pbf")), QByteArray());
        QCOMPARE(TileSource::imageType(QByteArray("<html>")), QByteArray());
        QVERIFY(!TileSource::parseBounds("1,2,3").has_value());
        const std::optional<TileBounds> bounds = TileSource::parseBounds("114.0, 22.5,114.1,22.6");
        QVERIFY(bounds);
        QCOMPARE(bounds->west, 114.0);
        QCOMPARE(bounds->south, 22.5);
        QCOMPARE(bounds->east, 114.1);
        QCOMPARE(bounds->north, 22.6);
        QVERIFY(std::abs(TileSource::tileLatitude(1, 1)) < 1e-9);
        QCOMPARE(TileSource::tileLongitude(2, 3), 90.0);
        // Without online maps the Google page is never the one shown.
        QCOMPARE(MapPane::streetPageFor(false, true), false);
        QCOMPARE(MapPane::streetPageFor(false, false), true);
    }

    // The banner over the map: nothing while the tile server answers; without it, whether
    // an offline map is drawn under the route.
    void bannerText_data()
    {
        QTest::addColumn<bool>("unreachable");
        QTest::addColumn<QString>("source");   // where the one source is: "", "route", "north", "east", "unknown"
        QTest::addColumn<bool>("usable");
        QTest::addColumn<bool>("route");
        QTest::addColumn<QString>("key");      // empty: no banner
        const QString none, offline = MapPane::kOfflineMapMessageKey,
                            noMap = MapPane::kNoLineMessageKey;
        QTest::addRow("reachable, no source") << false << "" << true << true << none;
        QTest::addRow("reachable, a source under the route") << false << "route" << true << true << none;
        QTest::addRow("unreachable, no source") << true << "" << true << true << noMap;
        QTest::addRow("unreachable, a source under the route") << true << "route" << true << true << offline;
        QTest::addRow("unreachable, a source north of the route") << true << "north" << true << true << noMap;
        QTest::addRow("unreachable, a source east of the route") << true << "east" << true << true << noMap;
        QTest::addRow("unreachable, a source of unknown area") << true << "unknown" << true << true << offline;
        QTest::addRow("unreachable, an unusable source under the route") << true << "route" << false << true << noMap;
        QTest::addRow("unreachable, no route yet, a source elsewhere") << true << "north" << true << false << offline;
    }
    void bannerText()
    {
        QFETCH(bool, unreachable);
        QFETCH(QString, source);
        QFETCH(bool, usable);
        QFETCH(bool, route);
        QFETCH(QString, key);
        QList<TileSourceInfo> sources;
        if (!source.isEmpty()) {
            TileSourceInfo info;
            info.usable = usable;
            // The route runs from 22.50, 114.00 to 22.52, 114.03; an area over one end of it meets it.
            if (source == "route")
                info.bounds = TileBounds{114.02, 22.51, 114.2, 22.7};
            else if (source == "north")
                info.bounds = TileBounds{113.9, 22.53, 114.2, 22.7};
            else if (source == "east")
                info.bounds = TileBounds{114.04, 22.4, 114.2, 22.7};
            sources << info;
        }
        const QList<MapPoint> points = route ? QList<MapPoint>{{22.50f, 114.00f}, {22.52f, 114.03f}} : QList<MapPoint>{};
        Localization::install(QStringLiteral("en"));
        QCOMPARE(MapPane::bannerText(unreachable, MapPane::offlineMapDrawn(sources, points)),
                 key.isEmpty() ? QString() : Localization::text(key));
    }

    // What the dialog says of each kind of source.
    void sourcesInspected_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("problem");   // empty: usable
        QTest::addRow("raster MBTiles") << "raster" << "";
        QTest::addRow("vector MBTiles") << "vector" << "vector tiles (pbf)";
        QTest::addRow("SQLite without tiles") << "notiles" << "holds no map tiles";
        QTest::addRow("not SQLite") << "text" << "not an SQLite database";
        QTest::addRow("truncated") << "truncated" << "damaged";
        QTest::addRow("missing file") << "missing" << "cannot be read";
        QTest::addRow("folder of tiles") << "folder" << "";
        QTest::addRow("folder without tiles") << "emptyfolder" << "no map tiles (zoom/x/y.png)";
    }
    void sourcesInspected()
    {
        QFETCH(QString, kind);
        QFETCH(QString, problem);
        Localization::install(QStringLiteral("en"));
        QTemporaryDir dir;
        QImage img(256, 256, QImage::Format_RGB32);
        img.fill(Qt::red);
        QByteArray png;
        QBuffer buf(&png);
        buf.open(QIODevice::WriteOnly);
        img.save(&buf, "PNG");
        QString path = dir.filePath(kind + ".mbtiles");
        if (kind == "raster" || kind == "vector" || kind == "notiles" || kind == "truncated") {
            {
                QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "make");
                db.setDatabaseName(path);
                QVERIFY(db.open());
                QSqlQuery q(db);
                q.exec("CREATE TABLE metadata (name TEXT, value TEXT)");
                q.exec(QStringLiteral("INSERT INTO metadata VALUES ('format','%1'),('name','N')")
                           .arg(kind == "vector" ? "pbf" : "png"));
                if (kind != "notiles") {
                    q.exec("CREATE TABLE tiles (zoom_level INTEGER, tile_column INTEGER, tile_row INTEGER, tile_data BLOB)");
                    q.prepare("INSERT INTO tiles VALUES (3, 5, ?, ?)");
                    q.addBindValue(TileSource::tmsRow(3, 2));
                    q.addBindValue(kind == "vector" ? QByteArray("\x1a\x02xx") : png);
                    QVERIFY(q.exec());
                    // Rows enough that the tiles live beyond the first pages of the file.
                    for (int i = 0; kind == "truncated" && i < 200; ++i)
                        q.exec(QStringLiteral("INSERT INTO tiles VALUES (9, %1, 0, randomblob(4000))").arg(i));
                }
            }
            QSqlDatabase::removeDatabase("make");
            if (kind == "truncated")
                QFile(path).resize(8192);
        } else if (kind == "text") {
            QFile f(path);
            f.open(QIODevice::WriteOnly);
            f.write("not a database at all");
        } else if (kind == "folder" || kind == "emptyfolder") {
            path = dir.filePath(kind);
            QDir().mkpath(path + "/3/5");
            QFile f(path + (kind == "folder" ? "/3/5/2.png" : "/3/5/readme.txt"));
            f.open(QIODevice::WriteOnly);
            f.write(png);
        }
        const TileSourceInfo info = TileSource::inspect(path);
        QCOMPARE(info.usable, problem.isEmpty());
        QVERIFY2(info.problem.contains(problem), qPrintable(info.problem));
        if (info.usable) {
            QCOMPARE(info.minZoom, 3);
            QCOMPARE(info.maxZoom, 3);
            QVERIFY(info.description().contains(QStringLiteral("zoom 3–3")));
            QCOMPARE(TileSource::readTile(path, {3, 5, 2}), std::optional<QByteArray>(png));
            QVERIFY(!TileSource::readTile(path, {3, 5, 3}));
        }
        // A source removed while in use: nothing, no crash.
        dir.remove();
        QVERIFY(!TileSource::readTile(path, {3, 5, 2}));
    }

    // The cache keeps tiles across runs and stays under its limit, oldest out first.
    void tileCacheStaysUnderItsLimit()
    {
        QTemporaryDir dir;
        const QByteArray tile(40 * 1024, 'x');
        {
            TileCache cache(dir.path(), 200 * 1024);
            for (int i = 0; i < 10; ++i) {
                cache.put({15, i, 7}, tile);
                QVERIFY(cache.size() <= 200 * 1024);
            }
            QVERIFY(cache.get({15, 9, 7}).has_value());
            QVERIFY(!cache.get({15, 0, 7}).has_value());
        }
        TileCache again(dir.path(), 200 * 1024);
        QCOMPARE(again.get({15, 9, 7}), std::optional<QByteArray>(tile));
        again.setLimit(0);
        QCOMPARE(again.size(), 0);
    }
};

QTEST_MAIN(MapRouteTest)
#include "tst_map_route.moc"
