// The play list's cell rules, the lock test and the order after a drag.
#include "CameraClock.h"
#include "common/Localization.h"
#include "drive/ClockText.h"
#include "drive/PlayListRules.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

class PlayListRulesTest : public QObject {
    Q_OBJECT
private slots:
    void clockText_data();
    void clockText();
    void timeOfDay_data();
    void timeOfDay();
    void cellTexts_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("filename");
        QTest::addColumn<QString>("timeDate");

        QTest::addRow("camera name with index")
            << "file:///media/card/DCIM/2019_0312_153012_001.MOV" << "2019_0312_153012_001.MOV"
            << "2019-03-12 15:30:12";
        QTest::addRow("lower-case extension is not removed")
            << "file:///media/card/20190312153012.mov" << "20190312153012.mov" << "2019-03-12 15:30:12";
        QTest::addRow("too short after removal") << "file:///media/card/ABC_123.MOV" << "ABC_123.MOV" << "";
        QTest::addRow("letters are no time")
            << "file:///media/card/CARDIMAGE0123456.MP4" << "CARDIMAGE0123456.MP4" << "";
        QTest::addRow("exactly fourteen left")
            << "file:///x/20260102_030405.MOV" << "20260102_030405.MOV" << "2026-01-02 03:04:05";
        QTest::addRow("thirteen left") << "file:///x/2026010203040.MOV" << "2026010203040.MOV" << "";
        QTest::addRow(".MOV inside the name is removed too")
            << "file:///x/2019.MOV_0312.MOV_153012.MOV" << "2019.MOV_0312.MOV_153012.MOV" << "2019-03-12 15:30:12";
        QTest::addRow("escapes decoded in the name")
            << "file:///my%20card/2019_0312_153012%20a.MOV" << "2019_0312_153012 a.MOV" << "2019-03-12 15:30:12";
        QTest::addRow("blanks and Chinese")
            << "file:///tmp/vanish%20%E4%B8%AD%E6%96%87_005.MOV" << QString::fromUtf8("vanish 中文_005.MOV") << "";
        QTest::addRow("plus stays, %%25 is a percent sign")
            << "file:///x/a+b%2520c.MOV" << "a+b%20c.MOV" << "";
        QTest::addRow("camera name") << "file:///x/2026_1108_093000_001.MOV" << "2026_1108_093000_001.MOV"
                                     << "2026-11-08 09:30:00";
        QTest::addRow("camera name, front") << "file:///x/2025_0612_174502_012F.MOV" << "2025_0612_174502_012F.MOV"
                                            << "2025-06-12 17:45:02";
        QTest::addRow("camera name, rear") << "file:///x/2025_0612_174502_013R.MOV" << "2025_0612_174502_013R.MOV"
                                           << "2025-06-12 17:45:02";
        QTest::addRow("camera name, lower-case extension")
            << "file:///x/2026_1108_093000_001.mov" << "2026_1108_093000_001.mov" << "2026-11-08 09:30:00";
        QTest::addRow("escaped camera name with a blank")
            << "file:///x/2026_1108_093000_001%20copy.MOV" << "2026_1108_093000_001 copy.MOV" << "2026-11-08 09:30:00";
        QTest::addRow("six-camera name") << "file:///x/2026-11-13_10-03-00-left_repeater.mp4"
                                         << "2026-11-13_10-03-00-left_repeater.mp4" << "2026-11-13 10:03:00";
        QTest::addRow("month 13") << "file:///x/2026_1308_093000_001.MOV" << "2026_1308_093000_001.MOV" << "";
        QTest::addRow("30 February") << "file:///x/2026_0230_093000_001.MOV" << "2026_0230_093000_001.MOV" << "";
        QTest::addRow("25 o'clock") << "file:///x/2026_1108_250000_001.MOV" << "2026_1108_250000_001.MOV" << "";
        QTest::addRow("minute 60") << "file:///x/2026_1108_096000_001.MOV" << "2026_1108_096000_001.MOV" << "";
        QTest::addRow("year 0") << "file:///x/0000_1108_093000_001.MOV" << "0000_1108_093000_001.MOV" << "";
        QTest::addRow("too few digits") << "file:///x/2026_1108_0930ab.MOV" << "2026_1108_0930ab.MOV" << "";
        QTest::addRow("other digits than 0-9")
            << QString::fromUtf8("file:///x/2026_1108_09300٠.MOV") << QString::fromUtf8("2026_1108_09300٠.MOV") << "";
        QTest::addRow("query and fragment signs are part of the name")
            << "file:///x/a%3Fb%23c:d.MOV" << "a?b#c:d.MOV" << "";
        QTest::addRow("stray percent sign") << "100%.MOV" << "100%.MOV" << "";
        QTest::addRow("trailing slash: no name") << "file:///x/folder/" << "" << "";
        QTest::addRow("no slash at all") << "2019_0312_153012.MOV" << "2019_0312_153012.MOV" << "2019-03-12 15:30:12";
        QTest::addRow("empty") << "" << "" << "";
    }
    void cellTexts()
    {
        QFETCH(QString, path);
        QFETCH(QString, filename);
        QFETCH(QString, timeDate);
        QCOMPARE(PlayListRules::abbreviationFile(path), filename);
        QCOMPARE(PlayListRules::timeAndDateText(path), timeDate);
    }

    void rowNumbers()
    {
        QCOMPARE(PlayListRules::rowNumberText(0), QStringLiteral("1"));
        QCOMPARE(PlayListRules::rowNumberText(99), QStringLiteral("100"));
    }

    void localPathIsDecoded_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("local");
        QTest::addRow("blank") << "file:///media/my%20card/A.MOV" << "/media/my card/A.MOV";
        QTest::addRow("non-ASCII") << "file:///media/%E8%A1%8C%E8%BD%A6/A.MOV" << QString::fromUtf8("/media/行车/A.MOV");
        QTest::addRow("percent sign itself") << "file:///media/100%25/A.MOV" << "/media/100%/A.MOV";
        QTest::addRow("plain path stays") << "/media/card/A.MOV" << "/media/card/A.MOV";
    }
    void localPathIsDecoded()
    {
        QFETCH(QString, path);
        QFETCH(QString, local);
        QCOMPARE(PlayListRules::localPath(path), local);
    }

    void lockMark_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("writable");
        QTest::addColumn<bool>("exists");
        QTest::addColumn<bool>("locked");
        QTest::addRow("writable file") << "card" << true << true << false;
        QTest::addRow("read-only file") << "card" << false << true << true;
        QTest::addRow("writable file under a blank") << "my card" << true << true << false;
        QTest::addRow("read-only file under a blank") << "my card" << false << true << true;
        QTest::addRow("writable file under a percent sign") << "100% full" << true << true << false;
        QTest::addRow("missing file") << "card" << true << false << true;
    }
    void lockMark()
    {
        QFETCH(QString, folder);
        QFETCH(bool, writable);
        QFETCH(bool, exists);
        QFETCH(bool, locked);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(QDir(dir.path()).mkpath(folder));
        const QString local = dir.path() + QLatin1Char('/') + folder + QStringLiteral("/2019_0312_153012_001.MOV");
        if (exists) {
            QFile f(local);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("x");
            f.close();
            if (!writable)
                QVERIFY(f.setPermissions(QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        }
        const QString path = QUrl::fromLocalFile(local).toString(QUrl::FullyEncoded);
        QCOMPARE(PlayListRules::isProtectedFile(path), locked);
    }

    void columnWidths_data()
    {
        QTest::addColumn<int>("available");
        QTest::addColumn<QList<int>>("widths");
        QTest::addRow("exactly the base widths") << 335 << QList<int>{25, 130, 110, 70};
        QTest::addRow("narrower keeps the base widths") << 200 << QList<int>{25, 130, 110, 70};
        QTest::addRow("room shared, the number's share to the name") << 415 << QList<int>{25, 170, 130, 90};
        QTest::addRow("remainder to the last column") << 338 << QList<int>{25, 130, 110, 73};
        QTest::addRow("remainder beside shares") << 342 << QList<int>{25, 132, 111, 74};
    }
    void columnWidths()
    {
        QFETCH(int, available);
        QFETCH(QList<int>, widths);
        QCOMPARE(PlayListRules::columnWidths(available), widths);
    }

    void movedOrder_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QList<int>>("rows");
        QTest::addColumn<int>("destination");
        QTest::addColumn<QList<int>>("order");
        QTest::addRow("first row below the third") << 4 << QList<int>{0} << 3 << QList<int>{1, 2, 0, 3};
        QTest::addRow("last row to the top") << 4 << QList<int>{3} << 0 << QList<int>{3, 0, 1, 2};
        QTest::addRow("to the end") << 3 << QList<int>{0} << 3 << QList<int>{1, 2, 0};
        QTest::addRow("onto itself") << 3 << QList<int>{1} << 1 << QList<int>{0, 1, 2};
        QTest::addRow("just below itself") << 3 << QList<int>{1} << 2 << QList<int>{0, 1, 2};
        QTest::addRow("two rows keep their order") << 5 << QList<int>{3, 0} << 2 << QList<int>{1, 0, 3, 2, 4};
        QTest::addRow("rows out of range ignored") << 3 << QList<int>{-1, 7, 2} << 0 << QList<int>{2, 0, 1};
        QTest::addRow("destination past the end") << 3 << QList<int>{0} << 99 << QList<int>{1, 2, 0};
        QTest::addRow("duplicates") << 3 << QList<int>{2, 2} << 0 << QList<int>{2, 0, 1};
        QTest::addRow("empty list") << 0 << QList<int>{0} << 0 << QList<int>{};
    }
    void movedOrder()
    {
        QFETCH(int, count);
        QFETCH(QList<int>, rows);
        QFETCH(int, destination);
        QFETCH(QList<int>, order);
        QCOMPARE(PlayListRules::movedOrder(count, rows, destination), order);
    }

    // Files that could not be added: each named up to four, else three and how many more.
    void refusalText()
    {
        const auto lines = [](int n) {
            QStringList l;
            for (int k = 0; k < n; ++k)
                l << QStringLiteral("f%1 was not added").arg(k);
            return l;
        };
        QCOMPARE(PlayListRules::refusalText({}), QString());
        QCOMPARE(PlayListRules::refusalText(lines(1)), QStringLiteral("f0 was not added"));
        QCOMPARE(PlayListRules::refusalText(lines(4)).count(QLatin1Char('\n')), 3);
        QCOMPARE(PlayListRules::refusalText(lines(10000)),
                 QStringLiteral("f0 was not added\nf1 was not added\nf2 was not added\n"
                                "…and 9997 more files that could not be added."));
    }
    void dragPayload()
    {
        const QList<int> rows{0, 3, 17};
        QCOMPARE(PlayListRules::decodeRows(PlayListRules::encodeRows(rows)), rows);
        QCOMPARE(PlayListRules::decodeRows(PlayListRules::encodeRows({})), QList<int>());
        // Malformed payloads read as nothing.
        QCOMPARE(PlayListRules::decodeRows(QByteArray()), QList<int>());
        QCOMPARE(PlayListRules::decodeRows(QByteArray("\x7f\xff\xff\xff\x00", 5)), QList<int>());
        QByteArray truncated = PlayListRules::encodeRows(rows);
        truncated.chop(2);
        QCOMPARE(PlayListRules::decodeRows(truncated), QList<int>());
        QCOMPARE(PlayListRules::decodeRows(QByteArray("\xff\xff\xff\xff", 4)), QList<int>());
    }
};

