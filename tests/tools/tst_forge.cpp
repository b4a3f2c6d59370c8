// The sample forge: its files play in the media tools, keep the layout the telemetry
// readers rely on (checked with an inspector written apart from the forge), carry
// truth files that agree with the blocks and messages they describe, and come out the
// same every run.
#include "MovReader.h"
#include "VehicleMessage.pb.h"
#include "instruments/InstrumentGeometry.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtMath>

#include <algorithm>
#include <cmath>
#include <sys/stat.h>

namespace {

enum class Layout { OneTrak, TwoTrak, Index, IndexIcat };

struct RunResult {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

RunResult run(const QString& program, const QStringList& args, int timeoutMs = 120000)
{
    QProcess p;
    p.start(program, args);
    RunResult r;
    if (!p.waitForStarted(10000))
        return r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

QString samples()
{
    return qEnvironmentVariable("VELTRA_SAMPLES");
}

qint64 roundUp32k(qint64 v)
{
    return (v + 0x7FFF) & ~qint64(0x7FFF);
}

bool checksumValid(const QByteArray& sentence)
{
    const int star = sentence.indexOf('*');
    if (!sentence.startsWith('$') || star < 0 || star + 3 > sentence.size())
        return false;
    quint8 sum = 0;
    for (int i = 1; i < star; ++i)
        sum ^= quint8(sentence[i]);
    return sentence.mid(star + 1, 2).toUpper() == QByteArray::number(sum, 16).rightJustified(2, '0').toUpper();
}

// Degrees from an NMEA "d..dmm.mmmm" value, by plain arithmetic.
double nmeaDegrees(const QByteArray& value, const QByteArray& hemisphere)
{
    const int point = value.indexOf('.');
    const double degrees = value.left(point - 2).toDouble() + value.mid(point - 2).toDouble() / 60.0;
    return (hemisphere == "S" || hemisphere == "W") ? -degrees : degrees;
}

int decimalsOf(const QString& text)
{
    const int point = text.indexOf('.');
    return point < 0 ? 0 : int(text.size() - point - 1);
}

// The block positions the readers take, each route worked out from its own tables;
// also checks the atom order and that nothing in mdat overlaps.
QString blockPositions(MovReader& f, Layout layout, QList<qint64>& blocks)
{
    blocks.clear();
    if (!f.ok())
        return f.error();
    QList<QByteArray> order;
    for (const MovAtom& a : f.moovChildren())
        order << a.type;
    QList<QByteArray> expected{"mvhd", "trak"};
    if (layout == Layout::TwoTrak)
        expected << "trak";
    expected << "udta";
    if (layout == Layout::Index || layout == Layout::IndexIcat)
        expected << "gps ";
    if (order != expected)
        return QStringLiteral("moov children: %1").arg(QString::fromLatin1(order.join(' ')));
    if (f.topLevel().first().type != "ftyp")
        return QStringLiteral("the file does not open with ftyp");

    const MovTrack& video = f.tracks().first();
    if (video.handler != "vide" || video.samplesPerChunk != QList<quint32>{1, 1, 1} || !video.stcoFollowsStsz
        || video.chunkOffsets.size() != video.sampleSizes.size())
        return QStringLiteral("the video track is not one sample per chunk with stco after stsz");

    const bool names9665 = f.udtaFirstChild().contains("NT9665");
    if (names9665 != (layout == Layout::OneTrak || layout == Layout::TwoTrak) || f.udtaFirstChild().size() > 64)
        return QStringLiteral("udta's first child: %1").arg(QString::fromLatin1(f.udtaFirstChild()));

    struct Range {
        qint64 from, to;
        QString what;
    };
    QList<Range> ranges;
    for (int i = 0; i < video.sampleSizes.size(); ++i)
        ranges.append({video.chunkOffsets[i], video.chunkOffsets[i] + video.sampleSizes[i],
                       QStringLiteral("sample %1").arg(i + 1)});

    switch (layout) {
    case Layout::OneTrak:
        for (int k = 1; 30 * k <= video.sampleSizes.size(); ++k)
            blocks << roundUp32k(qint64(video.chunkOffsets[30 * k - 1]) + video.sampleSizes[30 * k - 1]);
        break;
    case Layout::TwoTrak: {
        const MovTrack& gps = f.tracks().at(1);
        if (gps.handler != "meta")
            return QStringLiteral("the second track's handler is %1").arg(QString::fromLatin1(gps.handler));
        if (gps.sampleSizes.size() != gps.chunkOffsets.size())
            return QStringLiteral("the telemetry track is not one sample per chunk");
        for (int i = 0; i < gps.chunkOffsets.size(); ++i) {
            blocks << qint64(gps.chunkOffsets[i]) + 65536;
            if (gps.sampleSizes[i] < 65536 + 188)
                return QStringLiteral("telemetry sample %1 does not hold its block").arg(i + 1);
            ranges.append({gps.chunkOffsets[i], qint64(gps.chunkOffsets[i]) + gps.sampleSizes[i],
                           QStringLiteral("telemetry chunk %1").arg(i + 1)});
        }
        break;
    }
    case Layout::Index:
    case Layout::IndexIcat:
        if (!f.hasIndex())
            return QStringLiteral("no index after udta");
        for (quint32 p : f.indexEntries())
            blocks << p;
        break;
    }
    if (layout != Layout::TwoTrak)
        for (int k = 0; k < blocks.size(); ++k)
            ranges.append({blocks[k], blocks[k] + 188, QStringLiteral("block %1").arg(k + 1)});

    if (layout == Layout::IndexIcat) {
        const MovAtom last = f.topLevel().last();
        if (last.type != "free" || f.read(f.fileSize() - 8, 8) != "ICAT6330")
            return QStringLiteral("the file does not end with ICAT6330");
    } else if (f.read(f.fileSize() - 8, 8) == "ICAT6330") {
        return QStringLiteral("unexpected ICAT6330 mark");
    }

    std::sort(ranges.begin(), ranges.end(), [](const Range& a, const Range& b) { return a.from < b.from; });
    const MovAtom mdat = f.mdat();
    for (int i = 0; i < ranges.size(); ++i) {
        if (ranges[i].from < mdat.pos + 8 || ranges[i].to > mdat.end())
            return ranges[i].what + QStringLiteral(" lies outside mdat");
        if (i > 0 && ranges[i].from < ranges[i - 1].to)
            return ranges[i].what + QStringLiteral(" overlaps ") + ranges[i - 1].what;
    }
    for (qint64 p : blocks) {
        const GpsBlock b = f.block(p);
        if (!b.text.startsWith("$GP") || !checksumValid(b.text))
            return QStringLiteral("no sentence at %1: %2").arg(p).arg(QString::fromLatin1(b.text));
    }
    return {};
}

QSet<QString> keySet(const QJsonObject& o)
{
    const QStringList keys = o.keys();
    return QSet<QString>(keys.begin(), keys.end());
}

QJsonObject readTruth(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(f.readAll()).object();
}

// Whether the truth sample is what the block says, reasoned from the sentence with
// plain arithmetic rather than the readers' integer rules.
QString compareSample(const QJsonObject& s, const GpsBlock& b, bool indexReader)
{
    for (int i = 0; i < 3; ++i) {
        const char* key = i == 0 ? "gsensor_x" : i == 1 ? "gsensor_y" : "gsensor_z";
        if (float(s.value(QLatin1String(key)).toDouble()) != float(b.readings[i]) / 1000.0f)
            return QStringLiteral("%1 is %2 for reading %3").arg(key).arg(s.value(QLatin1String(key)).toDouble()).arg(b.readings[i]);
    }
    const QList<QByteArray> f = b.text.trimmed().split(',');
    const QString lat = s.value("gps_lat").toString(), lon = s.value("gps_lgt").toString();
    const int spd = s.value("spd").toInt();
    const double course = s.value("north_angle").toDouble();
    const bool gga = f[0] == "$GPGGA";
    if (gga && !indexReader)
        return QStringLiteral("a GGA sentence in a file read through the sample tables");
    const bool fix = gga ? f.value(6) != "0" : f.value(2) == "A";
    if (!fix) {
        if (!lat.isEmpty() || !lon.isEmpty() || spd != 0 || course != 0)
            return QStringLiteral("a sample without fix reports a position or motion");
        return {};
    }
    const int p = gga ? 2 : 3;
    const double wantLat = nmeaDegrees(f[p], f[p + 1]), wantLon = nmeaDegrees(f[p + 2], f[p + 3]);
    const int places = decimalsOf(QString::fromLatin1(f[p])) + 2;
    if (decimalsOf(lat) != places || decimalsOf(lon) != places)
        return QStringLiteral("%1 / %2 should have %3 decimals").arg(lat, lon).arg(places);
    const double unit = std::pow(10.0, -places);
    if (std::fabs(lat.toDouble() - wantLat) > unit || std::fabs(lon.toDouble() - wantLon) > unit)
        return QStringLiteral("%1, %2 is not %3, %4").arg(lat, lon).arg(wantLat, 0, 'f', 8).arg(wantLon, 0, 'f', 8);
    if (gga)
        return spd == 0 && course == 0 ? QString() : QStringLiteral("a GGA sample reports motion");
    const double kmh = f[7].toDouble() * 1.85;
    if (spd > kmh + 1e-9 || spd <= kmh - 1)
        return QStringLiteral("speed %1 for %2 knots").arg(spd).arg(QString::fromLatin1(f[7]));
    if (course != f[8].toDouble())
        return QStringLiteral("course %1 for field '%2'").arg(course).arg(QString::fromLatin1(f[8]));
    return {};
}

struct SampleFile {
    const char* name;
    Layout layout;
    int seconds;
    int width, height;
    bool inChina;
};

const SampleFile kSamples[] = {
    {"drive/2026_1108_093000_001.MOV", Layout::OneTrak, 60, 640, 360, false},
    {"drive/2026_1108_093100_002.MOV", Layout::OneTrak, 60, 640, 360, false},
    {"drive/2026_1108_093200_003.MOV", Layout::OneTrak, 60, 640, 360, false},
    {"nt9665_1trak.MOV", Layout::OneTrak, 60, 320, 240, false},
    {"nt9665_2trak.MOV", Layout::TwoTrak, 60, 320, 240, true},
    {"nt9666.MOV", Layout::Index, 60, 320, 240, false},
    {"icat6330.MOV", Layout::IndexIcat, 30, 320, 240, true},
    {"nofix.MOV", Layout::OneTrak, 30, 320, 240, true},
    {"clock/2026_1108_093004_001.MOV", Layout::OneTrak, 10, 320, 240, false},
    {"glitches/2026_1108_094000_001.MOV", Layout::OneTrak, 50, 160, 120, false},
    {"badtime/2026_1114_080000_001.MOV", Layout::OneTrak, 10, 160, 120, false},
    {"badtime/2016_1231_235959_006.MOV", Layout::OneTrak, 10, 160, 120, false},
};

} // namespace

class ForgeTest : public QObject {
    Q_OBJECT
private:
    void sampleRows()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("layout");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<bool>("inChina");
        QTest::addColumn<int>("fps");
        for (const SampleFile& s : kSamples)
            QTest::newRow(s.name) << samples() + "/" + s.name << int(s.layout) << s.seconds << s.width << s.height
                                  << s.inChina << 30;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(!samples().isEmpty(), "VELTRA_SAMPLES is not set");
        QVERIFY2(QFileInfo(VELTRA_FORGE).isExecutable(), VELTRA_FORGE);
    }

