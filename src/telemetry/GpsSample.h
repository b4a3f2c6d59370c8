// The telemetry record as the rest of the program sees it: one sample per GPS
// block of a video file, and the read result of one file.
#pragma once

#include <string>
#include <vector>

// Key texts used wherever a sample or a read result becomes a keyed record or JSON.
extern const char *const KEY_VIDEO_DATAS;   // "key_video_datas"
extern const char *const KEY_MAX_SPEED;     // "key_max_speed"
extern const char *const KEY_IS_IN_CHINA;   // "key_is_in_china"
extern const char *const KEY_SPD;           // "spd"
extern const char *const KEY_GPS_LAT;       // "gps_lat"
extern const char *const KEY_GPS_LGT;       // "gps_lgt"
extern const char *const KEY_NORTH_ANGLE;   // "north_angle"
extern const char *const KEY_GSENSOR_X;     // "gsensor_x"
extern const char *const KEY_GSENSOR_Y;     // "gsensor_y"
extern const char *const KEY_GSENSOR_Z;     // "gsensor_z"

// One sample: "spd", "gps_lat", "gps_lgt", "north_angle", "gsensor_x", "gsensor_y", "gsensor_z".
struct GpsSample {
    int spd = 0;              // km/h
    std::string gps_lat;      // decimal degrees as text, "-" for south; empty without a fix
    std::string gps_lgt;      // decimal degrees as text, "-" for west; empty without a fix
    double north_angle = 0;   // course over ground, degrees as written in the sentence
    float gsensor_x = 0;      // g
    float gsensor_y = 0;
    float gsensor_z = 0;

    bool operator==(const GpsSample &o) const {
        return spd == o.spd && gps_lat == o.gps_lat && gps_lgt == o.gps_lgt &&
               north_angle == o.north_angle && gsensor_x == o.gsensor_x &&
               gsensor_y == o.gsensor_y && gsensor_z == o.gsensor_z;
    }
};

// The UTC time and date fields of the sentence a sample came from (RMC fields 1 and 9),
// kept beside the sample for exports; empty when the sentence had none.
struct SentenceTime {
    std::string hhmmss;   // e.g. "153012.00"
    std::string ddmmyy;   // e.g. "120319"
};

// The typed sample, which the read result carries beside the text one.
#include "TelemetrySample.h"
#include "TelemetryLayout.h"

// What readGpsData returns for one file reference.
struct GpsReadResult {
    std::vector<GpsSample> videoDatas;   // "key_video_datas", one per GPS block in file order
    int maxSpeed = 0;                    // "key_max_speed"
    bool isInChina = true;               // "key_is_in_china"
    std::vector<SentenceTime> times;     // parallel to videoDatas
    // Parallel to videoDatas: the same moments as numbers, with what the camera did not
    // record flagged absent and the UTC time where the camera gave one. Every reader fills it.
    std::vector<TelemetrySample> samples;
    // Which layout the telemetry was found in (TelemetryLayout::None without any).
    TelemetryLayout layout = TelemetryLayout::None;

    // Outcome of opening the file, for callers that report it (the extractor):
    // 0 when the file was opened (with or without telemetry), otherwise an errno value
    // (ENAMETOOLONG for an over-long path, EINVAL for a reference that cannot be decoded).
    int openError = 0;
    std::string path;                    // the file-system path that was read
};
