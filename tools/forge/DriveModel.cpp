#include "DriveModel.h"

#include <algorithm>
#include <cerrno>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kGravity = 9.80665;
constexpr double kStep = 0.1; // integration step, seconds
constexpr double kMetresPerDegree = 111320.0;

// Deterministic noise: a hash of the step number, uniform in [-1, 1].
double noise(uint64_t n, uint64_t stream)
{
    uint64_t z = n * 0x9E3779B97F4A7C15ull + stream * 0xD1B54A32D192ED03ull + 0x632BE59BD9B4E019ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return static_cast<double>(z >> 11) / static_cast<double>(1ull << 52) - 1.0;
}

} // namespace

bool DriveModel::scenarioFromName(const std::string& name, Scenario& out)
{
    if (name == "drive")
        out = Scenario::Drive;
    else if (name == "city")
        out = Scenario::City;
    else if (name == "nofix")
        out = Scenario::NoFix;
    else if (name == "parked")
        out = Scenario::Parked;
    else
        return false;
    return true;
}

DriveModel::DriveModel(Scenario scenario)
    : scenario_(scenario)
{
    switch (scenario) {
    case Scenario::Drive:
        // West London towards the west: streets, an arterial road, a tunnel.
        startLat_ = 51.501364;
        startLon_ = -0.141890;
        startCourse_ = 250;
        plan_ = {
            {4, 0, 0, false, false, false},
            {12, 45, 0, false, false, false},
            {6, 25, 90, false, false, false},
            {14, 55, 0, false, false, false},
            {8, 40, -35, false, false, false},
            {16, 70, 0, false, false, false},
            {10, 95, 15, false, false, false},
            {18, 112, 0, false, false, false},
            {6, 105, -20, false, false, false},
            {3, 15, 0, true, false, false},
            {8, 30, 0, false, false, false},
            {15, 60, 90, false, false, false},
            {5, 55, 0, false, false, false},
            {15, 50, 0, false, true, false},
            {10, 50, 20, false, false, true},
            {10, 30, 90, false, false, true},
            {20, 0, 0, false, false, true},
        };
        break;
    case Scenario::City:
        // Shanghai, around the Bund: stop and go with many turns.
        startLat_ = 31.238600;
        startLon_ = 121.490300;
        startCourse_ = 180;
        plan_ = {
            {5, 0, 0, false, false, true},
            {10, 40, 0, false, false, true},
            {5, 20, -90, false, false, true},
            {12, 50, 0, false, false, true},
            {6, 0, 0, false, false, true},
            {8, 35, 0, false, false, true},
            {5, 18, 90, false, false, true},
            {14, 55, 0, false, false, true},
            {3, 10, 0, true, false, true},
            {7, 30, 0, false, false, true},
            {5, 20, 90, false, false, true},
            {20, 45, 10, false, false, true},
        };
        break;
    case Scenario::NoFix:
        // An underground car park: slow, no satellites at all.
        startLat_ = 51.507000;
        startLon_ = -0.127000;
        startCourse_ = 0;
        plan_ = {
            {6, 0, 0, false, true, false},
            {8, 12, 0, false, true, false},
            {6, 8, 90, false, true, false},
            {10, 15, 0, false, true, false},
            {5, 0, 0, false, true, false},
        };
        break;
    case Scenario::Parked:
        // A car park off Hyde Park Corner: the car stands with a fix all along.
        startLat_ = 51.502500;
        startLon_ = -0.150300;
        startCourse_ = 90;
        plan_ = {
            {60, 0, 0, false, false, false},
        };
        break;
    }
}

int DriveModel::utcOffsetHours() const
{
    return scenario_ == Scenario::City ? 8 : 0;
}

