#include "ModuleLists.h"

#include "InstrumentGeometry.h"

#include <QString>

namespace ModuleLists {

QList<PositionEntry> positionList(const QList<GpsSample> &samples)
{
    QList<PositionEntry> out;
    out.reserve(samples.size());
    for (const GpsSample &s : samples) {
        const float lat = InstrumentGeometry::leadingFloat(QString::fromStdString(s.gps_lat));
        const float lng = InstrumentGeometry::leadingFloat(QString::fromStdString(s.gps_lgt));
        if (lat != 0 && lng != 0)
            out.append({lng, lat, s.north_angle});
    }
    return out;
}

QList<int> speedList(const QList<GpsSample> &samples)
{
    QList<int> out;
    out.reserve(samples.size());
    for (const GpsSample &s : samples)
        out.append(s.spd);
    return out;
}

QList<GsensorEntry> gsensorList(const QList<GpsSample> &samples)
{
    QList<GsensorEntry> out;
    out.reserve(samples.size());
    for (const GpsSample &s : samples)
        if (InstrumentGeometry::gsensorEntryAccepted(s.gsensor_x, s.gsensor_y, s.gsensor_z))
            out.append({s.gsensor_x, s.gsensor_y, s.gsensor_z});
    return out;
}

} // namespace ModuleLists
