#include "NotificationCenter.h"

#include <QMutexLocker>

#include <algorithm>

NotificationCenter::NotificationCenter(QObject *parent) : QObject(parent) {}

NotificationCenter *NotificationCenter::defaultCenter()
{
    static NotificationCenter *center = new NotificationCenter;
    return center;
}

void NotificationCenter::addObserver(QObject *observer, const QString &name, std::function<void()> handler)
{
    if (!observer || !handler)
        return;
    {
        QMutexLocker lock(&mutex_);
        entries_.push_back({observer, observer, name, std::move(handler)});
    }
    connect(observer, &QObject::destroyed, this, [this](QObject *gone) {
        QMutexLocker lock(&mutex_);
        entries_.erase(std::remove_if(entries_.begin(), entries_.end(),
                                      [gone](const Entry &e) { return e.key == gone; }),
                       entries_.end());
    }, Qt::DirectConnection);
}

void NotificationCenter::removeObserver(QObject *observer, const QString &name)
{
    QMutexLocker lock(&mutex_);
    entries_.erase(std::remove_if(entries_.begin(), entries_.end(),
                                  [&](const Entry &e) { return e.key == observer && e.name == name; }),
                   entries_.end());
}

void NotificationCenter::removeObserver(QObject *observer)
{
    QMutexLocker lock(&mutex_);
    entries_.erase(std::remove_if(entries_.begin(), entries_.end(),
                                  [&](const Entry &e) { return e.key == observer; }),
                   entries_.end());
}

void NotificationCenter::postNotificationName(const QString &name)
{
    std::vector<std::pair<QPointer<QObject>, std::function<void()>>> targets;
    {
        QMutexLocker lock(&mutex_);
        for (const Entry &e : entries_)
            if (e.name == name)
                targets.emplace_back(e.observer, e.handler);
    }
    // Handlers run outside the lock so that they may post or (un)register themselves.
    for (auto &[observer, handler] : targets)
        if (observer)
            handler();
}

int NotificationCenter::observerCount(const QString &name) const
{
    QMutexLocker lock(&mutex_);
    return int(std::count_if(entries_.begin(), entries_.end(),
                             [&](const Entry &e) { return e.name == name && e.observer; }));
}
