// The drive's telemetry heard through its signals: the views of a clip, the moment of
// each tick by the index rule over each view (the rules the panels, the map and the
// media controls have always shown), and the trip with its one distance.
#include "SampleFactory.h"
#include "drive/DriveTelemetry.h"
#include "drive/PlayListTrips.h"

#include <QSignalSpy>
#include <QTest>

#include <cmath>

namespace {

PlayListEntry entry(const QString &name, const QList<GpsSample> &samples, std::optional<qint64> startMs = {},
                    qint64 durationMs = -1)
{
    PlayListEntry e;
    e.path = QStringLiteral("file:///media/drive/") + name;
    e.gpsData = samples;
    e.startMs = startMs;
    e.durationMs = durationMs;
    for (const GpsSample &s : samples)
        e.maxSpeed = std::max<qint64>(e.maxSpeed, s.spd);
    return e;
}

GpsSample g(float x, float y, float z, int spd = 0) { return makeSample("1", "1", spd, 0, x, y, z); }

// A clip going north in 0.001-degree steps (or `step`), one sample a second.
QList<GpsSample> north(double lat0, int n, double step = 0.001)
{
    QList<GpsSample> out;
    for (int k = 0; k < n; ++k)
        out << makeSample(QString::number(lat0 + step * k, 'f', 6).toStdString(), "20.000000", 40);
    return out;
}

} // namespace

class DriveTelemetryTest : public QObject {
    Q_OBJECT
private slots:
    // Which samples each view holds: a position both of whose coordinates read as
    // numbers other than 0; G values all within -4 .. +4 g.
    void views_data()
    {
        QTest::addColumn<QList<GpsSample>>("samples");
        QTest::addColumn<QList<int>>("positions");
        QTest::addColumn<QList<int>>("gsensor");
        QTest::addRow("mixed") << QList<GpsSample>{makeSample("51.5", "-0.12", 10, 0, 0, 0, 0),
                                                   makeSample("", "", 20, 0, 0, 4.0f, 0),
                                                   makeSample("0", "12", 30, 0, 0, 4.01f, 0),
                                                   makeSample("0.0001", "abc", 40, 0, 0, 0, 0),
                                                   makeSample("-33.9", "151.2", 50, 100, 0, -1.0f, 0)}
                               << QList<int>{0, 4} << QList<int>{0, 1, 3, 4};
        QTest::addRow("no fix, all G out of range")
            << QList<GpsSample>(3, makeSample("", "", 80, 0, 5.0f, 0, 0)) << QList<int>() << QList<int>();
        QTest::addRow("none") << QList<GpsSample>() << QList<int>() << QList<int>();
    }
    void views()
    {
        QFETCH(QList<GpsSample>, samples);
        const ClipTelemetry clip = ClipTelemetry::of(entry(QStringLiteral("A.MOV"), samples));
        QCOMPARE(int(clip.samples->size()), int(samples.size()));
        QTEST(clip.positions, "positions");
        QTEST(clip.gsensor, "gsensor");
        if (QByteArray(QTest::currentDataTag()) == "mixed") {
            const std::vector<TelemetrySample> &s = *clip.samples;
            QCOMPARE(s[size_t(clip.positions[0])].longitude, -0.12f);
            QCOMPARE(s[size_t(clip.positions[0])].latitude, 51.5f);
            QCOMPARE(s[size_t(clip.positions[1])].course, 100.0);
            QCOMPARE(s[size_t(clip.gsensor[1])].gy, 4.0f);
            QCOMPARE(s[size_t(clip.gsensor[3])].gy, -1.0f);
            QCOMPARE(s[4].speedKmh, 50);
        }
    }

