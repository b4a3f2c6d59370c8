// The clock layer on its own, over the real QMediaPlayer and a video widget.
#include "PlayerTestSupport.h"
#include "player/FrameLog.h"
#include "player/PlaybackClock.h"
#include "player/VideoPicture.h"

#include <QAudioOutput>
#include <QMediaPlayer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QVideoFrame>
#include <QVideoSink>

#include <cmath>
#include <limits>

using namespace PlayerTestSupport;

class PlaybackClockTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir_;
    QString clip_;

    struct Rig {
        VideoPicture widget;
        QMediaPlayer player;
        PlaybackClock clock;
        std::vector<double> ticks;
        Rig()
        {
            widget.resize(320, 240);
            widget.show();
            player.setVideoOutput(widget.videoSink());
            QObject::connect(&clock, &PlaybackClock::tick, [this](double t) { ticks.push_back(t); });
        }
        ~Rig()
        {
            clock.remove();
            player.stop();
            player.setSource(QUrl());
        }
        bool load(const QString &file)
        {
            player.setSource(QUrl::fromLocalFile(file));
            return QTest::qWaitFor([this] { return player.mediaStatus() == QMediaPlayer::LoadedMedia; }, 10000);
        }
    };

private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        clip_ = makeVideo(dir_.path(), "clip3.mov", 3);
        QVERIFY2(!clip_.isEmpty(), "ffmpeg could not make the test clip");
    }

    void tickTimeRule_data()
    {
        QTest::addColumn<double>("reported");
        QTest::addColumn<double>("duration");
        QTest::addColumn<double>("previous");
        QTest::addColumn<double>("rate");
        QTest::addColumn<double>("expected");
        const double none = std::numeric_limits<double>::quiet_NaN();
        QTest::addRow("inside the media") << 1.234 << 3.0 << none << 1.0 << 1.234;
        QTest::addRow("at the duration stays 1 ms short") << 3.0 << 3.0 << none << 1.0 << 2.999;
        QTest::addRow("past the duration stays 1 ms short") << 3.5 << 3.0 << 2.5 << 60.0 << 2.999;
        QTest::addRow("negative reads as 0") << -0.2 << 3.0 << none << -2.0 << 0.0;
        QTest::addRow("unknown duration is not clamped") << 7.0 << 0.0 << none << 1.0 << 7.0;
        QTest::addRow("small step back in forward play holds") << 1.95 << 3.0 << 2.0 << 1.0 << 2.0;
        QTest::addRow("large step back in forward play is a jump") << 1.0 << 3.0 << 2.0 << 1.0 << 1.0;
        QTest::addRow("small step forward in reverse play holds") << 2.05 << 3.0 << 2.0 << -2.0 << 2.0;
        QTest::addRow("reverse play going back is taken") << 1.9 << 3.0 << 2.0 << -2.0 << 1.9;
        QTest::addRow("not a number reads as 0") << std::nan("") << 3.0 << none << 1.0 << 0.0;
    }
    void tickTimeRule()
    {
        QFETCH(double, reported);
        QFETCH(double, duration);
        QFETCH(double, previous);
        QFETCH(double, rate);
        QFETCH(double, expected);
        QCOMPARE(PlaybackClock::tickTime(reported, duration, previous, rate), expected);
    }

    void seekTarget_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<qint64>("ms");
        QTest::addRow("12.6 goes up") << 12.6 << qint64(13000);
        QTest::addRow("12.4 goes down") << 12.4 << qint64(12000);
        QTest::addRow("half-way goes up") << 12.5 << qint64(13000);
        QTest::addRow("zero") << 0.0 << qint64(0);
        QTest::addRow("infinite is 0") << double(INFINITY) << qint64(0);
    }
    void seekTarget()
    {
        QFETCH(double, seconds);
        QFETCH(qint64, ms);
        QCOMPARE(PlaybackClock::seekTargetMs(seconds), ms);
    }

    // The frames the benchmark counts as skipped at 1x (40 ms frames).
    void framesSkipped_data()
    {
        QTest::addColumn<qint64>("previous");
        QTest::addColumn<qint64>("start");
        QTest::addColumn<qint64>("frame");
        QTest::addColumn<qint64>("skipped");
        QTest::addRow("next frame") << qint64(40000) << qint64(80000) << qint64(40000) << qint64(0);
        QTest::addRow("two left out") << qint64(40000) << qint64(160000) << qint64(40000) << qint64(2);
        QTest::addRow("a little late") << qint64(40000) << qint64(99000) << qint64(40000) << qint64(0);
        QTest::addRow("first frame") << qint64(-1) << qint64(40000) << qint64(40000) << qint64(0);
        QTest::addRow("back") << qint64(160000) << qint64(40000) << qint64(40000) << qint64(0);
        QTest::addRow("seek") << qint64(40000) << qint64(5040000) << qint64(40000) << qint64(0);
        QTest::addRow("unknown length") << qint64(40000) << qint64(160000) << qint64(0) << qint64(0);
    }
    void framesSkipped()
    {
        QFETCH(qint64, previous);
        QFETCH(qint64, start);
        QFETCH(qint64, frame);
        QFETCH(qint64, skipped);
        QCOMPARE(FrameLog::framesSkipped(previous, start, frame), skipped);
    }

    void endTickExactlyOnce_data()
    {
        QTest::addColumn<double>("rate");
        QTest::addRow("1x") << 1.0;
        QTest::addRow("2x") << 2.0;
        QTest::addRow("5x") << 5.0;
        QTest::addRow("10x") << 10.0;
        QTest::addRow("60x") << 60.0;
    }
    void endTickExactlyOnce()
    {
        QFETCH(double, rate);
        Rig rig;
        QVERIFY(rig.load(clip_));
        rig.clock.install(&rig.player, rig.widget.videoSink());
        const double d = rig.clock.duration();
        QVERIFY(d > 2.5);
        rig.player.setPlaybackRate(rate);
        rig.player.play();
        QVERIFY(QTest::qWaitFor([&] { return rig.clock.atEnd(); }, 10000));
        QTest::qWait(400);
        int ends = 0;
        for (double t : rig.ticks)
            ends += t == d;
        QCOMPARE(ends, 1);
        QCOMPARE(rig.ticks.back(), d);
        QCOMPARE(rig.clock.currentTime(), d);
        for (size_t k = 1; k < rig.ticks.size(); ++k)
            QVERIFY2(rig.ticks[k] >= rig.ticks[k - 1], qPrintable(QString("tick %1 went back").arg(k)));
    }

    void lastFrame_data()
    {
        QTest::addColumn<qint64>("endUs");
        QTest::addColumn<qint64>("durationMs");
        QTest::addColumn<bool>("last");
        QTest::addRow("ends a microsecond short") << qint64(3999999) << qint64(4000) << true;
        QTest::addRow("ends on the duration") << qint64(4000000) << qint64(4000) << true;
        QTest::addRow("the frame before") << qint64(3966666) << qint64(4000) << false;
        QTest::addRow("unknown end") << qint64(-1) << qint64(4000) << false;
        QTest::addRow("unknown duration") << qint64(33333) << qint64(0) << false;
    }
    void lastFrame()
    {
        QFETCH(qint64, endUs);
        QFETCH(qint64, durationMs);
        QFETCH(bool, last);
        QCOMPARE(PlaybackClock::isLastFrame(endUs, durationMs), last);
    }

    // The end tick comes with the last frame on screen, before the backend gets round
    // to its own end of media.
    void endTickOnTheLastFrame()
    {
        Rig rig;
        QVERIFY(rig.load(clip_));
        rig.clock.install(&rig.player, rig.widget.videoSink());
        const double d = rig.clock.duration();
        QMediaPlayer::MediaStatus statusAtEnd = QMediaPlayer::NoMedia;
        qint64 frameEndAtEnd = -1;
        QObject::connect(&rig.clock, &PlaybackClock::tick, [&](double t) {
            if (t != d)
                return;
            statusAtEnd = rig.player.mediaStatus();
            frameEndAtEnd = rig.widget.videoSink()->videoFrame().endTime();
        });
        rig.player.play();
        QVERIFY(QTest::qWaitFor([&] { return rig.clock.atEnd(); }, 10000));
        QVERIFY2(statusAtEnd != QMediaPlayer::EndOfMedia, "the end waited for the backend");
        QVERIFY2(PlaybackClock::isLastFrame(frameEndAtEnd, rig.player.duration()),
                 qPrintable(QString("frame ending at %1 us").arg(frameEndAtEnd)));
    }

    void reversePlayEndsAtStartWithoutEndTick()
    {
        Rig rig;
        QVERIFY(rig.load(clip_));
        rig.clock.install(&rig.player, rig.widget.videoSink());
        const double d = rig.clock.duration();
        rig.player.pause();
        QVERIFY(QTest::qWaitFor([&] { return !rig.ticks.empty(); }, 5000));
        rig.clock.seek(2.0);
        QVERIFY(QTest::qWaitFor([&] { return rig.ticks.back() == 2.0; }, 5000));
        rig.ticks.clear();
        rig.player.setPlaybackRate(-2.0);
        rig.player.play();
        QVERIFY(QTest::qWaitFor([&] { return rig.player.playbackState() != QMediaPlayer::PlayingState; }, 5000));
        QTest::qWait(300);
        QVERIFY(!rig.ticks.empty());
        for (double t : rig.ticks)
            QVERIFY(t != d);
        for (size_t k = 1; k < rig.ticks.size(); ++k)
            QVERIFY2(rig.ticks[k] <= rig.ticks[k - 1], qPrintable(QString("tick %1 went forward").arg(k)));
        QVERIFY(rig.ticks.back() < 0.2);
    }

    void pauseAndSeekTickOnce()
    {
        Rig rig;
        QVERIFY(rig.load(clip_));
        rig.clock.install(&rig.player, rig.widget.videoSink());
        rig.player.play();
        QVERIFY(QTest::qWaitFor([&] { return !rig.ticks.empty() && rig.ticks.back() > 0.3; }, 5000));
        const double playing = rig.ticks.back();
        rig.ticks.clear();
        rig.player.pause();
        QTest::qWait(300);
        // The pause tick, and one more when the engine still puts up a frame after it:
        // the last carries the time held, a moment after the last playing tick.
        const int afterPause = int(rig.ticks.size());
        QVERIFY2(afterPause == 1 || afterPause == 2, qPrintable(QString::number(afterPause)));
        const double paused = rig.ticks.back();
        QCOMPARE(paused, rig.clock.currentTime());
        QVERIFY2(paused >= playing && paused < playing + 0.5, qPrintable(QString("%1 then %2").arg(playing).arg(paused)));
        QTest::qWait(200);
        QCOMPARE(int(rig.ticks.size()), afterPause);   // nothing ticks while paused
        rig.clock.seek(1.6);
        QCOMPARE(int(rig.ticks.size()), afterPause); // the jump tick comes from the event loop
        QVERIFY(QTest::qWaitFor([&] { return int(rig.ticks.size()) > afterPause; }, 5000));
        QTest::qWait(100);
        QCOMPARE(int(rig.ticks.size()), afterPause + 1);
        QCOMPARE(rig.ticks.back(), 2.0);
        QCOMPARE(rig.player.position(), qint64(2000));
    }
};

QTEST_MAIN(PlaybackClockTest)
#include "tst_playbackclock.moc"
