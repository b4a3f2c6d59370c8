// Time stamps of exported track points. A point's time comes from its sentence's
// own UTC time and date (RMC time and date fields); without them, from the
// recording time in the file name plus one second per sample (or the sample's share
// of a second where a layout gives more than one a second), which is the camera's
// local time and is written without a zone designator.
#pragma once

#include "ClipTime.h"
#include "GpsSample.h"

#include <optional>
#include <string>

class TrackTime {
public:
    TrackTime() = delete;

    // "2019-03-12T15:30:12Z" (with the fraction of the time field when it is not zero,
    // "…T15:30:12.5Z") from an RMC time "hhmmss[.sss]" and date "ddmmyy"; two-digit
    // years 80-99 are 19xx, the others 20xx. Nothing when either field is missing
    // or not a valid time or date.
    static std::optional<std::string> sentenceUtc(const SentenceTime &time);

    // The recording time in a file name: the last path component with every ".MOV"
    // and then every "_" removed, whose first 14 characters read as yyyyMMddHHmmss.
    // Nothing when fewer than 14 characters remain, they are not all digits or they
    // are not a valid date and time (year 0 included, which has no text in XML).
    static std::optional<CivilTime> fromFileName(const std::string &path);

    // `time` moved by `seconds` through the calendar (midnight, month and year ends,
    // leap years).
    static CivilTime plusSeconds(const CivilTime &time, long long seconds);

    // "2019-03-12T15:30:12", no zone designator.
    static std::string localText(const CivilTime &time);

    // The time text of sample `index` of `result` after the rules above, with the
    // file's recording time from fromFileName; empty when neither rule gives one.
    static std::string pointTime(const GpsReadResult &result, size_t index,
                                 const std::optional<CivilTime> &recording);

    static bool validDate(int year, int month, int day);
};
