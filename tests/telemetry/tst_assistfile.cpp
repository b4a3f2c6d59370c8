// The two block readers of AssistFile on hand-built files: block positions from the
// sample tables (one and two traks) and from the index atom, the G-sensor scale and
// limits, and malformed layouts (truncation, bogus counts, atoms that cannot be walked).
#include "AssistFile.h"
#include "Fixtures.h"

#include <cerrno>

namespace {

using fx::atom;
using fx::Bytes;
using tst::gpsBlock;

struct Expected {
    float x, y, z;
    const char *lat;
    const char *lgt;
    int speed;
    double course;
};

void checkEntry(const AssistEntry &a, const Expected &e)
{
    CHECK_EQ(a.gsensorX, e.x);
    CHECK_EQ(a.gsensorY, e.y);
    CHECK_EQ(a.gsensorZ, e.z);
    CHECK_EQ(a.gpsLat, std::string(e.lat));
    CHECK_EQ(a.gpsLgt, std::string(e.lgt));
    CHECK_EQ(a.speed, e.speed);
    CHECK_EQ(a.northAngle, e.course);
}

// kFix: 4807.0380 N -> 48.117300, 01131.0000 E -> 11.516666, 22.4 kn -> 41 km/h, 84.4 deg
const Expected kFixEntry = {-0.981f, 1.5f, 0.012f, "48.117300", "11.516666", 41, 84.4};
const Expected kNoFixEntry = {0, 0, 1, "", "", 0, 0};
const Expected kZeroEntry = {0, 0, 0, "", "", 0, 0};

// One trak of `samples` samples in `chunks` chunks. Sample 30 is 1000 bytes in chunk 30
// at 40000: it ends at 41000, so block 1 sits at the next 32 KiB boundary, 65536.
// Sample 60 is 500 bytes in chunk 60 at 65800: ends at 66300, block 2 at 98304.
Bytes oneTrakFile(uint32_t samples, uint32_t chunks, uint32_t declaredSamples, uint32_t declaredChunks,
                  const Bytes &afterTrak = fx::udta("NT9665"))
{
    std::vector<uint32_t> sizes(samples, 10), offsets(chunks, 100);
    if (samples >= 30)
        sizes[29] = 1000;
    if (samples >= 60)
        sizes[59] = 500;
    if (chunks >= 30)
        offsets[29] = 40000;
    if (chunks >= 60)
        offsets[59] = 65800;
    Bytes file = fx::ftypAndMdat({{65536, gpsBlock(-981, 1500, 12, fx::kFix)}, {98304, gpsBlock(0, 0, 1000, fx::kNoFix)}},
                                 98304 + 188);
    const Bytes trak = fx::trak(fx::stsz(sizes, declaredSamples).append(fx::stco(offsets, declaredChunks)));
    return file.append(atom("moov", fx::mvhd().append(trak).append(afterTrak)));
}

struct OneTrakRow {
    const char *name;
    uint32_t samples, chunks, declaredSamples, declaredChunks;
    size_t entries;
};

const OneTrakRow kOneTrak[] = {
    {"60 samples in 60 chunks", 60, 60, 60, 60, 2},
    {"59 samples give one block", 59, 59, 59, 59, 1},
    {"29 samples give none", 29, 29, 29, 29, 0},
    {"fewer chunks than samples", 60, 59, 60, 59, 1},
    {"fewer samples than chunks", 59, 60, 59, 60, 1},
    {"sample count beyond the table", 60, 60, 0xFFFFFFFFu, 60, 2},
    {"chunk count beyond the table", 60, 60, 60, 0xFFFFFFFFu, 2},
    {"sample count 0", 60, 60, 0, 60, 0},
};

TEST(Novatek_one_trak_block_positions)
{
    for (const OneTrakRow &r : kOneTrak) {
        tst::Row row(r.name);
        tst::TempFile f(oneTrakFile(r.samples, r.chunks, r.declaredSamples, r.declaredChunks));
        AssistFile reader;
        CHECK_EQ(reader.ParseAssistDataForNovatek(f.path), int(r.entries));
        const auto &list = reader.GetAssistInfoList();
        if (!CHECK_EQ(list.size(), r.entries))
            continue;
        if (r.entries >= 1)
            checkEntry(list[0], kFixEntry);
        if (r.entries >= 2)
            checkEntry(list[1], kNoFixEntry);
        if (r.entries >= 1) {
            CHECK_EQ(list[0].utcTime, std::string("123519"));
            CHECK_EQ(list[0].utcDate, std::string("230394"));
        }
    }
}

TEST(Novatek_one_trak_sum_on_a_boundary_stays)
{
    // sample 30: 768 bytes in chunk 30 at 32000 -> ends at 32768, already a boundary
    std::vector<uint32_t> sizes(30, 10), offsets(30, 100);
    sizes[29] = 768;
    offsets[29] = 32000;
    Bytes file = fx::ftypAndMdat({{32768, gpsBlock(5, 6, 7, fx::kFix)}, {65536, gpsBlock(9, 9, 9, "")}}, 70000);
    file.append(atom("moov", fx::mvhd().append(fx::trak(fx::stsz(sizes, 30).append(fx::stco(offsets, 30))))
                                 .append(fx::udta("NT9665"))));
    tst::TempFile f(file);
    AssistFile reader;
    CHECK_EQ(reader.ParseAssistDataForNovatek(f.path), 1);
    if (reader.GetAssistInfoList().size() == 1)
        checkEntry(reader.GetAssistInfoList()[0], {0.005f, 0.006f, 0.007f, "48.117300", "11.516666", 41, 84.4});
}

TEST(Novatek_one_trak_every_30th_sample)
{
    // Chunk j sits at j * 1333 and every sample is 10 bytes, so block k follows the end
    // of sample 30k at 39990k + 10; k = 1 ends at 40000 and lies at 65536. Block k holds
    // the readings k, -k, 1000 + k so that each entry names the block it came from.
    // The tables are read 4096 entries at a time, and 4096 is no multiple of 30.
    for (const uint32_t samples : {1800u, 4200u}) {
        tst::Row table(std::to_string(samples) + " samples");
        std::vector<uint32_t> sizes(samples, 10), offsets(samples);
        for (uint32_t j = 1; j <= samples; ++j)
            offsets[j - 1] = j * 1333;
        std::map<uint32_t, Bytes> blocks;
        for (int32_t k = 1; k <= int32_t(samples / 30); ++k) {
            const uint32_t end = 39990u * uint32_t(k) + 10u;
            blocks[(end + 32767u) / 32768u * 32768u] = gpsBlock(k, -k, 1000 + k, "");
        }
        CHECK(blocks.begin()->first == 65536);
        Bytes file = fx::ftypAndMdat(blocks, blocks.rbegin()->first + 188);
        file.append(atom("moov", fx::mvhd().append(fx::trak(fx::stsz(sizes, samples).append(fx::stco(offsets, samples))))
                                     .append(fx::udta("NT9665"))));
        tst::TempFile f(file);
        AssistFile reader;
        CHECK_EQ(reader.ParseAssistDataForNovatek(f.path), int(samples / 30));
        const auto &list = reader.GetAssistInfoList();
        for (size_t k = 1; k <= list.size(); ++k) {
            tst::Row row(std::to_string(samples) + " samples, block " + std::to_string(k));
            CHECK_EQ(list[k - 1].gsensorX, float(k) / 1000.0f);
            CHECK_EQ(list[k - 1].gsensorZ, float(1000 + k) / 1000.0f);
        }
    }
}

// Video trak with only a sample size table, then a telemetry trak whose chunk offsets
// 256, 512, 768 put the blocks at 65792, 66048, 66304; the fourth offset puts its block
// far beyond the end of the file.
Bytes twoTrakFile(uint32_t declaredChunks)
{
    Bytes file = fx::ftypAndMdat({{65792, gpsBlock(-981, 1500, 12, fx::kFix)},
                                  {66048, gpsBlock(0, 0, 1000, fx::kNoFix)},
                                  {66304, gpsBlock(1, 2, 3, "$GPVTG,054.7,T,034.4,M,005.5,N,010.2,K*48")}},
                                 66304 + 188);
    const Bytes video = fx::trak(fx::stsz(std::vector<uint32_t>(90, 10), 90).append(fx::stco({40, 50}, 2)));
    const Bytes telemetry = fx::trak(fx::stco({256, 512, 768, 0x7FFF0000u}, declaredChunks));
    return file.append(atom("moov", fx::mvhd().append(video).append(telemetry).append(fx::udta("NT9665"))));
}

TEST(Novatek_two_traks_read_the_second_stco)
{
    const struct {
        const char *name;
        uint32_t declared;
        size_t entries;
    } rows[] = {{"four chunks", 4, 4}, {"two chunks", 2, 2}, {"count beyond the table", 0x40000000u, 4}, {"none", 0, 0}};
    for (const auto &r : rows) {
        tst::Row row(r.name);
        tst::TempFile f(twoTrakFile(r.declared));
        AssistFile reader;
        CHECK_EQ(reader.ParseAssistDataForNovatek(f.path), int(r.entries));
        const auto &list = reader.GetAssistInfoList();
        if (!CHECK_EQ(list.size(), r.entries))
            continue;
        const Expected expected[] = {kFixEntry, kNoFixEntry, {0.001f, 0.002f, 0.003f, "", "", 0, 0}, kZeroEntry};
        for (size_t i = 0; i < list.size(); ++i)
            checkEntry(list[i], expected[i]);
    }
}

TEST(Novatek_track_choice)
{
    // trak, then something else: back into the first trak (its stsz/stco).
    // trak as the last atom of the file: still read.
    const struct {
        const char *name;
        Bytes afterTrak;
        size_t entries;
    } rows[] = {
        {"udta after the trak", fx::udta("NT9665"), 2},
        {"trak is the last atom of the file", Bytes(), 2},
        {"free atom after the trak", atom("free", Bytes().zeros(4)), 2},
    };
    for (const auto &r : rows) {
        tst::Row row(r.name);
        tst::TempFile f(oneTrakFile(60, 60, 60, 60, r.afterTrak));
        AssistFile reader;
        CHECK_EQ(reader.ParseAssistDataForNovatek(f.path), int(r.entries));
    }
}

TEST(Novatek_unusable_layouts)
{
    const Bytes good = oneTrakFile(60, 60, 60, 60);
    const Bytes trakNoStbl = atom("trak", atom("tkhd", Bytes().zeros(84)).append(atom("mdia", atom("minf", Bytes()))));
    Bytes zeroSize = fx::ftyp();
    zeroSize.be32(0).text("free").zeros(64).append(atom("moov", fx::mvhd()));
    Bytes sizeFour = fx::ftyp();
    sizeFour.be32(4).text("free").zeros(64).append(atom("moov", fx::mvhd()));
    Bytes hugeSize = fx::ftyp();
    hugeSize.be32(0xFFFFFFF0u).text("mdat").zeros(64);
    Bytes smallLarge = fx::ftyp();
    smallLarge.be32(1).text("free").be64(8).zeros(32);
    const struct {
        const char *name;
        Bytes file;
        int result;
    } rows[] = {
        {"empty file", Bytes(), 0},
        {"no moov", fx::ftyp().append(atom("mdat", Bytes().zeros(300))), 0},
        {"moov without trak", fx::ftyp().append(atom("moov", fx::mvhd().append(fx::udta("NT9665")))), 0},
        {"trak without stbl", fx::ftyp().append(atom("moov", fx::mvhd().append(trakNoStbl).append(fx::udta("x")))), 0},
        {"size 0 atom before moov", zeroSize, 0},
        {"size 4 atom before moov", sizeFour, 0},
        {"atom larger than the file", hugeSize, 0},
        {"64-bit size below 16", smallLarge, 0},
        {"the whole file", good, 2},
    };
    for (const auto &r : rows) {
        tst::Row row(r.name);
        tst::TempFile f(r.file);
        AssistFile a;
        CHECK_EQ(a.ParseAssistDataForNovatek(f.path), r.result);
        CHECK_EQ(a.GetAssistInfoList().size(), size_t(r.result));
        // none of these has an index atom after udta
        AssistFile b;
        CHECK_EQ(b.ParseAssistDataForNovatek66x(f.path), 0);
    }
}

TEST(Novatek_64bit_atom_size_is_walked)
{
    // A free atom with a 64-bit size of 24 (16 header bytes, 8 content) between mdat and
    // moov: the walk steps over it to moov.
    Bytes file = fx::ftypAndMdat({{65536, gpsBlock(-981, 1500, 12, fx::kFix)}, {98304, gpsBlock(0, 0, 1000, fx::kNoFix)}},
                                 98304 + 188);
    file.be32(1).text("free").be64(24).zeros(8);
    std::vector<uint32_t> sizes(60, 10), offsets(60, 100);
    sizes[29] = 1000, offsets[29] = 40000, sizes[59] = 500, offsets[59] = 65800;
    file.append(atom("moov", fx::mvhd().append(fx::trak(fx::stsz(sizes, 60).append(fx::stco(offsets, 60))))
                                 .append(fx::udta("NT9665"))));
    tst::TempFile f(file);
    AssistFile reader;
    CHECK_EQ(reader.ParseAssistDataForNovatek(f.path), 2);
}

TEST(Readers_unopenable_paths)
{
    AssistFile reader;
    CHECK_EQ(reader.ParseAssistDataForNovatek("abc"), -1);
    CHECK_EQ(reader.ParseAssistDataForNovatek66x(""), -1);
    CHECK_EQ(reader.ParseAssistDataForNovatek("/nonexistent/veltra/FILE0001.MOV"), -1);
    CHECK_EQ(reader.openError(), ENOENT);
    CHECK_EQ(reader.ParseAssistDataForNovatek66x("/tmp"), -1);
    CHECK_EQ(reader.openError(), EISDIR);
    CHECK_EQ(reader.ParseAssistDataForNovatek66x("/" + std::string(1100, 'a')), -1);
    CHECK_EQ(reader.openError(), ENAMETOOLONG);
}

TEST(Novatek_list_holds_the_last_file_only)
{
    tst::TempFile one(oneTrakFile(60, 60, 60, 60));
    tst::TempFile none(oneTrakFile(29, 29, 29, 29));
    AssistFile reader;
    CHECK_EQ(reader.ParseAssistDataForNovatek(one.path), 2);
    CHECK_EQ(reader.ParseAssistDataForNovatek(none.path), 0);
    CHECK(reader.GetAssistInfoList().empty());
    CHECK_EQ(reader.ParseAssistDataForNovatek(one.path), 2);
    CHECK_EQ(reader.ParseAssistDataForNovatek("/nonexistent/veltra/x.MOV"), -1);
    CHECK(reader.GetAssistInfoList().empty());
}

// NT9666 -----------------------------------------------------------------------------

const std::string kGgaFix = "$GPGGA,123519,3112.0000,N,12130.0000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n";
const std::string kGlrmc = "$GLRMC,000001,A,5130.1234,N,00007.6543,W,10.0,270.5,081126,,,A*00\r\n";

// Blocks at 1024, 2048, 4096, 8192; the index lists them as 8192, 1024, 2048, 4096.
Bytes nt9666File(int32_t declared, std::vector<uint32_t> positions = {8192, 1024, 2048, 4096})
{
    Bytes file = fx::ftypAndMdat({{1024, gpsBlock(120, -340, 10001, fx::kFix)},
                                  {2048, gpsBlock(10000, -10000, 981, kGgaFix)},
                                  {4096, gpsBlock(-10001, 0, 0, kGlrmc)},
                                  {8192, gpsBlock(1, 2, 3, fx::kNoFix)}},
                                 8192 + 188);
    return file.append(atom("moov", fx::mvhd().append(fx::udta("NT9666")).append(fx::gpsIndex(positions, declared))));
}

// 120, -340, 10001: one reading beyond 10000 -> all three 0
const Expected k66xFix = {0, 0, 0, "48.117300", "11.516666", 41, 84.4};
// 3112.0000 N -> 31.200000; 12130.0000 E -> 121 deg 30 min -> 121.500000; GGA: no speed or course
const Expected k66xGga = {10, -10, 0.981f, "31.200000", "121.500000", 0, 0};
// 5130.1234 N -> 51.502056; 00007.6543 W -> -0.127571; 10 kn -> 18 km/h
const Expected k66xGlrmc = {0, 0, 0, "51.502056", "-0.127571", 18, 270.5};
const Expected k66xNoFix = {0.001f, 0.002f, 0.003f, "", "", 0, 0};

TEST(Novatek66x_index)
{
    const struct {
        const char *name;
        int32_t declared;
        size_t entries;
    } rows[] = {
        {"four entries", 4, 4},      {"three of four", 3, 3},        {"count 0", 0, 0},
        {"count -1", -1, 0},         {"top bit set", INT32_MIN, 0},  {"count beyond the file", 6, 4},
    };
    const Expected inIndexOrder[] = {k66xNoFix, k66xFix, k66xGga, k66xGlrmc};
    for (const auto &r : rows) {
        tst::Row row(r.name);
        tst::TempFile f(nt9666File(r.declared));
        AssistFile reader;
        CHECK_EQ(reader.ParseAssistDataForNovatek66x(f.path), int(r.entries));
        const auto &list = reader.GetAssistInfoList();
        if (!CHECK_EQ(list.size(), r.entries))
            continue;
        for (size_t i = 0; i < list.size(); ++i)
            checkEntry(list[i], inIndexOrder[i]);
        if (list.size() == 4) {
            CHECK_EQ(list[2].utcTime, std::string(""));   // GGA keeps no time
            CHECK_EQ(list[3].utcTime, std::string("000001"));
            CHECK_EQ(list[3].utcDate, std::string("081126"));
        }
    }
}

TEST(Novatek66x_truncated_index)
{
    // The index is the last thing in the file: cutting 4 bytes leaves 3 whole entries.
    Bytes file = nt9666File(4);
    file.data.resize(file.size() - 4);
    tst::TempFile f(file);
    AssistFile reader;
    CHECK_EQ(reader.ParseAssistDataForNovatek66x(f.path), 3);
}

TEST(Novatek66x_count_limited_to_500)
{
    std::vector<uint32_t> positions(600, 1024);
    positions[499] = 2048;   // the 500th entry is the last one read
    positions[500] = 4096;
    tst::TempFile f(nt9666File(600, positions));
    AssistFile reader;
    CHECK_EQ(reader.ParseAssistDataForNovatek66x(f.path), 500);
    const auto &list = reader.GetAssistInfoList();
    if (CHECK_EQ(list.size(), size_t(500))) {
        checkEntry(list[0], k66xFix);
        checkEntry(list[499], k66xGga);
    }
}

TEST(Novatek66x_udta_last_in_moov_reads_mdat_as_index)
{
    // moov [mvhd, udta] then mdat: the count is read 12 bytes into the mdat atom, i.e.
    // from media bytes 4..7, here 1000; the entries that follow are zeros (block at 0).
    Bytes file = fx::ftyp();
    file.append(atom("moov", fx::mvhd().append(fx::udta("NT9666"))));
    file.append(atom("mdat", Bytes().be32(0).be32(1000).zeros(600 * 8)));
    tst::TempFile f(file);
    AssistFile reader;
    CHECK_EQ(reader.ParseAssistDataForNovatek66x(f.path), 500);
}

TEST(Novatek66x_unusable_layouts)
{
    const struct {
        const char *name;
        Bytes file;
    } rows[] = {
        {"no moov", fx::ftyp().append(atom("mdat", Bytes().zeros(64)))},
        {"no udta", fx::ftyp().append(atom("moov", fx::mvhd()))},
        {"udta ends the file", fx::ftyp().append(atom("moov", fx::mvhd().append(fx::udta("NT9666"))))},
        {"count cut short", fx::ftyp().append(atom("moov", fx::mvhd().append(fx::udta("NT9666")))).be32(40).text("gps ").be32(0).be32(0).be16(7)},
    };
    for (const auto &r : rows) {
        tst::Row row(r.name);
        tst::TempFile f(r.file);
        AssistFile reader;
        CHECK_EQ(reader.ParseAssistDataForNovatek66x(f.path), 0);
    }
}

TEST(Readers_survive_every_truncation)
{
    // Cut the files at every length through their tables and at a stride through the
    // media data: the readers give at most the entries of the whole file, never -1.
    const Bytes files[] = {oneTrakFile(60, 60, 60, 60), twoTrakFile(4), nt9666File(4)};
    for (const Bytes &whole : files) {
        AssistFile full;
        const int all = std::max(full.ParseAssistDataForNovatek(tst::TempFile(whole).path), 0);
        tst::TempFile f;
        for (size_t len = 0; len <= whole.size(); len += (len + 1200 < whole.size() ? 997 : 1)) {
            tst::Row row("length " + std::to_string(len));
            Bytes cut = whole;
            cut.data.resize(len);
            f.write(cut);
            AssistFile a, b;
            const int na = a.ParseAssistDataForNovatek(f.path);
            const int nb = b.ParseAssistDataForNovatek66x(f.path);
            CHECK(na >= 0 && na <= std::max(all, 4));
            CHECK(nb >= 0 && nb <= 500);
        }
    }
}

} // namespace

TEST_MAIN()
