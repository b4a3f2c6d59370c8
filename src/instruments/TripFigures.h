// The trip panel's figures for a whole trip of clips: the highest speed, the
// distance and the driving time. Pure.
#pragma once

#include "GpsSample.h"

#include <QList>

#include <optional>

struct TripClip {
    // The clip's recording start in seconds (any fixed origin), when known; a clip
    // without one follows the clip before it.
    std::optional<double> start;
    // Seconds; 0 when not known: one sample a second, as the cameras write them.
    double duration = 0;
    QList<GpsSample> samples;
};

struct TripFigures {
    int maxSpeed = 0;      // km/h, over every sample
    double metres = 0;     // along the fixes, each stretch of time counted once
    double seconds = 0;    // driving time: the time covered by the clips, overlaps once
};

namespace TripFiguresRule {

// Clips are taken in order of start. A sample's time is its clip's start plus its
// share of the duration; samples of times an earlier clip has already covered (an
// event copy of the same minutes) add no distance and no time. Distance joins the
// fixes of one clip, and the last fix of a clip to the first of the next one when
// both have fixes; a clip without any fix breaks the line there.
TripFigures compute(const QList<TripClip> &clips);

} // namespace TripFiguresRule
