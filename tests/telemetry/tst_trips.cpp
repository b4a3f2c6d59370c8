// Trips: the movie header's duration, the recording time and channel of a clip, and
// how clips group into trips and, across channels, into moments.
#include "ClipTime.h"
#include "Companions.h"
#include "Fixtures.h"
#include "KeyFrames.h"
#include "MovieDuration.h"
#include "TripDistance.h"
#include "TripGrouping.h"
#include "TripTimeline.h"
#include "WrittenMovie.h"

#include <cmath>
#include <map>

namespace {

using fx::atom;
using fx::Bytes;

Bytes mvhd0(uint32_t timescale, uint32_t duration, uint32_t created = 0)
{
    return atom("mvhd", Bytes().be32(0).be32(created).be32(0).be32(timescale).be32(duration).zeros(80));
}

Bytes mvhd1(uint32_t timescale, uint64_t duration, uint64_t created = 0)
{
    return atom("mvhd", Bytes().be32(0x01000000).be64(created).be64(0).be32(timescale).be64(duration).zeros(80));
}

// Seconds since 1904 of a camera clock's reading.
constexpr uint32_t k1904 = 2082844800u;

Bytes movie(const Bytes &moovContent)
{
    return fx::ftyp().append(atom("mdat", Bytes().zeros(64))).append(atom("moov", moovContent));
}

TEST(MovieDuration_table)
{
    Bytes manyFree = fx::ftyp();
    for (int i = 0; i < MovieDuration::kMaxAtoms; ++i)
        manyFree.append(atom("free"));
    manyFree.append(atom("moov", mvhd0(1000, 5000)));
    Bytes cut = fx::ftyp().append(Bytes().be32(8 + 8 + 12).text("moov").be32(8 + 12).text("mvhd").be32(0).be32(0).be32(0));
    Bytes large = fx::ftyp();
    large.be32(1).text("moov").be64(16 + 8 + 108).append(mvhd0(600, 36000));
    Bytes hugeMdat = fx::ftyp().be32(1).text("mdat").be64(~uint64_t(0) / 2).append(atom("moov", mvhd0(1, 1)));
    const struct {
        const char *name;
        Bytes file;
        int64_t ms;
        std::optional<int64_t> created = std::nullopt;   // the creation time, ms since 1970
    } rows[] = {
        {"version 0", movie(mvhd0(1000, 60000)), 60000},
        {"version 0, time scale 90000", movie(mvhd0(90000, 5400000 + 4500)), 60050},
        {"a part of a millisecond is dropped", movie(mvhd0(3, 2)), 666},
        {"version 1", movie(mvhd1(48000, 48000ull * 3600 * 30)), 3600000ll * 30},
        {"mvhd after another child", movie(atom("free", Bytes().zeros(20)).append(mvhd0(1000, 1234))), 1234},
        {"64-bit moov size", large, 60000},
        {"time scale 0", movie(mvhd0(0, 60000)), -1},
        {"duration unknown (v0)", movie(mvhd0(1000, 0xFFFFFFFFu)), -1},
        {"duration unknown (v1)", movie(mvhd1(1000, ~uint64_t(0))), -1},
        {"near INT64_MAX / 1000 (v1): longer than a recording lasts", movie(mvhd1(1, uint64_t(INT64_MAX / 1000 - 2))), -1},
        {"49 hours: longer than a recording lasts", movie(mvhd1(1000, 49ull * 3600 * 1000)), -1},
        {"mvhd cut short", cut, -1},
        {"no mvhd", movie(fx::udta("NT9665")), -1},
        {"no moov", fx::ftyp().append(atom("mdat", Bytes().zeros(64))), -1},
        {"moov beyond the atoms walked", manyFree, -1},
        {"an atom claims more than the file", hugeMdat, -1},
        {"empty file", Bytes(), -1},
        {"creation time (v0)", movie(mvhd0(1000, 10000, k1904 + 1794130204u)), 10000, 1794130204000LL},
        {"creation time (v1)", movie(mvhd1(1000, 10000, uint64_t(k1904) + 946684800u)), 10000, 946684800000LL},
        {"creation time with a duration unknown", movie(mvhd0(1000, 0xFFFFFFFFu, k1904 + 60)), -1, 60000},
        {"creation time beyond any calendar", movie(mvhd1(1000, 10000, ~uint64_t(0))), 10000},
    };
    for (const auto &r : rows) {
        tst::Row row(r.name);
        tst::TempFile f(r.file);
        CHECK_EQ(MovieDuration::milliseconds(f.path), r.ms);
        CHECK(MovieDuration::header(f.path).createdMs == r.created);
    }
    CHECK_EQ(MovieDuration::milliseconds("/nonexistent/veltra/X.MOV"), int64_t(-1));
}

// A movie whose header stands before its media (as some cameras pre-write it): one video
// track of 10 pictures of 100 bytes over 2 s, in one chunk right after the header.
Bytes headerFirstMovie()
{
    const auto vide = [](uint32_t chunkAt) {
        Bytes sizes;
        sizes.be32(0).be32(0).be32(10);
        for (int i = 0; i < 10; ++i)
            sizes.be32(100);
        const Bytes stbl = atom("stbl", atom("stsd", Bytes().zeros(16))
                                            .append(atom("stsz", sizes))
                                            .append(atom("stsc", Bytes().be32(0).be32(1).be32(1).be32(10).be32(1)))
                                            .append(atom("stco", Bytes().be32(0).be32(1).be32(chunkAt))));
        Bytes mdhd = atom("mdhd", Bytes().be32(0).be32(0).be32(0).be32(1000).be32(2000).zeros(4));
        const Bytes hdlr = atom("hdlr", Bytes().be32(0).be32(0).text("vide").zeros(12));
        return atom("trak", atom("mdia", mdhd.append(hdlr).append(atom("minf", stbl))));
    };
    const size_t head = fx::ftyp().append(atom("moov", mvhd0(1000, 2000).append(vide(0)))).size();
    const uint32_t mdatAt = uint32_t(head);
    Bytes file = fx::ftyp().append(atom("moov", mvhd0(1000, 2000).append(vide(mdatAt + 8))));
    return file.append(atom("mdat", Bytes().zeros(1000)));
}

// What a user is told of a file: the verdict from what its headers hold, and the
// headers read from files as they are handed in.
TEST(RecordingHealth_table)
{
    using K = RecordingHealth::Kind;
    const auto movie = [](int64_t bytes, bool looks, bool moov, bool video, size_t whole, size_t table, double seconds) {
        WrittenMovie m;
        m.fileBytes = bytes;
        m.looksLikeMovie = looks;
        m.hasMoov = moov;
        m.hasVideo = video;
        m.videoFrames = m.wholeFrames = whole;
        m.tableFrames = table;
        m.videoSeconds = seconds;
        return m;
    };
    const struct {
        const char *name;
        WrittenMovie movie;
        K kind;
        double playable;
    } rows[] = {
        {"whole", movie(5000, true, true, true, 1800, 1800, 60), K::Whole, 0},
        {"cannot be opened", movie(-1, false, false, false, 0, 0, 0), K::Unreadable, 0},
        {"0 bytes", movie(0, false, false, false, 0, 0, 0), K::Empty, 0},
        {"text named .MOV", movie(40, false, false, false, 0, 0, 0), K::NotAVideo, 0},
        {"cut before its header was written", movie(5000, true, false, false, 0, 0, 0), K::NoMovieHeader, 0},
        {"sound only", movie(5000, true, true, false, 0, 0, 0), K::NotAVideo, 0},
        {"1 s of 60 whole", movie(5000, true, true, true, 30, 1800, 60), K::EndsEarly, 1},
        {"no picture whole", movie(5000, true, true, true, 0, 1800, 60), K::EndsEarly, 0},
        {"length unknown: 30 a second", movie(5000, true, true, true, 45, 90, 0), K::EndsEarly, 1.5},
    };
    for (const auto &r : rows) {
        tst::Row row(r.name);
        const RecordingHealth h = RecordingHealth::of(r.movie);
        CHECK(h.kind == r.kind);
        CHECK_EQ(h.playableSeconds, r.playable);
    }

    const Bytes whole = headerFirstMovie();
    Bytes cut = whole;
    cut.data.resize(whole.size() - 1000 + 350);   // 3 whole pictures and half of one
    const struct {
        const char *name;
        Bytes file;
        K kind;
        double playable;
    } files[] = {
        {"file: whole", whole, K::Whole, 0},
        {"file: cut in its media", cut, K::EndsEarly, 0.6},
        {"file: empty", Bytes(), K::Empty, 0},
        {"file: text", Bytes().text("GPS log 2026-11-08\n"), K::NotAVideo, 0},
        {"file: media and no header", fx::ftyp().append(atom("mdat", Bytes().zeros(64))), K::NoMovieHeader, 0},
    };
    for (const auto &r : files) {
        tst::Row row(r.name);
        tst::TempFile f(r.file);
        const RecordingHealth h = RecordingHealth::of(WrittenMovie::of(f.path));
        CHECK(h.kind == r.kind);
        CHECK_EQ(h.playableSeconds, r.playable);
    }
    CHECK(RecordingHealth::of(WrittenMovie::of("/nonexistent/veltra/X.MOV")).kind == K::Unreadable);
}

TEST(KeyFrames_table)
{
    using Runs = std::vector<std::pair<uint32_t, uint32_t>>;
    const struct {
        const char *name;
        Runs durations;
        std::vector<uint32_t> sync;
        bool hasSync;
        uint32_t timescale;
        std::vector<double> times;
    } rows[] = {
        {"one a second at 30 fps", {{90, 1000}}, {1, 31, 61}, true, 30000, {0, 1, 2}},
        {"no sync table: every sample", {{3, 1}}, {}, false, 4, {0, 0.25, 0.5}},
        {"runs of different durations", {{2, 1000}, {2, 2000}}, {1, 3, 4}, true, 1000, {0, 2, 4}},
        {"a first sample that is no key frame", {{4, 1}}, {3}, true, 1, {2}},
        {"sync numbers past the timed samples", {{2, 1}}, {1, 5}, true, 1, {0}},
        {"out of order and repeated numbers", {{4, 1}}, {1, 3, 3, 2, 4}, true, 1, {0, 2, 3}},
        {"time scale 0", {{2, 1}}, {1}, true, 0, {}},
    };
    for (const auto &r : rows) {
        tst::Row row(r.name);
        CHECK(KeyFrames::fromTables(r.durations, r.sync, r.hasSync, r.timescale) == r.times);
    }
}

TEST(ClipTime_channel_and_start)
{
    CHECK_EQ(ClipTime::channel("/card/2025_0612_174502_012F.MOV"), 'F');
    CHECK_EQ(ClipTime::channel("2025_0612_174502_012R.MOV"), 'R');
    CHECK_EQ(ClipTime::channel("2025_0612_174502_012i.mov"), 'I');
    CHECK_EQ(ClipTime::channel("2025_0612_174502_012.MOV"), char(0));
    CHECK_EQ(ClipTime::channel("/F/clip.MOV"), char(0));

    CHECK_EQ(ClipTime::startMs("2025_0612_174502_012F.MOV", GpsReadResult()).value_or(-1),
             ClipTime::toMs(CivilTime{2025, 6, 12, 17, 45, 2}));
    // No time in the name: the first sample with a fix and a time, less a second per
    // sample before it.
    GpsReadResult r;
    r.videoDatas.resize(3);
    r.times.resize(3);
    r.times[0] = {"101500.00", "120625"};   // a time but no fix
    r.videoDatas[2].gps_lat = "24.1";
    r.videoDatas[2].gps_lgt = "120.6";
    r.times[2] = {"101502.50", "120625"};
    CHECK_EQ(ClipTime::startMs("FILE0001.MOV", r).value_or(-1),
             ClipTime::toMs(CivilTime{2025, 6, 12, 10, 15, 0}) + 500);
    // Eighteen samples a second (GPMF fixes): the samples before take 1/18 s each.
    r.samplesPerSecond = 18;
    CHECK_EQ(ClipTime::startMs("GX010001.MP4", r).value_or(-1),
             ClipTime::toMs(CivilTime{2025, 6, 12, 10, 15, 2}) + 500 - 111);
    r.times[2].ddmmyy = "310225";   // no 31 February
    CHECK(!ClipTime::startMs("FILE0001.MOV", r));

    // Two-digit years: 80-99 are 19xx, the others 20xx.
    CHECK_EQ(ClipTime::sentenceMs({"000000", "010180"}).value_or(-1), ClipTime::toMs(CivilTime{1980, 1, 1, 0, 0, 0}));
    CHECK_EQ(ClipTime::sentenceMs({"000000", "311279"}).value_or(-1), ClipTime::toMs(CivilTime{2079, 12, 31, 0, 0, 0}));
    // Whole seconds, rounded down also before 1970.
    CHECK(ClipTime::fromMs(-1) == (CivilTime{1969, 12, 31, 23, 59, 59}));
    CHECK(ClipTime::fromMs(1999) == (CivilTime{1970, 1, 1, 0, 0, 1}));
}

TEST(ClipTime_camera_words)
{
    const int64_t minute = ClipTime::toMs(CivilTime{2026, 11, 13, 10, 2, 0});
    const struct {
        const char *name;
        std::optional<int64_t> start;
        char channel;
        const char *channelName;
    } rows[] = {
        {"/car/2026-11-13_10-02-00-front.mp4", minute, 'F', "F"},
        {"2026-11-13_10-02-00-back.mp4", minute, 'R', "R"},
        {"2026-11-13_10-02-00-left_repeater.mp4", minute, ClipTime::kLeftRepeater, "left_repeater"},
        {"2026-11-13_10-02-00-right_repeater.mp4", minute, ClipTime::kRightRepeater, "right_repeater"},
        {"2026-11-13_10-02-00-left_pillar.mp4", minute, ClipTime::kLeftPillar, "left_pillar"},
        {"2026-11-13_10-02-00-RIGHT_PILLAR.MP4", minute, ClipTime::kRightPillar, "right_pillar"},
        {"2026-11-13_10-02-00.mp4", minute, 0, ""},
        {"2026-11-13_10-02-00-dashboard.mp4", minute, 0, ""},
        {"2026-11-13_25-02-00-front.mp4", std::nullopt, 'F', "F"},
        {"2026-11-13-10-02-00-front.mp4", std::nullopt, 'F', "F"},
        {"front.mp4", std::nullopt, 0, ""},
        {"2025_0612_174502_012I.MOV", ClipTime::toMs(CivilTime{2025, 6, 12, 17, 45, 2}), 'I', "I"},
    };
    for (const auto &r : rows) {
        tst::Row row(r.name);
        const auto named = ClipTime::fromFileName(r.name);
        CHECK((named ? std::optional<int64_t>(ClipTime::toMs(*named)) : std::nullopt) == r.start);
        CHECK_EQ(ClipTime::channel(r.name), r.channel);
        CHECK_EQ(ClipTime::channelName(r.channel), std::string(r.channelName));
    }
}

// A clip named by its recording time "yyyyMMddHHmmss" with a channel, `seconds` long.
TripClip clip(const std::string &stamp, char channel, int seconds)
{
    const std::string name = stamp.substr(0, 4) + "_" + stamp.substr(4, 4) + "_" + stamp.substr(8) +
                             "_001" + (channel ? std::string(1, channel) : "") + ".MOV";
    const auto start = ClipTime::fromFileName(name);
    return TripClip{name, start ? std::optional<int64_t>(ClipTime::toMs(*start)) : std::nullopt,
                    seconds * 1000ll, ClipTime::channel(name)};
}

// The trips as text: clip indices joined by ",", trips by " | ".
std::string shape(const std::vector<Trip> &trips)
{
    std::string s;
    for (const Trip &t : trips) {
        if (!s.empty())
            s += " | ";
        for (size_t k = 0; k < t.clips.size(); ++k)
            s += (k ? "," : "") + std::to_string(t.clips[k]);
    }
    return s;
}

TEST(groupTrips_table)
{
    const TripClip noTime{"FILE0007.MOV", std::nullopt, 60000, 0};
    const TripClip byFix{"FILE0008.MOV", ClipTime::toMs(CivilTime{2025, 6, 12, 17, 47, 2}), 60000, 0};
    std::vector<TripClip> together;   // more than a sort keeps in order unless it is stable
    std::string inOrder;
    for (int i = 0; i < 40; ++i) {
        together.push_back(TripClip{"c" + std::to_string(i) + "_1.MOV", 0, 60000, 0});
        inOrder += (i ? "," : "") + std::to_string(i);
    }
    const struct {
        const char *name;
        std::vector<TripClip> clips;
        int64_t gapMs;
        const char *trips;
    } rows[] = {
        {"three consecutive clips", {clip("20250612174502", 'F', 180), clip("20250612174802", 'F', 180), clip("20250612175102", 'F', 60)}, kDefaultTripGapMs, "0,1,2"},
        {"a pause of exactly the gap", {clip("20250612174502", 0, 60), clip("20250612174612", 0, 60)}, kDefaultTripGapMs, "0,1"},
        {"a pause a second longer", {clip("20250612174502", 0, 60), clip("20250612174613", 0, 60)}, kDefaultTripGapMs, "0 | 1"},
        {"a gap of ten minutes", {clip("20250612174502", 0, 60), clip("20250612174602", 0, 60), clip("20250612175702", 0, 60)}, kDefaultTripGapMs, "0,1 | 2"},
        {"a wider gap setting", {clip("20250612174502", 0, 60), clip("20250612174702", 0, 60)}, 60000, "0,1"},
        {"a small overlap", {clip("20250612174502", 0, 60), clip("20250612174600", 0, 60)}, kDefaultTripGapMs, "0,1"},
        {"an event copy of the same minutes", {clip("20250612174502", 0, 180), clip("20250612174530", 0, 30), clip("20250612174802", 0, 60)}, kDefaultTripGapMs, "0,1,2"},
        {"across midnight", {clip("20250612235930", 0, 60), clip("20250613000030", 0, 60)}, kDefaultTripGapMs, "0,1"},
        {"across the new year", {clip("20251231235905", 0, 60), clip("20260101000005", 0, 60)}, kDefaultTripGapMs, "0,1"},
        {"across a leap day", {clip("20240228235930", 0, 60), clip("20240229000030", 0, 60), clip("20240301000030", 0, 60)}, kDefaultTripGapMs, "0,1 | 2"},
        {"front and rear of the same minutes", {clip("20250612174502", 'F', 60), clip("20250612174502", 'R', 60), clip("20250612174602", 'F', 60), clip("20250612174602", 'R', 60)}, kDefaultTripGapMs, "0,2 | 1,3"},
        {"front before rear when they start together", {clip("20250612174502", 'R', 60), clip("20250612174502", 'F', 60)}, kDefaultTripGapMs, "1 | 0"},
        {"a clip without a letter is a channel of its own", {clip("20250612174502", 'F', 60), clip("20250612174602", 0, 60)}, kDefaultTripGapMs, "0 | 1"},
        {"unsorted input", {clip("20250612175102", 0, 60), clip("20250612174502", 0, 60), clip("20250612180002", 0, 60), clip("20250612174602", 0, 300)}, kDefaultTripGapMs, "1,3,0 | 2"},
        {"the same file twice", {clip("20250612174502", 0, 60), clip("20250612174602", 0, 60), clip("20250612174502", 0, 60)}, kDefaultTripGapMs, "0,1"},
        {"no time in the name and no fix", {clip("20250612174502", 0, 60), noTime, clip("20250612174602", 0, 60)}, kDefaultTripGapMs, "0,2 | 1"},
        {"start from the first fix", {clip("20250612174502", 0, 60), byFix, clip("20250612174602", 0, 60)}, kDefaultTripGapMs, "0,2,1"},
        {"unknown duration counts as none", {TripClip{"a_1.MOV", 0, -1, 0}, TripClip{"b_1.MOV", 10000, 60000, 0}, TripClip{"c_1.MOV", 80001, 0, 0}}, kDefaultTripGapMs, "0,1 | 2"},
        {"clips starting together keep their order", {TripClip{"b_1.MOV", 0, 60000, 0}, TripClip{"a_1.MOV", 0, 60000, 0}}, kDefaultTripGapMs, "0,1"},
        {"forty clips starting together keep their order", together, kDefaultTripGapMs, inOrder.c_str()},
        {"nothing", {}, kDefaultTripGapMs, ""},
    };
    for (const auto &r : rows) {
        tst::Row row(r.name);
        CHECK_EQ(shape(groupTrips(r.clips, r.gapMs)), std::string(r.trips));
    }
}

TEST(groupTrips_times_and_channel)
{
    const auto trips = groupTrips({clip("20250612174502", 'R', 60), clip("20250612174602", 'R', 90)});
    CHECK_EQ(trips.size(), size_t(1));
    CHECK_EQ(trips[0].channel, 'R');
    CHECK_EQ(trips[0].startMs.value_or(-1), ClipTime::toMs(CivilTime{2025, 6, 12, 17, 45, 2}));
    CHECK_EQ(trips[0].endMs.value_or(-1), ClipTime::toMs(CivilTime{2025, 6, 12, 17, 47, 32}));
}

// A clip of a six-camera recorder: "yyyy-MM-dd_HH-mm-ss-<camera>.mp4", a minute long
// (`ms` < 0: a zero-byte file, whose duration is unknown).
TripClip camera(const char *stamp, const char *word, int64_t ms = 60000)
{
    const std::string name = std::string(stamp) + "-" + word + ".mp4";
    const auto start = ClipTime::fromFileName(name);
    return TripClip{name, start ? std::optional<int64_t>(ClipTime::toMs(*start)) : std::nullopt, ms,
                    ClipTime::channel(name)};
}

// The moments as text: clip indices joined by ",", the shown one marked "*", moments by " | ".
std::string momentShape(const std::vector<ClipMoment> &moments)
{
    std::string s;
    for (const ClipMoment &m : moments) {
        if (!s.empty())
            s += " | ";
        for (size_t k = 0; k < m.clips.size(); ++k)
            s += (k ? "," : "") + std::to_string(m.clips[k]) + (m.clips[k] == m.shown ? "*" : "");
    }
    return s;
}

TEST(groupMoments_table)
{
    const char *a = "2026-11-13_10-02-00", *b = "2026-11-13_10-03-00", *c = "2026-11-13_10-02-01";
    const std::vector<TripClip> six = {camera(a, "right_pillar"), camera(a, "back"), camera(a, "left_repeater"),
                                       camera(a, "front"), camera(a, "right_repeater"), camera(a, "left_pillar")};
    std::vector<TripClip> twoMinutes = six;
    for (const char *word : {"front", "back", "left_repeater", "right_repeater", "left_pillar", "right_pillar"})
        twoMinutes.push_back(camera(b, word));
    const struct {
        const char *name;
        std::vector<TripClip> clips;
        const char *moments;
    } rows[] = {
        {"six cameras of a minute, the front shown", six, "3*,1,2,4,5,0"},
        {"two minutes", twoMinutes, "3*,1,2,4,5,0 | 6*,7,8,9,10,11"},
        {"a camera missing", {camera(a, "back"), camera(a, "left_repeater")}, "0*,1"},
        {"a zero-byte file still has its name's time", {camera(a, "front"), camera(a, "back", -1)}, "0*,1"},
        {"a second apart are different moments", {camera(a, "front"), camera(c, "back")}, "0* | 1*"},
        {"an event copy of the front starts a moment of its own",
         {camera(a, "front"), TripClip{"copy/front.mp4", camera(a, "front").startMs, 60000, 'F'}, camera(a, "back")},
         "0*,2 | 1*"},
        {"a name met again is left out", {camera(a, "front"), camera(a, "front")}, "0*"},
        {"no time in the name is no moment", {camera("clip", "front"), camera(a, "back")}, "1*"},
        {"letters of other cameras group alike", {clip("20250612174502", 'R', 60), clip("20250612174502", 'F', 60)}, "1*,0"},
        {"nothing", {}, ""},
    };
    for (const auto &r : rows) {
        tst::Row row(r.name);
        CHECK_EQ(momentShape(groupMoments(r.clips)), std::string(r.moments));
    }
    // The trips stay one per camera.
    CHECK_EQ(groupTrips(twoMinutes).size(), size_t(6));
}

// The companions as text: channel, then "=" and the file, or ":" and the gap; "x2" for
// two claims; "+2000" for one that starts 2 s after the clip; " " between.
std::string companionShape(const std::vector<Companion> &companions)
{
    std::string s;
    for (const Companion &c : companions) {
        if (!s.empty())
            s += " ";
        s += ClipTime::channelName(c.channel);
        static const char *gaps[] = {"", "missing", "empty", "unreadable"};
        s += c.gap == Companion::Gap::None ? "=" + c.name : ":" + std::string(gaps[int(c.gap)]);
        if (c.claims > 1)
            s += "x" + std::to_string(c.claims);
        if (c.startMs)
            s += (c.startMs > 0 ? "+" : "") + std::to_string(c.startMs);
    }
    return s;
}

TEST(findCompanions_table)
{
    const std::map<std::string, CompanionFile> odd = {
        {"2026_1115_090000_001R.MOV", {0, true}},
        {"2026_1115_090000_001I.MOV", {2048, false}},
        {"2026_1115_090000_009R.MOV", {4096, true}},
    };
    const auto state = [&odd](const std::string &name) {
        const auto it = odd.find(name);
        return it == odd.end() ? CompanionFile{1000, true} : it->second;
    };
    std::vector<std::string> card(kMaxCompanionNames, "2026_1115_080000_001F.MOV");
    const int64_t gps = 1763197260000;     // 2025-11-15 09:01:00 UTC
    const int64_t movie = 1763197000000;
    card.push_back("2026_1115_090000_001R.MOV");
    const struct {
        const char *name;
        const char *clip;
        std::vector<std::string> folder;
        const char *companions;
        std::map<std::string, CompanionTime> times = {};   // what the files say of their start
    } rows[] = {
        {"front with rear and cabin", "2026_1115_090100_002F.MOV",
         {"2026_1115_090100_002I.MOV", "2026_1115_090100_002F.MOV", "2026_1115_090100_002R.MOV", "notes.txt"},
         "R=2026_1115_090100_002R.MOV I=2026_1115_090100_002I.MOV"},
        {"the rear plays, the front is a companion", "2026_1115_090100_002R.MOV",
         {"2026_1115_090100_002F.MOV", "2026_1115_090100_002R.MOV"}, "F=2026_1115_090100_002F.MOV"},
        {"a minute later is not this moment", "2026_1115_090100_002F.MOV",
         {"2026_1115_090200_003R.MOV", "2026_1115_090100_002R.MOV.truth.json"}, "R:missing"},
        {"zero bytes and unreadable are gaps", "2026_1115_090000_001F.MOV",
         {"2026_1115_090000_001R.MOV", "2026_1115_090000_001I.MOV"}, "R:empty I:unreadable"},
        {"two claims: the one that plays is taken", "2026_1115_090000_001F.MOV",
         {"2026_1115_090000_001R.MOV", "2026_1115_090000_009R.MOV"}, "R=2026_1115_090000_009R.MOVx2"},
        {"six cameras, the right pillar missing this minute", "2026-11-13_10-04-00-front.mp4",
         {"2026-11-13_10-04-00-back.mp4", "2026-11-13_10-04-00-left_pillar.mp4", "2026-11-13_10-03-00-right_pillar.mp4",
          "2026-11-13_10-04-00-left_repeater.mp4"},
         "R=2026-11-13_10-04-00-back.mp4 left_repeater=2026-11-13_10-04-00-left_repeater.mp4 "
         "left_pillar=2026-11-13_10-04-00-left_pillar.mp4 right_pillar:missing"},
        // A camera that started a little apart stands in, with how far apart.
        {"a rear named 2 s later started 2 s late", "2026_1115_090100_002F.MOV", {"2026_1115_090102_002R.MOV"},
         "R=2026_1115_090102_002R.MOV+2000"},
        {"a cabin a second early, a rear 3 s late is another moment", "2026_1115_090100_002F.MOV",
         {"2026_1115_090103_002R.MOV", "2026_1115_090059_001I.MOV"}, "R:missing I=2026_1115_090059_001I.MOV-1000"},
        {"one of the same second comes before one 2 s apart", "2026_1115_090100_002F.MOV",
         {"2026_1115_090102_002R.MOV", "2026_1115_090100_002R.MOV"}, "R=2026_1115_090100_002R.MOV"},
        {"the GPS says the rear started 1.5 s late", "2026_1115_090100_002F.MOV", {"2026_1115_090100_002R.MOV"},
         "R=2026_1115_090100_002R.MOV+1500",
         {{"2026_1115_090100_002F.MOV", {gps, {}}}, {"2026_1115_090100_002R.MOV", {gps + 1500, {}}}}},
        {"a single-lens clip has none", "2026_1115_090000_001.MOV", {"2026_1115_090000_001R.MOV"}, ""},
        {"names past the cap are not looked at", "2026_1115_090000_001F.MOV", card, ""},
        // By what the files say: the GPS where both clips have it, else the camera's time.
        {"the GPS puts a rear named a second later in the moment", "2026_1115_090100_002F.MOV",
         {"2026_1115_090101_002R.MOV", "2026_1115_090102_003I.MOV"},
         "R=2026_1115_090101_002R.MOV I=2026_1115_090102_003I.MOV+2000",
         {{"2026_1115_090100_002F.MOV", {gps, {}}}, {"2026_1115_090101_002R.MOV", {gps + 300, {}}},
          {"2026_1115_090102_003I.MOV", {gps + 2000, {}}}}},
        {"the GPS says another drive though the names agree", "2026_1115_090100_002F.MOV",
         {"2026_1115_090100_002R.MOV"}, "R:missing",
         {{"2026_1115_090100_002F.MOV", {gps, {}}}, {"2026_1115_090100_002R.MOV", {gps + 3600000, {}}}}},
        {"of two claims the nearer GPS start", "2026_1115_090100_002F.MOV",
         {"2026_1115_090100_001R.MOV", "2026_1115_090100_009R.MOV"}, "R=2026_1115_090100_009R.MOVx2",
         {{"2026_1115_090100_002F.MOV", {gps, {}}}, {"2026_1115_090100_001R.MOV", {gps + 800, {}}},
          {"2026_1115_090100_009R.MOV", {gps - 20, {}}}}},
        {"a rear without GPS goes by its name", "2026_1115_090100_002F.MOV", {"2026_1115_090100_002R.MOV"},
         "R=2026_1115_090100_002R.MOV", {{"2026_1115_090100_002F.MOV", {gps, {}}}}},
        {"names without a time: the movie header's", "FILE0007F.MOV", {"FILE0007R.MOV", "FILE0008R.MOV", "FILE0009I.MOV"},
         "R=FILE0007R.MOV", {{"FILE0007F.MOV", {{}, movie}}, {"FILE0007R.MOV", {{}, movie}},
          {"FILE0008R.MOV", {{}, movie + 60000}}, {"FILE0009I.MOV", {}}}},
        {"a cabin known by its GPS alone", "FILE0007F.MOV", {"FILE0009I.MOV"}, "I=FILE0009I.MOV",
         {{"FILE0007F.MOV", {gps, movie}}, {"FILE0009I.MOV", {gps + 400, {}}}}},
    };
    for (const auto &r : rows) {
        tst::Row row(r.name);
        const auto time = [&r](const std::string &name) {
            const auto it = r.times.find(name);
            return it == r.times.end() ? CompanionTime{} : it->second;
        };
        CHECK_EQ(companionShape(findCompanions(r.clip, r.folder, state, time)), std::string(r.companions));
    }
}

TelemetrySample at(const char *lat, const char *lon)
{
    GpsSample s;
    s.gps_lat = lat;
    s.gps_lgt = lon;
    return TelemetrySample::fromGps(s);
}

ClipRoute route(std::optional<int64_t> startMs, int64_t durationMs, const std::vector<TelemetrySample> &samples,
                size_t from = 0)
{
    return ClipRoute{startMs, durationMs, samples.data() + from, samples.size() - from};
}

TEST(tripMetres_table)
{
    // 0.01 degree of latitude is 1111.95 m. A sample without position is bridged: the
    // line runs on to the next position (here 39.99 degrees further north).
    const std::vector<TelemetrySample> a{at("10", "20"), at("10.01", "20"), at("", ""), at("50", "20"), at("50.01", "20")};
    CHECK_EQ(std::lround(tripMetres({route(0, -1, a)})), 4448915L);
    CHECK_EQ(std::lround(tripMetres({route(0, -1, a, 3)})), 1112L);
    // A 3-sample clip, then an event copy of its last two seconds and one more: only
    // the copy's step out of the first clip's seconds counts.
    const std::vector<TelemetrySample> first{at("10", "20"), at("10.01", "20"), at("10.02", "20")};
    const std::vector<TelemetrySample> copy{at("10.01", "20"), at("10.02", "20"), at("10.03", "20")};
    CHECK_EQ(std::lround(tripMetres({route(0, 3000, first), route(1000, 3000, copy)})), 3336L);
    // The next clip continues the first within the pause that keeps a drive together:
    // one line; a longer pause breaks it; the order given does not matter.
    const std::vector<TelemetrySample> later{at("10.03", "20"), at("10.04", "20")};
    CHECK_EQ(std::lround(tripMetres({route(13000, 2000, later), route(0, 3000, first)})), 4448L);
    CHECK_EQ(std::lround(tripMetres({route(0, 3000, first), route(13001, 2000, later)})), 3336L);
    // A clip without any position between two that have: bridged as well.
    const std::vector<TelemetrySample> none{at("", ""), at("", "")};
    CHECK_EQ(std::lround(tripMetres({route(0, 3000, first), route(3000, 2000, none), route(5000, 2000, later)})), 4448L);
    CHECK_EQ(tripMetres({}), 0.0);
}

std::string offsetsText(const std::vector<double> &v)
{
    std::string s;
    char buf[32];
    for (double d : v) {
        std::snprintf(buf, sizeof buf, "%s%.1f", s.empty() ? "" : ",", d);
        s += buf;
    }
    return s;
}

TEST(tripOffsets_table)
{
    const struct {
        const char *name;
        std::vector<std::optional<int64_t>> starts;
        std::vector<double> durations;
        const char *offsets;
    } rows[] = {
        {"clips end to end", {1000000, 1180000, 1360000}, {180, 180, 60}, "0.0,180.0,360.0"},
        {"a pause stays on the axis", {0, 65000}, {60, 60}, "0.0,65.0"},
        {"an overlap", {0, 50000}, {60, 60}, "0.0,50.0"},
        {"a start before the clip ahead keeps the order", {60000, 0}, {60, 60}, "0.0,0.0"},
        {"unknown start follows the clip ahead", {0, std::nullopt, 200000}, {60, 30.5, 60}, "0.0,60.0,200.0"},
        {"first start unknown", {std::nullopt, 100000}, {40, 60}, "0.0,40.0"},
        {"no starts at all", {std::nullopt, std::nullopt}, {12.5, -1}, "0.0,12.5"},
    };
    for (const auto &r : rows) {
        tst::Row row(r.name);
        CHECK_EQ(offsetsText(tripOffsets(r.starts, r.durations)), std::string(r.offsets));
    }
}

TEST(tripPointAt_table)
{
    // Three clips of 60 s with a 5 s pause before the third; the second overlaps the first.
    const std::vector<double> offsets{0, 50, 115}, durations{60, 60, 60};
    const struct {
        const char *name;
        double t;
        size_t clip;
        double seconds;
    } rows[] = {
        {"the start", 0, 0, 0},
        {"before the start", -3, 0, 0},
        {"inside the first clip", 12.25, 0, 12.25},
        {"the overlap belongs to the later clip", 55, 1, 5},
        {"the second clip's start", 50, 1, 0},
        {"the last second of the second clip", 110, 1, 60},
        {"in the pause: the next clip's start", 112, 2, 0},
        {"inside the last clip", 150.5, 2, 35.5},
        {"the end", 175, 2, 60},
        {"past the end", 999, 2, 60},
    };
    for (const auto &r : rows) {
        tst::Row row(r.name);
        const TripPoint p = tripPointAt(offsets, durations, r.t);
        CHECK_EQ(p.clip, r.clip);
        CHECK_EQ(p.seconds, r.seconds);
    }
    CHECK(tripPointAt({}, {}, 10) == TripPoint{});
    CHECK((tripPointAt({0}, {30}, std::nan("")) == TripPoint{0, 0.0}));
}

} // namespace

TEST_MAIN()
