// The telemetry of the drive being played, for everything that shows it: the samples
// of the playing clip and of its trip (typed once, when the store read them), and for
// each tick of the clock the one moment they are at. The index rule runs here and only
// here; the panels, the map, the timeline, the media controls and the captions all
// show the moment it gives.
//
// It follows the play queue (follow, followTrip) and the playback session (setDuration,
// tick); the composition root connects them.
#pragma once

#include "store/PlayListEntry.h"

#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <memory>
#include <optional>
#include <vector>

// An entry's typed samples, clean with their GPS glitches marked (GpsGlitches), raw as
// the reader gave them.
std::shared_ptr<const std::vector<TelemetrySample>> countedSamples(const PlayListEntry &entry, bool clean);

// The name pattern of the camera that recorded `fileName` (a path or a URL's text will
// do): its file name folded to lower case, each run of digits one '#'. Clips of one
// camera and channel share it; another channel or another camera's naming does not.
QString cameraPattern(const QString &fileName);

// One clip's telemetry and the views the panels index: every sample (speed, media
// controls, captions), the samples with a position on the map (position, compass, map
// marker) and the samples with G readings whose three axes lie within -4 .. +4 g (G read-outs).
// Made clean, the GPS glitches are marked on the samples and left out of the route,
// the maximum and what the figures, the timeline and the events count; made raw,
// every reading counts as the reader gave it.
struct ClipTelemetry {
    quint64 entry = 0;                   // the queue entry's id; 0 before the first clip
    QString path;                        // the entry's URL text
    QList<GpsSample> records;            // the samples as the camera wrote them
    QList<GpsSample> counted;            // the same, a glitch's position and speed blanked (no fix)
    QList<int> glitches;                 // indices of the samples that are glitches
    std::shared_ptr<const std::vector<TelemetrySample>> samples =
        std::make_shared<const std::vector<TelemetrySample>>();   // the same, typed; never null
    QList<int> positions;                // indices of the samples with a route position
    QList<int> gsensor;                  // indices of the samples with G within -4 .. +4 g
    qint64 maxSpeed = 0;                 // km/h: as the store keeps it, clean over the readings that count
    std::optional<qint64> startMs;       // recording start (ClipTime), when known
    qint64 durationMs = -1;              // from the movie header; -1 when unknown
    TelemetryLayout layout = TelemetryLayout::None;   // where its telemetry was read from
    // The file cannot play whole (empty, not a video, cut short): its panels show dashes,
    // never the last clip's figures, since it may never tick.
    bool broken = false;
    // How far its telemetry is moved against the picture: the picture at t shows the
    // sample of t + offset (the user's nudge for its camera).
    int offsetMs = 0;
    std::shared_ptr<const ClipClock> clock;   // its times, when the store worked them out

    // The clip's length for a trip's axis: the header's duration, else one sample a second.
    double seconds() const;
    static ClipTelemetry of(const PlayListEntry &entry, bool clean = false);
};

// The trip of the playing clip: its clips in time order (a clip in no trip is a trip of
// one), where each starts on the trip's axis and the trip's distance.
struct TripTelemetry {
    QList<ClipTelemetry> clips;
    int playing = -1;                    // the playing clip among them
    QList<double> offsets;               // seconds from the trip's start (tripOffsets)
    double metres = 0;                   // tripMetres over the clips
};

// Where the clock is in the playing clip: the sample of each view at that time, by the
// index rule over the clip's duration (-1 and a default sample where there is none).
struct TelemetryMoment {
    double seconds = 0;
    int sample = -1;        // into every sample
    int position = -1;      // into the samples with a route position
    int gsensor = -1;       // into the samples within -4 .. +4 g (single-precision rule)
    TelemetrySample atSample, atPosition, atGsensor;

    bool operator==(const TelemetryMoment &o) const
    {
        return seconds == o.seconds && sample == o.sample && position == o.position && gsensor == o.gsensor;
    }
};

// The moment of `clip` (played for `duration` seconds) at `seconds` of its picture: what
// a tick there shows, for any clip of the trip, not just the playing one.
TelemetryMoment momentOf(const ClipTelemetry &clip, double seconds, double duration);

class DriveTelemetry : public QObject {
    Q_OBJECT
public:
    explicit DriveTelemetry(QObject *parent = nullptr);

    const ClipTelemetry &clip() const { return clip_; }
    const TripTelemetry &trip() const { return trip_; }
    double duration() const { return duration_; }
    // The moment of the last tick.
    const TelemetryMoment &moment() const { return moment_; }
    // The moment of the playing clip at `seconds` (a capture, a media-control query).
    TelemetryMoment momentAt(double seconds) const;
    // The sample of the playing clip as the camera wrote it (exports and captions keep
    // the camera's own digits); nothing for an index that is no sample.
    std::optional<GpsSample> record(int index) const;

    // Whether a sample counts in the G read-outs' view.
    static bool gsensorAccepted(const TelemetrySample &sample);

    // Whether GPS glitches are left out (the readings count as given until told otherwise).
    bool cleanGps() const { return clean_; }
    // The playing clip's camera name pattern and its nudge.
    QString cameraPattern() const;
    int offsetMs() const { return clip_.offsetMs; }

public slots:
    // The queue's current entry started. Null (the queue ran off its end) keeps the clip:
    // the player keeps showing its last file.
    void follow(const PlayListEntry *entry);
    // The clips of the current entry's trip in time order, and its place among them.
    void followTrip(const PlayList &clips, int playing);
    // The session's duration of the playing clip (0 when it closes).
    void setDuration(double seconds);
    // A tick of the session's clock.
    void tick(double seconds);
    // Leaves GPS glitches out, or counts every reading: the clip and its trip are made
    // anew and announced.
    void setCleanGps(bool clean);
    // The nudges per camera name pattern (milliseconds): the moment, the clip and its
    // trip follow at once.
    void setTelemetryOffsets(const QVariantMap &offsets);

signals:
    void clipChanged(const ClipTelemetry &clip);
    void tripChanged(const TripTelemetry &trip);
    void durationChanged(double seconds);
    // Every tick, with the moment it is at.
    void momentChanged(const TelemetryMoment &moment);
    // The playing clip's nudge, when it changes.
    void offsetChanged(int ms);

private:
    int offsetFor(const QString &path) const;
    void announceOffset(int before);

    std::optional<PlayListEntry> entry_;   // the playing clip's entry, to make it anew
    PlayList tripEntries_;
    bool clean_ = false;
    QVariantMap offsets_;
    ClipTelemetry clip_;
    TripTelemetry trip_;
    double duration_ = 0;
    TelemetryMoment moment_;
};

Q_DECLARE_METATYPE(ClipTelemetry)
Q_DECLARE_METATYPE(TripTelemetry)
Q_DECLARE_METATYPE(TelemetryMoment)
