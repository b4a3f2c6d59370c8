#include "WrittenMovie.h"

#include "AtomWalk.h"
#include "BinaryFile.h"
#include "MovieMap.h"

#include <cstring>

WrittenMovie WrittenMovie::of(const std::string &path)
{
    WrittenMovie out;
    BinaryFile file;
    if (!file.open(path))
        return out;
    const MovieMap map = MovieMap::of(file);
    out.hasMoov = map.hasMoov;
    for (const AtomHeader &trak : map.moovChildren) {
        if (!trak.is("trak") || std::strcmp(AtomWalk::trackKind(file, trak).handler, "vide") != 0)
            continue;
        out.hasVideo = true;
        out.videoFrames = AtomWalk::trackSamples(file, trak, kMaxFrames).size();
        out.videoSeconds = AtomWalk::trackSeconds(file, trak);
        break;
    }
    return out;
}
