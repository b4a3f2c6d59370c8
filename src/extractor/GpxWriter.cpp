#include "GpxWriter.h"

#include "ClockReport.h"
#include "NumberFormat.h"
#include "SamplePosition.h"
#include "TextEscape.h"
#include "TrackTime.h"

#include <cmath>

std::string GpxWriter::header()
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<gpx version=\"1.1\" creator=\"veltra-gps\""
           " xmlns=\"http://www.topografix.com/GPX/1/1\""
           " xmlns:gpxtpx=\"http://www.garmin.com/xmlschemas/TrackPointExtension/v2\">\n";
}

std::string GpxWriter::footer()
{
    return "</gpx>\n";
}

namespace {

// The segments of one clip: a new one at every stretch of positions.
void appendSegments(const ClipView &clip, const ExportStyle &style, std::string &out)
{
    const GpsReadResult &result = clip.result;
    const auto recording = TrackTime::fromFileName(result.path.empty() ? clip.file : result.path);
    out.reserve(out.size() + result.videoDatas.size() * 260);
    bool inSegment = false;
    for (size_t i = 0; i < result.videoDatas.size(); ++i) {
        const GpsSample &s = result.videoDatas[i];
        SamplePosition pos;
        if (!SamplePosition::of(s, &pos)) {
            if (inSegment)
                out += "    </trkseg>\n";
            inSegment = false;
            continue;
        }
        const TelemetrySample *t = i < result.samples.size() ? &result.samples[i] : nullptr;
        if (style.clean && t && (t->glitches & TelemetrySample::PositionGlitch))
            continue;
        if (!inSegment)
            out += "    <trkseg>\n";
        inSegment = true;
        out += "      <trkpt lat=\"";
        out += pos.latitudeText;
        out += "\" lon=\"";
        out += pos.longitudeText;
        out += "\">";
        const std::string time = style.time == TimeBasis::Reader || !clip.clock
                                     ? TrackTime::pointTime(result, i, recording)
                                     : TrackTime::pointTime(result, i, *clip.clock, style.time);
        if (!time.empty()) {
            out += "<time>";
            out += time;
            out += "</time>";
        }
        // In the Novatek layouts speed and course come from RMC sentences, which always
        // have a time; a position without one came from a GGA sentence, which carries
        // neither, so its zeros say nothing about the motion and are left out. The other
        // layouts flag what their camera recorded.
        const bool sentences = result.layout == TelemetryLayout::None || result.layout == TelemetryLayout::NovatekTables ||
                               result.layout == TelemetryLayout::NovatekIndex || result.layout == TelemetryLayout::Icat6330;
        const bool motion = !sentences || i >= result.times.size() || !result.times[i].hhmmss.empty();
        const bool hasSpeed = motion && (!t || t->hasSpeed) && s.spd >= 0 &&
                              !(style.clean && t && (t->glitches & TelemetrySample::SpeedGlitch));
        const bool hasCourse = motion && (!t || t->hasCourse) && std::isfinite(s.north_angle) && s.north_angle >= 0 &&
                               s.north_angle < 360;
        if (hasSpeed || hasCourse) {
            out += "<extensions><gpxtpx:TrackPointExtension>";
            if (hasSpeed)
                out += "<gpxtpx:speed>" + NumberFormat::decimal(s.spd / 3.6, 3) + "</gpxtpx:speed>";
            if (hasCourse)
                out += "<gpxtpx:course>" + NumberFormat::decimal(s.north_angle, 9) + "</gpxtpx:course>";
            out += "</gpxtpx:TrackPointExtension></extensions>";
        }
        out += "</trkpt>\n";
    }
    if (inSegment)
        out += "    </trkseg>\n";
}

} // namespace

std::string GpxWriter::track(const GpsReadResult &result, const std::string &file)
{
    return track({ClipView{result, file}}, file, ExportStyle());
}

std::string GpxWriter::track(const std::vector<const ClipRecord *> &clips, const std::string &name)
{
    std::vector<ClipView> views;
    for (const ClipRecord *clip : clips)
        views.push_back(ClipView{clip->result, clip->file});
    return track(views, name, ExportStyle());
}

std::string GpxWriter::track(const std::vector<ClipView> &clips, const std::string &name, const ExportStyle &style)
{
    std::string out = "  <trk>\n    <name>" + TextEscape::xml(name) + "</name>\n";
    if (style.time != TimeBasis::Reader) {
        std::string clocks;
        for (const ClipView &clip : clips)
            if (clip.clock)
                clocks += "      " + ClockReport::xml(*clip.clock, clip.file, style.time) + '\n';
        if (!clocks.empty())
            out += "    <extensions>\n" + clocks + "    </extensions>\n";
    }
    for (const ClipView &clip : clips)
        appendSegments(clip, style, out);
    out += "  </trk>\n";
    return out;
}
