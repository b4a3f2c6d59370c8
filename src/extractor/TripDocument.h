// A whole export grouped into trips: the clips are grouped as the play list groups
// them (groupTrips over their recording times, channels and durations) and written
// as one document, one GPX track, KML placemark or run of CSV rows per trip. Both
// `veltra-gps --trips` and the player's track export write through here, so the same
// clips give the same bytes.
#pragma once

#include "ClipRecord.h"
#include "ExtractorOptions.h"
#include "TripGrouping.h"

#include <string>
#include <vector>

class TripDocument {
public:
    TripDocument() = delete;

    // What grouping needs of each clip, in the same order.
    static std::vector<TripClip> tripClips(const std::vector<ClipRecord> &clips);

    // "2026-11-08 09:30:00 to 09:33:05 (F, 3 clips)", the end with its date when it
    // falls on another day, the channel by ClipTime::channelName ("left_repeater" for a
    // side camera) and without it when there is none; the file of a
    // clip without a recording time.
    static std::string name(const Trip &trip, const std::vector<ClipRecord> &clips);

    // The same on `basis` (not Reader), from the clips' clocks (clocks[i] for clips[i]):
    // "2026-11-08 08:30:00 to 08:30:30 UTC (3 clips)", "… +01:00 (…)" in a zone (each
    // time with its own offset when they differ), nothing after the times on the
    // camera's clock; a time that is not known on `basis` is given as TrackTime says.
    static std::string name(const Trip &trip, const std::vector<ClipRecord> &clips,
                            const std::vector<ClipClock> &clocks, TimeBasis basis);

    // The track file's text in `format` (gpx, kml or csv; json gives nothing). With
    // `style.time` the clips are grouped on their corrected starts (each clip's clock,
    // the camera's error shared between the clips: CameraClock::shareErrors), the trips
    // named on that clock and the writers told it; `style.clean` goes to the writers.
    static std::string write(ExtractorOptions::Format format, const std::vector<ClipRecord> &clips,
                             int64_t gapMs = kDefaultTripGapMs, const ExportStyle &style = ExportStyle());
};
