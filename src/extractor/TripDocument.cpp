#include "TripDocument.h"

#include "ClipTime.h"
#include "CsvWriter.h"
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

std::string TripDocument::write(ExtractorOptions::Format format, const std::vector<ClipRecord> &clips, int64_t gapMs)
{
    using F = ExtractorOptions::Format;
    const std::vector<Trip> trips = groupTrips(tripClips(clips), gapMs);
    std::string out;
    switch (format) {
    case F::Gpx: out = GpxWriter::header(); break;
    case F::Kml: out = KmlWriter::header(); break;
    case F::Csv: out = CsvWriter::header(true); break;
    case F::Json: return {};
    }
    for (size_t t = 0; t < trips.size(); ++t) {
        std::vector<const ClipRecord *> members;
        for (const size_t i : trips[t].clips)
            members.push_back(&clips[i]);
        switch (format) {
        case F::Gpx: out += GpxWriter::track(members, name(trips[t], clips)); break;
        case F::Kml: out += KmlWriter::placemark(members, name(trips[t], clips)); break;
        case F::Csv:
            for (const ClipRecord *c : members)
                out += CsvWriter::rows(c->result, c->file, static_cast<int>(t + 1));
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
