// The extraction driver: references to paths, the choice of reader, the conversion to
// samples with their sentence times, the summaries, the outcomes of unusable files, and
// the forged sample files against the telemetry the forge says it wrote.
#include "BinaryFile.h"
#include "Fixtures.h"
#include "GpsDataHelper.h"
#include "MiniJson.h"

#include <cerrno>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

namespace {

using fx::atom;
using fx::Bytes;

// An NT9666 file with one block per sentence at 1024, 2048, ... listed in that order;
// block i carries the readings i, -i, 1000.
Bytes indexedFile(const std::vector<std::string> &sentences, const std::string &udtaText = "NT9666")
{
    std::map<uint32_t, Bytes> blocks;
    std::vector<uint32_t> positions;
    for (size_t i = 0; i < sentences.size(); ++i) {
        const uint32_t p = uint32_t(1024 * (i + 1));
        blocks[p] = tst::gpsBlock(int32_t(i), -int32_t(i), 1000, sentences[i]);
        positions.push_back(p);
    }
    Bytes file = fx::ftypAndMdat(blocks, uint32_t(1024 * (sentences.size() + 1)));
    return file.append(atom("moov", fx::mvhd().append(fx::udta(udtaText)).append(fx::gpsIndex(positions, int32_t(positions.size())))));
}

std::string rmc(const std::string &lat, const std::string &ns, const std::string &lgt, const std::string &ew,
                const std::string &knots, const std::string &time = "120000", const std::string &date = "081126")
{
    return "$GPRMC," + time + ",A," + lat + "," + ns + "," + lgt + "," + ew + "," + knots + ",90.0," + date + ",,,A*00";
}

const std::string kLondon = rmc("5130.0000", "N", "00006.0000", "W", "10.0");   // 51.500000, -0.100000
const std::string kShanghai = rmc("3112.0000", "N", "12130.0000", "E", "20.0"); // 31.200000, 121.500000
const std::string kNoFix = "$GPRMC,120001,V,,,,,,,081126,,,N*00";

TEST(clearfilePrefix_table)
{
    const struct {
        const char *name, *in, *out;
    } rows[] = {
        {"file URL", "file:///Users/x/A.MOV", "/Users/x/A.MOV"},
        {"plain path", "/Users/x/FILE0001.MOV", "/Users/x/FILE0001.MOV"},
        {"scheme inside the text", "ab file:///c", ":///c"},
        {"two slashes only", "file://host/x", "file://host/x"},
        {"empty", "", ""},
    };
    for (const auto &r : rows) {
        tst::Row row(r.name);
        CHECK_EQ(GpsDataHelper::clearfilePrefix(r.in), std::string(r.out));
    }
}

TEST(percentDecode_table)
{
    const struct {
        const char *name, *in;
        bool ok;
        const char *out;
    } rows[] = {
        {"blank", "/Users/a%20b/FILE0001.MOV", true, "/Users/a b/FILE0001.MOV"},
        {"lower case hex", "%e4%b8%ad.MOV", true, "\xe4\xb8\xad.MOV"},
        {"upper case hex", "%E4%B8%AD", true, "\xe4\xb8\xad"},
        {"nothing to decode", "/tmp/x.MOV", true, "/tmp/x.MOV"},
        {"raw UTF-8 kept", "/tmp/\xc3\xa9.MOV", true, "/tmp/\xc3\xa9.MOV"},
        {"escaped percent", "100%25.MOV", true, "100%.MOV"},
        {"lone percent", "100%.MOV", false, ""},
        {"percent at the end", "abc%", false, ""},
        {"one hex digit at the end", "abc%2", false, ""},
        {"non-hex digits", "a%zzb", false, ""},
        {"escaped zero byte", "/tmp/a%00b", false, ""},
        {"invalid UTF-8 byte", "/tmp/%ff", false, ""},
        {"lone continuation byte", "/tmp/%80", false, ""},
        {"overlong slash", "/tmp/%c0%af", false, ""},
        {"surrogate", "%ed%a0%80", false, ""},
        {"cut sequence", "%e4%b8", false, ""},
        {"raw invalid byte", "/tmp/\xff", false, ""},
    };
    for (const auto &r : rows) {
        tst::Row row(r.name);
        std::string out = "unchanged";
        CHECK_EQ(GpsDataHelper::percentDecode(r.in, &out), r.ok);
        CHECK_EQ(out, std::string(r.ok ? r.out : "unchanged"));
    }
}

TEST(locationInChina_on_single_precision_texts)
{
    // float(53.33) = 53.3300018, float(3.51) = 3.5099999, float(135.05) = 135.0500031,
    // float(73.33) = 73.3300018: the first three fall outside, the last inside.
    const struct {
        const char *name, *lat, *lgt;
        bool inside;
    } rows[] = {
        {"Shanghai", "31.200000", "121.500000", true},
        {"London", "51.500000", "-0.100000", false},
        {"latitude 53.33", "53.330000", "121.5", false},
        {"latitude 3.51", "3.510000", "121.5", false},
        {"longitude 135.05", "31.2", "135.050000", false},
        {"longitude 73.33", "31.2", "73.330000", true},
        {"latitude 53.32", "53.32", "100", true},
    };
    for (const auto &r : rows) {
        tst::Row row(r.name);
        CHECK_EQ(GpsDataHelper::locationInChina(GpsDataHelper::textToFloat(r.lat), GpsDataHelper::textToFloat(r.lgt)),
                 r.inside);
    }
}

TEST(readGpsData_summaries)
{
    // 6.5 kn -> 12.025 -> 12 km/h; 21.7 kn -> 40.145 -> 40; 20 kn -> 37
    // 5319.8000 N -> 53.330000; 0330.6000 N -> 3.510000; 13503.0000 E -> 135.050000;
    // 07319.8000 E -> 73.330000
    const struct {
        const char *name;
        std::vector<std::string> sentences;
        int maxSpeed;
        bool china;
    } rows[] = {
        {"speeds 12, 40, 37", {rmc("3112.0000", "N", "12130.0000", "E", "6.5"), rmc("3112.0000", "N", "12130.0000", "E", "21.7"),
          rmc("3112.0000", "N", "12130.0000", "E", "20.0")}, 40, true},
        {"last position in London", {kShanghai, kLondon}, 37, false},
        {"last position in Shanghai", {kLondon, kShanghai}, 37, true},
        {"last sample without fix", {kLondon, kLondon, kNoFix}, 18, true},
        {"last latitude 53.33", {rmc("5319.8000", "N", "12130.0000", "E", "0")}, 0, false},
        {"last latitude 3.51", {rmc("0330.6000", "N", "12130.0000", "E", "0")}, 0, false},
        {"last longitude 135.05", {rmc("3112.0000", "N", "13503.0000", "E", "0")}, 0, false},
        {"last longitude 73.33", {rmc("3112.0000", "N", "07319.8000", "E", "0")}, 0, true},
        {"last latitude with three decimals", {kLondon, rmc("5130.000", "N", "00006.0000", "W", "0")}, 18, true},
        {"no samples", {}, 0, true},
    };
    for (const auto &r : rows) {
        tst::Row row(r.name);
        tst::TempFile f(indexedFile(r.sentences));
        const GpsReadResult res = GpsDataHelper::readGpsData(f.path);
        CHECK_EQ(res.openError, 0);
        CHECK_EQ(res.videoDatas.size(), r.sentences.size());
        CHECK_EQ(res.times.size(), r.sentences.size());
        CHECK_EQ(res.maxSpeed, r.maxSpeed);
        CHECK_EQ(res.isInChina, r.china);
    }
}

TEST(readGpsData_samples_and_times)
{
    const std::string gga = "$GPGGA,101010,3112.0000,N,12130.0000,E,1,08,0.9,545.4,M,46.9,M,,*47";
    tst::TempFile f(indexedFile({kLondon, kNoFix, gga, rmc("5130.0000", "N", "00006.0000", "W", "1", "235959.50", "")}));
    const GpsReadResult res = GpsDataHelper::readGpsData(f.path);
    if (!CHECK_EQ(res.videoDatas.size(), size_t(4)) || !CHECK_EQ(res.times.size(), size_t(4)))
        return;
    const GpsSample &s0 = res.videoDatas[0];
    CHECK_EQ(s0.spd, 18);
    CHECK_EQ(s0.gps_lat, std::string("51.500000"));
    CHECK_EQ(s0.gps_lgt, std::string("-0.100000"));
    CHECK_EQ(s0.north_angle, 90.0);
    CHECK_EQ(s0.gsensor_x, 0.0f);
    CHECK_EQ(s0.gsensor_z, 1.0f);
    CHECK_EQ(res.times[0].hhmmss, std::string("120000"));
    CHECK_EQ(res.times[0].ddmmyy, std::string("081126"));
    // no fix: the sample stays, without position or time
    CHECK_EQ(res.videoDatas[1].gps_lat, std::string(""));
    CHECK_EQ(res.videoDatas[1].gsensor_x, 0.001f);
    CHECK_EQ(res.videoDatas[1].gsensor_y, -0.001f);
    CHECK_EQ(res.times[1].hhmmss, std::string(""));
    // GGA: position, no speed, course or time
    CHECK_EQ(res.videoDatas[2].gps_lat, std::string("31.200000"));
    CHECK_EQ(res.videoDatas[2].spd, 0);
    CHECK_EQ(res.times[2].hhmmss, std::string(""));
    // RMC without a date
    CHECK_EQ(res.times[3].hhmmss, std::string("235959.50"));
    CHECK_EQ(res.times[3].ddmmyy, std::string(""));
}

TEST(readGpsData_references)
{
    // "a b/FILE 0001.MOV" holds two samples, "Trip 100%/a%20b.MOV" one: only a file URL
    // is decoded, a plain path names its file as written.
    tst::TempFile f(indexedFile({kLondon, kShanghai}), "FILE0001.MOV");
    tst::TempFile g(indexedFile({kLondon}), "FILE0002.MOV");
    const std::string spaced = f.folder + "/a b", percent = f.folder + "/Trip 100%";
    mkdir(spaced.c_str(), 0700);
    mkdir(percent.c_str(), 0700);
    const std::string path = spaced + "/FILE 0001.MOV", literal = percent + "/a%20b.MOV";
    std::rename(f.path.c_str(), path.c_str());
    std::rename(g.path.c_str(), literal.c_str());

    const struct {
        const char *name;
        std::string reference, path;
        int error;
        size_t samples;
    } rows[] = {
        {"file URL with escapes", "file://" + f.folder + "/a%20b/FILE%200001.MOV", path, 0, 2},
        {"plain path", path, path, 0, 2},
        {"plain path with an escape-like text", f.folder + "/a%20b/FILE 0001.MOV", f.folder + "/a%20b/FILE 0001.MOV",
         ENOENT, 0},
        {"plain path with a percent sign", literal, literal, 0, 1},
        {"file URL with an escaped percent", "file://" + f.folder + "/Trip%20100%25/a%2520b.MOV", literal, 0, 1},
    };
    for (const auto &r : rows) {
        tst::Row row(r.name);
        const GpsReadResult res = GpsDataHelper::readGpsData(r.reference);
        CHECK_EQ(res.openError, r.error);
        CHECK_EQ(res.path, r.path);
        CHECK_EQ(res.videoDatas.size(), r.samples);
    }
    std::rename(path.c_str(), f.path.c_str());
    std::rename(literal.c_str(), g.path.c_str());
    rmdir(spaced.c_str());
    rmdir(percent.c_str());
}

// A path of `length` bytes in short components under a missing folder: the system
// would answer ENOENT for it, whatever its length.
std::string deepPath(size_t length)
{
    std::string p = "/nonexistent";
    while (p.size() + 2 <= length)
        p += "/a";
    if (p.size() < length)
        p += "b";
    return p;
}

TEST(readGpsData_unusable_files)
{
    tst::TempFile noMoov(fx::ftyp().append(atom("mdat", Bytes().zeros(64))));
    tst::TempFile empty(Bytes(), "empty.MOV");
    // Special files: open() would wait for a writer of the FIFO; a socket cannot be opened.
    const std::string fifo = noMoov.folder + "/pipe.MOV", socketPath = noMoov.folder + "/socket.MOV";
    CHECK_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socketPath.c_str());
    CHECK_EQ(bind(listener, reinterpret_cast<const sockaddr *>(&address), sizeof address), 0);
    const int special = BinaryFile::kNotRegularFile;
    const struct {
        const char *name;
        std::string reference;
        int error;
        int fileError;   // BinaryFile::regularFileError of its path; -1: it names no path
    } rows[] = {
        {"missing file", "/nonexistent/veltra/FILE0001.MOV", ENOENT, ENOENT},
        {"missing file URL", "file:///nonexistent/veltra/FILE0001.MOV", ENOENT, ENOENT},
        {"directory", "/tmp", EISDIR, EISDIR},
        {"path over 1023 bytes", deepPath(1024), ENAMETOOLONG, -1},
        {"malformed escape", "file:///tmp/a%zz.MOV", EINVAL, -1},
        {"escape to invalid UTF-8", "file:///tmp/%ff.MOV", EINVAL, -1},
        {"path under 4 bytes", "/a", EINVAL, ENOENT},
        {"empty reference", "", EINVAL, ENOENT},
        {"file without moov", noMoov.path, 0, 0},
        {"empty file", empty.path, 0, 0},
        {"FIFO", fifo, special, special},
        {"character device", "/dev/null", special, special},
        {"socket", socketPath, special, special},
    };
    for (const auto &r : rows) {
        tst::Row row(r.name);
        const GpsReadResult res = GpsDataHelper::readGpsData(r.reference);
        CHECK_EQ(res.openError, r.error);
        CHECK(res.videoDatas.empty() && res.times.empty());
        CHECK_EQ(res.maxSpeed, 0);
        CHECK_EQ(res.isInChina, true);
        std::string path;
        if (CHECK_EQ(GpsDataHelper::referenceToPath(r.reference, &path), r.fileError != -1) && r.fileError != -1)
            CHECK_EQ(BinaryFile::regularFileError(path), r.fileError);
    }
    CHECK_EQ(BinaryFile::errorText(special), std::string("Not a regular file"));
    close(listener);
    unlink(socketPath.c_str());
    unlink(fifo.c_str());
    // 1023 bytes is still a path: it fails on the missing folder, not on its length
    CHECK_EQ(deepPath(1023).size(), size_t(1023));
    CHECK_EQ(GpsDataHelper::readGpsData(deepPath(1023)).openError, ENOENT);
}

