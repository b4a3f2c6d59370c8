// A clip's time: the GPS's UTC start and the camera clock's error, with a stated outcome
// for each kind of bad time, one table row each.
#include "TestSupport.h"

#include "CameraClock.h"
#include "ClipTime.h"

namespace {

using O = ClockReading::Outcome;

int64_t at(int y, int mo, int d, int h, int mi, int s)
{
    return ClipTime::toMs(CivilTime{y, mo, d, h, mi, s});
}

// Ten samples over ten seconds, fixes with UTC from `first` on unless told otherwise.
std::vector<TelemetrySample> clip(std::optional<int64_t> first, size_t firstFix = 0)
{
    std::vector<TelemetrySample> out(10);
    for (size_t i = 0; i < out.size(); ++i) {
        out[i].hasFix = i >= firstFix;
        if (first && i >= firstFix)
            out[i].utcMs = *first + int64_t(i) * 1000;
    }
    return out;
}

} // namespace

TEST(clock_readings)
{
    const int64_t now = at(2026, 12, 9, 12, 0, 0);
    const int64_t gps = at(2026, 11, 8, 8, 30, 0);
    struct Row {
        const char *name;
        std::optional<int64_t> camera;
        std::vector<TelemetrySample> samples;
        O outcome;
        std::optional<int64_t> utcStart, error;
    } rows[] = {
        {"an hour and four seconds ahead", at(2026, 11, 8, 9, 30, 4), clip(gps), O::Measured, gps, 3604000},
        {"behind", gps - 90000, clip(gps), O::Measured, gps, -90000},
        {"first fix late in the clip", gps + 4000, clip(gps, 4), O::Measured, gps, 4000},
        {"no fix at all", gps, clip(std::nullopt, 10), O::NoFix, std::nullopt, std::nullopt},
        {"fixes without a date", gps, clip(std::nullopt), O::NoGpsDate, std::nullopt, std::nullopt},
        {"a week rollover: 1024 weeks before the camera's clock", gps + 2000, clip(gps - CameraClock::kRolloverMs),
         O::RolloverCorrected, gps, 2000},
        {"a week rollover: a date before 2000", std::nullopt, clip(at(1999, 3, 1, 0, 0, 0)), O::NoCameraTime,
         at(1999, 3, 1, 0, 0, 0) + CameraClock::kRolloverMs, std::nullopt},
        {"a date before 2000 that no rollover explains", gps, clip(at(1975, 1, 1, 0, 0, 0)), O::GpsDateImplausible,
         std::nullopt, std::nullopt},
        {"a date in the future", gps, clip(at(2031, 1, 1, 0, 0, 0)), O::GpsDateImplausible, std::nullopt, std::nullopt},
        {"camera clock at its factory time", at(2000, 1, 1, 0, 0, 5), clip(gps), O::CameraClockUnset, gps,
         std::nullopt},
        {"no camera time", std::nullopt, clip(gps), O::NoCameraTime, gps, std::nullopt},
    };
    for (const Row &r : rows) {
        tst::Row row(r.name);
        const ClockReading c = CameraClock::read(r.camera, r.samples, 10.0, now);
        CHECK(c.outcome == r.outcome);
        CHECK(c.utcStartMs == r.utcStart);
        CHECK(c.errorMs == r.error);
    }
    // A leap second's :60 cannot be read as a time: the next sample's time is used.
    std::vector<TelemetrySample> leap = clip(std::nullopt);
    leap[0].utcMs = ClipTime::sentenceMs(SentenceTime{"235960", "311216"});
    leap[1].utcMs = ClipTime::sentenceMs(SentenceTime{"000000", "010117"});
    const ClockReading c = CameraClock::read(std::nullopt, leap, 10.0, now);
    CHECK(c.utcStartMs == std::optional<int64_t>(at(2017, 1, 1, 0, 0, 0) - 1000));
}

TEST(trip_error_is_the_median)
{
    CHECK(CameraClock::tripError({}) == std::nullopt);
    CHECK(CameraClock::tripError({std::nullopt, 3604000}) == std::optional<int64_t>(3604000));
    CHECK(CameraClock::tripError({3604000, 3603000, -50000000, std::nullopt}) == std::optional<int64_t>(3603000));
}

TEST_MAIN()
