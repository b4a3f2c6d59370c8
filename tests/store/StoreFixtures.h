// Forged samples and read results for the store's tests and benchmarks.
#pragma once

#include "GpsSample.h"
#include "store/PlayListEntry.h"

#include <QList>
#include <QRandomGenerator>

#include <cstdio>
#include <string>

namespace StoreFixtures {

inline std::string fixed(double v, int decimals)
{
    char buf[48];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}

// A drive of `n` samples as a camera logs it: a route that moves a little each second,
// speeds that change slowly, headings with two decimals, noisy G-sensor readings in
// thousandths of g. Samples without a fix have empty coordinate texts.
inline QList<GpsSample> drive(int n, quint32 salt, int withoutFix = 0)
{
    QRandomGenerator rng(salt);
    QList<GpsSample> out;
    out.reserve(n);
    double lat = 22.5 + rng.bounded(1.0), lgt = 113.9 + rng.bounded(1.0);
    double heading = rng.bounded(360.0);
    int spd = int(rng.bounded(120));
    for (int k = 0; k < n; ++k) {
        GpsSample s;
        spd = qBound(0, spd + int(rng.bounded(7)) - 3, 160);
        heading = heading + rng.bounded(6.0) - 3.0;
        if (heading < 0) heading += 360;
        if (heading >= 360) heading -= 360;
        lat += (rng.bounded(2.0) - 0.5) * 1e-4;
        lgt += (rng.bounded(2.0) - 0.5) * 1e-4;
        s.spd = spd;
        if (k >= withoutFix) {
            s.gps_lat = fixed(lat, 6);
            s.gps_lgt = fixed(lgt, 6);
        }
        s.north_angle = std::strtod(fixed(heading, 2).c_str(), nullptr);
        s.gsensor_x = float(int(rng.bounded(400)) - 200) / 1000.0f;
        s.gsensor_y = float(int(rng.bounded(400)) - 200) / 1000.0f;
        s.gsensor_z = float(1000 + int(rng.bounded(200)) - 100) / 1000.0f;
        out.append(s);
    }
    return out;
}

inline PlayListEntry entry(const QString &path, int samples, quint32 salt)
{
    PlayListEntry e;
    e.path = path;
    e.gpsData = drive(samples, salt);
    for (const GpsSample &s : e.gpsData)
        e.maxSpeed = qMax<qint64>(e.maxSpeed, s.spd);
    e.isInChina = salt % 2;
    return e;
}

} // namespace StoreFixtures
