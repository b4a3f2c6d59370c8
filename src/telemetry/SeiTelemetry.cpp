#include "SeiTelemetry.h"

#include "AtomWalk.h"
#include "BinaryFile.h"
#include "MovieDuration.h"
#include "MovieMap.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_set>
#include <vector>

namespace {

constexpr unsigned char kMagic[4] = {0x42, 0x42, 0x42, 0x69};
constexpr size_t kUuidBytes = 16;
constexpr int kUserDataUnregistered = 5;

// The NAL unit type, and whether it is a slice or an SEI unit before the slices.
int unitType(const unsigned char *header, SeiTelemetry::Codec codec)
{
    return codec == SeiTelemetry::Codec::H264 ? header[0] & 0x1F : (header[0] >> 1) & 0x3F;
}

bool isSlice(int type, SeiTelemetry::Codec codec)
{
    return codec == SeiTelemetry::Codec::H264 ? type >= 1 && type <= 5 : type <= 31;
}

bool isSei(int type, SeiTelemetry::Codec codec)
{
    return codec == SeiTelemetry::Codec::H264 ? type == 6 : type == 39;
}

// The unit's bytes after its header with every emulation prevention byte removed, into
// `out` (room for n bytes); their count.
size_t rbsp(const unsigned char *p, size_t n, unsigned char *out)
{
    size_t count = 0;
    int zeros = 0;
    for (size_t i = 0; i < n; ++i) {
        if (zeros >= 2 && p[i] == 3) {
            zeros = 0;
            continue;
        }
        zeros = p[i] == 0 ? zeros + 1 : 0;
        out[count++] = p[i];
    }
    return count;
}

// An SEI value (payload type or size): 0xFF bytes adding 255 each, then the last byte.
bool seiValue(const unsigned char *b, size_t n, size_t *at, size_t *value)
{
    size_t v = 0;
    while (*at < n && b[*at] == 0xFF) {
        v += 255;
        ++*at;
    }
    if (*at >= n)
        return false;
    *value = v + b[(*at)++];
    return true;
}

uint32_t lengthAt(const unsigned char *p, int bytes)
{
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v = v << 8 | p[i];
    return v;
}

float finiteOr0(float v)
{
    return std::isfinite(v) ? v : 0.0f;
}

TelemetrySample::Gear gearOf(int32_t v)
{
    using G = TelemetrySample::Gear;
    static const G gears[] = {G::Park, G::Drive, G::Reverse, G::Neutral};
    return v >= 0 && v < 4 ? gears[v] : G::Unknown;
}

TelemetrySample::Assistance assistanceOf(int32_t v)
{
    using A = TelemetrySample::Assistance;
    static const A states[] = {A::None, A::SelfDriving, A::Autosteer, A::Cruise};
    return v >= 0 && v < 4 ? states[v] : A::Unknown;
}

// The video track: the first trak with a sample entry of H.264 or H.265, and the size
// of its NAL length fields from avcC / hvcC.
bool videoTrack(BinaryFile &file, const MovieMap &map, AtomHeader *trak, SeiTelemetry::Codec *codec, int *lengthSize)
{
    int tracks = 0;
    for (const AtomHeader &t : map.moovChildren) {
        if (!t.is("trak") || ++tracks > SeiTelemetry::kMaxTracks)
            continue;
        AtomHeader entry, config;
        if (!AtomWalk::firstSampleEntry(file, t, &entry))
            continue;
        const bool avc = entry.is("avc1") || entry.is("avc3");
        const bool hevc = entry.is("hvc1") || entry.is("hev1");
        if (!avc && !hevc)
            continue;
        // A visual sample entry's own fields take 78 bytes; its child atoms follow.
        bool found = false;
        AtomWalk::forEachAtom(file, entry.contentStart() + 78, entry.end(), AtomWalk::kMaxChildren,
                              [&](const AtomHeader &h) {
                                  found = h.is(avc ? "avcC" : "hvcC");
                                  if (found)
                                      config = h;
                                  return !found;
                              });
        // avcC: lengthSizeMinusOne in the low bits of byte 4; hvcC: of byte 21.
        unsigned char b = 0;
        if (!found || file.readAt(config.contentStart() + (avc ? 4 : 21), &b, 1) != 1)
            continue;
        const int size = (b & 3) + 1;
        if (size == 3)
            continue;
        *trak = t;
        *codec = avc ? SeiTelemetry::Codec::H264 : SeiTelemetry::Codec::H265;
        *lengthSize = size;
        return true;
    }
    return false;
}

} // namespace

