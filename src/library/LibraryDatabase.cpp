#include "LibraryDatabase.h"

#include "RouteGeometry.h"

#include <QAtomicInteger>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTimeZone>
#include <QVariant>

namespace {

QAtomicInteger<quint64> g_connections;

// SQLite's primary result codes that the messages tell apart.
constexpr int kBusy = 5, kLocked = 6, kReadOnly = 8, kIoError = 10, kCorrupt = 11, kFull = 13, kCantOpen = 14,
              kNotADb = 26;

// The migrations: the statements that take version N-1 to version N, for N = 1, 2, ….
const std::vector<std::vector<const char *>> &migrations()
{
    static const std::vector<std::vector<const char *>> steps = {
        {
            "CREATE TABLE folders(id INTEGER PRIMARY KEY, path TEXT NOT NULL UNIQUE)",
            "CREATE TABLE clips(id INTEGER PRIMARY KEY, path TEXT NOT NULL UNIQUE, size INTEGER NOT NULL,"
            " mtime_ns INTEGER NOT NULL, camera TEXT NOT NULL, channel TEXT NOT NULL, start_ms INTEGER,"
            " utc INTEGER NOT NULL, camera_start_ms INTEGER, error_ms INTEGER, duration_ms INTEGER NOT NULL,"
            " layout TEXT NOT NULL, samples INTEGER NOT NULL, max_speed INTEGER NOT NULL, distance_m REAL NOT NULL,"
            " protected INTEGER NOT NULL, day INTEGER)",
            "CREATE INDEX clips_start ON clips(start_ms)",
            "CREATE INDEX clips_day ON clips(day)",
            "CREATE TABLE pieces(id INTEGER PRIMARY KEY, clip INTEGER NOT NULL, points BLOB NOT NULL)",
            "CREATE INDEX pieces_clip ON pieces(clip)",
            "CREATE VIRTUAL TABLE piece_boxes USING rtree(id, min_lat, max_lat, min_lon, max_lon)",
            "CREATE TABLE events(id INTEGER PRIMARY KEY, clip INTEGER NOT NULL, kind TEXT NOT NULL,"
            " offset_ms INTEGER NOT NULL, at_ms INTEGER, strength REAL NOT NULL, lat REAL, lon REAL)",
            "CREATE INDEX events_clip ON events(clip)",
            "CREATE INDEX events_kind ON events(kind, at_ms)",
        },
    };
    return steps;
}

int primaryCode(const QSqlError &error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    return ok ? (code & 0xff) : -1;
}

QVariant optional(const std::optional<int64_t> &v)
{
    return v ? QVariant(qint64(*v)) : QVariant(QMetaType(QMetaType::LongLong));
}

QVariant optional(const std::optional<double> &v)
{
    return v ? QVariant(*v) : QVariant(QMetaType(QMetaType::Double));
}

} // namespace

LibraryDatabase::LibraryDatabase()
    : connection_(QStringLiteral("veltra-library-%1").arg(g_connections.fetchAndAddRelaxed(1)))
{
}

LibraryDatabase::~LibraryDatabase()
{
    close();
}

void LibraryDatabase::close()
{
    if (db_.isValid()) {
        db_.close();
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(connection_);
    }
}

QString LibraryDatabase::defaultPath()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(folder);
    return folder + QStringLiteral("/library.sqlite");
}

const char *LibraryDatabase::errorKey(int code)
{
    switch (code) {
    case kBusy:
    case kLocked: return "The library is in use by another program. It was left as it is; try again when that program has finished.";
    case kReadOnly: return "The library file cannot be written. It is shown as it is, and no folder can be added to it.";
    case kFull: return "The disk is full. The library keeps what it had; nothing was half written.";
    case kCorrupt:
    case kNotADb: return "The library file is damaged.";
    case kIoError:
    case kCantOpen: return "The library file cannot be read or written (%1).";
    default: return "The library could not be used (%1).";
    }
}

bool LibraryDatabase::fail(const QSqlError &error)
{
    message_ = QString::fromLatin1(errorKey(primaryCode(error)));
    messageArg_ = error.text();
    return false;
}

