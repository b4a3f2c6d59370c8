#include "TripDistance.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace {

constexpr double kEarthRadiusM = 6371008.8;
constexpr double kRad = 3.14159265358979323846 / 180.0;

double greatCircle(double lat1, double lng1, double lat2, double lng2)
{
    const double dLat = (lat2 - lat1) * kRad, dLng = (lng2 - lng1) * kRad;
    const double s = std::sin(dLat / 2) * std::sin(dLat / 2) +
                     std::cos(lat1 * kRad) * std::cos(lat2 * kRad) * std::sin(dLng / 2) * std::sin(dLng / 2);
    return 2 * kEarthRadiusM * std::asin(std::min(1.0, std::sqrt(s)));
}

} // namespace

bool hasRoutePosition(const TelemetrySample &s)
{
    return s.onMap() && std::isfinite(s.latitude) && std::isfinite(s.longitude) &&
           !(s.glitches & TelemetrySample::PositionGlitch);
}

double tripMetres(const std::vector<ClipRoute> &clips)
{
    const size_t n = clips.size();
    std::vector<double> starts(n), lengths(n);
    double next = 0;
    for (size_t k = 0; k < n; ++k) {
        lengths[k] = clips[k].durationMs > 0 ? double(clips[k].durationMs) : double(clips[k].count) * 1000.0;
        starts[k] = clips[k].startMs ? double(*clips[k].startMs) : next;
        next = starts[k] + lengths[k];
    }
    std::vector<size_t> order(n);
    std::iota(order.begin(), order.end(), size_t(0));
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return starts[a] < starts[b]; });

    double metres = 0;
    double covered = -std::numeric_limits<double>::infinity();
    bool havePrevious = false;
    double lat0 = 0, lng0 = 0;
    for (const size_t k : order) {
        const ClipRoute &clip = clips[k];
        const double start = starts[k];
        if (start > covered + double(kContinuousRecordingMs))
            havePrevious = false;   // a pause: what was driven meanwhile is not known
        for (size_t i = 0; clip.samples && i < clip.count; ++i) {
            const TelemetrySample &s = clip.samples[i];
            if (!hasRoutePosition(s))
                continue;
            const double t = start + lengths[k] * double(i) / double(clip.count);
            if (t < covered)
                continue;   // driven already, in an earlier clip
            if (havePrevious)
                metres += greatCircle(lat0, lng0, s.latitude, s.longitude);
            lat0 = s.latitude;
            lng0 = s.longitude;
            havePrevious = true;
        }
        covered = std::max(covered, start + lengths[k]);
    }
    return metres;
}
