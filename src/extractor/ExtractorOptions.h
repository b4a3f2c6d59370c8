// The command line of veltra-gps:
//   veltra-gps [--format json|csv|gpx|kml] [--detect] [--trips [--gap SECONDS]]
//              [--time utc|camera|local|ZONE] [--clean] [-o OUT] FILE...
//   veltra-gps --verify MANIFEST
//   veltra-gps --help | --version
#pragma once

#include "ClipRecord.h"

#include <string>
#include <vector>

struct ExtractorOptions {
    enum class Format { Json, Csv, Gpx, Kml };

    Format format = Format::Json;
    bool detect = false;          // one detection line per file instead of the telemetry
    bool trips = false;           // group the files into trips (gpx, kml, csv)
    long long gapMs = 10000;      // --gap: the longest pause within a trip
    ExportStyle style;            // --time (Local for local and ZONE) and --clean
    std::string zone;             // --time ZONE: the IANA name; empty for the others
    std::string output;           // empty: standard output
    std::vector<std::string> files;
    std::string verify;           // --verify: the manifest to check, alone
    bool help = false;            // -h/--help: print the usage and stop
    bool version = false;         // --version: print "veltra-gps VERSION" and stop
    std::string error;            // set when the command line is unusable (exit 2)

    // Parses the arguments after the program name. "--format=X" is accepted beside
    // "--format X"; "--" ends the options; "-o -" means standard output.
    static ExtractorOptions parse(const std::vector<std::string> &args);

    static const char *usage();

    // The system's time zone database (Debian's tzdata).
    static constexpr const char *kZoneFolder = "/usr/share/zoneinfo";
    // Whether `name` names a time zone of that database: a relative path without "."
    // or ".." parts, of letters, digits and "._+-", to a regular file under `folder`
    // that begins as a zone file does ("TZif").
    static bool zoneExists(const std::string &name, const std::string &folder = kZoneFolder);
};
