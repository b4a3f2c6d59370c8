#include "TileSource.h"

#include "common/Localization.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QUuid>

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

constexpr char kUnreadable[] = "This file or folder cannot be read.";
constexpr char kNotMBTiles[] = "This file is not an MBTiles map: it is not an SQLite database, or it is damaged.";
constexpr char kNoTilesTable[] = "This file is an SQLite database but holds no map tiles.";
constexpr char kVector[] =
    "This MBTiles file holds vector tiles (pbf); only raster maps (PNG or JPEG tiles) can be shown.";
constexpr char kEmptyFolder[] = "This folder holds no map tiles (zoom/x/y.png).";

// One read-only connection per thread and file: SQLite connections may not move
// between threads. The connections live as long as their thread.
struct ThreadConnections {
    QHash<QString, QString> names;   // path -> connection name
    ~ThreadConnections()
    {
        for (const QString &name : std::as_const(names)) {
            { QSqlDatabase db = QSqlDatabase::database(name, false); db.close(); }
            QSqlDatabase::removeDatabase(name);
        }
    }
};
thread_local ThreadConnections t_connections;

QSqlDatabase openMBTiles(const QString &path, bool fresh)
{
    if (!fresh) {
        const auto it = t_connections.names.constFind(path);
        if (it != t_connections.names.constEnd())
            return QSqlDatabase::database(*it, false);
    }
    const QString name = QStringLiteral("mbtiles-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(path);
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    if (db.open()) {
        // Tiles are read once each and the system caches the file: a small page cache
        // per connection is enough.
        QSqlQuery(db).exec(QStringLiteral("PRAGMA cache_size = -256"));
    }
    if (!fresh)
        t_connections.names.insert(path, name);
    return db;
}

void closeFresh(const QString &name)
{
    { QSqlDatabase db = QSqlDatabase::database(name, false); db.close(); }
    QSqlDatabase::removeDatabase(name);
}

bool isNumber(const QString &s)
{
    bool ok = false;
    s.toInt(&ok);
    return ok;
}

TileSourceInfo inspectMBTiles(TileSourceInfo info)
{
    {
        QFile f(info.path);
        if (!f.open(QIODevice::ReadOnly)) {
            info.problem = Localization::text(kUnreadable);
            return info;
        }
        if (!f.read(16).startsWith("SQLite format 3")) {
            info.problem = Localization::text(kNotMBTiles);
            return info;
        }
    }
    QString connection;
    {
        QSqlDatabase db = openMBTiles(info.path, true);
        connection = db.connectionName();
        QSqlQuery meta(db);
        if (!db.isOpen() || !meta.exec(QStringLiteral("SELECT name, value FROM metadata"))) {
            // A damaged file fails here, as does one without metadata; the tiles decide.
            QSqlQuery probe(db);
            if (!probe.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"))) {
                info.problem = Localization::text(kNotMBTiles);
                db = QSqlDatabase();
                closeFresh(connection);
                return info;
            }
        }
        while (meta.isActive() && meta.next()) {
            const QString key = meta.value(0).toString().toLower();
            const QString value = meta.value(1).toString();
            if (key == QLatin1String("name")) info.name = value;
            else if (key == QLatin1String("format")) info.format = value.toLower();
            else if (key == QLatin1String("attribution")) info.attribution = value;
            else if (key == QLatin1String("minzoom")) info.minZoom = value.toInt();
            else if (key == QLatin1String("maxzoom")) info.maxZoom = value.toInt();
            else if (key == QLatin1String("bounds")) info.bounds = TileSource::parseBounds(value);
        }
        if (info.format == QLatin1String("pbf") || info.format == QLatin1String("mvt")) {
            info.problem = Localization::text(kVector);
        } else {
            // No count(*): a large file would be read through. min and max use the index.
            QSqlQuery tiles(db);
            if (!tiles.exec(QStringLiteral("SELECT min(zoom_level), max(zoom_level) FROM tiles")) || !tiles.next()) {
                const QString error = tiles.lastError().text().toLower();
                info.problem = Localization::text(error.contains(QLatin1String("no such table")) ? kNoTilesTable
                                                                                                  : kNotMBTiles);
            } else if (tiles.value(0).isNull()) {
                info.problem = Localization::text(kNoTilesTable);
            } else {
                if (info.minZoom < 0) info.minZoom = tiles.value(0).toInt();
                if (info.maxZoom < 0) info.maxZoom = tiles.value(1).toInt();
                // The first tile says what the format really is.
                QSqlQuery first(db);
                if (first.exec(QStringLiteral("SELECT tile_data FROM tiles LIMIT 1")) && first.next()) {
                    const QByteArray type = TileSource::imageType(first.value(0).toByteArray());
                    if (type.isEmpty()) {
                        info.problem = Localization::text(kVector);
                    } else if (info.format.isEmpty()) {
                        info.format = type == "image/jpeg" ? QStringLiteral("jpg") : QString::fromLatin1(type.mid(6));
                    }
                } else {
                    info.problem = Localization::text(kNotMBTiles);
                }
            }
        }
        db = QSqlDatabase();
    }
    closeFresh(connection);
    if (info.name.isEmpty())
        info.name = QFileInfo(info.path).completeBaseName();
    info.usable = info.problem.isEmpty();
    return info;
}

TileSourceInfo inspectFolder(TileSourceInfo info)
{
    info.name = QFileInfo(info.path).fileName();
    info.format = QStringLiteral("png");
    const QDir root(info.path);
    const QStringList images{QStringLiteral("*.png"), QStringLiteral("*.jpg"), QStringLiteral("*.jpeg")};
    QList<int> zooms;
    for (const QString &zName : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        if (isNumber(zName))
            zooms << zName.toInt();
    std::sort(zooms.begin(), zooms.end());
    // The area is measured at the shallowest zoom (its few tiles); deeper zooms are only
    // checked for a first tile, so that a large folder is not walked through.
    for (const int z : std::as_const(zooms)) {
        const QDir zDir(root.filePath(QString::number(z)));
        const bool measure = info.minZoom < 0;
        bool any = false;
        int x0 = INT_MAX, x1 = -1, y0 = INT_MAX, y1 = -1;
        for (const QString &xName : zDir.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            if (!isNumber(xName))
                continue;
            for (const QString &yName : QDir(zDir.filePath(xName)).entryList(images, QDir::Files)) {
                const QString base = QFileInfo(yName).completeBaseName();
                if (!isNumber(base))
                    continue;
                any = true;
                x0 = std::min(x0, xName.toInt()); x1 = std::max(x1, xName.toInt());
                y0 = std::min(y0, base.toInt()); y1 = std::max(y1, base.toInt());
                if (!measure)
                    break;
            }
            if (any && !measure)
                break;
        }
        if (!any)
            continue;
        if (measure) {
            info.minZoom = z;
            info.bounds = TileBounds{TileSource::tileLongitude(z, x0), TileSource::tileLatitude(z, y1 + 1),
                                     TileSource::tileLongitude(z, x1 + 1), TileSource::tileLatitude(z, y0)};
        }
        info.maxZoom = z;
    }
    if (info.maxZoom < 0) {
        info.problem = Localization::text(kEmptyFolder);
        return info;
    }
    info.usable = true;
    return info;
}

} // namespace

QString TileSourceInfo::description() const
{
    if (!usable)
        return QStringLiteral("%1 — %2").arg(QFileInfo(path).fileName(), problem);
    QString text = name;
    text += QStringLiteral(" — zoom %1–%2").arg(minZoom).arg(maxZoom);
    if (bounds)
        text += QStringLiteral(" — %1, %2 to %3, %4")
                    .arg(bounds->south, 0, 'f', 2).arg(bounds->west, 0, 'f', 2)
                    .arg(bounds->north, 0, 'f', 2).arg(bounds->east, 0, 'f', 2);
    return text;
}

TileSourceInfo TileSource::inspect(const QString &path)
{
    TileSourceInfo info;
    info.path = path;
    const QFileInfo fi(path);
    if (!fi.exists() || !fi.isReadable()) {
        info.kind = fi.isDir() ? TileSourceInfo::Folder : TileSourceInfo::MBTiles;
        info.problem = Localization::text(kUnreadable);
        return info;
    }
    if (fi.isDir()) {
        info.kind = TileSourceInfo::Folder;
        return inspectFolder(info);
    }
    return inspectMBTiles(info);
}

std::optional<QByteArray> TileSource::readTile(const QString &path, const TileId &tile)
{
    const QFileInfo fi(path);
    if (fi.isDir()) {
        for (const char *suffix : {".png", ".jpg", ".jpeg"}) {
            QFile f(QStringLiteral("%1/%2/%3/%4%5").arg(path).arg(tile.z).arg(tile.x).arg(tile.y)
                        .arg(QLatin1String(suffix)));
            if (f.open(QIODevice::ReadOnly))
                return f.readAll();
        }
        return std::nullopt;
    }
    if (!fi.isFile())
        return std::nullopt;   // removed while in use
    QSqlDatabase db = openMBTiles(path, false);
    if (!db.isOpen())
        return std::nullopt;
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT tile_data FROM tiles WHERE zoom_level = ? AND tile_column = ? AND tile_row = ?"));
    q.addBindValue(tile.z);
    q.addBindValue(tile.x);
    q.addBindValue(tmsRow(tile.z, tile.y));
    if (!q.exec() || !q.next())
        return std::nullopt;
    return q.value(0).toByteArray();
}

std::optional<QByteArray> TileSource::firstTile(const QStringList &paths, const TileId &tile)
{
    for (const QString &p : paths) {
        std::optional<QByteArray> bytes = readTile(p, tile);
        if (bytes && !imageType(*bytes).isEmpty())
            return bytes;
    }
    return std::nullopt;
}

int TileSource::tmsRow(int z, int y)
{
    return (1 << z) - 1 - y;
}

std::optional<TileId> TileSource::parseTilePath(const QString &path)
{
    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (parts.size() != 3)
        return std::nullopt;
    QString last = parts[2];
    const qsizetype dot = last.indexOf(QLatin1Char('.'));
    if (dot >= 0)
        last.truncate(dot);
    bool okZ = false, okX = false, okY = false;
    TileId t{parts[0].toInt(&okZ), parts[1].toInt(&okX), last.toInt(&okY)};
    if (!okZ || !okX || !okY || t.z < 0 || t.z > 24)
        return std::nullopt;
    const int n = 1 << t.z;
    if (t.x < 0 || t.x >= n || t.y < 0 || t.y >= n)
        return std::nullopt;
    return t;
}

QByteArray TileSource::imageType(const QByteArray &bytes)
{
    if (bytes.startsWith("\x89PNG\r\n\x1a\n"))
        return "image/png";
    if (bytes.startsWith("\xff\xd8\xff"))
        return "image/jpeg";
    if (bytes.size() >= 12 && bytes.startsWith("RIFF") && bytes.mid(8, 4) == "WEBP")
        return "image/webp";
    return {};
}

double TileSource::tileLongitude(int z, int x)
{
    return x / double(1 << z) * 360.0 - 180.0;
}

double TileSource::tileLatitude(int z, int y)
{
    const double n = M_PI - 2.0 * M_PI * y / double(1 << z);
    return 180.0 / M_PI * std::atan(std::sinh(n));
}

std::optional<TileBounds> TileSource::parseBounds(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return std::nullopt;
    double v[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        v[i] = parts[i].trimmed().toDouble(&ok);
        if (!ok)
            return std::nullopt;
    }
    return TileBounds{v[0], v[1], v[2], v[3]};
}
