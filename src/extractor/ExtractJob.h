// The work veltra-gps does for one input file, and the text that frames the
// documents of the gpx and kml formats (and the csv header). Runs on any thread.
#pragma once

#include "ExtractorOptions.h"
#include "JsonWriter.h"

#include <string>

struct FileOutcome {
    std::string text;   // the file's part of the output
    int error = 0;      // errno value when the file could not be opened; text is then empty
};

class ExtractJob {
public:
    ExtractJob() = delete;

    // Reads one file argument (a path or a file URL) and formats its output.
    static FileOutcome run(const std::string &argument, const ExtractorOptions &options);

    // The detection flags of one file argument; false with *error set when the file
    // cannot be opened.
    static bool detect(const std::string &argument, DetectFlags *flags, int *error);

    // Text written before the first and after the last file.
    static std::string prologue(const ExtractorOptions &options);
    static std::string epilogue(const ExtractorOptions &options);
};
