// DriveModel: simulates a car trip second by second from a scenario (a looping plan
// of segments with a target speed, a turn and events such as hard braking or a
// tunnel without GPS fix, or a parked car that is bumped). The same scenario and trip start always give the same
// trip, so files cut from the same trip at later start times continue each other.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TelemetryPoint {
    double utc = 0;           // seconds since 1970 (UTC) at this sample
    bool fix = false;
    double latitude = 0;      // degrees, north positive
    double longitude = 0;     // degrees, east positive
    double speedKmh = 0;
    double courseDeg = 0;     // 0..360
    bool stopped = false;     // standing still: receivers leave the course empty
    bool fiveDecimals = false;
    bool noDate = false;      // the receiver writes no date (a fix before its almanac)
    bool leapSecond = false;  // the receiver reads 23:59:60 here (`utc` is the second before)
    // milli-g: x is the camera's vertical axis and carries gravity (1000 at rest) plus
    // the pull of speeding up and braking, y the pull of turns, z road bumps.
    int32_t gsensor[3] = {0, 0, 0};
};

// Where the forge put GPS glitches into a drive: the samples whose position, and those
// whose speed reading, no car makes.
struct GlitchTruth {
    std::vector<size_t> positions;
    std::vector<size_t> speeds;
};

class DriveModel {
public:
    enum class Scenario { Drive, City, NoFix, Parked };

    static bool scenarioFromName(const std::string& name, Scenario& out);

    explicit DriveModel(Scenario scenario);
    // The heading the car sets off in (degrees), instead of the scenario's: the same
    // plan driven another way from the same place.
    void setStartCourse(double degrees) { startCourse_ = degrees; }
    // A parked car is bumped this many seconds into its trip (a jolt of kBumpMilliG on
    // the sensor's z axis for one sample).
    static constexpr double kParkedBumpAt = 20.0;
    static constexpr int32_t kBumpMilliG = 900;

    // Hours that local time (the camera clock) is ahead of UTC at the scenario's place.
    int utcOffsetHours() const;
    // Whether the receiver of this scenario writes minutes with five decimals.
    bool fiveDecimalsThroughout() const { return scenario_ == Scenario::City; }

    // Samples for `count` instants, the first `offset` seconds after the trip start,
    // then every `period` seconds. tripStartUtc anchors the time fields.
    std::vector<TelemetryPoint> run(double tripStartUtc, double offset, size_t count, double period) const;

    // Three glitches a receiver makes, in samples of one a second (at least 50): a point
    // 3 km east and straight back (sample 12), a run of three impossible steps (30-32,
    // each kilometres from the last) and a speed reading of 340 km/h (sample 45).
    static GlitchTruth putGlitches(std::vector<TelemetryPoint>& points);
    static constexpr size_t kGlitchSamples = 50;
    // A leap second at the first UTC midnight of the points: the sample there reads
    // 23:59:60, every later one a second earlier than the seconds since 1970 say.
    static void putLeapSecond(std::vector<TelemetryPoint>& points);

private:
    struct Segment {
        double seconds;
        double targetKmh;
        double turnDeg;
        bool hardBrake;
        bool noFix;
        bool fiveDecimals;
    };
    Scenario scenario_;
    std::vector<Segment> plan_;
    double startLat_ = 0, startLon_ = 0, startCourse_ = 0;
};
