// The readers of the newer layouts on hand-built files, one table per layout family:
// freeGPS payloads and how the blocks are found, the boxes under `free`, text tracks,
// the files beside the video and an attached GPX track, and the detection order on
// files that carry more than one layout.
#include "BinaryFile.h"
#include "ClipTime.h"
#include "Fixtures.h"
#include "FreeGps.h"
#include "GpsDataHelper.h"
#include "MovieMap.h"
#include "SideFiles.h"

#include <cmath>
#include <fcntl.h>
#include <unistd.h>

namespace {

using fx::atom;
using fx::Bytes;

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

// A text track (handler, sample entry) whose samples sit at 4096 on, two to a chunk,
// listed through co64.
Bytes textTrackFile(const char *handler, const char *entry, const std::vector<Bytes> &samples)
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
    Bytes stsd = atom("stsd", Bytes().be32(0).be32(1).append(atom(entry, Bytes().zeros(8))));
    const Bytes stbl = atom("stbl", stsd.append(atom("stsc", Bytes().be32(0).be32(1).be32(1).be32(2).be32(1)))
                                        .append(atom("stsz", Bytes().be32(0).be32(0).be32(uint32_t(samples.size())).append(sizes)))
                                        .append(atom("co64", Bytes().be32(0).be32(uint32_t(chunks.size() / 8)).append(chunks))));
    const Bytes mdia = atom("mdia", atom("hdlr", Bytes().be32(0).text("mhlr").text(handler).zeros(12))
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
        const GpsReadResult res = readFile(textTrackFile(r.handler, r.entry, r.samples));
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
    const std::string text = "<trkpt lat=\"51.0\" lon=\"0\"><time>2026-11-08T12:00:00Z</time><speed>2</speed></trkpt>"
                             "<trkpt lat=\"51.4\" lon=\"0\"><time>2026-11-08T12:00:04Z</time><speed>6</speed></trkpt>"
                             "<trkpt lat=\"52.0\" lon=\"0\"><time>2026-11-08T12:00:30Z</time></trkpt>";
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

TEST(Detection_order_on_mixed_layouts)
{
    const Bytes freeBox = atom("free", atom("gps ", Bytes().text("[1794141296000]" + kRmc)));
    std::vector<uint32_t> sizes(30, 10), offsets(30, 100);
    sizes[29] = 768, offsets[29] = 32000;
    Bytes nt9665 = fx::ftypAndMdat({{32768, tst::gpsBlock(1, 2, 3, fx::kFix)}}, 33000);
    nt9665.append(atom("moov", fx::mvhd().append(fx::trak(fx::stsz(sizes, 30).append(fx::stco(offsets, 30))))
                                   .append(fx::udta("NT9665"))));
    Bytes text = textTrackFile("text", "tx3g", {textSample(kRmc)});
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
        {"nothing", fx::ftyp().append(atom("mdat", Bytes().zeros(100))), "none"},
    };
    for (const auto &r : rows) {
        tst::Row row(r.name);
        const GpsReadResult res = readFile(r.file);
        CHECK_EQ(std::string(layoutName(res.layout)), std::string(r.layout));
        CHECK_EQ(res.samples.size(), res.videoDatas.size());
        CHECK_EQ(res.times.size(), res.videoDatas.size());
    }
    TelemetryLayout back = TelemetryLayout::None;
    for (const char *name : {"none", "unreadable", "novatek-nt9665", "novatek-nt9666", "icat6330", "freegps", "free-box",
                             "text-track", "nmea-file", "gpx-file"})
        CHECK(layoutFromName(name, &back) && std::string(layoutName(back)) == name);
    CHECK(!layoutFromName("NT9665", &back));
}

} // namespace

TEST_MAIN()
