// The built veltra-gps, run as a user runs it: exit codes, messages, output order,
// the output file, and the telemetry of the forged samples in every format.
#include "XmlLint.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char **environ;
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run {
    int exitCode = -1;
    QByteArray out, err;
};

Run runTool(const QStringList &args, const QString &workDir = QString())
{
    QProcess p;
    if (!workDir.isEmpty())
        p.setWorkingDirectory(workDir);
    p.start(QStringLiteral(VELTRA_GPS), args);
    Run r;
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.exitCode = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

QList<QJsonObject> jsonLines(const QByteArray &out, QString *error)
{
    QList<QJsonObject> lines;
    for (const QByteArray &line : out.split('\n')) {
        if (line.isEmpty())
            continue;
        QJsonParseError e;
        const QJsonDocument d = QJsonDocument::fromJson(line, &e);
        if (e.error != QJsonParseError::NoError)
            *error = e.errorString() + QStringLiteral(": ") + QString::fromUtf8(line.left(200));
        lines.append(d.object());
    }
    if (!out.isEmpty() && !out.endsWith('\n'))
        *error = QStringLiteral("output does not end with a newline");
    return lines;
}

QString samples()
{
    return qEnvironmentVariable("VELTRA_SAMPLES");
}

QJsonObject truthOf(const QString &file)
{
    QFile f(file + QStringLiteral(".truth.json"));
    if (!f.open(QIODevice::ReadOnly))
        return QJsonObject();
    return QJsonDocument::fromJson(f.readAll()).object();
}

// Differences between a json line and the truth, "" when they agree. The G-sensor
// values are single-precision, so they are compared as floats.
QString differences(const QJsonObject &got, const QJsonObject &want, bool compareFile = true)
{
    const QStringList keys{"file", "key_is_in_china", "key_max_speed", "key_video_datas"};
    if (got.keys() != keys)
        return QStringLiteral("keys ") + got.keys().join(',');
    if (compareFile && got.value("file") != want.value("file"))
        return QStringLiteral("file ") + got.value("file").toString();
    if (got.value("key_max_speed") != want.value("key_max_speed"))
        return QStringLiteral("key_max_speed");
    if (got.value("key_is_in_china") != want.value("key_is_in_china"))
        return QStringLiteral("key_is_in_china");
    const QJsonArray g = got.value("key_video_datas").toArray(), w = want.value("key_video_datas").toArray();
    if (g.size() != w.size())
        return QStringLiteral("%1 samples instead of %2").arg(g.size()).arg(w.size());
    for (int i = 0; i < g.size(); ++i) {
        const QJsonObject a = g.at(i).toObject(), b = w.at(i).toObject();
        if (a.keys() != b.keys() || a.size() != 7)
            return QStringLiteral("sample %1 keys").arg(i);
        for (const char *k : {"spd", "gps_lat", "gps_lgt", "north_angle"})
            if (a.value(k) != b.value(k))
                return QStringLiteral("sample %1 %2: %3 instead of %4").arg(i).arg(k)
                    .arg(a.value(k).toVariant().toString(), b.value(k).toVariant().toString());
        for (const char *k : {"gsensor_x", "gsensor_y", "gsensor_z"})
            if (!a.value(k).isDouble() ||
                static_cast<float>(a.value(k).toDouble()) != static_cast<float>(b.value(k).toDouble()))
                return QStringLiteral("sample %1 %2").arg(i).arg(k);
    }
    return QString();
}

int positionsIn(const QJsonObject &truth)
{
    int n = 0;
    for (const QJsonValue v : truth.value("key_video_datas").toArray())
        n += !v.toObject().value("gps_lat").toString().isEmpty() && !v.toObject().value("gps_lgt").toString().isEmpty();
    return n;
}

const QStringList kSampleFiles{"drive/2026_1108_093000_001.MOV", "drive/2026_1108_093100_002.MOV",
                               "drive/2026_1108_093200_003.MOV", "nt9665_1trak.MOV", "nt9665_2trak.MOV",
                               "nt9666.MOV", "icat6330.MOV", "nofix.MOV",
                               "layouts/freegps_v3.MOV", "layouts/freegps_v3_noindex.MOV", "layouts/freegps_old.MOV",
                               "layouts/freegps_long.MOV", "layouts/freegps_nmea.MOV", "layouts/freegps_xor.MOV",
                               "layouts/20261113_100100_NF.mp4", "layouts/text_0x120.MOV", "layouts/text_gsensori.MOV",
                               "layouts/text_nmea.MOV", "layouts/2026_1113_100140_001.MOV",
                               "layouts/2026_1113_100150_001.MOV", "layouts/gpmf.MOV", "layouts/gpmf_gps9.MOV",
                               "layouts/gpmf_damaged.MOV", "layouts/gpmd_freegps.MOV",
                               "cameras/2026-11-13_10-03-00-front.mp4", "cameras/2026-11-13_10-03-00-left_repeater.mp4"};

QStringList samplePaths(const QStringList &names)
{
    QStringList paths;
    for (const QString &n : names)
        paths << samples() + QLatin1Char('/') + n;
    return paths;
}

struct GpxTrack {
    QString name;
    int segments = 0;
    QStringList times;   // one per point, "" when it has none
};

QList<GpxTrack> gpxTracks(const QByteArray &doc, QString *error)
{
    QList<GpxTrack> tracks;
    QXmlStreamReader r(doc);
    while (!r.atEnd()) {
        r.readNext();
        if (!r.isStartElement())
            continue;
        if (r.name() == QLatin1String("trk"))
            tracks.append(GpxTrack());
        else if (r.name() == QLatin1String("name") && !tracks.isEmpty())
            tracks.last().name = r.readElementText();
        else if (r.name() == QLatin1String("trkseg"))
            ++tracks.last().segments;
        else if (r.name() == QLatin1String("trkpt"))
            tracks.last().times.append(QString());
        else if (r.name() == QLatin1String("time"))
            tracks.last().times.last() = r.readElementText();
    }
    if (r.hasError())
        *error = r.errorString();
    return tracks;
}

// Runs the tool with its standard error on a pseudo-terminal; returns what the
// terminal showed and the exit code.
QByteArray runOnTerminal(const QStringList &args, int *exitCode)
{
    QTemporaryDir dir;
    int master = -1, slave = -1;
    if (!dir.isValid() || openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
        return QByteArray("openpty failed");
    std::vector<QByteArray> storage{QByteArray(VELTRA_GPS), QByteArray("-o"), QFile::encodeName(dir.filePath("out.json"))};
    for (const QString &a : args)
        storage.push_back(QFile::encodeName(a));
    std::vector<char *> argv;
    for (QByteArray &a : storage)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, slave, 2);
    posix_spawn_file_actions_addclose(&actions, master);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, VELTRA_GPS, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(slave);
    QByteArray shown;
    if (spawned == 0) {
        char buf[4096];
        for (;;) {
            pollfd pfd{master, POLLIN, 0};
            if (::poll(&pfd, 1, 60000) <= 0)
                break;
            const ssize_t n = ::read(master, buf, sizeof buf);
            if (n <= 0)
                break;   // EIO once the tool has exited and closed the terminal
            shown.append(buf, static_cast<int>(n));
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    ::close(master);
    return shown;
}

} // namespace

class VeltraGpsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        for (const QString &path : samplePaths(kSampleFiles))
            QVERIFY2(QFile::exists(path) && !truthOf(path).isEmpty(), qPrintable("forged sample missing: " + path));
    }

    // All samples in one run: one line each, in argument order, equal to the truth.
    void jsonEqualsTheTruth()
    {
        const QStringList paths = samplePaths(kSampleFiles);
        const Run r = runTool(paths);
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.err.isEmpty(), r.err);
        QString error;
        const QList<QJsonObject> lines = jsonLines(r.out, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(lines.size(), paths.size());
        for (int i = 0; i < paths.size(); ++i) {
            const QString diff = differences(lines[i], truthOf(paths[i]));
            QVERIFY2(diff.isEmpty(), qPrintable(paths[i] + ": " + diff));
        }
    }

    // A file that cannot be opened: a message naming it and the reason, nothing for
    // it, the others written in order, exit 1.
    void unopenableFileIsReportedAndTheRestWritten()
    {
        const QStringList paths = samplePaths({"nofix.MOV"}) + QStringList{"/no/such/clip.MOV"} +
                                  samplePaths({"icat6330.MOV"});
        const Run r = runTool(paths);
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(QString::fromUtf8(r.err), QStringLiteral("veltra-gps: /no/such/clip.MOV: No such file or directory\n"));
        QString error;
        const QList<QJsonObject> lines = jsonLines(r.out, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(lines.size(), 2);
        QVERIFY(differences(lines[0], truthOf(paths[0])).isEmpty());
        QVERIFY(differences(lines[1], truthOf(paths[2])).isEmpty());
    }

    // A file with no telemetry at all is read (exit 0) and gives an empty list.
    void fileWithoutTelemetryIsNoFailure()
    {
        QTemporaryDir dir;
        QFile f(dir.filePath("plain.MOV"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(5000, 'x'));
        f.close();
        const Run r = runTool({f.fileName()});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QByteArray("{\"key_video_datas\":[],\"key_max_speed\":0,\"key_is_in_china\":true,\"file\":\"") +
                            f.fileName().toUtf8() + "\"}\n");
    }

    // Many files on all cores: the output keeps the argument order.
    void manyFilesKeepTheirOrder()
    {
        QStringList paths;
        const QStringList all = samplePaths(kSampleFiles);
        for (int i = 0; i < 120; ++i)
            paths << all[(i * 5) % all.size()];
        const Run r = runTool(paths);
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.err.isEmpty(), r.err);   // no progress line: stderr is no terminal here
        QString error;
        const QList<QJsonObject> lines = jsonLines(r.out, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(lines.size(), paths.size());
        for (int i = 0; i < paths.size(); ++i)
            QVERIFY2(differences(lines[i], truthOf(paths[i])).isEmpty(), qPrintable(QString::number(i)));
    }

    // More than 20 files with stderr on a terminal: "Reading N/M files…" redrawn in
    // place and wiped at the end; messages start on a clean line. 20 files: none.
    void progressOnATerminal()
    {
        const QString sample = samplePaths({"nt9666.MOV"}).first();
        QStringList many;
        for (int i = 0; i < 30; ++i)
            many << (i == 15 ? QStringLiteral("/no/such.MOV") : sample);
        int exitCode = -1;
        const QByteArray shown = runOnTerminal(many, &exitCode);
        QCOMPARE(exitCode, 1);
        QVERIFY2(shown.contains("\rReading "), shown);
        QVERIFY2(shown.contains("/30 files\xE2\x80\xA6"), shown);
        QVERIFY2(shown.contains("\r\033[Kveltra-gps: /no/such.MOV: No such file or directory"), shown);
        QVERIFY2(shown.endsWith("\r\033[K"), shown);

        const QByteArray few = runOnTerminal(many.mid(0, 15) + many.mid(16, 5), &exitCode);
        QCOMPARE(exitCode, 0);
        QCOMPARE(few, QByteArray());
    }

    void detectFlagsPerKind_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("flags");
        QTest::addColumn<QString>("layout");
        QTest::addRow("nt9665 one trak") << "nt9665_1trak.MOV" << "010" << "novatek-nt9665";
        QTest::addRow("nt9665 two traks") << "nt9665_2trak.MOV" << "010" << "novatek-nt9665";
        QTest::addRow("nt9666") << "nt9666.MOV" << "001" << "novatek-nt9666";
        QTest::addRow("icat6330") << "icat6330.MOV" << "100" << "icat6330";
        QTest::addRow("drive") << "drive/2026_1108_093000_001.MOV" << "010" << "novatek-nt9665";
        QTest::addRow("nofix") << "nofix.MOV" << "010" << "novatek-nt9665";
        // The newer layouts keep a udta that names no chipset: no flag, so that the flags
        // and the layout agree.
        QTest::addRow("freegps v3") << "layouts/freegps_v3.MOV" << "000" << "freegps";
        QTest::addRow("freegps without index") << "layouts/freegps_v3_noindex.MOV" << "000" << "freegps";
        QTest::addRow("freegps old") << "layouts/freegps_old.MOV" << "000" << "freegps";
        QTest::addRow("freegps long header") << "layouts/freegps_long.MOV" << "000" << "freegps";
        QTest::addRow("freegps nmea") << "layouts/freegps_nmea.MOV" << "000" << "freegps";
        QTest::addRow("freegps enciphered") << "layouts/freegps_xor.MOV" << "000" << "unreadable";
        QTest::addRow("free box") << "layouts/20261113_100100_NF.mp4" << "000" << "free-box";
        QTest::addRow("text 0x120") << "layouts/text_0x120.MOV" << "000" << "text-track";
        QTest::addRow("text gsensori") << "layouts/text_gsensori.MOV" << "000" << "text-track";
        QTest::addRow("text nmea") << "layouts/text_nmea.MOV" << "000" << "text-track";
        QTest::addRow("nmea file beside") << "layouts/2026_1113_100140_001.MOV" << "000" << "nmea-file";
        QTest::addRow("gpx file beside") << "layouts/2026_1113_100150_001.MOV" << "000" << "gpx-file";
        QTest::addRow("gpmf") << "layouts/gpmf.MOV" << "000" << "gpmf";
        QTest::addRow("gpmf gps9") << "layouts/gpmf_gps9.MOV" << "000" << "gpmf";
        QTest::addRow("gpmf with lying sizes") << "layouts/gpmf_damaged.MOV" << "000" << "gpmf";
        QTest::addRow("gpmd track of freeGPS blocks") << "layouts/gpmd_freegps.MOV" << "000" << "freegps";
        QTest::addRow("sei after the uuid") << "cameras/2026-11-13_10-03-00-front.mp4" << "000" << "sei-protobuf";
        QTest::addRow("sei opening the payload") << "cameras/2026-11-13_10-03-00-left_repeater.mp4" << "000"
                                                 << "sei-protobuf";
    }
    void detectFlagsPerKind()
    {
        QFETCH(QString, file);
        QFETCH(QString, flags);
        QFETCH(QString, layout);
        const QString path = samplePaths({file}).first();
        const Run r = runTool({"--detect", path});
        QCOMPARE(r.exitCode, 0);
        const QByteArray expected = "{\"file\":\"" + path.toUtf8() + "\",\"icat6330\":" + flags.at(0).toLatin1() +
                                    ",\"nt9665\":" + flags.at(1).toLatin1() + ",\"nt9666\":" + flags.at(2).toLatin1() +
                                    ",\"layout\":\"" + layout.toLatin1() + "\"}\n";
        QCOMPARE(r.out, expected);
    }

    void detectReportsUnopenableFiles()
    {
        QTemporaryDir dir;
        const Run r = runTool({"--detect", "/no/such.MOV", dir.path(), samplePaths({"nt9666.MOV"}).first()});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(QString::fromUtf8(r.err), QStringLiteral("veltra-gps: /no/such.MOV: No such file or directory\n"
                                                          "veltra-gps: %1: Is a directory\n").arg(dir.path()));
        QCOMPARE(r.out.count('\n'), 1);
        QVERIFY(r.out.contains("\"nt9666\":1"));
    }

    // A file reference is read like the player's: scheme removed, %20 decoded; "file"
    // holds the argument as given.
    void fileUrlArgument()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("a b"));
        const QString copy = dir.filePath("a b/2026_1111_120100_004.MOV");
        QVERIFY(QFile::copy(samplePaths({"icat6330.MOV"}).first(), copy));
        const QString url = "file://" + QString(copy).replace(' ', "%20");
        const Run r = runTool({url});
        QCOMPARE(r.exitCode, 0);
        QString error;
        const QList<QJsonObject> lines = jsonLines(r.out, &error);
        QCOMPARE(lines.size(), 1);
        QCOMPARE(lines[0].value("file").toString(), url);
        QVERIFY(differences(lines[0], truthOf(samplePaths({"icat6330.MOV"}).first()), false).isEmpty());

        const Run bad = runTool({"file:///x/%zz.MOV", "file:///" + QString(1100, 'a') + ".MOV"});
        QCOMPARE(bad.exitCode, 1);
        QVERIFY2(bad.err.startsWith("veltra-gps: file:///x/%zz.MOV: Invalid argument\nveltra-gps: file:///aaa"), bad.err);
        QVERIFY(bad.err.endsWith(".MOV: File name too long\n"));
    }

    // A plain path names its file exactly: "%20" in it is no escape, a lone "%" no error.
    void plainPathIsTakenLiterally_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addRow("escape-like") << "a%20b.MOV";
        QTest::addRow("percent sign") << "50%.MOV";
        QTest::addRow("latin-1 byte") << QString::fromLatin1("caf\xe9.MOV");
    }
    void plainPathIsTakenLiterally()
    {
        QFETCH(QString, name);
        QTemporaryDir dir;
        const QByteArray path = QFile::encodeName(dir.path()) + '/' +
                                (name.contains(QChar(0xe9)) ? name.toLatin1() : name.toUtf8());
        QVERIFY(QFile::copy(samplePaths({"nt9666.MOV"}).first(), QFile::decodeName(path)));
        QProcess p;
        p.start(QStringLiteral(VELTRA_GPS), {QFile::decodeName(path)});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        QVERIFY2(p.readAllStandardError().isEmpty(), "unexpected message");
        QString error;
        const QList<QJsonObject> lines = jsonLines(p.readAllStandardOutput(), &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(lines.size(), 1);
        QVERIFY(differences(lines[0], truthOf(samplePaths({"nt9666.MOV"}).first()), false).isEmpty());
    }

    // The bundled drive as GPX: valid against the schema, one track per file, one
    // point per position, UTC times from the sentences starting at the clip's start,
    // and the tunnel splitting the last track.
    void gpxOfTheDrive()
    {
        const QStringList paths = samplePaths(kSampleFiles.mid(0, 3));
        const Run r = runTool({"--format", "gpx", paths[0], paths[1], paths[2]});
        QCOMPARE(r.exitCode, 0);
        const QString lint = xmllintProblems(r.out.toStdString(), QStringLiteral(GPX_SCHEMA));
        QVERIFY2(lint.isEmpty(), qPrintable(lint));
        QString error;
        const QList<GpxTrack> tracks = gpxTracks(r.out, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(tracks.size(), 3);
        const QStringList starts{"2026-11-08T09:30:00", "2026-11-08T09:31:00", "2026-11-08T09:32:00"};
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(tracks[i].name, paths[i]);
            QCOMPARE(tracks[i].times.size(), positionsIn(truthOf(paths[i])));
            QVERIFY(!tracks[i].times.isEmpty());
            QVERIFY2(tracks[i].times.first().startsWith(starts[i]) && tracks[i].times.first().endsWith('Z'),
                     qPrintable(tracks[i].times.first()));
            for (const QString &t : tracks[i].times)
                QVERIFY2(t.endsWith('Z'), qPrintable(t));
        }
        QCOMPARE(tracks[0].segments, 1);
        QVERIFY(tracks[2].segments >= 2);
    }

    // GGA sentences carry no date: their points take the recording time in the file
    // name plus one second per sample, as local time.
    void gpxTimeFromTheFileName()
    {
        QTemporaryDir dir;
        const QString copy = dir.filePath("2026_1110_080200_001.MOV");
        QVERIFY(QFile::copy(samplePaths({"nt9666.MOV"}).first(), copy));
        const Run named = runTool({"--format", "gpx", copy});
        QCOMPARE(named.exitCode, 0);
        const QString lint = xmllintProblems(named.out.toStdString(), QStringLiteral(GPX_SCHEMA));
        QVERIFY2(lint.isEmpty(), qPrintable(lint));
        QString error;
        const QList<GpxTrack> tracks = gpxTracks(named.out, &error);
        QCOMPARE(tracks.size(), 1);
        int local = 0;
        const QRegularExpression localTime("^2026-11-10T08:0[23]:[0-5][0-9]$");
        for (const QString &t : tracks[0].times) {
            if (t.endsWith('Z'))
                continue;
            QVERIFY2(localTime.match(t).hasMatch(), qPrintable(t));
            ++local;
        }
        QVERIFY(local > 0);
        // Those GGA points carry no speed or course, the RMC points do.
        const QList<QByteArray> points = named.out.split('\n');
        int withMotion = 0, withoutMotion = 0;
        for (const QByteArray &p : points) {
            if (!p.contains("<trkpt"))
                continue;
            const bool utc = p.contains("Z</time>");
            QCOMPARE(p.contains("<gpxtpx:speed>"), utc);
            (utc ? withMotion : withoutMotion)++;
        }
        QCOMPARE(withoutMotion, local);
        QVERIFY(withMotion > 0);

        // The same file without a time in its name: those points have no time.
        const Run plain = runTool({"--format", "gpx", samplePaths({"nt9666.MOV"}).first()});
        const QList<GpxTrack> plainTracks = gpxTracks(plain.out, &error);
        QCOMPARE(plainTracks.size(), 1);
        QCOMPARE(plainTracks[0].times.size(), tracks[0].times.size());
        QCOMPARE(plainTracks[0].times.count(QString()), local);
    }

    // A camera file with a sample per frame and no UTC in it: its points take the time in
    // its name plus each frame's share of a second, to the millisecond, as local time.
    void gpxOfACameraFile()
    {
        const QString path = samplePaths({"cameras/2026-11-13_10-03-00-front.mp4"}).first();
        const Run r = runTool({"--format", "gpx", path});
        QCOMPARE(r.exitCode, 0);
        const QString lint = xmllintProblems(r.out.toStdString(), QStringLiteral(GPX_SCHEMA));
        QVERIFY2(lint.isEmpty(), qPrintable(lint));
        QString error;
        const QList<GpxTrack> tracks = gpxTracks(r.out, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(tracks.size(), 1);
        QCOMPARE(tracks[0].times.size(), positionsIn(truthOf(path)));
        QCOMPARE(tracks[0].times.first(), QStringLiteral("2026-11-13T10:03:00"));
        QCOMPARE(tracks[0].times.at(1), QStringLiteral("2026-11-13T10:03:00.028"));
        QVERIFY2(tracks[0].times.last().startsWith("2026-11-13T10:03:09.9"), qPrintable(tracks[0].times.last()));
    }

    void kmlOfAllSamples()
    {
        const QStringList paths = samplePaths(kSampleFiles);
        const Run r = runTool(QStringList{"--format", "kml"} + paths);
        QCOMPARE(r.exitCode, 0);
        const QString lint = xmllintProblems(r.out.toStdString());
        QVERIFY2(lint.isEmpty(), qPrintable(lint));
        QXmlStreamReader x(r.out);
        QList<int> coordinates;
        while (!x.atEnd()) {
            x.readNext();
            if (x.isStartElement() && x.name() == QLatin1String("Placemark"))
                coordinates.append(0);
            else if (x.isStartElement() && x.name() == QLatin1String("coordinates"))
                coordinates.last() = x.readElementText().split(QRegularExpression("\\s+"), Qt::SkipEmptyParts).size();
        }
        QVERIFY(!x.hasError());
        QCOMPARE(coordinates.size(), paths.size());
        for (int i = 0; i < paths.size(); ++i)
            QCOMPARE(coordinates[i], positionsIn(truthOf(paths[i])));
    }

    void csvOfTheDrive()
    {
        const QString path = samplePaths(kSampleFiles.mid(0, 1)).first();
        const Run r = runTool({"--format", "csv", path});
        QCOMPARE(r.exitCode, 0);
        const QList<QByteArray> rows = r.out.split('\n');
        const QJsonArray truth = truthOf(path).value("key_video_datas").toArray();
        QCOMPARE(rows.size(), truth.size() + 2);   // header, rows, empty after the last newline
        QCOMPARE(rows[0], QByteArray("file,index,latitude,longitude,speed_kmh,course,gsensor_x,gsensor_y,gsensor_z,time_utc"));
        for (int i = 0; i < truth.size(); ++i) {
            const QList<QByteArray> f = rows[i + 1].split(',');
            const QJsonObject s = truth.at(i).toObject();
            QCOMPARE(f.size(), 10);
            QCOMPARE(QString::fromUtf8(f[0]), path);
            QCOMPARE(f[1].toInt(), i);
            QCOMPARE(QString::fromUtf8(f[2]), s.value("gps_lat").toString());
            QCOMPARE(QString::fromUtf8(f[3]), s.value("gps_lgt").toString());
            QCOMPARE(f[4].toInt(), s.value("spd").toInt());
            QCOMPARE(f[5].toDouble(), s.value("north_angle").toDouble());
            QCOMPARE(f[8].toFloat(), static_cast<float>(s.value("gsensor_z").toDouble()));
        }
        // The drive's sentences are RMC: every row has its UTC time, a second apart.
        QCOMPARE(rows[1].split(',').at(9), QByteArray("2026-11-08T09:30:00Z"));
        QCOMPARE(rows[truth.size()].split(',').at(9),
                 QByteArray("2026-11-08T09:30:") + QByteArray::number(truth.size() - 1).rightJustified(2, '0') + 'Z');
    }

    // Given out of order, the three clips of the drive make one trip with a segment
    // per clip (and one more at the tunnel); the file starting two days later makes
    // another, and the file without time or fix a trip of its own at the end.
    void tripsOfTheDrive()
    {
        const QStringList paths = samplePaths({"nofix.MOV", "drive/2026_1108_093200_003.MOV",
                                               "drive/2026_1108_093000_001.MOV", "nt9666.MOV",
                                               "drive/2026_1108_093100_002.MOV"});
        const Run r = runTool(QStringList{"--trips", "--format", "gpx"} + paths);
        QCOMPARE(r.exitCode, 0);
        const QString lint = xmllintProblems(r.out.toStdString(), QStringLiteral(GPX_SCHEMA));
        QVERIFY2(lint.isEmpty(), qPrintable(lint));
        QString error;
        const QList<GpxTrack> tracks = gpxTracks(r.out, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(tracks.size(), 3);
        QCOMPARE(tracks[0].name, QStringLiteral("2026-11-08 09:30:00 to 09:33:00 (3 clips)"));
        QCOMPARE(tracks[0].segments, 4);
        QCOMPARE(tracks[0].times.size(), positionsIn(truthOf(paths[2])) + positionsIn(truthOf(paths[4])) +
                                             positionsIn(truthOf(paths[1])));
        QVERIFY2(tracks[0].times.first().startsWith("2026-11-08T09:30:00"), qPrintable(tracks[0].times.first()));
        QCOMPARE(tracks[1].name, QStringLiteral("2026-11-10 08:02:00 to 08:03:00 (1 clip)"));
        QCOMPARE(tracks[2].name, paths[0]);
        QCOMPARE(tracks[2].segments, 0);

        const Run csv = runTool(QStringList{"--trips", "--format", "csv"} + paths);
        QCOMPARE(csv.exitCode, 0);
        QStringList tripOfFile;
        for (const QByteArray &row : csv.out.split('\n').mid(1)) {
            const QString entry = QString::fromUtf8(row.split(',').mid(0, 2).join(' '));
            if (!row.isEmpty() && tripOfFile.value(tripOfFile.size() - 1) != entry)
                tripOfFile << entry;
        }
        QCOMPARE(tripOfFile, (QStringList{"1 " + paths[2], "1 " + paths[4], "1 " + paths[1], "2 " + paths[3],
                                          "3 " + paths[0]}));
    }

    void usageErrorsExitTwo_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addRow("no arguments") << QStringList{};
        QTest::addRow("only options") << QStringList{"--format", "gpx"};
        QTest::addRow("unknown option") << QStringList{"--verbose", "a.MOV"};
        QTest::addRow("missing format value") << QStringList{"a.MOV", "--format"};
        QTest::addRow("bad format") << QStringList{"--format", "xml", "a.MOV"};
        QTest::addRow("missing output name") << QStringList{"a.MOV", "-o"};
        QTest::addRow("trips as json") << QStringList{"--trips", "a.MOV"};
        QTest::addRow("time zone unknown") << QStringList{"--time", "Mars/Olympus", "a.MOV"};
        QTest::addRow("time zone outside the database") << QStringList{"--time", "../../../etc/passwd", "a.MOV"};
        QTest::addRow("detect with clean") << QStringList{"--detect", "--clean", "a.MOV"};
        QTest::addRow("an option holding an escape sequence") << QStringList{"--\x1b]0;title\x07x", "a.MOV"};
    }
    void usageErrorsExitTwo()
    {
        QFETCH(QStringList, args);
        const Run r = runTool(args);
        QCOMPARE(r.exitCode, 2);
        QVERIFY(r.out.isEmpty());
        QVERIFY2(!r.err.contains('\x1b') && !r.err.contains('\x07'), r.err);   // shown, not sent to the terminal
        QVERIFY2(r.err.contains("usage: veltra-gps [--format json|csv|gpx|kml] [--detect] [--trips [--gap S]] [--time T] [--clean]\n"
                                "                  [-o OUT] FILE..."),
                 r.err);
    }

    // The command line as a user types it, run in a folder of its own: the exit (or the
    // signal that ended it), standard error in full, standard output, what the folder
    // holds afterwards, and that no input changed. `files` are made first: "NAME" a copy
    // of the nt9666 sample, "NAME -> TARGET" a symbolic link, "NAME => TARGET" a hard
    // link, "NAME|" a FIFO. %D in args and err is the folder, %S in args the forged
    // samples. With a signal, it is sent once the temporary output file exists.
    void commandLine_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("signal");
        QTest::addColumn<int>("exitCode");   // the signal's number when one is sent
        QTest::addColumn<QString>("err");
        QTest::addColumn<QString>("out");    // a regular expression
        QTest::addColumn<QStringList>("left");

        const QStringList ab{"a.MOV", "b.MOV"};
        QTest::addRow("output is an input")
            << ab << QStringList{"--format", "gpx", "-o", "a.MOV", "a.MOV", "b.MOV"} << 0 << 2
            << "veltra-gps: a.MOV: output would overwrite the input a.MOV\n" << "^$" << ab;
        QTest::addRow("output is a hard link to an input")
            << QStringList{"a.MOV", "out.gpx => a.MOV"} << QStringList{"-o", "out.gpx", "a.MOV"} << 0 << 2
            << "veltra-gps: out.gpx: output would overwrite the input a.MOV\n" << "^$" << QStringList{"a.MOV", "out.gpx"};
        QTest::addRow("output is a symbolic link to an input")
            << QStringList{"a.MOV", "out.gpx -> a.MOV"} << QStringList{"-o", "out.gpx", "a.MOV"} << 0 << 2
            << "veltra-gps: out.gpx: output would overwrite the input a.MOV\n" << "^$" << QStringList{"a.MOV", "out.gpx"};
        // `veltra-gps *` in a folder holding a file named "-o": the next clip is never the output.
        QTest::addRow("the output would be a movie")
            << QStringList{"-o", "a.MOV", "b.MOV"} << QStringList{"-o", "a.MOV", "b.MOV"} << 0 << 2
            << "veltra-gps: a.MOV: is a movie; the output would overwrite it\n" << "^$"
            << QStringList{"-o", "a.MOV", "b.MOV"};
        QTest::addRow("output is an input given as a file URL")
            << QStringList{"a b.MOV"} << QStringList{"-o", "a b.MOV", "file://%D/a%20b.MOV"} << 0 << 2
            << "veltra-gps: a b.MOV: output would overwrite the input file://%D/a%20b.MOV\n" << "^$"
            << QStringList{"a b.MOV"};

        // Enough files that the run is still reading when the signal comes (some seconds).
        QStringList many{"-o", "out.json"};
        for (int i = 0; i < 30000; ++i)
            many << QStringLiteral("a.MOV");
        for (const int signal : {SIGINT, SIGTERM, SIGHUP})
            QTest::addRow("stopped by %s", strsignal(signal))
                << QStringList{"a.MOV"} << many << signal << signal << QString() << "^$" << QStringList{"a.MOV"};

        QTest::addRow("control characters in names are shown, not sent")
            << QStringList{} << QStringList{"a\x1b]0;title\x07z.MOV", "b\xc2\x9b" "2J.MOV", "c\x7f\t.MOV"} << 0 << 1
            << "veltra-gps: a\\x1b]0;title\\x07z.MOV: No such file or directory\n"
               "veltra-gps: b\\xc2\\x9b2J.MOV: No such file or directory\n"
               "veltra-gps: c\\x7f\\x09.MOV: No such file or directory\n"
            << "^$" << QStringList{};
        QTest::addRow("formulas in names stay text in csv")
            << QStringList{"=1+2.MOV", "@A1.MOV", "-x.MOV"} << QStringList{"--format", "csv", "--", "=1+2.MOV", "@A1.MOV", "-x.MOV"}
            << 0 << 0 << QString()
            << "^file,index,[^\n]*\n('=1\\+2\\.MOV,[^\n]*\n)+('@A1\\.MOV,[^\n]*\n)+('-x\\.MOV,[^\n]*\n)+$"
            << QStringList{"-x.MOV", "=1+2.MOV", "@A1.MOV"};
        QTest::addRow("a trip's name gives its channel, and the end's date on another day")
            << QStringList{"2026_1108_235930_001F.MOV", "2026_1109_000030_002F.MOV"}
            << QStringList{"--trips", "--format", "gpx", "2026_1109_000030_002F.MOV", "2026_1108_235930_001F.MOV"} << 0 << 0
            << QString() << "<name>2026-11-08 23:59:30 to 2026-11-09 00:01:30 \\(F, 2 clips\\)</name>"
            << QStringList{"2026_1108_235930_001F.MOV", "2026_1109_000030_002F.MOV"};
        QTest::addRow("a six-camera trip is named by its camera")
            << QStringList{"2026-11-13_10-03-00-left_repeater.mp4", "2026-11-13_10-04-00-left_repeater.mp4"}
            << QStringList{"--trips", "--format", "gpx", "2026-11-13_10-04-00-left_repeater.mp4",
                           "2026-11-13_10-03-00-left_repeater.mp4"}
            << 0 << 0 << QString() << "<name>2026-11-13 10:03:00 to 10:05:00 \\(left_repeater, 2 clips\\)</name>"
            << QStringList{"2026-11-13_10-03-00-left_repeater.mp4", "2026-11-13_10-04-00-left_repeater.mp4"};

        // The card whose camera clock runs 1 h 00 min 04 s ahead of the GPS.
        const QString clock = "%S/clock/2026_1108_093004_001.MOV";
        QTest::addRow("--time utc: the json line gives the clip's clock")
            << QStringList{} << QStringList{"--time", "utc", clock} << 0 << 0 << QString()
            << ",\"clock\":\\{\"start\":\"2026-11-08T08:30:00Z\",\"utc_start\":\"2026-11-08T08:30:00Z\","
               "\"camera_start\":\"2026-11-08T09:30:04\",\"source\":\"gps\",\"camera_error_ms\":3604000,"
               "\"error_from\":\"clip\",\"outcome\":\"measured\"\\}\\}\n$"
            << QStringList{};
        const QString firstPoint = "<trkpt lat=\"51.501363\" lon=\"-0.141890\"><time>";
        const struct {
            const char *mode, *time;
        } modes[] = {{nullptr, "2026-11-08T08:30:00Z"},
                     {"utc", "2026-11-08T08:30:00Z"},
                     {"camera", "2026-11-08T09:30:04"},
                     {"local", "2026-11-08T[0-9]{2}:[0-9]{2}:00[+-][0-9]{2}:[0-9]{2}"},
                     {"Europe/Berlin", "2026-11-08T09:30:00\\+01:00"},
                     {"America/New_York", "2026-11-08T03:30:00-05:00"}};
        for (const auto &m : modes)
            QTest::addRow("a gpx point's time, --time %s", m.mode ? m.mode : "not given")
                << QStringList{}
                << (m.mode ? QStringList{"--format", "gpx", "--time", m.mode, clock} : QStringList{"--format", "gpx", clock})
                << 0 << 0 << QString()
                << (m.mode ? "<veltra:clock [^>]* cameraErrorMs=\"3604000\"[^>]*/>[\\s\\S]*" : "^(?![\\s\\S]*veltra:clock)[\\s\\S]*") +
                       QRegularExpression::escape(firstPoint) + m.time + "</time>"
                << QStringList{};
        const QStringList card{"%S/clock/2026_1108_093024_003.MOV", "%S/clock/2026_1108_093014_002.MOV", clock};
        QTest::addRow("trips on UTC, the clip without fix corrected by the others")
            << QStringList{} << QStringList{"--trips", "--format", "kml", "--time", "utc"} + card << 0 << 0 << QString()
            << "<name>2026-11-08 08:30:00 to 08:30:30 UTC \\(3 clips\\)</name>[\\s\\S]*"
               "utcStart=\"2026-11-08T08:30:20Z\" cameraStart=\"2026-11-08T09:30:24\" source=\"name\" "
               "cameraErrorMs=\"3604000\" errorFrom=\"trip\" outcome=\"no-fix\""
            << QStringList{};
        QTest::addRow("trips on the camera's clock")
            << QStringList{} << QStringList{"--trips", "--format", "gpx", "--time", "camera"} + card << 0 << 0 << QString()
            << "<name>2026-11-08 09:30:04 to 09:30:34 \\(3 clips\\)</name>" << QStringList{};
        QTest::addRow("--clean: the forged glitches and both figures")
            << QStringList{} << QStringList{"--clean", "%S/glitches/2026_1108_094000_001.MOV"} << 0 << 0 << QString()
            << "\"key_max_speed\":339,[\\s\\S]*,\"clean\":\\{\"max_speed\":[0-9]{2},[\\s\\S]*\"raw_max_speed\":339,"
               "[\\s\\S]*\"position_glitches\":\\[12,30,31,32\\],\"speed_glitches\":\\[45\\]\\}\\}\n$"
            << QStringList{};
        QTest::addRow("special files are refused without waiting")
            << QStringList{"pipe|"} << QStringList{"pipe", "/dev/null"} << 0 << 1
            << "veltra-gps: pipe: Not a regular file\nveltra-gps: /dev/null: Not a regular file\n" << "^$"
            << QStringList{"pipe"};
    }
    void commandLine()
    {
        QFETCH(QStringList, files);
        QFETCH(QStringList, args);
        QFETCH(int, signal);
        QFETCH(int, exitCode);
        QFETCH(QString, err);
        QFETCH(QString, out);
        QFETCH(QStringList, left);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QFile sampleFile(samplePaths({"nt9666.MOV"}).first());
        QVERIFY(sampleFile.open(QIODevice::ReadOnly));
        const QByteArray sample = sampleFile.readAll();
        QStringList copies;
        for (const QString &f : files) {
            const QStringList symbolic = f.split(" -> "), hard = f.split(" => ");
            if (f.endsWith('|')) {
                QVERIFY(::mkfifo(QFile::encodeName(dir.filePath(f.chopped(1))).constData(), 0600) == 0);
            } else if (symbolic.size() == 2) {
                QVERIFY(QFile::link(symbolic[1], dir.filePath(symbolic[0])));
            } else if (hard.size() == 2) {
                QVERIFY(::link(QFile::encodeName(dir.filePath(hard[1])).constData(),
                               QFile::encodeName(dir.filePath(hard[0])).constData()) == 0);
            } else {
                QFile copy(dir.filePath(f));
                QVERIFY(copy.open(QIODevice::WriteOnly) && copy.write(sample) == sample.size());
                copies << f;
            }
        }
        for (QString &a : args)
            a.replace("%D", dir.path()).replace("%S", samples());

        QProcess p;
        p.setWorkingDirectory(dir.path());
        p.start(QStringLiteral(VELTRA_GPS), args);
        QVERIFY(p.waitForStarted());
        if (signal) {
            const auto temporaryExists = [&] {
                return !QDir(dir.path()).entryList({"out.json.*"}, QDir::Files | QDir::Hidden).isEmpty();
            };
            QTRY_VERIFY_WITH_TIMEOUT(temporaryExists() || p.state() == QProcess::NotRunning, 60000);
            QVERIFY(::kill(static_cast<pid_t>(p.processId()), signal) == 0);
        }
        QVERIFY(p.waitForFinished(120000));
        QCOMPARE(p.exitStatus(), signal ? QProcess::CrashExit : QProcess::NormalExit);
        QCOMPARE(p.exitCode(), exitCode);
        QCOMPARE(QString::fromUtf8(p.readAllStandardError()), err.replace("%D", dir.path()));
        const QString output = QString::fromUtf8(p.readAllStandardOutput());
        QVERIFY2(QRegularExpression(out).match(output).hasMatch(), qPrintable(output.left(2000)));
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
                 left);
        for (const QString &c : copies) {
            QFile input(dir.filePath(c));
            QVERIFY(input.open(QIODevice::ReadOnly));
            QVERIFY2(input.readAll() == sample, qPrintable(c + " changed"));
        }
    }

    // A manifest that names no file proves nothing: it is no success.
    void verifyOfAManifestThatNamesNothing()
    {
        QTemporaryDir dir;
        QFile manifest(dir.filePath(QStringLiteral("empty.manifest.json")));
        QVERIFY(manifest.open(QIODevice::WriteOnly));
        manifest.write(R"({"manifest":"veltra-export","format":1,"clips":[],"files":[]})");
        manifest.close();
        const Run r = runTool({"--verify", manifest.fileName()});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.out, QByteArray("The manifest names no file: nothing to check.\n"));
    }

    void helpExitsZero()
    {
        const Run r = runTool({"--help"});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.out.startsWith("usage: veltra-gps"));
        const Run v = runTool({"--version"});
        QCOMPARE(v.exitCode, 0);
        QVERIFY2(QRegularExpression("^veltra-gps [0-9]+\\.[0-9]+\\.[0-9]+\n$").match(QString::fromUtf8(v.out)).hasMatch(), v.out);
    }

    // A directory is no input: a message naming it, nothing for it, the files
    // around it still written in order, and exit 1.
    void directoryIsReportedAndTheRestWritten()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QFile(dir.filePath("a.MOV")).open(QIODevice::WriteOnly);
        QFile(dir.filePath("c.MOV")).open(QIODevice::WriteOnly);
        QDir(dir.path()).mkdir("b.MOV");
        const Run r = runTool({"a.MOV", "b.MOV", "c.MOV"}, dir.path());
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(QString::fromUtf8(r.err), QStringLiteral("veltra-gps: b.MOV: Is a directory\n"));
        QString error;
        const QList<QJsonObject> lines = jsonLines(r.out, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[0].value("file").toString(), QStringLiteral("a.MOV"));
        QCOMPARE(lines[1].value("file").toString(), QStringLiteral("c.MOV"));
    }

    // -o writes the complete document; an earlier file under that name is replaced
    // and no temporary file is left behind.
    void outputFileIsReplacedWhole()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QFile(dir.filePath("a.MOV")).open(QIODevice::WriteOnly);
        QFile old(dir.filePath("out.kml"));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old content that is longer than nothing");
        old.close();
        const Run r = runTool({"--format", "kml", "-o", "out.kml", "a.MOV"}, dir.path());
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.out.isEmpty());
        QFile out(dir.filePath("out.kml"));
        QVERIFY(out.open(QIODevice::ReadOnly));
        const QByteArray doc = out.readAll();
        QVERIFY(doc.startsWith("<?xml"));
        QVERIFY(doc.endsWith("</kml>\n"));
        const QString lint = xmllintProblems(doc.toStdString());
        QVERIFY2(lint.isEmpty(), qPrintable(lint));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{"a.MOV", "out.kml"}));
    }

    // A link is followed: the file it points to is replaced, the link stays.
    void outputThroughALink()
    {
        QTemporaryDir dir;
        QFile(dir.filePath("a.MOV")).open(QIODevice::WriteOnly);
        QFile target(dir.filePath("target.json"));
        QVERIFY(target.open(QIODevice::WriteOnly));
        target.write("old");
        target.close();
        QVERIFY(target.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
        QVERIFY(QFile::link(dir.filePath("target.json"), dir.filePath("link.json")));
        const Run r = runTool({"-o", "link.json", "a.MOV"}, dir.path());
        QCOMPARE(r.exitCode, 0);
        QVERIFY(QFileInfo(dir.filePath("link.json")).isSymLink());
        QFile written(dir.filePath("target.json"));
        QVERIFY(written.open(QIODevice::ReadOnly));
        QVERIFY(written.readAll().startsWith("{\"key_video_datas\":[]"));
        QCOMPARE(written.permissions() & (QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    }

    // A name that is no regular file (here a FIFO, as /dev/null is a device) is
    // written to in place, never replaced.
    void outputIntoAFifoIsWrittenInPlace()
    {
        QTemporaryDir dir;
        QFile(dir.filePath("a.MOV")).open(QIODevice::WriteOnly);
        const QByteArray fifo = QFile::encodeName(dir.filePath("pipe"));
        QVERIFY(::mkfifo(fifo.constData(), 0600) == 0);
        QByteArray received;
        // Non-blocking with a time limit, so that a tool that replaced the FIFO
        // fails the test instead of hanging it.
        const int fd = ::open(fifo.constData(), O_RDONLY | O_NONBLOCK);
        QVERIFY(fd >= 0);
        std::thread reader([&] {
            char buf[4096];
            for (;;) {
                pollfd pfd{fd, POLLIN, 0};
                if (::poll(&pfd, 1, 30000) <= 0)
                    break;
                const ssize_t n = ::read(fd, buf, sizeof buf);
                if (n > 0)
                    received.append(buf, static_cast<int>(n));
                else if (n == 0 || errno != EAGAIN)
                    break;
            }
            ::close(fd);
        });
        const Run r = runTool({"-o", "pipe", "a.MOV"}, dir.path());
        reader.join();
        QCOMPARE(r.exitCode, 0);
        QVERIFY(received.startsWith("{\"key_video_datas\":[]"));
        struct stat st;
        QVERIFY(::stat(fifo.constData(), &st) == 0 && S_ISFIFO(st.st_mode));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::System | QDir::Hidden),
                 (QStringList{"a.MOV", "pipe"}));
    }

    void outputIntoAMissingFolderFails()
    {
        QTemporaryDir dir;
        QFile(dir.filePath("a.MOV")).open(QIODevice::WriteOnly);
        const Run r = runTool({"-o", "no/such/out.json", "a.MOV"}, dir.path());
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.startsWith("veltra-gps: no/such/out.json: No such file or directory"), r.err);
    }
};

QTEST_GUILESS_MAIN(VeltraGpsTest)
#include "tst_veltra_gps.moc"
