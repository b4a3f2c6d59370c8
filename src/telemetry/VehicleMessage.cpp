#include "VehicleMessage.h"

#include <cstring>

namespace {

enum WireType { Varint = 0, Fixed64 = 1, Delimited = 2, StartGroup = 3, EndGroup = 4, Fixed32 = 5 };

class Reader {
public:
    Reader(const unsigned char *p, size_t n) : m_p(p), m_end(p + n) {}
    bool atEnd() const { return m_p == m_end; }

    // Up to ten bytes; bits past 64 are dropped, as protobuf drops them.
    bool varint(uint64_t *v) { return bits(10, 64, v); }
    // A tag: at most five bytes, bits past 32 dropped.
    bool tag(uint32_t *t)
    {
        uint64_t v = 0;
        if (!bits(5, 32, &v))
            return false;
        *t = uint32_t(v);
        return true;
    }
    // A length: at most five bytes and under 2 GiB, less protobuf's margin of 16.
    bool size(uint64_t *v)
    {
        if (!bits(5, 64, v) || *v > 0x7FFFFFFFu - 16)
            return false;
        return true;
    }
    bool fixed(size_t bytes, uint64_t *v)
    {
        if (size_t(m_end - m_p) < bytes)
            return false;
        uint64_t value = 0;
        for (size_t i = 0; i < bytes; ++i)
            value |= uint64_t(m_p[i]) << (8 * i);
        m_p += bytes;
        *v = value;
        return true;
    }
    bool bits(int maxBytes, int keep, uint64_t *v)
    {
        uint64_t value = 0;
        for (int i = 0; i < maxBytes; ++i) {
            if (m_p == m_end)
                return false;
            const unsigned char b = *m_p++;
            if (7 * i < keep)
                value |= uint64_t(b & 0x7F) << (7 * i);
            if (!(b & 0x80)) {
                *v = keep < 64 ? value & ((uint64_t(1) << keep) - 1) : value;
                return true;
            }
        }
        return false;
    }
    bool skip(uint64_t bytes)
    {
        if (uint64_t(m_end - m_p) < bytes)
            return false;
        m_p += bytes;
        return true;
    }

private:
    const unsigned char *m_p;
    const unsigned char *m_end;
};

// What the .proto says of a field number: its wire type; -1 for a number it does not know.
int declaredWireType(uint32_t field)
{
    switch (field) {
    case 1: case 2: case 3: case 7: case 8: case 9: case 10: return Varint;
    case 4: case 5: case 6: return Fixed32;
    case 11: case 12: case 13: case 14: case 15: case 16: return Fixed64;
    default: return -1;
    }
}

float asFloat(uint64_t bits)
{
    const uint32_t u = uint32_t(bits);
    float f;
    std::memcpy(&f, &u, 4);
    return f;
}

double asDouble(uint64_t bits)
{
    double d;
    std::memcpy(&d, &bits, 8);
    return d;
}

void store(VehicleMessage &m, uint32_t field, uint64_t v)
{
    switch (field) {
    case 1: m.version = uint32_t(v); break;
    case 2: m.gear = int32_t(uint32_t(v)); break;
    case 3: m.frameSequence = v; break;
    case 4: m.speedMps = asFloat(v); break;
    case 5: m.acceleratorPedal = asFloat(v); break;
    case 6: m.steeringDeg = asFloat(v); break;
    case 7: m.blinkerLeft = v != 0; break;
    case 8: m.blinkerRight = v != 0; break;
    case 9: m.brake = v != 0; break;
    case 10: m.assistance = int32_t(uint32_t(v)); break;
    case 11: m.latitude = asDouble(v); break;
    case 12: m.longitude = asDouble(v); break;
    case 13: m.headingDeg = asDouble(v); break;
    case 14: m.accelX = asDouble(v); break;
    case 15: m.accelY = asDouble(v); break;
    case 16: m.accelZ = asDouble(v); break;
    default: break;
    }
}

} // namespace

bool VehicleMessage::decode(const unsigned char *bytes, size_t n, VehicleMessage *out)
{
    if (!bytes && n)
        return false;
    Reader r(bytes, n);
    VehicleMessage m;
    // The field numbers of the groups we are inside, innermost last.
    uint32_t groups[kMaxGroupDepth];
    int depth = 0;
    while (!r.atEnd()) {
        uint32_t tag = 0;
        if (!r.tag(&tag))
            return false;
        const uint32_t field = tag >> 3;
        const int wire = int(tag & 7);
        if (field == 0)
            return false;
        uint64_t v = 0;
        switch (wire) {
        case Varint:
            if (!r.varint(&v))
                return false;
            break;
        case Fixed64:
            if (!r.fixed(8, &v))
                return false;
            break;
        case Fixed32:
            if (!r.fixed(4, &v))
                return false;
            break;
        case Delimited:
            if (!r.size(&v) || !r.skip(v))
                return false;
            break;
        case StartGroup:
            if (depth == kMaxGroupDepth)
                return false;
            groups[depth++] = field;
            continue;
        case EndGroup:
            if (depth == 0 || groups[depth - 1] != field)
                return false;
            --depth;
            continue;
        default:
            return false;
        }
        if (depth == 0 && declaredWireType(field) == wire)
            store(m, field, v);
    }
    if (depth != 0)
        return false;
    *out = m;
    return true;
}
