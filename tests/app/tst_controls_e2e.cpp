// What a new owner tries first on the real window, with the forged drive: a click on
// the position slider seeks there, the seek keys, Escape and F11, a window that
// resizes and remembers its place, its title, the rate badge and what the media
// controls say of the rate, menus that show their keys, and Skip Stops. Screens are kept as
// pictures (VELTRA_SHOTS, else the build's screenshots folder).
#include "TestSettings.h"
#include "WindowTestMain.h"
#include "app/AppDelegate.h"
#include "app/KeyGuide.h"
#include "app/MainWindow.h"
#include "app/MprisService.h"
#include "app/PaneLayout.h"
#include "app/PaneSplitter.h"
#include "common/Localization.h"
#include "drive/PlayQueue.h"
#include "media/MediaEngine.h"
#include "player/PlayerControlBar.h"
#include "player/TelemetryTimeline.h"
#include "player/PlayerView.h"
#include "playlist/PlayListModel.h"
#include "playlist/PlayListTableView.h"
#include "playlist/PlayListView.h"
#include "instruments/InstrumentGeometry.h"
#include "instruments/PositionCompassPanel.h"
#include "ui/AppToast.h"
#include "ui/ToastWindow.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QImage>
#include <QMimeData>
#include <QTemporaryDir>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QSignalSpy>
#include <QSlider>
#include <QStyle>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <cmath>
#include <memory>

#include <sys/stat.h>

class ControlsEndToEndTest : public QObject {
    Q_OBJECT

    TestSettings settings;
    std::unique_ptr<AppDelegate> delegate;
    std::unique_ptr<MainWindow> window;
    PaneLayout *layout = nullptr;
    QStringList files;
    QString shotDir;
    QTemporaryDir cardDir;

    void screenshot(const QString &name)
    {
        QTest::qWait(400);
        const QString path = shotDir + QLatin1Char('/') + name + QStringLiteral(".png");
        QProcess::execute(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), path});
        qInfo("screenshot: %s", qPrintable(path));
    }

    PlayerView *video() const { return layout->playerView; }

    // The play list's row of the clip `file`, where a double click plays it.
    QPoint rowOf(const QString &file) const
    {
        PlayListView *list = layout->playListView;
        for (int r = 0; r < list->model()->rowCount(); ++r)
            if (list->model()->index(r, 1).data().toString() == QFileInfo(file).fileName())
                return list->tableView->visualRect(list->model()->index(r, 1)).center();
        return {};
    }

    void openDrive()
    {
        QSignalSpy opened(delegate.get(), &AppDelegate::filesOpened);
        QList<QUrl> urls;
        for (const QString &f : files)
            urls << QUrl::fromLocalFile(f);
        delegate->openUrls(urls);
        QVERIFY(opened.wait(30000));
        QTRY_VERIFY_WITH_TIMEOUT(video()->duration() > 50 && video()->engine()->isReady(), 20000);
    }

    void pause()
    {
        if (video()->engine()->isPlaying())
            video()->execPlayOrPause();
        QTRY_VERIFY_WITH_TIMEOUT(!video()->engine()->isPlaying(), 5000);
    }

    // Every tool button and label of the control bar shows whole inside the bar.
    QStringList clippedControls() const
    {
        QStringList clipped;
        auto *bar = video()->findChild<QFrame *>(QStringLiteral("controlView"));
        if (!bar)
            return {QStringLiteral("no control bar")};
        const QRect inside = bar->rect();
        for (QWidget *w : bar->findChildren<QWidget *>()) {
            if (!w->isVisible() || !(qobject_cast<QToolButton *>(w) || qobject_cast<QSlider *>(w)))
                continue;
            const QRect r(w->mapTo(bar, QPoint(0, 0)), w->size());
            if (!inside.contains(r) || w->width() < w->minimumSizeHint().width())
                clipped << w->objectName();
        }
        // The bar itself shows whole in the window.
        const QRect inWindow(bar->mapTo(window.get(), QPoint(0, 0)), bar->size());
        if (!window->rect().contains(inWindow))
            clipped << QStringLiteral("controlView");
        return clipped;
    }

