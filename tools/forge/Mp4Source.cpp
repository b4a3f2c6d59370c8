#include "Mp4Source.h"

#include <cerrno>
#include <cstring>

namespace {

uint32_t be32(const uint8_t* p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

uint64_t be64(const uint8_t* p)
{
    return (uint64_t(be32(p)) << 32) | be32(p + 4);
}

} // namespace

Mp4Source::~Mp4Source()
{
    if (file_)
        std::fclose(file_);
}

bool Mp4Source::readBytes(uint64_t at, uint64_t n, std::vector<uint8_t>& out)
{
    if (at > fileSize_ || n > fileSize_ - at)
        return false;
    out.resize(n);
    if (fseeko(file_, static_cast<off_t>(at), SEEK_SET) != 0)
        return false;
    return n == 0 || std::fread(out.data(), 1, n, file_) == n;
}

bool Mp4Source::readBox(uint64_t at, uint64_t limit, Box& box)
{
    std::vector<uint8_t> head;
    if (at + 8 > limit || !readBytes(at, 8, head))
        return false;
    uint64_t size = be32(head.data());
    uint64_t headerSize = 8;
    if (size == 1) {
        std::vector<uint8_t> large;
        if (!readBytes(at + 8, 8, large))
            return false;
        size = be64(large.data());
        headerSize = 16;
    } else if (size == 0) {
        size = limit - at;
    }
    if (size < headerSize || size > limit - at)
        return false;
    box.start = at;
    box.content = at + headerSize;
    box.end = at + size;
    box.type.assign(reinterpret_cast<const char*>(head.data()) + 4, 4);
    return true;
}

bool Mp4Source::findChild(const Box& parent, const char* type, Box& found)
{
    uint64_t at = parent.content;
    Box box;
    while (readBox(at, parent.end, box)) {
        if (box.type == type) {
            found = box;
            return true;
        }
        at = box.end;
    }
    return false;
}

bool Mp4Source::open(const std::string& path, std::string& error)
{
    file_ = std::fopen(path.c_str(), "rb");
    if (!file_) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    fseeko(file_, 0, SEEK_END);
    fileSize_ = static_cast<uint64_t>(ftello(file_));

    Box root{0, 0, fileSize_, ""};
    Box moov;
    if (!findChild(root, "moov", moov)) {
        error = "no moov in " + path;
        return false;
    }
    uint64_t at = moov.content;
    Box trak;
    while (readBox(at, moov.end, trak)) {
        at = trak.end;
        if (trak.type != "trak")
            continue;
        Box mdia, hdlr;
        std::vector<uint8_t> h;
        if (findChild(trak, "mdia", mdia) && findChild(mdia, "hdlr", hdlr)
            && readBytes(hdlr.content, 12, h) && std::memcmp(h.data() + 8, "vide", 4) == 0)
            return readTrack(trak, error);
    }
    error = "no video track in " + path;
    return false;
}

bool Mp4Source::readTrack(const Box& trak, std::string& error)
{
    error = "malformed video track";
    Box tkhd, mdia, mdhd, minf, stbl;
    if (!findChild(trak, "tkhd", tkhd) || !findChild(trak, "mdia", mdia) || !findChild(mdia, "mdhd", mdhd)
        || !findChild(mdia, "minf", minf) || !findChild(minf, "stbl", stbl))
        return false;

    std::vector<uint8_t> b;
    if (!readBytes(tkhd.content, tkhd.end - tkhd.content, b) || b.size() < 84)
        return false;
    const size_t whAt = b[0] == 1 ? 88 : 76;
    if (b.size() < whAt + 8)
        return false;
    width_ = be32(&b[whAt]) >> 16;
    height_ = be32(&b[whAt + 4]) >> 16;

    if (!readBytes(mdhd.content, mdhd.end - mdhd.content, b) || b.size() < 24)
        return false;
    if (b[0] == 1) {
        if (b.size() < 32)
            return false;
        timescale_ = be32(&b[20]);
        duration_ = be64(&b[24]);
    } else {
        timescale_ = be32(&b[12]);
        duration_ = be32(&b[16]);
    }

    auto whole = [this](const Box& box, std::vector<uint8_t>& out) { return readBytes(box.start, box.end - box.start, out); };
    Box stsd, stts, stss, ctts, stsc, stsz, stco;
    if (!findChild(stbl, "stsd", stsd) || !whole(stsd, stsd_) || !findChild(stbl, "stts", stts) || !whole(stts, stts_))
        return false;
    if (findChild(stbl, "stss", stss) && !whole(stss, stss_))
        return false;
    if (findChild(stbl, "ctts", ctts) && !whole(ctts, ctts_))
        return false;

    // Sample sizes.
    if (!findChild(stbl, "stsz", stsz) || !readBytes(stsz.content, stsz.end - stsz.content, b) || b.size() < 12)
        return false;
    const uint32_t fixedSize = be32(&b[4]);
    const uint32_t count = be32(&b[8]);
    if (fixedSize == 0 && (b.size() - 12) / 4 < count)
        return false;
    sizes_.resize(count);
    for (uint32_t i = 0; i < count; ++i)
        sizes_[i] = fixedSize ? fixedSize : be32(&b[12 + 4 * i]);

    // Chunk offsets, 32- or 64-bit.
    std::vector<uint64_t> chunks;
    bool wide = false;
    if (!findChild(stbl, "stco", stco)) {
        if (!findChild(stbl, "co64", stco))
            return false;
        wide = true;
    }
    if (!readBytes(stco.content, stco.end - stco.content, b) || b.size() < 8)
        return false;
    const uint32_t chunkCount = be32(&b[4]);
    const size_t entry = wide ? 8 : 4;
    if ((b.size() - 8) / entry < chunkCount)
        return false;
    for (uint32_t i = 0; i < chunkCount; ++i)
        chunks.push_back(wide ? be64(&b[8 + 8 * i]) : be32(&b[8 + 4 * i]));

    // Samples per chunk: runs of (first chunk, samples per chunk).
    if (!findChild(stbl, "stsc", stsc) || !readBytes(stsc.content, stsc.end - stsc.content, b) || b.size() < 8)
        return false;
    const uint32_t runs = be32(&b[4]);
    if ((b.size() - 8) / 12 < runs || runs == 0)
        return false;
    offsets_.clear();
    size_t sample = 0;
    for (uint32_t r = 0; r < runs && sample < count; ++r) {
        const uint32_t first = be32(&b[8 + 12 * r]);
        const uint32_t perChunk = be32(&b[12 + 12 * r]);
        const uint32_t last = r + 1 < runs ? be32(&b[8 + 12 * (r + 1)]) - 1 : chunkCount;
        if (first == 0 || last > chunkCount)
            return false;
        for (uint32_t c = first; c <= last && sample < count; ++c) {
            uint64_t at = chunks[c - 1];
            for (uint32_t s = 0; s < perChunk && sample < count; ++s) {
                offsets_.push_back(at);
                at += sizes_[sample++];
            }
        }
    }
    if (offsets_.size() != count)
        return false;
    error.clear();
    return true;
}

bool Mp4Source::readSample(size_t i, std::vector<uint8_t>& out)
{
    return i < sizes_.size() && readBytes(offsets_[i], sizes_[i], out);
}
