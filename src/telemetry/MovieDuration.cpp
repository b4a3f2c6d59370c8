#include "MovieDuration.h"

#include "BinaryFile.h"

namespace {

// Steps over the atoms from the current position up to `end` looking for `fourcc`.
bool findAtom(BinaryFile &file, const char *fourcc, int64_t end, AtomHeader *found)
{
    for (int i = 0; i < MovieDuration::kMaxAtoms; ++i) {
        AtomHeader h;
        if (file.tell() + 8 > end || !file.readAtomHeader(&h))
            return false;
        if (h.is(fourcc)) {
            *found = h;
            return true;
        }
        if (!h.canSkip() || h.size > static_cast<uint64_t>(end - h.start) || !file.seek(h.end()))
            return false;
    }
    return false;
}

} // namespace

int64_t MovieDuration::fromHeader(uint32_t timescale, uint64_t duration, bool version1)
{
    if (timescale == 0 || duration == (version1 ? ~uint64_t(0) : uint64_t(0xFFFFFFFFu)))
        return -1;
    // Seconds and remainder apart, so that no product overflows.
    const uint64_t seconds = duration / timescale;
    const uint64_t rest = duration % timescale;
    if (seconds > static_cast<uint64_t>(INT64_MAX / 1000 - 1))
        return -1;
    return static_cast<int64_t>(seconds * 1000 + rest * 1000 / timescale);
}

int64_t MovieDuration::milliseconds(BinaryFile &file)
{
    if (!file.isOpen() || !file.seek(0))
        return -1;
    AtomHeader moov, mvhd;
    if (!findAtom(file, "moov", file.size(), &moov))
        return -1;
    const int64_t moovEnd = moov.canSkip() && moov.size <= static_cast<uint64_t>(file.size() - moov.start)
                                ? moov.end()
                                : file.size();
    if (!file.seek(moov.contentStart()) || !findAtom(file, "mvhd", moovEnd, &mvhd))
        return -1;
    // version and flags, two times, the time scale and the duration
    unsigned char b[4 + 8 + 8 + 4 + 8];
    if (!file.readExact(b, 4))
        return -1;
    const bool version1 = b[0] == 1;
    const size_t rest = version1 ? 8 + 8 + 4 + 8 : 4 + 4 + 4 + 4;
    if (mvhd.canSkip() && static_cast<uint64_t>(mvhd.headerLength + 4) + rest > mvhd.size)
        return -1;
    if (!file.readExact(b + 4, rest))
        return -1;
    if (version1) {
        const uint32_t timescale = BinaryFile::u32BE(b + 20);
        const uint64_t duration = (uint64_t(BinaryFile::u32BE(b + 24)) << 32) | BinaryFile::u32BE(b + 28);
        return fromHeader(timescale, duration, true);
    }
    return fromHeader(BinaryFile::u32BE(b + 12), BinaryFile::u32BE(b + 16), false);
}

int64_t MovieDuration::milliseconds(const std::string &path)
{
    BinaryFile file;
    if (!file.open(path))
        return -1;
    return milliseconds(file);
}
