// The contract through which the player drives the panels ("modules"), and the
// weak slots that hold them. Every operation does nothing by default.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QtGlobal>

#include <type_traits>

class KTModuleProtocol {
public:
    virtual ~KTModuleProtocol() = default;

    virtual void dataLogicProcessOfViodePath(const QString &path) { Q_UNUSED(path); }
    virtual void videoAllTime(double seconds) { Q_UNUSED(seconds); }
    virtual void updateDataByCurrentTime(double seconds) { Q_UNUSED(seconds); }
    virtual void videoEnd() {}
    virtual void removeLineMap() {}
    virtual void totalDistance(float metres) { Q_UNUSED(metres); }
    virtual void playNext(bool next) { Q_UNUSED(next); }
    virtual qint64 zoomInVideoPlayWindow(qint64 state) { return state; }
    virtual qint64 zoomInMapWindow(qint64 state) { return state; }
};

// A weak, non-owning reference to a module. A call through an empty slot (never
// filled, or its module destroyed) does nothing and answers 0.
class ModuleSlot {
public:
    ModuleSlot() = default;

    template <class T>
    void set(T *module)
    {
        static_assert(std::is_base_of_v<QObject, T> && std::is_base_of_v<KTModuleProtocol, T>,
                      "a module is a QObject implementing KTModuleProtocol");
        object_ = module;
        module_ = module;
    }
    void clear() { object_.clear(); module_ = nullptr; }

    KTModuleProtocol *get() const { return object_ ? module_ : nullptr; }
    QObject *object() const { return object_.data(); }
    explicit operator bool() const { return get() != nullptr; }

    void dataLogicProcessOfViodePath(const QString &path) const { if (auto m = get()) m->dataLogicProcessOfViodePath(path); }
    void videoAllTime(double s) const { if (auto m = get()) m->videoAllTime(s); }
    void updateDataByCurrentTime(double s) const { if (auto m = get()) m->updateDataByCurrentTime(s); }
    void videoEnd() const { if (auto m = get()) m->videoEnd(); }
    void removeLineMap() const { if (auto m = get()) m->removeLineMap(); }
    void totalDistance(float metres) const { if (auto m = get()) m->totalDistance(metres); }
    void playNext(bool next) const { if (auto m = get()) m->playNext(next); }
    qint64 zoomInVideoPlayWindow(qint64 s) const { auto m = get(); return m ? m->zoomInVideoPlayWindow(s) : 0; }
    qint64 zoomInMapWindow(qint64 s) const { auto m = get(); return m ? m->zoomInMapWindow(s) : 0; }

private:
    QPointer<QObject> object_;
    KTModuleProtocol *module_ = nullptr;
};
