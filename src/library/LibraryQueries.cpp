#include "LibraryQueries.h"

#include "ClipTime.h"
#include "TripGrouping.h"

#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <map>

namespace {

// Ids as a JSON array ("[1,2,3]"), one value to bind.
QString idArray(const std::vector<int64_t> &ids)
{
    QString out;
    out.reserve(int(ids.size()) * 7 + 2);
    out += QLatin1Char('[');
    for (size_t i = 0; i < ids.size(); ++i) {
        if (i)
            out += QLatin1Char(',');
        out += QString::number(ids[i]);
    }
    out += QLatin1Char(']');
    return out;
}

std::optional<int64_t> optionalMs(const QVariant &v)
{
    return v.isNull() ? std::nullopt : std::optional<int64_t>(v.toLongLong());
}

std::optional<double> optionalDouble(const QVariant &v)
{
    return v.isNull() ? std::nullopt : std::optional<double>(v.toDouble());
}

// The pieces whose boxes meet `box`, with their clip, clips starting within the bounds.
std::vector<PieceRow> piecesIn(QSqlDatabase &db, const RouteGeometry::Box &box, std::optional<int64_t> fromMs,
                               std::optional<int64_t> toMs)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral(
        "SELECT p.clip, c.path, c.start_ms, c.utc, p.points FROM piece_boxes b JOIN pieces p ON p.id = b.id"
        " JOIN clips c ON c.id = p.clip WHERE b.max_lat >= ? AND b.min_lat <= ? AND b.max_lon >= ? AND b.min_lon <= ?"
        " AND (? IS NULL OR c.start_ms >= ?) AND (? IS NULL OR c.start_ms <= ?)"));
    const QVariant from = fromMs ? QVariant(qint64(*fromMs)) : QVariant(QMetaType(QMetaType::LongLong));
    const QVariant to = toMs ? QVariant(qint64(*toMs)) : QVariant(QMetaType(QMetaType::LongLong));
    const QVariantList values = {box.minLat, box.maxLat, box.minLon, box.maxLon, from, from, to, to};
    for (int i = 0; i < values.size(); ++i)
        q.bindValue(i, values[i]);
    std::vector<PieceRow> out;
    if (!q.exec())
        return out;
    while (q.next()) {
        const QByteArray bytes = q.value(4).toByteArray();
        auto points = RouteGeometry::unpack(std::string(bytes.constData(), size_t(bytes.size())));
        if (!points)
            continue;
        out.push_back({q.value(0).toLongLong(), q.value(1).toString(), optionalMs(q.value(2)), q.value(3).toInt() != 0,
                       std::move(*points)});
    }
    return out;
}

void orderHits(std::vector<PlaceHit> &hits)
{
    std::sort(hits.begin(), hits.end(), [](const PlaceHit &a, const PlaceHit &b) {
        if (a.atMs != b.atMs)
            return a.atMs.has_value() && (!b.atMs.has_value() || *a.atMs < *b.atMs);
        return a.path < b.path;
    });
}

PlaceHit hitOf(const PieceRow &p, const RouteGeometry::Approach &a)
{
    PlaceHit h;
    h.clipId = p.clipId;
    h.path = p.path;
    h.offsetMs = a.offsetMs;
    h.utc = p.utc;
    h.metres = a.metres;
    if (p.startMs)
        h.atMs = *p.startMs + a.offsetMs;
    return h;
}

ClipRow clipFrom(const QSqlQuery &q)
{
    ClipRow c;
    c.id = q.value(0).toLongLong();
    c.path = q.value(1).toString();
    c.camera = q.value(2).toString();
    c.channel = q.value(3).toString();
    c.startMs = optionalMs(q.value(4));
    c.utc = q.value(5).toInt() != 0;
    c.durationMs = q.value(6).toLongLong();
    c.distanceM = q.value(7).toDouble();
    c.isProtected = q.value(8).toInt() != 0;
    c.events = q.value(9).toInt();
    return c;
}