    void samplePlays_data()
    {
        sampleRows();
        // The card of the newer layouts: each clip plays too, whatever it carries.
        for (const char* name : {"freegps_v3.MOV", "freegps_v3_noindex.MOV", "freegps_old.MOV", "freegps_long.MOV",
                                 "freegps_nmea.MOV", "freegps_xor.MOV", "20261113_100100_NF.mp4", "text_0x120.MOV",
                                 "text_gsensori.MOV", "text_nmea.MOV", "2026_1113_100140_001.MOV",
                                 "2026_1113_100150_001.MOV", "gpmf.MOV", "gpmf_gps9.MOV", "gpmf_damaged.MOV",
                                 "gpmd_freegps.MOV"})
            QTest::newRow(name) << samples() + "/layouts/" + name << -1 << 10 << 320 << 240 << false << 30;
        // The six-camera folder: 36 frames a second, an SEI unit added to every frame.
        for (const QString& name : QDir(samples() + "/cameras").entryList({"*.mp4"}, QDir::Files))
            QTest::newRow(qPrintable(name)) << samples() + "/cameras/" + name << -1 << 10 << 320 << 240 << false << 36;
    }
    void samplePlays()
    {
        QFETCH(QString, file);
        QFETCH(int, seconds);
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, fps);
        // ffprobe decodes every frame: all samples are in place and decodable.
        const RunResult probe = run("ffprobe", {"-v", "error", "-count_frames", "-select_streams", "v:0",
                                                "-show_entries", "stream=codec_name,width,height,nb_read_frames:format=duration",
                                                "-of", "json", file});
        QCOMPARE(probe.exitCode, 0);
        QVERIFY2(probe.err.isEmpty(), probe.err.constData());
        const QJsonObject info = QJsonDocument::fromJson(probe.out).object();
        const QJsonObject stream = info.value("streams").toArray().first().toObject();
        QCOMPARE(stream.value("codec_name").toString(), QStringLiteral("h264"));
        QCOMPARE(stream.value("width").toInt(), width);
        QCOMPARE(stream.value("height").toInt(), height);
        QCOMPARE(stream.value("nb_read_frames").toString().toInt(), seconds * fps);
        QCOMPARE(qRound(info.value("format").toObject().value("duration").toString().toDouble() * 1000), seconds * 1000);

