#include "SamplePosition.h"

#include "NumberFormat.h"

namespace {

bool plainDecimal(const std::string &text)
{
    size_t i = text.size() > 0 && text[0] == '-' ? 1 : 0;
    const size_t intStart = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9')
        ++i;
    if (i == intStart)
        return false;
    if (i == text.size())
        return true;
    if (text[i] != '.')
        return false;
    const size_t fracStart = ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9')
        ++i;
    return i > fracStart && i == text.size();
}

// The coordinate text itself when it is a plain decimal (so no digit is lost),
// otherwise the number read from it.
std::string coordinateText(const std::string &text, double value)
{
    return plainDecimal(text) ? text : NumberFormat::decimal(value, 9);
}

} // namespace

bool SamplePosition::of(const GpsSample &sample, SamplePosition *position)
{
    double lat, lon;
    if (!NumberFormat::leadingNumber(sample.gps_lat, &lat) ||
        !NumberFormat::leadingNumber(sample.gps_lgt, &lon))
        return false;
    if (lat < -90 || lat > 90 || lon < -180 || lon > 180)
        return false;
    position->latitude = lat;
    position->longitude = lon;
    position->latitudeText = coordinateText(sample.gps_lat, lat);
    position->longitudeText = lon == 180 ? std::string("-180") : coordinateText(sample.gps_lgt, lon);
    return true;
}
