// The work veltra-gps does for one input file, and the text that frames the
// documents of the gpx and kml formats (and the csv header). Runs on any thread.
//
// An argument is turned into a path as the player turns its references
// (GpsDataHelper::referenceToPath: only a file URL is percent-decoded). The file is
// opened here first, so that a missing, unreadable or special file (a directory, a
// FIFO that would block) is reported with its reason, and the core then reads that
// very file.
#pragma once

#include "ClipRecord.h"
#include "ExtractorOptions.h"
#include "JsonWriter.h"

#include <string>

struct FileOutcome {
    std::string text;    // the file's part of the output
    std::string error;   // why the file could not be read; text is then empty
};

class ExtractJob {
public:
    ExtractJob() = delete;

    // Reads one file argument and formats its output.
    static FileOutcome run(const std::string &argument, const ExtractorOptions &options);

    // Reads one file argument for a trip export: its telemetry and its movie
    // header's duration and creation time; `markGlitches` marks the glitches on its
    // samples (GpsGlitches::marked). Empty on success, otherwise why the file could not
    // be read.
    static std::string readClip(const std::string &argument, ClipRecord *clip, bool markGlitches = false);

    // The clock of a clip read as above (CameraClock::ofClip), its name from its path.
    static ClipClock clockOf(const ClipRecord &clip, int64_t nowMs);
    // `nowMs` itself, or the time now when it is 0.
    static int64_t now(int64_t nowMs = 0);

    // Text written before the first and after the last file.
    static std::string prologue(const ExtractorOptions &options);
    static std::string epilogue(const ExtractorOptions &options);
};
