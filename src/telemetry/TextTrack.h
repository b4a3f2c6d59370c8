// Reader of telemetry kept in a text (subtitle) track: the track whose handler is
// `text` or `sbtl`, or whose sample entry is `tx3g` or `text`, read through its sample
// tables. Each sample starts with a BE u16 length; three sample layouts are read:
//  - fixed 0x120 bytes: u32, 14 digits YYYYMMDDHHMMSS, three i32 LE accelerations,
//    128 bytes holding an RMC sentence, 128 bytes holding a GGA sentence;
//  - a line "gsensori,<range>,<units per g>,x,y,z;GNRMC,…;CAR,…";
//  - plain NMEA sentences.
// NMEA checksums are not required. A track none of whose samples reads is no
// telemetry (a film's subtitles), and the detection goes on.
#pragma once

#include "GpsSample.h"
#include "TelemetryMoment.h"

#include <cstddef>

class BinaryFile;
struct MovieMap;

class TextTrack {
public:
    TextTrack() = delete;

    static bool read(BinaryFile &file, const MovieMap &map, GpsReadResult *result);
    // One sample, its length field included; false when no layout reads it.
    static bool parseSample(const unsigned char *sample, size_t size, TelemetryMoment *moment);

    static constexpr size_t kMaxSamples = 1 << 17;
    static constexpr size_t kMaxSampleBytes = 2048;
    static constexpr size_t kFixedSampleBytes = 0x120;
    // g per unit of the fixed layout's readings; its first reading is Y, counted the other way.
    static constexpr double kFixedGPerUnit = 1.0 / 1280;
    static constexpr int kMaxTracks = 16;
};
