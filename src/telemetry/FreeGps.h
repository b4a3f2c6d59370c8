// Reader of "freeGPS" blocks: one block per second or so, each a BE u32 size and the
// magic `freeGPS ` followed by a little-endian payload. The blocks are found through the
// `gps ` index in moov (u32 version, u32 count, count × (u32 offset, u32 size), BE)
// and, where the index is missing or lists fewer blocks than the movie has seconds, by
// a bounded scan: the stretches of the file that no track's samples, ftyp or moov
// cover (the samples of a `gpmd` track that is no GPMF count as uncovered, and a
// top-level atom other than moov and mdat is uncovered from its first byte, since a
// block can stand as one), each probed at its start, then at block-size-aligned
// offsets, then byte by byte in a small window. The payload layout (V3, old, longer
// header, NMEA text, shifted NMEA text) is chosen for the whole file by plausibility,
// never by a name in the file.
#pragma once

#include "GpsSample.h"
#include "TelemetryMoment.h"

#include <cstddef>
#include <cstdint>

class BinaryFile;
struct MovieMap;

class FreeGps {
public:
    FreeGps() = delete;

    enum class Outcome { NotFound, Read, Unreadable };
    // Shifted: the earliest cameras' payload, three readings in milli-g at 0x30 and an
    // NMEA sentence with every byte raised by 0x0B at 0x3C (the blocks the Novatek
    // readers take through the sample tables or the index after udta).
    enum class Payload { V3, LongHeader, Old, Nmea, Shifted };

    // With `scanWithoutIndex` false, only a file whose index lists blocks is read (the
    // scan then only adds blocks the index left out); with it true, a file without an
    // index is scanned too. Read fills `result` (layout freegps); Unreadable means blocks
    // were found but none is readable in any payload layout (enciphered or encoded).
    static Outcome read(BinaryFile &file, const MovieMap &map, bool scanWithoutIndex, GpsReadResult *result);

    // One payload of a block (`n` bytes from its size field on) read as `payload`;
    // false when the block is implausible in that layout. G is left to the caller.
    static bool decode(const unsigned char *block, size_t n, Payload payload, TelemetryMoment *moment,
                       int32_t readings[3]);
    // Readings of that payload per g.
    static double readingsPerG(Payload payload) { return payload == Payload::Shifted ? 1000.0 : 256.0; }

    static constexpr size_t kBlockReadBytes = 0x200;   // all any payload layout uses
    static constexpr uint32_t kMaxBlocks = 1 << 16;    // 18 hours at one block a second
    // The scan: block sizes are 0x4000 or 0x8000, so 0x4000 steps meet both.
    static constexpr int64_t kScanStep = 0x4000;
    static constexpr int kAlignedProbesPerGap = 8;     // 128 KiB of padding before a block
    static constexpr size_t kByteWindow = 0x10000;     // searched byte by byte per stretch
    static constexpr size_t kMaxWindowBytes = 1 << 20; // all byte-by-byte windows of a file
    static constexpr int kMaxProbes = 1 << 16;
    static constexpr size_t kMaxGaps = 1 << 17;
    static constexpr size_t kMaxTrackSamples = 1 << 21;
    // Readings (÷ 256 = g) whose largest vector stays under this in a whole file are no
    // G-sensor at all: zeros, or a counter some cameras write instead.
    static constexpr double kMinGravityG = 0.25;
};
