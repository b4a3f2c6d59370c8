#include "RouteGeometry.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace RouteGeometry {
namespace {

constexpr double kEarthRadiusM = 6371008.8;
constexpr double kRad = M_PI / 180.0;

// Metres east and north of a reference, on a flat projection about it.
struct Flat {
    double x = 0, y = 0;
};

struct Projection {
    double lat0, lon0, cosLat;
    Projection(double lat, double lon) : lat0(lat), lon0(lon), cosLat(std::cos(lat * kRad)) {}
    Flat operator()(double lat, double lon) const
    {
        double dLon = lon - lon0;
        if (dLon > 180)
            dLon -= 360;
        else if (dLon < -180)
            dLon += 360;
        return {dLon * kRad * kEarthRadiusM * cosLat, (lat - lat0) * kRad * kEarthRadiusM};
    }
};

// Where on the stretch a..b the point p is nearest: 0 at a, 1 at b.
double nearestShare(Flat a, Flat b, Flat p)
{
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double len2 = dx * dx + dy * dy;
    if (len2 <= 0)
        return 0;
    return std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / len2, 0.0, 1.0);
}

double stretchDistance(Flat a, Flat b, Flat p)
{
    const double t = nearestShare(a, b, p);
    return std::hypot(a.x + t * (b.x - a.x) - p.x, a.y + t * (b.y - a.y) - p.y);
}

void simplify(const std::vector<RoutePoint> &pts, const Projection &proj, size_t from, size_t to, double tol,
              std::vector<char> &keep)
{
    // An explicit stack: a route of many thousand points must not recurse that deep.
    std::vector<std::pair<size_t, size_t>> stack{{from, to}};
    while (!stack.empty()) {
        const auto [a, b] = stack.back();
        stack.pop_back();
        if (b <= a + 1)
            continue;
        const Flat fa = proj(pts[a].latitude, pts[a].longitude), fb = proj(pts[b].latitude, pts[b].longitude);
        double worst = -1;
        size_t at = a;
        for (size_t i = a + 1; i < b; ++i) {
            const double d = stretchDistance(fa, fb, proj(pts[i].latitude, pts[i].longitude));
            if (d > worst) {
                worst = d;
                at = i;
            }
        }
        if (worst > tol) {
            keep[at] = 1;
            stack.push_back({a, at});
            stack.push_back({at, b});
        }
    }
}

double metresBetween(const RoutePoint &a, const RoutePoint &b)
{
    const double dLat = (b.latitude - a.latitude) * kRad, dLon = (b.longitude - a.longitude) * kRad;
    const double h = std::sin(dLat / 2) * std::sin(dLat / 2) +
                     std::cos(a.latitude * kRad) * std::cos(b.latitude * kRad) * std::sin(dLon / 2) * std::sin(dLon / 2);
    return 2 * kEarthRadiusM * std::asin(std::min(1.0, std::sqrt(h)));
}

void putLe(std::string &out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(char((v >> (8 * i)) & 0xff));
}

uint32_t getLe(const char *p)
{
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= uint32_t(static_cast<unsigned char>(p[i])) << (8 * i);
    return v;
}

void finishBox(RoutePiece &piece)
{
    piece.minLat = piece.maxLat = piece.points.front().latitude;
    piece.minLon = piece.maxLon = piece.points.front().longitude;
    for (const RoutePoint &p : piece.points) {
        piece.minLat = std::min<double>(piece.minLat, p.latitude);
        piece.maxLat = std::max<double>(piece.maxLat, p.latitude);
        piece.minLon = std::min<double>(piece.minLon, p.longitude);
        piece.maxLon = std::max<double>(piece.maxLon, p.longitude);
    }
}

} // namespace

std::vector<RoutePoint> simplified(const std::vector<RoutePoint> &points, double toleranceM)
{
    if (points.size() <= 2)
        return points;
    const Projection proj(points.front().latitude, points.front().longitude);
    std::vector<char> keep(points.size(), 0);
    keep.front() = keep.back() = 1;
    simplify(points, proj, 0, points.size() - 1, toleranceM, keep);
    std::vector<RoutePoint> out;
    for (size_t i = 0; i < points.size(); ++i)
        if (keep[i])
            out.push_back(points[i]);
    return out;
}

