// The trip panel's figures for a whole trip of clips: the highest speed, the
// distance and the driving time. Pure.
#pragma once

#include "GpsSample.h"

#include <QList>

#include <optional>

struct TripFigureClip {
    // The clip's recording start in seconds (any fixed origin), when known; a clip
    // without one follows the clip before it.
    std::optional<double> start;
    // Seconds; 0 when not known: one sample a second, as the cameras write them.
    double duration = 0;
    QList<GpsSample> samples;
};

struct TripFigures {
    int maxSpeed = 0;      // km/h, over every sample
    double metres = 0;     // the trip's distance (tripMetres)
    double seconds = 0;    // driving time: the time covered by the clips, overlaps once
};

namespace TripFiguresRule {

// Clips are taken in order of start; times an earlier clip has already covered (an
// event copy of the same minutes) add no time. The distance is tripMetres over the
// clips, the rule of the play list's trip caption.
TripFigures compute(const QList<TripFigureClip> &clips);

} // namespace TripFiguresRule
