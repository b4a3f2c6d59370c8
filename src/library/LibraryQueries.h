// The questions the window and veltra-gps ask of the library: the clips that passed a
// place (within a radius, or through a box) with the moment of their closest approach,
// the events of some kinds, the days with driving and their distance, and the trips of
// a range with the filters combined. The database answers what it indexes (days, the
// R*Tree of route pieces, event kinds); the rest is pure functions over rows, tested as
// such.
#pragma once

#include "ClipFacts.h"
#include "RouteGeometry.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <set>
#include <vector>

struct ClipRow {
    int64_t id = 0;
    QString path;
    QString camera, channel;
    std::optional<int64_t> startMs;
    bool utc = false;
    int64_t durationMs = 0;
    double distanceM = 0;
    bool isProtected = false;
    int events = 0;
};

// The pieces of a route as read for a place: which clip, its start, the points.
struct PieceRow {
    int64_t clipId = 0;
    QString path;
    std::optional<int64_t> startMs;
    bool utc = false;
    std::vector<RoutePoint> points;
};

struct PlaceHit {
    int64_t clipId = 0;
    QString path;
    int64_t offsetMs = 0;              // the closest approach, into the clip
    std::optional<int64_t> atMs;       // and as a time (UTC where `utc`)
    bool utc = false;
    double metres = 0;
};

struct EventRow {
    int64_t clipId = 0;
    QString path;
    LibraryEventKind kind = LibraryEventKind::HardBraking;
    int64_t offsetMs = 0;
    std::optional<int64_t> atMs;
    bool utc = false;
    double strength = 0;
    std::optional<double> latitude, longitude;
};

struct DayRow {
    int day = 0;          // yyyymmdd
    double distanceM = 0;   // of the channel that drove farthest that day (not front and rear twice)
    int clips = 0;
};

struct TripRow {
    std::vector<ClipRow> clips;   // every channel, in time order
    int64_t startMs = 0, endMs = 0;
    bool utc = false;
    double distanceM = 0;         // of the channel with the longest route
    QStringList channels;         // as ClipTime names them, empty text for a single camera
    int events = 0;
    QString camera;
    // The clips of the channel the picture shows (front, else the first), in time order.
    std::vector<const ClipRow *> shownClips() const;
};

struct LibraryPlace {
    enum Kind { None, Circle, Box } kind = None;
    double latitude = 0, longitude = 0, metres = 100;
    RouteGeometry::Box box;
};

struct LibraryFilter {
    std::optional<int> fromDay, toDay;   // yyyymmdd, both included
    LibraryPlace place;
    std::set<LibraryEventKind> kinds;    // a trip with any of them; none: every trip
    bool protectedOnly = false;
    QString channel;                     // only this camera channel; empty: all
};

namespace LibraryQueries {

// Clips whose route passed within `metres` of the place, nearest first within a clip,
// ordered by the time of the approach. `fromMs`/`toMs` bound the clip's start.
std::vector<PlaceHit> near(QSqlDatabase &db, double lat, double lon, double metres,
                           std::optional<int64_t> fromMs = {}, std::optional<int64_t> toMs = {});
// Clips whose route passed through the box, with their approach to its middle.
std::vector<PlaceHit> inBox(QSqlDatabase &db, const RouteGeometry::Box &box, std::optional<int64_t> fromMs = {},
                            std::optional<int64_t> toMs = {});
// The events of `kinds` (all kinds when empty), in time order.
std::vector<EventRow> events(QSqlDatabase &db, const std::set<LibraryEventKind> &kinds,
                             std::optional<int64_t> fromMs = {}, std::optional<int64_t> toMs = {},
                             const std::vector<int64_t> &clipIds = {});
std::vector<DayRow> days(QSqlDatabase &db, int fromDay, int toDay);
// The first and the last day with a clip (yyyymmdd), nothing for an empty library.
std::optional<std::pair<int, int>> dayBounds(QSqlDatabase &db);
// The camera channels in the library, in the order of ClipTime::channelRank.
QStringList channels(QSqlDatabase &db);
// The clips listed under the days of the filter (and of its channel), in time order.
std::vector<ClipRow> clips(QSqlDatabase &db, const LibraryFilter &filter);
// The trips of a range with every filter applied.
std::vector<TripRow> trips(QSqlDatabase &db, const LibraryFilter &filter);
// The route pieces of `clipIds` (every clip when empty), for the map.
std::vector<PieceRow> routes(QSqlDatabase &db, const std::vector<int64_t> &clipIds);

// --- over rows ---
// For each clip among `pieces`, its closest approach to the place, kept when within
// `metres`; ordered by time (then path).
std::vector<PlaceHit> closestPerClip(const std::vector<PieceRow> &pieces, double lat, double lon, double metres);
std::vector<PlaceHit> throughBox(const std::vector<PieceRow> &pieces, const RouteGeometry::Box &box);
// Clips grouped into trips: clips of one camera pattern whose channels together record
// without a pause over `gapMs`; a clip without a start is a trip of its own.
std::vector<TripRow> groupTrips(const std::vector<ClipRow> &clips, int64_t gapMs);
// The trips that hold a clip of `placeClips` (when given), one with an event of the
// kinds (`eventClips` when given), and a protected clip (when asked).
std::vector<TripRow> keepTrips(std::vector<TripRow> trips, const std::optional<std::set<int64_t>> &placeClips,
                               const std::optional<std::set<int64_t>> &eventClips, bool protectedOnly);

// The day as yyyymmdd, and back to a date's parts.
inline int dayNumber(int year, int month, int day) { return year * 10000 + month * 100 + day; }

} // namespace LibraryQueries
