// A trip's distance, the one figure both the play list's trip caption and the trip
// panel's Trip figures show: the route driven, positions joined in time order.
#pragma once

#include "TelemetrySample.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// One clip of a trip as its distance needs it.
struct ClipRoute {
    std::optional<int64_t> startMs;   // recording start; unknown: right after the clip before it
    int64_t durationMs = -1;          // from the movie header; unknown (<= 0): one sample a second
    const TelemetrySample *samples = nullptr;
    size_t count = 0;
};

// A clip that starts no later than this after the end of the clips before it continues
// them: the pause that still keeps two clips one drive, unless the user set another.
constexpr int64_t kContinuousRecordingMs = 10000;

// The position of a sample, as far as a route goes: both coordinates read as numbers
// other than 0 (the rule of the map and the panels) and finite, and not marked as a
// glitch (GpsGlitches).
bool hasRoutePosition(const TelemetrySample &sample);

// Metres driven over `clips` (any order; clips without a start follow the clip before
// them as given). A sample's time is its clip's start plus its share of the duration;
// samples of a time that an earlier clip covered already (an event copy of the same
// minutes) add nothing. Consecutive positions are joined by great-circle steps (mean
// Earth radius 6371.0088 km): across samples and whole clips without a position, the
// car having driven on meanwhile, and from one clip into the next when the next
// continues the recording (kContinuousRecordingMs); a longer pause breaks the line.
double tripMetres(const std::vector<ClipRoute> &clips);
