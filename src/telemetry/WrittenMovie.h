// What a movie file that was just written holds, read from its movie header: whether
// it has one (a file cut short by a full disk has its media data and no moov), and its
// first video track's frames and length. Only headers and tables are read.
#pragma once

#include <cstddef>
#include <string>

struct WrittenMovie {
    bool hasMoov = false;
    bool hasVideo = false;
    size_t videoFrames = 0;    // samples of the first video track (at most kMaxFrames)
    double videoSeconds = 0;   // its media duration, 0 when unknown

    static WrittenMovie of(const std::string &path);

    static constexpr size_t kMaxFrames = 1 << 24;
};