bool SeiTelemetry::seiMessage(const unsigned char *unit, size_t n, Codec codec, VehicleMessage *message)
{
    const size_t header = codec == Codec::H264 ? 1 : 2;
    if (n <= header)
        return false;
    unsigned char small[kMaxSeiBytes];
    std::vector<unsigned char> large;
    unsigned char *b = small;
    if (n - header > sizeof small) {
        large.resize(n - header);
        b = large.data();
    }
    const size_t count = rbsp(unit + header, n - header, b);
    size_t at = 0;
    // SEI messages until the trailing bits (a lone 0x80) or the end.
    while (at + 1 < count || (at < count && b[at] != 0x80)) {
        size_t type = 0, size = 0;
        if (!seiValue(b, count, &at, &type) || !seiValue(b, count, &at, &size) || size > count - at)
            return false;
        const unsigned char *payload = b + at;
        at += size;
        if (type != kUserDataUnregistered)
            continue;
        size_t skip = 0;
        if (size >= 4 && std::memcmp(payload, kMagic, 4) == 0)
            skip = 4;
        else if (size >= kUuidBytes + 4 && std::memcmp(payload + kUuidBytes, kMagic, 4) == 0)
            skip = kUuidBytes + 4;
        if (skip && VehicleMessage::decode(payload + skip, size - skip, message))
            return true;
    }
    return false;
}

bool SeiTelemetry::frameMessage(const FrameReader &read, size_t frameBytes, Codec codec, int lengthSize,
                                VehicleMessage *message)
{
    if (lengthSize != 1 && lengthSize != 2 && lengthSize != 4)
        return false;
    const size_t header = codec == Codec::H264 ? 1 : 2;
    unsigned char head[kFrameReadBytes];
    const size_t headBytes = read(0, head, std::min(frameBytes, sizeof head));
    unsigned char unit[kMaxSeiBytes];
    size_t at = 0;
    for (int units = 0; units < kMaxUnitsPerFrame && at < frameBytes; ++units) {
        unsigned char first[6];
        const size_t want = size_t(lengthSize) + header;
        if (frameBytes - at < want)
            return false;
        if (at + want <= headBytes)
            std::memcpy(first, head + at, want);
        else if (read(at, first, want) != want)
            return false;
        const uint32_t length = lengthAt(first, lengthSize);
        if (length < header || length > frameBytes - at - size_t(lengthSize))
            return false;
        const int type = unitType(first + lengthSize, codec);
        if (isSlice(type, codec))
            return false;
        const size_t start = at + size_t(lengthSize);
        if (isSei(type, codec) && length <= kMaxSeiBytes) {
            // A unit inside the first read is read from there.
            const bool inHead = start + length <= headBytes;
            if (!inHead && read(start, unit, length) != length)
                return false;
            const unsigned char *bytes = inHead ? head + start : unit;
            if (seiMessage(bytes, length, codec, message))
                return true;
        }
        at = start + length;
    }
    return false;
}

bool SeiTelemetry::frameMessage(const unsigned char *frame, size_t n, Codec codec, int lengthSize,
                                VehicleMessage *message)
{
    return frameMessage(
        [frame, n](size_t offset, unsigned char *out, size_t count) {
            if (offset >= n)
                return size_t(0);
            const size_t got = std::min(count, n - offset);
            std::memcpy(out, frame + offset, got);
            return got;
        },
        n, codec, lengthSize, message);
}

