// Time stamps of track points: the sentence's UTC time and date, the recording
// time in the file name, and the calendar arithmetic between them.
#include "TrackTime.h"

#include <QTest>

#include <cstdlib>
#include <ctime>

using Text = std::string;
Q_DECLARE_METATYPE(std::string)
Q_DECLARE_METATYPE(CivilTime)

namespace {
CivilTime at(int y, int mo, int d, int h, int mi, int s) { return CivilTime{y, mo, d, h, mi, s}; }
qlonglong ms(int y, int mo, int d, int h, int mi, int s) { return ClipTime::toMs(at(y, mo, d, h, mi, s)); }

// Runs the process in a time zone of the system's database, as veltra-gps --time does.
void setZone(const QString &zone)
{
    qputenv("TZ", (":/usr/share/zoneinfo/" + zone).toUtf8());
    tzset();
}
}

namespace QTest {
template <> char *toString(const CivilTime &c) { return qstrdup(TrackTime::localText(c).c_str()); }
}

class TrackTimeTest : public QObject {
    Q_OBJECT
private slots:
    void sentenceUtc_data()
    {
        QTest::addColumn<Text>("hhmmss");
        QTest::addColumn<Text>("ddmmyy");
        QTest::addColumn<Text>("expected");   // empty: no time
        QTest::addRow("plain") << Text("153012.00") << Text("120319") << Text("2019-03-12T15:30:12Z");
        QTest::addRow("no fraction") << Text("153012") << Text("120319") << Text("2019-03-12T15:30:12Z");
        QTest::addRow("fraction kept") << Text("153012.50") << Text("120319") << Text("2019-03-12T15:30:12.5Z");
        QTest::addRow("midnight") << Text("000000.00") << Text("010126") << Text("2026-01-01T00:00:00Z");
        QTest::addRow("last second of the year") << Text("235959.00") << Text("311299") << Text("1999-12-31T23:59:59Z");
        QTest::addRow("year 80 is 1980") << Text("120000") << Text("010180") << Text("1980-01-01T12:00:00Z");
        QTest::addRow("year 79 is 2079") << Text("120000") << Text("010179") << Text("2079-01-01T12:00:00Z");
        QTest::addRow("year 00 is 2000") << Text("120000") << Text("290200") << Text("2000-02-29T12:00:00Z");
        QTest::addRow("leap day") << Text("120000") << Text("290224") << Text("2024-02-29T12:00:00Z");
        QTest::addRow("no leap day in 2019") << Text("120000") << Text("290219") << Text();
        QTest::addRow("no time") << Text() << Text("120319") << Text();
        QTest::addRow("no date") << Text("153012.00") << Text() << Text();
        QTest::addRow("hour 24") << Text("240000") << Text("120319") << Text();
        QTest::addRow("minute 60") << Text("156000") << Text("120319") << Text();
        QTest::addRow("leap second") << Text("235960") << Text("311216") << Text();
        QTest::addRow("month 13") << Text("120000") << Text("011319") << Text();
        QTest::addRow("day 0") << Text("120000") << Text("000319") << Text();
        QTest::addRow("April 31") << Text("120000") << Text("310419") << Text();
        QTest::addRow("letters in time") << Text("15a012") << Text("120319") << Text();
        QTest::addRow("short date") << Text("153012") << Text("12031") << Text();
        QTest::addRow("long date") << Text("153012") << Text("1203190") << Text();
        QTest::addRow("garbage after time") << Text("153012x") << Text("120319") << Text();
        QTest::addRow("letters in fraction") << Text("153012.5a") << Text("120319") << Text();
    }
    void sentenceUtc()
    {
        QFETCH(Text, hhmmss);
        QFETCH(Text, ddmmyy);
        QFETCH(Text, expected);
        const auto text = TrackTime::sentenceUtc(SentenceTime{hhmmss, ddmmyy});
        QCOMPARE(text.value_or(Text()), expected);
    }