        QVERIFY2(!QStandardPaths::findExecutable("gst-discoverer-1.0").isEmpty()
                     && !QStandardPaths::findExecutable("gst-launch-1.0").isEmpty(),
                 "needs gstreamer1.0-plugins-base-apps and gstreamer1.0-tools (scripts/setup.sh)");
        // The discoverer exits 0 even when it fails; its report tells.
        const RunResult discover = run("gst-discoverer-1.0", {file});
        QVERIFY2(discover.exitCode == 0 && !discover.out.contains("error"), discover.out.constData());
        QVERIFY2(discover.out.contains("video #") && discover.out.contains("H.264"), discover.out.constData());
        QVERIFY2(discover.out.contains(QStringLiteral("Duration: 0:00:%1.0").arg(seconds % 60, 2, 10, QChar('0')).toLatin1())
                     || discover.out.contains(QStringLiteral("Duration: 0:01:00.0").toLatin1()),
                 discover.out.constData());
        // The player's own path: qtdemux feeding the H.264 decoder to the end.
        const RunResult decode = run("gst-launch-1.0", {"-q", "filesrc", "location=" + file, "!", "qtdemux", "!",
                                                        "h264parse", "!", "avdec_h264", "!", "fakesink", "sync=false"});
        QVERIFY2(decode.exitCode == 0 && decode.err.isEmpty(), decode.err.constData());
    }

