// Driving events over sample tables: speed changes within a second, horizontal G,
// G-sensor jumps, over-speed stretches, thresholds at their edges, and the forged drive;
// brake applications, disengaged driver assistance and their lanes from what the car reported.
#include "GpsDataHelper.h"
#include "StopStretches.h"
#include "TelemetryEvents.h"
#include "TestSupport.h"

#include <cstdlib>

namespace {

GpsSample fix(int spd, float x = 1, float y = 0, float z = 0)
{
    GpsSample s;
    s.gps_lat = "51.500000";
    s.gps_lgt = "-0.140000";
    s.spd = spd;
    s.gsensor_x = x;
    s.gsensor_y = y;
    s.gsensor_z = z;
    return s;
}

GpsSample noFix(float x = 1)
{
    GpsSample s;
    s.gsensor_x = x;
    return s;
}

std::vector<GpsSample> speeds(std::initializer_list<int> kmh)
{
    std::vector<GpsSample> out;
    for (int v : kmh)
        out.push_back(fix(v));
    return out;
}

struct Row {
    const char *name;
    std::vector<GpsSample> samples;
    EventThresholds thresholds;
    std::vector<TelemetryEvent> expected;
    double duration = 0;   // of the samples; 0: one sample a second
};

using K = EventKind;

EventThresholds overSpeed(double limit)
{
    EventThresholds t;
    t.overSpeedKmh = limit;
    return t;
}

} // namespace

TEST(event_table)
{
    const Row rows[] = {
        {"steady drive gives nothing", speeds({50, 52, 55, 55, 54, 50, 45, 40, 40}), {}, {}},
        {"a stop from 60 in 3 s is one hard braking", speeds({60, 60, 40, 20, 0, 0}), {},
         {{K::HardBraking, 2, 4, 20}}},
        {"drop of 12 within a second is hard braking", speeds({50, 38}), {}, {{K::HardBraking, 1, 1, 12}}},
        {"drop of 11 is not", speeds({50, 39}), {}, {}},
        {"rise of 12 is hard acceleration", speeds({20, 32}), {}, {{K::HardAcceleration, 1, 1, 12}}},
        {"rise of 11 is not", speeds({20, 31}), {}, {}},
        {"the speed threshold is a setting", speeds({50, 42}), {8, 0.4, 1.5, 0}, {{K::HardBraking, 1, 1, 8}}},
        {"no fix reads speed 0 and is not braking",
         {fix(54), noFix(), noFix(), fix(49)}, {}, {}},
        {"harsh G from 0.4 on Y and Z", {fix(40, 1, 0.4f), fix(40, 1, 0.3f, 0.2f), fix(40, 1, 0, -0.45f)}, {},
         {{K::HarshG, 0, 0, double(0.4f)}, {K::HarshG, 2, 2, double(0.45f)}}},
        {"the G threshold is a setting", {fix(40, 1, 0.3f)}, {12, 0.3, 1.5, 0}, {{K::HarshG, 0, 0, double(0.3f)}}},
        {"X carries gravity and braking, not horizontal G", {fix(40, 1.5f), fix(40, 0.3f)}, {}, {}},
        {"impact is a jump of 1.5 g between samples",
         {fix(30, 1), fix(30, 2.5f), fix(30, 1.2f), fix(30, 2.69f)}, {},
         {{K::Impact, 1, 1, 1.5}}},
        {"over-speed is off by default", speeds({130, 140}), {}, {}},
        {"over-speed stretch above the limit", speeds({110, 121, 130, 120, 125}), overSpeed(120),
         {{K::OverSpeed, 1, 2, 130}, {K::OverSpeed, 4, 4, 125}}},
        {"samples two seconds apart: the neighbour counts", speeds({50, 38}), {}, {{K::HardBraking, 2, 2, 12}}, 4},
        {"samples two seconds apart: only the neighbour", speeds({50, 45, 38}), {}, {}, 6},
        {"beyond 16 g is a misread, not harsh G", {fix(40, 16.5f, 0.5f), fix(40, 1, -16.5f)}, {}, {}},
        {"16 g itself is a reading", {fix(40, 16, 0.5f)}, {}, {{K::HarshG, 0, 0, 0.5}}},
        {"no impact to or from a misread", {fix(30, 1), fix(30, -20), fix(30, 1)}, {}, {}},
    };
    for (const Row &r : rows) {
        tst::Row row(r.name);
        const double duration = r.duration > 0 ? r.duration : double(r.samples.size());
        const std::vector<TelemetryEvent> got = TelemetryEvents::detect(r.samples, duration, r.thresholds);
        CHECK_EQ(got.size(), r.expected.size());
        for (size_t i = 0; i < std::min(got.size(), r.expected.size()); ++i) {
            CHECK_EQ(int(got[i].kind), int(r.expected[i].kind));
            CHECK_EQ(got[i].time, r.expected[i].time);
            CHECK_EQ(got[i].endTime, r.expected[i].endTime);
            CHECK_EQ(got[i].strength, r.expected[i].strength);
        }
    }
}

