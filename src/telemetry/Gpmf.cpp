#include "Gpmf.h"

#include "AtomWalk.h"
#include "BinaryFile.h"
#include "ClipTime.h"
#include "MovieDuration.h"
#include "MovieMap.h"

#include <array>
#include <cmath>
#include <cstring>
#include <optional>
#include <string>
#include <unordered_set>

namespace {

bool isKeyChar(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == ' ';
}

bool allZero(const unsigned char *p, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        if (p[i])
            return false;
    return true;
}

// Bytes of one element of a type, 0 for a type without a fixed size.
size_t typeBytes(char type)
{
    switch (type) {
    case 'b': case 'B': case 'c': return 1;
    case 's': case 'S': return 2;
    case 'l': case 'L': case 'f': case 'q': case 'F': return 4;
    case 'd': case 'j': case 'J': case 'Q': return 8;
    case 'G': case 'U': return 16;
    default: return 0;
    }
}

bool numeric(char type)
{
    return typeBytes(type) && type != 'c' && type != 'F' && type != 'G' && type != 'U';
}

uint64_t be(const unsigned char *p, size_t n)
{
    uint64_t v = 0;
    for (size_t i = 0; i < n; ++i)
        v = v << 8 | p[i];
    return v;
}

double number(char type, const unsigned char *p)
{
    switch (type) {
    case 'b': return double(int8_t(p[0]));
    case 'B': return double(p[0]);
    case 's': return double(int16_t(uint16_t(be(p, 2))));
    case 'S': return double(be(p, 2));
    case 'l': return double(int32_t(uint32_t(be(p, 4))));
    case 'L': return double(be(p, 4));
    case 'j': return double(int64_t(be(p, 8)));
    case 'J': return double(be(p, 8));
    case 'q': return double(int32_t(uint32_t(be(p, 4)))) / 65536.0;
    case 'Q': return double(int64_t(be(p, 8))) / 4294967296.0;
    case 'f': {
        const uint32_t u = uint32_t(be(p, 4));
        float f;
        std::memcpy(&f, &u, 4);
        return double(f);
    }
    case 'd': {
        const uint64_t u = be(p, 8);
        double d;
        std::memcpy(&d, &u, 8);
        return d;
    }
    default: return 0;
    }
}

bool validList(const unsigned char *p, size_t n, int depth, bool top)
{
    if (depth > Gpmf::kMaxDepth)
        return false;
    size_t at = 0;
    bool first = true;
    while (at < n) {
        // Zero bytes can end a list; a key of zeros is no key.
        if (n - at < 4 || allZero(p + at, 4))
            return allZero(p + at, n - at) && !(top && first);
        Gpmf::Klv k;
        if (!Gpmf::klvAt(p, n, at, &k))
            return false;
        for (int i = 0; i < 4; ++i)
            if (!isKeyChar(static_cast<unsigned char>(k.key[i])))
                return false;
        if (first && top && std::memcmp(k.key, "DEVC", 4) != 0)
            return false;
        if (k.type == 0) {
            if (!validList(p + k.at, k.size, depth + 1, false))
                return false;
        } else {
            const unsigned char t = static_cast<unsigned char>(k.type);
            if (t < 0x21 || t > 0x7E)
                return false;
            const size_t element = typeBytes(k.type);
            if (element && k.structSize % element != 0)
                return false;
        }
        // Inside a list, the padding of every item belongs to the list.
        if (!top && k.next > n)
            return false;
        at = k.next;
        first = false;
    }
    return !(top && first);
}

// The element types of a structure: its type repeated, or TYPE's characters for `?`.
std::string elementTypes(const Gpmf::Klv &k, const std::string &typeText)
{
    std::string types;
    if (k.type == '?') {
        types = typeText;
    } else if (const size_t element = typeBytes(k.type)) {
        types.assign(k.structSize / element, k.type);
    }
    size_t bytes = 0;
    for (char t : types) {
        if (!numeric(t))
            return {};
        bytes += typeBytes(t);
    }
    return bytes == k.structSize ? types : std::string();
}

// Values that hold in a stream until it gives them again.
struct Stream {
    std::vector<double> scale;
    std::string typeText;
    std::optional<int64_t> utcMs;
    std::optional<double> fixType;
    std::optional<double> dopX100;
};

struct Fix {
    double latitude = 0, longitude = 0, speed = 0;
    bool fix = false;
    std::optional<int64_t> utcMs;
};

struct Payload {
    std::vector<Fix> fixes;
    std::vector<std::array<float, 3>> accel;
    std::optional<int64_t> utcMs;
};

// "yymmddhhmmss.sss", UTC.
std::optional<int64_t> gpsuTime(const unsigned char *p, size_t n)
{
    if (n < 16)
        return std::nullopt;
    const std::string t(reinterpret_cast<const char *>(p), 16);
    if (!ClipTime::allDigits(t, 0, 12) || t[12] != '.' || !ClipTime::allDigits(t, 13, 3))
        return std::nullopt;
    const CivilTime c{2000 + ClipTime::number(t, 0, 2), ClipTime::number(t, 2, 2), ClipTime::number(t, 4, 2),
                      ClipTime::number(t, 6, 2), ClipTime::number(t, 8, 2), ClipTime::number(t, 10, 2)};
    if (!ClipTime::validDate(c.year, c.month, c.day) || !ClipTime::validClock(c.hour, c.minute, c.second))
        return std::nullopt;
    return ClipTime::toMs(c) + ClipTime::number(t, 13, 3);
}

// Entry `e`'s elements divided by SCAL; false when the scale does not fit them.
bool scaledEntry(const unsigned char *data, const std::string &types, const std::vector<double> &scale, size_t e,
                 size_t structSize, double *out)
{
    if (scale.empty() || (scale.size() != 1 && scale.size() < types.size()))
        return false;
    const unsigned char *p = data + e * structSize;
    for (size_t j = 0; j < types.size(); ++j) {
        const double s = scale.size() == 1 ? scale[0] : scale[j];
        if (s == 0 || !std::isfinite(s))
            return false;
        out[j] = number(types[j], p) / s;
        p += typeBytes(types[j]);
    }
    return true;
}

bool goodPosition(double lat, double lon)
{
    return std::isfinite(lat) && std::isfinite(lon) && std::fabs(lat) <= 90 && std::fabs(lon) <= 180 &&
           (lat != 0 || lon != 0);
}

void readStream(const unsigned char *p, size_t n, Payload *payload)
{
    Stream s;
    for (size_t at = 0; at < n;) {
        Gpmf::Klv k;
        if (!Gpmf::klvAt(p, n, at, &k))
            return;
        at = k.next;
        const unsigned char *data = p + k.at;
        const std::string key = k.key;
        if (key == "SCAL" && numeric(k.type)) {
            const size_t element = typeBytes(k.type);
            s.scale.clear();
            for (size_t i = 0; i + element <= k.size; i += element)
                s.scale.push_back(number(k.type, data + i));
        } else if (key == "TYPE" && k.type == 'c') {
            s.typeText.assign(reinterpret_cast<const char *>(data), k.size);
            s.typeText.erase(s.typeText.find_last_not_of('\0') + 1);
        } else if (key == "GPSU" && (k.type == 'U' || k.type == 'c')) {
            s.utcMs = gpsuTime(data, k.size);
            payload->utcMs = s.utcMs;
        } else if (key == "GPSF" && numeric(k.type) && k.size >= typeBytes(k.type)) {
            s.fixType = number(k.type, data);
        } else if (key == "GPSP" && numeric(k.type) && k.size >= typeBytes(k.type)) {
            s.dopX100 = number(k.type, data);
        } else if (key == "GPS5" || key == "GPS9") {
            const bool nine = key == "GPS9";
            const std::string types = elementTypes(k, s.typeText);
            if (types.size() != (nine ? 9u : 5u))
                continue;
            for (size_t e = 0; e < k.repeat && payload->fixes.size() < Gpmf::kMaxMomentsPerPayload; ++e) {
                double v[9];
                if (!scaledEntry(data, types, s.scale, e, k.structSize, v))
                    break;
                Fix f;
                f.latitude = v[0], f.longitude = v[1], f.speed = v[3];
                const double fixType = nine ? v[8] : s.fixType.value_or(3);
                const double dop = nine ? v[7] : s.dopX100 ? *s.dopX100 / 100 : 0;
                f.fix = fixType >= 2 && dop < Gpmf::kMaxDop && goodPosition(f.latitude, f.longitude);
                if (nine && std::isfinite(v[5]) && std::isfinite(v[6]) && v[5] >= 0 && v[5] < 100000 && v[6] >= 0 &&
                    v[6] < 86400)
                    f.utcMs = ClipTime::toMs(CivilTime{2000, 1, 1, 0, 0, 0}) + int64_t(v[5]) * 86400000 +
                              std::llround(v[6] * 1000);
                payload->fixes.push_back(f);
            }
        } else if (key == "ACCL") {
            const std::string types = elementTypes(k, s.typeText);
            if (types.size() != 3)
                continue;
            for (size_t e = 0; e < k.repeat && payload->accel.size() < Gpmf::kMaxMomentsPerPayload; ++e) {
                double v[3];
                if (!scaledEntry(data, types, s.scale, e, k.structSize, v))
                    break;
                payload->accel.push_back({float(v[0] / Gpmf::kStandardGravity), float(v[1] / Gpmf::kStandardGravity),
                                          float(v[2] / Gpmf::kStandardGravity)});
            }
        }
    }
}

// Calls fn(klv, data) for the items of the list in [0, n) with key `key`.
template <typename Fn>
void forEachItem(const unsigned char *p, size_t n, const char *key, Fn fn)
{
    for (size_t at = 0; at < n;) {
        Gpmf::Klv k;
        if (!Gpmf::klvAt(p, n, at, &k))
            return;
        if (k.type == 0 && std::memcmp(k.key, key, 4) == 0)
            fn(p + k.at, k.size);
        at = k.next;
    }
}

} // namespace

