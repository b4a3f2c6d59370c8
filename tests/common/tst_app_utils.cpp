// Speed and distance texts in both units, with the exact rounding of C's "%.f"/"%.2f"
// (an exact half to the even neighbour) in the unit the settings hold.
#include "common/AppUtils.h"
#include "common/Localization.h"
#include "common/Settings.h"

#include <QTemporaryDir>
#include <QTest>

#include <clocale>
#include <cstdio>
#include <limits>

class TestAppUtils : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void convertSpeed_data();
    void convertSpeed();
    void convertDistance_data();
    void convertDistance();
    void speedText_data();
    void speedText();
    void distanceText_data();
    void distanceText();
    void fixedRoundsLikePrintf_data();
    void fixedRoundsLikePrintf();
    void textsFollowTheStoredUnit();
    void labelsFollowTheLanguage();
};

void TestAppUtils::initTestCase()
{
    Localization::install(QStringLiteral("en"));
}

void TestAppUtils::convertSpeed_data()
{
    QTest::addColumn<float>("kmh");
    QTest::addColumn<bool>("kmph");
    QTest::addColumn<float>("expected");
    QTest::addRow("km/h unchanged") << 100.0f << true << 100.0f;
    QTest::addRow("mph: 100 / 1.6 is exactly 62.5") << 100.0f << false << 62.5f;
    QTest::addRow("mph factor is 1.6, not 1.609344") << 160.0f << false << 100.0f;
    QTest::addRow("mph of 4.0 is exactly 2.5") << 4.0f << false << 2.5f;
    QTest::addRow("zero") << 0.0f << false << 0.0f;
}

void TestAppUtils::convertSpeed()
{
    QFETCH(float, kmh);
    QFETCH(bool, kmph);
    QFETCH(float, expected);
    QCOMPARE(AppUtils::convertSpeed(kmh, kmph), expected);
}

void TestAppUtils::convertDistance_data()
{
    QTest::addColumn<float>("metres");
    QTest::addColumn<bool>("kmph");
    QTest::addColumn<float>("expected");
    QTest::addRow("km") << 1000.0f << true << 1.0f;
    QTest::addRow("a mile is 1600 m here") << 1600.0f << false << 1.0f;
    QTest::addRow("1000 m is exactly 0.625 miles") << 1000.0f << false << 0.625f;
    QTest::addRow("12345 m in km") << 12345.0f << true << 12.345f;
}

void TestAppUtils::convertDistance()
{
    QFETCH(float, metres);
    QFETCH(bool, kmph);
    QFETCH(float, expected);
    QCOMPARE(AppUtils::convertDistance(metres, kmph), expected);
}

void TestAppUtils::speedText_data()
{
    QTest::addColumn<float>("kmh");
    QTest::addColumn<bool>("kmph");
    QTest::addColumn<QString>("text");
    QTest::addRow("100 km/h") << 100.0f << true << "100 KM/H";
    QTest::addRow("100 km/h in mph: 62.5 goes to even") << 100.0f << false << "62 MPH";
    QTest::addRow("0 km/h") << 0.0f << true << "0 KM/H";
    QTest::addRow("0 mph") << 0.0f << false << "0 MPH";
    QTest::addRow("1.6 km/h is 1 mph") << 1.6f << false << "1 MPH";
    QTest::addRow("2.4 km/h: 1.5 mph goes to 2") << 2.4f << false << "2 MPH";
    QTest::addRow("4.0 km/h: 2.5 mph goes to 2") << 4.0f << false << "2 MPH";
    QTest::addRow("0.8 km/h: 0.5 mph goes to 0") << 0.8f << false << "0 MPH";
    QTest::addRow("62.5 km/h goes to 62") << 62.5f << true << "62 KM/H";
    QTest::addRow("63.5 km/h goes to 64") << 63.5f << true << "64 KM/H";
    QTest::addRow("just above a half rounds up") << 62.5001f << true << "63 KM/H";
    QTest::addRow("fraction below a half") << 99.49f << true << "99 KM/H";
    QTest::addRow("negative keeps its sign") << -12.0f << true << "-12 KM/H";
}

void TestAppUtils::speedText()
{
    QFETCH(float, kmh);
    QFETCH(bool, kmph);
    QFETCH(QString, text);
    QCOMPARE(AppUtils::speedText(kmh, kmph), text);
}