    void fromFileName_data()
    {
        QTest::addColumn<Text>("path");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<CivilTime>("time");
        QTest::addRow("camera name") << Text("2019_0312_153012_001.MOV") << true << at(2019, 3, 12, 15, 30, 12);
        QTest::addRow("with folders") << Text("/media/card/2026_1108_093000_001.MOV") << true << at(2026, 11, 8, 9, 30, 0);
        QTest::addRow("lower-case extension") << Text("20190312153012.mov") << true << at(2019, 3, 12, 15, 30, 12);
        QTest::addRow("too short") << Text("ABC_123.MOV") << false << CivilTime();
        QTest::addRow("letters") << Text("CARDIMAGE0123456.MP4") << false << CivilTime();
        QTest::addRow("thirteen digits") << Text("2019_0312_15301.MOV") << false << CivilTime();
        QTest::addRow("month 13") << Text("2019_1312_153012_001.MOV") << false << CivilTime();
        QTest::addRow("February 30") << Text("2019_0230_153012_001.MOV") << false << CivilTime();
        QTest::addRow("hour 24") << Text("2019_0312_243012_001.MOV") << false << CivilTime();
        QTest::addRow("year 0") << Text("0000_0312_153012_001.MOV") << false << CivilTime();
        QTest::addRow("digits only in the folder") << Text("/20190312153012/clip.MOV") << false << CivilTime();
        QTest::addRow("ends in a slash") << Text("/20190312153012/") << false << CivilTime();
    }
    void fromFileName()
    {
        QFETCH(Text, path);
        QFETCH(bool, valid);
        QFETCH(CivilTime, time);
        const auto parsed = TrackTime::fromFileName(path);
        QCOMPARE(parsed.has_value(), valid);
        if (valid)
            QCOMPARE(*parsed, time);
    }

    void plusSeconds_data()
    {
        QTest::addColumn<CivilTime>("start");
        QTest::addColumn<qlonglong>("seconds");
        QTest::addColumn<CivilTime>("end");
        QTest::addRow("none") << at(2019, 3, 12, 15, 30, 12) << 0LL << at(2019, 3, 12, 15, 30, 12);
        QTest::addRow("into the next minute") << at(2019, 3, 12, 15, 30, 12) << 59LL << at(2019, 3, 12, 15, 31, 11);
        QTest::addRow("past midnight") << at(2019, 3, 12, 23, 59, 59) << 1LL << at(2019, 3, 13, 0, 0, 0);
        QTest::addRow("into the new year") << at(2025, 12, 31, 23, 59, 30) << 45LL << at(2026, 1, 1, 0, 0, 15);
        QTest::addRow("to a leap day") << at(2024, 2, 28, 23, 59, 59) << 1LL << at(2024, 2, 29, 0, 0, 0);
        QTest::addRow("past February in a common year") << at(2023, 2, 28, 23, 59, 59) << 1LL << at(2023, 3, 1, 0, 0, 0);
        QTest::addRow("2100 is no leap year") << at(2100, 2, 28, 12, 0, 0) << 86400LL << at(2100, 3, 1, 12, 0, 0);
        QTest::addRow("2000 is a leap year") << at(2000, 2, 28, 12, 0, 0) << 86400LL << at(2000, 2, 29, 12, 0, 0);
        QTest::addRow("a leap year ahead") << at(2024, 1, 1, 0, 0, 0) << 366LL * 86400 << at(2025, 1, 1, 0, 0, 0);
        QTest::addRow("an hour of samples") << at(2026, 11, 8, 9, 30, 0) << 3600LL << at(2026, 11, 8, 10, 30, 0);
    }
    void plusSeconds()
    {
        QFETCH(CivilTime, start);
        QFETCH(qlonglong, seconds);
        QFETCH(CivilTime, end);
        QCOMPARE(TrackTime::plusSeconds(start, seconds), end);
    }

    void localText_data()
    {
        QTest::addColumn<CivilTime>("time");
        QTest::addColumn<Text>("text");
        QTest::addRow("two-digit fields padded") << at(2026, 1, 8, 9, 3, 0) << Text("2026-01-08T09:03:00");
        QTest::addRow("last second of a year") << at(1999, 12, 31, 23, 59, 59) << Text("1999-12-31T23:59:59");
        QTest::addRow("year padded to four digits") << at(7, 2, 3, 4, 5, 6) << Text("0007-02-03T04:05:06");
    }
    void localText()
    {
        QFETCH(CivilTime, time);
        QFETCH(Text, text);
        QCOMPARE(TrackTime::localText(time), text);
    }

