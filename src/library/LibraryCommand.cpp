#include "LibraryCommand.h"

#include "LibraryDatabase.h"
#include "LibraryIndexer.h"
#include "LibraryQueries.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QTimeZone>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

bool number(const std::string &text, double *value)
{
    if (text.empty())
        return false;
    char *end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !std::isfinite(v))
        return false;
    *value = v;
    return true;
}

std::vector<std::string> split(const std::string &text, char by)
{
    std::vector<std::string> out;
    size_t from = 0;
    for (;;) {
        const size_t at = text.find(by, from);
        out.push_back(text.substr(from, at == std::string::npos ? std::string::npos : at - from));
        if (at == std::string::npos)
            return out;
        from = at + 1;
    }
}

std::string json(const QString &text)
{
    std::string out = "\"";
    for (const unsigned char c : text.toStdString()) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out.push_back(char(c));
            }
        }
    }
    return out + "\"";
}

std::string timeJson(const std::optional<int64_t> &ms, bool utc)
{
    if (!ms)
        return "null";
    std::string t = LibraryCommand::utcText(*ms);
    if (!utc)
        t.pop_back();   // the camera's clock: no zone
    return "\"" + t + "\"";
}

std::string fixed(double v, int decimals)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}

void complain(const std::string &subject, const std::string &reason)
{
    std::fprintf(stderr, "veltra-gps: %s: %s\n", subject.c_str(), reason.c_str());
}

int add(LibraryDatabase &db, const LibraryCommandOptions &o)
{
    std::vector<std::string> roots;
    for (const std::string &p : o.add) {
        const QString absolute = QDir::cleanPath(QFileInfo(QString::fromStdString(p)).absoluteFilePath());
        roots.push_back(absolute.toStdString());
        if (QFileInfo(absolute).isDir() && !db.addFolder(absolute)) {
            complain(o.database, db.message().toStdString());
            return 1;
        }
    }
    const bool terminal = ::isatty(2);
    bool shown = false;
    const IndexSummary s = LibraryIndexer::run(db, roots, nullptr, [&](const IndexProgress &p) {
        if (!terminal)
            return;
        if (p.walking)
            std::fprintf(stderr, "\rLooking for clips: %zu found\xE2\x80\xA6", p.found);
        else
            std::fprintf(stderr, "\r\033[KIndexing %zu/%zu clips\xE2\x80\xA6", p.done, p.toRead);
        std::fflush(stderr);
        shown = true;
    });
    if (shown)
        std::fputs("\r\033[K", stderr);
    for (const SkippedFile &f : s.skipped)
        complain(f.path, f.reason);
    for (const std::string &u : s.unreachable)
        complain(u, "not there; the clips indexed from it are kept");
    if (!s.ok())
        complain(o.database, s.failure.toStdString());
    std::printf("%s\n", s.line().c_str());
    return s.ok() && s.skipped.empty() && s.unreachable.empty() ? 0 : 1;
}

} // namespace

const char *LibraryCommandOptions::usage()
{
    return "usage: veltra-gps --library DB --add PATH...\n"
           "       veltra-gps --library DB --near LAT,LON[,METRES] [--from TIME] [--to TIME]\n"
           "       veltra-gps --library DB --events KIND[,KIND] [--from TIME] [--to TIME]\n"
           "  --add PATH...  index the clips of these folders and files (again only what changed)\n"
           "  --near P       one JSON line per clip that passed within METRES (100) of P, with the\n"
           "                 time of its closest approach and the distance\n"
           "  --events K     the events of these kinds: hard-braking, hard-acceleration, sharp-turn,\n"
           "                 impact, parked-bump, brake, assistance-off (or all)\n"
           "  --from, --to   only clips from / until this UTC time (YYYY-MM-DD[THH:MM[:SS]])\n";
}

