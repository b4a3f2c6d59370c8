// Saving the pictures on screen (PlayerCapture) in the player's view with the real
// media engine under the test X server: nothing to capture before a file, the paused
// frame is the one under the playhead, named for the moment, and a folder that cannot
// be written says so.
#include "PlayerTestSupport.h"
#include "common/Localization.h"
#include "player/PlayerCapture.h"
#include "TestSettings.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace PlayerTestSupport;

class PlayerCaptureTest : public QObject {
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

    void init()
    {
        settings_ = std::make_unique<TestSettings>();
        clearCaptures();
    }

    void captureBeforeAnyFileFails()
    {
        Rig rig(*settings_);
        rig.part("captureButton")->click();
        QCOMPARE(rig.messages->size(), 1);
        QCOMPARE(rig.messages->last().at(0).toString(), Localization::text("capture_fail"));
        QVERIFY(!QFileInfo::exists(picturesDir() + "/vistrel"));
    }

    void capturePausedFrameMatchesThePlayhead()
    {
        Rig rig(*settings_);
        QVERIFY(rig.open(clip_));
        QVERIFY(rig.waitPlaying());
        QVERIFY(rig.pauseAndSettle());
        rig.vc->setCurrentTime(2.0);
        QVERIFY(QTest::qWaitFor([&] { return !rig.log.of("tick").empty() && rig.log.of("tick").back().value == 2.0; }, 3000));
        QTest::qWait(400); // the frame at the new position reaches the screen
        QSignalSpy done(rig.vc->pictures(), &PlayerCapture::captureFinished);
        // The file is named for the moment of the capture, to the millisecond.
        const QDateTime before = QDateTime::currentDateTime();
        rig.vc->pictures()->capture();
        QVERIFY(done.wait(10000));
        const QDateTime after = QDateTime::currentDateTime();
        QVERIFY(done.first().at(1).toBool());
        const QString path = done.first().at(0).toString();
        QCOMPARE(QFileInfo(path).absolutePath(), QFileInfo(picturesDir() + "/vistrel").absoluteFilePath());
        QVERIFY(path.endsWith(".png"));
        const QString stamp = QFileInfo(path).completeBaseName();
        QCOMPARE(stamp.size(), QString("yyyy_MM_dd_HH_mm_ss_zzz").size());
        const QDateTime when = QDateTime::fromString(stamp, "yyyy_MM_dd_HH_mm_ss_zzz");
        QVERIFY2(when.isValid() && when >= before && when <= after, qPrintable(stamp));
        QCOMPARE(rig.messages->last().at(0).toString(), QStringLiteral("Picture saved as ") + path);

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
            QDir().mkpath(qEnvironmentVariable("XDG_CONFIG_HOME"));
            QFile f(userDirs);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("XDG_PICTURES_DIR=\"/proc/self\"\n");
        }
        Rig rig(*settings_);
        QVERIFY(rig.open(clip_));
        QVERIFY(rig.waitPlaying());
        QVERIFY(rig.pauseAndSettle());
        QTest::qWait(200);
        QSignalSpy done(rig.vc->pictures(), &PlayerCapture::captureFinished);
        rig.vc->pictures()->capture();
        QVERIFY(done.wait(10000));
        QFile::remove(userDirs);
        QCOMPARE(done.first().at(1).toBool(), false);
        QCOMPARE(rig.messages->last().at(0).toString(), Localization::text("capture_fail"));
        QVERIFY(!QFileInfo::exists(done.first().at(0).toString()));
    }
};

QTEST_MAIN(PlayerCaptureTest)
#include "tst_player_capture.moc"
