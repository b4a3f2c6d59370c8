// The top of a movie file as the layout readers need it: the top-level atoms and the
// children of moov, walked once (each walk bounded) and shared by detection and readers.
#pragma once

#include "BinaryFile.h"

#include <vector>

struct MovieMap {
    std::vector<AtomHeader> top;            // the first kMaxTopAtoms top-level atoms
    bool hasMoov = false;
    AtomHeader moov;
    std::vector<AtomHeader> moovChildren;   // its first kMaxChildren children

    static MovieMap of(BinaryFile &file);

    // The first child of moov of that type, or null.
    const AtomHeader *moovChild(const char *fourcc) const;
    // The moov child right after udta, or null.
    const AtomHeader *afterUdta() const;

    static constexpr int kMaxTopAtoms = 128;
    static constexpr int kMaxChildren = 256;
};