// The tooltips of a clip's and a trip's camera clock, in both languages: a clip is
// given as its error (none: -1), whether the trip lent it, its source, whether its
// start is UTC and its outcome; a trip as the errors its clips measured.
void PlayListRulesTest::clockText_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QList<qint64>>("errors");
    QTest::addColumn<bool>("fromTrip");
    QTest::addColumn<int>("source");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<bool>("trip");
    QTest::addColumn<QString>("text");
    using S = ClipClock::Source;
    using O = ClockReading::Outcome;
    const auto clip = [](const char *name, const char *language, qint64 error, bool fromTrip, S source, O outcome,
                         const char *text) {
        QTest::addRow("%s", name) << QString::fromLatin1(language) << QList<qint64>{error} << fromTrip << int(source)
                                  << int(outcome) << false << QString::fromUtf8(text);
    };
    clip("an hour and four seconds ahead", "en", 3604000, false, S::Gps, O::Measured,
         "Camera clock 1 h 00 min 04 s ahead of GPS\nTime from GPS (UTC)");
    clip("an hour and four seconds ahead, Chinese", "zh-Hans", 3604000, false, S::Gps, O::Measured,
         "相机时钟比 GPS 快 1 小时 00 分 04 秒\n时间来自 GPS（UTC）");
    clip("behind, lent by the trip", "en", -125400, true, S::Name, O::NoFix,
         "Camera clock 2 min 05 s behind GPS (from the other clips of the trip)\n"
         "Time from the file name, corrected to UTC");
    clip("within half a second", "en", 499, false, S::Gps, O::Measured,
         "Camera clock agrees with GPS\nTime from GPS (UTC)");
    clip("no fix, the movie header's time", "en", -1, false, S::Movie, O::NoFix,
         "Time from the movie header (camera clock)");
    clip("factory time", "en", -1, false, S::Gps, O::CameraClockUnset,
         "Time from GPS (UTC)\nCamera clock not set (factory time)");
    clip("week rollover", "en", 4000, false, S::Gps, O::RolloverCorrected,
         "Camera clock 4 s ahead of GPS\nTime from GPS (UTC)\nGPS week rollover corrected");
    clip("no time at all, Chinese", "zh-Hans", -1, false, S::None, O::NoFix, "无录制时间");
    QTest::addRow("trip: two of three clips measured")
        << QStringLiteral("en") << QList<qint64>{3604000, 3604000, -1} << false << 0 << 0 << true
        << QStringLiteral("Camera clock 1 h 00 min 04 s ahead of GPS\nTime from GPS in 2 of 3 clips");
    QTest::addRow("trip: no GPS") << QStringLiteral("en") << QList<qint64>{-1} << false << 0 << 0 << true
                                  << QStringLiteral("No GPS time: camera clock only");
}