bool LibraryDatabase::openFile(const QString &path, bool readOnly)
{
    close();
    db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
    db_.setDatabaseName(path);
    db_.setConnectOptions(readOnly ? QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=3000")
                                   : QStringLiteral("QSQLITE_BUSY_TIMEOUT=3000"));
    if (!db_.open())
        return fail(db_.lastError());
    return true;
}

bool LibraryDatabase::open(const QString &path, Access access)
{
    path_ = path;
    message_.clear();
    messageArg_.clear();
    rebuilt_ = false;
    const QFileInfo info(path);
    readOnly_ = access == Access::ReadOnly || (info.exists() && !info.isWritable()) ||
                (!info.exists() && !QFileInfo(info.absolutePath()).isWritable());
    if (readOnly_ && !info.exists()) {
        message_ = QStringLiteral("There is no library at %1 yet, and it cannot be made there.");
        messageArg_ = QDir::toNativeSeparators(path);
        return false;
    }
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!openFile(path, readOnly_))
            return false;
        QSqlQuery q(db_);
        int version = -1;
        bool damaged = false;
        if (q.exec(QStringLiteral("PRAGMA user_version")) && q.next() &&
            q.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) && q.next()) {
            q.exec(QStringLiteral("PRAGMA user_version"));
            q.next();
            version = q.value(0).toInt();
        } else {
            const int code = primaryCode(q.lastError());
            if (code != kCorrupt && code != kNotADb) {
                fail(q.lastError());
                close();
                return false;
            }
            damaged = true;
        }
        if (!damaged && version > kSchemaVersion) {
            message_ = QStringLiteral("This library was made by a newer version of Veltra Player (version %1 of its "
                                      "file). It was left as it is.");
            messageArg_ = QString::number(version);
            close();
            return false;
        }
        if (!damaged && !readOnly_) {
            q.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
            q.exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
            if (!migrate()) {
                const bool corrupt = message_ == QLatin1String(errorKey(kCorrupt));
                if (!corrupt) {
                    close();
                    return false;
                }
                damaged = true;
            }
        }
        if (!damaged) {
            if (readOnly_ && version < kSchemaVersion) {
                message_ = QStringLiteral("The library file cannot be written and is of an older version. It was left as it is.");
                close();
                return false;
            }
            if (readOnly_ && message_.isEmpty())
                message_ = QString::fromLatin1(errorKey(kReadOnly));
            if (rebuilt_) {
                message_ = QStringLiteral("The library file was damaged. It was put aside as %1 and the library is "
                                          "being built again.");
                messageArg_ = QDir::toNativeSeparators(path + QStringLiteral(".damaged"));
            }
            return true;
        }
        if (readOnly_) {
            message_ = QStringLiteral("The library file is damaged and cannot be replaced. It was left as it is.");
            close();
            return false;
        }
        // Put the damaged file aside and start again with an empty library.
        close();
        const QString aside = path + QStringLiteral(".damaged");
        QFile::remove(aside);
        if (!QFile::rename(path, aside)) {
            message_ = QStringLiteral("The library file is damaged and cannot be put aside. It was left as it is.");
            return false;
        }
        QFile::remove(path + QStringLiteral("-wal"));
        QFile::remove(path + QStringLiteral("-shm"));
        rebuilt_ = true;
    }
    return false;
}

bool LibraryDatabase::migrate()
{
    QSqlQuery q(db_);
    if (!q.exec(QStringLiteral("PRAGMA user_version")) || !q.next())
        return fail(q.lastError());
    int version = q.value(0).toInt();
    const auto &steps = migrations();
    while (version < int(steps.size())) {
        if (!db_.transaction())
            return fail(db_.lastError());
        for (const char *statement : steps[size_t(version)])
            if (!q.exec(QString::fromLatin1(statement))) {
                const QSqlError error = q.lastError();
                db_.rollback();
                return fail(error);
            }
        ++version;
        if (!q.exec(QStringLiteral("PRAGMA user_version = %1").arg(version)) || !db_.commit()) {
            const QSqlError error = q.lastError().isValid() ? q.lastError() : db_.lastError();
            db_.rollback();
            return fail(error);
        }
    }
    return true;
}

