// The json line of a read result and the detection line.
#include "JsonWriter.h"
#include "ClockAheadClip.h"
#include "SampleFactory.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <limits>

using Text = std::string;
Q_DECLARE_METATYPE(std::string)

namespace {

QJsonObject parseLine(const Text &line, QString *error)
{
    QJsonParseError e;
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(line), &e);
    if (e.error != QJsonParseError::NoError)
        *error = e.errorString();
    return doc.object();
}

} // namespace

class JsonWriterTest : public QObject {
    Q_OBJECT
private slots:
    void sampleTextHasTheSevenKeysInOrder()
    {
        const GpsSample s = makeSample("51.502056", "-0.127571", 18, 123.45, 0.012f, -0.98f, 1.5f);
        QCOMPARE(JsonWriter::sample(s),
                 Text("{\"spd\":18,\"gps_lat\":\"51.502056\",\"gps_lgt\":\"-0.127571\",\"north_angle\":123.45,"
                      "\"gsensor_x\":0.012,\"gsensor_y\":-0.98,\"gsensor_z\":1.5}"));
    }

    // --time adds the clock's reading, --clean the figures with and without the
    // glitches; the keys before them stay as they are.
    void clockAndClean()
    {
        const GpsReadResult r = clockAheadClip();
        const ClipClock clock = clockOf(r);
        const Text plain = JsonWriter::resultLine(r, "f");
        const Text line = JsonWriter::resultLine(ClipView{r, "f", &clock}, ExportStyle{TimeBasis::Utc, true});
        QCOMPARE(line.substr(0, plain.size() - 2), plain.substr(0, plain.size() - 2));
        const std::string clockText =
            ",\"clock\":{\"start\":\"2026-11-08T08:30:00Z\",\"utc_start\":\"2026-11-08T08:30:00Z\","
            "\"camera_start\":\"2026-11-08T09:30:04\",\"source\":\"gps\",\"camera_error_ms\":3604000,"
            "\"error_from\":\"clip\",\"outcome\":\"measured\"},\"clean\":{";
        QCOMPARE(QString::fromStdString(line.substr(plain.size() - 2, clockText.size())), QString::fromStdString(clockText));
        QString error;
        const QJsonObject clean = parseLine(line, &error).value("clean").toObject();
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(clean.keys(), (QStringList{"max_speed", "points", "position_glitches", "raw_max_speed", "raw_points",
                                             "raw_route_m", "route_m", "speed_glitches"}));
        // A glitch's position leaves its speed reading counting; 0.0003 degrees of
        // latitude are 33.4 m, out to 51.6 and back 22.2 km.
        QCOMPARE(clean.value("max_speed").toInt(), 40);
        QCOMPARE(clean.value("raw_max_speed").toInt(), 340);
        QVERIFY(std::fabs(clean.value("route_m").toDouble() - 33.4) < 0.2);
        QVERIFY(std::fabs(clean.value("raw_route_m").toDouble() - 22239) < 20);
        QCOMPARE(clean.value("points").toInt(), 3);
        QCOMPARE(clean.value("raw_points").toInt(), 4);
        QCOMPARE(clean.value("position_glitches").toArray(), QJsonArray{1});
        QCOMPARE(clean.value("speed_glitches").toArray(), QJsonArray{2});
        GpsReadResult none;
        const ClipClock unknown = clockOf(none);
        QCOMPARE(QString::fromStdString(JsonWriter::resultLine(ClipView{none, "g", &unknown}, ExportStyle{TimeBasis::Camera, false})),
                 QString("{\"key_video_datas\":[],\"key_max_speed\":0,\"key_is_in_china\":true,\"file\":\"g\","
                      "\"clock\":{\"start\":null,\"utc_start\":null,\"camera_start\":null,\"source\":\"none\","
                      "\"camera_error_ms\":null,\"error_from\":null,\"outcome\":\"no-fix\"}}\n"));
    }

    void emptyResult()
    {
        GpsReadResult r;
        QCOMPARE(JsonWriter::resultLine(r, "/a/X.MOV"),
                 Text("{\"key_video_datas\":[],\"key_max_speed\":0,\"key_is_in_china\":true,\"file\":\"/a/X.MOV\"}\n"));
    }

