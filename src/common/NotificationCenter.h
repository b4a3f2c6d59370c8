// Process-wide notifications by name. Delivery is synchronous on the posting
// thread; an observer that is destroyed is removed automatically.
#pragma once

#include <QHash>
#include <QMutex>
#include <QObject>
#include <QPointer>
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

    struct Entry {
        QPointer<QObject> observer;
        const QObject *key;
        QString name;
        std::function<void()> handler;
    };
    mutable QMutex mutex_;
    std::vector<Entry> entries_;
};
