// The kml output of veltra-gps: one KML 2.2 document with one placemark per file (or
// per trip), named after the file argument (or the trip). Its geometry: per clip a
// line string through the sample positions (longitude,latitude), or a point for a
// clip with a single position, since a line string needs two; a clip without any
// adds nothing, so a trip's line does not jump across it. Beside them a gx:Track
// holds the positions that have a time, all <when> before all <gx:coord>, as Google
// Earth reads them. More than one geometry go into a MultiGeometry; a placemark
// without positions has none.
#pragma once

#include "ClipRecord.h"
#include "GpsSample.h"

#include <string>
#include <vector>

class KmlWriter {
public:
    KmlWriter() = delete;

    static std::string header();
    static std::string placemark(const GpsReadResult &result, const std::string &file);
    static std::string placemark(const std::vector<const ClipRecord *> &clips, const std::string &name);
    // The same with a style: with `style.time` the gx:Track's times on that clock and a
    // veltra:clock element per clip in the placemark's ExtendedData; with
    // `style.clean` a position that is a glitch is left out of the line and the track.
    static std::string placemark(const std::vector<ClipView> &clips, const std::string &name, const ExportStyle &style);
    static std::string footer();
};
