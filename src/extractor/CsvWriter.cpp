#include "CsvWriter.h"

#include "NumberFormat.h"
#include "TextEscape.h"
#include "TrackTime.h"

std::string CsvWriter::header(bool trips)
{
    return header(trips, ExportStyle());
}

std::string CsvWriter::header(bool trips, const ExportStyle &style)
{
    const char *time = style.time == TimeBasis::Camera ? "time_camera" : style.time == TimeBasis::Local ? "time_local"
                                                                                                      : "time_utc";
    return std::string(trips ? "trip," : "") + "file,index,latitude,longitude,speed_kmh,course,gsensor_x,gsensor_y,gsensor_z," +
           time + '\n';
}

std::string CsvWriter::rows(const GpsReadResult &result, const std::string &file, int trip)
{
    return rows(ClipView{result, file}, ExportStyle(), trip);
}

std::string CsvWriter::rows(const ClipView &clip, const ExportStyle &style, int trip)
{
    const GpsReadResult &result = clip.result;
    const std::string &file = clip.file;
    const bool onClock = style.time != TimeBasis::Reader && clip.clock;
    const std::string fileField = (trip > 0 ? std::to_string(trip) + ',' : std::string()) + TextEscape::csvText(file);
    std::string out;
    for (size_t i = 0; i < result.videoDatas.size(); ++i) {
        const GpsSample &s = result.videoDatas[i];
        const TelemetrySample *t = i < result.samples.size() ? &result.samples[i] : nullptr;
        if (style.clean && t && (t->glitches & TelemetrySample::PositionGlitch))
            continue;
        out += fileField + ',' + std::to_string(i) + ',';
        out += TextEscape::csv(s.gps_lat) + ',' + TextEscape::csv(s.gps_lgt) + ',';
        // What the camera did not record stays empty rather than a false zero.
        if ((!t || t->hasSpeed) && !(style.clean && t && (t->glitches & TelemetrySample::SpeedGlitch)))
            out += std::to_string(s.spd);
        out += ',';
        if (!t || t->hasCourse)
            out += NumberFormat::shortestDouble(s.north_angle);
        out += ',';
        if (!t || t->hasG) {
            out += NumberFormat::shortestFloat(s.gsensor_x) + ',';
            out += NumberFormat::shortestFloat(s.gsensor_y) + ',';
            out += NumberFormat::shortestFloat(s.gsensor_z) + ',';
        } else {
            out += ",,,";
        }
        if (onClock) {
            out += TrackTime::pointTime(result, i, *clip.clock, style.time);
        } else if (i < result.times.size()) {
            if (const auto utc = TrackTime::sentenceUtc(result.times[i]))
                out += *utc;
        }
        out += '\n';
    }
    return out;
}
