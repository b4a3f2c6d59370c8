// The times of a video track's key frames, the pictures that decode by themselves: a
// seek that lands on one decodes that frame alone, which is what skimming at high
// rates needs. Read from the track's sample tables (stts, stss) without touching the
// media data.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class KeyFrames {
public:
    KeyFrames() = delete;

    // Seconds of the sync samples, ascending: `durations` is the time-to-sample table
    // (runs of count, duration in `timescale` units), `sync` the 1-based numbers of the
    // sync samples. Without a sync table every sample is a key frame (`hasSync` false).
    // Sync numbers past the samples the table times are dropped; at most kMaxFrames.
    static std::vector<double> fromTables(const std::vector<std::pair<uint32_t, uint32_t>> &durations,
                                          const std::vector<uint32_t> &sync, bool hasSync, uint32_t timescale);

    // Those of the first video track of a movie file; empty when it has none or its
    // tables cannot be read.
    static std::vector<double> ofFile(const std::string &path);

    static constexpr size_t kMaxFrames = 2'000'000;
};
