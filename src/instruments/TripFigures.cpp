#include "TripFigures.h"

#include "InstrumentGeometry.h"

#include <QString>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

constexpr double kEarthRadiusM = 6371008.8;

double haversine(double lat1, double lng1, double lat2, double lng2)
{
    const double rad = M_PI / 180;
    const double dLat = (lat2 - lat1) * rad, dLng = (lng2 - lng1) * rad;
    const double s = std::sin(dLat / 2) * std::sin(dLat / 2) +
                     std::cos(lat1 * rad) * std::cos(lat2 * rad) * std::sin(dLng / 2) * std::sin(dLng / 2);
    return 2 * kEarthRadiusM * std::asin(std::min(1.0, std::sqrt(s)));
}

} // namespace

TripFigures TripFiguresRule::compute(const QList<TripClip> &clips)
{
    TripFigures figures;
    // Starts: known ones as given, unknown ones right after the clip before.
    QList<double> starts(clips.size());
    QList<double> lengths(clips.size());
    double next = 0;
    for (qsizetype k = 0; k < clips.size(); ++k) {
        lengths[k] = clips[k].duration > 0 ? clips[k].duration : double(clips[k].samples.size());
        starts[k] = clips[k].start.value_or(next);
        next = starts[k] + lengths[k];
    }
    QList<qsizetype> order(clips.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) { return starts[a] < starts[b]; });

    double covered = -std::numeric_limits<double>::infinity();
    bool havePrevious = false;
    double plat = 0, plng = 0;
    for (qsizetype k : order) {
        const TripClip &clip = clips[k];
        const double start = starts[k], end = start + lengths[k];
        if (end > covered)
            figures.seconds += end - std::max(start, covered);
        const qsizetype n = clip.samples.size();
        bool anyFix = false;
        for (qsizetype i = 0; i < n; ++i) {
            const GpsSample &s = clip.samples[i];
            figures.maxSpeed = std::max(figures.maxSpeed, s.spd);
            const float lat = InstrumentGeometry::leadingFloat(QString::fromStdString(s.gps_lat));
            const float lng = InstrumentGeometry::leadingFloat(QString::fromStdString(s.gps_lgt));
            if (lat == 0.0f || lng == 0.0f)
                continue;
            anyFix = true;
            const double t = start + lengths[k] * double(i) / double(n);
            if (t < covered)
                continue;   // already driven in an earlier clip
            if (havePrevious)
                figures.metres += haversine(plat, plng, lat, lng);
            plat = lat;
            plng = lng;
            havePrevious = true;
        }
        if (!anyFix)
            havePrevious = false;
        covered = std::max(covered, end);
    }
    return figures;
}

