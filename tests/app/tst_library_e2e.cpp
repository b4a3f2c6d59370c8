// The Library window on the real program: Ctrl+L opens it, Library ▸ Add Folder… indexes
// a forged card of several days in the background (the progress bar shows, then the
// summary), the calendar strip shades the days with driving, the trips of the days are
// listed with their cameras and events, the map draws their routes; a click on the map
// keeps the trips that passed there, the event kinds and "protected only" filter; a double
// click plays a trip with its rear camera beside it, an event's row plays from 5 s before
// it; a clip copied into the folder later shows up through the watch on it.
#include "TestSettings.h"
#include "WindowTestMain.h"
#include "app/AppDelegate.h"
#include "app/LibraryMenu.h"
#include "app/MainWindow.h"
#include "app/PaneLayout.h"
#include "drive/PlayQueue.h"
#include "library/LibraryController.h"
#include "library/LibraryDatabase.h"
#include "libraryview/CalendarStrip.h"
#include "libraryview/LibraryWindow.h"
#include "libraryview/RouteMapView.h"
#include "player/ChannelPictures.h"
#include "player/PlayerView.h"
#include "playlist/PlayListView.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMenuBar>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QBuffer>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <memory>

namespace {

QString card() { return qEnvironmentVariable("VELTRA_SAMPLES") + QStringLiteral("/library"); }

// A point of a forged clip's route, from its truth file: the sample `index` (from the end when negative).
QPointF routePoint(const QString &clip, int index)
{
    QFile f(card() + QLatin1Char('/') + clip + QStringLiteral(".truth.json"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QJsonArray samples = QJsonDocument::fromJson(f.readAll()).object().value(QLatin1String("key_video_datas")).toArray();
    if (samples.isEmpty())
        return {};
    const QJsonObject s = samples.at(index < 0 ? samples.size() + index : index).toObject();
    return {s.value(QLatin1String("gps_lgt")).toString().toDouble(), s.value(QLatin1String("gps_lat")).toString().toDouble()};
}

QStringList column(QTreeWidget *tree, int col)
{
    QStringList out;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        out << tree->topLevelItem(i)->text(col);
    return out;
}

// The share of the picture's pixels within `tolerance` of `colour`.
double share(const QImage &img, const QColor &colour, int tolerance = 6)
{
    qint64 n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QColor c = img.pixelColor(x, y);
            if (std::abs(c.red() - colour.red()) <= tolerance && std::abs(c.green() - colour.green()) <= tolerance &&
                std::abs(c.blue() - colour.blue()) <= tolerance)
                ++n;
        }
    return img.isNull() ? 0 : double(n) / (qint64(img.width()) * img.height());
}

} // namespace

class LibraryEndToEndTest : public QObject {
    Q_OBJECT

    TestSettings settings;
    std::unique_ptr<AppDelegate> delegate;
    std::unique_ptr<MainWindow> window;
    QTemporaryDir folder;

    void screenshot(const QString &name)
    {
        const QString dir = qEnvironmentVariable("VELTRA_SHOTS");
        if (dir.isEmpty())
            return;
        QTest::qWait(800);
        QProcess::execute(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"),
                                                     dir + QLatin1Char('/') + name + QStringLiteral(".png")});
    }

    LibraryWindow *libraryWindow() const
    {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *lw = qobject_cast<LibraryWindow *>(w))
                return lw;
        return nullptr;
    }

    QAction *kindAction(LibraryWindow *lw, const QString &text)
    {
        for (QAction *a : lw->findChildren<QAction *>())
            if (a->text() == text)
                return a;
        return nullptr;
    }

    // A row of the list, double clicked.
    void doubleClick(QTreeWidget *tree, QTreeWidgetItem *item)
    {
        tree->scrollToItem(item);
        const QRect r = tree->visualItemRect(item);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, r.center());
        QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, r.center());
    }

