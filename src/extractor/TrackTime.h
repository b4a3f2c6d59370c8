// Time stamps of exported track points. A point's time comes from its sentence's
// own UTC time and date (RMC time and date fields); without them, from the
// recording time in the file name plus one second per sample (or the sample's share
// of a second where a layout gives more than one a second), which is the camera's
// local time and is written without a zone designator.
//
// With veltra-gps --time every time is put on one clock (TimeBasis) from the clip's
// ClipClock: UTC ("…Z"), the camera's own clock (no zone), or the zone the process
// runs in (TZ: the system's or the one --time named) with its offset ("…+01:00").
// A time that cannot be put on that clock keeps the clock it has, which its text says.
#pragma once

#include "CameraClock.h"
#include "ClipTime.h"
#include "GpsSample.h"

#include <optional>
#include <string>

// Which clock exported times are written on: as the reader gives them (the default),
// UTC, the camera's clock, or the process's time zone.
enum class TimeBasis { Reader, Utc, Camera, Local };

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

    // "2026-11-08T08:30:00Z"; a fraction of a second is written when there is one
    // ("…:00.5Z"), as the sentences' own.
    static std::string utcText(int64_t utcMs);
    // A camera's clock, no zone: "2026-11-08T09:30:04".
    static std::string cameraText(int64_t cameraMs);
    // The moment `utcMs` at `offsetSeconds` east of UTC: "2026-11-08T09:30:00+01:00"
    // ("+00:00" at UTC itself).
    static std::string offsetText(int64_t utcMs, int offsetSeconds);
    // The offset of the process's time zone (TZ) at `utcMs`, daylight saving included.
    static int zoneOffsetSeconds(int64_t utcMs);

    // A moment on `basis` (not Reader): UTC and the zone from `utcMs`, the camera from
    // `cameraMs`; when the one needed is unknown, the other in its own form; empty
    // when neither is known.
    static std::string momentText(std::optional<int64_t> utcMs, std::optional<int64_t> cameraMs, TimeBasis basis);
    // The time of sample `index` of a clip on `basis` (not Reader).
    static std::string pointTime(const GpsReadResult &result, size_t index, const ClipClock &clock, TimeBasis basis);
};
