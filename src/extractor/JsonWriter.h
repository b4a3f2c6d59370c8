// The json output of veltra-gps: one line per input file, holding the read result
// under its keys and the file argument as given.
#pragma once

#include "ClipRecord.h"
#include "GpsSample.h"

#include <string>

// The three detection flags of a file, as the detector reports them.
struct DetectFlags {
    int icat6330 = 0;
    int nt9665 = 0;
    int nt9666 = 0;
    std::string layout = "none";   // the detection step's layout name (layoutName)
};

class JsonWriter {
public:
    JsonWriter() = delete;

    // One sample: {"spd":…,"gps_lat":"…","gps_lgt":"…","north_angle":…,"gsensor_x":…,
    // "gsensor_y":…,"gsensor_z":…}; floats and doubles in their shortest exact text.
    static std::string sample(const GpsSample &sample);

    // {"key_video_datas":[…],"key_max_speed":N,"key_is_in_china":true|false,"file":"…"}
    // and a newline.
    static std::string resultLine(const GpsReadResult &result, const std::string &file);
    // The same line with a style: the keys above unchanged, then with `style.time`
    // "clock":{…} (ClockReport::json), with `style.clean`
    // "clean":{"max_speed":N,"route_m":M,"points":P,"raw_max_speed":N,"raw_route_m":M,
    // "raw_points":P,"position_glitches":[…],"speed_glitches":[…]}: the figures
    // without and with the glitches marked on result.samples, and the samples they are in.
    static std::string resultLine(const ClipView &clip, const ExportStyle &style);

    // {"file":"…","icat6330":0|1,"nt9665":0|1,"nt9666":0|1,"layout":"…"} and a newline.
    static std::string detectLine(const std::string &file, const DetectFlags &flags);
};
