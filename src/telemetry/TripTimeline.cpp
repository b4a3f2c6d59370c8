#include "TripTimeline.h"

#include <algorithm>

std::vector<double> tripOffsets(const std::vector<std::optional<int64_t>> &startsMs,
                                const std::vector<double> &durations)
{
    std::vector<double> offsets(startsMs.size(), 0.0);
    // The recording time of the trip's time zero, from the first clip with a start
    // (the clips ahead of it laid end to end).
    std::optional<double> origin;
    for (size_t k = 0; k < startsMs.size(); ++k) {
        const double ahead = k ? offsets[k - 1] + std::max(0.0, k - 1 < durations.size() ? durations[k - 1] : 0.0) : 0.0;
        if (!startsMs[k]) {
            offsets[k] = ahead;
            continue;
        }
        const double start = double(*startsMs[k]) / 1000.0;
        if (!origin)
            origin = start - ahead;
        offsets[k] = std::max(k ? offsets[k - 1] : 0.0, start - *origin);
    }
    return offsets;
}

TripPoint tripPointAt(const std::vector<double> &offsets, const std::vector<double> &durations, double t)
{
    const size_t n = std::min(offsets.size(), durations.size());
    if (n == 0)
        return {};
    auto length = [&](size_t k) { return std::max(0.0, durations[k]); };
    if (!(t > offsets[0]))   // before the start, and NaN
        return {0, 0.0};
    size_t k = n - 1;
    while (k > 0 && offsets[k] > t)
        --k;
    const double into = t - offsets[k];
    if (into > length(k) && k + 1 < n)
        return {k + 1, 0.0};
    return {k, std::min(into, length(k))};
}
