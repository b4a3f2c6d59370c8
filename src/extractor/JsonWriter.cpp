#include "JsonWriter.h"

#include "ClockReport.h"
#include "GpsGlitches.h"
#include "NumberFormat.h"
#include "TextEscape.h"

namespace {

// The quoted key and its colon; the key texts are plain ASCII.
std::string key(const char *name)
{
    return std::string("\"") + name + "\":";
}

} // namespace

std::string JsonWriter::sample(const GpsSample &s)
{
    static const std::string spd = "{" + key(KEY_SPD), lat = ',' + key(KEY_GPS_LAT),
                             lgt = ',' + key(KEY_GPS_LGT), angle = ',' + key(KEY_NORTH_ANGLE),
                             x = ',' + key(KEY_GSENSOR_X), y = ',' + key(KEY_GSENSOR_Y),
                             z = ',' + key(KEY_GSENSOR_Z);
    std::string out;
    out.reserve(160);
    out += spd;
    out += std::to_string(s.spd);
    out += lat;
    out += TextEscape::json(s.gps_lat);
    out += lgt;
    out += TextEscape::json(s.gps_lgt);
    out += angle;
    out += NumberFormat::jsonDouble(s.north_angle);
    out += x;
    out += NumberFormat::jsonFloat(s.gsensor_x);
    out += y;
    out += NumberFormat::jsonFloat(s.gsensor_y);
    out += z;
    out += NumberFormat::jsonFloat(s.gsensor_z);
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

std::string JsonWriter::resultLine(const ClipView &clip, const ExportStyle &style)
{
    std::string out = resultLine(clip.result, clip.file);
    out.pop_back();   // the closing brace and newline come back below
    out.pop_back();
    if (style.time != TimeBasis::Reader && clip.clock)
        out += ',' + key("clock") + ClockReport::json(*clip.clock, style.time);
    if (style.clean) {
        const std::vector<TelemetrySample> &samples = clip.result.samples;
        const GpsGlitches::Figures clean = GpsGlitches::figures(samples, true), raw = GpsGlitches::figures(samples, false);
        std::string positions, speeds;
        for (size_t i = 0; i < samples.size(); ++i) {
            if (samples[i].glitches & TelemetrySample::PositionGlitch)
                positions += (positions.empty() ? "" : ",") + std::to_string(i);
            if (samples[i].glitches & TelemetrySample::SpeedGlitch)
                speeds += (speeds.empty() ? "" : ",") + std::to_string(i);
        }
        out += ',' + key("clean") + '{' + key("max_speed") + std::to_string(clean.maxSpeedKmh) + ',' +
               key("route_m") + NumberFormat::decimal(clean.routeMetres, 1) + ',' + key("points") +
               std::to_string(clean.points) + ',' + key("raw_max_speed") + std::to_string(raw.maxSpeedKmh) + ',' +
               key("raw_route_m") + NumberFormat::decimal(raw.routeMetres, 1) + ',' + key("raw_points") +
               std::to_string(raw.points) + ',' + key("position_glitches") + '[' + positions + "]," +
               key("speed_glitches") + '[' + speeds + "]}";
    }
    out += "}\n";
    return out;
}

std::string JsonWriter::detectLine(const std::string &file, const DetectFlags &flags)
{
    return "{" + key("file") + TextEscape::json(file) + ',' +
           key("icat6330") + std::to_string(flags.icat6330) + ',' +
           key("nt9665") + std::to_string(flags.nt9665) + ',' +
           key("nt9666") + std::to_string(flags.nt9666) + ',' + key("layout") + TextEscape::json(flags.layout) + "}\n";
}
