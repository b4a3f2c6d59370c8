// The GPS glitch filter on forged drives: a car going north at 54 km/h, one sample a
// second, with the faults a receiver makes put in; and the route's distance, maximum and
// smoothing with and without them.
#include "TestSupport.h"

#include "GpsDataHelper.h"
#include "GpsGlitches.h"
#include "MiniJson.h"
#include "MovieDuration.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

constexpr double kStepDegrees = 15.0 / 111195.0;   // 15 m of latitude

std::vector<TelemetrySample> drive(size_t count)
{
    std::vector<TelemetrySample> out(count);
    for (size_t i = 0; i < count; ++i) {
        TelemetrySample &s = out[i];
        s.hasFix = true;
        s.latitude = float(51.5 + double(i) * kStepDegrees);
        s.longitude = -0.12f;
        s.speedKmh = 54;
    }
    return out;
}

void moveEast(TelemetrySample &s, double metres)
{
    s.longitude = float(s.longitude + metres / (111195.0 * std::cos(s.latitude * 3.14159265358979 / 180.0)));
}

std::vector<size_t> positionGlitches(const std::vector<TelemetrySample> &samples)
{
    std::vector<size_t> out;
    for (size_t i = 0; i < samples.size(); ++i)
        if (samples[i].glitches & TelemetrySample::PositionGlitch)
            out.push_back(i);
    return out;
}

} // namespace

TEST(glitches_are_found_and_left_out_of_the_figures)
{
    const std::vector<TelemetrySample> clean = drive(30);
    const double cleanMetres = GpsGlitches::routeMetres(clean);
    CHECK(std::fabs(cleanMetres - 29 * 15.0) < 1.0);
    struct Row {
        const char *name;
        std::function<void(std::vector<TelemetrySample> &)> fault;
        std::vector<size_t> positions;   // samples whose position is a glitch
        int maxKmh;                      // the maximum that counts
        bool sameRoute;                  // the route's length is the clean drive's
        double duration = 30.0;          // of the 30 samples
    } rows[] = {
        {"a clean drive", [](auto &) {}, {}, 54, true},
        {"a point a kilometre off and back", [](auto &s) { moveEast(s[10], 1000); }, {10}, 54, true},
        {"a speed no car reaches", [](auto &s) { s[5].speedKmh = 320; }, {}, 54, true},
        {"a wrong first fix", [](auto &s) { moveEast(s[0], 2000); }, {0}, 54, false},
        {"two points away together", [](auto &s) { moveEast(s[10], 2000); moveEast(s[11], 2000); }, {10, 11}, 54, true},
        {"a tunnel, then the car further on",
         [](auto &s) {
             for (size_t i = 10; i < 20; ++i)
                 s[i].hasFix = false;
         },
         {}, 54, false},
        {"a real jump: three points left out, then the new place", [](auto &s) {
             for (size_t i = 20; i < 30; ++i)
                 moveEast(s[i], 5000);
         }, {20, 21, 22}, 54, false},
        {"out and back, no faster than a car goes", [](auto &s) { moveEast(s[10], 600); }, {10}, 54, true, 300.0},
    };
    for (const Row &r : rows) {
        tst::Row row(r.name);
        std::vector<TelemetrySample> raw = clean;
        r.fault(raw);
        const std::vector<TelemetrySample> found = GpsGlitches::marked(raw, r.duration);
        CHECK(positionGlitches(found) == r.positions);
        CHECK_EQ(GpsGlitches::maxSpeedKmh(found), r.maxKmh);
        if (r.sameRoute)
            CHECK(std::fabs(GpsGlitches::routeMetres(found) - cleanMetres) < 1.0);
        // Off, the figures are the reader's own.
        int rawMax = 0;
        for (const TelemetrySample &s : raw)
            rawMax = std::max(rawMax, s.speedKmh);
        CHECK_EQ(GpsGlitches::maxSpeedKmh(raw), rawMax);
        CHECK(GpsGlitches::marked(found, r.duration) == found);   // marking again changes nothing
    }
}