TelemetryMoment SeiTelemetry::moment(const VehicleMessage &v)
{
    TelemetryMoment m;
    if (std::isfinite(v.latitude) && std::isfinite(v.longitude) && std::fabs(v.latitude) <= 90 &&
        std::fabs(v.longitude) <= 180 && (v.latitude != 0 || v.longitude != 0)) {
        m.hasFix = true;
        m.latitude = v.latitude;
        m.longitude = v.longitude;
    }
    if (std::isfinite(v.speedMps)) {
        m.hasSpeed = true;
        m.speedKmh = std::fabs(double(v.speedMps)) * 3.6;
    }
    if (std::isfinite(v.headingDeg) && v.headingDeg >= 0 && v.headingDeg <= 360) {
        m.hasCourse = true;
        m.course = v.headingDeg;
    }
    constexpr double kStandardGravity = 9.80665;
    if (std::isfinite(v.accelX) && std::isfinite(v.accelY) && std::isfinite(v.accelZ)) {
        m.hasG = true;
        m.gx = float(v.accelX / kStandardGravity);
        m.gy = float(v.accelY / kStandardGravity);
        m.gz = float(v.accelZ / kStandardGravity);
    }
    TelemetrySample::Vehicle car;
    car.steeringDeg = finiteOr0(v.steeringDeg);
    car.pedal = finiteOr0(v.acceleratorPedal);
    car.brake = v.brake;
    car.blinkerLeft = v.blinkerLeft;
    car.blinkerRight = v.blinkerRight;
    car.gear = gearOf(v.gear);
    car.assistance = assistanceOf(v.assistance);
    m.vehicle = car;
    return m;
}

std::optional<SeiTelemetry::Codec> SeiTelemetry::videoCodec(const std::string &path)
{
    BinaryFile file;
    if (!file.open(path))
        return std::nullopt;
    const MovieMap map = MovieMap::of(file);
    AtomHeader trak;
    Codec codec = Codec::H264;
    int lengthSize = 4;
    if (!videoTrack(file, map, &trak, &codec, &lengthSize))
        return std::nullopt;
    return codec;
}

bool SeiTelemetry::read(BinaryFile &file, const MovieMap &map, GpsReadResult *result)
{
    AtomHeader trak;
    Codec codec = Codec::H264;
    int lengthSize = 4;
    if (!videoTrack(file, map, &trak, &codec, &lengthSize))
        return false;
    const std::vector<AtomWalk::SampleRef> frames = AtomWalk::trackSamples(file, trak, kMaxFrames);
    if (frames.empty())
        return false;
    const auto messageOf = [&](const AtomWalk::SampleRef &f, VehicleMessage *m) {
        return frameMessage(
            [&](size_t offset, unsigned char *out, size_t count) {
                return file.readAt(f.offset + int64_t(offset), out, count);
            },
            f.size, codec, lengthSize, m);
    };
    bool any = false;
    for (int k = 0; k < kProbes && !any; ++k) {
        VehicleMessage m;
        any = messageOf(frames[frames.size() * size_t(k) / kProbes], &m);
    }
    if (!any)
        return false;
    const double seconds = AtomWalk::trackSeconds(file, trak);
    const size_t budget = std::min(frames.size(), MovieDuration::sampleBudget(file, seconds, kMaxFramesPerSecond));
    result->videoDatas.reserve(budget);
    result->times.reserve(budget);
    result->samples.reserve(budget);
    std::unordered_set<int64_t> read;   // a frame pointed at again gives nothing more
    for (const AtomWalk::SampleRef &f : frames) {
        if (result->samples.size() >= budget)
            break;
        if (!read.insert(f.offset).second)
            continue;
        VehicleMessage m;
        Moments::append(result, messageOf(f, &m) ? moment(m) : TelemetryMoment());
    }
    Moments::finish(result, TelemetryLayout::SeiProtobuf);
    if (seconds > 0)
        result->samplesPerSecond = double(result->samples.size()) / seconds;
    return true;
}
