// The texts handed to the map pages, the route taken from the samples, the
// reachability rule and the network probe, and the page texts as loaded with the
// messages they show.
#include "app/AppDelegate.h"
#include "common/Localization.h"
#include "map/KTWebViewController.h"
#include "map/MapRoute.h"
#include "map/Reachability.h"
#include "map/ReachabilityProbe.h"

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

#include <algorithm>

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
        const QString text = KTWebViewController::pageText(street, QString());
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
    void messagesNameRealMenuItems()
    {
        QFETCH(QString, language);
        Localization::install(language);
        AppDelegate delegate;
        QMenuBar bar;
        delegate.buildMenus(&bar);
        const QString sep = QStringLiteral(" \u25b8 ");
        QStringList paths;
        for (const QAction *menu : bar.actions())
            for (const QAction *item : menu->menu()->actions())
                if (!item->isSeparator())
                    paths << menu->text() + sep + item->text();
        QVERIFY(paths.size() > 5);

        QStringList messages{Localization::text(KTWebViewController::kNoLineMessageKey)};
        const QRegularExpression notice(QStringLiteral("<div id=\"notice-[^\"]+\" class=\"notice\" hidden><div>([^<]*)</div>"));
        for (auto it = notice.globalMatch(KTWebViewController::pageText(false, QString())); it.hasNext();)
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
        const QString text = KTWebViewController::pageText(false, key);
        QVERIFY2(text.contains(inPage), qPrintable(inPage));
    }
};

QTEST_MAIN(MapRouteTest)
#include "tst_map_route.moc"
