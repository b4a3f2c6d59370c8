// The readers of the newer layouts on hand-built files, one table per layout family:
// freeGPS payloads and how the blocks are found, the boxes under `free`, text tracks,
// the files beside the video and an attached GPX track, GPMF payloads, messages in the
// video's SEI units and their wire format, and the detection order on files that carry
// more than one layout.
#include "AtomWalk.h"
#include "BinaryFile.h"
#include "ClipTime.h"
#include "Fixtures.h"
#include "FreeGps.h"
#include "Gpmf.h"
#include "GpsDataHelper.h"
#include "MovieMap.h"
#include "ReadingChoice.h"
#include "SeiTelemetry.h"
#include "SideFiles.h"
#include "VehicleMessage.h"

#include <cmath>
#include <fcntl.h>
#include <unistd.h>

namespace {

using fx::atom;
using fx::Bytes;
using namespace fx;

Bytes &le32f(Bytes &b, float f)
{
    int32_t v;
    std::memcpy(&v, &f, 4);
    return b.le32(v);
}

// A freeGPS payload at `shift`: 12:34:56 on 2026-11-08 (year field `year`), status,
// 5130.0000 N 00006.0000 W, 10 knots, course 90, readings 0, 0, 256.
Bytes binaryBlock(size_t shift, char status, uint32_t year = 26, bool readings = true, uint32_t size = 0x200)
{
    Bytes b;
    b.be32(size).text("freeGPS ").zeros(4);
    b.text(std::string(shift, 'M'));
    b.le32(12).le32(34).le32(56).le32(int32_t(year)).le32(11).le32(8);
    b.text(std::string(1, status)).text(status == 'A' ? std::string("NW") : std::string(2, '\0')).zeros(1);
    le32f(le32f(le32f(le32f(b, 5130.0f), 6.0f), 10.0f), 90.0f);
    if (readings)
        b.le32(0).le32(0).le32(256);
    return b.padTo(size);
}

Bytes nmeaBlock(const std::string &sentence, uint32_t size = 0x200)
{
    Bytes b;
    b.be32(size).text("freeGPS ").zeros(0x44 - 12).le32(128).le32(-128).le32(256).zeros(0x50 - 0x50);
    b.padTo(0x50).text(sentence);
    return b.padTo(size);
}

const std::string kRmc = "$GPRMC,123456,A,5130.0000,N,00006.0000,W,10.0,90.0,081126,,,A*00";

// The earliest cameras' block with the head they write: its size and `freeGPS `, then
// readings in milli-g at 0x30 and the sentence shifted by 0x0B at 0x3C.
Bytes shiftedBlock(const std::string &sentence, int32_t z = 1000, uint32_t size = 0x200)
{
    Bytes b = tst::gpsBlock(0, 0, z, sentence);
    b.patchBe32(0, size);
    std::memcpy(b.data.data() + 4, "freeGPS ", 8);
    return b.padTo(size);
}

// ftyp, an mdat with the blocks at their offsets, and a moov with an mvhd of `seconds`
// and, when `listed` is not empty, a `gps ` index of those offsets.
Bytes freeGpsFile(const std::map<uint32_t, Bytes> &blocks, const std::vector<uint32_t> &listed, uint32_t mdatEnd,
                  uint32_t seconds = 0)
{
    Bytes file = fx::ftypAndMdat(blocks, mdatEnd);
    Bytes mvhd;
    mvhd.be32(0).be32(0).be32(0).be32(1000).be32(seconds * 1000).zeros(80);
    Bytes moov = atom("mvhd", mvhd);
    if (!listed.empty()) {
        Bytes index;
        index.be32(0x101).be32(uint32_t(listed.size()));
        for (uint32_t p : listed)
            index.be32(p).be32(0x200);
        moov.append(atom("gps ", index));
    }
    return file.append(atom("moov", moov));
}

GpsReadResult readFile(const Bytes &b, const std::string &name = "clip.MOV")
{
    tst::TempFile f(b, name);
    return GpsDataHelper::readGpsData(f.path);
}

void checkFirst(const GpsReadResult &r, const char *lat, const char *lon, int spd, bool hasG, float gz,
                std::optional<int64_t> utc)
{
    if (!CHECK(!r.samples.empty()) || !CHECK_EQ(r.samples.size(), r.videoDatas.size()))
        return;
    CHECK_EQ(r.videoDatas[0].gps_lat, std::string(lat));
    CHECK_EQ(r.videoDatas[0].gps_lgt, std::string(lon));
    CHECK_EQ(r.videoDatas[0].spd, spd);
    CHECK_EQ(r.samples[0].hasFix, *lat != 0);
    CHECK_EQ(r.samples[0].hasG, hasG);
    CHECK_EQ(r.videoDatas[0].gsensor_z, gz);
    CHECK(r.samples[0].utcMs == utc);
}

const int64_t kUtc = ClipTime::toMs(CivilTime{2026, 11, 8, 12, 34, 56});

TEST(FreeGps_payloads)
{
    Bytes xored = nmeaBlock(kRmc);
    for (size_t i = 0x10; i < xored.size(); ++i)
        xored.data[i] ^= 0xAA;
    Bytes ligo;
    ligo.be32(0x200).text("LIGOGPSINFO").padTo(0x200);
    Bytes month13 = binaryBlock(0, 'A');
    month13.data[0x20] = 13;
    const struct {
        const char *name;
        Bytes block;
        const char *layout;
        const char *lat;
        int spd;
        bool hasG;
        float gz;
        std::optional<int64_t> utc;
    } rows[] = {
        // 5130.0000 N -> 51.500000; 10 kn -> 18.52 -> 19 km/h; 256 / 256 = 1 g
        {"V3 with a fix", binaryBlock(0, 'A'), "freegps", "51.500000", 19, true, 1.0f, kUtc},
        {"V3 without a fix", binaryBlock(0, 'V'), "freegps", "", 0, true, 1.0f, kUtc},
        {"old layout: no readings", binaryBlock(0x20, 'A', 26, false), "freegps", "51.500000", 19, false, 0, kUtc},
        {"longer header, full year: local time", binaryBlock(0x30, 'A', 2026), "freegps", "51.500000", 19, true, 1.0f,
         std::nullopt},
        {"NMEA inside the block", nmeaBlock(kRmc), "freegps", "51.500000", 19, true, 1.0f, kUtc},
        {"shifted NMEA, readings in milli-g", shiftedBlock(kRmc), "freegps", "51.500000", 19, true, 1.0f, kUtc},
        {"XOR 0xAA", xored, "unreadable", nullptr, 0, false, 0, std::nullopt},
        {"LIGOGPSINFO", ligo, "unreadable", nullptr, 0, false, 0, std::nullopt},
        {"month 13: no layout reads it", month13, "unreadable", nullptr, 0, false, 0, std::nullopt},
    };
    for (const auto &r : rows) {
        tst::Row row(r.name);
        const GpsReadResult res = readFile(freeGpsFile({{4096, r.block}}, {4096}, 8192));
        CHECK_EQ(std::string(layoutName(res.layout)), std::string(r.layout));
        if (r.lat)
            checkFirst(res, r.lat, *r.lat ? "-0.100000" : "", r.spd, r.hasG, r.gz, r.utc);
        else
            CHECK(res.videoDatas.empty() && res.samples.empty());
    }
}

TEST(FreeGps_finding_the_blocks)
{
    const Bytes a = binaryBlock(0, 'A');
    const struct {
        const char *name;
        std::map<uint32_t, Bytes> blocks;
        std::vector<uint32_t> listed;
        uint32_t end, seconds;
        size_t samples;
    } rows[] = {
        {"the index lists all", {{4096, a}, {40000, a}, {70001, a}}, {4096, 40000, 70001}, 80000, 3, 3},
        {"no index: aligned blocks", {{0x8000, a}, {0x10000, a}, {0x20000, a}}, {}, 0x30000, 0, 3},
        {"no index: a block off the alignment, within the window", {{0x1234, a}}, {}, 0x30000, 0, 1},
        {"no index: blocks back to back", {{0x4000, a}, {0x4200, a}, {0x4400, a}}, {}, 0x30000, 0, 3},
        {"no index: off the alignment past the window", {{0x50001, a}}, {}, 0x60000, 0, 0},
        {"short index: the rest found by the scan", {{0x8000, a}, {0x10000, a}, {0x18000, a}}, {0x8000}, 0x20000, 3, 3},
        {"index beyond the file", {}, {0x7FFFFFF0, 0xFFFFFFF0}, 0x1000, 0, 0},
    };
    for (const auto &r : rows) {
        tst::Row row(r.name);
        const GpsReadResult res = readFile(freeGpsFile(r.blocks, r.listed, r.end, r.seconds));
        CHECK_EQ(res.videoDatas.size(), r.samples);
        CHECK_EQ(res.samples.size(), r.samples);
    }
    // Blocks outside mdat: each a top-level box of its own (its size, then `free` and
    // `GPS `), or inside another top-level box, before or after moov.
    Bytes outside = freeGpsFile({}, {}, 4096);
    outside.append(binaryBlock(0, 'A', 26, true, 0x4000)).append(binaryBlock(0, 'V', 26, true, 0x4000));
    outside.append(atom("skip", binaryBlock(0, 'A')));
    Bytes before = fx::ftyp().append(binaryBlock(0, 'A')).append(atom("mdat", Bytes().zeros(64)));
    before.append(atom("moov", fx::mvhd()));
    const struct {
        const char *name;
        Bytes file;
        size_t samples;
    } boxes[] = {{"blocks as top-level boxes after moov, and one in a skip box", outside, 3},
                 {"a block as a top-level box before mdat", before, 1}};
    for (const auto &r : boxes) {
        tst::Row row(r.name);
        const GpsReadResult res = readFile(r.file);
        CHECK_EQ(std::string(layoutName(res.layout)), std::string("freegps"));
        CHECK_EQ(res.samples.size(), r.samples);
    }
}

TEST(ReadingChoice_table)
{
    // samples, recognised, marked, undecodable
    const Reading none{}, foreign{true, false, false, false}, own{true, true, false, false},
        marked{true, false, true, false}, undecodable{false, false, false, true};
    using O = ReadingChoice::Outcome;
    const struct {
        const char *name;
        std::vector<Reading> readings;
        O outcome;
        int index;
        bool settled;
    } rows[] = {
        {"no reader ran", {}, O::None, -1, false},
        {"nothing found", {none, none}, O::None, -1, false},
        {"the first recognised reading", {none, own, own}, O::Reading, 1, true},
        {"undecodable blocks do not end the detection", {undecodable, own}, O::Reading, 1, true},
        {"another camera's blocks after udta lose to a later reader", {foreign, own}, O::Reading, 1, true},
        {"a recognised reading beats an earlier marked one", {marked, own}, O::Reading, 1, true},
        {"a marked file's reading stands without a sentence", {marked, undecodable}, O::Reading, 0, false},
        {"undecodable blocks beat a reading of foreign bytes", {foreign, undecodable}, O::Unreadable, -1, false},
        {"foreign bytes alone are no reading", {foreign}, O::None, -1, false},
        {"a recognised reading without samples counts for nothing", {Reading{false, true, false, false}}, O::None, -1,
         false},
    };
    for (const auto &r : rows) {
        tst::Row row(r.name);
        const ReadingChoice::Choice c = ReadingChoice::pick(r.readings);
        CHECK(c.outcome == r.outcome);
        CHECK_EQ(c.index, r.index);
        CHECK_EQ(ReadingChoice::settled(r.readings), r.settled);
    }
}

TEST(FreeGps_scan_of_a_4GiB_file_without_the_magic_reads_little)
{
    tst::TempFile f(freeGpsFile({}, {}, 4096));
    const int fd = ::open(f.path.c_str(), O_WRONLY);
    CHECK(fd >= 0 && ::ftruncate(fd, off_t(4) << 30) == 0);
    ::close(fd);
    BinaryFile file;
    CHECK(file.open(f.path));
    GpsReadResult res;
    CHECK(FreeGps::read(file, MovieMap::of(file), true, &res) == FreeGps::Outcome::NotFound);
    // the byte window and the aligned probes, not the 4 GiB
    CHECK(file.bytesRead() < 2 * FreeGps::kMaxWindowBytes);
    CHECK_EQ(GpsDataHelper::readGpsData(f.path).videoDatas.size(), size_t(0));
}

// A top-level free box after moov with the given children.
Bytes freeBoxFile(const Bytes &children)
{
    return fx::ftyp().append(atom("moov", fx::mvhd())).append(atom("free", children)).append(atom("mdat", Bytes().zeros(64)));
}

Bytes records(std::initializer_list<std::array<int32_t, 4>> list, bool end = true)
{
    Bytes b;
    for (const auto &r : list)
        b.be32(uint32_t(r[0])).be16(uint16_t(r[1])).be16(uint16_t(r[2])).be16(uint16_t(r[3]));
    if (end)
        b.be32(0xFFFFFFFFu).zeros(6);
    return b;
}

TEST(FreeBox_table)
{
    // Stamp 1794141296000 = 2026-11-08 12:34:56 UTC; sttm 20:34:50 local (UTC+8, six
    // seconds before the first fix): the zone is 8 h, so the fix lies 6000 ms in.
    const std::string lines = "[1794141296000]" + kRmc + "\r\n[1794141296000]$GPGGA,123456,5130.0000,N,00006.0000,W,1,08,0.9,1,M,1,M,,\r\n";
    Bytes gps = atom("gps ", Bytes().text(lines).zeros(32));
    const Bytes accel = atom("3gf ", records({{5900, 1, 2, 3}, {6000, 10, -5, 7}, {6100, 9, 9, 9}}));
    const Bytes sttm = atom("sttm", Bytes().be64(1794141290000ULL + 8 * 3600000ULL));
    const struct {
        const char *name;
        Bytes children;
        size_t samples;
        bool fix, hasG;
        float gx;
        std::optional<int64_t> utc;
    } rows[] = {
        {"gps, 3gf and sttm", Bytes(gps).append(accel).append(sttm), 1, true, true, 1.0f, kUtc},
        {"gps alone: no G", gps, 1, true, false, 0, kUtc},
        {"3gf alone: a sample a second without fix", atom("3gf ", records({{0, 1, 2, 3}, {100, 4, 4, 4}, {1000, 5, 5, 5}})),
         2, false, true, 0.1f, std::nullopt},
        {"3gf without its end mark", atom("3gf ", records({{0, 3, 3, 3}}, false)), 1, false, true, 0.3f, std::nullopt},
        {"a line without a stamp keeps the sentence's time", atom("gps ", Bytes().text(kRmc)), 1, true, false, 0, kUtc},
        {"a stamp of 19 digits is no stamp", atom("gps ", Bytes().text("[9999999999999999999]" + kRmc)), 1, true, false, 0,
         kUtc},
    };
    for (const auto &r : rows) {
        tst::Row row(r.name);
        const GpsReadResult res = readFile(freeBoxFile(r.children), "20261108_203450_NF.mp4");
        CHECK_EQ(std::string(layoutName(res.layout)), std::string("free-box"));
        if (!CHECK_EQ(res.samples.size(), r.samples))
            continue;
        CHECK_EQ(res.samples[0].hasFix, r.fix);
        CHECK_EQ(res.samples[0].hasG, r.hasG);
        CHECK_EQ(res.samples[0].gx, r.gx);
        CHECK(res.samples[0].utcMs == r.utc);
    }
}

// A track (handler, sample entry and its content) whose samples sit at 4096 on, two to
// a chunk, listed through co64; with an mdhd of `seconds` when that is not 0.
Bytes trackFile(const char *handler, const char *entry, const std::vector<Bytes> &samples,
                const Bytes &entryContent = Bytes().zeros(8), uint32_t seconds = 0)
{
    std::map<uint32_t, Bytes> blocks;
    Bytes sizes, chunks;
    uint32_t at = 4096;
    for (size_t i = 0; i < samples.size(); i += 2) {
        chunks.be64(at);
        Bytes chunk = samples[i];
        if (i + 1 < samples.size())
            chunk.append(samples[i + 1]);
        blocks[at] = chunk;
        at += uint32_t(chunk.size()) + 100;
    }
    for (const Bytes &s : samples)
        sizes.be32(uint32_t(s.size()));
    Bytes file = fx::ftypAndMdat(blocks, at);
    Bytes stsd = atom("stsd", Bytes().be32(0).be32(1).append(atom(entry, entryContent)));
    const Bytes stbl = atom("stbl", stsd.append(atom("stsc", Bytes().be32(0).be32(1).be32(1).be32(2).be32(1)))
                                        .append(atom("stsz", Bytes().be32(0).be32(0).be32(uint32_t(samples.size())).append(sizes)))
                                        .append(atom("co64", Bytes().be32(0).be32(uint32_t(chunks.size() / 8)).append(chunks))));
    Bytes mdia = seconds ? atom("mdhd", Bytes().be32(0).be32(0).be32(0).be32(1000).be32(seconds * 1000).zeros(4))
                         : Bytes();
    mdia = atom("mdia", mdia.append(atom("hdlr", Bytes().be32(0).text("mhlr").text(handler).zeros(12)))
                            .append(atom("minf", stbl)));
    return file.append(atom("moov", fx::mvhd().append(atom("trak", mdia))));
}

Bytes textSample(const std::string &text)
{
    return Bytes().be16(uint16_t(text.size())).text(text);
}

Bytes fixedSample(const std::string &rmc)
{
    Bytes s;
    s.be16(0x11E).be32(1).text("20261108203456").le32(-1280).le32(2560).le32(1280);
    s.text(rmc).padTo(0xA0).padTo(0x120);
    return s;
}

TEST(TextTrack_table)
{
    const struct {
        const char *name, *handler, *entry;
        std::vector<Bytes> samples;
        const char *layout;
        size_t count;
        bool fix, hasG;
        float gx, gy;
    } rows[] = {
        // Y = -1280 / -1280 = 1, X = 2560 / 1280 = 2
        {"fixed 0x120 samples", "text", "text", {fixedSample(kRmc), fixedSample(kRmc), fixedSample(kRmc)}, "text-track", 3,
         true, true, 2.0f, 1.0f},
        {"gsensori lines", "sbtl", "tx3g", {textSample("gsensori,4,512,512,-256,0;" + kRmc.substr(1) + ";CAR,1,2")},
         "text-track", 1, true, true, 1.0f, -0.5f},
        {"plain NMEA", "text", "tx3g", {textSample(kRmc + "\r\n"), textSample(kRmc + "\r\n")}, "text-track", 2, true,
         false, 0, 0},
        {"a film's subtitles", "sbtl", "tx3g", {textSample("Hello there."), textSample("Goodbye.")}, "none", 0, false,
         false, 0, 0},
        {"found by the sample entry alone", "vide", "tx3g", {textSample(kRmc)}, "text-track", 1, true, false, 0, 0},
    };
    for (const auto &r : rows) {
        tst::Row row(r.name);
        const GpsReadResult res = readFile(trackFile(r.handler, r.entry, r.samples));
        CHECK_EQ(std::string(layoutName(res.layout)), std::string(r.layout));
        if (!CHECK_EQ(res.samples.size(), r.count) || r.count == 0)
            continue;
        CHECK_EQ(res.samples.back().hasFix, r.fix);
        CHECK_EQ(res.samples.back().hasG, r.hasG);
        CHECK_EQ(res.samples.back().gx, r.gx);
        CHECK_EQ(res.samples.back().gy, r.gy);
        CHECK_EQ(res.videoDatas.back().gps_lat, std::string("51.500000"));
        CHECK(res.samples.back().utcMs == std::optional<int64_t>(kUtc));
    }
}

// The sample tables as the readers get them: samples that would start past the end of
// the file are left out, however many the tables claim.
TEST(AtomWalk_samples_table)
{
    const auto file = [](uint32_t fixedSize, uint32_t count, uint32_t perChunk, const std::vector<uint32_t> &chunks) {
        Bytes tables = atom("stsz", Bytes().be32(0).be32(fixedSize).be32(count));
        tables.append(atom("stsc", Bytes().be32(0).be32(1).be32(1).be32(perChunk).be32(1)));
        tables.append(fx::stco(chunks, uint32_t(chunks.size())));
        return fx::ftypAndMdat({}, 4096).append(atom("moov", fx::mvhd().append(fx::trak(tables))));
    };
    const struct {
        const char *name;
        Bytes file;
        size_t samples;
    } rows[] = {
        {"ten samples of 100 bytes", file(100, 10, 10, {16}), 10},
        {"two million samples of one byte in one chunk", file(1, 2000000, 2000000, {16}), file(1, 1, 1, {16}).size() - 16},
        {"a chunk past the end of the file", file(100, 20, 10, {16, 0x7FFFFFF0}), 10},
        {"a chunk that runs past the end", file(1000, 10, 10, {16}), 5},
    };
    for (const auto &r : rows) {
        tst::Row row(r.name);
        tst::TempFile f(r.file);
        BinaryFile b;
        CHECK(b.open(f.path));
        const MovieMap map = MovieMap::of(b);
        const AtomHeader *trak = map.moovChild("trak");
        if (CHECK(trak))
            CHECK_EQ(AtomWalk::trackSamples(b, *trak, size_t(1) << 21).size(), r.samples);
    }
}

TEST(Rmc_speed_table)
{
    const struct {
        const char *name, *speed;
        bool hasSpeed;
        double kmh;
    } rows[] = {
        {"10 knots", "10.0", true, 18.52},
        {"standing", "0.0", true, 0},
        {"no speed field", "", false, 0},
        {"a speed below 0 is no reading", "-2300b", false, 0},
    };
    for (const auto &r : rows) {
        tst::Row row(r.name);
        TelemetryMoment m;
        const std::string rmc = std::string("$GPRMC,123456,A,5130.0000,N,00006.0000,W,") + r.speed + ",90.0,081126,,,A";
        CHECK(Moments::parse(rmc, &m) == Moments::Sentence::Rmc);
        CHECK_EQ(m.hasSpeed, r.hasSpeed);
        CHECK(std::fabs(m.speedKmh - r.kmh) < 1e-9);
    }
}

TEST(Files_beside_the_video)
{
    const Bytes video = fx::ftyp().append(atom("moov", fx::mvhd())).append(atom("mdat", Bytes().zeros(64)));
    const std::string gpx = "<gpx><trk><trkseg><trkpt lat=\"51.5\" lon=\"-0.1\"><time>2026-11-08T12:34:56Z</time>"
                            "<extensions><gpxtpx:speed>5</gpxtpx:speed></extensions></trkpt></trkseg></trk></gpx>";
    const struct {
        const char *name, *beside, *text, *layout;
        size_t samples;
        int spd;
    } rows[] = {
        {"NMEA file", "clip.NMEA", "$GPGGA,1\r\n$GPRMC,123456,A,5130.0000,N,00006.0000,W,10.0,90.0,081126,,,A*00\r\n",
         "nmea-file", 1, 19},
        {"lower-case nmea", "clip.nmea", "$GNRMC,123456,A,5130.0000,N,00006.0000,W,10.0,90.0,081126,,,A\n", "nmea-file", 1, 19},
        {"GPX file, speed in m/s", "clip.gpx", gpx.c_str(), "gpx-file", 1, 18},
        {"another base name", "clip2.NMEA", "$GPRMC,123456,A,5130.0000,N,00006.0000,W,1,,081126,,,A\n", "none", 0, 0},
        {"an empty NMEA file", "clip.NMEA", "", "none", 0, 0},
    };
    for (const auto &r : rows) {
        tst::Row row(r.name);
        tst::TempFile f(video, "clip.MOV");
        tst::TempFile side(Bytes().text(r.text));
        const std::string beside = f.folder + "/" + r.beside;
        std::rename(side.path.c_str(), beside.c_str());
        const GpsReadResult res = GpsDataHelper::readGpsData(f.path);
        std::remove(beside.c_str());
        CHECK_EQ(std::string(layoutName(res.layout)), std::string(r.layout));
        if (CHECK_EQ(res.samples.size(), r.samples) && r.samples)
            CHECK_EQ(res.videoDatas[0].spd, r.spd);
    }
}

TEST(Gpx_reader_table)
{
    std::string starts;
    while (starts.size() < (1 << 20))
        starts += "<trkpt>";
    const struct {
        const char *name;
        std::string text;
        size_t points;
        double lat;
        std::optional<int64_t> utc;
    } rows[] = {
        {"attributes in either quote", "<trkpt lon='-0.1' lat=\"51.5\"><time>2026-11-08T12:34:56Z</time></trkpt>", 1, 51.5, kUtc},
        {"a time with a zone", "<trkpt lat=\"1\" lon=\"2\"><time>2026-11-08T14:34:56.500+02:00</time></trkpt>", 1, 1, kUtc + 500},
        {"a commented point is none", "<!-- <trkpt lat=\"1\" lon=\"2\"></trkpt> --><trkpt lat=\"3\" lon=\"4\"/>", 1, 3, std::nullopt},
        {"CDATA is skipped", "<desc><![CDATA[<trkpt lat=\"1\" lon=\"2\"/>]]></desc>", 0, 0, std::nullopt},
        {"cut inside the last point", "<trkpt lat=\"5\" lon=\"6\"></trkpt><trkpt lat=\"7\" lon=\"8\"><ti", 1, 5, std::nullopt},
        {"latitude out of range", "<trkpt lat=\"91\" lon=\"6\"/><trkpt lat=\"x\" lon=\"6\"/>", 0, 0, std::nullopt},
        {"a point without its end", "<trkpt lat=\"5\" lon=\"6\"><trkpt lat=\"7\" lon=\"8\"/>", 2, 5, std::nullopt},
        {"a whole document, prefixes and Garmin's extension",
         "<?xml version=\"1.0\"?><g:gpx xmlns:g=\"http://www.topografix.com/GPX/1/1\"><g:trk><g:trkseg>"
         "<g:trkpt lat=\"51.5\" lon=\"-0.1\"><g:time>2026-11-08T12:34:56Z</g:time><g:extensions><x:speed>3</x:speed>"
         "</g:extensions></g:trkpt><g:trkpt lat=\"51.6\" lon=\"-0.1\"/></g:trkseg></g:trk></g:gpx>",
         2, 51.5, kUtc},
        // Before: every point without an end searched to the end of the text; a megabyte
        // of them gave no answer in a minute.
        {"a megabyte of '<' inside a point", "<trkpt lat=\"1\" lon=\"2\">" + std::string(1 << 20, '<'), 0, 0,
         std::nullopt},
        {"a megabyte of points without an end", starts, 0, 0, std::nullopt},
        {"an entity declared: nothing is expanded",
         "<!DOCTYPE gpx [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">]>"
         "<gpx><trkpt lat=\"1\" lon=\"2\"><name>&b;</name></trkpt></gpx>",
         0, 0, std::nullopt},
    };
    for (const auto &r : rows) {
        tst::Row row(r.name);
        const std::vector<GpxTrack::Point> points = GpxTrack::parse(r.text);
        if (!CHECK_EQ(points.size(), r.points) || r.points == 0)
            continue;
        CHECK_EQ(points[0].latitude, r.lat);
        CHECK(points[0].utcMs == r.utc);
    }
}