std::vector<RoutePiece> pieces(const std::vector<RoutePoint> &points, size_t maxPoints, double breakM)
{
    maxPoints = std::max<size_t>(maxPoints, 2);
    std::vector<RoutePiece> out;
    RoutePiece piece;
    for (size_t i = 0; i < points.size(); ++i) {
        if (!piece.points.empty() && metresBetween(piece.points.back(), points[i]) > breakM) {
            finishBox(piece);
            out.push_back(std::move(piece));
            piece = RoutePiece{};
        }
        piece.points.push_back(points[i]);
        if (piece.points.size() >= maxPoints && i + 1 < points.size()) {
            finishBox(piece);
            const RoutePoint last = piece.points.back();
            out.push_back(std::move(piece));
            piece = RoutePiece{};
            piece.points.push_back(last);
        }
    }
    if (!piece.points.empty() && !(piece.points.size() == 1 && !out.empty() && out.back().points.back() == piece.points[0])) {
        finishBox(piece);
        out.push_back(std::move(piece));
    }
    return out;
}

std::string pack(const std::vector<RoutePoint> &points)
{
    std::string out;
    out.reserve(points.size() * 12);
    for (const RoutePoint &p : points) {
        uint32_t lat, lon;
        std::memcpy(&lat, &p.latitude, 4);
        std::memcpy(&lon, &p.longitude, 4);
        putLe(out, uint32_t(p.offsetMs));
        putLe(out, lat);
        putLe(out, lon);
    }
    return out;
}

std::optional<std::vector<RoutePoint>> unpack(const std::string &bytes)
{
    if (bytes.size() % 12 != 0)
        return std::nullopt;
    std::vector<RoutePoint> out(bytes.size() / 12);
    for (size_t i = 0; i < out.size(); ++i) {
        const char *p = bytes.data() + i * 12;
        out[i].offsetMs = int32_t(getLe(p));
        const uint32_t lat = getLe(p + 4), lon = getLe(p + 8);
        std::memcpy(&out[i].latitude, &lat, 4);
        std::memcpy(&out[i].longitude, &lon, 4);
    }
    return out;
}

std::optional<Approach> closestApproach(const std::vector<RoutePoint> &points, double lat, double lon)
{
    if (points.empty())
        return std::nullopt;
    const Projection proj(lat, lon);
    const Flat place{0, 0};
    Approach best;
    Flat prev = proj(points[0].latitude, points[0].longitude);
    best.metres = std::hypot(prev.x, prev.y);
    best.offsetMs = points[0].offsetMs;
    for (size_t i = 1; i < points.size(); ++i) {
        const Flat cur = proj(points[i].latitude, points[i].longitude);
        const double t = nearestShare(prev, cur, place);
        const double d = std::hypot(prev.x + t * (cur.x - prev.x), prev.y + t * (cur.y - prev.y));
        if (d < best.metres) {
            best.metres = d;
            best.offsetMs = points[i - 1].offsetMs + int64_t(std::llround(t * (points[i].offsetMs - points[i - 1].offsetMs)));
        }
        prev = cur;
    }
    return best;
}

Box around(double lat, double lon, double metres)
{
    const double dLat = metres / (kEarthRadiusM * kRad);
    const double cosLat = std::max(0.01, std::cos(std::min(89.9, std::fabs(lat)) * kRad));
    const double dLon = std::min(180.0, dLat / cosLat);
    return {lat - dLat, lat + dLat, lon - dLon, lon + dLon};
}

std::optional<Approach> passThrough(const std::vector<RoutePoint> &points, const Box &box)
{
    const double midLat = (box.minLat + box.maxLat) / 2, midLon = (box.minLon + box.maxLon) / 2;
    bool inside = false;
    for (const RoutePoint &p : points)
        inside = inside || box.contains(p.latitude, p.longitude);
    if (!inside) {
        // A stretch may cross the box with both ends outside: sample it finely.
        for (size_t i = 1; i < points.size() && !inside; ++i)
            for (int k = 1; k < 32 && !inside; ++k) {
                const double t = k / 32.0;
                inside = box.contains(points[i - 1].latitude + t * (points[i].latitude - points[i - 1].latitude),
                                      points[i - 1].longitude + t * (points[i].longitude - points[i - 1].longitude));
            }
    }
    if (!inside)
        return std::nullopt;
    return closestApproach(points, midLat, midLon);
}

} // namespace RouteGeometry