char channelId(const QString &name)
{
    if (name.isEmpty())
        return 0;
    if (name.size() == 1)
        return name.at(0).toLatin1();
    for (char c : {ClipTime::kLeftRepeater, ClipTime::kRightRepeater, ClipTime::kLeftPillar, ClipTime::kRightPillar})
        if (QString::fromStdString(ClipTime::channelName(c)) == name)
            return c;
    return '?';
}

} // namespace

std::vector<const ClipRow *> TripRow::shownClips() const
{
    QString shown;
    int best = 1 << 20;
    for (const QString &ch : channels) {
        const int rank = ClipTime::channelRank(channelId(ch));
        if (rank < best) {
            best = rank;
            shown = ch;
        }
    }
    std::vector<const ClipRow *> out;
    for (const ClipRow &c : clips)
        if (c.channel == shown)
            out.push_back(&c);
    return out;
}

namespace LibraryQueries {

// Each clip's best approach over its pieces (`approach` gives a piece's, or none), in
// the hits' order.
template <typename Approach>
std::vector<PlaceHit> bestPerClip(const std::vector<PieceRow> &pieces, Approach approach)
{
    std::map<int64_t, PlaceHit> best;
    for (const PieceRow &p : pieces) {
        const auto a = approach(p);
        if (!a)
            continue;
        const auto it = best.find(p.clipId);
        if (it == best.end() || a->metres < it->second.metres)
            best[p.clipId] = hitOf(p, *a);
    }
    std::vector<PlaceHit> out;
    for (auto &[id, hit] : best)
        out.push_back(std::move(hit));
    orderHits(out);
    return out;
}

std::vector<PlaceHit> closestPerClip(const std::vector<PieceRow> &pieces, double lat, double lon, double metres)
{
    return bestPerClip(pieces, [&](const PieceRow &p) {
        auto a = RouteGeometry::closestApproach(p.points, lat, lon);
        if (a && a->metres > metres)
            a.reset();
        return a;
    });
}

std::vector<PlaceHit> throughBox(const std::vector<PieceRow> &pieces, const RouteGeometry::Box &box)
{
    return bestPerClip(pieces, [&](const PieceRow &p) { return RouteGeometry::passThrough(p.points, box); });
}

std::vector<PlaceHit> near(QSqlDatabase &db, double lat, double lon, double metres, std::optional<int64_t> fromMs,
                           std::optional<int64_t> toMs)
{
    return closestPerClip(piecesIn(db, RouteGeometry::around(lat, lon, metres), fromMs, toMs), lat, lon, metres);
}

std::vector<PlaceHit> inBox(QSqlDatabase &db, const RouteGeometry::Box &box, std::optional<int64_t> fromMs,
                            std::optional<int64_t> toMs)
{
    return throughBox(piecesIn(db, box, fromMs, toMs), box);
}

std::vector<EventRow> events(QSqlDatabase &db, const std::set<LibraryEventKind> &kinds, std::optional<int64_t> fromMs,
                             std::optional<int64_t> toMs, const std::vector<int64_t> &clipIds)
{
    QString sql = QStringLiteral("SELECT e.clip, c.path, e.kind, e.offset_ms, e.at_ms, c.utc, e.strength, e.lat, e.lon"
                                 " FROM events e JOIN clips c ON c.id = e.clip WHERE (? IS NULL OR e.at_ms >= ?)"
                                 " AND (? IS NULL OR e.at_ms <= ?)");
    if (!kinds.empty()) {
        QStringList marks;
        for (size_t i = 0; i < kinds.size(); ++i)
            marks << QStringLiteral("?");
        sql += QStringLiteral(" AND e.kind IN (%1)").arg(marks.join(QLatin1Char(',')));
    }
    // The clips as one bound JSON array: a statement of thousands of parameters costs
    // SQLite (and the driver naming each) far more than the query.
    if (!clipIds.empty())
        sql += QStringLiteral(" AND e.clip IN (SELECT value FROM json_each(?))");
    sql += QStringLiteral(" ORDER BY e.at_ms IS NULL, e.at_ms, c.path, e.offset_ms");
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(sql);
    const QVariant from = fromMs ? QVariant(qint64(*fromMs)) : QVariant(QMetaType(QMetaType::LongLong));
    const QVariant to = toMs ? QVariant(qint64(*toMs)) : QVariant(QMetaType(QMetaType::LongLong));
    int n = 0;
    for (const QVariant &v : {from, from, to, to})
        q.bindValue(n++, v);
    for (LibraryEventKind k : kinds)
        q.bindValue(n++, QString::fromLatin1(eventKindName(k)));
    if (!clipIds.empty())
        q.bindValue(n++, idArray(clipIds));
    std::vector<EventRow> out;
    if (!q.exec())
        return out;
    while (q.next()) {
        EventRow e;
        e.clipId = q.value(0).toLongLong();
        e.path = q.value(1).toString();
        if (!eventKindFromName(q.value(2).toString().toStdString(), &e.kind))
            continue;
        e.offsetMs = q.value(3).toLongLong();
        e.atMs = optionalMs(q.value(4));
        e.utc = q.value(5).toInt() != 0;
        e.strength = q.value(6).toDouble();
        e.latitude = optionalDouble(q.value(7));
        e.longitude = optionalDouble(q.value(8));
        out.push_back(std::move(e));
    }
    return out;
}

std::vector<DayRow> days(QSqlDatabase &db, int fromDay, int toDay)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT day, max(d), sum(n) FROM (SELECT day, channel, sum(distance_m) AS d, count(*) AS n"
                             " FROM clips WHERE day BETWEEN ? AND ? GROUP BY day, channel) GROUP BY day ORDER BY day"));
    q.addBindValue(fromDay);
    q.addBindValue(toDay);
    std::vector<DayRow> out;
    if (!q.exec())
        return out;
    while (q.next())
        out.push_back({q.value(0).toInt(), q.value(1).toDouble(), q.value(2).toInt()});
    return out;
}

