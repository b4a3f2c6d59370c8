// The gpx document: schema validity, track points and segments, times, speed
// and course.
#include "GpxWriter.h"
#include "ClockAheadClip.h"
#include "SampleFactory.h"
#include "XmlLint.h"

#include <QTest>
#include <QXmlStreamReader>

#include <cstdlib>
#include <ctime>
#include <limits>

using Text = std::string;
Q_DECLARE_METATYPE(std::string)
Q_DECLARE_METATYPE(GpsReadResult)

namespace {

Text document(const std::vector<std::pair<GpsReadResult, Text>> &files)
{
    Text doc = GpxWriter::header();
    for (const auto &f : files)
        doc += GpxWriter::track(f.first, f.second);
    return doc + GpxWriter::footer();
}

struct Point {
    QString lat, lon, time, speed, course;
    int segment = 0;
};

// The track points of the first track, with the index of their segment.
QVector<Point> points(const Text &doc, QString *error)
{
    QVector<Point> out;
    QXmlStreamReader r(QByteArray::fromStdString(doc));
    int segment = -1;
    while (!r.atEnd()) {
        r.readNext();
        if (r.isEndElement() && r.name() == QLatin1String("trk"))
            break;
        if (!r.isStartElement())
            continue;
        if (r.name() == QLatin1String("trkseg")) {
            ++segment;
        } else if (r.name() == QLatin1String("trkpt")) {
            Point p;
            p.lat = r.attributes().value("lat").toString();
            p.lon = r.attributes().value("lon").toString();
            p.segment = segment;
            out.append(p);
        } else if (r.name() == QLatin1String("time")) {
            out.last().time = r.readElementText();
        } else if (r.name() == QLatin1String("speed")) {
            out.last().speed = r.readElementText();
        } else if (r.name() == QLatin1String("course")) {
            out.last().course = r.readElementText();
        }
    }
    if (r.hasError())
        *error = r.errorString();
    return out;
}

} // namespace

class GpxWriterTest : public QObject {
    Q_OBJECT
private slots:
    void validAgainstTheSchema_data()
    {
        QTest::addColumn<GpsReadResult>("result");
        QTest::addColumn<Text>("file");
        GpsReadResult drive;
        drive.videoDatas = {makeSample("51.502056", "-0.127571", 36, 90.5),
                            makeSample("51.502100", "-0.127000", 40, 91),
                            makeSample("", "", 0, 0),
                            makeSample("51.503000", "-0.126000", 0, 0)};
        drive.times = {SentenceTime{"093000.00", "081126"}, SentenceTime{}, SentenceTime{}, SentenceTime{"093003", "081126"}};
        QTest::addRow("drive with a gap") << drive << Text("/card/2026_1108_093000_001.MOV");
        QTest::addRow("no telemetry") << GpsReadResult() << Text("/card/empty.MOV");
        GpsReadResult nofix;
        nofix.videoDatas = {makeSample("", ""), makeSample("", "")};
        QTest::addRow("no fix at all") << nofix << Text("nofix.MOV");
        GpsReadResult garbled;
        garbled.videoDatas = {makeSample("95.000000", "10.0"), makeSample("10.0", "-181.5"),
                              makeSample("abc", "10.0"), makeSample("12.5xyz", "1e2"),
                              makeSample("0", "180.0000000", -5, std::numeric_limits<double>::quiet_NaN()),
                              makeSample("-90", "-180", 10, 360), makeSample("1.0", "2.0", 1, -1)};
        QTest::addRow("garbled positions, speed and course") << garbled << Text("g.MOV");
        QTest::addRow("awkward name") << drive << Text("/a&b<c>\"d'\x01\xE9/\xE8\xA1\x8C.MOV");
        QTest::addRow("name with characters XML forbids") << drive << Text("a\xEF\xBF\xBE" "b\xEF\xBF\xBF.MOV");
    }
    void validAgainstTheSchema()
    {
        QFETCH(GpsReadResult, result);
        QFETCH(Text, file);
        const Text doc = document({{result, file}, {result, "second.MOV"}});
        const QString problems = xmllintProblems(doc, QStringLiteral(GPX_SCHEMA));
        QVERIFY2(problems.isEmpty(), qPrintable(problems + "\n" + QString::fromStdString(doc)));
        // On one clock, with the clock's report among the track's extensions, and clean.
        GpsReadResult marked = result;
        marked.samples = TelemetrySample::fromRead(result);
        if (!marked.samples.empty())
            marked.samples.front().glitches = TelemetrySample::PositionGlitch;
        const ClipClock clock = clockOf(marked);
        const Text styled = GpxWriter::header() +
                            GpxWriter::track({ClipView{marked, file, &clock}, ClipView{marked, "second.MOV", &clock}},
                                             file, ExportStyle{TimeBasis::Local, true}) +
                            GpxWriter::footer();
        const QString styledProblems = xmllintProblems(styled, QStringLiteral(GPX_SCHEMA));
        QVERIFY2(styledProblems.isEmpty(), qPrintable(styledProblems + "\n" + QString::fromStdString(styled)));
    }

