// The csv output of veltra-gps: one header line, then one row per sample of every
// file: file, index, latitude, longitude, speed (km/h), course, g-sensor x, y, z, and
// the sample's UTC time (ISO 8601, empty when its sentence had none). Grouped into
// trips, each row starts with the trip's number, counted from 1.
#pragma once

#include "ClipRecord.h"
#include "GpsSample.h"

#include <string>

class CsvWriter {
public:
    CsvWriter() = delete;

    // "file,index,latitude,longitude,speed_kmh,course,gsensor_x,gsensor_y,gsensor_z,time_utc\n",
    // with "trip," in front for trips.
    static std::string header(bool trips = false);

    // The rows of one file; the index counts the file's samples from 0. The file is a
    // text cell (TextEscape::csvText); coordinates are the texts as read (empty without
    // a fix), numbers in their shortest exact text (empty when not finite). `trip` > 0
    // puts the trip's number in front.
    static std::string rows(const GpsReadResult &result, const std::string &file, int trip = 0);

    // With a style: with `style.time` the last column is "time_utc", "time_camera" or
    // "time_local" and every row has its time on that clock; with `style.clean` a
    // sample whose position is a glitch has no row (the index still counts it) and a
    // speed reading that is one is left empty.
    static std::string header(bool trips, const ExportStyle &style);
    static std::string rows(const ClipView &clip, const ExportStyle &style, int trip = 0);
};