std::optional<std::pair<int, int>> dayBounds(QSqlDatabase &db)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT min(day), max(day) FROM clips")) || !q.next() || q.value(0).isNull())
        return std::nullopt;
    return std::make_pair(q.value(0).toInt(), q.value(1).toInt());
}

QStringList channels(QSqlDatabase &db)
{
    QStringList out;
    QSqlQuery q(db);
    if (q.exec(QStringLiteral("SELECT DISTINCT channel FROM clips")))
        while (q.next())
            out << q.value(0).toString();
    std::sort(out.begin(), out.end(), [](const QString &a, const QString &b) {
        return ClipTime::channelRank(channelId(a)) < ClipTime::channelRank(channelId(b));
    });
    return out;
}

std::vector<ClipRow> clips(QSqlDatabase &db, const LibraryFilter &filter)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral(
        "SELECT c.id, c.path, c.camera, c.channel, c.start_ms, c.utc, c.duration_ms, c.distance_m, c.protected,"
        " (SELECT count(*) FROM events e WHERE e.clip = c.id) FROM clips c"
        " WHERE (? IS NULL OR c.day >= ?) AND (? IS NULL OR c.day <= ?) AND (coalesce(?, '') = '' OR c.channel = ?)"
        " ORDER BY c.start_ms IS NULL, c.start_ms, c.path"));
    const QVariant from = filter.fromDay ? QVariant(*filter.fromDay) : QVariant(QMetaType(QMetaType::Int));
    const QVariant to = filter.toDay ? QVariant(*filter.toDay) : QVariant(QMetaType(QMetaType::Int));
    int n = 0;
    for (const QVariant &v : {from, from, to, to, QVariant(filter.channel), QVariant(filter.channel)})
        q.bindValue(n++, v);
    std::vector<ClipRow> out;
    if (!q.exec())
        return out;
    while (q.next())
        out.push_back(clipFrom(q));
    return out;
}

