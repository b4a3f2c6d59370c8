// A clip's time: the GPS's UTC start and the camera clock's error, with a stated outcome
// for each kind of bad time, one table row each.
#include "TestSupport.h"

#include "CameraClock.h"
#include "ClipTime.h"
#include "GpsDataHelper.h"
#include "MovieDuration.h"

#include <chrono>
#include <cstdlib>

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

TEST(clip_clocks)
{
    const int64_t now = at(2026, 12, 9, 12, 0, 0);
    const int64_t gps = at(2026, 11, 8, 8, 30, 0);
    const int64_t camera = gps + 3604000;
    using S = ClipClock::Source;
    using T = std::optional<int64_t>;
    struct Row {
        const char *name;
        std::string path;
        T created;   // the movie header's time
        std::vector<TelemetrySample> samples;
        double duration;
        S source, cameraSource;
        T utcStart, error, utcOfFourth, cameraOfFourth;
    } rows[] = {
        {"the name an hour and four seconds ahead of the GPS", "/card/2026_1108_093004_001.MOV", std::nullopt,
         clip(gps), 10.0, S::Gps, S::Name, gps, 3604000, gps + 3000, camera + 3000},
        {"the movie header when the name has no time", "CLIP0001.MOV", camera, clip(gps), 10.0, S::Gps, S::Movie,
         gps, 3604000, gps + 3000, camera + 3000},
        {"the name before the movie header", "2026_1108_093004_001.MOV", camera + 7000, clip(gps), 10.0, S::Gps,
         S::Name, gps, 3604000, gps + 3000, camera + 3000},
        {"no fix: the camera's time alone", "2026_1108_093004_001.MOV", std::nullopt, clip(std::nullopt, 10), 10.0,
         S::Name, S::Name, std::nullopt, std::nullopt, std::nullopt, camera + 3000},
        {"no fix and no camera time", "CLIP0001.MOV", std::nullopt, clip(std::nullopt, 10), 10.0, S::None, S::None,
         std::nullopt, std::nullopt, std::nullopt, std::nullopt},
        {"a week rollover: every sample's time put right", "2026_1108_083002_001.MOV", std::nullopt,
         clip(gps - CameraClock::kRolloverMs), 10.0, S::Gps, S::Name, gps, 2000, gps + 3000, gps + 5000},
        {"samples half a second apart", "2026_1108_093004_001.MOV", std::nullopt, clip(std::nullopt, 10), 5.0,
         S::Name, S::Name, std::nullopt, std::nullopt, std::nullopt, camera + 1500},
        {"a factory clock: UTC from the GPS, no error", "2000_0101_000000_001.MOV", std::nullopt, clip(gps), 10.0,
         S::Gps, S::Name, gps, std::nullopt, gps + 3000, at(2000, 1, 1, 0, 0, 3)},
    };
    for (const Row &r : rows) {
        tst::Row row(r.name);
        const ClipClock c = CameraClock::ofClip(r.path, r.samples, r.duration, r.created, now);
        CHECK(c.source == r.source);
        CHECK(c.cameraSource == r.cameraSource);
        CHECK(c.utcStartMs == r.utcStart);
        CHECK(c.errorMs == r.error);
        CHECK(c.sampleUtc(r.samples, 3) == r.utcOfFourth);
        CHECK(c.sampleCamera(r.samples, 3) == r.cameraOfFourth);
        CHECK(c.startMs() == (r.utcStart ? r.utcStart : c.cameraStartMs));
    }
}

