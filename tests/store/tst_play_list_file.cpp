// The play list's file format: every value comes back bit for bit, and damaged or
// hostile input (also with a valid checksum) is refused without a crash.
#include "StoreFixtures.h"

#include "store/PlayListFile.h"
#include "../support/FullDisk.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <cstring>
#include <limits>

using namespace StoreFixtures;

namespace {

template <class T>
bool sameBits(T a, T b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Equality that also holds for NaN and tells -0.0 from 0.0.
bool identical(const PlayList &a, const PlayList &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        const PlayListEntry &x = a[i], &y = b[i];
        if (x.path != y.path || x.maxSpeed != y.maxSpeed || x.isInChina != y.isInChina ||
            x.active != y.active || x.startMs != y.startMs || x.durationMs != y.durationMs ||
            x.gpsData.size() != y.gpsData.size())
            return false;
        for (qsizetype k = 0; k < x.gpsData.size(); ++k) {
            const GpsSample &p = x.gpsData[k], &q = y.gpsData[k];
            if (p.spd != q.spd || p.gps_lat != q.gps_lat || p.gps_lgt != q.gps_lgt ||
                !sameBits(p.north_angle, q.north_angle) || !sameBits(p.gsensor_x, q.gsensor_x) ||
                !sameBits(p.gsensor_y, q.gsensor_y) || !sameBits(p.gsensor_z, q.gsensor_z))
                return false;
        }
    }
    return true;
}

PlayList extremes()
{
    PlayListEntry e;
    e.path = QStringLiteral("file:///%E8%A1%8C%E8%BD%A6/%20FILE%200001.MOV");
    e.maxSpeed = std::numeric_limits<qint64>::min();
    e.isInChina = false;
    e.active = true;
    const double dn = std::numeric_limits<double>::quiet_NaN();
    const float fi = std::numeric_limits<float>::infinity();
    GpsSample a;
    a.spd = std::numeric_limits<int>::max();
    a.gps_lat = std::string(300, '9');   // longer than one varint byte
    a.gps_lgt = "-0.000001";
    a.north_angle = dn;
    a.gsensor_x = -0.0f;
    a.gsensor_y = fi;
    a.gsensor_z = std::numeric_limits<float>::denorm_min();
    GpsSample b;
    b.spd = std::numeric_limits<int>::min();   // the largest possible speed step
    b.gps_lat = std::string("\0x\xff", 3);    // texts are bytes
    b.north_angle = -std::numeric_limits<double>::max();
    b.gsensor_x = -fi;
    GpsSample c = b;                            // a repeated sample
    e.gpsData = {a, b, c, GpsSample()};
    PlayListEntry f;
    f.maxSpeed = std::numeric_limits<qint64>::max();
    return {e, f};
}

} // namespace

class TestPlayListFile : public QObject {
    Q_OBJECT
private slots:
    void roundTrip_data();
    void roundTrip();
    void damagedPackedDataIsRefused();
    void randomPackedDataIsRefused();
    void fileOfTheFirstFormatStillReads();
    void marksComeBackAndBadOnesAreLeftOut();
    void aFullDiskKeepsTheOldFile();
};

