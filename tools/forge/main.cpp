// veltra-forge: writes dash-camera video files with the telemetry we choose, and the
// truth file a correct reader must reproduce from them.

#include "DriveModel.h"
#include "LayoutForge.h"
#include "MovForge.h"
#include "Mp4Source.h"
#include "NmeaWriter.h"
#include "ReaderTruth.h"
#include "StreamForge.h"
#include "VideoEncoder.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <ctime>
#include <string>
#include <vector>

namespace {

const char* kUsage =
    "usage: veltra-forge --kind KIND --out FILE\n"
    "         KIND: nt9665|nt9665-2trak|nt9666|icat6330|freegps-v3|freegps-old|freegps-long|\n"
    "               freegps-nmea|freegps-xor|free-box|text-0x120|text-gsensori|text-nmea|nmea-file|gpx-file|\n"
    "               gpmf|gpmf-gps9|gpmf-damaged|gpmd-freegps|sei|sei-bare\n"
    "         [--seconds N] [--size WxH] [--fps N] [--start \"YYYY-MM-DD HH:MM:SS\"]\n"
    "         [--trip-start \"YYYY-MM-DD HH:MM:SS\"] [--scenario drive|nofix|city|parked]\n"
    "         [--course DEG]\n"
    "         [--truth FILE.json] [--no-video] [--sparse-size BYTES] [--blocks N] [--ffmpeg PATH]\n"
    "         [--no-index] [--gps-start \"YYYY-MM-DD HH:MM:SS\"] [--no-gps-date] [--leap-second] [--glitches]\n"
    "         [--mark RRGGBB] [--frame-code] [--scene plate] [--block-head plain|freegps]\n";

struct Options {
    MovForge::Kind kind = MovForge::Kind::Nt9665;
    bool newLayout = false;   // one of LayoutForge's layouts, in `layout`
    LayoutForge::Layout layout = LayoutForge::Layout::FreeGpsV3;
    bool stream = false;      // one of StreamForge's kinds, in `streamKind`
    StreamForge::Kind streamKind = StreamForge::Kind::Gpmf;
    bool noIndex = false;
    bool kindGiven = false;
    std::string out;
    std::string truth;
    uint64_t seconds = 60;
    uint32_t width = 640, height = 360;
    int fps = 30;
    int64_t start = 0;     // camera clock, seconds since 1970 read as UTC
    int64_t tripStart = 0; // camera clock at the start of the trip
    bool tripStartGiven = false;
    int64_t gpsStart = 0;  // the GPS's UTC at the start of the trip
    bool gpsStartGiven = false;
    bool noGpsDate = false;
    bool leapSecond = false;
    bool glitches = false;
    DriveModel::Scenario scenario = DriveModel::Scenario::Drive;
    std::optional<double> course;   // the heading the car sets off in, when not the scenario's
    bool noVideo = false;
    uint64_t sparseSize = 0;
    uint64_t blocks = 0;
    std::string ffmpeg = "ffmpeg";
    std::string mark;      // the colour of the picture's top left quarter, RRGGBB; none when empty
    bool frameCode = false; // every picture carries its frame number
    bool plateScene = false; // --scene plate: the picture of PlateScene.h
    // The block head of nt9665, nt9665-2trak, nt9666 and icat6330 as cameras write it:
    // size and `freeGPS ` (the other kinds have no such head and ignore it).
    bool freeGpsHead = false;
};

bool parseTime(const char* text, int64_t& out)
{
    std::tm tm{};
    char tail = 0;
    if (std::sscanf(text, "%d-%d-%d %d:%d:%d%c", &tm.tm_year, &tm.tm_mon, &tm.tm_mday, &tm.tm_hour, &tm.tm_min,
                    &tm.tm_sec, &tail) != 6)
        return false;
    if (tm.tm_year < 1970 || tm.tm_year > 2099 || tm.tm_mon < 1 || tm.tm_mon > 12 || tm.tm_mday < 1
        || tm.tm_mday > 31 || tm.tm_hour > 23 || tm.tm_min > 59 || tm.tm_sec > 59 || tm.tm_hour < 0 || tm.tm_min < 0
        || tm.tm_sec < 0)
        return false;
    tm.tm_year -= 1900;
    tm.tm_mon -= 1;
    out = static_cast<int64_t>(timegm(&tm));
    return true;
}

bool parseCount(const char* text, uint64_t& out, uint64_t max)
{
    char* end = nullptr;
    errno = 0;
    const unsigned long long v = std::strtoull(text, &end, 10);
    if (errno || end == text || *end || text[0] == '-' || v > max)
        return false;
    out = v;
    return true;
}

bool parseKind(const std::string& name, MovForge::Kind& kind)
{
    if (name == "nt9665")
        kind = MovForge::Kind::Nt9665;
    else if (name == "nt9665-2trak")
        kind = MovForge::Kind::Nt9665TwoTrak;
    else if (name == "nt9666")
        kind = MovForge::Kind::Nt9666;
    else if (name == "icat6330")
        kind = MovForge::Kind::Icat6330;
    else
        return false;
    return true;
}

// Returns an empty text on success, else the usage problem.
std::string parseArguments(int argc, char** argv, Options& o)
{
    bool startGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        const char* v = nullptr;
        uint64_t n = 0;
        if (arg == "--no-video") {
            o.noVideo = true;
            continue;
        }
        if (arg == "--no-index") {
            o.noIndex = true;
            continue;
        }
        if (arg == "--no-gps-date") {
            o.noGpsDate = true;
            continue;
        }
        if (arg == "--leap-second") {
            o.leapSecond = true;
            continue;
        }
        if (arg == "--glitches") {
            o.glitches = true;
            continue;
        }
        if (arg == "--frame-code") {
            o.frameCode = true;
            continue;
        }
        if (arg == "--scene" && i + 1 < argc && std::string(argv[i + 1]) == "plate") {
            o.plateScene = true;
            ++i;
            continue;
        }
        if (arg != "--kind" && arg != "--out" && arg != "--seconds" && arg != "--size" && arg != "--fps"
            && arg != "--start" && arg != "--trip-start" && arg != "--scenario" && arg != "--truth"
            && arg != "--sparse-size" && arg != "--blocks" && arg != "--ffmpeg" && arg != "--gps-start"
            && arg != "--mark" && arg != "--block-head" && arg != "--course")
            return "unknown argument " + arg;
        if (!(v = value()))
            return arg + " needs a value";
        if (arg == "--kind") {
            o.newLayout = LayoutForge::fromName(v, o.layout);
            o.stream = StreamForge::fromName(v, o.streamKind);
            if (o.stream)
                o.kind = StreamForge::isGpmd(o.streamKind) ? MovForge::Kind::TextTrack : MovForge::Kind::Plain;
            else if (o.newLayout)
                o.kind = LayoutForge::isFreeGps(o.layout)  ? MovForge::Kind::FreeGps
                         : LayoutForge::isText(o.layout) ? MovForge::Kind::TextTrack
                                                         : MovForge::Kind::Plain;
            else if (!parseKind(v, o.kind))
                return std::string("unknown kind ") + v;
            o.kindGiven = true;
        } else if (arg == "--out") {
            o.out = v;
        } else if (arg == "--truth") {
            o.truth = v;
        } else if (arg == "--ffmpeg") {
            o.ffmpeg = v;
        } else if (arg == "--block-head") {
            if (std::strcmp(v, "freegps") == 0)
                o.freeGpsHead = true;
            else if (std::strcmp(v, "plain") != 0)
                return std::string("bad --block-head ") + v;
        } else if (arg == "--mark") {
            const std::string m = v;
            if (m.size() != 6 || m.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
                return std::string("bad --mark ") + v + " (RRGGBB)";
            o.mark = m;
        } else if (arg == "--seconds") {
            if (!parseCount(v, o.seconds, 24 * 3600) || o.seconds == 0)
                return std::string("bad --seconds ") + v;
        } else if (arg == "--fps") {
            if (!parseCount(v, n, 240) || n == 0)
                return std::string("bad --fps ") + v;
            o.fps = static_cast<int>(n);
        } else if (arg == "--size") {
            unsigned w = 0, h = 0;
            char tail = 0;
            if (std::sscanf(v, "%ux%u%c", &w, &h, &tail) != 2 || w < 16 || h < 16 || w > 4096 || h > 4096 || w % 2
                || h % 2)
                return std::string("bad --size ") + v + " (even width and height, 16 to 4096)";
            o.width = w;
            o.height = h;
        } else if (arg == "--start") {
            if (!parseTime(v, o.start))
                return std::string("bad --start ") + v;
            startGiven = true;
        } else if (arg == "--trip-start") {
            if (!parseTime(v, o.tripStart))
                return std::string("bad --trip-start ") + v;
            o.tripStartGiven = true;
        } else if (arg == "--gps-start") {
            if (!parseTime(v, o.gpsStart))
                return std::string("bad --gps-start ") + v;
            o.gpsStartGiven = true;
        } else if (arg == "--scenario") {
            if (!DriveModel::scenarioFromName(v, o.scenario))
                return std::string("unknown scenario ") + v;
        } else if (arg == "--course") {
            char* end = nullptr;
            const double deg = std::strtod(v, &end);
            if (end == v || *end || !(deg >= 0 && deg < 360))
                return std::string("bad --course ") + v + " (0 to 360 degrees)";
            o.course = deg;
        } else if (arg == "--sparse-size") {
            if (!parseCount(v, o.sparseSize, 0xFFFFFFFFull))
                return std::string("bad --sparse-size ") + v + " (at most 4 GiB)";
        } else if (arg == "--blocks") {
            if (!parseCount(v, o.blocks, 1000000) || o.blocks == 0)
                return std::string("bad --blocks ") + v;
        }
    }
    if (!o.kindGiven)
        return "--kind is required";
    if (o.out.empty())
        return "--out is required";
    if (o.sparseSize && !o.noVideo)
        return "--sparse-size needs --no-video";
    if (!startGiven)
        parseTime("2026-11-08 09:30:00", o.start);
    if (!o.tripStartGiven)
        o.tripStart = o.start;
    if (o.tripStart > o.start)
        return "--trip-start lies after --start";
    if (o.noIndex && o.kind != MovForge::Kind::FreeGps)
        return "--no-index is for the freegps kinds";
    return {};
}

std::string chipText(MovForge::Kind kind)
{
    switch (kind) {
    case MovForge::Kind::Nt9665:
    case MovForge::Kind::Nt9665TwoTrak:
        return "NT9665 VELTRA DVR 1.08";
    case MovForge::Kind::Nt9666:
        return "NT96660 VELTRA DVR 2.01";
    case MovForge::Kind::Icat6330:
        return "SPCA6330 VELTRA DVR";
    case MovForge::Kind::FreeGps:
    case MovForge::Kind::TextTrack:
    case MovForge::Kind::Plain:
        return "VELTRA CAM 3.0";
    }
    return {};
}

void putLe32(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// One GPS block: the 48-byte head, the three readings, the shifted sentence. The head
// is a size and a tag: "GPS LOG " and the bytes written, or, as cameras write it, the
// size of the space the block stands in and `freeGPS `.
std::vector<uint8_t> gpsBlock(size_t index, const TelemetryPoint& p, const std::string& sentence, bool freeGpsHead,
                              uint32_t span)
{
    std::vector<uint8_t> b(MovForge::kBlockBytes, 0);
    const uint32_t size = freeGpsHead ? span : MovForge::kBlockBytes;
    for (int i = 0; i < 4; ++i)
        b[i] = static_cast<uint8_t>(size >> (24 - 8 * i));
    std::memcpy(&b[4], freeGpsHead ? "freeGPS " : "GPS LOG ", 8);
    putLe32(b, 12, static_cast<uint32_t>(index + 1));
    const time_t t = static_cast<time_t>(std::floor(p.utc));
    std::tm tm{};
    gmtime_r(&t, &tm);
    const int stamp[6] = {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
    for (int i = 0; i < 6; ++i)
        putLe32(b, 16 + 4 * i, static_cast<uint32_t>(stamp[i]));
    for (int i = 0; i < 3; ++i)
        putLe32(b, 48 + 4 * i, static_cast<uint32_t>(p.gsensor[i]));
    const std::vector<uint8_t> text = NmeaWriter::shifted(sentence);
    std::memcpy(&b[60], text.data(), std::min<size_t>(text.size(), 128));
    return b;
}

bool writeText(const std::string& path, const std::string& text, std::string& error)
{
    const std::string temp = path + ".part";
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f) {
        error = "cannot create " + temp + ": " + std::strerror(errno);
        return false;
    }
    const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    if (std::fclose(f) != 0 || !ok || std::rename(temp.c_str(), path.c_str()) != 0) {
        error = "cannot write " + path;
        std::remove(temp.c_str());
        return false;
    }
    return true;
}

int fail(const std::string& message)
{
    std::fprintf(stderr, "veltra-forge: %s\n", message.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    Options o;
    const std::string problem = parseArguments(argc, argv, o);
    if (!problem.empty()) {
        std::fprintf(stderr, "veltra-forge: %s\n%s", problem.c_str(), kUsage);
        return 2;
    }

    const uint64_t samples = o.blocks ? o.blocks * MovForge::kSamplesPerBlock : o.seconds * uint64_t(o.fps);
    if (samples > 10000000)
        return fail("too many video samples");
    const size_t blockCount = static_cast<size_t>(samples / MovForge::kSamplesPerBlock);

    // The telemetry: one sample per block, every 30 frames. The GPS's time runs from
    // --gps-start, else from the camera's clock less the place's zone.
    DriveModel model(o.scenario);
    if (o.course)
        model.setStartCourse(*o.course);
    const double utcShift = model.utcOffsetHours() * 3600.0;
    const double period = double(MovForge::kSamplesPerBlock) / o.fps;
    const double gpsTripStart = o.gpsStartGiven ? double(o.gpsStart) : double(o.tripStart) - utcShift;
    std::vector<TelemetryPoint> points =
        model.run(gpsTripStart, static_cast<double>(o.start - o.tripStart), blockCount, period);
    if (o.leapSecond)
        DriveModel::putLeapSecond(points);
    for (TelemetryPoint& p : points)
        p.noDate = o.noGpsDate;
    std::string glitchTruth;
    if (o.glitches) {
        if (points.size() < DriveModel::kGlitchSamples || period != 1.0)
            return fail("--glitches needs a sample a second for at least 50 seconds");
        const GlitchTruth g = DriveModel::putGlitches(points);
        const auto list = [](const std::vector<size_t>& v) {
            std::string s;
            for (const size_t i : v)
                s += (s.empty() ? "" : ",") + std::to_string(i);
            return "[" + s + "]";
        };
        glitchTruth = "{\"position_glitches\":" + list(g.positions) + ",\"speed_glitches\":" + list(g.speeds) + "}\n";
    }

    const bool indexKind = o.kind == MovForge::Kind::Nt9666 || o.kind == MovForge::Kind::Icat6330;
    const ReaderTruth::Reader reader = indexKind ? ReaderTruth::Reader::Index : ReaderTruth::Reader::SampleTable;
    MovForge::Plan plan;
    plan.kind = o.kind;
    plan.fps = o.fps;
    plan.chipText = chipText(o.kind);
    plan.creationTime = static_cast<uint32_t>(o.start + 2082844800ll);
    std::vector<ExpectedSample> truth;
    std::string beside, besideText;   // a file written next to the video
    if (o.newLayout) {
        const int zone = model.utcOffsetHours();
        plan.index = !o.noIndex;
        for (const TelemetryPoint& p : points) {
            if (o.kind == MovForge::Kind::FreeGps)
                plan.blocks.push_back(LayoutForge::freeGpsBlock(o.layout, p, zone));
            else if (o.kind == MovForge::Kind::TextTrack)
                plan.blocks.push_back(LayoutForge::textSample(o.layout, p, zone));
        }
        plan.blockSpan = o.kind == MovForge::Kind::FreeGps ? LayoutForge::kFreeGpsBlockBytes : 512;
        if (o.layout == LayoutForge::Layout::TextGsensor)
            plan.textHandler = "sbtl";
        if (o.layout == LayoutForge::Layout::TextFixed)
            plan.textEntry = "text";
        if (o.layout == LayoutForge::Layout::FreeBox)
            plan.topExtra = LayoutForge::freeBox(points, zone);
        const size_t dot = o.out.rfind('.');
        const std::string base = dot == std::string::npos ? o.out : o.out.substr(0, dot);
        if (o.layout == LayoutForge::Layout::NmeaFile) {
            beside = base + ".NMEA";
            besideText = LayoutForge::nmeaFile(points);
        } else if (o.layout == LayoutForge::Layout::GpxFile) {
            beside = base + ".gpx";
            besideText = LayoutForge::gpxFile(points);
        }
        truth = LayoutForge::truth(o.layout, points);
    }
    std::vector<std::vector<uint8_t>> seiUnits;   // the in-stream kinds: one SEI unit per frame
    if (o.stream) {
        const double tripStartUtc = static_cast<double>(o.tripStart) - utcShift;
        const double offset = static_cast<double>(o.start - o.tripStart);
        const StreamForge::Kind kind = o.streamKind;
        if (kind == StreamForge::Kind::GpmdFreeGps) {
            for (const TelemetryPoint& p : points)
                plan.blocks.push_back(LayoutForge::freeGpsBlock(LayoutForge::Layout::FreeGpsV3, p, model.utcOffsetHours()));
            plan.blockSpan = LayoutForge::kFreeGpsBlockBytes;
            truth = LayoutForge::truth(LayoutForge::Layout::FreeGpsV3, points);
        } else if (StreamForge::isGpmd(kind)) {
            const std::vector<TelemetryPoint> fixes = model.run(tripStartUtc, offset, blockCount * StreamForge::kFixesPerPayload,
                                                                period / StreamForge::kFixesPerPayload);
            const std::vector<TelemetryPoint> readings = model.run(
                tripStartUtc, offset, blockCount * StreamForge::kReadingsPerPayload, period / StreamForge::kReadingsPerPayload);
            for (size_t k = 0; k < blockCount; ++k)
                plan.blocks.push_back(StreamForge::gpmfPayload(kind, k, &fixes[k * StreamForge::kFixesPerPayload],
                                                               &readings[k * StreamForge::kReadingsPerPayload]));
            plan.blockSpan = 4096;
            truth = StreamForge::gpmfTruth(kind, fixes, readings, blockCount);
        } else {
            const std::vector<TelemetryPoint> frames = model.run(tripStartUtc, offset, samples, 1.0 / o.fps);
            for (size_t i = 0; i < frames.size(); ++i)
                seiUnits.push_back(StreamForge::seiUnit(
                    kind, StreamForge::message(frames[i], StreamForge::vehicleAt(frames, i, o.fps), i)));
            truth = StreamForge::seiTruth(frames, o.fps);
        }
        if (StreamForge::isGpmd(kind)) {
            plan.textHandler = "meta";
            plan.textEntry = "gpmd";
        }
    }
    for (size_t k = 0; k < points.size() && !o.newLayout && !o.stream; ++k) {
        TelemetryPoint p = points[k];
        if (model.fiveDecimalsThroughout())
            p.fiveDecimals = true;
        // NT9666 receivers interleave position-only GGA sentences.
        const bool gga = o.kind == MovForge::Kind::Nt9666 && p.fix && k % 4 == 2;
        const std::string sentence = gga ? NmeaWriter::gga(p) : NmeaWriter::rmc(p);
        if (sentence.size() > 128)
            return fail("sentence longer than 128 bytes: " + sentence);
        plan.blocks.push_back(gpsBlock(k, p, sentence, o.freeGpsHead, plan.blockSpan));
        truth.push_back(ReaderTruth::expect(sentence, p.gsensor, reader));
    }

    std::string error;
    MovForge::Layout layout;
    if (o.noVideo) {
        plan.video = MovForge::fakeVideo(static_cast<uint32_t>(samples), o.fps, o.width, o.height, o.sparseSize, o.kind,
                                         plan.blockSpan);
        plan.minimumFileSize = o.sparseSize;
        MovForge::SampleReader frames;
        if (!seiUnits.empty()) {
            // Frames of an SEI unit and one slice unit of zeros, all written out.
            for (size_t i = 0; i < seiUnits.size(); ++i)
                plan.video.sizes[i] = std::max<uint32_t>(plan.video.sizes[i], 8) + uint32_t(seiUnits[i].size());
            frames = [&](size_t i, std::vector<uint8_t>& out) {
                out = seiUnits[i];
                const uint32_t slice = plan.video.sizes[i] - uint32_t(out.size()) - 4;
                for (int b = 3; b >= 0; --b)
                    out.push_back(static_cast<uint8_t>(slice >> (8 * b)));
                out.push_back(0x21);   // NAL header: a slice of a frame that is not a key frame
                out.resize(plan.video.sizes[i], 0);
                return true;
            };
        }
        if (!MovForge::write(plan, o.out, frames, layout, error))
            return fail(error);
    } else {
        VideoEncoder::Job job;
        job.ffmpeg = o.ffmpeg;
        job.width = static_cast<int>(o.width);
        job.height = static_cast<int>(o.height);
        job.fps = o.fps;
        job.frames = samples;
        job.clockStart = o.start;
        job.mark = o.mark;
        job.frameCode = o.frameCode;
        job.plateScene = o.plateScene;
        job.output = o.out + ".video.mp4";
        if (!VideoEncoder::encode(job, error)) {
            std::remove(job.output.c_str());
            return fail(error);
        }
        Mp4Source source;
        bool ok = source.open(job.output, error);
        if (ok && source.sampleSizes().size() != samples) {
            error = "the encoder made " + std::to_string(source.sampleSizes().size()) + " frames, not "
                    + std::to_string(samples);
            ok = false;
        }
        if (ok) {
            MovForge::Video& v = plan.video;
            v.timescale = source.timescale();
            v.duration = source.duration();
            v.width = source.width();
            v.height = source.height();
            v.stsd = source.stsd();
            v.stts = source.stts();
            v.stss = source.stss();
            v.ctts = source.ctts();
            v.sizes = source.sampleSizes();
            // The SEI unit opens each frame, before the encoder's own units.
            for (size_t i = 0; i < seiUnits.size() && i < v.sizes.size(); ++i)
                v.sizes[i] += uint32_t(seiUnits[i].size());
            ok = MovForge::write(
                plan, o.out,
                [&source, &seiUnits](size_t i, std::vector<uint8_t>& out) {
                    if (!source.readSample(i, out))
                        return false;
                    if (i < seiUnits.size())
                        out.insert(out.begin(), seiUnits[i].begin(), seiUnits[i].end());
                    return true;
                },
                layout, error);
        }
        std::remove(job.output.c_str());
        if (!ok)
            return fail(error);
    }

    if (!beside.empty() && !writeText(beside, besideText, error))
        return fail(error);
    if (!o.truth.empty() && !writeText(o.truth, ReaderTruth::json(truth, o.out), error))
        return fail(error);
    if (o.glitches && !writeText(o.out + ".glitches.json", glitchTruth, error))
        return fail(error);
    return 0;
}