bool Gpmf::klvAt(const unsigned char *p, size_t n, size_t at, Klv *k)
{
    if (at > n || n - at < 8)
        return false;
    std::memcpy(k->key, p + at, 4);
    k->key[4] = 0;
    k->type = static_cast<char>(p[at + 4]);
    k->structSize = p[at + 5];
    k->repeat = uint16_t(p[at + 6] << 8 | p[at + 7]);
    k->at = at + 8;
    k->size = size_t(k->structSize) * k->repeat;
    if (k->size > n - k->at)
        return false;
    k->next = k->at + ((k->size + 3) & ~size_t(3));
    return true;
}

bool Gpmf::isKlv(const unsigned char *payload, size_t n)
{
    return payload && validList(payload, n, 0, true);
}

bool Gpmf::parsePayload(const unsigned char *payload, size_t n, std::vector<TelemetryMoment> *moments)
{
    if (!isKlv(payload, n))
        return false;
    Payload data;
    forEachItem(payload, n, "DEVC", [&](const unsigned char *devc, size_t devcBytes) {
        forEachItem(devc, devcBytes, "STRM", [&](const unsigned char *strm, size_t strmBytes) {
            readStream(strm, strmBytes, &data);
        });
    });
    const size_t fixes = data.fixes.size(), readings = data.accel.size();
    const auto withG = [&](TelemetryMoment &m, size_t reading) {
        if (reading >= readings)
            return;
        m.hasG = true;
        m.gx = data.accel[reading][0], m.gy = data.accel[reading][1], m.gz = data.accel[reading][2];
    };
    for (size_t i = 0; i < fixes; ++i) {
        const Fix &f = data.fixes[i];
        TelemetryMoment m;
        if (f.fix) {
            m.hasFix = true;
            m.latitude = f.latitude, m.longitude = f.longitude;
            if (std::isfinite(f.speed) && f.speed >= 0) {
                m.hasSpeed = true;
                m.speedKmh = f.speed * 3.6;
            }
        }
        if (f.utcMs)
            m.utcMs = f.utcMs;
        else if (data.utcMs)
            m.utcMs = *data.utcMs + int64_t(i) * kPayloadMs / int64_t(fixes);
        withG(m, i * readings / fixes);
        moments->push_back(m);
    }
    if (fixes == 0 && (readings > 0 || data.utcMs)) {
        TelemetryMoment m;
        m.utcMs = data.utcMs;
        withG(m, 0);
        moments->push_back(m);
    }
    return true;
}

