#include "CameraClock.h"

#include "ClipTime.h"

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
    r.rolloverCorrected = corrected;
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

std::optional<int64_t> cameraStart(const std::string &path, std::optional<int64_t> movieCreatedMs,
                                   ClipClock::Source *source)
{
    ClipClock::Source from = ClipClock::Source::None;
    std::optional<int64_t> start;
    if (const auto named = ClipTime::fromFileName(path)) {
        start = ClipTime::toMs(*named);
        from = ClipClock::Source::Name;
    } else if (movieCreatedMs) {
        start = movieCreatedMs;
        from = ClipClock::Source::Movie;
    }
    if (source)
        *source = from;
    return start;
}

ClipClock ofClip(const std::string &path, const std::vector<TelemetrySample> &samples, double duration,
                 std::optional<int64_t> movieCreatedMs, int64_t nowMs)
{
    ClipClock c;
    c.cameraStartMs = cameraStart(path, movieCreatedMs, &c.cameraSource);
    c.reading = read(c.cameraStartMs, samples, duration, nowMs);
    if (duration > 0 && !samples.empty())
        c.sampleStepMs = std::max<int64_t>(1, std::llround(duration * 1000.0 / double(samples.size())));
    c.errorMs = c.reading.errorMs;
    if (c.reading.utcStartMs) {
        c.utcStartMs = c.reading.utcStartMs;
        c.source = ClipClock::Source::Gps;
    } else {
        c.source = c.cameraSource;
    }
    return c;
}

void shareErrors(std::vector<ClipClock> &clocks, const std::vector<TripClip> &clips, int64_t gapMs)
{
    // Trips on the camera's own clock, which is what its clips share.
    std::vector<TripClip> onCamera = clips;
    for (size_t i = 0; i < onCamera.size(); ++i)
        onCamera[i].startMs = i < clocks.size() ? clocks[i].cameraStartMs : std::nullopt;
    const std::vector<Trip> trips = groupTrips(onCamera, gapMs);
    std::vector<std::optional<int64_t>> errorOfTrip(trips.size());
    std::vector<size_t> tripOfClip(clips.size(), trips.size());
    for (size_t t = 0; t < trips.size(); ++t) {
        std::vector<std::optional<int64_t>> measured;
        for (const size_t i : trips[t].clips) {
            tripOfClip[i] = t;
            if (i < clocks.size())
                measured.push_back(clocks[i].reading.errorMs);
        }
        errorOfTrip[t] = tripError(measured);
    }
    for (size_t i = 0; i < clips.size() && i < clocks.size(); ++i) {
        ClipClock &c = clocks[i];
        const size_t own = tripOfClip[i];
        if (c.reading.gpsTrusted() || !c.cameraStartMs || *c.cameraStartMs < kClockSetAfterMs || own >= trips.size())
            continue;
        std::optional<int64_t> error = errorOfTrip[own];
        int64_t nearest = INT64_MAX;
        for (size_t t = 0; !errorOfTrip[own] && t < trips.size(); ++t) {
            if (!errorOfTrip[t] || !trips[t].startMs)
                continue;
            const int64_t at = *c.cameraStartMs;
            const int64_t distance = at < *trips[t].startMs ? *trips[t].startMs - at
                                     : at > *trips[t].endMs ? at - *trips[t].endMs
                                                            : 0;
            if (distance < nearest) {
                nearest = distance;
                error = errorOfTrip[t];
            }
        }
        if (!error)
            continue;
        c.errorMs = error;
        c.errorFromOtherClips = true;
        c.utcStartMs = *c.cameraStartMs - *error;
        c.source = c.cameraSource;
    }
}

