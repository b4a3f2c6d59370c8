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

    // What the glitch filter found wrong (GpsGlitches): a position or a speed reading
    // no car makes. The readings stay as the camera gave them; figures leave them out.
    enum Glitch : std::uint8_t { PositionGlitch = 1, SpeedGlitch = 2 };
    std::uint8_t glitches = 0;
    // A position that belongs on the route: a fix that can be drawn and is no glitch.
    bool onRoute() const { return hasFix && onMap() && !(glitches & PositionGlitch); }
    // A speed reading that counts for the maximum and the events.
    bool speedCounts() const { return hasSpeed && !(glitches & SpeedGlitch); }

    // The sample of a Novatek GPS block: every field present, the position as its texts say.
    static TelemetrySample fromGps(const GpsSample &sample);
    static TelemetrySample fromGps(const GpsSample &sample, const SentenceTime &time);
    static std::vector<TelemetrySample> fromRead(const GpsReadResult &result);

    bool operator==(const TelemetrySample &o) const
    {
        return hasFix == o.hasFix && latitude == o.latitude && longitude == o.longitude && hasSpeed == o.hasSpeed &&
               speedKmh == o.speedKmh && hasCourse == o.hasCourse && course == o.course && hasG == o.hasG &&
               gx == o.gx && gy == o.gy && gz == o.gz && utcMs == o.utcMs && glitches == o.glitches;
    }
};

// The read result that carries a list of these.
#include "GpsSample.h"
