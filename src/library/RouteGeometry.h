// The shape of a clip's route as the library keeps it: simplified, cut into pieces with
// boxes, packed into bytes, and measured against a place. Pure functions.
#pragma once

#include "ClipFacts.h"

#include <optional>
#include <string>
#include <vector>

namespace RouteGeometry {

// Douglas-Peucker: the points that keep the route within `toleranceM` metres of the
// points given; the first and the last always stay.
std::vector<RoutePoint> simplified(const std::vector<RoutePoint> &points, double toleranceM);

// The route in pieces of at most `maxPoints` points, each with its box; consecutive
// pieces share their end point so that no stretch falls between them. A jump of more
// than `breakM` metres between two points (a gap in the fix) starts a new piece without
// joining them.
std::vector<RoutePiece> pieces(const std::vector<RoutePoint> &points, size_t maxPoints, double breakM);

// The bytes a piece's points are kept as (12 bytes a point, little-endian), and back;
// nothing from bytes whose length is not a whole number of points.
std::string pack(const std::vector<RoutePoint> &points);
std::optional<std::vector<RoutePoint>> unpack(const std::string &bytes);

// Where a route comes closest to a place: the distance in metres and the moment (ms into
// the clip, between two points where the closest spot lies between them). Metres on a
// local flat projection, good to a fraction of a metre over a few kilometres.
struct Approach {
    double metres = 0;
    int64_t offsetMs = 0;
};
std::optional<Approach> closestApproach(const std::vector<RoutePoint> &points, double lat, double lon);

// The box that holds every point within `metres` of the place.
struct Box {
    double minLat = 0, maxLat = 0, minLon = 0, maxLon = 0;
    bool contains(double lat, double lon) const
    {
        return lat >= minLat && lat <= maxLat && lon >= minLon && lon <= maxLon;
    }
};
Box around(double lat, double lon, double metres);

// The first point of the route inside `box` closest to its middle, or where a stretch
// between two points crosses it; nothing when the route stays outside.
std::optional<Approach> passThrough(const std::vector<RoutePoint> &points, const Box &box);

} // namespace RouteGeometry
