// DriveModel: simulates a car trip second by second from a scenario (a looping plan
// of segments with a target speed, a turn and events such as hard braking or a
// tunnel without GPS fix). The same scenario and trip start always give the same
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
    // milli-g: x is the camera's vertical axis and carries gravity (1000 at rest) plus
    // the pull of speeding up and braking, y the pull of turns, z road bumps.
    int32_t gsensor[3] = {0, 0, 0};
};

class DriveModel {
public:
    enum class Scenario { Drive, City, NoFix };

    static bool scenarioFromName(const std::string& name, Scenario& out);

    explicit DriveModel(Scenario scenario);

    // Hours that local time (the camera clock) is ahead of UTC at the scenario's place.
    int utcOffsetHours() const;
    // Whether the receiver of this scenario writes minutes with five decimals.
    bool fiveDecimalsThroughout() const { return scenario_ == Scenario::City; }

    // Samples for `count` instants, the first `offset` seconds after the trip start,
    // then every `period` seconds. tripStartUtc anchors the time fields.
    std::vector<TelemetryPoint> run(double tripStartUtc, double offset, size_t count, double period) const;

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