bool Gpmf::read(BinaryFile &file, const MovieMap &map, GpsReadResult *result)
{
    int tracks = 0;
    std::vector<unsigned char> buffer;
    for (const AtomHeader &trak : map.moovChildren) {
        if (!trak.is("trak") || ++tracks > kMaxTracks)
            continue;
        if (std::strcmp(AtomWalk::trackKind(file, trak).sampleEntry, "gpmd") != 0)
            continue;
        std::vector<TelemetryMoment> moments;
        bool klv = false;
        int tried = 0;
        const double seconds = AtomWalk::trackSeconds(file, trak);
        const size_t budget = MovieDuration::sampleBudget(file, seconds, kMaxMomentsPerSecond);
        std::unordered_set<int64_t> read;   // a payload pointed at again gives nothing more
        for (const AtomWalk::SampleRef &s : AtomWalk::trackSamples(file, trak, kMaxPayloads)) {
            if (s.size == 0 || moments.size() >= budget || !read.insert(s.offset).second)
                continue;
            if (!klv && tried++ >= kPayloadsTried)
                break;
            if (s.size > kMaxPayloadBytes)
                continue;
            // Until a payload was KLV, one that does not open with DEVC is not read whole.
            unsigned char head[4];
            if (!klv && (file.readAt(s.offset, head, 4) != 4 || std::memcmp(head, "DEVC", 4) != 0))
                continue;
            buffer.resize(s.size);
            if (file.readAt(s.offset, buffer.data(), s.size) != s.size)
                continue;
            klv = parsePayload(buffer.data(), s.size, &moments) || klv;
        }
        if (moments.empty())
            continue;
        if (moments.size() > budget)
            moments.resize(budget);
        for (const TelemetryMoment &m : moments)
            Moments::append(result, m);
        Moments::finish(result, TelemetryLayout::Gpmf);
        if (seconds > 0)
            result->samplesPerSecond = double(result->samples.size()) / seconds;
        return true;
    }
    return false;
}