// A sample with what the car reported: speed, brake, driver assistance.
TelemetrySample car(int kmh, bool brake, TelemetrySample::Assistance a = TelemetrySample::Assistance::None)
{
    TelemetrySample t;
    t.speedKmh = kmh;
    TelemetrySample::Vehicle v;
    v.brake = brake;
    v.assistance = a;
    t.vehicle = v;
    return t;
}

TEST(vehicle_event_table)
{
    using A = TelemetrySample::Assistance;
    using V = VehicleEventKind;
    TelemetrySample silent = car(0, false);
    silent.vehicle.reset();
    silent.hasSpeed = false;
    const struct {
        const char *name;
        std::vector<TelemetrySample> samples;
        double duration;
        std::vector<VehicleEvent> events;
        std::vector<VehicleSpan> spans;
    } rows[] = {
        // Four samples a second: the brake from 0.5 s to 1.0 s, the speed dropping 60 -> 48 within a second.
        {"a brake application and its strength",
         {car(60, false), car(60, false), car(58, true), car(54, true), car(48, true), car(48, false)}, 1.5,
         {{V::BrakeApplied, 0.5, 1.0, 12, A::Unknown}},
         {{VehicleSpan::Brake, A::Unknown, 0.5, 1.25}}},
        {"autosteer given up by braking",
         {car(80, false, A::Autosteer), car(80, false, A::Autosteer), car(70, true, A::None), car(60, false, A::None)}, 4,
         {{V::AssistanceDisengaged, 2, 2, 0, A::Autosteer}, {V::BrakeApplied, 2, 2, 10, A::Unknown}},
         {{VehicleSpan::Brake, A::Unknown, 2, 3}, {VehicleSpan::Assistance, A::Autosteer, 0, 2}}},
        {"cruise then autosteer is no disengagement, each its span",
         {car(50, false, A::Cruise), car(70, false, A::Autosteer), car(70, false, A::Autosteer)}, 3, {},
         {{VehicleSpan::Assistance, A::Cruise, 0, 1}, {VehicleSpan::Assistance, A::Autosteer, 1, 3}}},
        {"a frame without the car's message neither ends nor starts anything",
         {car(50, true, A::Cruise), silent, car(50, true, A::Cruise), car(50, false, A::None)}, 4,
         {{V::BrakeApplied, 0, 2, 0, A::Unknown}, {V::AssistanceDisengaged, 3, 3, 0, A::Cruise}},
         {{VehicleSpan::Brake, A::Unknown, 0, 3}, {VehicleSpan::Assistance, A::Cruise, 0, 3}}},
        {"two applications", {car(30, true), car(30, false), car(30, true)}, 3,
         {{V::BrakeApplied, 0, 0, 0, A::Unknown}, {V::BrakeApplied, 2, 2, 0, A::Unknown}},
         {{VehicleSpan::Brake, A::Unknown, 0, 1}, {VehicleSpan::Brake, A::Unknown, 2, 3}}},
        {"no message at all: nothing", {silent, silent}, 2, {}, {}},
    };
    for (const auto &r : rows) {
        tst::Row row(r.name);
        const auto events = TelemetryEvents::vehicleEvents(r.samples.data(), r.samples.size(), r.duration);
        if (CHECK_EQ(events.size(), r.events.size()))
            for (size_t i = 0; i < events.size(); ++i)
                CHECK(events[i] == r.events[i]);
        const auto spans = TelemetryEvents::vehicleSpans(r.samples.data(), r.samples.size(), r.duration);
        if (CHECK_EQ(spans.size(), r.spans.size()))
            for (size_t i = 0; i < spans.size(); ++i)
                CHECK(spans[i] == r.spans[i]);
    }
}

