// Playing-time texts and the capture time stamp.
#include "common/TimeFormatUtils.h"

#include <QTest>
#include <QTimeZone>

#include <limits>

class TestTimeFormatUtils : public QObject {
    Q_OBJECT
private slots:
    void stringFromSeconds_data();
    void stringFromSeconds();
    void fields_data();
    void fields();
    void stringDateFormat_data();
    void stringDateFormat();
};

void TestTimeFormatUtils::stringFromSeconds_data()
{
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QString>("text");
    QTest::addRow("0") << 0 << "00:00";
    QTest::addRow("9") << 9 << "00:09";
    QTest::addRow("10") << 10 << "00:10";
    QTest::addRow("59") << 59 << "00:59";
    QTest::addRow("60") << 60 << "01:00";
    QTest::addRow("65") << 65 << "01:05";
    QTest::addRow("754") << 754 << "12:34";
    QTest::addRow("3599") << 3599 << "59:59";
    QTest::addRow("an hour") << 3600 << "1:00:00";
    QTest::addRow("3725") << 3725 << "1:02:05";
    QTest::addRow("7199") << 7199 << "1:59:59";
    QTest::addRow("ten hours") << 36000 << "10:00:00";
    QTest::addRow("largest int") << std::numeric_limits<int>::max() << "596523:14:07";
    QTest::addRow("-5 keeps its sign") << -5 << "00:-5";
    QTest::addRow("-65 keeps its sign in both fields") << -65 << "-1:-5";
    QTest::addRow("-3600 is not reduced") << -3600 << "-60:00";
}

void TestTimeFormatUtils::stringFromSeconds()
{
    QFETCH(int, seconds);
    QFETCH(QString, text);
    QCOMPARE(TimeFormatUtils::stringFromSeconds(seconds), text);
}

void TestTimeFormatUtils::fields_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("text");
    QTest::addRow("0") << 0 << "00";
    QTest::addRow("9") << 9 << "09";
    QTest::addRow("10") << 10 << "10";
    QTest::addRow("100") << 100 << "100";
    QTest::addRow("-1 takes the plain form") << -1 << "-1";
    QTest::addRow("-10") << -10 << "-10";
}

void TestTimeFormatUtils::fields()
{
    QFETCH(int, value);
    QFETCH(QString, text);
    QCOMPARE(TimeFormatUtils::stringAddPreZero(value), text);
    QCOMPARE(TimeFormatUtils::stringAddPreZeroSecond(value), text);
}

void TestTimeFormatUtils::stringDateFormat_data()
{
    // The test runs with TZ=Asia/Shanghai (UTC+8, no daylight saving).
    QTest::addColumn<QDateTime>("date");
    QTest::addColumn<QString>("text");
    QTest::addRow("local time, all fields padded")
        << QDateTime(QDate(2024, 3, 5), QTime(7, 8, 9, 45), Qt::LocalTime) << "2024_03_05_07_08_09_045";
    QTest::addRow("afternoon in 24-hour form")
        << QDateTime(QDate(2019, 12, 31), QTime(23, 59, 59, 999), Qt::LocalTime) << "2019_12_31_23_59_59_999";
    QTest::addRow("UTC shown in the local zone")
        << QDateTime(QDate(2024, 1, 1), QTime(23, 30, 0, 7), Qt::UTC) << "2024_01_02_07_30_00_007";
    QTest::addRow("other zone shown in the local zone")
        << QDateTime(QDate(2024, 7, 1), QTime(12, 0, 0, 0), QTimeZone("America/New_York"))
        << "2024_07_02_00_00_00_000";
}

void TestTimeFormatUtils::stringDateFormat()
{
    QFETCH(QDateTime, date);
    QFETCH(QString, text);
    QCOMPARE(TimeFormatUtils::stringDateFormat(date), text);
}

QTEST_GUILESS_MAIN(TestTimeFormatUtils)
#include "tst_time_format_utils.moc"
