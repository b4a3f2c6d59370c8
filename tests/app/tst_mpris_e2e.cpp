// The real program driven from outside over a session bus of the test's own, as the
// desktop's media controls and playerctl drive it: opening by OpenUri, the transport,
// positions, volume, metadata, bad requests, a second start handing its file over,
// the command line, and a start without a bus.
#include "modules/IndexRule.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QUrl>

namespace {

const QString kDest = QStringLiteral("--dest=org.mpris.MediaPlayer2.veltra");
const QString kPath = QStringLiteral("/org/mpris/MediaPlayer2");

QString program() { return qEnvironmentVariable("VELTRA_BINARY_DIR") + QStringLiteral("/src/app/veltra-player"); }
QString drive(const QString &name) { return qEnvironmentVariable("VELTRA_SAMPLES") + QStringLiteral("/drive/") + name; }
QString fileUrl(const QString &name) { return QUrl::fromLocalFile(drive(name)).toString(QUrl::FullyEncoded); }
QString track(int row) { return QStringLiteral("/org/mpris/MediaPlayer2/veltra/track/%1").arg(row); }

const QString kFile0 = QStringLiteral("2026_1108_093000_001.MOV");
const QString kFile1 = QStringLiteral("2026_1108_093100_002.MOV");
const QString kFile2 = QStringLiteral("2026_1108_093200_003.MOV");

struct Run {
    int exitCode = -1;
    QString out, err;
};

} // namespace

class MprisEndToEndTest : public QObject {
    Q_OBJECT

    QProcess bus_;
    QProcess player_;
    QProcessEnvironment env_;

    Run run(const QString &cmd, const QStringList &args, const QProcessEnvironment &env, int timeoutMs = 20000)
    {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(cmd, args);
        Run r;
        if (!p.waitForFinished(timeoutMs)) {
            p.kill();
            p.waitForFinished();
            return r;
        }
        r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
        r.err = QString::fromUtf8(p.readAllStandardError()).trimmed();
        return r;
    }
    QString ctl(const QStringList &args)
    {
        return run(QStringLiteral("playerctl"), QStringList{QStringLiteral("-p"), QStringLiteral("veltra")} + args, env_).out;
    }
    Run call(const QString &method, const QStringList &args = {})
    {
        return run(QStringLiteral("dbus-send"),
                   QStringList{QStringLiteral("--session"), QStringLiteral("--print-reply"), kDest, kPath,
                               QStringLiteral("org.mpris.MediaPlayer2.Player.") + method} + args, env_);
    }
    // A property of the player interface as dbus-send prints it ("variant int64 12000000").
    QString property(const QString &name)
    {
        const Run r = run(QStringLiteral("dbus-send"),
                          {QStringLiteral("--session"), QStringLiteral("--print-reply"), kDest, kPath,
                           QStringLiteral("org.freedesktop.DBus.Properties.Get"),
                           QStringLiteral("string:org.mpris.MediaPlayer2.Player"), QStringLiteral("string:") + name},
                          env_);
        const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("variant\\s+\\w+\\s+(.*)$")).match(r.out);
        return m.hasMatch() ? m.captured(1).trimmed() : QString();
    }
    qint64 position() { return property(QStringLiteral("Position")).toLongLong(); }
    QString meta(const char *key) { return ctl({QStringLiteral("metadata"), QString::fromLatin1(key)}); }

    // Watches the player's signals of one member while `action` runs and `settleMs` after.
    QString watch(const QString &member, const std::function<void()> &action, int settleMs)
    {
        QProcess monitor;
        monitor.setProcessEnvironment(env_);
        monitor.start(QStringLiteral("dbus-monitor"),
                      {QStringLiteral("--session"),
                       QStringLiteral("type='signal',path='/org/mpris/MediaPlayer2',member='%1'").arg(member)});
        if (!monitor.waitForStarted(5000))
            return QStringLiteral("dbus-monitor did not start");
        QTest::qWait(500);   // the match rule is in place
        action();
        QTest::qWait(settleMs);
        monitor.terminate();
        monitor.waitForFinished(5000);
        // The monitor's own NameAcquired/NameLost lines are not the player's.
        QStringList lines;
        for (const QString &l : QString::fromUtf8(monitor.readAllStandardOutput()).split(QLatin1Char('\n')))
            if (!l.contains(QLatin1String("NameAcquired")) && !l.contains(QLatin1String("NameLost")))
                lines << l;
        return lines.join(QLatin1Char('\n'));
    }

