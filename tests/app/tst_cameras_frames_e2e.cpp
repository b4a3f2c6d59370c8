// The cameras of a moment in step, frame by frame, in the real window: a forged front,
// rear and cabin (the cabin at 25 frames a second, the others at 30) whose every
// picture carries its frame number. Driven as the media controls drive it (the MPRIS
// player's SetPosition, Seek, Play and Pause) and by the window's frame step keys and
// rates, every camera shows the same moment: after a seek while paused the frame that
// holds the time asked for, after each step the next frame of the front with the
// others beside it, after rate changes the same frame again once paused, and while
// playing at most a frame apart; after seek storms the frame of the last time asked for,
// also with a rear of another codec and sound in the front only; and a camera's file
// replaced while playing stops nothing; a rear whose recording starts 2 s after the
// front's says "No recording" until then and is in step from its first frame on. A rate changed in place and at once again by a
// seek (1x, 2x, 5x in a row) trips no GStreamer assertion.
#include "FrameCode.h"
#include "TestSettings.h"
#include "WindowTestMain.h"
#include "app/AppDelegate.h"
#include "app/MainWindow.h"
#include "app/MprisService.h"
#include "app/PaneLayout.h"
#include "common/Localization.h"
#include "media/MediaEngine.h"
#include "player/ChannelPictures.h"
#include "player/PlayerView.h"
#include "player/TelemetryTimeline.h"
#include "playlist/PlayListView.h"
#include "store/TrackStore.h"

#include <QDBusObjectPath>
#include <QDir>
#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QVideoFrame>
#include <QVideoSink>

#include <cmath>
#include <memory>
#include <random>

namespace {

QString moment(const QString &letter)
{
    return qEnvironmentVariable("VELTRA_SAMPLES") + QStringLiteral("/framecode/2026_1115_091000_010%1.MOV").arg(letter);
}

// What one camera shows: its frame number and its frame rate.
struct Shown {
    int frame = -1;
    double fps = 30;
    double start() const { return frame / fps; }
    double end() const { return (frame + 1) / fps; }
};

} // namespace

class CamerasFramesEndToEndTest : public QObject {
    Q_OBJECT

    TestSettings settings;
    std::unique_ptr<AppDelegate> delegate;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<MprisService> remote;
    MprisPlayerAdaptor *player = nullptr;
    PlayerView *video = nullptr;
    ChannelPictures *cameras = nullptr;

