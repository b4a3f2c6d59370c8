// The index rule that maps playback time to a list entry, with its single-precision
// arithmetic, and the trip panel's variant.
#include "drive/IndexRule.h"

#include <QRandomGenerator>
#include <QTest>

#include <cmath>
#include <limits>

class TestIndexRule : public QObject {
    Q_OBJECT
private slots:
    void indexFor_data();
    void indexFor();
    void indexForSingle_data();
    void indexForSingle();
    void oneSamplePerSecondGivesTheWholeSecond();
    void indexChangesAtMostOncePerSecond();
    void secondsFor_data();
    void secondsFor();
};

void TestIndexRule::indexFor_data()
{
    QTest::addColumn<double>("t");
    QTest::addColumn<double>("T");
    QTest::addColumn<qint64>("N");
    QTest::addColumn<int>("index");
    QTest::addRow("filtered list: N 90, T 180, t 61.2") << 61.2 << 180.0 << qint64(90) << 30;
    QTest::addRow("N 180, T 180, t 59.97") << 59.97 << 180.0 << qint64(180) << 59;
    QTest::addRow("last tick equals N: no change") << 180.0 << 180.0 << qint64(180) << -1;
    QTest::addRow("t 0.99 with r 1") << 0.99 << 180.0 << qint64(180) << 0;
    QTest::addRow("t 0.99 with r 0.5") << 0.99 << 180.0 << qint64(90) << 0;
    QTest::addRow("before the duration is known: T 0, t 9.5") << 9.5 << 0.0 << qint64(10) << 9;
    QTest::addRow("before the duration is known: T 0, t 10.0 is out of range") << 10.0 << 0.0 << qint64(10) << -1;
    QTest::addRow("empty list") << 30.0 << 180.0 << qint64(0) << -1;
    QTest::addRow("empty list at 0") << 0.0 << 180.0 << qint64(0) << -1;
    QTest::addRow("play list speed list: 180 entries at 100.5") << 100.5 << 180.0 << qint64(180) << 100;
    QTest::addRow("play list position list: 90 entries at 100.5") << 100.5 << 180.0 << qint64(90) << 50;
    QTest::addRow("single-precision ratio truncates: N 2, T 82, t 41") << 41.0 << 82.0 << qint64(2) << 0;
    QTest::addRow("single-precision product rounds up: N 2, T 98, t 49") << 49.0 << 98.0 << qint64(2) << 1;
    QTest::addRow("negative T counts as no duration") << 5.0 << -20.0 << qint64(10) << 5;
    QTest::addRow("time beyond the data") << 500.0 << 180.0 << qint64(180) << -1;
    QTest::addRow("small negative time truncates to 0") << -0.5 << 180.0 << qint64(180) << 0;
    QTest::addRow("negative second") << -1.5 << 180.0 << qint64(180) << -1;
    QTest::addRow("time beyond 32 bits") << 3.0e9 << 0.0 << qint64(4000000000LL) << -1;
    QTest::addRow("NaN time") << std::nan("") << 180.0 << qint64(180) << -1;
    QTest::addRow("infinite time") << std::numeric_limits<double>::infinity() << 180.0 << qint64(180) << -1;
    QTest::addRow("NaN duration") << 5.0 << std::nan("") << qint64(180) << 5;
}

void TestIndexRule::indexFor()
{
    QFETCH(double, t);
    QFETCH(double, T);
    QFETCH(qint64, N);
    QFETCH(int, index);
    QCOMPARE(IndexRule::indexFor(t, T, N), index);
}

