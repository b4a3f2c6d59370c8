// Walks over ISO base-media atoms and reads the sample tables of a track, shared by the
// readers: every count that comes from the file is bounded by what the atom and the
// file can hold, and every walk gives up on an atom it cannot step over.
#pragma once

#include "BinaryFile.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace AtomWalk {

// Walks atoms from the current position until one of type `fourcc`. Each header read
// adds its size to *total when given; the walk gives up once the position passes
// `limit` (when limit >= 0), on a short read, or on an atom it cannot step over.
bool findAtom(BinaryFile &file, const char *fourcc, AtomHeader *found, uint64_t *total, int64_t limit);

// Calls fn(header) for the atoms in [from, end), at most `maxAtoms` of them; stops at
// an atom that cannot be stepped over or reaches past `end`, or when fn returns false.
// The position is left anywhere.
template <typename Fn>
void forEachAtom(BinaryFile &file, int64_t from, int64_t end, int maxAtoms, Fn fn)
{
    int64_t at = from;
    for (int i = 0; i < maxAtoms && at + 8 <= end; ++i) {
        AtomHeader h;
        if (!file.seek(at) || !file.readAtomHeader(&h) || !h.canSkip() || h.end() > end)
            return;
        if (!fn(h))
            return;
        at = h.end();
    }
}

// How many 4-byte entries of a table starting at `entries` inside `atom` really exist:
// no more than the count says, than the atom holds, or than the file holds.
uint32_t boundedCount(const BinaryFile &file, const AtomHeader &atom, int64_t entries, uint32_t count,
                      uint32_t entryBytes = 4);

// Calls fn(index, value) for the table entries whose 1-based number is a multiple of
// `step` (every entry for step 1), reading the table in pieces.
template <typename Fn>
bool forEachTableEntry(BinaryFile &file, int64_t entries, uint32_t count, uint32_t step, Fn fn)
{
    if (!file.seek(entries))
        return false;
    constexpr uint32_t kPiece = 4096;
    unsigned char buffer[kPiece * 4];
    for (uint32_t base = 0; base < count; base += kPiece) {
        const uint32_t n = std::min(kPiece, count - base);
        if (!file.readExact(buffer, size_t(n) * 4))
            return false;
        // The first entry of the piece whose number is a multiple of step, then every step-th.
        for (uint32_t i = step - 1 - base % step; i < n; i += step)
            fn(base + i + 1, BinaryFile::u32BE(buffer + size_t(i) * 4));
    }
    return true;
}

// One sample of a track: where it lies in the file and how long it is.
struct SampleRef {
    int64_t offset = 0;
    uint32_t size = 0;
};

// The samples of one trak, from stsz, stsc and stco or co64 (stz2 is not read), at
// most `maxSamples`; empty when a table is missing. Chunks that lie beyond the file are
// kept: the caller's reads simply come back short.
std::vector<SampleRef> trackSamples(BinaryFile &file, const AtomHeader &trak, size_t maxSamples);

// The handler type of a trak (mdia/hdlr) and the type of its first sample entry
// (mdia/minf/stbl/stsd), four characters each, empty when absent.
struct TrackKind {
    char handler[5] = {0, 0, 0, 0, 0};
    char sampleEntry[5] = {0, 0, 0, 0, 0};
};
TrackKind trackKind(BinaryFile &file, const AtomHeader &trak);

// The child of `parent` of type `fourcc` among its first kMaxChildren children.
bool findChild(BinaryFile &file, const AtomHeader &parent, const char *fourcc, AtomHeader *found);

constexpr int kMaxChildren = 256;

} // namespace AtomWalk