    // Front, rear, cabin, as their sinks hold them now.
    QList<Shown> shown() const
    {
        QList<Shown> all;
        all.append({FrameCode::read(video->videoSink()->videoFrame().toImage()), 30});
        for (int i = 0; i < cameras->count(); ++i)
            all.append({FrameCode::read(cameras->videoSink(i)->videoFrame().toImage()),
                        cameras->channel(i) == 'I' ? 25.0 : 30.0});
        return all;
    }
    static QString describe(const QList<Shown> &all)
    {
        QStringList parts;
        for (const Shown &s : all)
            parts << QStringLiteral("%1@%2").arg(s.frame).arg(s.fps);
        return parts.join(QLatin1Char(' '));
    }
    // Every camera shows a frame whose time overlaps the front's frame: the same frame
    // number for the cameras at the front's rate.
    static bool together(const QList<Shown> &all, double slackFrames = 0)
    {
        if (all.size() != 3)
            return false;
        const Shown &front = all.first();
        for (const Shown &s : all) {
            if (s.frame < 0)
                return false;
            const double slack = slackFrames / 25.0;
            if (s.start() >= front.end() - 1e-9 + slack || s.end() <= front.start() + 1e-9 - slack)
                return false;
        }
        return true;
    }
    // Waits until what is shown stays put for a moment (paused, every picture landed: a
    // camera decoding from a key frame far before the time may still be on its way).
    QList<Shown> settled()
    {
        QList<Shown> last = shown();
        QElapsedTimer still;
        still.start();
        QElapsedTimer total;
        total.start();
        while (total.elapsed() < 8000) {
            QTest::qWait(50);
            const QList<Shown> now = shown();
            bool same = now.size() == last.size();
            for (int i = 0; same && i < now.size(); ++i)
                same = now[i].frame == last[i].frame;
            if (!same) {
                last = now;
                still.restart();
            } else if (still.elapsed() >= 400 && !video->engine()->isPlaying() && !video->engine()->isSeeking()) {
                return now;
            }
        }
        return last;
    }
    // Opens the moment of `front` and waits until it plays past `past` seconds with its two
    // other cameras; then pauses it when `pause`.
    void openMoment(const QString &front, double past, bool pause)
    {
        QSignalSpy opened(delegate.get(), &AppDelegate::filesOpened);
        delegate->openUrls({QUrl::fromLocalFile(front)});
        QVERIFY(opened.wait(30000));
        QTRY_VERIFY_WITH_TIMEOUT(video->currentFile() == front && video->engine()->isPlaying()
                                     && cameras->count() == 2 && video->currentTime() > past,
                                 20000);
        if (!pause)
            return;
        player->Pause();
        QTRY_COMPARE_WITH_TIMEOUT(video->engine()->playbackState(), MediaEngine::PausedState, 5000);
    }
    static bool ffmpeg(const QStringList &args)
    {
        QProcess p;
        p.start(QStringLiteral("ffmpeg"), QStringList{"-hide_banner", "-loglevel", "error", "-y"} + args);
        return p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    }
    void setPosition(double seconds)
    {
        player->SetPosition(QDBusObjectPath(remote->currentTrackId()), qlonglong(std::llround(seconds * 1e6)));
    }
    void screenshot(const QString &name)
    {
        const QString dir = WindowTest::screenshotFolder();
        QTest::qWait(400);
        const QString path = dir + QLatin1Char('/') + name + QStringLiteral(".png");
        QProcess::execute(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), path});
        qInfo("screenshot: %s", qPrintable(path));
    }

