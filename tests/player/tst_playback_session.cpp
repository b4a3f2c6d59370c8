// The playback session with the real QMediaPlayer and a bare video sink (no widget):
// what it tells and when, ticks, the end of a file at each rate, rate steps, seeking,
// the stored volume, and files that do not play.
#include "PlayerTestSupport.h"
#include "TestSettings.h"
#include "common/AppKeys.h"
#include "player/PlaybackSession.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QVideoFrame>
#include <QVideoSink>

using namespace PlayerTestSupport;

class PlaybackSessionTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir_;
    QString clip_;   // 3 s, 320x240
    QString clip2_;  // 2 s, 320x240, with a sound track
    QString long_;   // at least 14 s

    std::unique_ptr<TestSettings> settings_;

    struct Rig {
        CallLog log;
        QVideoSink sink;
        PlaybackSession session;
        SessionRecorder recorder{&session, &log};

        explicit Rig(Settings &settings) : session(settings) { session.setVideoOutput(&sink); }

        bool open(const QString &file)
        {
            QSignalSpy done(&session, &PlaybackSession::setUpFinished);
            session.openClip(QUrl::fromLocalFile(file));
            return done.wait(10000) && done.first().first().toBool();
        }
        QMediaPlayer *engine() const { return session.player(); }
        bool waitPlaying()
        {
            return QTest::qWaitFor([this] { return engine() && engine()->playbackState() == QMediaPlayer::PlayingState; }, 5000);
        }
        bool pauseAndSettle()
        {
            session.playOrPause();
            return QTest::qWaitFor([this] { return engine()->playbackState() == QMediaPlayer::PausedState; }, 5000);
        }
        // Opens a file that is no video and waits for the set-up's answer.
        bool openFails(const QString &bad)
        {
            QSignalSpy done(&session, &PlaybackSession::setUpFinished);
            session.openClip(QUrl::fromLocalFile(bad));
            return (done.wait(10000) || done.size() == 1) && !done.first().first().toBool();
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
        settings_ = std::make_unique<TestSettings>();
    }

    // --- what the session tells ---------------------------------------------------

    void totalTimeOnceSetUp()
    {
        Rig rig(*settings_);
        const QUrl url = QUrl::fromLocalFile(clip_);
        QSignalSpy done(&rig.session, &PlaybackSession::setUpFinished);
        rig.session.openClip(url);
        // Nothing is told before the file is known to play.
        QCOMPARE(int(rig.log.calls.size()), 0);
        QVERIFY(done.wait(10000));
        const auto all = rig.log.of("allTime");
        QCOMPARE(int(all.size()), 1);
        QCOMPARE(all[0].value, rig.session.duration());
        QVERIFY(std::abs(rig.session.duration() - 3.0) < 0.05);
    }

    void pathKeepsPercentEscapes()
    {
        const QString spaced = QDir(dir_.path()).filePath("a clip #1.mov");
        QVERIFY(QFile::copy(clip_, spaced) || QFile::exists(spaced));
        Rig rig(*settings_);
        QVERIFY(rig.open(spaced));
        const QString path = QString::fromUtf8(rig.engine()->source().toEncoded());
        QVERIFY2(path.startsWith("file:///") && path.contains("a%20clip%20%231.mov"), qPrintable(path));
    }

    void ticksAdvance()
    {
        Rig rig(*settings_);
        QSignalSpy times(&rig.session, &PlaybackSession::timeChanged);
        QVERIFY(rig.open(long_));
        QVERIFY(rig.waitPlaying());
        QVERIFY(QTest::qWaitFor([&] { return rig.session.currentTime() > 1.6; }, 8000));
        QVERIFY(rig.pauseAndSettle());
        const std::vector<Call> ticks = rig.log.of("tick");
        QVERIFY(!ticks.empty());
        // At 30 frames a second there is at least one tick per frame of media time played.
        const double played = ticks.back().value - ticks.front().value;
        QVERIFY2(ticks.size() >= size_t(played * 30) * 9 / 10,
                 qPrintable(QString("%1 ticks over %2 s of media").arg(ticks.size()).arg(played)));
        double previous = -1;
        for (size_t k = 0; k < ticks.size(); ++k) {
            QVERIFY(ticks[k].value >= previous);
            previous = ticks[k].value;
            QCOMPARE(times.at(int(k)).first().toDouble(), ticks[k].value);
        }
        QCOMPARE(times.size(), int(ticks.size()));
        // The pause tick carries the time of the frame left on screen.
        QVERIFY2(previous > 1.4 && previous < 3.0, qPrintable(QString::number(previous)));
        QCOMPARE(rig.log.count("end"), 0);
    }

    void pausedPlayerSendsNoTicks()
    {
        Rig rig(*settings_);
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
        QTest::addRow("1x") << 0;
        QTest::addRow("2x") << 1;
        QTest::addRow("5x") << 2;
        QTest::addRow("10x") << 3;
        QTest::addRow("60x") << 4;
    }
    void endFiresOnceAtTheEnd()
    {
        QFETCH(int, fastPresses);
        Rig rig(*settings_);
        QSignalSpy ended(&rig.session, &PlaybackSession::ended);
        QVERIFY(rig.open(clip_));
        for (int k = 0; k < fastPresses; ++k)
            rig.session.forwardRate();
        QVERIFY(QTest::qWaitFor([&] { return rig.log.count("end") > 0; }, 30000));
        QTest::qWait(500);
        QCOMPARE(rig.log.count("end"), 1);
        QCOMPARE(ended.size(), 1);
        const double d = rig.session.duration();
        const auto ticks = rig.log.of("tick");
        QCOMPARE(ticks.back().value, d);
        int atEnd = 0;
        for (const Call &c : ticks)
            atEnd += c.value == d;
        QCOMPARE(atEnd, 1);
        // The end comes right after the last tick.
        QCOMPARE(rig.log.calls.back().op, QString("end"));
        QCOMPARE(rig.log.calls[rig.log.calls.size() - 2].value, d);
        QCOMPARE(rig.session.currentTime(), d);
    }

    void endOncePerFileForTwoFilesInARow()
    {
        Rig rig(*settings_);
        QVERIFY(rig.open(clip_));
        QVERIFY(QTest::qWaitFor([&] { return rig.log.count("end") == 1; }, 10000));
        rig.session.close();
        QVERIFY(rig.open(clip2_));
        QVERIFY(QTest::qWaitFor([&] { return rig.log.count("end") == 2; }, 10000));
        QTest::qWait(400);
        QCOMPARE(rig.log.count("end"), 2);
        QCOMPARE(rig.log.of("tick").back().value, rig.session.duration());
    }

    // The next file starts playing as it is handed over, not once it reports loaded:
    // waiting for that is most of the pause between two clips.
    void nextFilePlaysWithoutWaitingForLoaded()
    {
        Rig rig(*settings_);
        QVERIFY(rig.open(clip_));
        QSignalSpy done(&rig.session, &PlaybackSession::setUpFinished);
        rig.session.openClip(QUrl::fromLocalFile(clip2_));
        QCOMPARE(done.count(), 0);
        QCOMPARE(rig.engine()->playbackState(), QMediaPlayer::PlayingState);
        QVERIFY(done.wait(10000) && done.first().first().toBool());
    }

    void playAtTheEndRestartsFromZero()
    {
        Rig rig(*settings_);
        QVERIFY(rig.open(clip2_));
        QVERIFY(QTest::qWaitFor([&] { return rig.log.count("end") == 1; }, 10000));
        rig.log.clear();
        rig.session.playOrPause();
        QVERIFY(rig.waitPlaying());
        QTest::qWait(300);
        const auto ticks = rig.log.of("tick");
        QVERIFY(!ticks.empty());
        QVERIFY2(ticks.front().value < 0.2, qPrintable(QString::number(ticks.front().value)));
        QVERIFY(QTest::qWaitFor([&] { return rig.log.count("end") == 1; }, 10000));
    }

    void reversePlayReachesTheStartWithoutEnd()
    {
        Rig rig(*settings_);
        QVERIFY(rig.open(clip_));
        QVERIFY(rig.waitPlaying());
        QTest::qWait(700);
        rig.session.backwardRate();
        QCOMPARE(rig.engine()->playbackRate(), -2.0);
        QVERIFY(QTest::qWaitFor([&] { return rig.engine()->playbackState() != QMediaPlayer::PlayingState; }, 8000));
        QTest::qWait(300);
        QCOMPARE(rig.log.count("end"), 0);
        QCOMPARE(rig.log.of("tick").back().value, 0.0);
    }

    // --- seeking ----------------------------------------------------------------

    void seekLandsOnWholeSeconds_data()
    {
        QTest::addColumn<double>("target");
        QTest::addColumn<double>("landed");
        QTest::addColumn<bool>("exact");
        QTest::addRow("12.6 lands at 13") << 12.6 << 13.0 << false;
        QTest::addRow("12.4 lands at 12") << 12.4 << 12.0 << false;
        QTest::addRow("0.5 lands at 1") << 0.5 << 1.0 << false;
        QTest::addRow("exact 12.6 lands at 12.6") << 12.6 << 12.6 << true;
        QTest::addRow("exact 7.25 lands at 7.25") << 7.25 << 7.25 << true;
    }
    void seekLandsOnWholeSeconds()
    {
        QFETCH(double, target);
        QFETCH(double, landed);
        QFETCH(bool, exact);
        Rig rig(*settings_);
        QVERIFY(rig.open(long_));
        QVERIFY(rig.waitPlaying());
        QVERIFY(rig.pauseAndSettle());
        QTest::qWait(100);
        rig.log.clear();
        if (exact)
            rig.session.seekExact(target);
        else
            rig.session.setCurrentTime(target);
        QCOMPARE(rig.log.count("tick"), 0);
        QVERIFY(QTest::qWaitFor([&] { return rig.log.count("tick") == 1; }, 3000));
        QTest::qWait(300);
        QCOMPARE(rig.log.count("tick"), 1);
        for (const Call &c : rig.log.of("tick"))
            QCOMPARE(c.value, landed);
        QCOMPARE(rig.session.currentTime(), landed);
    }

    // A click or a drag while playing shows the key frame, then the exact frame, and
    // plays on from there.
    void clickWhilePlayingPlaysOn_data()
    {
        QTest::addColumn<QList<double>>("dragged");   // times the handle is dragged through
        QTest::addColumn<double>("target");
        QTest::addRow("click") << QList<double>{} << 5.5;
        QTest::addRow("drag, then let go") << QList<double>{3.5, 8.5} << 5.5;
    }
    void clickWhilePlayingPlaysOn()
    {
        QFETCH(QList<double>, dragged);
        QFETCH(double, target);
        Rig rig(*settings_);
        QVERIFY(rig.open(long_));
        QVERIFY(rig.waitPlaying());
        for (double t : dragged) {
            rig.session.showAt(t, true);
            QTRY_VERIFY_WITH_TIMEOUT(std::abs(rig.sink.videoFrame().startTime() / 1e6 - std::floor(t)) < 0.5, 5000);
        }
        rig.session.showAt(target);
        QCOMPARE(rig.session.currentTime(), target);
        const auto frameAt = [&] { return rig.sink.videoFrame().startTime() / 1e6; };
        QTRY_VERIFY_WITH_TIMEOUT(frameAt() >= target - 0.04 && frameAt() < target + 0.5, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(rig.sink.videoFrame().startTime() > qint64((target + 1) * 1e6), 10000);
        QVERIFY(rig.session.currentTime() > target + 1);
        QVERIFY(rig.session.isPlaying());
    }

    void stopPausesAtZero()
    {
        Rig rig(*settings_);
        QVERIFY(rig.open(clip_));
        QVERIFY(rig.waitPlaying());
        QTest::qWait(800);
        rig.session.stopVideo();
        QVERIFY(QTest::qWaitFor([&] { return rig.engine()->playbackState() == QMediaPlayer::PausedState; }, 3000));
        QVERIFY(QTest::qWaitFor([&] { return rig.log.of("tick").back().value == 0.0; }, 3000));
        QCOMPARE(rig.session.currentTime(), 0.0);
        QCOMPARE(rig.log.count("stop"), 1);
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
        QTest::addRow("slower stops at a quarter") << "sss" << QList<double>{0.5, 0.25, 0.25};
        QTest::addRow("faster from slow runs on into the fast steps") << "ssuuu" << QList<double>{0.5, 0.25, 0.5, 1, 2};
        QTest::addRow("slower from a fast step") << "ffs" << QList<double>{2, 5, 2};
    }
    void rateSteps()
    {
        QFETCH(QString, presses);
        QFETCH(QList<double>, rates);
        Rig rig(*settings_);
        QVERIFY(rig.open(long_));
        QVERIFY(rig.waitPlaying());
        rig.session.playOrPause(); // start each row with both indices at 0
        for (int k = 0; k < presses.size(); ++k) {
            const QChar p = presses[k];
            if (p == 'f')
                rig.session.forwardRate();
            else if (p == 'b')
                rig.session.backwardRate();
            else if (p == 's')
                rig.session.slowerRate();
            else if (p == 'u')
                rig.session.fasterRate();
            else
                rig.session.playOrPause();
            QCOMPARE(rig.session.requestedRate(), rates[k]);
            if (rates[k] != 0)
                QCOMPARE(rig.session.rate(), rates[k]);
        }
    }

    // The rate chosen with the fast steps holds when the next clip of a trip opens.
    void rateHoldsIntoTheNextClip_data()
    {
        QTest::addColumn<int>("fastPresses");
        QTest::addColumn<double>("rate");
        QTest::addRow("2x") << 1 << 2.0;
        QTest::addRow("10x") << 3 << 10.0;
    }
    void rateHoldsIntoTheNextClip()
    {
        QFETCH(int, fastPresses);
        QFETCH(double, rate);
        Rig rig(*settings_);
        QVERIFY(rig.open(clip_));
        for (int k = 0; k < fastPresses; ++k)
            rig.session.forwardRate();
        QVERIFY(QTest::qWaitFor([&] { return rig.log.count("end") > 0; }, 30000));
        double atSetUp = 0;
        connect(&rig.session, &PlaybackSession::setUpFinished, this, [&] { atSetUp = rig.session.requestedRate(); });
        rig.session.playUrl(QUrl::fromLocalFile(long_));
        QVERIFY(QTest::qWaitFor([&] { return atSetUp != 0; }, 10000));
        QCOMPARE(atSetUp, rate);
        // Still a fast step: the next one goes on from there.
        rig.session.forwardRate();
        QVERIFY(rig.session.requestedRate() > rate);
    }

    // Above what the decoder sustains the clock still runs at the chosen rate, and the
    // picture follows it.
    void fastStepsDeliverTheirRate_data()
    {
        QTest::addColumn<QString>("presses");
        QTest::addColumn<double>("from");
        QTest::addRow("5x") << "ff" << 0.0;
        QTest::addRow("10x") << "fff" << 0.0;
        QTest::addRow("60x") << "ffff" << 0.0;
        QTest::addRow("-60x") << "bbbb" << 55.0;
    }
    void fastStepsDeliverTheirRate()
    {
        QFETCH(QString, presses);
        QFETCH(double, from);
        Rig rig(*settings_);
        QVERIFY(rig.open(long_));
        QVERIFY(rig.waitPlaying());
        if (from > 0) {
            rig.session.setCurrentTime(from);
            QVERIFY(QTest::qWaitFor([&] { return rig.session.currentTime() >= from; }, 5000));
        }
        for (const QChar p : presses)
            p == 'f' ? rig.session.forwardRate() : rig.session.backwardRate();
        const double rate = rig.session.requestedRate();
        const double t0 = rig.session.currentTime();
        QElapsedTimer wall;
        wall.start();
        QTest::qWait(600);
        const double moved = (rig.session.currentTime() - t0) * (rate > 0 ? 1 : -1);
        const double room = rate > 0 ? rig.session.duration() - t0 : t0;
        const double least = std::min(0.8 * std::abs(rate) * wall.elapsed() / 1000.0, room - 1);
        QVERIFY2(moved > least, qPrintable(QString("%1 s at %2x, at least %3 s").arg(moved).arg(rate).arg(least)));
        const double pictured = (double(rig.sink.videoFrame().startTime()) / 1e6 - t0) * (rate > 0 ? 1 : -1);
        QVERIFY2(pictured > moved / 2, qPrintable(QString("the picture moved %1 s, the clock %2 s").arg(pictured).arg(moved)));
    }

    // --- volume -----------------------------------------------------------------

    void volumeIsStoredAtOnce_data()
    {
        QTest::addColumn<int>("percent");
        QTest::addRow("muted") << 0;
        QTest::addRow("a third") << 33;
        QTest::addRow("full") << 100;
    }
    void volumeIsStoredAtOnce()
    {
        QFETCH(int, percent);
        const float v = percent / 100.0f;
        {
            PlaybackSession session(*settings_);
            QCOMPARE(session.volume(), 1.0f); // nothing stored: full volume
            session.setVolume(0.5f);
            session.setVolume(v);
        }
        // Written out at once: a fresh read of the file has it.
        QSettings file(settings_->fileName(), QSettings::IniFormat);
        QVERIFY(std::abs(file.value(AppKeys::VOLUME).toDouble() - percent / 100.0) < 1e-6);

        Rig again(*settings_);
        QVERIFY(std::abs(again.session.volume() - v) < 1e-6);
        QVERIFY(again.open(clip_));
        QVERIFY(std::abs(again.session.volume() - v) < 1e-6);
    }

    // --- failures ---------------------------------------------------------------

    void unplayableFilePlaysNothing()
    {
        const QString bad = QDir(dir_.path()).filePath("notes.MOV");
        {
            QFile f(bad);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("This is a text file, not a video.\n");
        }
        Rig rig(*settings_);
        QVERIFY(rig.openFails(bad));
        QTest::qWait(500);
        QCOMPARE(rig.log.count("allTime"), 0);
        QCOMPARE(rig.log.count("tick"), 0);
        QCOMPARE(rig.session.player(), nullptr);
        rig.session.close();
        rig.session.close();
        QVERIFY(!rig.session.isAddVideoFile());
    }

    void unplayableAfterPlayableShowsNoPicture()
    {
        const QString bad = QDir(dir_.path()).filePath("empty.MOV");
        QFile(bad).open(QIODevice::WriteOnly);
        Rig rig(*settings_);
        QVERIFY(rig.open(clip_));
        rig.session.close();
        rig.log.clear();
        QVERIFY(rig.openFails(bad));
        QTest::qWait(300);
        QCOMPARE(rig.log.count("tick"), 0);
        QCOMPARE(rig.session.duration(), 0.0);
        QVERIFY(!rig.sink.videoFrame().isValid());
        rig.session.playOrPause();
        QTest::qWait(300);
        QCOMPARE(rig.log.count("tick"), 0);
    }

    void emptyUrlDoesNothing()
    {
        Rig rig(*settings_);
        rig.session.openClip(QUrl());
        QCOMPARE(int(rig.log.calls.size()), 0);
        QVERIFY(!rig.session.isAddVideoFile());
    }
};

QTEST_MAIN(PlaybackSessionTest)
#include "tst_playback_session.moc"