    // Every frame of a camera file opens with an SEI unit of user data whose message,
    // read with protoc's own code, is the one the truth describes; the magic opens the
    // payload or follows the UUID as the camera's kind says.
    void cameraFramesCarryTheirMessage_data()
    {
        QTest::addColumn<QString>("file");
        const QStringList names = QDir(samples() + "/cameras").entryList({"*.mp4"}, QDir::Files);
        QCOMPARE(names.size(), 11);
        for (const QString& name : names)
            QTest::newRow(qPrintable(name)) << samples() + "/cameras/" + name;
    }
    void cameraFramesCarryTheirMessage()
    {
        QFETCH(QString, file);
        const bool bare = file.contains("repeater") || file.contains("right_pillar");
        MovReader f(file);
        QVERIFY2(f.ok(), qPrintable(f.error()));
        const MovTrack& video = f.tracks().first();
        const QJsonObject truth = readTruth(file + ".truth.json");
        const QJsonArray samples = truth.value("key_video_datas").toArray(), cars = truth.value("vehicle").toArray();
        QCOMPARE(video.sampleSizes.size(), 360);
        QCOMPARE(samples.size(), 360);
        QCOMPARE(cars.size(), 360);
        int braking = 0;
        for (int i = 0; i < video.sampleSizes.size(); ++i) {
            const QByteArray head = f.read(video.chunkOffsets[i], 4);
            const quint32 length = quint8(head[0]) << 24 | quint8(head[1]) << 16 | quint8(head[2]) << 8 | quint8(head[3]);
            QByteArray unit = f.read(video.chunkOffsets[i] + 4, length);
            QCOMPARE(quint8(unit[0]), quint8(0x06));
            // Emulation prevention out: 00 00 03 -> 00 00.
            QByteArray rbsp;
            int zeros = 0;
            for (int k = 1; k < unit.size(); ++k) {
                if (zeros >= 2 && unit[k] == 3) {
                    zeros = 0;
                    continue;
                }
                zeros = unit[k] == 0 ? zeros + 1 : 0;
                rbsp += unit[k];
            }
            QCOMPARE(int(rbsp[0]), 5);
            int at = 1, size = 0;
            while (quint8(rbsp[at]) == 0xFF)
                size += 255, ++at;
            size += quint8(rbsp[at++]);
            QCOMPARE(at + size + 1, rbsp.size());   // one message, then the trailing bits
            const int magic = bare ? 0 : 16;
            QCOMPARE(rbsp.mid(at + magic, 4), QByteArray("\x42\x42\x42\x69"));
            veltra::VehicleMessage m;
            QVERIFY(m.ParseFromArray(rbsp.constData() + at + magic + 4, size - magic - 4));
            const QJsonObject s = samples[i].toObject(), car = cars[i].toObject();
            QCOMPARE(qRound(std::fabs(m.vehicle_speed_mps()) * 3.6), s.value("spd").toInt());
            QCOMPARE(m.brake_applied(), car.value("brake").toBool());
            QCOMPARE(int(m.assistance_state()), car.value("assistance").toInt());
            QCOMPARE(m.frame_seq_no(), quint64(i));
            braking += m.brake_applied();
        }
        // The minute at 10:03 holds the hard braking.
        if (file.contains("10-03-00"))
            QVERIFY(braking > 36);
    }

