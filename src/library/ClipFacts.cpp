#include "ClipFacts.h"

#include "RouteGeometry.h"

#include "BinaryFile.h"
#include "CameraClock.h"
#include "ClipTime.h"
#include "GpsDataHelper.h"
#include "GpsGlitches.h"
#include "MovieDuration.h"
#include "TelemetryEvents.h"
#include "TelemetryLayout.h"
#include "TripDistance.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <new>
#include <sys/stat.h>

namespace {

constexpr const char *kKindNames[kEventKindCount] = {"hard-braking", "hard-acceleration", "sharp-turn", "impact",
                                                      "parked-bump",  "brake",             "assistance-off"};

// Route: points within 8 m of the simplified line, pieces of at most 32 points, and a
// jump of over 2 km (no fix for a while) breaks the line.
constexpr double kToleranceM = 8.0;
constexpr size_t kPiecePoints = 32;
constexpr double kBreakM = 2000.0;
// A bump while parked: a jump of the G reading between two samples with the speed at 0.
constexpr double kParkedBumpG = 0.5;

std::string lower(std::string s)
{
    for (char &c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The sample nearest `seconds` into the clip.
size_t sampleAt(double seconds, size_t count, double duration)
{
    if (count == 0)
        return 0;
    const double step = duration > 0 ? duration / double(count) : 1.0;
    const double at = std::floor(seconds / step + 1e-9);
    return size_t(std::clamp(at, 0.0, double(count - 1)));
}

void addEvent(ClipFacts &facts, LibraryEventKind kind, double seconds, double strength,
              const std::vector<TelemetrySample> &samples, double duration)
{
    ClipEvent e;
    e.kind = kind;
    e.offsetMs = int64_t(std::llround(seconds * 1000));
    e.strength = strength;
    const size_t i = sampleAt(seconds, samples.size(), duration);
    if (i < samples.size() && samples[i].onRoute()) {
        e.latitude = samples[i].latitude;
        e.longitude = samples[i].longitude;
    }
    facts.events.push_back(e);
}

// A speed event next to a speed reading no car makes is the glitch's, not the driver's.
bool nearSpeedGlitch(const std::vector<TelemetrySample> &samples, size_t i)
{
    for (size_t k = i > 0 ? i - 1 : 0; k <= i + 1 && k < samples.size(); ++k)
        if (samples[k].glitches)
            return true;
    return false;
}

bool parked(const TelemetrySample &s)
{
    return !s.hasSpeed || s.speedKmh == 0;
}

void findEvents(const GpsReadResult &result, const std::vector<TelemetrySample> &samples, double duration,
                ClipFacts &facts)
{
    const size_t n = samples.size();
    const std::vector<TelemetryEvent> found = TelemetryEvents::detect(result.videoDatas, duration, EventThresholds{});
    for (const TelemetryEvent &e : found) {
        if ((e.kind == EventKind::HardBraking || e.kind == EventKind::HardAcceleration) &&
            nearSpeedGlitch(samples, sampleAt(e.time, n, duration)))
            continue;
        switch (e.kind) {
        case EventKind::HardBraking: addEvent(facts, LibraryEventKind::HardBraking, e.time, e.strength, samples, duration); break;
        case EventKind::HardAcceleration:
            addEvent(facts, LibraryEventKind::HardAcceleration, e.time, e.strength, samples, duration);
            break;
        case EventKind::Impact: {
            const size_t i = sampleAt(e.time, n, duration);
            if (i >= n || !parked(samples[i]))
                addEvent(facts, LibraryEventKind::Impact, e.time, e.strength, samples, duration);
            break;
        }
        default: break;
        }
    }
    // Bumps while parked: the car stands, the G reading jumps.
    bool inBump = false;
    for (size_t i = 1; i < n; ++i) {
        const TelemetrySample &a = samples[i - 1], &b = samples[i];
        double jump = 0;
        if (a.hasG && b.hasG && parked(a) && parked(b) && std::fabs(b.gx) < 16 && std::fabs(b.gy) < 16 &&
            std::fabs(b.gz) < 16)
            jump = std::max({std::fabs(b.gx - a.gx), std::fabs(b.gy - a.gy), std::fabs(b.gz - a.gz)});
        if (jump >= kParkedBumpG && !inBump)
            addEvent(facts, LibraryEventKind::ParkedBump, TelemetryEvents::sampleTime(i, n, duration), jump, samples,
                     duration);
        inBump = jump >= kParkedBumpG;
    }
    // Sharp turns: the course turning fast at speed, one event a turn.
    bool inTurn = false;
    for (size_t i = 1; i < n; ++i) {
        const TelemetrySample &a = samples[i - 1], &b = samples[i];
        double rate = 0;
        if (a.hasCourse && b.hasCourse && a.onRoute() && b.onRoute() && a.speedCounts() && b.speedCounts() &&
            std::min(a.speedKmh, b.speedKmh) >= ClipReading::kSharpTurnMinKmh) {
            double turn = std::fabs(b.course - a.course);
            if (turn > 180)
                turn = 360 - turn;
            const double dt = TelemetryEvents::sampleTime(i, n, duration) - TelemetryEvents::sampleTime(i - 1, n, duration);
            rate = dt > 0 ? turn / dt : 0;
        }
        const bool sharp = rate >= ClipReading::kSharpTurnDegPerS;
        if (sharp && !inTurn)
            addEvent(facts, LibraryEventKind::SharpTurn, TelemetryEvents::sampleTime(i - 1, n, duration), rate, samples,
                     duration);
        inTurn = sharp;
    }
    for (const VehicleEvent &v : TelemetryEvents::vehicleEvents(samples.data(), n, duration))
        addEvent(facts, v.kind == VehicleEventKind::BrakeApplied ? LibraryEventKind::Brake : LibraryEventKind::AssistanceOff,
                 v.time, v.strength, samples, duration);
    std::stable_sort(facts.events.begin(), facts.events.end(),
                     [](const ClipEvent &a, const ClipEvent &b) { return a.offsetMs < b.offsetMs; });
}

} // namespace

const char *eventKindName(LibraryEventKind kind)
{
    const int i = int(kind);
    return i >= 0 && i < kEventKindCount ? kKindNames[i] : "";
}

bool eventKindFromName(const std::string &name, LibraryEventKind *kind)
{
    for (int i = 0; i < kEventKindCount; ++i)
        if (name == kKindNames[i]) {
            *kind = LibraryEventKind(i);
            return true;
        }
    return false;
}

namespace ClipReading {

std::string cameraPattern(const std::string &path)
{
    const size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.find_last_of('.');
    const std::string ext = dot == std::string::npos ? std::string() : name.substr(dot);
    std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
    // The channel: a camera word after '-', or a letter right after the last digits.
    const char channel = ClipTime::channel(path);
    if (channel) {
        const std::string word = ClipTime::channelName(channel);
        if (word.size() > 1 && stem.size() > word.size() && stem.compare(stem.size() - word.size(), word.size(), word) == 0)
            stem.erase(stem.size() - word.size());
        else if (!stem.empty() && std::isalpha(static_cast<unsigned char>(stem.back())))
            stem.pop_back();
    }
    for (char &c : stem)
        if (c >= '0' && c <= '9')
            c = '#';
    return stem + ext;
}

bool protectedByCamera(const std::string &path, unsigned mode)
{
    if ((mode & 0222) == 0)
        return true;
    static const char *const kFolders[] = {"emr", "ro", "event", "protected", "locked", "lock"};
    size_t from = 0;
    const size_t last = path.find_last_of('/');
    if (last == std::string::npos)
        return false;
    while (from < last) {
        size_t to = path.find('/', from);
        if (to == std::string::npos || to > last)
            to = last;
        const std::string part = lower(path.substr(from, to - from));
        for (const char *folder : kFolders)
            if (part == folder)
                return true;
        from = to + 1;
    }
    return false;
}

std::string read(const std::string &path, int64_t size, int64_t mtimeNs, bool isProtected, int64_t nowMs,
                 ClipFacts *facts)
{
    try {
        BinaryFile file;
        if (!file.open(path))
            return BinaryFile::errorText(file.error());
        GpsReadResult result = GpsDataHelper::readGpsData(file, path);
        if (result.openError)
            return BinaryFile::errorText(result.openError);
        const MovieDuration::Header movie = MovieDuration::header(file);
        const double duration = movie.durationMs > 0 ? double(movie.durationMs) / 1000.0 : 0.0;
        const std::vector<TelemetrySample> samples = GpsGlitches::marked(std::move(result.samples), duration);
        const ClipClock clock = CameraClock::ofClip(path, samples, duration, movie.createdMs, nowMs);

        ClipFacts &f = *facts;
        f = ClipFacts{};
        f.path = path;
        f.size = size;
        f.mtimeNs = mtimeNs;
        f.camera = cameraPattern(path);
        f.channel = ClipTime::channelName(ClipTime::channel(path));
        f.startMs = clock.startMs();
        f.startIsUtc = clock.isUtc();
        f.cameraStartMs = clock.cameraStartMs;
        f.errorMs = clock.reading.errorMs;
        f.durationMs = movie.durationMs > 0 ? movie.durationMs : int64_t(samples.size()) * 1000;
        f.layout = layoutName(result.layout);
        f.samples = int(samples.size());
        f.isProtected = isProtected;
        for (const TelemetrySample &s : samples)
            if (s.speedCounts())
                f.maxSpeedKmh = std::max(f.maxSpeedKmh, s.speedKmh);
        ClipRoute route;
        route.startMs = 0;
        route.durationMs = movie.durationMs;
        route.samples = samples.data();
        route.count = samples.size();
        f.distanceM = tripMetres({route});

        std::vector<RoutePoint> points;
        for (size_t i = 0; i < samples.size(); ++i)
            if (samples[i].onRoute() && std::isfinite(samples[i].latitude) && std::isfinite(samples[i].longitude) &&
                std::fabs(samples[i].latitude) <= 90 && std::fabs(samples[i].longitude) <= 180)
                points.push_back({int32_t(std::llround(TelemetryEvents::sampleTime(i, samples.size(), duration) * 1000)),
                                  samples[i].latitude, samples[i].longitude});
        f.pieces = RouteGeometry::pieces(RouteGeometry::simplified(points, kToleranceM), kPiecePoints, kBreakM);
        findEvents(result, samples, duration, f);
        return {};
    } catch (const std::bad_alloc &) {
        return "Out of memory";
    }
}

} // namespace ClipReading
