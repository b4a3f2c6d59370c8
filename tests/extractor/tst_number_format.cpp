// Number texts: shortest exact texts, JSON-safe numbers, plain decimals.
#include "NumberFormat.h"

#include <QRandomGenerator>
#include <QTest>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

using Text = std::string;
Q_DECLARE_METATYPE(std::string)

class NumberFormatTest : public QObject {
    Q_OBJECT
private slots:
    void shortestFloat_data()
    {
        QTest::addColumn<float>("value");
        QTest::addColumn<Text>("text");
        QTest::addRow("g-sensor reading") << 0.012f << Text("0.012");
        QTest::addRow("negative") << -0.98f << Text("-0.98");
        QTest::addRow("whole") << 1.0f << Text("1");
        QTest::addRow("zero") << 0.0f << Text("0");
        QTest::addRow("third") << 1.0f / 3.0f << Text("0.33333334");
        QTest::addRow("needs nine digits") << 0.106369294f << Text("0.106369294");
        QTest::addRow("large reading") << 2147483.647f << Text("2147483.8");
    }
    void shortestFloat()
    {
        QFETCH(float, value);
        QFETCH(Text, text);
        QCOMPARE(NumberFormat::shortestFloat(value), text);
    }

    void shortestDouble_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<Text>("text");
        QTest::addRow("course") << 123.45 << Text("123.45");
        QTest::addRow("tenth") << 0.1 << Text("0.1");
        QTest::addRow("seventeen digits") << 0.1 + 0.2 << Text("0.30000000000000004");
        QTest::addRow("huge") << 1e300 << Text("1e+300");
        QTest::addRow("negative zero") << -0.0 << Text("-0");
        QTest::addRow("small stays plain") << 0.0001 << Text("0.0001");
        QTest::addRow("smaller takes an exponent") << 0.00001 << Text("1e-05");
        QTest::addRow("negative small") << -0.00123 << Text("-0.00123");
        QTest::addRow("large stays plain") << 123456789.0 << Text("123456789");
        QTest::addRow("round large takes an exponent") << 1e17 << Text("1e+17");
        QTest::addRow("digits around the point") << 12.5 << Text("12.5");
    }
    void shortestDouble()
    {
        QFETCH(double, value);
        QFETCH(Text, text);
        QCOMPARE(NumberFormat::shortestDouble(value), text);
    }

    // Random bit patterns: every finite float and double reads back exactly, in no
    // more digits than the %g text of the fewest digits that reads back.
    void roundTripOfRandomValues()
    {
        QRandomGenerator rng(20261208);
        for (int i = 0; i < 20000; ++i) {
            const quint32 fbits = rng.generate();
            float f;
            std::memcpy(&f, &fbits, sizeof f);
            if (std::isfinite(f)) {
                const Text t = NumberFormat::shortestFloat(f);
                QVERIFY2(std::strtof(t.c_str(), nullptr) == f, t.c_str());
                char g[32];
                for (int digits = 1; digits <= 9; ++digits) {
                    std::snprintf(g, sizeof g, "%.*g", digits, static_cast<double>(f));
                    if (std::strtof(g, nullptr) == f)
                        break;
                }
                QCOMPARE(t, Text(g));
            }
            const quint64 dbits = rng.generate64();
            double d;
            std::memcpy(&d, &dbits, sizeof d);
            if (std::isfinite(d)) {
                const Text t = NumberFormat::shortestDouble(d);
                QVERIFY2(std::strtod(t.c_str(), nullptr) == d, t.c_str());
            }
        }
    }

    void jsonNumbersAreNeverNanOrInfinity_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<Text>("json");
        QTest::addRow("nan") << std::numeric_limits<double>::quiet_NaN() << Text("null");
        QTest::addRow("infinity") << std::numeric_limits<double>::infinity() << Text("null");
        QTest::addRow("minus infinity") << -std::numeric_limits<double>::infinity() << Text("null");
        QTest::addRow("finite") << 2.5 << Text("2.5");
    }
    void jsonNumbersAreNeverNanOrInfinity()
    {
        QFETCH(double, value);
        QFETCH(Text, json);
        QCOMPARE(NumberFormat::jsonDouble(value), json);
        QCOMPARE(NumberFormat::jsonFloat(static_cast<float>(value)), json);
        QVERIFY(NumberFormat::shortestDouble(value) == (json == "null" ? Text() : json));
    }

    void decimal_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<Text>("text");
        QTest::addRow("rounded") << 50 / 3.6 << 3 << Text("13.889");
        QTest::addRow("trailing zeros dropped") << 10.0 << 3 << Text("10");
        QTest::addRow("zero") << 0.0 << 3 << Text("0");
        QTest::addRow("tiny negative is zero") << -0.0001 << 3 << Text("0");
        QTest::addRow("no exponent") << 1e-7 << 9 << Text("0.0000001");
        QTest::addRow("large without exponent") << 1e21 << 0 << Text("1000000000000000000000");
        QTest::addRow("nan") << std::nan("") << 3 << Text();
    }
    void decimal()
    {
        QFETCH(double, value);
        QFETCH(int, decimals);
        QFETCH(Text, text);
        QCOMPARE(NumberFormat::decimal(value, decimals), text);
    }

    void leadingNumber_data()
    {
        QTest::addColumn<Text>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<double>("value");
        QTest::addRow("coordinate") << Text("51.502056") << true << 51.502056;
        QTest::addRow("western") << Text("-0.127571") << true << -0.127571;
        QTest::addRow("no decimal point") << Text("0") << true << 0.0;
        QTest::addRow("trailing garbage") << Text("12.5xyz") << true << 12.5;
        QTest::addRow("empty") << Text() << false << 0.0;
        QTest::addRow("letters") << Text("abc") << false << 0.0;
        QTest::addRow("nan text") << Text("nan") << false << 0.0;
        QTest::addRow("overflow") << Text("1e999") << false << 0.0;
    }
    void leadingNumber()
    {
        QFETCH(Text, text);
        QFETCH(bool, ok);
        QFETCH(double, value);
        double v = -1;
        QCOMPARE(NumberFormat::leadingNumber(text, &v), ok);
        if (ok)
            QCOMPARE(v, value);
    }
};

QTEST_APPLESS_MAIN(NumberFormatTest)
#include "tst_number_format.moc"
