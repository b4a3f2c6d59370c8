// Reader of the boxes under a top-level `free` box: `gps ` (NMEA lines, each after
// "[" Unix time in ms "]", padded with NUL bytes), `3gf ` (10-byte BE records: u32 ms
// from the start of the recording, three i16 accelerations; 0xFFFFFFFF ends them) and
// `sttm` (i64 ms since 1970 on the camera's local clock).
//
// One sample per RMC line (per GGA line when there is no RMC), timed by its stamp; its
// G is the `3gf ` record nearest to it. The records count from the start of the
// recording, which `sttm` gives on the local clock: the zone is the difference to the
// first stamp rounded to a quarter hour. Without any NMEA line, one sample a second of
// the records alone.
#pragma once

#include "GpsSample.h"

#include <cstddef>
#include <cstdint>

class BinaryFile;
struct MovieMap;

class FreeBox {
public:
    FreeBox() = delete;

    // False when no top-level `free` box holds any of the three boxes, or they hold no moment.
    static bool read(BinaryFile &file, const MovieMap &map, GpsReadResult *result);

    // g per unit of a `3gf ` reading. Public notes read it as a tenth; the one place to change.
    static constexpr double kGPerUnit = 0.1;
    static constexpr size_t kMaxTextBytes = 8 << 20;   // of the `gps ` box
    static constexpr size_t kMaxRecords = 1 << 20;     // of the `3gf ` box
    static constexpr int64_t kMaxGDistanceMs = 500;    // a record further from a fix gives it no G
    static constexpr int64_t kZoneStepMs = 15 * 60 * 1000;
};
