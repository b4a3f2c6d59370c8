#include "StopStretches.h"

#include "TelemetrySample.h"

#include <algorithm>
#include <cmath>

namespace StopStretches {

namespace {

bool still(const TelemetrySample &s)
{
    return s.speedCounts() && s.speedKmh <= kStillKmh;
}

bool quiet(const TelemetrySample &before, const TelemetrySample &now)
{
    if (!before.hasG || !now.hasG)
        return true;   // a camera without a G-sensor stands still by its speed alone
    return std::fabs(now.gx - before.gx) <= kQuietG && std::fabs(now.gy - before.gy) <= kQuietG
           && std::fabs(now.gz - before.gz) <= kQuietG;
}

} // namespace

std::vector<Stretch> of(const std::vector<TelemetrySample> &samples, double duration, int offsetMs,
                        double minSeconds)
{
    std::vector<Stretch> out;
    const size_t n = samples.size();
    if (n == 0 || !(duration > 0) || !std::isfinite(duration))
        return out;
    const double each = duration / double(n);
    const double shift = -offsetMs / 1000.0;
    const auto close = [&](size_t first, size_t last) {
        Stretch s{std::clamp(double(first) * each + shift, 0.0, duration),
                  std::clamp(double(last + 1) * each + shift, 0.0, duration)};
        if (s.seconds() > minSeconds)
            out.push_back(s);
    };
    std::optional<size_t> first;
    for (size_t i = 0; i < n; ++i) {
        const bool goesOn = still(samples[i]) && (!first || quiet(samples[i - 1], samples[i]));
        if (goesOn && !first)
            first = i;
        if (!goesOn && first) {
            close(*first, i - 1);
            first.reset();
            if (still(samples[i]))
                first = i;   // a jolt at rest starts the next stretch
        }
    }
    if (first)
        close(*first, n - 1);
    return out;
}

std::optional<double> skipTarget(const std::vector<Stretch> &stretches, double from, double to, double rate)
{
    if (!(rate > 0))
        return std::nullopt;
    for (const Stretch &s : stretches) {
        const double target = s.end - kLeadIn;
        if (from <= s.start + 1.0 && to >= s.start && to < target)
            return target;
    }
    return std::nullopt;
}

} // namespace StopStretches