private slots:
    void initTestCase()
    {
        // A session bus of our own, as dbus-run-session gives one.
        bus_.start(QStringLiteral("dbus-daemon"),
                   {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        QVERIFY2(bus_.waitForStarted(10000), "dbus-daemon (package dbus) is needed");
        QVERIFY(bus_.waitForReadyRead(10000));
        const QString address = QString::fromUtf8(bus_.readLine()).trimmed();
        QVERIFY(!address.isEmpty());
        env_ = QProcessEnvironment::systemEnvironment();
        env_.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);
        QVERIFY2(run(QStringLiteral("playerctl"), {QStringLiteral("--version")}, env_).exitCode == 0,
                 "playerctl (package playerctl) is needed");
        QVERIFY(QFile::exists(drive(kFile2)));
    }

    void cleanupTestCase()
    {
        if (player_.state() != QProcess::NotRunning) {
            player_.terminate();
            if (!player_.waitForFinished(20000))
                player_.kill();
        }
        bus_.terminate();
        bus_.waitForFinished(5000);
    }

    void commandLineWithoutDisplay()
    {
        // --help and --version answer on the console, no display needed (help2man reads them).
        QProcessEnvironment bare = env_;
        bare.remove(QStringLiteral("DISPLAY"));
        bare.remove(QStringLiteral("QT_QPA_PLATFORM"));
        const Run help = run(program(), {QStringLiteral("--help")}, bare);
        QCOMPARE(help.exitCode, 0);
        for (const char *part : {"[FILE...]", "--start-at <SECONDS>", "--fullscreen", "--version"})
            QVERIFY2(help.out.contains(QLatin1String(part)), qPrintable(help.out));
        const Run version = run(program(), {QStringLiteral("--version")}, bare);
        QCOMPARE(version.exitCode, 0);
        QCOMPARE(version.out, QStringLiteral("veltra-player " VELTRA_VERSION));
        const Run bad = run(program(), {QStringLiteral("--start-at"), QStringLiteral("soon")}, bare);
        QCOMPARE(bad.exitCode, 2);
        QVERIFY(bad.err.contains(QLatin1String("--start-at")));
    }

    void startsAtTheAskedSecond()
    {
        player_.setProcessEnvironment(env_);
        player_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        player_.start(program(), {QStringLiteral("--start-at"), QStringLiteral("20"), drive(kFile0)});
        QVERIFY(player_.waitForStarted(10000));
        QTRY_COMPARE_WITH_TIMEOUT(ctl({QStringLiteral("status")}), QStringLiteral("Playing"), 60000);
        QTRY_VERIFY_WITH_TIMEOUT(position() >= 20000000, 10000);
        QVERIFY2(position() < 30000000, qPrintable(QString::number(position())));
        QCOMPARE(meta("xesam:title"), kFile0);
        QCOMPARE(meta("mpris:trackid"), QStringLiteral("'%1'").arg(track(0)));
        QCOMPARE(meta("mpris:length"), QStringLiteral("60000000"));
        QCOMPARE(property(QStringLiteral("CanGoNext")), QStringLiteral("false"));
    }

    void opensByOpenUri()
    {
        QCOMPARE(call(QStringLiteral("OpenUri"), {QStringLiteral("string:") + fileUrl(kFile1)}).exitCode, 0);
        QTRY_COMPARE_WITH_TIMEOUT(meta("xesam:title"), kFile1, 20000);
        QCOMPARE(meta("mpris:trackid"), QStringLiteral("'%1'").arg(track(1)));
        QCOMPARE(call(QStringLiteral("OpenUri"), {QStringLiteral("string:") + fileUrl(kFile2)}).exitCode, 0);
        QTRY_COMPARE_WITH_TIMEOUT(meta("xesam:title"), kFile2, 20000);
        QCOMPARE(meta("xesam:url"), fileUrl(kFile2));
        QCOMPARE(meta("mpris:trackid"), QStringLiteral("'%1'").arg(track(2)));
        QCOMPARE(property(QStringLiteral("CanGoPrevious")), QStringLiteral("true"));
        QTRY_COMPARE_WITH_TIMEOUT(ctl({QStringLiteral("status")}), QStringLiteral("Playing"), 20000);
    }

    void transport()
    {
        ctl({QStringLiteral("play-pause")});
        QTRY_COMPARE_WITH_TIMEOUT(ctl({QStringLiteral("status")}), QStringLiteral("Paused"), 10000);
        ctl({QStringLiteral("play-pause")});
        QTRY_COMPARE_WITH_TIMEOUT(ctl({QStringLiteral("status")}), QStringLiteral("Playing"), 10000);

        // Previous and Next go through the play list, as the buttons do.
        ctl({QStringLiteral("previous")});
        QTRY_COMPARE_WITH_TIMEOUT(meta("xesam:title"), kFile1, 20000);
        QCOMPARE(meta("mpris:trackid"), QStringLiteral("'%1'").arg(track(1)));
        // The new track is announced.
        const QString changes = watch(QStringLiteral("PropertiesChanged"), [this] {
            ctl({QStringLiteral("next")});
            QTRY_COMPARE_WITH_TIMEOUT(meta("xesam:title"), kFile2, 20000);
        }, 1000);
        QVERIFY2(changes.contains(QLatin1String("\"Metadata\"")) && changes.contains(kFile2), qPrintable(changes));
        QCOMPARE(meta("mpris:trackid"), QStringLiteral("'%1'").arg(track(2)));
        QTRY_COMPARE_WITH_TIMEOUT(ctl({QStringLiteral("status")}), QStringLiteral("Playing"), 20000);
        ctl({QStringLiteral("stop")});
        QTRY_COMPARE_WITH_TIMEOUT(ctl({QStringLiteral("status")}), QStringLiteral("Stopped"), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(position(), qint64(0), 10000);
        ctl({QStringLiteral("play")});
        QTRY_COMPARE_WITH_TIMEOUT(ctl({QStringLiteral("status")}), QStringLiteral("Playing"), 10000);
        ctl({QStringLiteral("pause")});
        QTRY_COMPARE_WITH_TIMEOUT(ctl({QStringLiteral("status")}), QStringLiteral("Paused"), 10000);
    }

    void setPositionGoesToTheSecond()
    {
        const QString seeked = watch(QStringLiteral("Seeked"), [this] {
            QCOMPARE(call(QStringLiteral("SetPosition"),
                          {QStringLiteral("objpath:") + track(2), QStringLiteral("int64:12000000")}).exitCode, 0);
            QTRY_COMPARE_WITH_TIMEOUT(position(), qint64(12000000), 10000);
        }, 500);
        QVERIFY2(seeked.contains(QLatin1String("int64 12000000")), qPrintable(seeked));

        // The sample of second 12, by the rule the panels use.
        QFile f(drive(kFile2) + QStringLiteral(".truth.json"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QJsonArray samples = QJsonDocument::fromJson(f.readAll()).object().value(QStringLiteral("key_video_datas")).toArray();
        const int i = IndexRule::indexFor(12.0, 60.0, samples.size());
        QVERIFY(i >= 0);
        const QJsonObject s = samples[i].toObject();
        QCOMPARE(meta("veltra:speedKmh").toInt(), s.value(QStringLiteral("spd")).toInt());
        QCOMPARE(meta("veltra:latitude").toDouble(), s.value(QStringLiteral("gps_lat")).toString().toDouble());
        QCOMPARE(meta("veltra:longitude").toDouble(), s.value(QStringLiteral("gps_lgt")).toString().toDouble());
        // playerctl's own reading, in seconds.
        QCOMPARE(ctl({QStringLiteral("position")}), QStringLiteral("12.000000"));
        // Relative seeks (Seek), there and back.
        ctl({QStringLiteral("position"), QStringLiteral("3+")});
        QTRY_COMPARE_WITH_TIMEOUT(position(), qint64(15000000), 10000);
        ctl({QStringLiteral("position"), QStringLiteral("3-")});
        QTRY_COMPARE_WITH_TIMEOUT(position(), qint64(12000000), 10000);
    }

    void badRequestsChangeNothing()
    {
        const QString before = meta("mpris:trackid");
        for (const QStringList &args : {QStringList{QStringLiteral("objpath:") + track(0), QStringLiteral("int64:3000000")},
                                        QStringList{QStringLiteral("objpath:") + track(2), QStringLiteral("int64:-1000000")},
                                        QStringList{QStringLiteral("objpath:") + track(2), QStringLiteral("int64:61000000")}}) {
            QCOMPARE(call(QStringLiteral("SetPosition"), args).exitCode, 0);
            QTest::qWait(700);
            QCOMPARE(position(), qint64(12000000));
        }
        QDir dir(QDir::temp());
        const QString folder = QDir::temp().filePath(QStringLiteral("tst_mpris_e2e.MOV"));
        QVERIFY(dir.mkpath(folder));
        for (const QString &uri : {QStringLiteral("http://example.com/a.MOV"),
                                   fileUrl(QStringLiteral("missing.MOV")),
                                   QUrl::fromLocalFile(folder).toString()}) {
            const Run r = call(QStringLiteral("OpenUri"), {QStringLiteral("string:") + uri});
            QVERIFY2(r.exitCode != 0 && r.err.contains(QLatin1String("InvalidArgs")), qPrintable(r.err));
        }
        QDir(folder).removeRecursively();
        QCOMPARE(meta("mpris:trackid"), before);
        QCOMPARE(meta("xesam:title"), kFile2);
        QCOMPARE(position(), qint64(12000000));
    }

    void volumeRoundTripsAndIsAnnounced()
    {
        // One PropertiesChanged for the volume, none while the clock merely runs.
        ctl({QStringLiteral("play")});
        QTRY_COMPARE_WITH_TIMEOUT(ctl({QStringLiteral("status")}), QStringLiteral("Playing"), 10000);
        const QString changes = watch(QStringLiteral("PropertiesChanged"), [this] {
            ctl({QStringLiteral("volume"), QStringLiteral("0.25")});
        }, 2500);
        QCOMPARE(changes.count(QLatin1String("member=PropertiesChanged")), 1);
        QVERIFY2(changes.contains(QLatin1String("\"Volume\"")), qPrintable(changes));
        QCOMPARE(ctl({QStringLiteral("volume")}), QStringLiteral("0.250000"));
        QCOMPARE(property(QStringLiteral("Volume")), QStringLiteral("0.25"));
        ctl({QStringLiteral("volume"), QStringLiteral("0.75")});
        QCOMPARE(property(QStringLiteral("Volume")), QStringLiteral("0.75"));
    }

    void aSecondStartHandsItsFileOver()
    {
        const Run second = run(program(), {drive(kFile0)}, env_, 60000);
        QCOMPARE(second.exitCode, 0);
        QTRY_COMPARE_WITH_TIMEOUT(meta("mpris:trackid"), QStringLiteral("'%1'").arg(track(3)), 20000);
        QCOMPARE(meta("xesam:title"), kFile0);
        QCOMPARE(player_.state(), QProcess::Running);
    }

    void quitEndsTheProgram()
    {
        const Run r = run(QStringLiteral("dbus-send"), {QStringLiteral("--session"), QStringLiteral("--print-reply"), kDest,
                                                        kPath, QStringLiteral("org.mpris.MediaPlayer2.Quit")}, env_);
        QCOMPARE(r.exitCode, 0);
        QVERIFY(player_.waitForFinished(30000));
        QCOMPARE(player_.exitStatus(), QProcess::NormalExit);
        QCOMPARE(player_.exitCode(), 0);
    }

    void withoutABusItRunsAndSaysSoOnce()
    {
        QProcessEnvironment noBus = env_;
        noBus.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent/bus"));
        QProcess p;
        p.setProcessEnvironment(noBus);
        p.start(program(), {drive(kFile0)});
        QVERIFY(p.waitForStarted(10000));
        QTest::qWait(6000);
        QCOMPARE(p.state(), QProcess::Running);
        p.terminate();
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitCode(), 0);
        const QString err = QString::fromUtf8(p.readAllStandardError());
        QCOMPARE(err.count(QLatin1String("no session bus")), 1);
    }
};

QTEST_GUILESS_MAIN(MprisEndToEndTest)
#include "tst_mpris_e2e.moc"