private slots:
    void initTestCase()
    {
        Localization::install(QStringLiteral("en"));
        QDir drive(qEnvironmentVariable("VELTRA_SAMPLES") + QStringLiteral("/drive"));
        for (const QString &name : drive.entryList({QStringLiteral("*.MOV")}, QDir::Files, QDir::Name))
            files << drive.filePath(name);
        QCOMPARE(files.size(), 3);
        shotDir = WindowTest::screenshotFolder();
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

    // An empty window says how to start; File ▸ Open Folder… on a folder without a
    // recording says so; a card's folder dropped on the window opens every recording
    // below it, and the first plays.
    void aFolderOpensEveryRecordingInIt()
    {
        auto *hint = layout->playListView->emptyHint;
        QVERIFY(hint && hint->isVisible());
        QCOMPARE(hint->text(), QStringLiteral("Open videos (Ctrl+O), a folder (Ctrl+Shift+O), or drop them here"));
        QCOMPARE(window->windowTitle(), QStringLiteral("Veltra Player"));
        QTemporaryDir &card = cardDir;   // the clips play from it in the tests that follow
        QVERIFY(QDir(card.path()).mkpath(QStringLiteral("empty/MISC")));
        QFile note(card.filePath(QStringLiteral("empty/MISC/readme.txt")));
        QVERIFY(note.open(QIODevice::WriteOnly) && note.write("x") == 1);
        note.close();
        const QString empty = card.filePath(QStringLiteral("empty"));
        delegate->openFolderPanel = [&] { return empty; };
        window->activateWindow();
        QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
        QTRY_VERIFY_WITH_TIMEOUT(delegate->toaster()->currentToast()
                                     && delegate->toaster()->currentToast()->text().contains(QStringLiteral("holds no recordings")),
                                 10000);
        QVERIFY(delegate->toaster()->currentToast()->text().contains(empty));
        QCOMPARE(layout->playListView->model()->rowCount(), 0);

        // The card: the drive's clips two folders down, with what else a card holds.
        const QString dcim = card.filePath(QStringLiteral("card/DCIM/Movie"));
        QVERIFY(QDir().mkpath(dcim));
        for (const QString &f : files)
            QVERIFY(QFile::link(f, dcim + QLatin1Char('/') + QFileInfo(f).fileName()));
        QFile companion(dcim + QStringLiteral("/._2026_1108_093000_001.MOV"));
        QVERIFY(companion.open(QIODevice::WriteOnly) && companion.write("Mac OS X") == 8);
        companion.close();
        QVERIFY(QFile::link(card.filePath(QStringLiteral("card")), dcim + QStringLiteral("/loop")));
        QSignalSpy opened(delegate.get(), &AppDelegate::filesOpened);
        auto *data = new QMimeData;
        data->setUrls({QUrl::fromLocalFile(card.filePath(QStringLiteral("card")))});
        const QPoint at = window->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &drop);
        QVERIFY(opened.wait(30000));
        delete data;
        QCOMPARE(layout->playListView->model()->rowCount(), 3);
        QVERIFY(!hint->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(video()->duration() > 50 && video()->engine()->isReady(), 20000);
        // The tests that follow play the clips from the card.
        for (QString &f : files)
            f = dcim + QLatin1Char('/') + QFileInfo(f).fileName();
        screenshot(QStringLiteral("controls_folder_opened"));
    }

    void titleNamesTheProgramAndTheClip()
    {
        QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(),
                                  QStringLiteral("Veltra Player \u2014 2026_1108_093000_001.MOV"), 10000);
        QCOMPARE(MainWindow::titleFor(QStringLiteral("P"), QString()), QStringLiteral("P"));
    }

    void aClickOnTheSliderSeeksThere()
    {
        pause();
        auto *slider = video()->findChild<QSlider *>(QStringLiteral("timeSlider"));
        QVERIFY(slider);
        const auto xOf = [&](int ms) {
            constexpr int handle = 12;   // the style sheet's handle width
            return handle / 2 + QStyle::sliderPositionFromValue(slider->minimum(), slider->maximum(), ms,
                                                                slider->width() - handle);
        };
        const int y = slider->height() / 2;
        for (double fraction : {0.75, 0.2, 0.5}) {
            const int target = int(fraction * slider->maximum());
            QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(xOf(target), y));
            // Within the slider's pixel of the time clicked, not a page step toward it.
            const double pixel = double(slider->maximum()) / slider->width() / 1000.0;
            QTRY_VERIFY2_WITH_TIMEOUT(std::abs(video()->currentTime() - target / 1000.0) <= 2 * pixel + 0.05,
                                      qPrintable(QStringLiteral("%1 for %2").arg(video()->currentTime()).arg(target / 1000.0)),
                                      5000);
        }
        QVERIFY(!slider->isSliderDown());
    }

    void seekKeys()
    {
        pause();
        video()->setCurrentTime(20);
        QTRY_COMPARE_WITH_TIMEOUT(video()->currentTime(), 20.0, 5000);
        window->activateWindow();
        layout->playListView->tableView->setFocus();   // from wherever the focus is
        const auto near = [&](double t) { return std::abs(video()->currentTime() - t) < 0.1; };
        QTest::keyClick(window.get(), Qt::Key_Right);
        QTRY_VERIFY2_WITH_TIMEOUT(near(25), qPrintable(QString::number(video()->currentTime())), 5000);
        QTest::keyClick(window.get(), Qt::Key_Left);
        QTRY_VERIFY2_WITH_TIMEOUT(near(20), qPrintable(QString::number(video()->currentTime())), 5000);
        QTest::keyClick(window.get(), Qt::Key_Left);
        QTest::keyClick(window.get(), Qt::Key_Left);
        QTest::keyClick(window.get(), Qt::Key_Left);
        QTRY_VERIFY2_WITH_TIMEOUT(near(5), qPrintable(QString::number(video()->currentTime())), 5000);
        QTest::keyClick(window.get(), Qt::Key_End);
        QTRY_VERIFY2_WITH_TIMEOUT(video()->currentTime() > video()->duration() - 0.2 && video()->currentTime() < video()->duration(),
                                  qPrintable(QString::number(video()->currentTime())), 5000);
        QTest::keyClick(window.get(), Qt::Key_Home);
        QTRY_VERIFY2_WITH_TIMEOUT(near(0), qPrintable(QString::number(video()->currentTime())), 5000);
        // Before its start there is nothing: Left at 0 stays at 0.
        QTest::keyClick(window.get(), Qt::Key_Left);
        QTest::qWait(300);
        QVERIFY(near(0));
        QTest::keyClick(window.get(), Qt::Key_Right, Qt::ShiftModifier);
        QTRY_VERIFY2_WITH_TIMEOUT(std::abs(video()->tripOffset() + video()->currentTime() - 60) < 0.1,
                                  qPrintable(QStringLiteral("%1 + %2").arg(video()->tripOffset()).arg(video()->currentTime())),
                                  10000);
        QTRY_VERIFY_WITH_TIMEOUT(video()->engine()->isReady(), 10000);
        pause();
        QTest::keyClick(window.get(), Qt::Key_Left, Qt::ShiftModifier);
        QTRY_VERIFY2_WITH_TIMEOUT(std::abs(video()->tripOffset() + video()->currentTime()) < 0.1,
                                  qPrintable(QStringLiteral("%1 + %2").arg(video()->tripOffset()).arg(video()->currentTime())),
                                  10000);
        // Rapid keys while a clip loads: nothing breaks, the window answers after.
        for (int k = 0; k < 20; ++k) {
            QTest::keyClick(window.get(), k % 2 ? Qt::Key_Right : Qt::Key_End);
            if (k == 5)
                delegate->openUrls({QUrl::fromLocalFile(files.at(1))});
        }
        QTRY_VERIFY_WITH_TIMEOUT(video()->engine()->isReady() && video()->currentFile() == files.at(1), 20000);
    }

    void escapeDismissesAndF11TogglesFullScreen()
    {
        window->activateWindow();
        QTest::keyClick(window.get(), Qt::Key_Escape);
        QTest::qWait(500);
        QVERIFY(!window->isFullScreen());
        // The settings panel over the picture: Escape closes it, and the window stays.
        auto *settingsButton = video()->findChild<QToolButton *>(QStringLiteral("settingsButton"));
        QVERIFY(settingsButton);
        settingsButton->click();
        QVERIFY(video()->dismiss());
        settingsButton->click();
        QTest::keyClick(window.get(), Qt::Key_Escape);
        QVERIFY(!video()->dismiss());
        QTest::qWait(300);
        QVERIFY(!window->isFullScreen());
        QTest::keyClick(window.get(), Qt::Key_F11);
        QTRY_VERIFY_WITH_TIMEOUT(window->isFullScreen(), 5000);
        QTest::keyClick(window.get(), Qt::Key_Escape);
        QTRY_VERIFY_WITH_TIMEOUT(!window->isFullScreen(), 5000);
        QTest::keyClick(window.get(), Qt::Key_F11);
        QTRY_VERIFY_WITH_TIMEOUT(window->isFullScreen(), 5000);
        QTest::keyClick(window.get(), Qt::Key_F11);
        QTRY_VERIFY_WITH_TIMEOUT(!window->isFullScreen(), 5000);
        QCOMPARE(window->minimumSize(), MainWindow::kMinimumSize);
    }

    void rateBadgeAndMediaControlsAgree()
    {
        MprisService remote(delegate.get());
        PlayListView *list = layout->playListView;
        QVERIFY(!rowOf(files.at(0)).isNull());
        QTest::mouseClick(list->tableView->viewport(), Qt::LeftButton, {}, rowOf(files.at(0)));
        QTRY_VERIFY_WITH_TIMEOUT(video()->currentFile() == files.at(0) && video()->engine()->isReady(), 20000);
        if (!video()->engine()->isPlaying())
            video()->execPlayOrPause();
        QTRY_VERIFY2_WITH_TIMEOUT(video()->engine()->isPlaying(),
                                  qPrintable(QStringLiteral("%1 playing %2").arg(video()->currentFile()).arg(video()->engine()->isPlaying())),
                                  20000);
        QCOMPARE(video()->rateBadgeText(), QString());
        QCOMPARE(remote.rate(), 1.0);
        window->activateWindow();
        for (int k = 0; k < 4; ++k)   // 2, 5, 10, 60
            QTest::keyClick(window.get(), Qt::Key_BracketRight);
        QTRY_COMPARE_WITH_TIMEOUT(video()->rateBadgeText(), QStringLiteral("60x"), 5000);
        QCOMPARE(remote.rate(), 60.0);
        screenshot(QStringLiteral("controls_rate_badge"));
        // Another clip by a double click in the list: the rate it plays at is the one
        // the badge and the media controls give.
        QTest::mouseDClick(list->tableView->viewport(), Qt::LeftButton, {}, rowOf(files.at(1)));
        QTRY_VERIFY_WITH_TIMEOUT(video()->currentFile() == files.at(1) && video()->engine()->isReady(), 20000);
        QTest::qWait(500);
        const double playing = video()->engine()->rate();
        QCOMPARE(remote.rate(), playing);
        QCOMPARE(video()->rateBadgeText(), playing == 1.0 ? QString() : QString::number(playing) + QLatin1Char('x'));
        // Slower steps back down the ladder to 1x: the badge goes.
        while (video()->engine()->rate() > 1.0) {
            const double before = video()->engine()->rate();
            QTest::keyClick(window.get(), Qt::Key_BracketLeft);
            QTRY_VERIFY_WITH_TIMEOUT(video()->engine()->rate() < before, 5000);
        }
        QTRY_COMPARE_WITH_TIMEOUT(video()->rateBadgeText(), QString(), 5000);
        QCOMPARE(remote.rate(), 1.0);
    }

    void menusShowTheirKeys()
    {
        QStringList titles;
        for (QAction *a : window->menuBar()->actions())
            titles << a->text();
        QCOMPARE(titles, QStringList({"&File", "&Setting", "&View", "&Playback", "&Redact", "&Library", "&Help"}));
        QMenu *playback = window->menuBar()->actions().at(3)->menu();
        QStringList items;
        for (QAction *a : playback->actions())
            if (!a->isSeparator())
                items << a->text();
        for (const char *item : {"Play / Pause\tSpace", "Next Frame\t.", "Previous Frame\t,", "Forward 5 Seconds\tRight",
                                 "Back 1 Minute\tShift+Left", "Go to Start\tHome", "Mark In\tI", "Mark Out\tO",
                                 "Next Event\tPgDown", "Previous Event\tPgUp", "Slower\t[", "Faster\t]"})
            QVERIFY2(items.contains(QLatin1String(item)), qPrintable(items.join(QLatin1String(" | "))));
        // A command of the menu does what its key does.
        pause();
        video()->setCurrentTime(10);
        QTRY_COMPARE_WITH_TIMEOUT(video()->currentTime(), 10.0, 5000);
        for (QAction *a : playback->actions())
            if (a->text().startsWith(QLatin1String("Forward 5 Seconds")))
                a->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(std::abs(video()->currentTime() - 15) < 0.1, 5000);

        // Alt+P opens the Playback menu.
        window->activateWindow();
        QTest::keyClick(window.get(), Qt::Key_P, Qt::AltModifier);
        QTRY_VERIFY_WITH_TIMEOUT(playback->isVisible(), 5000);
        screenshot(QStringLiteral("controls_playback_menu"));
        QTest::keyClick(playback, Qt::Key_Escape);
        QTRY_VERIFY_WITH_TIMEOUT(!playback->isVisible(), 5000);
        QVERIFY(!window->isFullScreen());

        // Help ▸ Keyboard Shortcuts lists every key of the menus and the others.
        QMenu *help = window->menuBar()->actions().constLast()->menu();
        for (QAction *a : help->actions())
            if (a->text() == QStringLiteral("Keyboard Shortcuts…"))
                a->trigger();
        QDialog *guide = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((guide = window->findChild<QDialog *>(QStringLiteral("keyGuide"))) && guide->isVisible(), 5000);
        auto *table = guide->findChild<QTableWidget *>(QStringLiteral("keyGuideTable"));
        QStringList keys;
        for (int r = 0; r < table->rowCount(); ++r)
            keys << table->item(r, 0)->text() + QLatin1Char('=') + table->item(r, 1)->text();
        for (const char *row : {"Space=Play / Pause", "Ctrl+O=Open Videos", "F11=Full Screen", "Right=Forward 5 Seconds",
                                "Shift+Right=Forward 1 Minute", "End=Go to End", "Esc=Close a panel or leave full screen",
                                "Ctrl+Alt+Left=Telemetry Earlier", "Alt+[=Chosen camera earlier", "M=Mark Area",
                                "Del=Delete Mark", "Ctrl+Shift+M=Show Marks"})
            QVERIFY2(keys.contains(QLatin1String(row)), qPrintable(keys.join(QLatin1String(" | "))));
        QCOMPARE(KeyGuide::rows(window->menuBar()).size(), table->rowCount());
        screenshot(QStringLiteral("controls_key_guide"));
        guide->close();

        QCOMPARE(KeyGuide::withMnemonic(QStringLiteral("File"), QLatin1Char('F')), QStringLiteral("&File"));
        QCOMPARE(KeyGuide::withMnemonic(QStringLiteral("Playback"), QLatin1Char('b')), QStringLiteral("Play&back"));
        QCOMPARE(KeyGuide::withMnemonic(QStringLiteral("\u6587\u4ef6"), QLatin1Char('f')), QStringLiteral("\u6587\u4ef6 (&F)"));
    }

    void marksShowOnTheSliderAndTheTimeline()
    {
        pause();
        video()->setCurrentTime(10);
        QTRY_COMPARE_WITH_TIMEOUT(video()->currentTime(), 10.0, 5000);
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QTest::keyClick(window.get(), Qt::Key_I);
        auto *slider = video()->findChild<PositionSlider *>(QStringLiteral("timeSlider"));
        auto *line = video()->findChild<TelemetryTimeline *>();
        QVERIFY(slider && line);
        QCOMPARE(slider->markIn(), std::optional<int>(10000));
        QCOMPARE(slider->markOut(), std::nullopt);
        video()->setCurrentTime(25);
        QTRY_COMPARE_WITH_TIMEOUT(video()->currentTime(), 25.0, 5000);
        QTest::keyClick(window.get(), Qt::Key_O);
        QCOMPARE(slider->markOut(), std::optional<int>(25000));
        QCOMPARE(line->markIn(), std::optional<double>(video()->tripOffset() + 10));
        QCOMPARE(line->markOut(), std::optional<double>(video()->tripOffset() + 25));
        // The segment is drawn: the groove between the marks is tinted amber, against the
        // same groove without marks (whatever the style paints under it).
        const auto midColour = [&] {
            const QImage shown = slider->grab().toImage();
            return shown.pixelColor(slider->xForValue(17500) * shown.devicePixelRatio(),
                                    slider->height() / 2 * shown.devicePixelRatio());
        };
        const QColor marked = midColour();
        slider->setMarks(std::nullopt, std::nullopt);
        const QColor plain = midColour();
        slider->setMarks(10000, 25000);
        QVERIFY2(marked.red() - marked.blue() > plain.red() - plain.blue() + 60,
                 qPrintable(marked.name() + QLatin1Char(' ') + plain.name()));
        screenshot(QStringLiteral("controls_marked_segment"));
    }

    void windowResizesKeepsItsSharesAndRemembers()
    {
        QCOMPARE(window->minimumSize(), MainWindow::kMinimumSize);
        QVERIFY(window->maximumSize().width() > 10000);
        const QList<int> outer = layout->globalSplitView->sizes();
        const double share = double(outer.value(0)) / (outer.value(0) + outer.value(1));

        // As small as it may be: every control whole.
        window->resize(MainWindow::kMinimumSize);
        QTRY_COMPARE_WITH_TIMEOUT(window->size(), MainWindow::kMinimumSize, 5000);
        QTest::qWait(300);
        QVERIFY2(clippedControls().isEmpty(), qPrintable(clippedControls().join(QLatin1Char(' '))));
        screenshot(QStringLiteral("controls_window_minimum"));

        // 1280 x 720, a small laptop's screen with its panel.
        window->resize(1280, 680);
        QTRY_COMPARE_WITH_TIMEOUT(window->size(), QSize(1280, 680), 5000);
        QTest::qWait(300);
        QVERIFY2(clippedControls().isEmpty(), qPrintable(clippedControls().join(QLatin1Char(' '))));
        const QList<int> small = layout->globalSplitView->sizes();
        QVERIFY2(std::abs(double(small.value(0)) / (small.value(0) + small.value(1)) - share) < 0.05,
                 qPrintable(QStringLiteral("%1 %2 of %3").arg(small.value(0)).arg(small.value(1)).arg(share)));
        screenshot(QStringLiteral("controls_window_1280x680"));

        window->showMaximized();
        QTRY_VERIFY_WITH_TIMEOUT(window->isMaximized() && window->width() > 1280, 5000);
        QTest::qWait(300);
        const QList<int> large = layout->globalSplitView->sizes();
        QVERIFY2(std::abs(double(large.value(0)) / (large.value(0) + large.value(1)) - share) < 0.05,
                 qPrintable(QStringLiteral("%1 %2 of %3").arg(large.value(0)).arg(large.value(1)).arg(share)));
        screenshot(QStringLiteral("controls_window_maximised"));
        window->showNormal();
        QTRY_VERIFY_WITH_TIMEOUT(!window->isMaximized(), 5000);

        // A place, a size and a divider of the user's; the next window has them.
        window->setGeometry(QRect(60, 50, 1200, 700));
        QTRY_COMPARE_WITH_TIMEOUT(window->size(), QSize(1200, 700), 5000);
        layout->globalSplitView->setSizes({700, 500, 0});
        QTest::qWait(200);
        const QList<int> chosen = layout->globalSplitView->sizes();
        const QRect place = window->geometry();
        window->close();
        QVERIFY(!settings.windowGeometry().isEmpty());
        QVERIFY(!settings.windowDividers().isEmpty());
        window.reset();
        window = std::make_unique<MainWindow>(*delegate);
        layout = window->paneLayout();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QTRY_COMPARE_WITH_TIMEOUT(window->size(), place.size(), 5000);
        QVERIFY2((window->geometry().topLeft() - place.topLeft()).manhattanLength() <= 2,
                 qPrintable(QStringLiteral("%1,%2").arg(window->x()).arg(window->y())));
        QTRY_VERIFY2_WITH_TIMEOUT(std::abs(layout->globalSplitView->sizes().value(0) - chosen.value(0)) <= 2,
                                  qPrintable(QStringLiteral("%1 for %2").arg(layout->globalSplitView->sizes().value(0)).arg(chosen.value(0))),
                                  5000);
        // Dividers not of the normal layout are not put back.
        QVERIFY(!layout->restoreDividers(QByteArray("nonsense")));
        QVERIFY(!layout->restoreDividers(QByteArray()));
    }

    // A text file named .MOV, a 0-byte file and a recording cut before its header was
    // written say so in their rows; playing one names the problem and the panels show
    // dashes, not the last clip's speed.
    void brokenFilesSaySo()
    {
        PositionCompassPanel *position = layout->playListView->gpsPanel;
        QSignalSpy first(delegate.get(), &AppDelegate::filesOpened);
        delegate->openUrls({QUrl::fromLocalFile(files.first())}, 20);
        QVERIFY(first.wait(30000));
        QTRY_VERIFY_WITH_TIMEOUT(position->spdshow->text() != InstrumentGeometry::absentText(), 20000);
        const QString dir = cardDir.filePath(QStringLiteral("broken"));
        QVERIFY(QDir().mkpath(dir));
        QFile text(dir + QStringLiteral("/notes.MOV"));
        QVERIFY(text.open(QIODevice::WriteOnly) && text.write("Trip to the coast\n") > 0);
        text.close();
        QFile empty(dir + QStringLiteral("/empty.MOV"));
        QVERIFY(empty.open(QIODevice::WriteOnly));
        empty.close();
        QFile whole(files.first());
        QVERIFY(whole.open(QIODevice::ReadOnly));
        // Its header first, then half of its pictures; and the same pictures with no header.
        const QByteArray bytes = whole.readAll();
        const qsizetype mdat = bytes.indexOf("mdat") - 4;
        QVERIFY(mdat > 0);
        QFile cut(dir + QStringLiteral("/cut.MOV"));
        QVERIFY(cut.open(QIODevice::WriteOnly) && cut.write(bytes.left(mdat + (bytes.size() - mdat) / 2)) > 0);
        cut.close();
        QFile headless(dir + QStringLiteral("/headless.MOV"));
        QVERIFY(headless.open(QIODevice::WriteOnly) && headless.write(bytes.left(20) + bytes.mid(mdat, 100000)) > 0);
        headless.close();
        QSignalSpy opened(delegate.get(), &AppDelegate::filesOpened);
        delegate->openUrls({QUrl::fromLocalFile(dir + QStringLiteral("/notes.MOV")),
                            QUrl::fromLocalFile(dir + QStringLiteral("/empty.MOV")),
                            QUrl::fromLocalFile(dir + QStringLiteral("/cut.MOV")),
                            QUrl::fromLocalFile(dir + QStringLiteral("/headless.MOV"))});
        QVERIFY(opened.wait(30000));
        PlayListModel *model = layout->playListView->model();
        QHash<QString, QString> said;
        for (int r = 0; r < model->rowCount(); ++r)
            said.insert(model->index(r, PlayListModel::ColFilename).data().toString(),
                        model->index(r, PlayListModel::ColTimeDate).data().toString());
        QCOMPARE(said.value(QStringLiteral("notes.MOV")), QStringLiteral("Not a video"));
        QCOMPARE(said.value(QStringLiteral("empty.MOV")), QStringLiteral("Empty file"));
        QCOMPARE(said.value(QStringLiteral("headless.MOV")), QStringLiteral("Cut short: no movie header"));
        // Half of the minute's pictures are whole.
        QVERIFY2(QRegularExpression(QStringLiteral("^Ends early at 0:(2[5-9]|3[0-4])$")).match(said.value(QStringLiteral("cut.MOV"))).hasMatch(),
                 qPrintable(said.value(QStringLiteral("cut.MOV"))));
        // The first file handed in plays: its problem is told, and nothing of the last clip stays.
        QTRY_VERIFY_WITH_TIMEOUT(delegate->toaster()->currentToast()
                                     && delegate->toaster()->currentToast()->text() == QStringLiteral("notes.MOV: Not a video"),
                                 10000);
        QTRY_COMPARE_WITH_TIMEOUT(position->spdshow->text(), InstrumentGeometry::absentText(), 5000);
        screenshot(QStringLiteral("controls_broken_files"));
    }
    // Playback ▸ Skip Stops on a car parked for a minute and bumped 20 s in: play jumps
    // over the stop before the bump and the one after it, a toast says how long the stop
    // was and the timeline shades both; the bump itself is played. Off, play goes on
    // through a stop.
    void skipStopsJumpsOverTheParkedCar()
    {
        QAction *skip = window->findChild<QAction *>(QStringLiteral("skipStops"));
        QVERIFY(skip && skip->isCheckable() && !skip->isChecked());
        auto *timeline = video()->findChild<TelemetryTimeline *>();
        QVERIFY(timeline && !timeline->stopsShown());
        skip->trigger();
        QVERIFY(settings.skipStops() && timeline->stopsShown());
        const QString parked = qEnvironmentVariable("VELTRA_SAMPLES") + QStringLiteral("/parked.MOV");
        QSignalSpy opened(delegate.get(), &AppDelegate::filesOpened);
        QSignalSpy seeks(video()->engine(), &MediaEngine::seeking);
        delegate->openUrls({QUrl::fromLocalFile(parked)});
        QVERIFY(opened.wait(30000));
        QTRY_VERIFY_WITH_TIMEOUT(video()->currentFile() == parked && video()->engine()->isReady(), 20000);
        QTRY_COMPARE_WITH_TIMEOUT(timeline->stops().size(), size_t(2), 5000);
        QCOMPARE(timeline->stops().at(0), (StopStretches::Stretch{0, 20}));
        QCOMPARE(timeline->stops().at(1), (StopStretches::Stretch{21, 60}));
        if (!video()->engine()->isPlaying())
            video()->execPlayOrPause();
        const auto sought = [&seeks](double target) {
            for (const QList<QVariant> &args : seeks)
                if (std::abs(args.at(0).toDouble() - target) < 0.01)
                    return true;
            return false;
        };
        QTRY_VERIFY_WITH_TIMEOUT(sought(19), 10000);
        const auto toast = [this] {
            return delegate->toaster()->currentToast() ? delegate->toaster()->currentToast()->text() : QString();
        };
        QTRY_COMPARE_WITH_TIMEOUT(toast(), QStringLiteral("Skipped a 20 s stop"), 5000);
        screenshot(QStringLiteral("controls_skip_stops"));
        // Past the bump, the second stop goes the same way.
        QTRY_VERIFY_WITH_TIMEOUT(sought(59), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(toast(), QStringLiteral("Skipped a 39 s stop"), 5000);
        QCOMPARE(seeks.size(), 2);
        // Off: from 5 s, play goes on inside the first stop.
        skip->trigger();
        QVERIFY(!settings.skipStops() && !timeline->stopsShown());
        pause();
        video()->setCurrentTime(5);
        QTRY_VERIFY_WITH_TIMEOUT(std::abs(video()->currentTime() - 5) < 0.1, 5000);
        seeks.clear();
        video()->execPlayOrPause();
        QTRY_VERIFY_WITH_TIMEOUT(video()->currentTime() > 7, 10000);
        QCOMPARE(seeks.size(), 0);
    }

    // A drop of 10,000 files that are not recordings and of 40 pipes: the files get rows
    // that say "Not a video", the pipes one message of a few lines, and the window keeps
    // answering while they are read.
    void aDropOfTenThousandFiles()
    {
        QTemporaryDir dir;
        QList<QUrl> urls;
        for (int k = 0; k < 10000; ++k) {
            QFile f(dir.filePath(QStringLiteral("note%1.txt").arg(k, 5, 10, QLatin1Char('0'))));
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write("x") == 1);
            urls << QUrl::fromLocalFile(f.fileName());
        }
        for (int k = 0; k < 40; ++k) {
            const QString pipe = dir.filePath(QStringLiteral("pipe%1").arg(k));
            QVERIFY(::mkfifo(QFile::encodeName(pipe).constData(), 0600) == 0);
            urls << QUrl::fromLocalFile(pipe);
        }
        PlayListModel *model = layout->playListView->model();
        const int before = model->rowCount();
        QSignalSpy opened(delegate.get(), &AppDelegate::filesOpened);
        auto *data = new QMimeData;
        data->setUrls(urls);
        const QPoint at = window->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &enter);
        QDropEvent drop(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &drop);
        delete data;
        const auto toast = [this] {
            return delegate->toaster()->currentToast() ? delegate->toaster()->currentToast()->text() : QString();
        };
        QTRY_VERIFY_WITH_TIMEOUT(toast().contains(QStringLiteral("37 more files that could not be added")), 10000);
        QCOMPARE(toast().count(QLatin1Char('\n')), 3);
        // The window answers while the files are read: a 50 ms timer fires ten times.
        int beats = 0;
        QTimer beat;
        connect(&beat, &QTimer::timeout, this, [&beats] { ++beats; });
        beat.start(50);
        QTRY_VERIFY_WITH_TIMEOUT(beats >= 10, 10000);
        QVERIFY(opened.wait(120000));
        int notVideos = 0;
        for (int r = before; r < model->rowCount(); ++r)
            notVideos += model->index(r, PlayListModel::ColTimeDate).data().toString() == QStringLiteral("Not a video");
        QCOMPARE(notVideos, 10000);
        screenshot(QStringLiteral("controls_ten_thousand_files"));
    }
};

VELTRA_WINDOW_TEST_MAIN(ControlsEndToEndTest)

#include "tst_controls_e2e.moc"