QStringList LibraryDatabase::folders()
{
    QStringList out;
    QSqlQuery q(db_);
    if (q.exec(QStringLiteral("SELECT path FROM folders ORDER BY id")))
        while (q.next())
            out << q.value(0).toString();
    return out;
}

bool LibraryDatabase::addFolder(const QString &folder)
{
    if (readOnly_) {
        message_ = QString::fromLatin1(errorKey(kReadOnly));
        return false;
    }
    QSqlQuery q(db_);
    q.prepare(QStringLiteral("INSERT OR IGNORE INTO folders(path) VALUES(?)"));
    q.addBindValue(folder);
    return q.exec() || fail(q.lastError());
}

bool LibraryDatabase::removeFolder(const QString &folder)
{
    QSqlQuery q(db_);
    q.prepare(QStringLiteral("DELETE FROM folders WHERE path = ?"));
    q.addBindValue(folder);
    return q.exec() || fail(q.lastError());
}

std::unordered_map<std::string, LibraryDatabase::Known> LibraryDatabase::known(const std::vector<std::string> &roots)
{
    std::unordered_map<std::string, Known> out;
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT id, path, size, mtime_ns FROM clips")))
        return out;
    while (q.next()) {
        std::string path = q.value(1).toString().toStdString();
        bool under = roots.empty();
        for (const std::string &root : roots)
            if (path == root || (path.size() > root.size() && path.compare(0, root.size(), root) == 0 &&
                                 (root.back() == '/' || path[root.size()] == '/')))
                under = true;
        if (under)
            out.emplace(std::move(path), Known{q.value(0).toLongLong(), q.value(2).toLongLong(), q.value(3).toLongLong()});
    }
    return out;
}

int LibraryDatabase::dayOf(int64_t startMs, bool utc)
{
    const QDate d = utc ? QDateTime::fromMSecsSinceEpoch(startMs).toLocalTime().date()
                        : QDateTime::fromMSecsSinceEpoch(startMs, QTimeZone::utc()).date();
    return d.year() * 10000 + d.month() * 100 + d.day();
}

int64_t LibraryDatabase::wallClockMs(int64_t startMs, bool utc)
{
    if (!utc)
        return startMs;
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(startMs).toLocalTime();
    return startMs + int64_t(local.offsetFromUtc()) * 1000;
}