TEST(Gpx_attached_to_a_clip)
{
    // Points at 0 s and 4 s (51.0 -> 51.4, 2 -> 6 m/s), then at 30 s after a gap.
    const std::string text = "<gpx><trk><trkseg>"
                             "<trkpt lat=\"51.0\" lon=\"0\"><time>2026-11-08T12:00:00Z</time><speed>2</speed></trkpt>"
                             "<trkpt lat=\"51.4\" lon=\"0\"><time>2026-11-08T12:00:04Z</time><speed>6</speed></trkpt>"
                             "<trkpt lat=\"52.0\" lon=\"0\"><time>2026-11-08T12:00:30Z</time></trkpt>"
                             "</trkseg></trk></gpx>";
    tst::TempFile f(Bytes().text(text), "phone.gpx");
    GpxTrack track;
    CHECK(track.load(f.path));
    const int64_t t0 = ClipTime::toMs(CivilTime{2026, 11, 8, 12, 0, 0});
    CHECK_EQ(track.overlapMs(t0 - 10000, 20000), int64_t(10000));
    CHECK_EQ(track.overlapMs(t0 + 60000, 20000), int64_t(0));
    const struct {
        const char *name;
        int64_t start;
        size_t index;
        bool fix;
        const char *lat;
        int spd;
        bool hasSpeed;
    } rows[] = {
        {"on a point", t0, 0, true, "51.000000", 7, true},
        {"between two points", t0, 1, true, "51.100000", 11, true},   // 3 m/s
        {"in a gap over 10 s", t0, 10, false, "", 0, false},
        {"before the track", t0 - 5000, 0, false, "", 0, false},
        {"between points without speed", t0 + 30000, 0, true, "52.000000", 0, false},
    };
    for (const auto &r : rows) {
        tst::Row row(r.name);
        const GpsReadResult res = track.samplesFor(r.start, 20000);
        CHECK_EQ(std::string(layoutName(res.layout)), std::string("gpx-file"));
        if (!CHECK_EQ(res.samples.size(), size_t(20)))
            continue;
        CHECK_EQ(res.samples[r.index].hasFix, r.fix);
        CHECK_EQ(res.videoDatas[r.index].gps_lat, std::string(r.lat));
        CHECK_EQ(res.videoDatas[r.index].spd, r.spd);
        CHECK_EQ(res.samples[r.index].hasSpeed, r.hasSpeed);
        CHECK(res.samples[r.index].utcMs == std::optional<int64_t>(r.start + int64_t(r.index) * 1000));
    }
}