std::vector<Trip> trueTimeTrips(const std::vector<TripClip> &clips, const std::vector<ClipClock> &clocks, int64_t gapMs,
                                std::vector<std::optional<int64_t>> *errors)
{
    // A clip whose camera clock was never set is known by its GPS time only.
    const auto cameraSet = [&](size_t i) { return clips[i].startMs && *clips[i].startMs >= kClockSetAfterMs; };
    std::vector<TripClip> onCamera = clips;
    for (size_t i = 0; i < onCamera.size() && i < clocks.size(); ++i)
        if (!cameraSet(i) && clocks[i].utcStartMs)
            onCamera[i].startMs = clocks[i].utcStartMs;
    const std::vector<Trip> onCameraTrips = groupTrips(onCamera, gapMs);
    std::vector<std::pair<Trip, std::optional<int64_t>>> trips;
    for (Trip t : onCameraTrips) {
        std::vector<std::optional<int64_t>> measured;
        for (const size_t i : t.clips)
            if (i < clocks.size() && cameraSet(i))
                measured.push_back(clocks[i].errorMs);
        const std::optional<int64_t> error = tripError(measured);
        if (error && t.startMs && t.endMs) {
            *t.startMs -= *error;
            *t.endMs -= *error;
        }
        trips.emplace_back(std::move(t), error);
    }
    std::stable_sort(trips.begin(), trips.end(), [](const auto &x, const auto &y) {
        const Trip &a = x.first, &b = y.first;
        if (!a.startMs || !b.startMs)
            return a.startMs.has_value() && !b.startMs.has_value();
        if (*a.startMs != *b.startMs)
            return *a.startMs < *b.startMs;
        return a.channel < b.channel;
    });
    std::vector<Trip> out;
    out.reserve(trips.size());
    if (errors)
        errors->clear();
    for (auto &[trip, error] : trips) {
        out.push_back(std::move(trip));
        if (errors)
            errors->push_back(error);
    }
    return out;
}

std::vector<TripClip> correctedStarts(std::vector<TripClip> clips, const std::vector<ClipClock> &clocks)
{
    for (size_t i = 0; i < clips.size() && i < clocks.size(); ++i)
        if (clocks[i].utcStartMs)
            clips[i].startMs = clocks[i].utcStartMs;
    return clips;
}

const char *sourceName(ClipClock::Source source)
{
    switch (source) {
    case ClipClock::Source::Gps: return "gps";
    case ClipClock::Source::Name: return "name";
    case ClipClock::Source::Movie: return "movie";
    case ClipClock::Source::None: break;
    }
    return "none";
}

const char *outcomeName(ClockReading::Outcome outcome)
{
    using O = ClockReading::Outcome;
    switch (outcome) {
    case O::Measured: return "measured";
    case O::RolloverCorrected: return "rollover-corrected";
    case O::CameraClockUnset: return "camera-clock-unset";
    case O::NoCameraTime: return "no-camera-time";
    case O::NoFix: return "no-fix";
    case O::NoGpsDate: return "no-gps-date";
    case O::GpsDateImplausible: return "gps-date-implausible";
    }
    return "no-fix";
}

} // namespace CameraClock

std::optional<int64_t> ClipClock::utcAt(int64_t offsetMs) const
{
    return utcStartMs ? std::optional<int64_t>(*utcStartMs + offsetMs) : std::nullopt;
}

std::optional<int64_t> ClipClock::cameraAt(int64_t offsetMs) const
{
    return cameraStartMs ? std::optional<int64_t>(*cameraStartMs + offsetMs) : std::nullopt;
}

std::optional<int64_t> ClipClock::sampleUtc(const std::vector<TelemetrySample> &samples, size_t index) const
{
    if (reading.gpsTrusted() && index < samples.size() && samples[index].utcMs)
        return *samples[index].utcMs + (reading.rolloverCorrected ? CameraClock::kRolloverMs : 0);
    return utcAt(int64_t(index) * sampleStepMs);
}

std::optional<int64_t> ClipClock::sampleCamera(const std::vector<TelemetrySample> &samples, size_t index) const
{
    if (errorMs)
        if (const auto utc = sampleUtc(samples, index))
            return *utc + *errorMs;
    return cameraAt(int64_t(index) * sampleStepMs);
}
