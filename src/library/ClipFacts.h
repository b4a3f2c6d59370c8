// What the library keeps of one clip, read once by the telemetry core: where it is, its
// true start and length, its camera, its route in pieces with their boxes, and what
// happened on it. Plain C++ over the telemetry core, safe on any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A point of a route: where the car was, `offsetMs` into the clip.
struct RoutePoint {
    int32_t offsetMs = 0;
    float latitude = 0, longitude = 0;
    bool operator==(const RoutePoint &o) const
    {
        return offsetMs == o.offsetMs && latitude == o.latitude && longitude == o.longitude;
    }
};

// A piece of a route, small enough that its box says where it is.
struct RoutePiece {
    std::vector<RoutePoint> points;
    double minLat = 0, maxLat = 0, minLon = 0, maxLon = 0;
};

// The kinds of events the library finds and lists, by their names on the command line.
enum class LibraryEventKind { HardBraking, HardAcceleration, SharpTurn, Impact, ParkedBump, Brake, AssistanceOff };
const char *eventKindName(LibraryEventKind kind);   // "hard-braking", …, "assistance-off"
bool eventKindFromName(const std::string &name, LibraryEventKind *kind);
constexpr int kEventKindCount = 7;

struct ClipEvent {
    LibraryEventKind kind = LibraryEventKind::HardBraking;
    int64_t offsetMs = 0;     // into the clip
    double strength = 0;      // km/h per second, g or degrees per second as the kind has it
    std::optional<double> latitude, longitude;   // where the car was, when known
};

struct ClipFacts {
    std::string path;
    int64_t size = 0;
    int64_t mtimeNs = 0;
    std::string camera;       // the name's pattern: digits as '#', the channel letter left out
    std::string channel;      // ClipTime::channelName: "F", "R", "left_repeater", or empty
    std::optional<int64_t> startMs;        // UTC where known, else the camera's clock
    bool startIsUtc = false;
    std::optional<int64_t> cameraStartMs;  // the camera's own clock
    std::optional<int64_t> errorMs;        // camera minus UTC, measured on this clip
    int64_t durationMs = 0;   // the movie header's; else one second a sample
    std::string layout;       // layoutName
    int samples = 0;
    int maxSpeedKmh = 0;
    double distanceM = 0;
    bool isProtected = false;
    std::vector<RoutePiece> pieces;
    std::vector<ClipEvent> events;
};

namespace ClipReading {

// Reads the clip at `path` (a regular file the caller has looked at: `size` and `mtimeNs`
// from its stat). Empty on success, otherwise why it could not be read.
std::string read(const std::string &path, int64_t size, int64_t mtimeNs, bool isProtected, int64_t nowMs,
                 ClipFacts *facts);

// The camera pattern of a file name: its last component with every digit replaced by
// '#' and a channel letter or camera word right after the last digits left out
// ("2026_1108_093000_001F.MOV" gives "####_####_######_###.MOV").
std::string cameraPattern(const std::string &path);

// Whether the camera protected the clip: the file has no write permission (the mark a
// camera's read-only attribute leaves), or it lies in a folder a camera keeps its
// protected clips in ("EMR", "RO", "Event", "Protected", "Locked", "Lock", any case).
bool protectedByCamera(const std::string &path, unsigned mode);

// Events from a clip's samples: hard braking and acceleration, impacts and bumps while
// parked (a G jump with the speed at 0) from TelemetryEvents, sharp turns (the course
// turning at least kSharpTurnDegPerS at kSharpTurnMinKmh or more), and the car's brake
// applications and assistance disengagements.
constexpr double kSharpTurnDegPerS = 25.0;
constexpr double kSharpTurnMinKmh = 20.0;

} // namespace ClipReading
