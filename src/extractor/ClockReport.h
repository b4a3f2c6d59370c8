// The clock of a clip as veltra-gps --time reports it: a "clock" object on the json
// line, and a veltra:clock element among the extensions of gpx and kml, in a namespace
// of our own declared on the element itself (so the documents' heads stay as they are).
#pragma once

#include "CameraClock.h"
#include "TrackTime.h"

#include <string>

class ClockReport {
public:
    ClockReport() = delete;

    static constexpr const char *kNamespace = "urn:veltra-player:clock:1";

    // {"start":…,"utc_start":"…Z","camera_start":"…","source":"gps|name|movie|none",
    //  "camera_error_ms":N,"error_from":"clip|trip","outcome":"measured|…"}: the start
    // on `basis`, null for what is not known.
    static std::string json(const ClipClock &clock, TimeBasis basis);

    // <veltra:clock xmlns:veltra="…" file="…" start="…" utcStart="…" cameraStart="…"
    // source="…" cameraErrorMs="…" errorFrom="…" outcome="…"/>, without the attributes
    // that are not known.
    static std::string xml(const ClipClock &clock, const std::string &file, TimeBasis basis);
};
