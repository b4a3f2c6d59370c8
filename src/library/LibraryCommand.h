// veltra-gps's library commands, on the same library code as the window:
//   veltra-gps --library DB --add PATH...
//   veltra-gps --library DB --near LAT,LON[,METRES] [--from TIME] [--to TIME]
//   veltra-gps --library DB --events KIND[,KIND] [--from TIME] [--to TIME]
#pragma once

#include <optional>
#include <string>
#include <vector>

struct LibraryCommandOptions {
    std::string database;
    std::vector<std::string> add;
    bool near = false;
    double latitude = 0, longitude = 0, metres = 100;
    bool events = false;
    std::vector<std::string> kinds;
    std::optional<long long> fromMs, toMs;
    bool help = false;
    std::string error;

    // Parses the arguments after the program name; `error` set when unusable.
    static LibraryCommandOptions parse(const std::vector<std::string> &args);
    static const char *usage();
};

namespace LibraryCommand {

// Whether the arguments ask for the library (--library anywhere among them).
bool wanted(const std::vector<std::string> &args);
// Runs it: 0 when all went well, 1 when a file was skipped or the database failed, 2 for
// a usage error. Makes the QCoreApplication it needs.
int run(int argc, char **argv);

// A time for --from and --to: "YYYY-MM-DD", "YYYY-MM-DDTHH:MM[:SS]" (also with a space),
// UTC, a trailing "Z" allowed; ms since 1970.
std::optional<long long> parseTime(const std::string &text);
// "2026-11-08T09:31:05.200Z".
std::string utcText(long long ms);

} // namespace LibraryCommand