TEST(readGpsData_chooses_the_reader)
{
    // The same one-trak layout read through the sample tables only when udta names
    // NT9665; an ICAT6330 mark or another chipset name sends it to the index reader,
    // which takes the 4 zero bytes after udta... as nothing: no entries.
    std::vector<uint32_t> sizes(30, 10), offsets(30, 100);
    sizes[29] = 768, offsets[29] = 32000;   // block at 32768
    const auto file = [&](const std::string &name, const std::string &tail) {
        Bytes b = fx::ftypAndMdat({{32768, tst::gpsBlock(1, 2, 3, kLondon)}}, 33000);
        b.append(atom("moov", fx::mvhd().append(fx::trak(fx::stsz(sizes, 30).append(fx::stco(offsets, 30))))
                                  .append(fx::udta(name))));
        return b.text(tail);
    };
    const struct {
        const char *name;
        Bytes file;
        size_t samples;
    } rows[] = {
        {"NT9665 reads the tables", file("NT9665", ""), 1},
        {"NT9666 reads the index", file("NT9666", ""), 0},
        {"ICAT6330 reads the index", file("NT9665", "ICAT6330"), 0},
        {"indexed file marked ICAT6330", indexedFile({kLondon}).text("ICAT6330"), 1},
        {"indexed file without chipset name", indexedFile({kLondon, kLondon}, "Generic"), 2},
    };
    for (const auto &r : rows) {
        tst::Row row(r.name);
        tst::TempFile f(r.file);
        CHECK_EQ(GpsDataHelper::readGpsData(f.path).videoDatas.size(), r.samples);
    }
}

