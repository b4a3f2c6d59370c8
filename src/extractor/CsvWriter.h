// The csv output of veltra-gps: one header line, then one row per sample of every
// file: file, index, latitude, longitude, speed (km/h), course, g-sensor x, y, z.
#pragma once

#include "GpsSample.h"

#include <string>

class CsvWriter {
public:
    CsvWriter() = delete;

    // "file,index,latitude,longitude,speed_kmh,course,gsensor_x,gsensor_y,gsensor_z\n"
    static std::string header();

    // The rows of one file; the index counts the file's samples from 0. Coordinates
    // are the texts as read (empty without a fix), numbers in their shortest exact
    // text (empty when not finite).
    static std::string rows(const GpsReadResult &result, const std::string &file);
};
