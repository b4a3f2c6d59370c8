#include "KmlWriter.h"

#include "ClockReport.h"
#include "SamplePosition.h"
#include "TextEscape.h"
#include "TrackTime.h"

std::string KmlWriter::header()
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<kml xmlns=\"http://www.opengis.net/kml/2.2\" xmlns:gx=\"http://www.google.com/kml/ext/2.2\">\n"
           "<Document>\n"
           "  <name>veltra-gps</name>\n";
}

std::string KmlWriter::footer()
{
    return "</Document>\n</kml>\n";
}

namespace {

// Two more blanks at the start of every line after the first.
std::string indented(const std::string &geometry)
{
    std::string out;
    out.reserve(geometry.size() + geometry.size() / 16);
    for (size_t i = 0; i < geometry.size(); ++i) {
        out += geometry[i];
        if (geometry[i] == '\n' && i + 1 < geometry.size())
            out += "  ";
    }
    return out;
}

} // namespace

std::string KmlWriter::placemark(const std::vector<ClipView> &clips, const std::string &name, const ExportStyle &style)
{
    std::vector<std::string> geometries;
    std::string whens, coords, clocks;
    for (const ClipView &clip : clips) {
        const GpsReadResult &result = clip.result;
        const auto recording = TrackTime::fromFileName(result.path.empty() ? clip.file : result.path);
        if (style.time != TimeBasis::Reader && clip.clock)
            clocks += "      " + ClockReport::xml(*clip.clock, clip.file, style.time) + '\n';
        std::vector<std::string> coordinates;
        for (size_t i = 0; i < result.videoDatas.size(); ++i) {
            SamplePosition pos;
            if (!SamplePosition::of(result.videoDatas[i], &pos))
                continue;
            if (style.clean && i < result.samples.size() &&
                (result.samples[i].glitches & TelemetrySample::PositionGlitch))
                continue;
            coordinates.push_back(pos.longitudeText + ',' + pos.latitudeText);
            const std::string time = style.time == TimeBasis::Reader || !clip.clock
                                         ? TrackTime::pointTime(result, i, recording)
                                         : TrackTime::pointTime(result, i, *clip.clock, style.time);
            if (time.empty())
                continue;
            whens += "        <when>" + time + "</when>\n";
            coords += "        <gx:coord>" + pos.longitudeText + ' ' + pos.latitudeText + " 0</gx:coord>\n";
        }
        if (coordinates.size() == 1) {
            geometries.push_back("<Point><coordinates>" + coordinates.front() + "</coordinates></Point>\n");
        } else if (coordinates.size() > 1) {
            std::string line = "<LineString>\n      <tessellate>1</tessellate>\n      <coordinates>\n";
            for (const std::string &c : coordinates)
                line += "        " + c + '\n';
            geometries.push_back(line + "      </coordinates>\n    </LineString>\n");
        }
    }
    if (!whens.empty())
        geometries.push_back("<gx:Track>\n" + whens + coords + "    </gx:Track>\n");

    std::string out = "  <Placemark>\n    <name>" + TextEscape::xml(name) + "</name>\n";
    if (!clocks.empty())
        out += "    <ExtendedData>\n" + clocks + "    </ExtendedData>\n";
    if (geometries.size() == 1) {
        out += "    " + geometries.front();
    } else if (geometries.size() > 1) {
        out += "    <MultiGeometry>\n";
        for (const std::string &g : geometries)
            out += "      " + indented(g);
        out += "    </MultiGeometry>\n";
    }
    out += "  </Placemark>\n";
    return out;
}

std::string KmlWriter::placemark(const GpsReadResult &result, const std::string &file)
{
    return placemark({ClipView{result, file}}, file, ExportStyle());
}

std::string KmlWriter::placemark(const std::vector<const ClipRecord *> &clips, const std::string &name)
{
    std::vector<ClipView> views;
    for (const ClipRecord *clip : clips)
        views.push_back(ClipView{clip->result, clip->file});
    return placemark(views, name, ExportStyle());
}