    void sampleLayout_data() { sampleRows(); }
    void sampleLayout()
    {
        QFETCH(QString, file);
        QFETCH(int, layout);
        QFETCH(int, seconds);
        MovReader f(file);
        QList<qint64> blocks;
        const QString problem = blockPositions(f, Layout(layout), blocks);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        QCOMPARE(blocks.size(), seconds);
        // Each reader route lands on the same blocks: on a 32 KiB boundary after every
        // 30th sample (the telemetry track's chunks start 64 KiB before them).
        const MovTrack& video = f.tracks().first();
        for (int k = 1; k <= blocks.size(); ++k) {
            const qint64 end = qint64(video.chunkOffsets[30 * k - 1]) + video.sampleSizes[30 * k - 1];
            const qint64 lead = Layout(layout) == Layout::TwoTrak ? 65536 : 0;
            QCOMPARE(blocks[k - 1], roundUp32k(end) + lead);
            if (30 * k < video.sampleSizes.size())
                QVERIFY(video.chunkOffsets[30 * k] >= blocks[k - 1] + 188);
        }
    }

    void truthMatchesBlocks_data() { sampleRows(); }
    void truthMatchesBlocks()
    {
        QFETCH(QString, file);
        QFETCH(int, layout);
        QFETCH(bool, inChina);
        const QJsonObject truth = readTruth(file + ".truth.json");
        QCOMPARE(keySet(truth),
                 (QSet<QString>{"key_video_datas", "key_max_speed", "key_is_in_china", "file"}));
        QCOMPARE(truth.value("file").toString(), file);
        QCOMPARE(truth.value("key_is_in_china").toBool(), inChina);
        QVERIFY(truth.value("key_is_in_china").isBool());

        MovReader f(file);
        QList<qint64> blocks;
        QVERIFY(blockPositions(f, Layout(layout), blocks).isEmpty());
        const QJsonArray list = truth.value("key_video_datas").toArray();
        QCOMPARE(list.size(), blocks.size());
        const QSet<QString> keys{"spd", "gps_lat", "gps_lgt", "north_angle", "gsensor_x", "gsensor_y", "gsensor_z"};
        int maxSpeed = 0;
        for (int i = 0; i < list.size(); ++i) {
            const QJsonObject s = list[i].toObject();
            QCOMPARE(keySet(s), keys);
            QVERIFY(s.value("spd").isDouble() && s.value("gps_lat").isString() && s.value("gps_lgt").isString()
                    && s.value("north_angle").isDouble() && s.value("gsensor_z").isDouble());
            const QString problem = compareSample(s, f.block(blocks[i]), layout >= int(Layout::Index));
            QVERIFY2(problem.isEmpty(), qPrintable(QStringLiteral("sample %1: %2").arg(i).arg(problem)));
            maxSpeed = std::max(maxSpeed, s.value("spd").toInt());
        }
        QCOMPARE(truth.value("key_max_speed").toInt(), maxSpeed);
    }

