// Trips on the real window: a forged card of three trips (front and rear clips of
// the same minutes, a ten-minute gap, a clip without fix) added through the play
// list's add button; the list groups them, a click on a trip's caption plays its
// first clip, and File > Export Track writes that trip as veltra-gps --trips does.
#include "TestSettings.h"
#include "WindowTestMain.h"
#include "XmlLint.h"
#include "app/AppDelegate.h"
#include "app/PaneLayout.h"
#include "app/MainWindow.h"
#include "drive/DriveTelemetry.h"
#include "common/AppUtils.h"
#include "instruments/InstrumentPanel.h"
#include "drive/PlayQueue.h"
#include "instruments/PositionCompassPanel.h"
#include "media/MediaEngine.h"
#include "player/TelemetryTimeline.h"
#include "player/PlayerView.h"
#include "playlist/PlayListModel.h"
#include "playlist/PlayListTableView.h"
#include "playlist/PlayListView.h"

#include "store/TrackStore.h"
#include "ui/AppToast.h"
#include "ui/ToastWindow.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>
#include <QVideoFrame>
#include <QVideoSink>

#include <memory>

class TripsEndToEndTest : public QObject {
    Q_OBJECT

    TestSettings settings;
    std::unique_ptr<AppDelegate> delegate;
    std::unique_ptr<MainWindow> window;
    PaneLayout *layout = nullptr;

    // With VELTRA_SHOTS set, the screen as it is now, into that folder.
    void screenshot(const QString &name)
    {
        const QString dir = qEnvironmentVariable("VELTRA_SHOTS");
        if (dir.isEmpty())
            return;
        QTest::qWait(1500);   // let the window and the map page draw what the step changed
        QProcess::execute(QStringLiteral("import"),
                          {QStringLiteral("-window"), QStringLiteral("root"), dir + QLatin1Char('/') + name + QStringLiteral(".png")});
    }

    // With VELTRA_SHOTS set, the screen at once (the picture of this moment).
    void shoot(const QString &name)
    {
        const QString dir = qEnvironmentVariable("VELTRA_SHOTS");
        if (!dir.isEmpty())
            QProcess::execute(QStringLiteral("import"),
                              {QStringLiteral("-window"), QStringLiteral("root"), dir + QLatin1Char('/') + name + QStringLiteral(".png")});
    }

    void showCaptionTip()
    {
        PlayListTableView *table = layout->playListView->tableView;
        const QRect row = table->visualRect(layout->playListView->model()->index(0, 1));
        QToolTip::showText(table->viewport()->mapToGlobal(QPoint(row.left() + 40, row.top() + 4)),
                           layout->playListView->model()->index(0, 0).data(PlayListModel::TripCaptionToolTipRole).toString(),
                           table->viewport());
    }

private slots:
    void initTestCase()
    {
        delegate = std::make_unique<AppDelegate>(settings);
        window = std::make_unique<MainWindow>(*delegate);
        layout = window->paneLayout();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        delegate->finishStartup();
    }

    void cleanupTestCase()
    {
        window.reset();
        delegate.reset();
    }

    void cardOfTwoDrives()
    {
        const QDir card(qEnvironmentVariable("VELTRA_SAMPLES") + QStringLiteral("/card"));
        const QStringList names = card.entryList({QStringLiteral("*.MOV")}, QDir::Files, QDir::Name | QDir::Reversed);
        QCOMPARE(names.size(), 6);
        QList<QUrl> urls;
        for (const QString &n : names)
            urls << QUrl::fromLocalFile(card.filePath(n));

        PlayListView *list = layout->playListView;
        list->openPanel = [urls](QWidget *) { return urls; };
        QSignalSpy added(list->queue(), &PlayQueue::opened);
        QTest::mouseClick(list->buttonAdd, Qt::LeftButton);
        QVERIFY(added.wait(30000));

        // One drive, one entry: the front and rear of the same minutes are the front's
        // rows, the rear shown beside it; then the front after the gap, the clip
        // without fix kept in its trip.
        QStringList rows;
        for (int r = 0; r < list->model()->rowCount(); ++r)
            rows << list->model()->index(r, PlayListModel::ColFilename).data().toString();
        QCOMPARE(rows, (QStringList{"2026_1112_170000_001F.MOV", "2026_1112_170010_002F.MOV", "2026_1112_171020_003F.MOV",
                                    "2026_1112_171030_004F.MOV"}));
        QCOMPARE(list->trips().size(), 2);
        for (int r = 0; r < 4; ++r) {
            const QString caption = list->model()->index(r, 0).data(PlayListModel::TripCaptionRole).toString();
            QCOMPARE(caption.isEmpty(), r % 2 == 1);
            if (r % 2 == 0)
                QVERIFY2(caption.contains(QStringLiteral("2026-11-12")) && caption.contains(QStringLiteral("2 clips")) &&
                             caption.startsWith(QString::fromUtf8(r == 0 ? "Front + Rear · " : "Front · ")),
                         qPrintable(caption));
        }
        // Played on from the drive's last clip, the next drive starts, not its rear.
        list->queue()->play(1);
        list->queue()->next();
        QCOMPARE(list->queue()->currentRow(), 2);

        // A double-click on the first trip's caption plays its first clip, its rear beside it.
        PlayListTableView *table = list->tableView;
        table->scrollTo(list->model()->index(0, 1), QAbstractItemView::PositionAtTop);
        const QRect row0 = table->visualRect(list->model()->index(0, 1));
        const QPoint onCaption(row0.left() + 10, row0.top() + PlayListTableView::kCaptionHeight / 2);
        // The first click of a double-click starts the row (the table starts a row on
        // a click, as it always has).
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, onCaption);
        QTRY_COMPARE(list->queue()->currentRow(), 0);
        QCOMPARE(list->gpsPanel->currentPlayVideoPath(), list->playlist().at(0).path);
        QVERIFY(list->playlist().at(0).path.endsWith(QStringLiteral("170000_001F.MOV")));
        QTRY_VERIFY_WITH_TIMEOUT(layout->playerView->currentTime() > 0.2, 20000);
        QTRY_COMPARE_WITH_TIMEOUT(layout->playerView->channels()->count(), 1, 10000);