private slots:
    void initTestCase()
    {
        for (const QString &suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
            QFile::remove(LibraryDatabase::defaultPath() + suffix);
        // The card without the 20th: that day is copied in later, while the program runs.
        QDir().mkpath(folder.filePath(QStringLiteral("Event")));
        QDirIterator it(card(), {QStringLiteral("*.MOV")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString from = it.next();
            if (it.fileName().startsWith(QLatin1String("2026_1120")))
                continue;
            QVERIFY(QFile::copy(from, folder.filePath(QDir(card()).relativeFilePath(from))));
        }
        delegate = std::make_unique<AppDelegate>(settings);
        window = std::make_unique<MainWindow>(*delegate);
        window->resize(1100, 700);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        delegate->finishStartup();
    }

    void cleanupTestCase()
    {
        window.reset();
        delegate.reset();
    }

    void browseTheCard()
    {
        // Ctrl+L shows the window; the library is empty.
        window->activateWindow();
        QTest::keyClick(window.get(), Qt::Key_L, Qt::ControlModifier);
        QTRY_VERIFY(libraryWindow() && libraryWindow()->isVisible());
        LibraryWindow *lw = libraryWindow();
        QVERIFY(QTest::qWaitForWindowExposed(lw));
        QCOMPARE(lw->tripList()->topLevelItemCount(), 0);

        // Library ▸ Add Folder…: the folder is indexed in the background.
        auto *menu = window->findChild<LibraryMenu *>();
        QVERIFY(menu);
        QCOMPARE(menu->title(), QStringLiteral("&Library"));
        QAction *add = nullptr;
        for (QAction *a : menu->actions())
            if (a->text() == QStringLiteral("Add Folder…"))
                add = a;
        QVERIFY(add);
        lw->folderPanel = [this] { return folder.path(); };
        QSignalSpy finished(menu->library(), &LibraryController::indexingFinished);
        lw->hide();
        add->trigger();
        QVERIFY(lw->isVisible());
        QVERIFY(lw->progressBar()->isVisible());
        QVERIFY(finished.wait(60000));
        QCOMPARE(finished.first().at(0).toString(),
                 QStringLiteral("14 clips in the library folders (14 read, 0 moved, 0 removed, 0 unchanged)"));
        QVERIFY(!lw->progressBar()->isVisible());
        QTRY_COMPARE(lw->statusLabel()->text(), QStringLiteral("4 trips"));

        // Four trips: the 16th front and rear, two on the 17th, the parked car on the 19th.
        QTreeWidget *trips = lw->tripList();
        QTRY_COMPARE(trips->topLevelItemCount(), 4);
        QCOMPARE(column(trips, 0), (QStringList{"2026-11-16 08:00:00", "2026-11-17 17:30:00", "2026-11-17 18:05:00",
                                                "2026-11-19 13:00:00"}));
        QCOMPARE(column(trips, 1), (QStringList{"08:02:00", "17:31:30", "18:06:00", "13:01:00"}));
        QCOMPARE(column(trips, 2), (QStringList{"2:00", "1:30", "1:00", "1:00"}));
        QCOMPARE(column(trips, 4), (QStringList{"F + R", "F", "F", "F"}));
        // The events of every camera: on each of the 16th's two, three hard brakings and
        // six hard accelerations (the forged drive pulls away hard).
        QCOMPARE(column(trips, 5), (QStringList{"18", "7", "5", "1"}));
        QVERIFY(trips->topLevelItem(0)->icon(0).isNull());
        QVERIFY(!trips->topLevelItem(3)->icon(0).isNull());   // the Event folder's clip is protected
        const QString km = trips->topLevelItem(0)->text(3);
        QVERIFY2(QRegularExpression(QStringLiteral("^\\d+\\.\\d\\d KM$")).match(km).hasMatch() && km != QStringLiteral("0.00 KM"),
                 qPrintable(km));
        QCOMPARE(trips->topLevelItem(3)->text(3), QStringLiteral("0.00 KM"));   // parked

        // The calendar strip: the days with driving shaded, the day between not.
        CalendarStrip *strip = lw->calendar();
        QCOMPARE(strip->shade(QDate(2026, 11, 18)), 0.0);
        // Parked all along: a clip, no distance, the lightest shade.
        QVERIFY(strip->shade(QDate(2026, 11, 19)) > 0);
        QVERIFY(strip->shade(QDate(2026, 11, 16)) > strip->shade(QDate(2026, 11, 19)));
        QVERIFY(strip->shade(QDate(2026, 11, 17)) > strip->shade(QDate(2026, 11, 19)));
        QCOMPARE(std::max(strip->shade(QDate(2026, 11, 16)), strip->shade(QDate(2026, 11, 17))), 1.0);
        QVERIFY(lw->map()->routeCount() > 0);
        QCOMPARE(lw->map()->fadedCount(), size_t(0));
        screenshot(QStringLiteral("library-card"));

        // A click on the map at the end of the 17:30 trip keeps that trip alone; the
        // others stay on the map, faded.
        const QPointF end = routePoint(QStringLiteral("2026_1117_173100_003F.MOV"), -1);
        QVERIFY(!end.isNull());
        RouteMapView *map = lw->map();
        const QPoint at = map->toWidget(end.y(), end.x()).toPoint();
        QVERIFY(map->rect().contains(at));
        QTest::mouseClick(map, Qt::LeftButton, {}, at);
        QCOMPARE(map->place().kind, LibraryPlace::Circle);
        QTRY_COMPARE(column(trips, 0), QStringList{"2026-11-17 17:30:00"});
        QVERIFY(map->fadedCount() > 0);
        QCOMPARE(map->toWidget(end.y(), end.x()).toPoint(), at);   // the sheet stayed where it was
        trips->topLevelItem(0)->setSelected(true);
        screenshot(QStringLiteral("library-place"));
        // A box dragged around the end of the 16th's drive: that trip alone.
        const QPointF far = routePoint(QStringLiteral("2026_1116_080130_004F.MOV"), -1);
        const QPoint corner = map->toWidget(far.y(), far.x()).toPoint();
        QTest::mousePress(map, Qt::LeftButton, {}, corner - QPoint(25, 25));
        QTest::mouseMove(map, corner);
        QTest::mouseMove(map, corner + QPoint(25, 25));
        QTest::mouseRelease(map, Qt::LeftButton, {}, corner + QPoint(25, 25));
        QCOMPARE(map->place().kind, LibraryPlace::Box);
        QTRY_COMPARE(column(trips, 0), QStringList{"2026-11-16 08:00:00"});
        screenshot(QStringLiteral("library-box"));
        // Far from every route: nothing passed there.
        QTest::mouseClick(map, Qt::LeftButton, {}, QPoint(4, 4));
        QTRY_COMPARE(trips->topLevelItemCount(), 0);
        for (QPushButton *b : lw->findChildren<QPushButton *>())
            if (b->text() == QStringLiteral("Clear Place"))
                QTest::mouseClick(b, Qt::LeftButton);
        QTRY_COMPARE(trips->topLevelItemCount(), 4);

        // Event kinds: a bump while parked is the 19th's only.
        QAction *bump = kindAction(lw, QStringLiteral("Bump while parked"));
        QVERIFY(bump);
        bump->setChecked(true);
        QCOMPARE(column(trips, 0), QStringList{"2026-11-19 13:00:00"});
        trips->expandAll();
        QCOMPARE(trips->topLevelItem(0)->childCount(), 1);
        QCOMPARE(trips->topLevelItem(0)->child(0)->text(5), QStringLiteral("Bump while parked"));
        QCOMPARE(trips->topLevelItem(0)->child(0)->text(0), QStringLiteral("2026-11-19 13:00:20"));
        screenshot(QStringLiteral("library-events"));
        bump->setChecked(false);
        QCOMPARE(trips->topLevelItemCount(), 4);
        QCheckBox *onlyProtected = nullptr;
        for (QCheckBox *c : lw->findChildren<QCheckBox *>())
            if (c->text() == QStringLiteral("Protected only"))
                onlyProtected = c;
        QVERIFY(onlyProtected);
        onlyProtected->setChecked(true);
        QCOMPARE(column(trips, 0), QStringList{"2026-11-19 13:00:00"});
        onlyProtected->setChecked(false);
        // One day chosen on the strip.
        QTest::mouseClick(strip, Qt::LeftButton, {}, strip->cellRect(QDate(2026, 11, 17)).center());
        QTRY_COMPARE(column(trips, 0), (QStringList{"2026-11-17 17:30:00", "2026-11-17 18:05:00"}));
        lw->chooseDays(QDate(2026, 11, 1), QDate(2026, 11, 30));
        QCOMPARE(trips->topLevelItemCount(), 4);
    }

    // The user's offline map under the routes: a test-made MBTiles file of one colour
    // covering the view at every zoom, its attribution in the corner; without a source
    // the plain sheet.
    void offlineTilesUnderTheRoutes()
    {
        LibraryWindow *lw = libraryWindow();
        QVERIFY(lw);
        RouteMapView *map = lw->map();
        QVERIFY(map->routeCount() > 0);
        const QColor tileColour(0x30, 0xB0, 0x70);
        QCOMPARE(share(map->grab().toImage(), tileColour), 0.0);

        QTemporaryDir dir;
        const QString mbtiles = dir.filePath(QStringLiteral("city.mbtiles"));
        {
            QImage tile(256, 256, QImage::Format_RGB32);
            tile.fill(tileColour);
            QByteArray png;
            QBuffer buffer(&png);
            buffer.open(QIODevice::WriteOnly);
            QVERIFY(tile.save(&buffer, "PNG"));
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("forge"));
            db.setDatabaseName(mbtiles);
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.exec("CREATE TABLE metadata (name TEXT, value TEXT)"));
            QVERIFY(q.exec("CREATE TABLE tiles (zoom_level INTEGER, tile_column INTEGER, tile_row INTEGER, tile_data BLOB)"));
            QVERIFY(q.exec("INSERT INTO metadata VALUES ('name','Test city'),('format','png'),"
                           "('attribution','Test City Survey')"));
            double north, west, south, east;
            map->toMap(QPointF(0, 0), &north, &west);
            map->toMap(QPointF(map->width(), map->height()), &south, &east);
            for (int z = 0; z <= 19; ++z) {
                const int n = 1 << z;
                const int x0 = int(std::floor((west + 180) / 360 * n)), x1 = int(std::floor((east + 180) / 360 * n));
                const int y0 = int(std::floor(MapSheet::project(north, west).y() * n));
                const int y1 = int(std::floor(MapSheet::project(south, east).y() * n));
                if ((x1 - x0 + 1) * (y1 - y0 + 1) > 200)
                    continue;
                for (int x = x0; x <= x1; ++x)
                    for (int y = y0; y <= y1; ++y) {
                        q.prepare("INSERT INTO tiles VALUES (?,?,?,?)");
                        q.addBindValue(z);
                        q.addBindValue(x);
                        q.addBindValue(n - 1 - y);
                        q.addBindValue(png);
                        QVERIFY(q.exec());
                    }
            }
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("forge"));

        // Setting ▸ Offline Maps… chose it: the tiles arrive and are drawn under the routes.
        settings.setOfflineSources({mbtiles});
        QTRY_VERIFY_WITH_TIMEOUT(map->tilesShown() > 0, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(share(map->grab().toImage(), tileColour) > 0.5, 10000);
        QTRY_COMPARE(map->attribution(), QStringLiteral("Test City Survey"));
        screenshot(QStringLiteral("library-offline-tiles"));
        // A source without tiles for the place keeps the plain sheet.
        settings.setOfflineSources({dir.filePath(QStringLiteral("missing.mbtiles"))});
        QTest::qWait(300);
        QCOMPARE(map->tilesShown(), 0);
        QCOMPARE(share(map->grab().toImage(), tileColour), 0.0);
        settings.setOfflineSources({});
        QCOMPARE(share(map->grab().toImage(), tileColour), 0.0);
    }

    void playFromTheLibrary()
    {
        LibraryWindow *lw = libraryWindow();
        QVERIFY(lw);
        QTreeWidget *trips = lw->tripList();
        PlayQueue *queue = window->paneLayout()->playListView->queue();
        PlayerView *player = window->paneLayout()->playerView;

        // A double click on the 16th's trip plays its front clips, the rear beside them.
        QSignalSpy opened(queue, &PlayQueue::opened);
        doubleClick(trips, trips->topLevelItem(0));
        QVERIFY(opened.wait(30000));
        QTRY_VERIFY_WITH_TIMEOUT(queue->current() && queue->current()->path.endsWith(QStringLiteral("2026_1116_080000_001F.MOV")),
                                 20000);
        QCOMPARE(queue->count(), 4);
        QTRY_COMPARE_WITH_TIMEOUT(player->channels()->count(), 1, 20000);
        QVERIFY(player->channels()->file(0).endsWith(QStringLiteral("2026_1116_080000_001R.MOV")));
        QTRY_VERIFY_WITH_TIMEOUT(player->currentTime() > 0.2, 20000);

        // An event's row: the last hard braking of the trip, 6 s into its fourth clip,
        // plays that clip from 1 s.
        trips->expandAll();
        QTreeWidgetItem *trip = trips->topLevelItem(0);
        QTreeWidgetItem *last = nullptr;
        for (int i = 0; i < trip->childCount(); ++i)
            if (trip->child(i)->text(4) == QStringLiteral("F") && trip->child(i)->text(5) == QStringLiteral("Hard braking"))
                last = trip->child(i);
        QVERIFY(last);
        QCOMPARE(last->text(0), QStringLiteral("2026-11-16 08:01:36"));
        QCOMPARE(last->text(5), QStringLiteral("Hard braking"));
        opened.clear();
        doubleClick(trips, last);
        QTRY_VERIFY_WITH_TIMEOUT(queue->current() && queue->current()->path.endsWith(QStringLiteral("2026_1116_080130_004F.MOV")),
                                 20000);
        QTRY_VERIFY_WITH_TIMEOUT(player->currentTime() >= 1.0, 20000);
        QVERIFY2(player->currentTime() < 5.0, qPrintable(QString::number(player->currentTime())));
    }

    void newClipsAreWatched()
    {
        LibraryWindow *lw = libraryWindow();
        QVERIFY(lw);
        // The 20th copied into the folder while the program runs: the watch picks it up.
        auto *menu = window->findChild<LibraryMenu *>();
        QSignalSpy finished(menu->library(), &LibraryController::indexingFinished);
        for (const QString &n : QDir(card()).entryList({QStringLiteral("2026_1120_*.MOV")}, QDir::Files))
            QVERIFY(QFile::copy(card() + QLatin1Char('/') + n, folder.filePath(n)));
        QVERIFY(finished.wait(30000));
        QCOMPARE(finished.last().at(0).toString(),
                 QStringLiteral("18 clips in the library folders (4 read, 0 moved, 0 removed, 14 unchanged)"));
        lw->chooseDays(QDate(2026, 11, 1), QDate(2026, 11, 30));
        QTRY_COMPARE(lw->tripList()->topLevelItemCount(), 5);
        QCOMPARE(lw->tripList()->topLevelItem(4)->text(0), QStringLiteral("2026-11-20 09:00:00"));
    }

    void rescanAtStart()
    {
        // The program quits; a clip is deleted while it is not running; the next start
        // looks at the folders again by itself and the clip is gone from the library.
        window.reset();
        delegate.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!libraryWindow());
        QVERIFY(QFile::remove(folder.filePath(QStringLiteral("2026_1117_180530_002F.MOV"))));
        delegate = std::make_unique<AppDelegate>(settings);
        window = std::make_unique<MainWindow>(*delegate);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        delegate->finishStartup();
        auto *menu = window->findChild<LibraryMenu *>();
        QVERIFY(menu);
        QSignalSpy finished(menu->library(), &LibraryController::indexingFinished);
        QVERIFY(finished.wait(LibraryMenu::kRescanAfterStartMs + 30000));
        QCOMPARE(finished.first().at(0).toString(),
                 QStringLiteral("17 clips in the library folders (0 read, 0 moved, 1 removed, 17 unchanged)"));
        menu->showLibrary();
        LibraryWindow *lw = libraryWindow();
        QVERIFY(lw);
        QTRY_COMPARE(lw->tripList()->topLevelItemCount(), 5);
        QCOMPARE(lw->tripList()->topLevelItem(2)->text(1), QStringLiteral("18:05:30"));
    }
};

VELTRA_WINDOW_TEST_MAIN(LibraryEndToEndTest)
#include "tst_library_e2e.moc"
