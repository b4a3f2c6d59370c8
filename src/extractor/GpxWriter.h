// The gpx output of veltra-gps: one GPX 1.1 document with one track per file (or per
// trip, with a segment per clip) and one track point per sample that has a position.
// A new clip, and a stretch without position, ends the track segment, so that viewers do not draw a straight line across it. Speed
// (m/s) and course go into the Garmin TrackPointExtension, the usual place for
// them, since GPX 1.1 has no elements of its own for either; points from GGA
// sentences, which carry neither, have none.
#pragma once

#include "ClipRecord.h"
#include "GpsSample.h"

#include <string>
#include <vector>

class GpxWriter {
public:
    GpxWriter() = delete;

    static std::string header();
    // The <trk> of one file, named after the file argument. `file` is the argument as
    // given; the recording time is taken from the name of result.path (or of `file`
    // when the result carries no path).
    static std::string track(const GpsReadResult &result, const std::string &file);
    // The <trk> of a trip named `name`: the clips in the order given, each starting a
    // segment; each clip's recording time is taken from its result's path or its file.
    static std::string track(const std::vector<const ClipRecord *> &clips, const std::string &name);
    // The same with a style: with `style.time` the point times on that clock and a
    // veltra:clock element per clip in the track's extensions; with `style.clean` a
    // point whose position is a glitch is left out (its segment goes on over it) and a
    // speed reading that is one has no speed.
    static std::string track(const std::vector<ClipView> &clips, const std::string &name, const ExportStyle &style);
    static std::string footer();
};
