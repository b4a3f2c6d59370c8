// Telemetry kept beside the video: a .NMEA file (NMEA sentences, one a line) or a .gpx
// file with the video's base name, and a GPX track a user brings for a clip or a trip
// (from a phone, for a camera without GPS), matched to the clip by UTC time.
//
// GPX is read with expat, each token once: the `trkpt` elements' lat and lon attributes
// and their time, ele, speed and course children (with or without a namespace prefix,
// so Garmin's extension counts too). A file cut short or not well-formed gives its
// points up to the first error; the file size and the number of points are bounded.
// Nothing in a GPX file is ever fetched or expanded: the parse stops at an entity
// declaration, and expat resolves no external reference.
#pragma once

#include "GpsSample.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class SideFiles {
public:
    SideFiles() = delete;

    // The regular file beside `videoPath` with its base name and one of the extensions
    // (".NMEA", ".nmea" / ".gpx", ".GPX"), tried in that order; empty when none exists.
    static std::string nmeaBeside(const std::string &videoPath);
    static std::string gpxBeside(const std::string &videoPath);

    // Reads a .NMEA file: one sample per RMC sentence (per GGA sentence when the file
    // has no RMC). False when the file cannot be read or holds no sentence.
    static bool readNmea(const std::string &path, GpsReadResult *result);
    // Reads a .gpx file beside the video: one sample per track point.
    static bool readGpx(const std::string &path, GpsReadResult *result);

    static constexpr int64_t kMaxNmeaBytes = 32 << 20;
    static constexpr size_t kMaxSamples = 1 << 18;
};

// A GPX track as the user's "Attach GPS Track" brings it.
class GpxTrack {
public:
    struct Point {
        double latitude = 0, longitude = 0;
        std::optional<int64_t> utcMs;
        std::optional<double> elevation;   // m
        std::optional<double> speed;       // m/s
        std::optional<double> course;      // degrees
    };

    // False when the file cannot be read, is too large or has no track point.
    bool load(const std::string &path);
    // The points of a GPX text, in document order.
    static std::vector<Point> parse(std::string_view text);
    const std::vector<Point> &points() const { return m_points; }

    // The UTC span the timed points cover, or nothing without two timed points.
    std::optional<std::pair<int64_t, int64_t>> span() const;
    // How much of [startUtcMs, startUtcMs + durationMs) the track covers, in ms.
    int64_t overlapMs(int64_t startUtcMs, int64_t durationMs) const;
    // The samples of a clip that starts at `startUtcMs` (UTC) and lasts `durationMs`:
    // one a second, each placed between the two points around it when they are at most
    // kMaxGapMs apart (position and, where both points have them, speed and course),
    // else without a fix. Layout gpx-file; empty without any timed point.
    GpsReadResult samplesFor(int64_t startUtcMs, int64_t durationMs) const;

    static bool parseTime(std::string_view text, int64_t *utcMs);

    static constexpr int64_t kMaxBytes = 64 << 20;
    static constexpr size_t kMaxPoints = 1 << 20;
    static constexpr int64_t kMaxGapMs = 10000;
    static constexpr int64_t kMaxClipMs = 24LL * 3600 * 1000;

private:
    std::vector<Point> m_points;
    std::vector<size_t> m_timed;   // indexes of the timed points, in time order
};