bool LibraryDatabase::write(const Batch &batch)
{
    if (batch.empty())
        return true;
    if (readOnly_) {
        message_ = QString::fromLatin1(errorKey(kReadOnly));
        return false;
    }
    if (!db_.transaction())
        return fail(db_.lastError());
    QSqlQuery delEvents(db_), delBoxes(db_), delPieces(db_), delClip(db_), findClip(db_), insClip(db_), insPiece(db_),
        insBox(db_), insEvent(db_), move(db_);
    delEvents.prepare(QStringLiteral("DELETE FROM events WHERE clip = ?"));
    delBoxes.prepare(QStringLiteral("DELETE FROM piece_boxes WHERE id IN (SELECT id FROM pieces WHERE clip = ?)"));
    delPieces.prepare(QStringLiteral("DELETE FROM pieces WHERE clip = ?"));
    delClip.prepare(QStringLiteral("DELETE FROM clips WHERE id = ?"));
    findClip.prepare(QStringLiteral("SELECT id FROM clips WHERE path = ?"));
    insClip.prepare(QStringLiteral(
        "INSERT INTO clips(path, size, mtime_ns, camera, channel, start_ms, utc, camera_start_ms, error_ms, duration_ms,"
        " layout, samples, max_speed, distance_m, protected, day) VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)"));
    insPiece.prepare(QStringLiteral("INSERT INTO pieces(clip, points) VALUES(?, ?)"));
    insBox.prepare(QStringLiteral("INSERT INTO piece_boxes(id, min_lat, max_lat, min_lon, max_lon) VALUES(?,?,?,?,?)"));
    insEvent.prepare(QStringLiteral(
        "INSERT INTO events(clip, kind, offset_ms, at_ms, strength, lat, lon) VALUES(?,?,?,?,?,?,?)"));
    move.prepare(QStringLiteral("UPDATE clips SET path = ? WHERE id = ?"));

    QSqlError error;
    auto run = [&error](QSqlQuery &q) {
        if (q.exec())
            return true;
        error = q.lastError();
        return false;
    };
    auto removeClip = [&](qint64 id) {
        for (QSqlQuery *q : {&delEvents, &delBoxes, &delPieces, &delClip}) {
            q->bindValue(0, id);
            if (!run(*q))
                return false;
        }
        return true;
    };
    bool ok = true;
    for (size_t i = 0; ok && i < batch.removed.size(); ++i)
        ok = removeClip(qint64(batch.removed[i]));
    for (size_t i = 0; ok && i < batch.moved.size(); ++i) {
        move.bindValue(0, QString::fromStdString(batch.moved[i].second));
        move.bindValue(1, qint64(batch.moved[i].first));
        ok = run(move);
    }
    for (size_t i = 0; ok && i < batch.clips.size(); ++i) {
        const ClipFacts &c = batch.clips[i];
        const QString path = QString::fromStdString(c.path);
        findClip.bindValue(0, path);
        ok = run(findClip);
        if (ok && findClip.next()) {
            const qint64 old = findClip.value(0).toLongLong();
            findClip.finish();
            ok = removeClip(old);
        }
        findClip.finish();
        if (!ok)
            break;
        const QVariantList values = {
            path, qint64(c.size), qint64(c.mtimeNs), QString::fromStdString(c.camera), QString::fromStdString(c.channel),
            optional(c.startMs), c.startIsUtc ? 1 : 0, optional(c.cameraStartMs), optional(c.errorMs),
            qint64(c.durationMs), QString::fromStdString(c.layout), c.samples, c.maxSpeedKmh, c.distanceM,
            c.isProtected ? 1 : 0, c.startMs ? QVariant(dayOf(*c.startMs, c.startIsUtc)) : QVariant(QMetaType(QMetaType::Int))};
        for (int v = 0; v < values.size(); ++v)
            insClip.bindValue(v, values[v]);
        if (!(ok = run(insClip)))
            break;
        const qint64 clipId = insClip.lastInsertId().toLongLong();
        for (const RoutePiece &piece : c.pieces) {
            const std::string bytes = RouteGeometry::pack(piece.points);
            insPiece.bindValue(0, clipId);
            insPiece.bindValue(1, QByteArray(bytes.data(), qsizetype(bytes.size())));
            if (!(ok = run(insPiece)))
                break;
            insBox.bindValue(0, insPiece.lastInsertId());
            insBox.bindValue(1, piece.minLat);
            insBox.bindValue(2, piece.maxLat);
            insBox.bindValue(3, piece.minLon);
            insBox.bindValue(4, piece.maxLon);
            if (!(ok = run(insBox)))
                break;
        }
        for (size_t e = 0; ok && e < c.events.size(); ++e) {
            const ClipEvent &ev = c.events[e];
            insEvent.bindValue(0, clipId);
            insEvent.bindValue(1, QString::fromLatin1(eventKindName(ev.kind)));
            insEvent.bindValue(2, qint64(ev.offsetMs));
            insEvent.bindValue(3, c.startMs ? QVariant(qint64(*c.startMs + ev.offsetMs)) : QVariant(QMetaType(QMetaType::LongLong)));
            insEvent.bindValue(4, ev.strength);
            insEvent.bindValue(5, optional(ev.latitude));
            insEvent.bindValue(6, optional(ev.longitude));
            ok = run(insEvent);
        }
    }
    if (ok && !db_.commit()) {
        error = db_.lastError();
        ok = false;
    }
    if (!ok) {
        db_.rollback();
        return fail(error);
    }
    return true;
}

int64_t LibraryDatabase::clipCount()
{
    QSqlQuery q(db_);
    if (q.exec(QStringLiteral("SELECT count(*) FROM clips")) && q.next())
        return q.value(0).toLongLong();
    return 0;
}