TEST(samples_spread_over_the_duration)
{
    // Two samples a second: the drop from 60 to 48 spans one second (three samples).
    const std::vector<GpsSample> s = speeds({60, 55, 48, 48});
    const auto events = TelemetryEvents::detect(s, 2.0, {});
    CHECK_EQ(events.size(), size_t(1));
    if (!events.empty())
        CHECK_EQ(events[0].time, 1.0);
    // Without a duration, one sample a second.
    CHECK_EQ(TelemetryEvents::sampleTime(3, 4, 2.0), 1.5);
    CHECK_EQ(TelemetryEvents::sampleTime(3, 4, 0.0), 3.0);
    CHECK_EQ(TelemetryEvents::sampleTime(3, 4, -1.0), 3.0);
}

TEST(jumps_land_one_second_before_events)
{
    const std::vector<TelemetryEvent> ev = {{K::HarshG, 0.5, 0.5, 0.5}, {K::HardBraking, 10, 12, 20},
                                            {K::Impact, 30, 30, 2}};
    struct {
        double now, next, previous;
    } rows[] = {
        {0.0, 9.0, -1},       // the first event's landing is clamped to 0, where we are
        {9.0, 29.0, 0.0},     // from a landing on to the next
        {9.4, 29.0, 0.0},
        {8.995, 29.0, 0.0},   // a hair before a landing (where a seek may leave the clock) is on it
        {29.3, -1, 9.0},      // within the grace of a landing: the one before
        {29.6, -1, 29.0},
        {100, -1, 29.0},
    };
    for (const auto &r : rows) {
        tst::Row row("now " + std::to_string(r.now));
        CHECK_EQ(TelemetryEvents::nextJumpTarget(ev, r.now), r.next);
        CHECK_EQ(TelemetryEvents::previousJumpTarget(ev, r.now), r.previous);
    }
    CHECK_EQ(TelemetryEvents::nextJumpTarget({}, 0), -1.0);
}

TEST(forged_drive_has_two_hard_brakings)
{
    const char *dir = std::getenv("VELTRA_SAMPLES");
    const GpsReadResult r = GpsDataHelper::readGpsData(std::string(dir ? dir : "") + "/drive_3min.MOV");
    CHECK_EQ(r.videoDatas.size(), size_t(180));
    std::vector<double> braking;
    for (const TelemetryEvent &e : TelemetryEvents::detect(r.videoDatas, 180.0, {}))
        if (e.kind == K::HardBraking)
            braking.push_back(e.time);
    // The emergency stop from 104 km/h at 1:35, and the last metres of the stop at the
    // end (18 -> 6 km/h at 2:42); the tunnel's lost fix is neither.
    CHECK_EQ(braking.size(), size_t(2));
    if (braking.size() == 2) {
        CHECK_EQ(braking[0], 95.0);
        CHECK_EQ(braking[1], 162.0);
    }
}

namespace {

// A run of `count` samples at `kmh`, G (1, gy, 0); `speed` false: no speed recorded.
void run(std::vector<TelemetrySample> &out, int count, int kmh, float gy = 0, bool speed = true)
{
    for (int i = 0; i < count; ++i) {
        TelemetrySample s;
        s.speedKmh = kmh;
        s.hasSpeed = speed;
        s.gx = 1;
        s.gy = gy;
        out.push_back(s);
    }
}

} // namespace

