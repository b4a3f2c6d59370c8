// The player controller with the real QMediaPlayer under the test X server: module
// calls and their order, the end of a file, seeking, rates, volume, keys, overlays,
// capture and tear-down.
#include "PlayerTestSupport.h"
#include "ui/AppToast.h"
#include "ui/KTToastWindowController.h"
#include "common/AppKeys.h"
#include "common/AppLinks.h"
#include "common/AppUserDefaults.h"
#include "common/Localization.h"
#include "common/NotificationCenter.h"
#include "player/VideoViewController.h"

#include <QButtonGroup>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QVideoFrame>
#include <QVideoSink>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMediaPlayer>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QVideoWidget>

#include <memory>

using namespace PlayerTestSupport;

namespace {

QString picturesDir()
{
    return QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
}

bool waitToastIdle()
{
    return QTest::qWaitFor([] { return !AppToast::winlock(); }, 5000);
}

} // namespace

class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl &url) { urls << url; }
};

class VideoViewControllerTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir_;
    QString clip_;   // 3 s, 320x240
    QString clip2_;  // 2 s, 320x240, with a sound track
    QString long_;   // at least 14 s

    struct Rig {
        CallLog log;
        QWidget window;
        VideoViewController *vc = nullptr;
        RecordingModule gps{"gps", &log};
        RecordingModule gpsInfo{"gpsInfo", &log};
        RecordingModule speed{"speed", &log};
        RecordingModule playlist{"playlist", &log};
        RecordingModule layout{"layout", &log};
        RecordingModule mapLines{"mapLines", &log};

        explicit Rig(bool withRemoveLine = false)
        {
            window.resize(900, 620);
            vc = new VideoViewController(&window);
            vc->setGeometry(0, 0, 900, 620);
            vc->session()->gpsDelegate.set(&gps);
            vc->session()->gpsInfoDelegate.set(&gpsInfo);
            vc->session()->speedDelegate.set(&speed);
            vc->session()->videoEndDelegate.set(&playlist);
            vc->session()->zoomInDelegate.set(&layout);
            if (withRemoveLine)
                vc->session()->removesourceMap.set(&mapLines);
            window.show();
            (void)QTest::qWaitForWindowExposed(&window);
        }
        ~Rig() { delete vc; }

        bool open(const QString &file)
        {
            QSignalSpy done(vc, &VideoViewController::setUpFinished);
            vc->initAssetData(QUrl::fromLocalFile(file));
            return done.wait(10000) && done.first().first().toBool();
        }
        QMediaPlayer *engine() const { return vc->player(); }
        bool waitPlaying()
        {
            return QTest::qWaitFor([this] { return engine() && engine()->playbackState() == QMediaPlayer::PlayingState; }, 5000);
        }
        bool pauseAndSettle()
        {
            vc->playOrPause();
            return QTest::qWaitFor([this] { return engine()->playbackState() == QMediaPlayer::PausedState; }, 5000);
        }
    };