// A card whose camera runs an hour and four seconds ahead: the clips without a fix take
// the error of their trip, else of the nearest trip, and trips and channels then line
// up on true time.
TEST(errors_are_shared_between_clips)
{
    const int64_t now = at(2026, 12, 9, 12, 0, 0);
    struct Clip {
        const char *name;
        std::optional<int64_t> gps;   // the first fix's UTC; nothing: no fix
        std::optional<int64_t> utcStart;
        bool borrowed;
    } card[] = {
        {"2026_1108_093004_001F.MOV", at(2026, 11, 8, 8, 30, 0), at(2026, 11, 8, 8, 30, 0), false},
        {"2026_1108_093014_002F.MOV", at(2026, 11, 8, 8, 30, 10), at(2026, 11, 8, 8, 30, 10), false},
        {"2026_1108_093024_003F.MOV", std::nullopt, at(2026, 11, 8, 8, 30, 20), true},
        {"2026_1108_093004_001R.MOV", std::nullopt, at(2026, 11, 8, 8, 30, 0), true},   // the nearest trip's
        // The camera was set again in between: an hour ahead from here on.
        {"2026_1108_120000_004F.MOV", at(2026, 11, 8, 11, 0, 0), at(2026, 11, 8, 11, 0, 0), false},
        {"2026_1108_120010_005F.MOV", std::nullopt, at(2026, 11, 8, 11, 0, 10), true},   // its own trip's
        {"2000_0101_000000_006F.MOV", std::nullopt, std::nullopt, false},               // a factory clock
        {"CLIP0007.MOV", std::nullopt, std::nullopt, false},
        // A copy of the first clip under a later name: its fix says 08:30, its name 09:45.
        {"2026_1108_094500_008F.MOV", at(2026, 11, 8, 8, 30, 0), at(2026, 11, 8, 8, 30, 0), false},
    };
    std::vector<TripClip> clips;
    std::vector<ClipClock> clocks;
    for (const Clip &c : card) {
        const auto named = ClipTime::fromFileName(c.name);
        clips.push_back(TripClip{c.name, named ? std::optional<int64_t>(ClipTime::toMs(*named)) : std::nullopt, 10000,
                                 ClipTime::channel(c.name)});
        clocks.push_back(CameraClock::ofClip(c.name, clip(c.gps, c.gps ? 0 : 10), 10.0, std::nullopt, now));
    }
    const std::vector<TripClip> before = CameraClock::correctedStarts(clips, clocks);
    CameraClock::shareErrors(clocks, clips);
    for (size_t i = 0; i < clips.size(); ++i) {
        tst::Row row(card[i].name);
        CHECK(clocks[i].utcStartMs == card[i].utcStart);
        CHECK_EQ(clocks[i].errorFromOtherClips, card[i].borrowed);
        CHECK(before[i].startMs == (card[i].gps ? card[i].gps : clips[i].startMs));   // nothing shared yet
    }
    CHECK(clocks[2].source == ClipClock::Source::Name);
    CHECK(clocks[2].errorMs == std::optional<int64_t>(3604000));
    CHECK(clocks[5].errorMs == std::optional<int64_t>(3600000));
    CHECK(CameraClock::sourceName(clocks[2].source) == std::string("name"));
    CHECK(CameraClock::outcomeName(clocks[2].reading.outcome) == std::string("no-fix"));

    // Grouped on the camera's clock, ordered on true time: the copy stays a trip of its
    // own, the rear meets the front at 08:30.
    std::vector<std::optional<int64_t>> errors;
    const std::vector<Trip> trips = CameraClock::trueTimeTrips(clips, clocks, kDefaultTripGapMs, &errors);
    CHECK_EQ(trips.size(), size_t(6));
    if (trips.size() == 6) {
        CHECK(trips[0].clips == (std::vector<size_t>{6}));   // 2000: first in time
        CHECK(trips[1].clips == (std::vector<size_t>{0, 1, 2}));
        CHECK(trips[2].clips == (std::vector<size_t>{8}));
        CHECK(trips[3].clips == (std::vector<size_t>{3}));
        CHECK(trips[1].startMs == std::optional<int64_t>(at(2026, 11, 8, 8, 30, 0)));
        CHECK(trips[2].startMs == trips[1].startMs);
        CHECK(trips[3].startMs == trips[1].startMs);       // front and rear on one true time
        CHECK(errors[1] == std::optional<int64_t>(3604000));
        CHECK(trips[4].clips == (std::vector<size_t>{4, 5}));
        CHECK(trips[4].startMs == std::optional<int64_t>(at(2026, 11, 8, 11, 0, 0)));
        CHECK(trips[5].clips == (std::vector<size_t>{7}));
        CHECK(!trips[5].startMs && !errors[5]);
    }
    // Without any clock the starts stay as given.
    CHECK(CameraClock::correctedStarts(clips, {}).size() == clips.size());
    CHECK(CameraClock::correctedStarts(clips, {})[0].startMs == clips[0].startMs);
}

