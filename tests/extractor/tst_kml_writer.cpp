// The kml document: well-formed, one placemark per file, longitude before latitude.
#include "KmlWriter.h"
#include "ClockAheadClip.h"
#include "SampleFactory.h"
#include "XmlLint.h"

#include <QRegularExpression>
#include <QTest>
#include <QXmlStreamReader>

using Text = std::string;
Q_DECLARE_METATYPE(std::string)
Q_DECLARE_METATYPE(GpsSample)

namespace {

struct Placemark {
    QString name, geometry;
    QStringList coordinates;
};

QVector<Placemark> readPlacemarks(const Text &doc, QString *error)
{
    QVector<Placemark> out;
    QXmlStreamReader r(QByteArray::fromStdString(doc));
    while (!r.atEnd()) {
        r.readNext();
        if (!r.isStartElement())
            continue;
        if (r.name() == QLatin1String("Placemark")) {
            if (r.namespaceUri() != QLatin1String("http://www.opengis.net/kml/2.2"))
                *error = QStringLiteral("placemark outside the KML 2.2 namespace");
            out.append(Placemark());
        } else if (r.name() == QLatin1String("name") && !out.isEmpty()) {
            out.last().name = r.readElementText();
        } else if (r.name() == QLatin1String("LineString") || r.name() == QLatin1String("Point")) {
            out.last().geometry = r.name().toString();
        } else if (r.name() == QLatin1String("coordinates")) {
            out.last().coordinates = r.readElementText().split(QRegularExpression("\\s+"), Qt::SkipEmptyParts);
        }
    }
    if (r.hasError())
        *error = r.errorString();
    return out;
}

} // namespace

