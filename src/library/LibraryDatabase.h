// The drive library's database: one SQLite file (by default in the user's data folder),
// in WAL mode so that the window reads while the indexer writes, with a schema version
// and the migrations to it. Every statement binds its values. Whatever goes wrong with
// the file (damaged, from a newer version, read-only, in use, a full disk) ends in a
// message for the user and a database that is either rebuilt or left as it was: a
// batch of clips is written in one transaction or not at all.
//
// A connection belongs to the thread that opened it: the indexer opens its own.
#pragma once

#include "ClipFacts.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <unordered_map>
#include <vector>

class LibraryDatabase {
public:
    enum class Access { ReadWrite, ReadOnly };
    static constexpr int kSchemaVersion = 1;

    LibraryDatabase();
    ~LibraryDatabase();
    LibraryDatabase(const LibraryDatabase &) = delete;
    LibraryDatabase &operator=(const LibraryDatabase &) = delete;

    // "library.sqlite" in QStandardPaths::AppDataLocation (the folder made when missing).
    static QString defaultPath();

    // Opens (or makes) the database at `path`. A file that is damaged or not a database
    // is put aside as PATH.damaged (the message says so) and a new one is made; one from
    // a newer version, or in use by another program past the wait, is left as it is and
    // not opened (false); one that cannot be written is opened read-only (true, with a
    // message). message() says what the user should know, empty when all is well.
    bool open(const QString &path, Access access = Access::ReadWrite);
    bool isOpen() const { return db_.isOpen(); }
    bool isReadOnly() const { return readOnly_; }
    bool wasRebuilt() const { return rebuilt_; }
    // The message in English; its key (the source text, with %1 for the argument) and
    // argument for the window's string tables.
    QString message() const { return withArgument(message_, messageArg_); }
    // A message's text with its argument in place of %1 (when it has one).
    static QString withArgument(const QString &text, const QString &argument)
    {
        return text.contains(QLatin1String("%1")) ? QString(text).arg(argument) : text;
    }
    const QString &messageKey() const { return message_; }
    const QString &messageArgument() const { return messageArg_; }
    QString path() const { return path_; }
    QSqlDatabase &db() { return db_; }

    // The folders added (in the order added); adding one twice keeps one.
    QStringList folders();
    bool addFolder(const QString &folder);
    bool removeFolder(const QString &folder);

    // What is known of the clips under `roots` (all clips when empty), by path.
    struct Known {
        int64_t id = 0;
        int64_t size = 0;
        int64_t mtimeNs = 0;
    };
    std::unordered_map<std::string, Known> known(const std::vector<std::string> &roots = {});

    // One transaction: the clips written (a clip already there under its path is
    // replaced, its pieces and events with it), the ids removed, the paths moved
    // (id, new path). False, with message() set and nothing written, when any part fails.
    struct Batch {
        std::vector<ClipFacts> clips;
        std::vector<int64_t> removed;
        std::vector<std::pair<int64_t, std::string>> moved;
        bool empty() const { return clips.empty() && removed.empty() && moved.empty(); }
    };
    bool write(const Batch &batch);

    int64_t clipCount();

    // The day a clip is listed under (yyyymmdd): a UTC start's in this system's time
    // zone, a camera time's as the camera showed it.
    static int dayOf(int64_t startMs, bool utc);
    // The start as a wall clock reads it (ms as if UTC), the same rule.
    static int64_t wallClockMs(int64_t startMs, bool utc);

    // The message key for an SQLite error code (its primary code: busy, full,
    // read-only, damaged, …).
    static const char *errorKey(int sqliteCode);

private:
    bool openFile(const QString &path, bool readOnly);
    bool migrate();
    bool fail(const QSqlError &error);
    void close();

    QSqlDatabase db_;
    QString connection_;
    QString path_;
    QString message_;
    QString messageArg_;
    bool readOnly_ = false;
    bool rebuilt_ = false;
};