// The forged cards: the clock card whose camera runs an hour and four seconds ahead,
// and a clip of each kind of bad time; read as the player reads them.
TEST(forged_clocks)
{
    const char *dir = std::getenv("VELTRA_SAMPLES");
    const std::string samples = dir ? dir : "";
    const int64_t now = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::system_clock::now().time_since_epoch()).count();
    using S = ClipClock::Source;
    using T = std::optional<int64_t>;
    struct Row {
        const char *file;
        O outcome;
        S source;
        T utcStart, error;
        bool borrowed = false;   // the error comes from the other clips of the card
    } rows[] = {
        {"clock/2026_1108_093004_001.MOV", O::Measured, S::Gps, at(2026, 11, 8, 8, 30, 0), 3604000},
        {"clock/2026_1108_093014_002.MOV", O::Measured, S::Gps, at(2026, 11, 8, 8, 30, 10), 3604000},
        {"clock/2026_1108_093024_003.MOV", O::NoFix, S::Name, at(2026, 11, 8, 8, 30, 20), 3604000, true},
        // The nearest trip with a measured error is the rollover clip's, two days on.
        {"nofix.MOV", O::NoFix, S::Movie, at(2026, 11, 12, 7, 45, 0), 0, true},
        {"badtime/2026_1114_080000_001.MOV", O::NoGpsDate, S::Name, at(2026, 11, 14, 8, 0, 0), 0, true},
        {"badtime/2026_1114_080100_002.MOV", O::GpsDateImplausible, S::Name, at(2026, 11, 14, 8, 1, 0), 0, true},
        {"badtime/2026_1114_080200_003.MOV", O::GpsDateImplausible, S::Name, at(2026, 11, 14, 8, 2, 0), 0, true},
        {"badtime/2026_1114_080300_004.MOV", O::RolloverCorrected, S::Gps, at(2026, 11, 14, 8, 3, 0), 0},
        {"badtime/2000_0101_000000_005.MOV", O::CameraClockUnset, S::Gps, at(2026, 11, 14, 8, 4, 0), std::nullopt},
        {"badtime/2016_1231_235959_006.MOV", O::Measured, S::Gps, at(2016, 12, 31, 23, 59, 59), 0},
    };
    std::vector<TripClip> clips;
    std::vector<ClipClock> clocks;
    std::vector<std::vector<TelemetrySample>> samplesOf;
    for (const Row &r : rows) {
        const std::string path = samples + "/" + r.file;
        const GpsReadResult read = GpsDataHelper::readGpsData(path);
        const MovieDuration::Header movie = MovieDuration::header(path);
        clocks.push_back(CameraClock::ofClip(path, read.samples, double(movie.durationMs) / 1000.0, movie.createdMs, now));
        clips.push_back(TripClip{path, ClipTime::startMs(path, read), movie.durationMs, ClipTime::channel(path)});
        samplesOf.push_back(read.samples);
    }
    CameraClock::shareErrors(clocks, clips);
    for (size_t i = 0; i < clocks.size(); ++i) {
        const Row &r = rows[i];
        tst::Row row(r.file);
        CHECK_EQ(samplesOf[i].size(), size_t(r.file[0] == 'n' ? 30 : 10));
        CHECK_EQ(std::string(CameraClock::outcomeName(clocks[i].reading.outcome)), std::string(CameraClock::outcomeName(r.outcome)));
        CHECK(clocks[i].source == r.source);
        CHECK(clocks[i].utcStartMs == r.utcStart);
        CHECK(clocks[i].errorMs == r.error);
        CHECK_EQ(clocks[i].errorFromOtherClips, r.borrowed);
    }
    // The leap second's 23:59:60 has no time of its own; the sample after it is midnight.
    CHECK(!samplesOf[9][1].utcMs);
    CHECK(clocks[9].sampleUtc(samplesOf[9], 1) == T(at(2017, 1, 1, 0, 0, 0)));
    CHECK(clocks[9].sampleUtc(samplesOf[9], 2) == T(at(2017, 1, 1, 0, 0, 0)));
    // No trip starts at a time the GPS made up.
    for (const Trip &t : CameraClock::trueTimeTrips(clips, clocks)) {
        tst::Row row(clips[t.clips.front()].name);
        CHECK(!t.startMs || (*t.startMs >= at(2000, 1, 1, 0, 0, 0) && *t.startMs <= now));
    }
}

TEST(trip_error_is_the_median)
{
    CHECK(CameraClock::tripError({}) == std::nullopt);
    CHECK(CameraClock::tripError({std::nullopt, 3604000}) == std::optional<int64_t>(3604000));
    CHECK(CameraClock::tripError({3604000, 3603000, -50000000, std::nullopt}) == std::optional<int64_t>(3603000));
}

TEST_MAIN()