// The forged drive with three glitches: the filter finds exactly the samples the forge
// put them in, and the figures with and without them.
TEST(forged_drive_with_glitches)
{
    const char *dir = std::getenv("VELTRA_SAMPLES");
    const std::string path = std::string(dir ? dir : "") + "/glitches/2026_1108_094000_001.MOV";
    std::ifstream in(path + ".glitches.json");
    std::stringstream text;
    text << in.rdbuf();
    mj::Value truth;
    CHECK(mj::Parser(text.str()).parse(&truth));
    const auto indices = [](const mj::Value &list) {
        std::vector<size_t> out;
        for (const mj::Value &v : list.items)
            out.push_back(size_t(v.number));
        return out;
    };
    const GpsReadResult read = GpsDataHelper::readGpsData(path);
    const std::vector<TelemetrySample> raw = read.samples;
    const std::vector<TelemetrySample> found =
        GpsGlitches::marked(raw, double(MovieDuration::milliseconds(path)) / 1000.0);
    CHECK_EQ(found.size(), size_t(50));
    CHECK(positionGlitches(found) == indices(truth["position_glitches"]));
    std::vector<size_t> speeds;
    for (size_t i = 0; i < found.size(); ++i)
        if (found[i].glitches & TelemetrySample::SpeedGlitch)
            speeds.push_back(i);
    CHECK(speeds == indices(truth["speed_glitches"]));

    // Clean, the route is the drive through the samples the forge left alone.
    std::vector<TelemetrySample> untouched;
    for (size_t i = 0; i < raw.size(); ++i)
        if (!(found[i].glitches & TelemetrySample::PositionGlitch))
            untouched.push_back(raw[i]);
    const GpsGlitches::Figures rawFigures = GpsGlitches::figures(found, false);
    const GpsGlitches::Figures clean = GpsGlitches::figures(found, true);
    CHECK(std::fabs(clean.routeMetres - GpsGlitches::routeMetres(untouched)) < 0.01);
    CHECK(std::fabs(rawFigures.routeMetres - GpsGlitches::routeMetres(raw)) < 0.01);
    CHECK_EQ(rawFigures.maxSpeedKmh, read.maxSpeed);
    CHECK(rawFigures.maxSpeedKmh > 300);
    CHECK(clean.maxSpeedKmh < 120);
    CHECK(rawFigures.routeMetres > clean.routeMetres + 20000);
    CHECK_EQ(rawFigures.points, raw.size());
    CHECK_EQ(rawFigures.points - clean.points, truth["position_glitches"].items.size());
    std::fprintf(stderr, "forged glitches: raw %d km/h, %.1f m, %zu points; clean %d km/h, %.1f m, %zu points\n",
                 rawFigures.maxSpeedKmh, rawFigures.routeMetres, rawFigures.points, clean.maxSpeedKmh,
                 clean.routeMetres, clean.points);
}

TEST(utc_times_time_the_steps)
{
    // Ten minutes between two samples by their clocks: 2 km is a drive, not a jump,
    // although the clip's duration would give them a second.
    std::vector<TelemetrySample> s = drive(4);
    for (size_t i = 0; i < s.size(); ++i)
        s[i].utcMs = int64_t(i) * (i >= 2 ? 600000 : 1000);
    moveEast(s[2], 2000);
    moveEast(s[3], 2000);
    CHECK(positionGlitches(GpsGlitches::marked(s, 4.0)).empty());
}

TEST(smoothing_bridges_glitches_but_not_gaps)
{
    std::vector<TelemetrySample> s = drive(7);
    moveEast(s[1], 30);   // a wobble: averaged with its neighbours
    s[3].glitches = TelemetrySample::PositionGlitch;
    s[5].hasFix = false;  // the line stops here
    const std::vector<TelemetrySample> out = GpsGlitches::smoothed(s);
    CHECK(std::fabs(out[1].longitude - (s[0].longitude + s[1].longitude + s[2].longitude) / 3) < 1e-6);
    CHECK(std::fabs(out[0].longitude - (s[0].longitude + s[1].longitude) / 2) < 1e-6);
    CHECK(std::fabs(out[4].latitude - (s[2].latitude + s[4].latitude) / 2) < 1e-6);   // over the glitch
    CHECK(out[3] == s[3]);                                                           // left as it was
    CHECK(out[6] == s[6]);                                                           // alone after the gap
    CHECK(std::fabs(GpsGlitches::routeMetres(s) - GpsGlitches::metres(s[0].latitude, s[0].longitude, s[1].latitude,
                                                                        s[1].longitude)
                    - GpsGlitches::metres(s[1].latitude, s[1].longitude, s[2].latitude, s[2].longitude) - 2 * 15.0)
          < 1.0);
}

TEST_MAIN()
