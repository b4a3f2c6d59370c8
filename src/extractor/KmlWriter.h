// The kml output of veltra-gps: one KML 2.2 document with one placemark per file,
// named after the file argument, whose line string runs through the sample
// positions (longitude,latitude). A file with a single position gets a point, one
// without any a placemark without geometry, since a line string needs two.
#pragma once

#include "GpsSample.h"

#include <string>

class KmlWriter {
public:
    KmlWriter() = delete;

    static std::string header();
    static std::string placemark(const GpsReadResult &result, const std::string &file);
    static std::string footer();
};
