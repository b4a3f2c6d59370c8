#include "AtomWalk.h"

#include <cstring>
#include <limits>

namespace AtomWalk {

bool findAtom(BinaryFile &file, const char *fourcc, AtomHeader *found, uint64_t *total, int64_t limit)
{
    for (;;) {
        const int64_t pos = file.tell();
        if (pos < 0 || (limit >= 0 && pos > limit))
            return false;
        AtomHeader h;
        if (!file.readAtomHeader(&h))
            return false;
        if (total)
            *total += h.size;
        if (h.is(fourcc)) {
            *found = h;
            return true;
        }
        if (!h.canSkip() || h.size > static_cast<uint64_t>(file.remainingFrom(h.start)))
            return false;
        if (!file.seek(h.end()))
            return false;
    }
}

uint32_t boundedCount(const BinaryFile &file, const AtomHeader &atom, int64_t entries, uint32_t count,
                      uint32_t entryBytes)
{
    int64_t bytes = file.remainingFrom(entries);
    if (atom.size != 0)   // size 0: the atom runs to the end of the file
        bytes = std::min<int64_t>(bytes, std::max<int64_t>(0, atom.end() - entries));
    return static_cast<uint32_t>(std::min<int64_t>(count, bytes / entryBytes));
}

bool findChild(BinaryFile &file, const AtomHeader &parent, const char *fourcc, AtomHeader *found)
{
    bool got = false;
    forEachAtom(file, parent.contentStart(), parent.end(), kMaxChildren, [&](const AtomHeader &h) {
        if (!h.is(fourcc))
            return true;
        *found = h;
        got = true;
        return false;
    });
    return got;
}

namespace {

// A full atom's table: its entry count after version and flags (and `skip` more bytes),
// bounded by the atom and `most`; the position is left at the first entry.
bool tableHead(BinaryFile &file, const AtomHeader &table, uint32_t skip, uint32_t entryBytes, size_t most,
               uint32_t *count)
{
    unsigned char head[12];
    const size_t headBytes = 8 + skip;
    if (headBytes > sizeof head || !file.seek(table.contentStart()) || !file.readExact(head, headBytes))
        return false;
    const int64_t entries = table.contentStart() + int64_t(headBytes);
    const uint32_t declared = BinaryFile::u32BE(head + 4 + skip);
    *count = static_cast<uint32_t>(
        std::min<uint64_t>(boundedCount(file, table, entries, declared, entryBytes), uint64_t(most)));
    return file.seek(entries);
}

std::vector<uint32_t> readU32s(BinaryFile &file, size_t count)
{
    std::vector<uint32_t> out;
    out.reserve(count);
    unsigned char b[4096];
    while (out.size() < count) {
        const size_t n = std::min<size_t>(sizeof b / 4, count - out.size());
        if (!file.readExact(b, n * 4))
            break;
        for (size_t i = 0; i < n; ++i)
            out.push_back(BinaryFile::u32BE(b + i * 4));
    }
    return out;
}

} // namespace

std::vector<SampleRef> trackSamples(BinaryFile &file, const AtomHeader &trak, size_t maxSamples)
{
    std::vector<SampleRef> samples;
    AtomHeader mdia, minf, stbl, stsz, stsc, chunks;
    if (!findChild(file, trak, "mdia", &mdia) || !findChild(file, mdia, "minf", &minf) ||
        !findChild(file, minf, "stbl", &stbl) || !findChild(file, stbl, "stsz", &stsz) ||
        !findChild(file, stbl, "stsc", &stsc))
        return samples;
    const bool wide = !findChild(file, stbl, "stco", &chunks);
    if (wide && !findChild(file, stbl, "co64", &chunks))
        return samples;

    // stsz: version and flags, a size for every sample (or 0), count, then the sizes.
    unsigned char sizeHead[12];
    if (!file.seek(stsz.contentStart()) || !file.readExact(sizeHead, sizeof sizeHead))
        return samples;
    const uint32_t fixedSize = BinaryFile::u32BE(sizeHead + 4);
    uint32_t sampleCount = 0;
    std::vector<uint32_t> sizes;
    if (fixedSize == 0) {
        if (!tableHead(file, stsz, 4, 4, maxSamples, &sampleCount))
            return samples;
        sizes = readU32s(file, sampleCount);
        sampleCount = uint32_t(sizes.size());
    } else {
        sampleCount = static_cast<uint32_t>(std::min<uint64_t>(BinaryFile::u32BE(sizeHead + 8), maxSamples));
    }

    uint32_t rules = 0, chunkCount = 0;
    if (!tableHead(file, stsc, 0, 12, maxSamples, &rules))
        return samples;
    std::vector<uint32_t> stscEntries = readU32s(file, size_t(rules) * 3);
    rules = uint32_t(stscEntries.size() / 3);
    if (!tableHead(file, chunks, 0, wide ? 8 : 4, maxSamples, &chunkCount))
        return samples;
    std::vector<uint32_t> chunkWords = readU32s(file, size_t(chunkCount) * (wide ? 2 : 1));
    chunkCount = uint32_t(chunkWords.size() / (wide ? 2 : 1));

    samples.reserve(std::min<size_t>(sampleCount, maxSamples));
    uint32_t sample = 0;
    for (uint32_t r = 0; r < rules && sample < sampleCount; ++r) {
        const uint32_t first = stscEntries[size_t(r) * 3];
        const uint32_t perChunk = stscEntries[size_t(r) * 3 + 1];
        const uint64_t next = r + 1 < rules ? stscEntries[size_t(r + 1) * 3] : uint64_t(chunkCount) + 1;
        if (first == 0 || perChunk == 0)
            continue;
        for (uint32_t chunk = first; chunk < next && chunk <= chunkCount && sample < sampleCount; ++chunk) {
            const size_t c = chunk - 1;
            int64_t at = wide ? int64_t((uint64_t(chunkWords[c * 2]) << 32 | chunkWords[c * 2 + 1]) & uint64_t(std::numeric_limits<int64_t>::max()))
                              : int64_t(chunkWords[c]);
            for (uint32_t k = 0; k < perChunk && sample < sampleCount; ++k, ++sample) {
                const uint32_t size = fixedSize ? fixedSize : sizes[sample];
                samples.push_back({at, size});
                at = at > std::numeric_limits<int64_t>::max() - int64_t(size) ? std::numeric_limits<int64_t>::max() : at + int64_t(size);
            }
        }
    }
    return samples;
}

TrackKind trackKind(BinaryFile &file, const AtomHeader &trak)
{
    TrackKind kind;
    AtomHeader mdia, hdlr, minf, stbl, stsd;
    if (!findChild(file, trak, "mdia", &mdia))
        return kind;
    unsigned char b[16];
    // hdlr: version and flags, component type, then the handler type.
    if (findChild(file, mdia, "hdlr", &hdlr) && file.readAt(hdlr.contentStart(), b, 12) == 12)
        std::memcpy(kind.handler, b + 8, 4);
    // stsd: version and flags, count, then the first entry's size and type.
    if (findChild(file, mdia, "minf", &minf) && findChild(file, minf, "stbl", &stbl) &&
        findChild(file, stbl, "stsd", &stsd) && file.readAt(stsd.contentStart(), b, 16) == 16)
        std::memcpy(kind.sampleEntry, b + 12, 4);
    return kind;
}

} // namespace AtomWalk
