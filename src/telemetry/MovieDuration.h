// The length of a clip as its movie header states it (moov/mvhd: time scale and
// duration, versions 0 and 1), read without touching the media data: enough to know
// where a clip ends when clips are put together into trips. Beside it the header's
// creation time, which a camera sets from its own clock.
#pragma once

#include <cstdint>
#include <optional>
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

    // The whole header: the duration as above, and the creation time (seconds since
    // 1904 in the file) in ms since 1970 on the count of ClipTime, since cameras write
    // their local clock there; nothing when it is 0 (not set) or the header is cut short.
    struct Header {
        int64_t durationMs = -1;
        std::optional<int64_t> createdMs;
    };
    static Header header(BinaryFile &file);
    static Header header(const std::string &path);

    // From the header's time scale and duration; -1 for the values above and for a
    // duration longer than any recording lasts (kMaxRecordingMs).
    static int64_t fromHeader(uint32_t timescale, uint64_t duration, bool version1);

    // The most samples a reader takes from a clip at `perSecond` at most: the movie
    // header's duration, else the track's own (`trackSeconds`, 0 when unknown), else
    // kUnknownLengthSeconds, times the rate, and a second's worth more. Tables that
    // claim more (or point many entries at one payload) give no more samples than that.
    static size_t sampleBudget(BinaryFile &file, double trackSeconds, double perSecond);

    static constexpr int kMaxAtoms = 256;
    static constexpr int64_t kMaxRecordingMs = 48LL * 3600 * 1000;
    static constexpr double kUnknownLengthSeconds = 30 * 60;
};
