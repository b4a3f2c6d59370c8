#include "TelemetryEvents.h"

#include <algorithm>
#include <cmath>

namespace TelemetryEvents {

namespace {

constexpr double kMaxPlausibleG = 16.0;

bool plausibleG(const GpsSample &s)
{
    for (float v : {s.gsensor_x, s.gsensor_y, s.gsensor_z})
        if (!std::isfinite(v) || std::fabs(v) > kMaxPlausibleG)
            return false;
    return true;
}

// Collects flagged samples of one kind into events: a flagged sample that directly
// follows the previous flagged one (by index) extends its event.
class RunCollector {
public:
    RunCollector(EventKind kind, std::vector<TelemetryEvent> &out) : kind_(kind), out_(out) {}

    void flag(std::size_t index, double time, double strength)
    {
        if (open_ && index == last_ + 1) {
            TelemetryEvent &e = out_.back();
            e.endTime = time;
            e.strength = std::max(e.strength, strength);
        } else {
            out_.push_back({kind_, time, time, strength});
        }
        open_ = true;
        last_ = index;
    }

private:
    EventKind kind_;
    std::vector<TelemetryEvent> &out_;
    bool open_ = false;
    std::size_t last_ = 0;
};

} // namespace

double sampleTime(std::size_t i, std::size_t count, double duration)
{
    if (duration > 0 && count > 0)
        return double(i) * duration / double(count);
    return double(i);
}

double pictureTime(double sampleSeconds, int offsetMs)
{
    return sampleSeconds - double(offsetMs) / 1000.0;
}

double horizontalG(const GpsSample &s)
{
    const double y = s.gsensor_y, z = s.gsensor_z;
    return std::sqrt(y * y + z * z);
}

bool hasFix(const GpsSample &s)
{
    return !s.gps_lat.empty() && !s.gps_lgt.empty();
}

std::vector<TelemetryEvent> detect(const GpsSample *samples, std::size_t count, double duration,
                                   const EventThresholds &th)
{
    std::vector<TelemetryEvent> braking, accel, harsh, impact, over;
    RunCollector brakeRun(EventKind::HardBraking, braking), accelRun(EventKind::HardAcceleration, accel),
        harshRun(EventKind::HarshG, harsh), impactRun(EventKind::Impact, impact),
        overRun(EventKind::OverSpeed, over);
    if (!samples || count == 0)
        return {};

    // "Within one second": samples up to a second apart, and always the neighbour
    // when the samples come less often than once a second.
    const double period = sampleTime(1, count, duration) - sampleTime(0, count, duration);
    const double window = std::max(1.0, period) + 1e-9;
    const bool overOn = th.overSpeedKmh > 0;

    for (std::size_t j = 0; j < count; ++j) {
        const GpsSample &s = samples[j];
        const double t = sampleTime(j, count, duration);

        if (hasFix(s)) {
            int drop = 0, rise = 0;
            for (std::size_t i = j; i-- > 0;) {
                if (t - sampleTime(i, count, duration) > window)
                    break;
                if (!hasFix(samples[i]))
                    continue;
                drop = std::max(drop, samples[i].spd - s.spd);
                rise = std::max(rise, s.spd - samples[i].spd);
            }
            if (drop > 0 && double(drop) >= th.speedChangeKmh)
                brakeRun.flag(j, t, drop);
            if (rise > 0 && double(rise) >= th.speedChangeKmh)
                accelRun.flag(j, t, rise);
            if (overOn && double(s.spd) > th.overSpeedKmh)
                overRun.flag(j, t, s.spd);
        }

        if (plausibleG(s)) {
            const double h = horizontalG(s);
            if (h >= th.harshG)
                harshRun.flag(j, t, h);
            if (j > 0 && plausibleG(samples[j - 1])) {
                const GpsSample &p = samples[j - 1];
                const double dx = double(s.gsensor_x) - p.gsensor_x, dy = double(s.gsensor_y) - p.gsensor_y,
                             dz = double(s.gsensor_z) - p.gsensor_z;
                const double jump = std::sqrt(dx * dx + dy * dy + dz * dz);
                if (jump >= th.impactG)
                    impactRun.flag(j, t, jump);
            }
        }
    }

    std::vector<TelemetryEvent> all;
    all.reserve(braking.size() + accel.size() + harsh.size() + impact.size() + over.size());
    for (auto *list : {&braking, &accel, &harsh, &impact, &over})
        all.insert(all.end(), list->begin(), list->end());
    // Events of one kind never share a start time, so (time, kind) orders them all.
    std::sort(all.begin(), all.end(), [](const TelemetryEvent &a, const TelemetryEvent &b) {
        return a.time != b.time ? a.time < b.time : int(a.kind) < int(b.kind);
    });
    return all;
}

namespace {

bool engaged(TelemetrySample::Assistance a)
{
    using A = TelemetrySample::Assistance;
    return a == A::SelfDriving || a == A::Autosteer || a == A::Cruise;
}

// The largest drop of speed from any sample up to a second before `j` to `j`.
double dropInto(const TelemetrySample *samples, std::size_t count, double duration, std::size_t j)
{
    if (!samples[j].hasSpeed)
        return 0;
    const double t = sampleTime(j, count, duration);
    double drop = 0;
    for (std::size_t i = j; i-- > 0 && t - sampleTime(i, count, duration) <= 1.0 + 1e-9;)
        if (samples[i].hasSpeed)
            drop = std::max(drop, double(samples[i].speedKmh - samples[j].speedKmh));
    return drop;
}

} // namespace

std::vector<VehicleEvent> vehicleEvents(const TelemetrySample *samples, std::size_t count, double duration)
{
    std::vector<VehicleEvent> out;
    const TelemetrySample::Vehicle *last = nullptr;
    std::size_t braking = 0;   // the open brake event, 1-based; 0 when the brake is off
    for (std::size_t j = 0; samples && j < count; ++j) {
        if (!samples[j].vehicle)
            continue;
        const TelemetrySample::Vehicle &v = *samples[j].vehicle;
        const double t = sampleTime(j, count, duration);
        if (last && engaged(last->assistance) && v.assistance == TelemetrySample::Assistance::None)
            out.push_back({VehicleEventKind::AssistanceDisengaged, t, t, 0.0, last->assistance});
        if (v.brake && !braking) {
            out.push_back({VehicleEventKind::BrakeApplied, t, t, 0.0, TelemetrySample::Assistance::Unknown});
            braking = out.size();
        }
        if (v.brake) {
            VehicleEvent &e = out[braking - 1];
            e.endTime = t;
            e.strength = std::max(e.strength, dropInto(samples, count, duration, j));
        } else {
            braking = 0;
        }
        last = &v;
    }
    return out;
}

std::vector<VehicleSpan> vehicleSpans(const TelemetrySample *samples, std::size_t count, double duration)
{
    std::vector<VehicleSpan> brake, assistance;
    // Whether the last sample with what the car reported is in the lane's last span.
    bool braking = false;
    TelemetrySample::Assistance engagedAs = TelemetrySample::Assistance::Unknown;
    for (std::size_t j = 0; samples && j < count; ++j) {
        if (!samples[j].vehicle)
            continue;
        const TelemetrySample::Vehicle &v = *samples[j].vehicle;
        const double t = sampleTime(j, count, duration), next = sampleTime(j + 1, count, duration);
        if (v.brake && braking)
            brake.back().end = next;
        else if (v.brake)
            brake.push_back({VehicleSpan::Brake, TelemetrySample::Assistance::Unknown, t, next});
        braking = v.brake;
        if (engaged(v.assistance) && v.assistance == engagedAs)
            assistance.back().end = next;
        else if (engaged(v.assistance))
            assistance.push_back({VehicleSpan::Assistance, v.assistance, t, next});
        engagedAs = engaged(v.assistance) ? v.assistance : TelemetrySample::Assistance::Unknown;
    }
    brake.insert(brake.end(), assistance.begin(), assistance.end());
    return brake;
}

double nextJumpTarget(const std::vector<TelemetryEvent> &events, double now)
{
    for (const TelemetryEvent &e : events) {
        const double target = std::max(0.0, e.time - 1.0);
        if (target > now + 0.01)
            return target;
    }
    return -1.0;
}

double previousJumpTarget(const std::vector<TelemetryEvent> &events, double now, double grace)
{
    for (auto it = events.rbegin(); it != events.rend(); ++it) {
        const double target = std::max(0.0, it->time - 1.0);
        if (target < now - grace)
            return target;
    }
    return -1.0;
}

} // namespace TelemetryEvents
