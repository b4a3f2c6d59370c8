// Offline map sources inspected on a thread of their own, so that a slow or crafted
// file never holds up the window. Each answer is kept as long as its source is not
// modified, and announced with inspected() when it arrives.
#pragma once

#include "TileSource.h"

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QThreadPool>

#include <optional>

class SourceChecker : public QObject {
    Q_OBJECT
public:
    // The program's one inspector, made on first use and owned by the application object.
    static SourceChecker *shared();

    explicit SourceChecker(QObject *parent = nullptr);
    ~SourceChecker() override;

    // The answer for `path`; nothing before the first one has arrived. A source not
    // inspected yet, or modified since, is inspected now (the earlier answer stands
    // meanwhile).
    std::optional<TileSourceInfo> info(const QString &path);
    // Inspects `path` afresh, whatever is known of it.
    void inspect(const QString &path);
    bool isInspecting(const QString &path) const;

signals:
    void inspected(const QString &path);

private:
    struct Entry {
        QDateTime modified;
        std::optional<TileSourceInfo> info;
        bool running = false;
    };
    void start(const QString &path, Entry &entry);

    QThreadPool pool_;
    QHash<QString, Entry> known_;
};
