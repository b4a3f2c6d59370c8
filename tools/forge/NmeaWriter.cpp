#include "NmeaWriter.h"

#include <cmath>
#include <cstdio>
#include <ctime>

namespace {

std::string timeField(const TelemetryPoint& p)
{
    if (p.leapSecond)
        return "235960.000";
    const double utc = p.utc;
    const double whole = std::floor(utc);
    const time_t t = static_cast<time_t>(whole);
    std::tm tm{};
    gmtime_r(&t, &tm);
    const int ms = static_cast<int>(std::lround((utc - whole) * 1000)) % 1000;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%02d%02d%02d.%03d", tm.tm_hour, tm.tm_min, tm.tm_sec, ms);
    return buf;
}

std::string dateField(const TelemetryPoint& p)
{
    if (p.noDate)
        return {};
    const double utc = p.utc;
    const time_t t = static_cast<time_t>(std::floor(utc));
    std::tm tm{};
    gmtime_r(&t, &tm);
    char buf[48];
    std::snprintf(buf, sizeof buf, "%02d%02d%02d", tm.tm_mday, tm.tm_mon + 1, tm.tm_year % 100);
    return buf;
}

} // namespace

std::string NmeaWriter::coordinate(double degrees, bool latitude, bool fiveDecimals, char& hemisphere)
{
    hemisphere = latitude ? (degrees < 0 ? 'S' : 'N') : (degrees < 0 ? 'W' : 'E');
    // Work in integer units of the last decimal of the minutes, so no minute ever reads 60.
    const int64_t unitsPerMinute = fiveDecimals ? 100000 : 10000;
    const int64_t units = std::llround(std::fabs(degrees) * 60.0 * static_cast<double>(unitsPerMinute));
    const int64_t deg = units / (60 * unitsPerMinute);
    const int64_t rest = units % (60 * unitsPerMinute);
    const int64_t minutes = rest / unitsPerMinute;
    const int64_t fraction = rest % unitsPerMinute;
    char buf[48];
    std::snprintf(buf, sizeof buf, latitude ? "%02lld%02lld.%0*lld" : "%03lld%02lld.%0*lld",
                  static_cast<long long>(deg), static_cast<long long>(minutes), fiveDecimals ? 5 : 4,
                  static_cast<long long>(fraction));
    return buf;
}

std::string NmeaWriter::withChecksum(const std::string& body)
{
    uint8_t sum = 0;
    for (size_t i = 1; i < body.size(); ++i)
        sum ^= static_cast<uint8_t>(body[i]);
    char buf[8];
    std::snprintf(buf, sizeof buf, "*%02X\r\n", sum);
    return body + buf;
}

std::string NmeaWriter::rmc(const TelemetryPoint& p)
{
    std::string s = "$GPRMC," + timeField(p);
    if (!p.fix)
        return withChecksum(s + ",V,,,,,,," + dateField(p) + ",,,N");
    char ns = 'N', ew = 'E';
    const std::string lat = coordinate(p.latitude, true, p.fiveDecimals, ns);
    const std::string lon = coordinate(p.longitude, false, p.fiveDecimals, ew);
    char speed[32], course[32] = "";
    std::snprintf(speed, sizeof speed, "%.3f", p.stopped ? 0.0 : p.speedKmh / 1.852);
    if (!p.stopped)
        std::snprintf(course, sizeof course, "%.2f", p.courseDeg);
    s += ",A," + lat + "," + ns + "," + lon + "," + ew + "," + speed + "," + course + "," + dateField(p) + ",,,A";
    return withChecksum(s);
}

std::string NmeaWriter::gga(const TelemetryPoint& p)
{
    char ns = 'N', ew = 'E';
    const std::string lat = coordinate(p.latitude, true, p.fiveDecimals, ns);
    const std::string lon = coordinate(p.longitude, false, p.fiveDecimals, ew);
    return withChecksum("$GPGGA," + timeField(p) + "," + lat + "," + ns + "," + lon + "," + ew
                        + ",1,09,0.9,35.2,M,47.0,M,,");
}

std::vector<uint8_t> NmeaWriter::shifted(const std::string& sentence)
{
    std::vector<uint8_t> out;
    out.reserve(sentence.size());
    for (char c : sentence)
        out.push_back(static_cast<uint8_t>(static_cast<uint8_t>(c) + kTextKey));
    return out;
}
