// Test helper shared by the extractor and instrument tests: a telemetry sample
// built by hand. Position first; every other field defaults to zero.
#pragma once

#include "GpsSample.h"

#include <string>

inline GpsSample makeSample(const std::string &lat, const std::string &lon, int spd = 0,
                            double course = 0, float x = 0, float y = 0, float z = 0)
{
    GpsSample s;
    s.gps_lat = lat;
    s.gps_lgt = lon;
    s.spd = spd;
    s.north_angle = course;
    s.gsensor_x = x;
    s.gsensor_y = y;
    s.gsensor_z = z;
    return s;
}
