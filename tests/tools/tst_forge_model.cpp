// The forge's own rules: the sentences it writes, the truth it derives from them
// (worked-out values from the format's examples) and the trip model's continuity.
#include "DriveModel.h"
#include "NmeaWriter.h"
#include "ReaderTruth.h"

#include <QJsonArray>
#include <cmath>
#include <vector>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

namespace {

QString q(const std::string& s)
{
    return QString::fromStdString(s);
}

} // namespace

class ForgeModelTest : public QObject {
    Q_OBJECT
private slots:
    void coordinateText_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("hemisphere");
        QTest::addColumn<QString>("expected");
        QTest::newRow("four decimals north") << "5130.1234" << "N" << "51.502056";
        QTest::newRow("four decimals west, no whole degree") << "00007.6543" << "W" << "-0.127571";
        QTest::newRow("five decimals east") << "12130.12345" << "E" << "121.5020575";
        QTest::newRow("lower-case s is north") << "3114.31600" << "s" << "31.2386000";
        QTest::newRow("south") << "3330.0000" << "S" << "-33.500000";
        QTest::newRow("three decimals give nothing") << "4807.038" << "N" << "";
        QTest::newRow("six decimals give nothing") << "4807.038000" << "N" << "";
        QTest::newRow("no point") << "4807" << "N" << "0";
    }
    void coordinateText()
    {
        QFETCH(QString, value);
        QFETCH(QString, hemisphere);
        QFETCH(QString, expected);
        QCOMPARE(q(ReaderTruth::coordinateText(value.toStdString(), hemisphere.toLatin1()[0])), expected);
    }

    void writtenCoordinate_data()
    {
        QTest::addColumn<double>("degrees");
        QTest::addColumn<bool>("latitude");
        QTest::addColumn<bool>("five");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("hemisphere");
        QTest::newRow("latitude") << 51.502056 << true << false << "5130.1234" << "N";
        QTest::newRow("longitude west, padded to three degree digits") << -0.127571 << false << false << "00007.6543" << "W";
        QTest::newRow("five decimals") << 121.5020575 << false << true << "12130.12345" << "E";
        QTest::newRow("minutes round up into the next degree") << 51.99999999 << true << false << "5200.0000" << "N";
        QTest::newRow("south") << -33.5 << true << false << "3330.0000" << "S";
    }
    void writtenCoordinate()
    {
        QFETCH(double, degrees);
        QFETCH(bool, latitude);
        QFETCH(bool, five);
        QFETCH(QString, text);
        QFETCH(QString, hemisphere);
        char h = 0;
        QCOMPARE(q(NmeaWriter::coordinate(degrees, latitude, five, h)), text);
        QCOMPARE(QString(QChar(h)), hemisphere);
    }

    void checksumOfTheTextbookSentence()
    {
        QCOMPARE(q(NmeaWriter::withChecksum("$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,")),
                 QStringLiteral("$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n"));
    }

    void sentenceForms()
    {
        TelemetryPoint p;
        p.utc = 1794130200 + 59.5; // 2026-11-08 09:30:59.5 UTC
        p.fix = true;
        p.latitude = 51.502056;
        p.longitude = -0.127571;
        p.speedKmh = 100;
        p.courseDeg = 87.456;
        QCOMPARE(q(NmeaWriter::rmc(p)).section('*', 0, 0),
                 QStringLiteral("$GPRMC,093059.500,A,5130.1234,N,00007.6543,W,53.996,87.46,081126,,,A"));
        p.stopped = true;
        QCOMPARE(q(NmeaWriter::rmc(p)).section(',', 7, 8), QStringLiteral("0.000,"));
        QCOMPARE(q(NmeaWriter::gga(p)).section(',', 0, 6), QStringLiteral("$GPGGA,093059.500,5130.1234,N,00007.6543,W,1"));
        p.fix = false;
        QCOMPARE(q(NmeaWriter::rmc(p)).section('*', 0, 0), QStringLiteral("$GPRMC,093059.500,V,,,,,,,081126,,,N"));
        p.noDate = true;
        QCOMPARE(q(NmeaWriter::rmc(p)).section('*', 0, 0), QStringLiteral("$GPRMC,093059.500,V,,,,,,,,,,N"));

        // A leap second at midnight: 23:59:60 on the old day, then every time a second back.
        std::vector<TelemetryPoint> leap(3);
        for (size_t i = 0; i < leap.size(); ++i)
            leap[i].utc = 1483228799 + double(i);   // 2016-12-31 23:59:59 UTC on
        DriveModel::putLeapSecond(leap);
        QStringList times;
        for (const TelemetryPoint& l : leap)
            times << q(NmeaWriter::rmc(l)).section(',', 1, 1) + ' ' + q(NmeaWriter::rmc(l)).section(',', 9, 9);
        QCOMPARE(times, (QStringList{"235959.000 311216", "235960.000 311216", "000000.000 010117"}));

        const std::vector<uint8_t> stored = NmeaWriter::shifted("$A");
        QCOMPARE(stored, (std::vector<uint8_t>{0x2F, 0x4C}));
    }

    void expectedSample_data()
    {
        QTest::addColumn<QString>("sentence");
        QTest::addColumn<bool>("indexReader");
        QTest::addColumn<QString>("lat");
        QTest::addColumn<QString>("lon");
        QTest::addColumn<int>("spd");
        QTest::addColumn<double>("course");
        const QString rmc = "$GPRMC,093000.000,A,5130.1234,N,00007.6543,W,%1,%2,081126,,,A*00\r\n";
        QTest::newRow("10 knots") << rmc.arg("10.0", "87.5") << false << "51.502056" << "-0.127571" << 18 << 87.5;
        QTest::newRow("54.1 knots") << rmc.arg("54.1", "3") << false << "51.502056" << "-0.127571" << 100 << 3.0;
        QTest::newRow("0.5 knots") << rmc.arg("0.5", "3") << false << "51.502056" << "-0.127571" << 0 << 3.0;
        QTest::newRow("empty course reads 0") << rmc.arg("0.000", "") << false << "51.502056" << "-0.127571" << 0 << 0.0;
        QTest::newRow("empty speed reads 0") << rmc.arg("", "12.5") << false << "51.502056" << "-0.127571" << 0 << 12.5;
        QTest::newRow("GLRMC") << QString(rmc).replace("$GPRMC", "$GLRMC").arg("10.0", "1") << false << "51.502056"
                               << "-0.127571" << 18 << 1.0;
        QTest::newRow("GNRMC gives nothing") << QString(rmc).replace("$GPRMC", "$GNRMC").arg("10.0", "1") << false
                                             << "" << "" << 0 << 0.0;
        QTest::newRow("no fix") << "$GPRMC,093000.000,V,,,,,,,081126,,,N*00" << false << "" << "" << 0 << 0.0;
        QTest::newRow("33-character latitude") << "$GPRMC,093000.000,A,5130.12340000000000000000000000000,N,"
                                                  "00007.6543,W,10.0,1.0,081126,,,A*00"
                                               << false << "" << "" << 0 << 0.0;
        const QString gga = "$GPGGA,093000.000,3114.31600,N,12129.41800,E,1,09,0.9,35.2,M,47.0,M,,*00";
        QTest::newRow("GGA, index reader") << gga << true << "31.2386000" << "121.4903000" << 0 << 0.0;
        QTest::newRow("GGA, sample-table reader") << gga << false << "" << "" << 0 << 0.0;
        QTest::newRow("VTG") << "$GPVTG,87.5,T,,M,10.0,N,18.5,K,A*00" << true << "" << "" << 0 << 0.0;
    }
    void expectedSample()
    {
        QFETCH(QString, sentence);
        QFETCH(bool, indexReader);
        const int32_t readings[3] = {120, -340, 981};
        const ExpectedSample e = ReaderTruth::expect(sentence.toStdString(), readings,
                                                     indexReader ? ReaderTruth::Reader::Index : ReaderTruth::Reader::SampleTable);
        QTEST(q(e.lat), "lat");
        QTEST(q(e.lon), "lon");
        QTEST(e.spd, "spd");
        QTEST(e.course, "course");
        QCOMPARE(e.g[2], 0.981f);
    }

    void gsensorLimitOfTheIndexReader_data()
    {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<int>("z");
        QTest::addColumn<bool>("indexReader");
        QTest::addColumn<float>("gx");
        QTest::addColumn<float>("gz");
        QTest::newRow("one reading above the limit zeroes all") << 120 << -340 << 10001 << true << 0.0f << 0.0f;
        QTest::newRow("the limits themselves pass") << 10000 << -10000 << 981 << true << 10.0f << 0.981f;
        QTest::newRow("the sample-table reader has no limit") << 120 << -340 << 10001 << false << 0.12f << 10.001f;
    }
    void gsensorLimitOfTheIndexReader()
    {
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(int, z);
        QFETCH(bool, indexReader);
        const int32_t readings[3] = {x, y, z};
        const ExpectedSample e = ReaderTruth::expect("$GPRMC", readings,
                                                     indexReader ? ReaderTruth::Reader::Index : ReaderTruth::Reader::SampleTable);
        QTEST(e.g[0], "gx");
        QTEST(e.g[2], "gz");
    }

    void chinaFlag_data()
    {
        QTest::addColumn<QString>("lat");
        QTest::addColumn<QString>("lon");
        QTest::addColumn<bool>("inChina");
        QTest::newRow("Shanghai") << "31.2386000" << "121.4903000" << true;
        QTest::newRow("London") << "51.502056" << "-0.127571" << false;
        QTest::newRow("53.33 lies just outside") << "53.33" << "100" << false;
        QTest::newRow("3.51 lies just outside") << "3.51" << "100" << false;
        QTest::newRow("135.05 lies just outside") << "30" << "135.05" << false;
        QTest::newRow("73.33 lies inside") << "30" << "73.33" << true;
        QTest::newRow("no position keeps true") << "" << "" << true;
        QTest::newRow("a zero latitude keeps true") << "0.000000" << "-0.127571" << true;
    }
    void chinaFlag()
    {
        QFETCH(QString, lat);
        QFETCH(QString, lon);
        QFETCH(bool, inChina);
        ExpectedSample london;
        london.lat = "51.5";
        london.lon = "-0.1";
        ExpectedSample last;
        last.lat = lat.toStdString();
        last.lon = lon.toStdString();
        QCOMPARE(ReaderTruth::inChina({london, last}), inChina);
    }

    void truthJson()
    {
        QVERIFY(ReaderTruth::inChina({}));
        ExpectedSample a;
        a.spd = 40;
        a.lat = "51.502056";
        a.lon = "-0.127571";
        a.course = 87.46;
        a.g[0] = 0.981f;
        a.g[1] = -0.1f;
        a.g[2] = 1.0f / 3.0f;
        ExpectedSample b;
        b.spd = 12;
        const std::string text = ReaderTruth::json({a, b}, "dir/\"odd\" name.MOV");
        QJsonParseError error;
        const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(text), &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(o.value("file").toString(), QStringLiteral("dir/\"odd\" name.MOV"));
        QCOMPARE(o.value("key_max_speed").toInt(), 40);
        QCOMPARE(o.value("key_is_in_china").toBool(), true);
        const QJsonObject s = o.value("key_video_datas").toArray().first().toObject();
        QCOMPARE(s.value("north_angle").toDouble(), 87.46);
        QCOMPARE(float(s.value("gsensor_z").toDouble()), 1.0f / 3.0f);
        QVERIFY(text.find("\"gsensor_x\":0.981,") != std::string::npos);
        QCOMPARE(q(ReaderTruth::number(0.1)), QStringLiteral("0.1"));
    }

    // A file cut from later in a trip continues where the earlier one stopped.
    void tripsContinueAcrossFiles_data()
    {
        QTest::addColumn<QString>("scenario");
        QTest::newRow("drive") << "drive";
        QTest::newRow("city") << "city";
        QTest::newRow("nofix") << "nofix";
        QTest::newRow("parked") << "parked";
    }
    void tripsContinueAcrossFiles()
    {
        QFETCH(QString, scenario);
        DriveModel::Scenario s;
        QVERIFY(DriveModel::scenarioFromName(scenario.toStdString(), s));
        const DriveModel model(s);
        const std::vector<TelemetryPoint> whole = model.run(1000, 0, 200, 1.0);
        const std::vector<TelemetryPoint> later = model.run(1000, 60, 140, 1.0);
        for (size_t i = 0; i < later.size(); ++i) {
            const TelemetryPoint& a = whole[60 + i];
            const TelemetryPoint& b = later[i];
            QCOMPARE(b.utc, a.utc);
            QCOMPARE(b.latitude, a.latitude);
            QCOMPARE(b.longitude, a.longitude);
            QCOMPARE(b.speedKmh, a.speedKmh);
            QCOMPARE(b.fix, a.fix);
            QCOMPARE(b.gsensor[0], a.gsensor[0]);
            QCOMPARE(b.gsensor[2], a.gsensor[2]);
        }
        // At 25 frames per second a block comes every 1.2 s.
        const std::vector<TelemetryPoint> slow = model.run(1000, 0, 3, 1.2);
        QCOMPARE(slow[2].utc, 1002.4);
    }

    // A parked car stands with a fix, bumped once a minute; --course turns the drive
    // without changing its plan.
    void parkedAndTurned()
    {
        const DriveModel parked(DriveModel::Scenario::Parked);
        const std::vector<TelemetryPoint> minute = parked.run(1000, 0, 120, 1.0);
        std::vector<size_t> bumps;
        for (size_t i = 0; i < minute.size(); ++i) {
            QVERIFY(minute[i].fix && minute[i].stopped);
            QCOMPARE(minute[i].speedKmh, 0.0);
            QCOMPARE(minute[i].latitude, minute[0].latitude);
            if (std::abs(minute[i].gsensor[2]) > 500)
                bumps.push_back(i);
        }
        QCOMPARE(bumps, (std::vector<size_t>{20, 80}));

        DriveModel north(DriveModel::Scenario::Drive), south(DriveModel::Scenario::Drive);
        north.setStartCourse(0);
        south.setStartCourse(180);
        const std::vector<TelemetryPoint> a = north.run(1000, 0, 20, 1.0), b = south.run(1000, 0, 20, 1.0);
        QCOMPARE(a[0].latitude, b[0].latitude);
        QVERIFY(a[19].latitude > a[0].latitude + 0.0005);   // off to the north
        QVERIFY(b[19].latitude < b[0].latitude - 0.0005);   // and to the south
        QCOMPARE(a[19].speedKmh, b[19].speedKmh);
    }
};

QTEST_GUILESS_MAIN(ForgeModelTest)
#include "tst_forge_model.moc"
