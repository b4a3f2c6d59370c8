// The truth about a clip's time. A camera names its clips by its own clock, which is off
// by hours after a change of time zone or of daylight saving, or drifts; the GPS says
// the time in UTC. Here: when a clip started in UTC, from the GPS where it can be
// trusted, and by how much the camera's clock is off, with a stated outcome for every
// kind of bad time a receiver or a camera gives. Pure functions, times in ms since 1970.
#pragma once

#include "TelemetrySample.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct ClockReading {
    enum class Outcome {
        Measured,              // GPS time found; utcStartMs and, with a camera time, errorMs
        RolloverCorrected,     // the receiver's date was 1024 weeks early, and was put right
        CameraClockUnset,      // GPS time found, but the camera's clock is at a factory default
        NoCameraTime,          // GPS time found, but the camera gave no time of its own
        NoFix,                 // no sample has a position: the camera's time is all there is
        NoGpsDate,             // fixes, but none with a valid date and time
        GpsDateImplausible,    // the GPS dates are before 2000 or in the future, even corrected
    };
    Outcome outcome = Outcome::NoFix;
    std::optional<int64_t> utcStartMs;   // the clip's start in UTC, from the GPS
    std::optional<int64_t> errorMs;      // camera minus GPS: positive when the camera is ahead

    bool gpsTrusted() const { return utcStartMs.has_value(); }
};

namespace CameraClock {

// 1024 GPS weeks: how far a receiver whose week counter rolled over dates its fixes back.
constexpr int64_t kRolloverMs = 1024LL * 7 * 86400 * 1000;
// Before this a camera's clock has not been set (2000-01-01 is a common factory time).
constexpr int64_t kClockSetAfterMs = 978307200000LL;   // 2001-01-01 00:00 UTC
// The earliest GPS date taken as true.
constexpr int64_t kEarliestGpsMs = 946684800000LL;     // 2000-01-01 00:00 UTC

// Reads the clock of a clip: `cameraStartMs` is the camera's own start time (the name's
// time or the movie header's, on the count of ClipTime: local time read as UTC), the
// samples are spread evenly over `duration` seconds (one a second when 0), and `nowMs`
// is the time now (a GPS date more than a day after it is not believed). The first
// sample with a position and a valid UTC time gives the start, less its place in the
// clip; a sample whose time cannot be read (a leap second's :60 among them) is passed over.
// A GPS date before 2000, or 1024 weeks before a camera clock that agrees with it once
// moved on by them, is a week rollover and is moved on.
ClockReading read(std::optional<int64_t> cameraStartMs, const std::vector<TelemetrySample> &samples, double duration,
                  int64_t nowMs);

// The error of a trip: the median of its clips' measured errors (a clip without one is
// left out), so that one clip with a wrong fix does not move the whole trip.
std::optional<int64_t> tripError(const std::vector<std::optional<int64_t>> &clipErrors);

} // namespace CameraClock
