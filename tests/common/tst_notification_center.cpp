// Notifications by name: synchronous delivery on the posting thread, observers removed
// by name, wholesale, or by their destruction, also in the middle of a post.
#include "common/AppKeys.h"
#include "common/NotificationCenter.h"

#include <QTest>
#include <QThread>

#include <memory>

class TestNotificationCenter : public QObject {
    Q_OBJECT
private slots:
    void postReachesObserversOfThatNameOnly();
    void removeByNameOrWholesale();
    void destroyedObserverIsRemoved();
    void observerRemovedDuringAPostIsNotCalled();
    void observerDestroyedDuringAPostIsNotCalled();
    void handlerMayPostAndRegister();
    void deliveryIsOnThePostingThread();
};

void TestNotificationCenter::postReachesObserversOfThatNameOnly()
{
    auto *nc = NotificationCenter::defaultCenter();
    QObject a, b;
    QStringList log;
    nc->addObserver(&a, "speed_unit_notification", [&] { log << "a unit"; });
    nc->addObserver(&b, "speed_unit_notification", [&] { log << "b unit"; });
    nc->addObserver(&b, "change_map_notification", [&] { log << "b map"; });
    nc->postNotificationName("speed_unit_notification");
    QCOMPARE(log, (QStringList{"a unit", "b unit"}));   // synchronous, in order of registration
    log.clear();
    nc->postNotificationName("change_map_notification");
    QCOMPARE(log, QStringList{"b map"});
    log.clear();
    nc->postNotificationName(AppKeys::COMPASS_NOTIFICATION);
    QVERIFY(log.isEmpty());
    nc->removeObserver(&a);
    nc->removeObserver(&b);
}

void TestNotificationCenter::removeByNameOrWholesale()
{
    auto *nc = NotificationCenter::defaultCenter();
    QObject a;
    int unit = 0, map = 0;
    nc->addObserver(&a, "speed_unit_notification", [&] { ++unit; });
    nc->addObserver(&a, "change_map_notification", [&] { ++map; });
    nc->removeObserver(&a, "speed_unit_notification");
    nc->postNotificationName("speed_unit_notification");
    nc->postNotificationName("change_map_notification");
    QCOMPARE(unit, 0);
    QCOMPARE(map, 1);
    nc->removeObserver(&a);
    nc->postNotificationName("change_map_notification");
    QCOMPARE(map, 1);
    QCOMPARE(nc->observerCount("change_map_notification"), 0);
}

void TestNotificationCenter::destroyedObserverIsRemoved()
{
    auto *nc = NotificationCenter::defaultCenter();
    int calls = 0;
    for (int round = 0; round < 3; ++round) {
        // new objects may take the address of old ones: each must be watched afresh
        auto a = std::make_unique<QObject>();
        nc->addObserver(a.get(), AppKeys::WINDOW_FULL_CHANGE, [&] { ++calls; });
        QCOMPARE(nc->observerCount(AppKeys::WINDOW_FULL_CHANGE), 1);
        nc->postNotificationName(AppKeys::WINDOW_FULL_CHANGE);
        a.reset();
        QCOMPARE(nc->observerCount(AppKeys::WINDOW_FULL_CHANGE), 0);
        nc->postNotificationName(AppKeys::WINDOW_FULL_CHANGE);
    }
    QCOMPARE(calls, 3);
}

void TestNotificationCenter::observerRemovedDuringAPostIsNotCalled()
{
    auto *nc = NotificationCenter::defaultCenter();
    QObject first, second;
    int secondCalls = 0;
    nc->addObserver(&first, AppKeys::COMPASS_NOTIFICATION, [&] { nc->removeObserver(&second); });
    nc->addObserver(&second, AppKeys::COMPASS_NOTIFICATION, [&] { ++secondCalls; });
    nc->postNotificationName(AppKeys::COMPASS_NOTIFICATION);
    QCOMPARE(secondCalls, 0);
    nc->removeObserver(&first);
}

void TestNotificationCenter::observerDestroyedDuringAPostIsNotCalled()
{
    auto *nc = NotificationCenter::defaultCenter();
    QObject first;
    auto *second = new QObject;
    int secondCalls = 0;
    nc->addObserver(&first, AppKeys::COMPASS_NOTIFICATION, [&] { delete second; second = nullptr; });
    nc->addObserver(second, AppKeys::COMPASS_NOTIFICATION, [&] { ++secondCalls; });
    nc->postNotificationName(AppKeys::COMPASS_NOTIFICATION);
    QCOMPARE(secondCalls, 0);
    QVERIFY(!second);
    nc->removeObserver(&first);
}

void TestNotificationCenter::handlerMayPostAndRegister()
{
    auto *nc = NotificationCenter::defaultCenter();
    QObject a, late;
    QStringList log;
    nc->addObserver(&a, "speed_unit_notification", [&] {
        log << "unit";
        nc->addObserver(&late, "speed_unit_notification", [&] { log << "late"; });
        nc->postNotificationName("change_map_notification");
    });
    nc->addObserver(&a, "change_map_notification", [&] { log << "map"; });
    nc->postNotificationName("speed_unit_notification");
    // the observer added during the post hears the next post, not this one
    QCOMPARE(log, (QStringList{"unit", "map"}));
    nc->removeObserver(&a);
    nc->removeObserver(&late);
}

void TestNotificationCenter::deliveryIsOnThePostingThread()
{
    auto *nc = NotificationCenter::defaultCenter();
    QObject a;
    QThread *seen = nullptr;
    nc->addObserver(&a, AppKeys::WINDOW_FULL_CHANGE, [&] { seen = QThread::currentThread(); });
    std::unique_ptr<QThread> worker(QThread::create([&] { nc->postNotificationName(AppKeys::WINDOW_FULL_CHANGE); }));
    worker->start();
    QVERIFY(worker->wait(5000));
    QCOMPARE(seen, worker.get());
    nc->removeObserver(&a);
}

QTEST_GUILESS_MAIN(TestNotificationCenter)
#include "tst_notification_center.moc"
