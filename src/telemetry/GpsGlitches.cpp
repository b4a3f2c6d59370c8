#include "GpsGlitches.h"

#include <algorithm>
#include <cmath>

namespace GpsGlitches {

namespace {

constexpr double kRad = 3.14159265358979323846 / 180.0;

bool drawable(const TelemetrySample &s)
{
    return s.hasFix && s.onMap();
}

double distance(const TelemetrySample &a, const TelemetrySample &b)
{
    return metres(a.latitude, a.longitude, b.latitude, b.longitude);
}

// The points on the route in order, each with whether the line reaches it from the one
// before (false after a stretch without a fix).
template <class Visit>
void walkRoute(const std::vector<TelemetrySample> &samples, Visit visit)
{
    size_t previous = samples.size();
    bool broken = false;
    for (size_t i = 0; i < samples.size(); ++i) {
        const TelemetrySample &s = samples[i];
        if (!s.hasFix || !s.onMap()) {
            broken = true;   // no position at all: the line stops here
            continue;
        }
        if (s.glitches & TelemetrySample::PositionGlitch)
            continue;        // a glitch: the line goes over it
        visit(i, previous < samples.size() && !broken ? previous : samples.size());
        previous = i;
        broken = false;
    }
}

} // namespace

double metres(double lat1, double lon1, double lat2, double lon2)
{
    const double p1 = lat1 * kRad, p2 = lat2 * kRad;
    const double dp = p2 - p1, dl = (lon2 - lon1) * kRad;
    const double h =
        std::sin(dp / 2) * std::sin(dp / 2) + std::cos(p1) * std::cos(p2) * std::sin(dl / 2) * std::sin(dl / 2);
    return 2 * 6371000.0 * std::asin(std::min(1.0, std::sqrt(h)));
}

std::vector<TelemetrySample> marked(std::vector<TelemetrySample> samples, double duration)
{
    const size_t n = samples.size();
    for (TelemetrySample &s : samples)
        s.glitches = 0;
    if (n == 0)
        return samples;
    const double step = duration > 0 ? duration / double(n) : 1.0;
    auto secondsBetween = [&](size_t a, size_t b) {
        const TelemetrySample &x = samples[a], &y = samples[b];
        if (x.utcMs && y.utcMs && *y.utcMs > *x.utcMs)
            return double(*y.utcMs - *x.utcMs) / 1000.0;
        return double(b - a) * step;
    };

    for (TelemetrySample &s : samples)
        if (s.hasSpeed && s.speedKmh > kMaxKmh)
            s.glitches |= TelemetrySample::SpeedGlitch;

    std::vector<size_t> fixes;
    for (size_t i = 0; i < n; ++i)
        if (drawable(samples[i]))
            fixes.push_back(i);

    // Out and straight back: away from both neighbours, which lie close together.
    for (size_t k = 1; k + 1 < fixes.size(); ++k) {
        const TelemetrySample &a = samples[fixes[k - 1]], &b = samples[fixes[k]], &c = samples[fixes[k + 1]];
        const double ab = distance(a, b), bc = distance(b, c), ac = distance(a, c);
        if (ab >= kSpikeMetres && bc >= kSpikeMetres && ac < 0.5 * std::min(ab, bc))
            samples[fixes[k]].glitches |= TelemetrySample::PositionGlitch;
    }

    auto tooFast = [&](size_t a, size_t b) {
        const double seconds = std::max(secondsBetween(a, b), 1e-3);
        return distance(samples[a], samples[b]) / seconds * 3.6 > kMaxKmh;
    };
    // A wrong first fix: the next two agree with each other and not with it.
    if (fixes.size() >= 3 && tooFast(fixes[0], fixes[1]) && !tooFast(fixes[1], fixes[2]))
        samples[fixes[0]].glitches |= TelemetrySample::PositionGlitch;

    // A step no car makes from the last good fix; a run of them moves the anchor on.
    size_t anchor = n;
    int rejected = 0;
    for (size_t i : fixes) {
        if (samples[i].glitches & TelemetrySample::PositionGlitch)
            continue;
        if (anchor < n) {
            if (tooFast(anchor, i) && rejected < kReanchorAfter) {
                samples[i].glitches |= TelemetrySample::PositionGlitch;
                ++rejected;
                continue;
            }
        }
        anchor = i;
        rejected = 0;
    }
    return samples;
}

std::vector<TelemetrySample> smoothed(const std::vector<TelemetrySample> &samples)
{
    std::vector<size_t> points, reachedFrom;
    walkRoute(samples, [&](size_t i, size_t from) {
        points.push_back(i);
        reachedFrom.push_back(from);
    });
    std::vector<TelemetrySample> out = samples;
    for (size_t k = 0; k < points.size(); ++k) {
        double lat = samples[points[k]].latitude, lon = samples[points[k]].longitude;
        int used = 1;
        if (k > 0 && reachedFrom[k] == points[k - 1]) {
            lat += samples[points[k - 1]].latitude;
            lon += samples[points[k - 1]].longitude;
            ++used;
        }
        if (k + 1 < points.size() && reachedFrom[k + 1] == points[k]) {
            lat += samples[points[k + 1]].latitude;
            lon += samples[points[k + 1]].longitude;
            ++used;
        }
        out[points[k]].latitude = float(lat / used);
        out[points[k]].longitude = float(lon / used);
    }
    return out;
}

double routeMetres(const std::vector<TelemetrySample> &samples)
{
    double total = 0;
    walkRoute(samples, [&](size_t i, size_t from) {
        if (from < samples.size())
            total += distance(samples[from], samples[i]);
    });
    return total;
}

int maxSpeedKmh(const std::vector<TelemetrySample> &samples)
{
    int best = 0;
    for (const TelemetrySample &s : samples)
        if (s.speedCounts())
            best = std::max(best, s.speedKmh);
    return best;
}

size_t count(const std::vector<TelemetrySample> &samples)
{
    return size_t(std::count_if(samples.begin(), samples.end(),
                                [](const TelemetrySample &s) { return s.glitches != 0; }));
}

Figures figures(const std::vector<TelemetrySample> &samples, bool clean)
{
    if (!clean && count(samples) > 0) {
        std::vector<TelemetrySample> raw = samples;
        for (TelemetrySample &s : raw)
            s.glitches = 0;
        return figures(raw, true);
    }
    Figures f;
    f.maxSpeedKmh = maxSpeedKmh(samples);
    f.routeMetres = routeMetres(samples);
    f.points = size_t(std::count_if(samples.begin(), samples.end(), [](const TelemetrySample &s) { return s.onRoute(); }));
    return f;
}

} // namespace GpsGlitches