// GPMF -------------------------------------------------------------------------

Bytes gpmdFile(const std::vector<Bytes> &payloads)
{
    return trackFile("meta", "gpmd", payloads, Bytes().zeros(8), uint32_t(payloads.size()));
}

TEST(Gpmf_table)
{
    const Bytes accl = acclStream({{4100, 0, -418}, {0, 0, 0}, {836, 0, 0}, {0, 0, 0}});
    const Bytes good = devc(gpsStream(gps5({kFix5, kFix5})).append(accl));
    // GPS9: the same fix, 2026-11-08 is day 9808 since 2000; 12:34:56.250 of the day.
    Bytes nine = Bytes().append(be32s({515000000, -1000000, 35000, 10000, 1000, 9808, 45296250}));
    nine.be16(150).be16(3);
    const Bytes gps9 = klv("TYPE", 'c', 9, 1, Bytes().text("lllllllSS"))
                           .append(klv("SCAL", 'l', 4, 9, be32s({10000000, 10000000, 1000, 1000, 100, 1, 1000, 100, 1})))
                           .append(klv("GPS9", '?', 32, 1, nine));
    Bytes lying = good;
    lying.data[lying.size() - accl.size() - 4 * 10 - 2] = 0x7F;   // GPS5's repeat: far more than it holds
    Bytes cut = good;
    cut.data.resize(cut.size() - 6);
    Bytes deep = klv("GPSU", 'c', 4, 1, Bytes().text("xxxx"));
    for (int i = 0; i < Gpmf::kMaxDepth + 1; ++i)
        deep = nest("STRM", deep);
    Bytes badKey = good;
    badKey.data[8] = '$';   // DVID's first letter
    const struct {
        const char *name;
        std::vector<Bytes> payloads;
        const char *layout;
        size_t samples;
        bool fix;
        int spd;
        bool hasG;
        float gx;
        std::optional<int64_t> firstUtc, lastUtc;
    } rows[] = {
        // 10 m/s is 36 km/h; 4100 / 418 m/s² in g
        {"GPS5 with SCAL, GPSU, GPSF, GPSP and ACCL", {good}, "gpmf", 2, true, 36, true,
         float(4100 / 418.0 / Gpmf::kStandardGravity), kUtc, kUtc + 500},
        {"the fixes of two payloads", {good, good}, "gpmf", 4, true, 36, true, float(4100 / 418.0 / Gpmf::kStandardGravity),
         kUtc, kUtc + 500},
        {"GPS9: a time, DOP and fix per fix", {devc(gpsStream(gps9))}, "gpmf", 1, true, 36, false, 0, kUtc + 250, kUtc + 250},
        {"GPSF 0: no position", {devc(gpsStream(gps5({kFix5}), 0))}, "gpmf", 1, false, 0, false, 0, kUtc, kUtc},
        {"DOP over 10: no position", {devc(gpsStream(gps5({kFix5}), 3, 1001))}, "gpmf", 1, false, 0, false, 0, kUtc, kUtc},
        {"one SCAL for every element", {devc(gpsStream(gps5({kFix5}, klv("SCAL", 'l', 4, 1, be32s({10000000})))))}, "gpmf",
         1, true, 0, false, 0, kUtc, kUtc},
        {"SCAL 0: no fix read, the readings stay", {devc(gpsStream(gps5({kFix5}, klv("SCAL", 'l', 4, 1, be32s({0}))))
                                                             .append(accl))},
         "gpmf", 1, false, 0, true, float(4100 / 418.0 / Gpmf::kStandardGravity), kUtc, kUtc},
        {"ACCL alone: a sample of G", {devc(accl)}, "gpmf", 1, false, 0, true, float(4100 / 418.0 / Gpmf::kStandardGravity),
         std::nullopt, std::nullopt},
        {"zero bytes after the last item", {Bytes(good).zeros(12)}, "gpmf", 2, true, 36, true,
         float(4100 / 418.0 / Gpmf::kStandardGravity), kUtc, kUtc + 500},
        {"a payload lying about GPS5's count is left out", {lying, good}, "gpmf", 2, true, 36, true,
         float(4100 / 418.0 / Gpmf::kStandardGravity), kUtc, kUtc + 500},
        {"a payload cut short is left out", {good, cut}, "gpmf", 2, true, 36, true,
         float(4100 / 418.0 / Gpmf::kStandardGravity), kUtc, kUtc + 500},
        {"NMEA text in a gpmd track is no KLV", {Bytes().text(kRmc)}, "none", 0, false, 0, false, 0, {}, {}},
        {"a first key other than DEVC", {nest("STRM", gps5({kFix5}))}, "none", 0, false, 0, false, 0, {}, {}},
        {"a key that is no FourCC", {badKey}, "none", 0, false, 0, false, 0, {}, {}},
        {"nesting deeper than the bound", {devc(deep)}, "none", 0, false, 0, false, 0, {}, {}},
        {"KLV without GPS or ACCL is no telemetry", {devc(nest("STRM", klv("TMPC", 'f', 4, 1, Bytes().be32(0))))}, "none",
         0, false, 0, false, 0, {}, {}},
    };
    for (const auto &r : rows) {
        tst::Row row(r.name);
        const GpsReadResult res = readFile(gpmdFile(r.payloads));
        CHECK_EQ(std::string(layoutName(res.layout)), std::string(r.layout));
        if (!CHECK_EQ(res.samples.size(), r.samples) || r.samples == 0)
            continue;
        CHECK_EQ(res.videoDatas.size(), r.samples);
        CHECK_EQ(res.samples[0].hasFix, r.fix);
        CHECK_EQ(res.videoDatas[0].gps_lat, std::string(r.fix ? "51.500000" : ""));
        CHECK_EQ(res.videoDatas[0].gps_lgt, std::string(r.fix ? "-0.100000" : ""));
        CHECK_EQ(res.videoDatas[0].spd, r.spd);
        CHECK_EQ(res.samples[0].hasCourse, false);
        CHECK_EQ(res.samples[0].hasG, r.hasG);
        CHECK_EQ(res.samples[0].gx, r.gx);
        CHECK(res.samples[0].utcMs == r.firstUtc);
        CHECK(res.samples.back().utcMs == r.lastUtc);
        CHECK_EQ(res.samplesPerSecond, double(r.samples) / double(r.payloads.size()));
    }
}

