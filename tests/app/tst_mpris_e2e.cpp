// The real program driven from outside over a session bus of the test's own, as the
// desktop's media controls and playerctl drive it: opening by OpenUri, the transport,
// positions, volume, metadata and what it tells of the car's place, bad requests, a
// second start handing its command line over, quitting, the command line, and a start
// without a bus.
#include "drive/IndexRule.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSet>
#include <QRegularExpression>
#include <QSettings>
#include <QTest>
#include <QUrl>

namespace {

const QString kDest = QStringLiteral("--dest=org.mpris.MediaPlayer2.veltra");
const QString kPath = QStringLiteral("/org/mpris/MediaPlayer2");

QString program() { return qEnvironmentVariable("VELTRA_BINARY_DIR") + QStringLiteral("/src/app/veltra-player"); }
QString drive(const QString &name) { return qEnvironmentVariable("VELTRA_SAMPLES") + QStringLiteral("/drive/") + name; }
QString fileUrl(const QString &name) { return QUrl::fromLocalFile(drive(name)).toString(QUrl::FullyEncoded); }
// The object path of a track id as playerctl prints it ("'/io/...'").
QString path(const QString &printed) { return printed.mid(1, printed.size() - 2); }
// The program's settings, as its next start reads them.
QSettings programSettings()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Veltra"),
                     QStringLiteral("Veltra Player"));
}

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
    QStringList ids_;   // the track id of each file opened, in order

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
    // Sets a property of the player interface ("double:0.5").
    Run setProperty(const QString &name, const QString &value)
    {
        return run(QStringLiteral("dbus-send"),
                   {QStringLiteral("--session"), QStringLiteral("--print-reply"), kDest, kPath,
                    QStringLiteral("org.freedesktop.DBus.Properties.Set"),
                    QStringLiteral("string:org.mpris.MediaPlayer2.Player"), QStringLiteral("string:") + name,
                    QStringLiteral("variant:") + value}, env_);
    }
    void startPlayer(const QStringList &args)
    {
        player_.setProcessEnvironment(env_);
        player_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        player_.start(program(), args);
        QVERIFY(player_.waitForStarted(10000));
        QTRY_COMPARE_WITH_TIMEOUT(ctl({QStringLiteral("status")}), QStringLiteral("Playing"), 60000);
    }
    // Whether the window manager shows a window of the player in full screen.
    bool fullScreen()
    {
        const auto xprop = [this](const QStringList &args) {
            return run(QStringLiteral("xprop"), args, env_).out;
        };
        const QString clients = xprop({QStringLiteral("-root"), QStringLiteral("_NET_CLIENT_LIST")});
        const QRegularExpression id(QStringLiteral("0x[0-9a-f]+"));
        for (auto it = id.globalMatch(clients); it.hasNext();) {
            const QString window = xprop({QStringLiteral("-id"), it.next().captured(0), QStringLiteral("_NET_WM_PID"),
                                          QStringLiteral("_NET_WM_STATE")});
            if (window.contains(QStringLiteral("_NET_WM_PID(CARDINAL) = %1\n").arg(player_.processId()))
                && window.contains(QLatin1String("_NET_WM_STATE_FULLSCREEN")))
                return true;
        }
        return false;
    }

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
        for (const char *seconds : {"soon", "nan", "inf"}) {
            const Run bad = run(program(), {QStringLiteral("--start-at"), QLatin1String(seconds)}, bare);
            QCOMPARE(bad.exitCode, 2);
            QVERIFY(bad.err.contains(QLatin1String("--start-at")));
        }
    }

    void startsAtTheAskedSecond()
    {
        // A first start's settings: no volume, nothing allowed that is off by default.
        programSettings().clear();
        startPlayer({QStringLiteral("--start-at"), QStringLiteral("20"), drive(kFile0)});
        QTRY_VERIFY_WITH_TIMEOUT(position() >= 20000000, 10000);
        QVERIFY2(position() < 30000000, qPrintable(QString::number(position())));
        QCOMPARE(meta("xesam:title"), kFile0);
        ids_ << meta("mpris:trackid");
        QVERIFY2(QRegularExpression(QStringLiteral("^'/io/github/veltra/Player/track/\\d+'$")).match(ids_[0]).hasMatch(),
                 qPrintable(ids_[0]));
        QCOMPARE(meta("mpris:length"), QStringLiteral("60000000"));
        QCOMPARE(property(QStringLiteral("CanGoNext")), QStringLiteral("false"));
        // Where the car is and how fast it goes are not told unless the user allows it.
        const QString all = ctl({QStringLiteral("metadata")});
        QVERIFY2(all.contains(QLatin1String("xesam:url")) && !all.contains(QLatin1String("veltra:")), qPrintable(all));
    }

    void opensByOpenUri()
    {
        QCOMPARE(call(QStringLiteral("OpenUri"), {QStringLiteral("string:") + fileUrl(kFile1)}).exitCode, 0);
        QTRY_COMPARE_WITH_TIMEOUT(meta("xesam:title"), kFile1, 20000);
        ids_ << meta("mpris:trackid");
        QCOMPARE(call(QStringLiteral("OpenUri"), {QStringLiteral("string:") + fileUrl(kFile2)}).exitCode, 0);
        QTRY_COMPARE_WITH_TIMEOUT(meta("xesam:title"), kFile2, 20000);
        QCOMPARE(meta("xesam:url"), fileUrl(kFile2));
        ids_ << meta("mpris:trackid");
        QCOMPARE(QSet<QString>(ids_.begin(), ids_.end()).size(), 3);   // an id of its own for each entry
        QCOMPARE(property(QStringLiteral("CanGoPrevious")), QStringLiteral("true"));
        QTRY_COMPARE_WITH_TIMEOUT(ctl({QStringLiteral("status")}), QStringLiteral("Playing"), 20000);
    }

    void transport()
    {
        ctl({QStringLiteral("play-pause")});
        QTRY_COMPARE_WITH_TIMEOUT(ctl({QStringLiteral("status")}), QStringLiteral("Paused"), 10000);
        ctl({QStringLiteral("play-pause")});
        QTRY_COMPARE_WITH_TIMEOUT(ctl({QStringLiteral("status")}), QStringLiteral("Playing"), 10000);

        // Previous and Next go through the play list, as the buttons do; each entry keeps its id.
        ctl({QStringLiteral("previous")});
        QTRY_COMPARE_WITH_TIMEOUT(meta("xesam:title"), kFile1, 20000);
        QCOMPARE(meta("mpris:trackid"), ids_[1]);
        // The new track is announced.
        const QString changes = watch(QStringLiteral("PropertiesChanged"), [this] {
            ctl({QStringLiteral("next")});
            QTRY_COMPARE_WITH_TIMEOUT(meta("xesam:title"), kFile2, 20000);
        }, 1000);
        QVERIFY2(changes.contains(QLatin1String("\"Metadata\"")) && changes.contains(kFile2), qPrintable(changes));
        QCOMPARE(meta("mpris:trackid"), ids_[2]);
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
                          {QStringLiteral("objpath:") + path(ids_[2]), QStringLiteral("int64:12000000")}).exitCode, 0);
            QTRY_COMPARE_WITH_TIMEOUT(position(), qint64(12000000), 10000);
        }, 500);
        QVERIFY2(seeked.contains(QLatin1String("int64 12000000")), qPrintable(seeked));
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
        const QString current = QStringLiteral("objpath:") + path(ids_[2]);
        for (const QStringList &args : {QStringList{QStringLiteral("objpath:") + path(ids_[0]), QStringLiteral("int64:3000000")},
                                        QStringList{current, QStringLiteral("int64:-1000000")},
                                        QStringList{current, QStringLiteral("int64:61000000")}}) {
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

    // A volume that is no number is ignored: nothing changes, nothing is stored.
    void volumeThatIsNoNumberIsIgnored_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addRow("NaN") << "double:nan";
        QTest::addRow("infinity") << "double:inf";
        QTest::addRow("minus infinity") << "double:-inf";
    }
    void volumeThatIsNoNumberIsIgnored()
    {
        QFETCH(QString, value);
        QCOMPARE(setProperty(QStringLiteral("Volume"), value).exitCode, 0);
        QCOMPARE(property(QStringLiteral("Volume")), QStringLiteral("0.75"));
        QCOMPARE(programSettings().value(QStringLiteral("volume")).toString(), QStringLiteral("0.75"));
    }

    void aSecondStartHandsItsCommandLineOver()
    {
        // In one call, in order, with its options: the first file plays from the asked
        // second, in full screen, and the others follow it in the play list.
        const Run second = run(program(), {QStringLiteral("--start-at"), QStringLiteral("20"), QStringLiteral("--fullscreen"),
                                           drive(kFile2), drive(kFile0), drive(kFile1)}, env_, 60000);
        QCOMPARE(second.exitCode, 0);
        // A new entry, which plays the first file.
        QTRY_VERIFY_WITH_TIMEOUT(meta("mpris:trackid").contains(QLatin1String("/track/"))
                                     && !ids_.contains(meta("mpris:trackid")), 20000);
        QCOMPARE(meta("xesam:title"), kFile2);
        QTRY_VERIFY_WITH_TIMEOUT(position() >= 20000000, 10000);
        QVERIFY2(position() < 30000000, qPrintable(QString::number(position())));
        QTRY_VERIFY_WITH_TIMEOUT(fullScreen(), 10000);
        for (const QString &next : {kFile0, kFile1}) {
            ctl({QStringLiteral("next")});
            QTRY_COMPARE_WITH_TIMEOUT(meta("xesam:title"), next, 20000);
        }
        QCOMPARE(property(QStringLiteral("CanGoNext")), QStringLiteral("false"));
        QCOMPARE(player_.state(), QProcess::Running);
    }

    // However it is sent: a call that waits for its answer, one that does not, and a
    // signal to the player (what dbus-send sends without --print-reply or --type).
    void quitEndsTheProgram_data()
    {
        QTest::addColumn<QStringList>("how");
        QTest::addRow("a call, answer awaited") << QStringList{QStringLiteral("--print-reply")};
        QTest::addRow("a call, no answer awaited") << QStringList{QStringLiteral("--type=method_call")};
        QTest::addRow("a signal to the player") << QStringList();
    }
    void quitEndsTheProgram()
    {
        QFETCH(QStringList, how);
        if (player_.state() == QProcess::NotRunning)
            startPlayer({drive(kFile0)});
        const Run r = run(QStringLiteral("dbus-send"), QStringList{QStringLiteral("--session")} + how +
                                                           QStringList{kDest, kPath, QStringLiteral("org.mpris.MediaPlayer2.Quit")},
                          env_);
        QCOMPARE(r.exitCode, 0);
        if (!player_.waitForFinished(30000)) {
            player_.kill();
            player_.waitForFinished();
            QFAIL("still running 30 s after Quit");
        }
        QCOMPARE(player_.exitStatus(), QProcess::NormalExit);
        QCOMPARE(player_.exitCode(), 0);
    }

    void placeIsToldWhenAllowed()
    {
        programSettings().setValue(QStringLiteral("place_to_media_controls"), true);
        startPlayer({drive(kFile2)});
        ctl({QStringLiteral("pause")});
        QTRY_COMPARE_WITH_TIMEOUT(ctl({QStringLiteral("status")}), QStringLiteral("Paused"), 10000);
        QCOMPARE(call(QStringLiteral("SetPosition"), {QStringLiteral("objpath:") + path(meta("mpris:trackid")),
                                                      QStringLiteral("int64:30000000")}).exitCode, 0);
        QTRY_COMPARE_WITH_TIMEOUT(position(), qint64(30000000), 10000);
        // The sample of second 30, by the rule the panels use.
        QFile f(drive(kFile2) + QStringLiteral(".truth.json"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QJsonArray samples = QJsonDocument::fromJson(f.readAll()).object().value(QStringLiteral("key_video_datas")).toArray();
        const int i = IndexRule::indexFor(30.0, 60.0, samples.size());
        QVERIFY(i >= 0);
        const QJsonObject s = samples[i].toObject();
        QVERIFY(!s.value(QStringLiteral("gps_lat")).toString().isEmpty());   // a fix
        QTRY_COMPARE_WITH_TIMEOUT(meta("veltra:speedKmh").toInt(), s.value(QStringLiteral("spd")).toInt(), 5000);
        QCOMPARE(meta("veltra:latitude").toDouble(), s.value(QStringLiteral("gps_lat")).toString().toDouble());
        QCOMPARE(meta("veltra:longitude").toDouble(), s.value(QStringLiteral("gps_lgt")).toString().toDouble());
        player_.terminate();
        QVERIFY(player_.waitForFinished(20000));
        programSettings().remove(QStringLiteral("place_to_media_controls"));
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
