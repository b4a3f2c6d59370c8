#include "ExtractorOptions.h"

namespace {

bool formatFromName(const std::string &name, ExtractorOptions::Format *format)
{
    using F = ExtractorOptions::Format;
    if (name == "json") *format = F::Json;
    else if (name == "csv") *format = F::Csv;
    else if (name == "gpx") *format = F::Gpx;
    else if (name == "kml") *format = F::Kml;
    else return false;
    return true;
}

// Whole seconds from 0 to a day.
bool secondsFromText(const std::string &text, long long *ms)
{
    if (text.empty() || text.size() > 5)
        return false;
    long long seconds = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
        seconds = seconds * 10 + (c - '0');
    }
    if (seconds > 86400)
        return false;
    *ms = seconds * 1000;
    return true;
}

} // namespace

const char *ExtractorOptions::usage()
{
    return "usage: veltra-gps [--format json|csv|gpx|kml] [--detect] [--trips [--gap S]] [-o OUT] FILE...\n"
           "  --format F  json (default, one line per file), csv, gpx or kml\n"
           "  --detect    print the camera kind flags and telemetry layout of each file instead\n"
           "  --trips     group the files into trips: one gpx track or kml placemark\n"
           "              per trip, csv rows numbered by trip (gpx, kml, csv only)\n"
           "  --gap S     the longest pause in seconds between clips of a trip (10)\n"
           "  -o OUT      write to OUT (replaced when complete); - is standard output\n"
           "  -h, --help  print this help and stop\n"
           "  --version   print the program's version and stop\n";
}

ExtractorOptions ExtractorOptions::parse(const std::vector<std::string> &args)
{
    ExtractorOptions o;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string &a = args[i];
        if (optionsEnded || a.empty() || a[0] != '-' || a == "-") {
            o.files.push_back(a);
            continue;
        }
        if (a == "--") {
            optionsEnded = true;
        } else if (a == "-h" || a == "--help") {
            o.help = true;
        } else if (a == "--version") {
            o.version = true;
        } else if (a == "--detect") {
            o.detect = true;
        } else if (a == "--trips") {
            o.trips = true;
        } else if (a == "--gap") {
            if (i + 1 >= args.size() || !secondsFromText(args[i + 1], &o.gapMs)) {
                o.error = "--gap needs a number of seconds";
                return o;
            }
            ++i;
        } else if (a == "--format" || a.rfind("--format=", 0) == 0) {
            std::string value;
            if (a == "--format") {
                if (i + 1 >= args.size()) {
                    o.error = "--format needs a value";
                    return o;
                }
                value = args[++i];
            } else {
                value = a.substr(9);
            }
            if (!formatFromName(value, &o.format)) {
                o.error = "unknown format '" + value + "'";
                return o;
            }
        } else if (a == "-o" || a == "--output") {
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                o.error = a + " needs a file name";
                return o;
            }
            o.output = args[++i] == "-" ? std::string() : args[i];
        } else {
            o.error = "unknown option '" + a + "'";
            return o;
        }
    }
    if (!o.help && !o.version && o.files.empty())
        o.error = "no input files";
    else if (o.trips && (o.detect || o.format == Format::Json))
        o.error = "--trips needs --format gpx, kml or csv";
    return o;
}