void TestAppUtils::distanceText_data()
{
    QTest::addColumn<float>("metres");
    QTest::addColumn<bool>("kmph");
    QTest::addColumn<QString>("text");
    QTest::addRow("12345 m in km") << 12345.0f << true << "12.35 KM";
    QTest::addRow("12345 m in miles") << 12345.0f << false << "7.72 MILES";
    QTest::addRow("1000 m in miles: 0.625 goes to 0.62") << 1000.0f << false << "0.62 MILES";
    QTest::addRow("0 m in km") << 0.0f << true << "0.00 KM";
    QTest::addRow("0 m in miles") << 0.0f << false << "0.00 MILES";
    QTest::addRow("200 m: 0.125 miles goes to 0.12") << 200.0f << false << "0.12 MILES";
    QTest::addRow("600 m: 0.375 miles goes to 0.38") << 600.0f << false << "0.38 MILES";
    QTest::addRow("long drive") << 1234567.0f << true << "1234.57 KM";
}

void TestAppUtils::distanceText()
{
    QFETCH(float, metres);
    QFETCH(bool, kmph);
    QFETCH(QString, text);
    QCOMPARE(AppUtils::distanceText(metres, kmph), text);
}

void TestAppUtils::fixedRoundsLikePrintf_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    for (double v : {0.5, 1.5, 2.5, 3.5, -0.5, -2.5, 0.125, 0.375, 2.675, 1.005, 1e-7, 123456789.125,
                     std::numeric_limits<double>::max(), -0.0, 7.715625,
                     // read-out values: exact ties and near-ties at 2 and 3 decimals,
                     // single-precision seconds, a negative that rounds to zero, and
                     // the edges of whole-number-exact doubles
                     0.0625, 0.1875, double(0.1f), double(59.99999f), double(29.994999f), -0.0004,
                     4503599627370495.5, 9007199254740991.0, 9007199254740993.0}) {
        for (int d : {0, 2, 3})
            QTest::addRow("%.17g with %d decimals", v, d) << v << d;
    }
}

void TestAppUtils::fixedRoundsLikePrintf()
{
    QFETCH(double, value);
    QFETCH(int, decimals);
    // The C library in the "C" locale is the reference.
    std::setlocale(LC_NUMERIC, "C");
    char expected[400];
    std::snprintf(expected, sizeof expected, "%.*f", decimals, value);
    QCOMPARE(AppUtils::fixed(value, decimals), QString::fromLatin1(expected));
}

void TestAppUtils::textsFollowTheStoredUnit()
{
    QTemporaryDir dir;
    Settings settings(dir.filePath(QStringLiteral("settings.ini")));
    settings.setKmph(false);
    QCOMPARE(AppUtils::convertSpeed(100.0f, settings.kmph()), 62.5f);
    QCOMPARE(AppUtils::speedText(100.0f, settings.kmph()), QStringLiteral("62 MPH"));
    QCOMPARE(AppUtils::distanceText(1000.0f, settings.kmph()), QStringLiteral("0.62 MILES"));
    QCOMPARE(AppUtils::convertDistance(1600.0f, settings.kmph()), 1.0f);

    // no cache: the next call after a change uses the new unit
    settings.setKmph(true);
    QCOMPARE(AppUtils::speedText(100.0f, settings.kmph()), QStringLiteral("100 KM/H"));
    QCOMPARE(AppUtils::distanceText(12345.0f, settings.kmph()), QStringLiteral("12.35 KM"));
}

void TestAppUtils::labelsFollowTheLanguage()
{
    Localization::install(QStringLiteral("zh-Hans"));
    QCOMPARE(AppUtils::distanceText(12345.0f, true), QStringLiteral("12.35 公里"));
    QCOMPARE(AppUtils::distanceText(12345.0f, false), QStringLiteral("7.72 英里"));
    QVERIFY(AppUtils::speedText(100.0f, false).startsWith(QLatin1String("62")));
    QVERIFY(AppUtils::speedText(100.0f, false).contains(QLatin1String("MPH")));
    Localization::install(QStringLiteral("en"));
}

QTEST_GUILESS_MAIN(TestAppUtils)
#include "tst_app_utils.moc"
