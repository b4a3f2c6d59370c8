#include "TileCache.h"

#include "common/SafeFile.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <filesystem>
#include <vector>

TileCache::TileCache(const QString &folder, qint64 limitBytes) : folder_(folder), limit_(limitBytes) {}

QString TileCache::pathOf(const TileId &tile) const
{
    return QStringLiteral("%1/%2/%3/%4.tile")
        .arg(folder_, QString::number(tile.z), QString::number(tile.x), QString::number(tile.y));
}

std::optional<QByteArray> TileCache::get(const TileId &tile) const
{
    return TileSource::readSmallFile(pathOf(tile));
}

void TileCache::put(const TileId &tile, const QByteArray &bytes)
{
    QMutexLocker lock(&mutex_);
    if (limit_ <= 0 || bytes.size() > limit_)
        return;
    const QString path = pathOf(tile);
    QDir().mkpath(QFileInfo(path).absolutePath());
    const qint64 before = QFileInfo(path).size();
    if (!SafeFile::replace(path, bytes))
        return;
    if (size_ < 0)
        scanLocked();
    else
        size_ += bytes.size() - before;
    if (size_ > limit_)
        trimLocked();
}

void TileCache::setLimit(qint64 bytes)
{
    QMutexLocker lock(&mutex_);
    limit_ = bytes;
    if (size_ < 0)
        scanLocked();
    if (size_ > limit_)
        trimLocked();
}

qint64 TileCache::size()
{
    QMutexLocker lock(&mutex_);
    if (size_ < 0)
        scanLocked();
    return size_;
}

void TileCache::scanLocked()
{
    size_ = 0;
    QDirIterator it(folder_, {QStringLiteral("*.tile")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        size_ += it.fileInfo().size();
    }
}

void TileCache::trimLocked()
{
    // Down to 90 % of the limit, oldest first, so that trimming is not done per tile.
    struct Entry { QString path; qint64 size; qint64 time; };
    std::vector<Entry> entries;
    QDirIterator it(folder_, {QStringLiteral("*.tile")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        // Nanoseconds: tiles written in one burst still come in order.
        std::error_code ec;
        const auto time = std::filesystem::last_write_time(it.filePath().toStdString(), ec);
        entries.push_back({it.filePath(), it.fileInfo().size(), qint64(time.time_since_epoch().count())});
    }
    std::sort(entries.begin(), entries.end(), [](const Entry &a, const Entry &b) { return a.time < b.time; });
    const qint64 target = limit_ / 10 * 9;
    for (const Entry &e : entries) {
        if (size_ <= target)
            break;
        if (QFile::remove(e.path))
            size_ -= e.size;
    }
}
