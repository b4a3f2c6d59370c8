#include "SideFiles.h"

#include "AssistFile.h"
#include "BinaryFile.h"
#include "ClipTime.h"
#include "TelemetryMoment.h"

#include <algorithm>
#include <cmath>
#include <cstring>

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

bool startsWith(std::string_view text, size_t at, std::string_view what)
{
    return text.size() >= at + what.size() && text.compare(at, what.size(), what) == 0;
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The value of attribute `name` in a start tag's text.
std::optional<std::string_view> attribute(std::string_view tag, std::string_view name)
{
    for (size_t at = tag.find(name); at != std::string_view::npos; at = tag.find(name, at + 1)) {
        if (at == 0 || !isSpace(tag[at - 1]))
            continue;
        size_t i = at + name.size();
        while (i < tag.size() && isSpace(tag[i]))
            ++i;
        if (i >= tag.size() || tag[i] != '=')
            continue;
        ++i;
        while (i < tag.size() && isSpace(tag[i]))
            ++i;
        if (i >= tag.size() || (tag[i] != '"' && tag[i] != '\''))
            continue;
        const size_t close = tag.find(tag[i], i + 1);
        if (close == std::string_view::npos)
            return std::nullopt;
        return tag.substr(i + 1, close - i - 1);
    }
    return std::nullopt;
}

// The text of the first child element whose local name (without a prefix) is `name`.
std::optional<std::string_view> child(std::string_view body, std::string_view name)
{
    for (size_t at = body.find('<'); at != std::string_view::npos; at = body.find('<', at + 1)) {
        size_t i = at + 1;
        size_t end = i;
        while (end < body.size() && !isSpace(body[end]) && body[end] != '>' && body[end] != '/')
            ++end;
        std::string_view tag = body.substr(i, end - i);
        const size_t colon = tag.rfind(':');
        if (colon != std::string_view::npos)
            tag.remove_prefix(colon + 1);
        if (tag != name)
            continue;
        const size_t open = body.find('>', end);
        if (open == std::string_view::npos || body[open - 1] == '/')
            return std::nullopt;
        const size_t close = body.find('<', open + 1);
        if (close == std::string_view::npos)
            return std::nullopt;
        std::string_view text = body.substr(open + 1, close - open - 1);
        while (!text.empty() && isSpace(text.front()))
            text.remove_prefix(1);
        while (!text.empty() && isSpace(text.back()))
            text.remove_suffix(1);
        return text;
    }
    return std::nullopt;
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

std::vector<GpxTrack::Point> GpxTrack::parse(std::string_view text)
{
    std::vector<Point> out;
    for (size_t at = text.find('<'); at != std::string_view::npos && out.size() < kMaxPoints;) {
        if (startsWith(text, at, "<!--")) {
            const size_t end = text.find("-->", at + 4);
            at = end == std::string_view::npos ? end : text.find('<', end + 3);
            continue;
        }
        if (startsWith(text, at, "<![CDATA[")) {
            const size_t end = text.find("]]>", at + 9);
            at = end == std::string_view::npos ? end : text.find('<', end + 3);
            continue;
        }
        if (!startsWith(text, at, "<trkpt") || at + 6 >= text.size() ||
            !(isSpace(text[at + 6]) || text[at + 6] == '>' || text[at + 6] == '/')) {
            at = text.find('<', at + 1);
            continue;
        }
        const size_t tagEnd = text.find('>', at);
        if (tagEnd == std::string_view::npos)
            break;
        const std::string_view tag = text.substr(at + 6, tagEnd - at - 6);
        std::string_view body;
        size_t next = tagEnd + 1;   // where the search for the next element starts
        if (text[tagEnd - 1] != '/') {
            const size_t close = text.find("</", tagEnd);
            size_t end = text.find("<trkpt", tagEnd);
            for (size_t c = close; c != std::string_view::npos && c < (end == std::string_view::npos ? text.size() : end);
                 c = text.find("</", c + 2))
                if (startsWith(text, c, "</trkpt")) {
                    end = c;
                    break;
                }
            if (end == std::string_view::npos)
                break;   // cut short inside its last point
            body = text.substr(tagEnd + 1, end - tagEnd - 1);
            next = startsWith(text, end, "</") ? end + 1 : end;
        }
        at = text.find('<', next);
        const auto lat = number(attribute(tag, "lat")), lon = number(attribute(tag, "lon"));
        if (!lat || !lon || *lat < -90 || *lat > 90 || *lon < -180 || *lon > 180)
            continue;
        Point p;
        p.latitude = *lat;
        p.longitude = *lon;
        int64_t ms = 0;
        if (const auto time = child(body, "time"); time && parseTime(*time, &ms))
            p.utcMs = ms;
        p.elevation = number(child(body, "ele"));
        p.speed = number(child(body, "speed"));
        if (p.speed && *p.speed < 0)
            p.speed.reset();
        p.course = number(child(body, "course"));
        if (p.course && (*p.course < 0 || *p.course > 360))
            p.course.reset();
        out.push_back(p);
    }
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