// SEI --------------------------------------------------------------------------

// An H.264 (avc1 and avcC) or H.265 (hvc1 and hvcC) video track of these frames.
Bytes videoFile(const std::vector<Bytes> &frames, bool h265 = false, int lengthSize = 4)
{
    Bytes entry = Bytes().zeros(78);
    const uint8_t lengthBits = uint8_t(0xFC | (lengthSize - 1));
    if (h265)
        entry.append(atom("hvcC", Bytes().zeros(21).raw(&lengthBits, 1).zeros(1)));
    else
        entry.append(atom("avcC", Bytes().text("\x01\x42\xC0\x1E").raw(&lengthBits, 1).text("\xE0").zeros(1)));
    return trackFile("vide", h265 ? "hvc1" : "avc1", frames, entry, 1);
}

// One payload at 4096, pointed at by `entries` chunks of one sample each, in a track of
// `seconds` (its mdhd) whose movie header says nothing of its length.
Bytes repeatedTrack(const char *handler, const char *entry, const Bytes &payload, uint32_t entries, uint32_t seconds,
                    const Bytes &entryContent = Bytes().zeros(8))
{
    Bytes file = fx::ftypAndMdat({{4096, payload}}, uint32_t(4096 + payload.size()));
    Bytes sizes, chunks;
    for (uint32_t i = 0; i < entries; ++i)
        sizes.be32(uint32_t(payload.size())), chunks.be64(4096);
    Bytes stsd = atom("stsd", Bytes().be32(0).be32(1).append(atom(entry, entryContent)));
    const Bytes stbl = atom("stbl", stsd.append(atom("stsc", Bytes().be32(0).be32(1).be32(1).be32(1).be32(1)))
                                        .append(atom("stsz", Bytes().be32(0).be32(0).be32(entries).append(sizes)))
                                        .append(atom("co64", Bytes().be32(0).be32(entries).append(chunks))));
    Bytes mdia = atom("mdhd", Bytes().be32(0).be32(0).be32(0).be32(1000).be32(seconds * 1000).zeros(4));
    mdia = atom("mdia", mdia.append(atom("hdlr", Bytes().be32(0).text("mhlr").text(handler).zeros(12))).append(atom("minf", stbl)));
    return file.append(atom("moov", fx::mvhd().append(atom("trak", mdia))));
}

