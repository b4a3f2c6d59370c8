#include "ReaderTruth.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

std::vector<std::string> fields(const std::string& sentence)
{
    std::vector<std::string> out(1);
    for (char c : sentence) {
        if (c == ',')
            out.emplace_back();
        else
            out.back() += c;
    }
    return out;
}

bool present(const std::vector<std::string>& f, size_t i)
{
    return i < f.size() && !f[i].empty();
}

std::string jsonString(const std::string& s)
{
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string floatText(float v)
{
    // The shortest text that reads back as the same float (at most nine digits).
    char buf[32];
    for (int precision = 6; precision <= 9; ++precision) {
        std::snprintf(buf, sizeof buf, "%.*g", precision, static_cast<double>(v));
        if (std::strtof(buf, nullptr) == v)
            break;
    }
    return buf;
}

} // namespace

std::string ReaderTruth::coordinateText(const std::string& value, char hemisphere)
{
    const bool negative = hemisphere == 'W' || hemisphere == 'S';
    const size_t point = value.find('.');
    if (point == std::string::npos)
        return "0";
    const std::string decimals = value.substr(point + 1);
    if (decimals.size() != 4 && decimals.size() != 5)
        return "";
    const long whole = std::strtol(value.substr(0, point).c_str(), nullptr, 10);
    const long fraction = std::strtol(decimals.c_str(), nullptr, 10);
    const long scale = decimals.size() == 4 ? 10000 : 100000;
    const long minutes = (whole % 100) * scale + fraction;
    const long degreeDecimals = minutes * 100 / 60;
    char buf[48];
    std::snprintf(buf, sizeof buf, decimals.size() == 4 ? "%s%ld.%06ld" : "%s%ld.%07ld", negative ? "-" : "",
                  whole / 100, degreeDecimals);
    return buf;
}

ExpectedSample ReaderTruth::expect(const std::string& sentence, const int32_t readings[3], Reader reader)
{
    ExpectedSample e;
    bool plausible = true;
    if (reader == Reader::Index)
        for (int i = 0; i < 3; ++i)
            plausible = plausible && readings[i] <= 10000 && readings[i] >= -10000;
    for (int i = 0; i < 3; ++i)
        e.g[i] = plausible ? static_cast<float>(readings[i]) / 1000.0f : 0.0f;

    const std::vector<std::string> f = fields(sentence);
    if (reader == Reader::Index && f[0] == "$GPGGA") {
        if (present(f, 1) && present(f, 2) && present(f, 3) && present(f, 4) && present(f, 5)
            && f[2].size() <= 32 && f[4].size() <= 32) {
            e.lat = coordinateText(f[2], f[3][0]);
            e.lon = coordinateText(f[4], f[5][0]);
        }
        return e;
    }
    if (f[0] != "$GPRMC" && f[0] != "$GLRMC")
        return e;
    for (size_t i = 1; i <= 6; ++i)
        if (!present(f, i))
            return e;
    if (f[3].size() > 32 || f[5].size() > 32)
        return e;
    const std::string speed = f.size() > 7 ? f[7] : "";
    const std::string course = f.size() > 8 ? f[8] : "";
    if (speed.size() > 32 || course.size() > 32)
        return e;
    e.lon = coordinateText(f[5], f[6][0]);
    e.lat = coordinateText(f[3], f[4][0]);
    e.spd = static_cast<int>(std::strtod(speed.c_str(), nullptr) * 1.85);
    e.course = std::strtod(course.c_str(), nullptr);
    return e;
}

int ReaderTruth::maxSpeed(const std::vector<ExpectedSample>& samples)
{
    int best = 0;
    for (const ExpectedSample& s : samples)
        if (s.spd > best)
            best = s.spd;
    return best;
}

bool ReaderTruth::inChina(const std::vector<ExpectedSample>& samples)
{
    if (samples.empty())
        return true;
    // The test runs on single-precision values of the last sample's texts.
    const double lat = std::strtof(samples.back().lat.c_str(), nullptr);
    const double lon = std::strtof(samples.back().lon.c_str(), nullptr);
    if (lat == 0 || lon == 0)
        return true;
    return lat >= 3.51 && lat <= 53.33 && lon >= 73.33 && lon <= 135.05;
}

std::string ReaderTruth::number(double v)
{
    char buf[40];
    for (int precision = 15; precision <= 17; ++precision) {
        std::snprintf(buf, sizeof buf, "%.*g", precision, v);
        if (std::strtod(buf, nullptr) == v)
            break;
    }
    return buf;
}

std::string ReaderTruth::json(const std::vector<ExpectedSample>& samples, const std::string& file)
{
    std::string out = "{\"key_video_datas\":[";
    for (size_t i = 0; i < samples.size(); ++i) {
        const ExpectedSample& s = samples[i];
        if (i)
            out += ',';
        out += "{\"spd\":" + std::to_string(s.spd) + ",\"gps_lat\":" + jsonString(s.lat)
               + ",\"gps_lgt\":" + jsonString(s.lon) + ",\"north_angle\":" + number(s.course)
               + ",\"gsensor_x\":" + floatText(s.g[0]) + ",\"gsensor_y\":" + floatText(s.g[1])
               + ",\"gsensor_z\":" + floatText(s.g[2]) + "}";
    }
    out += ']';
    bool vehicles = false;
    for (const ExpectedSample& s : samples)
        vehicles = vehicles || s.hasVehicle;
    if (vehicles) {
        out += ",\"vehicle\":[";
        for (size_t i = 0; i < samples.size(); ++i) {
            const ExpectedSample& s = samples[i];
            const ExpectedVehicle& v = s.vehicle;
            out += i ? "," : "";
            if (!s.hasVehicle) {
                out += "null";
                continue;
            }
            out += "{\"steering\":" + floatText(v.steering) + ",\"pedal\":" + floatText(v.pedal)
                   + ",\"brake\":" + (v.brake ? "true" : "false") + ",\"blinker_left\":" + (v.left ? "true" : "false")
                   + ",\"blinker_right\":" + (v.right ? "true" : "false") + ",\"gear\":" + std::to_string(v.gear)
                   + ",\"assistance\":" + std::to_string(v.assistance) + "}";
        }
        out += ']';
    }
    out += ",\"key_max_speed\":" + std::to_string(maxSpeed(samples));
    out += std::string(",\"key_is_in_china\":") + (inChina(samples) ? "true" : "false");
    out += ",\"file\":" + jsonString(file) + "}\n";
    return out;
}