private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        clip_ = makeVideo(dir_.path(), "clip3.mov", 3);
        clip2_ = makeVideo(dir_.path(), "clip2.MOV", 2, "320x240", 30, true);
        const QString forged = qEnvironmentVariable("VELTRA_SAMPLES") + "/drive/2026_1108_093000_001.MOV";
        long_ = QFileInfo(forged).size() > 0 ? forged : makeVideo(dir_.path(), "long.mov", 16);
        QVERIFY(!clip_.isEmpty() && !clip2_.isEmpty() && !long_.isEmpty());
    }

    void init()
    {
        QVERIFY(waitToastIdle());
        AppUserDefaults::remove(AppKeys::VOLUME);
        QDir(picturesDir() + "/vistrel").removeRecursively();
        QFile::remove(picturesDir() + "/vistrel");
    }

    // --- module calls -----------------------------------------------------------

    void pathThenTotalTimeInTheirOrders()
    {
        Rig rig;
        const QUrl url = QUrl::fromLocalFile(clip_);
        QSignalSpy done(rig.vc, &VideoViewController::setUpFinished);
        rig.vc->initAssetData(url);
        // The path reaches the modules at once, before the file is known to play.
        QCOMPARE(int(rig.log.calls.size()), 3);
        const QStringList pathOrder{"gps", "gpsInfo", "speed"};
        for (int k = 0; k < 3; ++k) {
            QCOMPARE(rig.log.calls[k].module, pathOrder[k]);
            QCOMPARE(rig.log.calls[k].op, QString("path"));
            QCOMPARE(rig.log.calls[k].text, QString::fromUtf8(url.toEncoded()));
        }
        QVERIFY(done.wait(10000));
        const auto all = rig.log.of("allTime");
        QCOMPARE(int(all.size()), 3);
        const QStringList totalOrder{"speed", "gps", "gpsInfo"};
        for (int k = 0; k < 3; ++k) {
            QCOMPARE(all[k].module, totalOrder[k]);
            QCOMPARE(all[k].value, rig.vc->duration());
        }
        QVERIFY(std::abs(rig.vc->duration() - 3.0) < 0.05);
        QCOMPARE(rig.vc->totalTimeField->text(), QString("00:03"));
    }

    void pathKeepsPercentEscapes()
    {
        const QString spaced = QDir(dir_.path()).filePath("a clip #1.mov");
        QVERIFY(QFile::copy(clip_, spaced) || QFile::exists(spaced));
        Rig rig;
        QVERIFY(rig.open(spaced));
        const QString path = rig.log.of("path", "gps").front().text;
        QVERIFY2(path.startsWith("file:///") && path.contains("a%20clip%20%231.mov"), qPrintable(path));
    }

    void ticksReachModulesInOrderAndAdvance()
    {
        Rig rig;
        QVERIFY(rig.open(long_));
        QVERIFY(rig.waitPlaying());
        QElapsedTimer wall;
        wall.start();
        QVERIFY(QTest::qWaitFor([&] { return rig.vc->currentTime() > 1.6; }, 8000));
        QVERIFY(rig.pauseAndSettle());
        const qint64 playedMs = wall.elapsed();
        const std::vector<Call> ticks = rig.log.of("tick");
        QVERIFY(ticks.size() % 3 == 0);
        // At 30 frames a second the modules hear at least one tick per frame shown.
        QVERIFY2(ticks.size() / 3 >= size_t(playedMs * 30 / 1000) * 9 / 10,
                 qPrintable(QString("%1 ticks in %2 ms").arg(ticks.size() / 3).arg(playedMs)));
        const QStringList order{"gps", "gpsInfo", "speed"};
        double previous = -1;
        for (size_t k = 0; k < ticks.size(); k += 3) {
            for (int m = 0; m < 3; ++m) {
                QCOMPARE(ticks[k + m].module, order[m]);
                QCOMPARE(ticks[k + m].value, ticks[k].value);
            }
            QVERIFY(ticks[k].value >= previous);
            previous = ticks[k].value;
        }
        // The pause tick carries the time of the frame left on screen.
        QVERIFY2(previous > 1.4 && previous < 3.0, qPrintable(QString::number(previous)));
        // The slider and the label follow the clock.
        QCOMPARE(rig.vc->timeSlider->value(), int(std::lround(previous * 1000)));
        QCOMPARE(rig.vc->currentTimeField->text(), QString("00:0%1").arg(int(previous)));
        QCOMPARE(rig.log.count("end"), 0);
    }

    void pausedPlayerSendsNoTicks()
    {
        Rig rig;
        QVERIFY(rig.open(clip_));
        QVERIFY(rig.waitPlaying());
        QTest::qWait(300);
        const int before = rig.log.count("tick");
        QVERIFY(rig.pauseAndSettle());
        QTest::qWait(100);
        const int atPause = rig.log.count("tick");
        QVERIFY(atPause >= before); // the pause tick itself
        QTest::qWait(600);
        QCOMPARE(rig.log.count("tick"), atPause);
    }

    // --- end of file ------------------------------------------------------------

    void endFiresOnceAtTheEnd_data()
    {
        QTest::addColumn<int>("fastPresses");
        QTest::addColumn<bool>("removeLine");
        QTest::addRow("1x") << 0 << false;
        QTest::addRow("2x") << 1 << false;
        QTest::addRow("5x") << 2 << false;
        QTest::addRow("10x") << 3 << false;
        QTest::addRow("60x") << 4 << false;
        QTest::addRow("1x with a line remover") << 0 << true;
    }
    void endFiresOnceAtTheEnd()
    {
        QFETCH(int, fastPresses);
        QFETCH(bool, removeLine);
        Rig rig(removeLine);
        QVERIFY(rig.open(clip_));
        for (int k = 0; k < fastPresses; ++k)
            rig.vc->forwardRate();
        QVERIFY(QTest::qWaitFor([&] { return rig.log.count("end") > 0; }, 30000));
        QTest::qWait(500);
        QCOMPARE(rig.log.count("end"), 1);
        QCOMPARE(rig.log.of("end").front().module, QString("playlist"));
        const double d = rig.vc->duration();
        const auto ticks = rig.log.of("tick", "gps");
        QCOMPARE(ticks.back().value, d);
        int atEnd = 0;
        for (const Call &c : ticks)
            atEnd += c.value == d;
        QCOMPARE(atEnd, 1);
        // videoEnd comes right after the last tick, then removeLineMap.
        const Call &last = rig.log.calls[rig.log.calls.size() - (removeLine ? 2 : 1)];
        QCOMPARE(last.op, QString("end"));
        if (removeLine)
            QCOMPARE(rig.log.calls.back().op, QString("removeLine"));
        QCOMPARE(rig.vc->currentTime(), d);
        QCOMPARE(rig.vc->currentTimeField->text(), QString("00:03"));
    }

    void endOncePerFileForTwoFilesInARow()
    {
        Rig rig;
        QVERIFY(rig.open(clip_));
        QVERIFY(QTest::qWaitFor([&] { return rig.log.count("end") == 1; }, 10000));
        rig.vc->close();
        QVERIFY(rig.open(clip2_));
        QVERIFY(QTest::qWaitFor([&] { return rig.log.count("end") == 2; }, 10000));
        QTest::qWait(400);
        QCOMPARE(rig.log.count("end"), 2);
        QCOMPARE(rig.log.of("tick", "gps").back().value, rig.vc->duration());
    }

    void playAtTheEndRestartsFromZero()
    {
        Rig rig;
        QVERIFY(rig.open(clip2_));
        QVERIFY(QTest::qWaitFor([&] { return rig.log.count("end") == 1; }, 10000));
        rig.log.clear();
        rig.vc->playOrPause();
        QVERIFY(rig.waitPlaying());
        QTest::qWait(300);
        const auto ticks = rig.log.of("tick", "gps");
        QVERIFY(!ticks.empty());
        QVERIFY2(ticks.front().value < 0.2, qPrintable(QString::number(ticks.front().value)));
        QVERIFY(QTest::qWaitFor([&] { return rig.log.count("end") == 1; }, 10000));
    }

    void reversePlayReachesTheStartWithoutEnd()
    {
        Rig rig;
        QVERIFY(rig.open(clip_));
        QVERIFY(rig.waitPlaying());
        QTest::qWait(700);
        rig.vc->backwardRate();
        QCOMPARE(rig.engine()->playbackRate(), -2.0);
        QVERIFY(QTest::qWaitFor([&] { return rig.engine()->playbackState() != QMediaPlayer::PlayingState; }, 8000));
        QTest::qWait(300);
        QCOMPARE(rig.log.count("end"), 0);
        QCOMPARE(rig.log.of("tick", "gps").back().value, 0.0);
    }

    // --- seeking ----------------------------------------------------------------

    void seekLandsOnWholeSeconds_data()
    {
        QTest::addColumn<double>("target");
        QTest::addColumn<double>("landed");
        QTest::addColumn<QString>("label");
        QTest::addRow("12.6 lands at 13") << 12.6 << 13.0 << "00:12";
        QTest::addRow("12.4 lands at 12") << 12.4 << 12.0 << "00:12";
        QTest::addRow("0.5 lands at 1") << 0.5 << 1.0 << "00:00";
    }
    void seekLandsOnWholeSeconds()
    {
        QFETCH(double, target);
        QFETCH(double, landed);
        QFETCH(QString, label);
        Rig rig;
        QVERIFY(rig.open(long_));
        QVERIFY(rig.waitPlaying());
        QVERIFY(rig.pauseAndSettle());
        QTest::qWait(100);
        rig.log.clear();
        rig.vc->setCurrentTime(target);
        QCOMPARE(rig.vc->currentTimeField->text(), label);
        QCOMPARE(rig.log.count("tick"), 0);
        QVERIFY(QTest::qWaitFor([&] { return rig.log.count("tick") == 3; }, 3000));
        QTest::qWait(300);
        QCOMPARE(rig.log.count("tick"), 3);
        for (const Call &c : rig.log.of("tick"))
            QCOMPARE(c.value, landed);
        QCOMPARE(rig.vc->currentTime(), landed);
        QCOMPARE(rig.vc->currentTimeField->text(), QString("00:%1").arg(int(landed), 2, 10, QChar('0')));
    }

    void sliderMovesSeek()
    {
        Rig rig;
        QVERIFY(rig.open(long_));
        QVERIFY(rig.waitPlaying());
        QVERIFY(rig.pauseAndSettle());
        rig.log.clear();
        QCOMPARE(rig.vc->timeSlider->maximum(), int(rig.engine()->duration()));
        rig.vc->timeSlider->setSliderDown(true);
        rig.vc->timeSlider->setSliderPosition(7400);
        rig.vc->timeSlider->setSliderDown(false);
        QVERIFY(QTest::qWaitFor([&] { return rig.log.count("tick") >= 3; }, 3000));
        QCOMPARE(rig.log.of("tick", "gps").back().value, 7.0);
    }

    void stopPausesAtZero()
    {
        Rig rig;
        QVERIFY(rig.open(clip_));
        QVERIFY(rig.waitPlaying());
        QTest::qWait(800);
        rig.vc->stopVideo();
        QVERIFY(QTest::qWaitFor([&] { return rig.engine()->playbackState() == QMediaPlayer::PausedState; }, 3000));
        QVERIFY(QTest::qWaitFor([&] { return rig.log.of("tick", "gps").back().value == 0.0; }, 3000));
        QCOMPARE(rig.vc->currentTime(), 0.0);
        QCOMPARE(rig.vc->currentTimeField->text(), QString("00:00"));
    }

    // --- rates ------------------------------------------------------------------

    void rateSteps_data()
    {
        QTest::addColumn<QString>("presses");
        QTest::addColumn<QList<double>>("rates");
        QTest::addRow("fast wraps after 60") << "fffff" << QList<double>{2, 5, 10, 60, 2};
        QTest::addRow("reverse wraps after -60") << "bbbbb" << QList<double>{-2, -5, -10, -60, -2};
        QTest::addRow("reverse resets fast") << "ffbf" << QList<double>{2, 5, -2, 2};
        QTest::addRow("play resets both") << "ffpf" << QList<double>{2, 5, 0, 2};
        QTest::addRow("play after fast plays at 1") << "fpp" << QList<double>{2, 0, 1};
    }
    void rateSteps()
    {
        QFETCH(QString, presses);
        QFETCH(QList<double>, rates);
        Rig rig;
        QVERIFY(rig.open(long_));
        QVERIFY(rig.waitPlaying());
        rig.vc->playOrPause(); // start each row with both indices at 0
        for (int k = 0; k < presses.size(); ++k) {
            const QChar p = presses[k];
            if (p == 'f')
                rig.vc->forwardRate();
            else if (p == 'b')
                rig.vc->backwardRate();
            else
                rig.vc->playOrPause();
            QCOMPARE(rig.vc->requestedRate(), rates[k]);
            if (rates[k] != 0)
                QCOMPARE(rig.engine()->playbackRate(), rates[k]);
        }
    }

    void rateToastShowsTheRate()
    {
        Rig rig;
        QVERIFY(rig.open(long_));
        QVERIFY(rig.waitPlaying());
        rig.vc->backwardRate();
        QVERIFY(AppToast::currentToast());
        QCOMPARE(AppToast::currentToast()->text(), QString("-2x"));
        QVERIFY(waitToastIdle());
        rig.vc->forwardRate();
        QCOMPARE(AppToast::currentToast()->text(), QString("2x"));
    }

    void ratesWithoutFileDoNothing()
    {
        Rig rig;
        rig.vc->forwardRate();
        rig.vc->backwardRate();
        rig.vc->playOrPause();
        rig.vc->stopVideo();
        QCOMPARE(rig.vc->player(), nullptr);
        QVERIFY(!AppToast::winlock());
        QCOMPARE(rig.vc->currentTime(), 0.0);
        QCOMPARE(rig.vc->duration(), 0.0);
    }

    // --- volume -----------------------------------------------------------------

    void volumeSurvivesRestart_data()
    {
        QTest::addColumn<int>("slider");
        QTest::addColumn<QString>("speaker");
        QTest::addRow("muted") << 0 << "speaker_off";
        QTest::addRow("a third") << 33 << "speaker_on";
        QTest::addRow("full") << 100 << "speaker_on";
    }
    void volumeSurvivesRestart()
    {
        QFETCH(int, slider);
        QFETCH(QString, speaker);
        {
            Rig rig;
            QCOMPARE(rig.vc->volumSlider->value(), 100); // nothing stored: full volume
            rig.vc->volumSlider->setValue(50);
            rig.vc->volumSlider->setValue(slider);
            QCOMPARE(rig.vc->voiceBtn->property("tag").toInt(), slider != 0 ? 1 : 0);
            Q_UNUSED(speaker);
        }
        // Written out at once: a fresh read of the file has it.
        QSettings file(AppUserDefaults::settings().fileName(), QSettings::IniFormat);
        QVERIFY(std::abs(file.value(AppKeys::VOLUME).toDouble() - slider / 100.0) < 1e-6);

        Rig again;
        QCOMPARE(again.vc->volumSlider->value(), slider);
        QVERIFY(std::abs(again.vc->volume() - slider / 100.0f) < 1e-6);
        QVERIFY(again.open(clip_));
        QCOMPARE(again.vc->volumSlider->value(), slider);
        QVERIFY(std::abs(again.vc->volume() - slider / 100.0f) < 1e-6);
        QCOMPARE(again.vc->voiceBtn->property("tag").toInt(), slider != 0 ? 1 : 0);
    }

    // --- keys, expand, overlays -------------------------------------------------

    void spaceTogglesPlayback()
    {
        Rig rig;
        QVERIFY(rig.open(long_));
        QVERIFY(rig.waitPlaying());
        QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::ShiftModifier, " ");
        rig.vc->keyDown(&space);
        QVERIFY(QTest::qWaitFor([&] { return rig.engine()->playbackState() == QMediaPlayer::PausedState; }, 3000));
        QKeyEvent other(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
        rig.vc->keyDown(&other);
        QKeyEvent silent(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier, QString());
        rig.vc->keyDown(&silent);
        QCOMPARE(rig.engine()->playbackState(), QMediaPlayer::PausedState);
        QTest::keyClick(rig.vc, Qt::Key_Space, Qt::NoModifier);
        QVERIFY(rig.waitPlaying());
    }

    void escapeTogglesFullScreen()
    {
        Rig rig;
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        rig.vc->keyDown(&esc);
        QVERIFY(QTest::qWaitFor([&] { return rig.window.isFullScreen(); }, 3000));
        rig.vc->keyDown(&esc);
        QVERIFY(QTest::qWaitFor([&] { return !rig.window.isFullScreen(); }, 3000));
    }

    void expandExchangesStateWithLayout()
    {
        Rig rig;
        int compass = 0;
        QObject observer;
        NotificationCenter::defaultCenter()->addObserver(&observer, AppKeys::COMPASS_NOTIFICATION, [&] { ++compass; });
        rig.layout.zoomAnswer = 1;
        rig.vc->zoomInOut();
        QCOMPARE(rig.vc->zoomState, qint64(1));
        QCOMPARE(compass, 0);
        rig.layout.zoomAnswer = 0;
        rig.vc->zoomInOut();
        QCOMPARE(rig.vc->zoomState, qint64(0));
        QCOMPARE(compass, 1);
        const auto zooms = rig.log.of("zoom", "layout");
        QCOMPARE(int(zooms.size()), 2);
        QCOMPARE(zooms[0].value, 0.0);
        QCOMPARE(zooms[1].value, 1.0);
    }

    void nextAndPreviousGoToThePlayList()
    {
        Rig rig;
        rig.vc->nextFile();
        rig.vc->lastFile();
        const auto calls = rig.log.of("playNext", "playlist");
        QCOMPARE(int(calls.size()), 2);
        QCOMPARE(calls[0].value, 1.0);
        QCOMPARE(calls[1].value, 0.0);
    }

    void settingsAndHelpExcludeEachOther()
    {
        Rig rig;
        QVERIFY(rig.vc->settingsDialog->isHidden() && rig.vc->helpDialog->isHidden());
        QVERIFY(rig.vc->aboutImageinfo->isHidden() && rig.vc->fileButton->isHidden());
        rig.vc->settings();
        QVERIFY(rig.vc->settingsDialog->isVisible());
        rig.vc->helps();
        QVERIFY(rig.vc->helpDialog->isVisible());
        QVERIFY(rig.vc->settingsDialog->isHidden());
        rig.vc->settings();
        QVERIFY(rig.vc->helpDialog->isHidden());
        rig.vc->settings();
        QVERIFY(rig.vc->settingsDialog->isHidden());
        rig.vc->helps();
        rig.vc->aboutHelpClick();
        QVERIFY(rig.vc->helpDialog->isHidden());
        QVERIFY(rig.vc->aboutImageinfo->isVisible());
        QVERIFY(!rig.vc->aboutImageinfo->pixmap().isNull());
        rig.vc->closeAboutClick();
        QVERIFY(rig.vc->aboutImageinfo->isHidden());

        // The help links: the user guide installed with the program (it works offline),
        // then the web site and the shop under one base address.
        UrlCatcher opened;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &opened, "open");
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &opened, "open");
        for (QPushButton *b : {rig.vc->helpVideo, rig.vc->helpWebsite, rig.vc->helpShop}) {
            rig.vc->helps();
            b->click();
        }
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        QCOMPARE(opened.urls.size(), 3);
        QVERIFY(opened.urls[0].isLocalFile());
        QFile guide(opened.urls[0].toLocalFile());
        QVERIFY(guide.open(QIODevice::ReadOnly));
        const QByteArray page = guide.readAll();
        for (const char *section : {"id=\"open\"", "id=\"keys\"", "id=\"units\"", "id=\"maps\"", "id=\"capture\"", "id=\"export\""})
            QVERIFY2(page.contains(section), section);
        QCOMPARE(opened.urls[1], AppLinks::website());
        QCOMPARE(opened.urls[2].host(), opened.urls[1].host());
        QVERIFY(opened.urls[2] != opened.urls[1]);
    }

    void speedRadioStoresUnitAndTells()
    {
        AppUserDefaults::setSpeedUnit(AppKeys::SPEED_UNIT_KMPH);
        Rig rig;
        QCOMPARE(rig.vc->radioSpeed->checkedId(), 0);
        int told = 0;
        QObject observer;
        NotificationCenter::defaultCenter()->addObserver(&observer, AppKeys::SPEED_UNIT_NOTIFICATION, [&] { ++told; });
        rig.vc->radioSpeed->button(1)->click();
        QCOMPARE(AppUserDefaults::text(AppKeys::SPEED_UNIT).value_or(QString()), QString(AppKeys::SPEED_UNIT_MILEPH));
        QCOMPARE(told, 1);
        rig.vc->radioSpeed->button(0)->click();
        QCOMPARE(AppUserDefaults::text(AppKeys::SPEED_UNIT).value_or(QString()), QString(AppKeys::SPEED_UNIT_KMPH));
        QCOMPARE(told, 2);
        // A stored mph shows the second column at start.
        AppUserDefaults::setSpeedUnit(AppKeys::SPEED_UNIT_MILEPH);
        Rig again;
        QCOMPARE(again.vc->radioSpeed->checkedId(), 1);
        AppUserDefaults::setSpeedUnit(AppKeys::SPEED_UNIT_KMPH);
    }

    void playButtonFollowsState()
    {
        Rig rig;
        QVERIFY(!rig.vc->playButton->isEnabled());
        QVERIFY(rig.open(long_));
        QVERIFY(rig.waitPlaying());
        QVERIFY(rig.vc->playButton->isEnabled());
        const QImage playing = rig.vc->playButton->icon().pixmap(30, 30).toImage();
        QVERIFY(rig.pauseAndSettle());
        const QImage paused = rig.vc->playButton->icon().pixmap(30, 30).toImage();
        QVERIFY(playing != paused);
        rig.vc->close();
        QVERIFY(!rig.vc->playButton->isEnabled());
    }

    // --- capture ----------------------------------------------------------------

    void captureBeforeAnyFileFails()
    {
        Rig rig;
        rig.vc->capture();
        QVERIFY(AppToast::currentToast());
        QVERIFY(AppToast::currentToast()->text() == Localization::text("capture_fail"));
        QVERIFY(!QFileInfo::exists(picturesDir() + "/vistrel"));
    }

    void capturePausedFrameMatchesThePlayhead()
    {
        Rig rig;
        QVERIFY(rig.open(clip_));
        QVERIFY(rig.waitPlaying());
        QVERIFY(rig.pauseAndSettle());
        rig.vc->setCurrentTime(2.0);
        QVERIFY(QTest::qWaitFor([&] { return !rig.log.of("tick").empty() && rig.log.of("tick").back().value == 2.0; }, 3000));
        QTest::qWait(400); // the frame at the new position reaches the screen
        QSignalSpy done(rig.vc, &VideoViewController::captureFinished);
        const QDateTime before = QDateTime::currentDateTime();
        rig.vc->capture();
        QVERIFY(done.wait(10000));
        QVERIFY(done.first().at(1).toBool());
        const QString path = done.first().at(0).toString();
        QCOMPARE(QFileInfo(path).absolutePath(), QFileInfo(picturesDir() + "/vistrel").absoluteFilePath());
        QVERIFY(path.endsWith(".png"));
        const QString stamp = QFileInfo(path).completeBaseName();
        QCOMPARE(stamp.size(), QString("yyyy_MM_dd_HH_mm_ss_zzz").size());
        const QDateTime when = QDateTime::fromString(stamp, "yyyy_MM_dd_HH_mm_ss_zzz");
        QVERIFY(when.isValid() && std::abs(when.msecsTo(before)) < 5000);
        QCOMPARE(AppToast::currentToast()->text(), Localization::text("capture_suc"));

        const QImage saved(path);
        QCOMPARE(saved.size(), QSize(320, 240));
        const QImage truth = ffmpegFrame(clip_, 2.0);
        QCOMPARE(truth.size(), QSize(320, 240));
        const double diff = meanDifference(saved, truth);
        // Another frame of the moving pattern differs by far more than the colour conversion.
        const double other = meanDifference(saved, ffmpegFrame(clip_, 1.0));
        QVERIFY2(diff >= 0 && diff < 6.0, qPrintable(QString("diff %1").arg(diff)));
        QVERIFY2(other > 3 * diff, qPrintable(QString("diff %1, another frame %2").arg(diff).arg(other)));
    }

    void captureWriteFailureShowsFail_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addRow("vistrel is a plain file") << "file";
        QTest::addRow("pictures folder read-only") << "readonly";
    }
    void captureWriteFailureShowsFail()
    {
        QFETCH(QString, how);
        const QString userDirs = qEnvironmentVariable("XDG_CONFIG_HOME") + "/user-dirs.dirs";
        if (how == "file") {
            QDir().mkpath(picturesDir());
            QFile f(picturesDir() + "/vistrel");
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("not a folder");
        } else {
            // /proc takes no new files, not even from root.
            QFile f(userDirs);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("XDG_PICTURES_DIR=\"/proc/self\"\n");
        }
        Rig rig;
        QVERIFY(rig.open(clip_));
        QVERIFY(rig.waitPlaying());
        QVERIFY(rig.pauseAndSettle());
        QTest::qWait(200);
        QSignalSpy done(rig.vc, &VideoViewController::captureFinished);
        rig.vc->capture();
        QVERIFY(done.wait(10000));
        QFile::remove(userDirs);
        QCOMPARE(done.first().at(1).toBool(), false);
        QCOMPARE(AppToast::currentToast()->text(), Localization::text("capture_fail"));
        QVERIFY(!QFileInfo::exists(done.first().at(0).toString()));
    }

    // --- failures and tear-down ---------------------------------------------------

    void unplayableFilePlaysNothing()
    {
        const QString bad = QDir(dir_.path()).filePath("notes.MOV");
        {
            QFile f(bad);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("This is a text file, not a video.\n");
        }
        Rig rig;
        QSignalSpy done(rig.vc, &VideoViewController::setUpFinished);
        rig.vc->initAssetData(QUrl::fromLocalFile(bad));
        QVERIFY(done.wait(10000) || done.size() == 1);
        QCOMPARE(done.first().first().toBool(), false);
        QTest::qWait(500);
        QCOMPARE(rig.log.count("path"), 3);
        QCOMPARE(rig.log.count("allTime"), 0);
        QCOMPARE(rig.log.count("tick"), 0);
        QCOMPARE(rig.vc->player(), nullptr);
        QVERIFY(rig.vc->defaultImage->isVisible());
        QVERIFY(!rig.vc->videoWidget->videoSink()->videoFrame().isValid());
        QCOMPARE(rig.vc->currentTimeField->text(), QString("0:00"));
        QVERIFY(!AppToast::winlock());
        rig.vc->close();
        rig.vc->close();
        QVERIFY(!rig.vc->isAddVideoFile());
    }

    void unplayableAfterPlayableShowsNoPicture()
    {
        const QString bad = QDir(dir_.path()).filePath("empty.MOV");
        QFile(bad).open(QIODevice::WriteOnly);
        Rig rig;
        QVERIFY(rig.open(clip_));
        rig.vc->close();
        QCOMPARE(rig.vc->currentTimeField->text(), QString("00:00"));
        QCOMPARE(rig.vc->totalTimeField->text(), QString("00:00"));
        rig.log.clear();
        QSignalSpy done(rig.vc, &VideoViewController::setUpFinished);
        rig.vc->initAssetData(QUrl::fromLocalFile(bad));
        QVERIFY(done.wait(10000) || done.size() == 1);
        QCOMPARE(done.first().first().toBool(), false);
        QTest::qWait(300);
        QCOMPARE(rig.log.count("tick"), 0);
        QCOMPARE(rig.vc->duration(), 0.0);
        QVERIFY(!rig.vc->videoWidget->videoSink()->videoFrame().isValid());
        rig.vc->playOrPause();
        QTest::qWait(300);
        QCOMPARE(rig.log.count("tick"), 0);
    }

    void emptyUrlDoesNothing()
    {
        Rig rig;
        rig.vc->initAssetData(QUrl());
        QCOMPARE(int(rig.log.calls.size()), 0);
        QVERIFY(!rig.vc->isAddVideoFile());
    }

    void closeTwiceAndDestroyWhilePausedOrLoading_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addRow("paused") << "paused";
        QTest::addRow("playing") << "playing";
        QTest::addRow("loading") << "loading";
        QTest::addRow("closed") << "closed";
        QTest::addRow("ended") << "ended";
    }
    void closeTwiceAndDestroyWhilePausedOrLoading()
    {
        QFETCH(QString, state);
        auto rig = std::make_unique<Rig>();
        if (state == "loading") {
            rig->vc->initAssetData(QUrl::fromLocalFile(clip_));
        } else {
            QVERIFY(rig->open(clip2_));
            QVERIFY(rig->waitPlaying());
            if (state == "paused")
                QVERIFY(rig->pauseAndSettle());
            if (state == "closed") {
                rig->vc->close();
                rig->vc->close();
                QVERIFY(!rig->vc->isAddVideoFile());
                const int ticks = rig->log.count("tick");
                QTest::qWait(300);
                QCOMPARE(rig->log.count("tick"), ticks);
            }
            if (state == "ended")
                QVERIFY(QTest::qWaitFor([&] { return rig->log.count("end") == 1; }, 10000));
        }
        rig.reset(); // must not abort the process
        QTest::qWait(200);
        // The media system is still usable afterwards.
        Rig next;
        QVERIFY(next.open(clip2_));
        QVERIFY(next.waitPlaying());
    }
};

QTEST_MAIN(VideoViewControllerTest)
#include "tst_videoviewcontroller.moc"
