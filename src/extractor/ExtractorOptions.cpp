#include "ExtractorOptions.h"

#include <fstream>
#include <sys/stat.h>

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

bool timeFromName(const std::string &name, ExtractorOptions *o)
{
    o->zone.clear();
    if (name == "utc")
        o->style.time = TimeBasis::Utc;
    else if (name == "camera")
        o->style.time = TimeBasis::Camera;
    else if (name == "local")
        o->style.time = TimeBasis::Local;
    else if (ExtractorOptions::zoneExists(name))
        o->style.time = TimeBasis::Local;
    else
        return false;
    if (o->style.time == TimeBasis::Local && name != "local")
        o->zone = name;
    return true;
}

} // namespace

bool ExtractorOptions::zoneExists(const std::string &name, const std::string &folder)
{
    if (name.empty() || name.size() > 255 || name.front() == '/' || name.back() == '/')
        return false;
    for (const char c : name)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '+' ||
              c == '-' || c == '/' || c == '.'))
            return false;
    for (size_t from = 0; from <= name.size();) {
        size_t to = name.find('/', from);
        if (to == std::string::npos)
            to = name.size();
        const std::string part = name.substr(from, to - from);
        if (part.empty() || part == "." || part == "..")
            return false;
        from = to + 1;
    }
    const std::string path = folder + '/' + name;
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    std::ifstream file(path, std::ios::binary);
    char magic[4] = {};
    return file.read(magic, 4) && std::string(magic, 4) == "TZif";
}

const char *ExtractorOptions::usage()
{
    return "usage: veltra-gps [--format json|csv|gpx|kml] [--detect] [--trips [--gap S]] [--time T] [--clean]\n"
           "                  [-o OUT] FILE...\n"
           "  --format F  json (default, one line per file), csv, gpx or kml\n"
           "  --detect    print the camera kind flags and telemetry layout of each file instead\n"
           "  --trips     group the files into trips: one gpx track or kml placemark\n"
           "              per trip, csv rows numbered by trip (gpx, kml, csv only)\n"
           "  --gap S     the longest pause in seconds between clips of a trip (10)\n"
           "  --time T    write every time on one clock and report each clip's clock: utc,\n"
           "              camera (the camera's own clock), local (this system's zone) or an\n"
           "              IANA zone such as Europe/Berlin\n"
           "  --clean     leave GPS glitches out of tracks and rows, and give the figures\n"
           "              with and without them (json)\n"
           "  -o OUT      write to OUT (replaced when complete); - is standard output\n"
           "  --verify M  check the files an export's manifest M names, and name any that\n"
           "              changed (exit 1) or are missing\n"
           "  -h, --help  print this help and stop\n"
           "  --version   print the program's version and stop\n"
           "  --library DB --add PATH... | --near LAT,LON[,METRES] | --events KIND[,KIND]\n"
           "              index clips into the library DB, or ask it which clips passed a place\n"
           "              or what happened (veltra-gps --library DB --help tells more)\n";
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
        } else if (a == "--verify") {
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                o.error = "--verify needs a manifest";
                return o;
            }
            o.verify = args[++i];
        } else if (a == "--detect") {
            o.detect = true;
        } else if (a == "--trips") {
            o.trips = true;
        } else if (a == "--clean") {
            o.style.clean = true;
        } else if (a == "--time" || a.rfind("--time=", 0) == 0) {
            std::string value;
            if (a == "--time") {
                if (i + 1 >= args.size()) {
                    o.error = "--time needs utc, camera, local or a time zone";
                    return o;
                }
                value = args[++i];
            } else {
                value = a.substr(7);
            }
            if (!timeFromName(value, &o)) {
                o.error = "unknown time zone '" + value + "'";
                return o;
            }
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
    const bool otherOptions = o.detect || o.trips || !o.style.plain() || o.format != Format::Json || !o.output.empty();
    if (!o.verify.empty() && (!o.files.empty() || otherOptions))
        o.error = "--verify takes its manifest alone";
    else if (!o.help && !o.version && o.verify.empty() && o.files.empty())
        o.error = "no input files";
    else if (o.trips && (o.detect || o.format == Format::Json))
        o.error = "--trips needs --format gpx, kml or csv";
    else if (o.detect && !o.style.plain())
        o.error = "--detect takes neither --time nor --clean";
    return o;
}
