#include "CameraClock.h"

#include <algorithm>
#include <cmath>

namespace CameraClock {

ClockReading read(std::optional<int64_t> cameraStartMs, const std::vector<TelemetrySample> &samples, double duration,
                  int64_t nowMs)
{
    ClockReading r;
    const size_t n = samples.size();
    const double step = duration > 0 && n > 0 ? duration / double(n) : 1.0;
    bool anyFix = false;
    std::optional<int64_t> start;
    for (size_t i = 0; i < n && !start; ++i) {
        const TelemetrySample &s = samples[i];
        if (!s.hasFix)
            continue;
        anyFix = true;
        if (s.utcMs)
            start = *s.utcMs - std::llround(double(i) * step * 1000.0);
    }
    if (!anyFix) {
        r.outcome = ClockReading::Outcome::NoFix;
        return r;
    }
    if (!start) {
        r.outcome = ClockReading::Outcome::NoGpsDate;
        return r;
    }
    const int64_t latest = nowMs + 86400000LL;
    bool corrected = false;
    // A receiver whose week counter rolled over dates its fixes 1024 weeks back: seen
    // when the date is before 2000, or when the camera's set clock is within two days of
    // the date put right but nowhere near the date as given.
    const bool cameraSet = cameraStartMs && *cameraStartMs >= kClockSetAfterMs;
    const auto near = [&](int64_t t) { return cameraSet && std::llabs(*cameraStartMs - t) < 2 * 86400000LL; };
    const bool rolledOver = *start < kEarliestGpsMs || (!near(*start) && near(*start + kRolloverMs));
    if (rolledOver && *start + kRolloverMs >= kEarliestGpsMs && *start + kRolloverMs <= latest) {
        *start += kRolloverMs;
        corrected = true;
    }
    if (*start < kEarliestGpsMs || *start > latest) {
        r.outcome = ClockReading::Outcome::GpsDateImplausible;
        return r;
    }
    r.utcStartMs = start;
    if (!cameraStartMs)
        r.outcome = ClockReading::Outcome::NoCameraTime;
    else if (*cameraStartMs < kClockSetAfterMs)
        r.outcome = ClockReading::Outcome::CameraClockUnset;
    else
        r.errorMs = *cameraStartMs - *start;
    if (r.errorMs)
        r.outcome = corrected ? ClockReading::Outcome::RolloverCorrected : ClockReading::Outcome::Measured;
    return r;
}

std::optional<int64_t> tripError(const std::vector<std::optional<int64_t>> &clipErrors)
{
    std::vector<int64_t> known;
    for (const auto &e : clipErrors)
        if (e)
            known.push_back(*e);
    if (known.empty())
        return std::nullopt;
    std::sort(known.begin(), known.end());
    const size_t mid = known.size() / 2;
    return known.size() % 2 ? known[mid] : (known[mid - 1] + known[mid]) / 2;
}

} // namespace CameraClock