    // The check above can fail: a longitude of 180 is outside GPX's range.
    void schemaCheckRejectsAnInvalidDocument()
    {
        Text doc = document({{GpsReadResult(), "f"}});
        doc.insert(doc.find("</gpx>"), "<trk><trkseg><trkpt lat=\"1\" lon=\"180\"/></trkseg></trk>");
        QVERIFY(!xmllintProblems(doc, QStringLiteral(GPX_SCHEMA)).isEmpty());
    }

    void onePointPerPositionAndSegmentsSplitAtGaps()
    {
        GpsReadResult r;
        r.videoDatas = {makeSample("", ""), makeSample("1.5", "2.5"), makeSample("1.6", "2.6"),
                        makeSample("", ""), makeSample("", ""), makeSample("1.7", "-2.7"),
                        makeSample("91.0", "2.0"), makeSample("1.8", "2.8")};
        QString error;
        const QVector<Point> pts = points(document({{r, "f"}}), &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(pts.size(), 4);
        const QStringList lats{pts[0].lat, pts[1].lat, pts[2].lat, pts[3].lat};
        QCOMPARE(lats, (QStringList{"1.5", "1.6", "1.7", "1.8"}));
        QCOMPARE(pts[2].lon, QStringLiteral("-2.7"));
        const QList<int> segments{pts[0].segment, pts[1].segment, pts[2].segment, pts[3].segment};
        QCOMPARE(segments, (QList<int>{0, 0, 1, 2}));
    }

    void coordinates_data()
    {
        QTest::addColumn<Text>("lat");
        QTest::addColumn<Text>("lon");
        QTest::addColumn<QString>("gpxLat");   // empty: no point
        QTest::addColumn<QString>("gpxLon");
        QTest::addRow("texts kept") << Text("51.5020560") << Text("-0.1275710") << "51.5020560" << "-0.1275710";
        QTest::addRow("no decimal point") << Text("0") << Text("0") << "0" << "0";
        QTest::addRow("trailing garbage read as a number") << Text("12.5xyz") << Text("1e2") << "12.5" << "100";
        QTest::addRow("antimeridian") << Text("10.0") << Text("180.0000000") << "10.0" << "-180";
        QTest::addRow("the poles are on the globe") << Text("90") << Text("-180") << "90" << "-180";
        QTest::addRow("the south pole too") << Text("-90.0") << Text("0") << "-90.0" << "0";
        QTest::addRow("latitude off the globe") << Text("90.0000001") << Text("1.0") << "" << "";
        QTest::addRow("longitude off the globe") << Text("1.0") << Text("-180.5") << "" << "";
        QTest::addRow("one text empty") << Text("1.0") << Text("") << "" << "";
        QTest::addRow("not a number") << Text("nan") << Text("1.0") << "" << "";
    }
    void coordinates()
    {
        QFETCH(Text, lat);
        QFETCH(Text, lon);
        QFETCH(QString, gpxLat);
        QFETCH(QString, gpxLon);
        GpsReadResult r;
        r.videoDatas = {makeSample(lat, lon)};
        QString error;
        const QVector<Point> pts = points(document({{r, "f"}}), &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(pts.size(), gpxLat.isEmpty() ? 0 : 1);
        if (!gpxLat.isEmpty()) {
            QCOMPARE(pts[0].lat, gpxLat);
            QCOMPARE(pts[0].lon, gpxLon);
        }
    }

    // Sentence times are UTC ("Z"); without one, the file name's recording time plus
    // one second per sample index (counted over all samples, fixed or not) is local.
    void times_data()
    {
        QTest::addColumn<Text>("file");
        QTest::addColumn<QStringList>("times");
        QTest::addRow("name of a camera clip") << Text("/card/2025_1231_235958_001.MOV")
            << QStringList{"2025-12-31T22:59:58Z", "2025-12-31T23:59:59", "2026-01-01T00:00:01"};
        QTest::addRow("file URL") << Text("file:///card/2025_1231_235958_001.MOV")
            << QStringList{"2025-12-31T22:59:58Z", "2025-12-31T23:59:59", "2026-01-01T00:00:01"};
        QTest::addRow("name without a time") << Text("/card/clip.MOV")
            << QStringList{"2025-12-31T22:59:58Z", "", ""};
    }
    void times()
    {
        QFETCH(Text, file);
        QFETCH(QStringList, times);
        GpsReadResult r;
        r.videoDatas = {makeSample("1", "2"), makeSample("1", "2"), makeSample("", ""), makeSample("1", "2")};
        r.times = {SentenceTime{"225958.00", "311225"}, SentenceTime{"", "311225"}, SentenceTime{}, SentenceTime{}};
        QString error;
        const QVector<Point> pts = points(document({{r, file}}), &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QStringList got;
        for (const Point &p : pts)
            got << p.time;
        QCOMPARE(got, times);
    }

    // --time: every point on one clock (the last one, which has no sentence time, a
    // second after the one before), and the clip's clock reading in the extensions.
    void timesOnAClock_data()
    {
        QTest::addColumn<int>("basis");
        QTest::addColumn<QStringList>("times");
        QTest::addColumn<QString>("start");
        QTest::addRow("utc") << int(TimeBasis::Utc)
            << QStringList{"2026-11-08T08:30:00Z", "2026-11-08T08:30:01Z", "2026-11-08T08:30:02Z", "2026-11-08T08:30:03Z"}
            << "2026-11-08T08:30:00Z";
        QTest::addRow("camera") << int(TimeBasis::Camera)
            << QStringList{"2026-11-08T09:30:04", "2026-11-08T09:30:05", "2026-11-08T09:30:06", "2026-11-08T09:30:07"}
            << "2026-11-08T09:30:04";
        QTest::addRow("Europe/Berlin") << int(TimeBasis::Local)
            << QStringList{"2026-11-08T09:30:00+01:00", "2026-11-08T09:30:01+01:00", "2026-11-08T09:30:02+01:00",
                           "2026-11-08T09:30:03+01:00"}
            << "2026-11-08T09:30:00+01:00";
    }
    void timesOnAClock()
    {
        QFETCH(int, basis);
        QFETCH(QStringList, times);
        QFETCH(QString, start);
        qputenv("TZ", ":/usr/share/zoneinfo/Europe/Berlin");
        tzset();
        const GpsReadResult r = clockAheadClip();
        const ClipClock clock = clockOf(r);
        const Text doc = GpxWriter::header() + GpxWriter::track({ClipView{r, "a.MOV", &clock}}, "a.MOV",
                                                                ExportStyle{TimeBasis(basis), false}) +
                         GpxWriter::footer();
        qputenv("TZ", ":/usr/share/zoneinfo/UTC");
        tzset();
        QString error;
        QStringList got;
        for (const Point &p : points(doc, &error))
            got << p.time;
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(got, times);
        const QString text = QString::fromStdString(doc);
        QVERIFY2(text.contains("<extensions>\n      <veltra:clock xmlns:veltra=\"urn:veltra-player:clock:1\" file=\"a.MOV\" start=\"" +
                               start + "\" utcStart=\"2026-11-08T08:30:00Z\" cameraStart=\"2026-11-08T09:30:04\" source=\"gps\""
                               " cameraErrorMs=\"3604000\" errorFrom=\"clip\" outcome=\"measured\"/>\n    </extensions>"),
                 qPrintable(text));
    }

    // --clean: a glitch's point is left out, its segment goes on; a glitch's speed is not written.
    void cleanLeavesGlitchesOut()
    {
        const GpsReadResult r = clockAheadClip();
        QString error;
        const QVector<Point> pts = points(GpxWriter::header() +
                                              GpxWriter::track({ClipView{r, "a.MOV"}}, "a.MOV", ExportStyle{TimeBasis::Reader, true}),
                                          &error);
        QCOMPARE(pts.size(), 3);
        QCOMPARE((QStringList{pts[0].lat, pts[1].lat, pts[2].lat}), (QStringList{"51.5", "51.5002", "51.5003"}));
        QCOMPARE((QList<int>{pts[0].segment, pts[1].segment, pts[2].segment}), (QList<int>{0, 0, 0}));
        QCOMPARE(pts[1].speed, QString());
        QCOMPARE(pts[1].time, QStringLiteral("2026-11-08T08:30:02Z"));   // times as the reader gave them
        QCOMPARE(pts[0].speed, QStringLiteral("10"));
        QCOMPARE(points(document({{r, "a.MOV"}}), &error).size(), 4);   // without, every point
    }

    // The recording time comes from the path that was read when the result has one.
    void recordingTimeFromTheReadPath()
    {
        GpsReadResult r;
        r.path = "/card/2026_1108_093000_001.MOV";
        r.videoDatas = {makeSample("1", "2")};
        QString error;
        const QVector<Point> pts = points(document({{r, "file:///card/2026%5F1108_093000_001.MOV"}}), &error);
        QCOMPARE(pts.value(0).time, QStringLiteral("2026-11-08T09:30:00"));
    }

    void speedAndCourse_data()
    {
        QTest::addColumn<int>("spd");
        QTest::addColumn<double>("course");
        QTest::addColumn<QString>("speed");
        QTest::addColumn<QString>("gpxCourse");
        QTest::addRow("36 km/h is 10 m/s") << 36 << 90.5 << "10" << "90.5";
        QTest::addRow("50 km/h") << 50 << 0.0 << "13.889" << "0";
        QTest::addRow("standing") << 0 << 359.99 << "0" << "359.99";
        QTest::addRow("course 360 left out") << 10 << 360.0 << "2.778" << "";
        QTest::addRow("negative course left out") << 10 << -1.0 << "2.778" << "";
        QTest::addRow("course not a number left out") << 10 << std::numeric_limits<double>::quiet_NaN() << "2.778" << "";
        QTest::addRow("negative speed left out") << -5 << 10.0 << "" << "10";
    }
    void speedAndCourse()
    {
        QFETCH(int, spd);
        QFETCH(double, course);
        QFETCH(QString, speed);
        QFETCH(QString, gpxCourse);
        GpsReadResult r;
        r.videoDatas = {makeSample("1", "2", spd, course)};
        QString error;
        const QVector<Point> pts = points(document({{r, "f"}}), &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(pts.size(), 1);
        QCOMPARE(pts[0].speed, speed);
        QCOMPARE(pts[0].course, gpxCourse);
    }

    // Positions from GGA sentences come without a sentence time, and without speed
    // or course: their zeros are not written. RMC samples keep theirs, and so do
    // samples of a result that carries no sentence times at all.
    void noMotionFromGgaSentences()
    {
        GpsReadResult r;
        r.videoDatas = {makeSample("1", "2", 0, 0), makeSample("1", "2", 36, 90), makeSample("1", "2", 36, 90)};
        r.times = {SentenceTime{}, SentenceTime{"093002.00", ""}};
        QString error;
        const QVector<Point> pts = points(document({{r, "f"}}), &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(pts.size(), 3);
        QCOMPARE(pts[0].speed, QString());
        QCOMPARE(pts[0].course, QString());
        QCOMPARE(pts[1].speed, QStringLiteral("10"));
        QCOMPARE(pts[2].course, QStringLiteral("90"));
    }

    // A trip's track: each clip starts a segment, a clip without positions adds none.
    void tripTrackHasASegmentPerClip()
    {
        ClipRecord a, empty, b;
        a.file = "a.MOV";
        a.result.videoDatas = {makeSample("1.5", "2.5"), makeSample("1.6", "2.6")};
        empty.file = "empty.MOV";
        empty.result.videoDatas = {makeSample("", "")};
        b.file = "b.MOV";
        b.result.videoDatas = {makeSample("1.7", "2.7")};
        const Text doc = GpxWriter::header() + GpxWriter::track({&a, &empty, &b}, "trip") + GpxWriter::footer();
        const QString lint = xmllintProblems(doc, QStringLiteral(GPX_SCHEMA));
        QVERIFY2(lint.isEmpty(), qPrintable(lint));
        QString error;
        const QVector<Point> pts = points(doc, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(pts.size(), 3);
        QCOMPARE((QList<int>{pts[0].segment, pts[1].segment, pts[2].segment}), (QList<int>{0, 0, 1}));
        QCOMPARE(pts[2].lat, QStringLiteral("1.7"));
    }

    void oneTrackPerFileNamedAfterIt()
    {
        const Text doc = document({{GpsReadResult(), "a&b.MOV"}, {GpsReadResult(), "c.MOV"}});
        QXmlStreamReader r(QByteArray::fromStdString(doc));
        QStringList names;
        while (!r.atEnd()) {
            r.readNext();
            if (r.isStartElement() && r.name() == QLatin1String("name"))
                names << r.readElementText();
        }
        QVERIFY(!r.hasError());
        QCOMPARE(names, (QStringList{"a&b.MOV", "c.MOV"}));
    }
};

QTEST_APPLESS_MAIN(GpxWriterTest)
#include "tst_gpx_writer.moc"
