#include "JsonWriter.h"

#include "NumberFormat.h"
#include "TextEscape.h"

namespace {

std::string key(const char *name)
{
    return TextEscape::json(name) + ':';
}

} // namespace

std::string JsonWriter::sample(const GpsSample &s)
{
    std::string out = "{";
    out += key(KEY_SPD) + std::to_string(s.spd) + ',';
    out += key(KEY_GPS_LAT) + TextEscape::json(s.gps_lat) + ',';
    out += key(KEY_GPS_LGT) + TextEscape::json(s.gps_lgt) + ',';
    out += key(KEY_NORTH_ANGLE) + NumberFormat::jsonDouble(s.north_angle) + ',';
    out += key(KEY_GSENSOR_X) + NumberFormat::jsonFloat(s.gsensor_x) + ',';
    out += key(KEY_GSENSOR_Y) + NumberFormat::jsonFloat(s.gsensor_y) + ',';
    out += key(KEY_GSENSOR_Z) + NumberFormat::jsonFloat(s.gsensor_z);
    out += '}';
    return out;
}

std::string JsonWriter::resultLine(const GpsReadResult &result, const std::string &file)
{
    std::string out = "{" + key(KEY_VIDEO_DATAS) + '[';
    for (size_t i = 0; i < result.videoDatas.size(); ++i) {
        if (i > 0)
            out += ',';
        out += sample(result.videoDatas[i]);
    }
    out += "],";
    out += key(KEY_MAX_SPEED) + std::to_string(result.maxSpeed) + ',';
    out += key(KEY_IS_IN_CHINA) + (result.isInChina ? "true" : "false") + ',';
    out += key("file") + TextEscape::json(file);
    out += "}\n";
    return out;
}

std::string JsonWriter::detectLine(const std::string &file, const DetectFlags &flags)
{
    return "{" + key("file") + TextEscape::json(file) + ',' +
           key("icat6330") + std::to_string(flags.icat6330) + ',' +
           key("nt9665") + std::to_string(flags.nt9665) + ',' +
           key("nt9666") + std::to_string(flags.nt9666) + "}\n";
}