void TestIndexRule::indexForSingle_data()
{
    QTest::addColumn<double>("t");
    QTest::addColumn<float>("T");
    QTest::addColumn<qint64>("N");
    QTest::addColumn<int>("index");
    QTest::addRow("N 90, T 180, t 61.2") << 61.2 << 180.0f << qint64(90) << 30;
    QTest::addRow("N 180, T 180, t 59.97") << 59.97 << 180.0f << qint64(180) << 59;
    QTest::addRow("last tick equals N") << 180.0 << 180.0f << qint64(180) << -1;
    QTest::addRow("T 0: r is 1") << 9.5 << 0.0f << qint64(10) << 9;
    QTest::addRow("T 0, t 10.0") << 10.0 << 0.0f << qint64(10) << -1;
    QTest::addRow("single-precision division: N 2, T 82, t 41") << 41.0 << 82.0f << qint64(2) << 0;
    QTest::addRow("single-precision division: N 2, T 98, t 49") << 49.0 << 98.0f << qint64(2) << 1;
    QTest::addRow("negative T is a duration here: index negative") << 5.0 << -20.0f << qint64(10) << -1;
    QTest::addRow("negative T at second 0") << 0.5 << -20.0f << qint64(10) << 0;
    QTest::addRow("empty list") << 3.0 << 180.0f << qint64(0) << -1;
}

void TestIndexRule::indexForSingle()
{
    QFETCH(double, t);
    QFETCH(float, T);
    QFETCH(qint64, N);
    QFETCH(int, index);
    QCOMPARE(IndexRule::indexForSingle(t, T, N), index);
}

void TestIndexRule::oneSamplePerSecondGivesTheWholeSecond()
{
    for (int n : {1, 7, 59, 180, 500, 3600, 7201}) {
        for (int s = 0; s < n; ++s) {
            const double t = s + 0.999;
            QCOMPARE(IndexRule::indexFor(t, double(n), n), s);
            QCOMPARE(IndexRule::indexForSingle(t, float(n), n), s);
        }
        QCOMPARE(IndexRule::indexFor(double(n), double(n), n), -1);
    }
}

void TestIndexRule::indexChangesAtMostOncePerSecond()
{
    QRandomGenerator rng(7);
    for (int round = 0; round < 50; ++round) {
        const qint64 n = 1 + rng.bounded(600);
        const double total = 1.0 + rng.bounded(900.0);
        int previous = std::numeric_limits<int>::min();
        int changes = 0;
        int lastSecond = -1;
        // a tick every millisecond of the first 20 seconds
        for (int ms = 0; ms < 20000; ++ms) {
            const double t = ms / 1000.0;
            const int i = IndexRule::indexFor(t, total, n);
            if (i != previous) {
                QVERIFY2(int(t) != lastSecond, "index changed twice within one second");
                lastSecond = int(t);
                previous = i;
                ++changes;
            }
        }
        QVERIFY(changes <= 20);
    }
}

void TestIndexRule::secondsFor_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<double>("T");
    QTest::addColumn<qint64>("N");
    QTest::addColumn<double>("seconds");
    QTest::addColumn<bool>("shown");   // some second shows the entry
    QTest::addRow("one a second") << 42 << 60.0 << qint64(60) << 42.0 << true;
    QTest::addRow("one every two seconds") << 30 << 180.0 << qint64(90) << 60.0 << true;
    QTest::addRow("odd ratio: N 59, T 61.5") << 40 << 61.5 << qint64(59) << 42.0 << true;
    QTest::addRow("two a second: an entry no second shows gives the next one's second") << 7 << 30.0 << qint64(60) << 4.0 << false;
    QTest::addRow("two a second: shown entry") << 8 << 30.0 << qint64(60) << 4.0 << true;
    QTest::addRow("two a second: the last entry, past the last second shown") << 59 << 30.0 << qint64(60) << 29.0 << false;
    QTest::addRow("no duration yet: r is 1") << 9 << 0.0 << qint64(10) << 9.0 << true;
    QTest::addRow("first entry") << 0 << 180.0 << qint64(90) << 0.0 << true;
    QTest::addRow("not an entry") << 10 << 10.0 << qint64(10) << -1.0 << false;
    QTest::addRow("negative index") << -1 << 10.0 << qint64(10) << -1.0 << false;
}

void TestIndexRule::secondsFor()
{
    QFETCH(int, index);
    QFETCH(double, T);
    QFETCH(qint64, N);
    QFETCH(double, seconds);
    QFETCH(bool, shown);
    QCOMPARE(IndexRule::secondsFor(index, T, N), seconds);
    if (shown)
        QCOMPARE(IndexRule::indexFor(seconds, T, N), index);
}

QTEST_APPLESS_MAIN(TestIndexRule)
#include "tst_index_rule.moc"
