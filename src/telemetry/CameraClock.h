// The truth about a clip's time. A camera names its clips by its own clock, which is off
// by hours after a change of time zone or of daylight saving, or drifts; the GPS says
// the time in UTC. Here: when a clip started in UTC, from the GPS where it can be
// trusted, and by how much the camera's clock is off, with a stated outcome for every
// kind of bad time a receiver or a camera gives. Pure functions, times in ms since 1970.
#pragma once

#include "TelemetrySample.h"
#include "TripGrouping.h"

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
    bool rolloverCorrected = false;      // the receiver's dates are 1024 weeks early (utcStartMs is put right)

    bool gpsTrusted() const { return utcStartMs.has_value(); }
};

// A clip's start on the camera's clock and in UTC, and where each came from. The UTC
// start is the GPS's; without it, the camera's time less the camera's error where one
// is known (from the clips around it, see CameraClock::shareErrors); without that the
// clip has only the camera's time, which must be shown as such.
struct ClipClock {
    enum class Source { None, Gps, Name, Movie };

    ClockReading reading;                   // what the clip's own GPS says
    std::optional<int64_t> cameraStartMs;   // the camera's clock: the name's time, else the movie header's
    Source cameraSource = Source::None;     // Name, Movie or None
    std::optional<int64_t> errorMs;         // camera minus UTC: the clip's own, else taken from other clips
    bool errorFromOtherClips = false;
    std::optional<int64_t> utcStartMs;      // nothing when only the camera's time is known
    Source source = Source::None;           // what gave the start: Gps, else the camera's source
    int64_t sampleStepMs = 1000;            // between samples: the duration over the samples, else a second

    bool isUtc() const { return utcStartMs.has_value(); }
    // The start to order clips by: UTC where known, else the camera's time.
    std::optional<int64_t> startMs() const { return utcStartMs ? utcStartMs : cameraStartMs; }
    // A moment `offsetMs` into the clip, in UTC and on the camera's clock.
    std::optional<int64_t> utcAt(int64_t offsetMs) const;
    std::optional<int64_t> cameraAt(int64_t offsetMs) const;
    // Sample `index` of the clip, in UTC and on the camera's clock: the sample's own GPS
    // time where the clip's GPS time is trusted (a week rollover put right), else the
    // start plus `index` steps. A leap second's :60 has no time of its own and takes
    // the step's.
    std::optional<int64_t> sampleUtc(const std::vector<TelemetrySample> &samples, size_t index) const;
    std::optional<int64_t> sampleCamera(const std::vector<TelemetrySample> &samples, size_t index) const;
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

// The camera's own start of a clip: the time in its name (ClipTime::fromFileName), else
// the movie header's creation time (MovieDuration::Header::createdMs).
std::optional<int64_t> cameraStart(const std::string &path, std::optional<int64_t> movieCreatedMs,
                                   ClipClock::Source *source = nullptr);

// The clock of one clip as far as the clip itself tells: `samples` over `duration`
// seconds (0 when unknown), the camera's start from its name or movie header.
ClipClock ofClip(const std::string &path, const std::vector<TelemetrySample> &samples, double duration,
                 std::optional<int64_t> movieCreatedMs, int64_t nowMs);

// The clips of one camera (a card), `clocks[i]` for `clips[i]`: a clip whose own GPS
// gives no UTC start and whose camera clock is set takes the camera's error from the
// other clips, grouped into trips by the camera's times: the median of its trip's
// measured errors, else of the nearest trip in time that has any; its UTC start is
// then the camera's less that error.
void shareErrors(std::vector<ClipClock> &clocks, const std::vector<TripClip> &clips,
                 int64_t gapMs = kDefaultTripGapMs);

// The trips of one camera's clips on true time. They are grouped on the camera's own
// clock, which its clips share, so that a copy of a clip under another name or one
// clip's wrong fix never moves a clip out of its drive; each trip then starts and ends
// at its camera times less its error (the median of its clips' errors, tripError), and
// the trips are ordered by those true starts (then by channel). A trip without an
// error keeps the camera's times; a clip known only by its GPS time (no camera time, or
// a camera clock never set) is grouped at that time. `clocks` as shareErrors leaves
// them; `errors`, when given, gets each trip's error.
std::vector<Trip> trueTimeTrips(const std::vector<TripClip> &clips, const std::vector<ClipClock> &clocks,
                                int64_t gapMs = kDefaultTripGapMs,
                                std::vector<std::optional<int64_t>> *errors = nullptr);

// `clips` with each start replaced by the clip's UTC start where its clock knows one,
// for groupTrips and channel matching on true time; a clip whose clock knows none
// keeps the start it has.
std::vector<TripClip> correctedStarts(std::vector<TripClip> clips, const std::vector<ClipClock> &clocks);

// "gps", "name", "movie", "none"; and the outcome's name: "measured",
// "rollover-corrected", "camera-clock-unset", "no-camera-time", "no-fix",
// "no-gps-date", "gps-date-implausible".
const char *sourceName(ClipClock::Source source);
const char *outcomeName(ClockReading::Outcome outcome);

} // namespace CameraClock
