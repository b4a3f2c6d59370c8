// Reader of GPMF telemetry: the `meta` track whose sample entry is `gpmd`, read through
// its sample tables, one KLV payload per sample (about a second each). A KLV is a FourCC
// key, a type character, a u8 structure size and a BE u16 repeat count, then size ×
// repeat bytes of data padded to 4; type 0 nests KLVs (DEVC, then STRM in it). Every
// length is checked against what holds it: a payload whose structure does not add up
// exactly is no KLV. Some cameras reuse the sample entry for data of their own, so a
// track none of whose first payloads is KLV is left to the other readers.
//
// Read in each STRM, values that hold until the stream changes them coming first: SCAL
// (divisors, one for all elements or one each), TYPE (the element types of a `?`
// structure), GPSU (UTC time text "yymmddhhmmss.sss", taken as the time of the payload's
// first fix), GPSF (fix type: 2 or 3 is a fix), GPSP (DOP × 100); then the data: GPS5
// (latitude, longitude, altitude, 2D and 3D speed in m/s), GPS9 (the same, then days
// since 2000, seconds of the day, DOP and fix type for every entry) and ACCL (three axes
// in m/s², in the order stored, given in g).
//
// One sample per fix, as the camera gives them (about 18 a second): the events and the
// timeline want every fix, the panels' index rule picks one a second out of any evenly
// spread list, and each sample carries its own UTC time. The fixes of a payload without
// GPS9 times are spread over one second from GPSU. A fix takes the ACCL reading at the
// same share of its payload; a payload without GPS gives one sample of its first ACCL
// reading.
#pragma once

#include "GpsSample.h"
#include "TelemetryMoment.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class BinaryFile;
struct MovieMap;

class Gpmf {
public:
    Gpmf() = delete;

    struct Klv {
        char key[5] = {0, 0, 0, 0, 0};
        char type = 0;
        uint8_t structSize = 0;
        uint16_t repeat = 0;
        size_t at = 0;       // where its data starts in the buffer walked
        size_t size = 0;     // structSize × repeat
        size_t next = 0;     // where the next KLV starts: after the data and its padding
    };
    // The KLV whose header starts at `at` in [0, n): false when the header or the data
    // does not fit; the padding may be cut at n.
    static bool klvAt(const unsigned char *p, size_t n, size_t at, Klv *klv);
    // Whether a payload is KLV through and through: its first key DEVC, every key four
    // letters, digits or spaces, every nested list filling its parent exactly (zero
    // bytes may end a list), nesting at most kMaxDepth deep.
    static bool isKlv(const unsigned char *payload, size_t n);
    // The moments of one payload, appended; false (and nothing appended) when it is no KLV.
    static bool parsePayload(const unsigned char *payload, size_t n, std::vector<TelemetryMoment> *moments);

    // False when no `gpmd` track holds KLV with a fix, a time or a reading.
    static bool read(BinaryFile &file, const MovieMap &map, GpsReadResult *result);

    static constexpr int kMaxDepth = 8;
    static constexpr int kMaxTracks = 16;
    static constexpr size_t kMaxPayloads = 1 << 17;           // a day and more of one-second payloads
    static constexpr size_t kMaxPayloadBytes = 1 << 20;
    static constexpr int kPayloadsTried = 4;                   // before a track counts as no KLV
    static constexpr size_t kMaxMomentsPerPayload = 1024;
    // Moments a second at most: GPS fixes come at up to 18 a second.
    static constexpr double kMaxMomentsPerSecond = 50;
    static constexpr int64_t kPayloadMs = 1000;
    // A fix worse than this dilution of precision is no position (GPSP is DOP × 100).
    static constexpr double kMaxDop = 10.0;
    static constexpr double kStandardGravity = 9.80665;
};
