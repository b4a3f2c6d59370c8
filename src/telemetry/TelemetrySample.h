// One moment of telemetry as everything above the readers sees it: numbers instead of
// the sentence's texts, parsed once, and flags for what the camera did not record, so
// that a panel can show "–" rather than a false zero. Every reader's result becomes a
// list of these; the text record (GpsSample) stays for the exports that copy the
// camera's own digits.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

struct GpsSample;
struct SentenceTime;
struct GpsReadResult;

struct TelemetrySample {
    // Position. `latitude` and `longitude` are the sentence's numbers as the panels have
    // always read them (the leading number of the text, single precision); `hasFix` says
    // the camera gave a position at all (both texts present), `onMap()` that it can be
    // drawn (neither coordinate reads as 0, the rule of the route and the position panel).
    bool hasFix = false;
    float latitude = 0;    // decimal degrees, south negative
    float longitude = 0;   // decimal degrees, west negative
    bool onMap() const { return latitude != 0 && longitude != 0; }

    bool hasSpeed = true;
    int speedKmh = 0;
    bool hasCourse = true;
    double course = 0;     // course over ground, degrees as recorded
    bool hasG = true;
    float gx = 0, gy = 0, gz = 0;   // g

    // UTC time of the moment where the camera gave one, ms since 1970-01-01.
    std::optional<int64_t> utcMs;

    // The sample of a Novatek GPS block: every field present, the position as its texts say.
    static TelemetrySample fromGps(const GpsSample &sample);
    static TelemetrySample fromGps(const GpsSample &sample, const SentenceTime &time);
    static std::vector<TelemetrySample> fromRead(const GpsReadResult &result);

    bool operator==(const TelemetrySample &o) const
    {
        return hasFix == o.hasFix && latitude == o.latitude && longitude == o.longitude && hasSpeed == o.hasSpeed &&
               speedKmh == o.speedKmh && hasCourse == o.hasCourse && course == o.course && hasG == o.hasG &&
               gx == o.gx && gy == o.gy && gz == o.gz && utcMs == o.utcMs;
    }
};

// The read result that carries a list of these.
#include "GpsSample.h"
