#include "KmlWriter.h"

#include "SamplePosition.h"
#include "TextEscape.h"

#include <vector>

std::string KmlWriter::header()
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n"
           "<Document>\n"
           "  <name>veltra-gps</name>\n";
}

std::string KmlWriter::footer()
{
    return "</Document>\n</kml>\n";
}

std::string KmlWriter::placemark(const GpsReadResult &result, const std::string &file)
{
    std::vector<std::string> coordinates;
    for (const GpsSample &s : result.videoDatas) {
        SamplePosition pos;
        if (SamplePosition::of(s, &pos))
            coordinates.push_back(pos.longitudeText + ',' + pos.latitudeText);
    }
    std::string out = "  <Placemark>\n    <name>" + TextEscape::xml(file) + "</name>\n";
    if (coordinates.size() == 1) {
        out += "    <Point><coordinates>" + coordinates.front() + "</coordinates></Point>\n";
    } else if (coordinates.size() > 1) {
        out += "    <LineString>\n      <tessellate>1</tessellate>\n      <coordinates>\n";
        for (const std::string &c : coordinates)
            out += "        " + c + '\n';
        out += "      </coordinates>\n    </LineString>\n";
    }
    out += "  </Placemark>\n";
    return out;
}