std::vector<TripRow> groupTrips(const std::vector<ClipRow> &clips, int64_t gapMs)
{
    // Per camera pattern; the channels of a camera go together into its trips.
    std::map<QString, std::vector<size_t>> byCamera;
    for (size_t i = 0; i < clips.size(); ++i)
        byCamera[clips[i].camera].push_back(i);
    std::vector<TripRow> out;
    for (const auto &[camera, indices] : byCamera) {
        std::vector<TripClip> tc;
        for (size_t i : indices) {
            TripClip t;
            t.name = clips[i].path.toStdString();
            t.startMs = clips[i].startMs;
            t.durationMs = clips[i].durationMs;
            t.channel = 0;
            tc.push_back(std::move(t));
        }
        for (const Trip &trip : ::groupTrips(tc, gapMs)) {
            TripRow row;
            row.camera = camera;
            std::map<QString, double> distance;
            for (size_t k : trip.clips) {
                const ClipRow &c = clips[indices[k]];
                row.clips.push_back(c);
                distance[c.channel] += c.distanceM;
                row.events += c.events;
                if (!row.channels.contains(c.channel))
                    row.channels << c.channel;
            }
            for (const auto &[ch, d] : distance)
                row.distanceM = std::max(row.distanceM, d);
            row.startMs = trip.startMs.value_or(0);
            row.endMs = trip.endMs.value_or(row.startMs);
            row.utc = !row.clips.empty() && row.clips.front().utc;
            std::sort(row.channels.begin(), row.channels.end(), [](const QString &a, const QString &b) {
                return ClipTime::channelRank(channelId(a)) < ClipTime::channelRank(channelId(b));
            });
            out.push_back(std::move(row));
        }
    }
    std::stable_sort(out.begin(), out.end(), [](const TripRow &a, const TripRow &b) {
        if (a.clips.front().startMs.has_value() != b.clips.front().startMs.has_value())
            return a.clips.front().startMs.has_value();
        return a.startMs < b.startMs;
    });
    return out;
}

std::vector<TripRow> keepTrips(std::vector<TripRow> trips, const std::optional<std::set<int64_t>> &placeClips,
                               const std::optional<std::set<int64_t>> &eventClips, bool protectedOnly)
{
    std::vector<TripRow> out;
    for (TripRow &t : trips) {
        bool place = !placeClips, event = !eventClips, prot = !protectedOnly;
        for (const ClipRow &c : t.clips) {
            place = place || placeClips->count(c.id);
            event = event || eventClips->count(c.id);
            prot = prot || c.isProtected;
        }
        if (place && event && prot)
            out.push_back(std::move(t));
    }
    return out;
}

std::vector<TripRow> trips(QSqlDatabase &db, const LibraryFilter &filter)
{
    std::vector<TripRow> all = groupTrips(clips(db, filter), kDefaultTripGapMs);
    std::optional<std::set<int64_t>> placeClips, eventClips;
    if (filter.place.kind != LibraryPlace::None) {
        const auto hits = filter.place.kind == LibraryPlace::Circle
                              ? near(db, filter.place.latitude, filter.place.longitude, filter.place.metres)
                              : inBox(db, filter.place.box);
        placeClips.emplace();
        for (const PlaceHit &h : hits)
            placeClips->insert(h.clipId);
    }
    if (!filter.kinds.empty()) {
        eventClips.emplace();
        for (const EventRow &e : events(db, filter.kinds))
            eventClips->insert(e.clipId);
    }
    return keepTrips(std::move(all), placeClips, eventClips, filter.protectedOnly);
}

std::vector<PieceRow> routes(QSqlDatabase &db, const std::vector<int64_t> &clipIds)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    QString sql = QStringLiteral("SELECT p.clip, c.path, c.start_ms, c.utc, p.points FROM pieces p JOIN clips c ON c.id = p.clip");
    if (!clipIds.empty())
        sql += QStringLiteral(" WHERE p.clip IN (SELECT value FROM json_each(?))");
    sql += QStringLiteral(" ORDER BY p.clip, p.id");
    q.prepare(sql);
    if (!clipIds.empty())
        q.bindValue(0, idArray(clipIds));
    std::vector<PieceRow> out;
    if (!q.exec())
        return out;
    while (q.next()) {
        const QByteArray bytes = q.value(4).toByteArray();
        auto points = RouteGeometry::unpack(std::string(bytes.constData(), size_t(bytes.size())));
        if (points)
            out.push_back({q.value(0).toLongLong(), q.value(1).toString(), optionalMs(q.value(2)), q.value(3).toInt() != 0,
                           std::move(*points)});
    }
    return out;
}

} // namespace LibraryQueries