// Forged samples ------------------------------------------------------------------------

std::vector<std::string> truthFiles(const std::string &dir)
{
    std::vector<std::string> out;
    const auto walk = [&](const std::string &d, auto &self) -> void {
        DIR *h = opendir(d.c_str());
        if (!h)
            return;
        while (dirent *e = readdir(h)) {
            const std::string name = e->d_name;
            if (name == "." || name == "..")
                continue;
            const std::string full = d + "/" + name;
            struct stat st;
            if (stat(full.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
                self(full, self);
            else if (name.size() > 11 && name.compare(name.size() - 11, 11, ".truth.json") == 0)
                out.push_back(full);
        }
        closedir(h);
    };
    walk(dir, walk);
    return out;
}

TEST(forged_samples_match_their_truth)
{
    const char *dir = std::getenv("VELTRA_SAMPLES");
    const std::vector<std::string> truths = truthFiles(dir ? dir : "");
    if (truths.empty()) {
        std::fprintf(stderr, "no forged samples in %s\n", dir ? dir : "(VELTRA_SAMPLES unset)");
        return;
    }
    for (const std::string &truthPath : truths) {
        const std::string video = truthPath.substr(0, truthPath.size() - 11);
        tst::Row row(video.substr(video.rfind('/') + 1));
        std::ifstream in(truthPath);
        std::stringstream ss;
        ss << in.rdbuf();
        const std::string text = ss.str();
        mj::Value truth;
        if (!CHECK(mj::Parser(text).parse(&truth)))
            continue;
        const GpsReadResult res = GpsDataHelper::readGpsData(video);
        CHECK_EQ(res.openError, 0);
        const mj::Value &samples = truth["key_video_datas"];
        if (!CHECK_EQ(res.videoDatas.size(), samples.items.size()))
            continue;
        for (size_t i = 0; i < samples.items.size(); ++i) {
            const mj::Value &t = samples.items[i];
            const GpsSample &s = res.videoDatas[i];
            const bool same = s.spd == int(t["spd"].number) && s.gps_lat == t["gps_lat"].text &&
                              s.gps_lgt == t["gps_lgt"].text && s.north_angle == t["north_angle"].number &&
                              s.gsensor_x == float(t["gsensor_x"].number) &&
                              s.gsensor_y == float(t["gsensor_y"].number) &&
                              s.gsensor_z == float(t["gsensor_z"].number);
            if (!same) {
                tst::Row sampleRow(video.substr(video.rfind('/') + 1) + " sample " + std::to_string(i));
                CHECK_EQ(s.spd, int(t["spd"].number));
                CHECK_EQ(s.gps_lat, t["gps_lat"].text);
                CHECK_EQ(s.gps_lgt, t["gps_lgt"].text);
                CHECK_EQ(s.north_angle, t["north_angle"].number);
                CHECK_EQ(s.gsensor_x, float(t["gsensor_x"].number));
                CHECK_EQ(s.gsensor_y, float(t["gsensor_y"].number));
                CHECK_EQ(s.gsensor_z, float(t["gsensor_z"].number));
                break;
            }
            CHECK(same);
        }
        // What the car reported, where the layout records it, in the typed samples.
        const mj::Value &cars = truth["vehicle"];
        if (cars.kind == mj::Value::Array && CHECK_EQ(res.samples.size(), cars.items.size())) {
            size_t wrong = 0;
            for (size_t i = 0; i < cars.items.size(); ++i) {
                const mj::Value &c = cars.items[i];
                const std::optional<TelemetrySample::Vehicle> &v = res.samples[i].vehicle;
                const bool same = c.kind == mj::Value::Null
                                      ? !v
                                      : v && v->steeringDeg == float(c["steering"].number) &&
                                            v->pedal == float(c["pedal"].number) && v->brake == c["brake"].boolean &&
                                            v->blinkerLeft == c["blinker_left"].boolean &&
                                            v->blinkerRight == c["blinker_right"].boolean &&
                                            int(v->gear) == int(c["gear"].number) &&
                                            int(v->assistance) == int(c["assistance"].number);
                wrong += !same;
            }
            CHECK_EQ(wrong, size_t(0));
        }
        CHECK_EQ(res.maxSpeed, int(truth["key_max_speed"].number));
        const mj::Value &china = truth["key_is_in_china"];
        CHECK_EQ(res.isInChina, china.kind == mj::Value::Bool ? china.boolean : china.number != 0);
    }
}

} // namespace

TEST_MAIN()
