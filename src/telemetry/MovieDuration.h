// The length of a clip as its movie header states it (moov/mvhd: time scale and
// duration, versions 0 and 1), read without touching the media data: enough to know
// where a clip ends when clips are put together into trips.
#pragma once

#include <cstdint>
#include <string>

class BinaryFile;

class MovieDuration {
public:
    MovieDuration() = delete;

    // Milliseconds, rounded down; -1 when the file has no usable movie header: no
    // moov within the first kMaxAtoms top-level atoms, no mvhd within its first
    // kMaxAtoms children, a header cut short, a time scale of 0 or a duration
    // written as "unknown" (all bits set). The position is left anywhere.
    static int64_t milliseconds(BinaryFile &file);
    // The same for a path; -1 when the file cannot be opened.
    static int64_t milliseconds(const std::string &path);

    // From the header's time scale and duration; -1 for the values above.
    static int64_t fromHeader(uint32_t timescale, uint64_t duration, bool version1);

    static constexpr int kMaxAtoms = 256;
};