    // The bundled drive is one trip: time and place follow on from file to file, and
    // it has what the player must show: speeds up to motorway pace, turns, a hard
    // braking, a stretch without fix, five-decimal minutes, 1 g on the vertical axis
    // (X), which the panel and the graph show as 0 while the car stands.
    void bundledDriveIsOneRealisticTrip()
    {
        QList<QJsonObject> all;
        QList<QByteArray> sentences;
        for (int i = 0; i < 3; ++i) {
            const QString file = samples() + "/" + kSamples[i].name;
            MovReader f(file);
            QList<qint64> blocks;
            QVERIFY(blockPositions(f, Layout::OneTrak, blocks).isEmpty());
            for (qint64 p : blocks)
                sentences << f.block(p).text;
            for (const QJsonValue& v : readTruth(file + ".truth.json").value("key_video_datas").toArray())
                all << v.toObject();
        }
        QCOMPARE(all.size(), 180);
        QCOMPARE(sentences.first().split(',').value(1), QByteArray("093000.000"));
        int maxSpeed = 0, noFix = 0, longestNoFix = 0, run = 0, fiveDecimals = 0, standing = 0;
        double hardestBraking = 0, xSum = 0, zSum = 0, turned = 0;
        const float step = InstrumentGeometry::graphStep(600);
        for (int i = 0; i < all.size(); ++i) {
            const QJsonObject& s = all[i];
            // One second per sample, across the file boundaries too.
            const QByteArray t = sentences[i].split(',').value(1);
            const int secondOfDay = t.left(2).toInt() * 3600 + t.mid(2, 2).toInt() * 60 + t.mid(4, 2).toInt();
            QCOMPARE(secondOfDay, 9 * 3600 + 30 * 60 + i);
            maxSpeed = std::max(maxSpeed, s.value("spd").toInt());
            const float x = float(s.value("gsensor_x").toDouble());
            hardestBraking = std::min(hardestBraking, double(x) - 1.0);
            xSum += x;
            zSum += s.value("gsensor_z").toDouble();
            const auto still = [](const QJsonObject& o) {   // 0 km/h with a fix (without one speed reads 0)
                return o.value("spd").toInt() == 0 && !o.value("gps_lat").toString().isEmpty();
            };
            if (i > 0 && still(s) && still(all[i - 1])) {
                // Standing still for a second: X reads 0 give or take the sensor's noise,
                // and the X trace runs along the graph's 0 line.
                ++standing;
                const QString text = InstrumentGeometry::gsensorXText(x);
                QVERIFY2(text.startsWith(QLatin1String("X: ")) && std::fabs(text.mid(3).toDouble()) <= 0.005,
                         qPrintable(QStringLiteral("sample %1: %2").arg(i).arg(text)));
                const float traceY = InstrumentGeometry::graphTracePoints(i, all.size(), 800, step, x, 0, 0).x.y();
                QVERIFY(std::fabs(traceY - InstrumentGeometry::graphValueY(0, step)) < 1);
            }
            if (decimalsOf(s.value("gps_lat").toString()) == 7)
                ++fiveDecimals;
            if (s.value("gps_lat").toString().isEmpty()) {
                ++noFix;
                longestNoFix = std::max(longestNoFix, ++run);
                continue;
            }
            run = 0;
            if (i > 0 && !all[i - 1].value("gps_lat").toString().isEmpty()) {
                // At most 35 m between seconds (126 km/h).
                const double dLat = (s.value("gps_lat").toString().toDouble() - all[i - 1].value("gps_lat").toString().toDouble()) * 111320;
                const double dLon = (s.value("gps_lgt").toString().toDouble() - all[i - 1].value("gps_lgt").toString().toDouble()) * 111320 * std::cos(51.5 * M_PI / 180);
                QVERIFY2(std::hypot(dLat, dLon) < 35, qPrintable(QStringLiteral("jump at %1").arg(i)));
                const double a = all[i - 1].value("north_angle").toDouble(), b = s.value("north_angle").toDouble();
                if (s.value("spd").toInt() > 0 && all[i - 1].value("spd").toInt() > 0)
                    turned += std::fabs(std::remainder(b - a, 360.0));
            }
            QVERIFY(std::fabs(s.value("gps_lat").toString().toDouble() - 51.5) < 0.05);
            QVERIFY(std::fabs(s.value("gps_lgt").toString().toDouble() + 0.15) < 0.05);
        }
        QVERIFY2(maxSpeed >= 100 && maxSpeed <= 120, qPrintable(QString::number(maxSpeed)));
        QVERIFY2(hardestBraking <= -0.8, qPrintable(QString::number(hardestBraking)));
        QVERIFY(longestNoFix >= 10 && noFix == longestNoFix);
        QVERIFY(fiveDecimals >= 10);
        QVERIFY(turned >= 180);
        QVERIFY(std::fabs(xSum / all.size() - 1.0) < 0.02);
        QVERIFY(std::fabs(zSum / all.size()) < 0.02);
        QVERIFY2(standing >= 10, qPrintable(QString::number(standing)));
        QCOMPARE(all.first().value("spd").toInt(), 0);
    }

