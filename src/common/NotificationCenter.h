// Process-wide notifications by name. Delivery is synchronous on the posting
// thread; an observer that is destroyed is removed automatically, and one removed
// while a notification is being delivered is not called any more.
#pragma once

#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>

#include <functional>
#include <vector>

class NotificationCenter : public QObject {
    Q_OBJECT
public:
    static NotificationCenter *defaultCenter();

    // Calls `handler` on every post of `name` for as long as `observer` lives.
    void addObserver(QObject *observer, const QString &name, std::function<void()> handler);
    void removeObserver(QObject *observer, const QString &name);
    void removeObserver(QObject *observer);
    void postNotificationName(const QString &name);

    int observerCount(const QString &name) const;

private:
    explicit NotificationCenter(QObject *parent = nullptr);
    bool registered(quint64 id) const;

    struct Entry {
        quint64 id;
        QPointer<QObject> observer;
        const QObject *key;
        QString name;
        std::function<void()> handler;
    };
    mutable QMutex mutex_;
    std::vector<Entry> entries_;
    QSet<const QObject *> watched_;   // observers whose destruction we listen to
    quint64 nextId_ = 1;
};