TEST(stop_stretches_table)
{
    using StopStretches::Stretch;
    struct StopRow {
        const char *name;
        std::vector<TelemetrySample> samples;
        double duration;
        int offsetMs;
        std::vector<Stretch> expected;
    };
    std::vector<StopRow> rows;
    const auto row = [&](const char *name, auto build, double duration, int offsetMs, std::vector<Stretch> expected) {
        StopRow r{name, {}, duration, offsetMs, std::move(expected)};
        build(r.samples);
        rows.push_back(std::move(r));
    };
    row("a stop of 20 s between drives", [](auto &s) { run(s, 10, 40); run(s, 20, 0); run(s, 30, 35); }, 60, 0,
        {{10, 30}});
    row("10 s exactly is left alone", [](auto &s) { run(s, 10, 40); run(s, 10, 0); run(s, 10, 40); }, 30, 0, {});
    row("GPS wander of 1 km/h still stands", [](auto &s) { run(s, 5, 0); run(s, 10, 1); run(s, 5, 2); }, 20, 0,
        {{0, 15}});
    row("a jolt at rest splits the stop", [](auto &s) { run(s, 12, 0); run(s, 1, 0, 0.5f); run(s, 14, 0, 0.5f); }, 27, 0,
        {{0, 12}, {12, 27}});
    row("no speed recorded is never still", [](auto &s) { run(s, 30, 0, 0, false); }, 30, 0, {});
    row("two samples a second", [](auto &s) { run(s, 10, 50); run(s, 40, 0); run(s, 10, 50); }, 30, 0, {{5, 25}});
    row("a stop to the end of the clip", [](auto &s) { run(s, 5, 30); run(s, 55, 0); }, 60, 0, {{5, 60}});
    row("telemetry 2 s later than the picture", [](auto &s) { run(s, 10, 40); run(s, 20, 0); run(s, 10, 40); }, 40,
        2000, {{8, 28}});
    row("no duration", [](auto &s) { run(s, 30, 0); }, 0, 0, {});
    for (const StopRow &r : rows) {
        const std::vector<Stretch> got = StopStretches::of(r.samples, r.duration, r.offsetMs);
        if (!CHECK_EQ(got.size(), r.expected.size()))
            std::fprintf(stderr, "  row: %s\n", r.name);
        for (size_t i = 0; i < std::min(got.size(), r.expected.size()); ++i)
            if (!CHECK(got[i] == r.expected[i]))
                std::fprintf(stderr, "  row: %s: stretch %zu is %g..%g\n", r.name, i, got[i].start, got[i].end);
    }

    // Play entering a stop jumps to a second before the car moves; a seek into it, a
    // reverse rate or the last second of it do not.
    const std::vector<Stretch> stops{{10, 250}, {300, 320}};
    struct SkipRow {
        const char *name;
        double from, to, rate;
        std::optional<double> target;
    };
    const SkipRow skips[] = {
        {"playing into the stop", 9.8, 10.1, 1, 249},
        {"a second in, from its start", 10, 11, 1, 249},
        {"60x, a tick 6 s into it", 5, 11, 60, 249},
        {"sought into the middle", 100, 100.2, 1, std::nullopt},
        {"reverse play", 9.8, 10.1, -1, std::nullopt},
        {"paused", 9.8, 10.1, 0, std::nullopt},
        {"landed one second before its end", 249, 249.2, 1, std::nullopt},
        {"the second stop", 299.9, 300.1, 2, 319},
        {"between stops", 260, 261, 1, std::nullopt},
    };
    for (const SkipRow &r : skips)
        if (!CHECK(StopStretches::skipTarget(stops, r.from, r.to, r.rate) == r.target))
            std::fprintf(stderr, "  row: %s\n", r.name);
}

TEST_MAIN()
