// Trips: a camera splits a drive into clips of a few minutes; the clips of one camera
// channel that follow one another without a pause longer than the gap form a trip.
#pragma once

#include "GpsSample.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct TripClip {
    std::string name;                 // identifies the file: the same name twice is one clip
    std::optional<int64_t> startMs;   // recording start (ClipTime::startMs); nothing when unknown
    int64_t durationMs = 0;           // from the movie header; negative when unknown (taken as 0)
    char channel = 0;                 // ClipTime::channel: 'F', 'R', 'I', a side camera, or 0 for the only one
};

struct Trip {
    std::vector<size_t> clips;   // indices into the clip list, in time order
    std::optional<int64_t> startMs;
    std::optional<int64_t> endMs;   // the latest end of its clips
    char channel = 0;
};

// The pause between two clips that still keeps them in one trip, unless set otherwise.
constexpr int64_t kDefaultTripGapMs = 10000;

// Groups `clips` (in any order) into trips. A clip follows the trip of its channel
// when it starts no later than `gapMs` after the trip's latest end; a clip that
// starts before that end (an overlap, such as an event copy of the same minutes)
// follows it as well. Within a trip clips are ordered by start, trips by the start
// of their first clip, then by channel; clips of a channel that start together keep
// the order given. A clip without a start forms a trip of its own; these come
// last, in the order given. A name met again is left out.
std::vector<Trip> groupTrips(const std::vector<TripClip> &clips, int64_t gapMs = kDefaultTripGapMs);

// The clips of several channels recorded together, such as the files a six-camera
// recorder writes for each minute, all named with the same time.
struct ClipMoment {
    int64_t startMs = 0;
    std::vector<size_t> clips;   // indices into the clip list, one per channel, by ClipTime::channelRank
    size_t shown = 0;            // the clip the picture shows: the front channel's, else the first
};

// Groups the clips that have a start into moments, in time order: clips of different
// channels that start within `toleranceMs` of a moment's first clip (the same second,
// unless set otherwise) join it. A second clip of a channel already in the moment starts
// a moment of its own (an event copy of the same minute); a name met again is left out,
// and so are clips without a start. A camera missing from a minute leaves its moment
// with fewer clips.
std::vector<ClipMoment> groupMoments(const std::vector<TripClip> &clips, int64_t toleranceMs = 999);
