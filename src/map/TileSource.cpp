#include "TileSource.h"

#include "common/Localization.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QUuid>

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>

namespace {

constexpr char kUnreadable[] = "This file or folder cannot be read.";
constexpr char kNotMBTiles[] = "This file is not an MBTiles map: it is not an SQLite database, or it is damaged.";
constexpr char kNoTilesTable[] = "This file is an SQLite database but holds no map tiles.";
constexpr char kTilesNotTable[] =
    "This MBTiles file does not keep its tiles in a plain table (they are a view); only files that do can be shown.";
constexpr char kTooSlow[] = "Reading this MBTiles file takes too long; it may be damaged.";
constexpr char kVector[] =
    "This MBTiles file holds vector tiles (pbf); only raster maps (PNG or JPEG tiles) can be shown.";
constexpr char kEmptyFolder[] = "This folder holds no map tiles (zoom/x/y.png).";

// A tile is read in milliseconds; a query still running after this is stopped.
constexpr int kQueryMilliseconds = 3000;

// The time by which the query now running on this thread must end. SQLite asks
// through its progress handler; the deadline is set before each query, and one left
// behind expired stops any query that was not given its own.
thread_local QDeadlineTimer t_deadline;

int pastDeadline(void *)
{
    return t_deadline.hasExpired() ? 1 : 0;
}

void startClock()
{
    t_deadline.setRemainingTime(kQueryMilliseconds);
}

// Forward only: a query over a crafted view may yield rows without end, and a query
// that keeps every row it has stepped over would hold them all.
QSqlQuery query(const QSqlDatabase &db)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    return q;
}

bool interrupted(const QSqlQuery &q)
{
    return q.lastError().nativeErrorCode() == QString::number(SQLITE_INTERRUPT);
}

// The file's own schema (its views, its generated columns) may call no function with
// side effects, no value larger than a tile is made or read, and every query has a
// deadline.
bool guard(const QSqlDatabase &db)
{
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return false;
    sqlite3 *sqlite = *static_cast<sqlite3 *const *>(handle.constData());
    if (!sqlite)
        return false;
    sqlite3_progress_handler(sqlite, 1000, pastDeadline, nullptr);
    sqlite3_limit(sqlite, SQLITE_LIMIT_LENGTH, int(TileSource::kMaxTileBytes));
    return sqlite3_db_config(sqlite, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr) == SQLITE_OK;
}

enum class Tiles { Table, Missing, Other, Unreadable, Slow };

// Only a plain table is read: a view (or a virtual table) can run any query.
Tiles tilesKind(const QSqlDatabase &db)
{
    QSqlQuery q = query(db);
    startClock();
    if (!q.exec(QStringLiteral("SELECT type, sql FROM sqlite_master WHERE name = 'tiles' COLLATE NOCASE")))
        return interrupted(q) ? Tiles::Slow : Tiles::Unreadable;
    if (!q.next())
        return Tiles::Missing;
    const bool table = q.value(0).toString() == QLatin1String("table") &&
                       !q.value(1).toString().simplified().startsWith(QLatin1String("CREATE VIRTUAL"), Qt::CaseInsensitive);
    return table ? Tiles::Table : Tiles::Other;
}

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

// A connection kept for tile reads is closed when the file's tiles are not a plain table.
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
        if (!guard(db)) {
            db.close();
        } else {
            // Tiles are read once each and the system caches the file: a small page cache
            // per connection is enough.
            startClock();
            QSqlQuery(db).exec(QStringLiteral("PRAGMA cache_size = -256"));
            if (!fresh && tilesKind(db) != Tiles::Table)
                db.close();
        }
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

