// The other cameras of a moment: for the clip that plays, the files its folder holds for
// the other channels of the car at the same second (the rear and cabin beside a front
// clip, the five other cameras of a six-camera minute). Names are looked at first, so a
// folder of thousands of clips costs no reads; only the few files near the clip's time,
// and those whose names carry no time, are asked about.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
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
    // How long after the clip's start its recording starts (negative: before it), for a
    // file of a camera that started apart: 0 for one of the same second.
    int64_t startMs = 0;
};

// What a file says of its own start, where it says anything: the UTC start its GPS gives
// (CameraClock), and the movie header's creation time (the camera's clock).
struct CompanionTime {
    std::optional<int64_t> gpsUtcMs;
    std::optional<int64_t> movieMs;
};

// The folder's names looked at, at most; a card's folder holds a few thousand clips.
constexpr size_t kMaxCompanionNames = 5000;
// Files asked for their time, at most: a folder whose names carry no time is matched by
// the first of them only.
constexpr size_t kMaxCompanionTimeReads = 64;
// How far apart the camera's times of two channels' files may be for their GPS to decide.
constexpr int64_t kCompanionNearMs = 2000;

// The channels other than `clip`'s own that `folder` (file names, in any order) holds
// clips of, by ClipTime::channelRank, each with its file for the moment `clip` starts in
// or the gap in its place. A file's time is the GPS's where `time` gives one for both it
// and the clip (starts less than a second apart, among files whose camera times are at
// most kCompanionNearMs apart), else the camera's: the name's, else the movie header's
// (the same second). A channel without such a file takes one that starts at most
// kCompanionNearMs apart by the same times (a camera that started a little late or
// early), with its startMs. Of several files claiming one channel the one whose GPS start
// is nearest comes first, and of those the first one `state` finds readable and not empty
// is taken (else the first). Nothing for a clip without a channel, or without any time.
std::vector<Companion> findCompanions(const std::string &clip, const std::vector<std::string> &folder,
                                      const std::function<CompanionFile(const std::string &)> &state,
                                      const std::function<CompanionTime(const std::string &)> &time = {});
