#include "TripFigures.h"

#include "TripDistance.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

TripFigures TripFiguresRule::compute(const QList<TripFigureClip> &clips)
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
    for (qsizetype k : order) {
        const double start = starts[k], end = start + lengths[k];
        if (end > covered)
            figures.seconds += end - std::max(start, covered);
        for (const GpsSample &s : clips[k].samples)
            figures.maxSpeed = std::max(figures.maxSpeed, s.spd);
        covered = std::max(covered, end);
    }

    // The distance by the rule the play list's trip caption follows too.
    std::vector<std::vector<TelemetrySample>> typed(size_t(clips.size()));
    std::vector<ClipRoute> routes;
    for (qsizetype k = 0; k < clips.size(); ++k) {
        for (const GpsSample &s : clips[k].samples)
            typed[size_t(k)].push_back(TelemetrySample::fromGps(s));
        ClipRoute route;
        if (clips[k].start)
            route.startMs = std::llround(*clips[k].start * 1000.0);
        route.durationMs = clips[k].duration > 0 ? std::llround(clips[k].duration * 1000.0) : -1;
        route.samples = typed[size_t(k)].data();
        route.count = typed[size_t(k)].size();
        routes.push_back(route);
    }
    figures.metres = tripMetres(routes);
    return figures;
}
