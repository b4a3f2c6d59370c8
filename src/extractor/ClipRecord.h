// One clip as the trip exports see it: the name it is shown under (the argument as
// given, or the path the player knows it by), what was read from it and its length.
#pragma once

#include "GpsSample.h"

#include <cstdint>
#include <string>

struct ClipRecord {
    std::string file;
    GpsReadResult result;
    int64_t durationMs = -1;   // -1 when the movie header does not say
};