    // A moment as UTC, as a camera's clock (the same count, no zone) and at an offset.
    void clockTexts_data()
    {
        QTest::addColumn<qlonglong>("moment");
        QTest::addColumn<int>("offset");
        QTest::addColumn<Text>("utc");
        QTest::addColumn<Text>("camera");
        QTest::addColumn<Text>("zoned");
        QTest::addRow("an hour east") << ms(2026, 11, 8, 8, 30, 0) << 3600 << Text("2026-11-08T08:30:00Z")
                                      << Text("2026-11-08T08:30:00") << Text("2026-11-08T09:30:00+01:00");
        QTest::addRow("half a second at UTC") << ms(2026, 11, 8, 8, 30, 0) + 500 << 0 << Text("2026-11-08T08:30:00.5Z")
                                              << Text("2026-11-08T08:30:00.5") << Text("2026-11-08T08:30:00.5+00:00");
        QTest::addRow("milliseconds") << ms(2026, 11, 8, 8, 30, 0) + 125 << 0 << Text("2026-11-08T08:30:00.125Z")
                                      << Text("2026-11-08T08:30:00.125") << Text("2026-11-08T08:30:00.125+00:00");
        QTest::addRow("west, with minutes") << ms(2026, 11, 8, 8, 30, 0) << -12600 << Text("2026-11-08T08:30:00Z")
                                            << Text("2026-11-08T08:30:00") << Text("2026-11-08T05:00:00-03:30");
        QTest::addRow("east, into the next day") << ms(2026, 11, 8, 20, 0, 0) << 19800 << Text("2026-11-08T20:00:00Z")
                                                 << Text("2026-11-08T20:00:00") << Text("2026-11-09T01:30:00+05:30");
        QTest::addRow("before 1970") << -1500LL << 0 << Text("1969-12-31T23:59:58.5Z") << Text("1969-12-31T23:59:58.5")
                                     << Text("1969-12-31T23:59:58.5+00:00");
    }
    void clockTexts()
    {
        QFETCH(qlonglong, moment);
        QFETCH(int, offset);
        QFETCH(Text, utc);
        QFETCH(Text, camera);
        QFETCH(Text, zoned);
        QCOMPARE(TrackTime::utcText(moment), utc);
        QCOMPARE(TrackTime::cameraText(moment), camera);
        QCOMPARE(TrackTime::offsetText(moment, offset), zoned);
    }

    // The zone of the process, daylight saving included (Debian's tzdata).
    void zoneOffsets_data()
    {
        QTest::addColumn<QString>("zone");
        QTest::addColumn<qlonglong>("moment");
        QTest::addColumn<int>("offset");
        QTest::addColumn<Text>("local");
        QTest::addRow("Berlin in winter") << "Europe/Berlin" << ms(2026, 11, 8, 8, 30, 0) << 3600
                                          << Text("2026-11-08T09:30:00+01:00");
        QTest::addRow("Berlin in summer") << "Europe/Berlin" << ms(2026, 7, 1, 8, 30, 0) << 7200
                                          << Text("2026-07-01T10:30:00+02:00");
        QTest::addRow("Berlin, the last second of winter time") << "Europe/Berlin" << ms(2026, 3, 29, 0, 59, 59) << 3600
                                                                << Text("2026-03-29T01:59:59+01:00");
        QTest::addRow("Berlin, the first of summer time") << "Europe/Berlin" << ms(2026, 3, 29, 1, 0, 0) << 7200
                                                          << Text("2026-03-29T03:00:00+02:00");
        QTest::addRow("New York after the change back") << "America/New_York" << ms(2026, 11, 8, 8, 30, 0) << -18000
                                                        << Text("2026-11-08T03:30:00-05:00");
        QTest::addRow("Kolkata") << "Asia/Kolkata" << ms(2026, 11, 8, 8, 30, 0) << 19800
                                 << Text("2026-11-08T14:00:00+05:30");
        QTest::addRow("UTC") << "UTC" << ms(2026, 11, 8, 8, 30, 0) << 0 << Text("2026-11-08T08:30:00+00:00");
    }
    void zoneOffsets()
    {
        QFETCH(QString, zone);
        QFETCH(qlonglong, moment);
        QFETCH(int, offset);
        QFETCH(Text, local);
        setZone(zone);
        QCOMPARE(TrackTime::zoneOffsetSeconds(moment), offset);
        QCOMPARE(TrackTime::momentText(moment, std::nullopt, TimeBasis::Local), local);
        setZone("UTC");
    }

