// The telemetry layouts the core reads, each with a stable name for callers and for
// `veltra-gps --detect`. Names follow the technical marks a layout is found by.
#pragma once

#include <string>

enum class TelemetryLayout {
    None,            // "none": no telemetry found
    Unreadable,      // "unreadable": telemetry is there but enciphered or encoded
    NovatekTables,   // "novatek-nt9665": GPS blocks found through the sample tables
    NovatekIndex,    // "novatek-nt9666": GPS blocks listed by the index after udta
    Icat6330,        // "icat6330": the same index, in a file ending with that mark
    FreeGps,         // "freegps": blocks with the `freeGPS ` magic
    FreeBox,         // "free-box": `gps `, `3gf ` and `sttm` boxes under a top-level `free`
    TextTrack,       // "text-track": a text/subtitle track with telemetry samples
    NmeaFile,        // "nmea-file": a .NMEA file beside the video
    GpxFile,         // "gpx-file": a .gpx file beside the video, or one attached to it
};

const char *layoutName(TelemetryLayout layout);
// The layout of a name given by layoutName; false for any other text.
bool layoutFromName(const std::string &name, TelemetryLayout *layout);
