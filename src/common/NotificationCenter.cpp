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
    bool watch = false;
    {
        QMutexLocker lock(&mutex_);
        entries_.push_back({nextId_++, observer, observer, name, std::move(handler)});
        if (!watched_.contains(observer)) {
            watched_.insert(observer);
            watch = true;
        }
    }
    if (watch)
        connect(observer, &QObject::destroyed, this, [this](QObject *gone) {
            QMutexLocker lock(&mutex_);
            entries_.erase(std::remove_if(entries_.begin(), entries_.end(),
                                          [gone](const Entry &e) { return e.key == gone; }),
                           entries_.end());
            // the address may come back as a new observer that needs a connection of its own
            watched_.remove(gone);
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

bool NotificationCenter::registered(quint64 id) const
{
    QMutexLocker lock(&mutex_);
    return std::any_of(entries_.begin(), entries_.end(), [id](const Entry &e) { return e.id == id; });
}

void NotificationCenter::postNotificationName(const QString &name)
{
    struct Target {
        quint64 id;
        QPointer<QObject> observer;
        std::function<void()> handler;
    };
    std::vector<Target> targets;
    {
        QMutexLocker lock(&mutex_);
        for (const Entry &e : entries_)
            if (e.name == name)
                targets.push_back({e.id, e.observer, e.handler});
    }
    // Handlers run outside the lock so that they may post or (un)register observers; one
    // removed by an earlier handler of this post is skipped.
    for (Target &t : targets)
        if (t.observer && registered(t.id))
            t.handler();
}

int NotificationCenter::observerCount(const QString &name) const
{
    QMutexLocker lock(&mutex_);
    return int(std::count_if(entries_.begin(), entries_.end(),
                             [&](const Entry &e) { return e.name == name && e.observer; }));
}
