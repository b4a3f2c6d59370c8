// Hand-built dash-camera file layouts for the reader tests and the fuzz corpus. Each
// builder places its GPS blocks at offsets the caller chooses, so the expected block
// positions and values can be worked out by hand in the tests; GPMF payloads and video
// frames with the car's message are built item by item.
#pragma once

#include "TestSupport.h"

#include <array>
#include <cstring>
#include <map>

namespace fx {

using tst::atom;
using tst::Bytes;

inline Bytes ftyp()
{
    return atom("ftyp", Bytes().text("qt  ").be32(0).text("qt  "));
}

inline Bytes mvhd()
{
    return atom("mvhd", Bytes().zeros(100));
}

// udta whose first child is `childSize` bytes, its type "NVTK" followed by `text`, and
// the 4 zero bytes that end a QuickTime user data list.
inline Bytes udta(const std::string &text, uint32_t childSize = 32)
{
    Bytes child;
    child.be32(childSize).text("NVTK").text(text);
    child.padTo(childSize);
    child.be32(0);
    return atom("udta", child);
}

inline Bytes stsz(const std::vector<uint32_t> &sizes, uint32_t declaredCount)
{
    Bytes b;
    b.be32(0).be32(0).be32(declaredCount);
    for (uint32_t s : sizes)
        b.be32(s);
    return atom("stsz", b);
}

inline Bytes stco(const std::vector<uint32_t> &offsets, uint32_t declaredCount)
{
    Bytes b;
    b.be32(0).be32(declaredCount);
    for (uint32_t o : offsets)
        b.be32(o);
    return atom("stco", b);
}

// trak > mdia > minf > stbl > tables, with a few siblings the walks must step over.
inline Bytes trak(const Bytes &tables)
{
    const Bytes stbl = atom("stbl", atom("stsd", Bytes().zeros(16)).append(tables));
    const Bytes minf = atom("minf", atom("vmhd", Bytes().zeros(12)).append(stbl));
    const Bytes mdia = atom("mdia", atom("mdhd", Bytes().zeros(24)).append(atom("hdlr", Bytes().zeros(24))).append(minf));
    return atom("trak", atom("tkhd", Bytes().zeros(84)).append(mdia));
}

// An mdat that starts at offset 16 (after ftyp) and holds `blocks` at their absolute
// file offsets; the rest is filler.
inline Bytes ftypAndMdat(const std::map<uint32_t, Bytes> &blocks, uint32_t mdatEnd)
{
    Bytes file = ftyp();
    const size_t mdatStart = file.size();
    file.be32(0).text("mdat");
    for (const auto &[offset, block] : blocks) {
        file.padTo(offset);
        file.append(block);
    }
    file.padTo(mdatEnd);
    file.patchBe32(mdatStart, uint32_t(file.size() - mdatStart));
    return file;
}

// An NT9666 index atom: size, type, 4 unused bytes, count, then (position, unused) pairs.
inline Bytes gpsIndex(const std::vector<uint32_t> &positions, int32_t declaredCount)
{
    Bytes b;
    b.be32(0x11111111).be32(uint32_t(declaredCount));
    for (uint32_t p : positions)
        b.be32(p).be32(0x22222222);
    return atom("gps ", b);
}


// GPMF: KLV items and nested lists, a GPS stream and an ACCL stream, a DEVC of streams.

// A KLV item: key, type, structure size, repeat count, the data padded to four bytes.
inline Bytes klv(const char *key, char type, uint8_t size, uint16_t repeat, const Bytes &data)
{
    Bytes b;
    b.text(std::string(key, 4)).raw(&type, 1).raw(&size, 1).be16(repeat).append(data);
    return b.padTo((b.size() + 3) / 4 * 4);
}

inline Bytes nest(const char *key, const Bytes &items)
{
    return klv(key, 0, 1, uint16_t(items.size()), items);
}

inline Bytes be32s(std::initializer_list<int32_t> values)
{
    Bytes b;
    for (int32_t v : values)
        b.be32(uint32_t(v));
    return b;
}

// 51.5 N 0.1 W, 35 m, 10 m/s, as GPS5 stores them with the usual SCAL.
inline const std::array<int32_t, 5> kFix5 = {515000000, -1000000, 35000, 10000, 1000};
inline const Bytes kScal5 = klv("SCAL", 'l', 4, 5, be32s({10000000, 10000000, 1000, 1000, 100}));

inline Bytes gps5(const std::vector<std::array<int32_t, 5>> &fixes, const Bytes &scal = kScal5)
{
    Bytes data;
    for (const auto &f : fixes)
        data.append(be32s({f[0], f[1], f[2], f[3], f[4]}));
    return Bytes(scal).append(klv("GPS5", 'l', 20, uint16_t(fixes.size()), data));
}

// GPSF, GPSU (2026-11-08 12:34:56 UTC), GPSP, then the GPS data.
inline Bytes gpsStream(const Bytes &gps, uint32_t fix = 3, uint16_t dopX100 = 150)
{
    return nest("STRM", klv("GPSF", 'L', 4, 1, Bytes().be32(fix))
                            .append(klv("GPSU", 'U', 16, 1, Bytes().text("261108123456.000")))
                            .append(klv("GPSP", 'S', 2, 1, Bytes().be16(dopX100)))
                            .append(gps));
}

// ACCL readings with SCAL 418 (units per m/s²).
inline Bytes acclStream(std::initializer_list<std::array<int16_t, 3>> readings)
{
    Bytes data;
    for (const auto &r : readings)
        data.be16(uint16_t(r[0])).be16(uint16_t(r[1])).be16(uint16_t(r[2]));
    return nest("STRM", klv("SCAL", 's', 2, 1, Bytes().be16(418))
                            .append(klv("ACCL", 's', 6, uint16_t(readings.size()), data)));
}

inline Bytes devc(const Bytes &streams)
{
    return nest("DEVC", klv("DVID", 'L', 4, 1, Bytes().be32(1)).append(streams));
}


// The in-stream layout: the car's protobuf message by hand, SEI units of user data with
// emulation prevention, NAL units after their length fields, a slice.

inline Bytes &varint(Bytes &b, uint64_t v)
{
    for (; v >= 0x80; v >>= 7)
        b.data.push_back(uint8_t(v | 0x80));
    b.data.push_back(uint8_t(v));
    return b;
}

inline Bytes &le64(Bytes &b, double d)
{
    uint64_t u;
    std::memcpy(&u, &d, 8);
    return b.le32(int32_t(uint32_t(u))).le32(int32_t(uint32_t(u >> 32)));
}

// The car's message: 10 m/s, brake, autosteer, 51.5 N 0.1 W, heading 90, 1 g forward.
inline Bytes carMessage()
{
    Bytes m;
    varint(m, 4 << 3 | 5);
    const float speed = 10.0f;
    uint32_t bits;
    std::memcpy(&bits, &speed, 4);
    m.le32(int32_t(bits));
    varint(varint(m, 9 << 3 | 0), 1);
    varint(varint(m, 10 << 3 | 0), 2);
    le64(varint(m, 11 << 3 | 1), 51.5);
    le64(varint(m, 12 << 3 | 1), -0.1);
    le64(varint(m, 13 << 3 | 1), 90.0);
    le64(varint(m, 14 << 3 | 1), 9.80665);
    return m;
}

// Emulation prevention, as an encoder adds it.
inline Bytes escaped(const Bytes &rbsp)
{
    Bytes out;
    int zeros = 0;
    for (uint8_t b : rbsp.data) {
        if (zeros >= 2 && b <= 3) {
            out.data.push_back(3);
            zeros = 0;
        }
        out.data.push_back(b);
        zeros = b == 0 ? zeros + 1 : 0;
    }
    return out;
}

// One SEI message of user data unregistered (type, size, body): the magic after a UUID
// or opening the payload; its size field `sizeLie` bytes more than the body.
inline Bytes seiMessage(const Bytes &message, bool afterUuid, int sizeLie = 0)
{
    Bytes body;
    if (afterUuid)
        body.text("0123456789abcdef");
    body.data.insert(body.data.end(), {0x42, 0x42, 0x42, 0x69});
    body.append(message);
    Bytes m;
    m.data.push_back(5);
    size_t size = body.size() + size_t(sizeLie);
    for (; size >= 255; size -= 255)
        m.data.push_back(0xFF);
    m.data.push_back(uint8_t(size));
    return m.append(body);
}

// An SEI unit: its NAL header, the messages with emulation prevention, the trailing bits.
inline Bytes seiUnit(const Bytes &messages, bool h265 = false)
{
    Bytes unit;
    if (h265)
        unit.data.insert(unit.data.end(), {39 << 1, 1});
    else
        unit.data.push_back(0x06);
    Bytes rbsp = messages;
    rbsp.data.push_back(0x80);
    return unit.append(escaped(rbsp));
}

// A unit after its length field of `lengthSize` bytes.
inline Bytes unit(const Bytes &u, int lengthSize = 4)
{
    Bytes b;
    for (int i = lengthSize - 1; i >= 0; --i)
        b.data.push_back(uint8_t(u.size() >> (8 * i)));
    return b.append(u);
}

inline Bytes slice(bool h265 = false)
{
    Bytes s;
    if (h265)
        s.data.insert(s.data.end(), {19 << 1, 1});
    else
        s.data.push_back(0x25);
    return s.zeros(40);
}

const std::string kFix = "$GPRMC,123519,A,4807.0380,N,01131.0000,E,022.4,084.4,230394,003.1,W*6A\r\n";
const std::string kNoFix = "$GPRMC,123520,V,,,,,,,230394,,,N*53\r\n";

} // namespace fx