    // Clips of one camera and channel share a pattern, another channel or naming does not.
    void cameraPatterns_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("pattern");
        QTest::addRow("front") << "2026_1108_093004_001F.MP4" << "#_#_#_#f.mp4";
        QTest::addRow("front, next day") << "2026_1109_101500_002F.MP4" << "#_#_#_#f.mp4";
        QTest::addRow("rear") << "2026_1108_093004_001R.MP4" << "#_#_#_#r.mp4";
        QTest::addRow("another naming") << "20261108093004_front.mp4" << "#_front.mp4";
        QTest::addRow("from a URL") << "file:///media/card/DCIM/FILE0042.MOV" << "file#.mov";
        QTest::addRow("from a path, folder left out") << "/media/2026/cam1/NORM_0001.ts" << "norm_#.ts";
        QTest::addRow("no digits") << "drive.mp4" << "drive.mp4";
    }
    void cameraPatterns()
    {
        QFETCH(QString, name);
        QTEST(cameraPattern(name), "pattern");
    }

    // The index of each view at a time of a clip of a duration.
    void moments_data()
    {
        QTest::addColumn<QList<GpsSample>>("samples");
        QTest::addColumn<double>("duration");
        QTest::addColumn<double>("seconds");
        QTest::addColumn<int>("sample");
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("gsensor");
        QTest::addColumn<int>("offsetMs");   // the nudge of the clip's camera
        const QList<GpsSample> fixLater{makeSample("", "", 0, 10.0), makeSample("51.5", "-0.1275", 40, 90.0)};
        QTest::addRow("one fix over two seconds: r = 0.5") << fixLater << 2.0 << 1.5 << 1 << 0 << 1 << 0;
        QTest::addRow("past the data") << fixLater << 2.0 << 4.0 << -1 << -1 << -1 << 0;
        // G: the third sample has y = 4.01 and stays out; r = 3 / 4.
        const QList<GpsSample> gs{g(1.0f, 0.5f, -0.25f), g(1.5f, 4.0f, 0), g(0, 4.01f, 0), g(-1.0f, -2.0f, 3.0f)};
        QTest::addRow("G first second") << gs << 4.0 << 0.9 << 0 << 0 << 0 << 0;
        QTest::addRow("G second 2 is entry 1") << gs << 4.0 << 2.5 << 2 << 2 << 1 << 0;
        QTest::addRow("G second 3 is entry 2") << gs << 4.0 << 3.99 << 3 << 3 << 2 << 0;
        QTest::addRow("G at the end") << gs << 4.0 << 4.0 << -1 << -1 << -1 << 0;
        // The G view's ratio is single precision: float(100) / float(333.3).
        QList<GpsSample> hundred;
        for (int k = 0; k < 100; ++k)
            hundred << g(1.0f, float(k) / 100.0f, 0, k);
        QTest::addRow("single-precision G rule") << hundred << 333.3 << 200.7
                                                 << int(200.0f * float(100.0 / 333.3)) << int(200.0f * float(100.0 / 333.3))
                                                 << int(200.0f * (100.0f / 333.3f)) << 0;
        // Every sample, as the media controls have always taken it: int(20 * 3/60) = 1.
        const QList<GpsSample> three{makeSample("1", "2", 10), makeSample("3", "4", 20), makeSample("5", "6", 30)};
        QTest::addRow("every sample at 0") << three << 60.0 << 0.0 << 0 << 0 << 0 << 0;
        QTest::addRow("every sample at 20") << three << 60.0 << 20.0 << 1 << 1 << 1 << 0;
        QTest::addRow("every sample at 59.9") << three << 60.0 << 59.9 << 2 << 2 << 2 << 0;
        // The picture at 19 s shows the sample of 20.5 s; at 20 s the sample of 19 s.
        QTest::addRow("telemetry moved 1.5 s earlier") << three << 60.0 << 19.0 << 1 << 1 << 1 << 1500;
        QTest::addRow("telemetry moved 1 s later") << three << 60.0 << 20.0 << 0 << 0 << 0 << -1000;
        QTest::addRow("one past the last") << three << 60.0 << 60.0 << -1 << -1 << -1 << 0;
        QTest::addRow("no samples") << QList<GpsSample>() << 60.0 << 5.0 << -1 << -1 << -1 << 0;
        QTest::addRow("no duration yet: one a second") << three << 0.0 << 1.5 << 1 << 1 << 1 << 0;
        // Every other second without a fix: speed entry 100 of 180, position entry 50 of
        // 90 (which is second 100).
        QList<GpsSample> halfFixed;
        for (int s = 0; s < 180; ++s)
            halfFixed << (s % 2 ? makeSample("", "", s) : makeSample(std::to_string(40.0 + s / 1000.0), "-3", s, 2.0 * s));
        QTest::addRow("views indexed separately") << halfFixed << 180.0 << 100.5 << 100 << 50 << 100 << 0;
        QTest::addRow("before the start") << halfFixed << 180.0 << -4.0 << -1 << -1 << -1 << 0;
    }
    void moments()
    {
        QFETCH(QList<GpsSample>, samples);
        QFETCH(double, duration);
        QFETCH(double, seconds);
        QFETCH(int, offsetMs);
        DriveTelemetry telemetry;
        QSignalSpy moments(&telemetry, &DriveTelemetry::momentChanged);
        telemetry.setTelemetryOffsets({{QStringLiteral("a.mov"), offsetMs}});
        const PlayListEntry e = entry(QStringLiteral("A.MOV"), samples);
        telemetry.follow(&e);
        telemetry.setDuration(duration);
        telemetry.tick(seconds);
        QCOMPARE(moments.size(), 1);
        const TelemetryMoment m = moments.first().first().value<TelemetryMoment>();
        QCOMPARE(m.seconds, seconds);
        QTEST(m.sample, "sample");
        QTEST(m.position, "position");
        QTEST(m.gsensor, "gsensor");
        QVERIFY(m == telemetry.momentAt(seconds));
        // The samples the moment carries are the view's.
        const ClipTelemetry &clip = telemetry.clip();
        if (m.sample >= 0) {
            QCOMPARE(m.atSample.speedKmh, samples.at(m.sample).spd);
            QCOMPARE(telemetry.record(m.sample)->spd, samples.at(m.sample).spd);
        }
        if (m.position >= 0) {
            const GpsSample &s = samples.at(clip.positions.at(m.position));
            QCOMPARE(m.atPosition.latitude, TelemetrySample::fromGps(s).latitude);
            QCOMPARE(m.atPosition.course, s.north_angle);
        }
        if (m.gsensor >= 0)
            QCOMPARE(m.atGsensor.gy, samples.at(clip.gsensor.at(m.gsensor)).gsensor_y);
        QVERIFY(!telemetry.record(int(samples.size())));
    }

    // A new entry is a new clip, even with the same number of samples; none (the queue
    // ran off its end) keeps the clip shown.
    void followsTheEntries()
    {
        DriveTelemetry telemetry;
        QSignalSpy clips(&telemetry, &DriveTelemetry::clipChanged);
        QSignalSpy durations(&telemetry, &DriveTelemetry::durationChanged);
        const PlayListEntry a = entry(QStringLiteral("A.MOV"), {makeSample("51.5", "-0.1", 40)});
        const PlayListEntry b = entry(QStringLiteral("B.MOV"), {makeSample("-33.75", "151.2", 70)});
        telemetry.follow(&a);
        telemetry.setDuration(1.0);
        telemetry.tick(0.5);
        QCOMPARE(telemetry.moment().atPosition.latitude, 51.5f);
        telemetry.follow(&b);
        QCOMPARE(clips.size(), 2);
        QCOMPARE(clips.last().first().value<ClipTelemetry>().entry, b.id);
        QCOMPARE(telemetry.clip().maxSpeed, qint64(70));
        QCOMPARE(telemetry.moment().sample, -1);   // nothing until the clock ticks
        telemetry.tick(0.5);
        QCOMPARE(telemetry.moment().atPosition.latitude, -33.75f);
        telemetry.follow(nullptr);
        QCOMPARE(clips.size(), 2);
        QCOMPARE(telemetry.clip().path, b.path);
        QCOMPARE(durations.size(), 1);
        QCOMPARE(durations.first().first().toDouble(), 1.0);
    }

    // The trip: its clips laid on its axis, and its distance, which is the one the play
    // list's caption shows for the same clips.
    void tripOfTheClip()
    {
        const qint64 t0 = 1700000000000;
        PlayList clips{entry(QStringLiteral("2026_1108_093000_001F.MOV"), north(51.500, 60), t0, 60000),
                       entry(QStringLiteral("2026_1108_093100_002F.MOV"), north(51.560, 60), t0 + 60000, 60000),
                       entry(QStringLiteral("2026_1108_093200_003F.MOV"), north(51.620, 30), t0 + 120000)};
        clips[1].gpsData[10] = makeSample("", "", 40);   // a moment without fix, bridged
        DriveTelemetry telemetry;
        QSignalSpy trips(&telemetry, &DriveTelemetry::tripChanged);
        telemetry.follow(&clips[1]);
        telemetry.followTrip(clips, 1);
        QCOMPARE(trips.size(), 1);
        const TripTelemetry trip = trips.first().first().value<TripTelemetry>();
        QCOMPARE(trip.playing, 1);
        QCOMPARE(trip.clips.size(), 3);
        QCOMPARE(trip.offsets, (QList<double>{0, 60, 120}));
        QCOMPARE(trip.clips.at(2).seconds(), 30.0);
        // One line through every fix: 0.149 degrees of latitude.
        QVERIFY2(std::abs(trip.metres - 0.149 * 111195.08) < 2, qPrintable(QString::number(trip.metres)));
        const QList<PlayListTrip> grouped = PlayListTrips::group(clips, 10000);
        QCOMPARE(grouped.size(), 1);
        QCOMPARE(grouped.first().metres, trip.metres);
    }

    // A point 5 km off the road and back, and a reading of 339 km/h: clean, both are
    // marked and left out of the route, the maximum, the counted records and the
    // distances; raw, every reading counts; a change makes the clip and trip anew.
    void glitches_data()
    {
        QTest::addColumn<bool>("clean");
        QTest::addColumn<QList<int>>("glitches");
        QTest::addColumn<int>("positions");
        QTest::addColumn<qint64>("maxSpeed");
        QTest::addColumn<double>("metres");
        QTest::addRow("clean") << true << QList<int>{20, 40} << 59 << qint64(40) << 59 * 0.0002 * 111195.08;
        QTest::addRow("raw") << false << QList<int>{} << 60 << qint64(339) << 57 * 0.0002 * 111195.08 + 2 * 5537.2;
    }
    void glitches()
    {
        QFETCH(bool, clean);
        QFETCH(double, metres);
        PlayList clips{entry(QStringLiteral("2026_1108_094000_001.MOV"), north(51.500, 60, 0.0002), 1700000000000, 60000)};
        clips[0].gpsData[20] = makeSample("51.504000", "20.080000", 40);
        clips[0].gpsData[40].spd = 339;
        clips[0].maxSpeed = 339;
        DriveTelemetry telemetry;
        QSignalSpy made(&telemetry, &DriveTelemetry::clipChanged);
        telemetry.setCleanGps(!clean);
        telemetry.follow(&clips[0]);
        telemetry.followTrip(clips, 0);
        telemetry.setCleanGps(clean);
        const ClipTelemetry &clip = telemetry.clip();
        QCOMPARE(made.size(), 2);
        QTEST(clip.glitches, "glitches");
        QTEST(int(clip.positions.size()), "positions");
        QTEST(clip.maxSpeed, "maxSpeed");
        QCOMPARE(clip.counted.at(20).gps_lat.empty(), clean);
        QCOMPARE(clip.counted.at(40).spd, clean ? 0 : 339);
        QCOMPARE(clip.records.at(40).spd, 339);
        QVERIFY2(std::abs(telemetry.trip().metres - metres) < 20, qPrintable(QString::number(telemetry.trip().metres)));
        QCOMPARE(PlayListTrips::group(clips, 10000, clean).first().metres, telemetry.trip().metres);
    }
};

QTEST_GUILESS_MAIN(DriveTelemetryTest)
#include "tst_drive_telemetry.moc"
