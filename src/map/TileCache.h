// Tiles fetched online, kept on disk (<folder>/<z>/<x>/<y>.tile) so that an area seen
// once online shows offline later. The oldest tiles go when the cache outgrows its
// limit. Thread-safe.
#pragma once

#include "TileSource.h"

#include <QByteArray>
#include <QMutex>
#include <QString>

#include <optional>

class TileCache {
public:
    TileCache(const QString &folder, qint64 limitBytes);

    std::optional<QByteArray> get(const TileId &tile) const;
    void put(const TileId &tile, const QByteArray &bytes);
    void setLimit(qint64 bytes);
    qint64 size();
    QString folder() const { return folder_; }

private:
    QString pathOf(const TileId &tile) const;
    void scanLocked();
    void trimLocked();

    QString folder_;
    mutable QMutex mutex_;
    qint64 limit_;
    qint64 size_ = -1;   // unknown until first needed
};
