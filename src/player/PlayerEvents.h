// The events of what plays, and where the timeline's axis leads: the telemetry of the
// open clip or the parts of its trip, the events found in them (with the thresholds
// the user chose and what the car reported), the timeline's curves and lanes and the
// events list that show them, and seeks on the timeline's axis, to an event or into
// another part of the trip. The view builds the timeline and the list; this fills them.
#pragma once

#include "ChannelRules.h"
#include "TelemetryEvents.h"
#include "TelemetryTimeline.h"

#include <QList>
#include <QObject>
#include <QPair>
#include <QStringList>

#include <memory>
#include <vector>

class EventsListView;
class MediaEngine;
class Settings;

class PlayerEvents : public QObject {
    Q_OBJECT
public:
    PlayerEvents(Settings &settings, MediaEngine &engine, TelemetryTimeline *timeline, EventsListView *list,
                 QObject *parent = nullptr);

    // What the timeline and the events list show: samples spread over `duration`
    // seconds; the events are found with the stored thresholds.
    void setTelemetry(const QList<GpsSample> &samples, double duration,
                      std::shared_ptr<const std::vector<TelemetrySample>> typed = nullptr,
                      const QList<int> &glitches = {});
    // How far the playing file's telemetry is moved against its picture: the curves and
    // the events follow.
    void setTelemetryOffset(int ms);
    // The other cameras of the open clip's moment (channel, and whether it is a gap),
    // for the camera lanes of a clip on its own; a camera found not to play becomes a gap.
    void setClipCameras(const QList<ChannelRules::Beside> &cameras) { clipCameras_ = cameras; }
    void cameraGap(char channel);
    // The playing file is part `playing` of a trip of these parts (two or more): the
    // timeline and the events span them all. Fewer than two parts: the file alone.
    void setTrip(const QList<TimelinePart> &parts, int playing);
    bool hasTrip() const { return !tripParts_.isEmpty(); }
    // Where the playing file starts on the timeline's axis (0 without a trip), and where
    // the axis ends (the trip's end, else the playing file's duration).
    double tripOffset() const;
    double axisEnd() const;
    // Events on the timeline's axis: the playing file's time, or the trip's.
    const std::vector<TelemetryEvent> &events() const { return events_; }
    // Finds the events again (the thresholds or the speed unit changed).
    void findEvents();

    // Seeks to `seconds` on the timeline's axis: within the playing file (key frames
    // while dragging), or asks for another part of the trip once the button is let go.
    void seekTimeline(double seconds, bool dragging = false);
    // One second before an event's time (not before the start).
    void seekBeforeEvent(double eventTime);
    // One second before the next / previous event (nothing when there is none).
    void nextEvent();
    void previousEvent();

    // The events of one part, moved to its place on the trip's axis and to its picture's
    // time: those of its samples, then what the car reported, after them at equal times.
    static std::vector<TelemetryEvent> partEvents(const TimelinePart &part, const EventThresholds &thresholds);
    // Whether two trips are the same parts (the same shared samples, not equal copies).
    static bool sameParts(const QList<TimelinePart> &a, const QList<TimelinePart> &b);

    struct TripFindings {
        std::vector<TelemetryEvent> events;
        QStringList clips;
        QList<double> offsets;
        std::vector<VehicleSpan> lanes;
        QList<ChannelRules::CameraLane> cameraLanes;
        bool aside = false;
    };
    // Each part on its own (an event does not run across a clip change), in the order of
    // their times; the list names the clip of each.
    static TripFindings findTripEvents(const QList<TimelinePart> &parts, const EventThresholds &thresholds);

signals:
    // The events of a trip and its timeline's lanes were found and are shown; `aside`
    // when they were found on another thread.
    void eventsFound(bool aside);
    // A time in another part of the trip was asked for: play it from `seconds`.
    void playPartRequested(int part, double seconds);

private:
    Settings &settings_;
    MediaEngine &engine_;
    TelemetryTimeline *timeline_;
    EventsListView *list_;
    QList<GpsSample> samples_;
    QList<int> glitches_;
    std::shared_ptr<const std::vector<TelemetrySample>> typed_;
    double duration_ = 0.0;
    int offsetMs_ = 0;
    QList<ChannelRules::Beside> clipCameras_;
    std::vector<TelemetryEvent> events_;
    QList<TimelinePart> tripParts_;
    int tripPlaying_ = 0;
    quint64 tripJob_ = 0;   // the trip's events being found last
};
