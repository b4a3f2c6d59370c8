// The private lists that the panels build from a file's samples once per file,
// so that a clock tick is a constant-time look-up.
#pragma once

#include "GpsSample.h"

#include <QList>

#include <array>

namespace ModuleLists {

struct PositionEntry {
    float longitude;   // "gps_lgt" read as a number
    float latitude;    // "gps_lat" read as a number
    double heading;    // "north_angle" as stored
};
using GsensorEntry = std::array<float, 3>;   // x, y, z in g

// Samples with a fix only ("gps_lat" and "gps_lgt" both read as non-zero numbers).
QList<PositionEntry> positionList(const QList<GpsSample> &samples);
// "spd" of every sample.
QList<int> speedList(const QList<GpsSample> &samples);
// Samples whose three axes all lie within -4 .. +4 g.
QList<GsensorEntry> gsensorList(const QList<GpsSample> &samples);

} // namespace ModuleLists
