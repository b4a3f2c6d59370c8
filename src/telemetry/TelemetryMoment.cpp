#include "TelemetryMoment.h"

#include "AssistFile.h"
#include "ClipTime.h"
#include "GpsDataHelper.h"

#include <cmath>
#include <cstdio>

namespace Moments {

namespace {

constexpr size_t kMaxNumberField = 32;

std::string degreesText(double v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.6f", v);
    return text;
}

int roundedKmh(double kmh)
{
    if (!(kmh >= 0) || kmh > 100000)
        return 0;
    return int(std::lround(kmh));
}

std::string_view withoutChecksum(std::string_view s)
{
    const size_t star = s.find('*');
    if (star != std::string_view::npos)
        s = s.substr(0, star);
    while (!s.empty() && (s.back() == '\r' || s.back() == '\n' || s.back() == ' ' || s.back() == '\0'))
        s.remove_suffix(1);
    return s;
}

// "GPRMC" / "$GNRMC" / "$GLGGA": the sentence type after a two-letter talker.
bool isType(std::string_view head, const char *type)
{
    if (!head.empty() && head[0] == '$')
        head.remove_prefix(1);
    return head.size() == 5 && head.substr(2) == type;
}

std::optional<int64_t> rmcTime(std::string_view time, std::string_view date)
{
    if (time.size() > 12 || date.size() != 6)
        return std::nullopt;
    return ClipTime::sentenceMs(SentenceTime{std::string(time), std::string(date)});
}

// The core's text of a coordinate: the Novatek rule for four or five decimals of
// minutes, else the degrees with six decimals.
std::string coordinateText(std::string_view value, std::string_view hemisphere, double degrees)
{
    std::string text;
    parse_coordinate(value, hemisphere, text);
    if (text.empty() || text == "0")
        text = degreesText(degrees);
    return text;
}

} // namespace

bool nmeaDegrees(std::string_view value, std::string_view hemisphere, double maxDegrees, double *degrees)
{
    if (value.empty() || value.size() > kMaxNumberField || hemisphere.size() != 1)
        return false;
    for (const char c : value)
        if ((c < '0' || c > '9') && c != '.')
            return false;
    const double v = read_leading_number(value);
    const double whole = std::floor(v / 100);
    const double minutes = v - whole * 100;
    if (!(minutes >= 0 && minutes < 60))
        return false;
    const double d = whole + minutes / 60;
    if (d > maxDegrees)
        return false;
    const char h = hemisphere[0];
    const bool negative = h == 'S' || h == 'W';
    if (h != 'N' && h != 'S' && h != 'E' && h != 'W')
        return false;
    *degrees = negative ? -d : d;
    return true;
}

Sentence parse(std::string_view sentence, TelemetryMoment *m)
{
    sentence = withoutChecksum(sentence);
    const std::vector<std::string_view> f = split_nmea_fields(sentence);
    const auto field = [&f](size_t i) { return i < f.size() ? f[i] : std::string_view(); };
    if (isType(f[0], "RMC")) {
        if (f.size() < 10)
            return Sentence::None;
        TelemetryMoment r;
        r.utcMs = rmcTime(field(1), field(9));
        if (field(2) == "A") {
            double lat = 0, lon = 0;
            if (!nmeaDegrees(field(3), field(4), 90, &lat) || !nmeaDegrees(field(5), field(6), 180, &lon))
                return Sentence::None;
            r.hasFix = true;
            r.latitude = lat;
            r.longitude = lon;
            r.latitudeText = coordinateText(field(3), field(4), lat);
            r.longitudeText = coordinateText(field(5), field(6), lon);
            if (!field(7).empty() && field(7).size() <= kMaxNumberField) {
                r.hasSpeed = true;
                r.speedKmh = read_leading_number(field(7)) * kKmhPerKnot;
            }
            if (!field(8).empty() && field(8).size() <= kMaxNumberField) {
                const double course = read_leading_number(field(8));
                r.hasCourse = course >= 0 && course <= 360;
                r.course = r.hasCourse ? course : 0;
            }
        } else if (field(2) != "V") {
            return Sentence::None;
        }
        const bool hasG = m->hasG;
        const float gx = m->gx, gy = m->gy, gz = m->gz;
        *m = r;
        m->hasG = hasG, m->gx = gx, m->gy = gy, m->gz = gz;
        return Sentence::Rmc;
    }
    if (isType(f[0], "GGA")) {
        if (f.size() < 7)
            return Sentence::None;
        if (field(6).empty() || field(6) == "0")
            return Sentence::Gga;
        double lat = 0, lon = 0;
        if (!nmeaDegrees(field(2), field(3), 90, &lat) || !nmeaDegrees(field(4), field(5), 180, &lon))
            return Sentence::None;
        m->hasFix = true;
        m->latitude = lat;
        m->longitude = lon;
        m->latitudeText = coordinateText(field(2), field(3), lat);
        m->longitudeText = coordinateText(field(4), field(5), lon);
        return Sentence::Gga;
    }
    return Sentence::None;
}

SentenceTime sentenceTime(int64_t utcMs)
{
    const CivilTime c = ClipTime::fromMs(utcMs);
    if (c.year < 1980 || c.year > 2079)
        return {};
    char time[16], date[8];
    const int ms = int(((utcMs % 1000) + 1000) % 1000);
    if (ms)
        std::snprintf(time, sizeof time, "%02d%02d%02d.%03d", c.hour, c.minute, c.second, ms);
    else
        std::snprintf(time, sizeof time, "%02d%02d%02d", c.hour, c.minute, c.second);
    std::snprintf(date, sizeof date, "%02d%02d%02d", c.day, c.month, c.year % 100);
    return SentenceTime{time, date};
}

void append(GpsReadResult *result, const TelemetryMoment &m)
{
    GpsSample s;
    TelemetrySample t;
    t.hasFix = m.hasFix;
    if (m.hasFix) {
        s.gps_lat = m.latitudeText.empty() ? degreesText(m.latitude) : m.latitudeText;
        s.gps_lgt = m.longitudeText.empty() ? degreesText(m.longitude) : m.longitudeText;
        t.latitude = GpsDataHelper::textToFloat(s.gps_lat);
        t.longitude = GpsDataHelper::textToFloat(s.gps_lgt);
    }
    t.hasSpeed = m.hasSpeed;
    t.speedKmh = s.spd = m.hasSpeed ? roundedKmh(m.speedKmh) : 0;
    t.hasCourse = m.hasCourse;
    t.course = s.north_angle = m.hasCourse ? m.course : 0;
    t.hasG = m.hasG;
    if (m.hasG) {
        t.gx = s.gsensor_x = m.gx;
        t.gy = s.gsensor_y = m.gy;
        t.gz = s.gsensor_z = m.gz;
    }
    t.utcMs = m.utcMs;
    result->videoDatas.push_back(std::move(s));
    result->times.push_back(m.utcMs ? sentenceTime(*m.utcMs) : SentenceTime{});
    result->samples.push_back(t);
}

void finish(GpsReadResult *result, TelemetryLayout layout)
{
    result->layout = layout;
    result->maxSpeed = 0;
    for (const GpsSample &s : result->videoDatas)
        result->maxSpeed = std::max(result->maxSpeed, s.spd);
    result->isInChina = true;
    if (!result->videoDatas.empty()) {
        const float lat = GpsDataHelper::textToFloat(result->videoDatas.back().gps_lat);
        const float lgt = GpsDataHelper::textToFloat(result->videoDatas.back().gps_lgt);
        if (lat != 0 && lgt != 0)
            result->isInChina = GpsDataHelper::locationInChina(lat, lgt);
    }
}

} // namespace Moments