TEST(Tables_that_claim_more_than_the_movie_holds)
{
    const std::vector<std::array<int32_t, 5>> fixes(1024, kFix5);
    const Bytes many = devc(gpsStream(gps5(fixes)));
    const Bytes frame = unit(seiUnit(seiMessage(carMessage(), true))).append(unit(slice()));
    Bytes avcEntry = Bytes().zeros(78);
    avcEntry.append(atom("avcC", Bytes().text("\x01\x42\xC0\x1E\xFF\xE0").zeros(1)));
    const struct {
        const char *name;
        Bytes file;
        const char *layout;
        size_t samples;
    } rows[] = {
        // Before: every entry read the payload again, 2,097,152 samples from a 29 KB file.
        {"4096 entries at one GPMF payload of 1024 fixes: read once", repeatedTrack("meta", "gpmd", many, 4096, 60),
         "gpmf", 1024},
        {"64 payloads of 1024 fixes in 64 s: no more than 50 a second", gpmdFile(std::vector<Bytes>(64, many)),
         "gpmf", size_t((64 + 1) * Gpmf::kMaxMomentsPerSecond)},
        {"20000 frames at one SEI message: read once", repeatedTrack("vide", "avc1", frame, 20000, 60, avcEntry),
         "sei-protobuf", 1},
        {"500 frames in a second: no more than 120 a second", videoFile(std::vector<Bytes>(500, frame)), "sei-protobuf",
         size_t((1 + 1) * SeiTelemetry::kMaxFramesPerSecond)},
    };
    for (const auto &r : rows) {
        tst::Row row(r.name);
        const GpsReadResult res = readFile(r.file);
        CHECK_EQ(std::string(layoutName(res.layout)), std::string(r.layout));
        CHECK_EQ(res.samples.size(), r.samples);
        CHECK_EQ(res.videoDatas.size(), r.samples);
    }
}

