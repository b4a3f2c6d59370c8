// The ordered parallel work queue: order, completeness, the bound on results
// held ahead of the consumer, and cancellation.
#include "OrderedWorkQueue.h"

#include <QRandomGenerator>
#include <QTest>

#include <atomic>
#include <set>

using namespace std::chrono_literals;

class OrderedWorkQueueTest : public QObject {
    Q_OBJECT
private slots:
    void resultsComeInOrderExactlyOnce_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("threads");
        QTest::addColumn<int>("window");
        QTest::addRow("one thread") << 50 << 1 << 4;
        QTest::addRow("four threads") << 300 << 4 << 8;
        QTest::addRow("window of one") << 40 << 4 << 1;
        QTest::addRow("more threads than items") << 3 << 16 << 64;
        QTest::addRow("one item") << 1 << 2 << 2;
    }
    void resultsComeInOrderExactlyOnce()
    {
        QFETCH(int, count);
        QFETCH(int, threads);
        QFETCH(int, window);
        std::atomic<size_t> consumed{0};
        std::atomic<int> ranTwice{0}, beyondWindow{0};
        std::vector<std::atomic<int>> runs(static_cast<size_t>(count));
        OrderedWorkQueue<int> queue(
            static_cast<size_t>(count),
            [&](size_t i) {
                if (runs[i]++ > 0)
                    ++ranTwice;
                // The consumer's counter lags the queue's by at most the one it is taking.
                if (i >= consumed.load() + static_cast<size_t>(window) + 1)
                    ++beyondWindow;
                std::this_thread::sleep_for(std::chrono::microseconds(QRandomGenerator::global()->bounded(2000)));
                return static_cast<int>(i) * 3;
            },
            static_cast<unsigned>(threads), static_cast<size_t>(window));
        for (int i = 0; i < count; ++i) {
            int value = -1;
            while (!queue.takeNext(&value, 50ms)) {
            }
            QCOMPARE(value, i * 3);
            consumed = static_cast<size_t>(i + 1);
        }
        int extra = 0;
        QVERIFY(!queue.takeNext(&extra, 10ms));
        QCOMPARE(ranTwice.load(), 0);
        QCOMPARE(beyondWindow.load(), 0);
        QCOMPARE(queue.finished(), static_cast<size_t>(count));
    }

    // A slow first file holds back at most a window of finished results.
    void slowItemBoundsWhatIsHeld()
    {
        std::atomic<bool> release{false};
        OrderedWorkQueue<std::string> queue(
            1000,
            [&](size_t i) {
                if (i == 0)
                    while (!release)
                        std::this_thread::sleep_for(1ms);
                return std::string(1000, 'x');
            },
            4, 10);
        std::string out;
        QVERIFY(!queue.takeNext(&out, 200ms));
        QCOMPARE(queue.finished(), size_t(9));   // items 1..9; 10 waits for the window
        release = true;
        QVERIFY(queue.takeNext(&out, 5000ms));
        QCOMPARE(queue.taken(), size_t(1));
    }

    void noItems()
    {
        OrderedWorkQueue<int> queue(0, [](size_t) { return 1; }, 4, 4);
        int v = 0;
        QVERIFY(!queue.takeNext(&v, 10ms));
    }

    // Leaving early (a write error) stops the workers without running the rest.
    void destroyingStopsTheWork()
    {
        std::atomic<int> ran{0};
        {
            OrderedWorkQueue<int> queue(
                10000, [&](size_t) { ++ran; std::this_thread::sleep_for(100us); return 0; }, 4, 8);
            int v;
            QVERIFY(queue.takeNext(&v, 5000ms));
        }
        QVERIFY(ran.load() < 100);
    }
};

QTEST_APPLESS_MAIN(OrderedWorkQueueTest)
#include "tst_ordered_work_queue.moc"
