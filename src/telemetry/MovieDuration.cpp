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
    if (seconds > static_cast<uint64_t>(kMaxRecordingMs / 1000))
        return -1;
    const int64_t ms = static_cast<int64_t>(seconds * 1000 + rest * 1000 / timescale);
    return ms > kMaxRecordingMs ? -1 : ms;
}

size_t MovieDuration::sampleBudget(BinaryFile &file, double trackSeconds, double perSecond)
{
    const int64_t movieMs = milliseconds(file);
    double seconds = movieMs > 0 ? double(movieMs) / 1000 : trackSeconds;
    if (!(seconds > 0) || seconds > double(kMaxRecordingMs) / 1000)
        seconds = kUnknownLengthSeconds;
    return size_t((seconds + 1) * perSecond);
}

MovieDuration::Header MovieDuration::header(BinaryFile &file)
{
    Header out;
    if (!file.isOpen() || !file.seek(0))
        return out;
    AtomHeader moov, mvhd;
    if (!findAtom(file, "moov", file.size(), &moov))
        return out;
    const int64_t moovEnd = moov.canSkip() && moov.size <= static_cast<uint64_t>(file.size() - moov.start)
                                ? moov.end()
                                : file.size();
    if (!file.seek(moov.contentStart()) || !findAtom(file, "mvhd", moovEnd, &mvhd))
        return out;
    // version and flags, two times, the time scale and the duration
    unsigned char b[4 + 8 + 8 + 4 + 8];
    if (!file.readExact(b, 4))
        return out;
    const bool version1 = b[0] == 1;
    const size_t rest = version1 ? 8 + 8 + 4 + 8 : 4 + 4 + 4 + 4;
    if (mvhd.canSkip() && static_cast<uint64_t>(mvhd.headerLength + 4) + rest > mvhd.size)
        return out;
    if (!file.readExact(b + 4, rest))
        return out;
    const uint64_t created =
        version1 ? (uint64_t(BinaryFile::u32BE(b + 4)) << 32) | BinaryFile::u32BE(b + 8) : BinaryFile::u32BE(b + 4);
    // Seconds from 1904-01-01 to 1970-01-01; a count beyond any calendar is no time.
    constexpr int64_t kFrom1904 = 2082844800;
    if (created != 0 && created < (uint64_t(1) << 40))
        out.createdMs = (static_cast<int64_t>(created) - kFrom1904) * 1000;
    if (version1) {
        const uint32_t timescale = BinaryFile::u32BE(b + 20);
        const uint64_t duration = (uint64_t(BinaryFile::u32BE(b + 24)) << 32) | BinaryFile::u32BE(b + 28);
        out.durationMs = fromHeader(timescale, duration, true);
    } else {
        out.durationMs = fromHeader(BinaryFile::u32BE(b + 12), BinaryFile::u32BE(b + 16), false);
    }
    return out;
}

MovieDuration::Header MovieDuration::header(const std::string &path)
{
    BinaryFile file;
    if (!file.open(path))
        return {};
    return header(file);
}

int64_t MovieDuration::milliseconds(BinaryFile &file)
{
    return header(file).durationMs;
}

int64_t MovieDuration::milliseconds(const std::string &path)
{
    return header(path).durationMs;
}
