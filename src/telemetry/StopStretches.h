// Where the car stands still in a clip, and what Skip Stops jumps over: stretches of
// more than ten seconds in which every sample reads (next to) no speed and the G-sensor
// stays quiet. A sample the camera gave no speed for, or a speed glitch, is never still:
// what is not known is never skipped.
#pragma once

#include <optional>
#include <vector>

struct TelemetrySample;

namespace StopStretches {

struct Stretch {
    double start = 0;   // seconds of the clip's picture
    double end = 0;
    double seconds() const { return end - start; }
    bool operator==(const Stretch &o) const { return start == o.start && end == o.end; }
};

// Readings up to this speed count as standing: GPS speed wanders by a km/h at rest.
constexpr int kStillKmh = 1;
// The G-sensor is quiet while no axis moves by more than this from one sample to the next.
constexpr double kQuietG = 0.1;
// Stretches this long or shorter are left alone.
constexpr double kMinSeconds = 10;
// A skip lands this long before the car moves again, so that its start is seen.
constexpr double kLeadIn = 1;

// The stretches of `samples` spread evenly over `duration` seconds (sample i from
// i·duration/n), in the picture's time when the telemetry is moved `offsetMs` against
// it (the picture at t shows the sample of t + offset), within [0, duration].
std::vector<Stretch> of(const std::vector<TelemetrySample> &samples, double duration, int offsetMs = 0,
                        double minSeconds = kMinSeconds);

// Where play that went on from `from` to `to` (no seek between, at `rate`) jumps: to
// kLeadIn before the end of the stretch it has just entered. Nothing at a rate that is
// not forward, when the stretch was entered by a seek (play began more than a second
// into it) or when less than the lead-in is left of it.
std::optional<double> skipTarget(const std::vector<Stretch> &stretches, double from, double to, double rate);

} // namespace StopStretches