// A descriptor of the regular file at `path`, or -1. Anything else is refused before
// it is opened, and the open never waits (a FIFO put in its place meanwhile is
// refused after it).
int openRegularFile(const QString &path, struct stat *st)
{
    const QByteArray name = QFile::encodeName(path);
    if (::stat(name.constData(), st) != 0 || !S_ISREG(st->st_mode))
        return -1;
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return -1;
    if (::fstat(fd, st) != 0 || !S_ISREG(st->st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Up to `limit` bytes from the start of `fd`; nothing on a read error.
std::optional<QByteArray> readUpTo(int fd, qint64 limit)
{
    QByteArray bytes;
    qint64 have = 0;
    while (have < limit) {
        bytes.resize(std::min(limit, std::max<qint64>(have * 2, 64 * 1024)));
        const ssize_t n = ::read(fd, bytes.data() + have, size_t(bytes.size() - have));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            break;
        have += n;
    }
    bytes.truncate(have);
    return bytes;
}

// Why an open connection's file cannot be shown, or nothing; fills in what it learns.
const char *readMBTiles(const QSqlDatabase &db, TileSourceInfo &info)
{
    switch (tilesKind(db)) {
    case Tiles::Table: break;
    case Tiles::Missing: return kNoTilesTable;
    case Tiles::Other: return kTilesNotTable;
    case Tiles::Unreadable: return kNotMBTiles;
    case Tiles::Slow: return kTooSlow;
    }
    // Metadata is optional, and read as far as it can be in time.
    QSqlQuery meta = query(db);
    startClock();
    if (meta.exec(QStringLiteral("SELECT name, value FROM metadata"))) {
        while (meta.next()) {
            const QString key = meta.value(0).toString().toLower();
            const QString value = meta.value(1).toString();
            if (key == QLatin1String("name")) info.name = value;
            else if (key == QLatin1String("format")) info.format = value.toLower();
            else if (key == QLatin1String("attribution")) info.attribution = value;
            else if (key == QLatin1String("minzoom")) info.minZoom = value.toInt();
            else if (key == QLatin1String("maxzoom")) info.maxZoom = value.toInt();
            else if (key == QLatin1String("bounds")) info.bounds = TileSource::parseBounds(value);
        }
    }
    if (info.format == QLatin1String("pbf") || info.format == QLatin1String("mvt"))
        return kVector;
    // No count(*): a large file would be read through. min and max use the index.
    QSqlQuery tiles = query(db);
    startClock();
    if (!tiles.exec(QStringLiteral("SELECT min(zoom_level), max(zoom_level) FROM tiles")) || !tiles.next())
        return interrupted(tiles) ? kTooSlow : kNotMBTiles;
    if (tiles.value(0).isNull())
        return kNoTilesTable;
    if (info.minZoom < 0) info.minZoom = tiles.value(0).toInt();
    if (info.maxZoom < 0) info.maxZoom = tiles.value(1).toInt();
    // The first tile says what the format really is (its head is enough; a tile too
    // large to be shown is passed over).
    QSqlQuery first = query(db);
    first.prepare(QStringLiteral("SELECT substr(tile_data, 1, 16) FROM tiles "
                                 "WHERE typeof(tile_data) = 'blob' AND length(tile_data) <= ? LIMIT 1"));
    first.addBindValue(TileSource::kMaxTileBytes);
    startClock();
    if (!first.exec() || !first.next())
        return interrupted(first) ? kTooSlow : kNotMBTiles;
    const QByteArray type = TileSource::imageType(first.value(0).toByteArray());
    if (type.isEmpty())
        return kVector;
    if (info.format.isEmpty())
        info.format = type == "image/jpeg" ? QStringLiteral("jpg") : QString::fromLatin1(type.mid(6));
    return nullptr;
}

TileSourceInfo inspectMBTiles(TileSourceInfo info)
{
    struct stat st;
    const int fd = openRegularFile(info.path, &st);
    if (fd < 0) {
        info.problem = Localization::text(kUnreadable);
        return info;
    }
    const std::optional<QByteArray> head = readUpTo(fd, 16);
    ::close(fd);
    if (!head) {
        info.problem = Localization::text(kUnreadable);
        return info;
    }
    if (!head->startsWith("SQLite format 3")) {
        info.problem = Localization::text(kNotMBTiles);
        return info;
    }
    QString connection;
    const char *problem = kNotMBTiles;
    {
        QSqlDatabase db = openMBTiles(info.path, true);
        connection = db.connectionName();
        if (db.isOpen())
            problem = readMBTiles(db, info);
    }
    closeFresh(connection);
    if (problem)
        info.problem = Localization::text(problem);
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
            // One arg() for all: a folder's name may hold "%1" itself.
            std::optional<QByteArray> bytes = readSmallFile(
                QStringLiteral("%1/%2/%3/%4%5").arg(path, QString::number(tile.z), QString::number(tile.x),
                                                    QString::number(tile.y), QLatin1String(suffix)));
            if (bytes)
                return bytes;
        }
        return std::nullopt;
    }
    if (!fi.isFile())
        return std::nullopt;   // removed while in use
    QSqlDatabase db = openMBTiles(path, false);
    if (!db.isOpen())
        return std::nullopt;
    // A tile larger than kMaxTileBytes fails to read: the connection's length limit.
    QSqlQuery q = query(db);
    startClock();
    q.prepare(QStringLiteral("SELECT tile_data FROM tiles WHERE zoom_level = ? AND tile_column = ? AND tile_row = ?"));
    q.addBindValue(tile.z);
    q.addBindValue(tile.x);
    q.addBindValue(tmsRow(tile.z, tile.y));
    if (!q.exec() || !q.next())
        return std::nullopt;
    return q.value(0).toByteArray();
}

std::optional<QByteArray> TileSource::readSmallFile(const QString &path, qint64 limit)
{
    struct stat st;
    const int fd = openRegularFile(path, &st);
    if (fd < 0)
        return std::nullopt;
    std::optional<QByteArray> bytes;
    // One byte more than allowed tells a file that grew past the limit since fstat().
    if (st.st_size <= limit) {
        bytes = readUpTo(fd, limit + 1);
        if (bytes && bytes->size() > limit)
            bytes.reset();
    }
    ::close(fd);
    return bytes;
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
