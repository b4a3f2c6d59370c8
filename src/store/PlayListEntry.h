// One record of the play list: a file the user opened, with its telemetry.
#pragma once

#include "GpsSample.h"
#include "TelemetryLayout.h"
#include "TelemetrySample.h"
#include "WrittenMovie.h"
#include "redact/RedactMarks.h"

#include <QList>
#include <QMap>
#include <QString>

#include <atomic>
#include <memory>
#include <optional>
#include <vector>

struct ClipClock;

struct PlayListEntry {
    QString path;               // "key_path": the file URL's absolute text, percent escapes kept
    QList<GpsSample> gpsData;   // "key_gps_data"
    qint64 maxSpeed = 0;        // "key_max_speed", km/h
    bool isInChina = true;      // "key_is_in_china"
    bool active = false;        // "key_active_yn"
    // When the clip was recorded and how long it is, for grouping clips into trips:
    // ms on the count of ClipTime (the name's local time, else the first fix's UTC);
    // the movie header's duration in ms, -1 when unknown.
    std::optional<qint64> startMs;
    qint64 durationMs = -1;
    // Tells this entry from every other one made in this run, whatever rows come and go
    // around it; copies are the same entry. Not stored: the entries read at a start are
    // new entries.
    quint64 id = nextId();
    // The same samples as numbers, made once when the entry is read (not stored; the
    // store makes them for an entry that has none).
    std::shared_ptr<const std::vector<TelemetrySample>> telemetry = nullptr;
    // The layout its telemetry was read from; Unreadable when the camera wrote telemetry
    // that cannot be read (enciphered), which is no clip without telemetry.
    TelemetryLayout layout = TelemetryLayout::None;
    // The GPX file the user attached to the clip (File ▸ Attach GPS Track…), whose
    // samples the entry then holds; empty when none.
    QString attachedTrack = QString();
    // The clip's clock as the clip itself tells it (CameraClock::ofClip), worked out where
    // the samples are read; not stored. Null for an entry made elsewhere.
    std::shared_ptr<const ClipClock> clock = nullptr;
    // What the file itself is, as its headers tell when it was read: whole, empty, not a
    // video, or ending early. Not stored: entries read at a start are taken as whole.
    RecordingHealth health = RecordingHealth();
    // The areas to blur in the pictures of the clip's moment, by camera file name (the
    // clip's own and its other cameras', all in its folder); none kept for a camera
    // without marks.
    QMap<QString, RedactMarks> marks = {};

    // The typed samples: `telemetry`, or made from gpsData when the entry has none.
    std::shared_ptr<const std::vector<TelemetrySample>> typedSamples() const
    {
        if (telemetry)
            return telemetry;
        auto made = std::make_shared<std::vector<TelemetrySample>>();
        made->reserve(size_t(gpsData.size()));
        for (const GpsSample &s : gpsData)
            made->push_back(TelemetrySample::fromGps(s));
        return made;
    }

    static quint64 nextId()
    {
        static std::atomic<quint64> last{0};
        return ++last;
    }

    // The same record, whichever entry holds it.
    bool operator==(const PlayListEntry &o) const
    {
        return path == o.path && gpsData == o.gpsData && maxSpeed == o.maxSpeed &&
               isInChina == o.isInChina && active == o.active && startMs == o.startMs &&
               durationMs == o.durationMs && layout == o.layout && attachedTrack == o.attachedTrack &&
               marks == o.marks;
    }
};

using PlayList = QList<PlayListEntry>;
// The marks of one clip's moment, by camera file name (PlayListEntry::marks).
using MomentMarks = QMap<QString, RedactMarks>;
// The marks of clips no longer in the list, by the entry's path: a clip opened again
// gets its marks back.
using KeptMarks = QMap<QString, MomentMarks>;