TEST(Sei_table)
{
    const Bytes msg = carMessage();
    const Bytes ours = unit(seiUnit(seiMessage(msg, true)));
    const Bytes frame = Bytes(ours).append(unit(slice()));
    const Bytes plain = unit(slice());
    const Bytes aud = unit(Bytes().text("\x09\xF0"));
    // An encoder's own user data first (another UUID, no magic), ours in a second message.
    Bytes encoders;
    encoders.data.insert(encoders.data.end(), {5, 20});
    encoders.text("x264 encoder text..").zeros(1);
    const Bytes twoMessages = seiUnit(Bytes(encoders).append(seiMessage(msg, false)));
    std::vector<Bytes> late(40, plain);
    for (size_t i = 35; i < late.size(); ++i)
        late[i] = frame;
    Bytes pastTheFrame = Bytes(ours).append(plain);
    pastTheFrame.patchBe32(0, 9999);
    Bytes notProtobuf;
    notProtobuf.data.insert(notProtobuf.data.end(), {0x0F, 0xFF});   // field 1, wire type 7
    const struct {
        const char *name;
        Bytes file;
        const char *layout;
        size_t samples;
        size_t first;   // the first sample with the message
    } rows[] = {
        {"H.264, the magic after the UUID", videoFile({frame, frame, frame}), "sei-protobuf", 3, 0},
        {"H.264, the magic opening the payload", videoFile({unit(seiUnit(seiMessage(msg, false))).append(plain)}),
         "sei-protobuf", 1, 0},
        {"H.265 prefix SEI, 2-byte lengths",
         videoFile({unit(seiUnit(seiMessage(msg, true), true), 2).append(unit(slice(true), 2))}, true, 2), "sei-protobuf", 1, 0},
        {"1-byte lengths", videoFile({unit(seiUnit(seiMessage(msg, true)), 1).append(unit(slice(), 1))}, false, 1), "sei-protobuf", 1,
         0},
        {"after a delimiter and another unit's user data",
         videoFile({Bytes(aud).append(unit(twoMessages)).append(plain)}), "sei-protobuf", 1, 0},
        {"a frame without the message keeps its place", videoFile({plain, frame, frame}), "sei-protobuf", 3, 1},
        {"an SEI unit that ends early", videoFile({unit(seiUnit(seiMessage(msg, true, 10))).append(plain), frame}),
         "sei-protobuf", 2, 1},
        {"a message only in the last frames: found by the spread probes", videoFile(late), "sei-protobuf", 40, 35},
        {"an SEI after the slice is not read", videoFile({Bytes(plain).append(ours)}), "none", 0, 0},
        {"a unit length past the frame", videoFile({pastTheFrame}), "none", 0, 0},
        {"a message that is no protobuf", videoFile({unit(seiUnit(seiMessage(notProtobuf, true))).append(plain)}), "none", 0, 0},
        {"user data without the magic", videoFile({unit(Bytes().text("\x06\x05\x14").text("0123456789abcdef\x01\x02\x03\x04\x80"))
                                                       .append(plain)}),
         "none", 0, 0},
        {"a plain video", videoFile({plain, plain}), "none", 0, 0},
    };
    for (const auto &r : rows) {
        tst::Row row(r.name);
        const GpsReadResult res = readFile(r.file);
        CHECK_EQ(std::string(layoutName(res.layout)), std::string(r.layout));
        if (!CHECK_EQ(res.samples.size(), r.samples) || r.samples == 0)
            continue;
        CHECK_EQ(res.videoDatas.size(), r.samples);
        CHECK_EQ(res.samplesPerSecond, double(r.samples));
        const TelemetrySample &t = res.samples[r.first];
        CHECK(t.hasFix && t.hasSpeed && t.hasCourse && t.hasG);
        CHECK_EQ(res.videoDatas[r.first].gps_lat, std::string("51.500000"));
        CHECK_EQ(res.videoDatas[r.first].gps_lgt, std::string("-0.100000"));
        CHECK_EQ(t.speedKmh, 36);
        CHECK_EQ(t.course, 90.0);
        CHECK_EQ(t.gx, 1.0f);
        CHECK(!t.utcMs);
        CHECK(t.vehicle && t.vehicle->brake && t.vehicle->assistance == TelemetrySample::Assistance::Autosteer &&
              t.vehicle->gear == TelemetrySample::Gear::Park);
        if (r.first > 0)
            CHECK(!res.samples[0].vehicle && !res.samples[0].hasFix && !res.samples[0].hasSpeed && !res.samples[0].hasG);
    }
}

