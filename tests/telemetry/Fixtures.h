// Hand-built dash-camera file layouts for the reader tests and the fuzz corpus. Each
// builder places its GPS blocks at offsets the caller chooses, so the expected block
// positions and values can be worked out by hand in the tests.
#pragma once

#include "TestSupport.h"

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

const std::string kFix = "$GPRMC,123519,A,4807.0380,N,01131.0000,E,022.4,084.4,230394,003.1,W*6A\r\n";
const std::string kNoFix = "$GPRMC,123520,V,,,,,,,230394,,,N*53\r\n";

} // namespace fx