void TestPlayListFile::roundTrip_data()
{
    QTest::addColumn<PlayList>("list");
    QTest::addRow("empty list") << PlayList();
    QTest::addRow("entry without samples") << PlayList{PlayListEntry{QStringLiteral("file:///a.MOV"), {}, 0, true, false, std::nullopt, -1}};
    QTest::addRow("recording time and duration")
        << PlayList{PlayListEntry{QStringLiteral("file:///a.MOV"), {}, 0, true, false, 1749750302000, 60050},
                    PlayListEntry{QStringLiteral("file:///b.MOV"), {}, 0, false, true, -86400000, -1}};
    QTest::addRow("a drive") << PlayList{entry(QStringLiteral("file:///d/FILE0001.MOV"), 500, 1)};
    PlayListEntry noFix;
    noFix.path = QStringLiteral("file:///d/NOFIX.MOV");
    noFix.gpsData = drive(60, 3, 30);   // the first 30 samples without a fix
    QTest::addRow("samples without a fix") << PlayList{noFix};
    QTest::addRow("many entries")
        << [] {
               PlayList l;
               for (int k = 0; k < 40; ++k)
                   l.append(entry(QStringLiteral("file:///m/%1.MOV").arg(k), k * 7, quint32(k)));
               return l;
           }();
    QTest::addRow("extreme values") << extremes();
    PlayListEntry attached = entry(QStringLiteral("file:///d/PHONE.MOV"), 30, 4);
    attached.layout = TelemetryLayout::GpxFile;
    attached.attachedTrack = QString::fromUtf8("/home/\u884c/phone track.gpx");
    auto typed = std::make_shared<std::vector<TelemetrySample>>(*attached.typedSamples());
    for (size_t k = 0; k < typed->size(); k += 2)
        (*typed)[k].hasSpeed = (*typed)[k].hasG = false;
    typed->back().hasCourse = false;
    attached.telemetry = typed;
    PlayListEntry unreadable;
    unreadable.path = QStringLiteral("file:///d/LOCKED.MOV");
    unreadable.layout = TelemetryLayout::Unreadable;
    QTest::addRow("attached track, unreadable telemetry, what the camera did not record")
        << PlayList{attached, unreadable, entry(QStringLiteral("file:///d/B.MOV"), 5, 5)};
    PlayListEntry car = entry(QStringLiteral("file:///d/2026-11-13_10-03-00-front.mp4"), 40, 6);
    car.layout = TelemetryLayout::SeiProtobuf;
    auto frames = std::make_shared<std::vector<TelemetrySample>>(*car.typedSamples());
    for (size_t k = 0; k < frames->size(); ++k) {
        if (k != 3)
            (*frames)[k].utcMs = 1778666580000 + qint64(k) * 28;   // a frame without a time
        if (k % 5 != 4)
            (*frames)[k].vehicle = TelemetrySample::Vehicle{-540.5f + float(k), float(k % 3) / 2, k % 2 == 0, k == 1,
                                                            k == 2, TelemetrySample::Gear(int(k % 5) - 1),
                                                            TelemetrySample::Assistance(int(k % 5) - 1)};
    }
    frames->front().utcMs = std::numeric_limits<int64_t>::min();   // the widest step to the next
    car.telemetry = frames;
    QTest::addRow("GPS times and what the car reported") << PlayList{car, entry(QStringLiteral("file:///d/B.MOV"), 5, 5)};
    PlayList broken;
    for (const RecordingHealth health : {RecordingHealth{RecordingHealth::Kind::Empty, 0},
                                         RecordingHealth{RecordingHealth::Kind::NotAVideo, 0},
                                         RecordingHealth{RecordingHealth::Kind::EndsEarly, 1.234},
                                         RecordingHealth{RecordingHealth::Kind::NoMovieHeader, 0},
                                         RecordingHealth{RecordingHealth::Kind::Unreadable, 0}}) {
        PlayListEntry e;
        e.path = QStringLiteral("file:///d/%1.MOV").arg(int(health.kind));
        e.health = health;
        broken << e;
    }
    QTest::addRow("broken files keep saying so") << broken;
}

void TestPlayListFile::roundTrip()
{
    QFETCH(PlayList, list);
    PlayList back;
    QString reason;
    QVERIFY2(PlayListFile::decode(PlayListFile::encode(list), &back, &reason), qPrintable(reason));
    QVERIFY(identical(back, list));
    for (qsizetype i = 0; i < list.size(); ++i) {
        QCOMPARE(back[i].layout, list[i].layout);
        QCOMPARE(back[i].attachedTrack, list[i].attachedTrack);
        QCOMPARE(back[i].health, list[i].health);
        const auto want = list[i].typedSamples(), got = back[i].typedSamples();
        QCOMPARE(got->size(), want->size());
        for (size_t k = 0; k < want->size(); ++k)
            QVERIFY((*got)[k].hasSpeed == (*want)[k].hasSpeed && (*got)[k].hasCourse == (*want)[k].hasCourse &&
                    (*got)[k].hasG == (*want)[k].hasG && (*got)[k].utcMs == (*want)[k].utcMs &&
                    (*got)[k].vehicle == (*want)[k].vehicle);
    }
}