LibraryCommandOptions LibraryCommandOptions::parse(const std::vector<std::string> &args)
{
    LibraryCommandOptions o;
    auto value = [&](size_t &i, const char *what) -> std::optional<std::string> {
        if (i + 1 >= args.size() || args[i + 1].empty()) {
            o.error = std::string(args[i]) + " needs " + what;
            return std::nullopt;
        }
        return args[++i];
    };
    for (size_t i = 0; i < args.size() && o.error.empty(); ++i) {
        const std::string &a = args[i];
        if (a == "-h" || a == "--help") {
            o.help = true;
        } else if (a == "--library") {
            if (auto v = value(i, "a database file"))
                o.database = *v;
        } else if (a == "--add") {
            while (i + 1 < args.size() && !(args[i + 1].size() > 2 && args[i + 1].compare(0, 2, "--") == 0))
                o.add.push_back(args[++i]);
            if (o.add.empty())
                o.error = "--add needs a folder or file";
        } else if (a == "--near") {
            auto v = value(i, "LAT,LON[,METRES]");
            if (!v)
                break;
            const auto parts = split(*v, ',');
            o.near = true;
            if ((parts.size() != 2 && parts.size() != 3) || !number(parts[0], &o.latitude) ||
                !number(parts[1], &o.longitude) || (parts.size() == 3 && !number(parts[2], &o.metres)) ||
                std::fabs(o.latitude) > 90 || std::fabs(o.longitude) > 180 || o.metres <= 0 || o.metres > 100000)
                o.error = "--near needs LAT,LON[,METRES] (degrees, and metres up to 100000)";
        } else if (a == "--events") {
            auto v = value(i, "the kinds of events");
            if (!v)
                break;
            o.events = true;
            if (*v != "all")
                for (const std::string &k : split(*v, ',')) {
                    LibraryEventKind kind;
                    if (!eventKindFromName(k, &kind)) {
                        o.error = "unknown event kind '" + k + "'";
                        break;
                    }
                    o.kinds.push_back(k);
                }
        } else if (a == "--from" || a == "--to") {
            auto v = value(i, "a time");
            if (!v)
                break;
            const auto t = LibraryCommand::parseTime(*v);
            if (!t)
                o.error = "cannot read the time '" + *v + "'";
            else
                (a == "--from" ? o.fromMs : o.toMs) = t;
        } else {
            o.error = "unknown option '" + a + "' with --library";
        }
    }
    if (!o.error.empty() || o.help)
        return o;
    const int asked = int(!o.add.empty()) + int(o.near) + int(o.events);
    if (o.database.empty())
        o.error = "--library needs a database file";
    else if (asked != 1)
        o.error = "--library needs one of --add, --near or --events";
    else if (!o.add.empty() && (o.fromMs || o.toMs))
        o.error = "--from and --to go with --near or --events";
    return o;
}

namespace LibraryCommand {

bool wanted(const std::vector<std::string> &args)
{
    for (const std::string &a : args)
        if (a == "--library")
            return true;
    return false;
}

std::optional<long long> parseTime(const std::string &text)
{
    QString t = QString::fromStdString(text).trimmed();
    if (t.endsWith(QLatin1Char('Z')))
        t.chop(1);
    t.replace(QLatin1Char(' '), QLatin1Char('T'));
    for (const char *format : {"yyyy-MM-dd", "yyyy-MM-ddTHH:mm", "yyyy-MM-ddTHH:mm:ss", "yyyy-MM-ddTHH:mm:ss.zzz"}) {
        QDateTime d = QDateTime::fromString(t, QString::fromLatin1(format));
        if (d.isValid()) {
            d.setTimeZone(QTimeZone::utc());
            return d.toMSecsSinceEpoch();
        }
    }
    return std::nullopt;
}

std::string utcText(long long ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms, QTimeZone::utc())
               .toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz'Z'"))
               .toStdString();
}

int run(int argc, char **argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    const LibraryCommandOptions o = LibraryCommandOptions::parse(args);
    if (o.help) {
        std::fputs(LibraryCommandOptions::usage(), stdout);
        return 0;
    }
    if (!o.error.empty()) {
        std::fprintf(stderr, "veltra-gps: %s\n%s", o.error.c_str(), LibraryCommandOptions::usage());
        return 2;
    }
    QCoreApplication app(argc, argv);
    LibraryDatabase db;
    const bool writes = !o.add.empty();
    if (!db.open(QString::fromStdString(o.database), writes ? LibraryDatabase::Access::ReadWrite
                                                            : LibraryDatabase::Access::ReadOnly)) {
        complain(o.database, db.message().toStdString());
        return 1;
    }
    if (db.wasRebuilt())
        complain(o.database, db.message().toStdString());
    if (writes) {
        if (db.isReadOnly()) {
            complain(o.database, db.message().toStdString());
            return 1;
        }
        return add(db, o);
    }
    if (o.near) {
        for (const PlaceHit &h : LibraryQueries::near(db.db(), o.latitude, o.longitude, o.metres, o.fromMs, o.toMs))
            std::printf("{\"file\":%s,\"time\":%s,\"clock\":\"%s\",\"offset_s\":%s,\"metres\":%s}\n",
                        json(h.path).c_str(), timeJson(h.atMs, h.utc).c_str(), h.utc ? "utc" : "camera",
                        fixed(h.offsetMs / 1000.0, 3).c_str(), fixed(h.metres, 1).c_str());
        return 0;
    }
    std::set<LibraryEventKind> kinds;
    for (const std::string &k : o.kinds) {
        LibraryEventKind kind;
        if (eventKindFromName(k, &kind))
            kinds.insert(kind);
    }
    for (const EventRow &e : LibraryQueries::events(db.db(), kinds, o.fromMs, o.toMs)) {
        std::printf("{\"file\":%s,\"kind\":\"%s\",\"time\":%s,\"clock\":\"%s\",\"offset_s\":%s,\"strength\":%s,"
                    "\"lat\":%s,\"lon\":%s}\n",
                    json(e.path).c_str(), eventKindName(e.kind), timeJson(e.atMs, e.utc).c_str(), e.utc ? "utc" : "camera",
                    fixed(e.offsetMs / 1000.0, 3).c_str(), fixed(e.strength, 2).c_str(),
                    e.latitude ? fixed(*e.latitude, 6).c_str() : "null", e.longitude ? fixed(*e.longitude, 6).c_str() : "null");
    }
    return 0;
}

} // namespace LibraryCommand
