#include "SideFiles.h"

#include "AssistFile.h"
#include "BinaryFile.h"
#include "ClipTime.h"
#include "TelemetryMoment.h"

#include <expat.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

bool readWhole(const std::string &path, int64_t maxBytes, std::string *text)
{
    BinaryFile file;
    if (!file.open(path) || file.size() > maxBytes)
        return false;
    text->assign(size_t(file.size()), '\0');
    text->resize(file.readAt(0, text->data(), text->size()));
    return true;
}

std::string besideWith(const std::string &video, std::initializer_list<const char *> extensions)
{
    const size_t slash = video.rfind('/');
    const size_t dot = video.rfind('.');
    const std::string base = dot == std::string::npos || (slash != std::string::npos && dot < slash) ? video
                                                                                                    : video.substr(0, dot);
    for (const char *extension : extensions) {
        const std::string candidate = base + extension;
        if (candidate != video && BinaryFile::regularFileError(candidate) == 0)
            return candidate;
    }
    return {};
}

std::optional<double> number(std::optional<std::string_view> text)
{
    if (!text || text->empty() || text->size() > 32)
        return std::nullopt;
    const char c = (*text)[0];
    if (!((c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.'))
        return std::nullopt;
    const double v = read_leading_number(*text);
    return std::isfinite(v) ? std::optional<double>(v) : std::nullopt;
}

bool digits(std::string_view s, size_t from, size_t count, int *value)
{
    if (from + count > s.size())
        return false;
    int v = 0;
    for (size_t i = from; i < from + count; ++i) {
        if (s[i] < '0' || s[i] > '9')
            return false;
        v = v * 10 + (s[i] - '0');
    }
    *value = v;
    return true;
}

} // namespace

std::string SideFiles::nmeaBeside(const std::string &videoPath)
{
    return besideWith(videoPath, {".NMEA", ".nmea"});
}

std::string SideFiles::gpxBeside(const std::string &videoPath)
{
    return besideWith(videoPath, {".gpx", ".GPX"});
}

bool SideFiles::readNmea(const std::string &path, GpsReadResult *result)
{
    std::string text;
    if (!readWhole(path, kMaxNmeaBytes, &text))
        return false;
    std::vector<TelemetryMoment> rmc, gga;
    for (size_t at = text.find('$'); at != std::string::npos && rmc.size() < kMaxSamples && gga.size() < kMaxSamples;) {
        const size_t end = text.find_first_of("\r\n$", at + 1);
        const std::string_view line(text.data() + at, (end == std::string::npos ? text.size() : end) - at);
        at = end == std::string::npos ? end : text.find('$', end);
        TelemetryMoment m;
        const Moments::Sentence kind = Moments::parse(line, &m);
        if (kind == Moments::Sentence::Rmc)
            rmc.push_back(std::move(m));
        else if (kind == Moments::Sentence::Gga)
            gga.push_back(std::move(m));
    }
    const std::vector<TelemetryMoment> &chosen = rmc.empty() ? gga : rmc;
    if (chosen.empty())
        return false;
    for (const TelemetryMoment &m : chosen)
        Moments::append(result, m);
    Moments::finish(result, TelemetryLayout::NmeaFile);
    return true;
}

bool SideFiles::readGpx(const std::string &path, GpsReadResult *result)
{
    GpxTrack track;
    if (!track.load(path))
        return false;
    for (const GpxTrack::Point &p : track.points()) {
        if (result->videoDatas.size() >= kMaxSamples)
            break;
        TelemetryMoment m;
        m.hasFix = true;
        m.latitude = p.latitude;
        m.longitude = p.longitude;
        m.utcMs = p.utcMs;
        m.hasSpeed = p.speed.has_value();
        m.speedKmh = p.speed.value_or(0) * 3.6;
        m.hasCourse = p.course.has_value();
        m.course = p.course.value_or(0);
        Moments::append(result, m);
    }
    Moments::finish(result, TelemetryLayout::GpxFile);
    return true;
}

bool GpxTrack::parseTime(std::string_view s, int64_t *utcMs)
{
    int y, mo, d, h, mi, se;
    if (!digits(s, 0, 4, &y) || s.size() < 19 || s[4] != '-' || !digits(s, 5, 2, &mo) || s[7] != '-' ||
        !digits(s, 8, 2, &d) || (s[10] != 'T' && s[10] != ' ') || !digits(s, 11, 2, &h) || s[13] != ':' ||
        !digits(s, 14, 2, &mi) || s[16] != ':' || !digits(s, 17, 2, &se))
        return false;
    if (y < 1 || !ClipTime::validDate(y, mo, d) || !ClipTime::validClock(h, mi, se))
        return false;
    size_t i = 19;
    int64_t fractionMs = 0;
    if (i < s.size() && s[i] == '.') {
        int64_t scale = 100;
        for (++i; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i, scale /= 10)
            fractionMs += (s[i] - '0') * scale;
    }
    int64_t zoneMs = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        int zh = 0, zm = 0;
        const bool colon = i + 3 < s.size() && s[i + 3] == ':';
        if (!digits(s, i + 1, 2, &zh) || !digits(s, i + (colon ? 4 : 3), 2, &zm) || zh > 14 || zm > 59)
            return false;
        zoneMs = (int64_t(zh) * 60 + zm) * 60000 * (s[i] == '-' ? -1 : 1);
    }
    *utcMs = ClipTime::toMs(CivilTime{y, mo, d, h, mi, se}) + fractionMs - zoneMs;
    return true;
}

namespace {

// The track points of a GPX text through expat: each `trkpt` element (any prefix) with
// its lat and lon attributes and the text of its time, ele, speed and course children
// (any prefix, so Garmin's extension counts too). A point counts once its element has
// ended, or when the next point starts inside it. The parse stops, keeping the points
// read so far, at the first error (a file cut short, text that is no XML), at an entity
// declaration (nothing is ever expanded or fetched) and at kMaxPoints points.
class GpxPoints {
public:
    explicit GpxPoints(std::vector<GpxTrack::Point> *out) : m_out(out), m_parser(XML_ParserCreate(nullptr))
    {
        XML_SetUserData(m_parser, this);
        XML_SetElementHandler(m_parser, &GpxPoints::onStart, &GpxPoints::onEnd);
        XML_SetCharacterDataHandler(m_parser, &GpxPoints::onText);
        XML_SetEntityDeclHandler(m_parser, &GpxPoints::onEntity);
        XML_SetParamEntityParsing(m_parser, XML_PARAM_ENTITY_PARSING_NEVER);
    }
    ~GpxPoints() { XML_ParserFree(m_parser); }
    GpxPoints(const GpxPoints &) = delete;
    GpxPoints &operator=(const GpxPoints &) = delete;

    // The whole text in one call: expat then reads every token once.
    void parse(std::string_view text)
    {
        if (text.size() > size_t(std::numeric_limits<int>::max()))
            return;
        XML_Parse(m_parser, text.data(), int(text.size()), XML_TRUE);
    }

private:
    enum class Field { None, Time, Ele, Speed, Course };

    static std::string_view local(const XML_Char *name)
    {
        std::string_view n(name);
        const size_t colon = n.rfind(':');
        return colon == std::string_view::npos ? n : n.substr(colon + 1);
    }

    static void XMLCALL onStart(void *self, const XML_Char *name, const XML_Char **attributes)
    {
        static_cast<GpxPoints *>(self)->start(local(name), attributes);
    }
    static void XMLCALL onEnd(void *self, const XML_Char *name) { static_cast<GpxPoints *>(self)->end(local(name)); }
    static void XMLCALL onText(void *self, const XML_Char *text, int length)
    {
        GpxPoints *p = static_cast<GpxPoints *>(self);
        if (p->m_field != Field::None && p->m_text.size() + size_t(length) <= kMaxFieldBytes)
            p->m_text.append(text, size_t(length));
    }
    static void XMLCALL onEntity(void *self, const XML_Char *, int, const XML_Char *, int, const XML_Char *,
                                 const XML_Char *, const XML_Char *, const XML_Char *)
    {
        XML_StopParser(static_cast<GpxPoints *>(self)->m_parser, XML_FALSE);
    }

    void start(std::string_view name, const XML_Char **attributes)
    {
        if (name == "trkpt") {
            if (m_inPoint)
                finishPoint();
            m_inPoint = true;
            m_point = Pending();
            for (const XML_Char **a = attributes; a[0] && a[1]; a += 2) {
                const std::string_view key = local(a[0]);
                if (key == "lat")
                    m_point.lat = number(std::string_view(a[1]));
                else if (key == "lon")
                    m_point.lon = number(std::string_view(a[1]));
            }
            return;
        }
        if (!m_inPoint || m_field != Field::None)
            return;
        m_field = name == "time" ? Field::Time : name == "ele" ? Field::Ele : name == "speed" ? Field::Speed
                                                 : name == "course" ? Field::Course : Field::None;
        m_text.clear();
    }

    void end(std::string_view name)
    {
        if (name == "trkpt") {
            if (m_inPoint)
                finishPoint();
            return;
        }
        if (m_field == Field::None)
            return;
        std::string_view text(m_text);
        while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\r' || text.front() == '\n'))
            text.remove_prefix(1);
        while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' || text.back() == '\n'))
            text.remove_suffix(1);
        std::optional<std::string> &slot = m_field == Field::Time ? m_point.time : m_field == Field::Ele ? m_point.ele
                                           : m_field == Field::Speed ? m_point.speed : m_point.course;
        if (!slot)   // the first of each counts
            slot = std::string(text);
        m_field = Field::None;
    }

    void finishPoint()
    {
        m_inPoint = false;
        m_field = Field::None;
        const Pending &q = m_point;
        if (!q.lat || !q.lon || *q.lat < -90 || *q.lat > 90 || *q.lon < -180 || *q.lon > 180)
            return;
        GpxTrack::Point p;
        p.latitude = *q.lat;
        p.longitude = *q.lon;
        int64_t ms = 0;
        if (q.time && GpxTrack::parseTime(*q.time, &ms))
            p.utcMs = ms;
        const auto value = [](const std::optional<std::string> &t) {
            return t ? number(std::string_view(*t)) : std::nullopt;
        };
        p.elevation = value(q.ele);
        p.speed = value(q.speed);
        if (p.speed && *p.speed < 0)
            p.speed.reset();
        p.course = value(q.course);
        if (p.course && (*p.course < 0 || *p.course > 360))
            p.course.reset();
        m_out->push_back(p);
        if (m_out->size() >= GpxTrack::kMaxPoints)
            XML_StopParser(m_parser, XML_FALSE);
    }

    struct Pending {
        std::optional<double> lat, lon;
        std::optional<std::string> time, ele, speed, course;
    };
    static constexpr size_t kMaxFieldBytes = 64;

    std::vector<GpxTrack::Point> *m_out;
    XML_Parser m_parser;
    bool m_inPoint = false;
    Pending m_point;
    Field m_field = Field::None;
    std::string m_text;
};

} // namespace

std::vector<GpxTrack::Point> GpxTrack::parse(std::string_view text)
{
    std::vector<Point> out;
    GpxPoints points(&out);
    points.parse(text);
    return out;
}

bool GpxTrack::load(const std::string &path)
{
    m_points.clear();
    m_timed.clear();
    std::string text;
    if (!readWhole(path, kMaxBytes, &text))
        return false;
    m_points = parse(text);
    for (size_t i = 0; i < m_points.size(); ++i)
        if (m_points[i].utcMs)
            m_timed.push_back(i);
    std::stable_sort(m_timed.begin(), m_timed.end(),
                     [this](size_t a, size_t b) { return *m_points[a].utcMs < *m_points[b].utcMs; });
    return !m_points.empty();
}

std::optional<std::pair<int64_t, int64_t>> GpxTrack::span() const
{
    if (m_timed.size() < 2)
        return std::nullopt;
    return std::make_pair(*m_points[m_timed.front()].utcMs, *m_points[m_timed.back()].utcMs);
}

int64_t GpxTrack::overlapMs(int64_t startUtcMs, int64_t durationMs) const
{
    const auto s = span();
    if (!s || durationMs <= 0)
        return 0;
    return std::max<int64_t>(0, std::min(s->second, startUtcMs + durationMs) - std::max(s->first, startUtcMs));
}

GpsReadResult GpxTrack::samplesFor(int64_t startUtcMs, int64_t durationMs) const
{
    GpsReadResult result;
    if (m_timed.empty() || durationMs <= 0)
        return result;
    const int64_t seconds = (std::min(durationMs, kMaxClipMs) + 999) / 1000;
    size_t after = 0;   // the first timed point at or after the moment
    for (int64_t k = 0; k < seconds; ++k) {
        const int64_t t = startUtcMs + k * 1000;
        while (after < m_timed.size() && *m_points[m_timed[after]].utcMs < t)
            ++after;
        TelemetryMoment m;
        m.utcMs = t;
        const Point *b = after < m_timed.size() ? &m_points[m_timed[after]] : nullptr;
        const Point *a = after > 0 ? &m_points[m_timed[after - 1]] : nullptr;
        if (b && *b->utcMs == t)
            a = b;
        if (a && b && *b->utcMs - *a->utcMs <= kMaxGapMs) {
            const double span = double(*b->utcMs - *a->utcMs);
            const double f = span > 0 ? double(t - *a->utcMs) / span : 0;
            m.hasFix = true;
            m.latitude = a->latitude + (b->latitude - a->latitude) * f;
            m.longitude = a->longitude + (b->longitude - a->longitude) * f;
            if (a->speed && b->speed) {
                m.hasSpeed = true;
                m.speedKmh = (*a->speed + (*b->speed - *a->speed) * f) * 3.6;
            }
            if (a->course && b->course) {
                m.hasCourse = true;
                m.course = std::fmod(*a->course + std::remainder(*b->course - *a->course, 360.0) * f + 360.0, 360.0);
            }
        }
        Moments::append(&result, m);
    }
    Moments::finish(&result, TelemetryLayout::GpxFile);
    return result;
}