    // Each clock, and what it falls back to when its own time is not known.
    void momentOnABasis_data()
    {
        QTest::addColumn<int>("basis");
        QTest::addColumn<bool>("utcKnown");
        QTest::addColumn<bool>("cameraKnown");
        QTest::addColumn<Text>("text");
        const int utc = int(TimeBasis::Utc), camera = int(TimeBasis::Camera), local = int(TimeBasis::Local);
        QTest::addRow("utc") << utc << true << true << Text("2026-11-08T08:30:00Z");
        QTest::addRow("utc unknown: the camera's clock, no zone") << utc << false << true << Text("2026-11-08T09:30:04");
        QTest::addRow("camera") << camera << true << true << Text("2026-11-08T09:30:04");
        QTest::addRow("no camera time: UTC") << camera << true << false << Text("2026-11-08T08:30:00Z");
        QTest::addRow("local") << local << true << true << Text("2026-11-08T09:30:00+01:00");
        QTest::addRow("local, utc unknown") << local << false << true << Text("2026-11-08T09:30:04");
        QTest::addRow("nothing known") << local << false << false << Text();
    }
    void momentOnABasis()
    {
        QFETCH(int, basis);
        QFETCH(bool, utcKnown);
        QFETCH(bool, cameraKnown);
        QFETCH(Text, text);
        setZone("Europe/Berlin");
        const auto utc = utcKnown ? std::optional<int64_t>(ms(2026, 11, 8, 8, 30, 0)) : std::nullopt;
        const auto camera = cameraKnown ? std::optional<int64_t>(ms(2026, 11, 8, 9, 30, 4)) : std::nullopt;
        QCOMPARE(TrackTime::momentText(utc, camera, TimeBasis(basis)), text);
        setZone("UTC");
    }

    // Per sample: the sentence's own time first, then the file name's plus the index
    // (in seconds, or in the sample's share of one).
    void pointTime_data()
    {
        QTest::addColumn<bool>("named");
        QTest::addColumn<int>("index");
        QTest::addColumn<double>("rate");
        QTest::addColumn<Text>("expected");
        QTest::addRow("sentence time wins") << true << 0 << 1.0 << Text("2026-01-01T05:00:00Z");
        QTest::addRow("empty sentence time: name plus index") << true << 1 << 1.0 << Text("2026-01-01T00:00:00");
        QTest::addRow("invalid sentence date: name plus index") << true << 2 << 1.0 << Text("2026-01-01T00:00:01");
        QTest::addRow("beyond the times: name plus index") << true << 3 << 1.0 << Text("2026-01-01T00:00:02");
        QTest::addRow("sentence time without a name") << false << 0 << 1.0 << Text("2026-01-01T05:00:00Z");
        QTest::addRow("no time at all") << false << 1 << 1.0 << Text();
        // A sample per video frame, 36 a second: frame 3 is 83 ms after the name's time.
        QTest::addRow("36 samples a second") << true << 3 << 36.0 << Text("2025-12-31T23:59:59.083");
        QTest::addRow("36 a second, a whole second on") << true << 37 << 36.0 << Text("2026-01-01T00:00:00.028");
    }
    void pointTime()
    {
        QFETCH(bool, named);
        QFETCH(int, index);
        QFETCH(double, rate);
        QFETCH(Text, expected);
        GpsReadResult r;
        r.samplesPerSecond = rate;
        r.videoDatas.resize(40);
        r.times = {SentenceTime{"050000.00", "010126"}, SentenceTime{}, SentenceTime{"050002.00", "320126"}};
        const auto recording = named ? TrackTime::fromFileName("2025_1231_235959_007.MOV")
                                     : TrackTime::fromFileName("clip.MOV");
        QCOMPARE(TrackTime::pointTime(r, static_cast<size_t>(index), recording), expected);
    }
};

QTEST_APPLESS_MAIN(TrackTimeTest)
#include "tst_track_time.moc"
