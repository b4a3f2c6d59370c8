#include "WrittenMovie.h"

#include "AtomWalk.h"
#include "BinaryFile.h"
#include "MovieMap.h"

#include <cmath>
#include <cstring>

namespace {

// The atoms a movie file (ISO base media, QuickTime) starts with.
bool startsAMovie(const AtomHeader &h)
{
    for (const char *type : {"ftyp", "moov", "mdat", "free", "skip", "wide", "pnot", "uuid", "styp", "sidx", "moof", "pdin"})
        if (h.is(type))
            return true;
    return false;
}

// The sample count stsz states (fixed size or not), bounded by kMaxFrames.
size_t tableCount(BinaryFile &file, const AtomHeader &trak)
{
    AtomHeader mdia, minf, stbl, stsz;
    if (!AtomWalk::findChild(file, trak, "mdia", &mdia) || !AtomWalk::findChild(file, mdia, "minf", &minf) ||
        !AtomWalk::findChild(file, minf, "stbl", &stbl) || !AtomWalk::findChild(file, stbl, "stsz", &stsz))
        return 0;
    unsigned char head[12];
    if (!file.seek(stsz.contentStart()) || !file.readExact(head, sizeof head))
        return 0;
    return std::min<size_t>(BinaryFile::u32BE(head + 8), WrittenMovie::kMaxFrames);
}

} // namespace

WrittenMovie WrittenMovie::of(const std::string &path)
{
    WrittenMovie out;
    BinaryFile file;
    if (!file.open(path))
        return out;
    out.fileBytes = file.size();
    const MovieMap map = MovieMap::of(file);
    out.looksLikeMovie = !map.top.empty() && startsAMovie(map.top.front());
    for (const AtomHeader &h : map.top)
        if (h.size == 0 ? false : h.end() > out.fileBytes)
            out.mediaCut = true;
    out.hasMoov = map.hasMoov;
    for (const AtomHeader &trak : map.moovChildren) {
        if (!trak.is("trak") || std::strcmp(AtomWalk::trackKind(file, trak).handler, "vide") != 0)
            continue;
        out.hasVideo = true;
        const std::vector<AtomWalk::SampleRef> frames = AtomWalk::trackSamples(file, trak, kMaxFrames);
        out.videoFrames = frames.size();
        for (const AtomWalk::SampleRef &f : frames)
            if (f.offset + int64_t(f.size) <= out.fileBytes)
                ++out.wholeFrames;
        out.tableFrames = std::max(tableCount(file, trak), out.videoFrames);
        out.videoSeconds = AtomWalk::trackSeconds(file, trak);
        break;
    }
    return out;
}

RecordingHealth RecordingHealth::of(const WrittenMovie &m)
{
    RecordingHealth h;
    if (m.fileBytes < 0)
        h.kind = Kind::Unreadable;
    else if (m.fileBytes == 0)
        h.kind = Kind::Empty;
    else if (!m.looksLikeMovie)
        h.kind = Kind::NotAVideo;
    else if (!m.hasMoov)
        h.kind = Kind::NoMovieHeader;
    else if (!m.hasVideo)
        h.kind = Kind::NotAVideo;
    else if (m.tableFrames > 0 && m.wholeFrames < m.tableFrames) {
        h.kind = Kind::EndsEarly;
        // Pictures are taken as evenly spread over the track's length; without a length,
        // as 30 a second.
        const double seconds = m.videoSeconds > 0 ? m.videoSeconds * double(m.wholeFrames) / double(m.tableFrames)
                                                  : double(m.wholeFrames) / 30.0;
        h.playableSeconds = std::floor(seconds * 1000.0) / 1000.0;
    }
    return h;
}