// The wire format of the car's message, bytes by hand (tst_vehicle_message holds the
// decoder to protobuf's own code).
TEST(VehicleMessage_wire_table)
{
    const Bytes msg = carMessage();
    const auto field = [](uint32_t number, int wire) {
        Bytes b;
        return varint(b, uint64_t(number) << 3 | uint32_t(wire));
    };
    Bytes unknown = msg;
    varint(varint(unknown, 99 << 3 | 0), 12345);
    le64(varint(unknown, 98 << 3 | 1), 1.0);
    varint(unknown, 97 << 3 | 2).data.insert(unknown.data.end(), {3, 'a', 'b', 'c'});
    varint(unknown, 96 << 3 | 5).le32(7);
    Bytes twice = msg;
    le32f(varint(twice, 4 << 3 | 5), 20.0f);
    Bytes wrongType = field(4, 0);
    varint(wrongType, 77);
    Bytes group = field(50, 3).append(field(4, 5));
    le32f(group, 20.0f).append(field(50, 4));
    Bytes deep100, deep101;
    for (int i = 0; i < 100; ++i)
        deep100.append(field(50, 3));
    for (int i = 0; i < 100; ++i)
        deep100.append(field(50, 4));
    deep101 = field(50, 3).append(deep100).append(field(50, 4));
    Bytes longVarint = field(1, 0);
    longVarint.data.insert(longVarint.data.end(), 10, 0x80);
    longVarint.data.push_back(1);
    Bytes wideTag;   // field 4, wire type 5, in five bytes whose high bits protobuf drops
    wideTag.data.insert(wideTag.data.end(), {0xA5, 0x80, 0x80, 0x80, 0x10});
    le32f(wideTag, 20.0f);
    Bytes sixByteLength = field(97, 2);
    sixByteLength.data.insert(sixByteLength.data.end(), {0x81, 0x80, 0x80, 0x80, 0x80, 0x00, 'a'});
    const struct {
        const char *name;
        Bytes bytes;
        bool ok;
        float speed;
        bool brake;
    } rows[] = {
        {"the car's message", msg, true, 10.0f, true},
        {"an empty message: every field zero", Bytes(), true, 0, false},
        {"unknown fields of every wire type are stepped over", unknown, true, 10.0f, true},
        {"a field given twice takes its last value", twice, true, 20.0f, true},
        {"a field of another wire type is stepped over", wrongType, true, 0, false},
        {"a known field inside a group is stepped over", group, true, 0, false},
        {"a tag of five bytes keeps its low 32 bits", wideTag, true, 20.0f, false},
        {"groups 100 deep", deep100, true, 0, false},
        {"groups 101 deep", deep101, false, 0, false},
        {"a group without its end", field(50, 3), false, 0, false},
        {"an end of group without its start", field(50, 4), false, 0, false},
        {"an end of another group", Bytes(field(50, 3)).append(field(51, 4)), false, 0, false},
        {"field number 0", Bytes(field(0, 0)).text("\x01"), false, 0, false},
        {"wire type 6", Bytes(field(4, 6)).text("\x01"), false, 0, false},
        {"a length past the end", Bytes(field(97, 2)).text("\x05" "ab"), false, 0, false},
        {"a length of 2^32 - 1", Bytes(field(97, 2)).text("\xFF\xFF\xFF\xFF\x0F"), false, 0, false},
        {"a length in six bytes", sixByteLength, false, 0, false},
        {"a varint of eleven bytes", longVarint, false, 0, false},
        {"a double cut short", Bytes(field(11, 1)).text("\x01\x02\x03"), false, 0, false},
        {"the message cut in its last field", Bytes().raw(msg.data.data(), msg.size() - 1), false, 0, false},
    };
    for (const auto &r : rows) {
        tst::Row row(r.name);
        VehicleMessage m;
        m.version = 42;
        const bool ok = VehicleMessage::decode(r.bytes.data.data(), r.bytes.size(), &m);
        CHECK_EQ(ok, r.ok);
        CHECK_EQ(m.version, ok ? 0u : 42u);   // a failed decoding leaves the message alone
        if (ok) {
            CHECK_EQ(m.speedMps, r.speed);
            CHECK_EQ(m.brake, r.brake);
        }
    }
}

