// The review keys (ReviewKeys) in the player's view with the real media engine under
// the test X server: the frame steps are exact, from a pause and at the first frame.
#include "PlayerTestSupport.h"
#include "TestSettings.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QVideoFrame>
#include <QVideoSink>

#include <cmath>
#include <memory>

using namespace PlayerTestSupport;

class ReviewKeysTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir_;
    QString clip_;   // 3 s, 320x240
    std::unique_ptr<TestSettings> settings_;

    using Rig = PlayerRig;

private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        clip_ = makeVideo(dir_.path(), "clip3.mov", 3);
        QVERIFY(!clip_.isEmpty());
    }

    void init() { settings_ = std::make_unique<TestSettings>(); }

    // While paused, '.' and ',' show exactly the next and previous frame (the picture
    // is ffmpeg's frame there, burnt-in counter included, not a neighbour) and the
    // panels get the time landed on; at the first frame ',' does nothing.
    void frameStepKeysAreExact()
    {
        Rig rig(*settings_);
        QVERIFY(rig.open(clip_));
        QVERIFY(rig.waitPlaying());
        QVERIFY(rig.pauseAndSettle());
        rig.vc->setCurrentTime(1.0);
        QVideoSink *sink = rig.vc->videoSink();
        // The frame shown is frame `n` (its start n/30 s, to the microsecond the file
        // keeps), and it is ffmpeg's frame n (which it gives for a time between frames
        // n-1 and n), closer to it than to either neighbour.
        const auto startOf = [](int n) { return qint64(std::llround(n * 1e6 / 30)); };
        const auto showsFrame = [&](int n) {
            if (!QTest::qWaitFor([&] { return std::abs(sink->videoFrame().startTime() - startOf(n)) <= 1; }, 5000))
                return false;
            const QImage shown = sink->videoFrame().toImage();
            const double here = meanDifference(shown, ffmpegFrame(clip_, (n - 0.5) / 30));
            return here >= 0 && here < meanDifference(shown, ffmpegFrame(clip_, (n - 1.5) / 30))
                   && here < meanDifference(shown, ffmpegFrame(clip_, (n + 0.5) / 30));
        };
        QVERIFY(showsFrame(30));
        // The keys are the window's shortcuts.
        rig.window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&rig.window));
        rig.log.clear();
        QTest::keyClick(&rig.window, Qt::Key_Period);
        QVERIFY(showsFrame(31));
        // The engine tells the time it shows, to the first whole millisecond inside it.
        QVERIFY(QTest::qWaitFor([&] { return !rig.log.of("tick").empty() && rig.log.of("tick").back().value == 1.034; }, 3000));
        QTest::keyClick(&rig.window, Qt::Key_Period);
        QVERIFY(showsFrame(32));
        QTest::keyClick(&rig.window, Qt::Key_Comma);
        QVERIFY(showsFrame(31));
        QCOMPARE(rig.vc->currentTime(), 1.034);

        rig.vc->setCurrentTime(0);
        QVERIFY(QTest::qWaitFor([&] { return sink->videoFrame().startTime() == 0; }, 5000));
        rig.log.clear();
        QTest::keyClick(&rig.window, Qt::Key_Comma);
        QTest::qWait(300);
        QCOMPARE(rig.log.count("tick"), 0);
        rig.vc->playOrPause();
        QVERIFY(rig.waitPlaying());
        QTest::keyClick(&rig.window, Qt::Key_Period);   // playing: no step
        QCOMPARE(rig.vc->engine()->playbackState(), MediaEngine::PlayingState);

        // The first step after a pause shows the frame after the one the pause left.
        for (int k = 0; k < 3; ++k) {
            QTest::qWait(200);
            QVERIFY(rig.pauseAndSettle());
            QTest::qWait(200);
            const qint64 left = sink->videoFrame().startTime();
            QTest::keyClick(&rig.window, Qt::Key_Period);
            const bool moved = QTest::qWaitFor([&] { return sink->videoFrame().startTime() != left; }, 3000);
            QVERIFY2(moved && std::abs(sink->videoFrame().startTime() - left - 33333) < 1000,
                     qPrintable(QString("%1 us after %2 us").arg(sink->videoFrame().startTime()).arg(left)));
            rig.vc->playOrPause();
            QVERIFY(rig.waitPlaying());
        }
    }
};

QTEST_MAIN(ReviewKeysTest)
#include "tst_review_keys.moc"
