// The module contract: do-nothing defaults, and weak slots where a call through an
// empty slot does nothing.
#include "modules/KTModuleProtocol.h"

#include <QTest>

#include <memory>

namespace {

// Implements a few operations and records them; the others keep their defaults.
class RecordingModule : public QObject, public KTModuleProtocol {
public:
    QStringList calls;
    void dataLogicProcessOfViodePath(const QString &path) override { calls << QStringLiteral("path ") + path; }
    void videoAllTime(double s) override { calls << QStringLiteral("total %1").arg(s); }
    void updateDataByCurrentTime(double s) override { calls << QStringLiteral("tick %1").arg(s); }
    qint64 zoomInVideoPlayWindow(qint64 state) override { return state == 0 ? 1 : 0; }
};

class BareModule : public QObject, public KTModuleProtocol {};

} // namespace

class TestModuleSlot : public QObject {
    Q_OBJECT
private slots:
    void callsReachTheModule();
    void defaultsDoNothing();
    void emptySlotDoesNothing();
    void slotEmptiesWhenTheModuleGoes();
    void slotDoesNotOwnTheModule();
};

void TestModuleSlot::callsReachTheModule()
{
    RecordingModule m;
    ModuleSlot slot;
    slot.set(&m);
    QVERIFY(slot);
    QCOMPARE(slot.object(), static_cast<QObject *>(&m));
    slot.dataLogicProcessOfViodePath(QStringLiteral("file:///a.MOV"));
    slot.videoAllTime(180.5);
    slot.updateDataByCurrentTime(61.25);
    slot.videoEnd();   // default: nothing recorded
    QCOMPARE(m.calls, (QStringList{"path file:///a.MOV", "total 180.5", "tick 61.25"}));
    QCOMPARE(slot.zoomInVideoPlayWindow(0), qint64(1));
    QCOMPARE(slot.zoomInVideoPlayWindow(1), qint64(0));
}

void TestModuleSlot::defaultsDoNothing()
{
    BareModule m;
    ModuleSlot slot;
    slot.set(&m);
    slot.dataLogicProcessOfViodePath(QStringLiteral("x"));
    slot.videoAllTime(1);
    slot.updateDataByCurrentTime(1);
    slot.videoEnd();
    slot.removeLineMap();
    slot.totalDistance(12.0f);
    slot.playNext(true);
    // the zoom operations answer the state unchanged
    QCOMPARE(slot.zoomInVideoPlayWindow(2), qint64(2));
    QCOMPARE(slot.zoomInMapWindow(3), qint64(3));
}

void TestModuleSlot::emptySlotDoesNothing()
{
    ModuleSlot slot;
    QVERIFY(!slot);
    QVERIFY(!slot.get());
    slot.dataLogicProcessOfViodePath(QStringLiteral("x"));
    slot.updateDataByCurrentTime(3);
    slot.playNext(false);
    QCOMPARE(slot.zoomInVideoPlayWindow(5), qint64(0));
    QCOMPARE(slot.zoomInMapWindow(5), qint64(0));
    slot.set<RecordingModule>(nullptr);
    QVERIFY(!slot);
    slot.videoEnd();
}

void TestModuleSlot::slotEmptiesWhenTheModuleGoes()
{
    auto m = std::make_unique<RecordingModule>();
    ModuleSlot slot;
    slot.set(m.get());
    slot.updateDataByCurrentTime(1);
    QCOMPARE(m->calls.size(), 1);
    m.reset();
    QVERIFY(!slot);
    slot.updateDataByCurrentTime(2);   // must not touch the destroyed module
    QCOMPARE(slot.zoomInVideoPlayWindow(0), qint64(0));
}

void TestModuleSlot::slotDoesNotOwnTheModule()
{
    QPointer<RecordingModule> alive;
    {
        auto *m = new RecordingModule;
        alive = m;
        ModuleSlot slot;
        slot.set(m);
    }
    QVERIFY(alive);
    delete alive.data();
}

QTEST_GUILESS_MAIN(TestModuleSlot)
#include "tst_module_slot.moc"
