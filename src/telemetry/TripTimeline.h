// The time axis of a trip: its clips laid one after the other, and the way back from
// a moment of the trip to a clip and a second in it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// Where the clips of a trip sit on the trip's time axis, in seconds from the start of
// its first clip: from each clip's recording start where it is known (never before
// the clip ahead of it), else right after the clip ahead of it ends.
std::vector<double> tripOffsets(const std::vector<std::optional<int64_t>> &startsMs,
                                const std::vector<double> &durations);

// A moment of a trip as a clip and a second in it.
struct TripPoint {
    size_t clip = 0;
    double seconds = 0.0;
    bool operator==(const TripPoint &o) const { return clip == o.clip && seconds == o.seconds; }
};

// Which clip and second trip time `t` is: the last clip starting at or before t (so an
// overlapping later clip wins), clamped into its duration; a time in a pause between
// clips is the start of the clip after it. Times outside the trip go to its first or
// last moment. Offsets as from tripOffsets(); an empty trip gives clip 0, second 0.
TripPoint tripPointAt(const std::vector<double> &offsets, const std::vector<double> &durations, double t);
