#include "TripDocument.h"

#include "ClipTime.h"
#include "CsvWriter.h"
#include "ExtractJob.h"
#include "GpxWriter.h"
#include "KmlWriter.h"
#include "TrackTime.h"

std::vector<TripClip> TripDocument::tripClips(const std::vector<ClipRecord> &clips)
{
    std::vector<TripClip> out;
    out.reserve(clips.size());
    for (const ClipRecord &c : clips) {
        const std::string &named = c.result.path.empty() ? c.file : c.result.path;
        out.push_back(TripClip{c.file, ClipTime::startMs(named, c.result), c.durationMs, ClipTime::channel(named)});
    }
    return out;
}

std::string TripDocument::name(const Trip &trip, const std::vector<ClipRecord> &clips)
{
    if (!trip.startMs || !trip.endMs)
        return trip.clips.empty() ? std::string() : clips[trip.clips.front()].file;
    const std::string start = TrackTime::localText(ClipTime::fromMs(*trip.startMs));
    const std::string end = TrackTime::localText(ClipTime::fromMs(*trip.endMs));
    std::string text = start.substr(0, 10) + ' ' + start.substr(11) + " to " +
                       (end.substr(0, 10) == start.substr(0, 10) ? end.substr(11) : end.substr(0, 10) + ' ' + end.substr(11));
    text += " (";
    if (trip.channel)
        text += ClipTime::channelName(trip.channel) + ", ";
    text += std::to_string(trip.clips.size()) + (trip.clips.size() == 1 ? " clip)" : " clips)");
    return text;
}

namespace {

// "2026-11-08T08:30:00.5+01:00" as its date, its whole seconds and what follows them
// in a trip's name (" UTC", " +01:00" or nothing).
struct TimeParts {
    std::string date, time, zone;
};

TimeParts partsOf(const std::string &iso)
{
    TimeParts p;
    const size_t t = iso.find('T');
    if (t == std::string::npos || iso.size() < t + 9)
        return p;
    p.date = iso.substr(0, t);
    p.time = iso.substr(t + 1, 8);
    size_t rest = t + 9;
    while (rest < iso.size() && (iso[rest] == '.' || (iso[rest] >= '0' && iso[rest] <= '9')))
        ++rest;
    const std::string zone = iso.substr(rest);
    p.zone = zone == "Z" ? " UTC" : zone.empty() ? "" : ' ' + zone;
    return p;
}

} // namespace

std::string TripDocument::name(const Trip &trip, const std::vector<ClipRecord> &clips,
                               const std::vector<ClipClock> &clocks, TimeBasis basis)
{
    if (!trip.startMs || !trip.endMs || trip.clips.empty() || clocks.size() != clips.size())
        return trip.clips.empty() ? std::string() : clips[trip.clips.front()].file;
    // The end is that of the clip that ends last, on its own clock.
    size_t last = trip.clips.front();
    int64_t latest = INT64_MIN;
    for (const size_t i : trip.clips) {
        const auto start = clocks[i].isUtc() ? clocks[i].utcStartMs : clocks[i].cameraStartMs;
        const int64_t end = start.value_or(0) + std::max<int64_t>(0, clips[i].durationMs);
        if (start && end > latest) {
            latest = end;
            last = i;
        }
    }
    const ClipClock &first = clocks[trip.clips.front()], &ending = clocks[last];
    const int64_t length = std::max<int64_t>(0, clips[last].durationMs);
    const TimeParts start = partsOf(TrackTime::momentText(first.utcAt(0), first.cameraAt(0), basis));
    const TimeParts end = partsOf(TrackTime::momentText(ending.utcAt(length), ending.cameraAt(length), basis));
    std::string text = start.date + ' ' + start.time + (start.zone != end.zone ? start.zone : "") + " to " +
                       (end.date == start.date ? end.time : end.date + ' ' + end.time) + end.zone + " (";
    if (trip.channel)
        text += std::string(1, trip.channel) + ", ";
    text += std::to_string(trip.clips.size()) + (trip.clips.size() == 1 ? " clip)" : " clips)");
    return text;
}

std::string TripDocument::write(ExtractorOptions::Format format, const std::vector<ClipRecord> &clips, int64_t gapMs,
                                const ExportStyle &style)
{
    using F = ExtractorOptions::Format;
    const bool onClock = style.time != TimeBasis::Reader;
    const std::vector<TripClip> grouped = tripClips(clips);
    std::vector<ClipClock> clocks;
    if (onClock) {
        const int64_t now = ExtractJob::now(style.nowMs);
        for (const ClipRecord &c : clips)
            clocks.push_back(ExtractJob::clockOf(c, now));
        CameraClock::shareErrors(clocks, grouped, gapMs);
    }
    const std::vector<Trip> trips =
        onClock ? CameraClock::trueTimeTrips(grouped, clocks, gapMs) : groupTrips(grouped, gapMs);
    std::string out;
    switch (format) {
    case F::Gpx: out = GpxWriter::header(); break;
    case F::Kml: out = KmlWriter::header(); break;
    case F::Csv: out = CsvWriter::header(true, style); break;
    case F::Json: return {};
    }
    for (size_t t = 0; t < trips.size(); ++t) {
        std::vector<ClipView> members;
        for (const size_t i : trips[t].clips)
            members.push_back(ClipView{clips[i].result, clips[i].file, onClock ? &clocks[i] : nullptr});
        const std::string tripName = onClock ? name(trips[t], clips, clocks, style.time) : name(trips[t], clips);
        switch (format) {
        case F::Gpx: out += GpxWriter::track(members, tripName, style); break;
        case F::Kml: out += KmlWriter::placemark(members, tripName, style); break;
        case F::Csv:
            for (const ClipView &c : members)
                out += CsvWriter::rows(c, style, static_cast<int>(t + 1));
            break;
        case F::Json: break;
        }
    }
    if (format == F::Gpx)
        out += GpxWriter::footer();
    else if (format == F::Kml)
        out += KmlWriter::footer();
    return out;
}