    void sameArgumentsSameBytes_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("nt9666 with video") << QStringList{"--kind", "nt9666", "--seconds", "3", "--size", "160x120"};
        QTest::newRow("2trak without video") << QStringList{"--kind", "nt9665-2trak", "--no-video", "--seconds", "20", "--scenario", "city"};
        QTest::newRow("gpmf without video") << QStringList{"--kind", "gpmf-gps9", "--no-video", "--seconds", "20"};
        QTest::newRow("sei with video") << QStringList{"--kind", "sei", "--seconds", "2", "--fps", "36", "--size", "160x120"};
    }
    void sameArgumentsSameBytes()
    {
        QFETCH(QStringList, args);
        QTemporaryDir dir;
        QByteArray bytes[2], truths[2];
        for (int i = 0; i < 2; ++i) {
            const QString out = dir.filePath(QStringLiteral("run%1.MOV").arg(i));
            const RunResult r = run(VELTRA_FORGE, args + QStringList{"--out", out, "--truth", out + ".json"});
            QVERIFY2(r.exitCode == 0, r.err.constData());
            QFile f(out), t(out + ".json");
            QVERIFY(f.open(QIODevice::ReadOnly) && t.open(QIODevice::ReadOnly));
            bytes[i] = f.readAll();
            truths[i] = t.readAll().replace(out.toUtf8(), "FILE");
        }
        QVERIFY(bytes[0].size() > 30000);
        QVERIFY(bytes[0] == bytes[1]);
        QCOMPARE(truths[0], truths[1]);
        QVERIFY(QDir(dir.path()).entryList({"*.part", "*.mp4"}, QDir::Files).isEmpty());
    }

    // Benchmark files: 180 blocks spread through a sparse 300 MB file, of each kind.
    void sparseFiles_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("layout");
        QTest::newRow("nt9665") << "nt9665" << int(Layout::OneTrak);
        QTest::newRow("nt9665-2trak") << "nt9665-2trak" << int(Layout::TwoTrak);
        QTest::newRow("nt9666") << "nt9666" << int(Layout::Index);
        QTest::newRow("icat6330") << "icat6330" << int(Layout::IndexIcat);
    }
    void sparseFiles()
    {
        QFETCH(QString, kind);
        QFETCH(int, layout);
        QTemporaryDir dir;
        const QString out = dir.filePath("sparse.MOV");
        const qint64 size = 300ll * 1000 * 1000;
        const RunResult r = run(VELTRA_FORGE, {"--kind", kind, "--out", out, "--truth", out + ".json", "--no-video",
                                               "--sparse-size", QString::number(size), "--blocks", "180"});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        QCOMPARE(QFileInfo(out).size(), size);
        struct stat st{};
        QCOMPARE(::stat(QFile::encodeName(out).constData(), &st), 0);
        QVERIFY2(qint64(st.st_blocks) * 512 < 4 * 1024 * 1024, qPrintable(QString::number(st.st_blocks * 512)));

        MovReader f(out);
        QList<qint64> blocks;
        const QString problem = blockPositions(f, Layout(layout), blocks);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        QCOMPARE(blocks.size(), 180);
        QVERIFY(blocks.first() < size / 100);
        QVERIFY(blocks.last() > size * 9 / 10);
        QCOMPARE(readTruth(out + ".json").value("key_video_datas").toArray().size(), 180);
    }

    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("no kind") << QStringList{"--seconds", "2"};
        QTest::newRow("unknown kind") << QStringList{"--kind", "nt9999"};
        QTest::newRow("unknown scenario") << QStringList{"--kind", "nt9665", "--scenario", "moon"};
        QTest::newRow("odd size") << QStringList{"--kind", "nt9665", "--size", "321x240"};
        QTest::newRow("bad start") << QStringList{"--kind", "nt9665", "--start", "2026-13-01 00:00:00"};
        QTest::newRow("trip starts later") << QStringList{"--kind", "nt9665", "--start", "2026-11-08 09:30:00",
                                                          "--trip-start", "2026-11-08 09:31:00"};
        QTest::newRow("sparse with video") << QStringList{"--kind", "nt9665", "--sparse-size", "1000000"};
        QTest::newRow("zero seconds") << QStringList{"--kind", "nt9665", "--seconds", "0"};
        QTest::newRow("missing value") << QStringList{"--kind"};
        QTest::newRow("bad GPS start") << QStringList{"--kind", "nt9665", "--gps-start", "2026-11-08 25:00:00"};
    }
    void usageErrors()
    {
        QFETCH(QStringList, args);
        QTemporaryDir dir;
        const QString out = dir.filePath("x.MOV");
        const RunResult r = run(VELTRA_FORGE, args + QStringList{"--out", out});
        QCOMPARE(r.exitCode, 2);
        QVERIFY(r.err.contains("usage:"));
        QVERIFY(!QFileInfo::exists(out));
    }

    void encoderFailureIsReported()
    {
        QTemporaryDir dir;
        const QString out = dir.filePath("x.MOV");
        const RunResult r = run(VELTRA_FORGE, {"--kind", "nt9665", "--seconds", "2", "--out", out, "--ffmpeg",
                                               dir.filePath("no-such-ffmpeg")});
        QCOMPARE(r.exitCode, 1);
        QVERIFY(!QFileInfo::exists(out));
        QVERIFY(QDir(dir.path()).entryList(QDir::Files).isEmpty());
    }
};

QTEST_GUILESS_MAIN(ForgeTest)
#include "tst_forge.moc"
