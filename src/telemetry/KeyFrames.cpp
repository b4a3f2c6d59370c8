#include "KeyFrames.h"

#include "AtomWalk.h"
#include "BinaryFile.h"
#include "MovieMap.h"

#include <algorithm>

std::vector<double> KeyFrames::fromTables(const std::vector<std::pair<uint32_t, uint32_t>> &durations,
                                          const std::vector<uint32_t> &sync, bool hasSync, uint32_t timescale)
{
    std::vector<double> times;
    if (timescale == 0)
        return times;
    size_t next = 0;    // the next sync number wanted
    uint64_t taken = 0;  // the last sync number taken
    uint64_t number = 1; // the 1-based number of the first sample of a run
    uint64_t at = 0;     // its decode time in timescale units
    for (const auto &[count, duration] : durations) {
        if (!hasSync) {
            for (uint32_t k = 0; k < count && times.size() < kMaxFrames; ++k)
                times.push_back(double(at + uint64_t(k) * duration) / timescale);
        } else {
            // Sync numbers out of order or repeated are passed over.
            while (next < sync.size() && sync[next] < number + count && times.size() < kMaxFrames) {
                if (sync[next] >= number && sync[next] > taken) {
                    times.push_back(double(at + (sync[next] - number) * duration) / timescale);
                    taken = sync[next];
                }
                ++next;
            }
        }
        if (times.size() >= kMaxFrames)
            break;
        number += count;
        at += uint64_t(count) * duration;
    }
    return times;
}

namespace {

bool readPairs(BinaryFile &file, const AtomHeader &table, std::vector<std::pair<uint32_t, uint32_t>> *out)
{
    unsigned char head[8];
    if (!file.seek(table.contentStart()) || !file.readExact(head, sizeof head))
        return false;
    const int64_t entries = table.contentStart() + 8;
    const uint32_t count = std::min<uint32_t>(AtomWalk::boundedCount(file, table, entries, BinaryFile::u32BE(head + 4), 8),
                                              uint32_t(KeyFrames::kMaxFrames));
    out->reserve(count);
    unsigned char e[8];
    for (uint32_t k = 0; k < count; ++k) {
        if (!file.readExact(e, sizeof e))
            return false;
        out->emplace_back(BinaryFile::u32BE(e), BinaryFile::u32BE(e + 4));
    }
    return true;
}

bool readNumbers(BinaryFile &file, const AtomHeader &table, std::vector<uint32_t> *out)
{
    unsigned char head[8];
    if (!file.seek(table.contentStart()) || !file.readExact(head, sizeof head))
        return false;
    const int64_t entries = table.contentStart() + 8;
    const uint32_t count = std::min<uint32_t>(AtomWalk::boundedCount(file, table, entries, BinaryFile::u32BE(head + 4)),
                                              uint32_t(KeyFrames::kMaxFrames));
    out->reserve(count);
    return AtomWalk::forEachTableEntry(file, entries, count, 1, [out](uint32_t, uint32_t v) { out->push_back(v); });
}

uint32_t timescaleOf(BinaryFile &file, const AtomHeader &mdia)
{
    AtomHeader mdhd;
    unsigned char b[24];
    if (!AtomWalk::findChild(file, mdia, "mdhd", &mdhd) || file.readAt(mdhd.contentStart(), b, 24) != 24)
        return 0;
    // Version 1 has 64-bit creation and modification times before the time scale.
    return BinaryFile::u32BE(b + (b[0] == 1 ? 20 : 12));
}

} // namespace

std::vector<double> KeyFrames::ofFile(const std::string &path)
{
    BinaryFile file;
    if (!file.open(path))
        return {};
    const MovieMap map = MovieMap::of(file);
    for (const AtomHeader &trak : map.moovChildren) {
        if (!trak.is("trak") || std::string(AtomWalk::trackKind(file, trak).handler) != "vide")
            continue;
        AtomHeader mdia, minf, stbl, stts, stss;
        if (!AtomWalk::findChild(file, trak, "mdia", &mdia) || !AtomWalk::findChild(file, mdia, "minf", &minf) ||
            !AtomWalk::findChild(file, minf, "stbl", &stbl) || !AtomWalk::findChild(file, stbl, "stts", &stts))
            return {};
        std::vector<std::pair<uint32_t, uint32_t>> durations;
        std::vector<uint32_t> sync;
        const bool hasSync = AtomWalk::findChild(file, stbl, "stss", &stss);
        if (!readPairs(file, stts, &durations) || (hasSync && !readNumbers(file, stss, &sync)))
            return {};
        return fromTables(durations, sync, hasSync, timescaleOf(file, mdia));
    }
    return {};
}
