#include "TripGrouping.h"

#include "ClipTime.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <unordered_set>

std::vector<Trip> groupTrips(const std::vector<TripClip> &clips, int64_t gapMs)
{
    std::vector<size_t> dated, undated;
    std::unordered_set<std::string> seen;
    for (size_t i = 0; i < clips.size(); ++i) {
        if (!seen.insert(clips[i].name).second)
            continue;
        (clips[i].startMs ? dated : undated).push_back(i);
    }
    // Stable: clips of a channel that start together keep the order they were given in.
    std::stable_sort(dated.begin(), dated.end(), [&clips](size_t a, size_t b) {
        const TripClip &x = clips[a], &y = clips[b];
        if (*x.startMs != *y.startMs)
            return *x.startMs < *y.startMs;
        return x.channel < y.channel;
    });

    std::vector<Trip> trips;
    std::map<char, size_t> open;   // channel -> its latest trip
    for (const size_t i : dated) {
        const TripClip &c = clips[i];
        const int64_t start = *c.startMs;
        const int64_t end = start + std::max<int64_t>(0, c.durationMs);
        const auto it = open.find(c.channel);
        if (it != open.end() && start - *trips[it->second].endMs <= gapMs) {
            Trip &t = trips[it->second];
            t.clips.push_back(i);
            t.endMs = std::max(*t.endMs, end);
            continue;
        }
        open[c.channel] = trips.size();
        trips.push_back(Trip{{i}, start, end, c.channel});
    }
    // Sorting by start gave the trips in order of their first clips already.
    for (const size_t i : undated)
        trips.push_back(Trip{{i}, std::nullopt, std::nullopt, clips[i].channel});
    return trips;
}

std::vector<ClipMoment> groupMoments(const std::vector<TripClip> &clips, int64_t toleranceMs)
{
    std::vector<size_t> dated;
    std::unordered_set<std::string> seen;
    for (size_t i = 0; i < clips.size(); ++i)
        if (seen.insert(clips[i].name).second && clips[i].startMs)
            dated.push_back(i);
    std::stable_sort(dated.begin(), dated.end(), [&clips](size_t a, size_t b) {
        const TripClip &x = clips[a], &y = clips[b];
        if (*x.startMs != *y.startMs)
            return *x.startMs < *y.startMs;
        return ClipTime::channelRank(x.channel) < ClipTime::channelRank(y.channel);
    });
    std::vector<ClipMoment> moments;
    for (const size_t i : dated) {
        const TripClip &c = clips[i];
        // The earliest moment still open (within the tolerance) without this channel.
        ClipMoment *join = nullptr;
        for (size_t m = moments.size(); m-- > 0 && *c.startMs - moments[m].startMs <= toleranceMs;)
            if (std::none_of(moments[m].clips.begin(), moments[m].clips.end(),
                             [&](size_t k) { return clips[k].channel == c.channel; }))
                join = &moments[m];
        if (join)
            join->clips.push_back(i);
        else
            moments.push_back(ClipMoment{*c.startMs, {i}, i});
    }
    for (ClipMoment &m : moments) {
        std::stable_sort(m.clips.begin(), m.clips.end(), [&clips](size_t a, size_t b) {
            return ClipTime::channelRank(clips[a].channel) < ClipTime::channelRank(clips[b].channel);
        });
        m.shown = m.clips.front();
        for (const size_t k : m.clips)
            if (clips[k].channel == 'F')
                m.shown = k;
    }
    return moments;
}

