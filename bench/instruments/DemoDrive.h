// A made-up drive for the benchmarks and the gallery: one sample a second,
// speed swinging between 10 and 110 km/h, a slow turn, smooth G-sensor waves.
#pragma once

#include "GpsSample.h"

#include <QByteArray>
#include <QList>

#include <cmath>

inline QList<GpsSample> demoDrive(int seconds)
{
    QList<GpsSample> out;
    for (int s = 0; s < seconds; ++s) {
        GpsSample g;
        g.spd = int(60 + 50 * std::sin(s / 30.0));
        g.gps_lat = QByteArray::number(51.5 + s * 0.0002, 'f', 6).toStdString();
        g.gps_lgt = QByteArray::number(-0.1275 + s * 0.0003, 'f', 6).toStdString();
        g.north_angle = std::fmod(40 + s * 1.5, 360.0);
        g.gsensor_x = float(1.0 + 0.4 * std::sin(s / 7.0));
        g.gsensor_y = float(0.8 * std::sin(s / 11.0));
        g.gsensor_z = float(-0.5 + 0.6 * std::cos(s / 5.0));
        out << g;
    }
    return out;
}
