// The command line of veltra-gps:
//   veltra-gps [--format json|csv|gpx|kml] [--detect] [--trips [--gap SECONDS]] [-o OUT] FILE...
//   veltra-gps --help | --version
#pragma once

#include <string>
#include <vector>

struct ExtractorOptions {
    enum class Format { Json, Csv, Gpx, Kml };

    Format format = Format::Json;
    bool detect = false;          // one detection line per file instead of the telemetry
    bool trips = false;           // group the files into trips (gpx, kml, csv)
    long long gapMs = 10000;      // --gap: the longest pause within a trip
    std::string output;           // empty: standard output
    std::vector<std::string> files;
    bool help = false;            // -h/--help: print the usage and stop
    bool version = false;         // --version: print "veltra-gps VERSION" and stop
    std::string error;            // set when the command line is unusable (exit 2)

    // Parses the arguments after the program name. "--format=X" is accepted beside
    // "--format X"; "--" ends the options; "-o -" means standard output.
    static ExtractorOptions parse(const std::vector<std::string> &args);

    static const char *usage();
};
