// The other cameras of a moment: for the clip that plays, the files its folder holds for
// the other channels of the car at the same second (the rear and cabin beside a front
// clip, the five other cameras of a six-camera minute). Only names are looked at, so a
// folder of thousands of clips costs no reads; the few files picked are asked about once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct CompanionFile {
    int64_t bytes = -1;       // -1 when the file is gone
    bool readable = false;
};

struct Companion {
    enum class Gap { None, Missing, Empty, Unreadable };
    char channel = 0;         // ClipTime::channel
    std::string name;         // a name of the folder; empty when the channel has no file now
    Gap gap = Gap::None;      // a channel the folder has for other minutes but not this one
    size_t claims = 1;        // files naming this channel and second; one of them is taken
};

// The folder's names looked at, at most; a card's folder holds a few thousand clips.
constexpr size_t kMaxCompanionNames = 5000;

// The channels other than `clip`'s own that `folder` (file names, in any order) holds
// clips of, by ClipTime::channelRank, each with its file for the second `clip` starts in
// (groupMoments over the names' times) or the gap in its place. Of two files claiming one
// channel and second the first one `state` finds readable and not empty is taken (else
// the first). Nothing for a clip without a channel or a time in its name.
std::vector<Companion> findCompanions(const std::string &clip, const std::vector<std::string> &folder,
                                      const std::function<CompanionFile(const std::string &)> &state);
