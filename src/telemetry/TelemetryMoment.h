// What the readers of the newer layouts hand over for one moment, in the camera's own
// terms (degrees, km/h, g, UTC), and the one place where it becomes the three parallel
// lists of a read result (text sample, sentence time, typed sample). Also the NMEA
// sentence reading those readers share: any talker, RMC and GGA, checksums not required.
#pragma once

#include "GpsSample.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct TelemetryMoment {
    bool hasFix = false;
    double latitude = 0, longitude = 0;      // degrees, south and west negative
    std::string latitudeText, longitudeText; // the core's text of an NMEA value; empty: from the numbers
    bool hasSpeed = false;
    double speedKmh = 0;
    bool hasCourse = false;
    double course = 0;
    bool hasG = false;
    float gx = 0, gy = 0, gz = 0;            // g
    std::optional<int64_t> utcMs;
};

namespace Moments {

// Knots to km/h for every layout read here (the Novatek readers keep their own 1.85).
constexpr double kKmhPerKnot = 1.852;

// Appends a moment to the three lists of `result`.
void append(GpsReadResult *result, const TelemetryMoment &moment);
// Sets the layout, the highest speed and the China test on the last sample, as the
// Novatek readers do.
void finish(GpsReadResult *result, TelemetryLayout layout);

// Reads one NMEA sentence ("$GPRMC,…", "GNRMC,…" without the dollar, "$GPGGA,…"; a
// checksum is ignored) into `moment`: an RMC gives time and date, and with status A the
// position, speed and course where present; a GGA with a fix gives the position. False
// for any other text, a value out of range or a field too long to be a number.
enum class Sentence { None, Rmc, Gga };
Sentence parse(std::string_view sentence, TelemetryMoment *moment);

// Degrees from an NMEA "(d)ddmm.mmmm" value and its hemisphere letter; false when the
// value is no number, its minutes reach 60 or the degrees pass `maxDegrees`.
bool nmeaDegrees(std::string_view value, std::string_view hemisphere, double maxDegrees, double *degrees);

// The time and date texts an RMC sentence would carry for a UTC time (years 1980 to
// 2079, the range those texts can say); empty texts otherwise.
SentenceTime sentenceTime(int64_t utcMs);

} // namespace Moments