// The block at 4096, listed by a `gps ` index right after a udta naming NT96660.
Bytes nt9666Listed(const Bytes &block)
{
    Bytes file = fx::ftypAndMdat({{4096, block}}, 8192);
    return file.append(atom("moov", fx::mvhd().append(fx::udta("NT96660")).append(fx::gpsIndex({4096}, 1))));
}

Bytes xoredBlock()
{
    Bytes b = nmeaBlock(kRmc);
    for (size_t i = 0x10; i < b.size(); ++i)
        b.data[i] ^= 0xAA;
    return b;
}

TEST(Detection_order_on_mixed_layouts)
{
    const Bytes freeBox = atom("free", atom("gps ", Bytes().text("[1794141296000]" + kRmc)));
    std::vector<uint32_t> sizes(30, 10), offsets(30, 100);
    sizes[29] = 768, offsets[29] = 32000;
    Bytes nt9665 = fx::ftypAndMdat({{32768, tst::gpsBlock(1, 2, 3, fx::kFix)}}, 33000);
    nt9665.append(atom("moov", fx::mvhd().append(fx::trak(fx::stsz(sizes, 30).append(fx::stco(offsets, 30))))
                                   .append(fx::udta("NT9665"))));
    Bytes text = trackFile("text", "tx3g", {textSample(kRmc)});
    const struct {
        const char *name;
        Bytes file;
        const char *layout;
    } rows[] = {
        {"NT9665 and a free box", Bytes(nt9665).append(freeBox), "novatek-nt9665"},
        {"freeGPS index and a free box", freeGpsFile({{4096, binaryBlock(0, 'A')}}, {4096}, 8192).append(freeBox), "freegps"},
        {"free box and a text track", Bytes(text).append(freeBox), "free-box"},
        {"text track and unindexed freeGPS blocks",
         Bytes(text).append(atom("skip", Bytes().zeros(100).append(binaryBlock(0, 'A')))), "text-track"},
        {"udta naming no chipset, then freeGPS blocks without index",
         freeGpsFile({{0x8000, binaryBlock(0, 'A')}}, {}, 0x9000).append(atom("moov", fx::udta("CAM"))), "freegps"},
        {"a gpmd track holding freeGPS blocks, no index: the scan reads them", trackFile("meta", "gpmd", {binaryBlock(0, 'A')}),
         "freegps"},
        {"the earliest index kind with the head cameras write: the index reader, as always",
         nt9666Listed(shiftedBlock(kRmc)), "novatek-nt9666"},
        {"the same without a fix: still its own kind", nt9666Listed(shiftedBlock(fx::kNoFix)), "novatek-nt9666"},
        {"freeGPS V3 blocks in the index after udta", nt9666Listed(binaryBlock(0, 'A')), "freegps"},
        {"enciphered blocks in the index after udta", nt9666Listed(xoredBlock()), "unreadable"},
        {"nothing", fx::ftyp().append(atom("mdat", Bytes().zeros(100))), "none"},
        {"a zero-byte file (a camera that stopped at once)", Bytes(), "none"},
    };
    for (const auto &r : rows) {
        tst::Row row(r.name);
        const GpsReadResult res = readFile(r.file);
        CHECK_EQ(std::string(layoutName(res.layout)), std::string(r.layout));
        CHECK_EQ(res.samples.size(), res.videoDatas.size());
        CHECK_EQ(res.times.size(), res.videoDatas.size());
    }
    // The index reader's reading is the same whatever the head of its blocks.
    const GpsReadResult plain = readFile(nt9666Listed(tst::gpsBlock(0, 0, 1000, kRmc)));
    const GpsReadResult real = readFile(nt9666Listed(shiftedBlock(kRmc)));
    CHECK(real.videoDatas == plain.videoDatas && real.videoDatas.size() == 1 && !real.videoDatas[0].gps_lat.empty());
    TelemetryLayout back = TelemetryLayout::None;
    for (const char *name : {"none", "unreadable", "novatek-nt9665", "novatek-nt9666", "icat6330", "freegps", "free-box",
                             "text-track", "gpmf", "sei-protobuf", "nmea-file", "gpx-file"})
        CHECK(layoutFromName(name, &back) && std::string(layoutName(back)) == name);
    CHECK(!layoutFromName("NT9665", &back));
}

} // namespace

TEST_MAIN()
