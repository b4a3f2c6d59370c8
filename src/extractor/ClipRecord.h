// One clip as the trip exports see it: the name it is shown under (the argument as
// given, or the path the player knows it by), what was read from it and its length;
// and how the exports write it (veltra-gps --time and --clean).
#pragma once

#include "CameraClock.h"
#include "GpsSample.h"
#include "TrackTime.h"

#include <cstdint>
#include <optional>
#include <string>

struct ClipRecord {
    std::string file;
    GpsReadResult result;
    int64_t durationMs = -1;   // -1 when the movie header does not say
    std::optional<int64_t> createdMs;   // the movie header's creation time (MovieDuration::Header)
};

// How the writers write times and glitches. The default writes what the reader gave,
// byte for byte as before. `time` puts every time on one clock and reports each clip's
// clock; `clean` leaves the glitches GpsGlitches marked on result.samples out of the
// route (the writers say what exactly).
struct ExportStyle {
    TimeBasis time = TimeBasis::Reader;
    bool clean = false;
    int64_t nowMs = 0;   // the time now, for GPS dates in the future; 0: the clock's

    bool plain() const { return time == TimeBasis::Reader && !clean; }
};

// A clip as a writer takes it: what was read, the name it goes under, its clock (null
// when times are as the reader gave them).
struct ClipView {
    const GpsReadResult &result;
    const std::string &file;
    const ClipClock *clock = nullptr;
};