void PlayListRulesTest::clockText()
{
    QFETCH(QString, language);
    QFETCH(QList<qint64>, errors);
    QFETCH(int, source);
    QFETCH(int, outcome);
    QFETCH(bool, trip);
    Localization::install(language);
    QList<ClipClock> clocks;
    for (const qint64 e : errors) {
        ClipClock c;
        c.reading.outcome = ClockReading::Outcome(outcome);
        c.source = trip ? (e >= 0 ? ClipClock::Source::Gps : ClipClock::Source::Name) : ClipClock::Source(source);
        QFETCH(bool, fromTrip);
        if (e >= 0 || !trip) {
            if (e != -1)
                c.errorMs = e;
            if (!fromTrip && e != -1)
                c.reading.errorMs = e;
        }
        c.errorFromOtherClips = fromTrip;
        if (c.source == ClipClock::Source::Gps || fromTrip)
            c.utcStartMs = 1700000000000;
        clocks << c;
    }
    const QString text = trip ? ClockText::trip(clocks) : ClockText::clip(clocks.first());
    Localization::install(QStringLiteral("en"));
    QTEST(text, "text");
}

// The timeline's time of day, 5.5 s into a clip whose camera clock started at 09:30:04,
// an hour and four seconds ahead of GPS (when its UTC is known).
void PlayListRulesTest::timeOfDay_data()
{
    QTest::addColumn<QString>("clock");
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<int>("known");   // 2: UTC and the camera's time, 1: the camera's, 0: none
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("text");
    QTest::addRow("camera clock") << "camera" << QByteArray() << 2 << "hh:mm:ss" << "09:30:09";
    QTest::addRow("UTC") << "utc" << QByteArray() << 2 << "hh:mm:ss" << "08:30:05 UTC";
    QTest::addRow("Berlin in November") << "zone" << QByteArray("Europe/Berlin") << 2 << "hh:mm:ss" << "09:30:05 CET";
    QTest::addRow("New York in November") << "zone" << QByteArray("America/New_York") << 2 << "hh:mm:ss" << "03:30:05 EST";
    QTest::addRow("UTC unknown: the camera's, unnamed") << "utc" << QByteArray() << 1 << "hh:mm:ss" << "09:30:09";
    QTest::addRow("no time") << "utc" << QByteArray() << 0 << "hh:mm:ss" << "";
    QTest::addRow("a capture's date and time") << "utc" << QByteArray() << 2 << "yyyy-MM-dd hh:mm:ss" << "2026-11-08 08:30:05 UTC";
}

void PlayListRulesTest::timeOfDay()
{
    QFETCH(QString, clock);
    QFETCH(QByteArray, zone);
    QFETCH(int, known);
    ClipClock c;
    const qint64 camera = QDateTime(QDate(2026, 11, 8), QTime(9, 30, 4), Qt::UTC).toMSecsSinceEpoch();
    if (known >= 1)
        c.cameraStartMs = camera;
    if (known == 2) {
        c.errorMs = 3604000;
        c.utcStartMs = camera - 3604000;
    }
    QFETCH(QString, format);
    QTEST(ClockText::timeOfDay(c, 5.5, TimeChoice::of(clock, zone), format), "text");
}

QTEST_GUILESS_MAIN(PlayListRulesTest)
#include "tst_playlistrules.moc"
