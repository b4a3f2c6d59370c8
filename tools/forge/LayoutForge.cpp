#include "LayoutForge.h"

#include "AtomWriter.h"
#include "NmeaWriter.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

void le32(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

void f32(std::vector<uint8_t>& b, size_t at, float v)
{
    uint32_t u;
    std::memcpy(&u, &v, 4);
    le32(b, at, u);
}

void be32(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

std::tm civil(double seconds)
{
    const time_t t = static_cast<time_t>(std::floor(seconds));
    std::tm tm{};
    gmtime_r(&t, &tm);
    return tm;
}

// DDMM.MMMM of a value in degrees, as the binary payloads store it.
float ddmm(double degrees)
{
    const double a = std::fabs(degrees);
    const double whole = std::floor(a);
    return static_cast<float>(whole * 100 + (a - whole) * 60);
}

double knots(const TelemetryPoint& p)
{
    return p.stopped ? 0.0 : p.speedKmh / 1.852;
}

std::string degreesText(double v)
{
    char b[32];
    std::snprintf(b, sizeof b, "%.6f", v);
    return b;
}

// Degrees from a stored DDMM.MMMM float, as the reader must work them out.
double fromDdmm(float v, bool negative)
{
    const double whole = std::floor(double(v) / 100);
    const double d = whole + (double(v) - whole * 100) / 60;
    return negative ? -d : d;
}

std::vector<std::string> fields(const std::string& sentence)
{
    std::vector<std::string> out(1);
    for (char c : sentence) {
        if (c == '*')
            break;
        if (c == ',')
            out.emplace_back();
        else
            out.back() += c;
    }
    return out;
}

// What a reader of the newer layouts gives for an RMC sentence the forge wrote.
ExpectedSample fromRmc(const std::string& sentence)
{
    ExpectedSample e;
    const std::vector<std::string> f = fields(sentence);
    if (f.size() < 10 || f[2] != "A")
        return e;
    e.lat = ReaderTruth::coordinateText(f[3], f[4][0]);
    e.lon = ReaderTruth::coordinateText(f[5], f[6][0]);
    e.spd = static_cast<int>(std::lround(std::strtod(f[7].c_str(), nullptr) * 1.852));
    e.course = f[8].empty() ? 0 : std::strtod(f[8].c_str(), nullptr);
    return e;
}

int32_t scaled(int32_t milliG, double unitsPerG)
{
    return static_cast<int32_t>(std::lround(milliG / 1000.0 * unitsPerG));
}

std::string gsensorLine(const TelemetryPoint& p)
{
    const std::string rmc = NmeaWriter::rmc(p).substr(1);   // without '$' and the line end
    char g[96];
    std::snprintf(g, sizeof g, "gsensori,4,512,%d,%d,%d;", scaled(p.gsensor[0], 512), scaled(p.gsensor[1], 512),
                  scaled(p.gsensor[2], 512));
    return g + rmc.substr(0, rmc.size() - 2) + ";CAR,0,0,0";
}

} // namespace

bool LayoutForge::fromName(const std::string& name, Layout& layout)
{
    static const struct {
        const char* name;
        Layout layout;
    } names[] = {{"freegps-v3", Layout::FreeGpsV3},       {"freegps-old", Layout::FreeGpsOld},
                 {"freegps-long", Layout::FreeGpsLong},   {"freegps-nmea", Layout::FreeGpsNmea},
                 {"freegps-xor", Layout::FreeGpsEnciphered}, {"free-box", Layout::FreeBox},
                 {"text-0x120", Layout::TextFixed},       {"text-gsensori", Layout::TextGsensor},
                 {"text-nmea", Layout::TextNmea},         {"nmea-file", Layout::NmeaFile},
                 {"gpx-file", Layout::GpxFile}};
    for (const auto& n : names)
        if (name == n.name) {
            layout = n.layout;
            return true;
        }
    return false;
}

const char* LayoutForge::detectedName(Layout layout)
{
    switch (layout) {
    case Layout::FreeGpsV3:
    case Layout::FreeGpsOld:
    case Layout::FreeGpsLong:
    case Layout::FreeGpsNmea: return "freegps";
    case Layout::FreeGpsEnciphered: return "unreadable";
    case Layout::FreeBox: return "free-box";
    case Layout::TextFixed:
    case Layout::TextGsensor:
    case Layout::TextNmea: return "text-track";
    case Layout::NmeaFile: return "nmea-file";
    case Layout::GpxFile: return "gpx-file";
    }
    return "none";
}

std::vector<uint8_t> LayoutForge::freeGpsBlock(Layout layout, const TelemetryPoint& p, int utcOffsetHours)
{
    std::vector<uint8_t> b(kFreeGpsBlockBytes, 0);
    be32(b, 0, kFreeGpsBlockBytes);
    std::memcpy(&b[4], "freeGPS ", 8);
    if (layout == Layout::FreeGpsNmea || layout == Layout::FreeGpsEnciphered) {
        const std::string rmc = NmeaWriter::rmc(p);
        for (int i = 0; i < 3; ++i)
            le32(b, 0x44 + 4 * i, static_cast<uint32_t>(scaled(p.gsensor[i], 256)));
        std::memcpy(&b[0x50], rmc.data(), rmc.size());
        if (layout == Layout::FreeGpsEnciphered)
            for (size_t i = 0x10; i < 0x50 + rmc.size(); ++i)
                b[i] ^= 0xAA;
        return b;
    }
    const size_t shift = layout == Layout::FreeGpsOld ? 0x20 : layout == Layout::FreeGpsLong ? 0x30 : 0;
    if (layout == Layout::FreeGpsLong)
        std::memcpy(&b[0x10], "VELTRA DVR MODEL 4K PRO  FW 1.2.3 20261101", 42);
    const bool local = layout == Layout::FreeGpsLong;
    const std::tm tm = civil(p.utc + (local ? utcOffsetHours * 3600.0 : 0));
    const uint32_t t[6] = {uint32_t(tm.tm_hour), uint32_t(tm.tm_min), uint32_t(tm.tm_sec),
                           uint32_t(local ? tm.tm_year + 1900 : tm.tm_year - 100), uint32_t(tm.tm_mon + 1),
                           uint32_t(tm.tm_mday)};
    for (int i = 0; i < 6; ++i)
        le32(b, shift + 0x10 + 4 * i, t[i]);
    b[shift + 0x28] = p.fix ? 'A' : 'V';
    if (p.fix) {
        b[shift + 0x29] = p.latitude < 0 ? 'S' : 'N';
        b[shift + 0x2A] = p.longitude < 0 ? 'W' : 'E';
        f32(b, shift + 0x2C, ddmm(p.latitude));
        f32(b, shift + 0x30, ddmm(p.longitude));
        f32(b, shift + 0x34, static_cast<float>(knots(p)));
        f32(b, shift + 0x38, static_cast<float>(p.courseDeg));
    }
    if (layout != Layout::FreeGpsOld)
        for (int i = 0; i < 3; ++i)
            le32(b, shift + 0x3C + 4 * i, static_cast<uint32_t>(scaled(p.gsensor[i], 256)));
    return b;
}

std::vector<uint8_t> LayoutForge::textSample(Layout layout, const TelemetryPoint& p, int utcOffsetHours)
{
    std::string text;
    if (layout == Layout::TextFixed) {
        std::vector<uint8_t> s(0x120, 0);
        s[0] = 0x01;
        s[1] = 0x1E;   // the bytes after the length field
        le32(s, 2, 0x00010001);
        const std::tm tm = civil(p.utc + utcOffsetHours * 3600.0);
        char digits[64];
        std::snprintf(digits, sizeof digits, "%04d%02d%02d%02d%02d%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                      tm.tm_hour, tm.tm_min, tm.tm_sec);
        std::memcpy(&s[6], digits, 14);
        le32(s, 0x14, static_cast<uint32_t>(-scaled(p.gsensor[1], 1280)));
        le32(s, 0x18, static_cast<uint32_t>(scaled(p.gsensor[0], 1280)));
        le32(s, 0x1C, static_cast<uint32_t>(scaled(p.gsensor[2], 1280)));
        const std::string rmc = NmeaWriter::rmc(p);
        std::memcpy(&s[0x20], rmc.data(), std::min<size_t>(rmc.size(), 127));
        if (p.fix) {
            const std::string gga = NmeaWriter::gga(p);
            std::memcpy(&s[0xA0], gga.data(), std::min<size_t>(gga.size(), 127));
        }
        return s;
    }
    text = layout == Layout::TextGsensor ? gsensorLine(p) : NmeaWriter::rmc(p) + (p.fix ? NmeaWriter::gga(p) : "");
    std::vector<uint8_t> s(2 + text.size());
    s[0] = static_cast<uint8_t>(text.size() >> 8);
    s[1] = static_cast<uint8_t>(text.size());
    std::memcpy(&s[2], text.data(), text.size());
    return s;
}

std::vector<uint8_t> LayoutForge::freeBox(const std::vector<TelemetryPoint>& points, int utcOffsetHours)
{
    AtomWriter w;
    const size_t free = w.open("free");
    const size_t gps = w.open("gps ");
    for (const TelemetryPoint& p : points) {
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "[%lld]", static_cast<long long>(std::llround(p.utc * 1000)));
        std::string line = stamp + NmeaWriter::rmc(p);
        if (p.fix)
            line += stamp + NmeaWriter::gga(p);
        for (char c : line)
            w.u8(static_cast<uint8_t>(c));
    }
    w.zeros(64);   // the NUL padding after the last line
    w.close(gps);
    const size_t accel = w.open("3gf ");
    for (size_t k = 0; k < points.size(); ++k)
        for (int r = 0; r < kRecordsPerSecond; ++r) {
            // Each second's first record carries the moment's reading, the rest a shade less.
            w.u32(static_cast<uint32_t>(k * 1000 + size_t(r) * 100));
            for (int i = 0; i < 3; ++i)
                w.u16(static_cast<uint16_t>(scaled(points[k].gsensor[i] - r * 10 * (i == 0), 1.0 / kFreeBoxGPerUnit)));
        }
    w.u32(0xFFFFFFFFu);
    w.zeros(6);
    w.close(accel);
    const size_t sttm = w.open("sttm");
    const double start = points.empty() ? 0 : points.front().utc + utcOffsetHours * 3600.0;
    w.u64(static_cast<uint64_t>(std::llround(start * 1000)));
    w.close(sttm);
    w.close(free);
    return w.bytes();
}

std::string LayoutForge::nmeaFile(const std::vector<TelemetryPoint>& points)
{
    std::string out;
    for (const TelemetryPoint& p : points)
        out += NmeaWriter::rmc(p) + (p.fix ? NmeaWriter::gga(p) : "");
    return out;
}

std::string LayoutForge::gpxFile(const std::vector<TelemetryPoint>& points)
{
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<gpx version=\"1.1\" creator=\"veltra-forge\" "
                      "xmlns=\"http://www.topografix.com/GPX/1/1\">\n  <trk>\n    <!-- <trkpt lat=\"1\" lon=\"1\"> -->\n"
                      "    <trkseg>\n";
    for (const TelemetryPoint& p : points) {
        if (!p.fix)
            continue;
        const std::tm tm = civil(p.utc);
        char b[512];
        std::snprintf(b, sizeof b,
                      "      <trkpt lat='%.7f' lon=\"%.7f\"><ele>35.2</ele><time>%04d-%02d-%02dT%02d:%02d:%02dZ</time>"
                      "<speed>%.3f</speed><course>%.2f</course></trkpt>\n",
                      p.latitude, p.longitude, tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                      tm.tm_sec, p.stopped ? 0.0 : p.speedKmh / 3.6, p.courseDeg);
        out += b;
    }
    return out + "    </trkseg>\n  </trk>\n</gpx>\n";
}

std::vector<ExpectedSample> LayoutForge::truth(Layout layout, const std::vector<TelemetryPoint>& points)
{
    std::vector<ExpectedSample> out;
    if (layout == Layout::FreeGpsEnciphered)
        return out;
    for (const TelemetryPoint& p : points) {
        ExpectedSample e;
        switch (layout) {
        case Layout::FreeGpsV3:
        case Layout::FreeGpsOld:
        case Layout::FreeGpsLong:
            if (p.fix) {
                e.lat = degreesText(fromDdmm(ddmm(p.latitude), p.latitude < 0));
                e.lon = degreesText(fromDdmm(ddmm(p.longitude), p.longitude < 0));
                e.spd = static_cast<int>(std::lround(double(static_cast<float>(knots(p))) * 1.852));
                e.course = double(static_cast<float>(p.courseDeg));
            }
            if (layout != Layout::FreeGpsOld)
                for (int i = 0; i < 3; ++i)
                    e.g[i] = static_cast<float>(scaled(p.gsensor[i], 256) / 256.0);
            break;
        case Layout::FreeGpsNmea:
            e = fromRmc(NmeaWriter::rmc(p));
            for (int i = 0; i < 3; ++i)
                e.g[i] = static_cast<float>(scaled(p.gsensor[i], 256) / 256.0);
            break;
        case Layout::FreeBox:
            e = fromRmc(NmeaWriter::rmc(p));
            for (int i = 0; i < 3; ++i)
                e.g[i] = static_cast<float>(scaled(p.gsensor[i], 1.0 / kFreeBoxGPerUnit) * kFreeBoxGPerUnit);
            break;
        case Layout::TextFixed:
            e = fromRmc(NmeaWriter::rmc(p));
            e.g[1] = static_cast<float>(-scaled(p.gsensor[1], 1280) * -(1.0 / 1280));
            e.g[0] = static_cast<float>(scaled(p.gsensor[0], 1280) * (1.0 / 1280));
            e.g[2] = static_cast<float>(scaled(p.gsensor[2], 1280) * (1.0 / 1280));
            break;
        case Layout::TextGsensor:
            e = fromRmc(NmeaWriter::rmc(p));
            for (int i = 0; i < 3; ++i)
                e.g[i] = static_cast<float>(scaled(p.gsensor[i], 512) / 512.0);
            break;
        case Layout::TextNmea:
        case Layout::NmeaFile:
            e = fromRmc(NmeaWriter::rmc(p));
            break;
        case Layout::GpxFile: {
            if (!p.fix)
                continue;
            char lat[32], lon[32], speed[32], course[32];
            std::snprintf(lat, sizeof lat, "%.7f", p.latitude);
            std::snprintf(lon, sizeof lon, "%.7f", p.longitude);
            std::snprintf(speed, sizeof speed, "%.3f", p.stopped ? 0.0 : p.speedKmh / 3.6);
            std::snprintf(course, sizeof course, "%.2f", p.courseDeg);
            e.lat = degreesText(std::strtod(lat, nullptr));
            e.lon = degreesText(std::strtod(lon, nullptr));
            e.spd = static_cast<int>(std::lround(std::strtod(speed, nullptr) * 3.6));
            e.course = std::strtod(course, nullptr);
            break;
        }
        case Layout::FreeGpsEnciphered:
            break;
        }
        out.push_back(e);
    }
    return out;
}
