// libFuzzer target: one input is the text of a GPS block (as restored), a text track's
// sample, a freeGPS block, a GPX document or a file reference. The sentence parsers,
// the coordinate texts, the payload and GPX readers and the reference decoding run on
// it; the outputs must stay within the shapes the panels read.
#include "AssistFile.h"
#include "FreeGps.h"
#include "GpsDataHelper.h"
#include "SideFiles.h"
#include "TelemetryMoment.h"
#include "TextTrack.h"

#include <cmath>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

[[noreturn]] void broken(const char *what)
{
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

// "", "0", or degrees, a point and at least six decimals (more only for minutes of 60
// and above, which no receiver writes).
bool coordinateShape(const std::string &t)
{
    if (t.empty() || t == "0")
        return true;
    const size_t point = t.find('.');
    return point != std::string::npos && point > 0 && t.size() - point - 1 >= 6 && t.find('.', point + 1) == std::string::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string text(reinterpret_cast<const char *>(data), size);

    std::string lat = "x", lgt = "x", time, date;
    int32_t speed = 0;
    double course = 0;
    AssistFile::ParseRMC(text, lat, lgt, speed, course, &time, &date);
    if (lat != "x" && (!coordinateShape(lat) || !coordinateShape(lgt)))
        broken("RMC coordinate text");
    if (course != course)
        broken("RMC course is not a number");

    lat = lgt = "x";
    speed = 5;
    AssistFile::ParseGGA(text, lat, lgt, speed);
    if (speed != 5)
        broken("GGA wrote a speed");
    if (lat != "x" && (!coordinateShape(lat) || !coordinateShape(lgt)))
        broken("GGA coordinate text");

    const size_t comma = text.find(',');
    std::string out = "x";
    parse_coordinate(text.substr(0, comma), comma == std::string::npos ? "" : text.substr(comma + 1), out);
    if (!coordinateShape(out))
        broken("coordinate text");

    const double n = read_leading_number(text);
    if (n != n || n - n != 0)
        broken("number is not finite");

    TelemetryMoment m;
    const auto inRange = [](const TelemetryMoment &x) {
        return !x.hasFix || (std::fabs(x.latitude) <= 90 && std::fabs(x.longitude) <= 180);
    };
    if (Moments::parse(text, &m) != Moments::Sentence::None && !inRange(m))
        broken("sentence position out of range");
    if (TextTrack::parseSample(data, size, &m) && !inRange(m))
        broken("text sample position out of range");
    for (const FreeGps::Payload p : {FreeGps::Payload::V3, FreeGps::Payload::LongHeader, FreeGps::Payload::Old,
                                     FreeGps::Payload::Nmea}) {
        int32_t readings[3];
        if (FreeGps::decode(data, size, p, &m, readings) && (!inRange(m) || (m.hasSpeed && !(m.speedKmh >= 0))))
            broken("freeGPS payload out of range");
    }
    for (const GpxTrack::Point &p : GpxTrack::parse(text))
        if (std::fabs(p.latitude) > 90 || std::fabs(p.longitude) > 180)
            broken("GPX point out of range");

    std::string decoded;
    if (GpsDataHelper::percentDecode(text, &decoded) && decoded.find('\0') != std::string::npos)
        broken("decoded reference holds a zero byte");
    return 0;
}