        // File > Export Track writes the playing trip as veltra-gps --trips does; a name
        // typed without its suffix is asked about as the file it becomes, and No keeps it.
        QTemporaryDir dir;
        const QString out = dir.filePath(QStringLiteral("front.gpx"));
        {
            QFile earlier(out);
            QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write("earlier") == 7);
        }
        QStringList asked;
        bool replace = false;
        delegate->trackExportPanel = [&dir] { return dir.filePath(QStringLiteral("front")); };
        delegate->replacePanel = [&](const QString &question) {
            asked << question;
            return replace;
        };
        QSignalSpy exported(delegate.get(), &AppDelegate::trackExported);
        delegate->exportTrack();
        QCOMPARE(asked, QStringList{"front.gpx already exists. Replace it?"});
        QCOMPARE(QFileInfo(out).size(), 7);
        replace = true;
        delegate->exportTrack();
        QVERIFY(exported.wait(30000));
        QCOMPARE(exported.first().first().toString(), QString());
        QVERIFY(delegate->toaster()->currentToast());
        QCOMPARE(delegate->toaster()->currentToast()->text(), QStringLiteral("Track exported to ") + QDir::toNativeSeparators(out));
        delegate->replacePanel = nullptr;
        QFile file(out);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray gpx = file.readAll();
        QProcess tool;
        tool.start(QStringLiteral(VELTRA_GPS), {"--trips", "--format", "gpx", card.filePath("2026_1112_170010_002F.MOV"),
                                                card.filePath("2026_1112_170000_001F.MOV")});
        QVERIFY(tool.waitForFinished(30000));
        QCOMPARE(gpx, tool.readAllStandardOutput());
        QVERIFY(gpx.contains("<name>2026-11-12 17:00:00 to 17:00:20 (F, 2 clips)</name>"));
        const QString lint = xmllintProblems(gpx.toStdString(), QStringLiteral(GPX_SCHEMA));
        QVERIFY2(lint.isEmpty(), qPrintable(lint));

        // Opened from the menu (or the command line) into an empty list, in any order:
        // the same trips, one after another.
        TrackStore::syncPlayList({});
        list->reloadPlayListData();
        QSignalSpy opened(delegate.get(), &AppDelegate::filesOpened);
        delegate->openUrls(urls);
        QVERIFY(opened.wait(30000));
        QStringList reopened;
        for (int r = 0; r < list->model()->rowCount(); ++r)
            reopened << list->model()->index(r, PlayListModel::ColFilename).data().toString();
        QCOMPARE(reopened, rows);
        // The first file chosen plays (the card's last clip), and at once its timeline
        // spans its trip of two clips, not the clip alone.
        QCOMPARE(list->queue()->currentRow(), 3);
        QTRY_COMPARE_WITH_TIMEOUT(layout->playerView->findChild<TelemetryTimeline *>()->parts().size(), 2, 5000);
    }

    // A card whose camera clock runs an hour and four seconds ahead of GPS: the list
    // says so and shows its trip in the camera's time or in UTC, the clip without a fix
    // taking the error of the others. A drive with injected glitches: its maximum
    // speed leaves them out until Clean GPS Glitches is turned off.
    void clockAndGlitches()
    {
        const QString samples = qEnvironmentVariable("VELTRA_SAMPLES");
        PlayListView *list = layout->playListView;
        TrackStore::syncPlayList({});
        list->reloadPlayListData();
        QList<QUrl> urls;
        for (const char *name : {"clock/2026_1108_093004_001.MOV", "clock/2026_1108_093014_002.MOV",
                                 "clock/2026_1108_093024_003.MOV", "glitches/2026_1108_094000_001.MOV"})
            urls << QUrl::fromLocalFile(samples + QLatin1Char('/') + QLatin1String(name));
        list->openPanel = [urls](QWidget *) { return urls; };
        QSignalSpy added(list->queue(), &PlayQueue::opened);
        QTest::mouseClick(list->buttonAdd, Qt::LeftButton);
        QVERIFY(added.wait(30000));

        const auto data = [list](int row, int role) { return list->model()->index(row, 1).data(role).toString(); };
        QCOMPARE(list->trips().size(), 2);
        QCOMPARE(list->trips().first().rows.size(), 3);
        const QString ahead = QStringLiteral("Camera clock 1 h 00 min 04 s ahead of GPS");
        QVERIFY2(data(0, PlayListModel::TripCaptionToolTipRole).startsWith(ahead),
                 qPrintable(data(0, PlayListModel::TripCaptionToolTipRole)));
        QCOMPARE(list->model()->index(0, 0).data(Qt::ToolTipRole).toString(), ahead + QStringLiteral("\nTime from GPS (UTC)"));
        QVERIFY2(list->model()->index(2, 0).data(Qt::ToolTipRole).toString().startsWith(
                     ahead + QStringLiteral(" (from the other clips of the trip)")),
                 qPrintable(list->model()->index(2, 0).data(Qt::ToolTipRole).toString()));
        QVERIFY2(data(0, PlayListModel::TripCaptionRole).startsWith(QStringLiteral("2026-11-08 09:30:04\u201309:30:34 \u00b7")),
                 qPrintable(data(0, PlayListModel::TripCaptionRole)));
        showCaptionTip();
        screenshot(QStringLiteral("clock_camera_time"));
        settings.setTimeClock(QStringLiteral("utc"));
        showCaptionTip();
        screenshot(QStringLiteral("clock_utc"));
        QVERIFY2(data(0, PlayListModel::TripCaptionRole).startsWith(QStringLiteral("2026-11-08 08:30:00\u201308:30:30 UTC \u00b7")),
                 qPrintable(data(0, PlayListModel::TripCaptionRole)));
        QCOMPARE(list->model()->index(2, PlayListModel::ColTimeDate).data().toString(),
                 QStringLiteral("2026-11-08 08:30:20"));
        settings.setTimeClock(QStringLiteral("camera"));

        // Its first clip plays: the timeline's tool tip gives the time of day of the trip's
        // second clip, 5.5 s in, on the clock chosen.
        QTest::mouseClick(list->tableView->viewport(), Qt::LeftButton, {},
                          list->tableView->visualRect(list->model()->index(0, 1)).center());
        auto *line = layout->playerView->findChild<TelemetryTimeline *>();
        QTRY_COMPARE_WITH_TIMEOUT(line->parts().size(), 3, 10000);
        QVERIFY2(line->hoverText(15.5).contains(QStringLiteral("   09:30:19")), qPrintable(line->hoverText(15.5)));
        settings.setTimeClock(QStringLiteral("utc"));
        QVERIFY2(line->hoverText(15.5).contains(QStringLiteral("   08:30:15 UTC")), qPrintable(line->hoverText(15.5)));
        QToolTip::showText(line->mapToGlobal(QPoint(line->xForTime(15.5), 10)), line->hoverText(15.5), line);
        screenshot(QStringLiteral("timeline_utc"));
        settings.setTimeClock(QStringLiteral("camera"));

        // The glitch drive plays: 69 km/h at most, clean; 339 km/h as the reader gives it.
        QTest::mouseClick(list->tableView->viewport(), Qt::LeftButton, {},
                          list->tableView->visualRect(list->model()->index(3, 1)).center());
        QTRY_COMPARE(list->queue()->currentRow(), 3);
        QLabel *max = layout->instrumentPanel->maxHSpeed;
        QTRY_COMPARE_WITH_TIMEOUT(max->text(), AppUtils::speedText(69, true), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(layout->playerView->findChild<TelemetryTimeline *>()->parts().value(0).glitches.size(), 5, 10000);
        QVERIFY(delegate->cleanGpsItem->isChecked());
        screenshot(QStringLiteral("glitches_clean"));
        delegate->cleanGpsItem->trigger();
        QVERIFY(!settings.cleanGps());
        QTRY_COMPARE(max->text(), AppUtils::speedText(339, true));
        screenshot(QStringLiteral("glitches_raw"));
        QCOMPARE(layout->playerView->findChild<TelemetryTimeline *>()->parts().value(0).glitches.size(), 0);
        delegate->cleanGpsItem->trigger();
        QTRY_COMPARE(max->text(), AppUtils::speedText(69, true));

        // Telemetry Earlier ten times: the paused picture at k + 0.5 s shows the speed of
        // k + 1.5 s, for every clip of this camera; Reset puts it back.
        PlayerView *video = layout->playerView;
        QTRY_VERIFY_WITH_TIMEOUT(video->currentTime() >= 1.0, 20000);
        video->playOrPause();
        QTRY_COMPARE_WITH_TIMEOUT(video->engine()->playbackState(), MediaEngine::PausedState, 5000);
        const QList<GpsSample> &drive = layout->telemetry->clip().counted;
        int k = 1;
        while (k + 1 < drive.size() && drive.at(k).spd == drive.at(k + 1).spd)
            ++k;
        QVERIFY(k + 1 < drive.size());
        video->engine()->seekExact(k + 0.5);
        QTRY_COMPARE_WITH_TIMEOUT(layout->telemetry->moment().seconds, k + 0.5, 5000);
        QLabel *speed = list->gpsPanel->spdshow;
        QTRY_COMPARE_WITH_TIMEOUT(speed->text(), AppUtils::speedText(float(drive.at(k).spd), true), 10000);
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        for (int press = 0; press < 10; ++press)
            QTest::keyClick(window.get(), Qt::Key_Left, Qt::ControlModifier | Qt::AltModifier);
        QTRY_COMPARE(speed->text(), AppUtils::speedText(float(drive.at(k + 1).spd), true));
        QCOMPARE(settings.telemetryOffsets(), QVariantMap({{QStringLiteral("#_#_#_#.mov"), 1000}}));
        QCOMPARE(delegate->toaster()->currentToast()->text(), QStringLiteral("Telemetry 1000 ms earlier"));
        delegate->telemetryResetItem->trigger();
        QTRY_COMPARE(speed->text(), AppUtils::speedText(float(drive.at(k).spd), true));
        QVERIFY(settings.telemetryOffsets().isEmpty());
    }

    // Skimming the drive's trip at 60x: the clock runs at that rate, the picture follows
    // it, and the next clips keep the rate.
    void skimmingATripAt60x()
    {
        const QDir drive(qEnvironmentVariable("VELTRA_SAMPLES") + QStringLiteral("/drive"));
        PlayListView *list = layout->playListView;
        TrackStore::syncPlayList({});
        list->reloadPlayListData();
        QList<QUrl> urls;
        for (const QString &n : drive.entryList({QStringLiteral("*.MOV")}, QDir::Files, QDir::Name))
            urls << QUrl::fromLocalFile(drive.filePath(n));
        QCOMPARE(urls.size(), 3);
        list->openPanel = [urls](QWidget *) { return urls; };
        QSignalSpy added(list->queue(), &PlayQueue::opened);
        QTest::mouseClick(list->buttonAdd, Qt::LeftButton);
        QVERIFY(added.wait(30000));
        QTest::mouseClick(list->tableView->viewport(), Qt::LeftButton, {},
                          list->tableView->visualRect(list->model()->index(0, 1)).center());
        MediaEngine *session = layout->playerView->engine();
        QTRY_VERIFY_WITH_TIMEOUT(session->isReady() && session->isPlaying() && list->queue()->currentRow() == 0, 10000);
        for (int k = 0; k < 4; ++k)
            session->forwardRate();
        QCOMPARE(session->requestedRate(), 60.0);
        QVideoSink *sink = layout->playerView->videoSink();
        QTRY_VERIFY_WITH_TIMEOUT(list->queue()->currentRow() == 1 && session->isReady(), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(session->currentTime() > 5, 5000);
        QCOMPARE(session->requestedRate(), 60.0);
        const QImage first = sink->videoFrame().toImage();
        shoot(QStringLiteral("skim_60x_a"));
        QTest::qWait(1000);
        shoot(QStringLiteral("skim_60x_b"));
        const QImage second = sink->videoFrame().toImage();
        QVERIFY(!first.isNull() && !second.isNull() && first != second);
        QCOMPARE(session->requestedRate(), 60.0);
        session->playOrPause();
    }
};

VELTRA_WINDOW_TEST_MAIN(TripsEndToEndTest)
#include "tst_trips_e2e.moc"