void TestPlayListFile::fileOfTheFirstFormatStillReads()
{
    // One entry, written by the program before entries kept their layout and what their
    // camera recorded.
    const QByteArray v1 = QByteArray::fromHex(
        "56504c53000000010000000000000066b7c66add8ce11cb5a6b759d742d2de2a00000066789c63144ccbcc49b5d2d7d7cfcf49d177d4"
        "f3f50f0be16d58b0fadfcfa4032bd999025818384d0df54c0d40808dd9d0c0808153d740cf10cce7647060086368706080037b86062"
        "80d01fba07c0001c21340");
    PlayList back;
    QString reason;
    QVERIFY2(PlayListFile::decode(v1, &back, &reason), qPrintable(reason));
    QCOMPARE(back.size(), 1);
    const PlayListEntry &e = back.first();
    QCOMPARE(e.path, QStringLiteral("file:///old/A.MOV"));
    QCOMPARE(e.maxSpeed, qint64(42));
    QCOMPARE(e.startMs, std::optional<qint64>(1700000000000));
    QCOMPARE(e.durationMs, qint64(60000));
    QCOMPARE(e.gpsData.size(), 2);
    QCOMPARE(e.gpsData[1].spd, 42);
    QCOMPARE(e.gpsData[1].gps_lat, std::string("51.500100"));
    QCOMPARE(e.gpsData[1].north_angle, 91.0);
    QCOMPARE(e.gpsData[1].gsensor_z, -0.25f);
    QCOMPARE(e.layout, TelemetryLayout::None);
    QVERIFY(e.attachedTrack.isEmpty());

    // Format 2 numbered the layouts by the program's order, which put the side files at
    // 8 and 9, and later at 10 and 11: all four read as side files. Format 3 keeps its
    // own numbers.
    const struct {
        TelemetryLayout written;   // written as format 3, then marked as format 2
        TelemetryLayout asTwo;
    } codes[] = {
        {TelemetryLayout::TextTrack, TelemetryLayout::TextTrack},
        {TelemetryLayout::NmeaFile, TelemetryLayout::NmeaFile},
        {TelemetryLayout::GpxFile, TelemetryLayout::GpxFile},
        {TelemetryLayout::Gpmf, TelemetryLayout::NmeaFile},
        {TelemetryLayout::SeiProtobuf, TelemetryLayout::GpxFile},
    };
    for (const auto &c : codes) {
        PlayListEntry one = entry(QStringLiteral("file:///old/B.MOV"), 3, 7);
        one.layout = c.written;
        QByteArray file = PlayListFile::encode({one});
        QVERIFY(PlayListFile::decode(file, &back, &reason));
        QCOMPARE(back.first().layout, c.written);
        // Without the marks section of format 4 (no marks for the one entry, none kept) and
        // the health of format 5 (whole).
        QByteArray packed = PlayListFile::pack({one});
        QVERIFY(packed.endsWith(QByteArray(3, '\0')));
        packed.chop(1);
        file = PlayListFile::seal(packed);
        file[7] = 4;
        QVERIFY2(PlayListFile::decode(file, &back, &reason), qPrintable(reason));
        QCOMPARE(back.first().health, RecordingHealth());
        packed.chop(2);
        file = PlayListFile::seal(packed);
        file[7] = 3;
        QVERIFY2(PlayListFile::decode(file, &back, &reason), qPrintable(reason));
        QCOMPARE(back.first().layout, c.written);
        QVERIFY(back.first().marks.isEmpty());
        file[7] = 2;
        QVERIFY2(PlayListFile::decode(file, &back, &reason), qPrintable(reason));
        QCOMPARE(back.first().layout, c.asTwo);
    }
}

void TestPlayListFile::marksComeBackAndBadOnesAreLeftOut()
{
    PlayListEntry e = entry(QStringLiteral("file:///m/2026_1115_091000_010F.MOV"), 20, 5);
    RedactMarks front(QSize(1920, 1080), 33333);
    const int plate = front.add(MarkKind::Drawn, 1000000, QRect(100, 200, 160, 40));
    QVERIFY(plate > 0);
    QVERIFY(front.setTracked(plate, 1000000, 1100000, {{1033333, QRect(104, 200, 160, 40)}},
                             {MarkLoss{1100000, TrackDirection::Forwards, LossReason::Lost}}));
    QVERIFY(front.add(MarkKind::Face, 2000000, QRect(10, 10, 50, 60), false) > 0);
    RedactMarks rear(QSize(1280, 720), 40000);
    QVERIFY(rear.add(MarkKind::Plate, 0, QRect(0, 0, 20, 20)) > 0);
    e.marks.insert(QStringLiteral("2026_1115_091000_010F.MOV"), front);
    e.marks.insert(QStringLiteral("2026_1115_091000_010R.MOV"), rear);
    const PlayList list{e, entry(QStringLiteral("file:///m/B.MOV"), 3, 6)};
    PlayList back;
    QString reason;
    QVERIFY2(PlayListFile::decode(PlayListFile::encode(list), &back, &reason), qPrintable(reason));
    QCOMPARE(back.size(), 2);
    QCOMPARE(back.first().marks, e.marks);
    QVERIFY(back.last().marks.isEmpty());

    // A camera's marks that do not read as marks (an unknown kind, JSON cut open) are
    // left out; the other camera's and the rest of the list still read.
    const QByteArray packed = PlayListFile::pack(list);
    const qsizetype kind = packed.indexOf("\"plate\"");
    QVERIFY(kind > 0);
    QByteArray unknownKind = packed;
    unknownKind.replace(kind, 7, "\"plane\"");
    QVERIFY2(PlayListFile::decode(PlayListFile::seal(unknownKind), &back, &reason), qPrintable(reason));
    QCOMPARE(back.first().marks.keys(), QStringList{QStringLiteral("2026_1115_091000_010F.MOV")});
    QCOMPARE(back.first().marks.first(), front);
    QCOMPARE(back.size(), 2);
    // The marks of clips no longer listed come back by path.
    const KeptMarks kept{{QStringLiteral("file:///m/GONE.MOV"), {{QStringLiteral("GONE.MOV"), rear}}}};
    KeptMarks keptBack;
    QVERIFY2(PlayListFile::decode(PlayListFile::encode({}, kept), &back, &reason, &keptBack), qPrintable(reason));
    QVERIFY(back.isEmpty());
    QCOMPARE(keptBack, kept);
    QByteArray notJson = packed;
    const qsizetype frontJson = packed.indexOf(QJsonDocument(front.toJson()).toJson(QJsonDocument::Compact));
    QVERIFY(frontJson > 0);
    notJson[frontJson] = '[';
    QVERIFY2(PlayListFile::decode(PlayListFile::seal(notJson), &back, &reason), qPrintable(reason));
    QCOMPARE(back.first().marks.keys(), QStringList{QStringLiteral("2026_1115_091000_010R.MOV")});
}