std::vector<TelemetryPoint> DriveModel::run(double tripStartUtc, double offset, size_t count, double period) const
{
    std::vector<TelemetryPoint> out;
    out.reserve(count);
    double lat = startLat_, lon = startLon_, course = startCourse_;
    double v = 0; // m/s
    double longAccel = 0, latAccel = 0;
    uint64_t step = 0;
    size_t segIndex = 0;
    double segStart = 0;

    auto segmentAt = [&](double t) -> const Segment& {
        while (t >= segStart + plan_[segIndex].seconds - 1e-9) {
            segStart += plan_[segIndex].seconds;
            segIndex = (segIndex + 1) % plan_.size();
        }
        return plan_[segIndex];
    };

    for (size_t i = 0; i < count; ++i) {
        const double sampleTime = offset + static_cast<double>(i) * period;
        // Advance the car to the sample time.
        while (static_cast<double>(step) * kStep < sampleTime - 1e-9) {
            const double t = static_cast<double>(step) * kStep;
            const Segment& seg = segmentAt(t);
            const double target = seg.targetKmh / 3.6;
            double accel = 0;
            if (v < target)
                accel = std::min(2.4, (target - v) / kStep);
            else if (v > target)
                accel = -std::min(seg.hardBrake ? 9.5 : 3.2, (v - target) / kStep);
            const double turnRate = seg.turnDeg / seg.seconds; // deg/s
            v = std::max(0.0, v + accel * kStep);
            if (v > 0.5)
                course = std::fmod(course + turnRate * kStep + 360.0, 360.0);
            const double dist = v * kStep;
            lat += dist * std::cos(course * kPi / 180) / kMetresPerDegree;
            lon += dist * std::sin(course * kPi / 180) / (kMetresPerDegree * std::cos(lat * kPi / 180));
            longAccel = accel;
            latAccel = v > 0.5 ? v * turnRate * kPi / 180 : 0;
            ++step;
        }
        const Segment& seg = segmentAt(sampleTime);

        TelemetryPoint p;
        p.utc = tripStartUtc + sampleTime;
        p.fix = !seg.noFix;
        p.latitude = lat;
        p.longitude = lon;
        p.speedKmh = v * 3.6;
        p.courseDeg = course;
        p.stopped = v < 0.1;
        p.fiveDecimals = seg.fiveDecimals;
        // Road noise grows with speed; the sensor sits still when the car does.
        // Gravity lies on x, the camera's vertical axis: 1 g at rest, which the
        // player shows as 0 (it takes one g off X).
        const double rough = 8 + 0.35 * v * 3.6;
        const uint64_t n = step;
        p.gsensor[0] = static_cast<int32_t>(std::lround(1000 + longAccel / kGravity * 1000 + rough * 0.5 * noise(n, 1)));
        p.gsensor[1] = static_cast<int32_t>(std::lround(latAccel / kGravity * 1000 + rough * 0.5 * noise(n, 2)));
        p.gsensor[2] = static_cast<int32_t>(std::lround(rough * noise(n, 3)));
        if (scenario_ == Scenario::Parked && std::fmod(sampleTime, plan_.front().seconds) >= kParkedBumpAt
            && std::fmod(sampleTime, plan_.front().seconds) < kParkedBumpAt + period)
            p.gsensor[2] += kBumpMilliG;
        out.push_back(p);
    }
    return out;
}

namespace {

void moveEast(TelemetryPoint& p, double metres)
{
    p.longitude += metres / (kMetresPerDegree * std::cos(p.latitude * kPi / 180));
}

} // namespace

GlitchTruth DriveModel::putGlitches(std::vector<TelemetryPoint>& points)
{
    GlitchTruth truth;
    if (points.size() < kGlitchSamples)
        return truth;
    moveEast(points[12], 3000);
    truth.positions.push_back(12);
    const double run[] = {2500, -1800, 4200};
    for (size_t k = 0; k < 3; ++k) {
        moveEast(points[30 + k], run[k]);
        truth.positions.push_back(30 + k);
    }
    points[45].speedKmh = 340;
    points[45].stopped = false;
    truth.speeds.push_back(45);
    return truth;
}

void DriveModel::putLeapSecond(std::vector<TelemetryPoint>& points)
{
    if (points.empty())
        return;
    const double midnight = std::ceil(points.front().utc / 86400.0) * 86400.0;
    for (TelemetryPoint& p : points) {
        if (p.utc < midnight)
            continue;
        p.utc -= 1;
        p.leapSecond = p.utc < midnight;
    }
}