class KmlWriterTest : public QObject {
    Q_OBJECT
private slots:
    void placemarks_data()
    {
        QTest::addColumn<QVector<GpsSample>>("samples");
        QTest::addColumn<QString>("geometry");
        QTest::addColumn<QStringList>("coordinates");
        QTest::addRow("line through the fixes")
            << QVector<GpsSample>{makeSample("51.502056", "-0.127571"), makeSample("", ""), makeSample("51.6", "-0.2")}
            << "LineString" << QStringList{"-0.127571,51.502056", "-0.2,51.6"};
        QTest::addRow("one fix is a point")
            << QVector<GpsSample>{makeSample("", ""), makeSample("31.2", "121.5")} << "Point" << QStringList{"121.5,31.2"};
        QTest::addRow("no fix, no geometry") << QVector<GpsSample>{makeSample("", "")} << "" << QStringList{};
        QTest::addRow("no samples") << QVector<GpsSample>{} << "" << QStringList{};
        QTest::addRow("positions off the globe left out")
            << QVector<GpsSample>{makeSample("99.1", "1"), makeSample("1", "2"), makeSample("3", "4")}
            << "LineString" << QStringList{"2,1", "4,3"};
    }
    void placemarks()
    {
        QFETCH(QVector<GpsSample>, samples);
        QFETCH(QString, geometry);
        QFETCH(QStringList, coordinates);
        GpsReadResult r;
        r.videoDatas.assign(samples.begin(), samples.end());
        const Text doc = KmlWriter::header() + KmlWriter::placemark(r, "/card/a&b.MOV") +
                         KmlWriter::placemark(GpsReadResult(), "next.MOV") + KmlWriter::footer();
        const QString lint = xmllintProblems(doc);
        QVERIFY2(lint.isEmpty(), qPrintable(lint));
        QString error;
        const QVector<Placemark> pms = readPlacemarks(doc, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(pms.size(), 2);
        QCOMPARE(pms[0].name, QStringLiteral("/card/a&b.MOV"));
        QCOMPARE(pms[0].geometry, geometry);
        QCOMPARE(pms[0].coordinates, coordinates);
        QCOMPARE(pms[1].name, QStringLiteral("next.MOV"));
    }

    // The timed positions also go into a gx:Track, all times before all coordinates;
    // a trip draws a line per clip, none across the clip without positions.
    void tripWithTimedTrack()
    {
        ClipRecord a, empty, b;
        a.file = "a.MOV";
        a.result.videoDatas = {makeSample("1", "2"), makeSample("1.1", "2.1"), makeSample("1.2", "2.2")};
        a.result.times = {{"093000", "081126"}, {"", ""}, {"093002", "081126"}};
        empty.file = "empty.MOV";
        empty.result.videoDatas = {makeSample("", "")};
        b.file = "2026_1108_093100_002.MOV";   // GGA points: the time from the name
        b.result.videoDatas = {makeSample("3", "4"), makeSample("3.1", "4.1")};
        const Text doc = KmlWriter::header() + KmlWriter::placemark({&a, &empty, &b}, "trip") + KmlWriter::footer();
        const QString lint = xmllintProblems(doc);
        QVERIFY2(lint.isEmpty(), qPrintable(lint));
        QXmlStreamReader r(QByteArray::fromStdString(doc));
        QStringList order, whens, coords;
        int lines = 0;
        while (!r.atEnd()) {
            r.readNext();
            if (!r.isStartElement())
                continue;
            if (r.name() == QLatin1String("LineString"))
                ++lines;
            if (r.name() == QLatin1String("when") || r.name() == QLatin1String("coord")) {
                const bool when = r.name() == QLatin1String("when");
                if (!when)
                    QCOMPARE(r.namespaceUri(), QStringLiteral("http://www.google.com/kml/ext/2.2"));
                order << r.name().toString();
                (when ? whens : coords) << r.readElementText();
            }
        }
        QVERIFY(!r.hasError());
        QCOMPARE(lines, 2);
        QCOMPARE(whens, (QStringList{"2026-11-08T09:30:00Z", "2026-11-08T09:30:02Z", "2026-11-08T09:31:00",
                                     "2026-11-08T09:31:01"}));
        QCOMPARE(coords, (QStringList{"2 1 0", "2.2 1.2 0", "4 3 0", "4.1 3.1 0"}));
        QCOMPARE(order, (QStringList{"when", "when", "when", "when", "coord", "coord", "coord", "coord"}));
    }

    // --time and --clean: the gx:Track on the clock, the clock's reading in the
    // placemark's ExtendedData, a glitch's position out of the line and the track.
    void clockAndClean()
    {
        const GpsReadResult r = clockAheadClip();
        const ClipClock clock = clockOf(r);
        const Text doc = KmlWriter::header() +
                         KmlWriter::placemark({ClipView{r, "a.MOV", &clock}}, "a.MOV", ExportStyle{TimeBasis::Camera, true}) +
                         KmlWriter::footer();
        const QString lint = xmllintProblems(doc);
        QVERIFY2(lint.isEmpty(), qPrintable(lint));
        QString error;
        const QVector<Placemark> marks = readPlacemarks(doc, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(marks.value(0).coordinates, (QStringList{"-0.12,51.5", "-0.12,51.5002", "-0.12,51.5003"}));
        const QString text = QString::fromStdString(doc);
        QVERIFY2(text.contains("    <name>a.MOV</name>\n    <ExtendedData>\n      <veltra:clock xmlns:veltra=\"urn:veltra-player:clock:1\""
                               " file=\"a.MOV\" start=\"2026-11-08T09:30:04\" utcStart=\"2026-11-08T08:30:00Z\""),
                 qPrintable(text));
        QCOMPARE(text.count("<when>"), 3);
        for (const char *when : {"<when>2026-11-08T09:30:04</when>", "<when>2026-11-08T09:30:06</when>",
                                 "<when>2026-11-08T09:30:07</when>"})
            QVERIFY2(text.contains(when), when);
    }

    void awkwardNamesStayWellFormed()
    {
        const Text doc = KmlWriter::header() + KmlWriter::placemark(GpsReadResult(), "<\x01\xE9]]>&\xEF\xBF\xBE\xEF\xBF\xBF") + KmlWriter::footer();
        const QString lint = xmllintProblems(doc);
        QVERIFY2(lint.isEmpty(), qPrintable(lint));
    }
};

QTEST_APPLESS_MAIN(KmlWriterTest)
#include "tst_kml_writer.moc"
