#include "ClockReport.h"

#include "TextEscape.h"

namespace {

std::string jsonText(const std::string &text)
{
    return text.empty() ? std::string("null") : TextEscape::json(text);
}

std::string attribute(const char *name, const std::string &value)
{
    return value.empty() ? std::string() : std::string(" ") + name + "=\"" + TextEscape::xml(value) + '"';
}

struct Fields {
    std::string start, utcStart, cameraStart, error, errorFrom;
};

Fields fieldsOf(const ClipClock &c, TimeBasis basis)
{
    Fields f;
    f.start = TrackTime::momentText(c.utcStartMs, c.cameraStartMs, basis);
    if (c.utcStartMs)
        f.utcStart = TrackTime::utcText(*c.utcStartMs);
    if (c.cameraStartMs)
        f.cameraStart = TrackTime::cameraText(*c.cameraStartMs);
    if (c.errorMs) {
        f.error = std::to_string(*c.errorMs);
        f.errorFrom = c.errorFromOtherClips ? "trip" : "clip";
    }
    return f;
}

} // namespace

std::string ClockReport::json(const ClipClock &clock, TimeBasis basis)
{
    const Fields f = fieldsOf(clock, basis);
    return "{\"start\":" + jsonText(f.start) + ",\"utc_start\":" + jsonText(f.utcStart) +
           ",\"camera_start\":" + jsonText(f.cameraStart) + ",\"source\":\"" +
           CameraClock::sourceName(clock.source) + "\",\"camera_error_ms\":" + (f.error.empty() ? "null" : f.error) +
           ",\"error_from\":" + jsonText(f.errorFrom) + ",\"outcome\":\"" +
           CameraClock::outcomeName(clock.reading.outcome) + "\"}";
}

std::string ClockReport::xml(const ClipClock &clock, const std::string &file, TimeBasis basis)
{
    const Fields f = fieldsOf(clock, basis);
    return std::string("<veltra:clock xmlns:veltra=\"") + kNamespace + '"' + attribute("file", file) +
           attribute("start", f.start) + attribute("utcStart", f.utcStart) + attribute("cameraStart", f.cameraStart) +
           attribute("source", CameraClock::sourceName(clock.source)) + attribute("cameraErrorMs", f.error) +
           attribute("errorFrom", f.errorFrom) + attribute("outcome", CameraClock::outcomeName(clock.reading.outcome)) +
           "/>";
}