    // A full line parses, holds exactly the keys and types, and its numbers read back
    // as the same floats and doubles.
    void lineParsesBackExactly()
    {
        GpsReadResult r;
        r.videoDatas = {makeSample("31.2304160", "121.4737010", 54, 271.3, 1.0f / 3.0f, -0.001f, 0.98f),
                        makeSample("", "", 0, 0, 2147483.647f, -2147483.648f, 1e-3f),
                        makeSample("-33.8688", "151.2093", 100, 0.1 + 0.2, 0.1f, 0.2f, 0.3f)};
        r.maxSpeed = 100;
        r.isInChina = false;
        const Text line = JsonWriter::resultLine(r, "/b/Y.MOV");
        QVERIFY(line.back() == '\n');
        QCOMPARE(std::count(line.begin(), line.end(), '\n'), 1L);
        QString error;
        const QJsonObject o = parseLine(line, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(o.keys(), (QStringList{"file", "key_is_in_china", "key_max_speed", "key_video_datas"}));
        QCOMPARE(o.value("file").toString(), QStringLiteral("/b/Y.MOV"));
        QCOMPARE(o.value("key_max_speed").toInt(-1), 100);
        QVERIFY(o.value("key_is_in_china").isBool());
        QCOMPARE(o.value("key_is_in_china").toBool(true), false);
        const QJsonArray samples = o.value("key_video_datas").toArray();
        QCOMPARE(samples.size(), 3);
        for (int i = 0; i < samples.size(); ++i) {
            const QJsonObject s = samples.at(i).toObject();
            const GpsSample &want = r.videoDatas[static_cast<size_t>(i)];
            QCOMPARE(s.keys(), (QStringList{"gps_lat", "gps_lgt", "gsensor_x", "gsensor_y", "gsensor_z",
                                            "north_angle", "spd"}));
            QVERIFY(s.value("spd").isDouble());
            QCOMPARE(s.value("spd").toInt(), want.spd);
            QVERIFY(s.value("gps_lat").isString());
            QCOMPARE(s.value("gps_lat").toString().toStdString(), want.gps_lat);
            QCOMPARE(s.value("gps_lgt").toString().toStdString(), want.gps_lgt);
            QCOMPARE(s.value("north_angle").toDouble(), want.north_angle);
            QCOMPARE(static_cast<float>(s.value("gsensor_x").toDouble()), want.gsensor_x);
            QCOMPARE(static_cast<float>(s.value("gsensor_y").toDouble()), want.gsensor_y);
            QCOMPARE(static_cast<float>(s.value("gsensor_z").toDouble()), want.gsensor_z);
        }
    }

    // A course the camera garbled into a NaN or an infinity still gives valid JSON.
    void nonFiniteNumbersStayValidJson()
    {
        GpsReadResult r;
        r.videoDatas = {makeSample("1.0", "2.0", 5, std::numeric_limits<double>::quiet_NaN()),
                        makeSample("1.0", "2.0", 5, std::numeric_limits<double>::infinity(),
                                   std::numeric_limits<float>::infinity())};
        const Text line = JsonWriter::resultLine(r, "x");
        QString error;
        const QJsonObject o = parseLine(line, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error + " in " + QString::fromStdString(line)));
        const QJsonArray samples = o.value("key_video_datas").toArray();
        QVERIFY(samples.at(0).toObject().value("north_angle").isNull());
        QVERIFY(samples.at(1).toObject().value("gsensor_x").isNull());
        QCOMPARE(samples.at(1).toObject().value("gsensor_y").toDouble(-1), 0.0);
    }

    void fileNamesAreEscaped_data()
    {
        QTest::addColumn<Text>("file");
        QTest::addColumn<QString>("parsed");
        QTest::addRow("quote") << Text("/a\"b.MOV") << QStringLiteral("/a\"b.MOV");
        QTest::addRow("backslash") << Text("C:\\x.MOV") << QStringLiteral("C:\\x.MOV");
        QTest::addRow("newline") << Text("a\nb.MOV") << QStringLiteral("a\nb.MOV");
        QTest::addRow("control") << Text("a\x01" "b") << QStringLiteral("a\x01" "b");
        QTest::addRow("percent escapes kept") << Text("file:///a%20b/X.MOV") << QStringLiteral("file:///a%20b/X.MOV");
        QTest::addRow("unicode") << Text("/\xE8\xA1\x8C\xE8\xBD\xA6.MOV") << QString::fromUtf8("/\xE8\xA1\x8C\xE8\xBD\xA6.MOV");
        QTest::addRow("latin-1 byte") << Text("/caf\xE9.MOV") << QString::fromUtf8("/caf\xEF\xBF\xBD.MOV");
    }
    void fileNamesAreEscaped()
    {
        QFETCH(Text, file);
        QFETCH(QString, parsed);
        for (const Text &line : {JsonWriter::resultLine(GpsReadResult(), file),
                                 JsonWriter::detectLine(file, DetectFlags())}) {
            QCOMPARE(std::count(line.begin(), line.end(), '\n'), 1L);
            QString error;
            const QJsonObject o = parseLine(line, &error);
            QVERIFY2(error.isEmpty(), qPrintable(error));
            QCOMPARE(o.value("file").toString(), parsed);
        }
    }

    void detectLine_data()
    {
        QTest::addColumn<int>("icat");
        QTest::addColumn<int>("nt65");
        QTest::addColumn<int>("nt66");
        QTest::addColumn<QString>("layout");
        QTest::addColumn<Text>("line");
        QTest::addRow("none") << 0 << 0 << 0 << "none" << Text("{\"file\":\"f\",\"icat6330\":0,\"nt9665\":0,\"nt9666\":0,\"layout\":\"none\"}\n");
        QTest::addRow("icat6330") << 1 << 0 << 0 << "icat6330" << Text("{\"file\":\"f\",\"icat6330\":1,\"nt9665\":0,\"nt9666\":0,\"layout\":\"icat6330\"}\n");
        QTest::addRow("nt9665") << 0 << 1 << 0 << "novatek-nt9665" << Text("{\"file\":\"f\",\"icat6330\":0,\"nt9665\":1,\"nt9666\":0,\"layout\":\"novatek-nt9665\"}\n");
        QTest::addRow("nt9666") << 0 << 0 << 1 << "novatek-nt9666" << Text("{\"file\":\"f\",\"icat6330\":0,\"nt9665\":0,\"nt9666\":1,\"layout\":\"novatek-nt9666\"}\n");
        QTest::addRow("freegps beside a udta") << 0 << 0 << 1 << "freegps" << Text("{\"file\":\"f\",\"icat6330\":0,\"nt9665\":0,\"nt9666\":1,\"layout\":\"freegps\"}\n");
    }
    void detectLine()
    {
        QFETCH(int, icat);
        QFETCH(int, nt65);
        QFETCH(int, nt66);
        QFETCH(QString, layout);
        QFETCH(Text, line);
        QCOMPARE(JsonWriter::detectLine("f", DetectFlags{icat, nt65, nt66, layout.toStdString()}), line);
    }
};

QTEST_APPLESS_MAIN(JsonWriterTest)
#include "tst_json_writer.moc"