private slots:
    void initTestCase()
    {
        for (const char *letter : {"F", "R", "I"})
            QVERIFY2(QFileInfo::exists(moment(QLatin1String(letter))), qPrintable(moment(QLatin1String(letter))));
        delegate = std::make_unique<AppDelegate>(settings);
        window = std::make_unique<MainWindow>(*delegate);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        delegate->finishStartup();
        remote = std::make_unique<MprisService>(delegate.get());
        player = remote->findChild<MprisPlayerAdaptor *>();
        QVERIFY(player);
        video = window->paneLayout()->playerView;
        cameras = video->channels();
        TrackStore::syncPlayList({});
        window->paneLayout()->playListView->reloadPlayListData();
        QSignalSpy opened(delegate.get(), &AppDelegate::filesOpened);
        delegate->openUrls({QUrl::fromLocalFile(moment(QStringLiteral("F")))});
        QVERIFY(opened.wait(30000));
        QTRY_VERIFY_WITH_TIMEOUT(video->engine()->isPlaying() && video->currentTime() > 0.5, 20000);
        QCOMPARE(cameras->count(), 2);
        player->Pause();
        QTRY_COMPARE_WITH_TIMEOUT(video->engine()->playbackState(), MediaEngine::PausedState, 5000);
    }

    // A GStreamer assertion (a rate change meeting a seek) fails the test it comes in.
    void init()
    {
        QTest::failOnWarning(QRegularExpression(QStringLiteral("GStreamer-CRITICAL")));
    }

    void cleanupTestCase()
    {
        remote.reset();
        window.reset();
        delegate.reset();
    }

    void pausedSeeksShowTheFrameAskedFor()
    {
        // Times inside a frame, on a frame's start, near the start and the end, back and
        // forth across key frames (one a second).
        const double targets[] = {7.3, 2.05, 15.9167, 0.5, 12.345, 19.2, 3.3337, 9.999, 10.0, 0.1334, 18.76, 6.02};
        for (const double t : targets) {
            setPosition(t);
            QTRY_COMPARE_WITH_TIMEOUT(video->currentTime(), t, 5000);
            const QList<Shown> now = settled();
            QVERIFY2(together(now), qPrintable(QStringLiteral("%1 s: %2").arg(t).arg(describe(now))));
            QCOMPARE(now.first().frame, int(std::floor(t * 30 + 1e-9)));
            QCOMPARE(now.at(2).frame, int(std::floor(t * 25 + 1e-9)));
        }
        // The media controls' relative Seek too.
        setPosition(5.0);
        QTRY_COMPARE_WITH_TIMEOUT(video->currentTime(), 5.0, 5000);
        player->Seek(2500000);
        QTRY_COMPARE_WITH_TIMEOUT(video->currentTime(), 7.5, 5000);
        const QList<Shown> now = settled();
        QVERIFY2(together(now) && now.first().frame == 225, qPrintable(describe(now)));
        screenshot(QStringLiteral("e2e_cameras_frame_numbers_after_seek"));
    }

    void stepsMoveEveryCameraByTheFrontsFrame()
    {
        setPosition(11.0);
        QTRY_COMPARE_WITH_TIMEOUT(video->currentTime(), 11.0, 5000);
        QCOMPARE(settled().first().frame, 330);
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        int expected = 330;
        for (const int direction : {1, 1, 1, 1, 1, 1, -1, -1, -1, 1}) {
            QTest::keyClick(window.get(), direction > 0 ? Qt::Key_Period : Qt::Key_Comma);
            expected += direction;
            const QList<Shown> now = settled();
            QVERIFY2(now.first().frame == expected && together(now),
                     qPrintable(QStringLiteral("frame %1 expected: %2").arg(expected).arg(describe(now))));
            QCOMPARE(video->currentTime(), std::ceil(expected * 1000.0 / 30 - 1e-6) / 1000);
        }
        // From a seek to the middle of a frame, late in it too, the next frame.
        for (const double t : {12.345, 12.364}) {
            setPosition(t);
            QTRY_COMPARE_WITH_TIMEOUT(video->currentTime(), t, 5000);
            QCOMPARE(settled().first().frame, 370);
            QTest::keyClick(window.get(), Qt::Key_Period);
            const QList<Shown> now = settled();
            QVERIFY2(now.first().frame == 371 && together(now), qPrintable(QStringLiteral("%1 s: %2").arg(t).arg(describe(now))));
        }
        screenshot(QStringLiteral("e2e_cameras_frame_numbers_after_steps"));
    }

    void ratesKeepTheCamerasTogether_data()
    {
        QTest::addColumn<int>("faster");   // steps up the ladder from 1x (negative: down)
        QTest::addColumn<double>("rate");
        QTest::addRow("2x in place") << 1 << 2.0;
        QTest::addRow("0.5x in place") << -1 << 0.5;
        QTest::addRow("5x key frames") << 2 << 5.0;
        QTest::addRow("10x key frames") << 3 << 10.0;
        QTest::addRow("60x paced key frames") << 4 << 60.0;
    }
    void ratesKeepTheCamerasTogether()
    {
        QFETCH(int, faster);
        QFETCH(double, rate);
        // (a row that played to the end of the clip left the media controls no track)
        video->engine()->seekExact(2.0);
        QTRY_COMPARE_WITH_TIMEOUT(video->currentTime(), 2.0, 5000);
        settled();
        player->Play();
        QTRY_VERIFY_WITH_TIMEOUT(video->engine()->isPlaying(), 5000);
        QTest::qWait(300);
        for (int i = 0; i < std::abs(faster); ++i)
            faster > 0 ? video->engine()->fasterRate() : video->engine()->slowerRate();
        QTRY_COMPARE_WITH_TIMEOUT(video->engine()->rate(), rate, 5000);
        // While playing, every camera within a frame of the others each time it is looked at
        // (at a key-frame rate once the key frames have landed).
        const double from = video->currentTime();
        int looks = 0, apart = 0;
        QString seen;
        // Looks spread over at most 12 s of the clip's 20, so that it does not end.
        const int lookMs = rate > 10 ? 100 : rate > 4 ? 200 : 250;
        const int lookCount = rate > 10 ? 2 : rate > 4 ? 4 : 8;
        for (int i = 0; i < lookCount; ++i) {
            QTest::qWait(lookMs);
            const QList<Shown> now = shown();
            ++looks;
            if (!together(now, 1)) {
                ++apart;
                seen += describe(now) + QLatin1String("; ");
            }
            if (!video->engine()->isPlaying())
                break;
        }
        // A key-frame rate may catch a camera between two key frames at a look; at most one look.
        QVERIFY2(apart <= (rate > 4 ? 1 : 0), qPrintable(QStringLiteral("%1 of %2 looks apart: %3").arg(apart).arg(looks).arg(seen)));
        QVERIFY(video->currentTime() > from || !video->engine()->isPlaying());
        player->Pause();
        QTRY_COMPARE_WITH_TIMEOUT(video->engine()->playbackState(), MediaEngine::PausedState, 5000);
        const double at = video->currentTime();
        const QList<Shown> now = settled();
        QVERIFY2(together(now), qPrintable(QStringLiteral("paused at %1 s: %2").arg(at).arg(describe(now))));
        // The front shows the frame of the time told (within a frame: the last picture
        // played tells the time).
        QVERIFY2(std::abs(now.first().start() - at) <= 1.0 / 30 + 1e-6,
                 qPrintable(QStringLiteral("paused at %1 s: %2").arg(at).arg(describe(now))));
        video->engine()->playOrPause();   // back to 1x
        QTRY_COMPARE_WITH_TIMEOUT(video->engine()->rate(), 1.0, 5000);
        player->Pause();
        QTRY_COMPARE_WITH_TIMEOUT(video->engine()->playbackState(), MediaEngine::PausedState, 5000);
    }

    void reversePlaysEveryFrameBackwards()
    {
        video->engine()->seekExact(8.0);
        QTRY_COMPARE_WITH_TIMEOUT(video->currentTime(), 8.0, 5000);
        settled();
        player->Play();
        QTRY_VERIFY_WITH_TIMEOUT(video->engine()->isPlaying(), 5000);
        video->engine()->backwardRate();   // -2x, every frame backwards
        QTRY_VERIFY_WITH_TIMEOUT(video->engine()->rate() < 0, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(video->currentTime() < 7.0, 10000);
        player->Pause();
        QTRY_COMPARE_WITH_TIMEOUT(video->engine()->playbackState(), MediaEngine::PausedState, 5000);
        const QList<Shown> now = settled();
        QVERIFY2(together(now) && now.first().start() < 7.0, qPrintable(describe(now)));
    }
    // Seek storms: 50 SetPosition calls of the media controls in a second, paused and
    // playing, and a drag across the whole timeline in 0.2 s let go at one point: every
    // camera lands together on the frame of the last time asked for.
    void seekStormsLandTogether()
    {
        std::mt19937 random(50);
        std::uniform_real_distribution<double> anywhere(0.2, 18.5);
        for (const bool playing : {false, true}) {
            if (playing)
                player->Play();
            double last = 0;
            for (int k = 0; k < 50; ++k) {
                last = std::round(anywhere(random) * 1000) / 1000;
                setPosition(last);
                QTest::qWait(20);
            }
            if (playing) {
                QTest::qWait(300);
                player->Pause();
                QTRY_COMPARE_WITH_TIMEOUT(video->engine()->playbackState(), MediaEngine::PausedState, 5000);
                last = video->currentTime();
            } else {
                QTRY_COMPARE_WITH_TIMEOUT(video->currentTime(), last, 5000);
            }
            const QList<Shown> now = settled();
            QVERIFY2(together(now), qPrintable(QStringLiteral("after the storm (%1): %2").arg(playing).arg(describe(now))));
            QVERIFY2(std::abs(now.first().start() - last) <= 1.0 / 30 + 1e-6,
                     qPrintable(QStringLiteral("at %1 s: %2").arg(last).arg(describe(now))));
        }
        // The drag: twenty steps 10 ms apart from the start to the end, let go at 12.3 s.
        for (int k = 0; k <= 20; ++k) {
            video->seekTimeline(k * 19.0 / 20, true);
            QTest::qWait(10);
        }
        video->seekTimeline(12.3, false);
        QTRY_COMPARE_WITH_TIMEOUT(video->currentTime(), 12.3, 5000);
        const QList<Shown> now = settled();
        QVERIFY2(together(now) && now.first().frame == 369, qPrintable(describe(now)));
    }

    // Cameras of other kinds in one moment: the front with sound, the rear in H.265 without
    // (re-encoded by ffmpeg), the cabin at 25 frames a second ending half-way; the rear's
    // other codec is named on its tile, seeks and steps show every camera the same
    // moment, and past the cabin's end it stays on its last frame while the others play.
    void camerasOfOtherKindsKeepStep()
    {
        QTemporaryDir dir;
        const QString front = dir.filePath(QFileInfo(moment(QStringLiteral("F"))).fileName());
        const QString rear = dir.filePath(QFileInfo(moment(QStringLiteral("R"))).fileName());
        QVERIFY(ffmpeg({"-i", moment(QStringLiteral("F")), "-f", "lavfi", "-i", "sine=frequency=440:duration=20",
                        "-map", "0:v", "-map", "1:a", "-c:v", "copy", "-c:a", "aac", "-shortest", front}));
        // A key frame a second, as cameras write them.
        QVERIFY(ffmpeg({"-i", moment(QStringLiteral("R")), "-map", "0:v", "-c:v", "libx265", "-preset", "ultrafast",
                        "-x265-params", "log-level=error:keyint=30:min-keyint=30", "-tag:v", "hvc1", rear}));
        // The cabin ends at 10 s, half-way through the others.
        QVERIFY(ffmpeg({"-i", moment(QStringLiteral("I")), "-map", "0:v", "-t", "10", "-c", "copy",
                        dir.filePath(QFileInfo(moment(QStringLiteral("I"))).fileName())}));
        openMoment(front, 1.0, true);
        if (QTest::currentTestFailed())
            return;
        int rearTile = -1;
        for (int i = 0; i < cameras->count(); ++i)
            if (cameras->channel(i) == 'R')
                rearTile = i;
        QVERIFY(rearTile >= 0);
        QTRY_VERIFY_WITH_TIMEOUT(cameras->tile(rearTile)->toolTip().contains(QStringLiteral("H.265")), 5000);
        for (const double at : {7.5, 9.02, 3.3}) {
            setPosition(at);
            QTRY_COMPARE_WITH_TIMEOUT(video->currentTime(), at, 5000);
            const QList<Shown> now = settled();
            QVERIFY2(together(now) && now.first().frame == int(at * 30),
                     qPrintable(QStringLiteral("at %1 s: %2").arg(at).arg(describe(now))));
        }
        for (int k = 0; k < 3; ++k) {
            const int before = settled().first().frame;
            QTest::keyClick(window.get(), Qt::Key_Period);
            QTRY_VERIFY_WITH_TIMEOUT(shown().first().frame == before + 1, 5000);
            const QList<Shown> now = settled();
            QVERIFY2(together(now), qPrintable(describe(now)));
        }
        player->Play();
        QTRY_VERIFY_WITH_TIMEOUT(video->currentTime() > 4.5, 10000);
        player->Pause();
        QTRY_COMPARE_WITH_TIMEOUT(video->engine()->playbackState(), MediaEngine::PausedState, 5000);
        QList<Shown> now = settled();
        QVERIFY2(together(now), qPrintable(describe(now)));
        screenshot(QStringLiteral("e2e_cameras_other_kinds"));
        // Past the cabin's end: the front and rear in step, the cabin on its last frame, and
        // play goes on.
        const auto pastTheCabin = [&](const QList<Shown> &all) {
            return all.size() == 3 && all[0].frame >= 300 && all[1].frame == all[0].frame && all[2].frame >= 240
                   && all[2].frame <= 250;
        };
        setPosition(15.0);
        QTRY_COMPARE_WITH_TIMEOUT(video->currentTime(), 15.0, 5000);
        now = settled();
        QVERIFY2(pastTheCabin(now) && now[0].frame == 450, qPrintable(describe(now)));
        player->Play();
        QTRY_VERIFY_WITH_TIMEOUT(video->currentTime() > 16.0, 10000);
        player->Pause();
        QTRY_COMPARE_WITH_TIMEOUT(video->engine()->playbackState(), MediaEngine::PausedState, 5000);
        now = settled();
        QVERIFY2(pastTheCabin(now), qPrintable(describe(now)));
    }

    // A rear that started recording 2 s after the front (named two seconds later, its
    // first picture the front's frame 60): before then its tile says "No recording" and
    // when it starts, its lane shows the gap; from its start on, seeks, steps across it and
    // play show it in step with the others.
    void aRearThatStartsLate()
    {
        QTemporaryDir dir;
        const QString front = dir.filePath(QFileInfo(moment(QStringLiteral("F"))).fileName());
        QVERIFY(QFile::copy(moment(QStringLiteral("F")), front));
        QVERIFY(QFile::copy(moment(QStringLiteral("I")), dir.filePath(QFileInfo(moment(QStringLiteral("I"))).fileName())));
        // Alone in the play list: the moments of the same names opened before from other
        // folders would join its trip.
        TrackStore::syncPlayList({});
        window->paneLayout()->playListView->reloadPlayListData();
        QVERIFY(ffmpeg({"-ss", "2", "-i", moment(QStringLiteral("R")), "-map", "0:v", "-c", "copy",
                        dir.filePath(QStringLiteral("2026_1115_091002_010R.MOV"))}));
        openMoment(front, 0.5, true);
        if (QTest::currentTestFailed())
            return;
        const int rear = cameras->channel(0) == 'R' ? 0 : 1;
        QCOMPARE(cameras->channel(rear), 'R');
        auto *timeline = window->findChild<TelemetryTimeline *>();
        QVERIFY(timeline);
        // The lanes are found aside: the rear's, hatched for its first 2 s.
        const auto laneText = [timeline] {
            QStringList out;
            for (const ChannelRules::CameraLane &lane : timeline->cameraLanes()) {
                QString gaps;
                for (const auto &[from, to] : lane.gaps)
                    gaps += QStringLiteral(" %1-%2").arg(from).arg(to);
                out << QLatin1Char(lane.channel) + gaps;
            }
            return out.join(QStringLiteral("; "));
        };
        QTRY_COMPARE_WITH_TIMEOUT(laneText(), QStringLiteral("R 0-2; I"), 10000);

        const auto beforeItsStart = [&](double at) {
            setPosition(at);
            QTRY_COMPARE_WITH_TIMEOUT(video->currentTime(), at, 5000);
            const QList<Shown> now = settled();
            QVERIFY2(cameras->isBeforeStart(rear), qPrintable(describe(now)));
            QCOMPARE(now.first().frame, int(std::floor(at * 30 + 1e-9)));
            QCOMPARE(now.at(2).frame, int(std::floor(at * 25 + 1e-9)));
            auto *label = qobject_cast<QLabel *>(cameras->tile(rear));
            QVERIFY(label && label->isVisible());
            QVERIFY2(label->text().startsWith(Localization::text("channel_no_recording"))
                         && label->text().contains(QStringLiteral("0:02")),
                     qPrintable(label->text()));
        };
        const auto inStep = [&](double at) {
            setPosition(at);
            QTRY_COMPARE_WITH_TIMEOUT(video->currentTime(), at, 5000);
            const QList<Shown> now = settled();
            QVERIFY2(!cameras->isBeforeStart(rear) && together(now) && now.first().frame == int(std::floor(at * 30 + 1e-9)),
                     qPrintable(QStringLiteral("at %1 s: %2").arg(at).arg(describe(now))));
        };
        beforeItsStart(1.0);
        screenshot(QStringLiteral("e2e_cameras_rear_starts_late"));
        inStep(5.0);
        beforeItsStart(0.3);
        inStep(2.0);
        inStep(12.345);
        // Frame steps across its start: "No recording" up to the front's frame 59, then the
        // rear's first frame beside the front's 60.
        setPosition(1.9);
        QTRY_COMPARE_WITH_TIMEOUT(video->currentTime(), 1.9, 5000);
        for (int k = 0; k < 4; ++k) {
            const int before = settled().first().frame;
            QTest::keyClick(window.get(), Qt::Key_Period);
            QTRY_VERIFY_WITH_TIMEOUT(shown().first().frame == before + 1, 5000);
            const QList<Shown> now = settled();
            if (now.first().frame < 60)
                QVERIFY2(cameras->isBeforeStart(rear), qPrintable(describe(now)));
            else
                QVERIFY2(!cameras->isBeforeStart(rear) && together(now), qPrintable(describe(now)));
        }
        // Played across its start, at 1x and at 2x: in step once paused.
        for (const double rate : {1.0, 2.0}) {
            setPosition(0.5);
            QTRY_COMPARE_WITH_TIMEOUT(video->currentTime(), 0.5, 5000);
            settled();
            player->Play();
            if (rate > 1)
                video->engine()->fasterRate();   // 2x, while the rear waits for its start
            // Its first picture came when the front reached 2 s: from then on, within a frame
            // of the others at every look.
            QTRY_VERIFY_WITH_TIMEOUT(video->currentTime() > 2.3, 10000);
            QString seen;
            for (int i = 0; i < 4; ++i) {
                QTest::qWait(150);
                const QList<Shown> now = shown();
                if (cameras->isBeforeStart(rear) || !together(now, 1))
                    seen += describe(now) + QLatin1String("; ");
            }
            QVERIFY2(seen.isEmpty(), qPrintable(QStringLiteral("%1x playing: %2").arg(rate).arg(seen)));
            player->Pause();
            QTRY_COMPARE_WITH_TIMEOUT(video->engine()->playbackState(), MediaEngine::PausedState, 5000);
            const QList<Shown> now = settled();
            QVERIFY2(!cameras->isBeforeStart(rear) && together(now),
                     qPrintable(QStringLiteral("%1x: %2").arg(rate).arg(describe(now))));
        }
        video->engine()->playOrPause();   // 1x again for what follows
        player->Pause();
        QTRY_COMPARE_WITH_TIMEOUT(video->engine()->playbackState(), MediaEngine::PausedState, 5000);
    }

    // A camera's file replaced on disk while the moment plays (cut to a few bytes): the
    // others play on and the player goes on answering; a seek afterwards lands.
    void aFileReplacedWhilePlaying()
    {
        QTemporaryDir dir;
        for (const char *letter : {"F", "R", "I"})
            QVERIFY(QFile::copy(moment(QLatin1String(letter)),
                                dir.filePath(QFileInfo(moment(QLatin1String(letter))).fileName())));
        const QString front = dir.filePath(QFileInfo(moment(QStringLiteral("F"))).fileName());
        openMoment(front, 0.5, false);
        if (QTest::currentTestFailed())
            return;
        QFile rear(dir.filePath(QFileInfo(moment(QStringLiteral("R"))).fileName()));
        QVERIFY(rear.open(QIODevice::WriteOnly | QIODevice::Truncate) && rear.write("gone") == 4);
        rear.close();
        const double at = video->currentTime();
        QTRY_VERIFY_WITH_TIMEOUT(video->currentTime() > at + 1.5, 10000);
        player->Pause();
        QTRY_COMPARE_WITH_TIMEOUT(video->engine()->playbackState(), MediaEngine::PausedState, 5000);
        setPosition(4.0);
        QTRY_COMPARE_WITH_TIMEOUT(video->currentTime(), 4.0, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(FrameCode::read(video->videoSink()->videoFrame().toImage()), 120, 5000);
        screenshot(QStringLiteral("e2e_cameras_rear_replaced"));
    }
};

VELTRA_WINDOW_TEST_MAIN(CamerasFramesEndToEndTest)
#include "tst_cameras_frames_e2e.moc"