void TestPlayListFile::damagedPackedDataIsRefused()
{
    // Valid checksums over damaged content: the unpacking itself must hold.
    PlayList list{entry(QStringLiteral("file:///z/A.MOV"), 50, 1), entry(QStringLiteral("file:///z/B.MOV"), 20, 2)};
    list.append(extremes());
    const QByteArray packed = PlayListFile::pack(list);
    QRandomGenerator rng(99);
    int refused = 0;
    for (int round = 0; round < 3000; ++round) {
        QByteArray bad = packed;
        switch (round % 3) {
        case 0:   // flip a few bytes
            for (int k = 0; k < 1 + int(rng.bounded(4)); ++k)
                bad[int(rng.bounded(int(bad.size())))] = char(rng.bounded(256));
            break;
        case 1:   // cut short
            bad.truncate(int(rng.bounded(int(bad.size()))));
            break;
        case 2:   // huge counts and lengths
            bad[int(rng.bounded(int(qMin<qsizetype>(bad.size(), 64))))] = char(0xff);
            break;
        }
        PlayList out;
        QString reason;
        if (!PlayListFile::decode(PlayListFile::seal(bad), &out, &reason)) {
            ++refused;
            QVERIFY(!reason.isEmpty());
            QVERIFY(out.isEmpty());
        }
    }
    QVERIFY(refused > 1000);
}

void TestPlayListFile::randomPackedDataIsRefused()
{
    QRandomGenerator rng(7);
    for (int round = 0; round < 2000; ++round) {
        QByteArray junk(1 + int(rng.bounded(200)), Qt::Uninitialized);
        for (char &c : junk)
            c = char(rng.bounded(256));
        PlayList out;
        QString reason;
        // Random bytes may happen to form a tiny valid list; they must never crash.
        if (!PlayListFile::decode(PlayListFile::seal(junk), &out, &reason))
            QVERIFY(!reason.isEmpty());
    }
}

QTEST_APPLESS_MAIN(TestPlayListFile)
#include "tst_play_list_file.moc"

// Before, a full disk replaced the play list with an empty file and said it was saved.
void TestPlayListFile::aFullDiskKeepsTheOldFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("playlist.dat"));
    PlayList small;
    small.append(PlayListEntry());
    small.last().path = QStringLiteral("file:///card/A.MOV");
    QString reason;
    QVERIFY2(PlayListFile::write(path, small, &reason), qPrintable(reason));
    QFile before(path);
    QVERIFY(before.open(QIODevice::ReadOnly));
    const QByteArray kept = before.readAll();
    before.close();
    PlayList large;
    // Under the 16 KiB a buffered write holds: Qt 6.4's QSaveFile reports such a write
    // whole and commits it, though it never reached the disk.
    QRandomGenerator random(42);   // numbers that do not compress
    while (PlayListFile::encode(large).size() < 6 * 1024) {
        PlayListEntry e;
        e.path = QStringLiteral("file:///card/%1.MOV").arg(random.generate64());
        for (int k = 0; k < 60; ++k)
            e.gpsData.append(GpsSample{int(random.bounded(200)), std::to_string(random.generateDouble()),
                                       std::to_string(random.generateDouble()), random.generateDouble(),
                                       float(random.generateDouble()), float(random.generateDouble()),
                                       float(random.generateDouble())});
        large.append(e);
    }
    const qsizetype bytes = PlayListFile::encode(large).size();
    QVERIFY(bytes > 4 * 1024 && bytes < 16 * 1024);
    {
        FileSizeLimit full(2 * 1024);
        QVERIFY(!PlayListFile::write(path, large, &reason));
    }
    QVERIFY(!reason.isEmpty());
    QFile after(path);
    QVERIFY(after.open(QIODevice::ReadOnly));
    QVERIFY(after.readAll() == kept);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"playlist.dat"});
}
