// Test helper for the writers: a clip on a camera clock that is off, with glitches.
#pragma once

#include "CameraClock.h"
#include "SampleFactory.h"

// A clip whose camera clock (its name) runs 1 h 00 min 04 s ahead of the GPS: RMC times
// from 2026-11-08 08:30:00 UTC, the last sample without one (a GGA sentence); the
// second sample's position is marked a glitch, the third's speed of 340 km/h.
inline GpsReadResult clockAheadClip()
{
    GpsReadResult r;
    r.path = "/card/2026_1108_093004_001.MOV";
    r.videoDatas = {makeSample("51.5", "-0.12", 36, 90.5), makeSample("51.6", "-0.12", 40, 90.5),
                    makeSample("51.5002", "-0.12", 340, 90.5), makeSample("51.5003", "-0.12")};
    r.times = {{"083000.00", "081126"}, {"083001.00", "081126"}, {"083002.00", "081126"}, {}};
    r.samples = TelemetrySample::fromRead(r);
    r.samples[1].glitches = TelemetrySample::PositionGlitch;
    r.samples[2].glitches = TelemetrySample::SpeedGlitch;
    return r;
}

inline ClipClock clockOf(const GpsReadResult &r)
{
    return CameraClock::ofClip(r.path, r.samples, 0, std::nullopt, 1796817600000LL);   // now: 2026-12-09
}
