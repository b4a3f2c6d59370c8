// LayoutForge: the bytes of the newer telemetry layouts for one moment of a forged trip
// (freeGPS blocks, a text track's samples, the boxes under a top-level `free`, the
// .NMEA and .gpx files beside a video) and what a correct reader must report for them,
// worked out from the values as stored (the floats, the texts, the raw readings).
#pragma once

#include "DriveModel.h"
#include "ReaderTruth.h"

#include <cstdint>
#include <string>
#include <vector>

class LayoutForge {
public:
    enum class Layout {
        FreeGpsV3,          // "freegps-v3"
        FreeGpsOld,         // "freegps-old"
        FreeGpsLong,        // "freegps-long": 48 bytes of model text first, full year, local time
        FreeGpsNmea,        // "freegps-nmea": an RMC sentence at 0x50, readings at 0x44
        FreeGpsEnciphered,  // "freegps-xor": an ASCII payload XORed with 0xAA
        FreeBox,            // "free-box"
        TextFixed,          // "text-0x120"
        TextGsensor,        // "text-gsensori"
        TextNmea,           // "text-nmea"
        NmeaFile,           // "nmea-file": a .NMEA file beside a video without telemetry
        GpxFile,            // "gpx-file": a .gpx file beside a video without telemetry
    };

    static bool fromName(const std::string& name, Layout& layout);
    static bool isFreeGps(Layout l) { return l <= Layout::FreeGpsEnciphered; }
    static bool isText(Layout l) { return l == Layout::TextFixed || l == Layout::TextGsensor || l == Layout::TextNmea; }

    static constexpr uint32_t kFreeGpsBlockBytes = 0x4000;
    // The free box's `3gf ` records: ten a second, in tenths of g.
    static constexpr int kRecordsPerSecond = 10;
    static constexpr double kFreeBoxGPerUnit = 0.1;

    // One freeGPS block (kFreeGpsBlockBytes long) or one text sample for a moment.
    static std::vector<uint8_t> freeGpsBlock(Layout layout, const TelemetryPoint& p, int utcOffsetHours);
    static std::vector<uint8_t> textSample(Layout layout, const TelemetryPoint& p, int utcOffsetHours);
    // The whole top-level `free` atom of a recording whose moments are `points`.
    static std::vector<uint8_t> freeBox(const std::vector<TelemetryPoint>& points, int utcOffsetHours);
    static std::string nmeaFile(const std::vector<TelemetryPoint>& points);
    static std::string gpxFile(const std::vector<TelemetryPoint>& points);

    // The samples a reader must give for the moments, as stored by the functions above.
    static std::vector<ExpectedSample> truth(Layout layout, const std::vector<TelemetryPoint>& points);
    // What `veltra-gps --detect` must name.
    static const char* detectedName(Layout layout);
};
