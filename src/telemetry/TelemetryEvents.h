// Driving events found in a file's samples: hard braking and hard acceleration from
// the GPS speed, harsh horizontal G, impacts, and stretches above a speed limit.
// A pure function over the sample list and the time it spans, so that one file or a
// whole trip can be scanned the same way.
#pragma once

#include "GpsSample.h"

#include <cstddef>
#include <vector>

struct EventThresholds {
    double speedChangeKmh = 12.0;   // hard braking / acceleration: change within one second
    double harshG = 0.4;            // horizontal G (Y and Z axes)
    double impactG = 1.5;           // G-sensor jump between two samples
    double overSpeedKmh = 0.0;      // over-speed limit; 0 or less turns it off
};

// The last two come from what the car reported (vehicleEvents), for the lists that show
// them beside the others.
enum class EventKind { HardBraking, HardAcceleration, HarshG, Impact, OverSpeed, BrakeApplied, AssistanceDisengaged };

// What the car itself reported (TelemetrySample::vehicle), for the clips that have it.
enum class VehicleEventKind { AssistanceDisengaged, BrakeApplied };

struct VehicleEvent {
    VehicleEventKind kind = VehicleEventKind::BrakeApplied;
    double time = 0.0;      // seconds into the samples' time span: the first sample of it
    double endTime = 0.0;   // the last sample with the brake applied (== time for a disengagement)
    // BrakeApplied: the largest drop of speed within one second while the brake was
    // applied, km/h per second (as hard braking), 0 when no speed was recorded.
    double strength = 0.0;
    // AssistanceDisengaged: the state that gave up.
    TelemetrySample::Assistance from = TelemetrySample::Assistance::Unknown;

    bool operator==(const VehicleEvent &o) const
    {
        return kind == o.kind && time == o.time && endTime == o.endTime && strength == o.strength && from == o.from;
    }
};

// A stretch of the timeline in one state, for the lanes of brake and driver assistance.
struct VehicleSpan {
    enum Lane { Brake, Assistance } lane = Brake;
    TelemetrySample::Assistance assistance = TelemetrySample::Assistance::Unknown;   // Assistance lane
    double start = 0.0, end = 0.0;   // seconds; end is where the next sample starts
    bool operator==(const VehicleSpan &o) const
    {
        return lane == o.lane && assistance == o.assistance && start == o.start && end == o.end;
    }
};

struct TelemetryEvent {
    EventKind kind = EventKind::HardBraking;
    double time = 0.0;      // seconds into the samples' time span, where it shows first
    double endTime = 0.0;   // where it shows last (== time for a single sample)
    // km/h per second for braking, acceleration and brake applications, g for harsh G and
    // impacts, the highest km/h for over-speed; 0 for a disengagement.
    double strength = 0.0;

    bool operator==(const TelemetryEvent &o) const
    {
        return kind == o.kind && time == o.time && endTime == o.endTime && strength == o.strength;
    }
};

namespace TelemetryEvents {

// The time of sample `i` of `count` spread evenly over `duration` seconds (one sample
// a second when the duration is unknown).
double sampleTime(std::size_t i, std::size_t count, double duration);

// Where the sample of `sampleSeconds` shows on the picture when the telemetry is moved
// `offsetMs` against it (the picture at t shows the sample of t + offset); with the
// offset negated, the sample's time of a picture's.
double pictureTime(double sampleSeconds, int offsetMs);

// Horizontal G of a sample: the length of its Y and Z readings.
double horizontalG(const GpsSample &s);

// Whether a sample has a position fix (its speed is only meaningful then).
bool hasFix(const GpsSample &s);

// Every event in `samples`, ordered by time (kinds in enum order at equal times).
// Samples of one kind that follow each other make one event, with its strongest value.
// Speed events use only samples with a fix; a sample outside +-16 g on any axis is
// taken as a misread and skipped for G events.
std::vector<TelemetryEvent> detect(const GpsSample *samples, std::size_t count, double duration,
                                   const EventThresholds &thresholds);

// Where a jump to the next / previous event lands from `now`: one second before the
// event (not before 0). The next is the first landing after `now`; the previous the
// last landing more than `grace` seconds before `now`, so that a press while playing
// on from a landing goes on to the event before. -1 when there is none.
double nextJumpTarget(const std::vector<TelemetryEvent> &events, double now);
double previousJumpTarget(const std::vector<TelemetryEvent> &events, double now, double grace = 0.5);

// The brake applications and the disengagements of driver assistance in `samples`
// (a change from self-driving, autosteer or cruise to none), ordered by time. Samples
// without what the car reported are stepped over: they neither end nor start anything.
std::vector<VehicleEvent> vehicleEvents(const TelemetrySample *samples, std::size_t count, double duration);
// The spans with the brake applied, then those with driver assistance engaged (each
// state a span of its own), each lane in time order.
std::vector<VehicleSpan> vehicleSpans(const TelemetrySample *samples, std::size_t count, double duration);

inline std::vector<TelemetryEvent> detect(const std::vector<GpsSample> &samples, double duration,
                                          const EventThresholds &thresholds)
{
    return detect(samples.data(), samples.size(), duration, thresholds);
}

} // namespace TelemetryEvents
