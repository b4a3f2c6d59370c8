#include "MovieMap.h"

#include "AtomWalk.h"

MovieMap MovieMap::of(BinaryFile &file)
{
    MovieMap map;
    AtomWalk::forEachAtom(file, 0, file.size(), kMaxTopAtoms, [&map](const AtomHeader &h) {
        map.top.push_back(h);
        if (h.is("moov") && !map.hasMoov) {
            map.hasMoov = true;
            map.moov = h;
        }
        return true;
    });
    // A last atom that claims more than the file holds still counts (a cut recording).
    if (map.top.size() < size_t(kMaxTopAtoms)) {
        const int64_t at = map.top.empty() ? 0 : map.top.back().end();
        AtomHeader h;
        if (file.seek(at) && file.readAtomHeader(&h) && h.canSkip()) {
            map.top.push_back(h);
            if (h.is("moov") && !map.hasMoov) {
                map.hasMoov = true;
                map.moov = h;
            }
        }
    }
    if (!map.hasMoov)
        return map;
    file.keep(map.moov.start, map.moov.size);
    const int64_t end = std::min<int64_t>(map.moov.end(), file.size());
    AtomWalk::forEachAtom(file, map.moov.contentStart(), end, kMaxChildren, [&map](const AtomHeader &h) {
        map.moovChildren.push_back(h);
        return true;
    });
    return map;
}

const AtomHeader *MovieMap::moovChild(const char *fourcc) const
{
    for (const AtomHeader &h : moovChildren)
        if (h.is(fourcc))
            return &h;
    return nullptr;
}

const AtomHeader *MovieMap::afterUdta() const
{
    for (size_t i = 0; i + 1 < moovChildren.size(); ++i)
        if (moovChildren[i].is("udta"))
            return &moovChildren[i + 1];
    return nullptr;
}
