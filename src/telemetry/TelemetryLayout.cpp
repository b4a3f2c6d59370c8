#include "TelemetryLayout.h"

namespace {

constexpr struct {
    TelemetryLayout layout;
    const char *name;
} kNames[] = {
    {TelemetryLayout::None, "none"},
    {TelemetryLayout::Unreadable, "unreadable"},
    {TelemetryLayout::NovatekTables, "novatek-nt9665"},
    {TelemetryLayout::NovatekIndex, "novatek-nt9666"},
    {TelemetryLayout::Icat6330, "icat6330"},
    {TelemetryLayout::FreeGps, "freegps"},
    {TelemetryLayout::FreeBox, "free-box"},
    {TelemetryLayout::TextTrack, "text-track"},
    {TelemetryLayout::NmeaFile, "nmea-file"},
    {TelemetryLayout::GpxFile, "gpx-file"},
};

} // namespace

const char *layoutName(TelemetryLayout layout)
{
    for (const auto &n : kNames)
        if (n.layout == layout)
            return n.name;
    return "none";
}

bool layoutFromName(const std::string &name, TelemetryLayout *layout)
{
    for (const auto &n : kNames)
        if (name == n.name) {
            *layout = n.layout;
            return true;
        }
    return false;
}
