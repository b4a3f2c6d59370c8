// When and on which camera channel a clip was recorded, read from what the camera
// leaves behind: the file name (2025_0612_174502_012F.MOV: recording time, sequence
// number, channel letter; 2025-06-12_17-45-02-left_repeater.mp4: recording time and
// camera word) and the UTC time and date of the clip's first fix.
// Times are milliseconds on one count from 1970-01-01 00:00; a name's time is the
// camera's local clock read as if it were UTC, so that the two kinds can be ordered
// and subtracted alike.
#pragma once

#include "GpsSample.h"

#include <cstdint>
#include <optional>
#include <string>

// A calendar date and time of day without a time zone.
struct CivilTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    bool operator==(const CivilTime &o) const {
        return year == o.year && month == o.month && day == o.day && hour == o.hour &&
               minute == o.minute && second == o.second;
    }
};

class ClipTime {
public:
    ClipTime() = delete;

    // The recording time in a file name: the last path component with every ".MOV"
    // and then every "_" removed, whose first 14 characters read as yyyyMMddHHmmss;
    // or one that opens with "yyyy-MM-dd_HH-mm-ss" (the six-camera recorders).
    // Nothing when fewer than 14 characters remain, they are not all digits or they
    // are not a valid date and time (year 0 included).
    static std::optional<CivilTime> fromFileName(const std::string &path);

    // The channel of a file name. A name ending (before the extension) in "-" and a
    // camera word of the six-camera recorders gives that camera: "front" is 'F' and
    // "back" 'R', as any front and rear, and the four side cameras have the ids below.
    // Otherwise the letter right after the digits of the sequence number at the end of
    // the name, upper-cased: 'F' front, 'R' rear, 'I' interior. 0 when the name ends in
    // neither, which makes the clip part of the one channel of a single-lens camera.
    static char channel(const std::string &path);
    // Channel ids of the side cameras: lower case, so that no letter of a name is one.
    static constexpr char kLeftRepeater = 'a', kRightRepeater = 'b', kLeftPillar = 'c', kRightPillar = 'd';
    // A channel for people: the camera word of a side camera ("left_repeater"), the
    // letter of any other channel ("F"), empty for 0.
    static std::string channelName(char channel);
    // Where a channel comes in a list of the cameras of one moment: front, rear (back),
    // interior, the four side cameras in the order above, then any other letter, then 0.
    static int channelRank(char channel);

    // The start of a clip: the file name's time, else the UTC time of the first sample
    // with a position and a valid RMC time and date, less one second for each sample
    // before it (its share of a second where the result has more samples a second).
    // Nothing when neither is known.
    static std::optional<int64_t> startMs(const std::string &path, const GpsReadResult &result);

    // The RMC time "hhmmss[.sss]" and date "ddmmyy" as milliseconds (years 80-99 are
    // 19xx, the others 20xx); nothing when either is missing or invalid.
    static std::optional<int64_t> sentenceMs(const SentenceTime &time);

    static int64_t toMs(const CivilTime &time);
    static CivilTime fromMs(int64_t ms);   // the whole seconds of `ms`, rounded down
    static bool validDate(int year, int month, int day);
    static bool validClock(int hour, int minute, int second);
    // Whether s[from, from + count) are all decimal digits, and their value.
    static bool allDigits(const std::string &s, size_t from, size_t count);
    static int number(const std::string &s, size_t from, size_t count);
};
