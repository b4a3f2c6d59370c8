#include "PlayerEvents.h"

#include "ChannelPictures.h"
#include "EventSettings.h"
#include "EventsListView.h"
#include "TripTimeline.h"
#include "common/Settings.h"
#include "media/MediaEngine.h"

#include <QCoreApplication>
#include <QThread>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>

PlayerEvents::PlayerEvents(Settings &settings, MediaEngine &engine, TelemetryTimeline *timeline,
                           EventsListView *list, QObject *parent)
    : QObject(parent), settings_(settings), engine_(engine), timeline_(timeline), list_(list)
{
}

void PlayerEvents::setTelemetry(const QList<GpsSample> &samples, double duration,
                                std::shared_ptr<const std::vector<TelemetrySample>> typed, const QList<int> &glitches)
{
    samples_ = samples;
    typed_ = std::move(typed);
    glitches_ = glitches;
    duration_ = duration;
    findEvents();
}

void PlayerEvents::setTelemetryOffset(int ms)
{
    if (ms == offsetMs_)
        return;
    offsetMs_ = ms;
    if (tripParts_.isEmpty())
        findEvents();
}

void PlayerEvents::cameraGap(char channel)
{
    for (ChannelRules::Beside &c : clipCameras_)
        if (c.channel == channel && !c.gap) {
            c.gap = true;
            if (tripParts_.isEmpty())
                timeline_->setCameraLanes(ChannelRules::lanes({{0.0, duration_, clipCameras_}}));
        }
}

bool PlayerEvents::sameParts(const QList<TimelinePart> &a, const QList<TimelinePart> &b)
{
    const auto same = [](const TimelinePart &x, const TimelinePart &y) {
        return x.start == y.start && x.duration == y.duration && x.label == y.label && x.offsetMs == y.offsetMs
               && x.samples.constData() == y.samples.constData() && x.samples.size() == y.samples.size()
               && x.typed == y.typed && x.glitches == y.glitches;
    };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), same);
}

void PlayerEvents::setTrip(const QList<TimelinePart> &parts, int playing)
{
    // Another clip of the same trip: the timeline and the events stay as they are.
    const bool sameTrip = parts.size() >= 2 && sameParts(parts, tripParts_);
    if (parts.size() < 2 || playing < 0 || playing >= parts.size()) {
        tripParts_.clear();
        tripPlaying_ = 0;
    } else {
        tripParts_ = parts;
        tripPlaying_ = playing;
    }
    if (!sameTrip || tripParts_.isEmpty())
        findEvents();
    timeline_->setPlayhead(tripOffset() + engine_.currentTime());
}

double PlayerEvents::tripOffset() const
{
    return tripParts_.isEmpty() ? 0.0 : tripParts_.at(tripPlaying_).start;
}

double PlayerEvents::axisEnd() const
{
    return tripParts_.isEmpty() ? engine_.duration() : tripParts_.last().start + tripParts_.last().duration;
}

std::vector<TelemetryEvent> PlayerEvents::partEvents(const TimelinePart &part, const EventThresholds &thresholds)
{
    std::vector<TelemetryEvent> events =
        TelemetryEvents::detect(part.samples.constData(), size_t(part.samples.size()), part.duration, thresholds);
    if (part.typed) {
        for (const VehicleEvent &v : TelemetryEvents::vehicleEvents(part.typed->data(), part.typed->size(), part.duration))
            events.push_back({v.kind == VehicleEventKind::BrakeApplied ? EventKind::BrakeApplied
                                                                        : EventKind::AssistanceDisengaged,
                              v.time, v.endTime, v.strength});
        std::stable_sort(events.begin(), events.end(),
                         [](const TelemetryEvent &a, const TelemetryEvent &b) { return a.time < b.time; });
    }
    for (TelemetryEvent &e : events) {
        e.time = part.start + TelemetryEvents::pictureTime(e.time, part.offsetMs);
        e.endTime = part.start + TelemetryEvents::pictureTime(e.endTime, part.offsetMs);
    }
    return events;
}

PlayerEvents::TripFindings PlayerEvents::findTripEvents(const QList<TimelinePart> &parts,
                                                        const EventThresholds &thresholds)
{
    struct Found { TelemetryEvent event; int part; };
    std::vector<Found> found;
    for (int k = 0; k < parts.size(); ++k)
        for (const TelemetryEvent &e : partEvents(parts.at(k), thresholds))
            found.push_back({e, k});
    std::stable_sort(found.begin(), found.end(), [](const Found &a, const Found &b) { return a.event.time < b.event.time; });
    TripFindings out;
    for (const Found &f : found) {
        out.events.push_back(f.event);
        out.clips << parts.at(f.part).label;
        out.offsets << parts.at(f.part).start;
    }
    bool hasLanes = false;
    out.lanes = TelemetryTimeline::laneSpansOf(parts, &hasLanes);
    QStringList files;
    for (const TimelinePart &part : parts)
        files << part.file;
    const QList<QList<ChannelRules::Beside>> cameras = ChannelPictures::camerasBeside(files);
    QList<ChannelRules::PartCameras> partCameras;
    for (qsizetype k = 0; k < parts.size(); ++k)
        partCameras.append({parts.at(k).start, parts.at(k).duration, cameras.value(k)});
    out.cameraLanes = ChannelRules::lanes(partCameras);
    out.aside = QThread::currentThread() != QCoreApplication::instance()->thread();
    return out;
}

void PlayerEvents::findEvents()
{
    const EventThresholds thresholds = EventSettings::thresholds(settings_);
    if (tripParts_.isEmpty()) {
        ++tripJob_;
        const TimelinePart clip{samples_, 0.0, duration_, QString(), typed_, glitches_, offsetMs_};
        events_ = partEvents(clip, thresholds);
        timeline_->setParts({clip}, events_);
        timeline_->setCameraLanes(ChannelRules::lanes({{0.0, duration_, clipCameras_}}));
        list_->setEvents(events_, settings_.kmph());
        return;
    }
    // A trip's events and lanes are found aside; the list and the timeline take them
    // when they come, unless the trip or the thresholds changed meanwhile.
    const quint64 job = ++tripJob_;
    QtConcurrent::run([parts = tripParts_, thresholds] { return findTripEvents(parts, thresholds); })
        .then(this, [this, job](TripFindings found) {
            if (job != tripJob_)
                return;
            events_ = std::move(found.events);
            timeline_->setParts(tripParts_, events_, std::move(found.lanes));
            timeline_->setCameraLanes(found.cameraLanes);
            list_->setEvents(events_, settings_.kmph(), found.clips, found.offsets);
            emit eventsFound(found.aside);
        });
}

void PlayerEvents::seekTimeline(double seconds, bool dragging)
{
    if (tripParts_.isEmpty()) {
        engine_.showAt(seconds, dragging);
        return;
    }
    std::vector<double> offsets, durations;
    for (const TimelinePart &part : tripParts_) {
        offsets.push_back(part.start);
        durations.push_back(part.duration);
    }
    const TripPoint at = tripPointAt(offsets, durations, seconds);
    if (int(at.clip) == tripPlaying_)
        engine_.showAt(at.seconds, dragging);
    else if (!dragging)
        emit playPartRequested(int(at.clip), at.seconds);
}

void PlayerEvents::seekBeforeEvent(double eventTime)
{
    seekTimeline(std::max(0.0, eventTime - 1.0));
}

void PlayerEvents::nextEvent()
{
    const double target = TelemetryEvents::nextJumpTarget(events_, tripOffset() + engine_.currentTime());
    if (target >= 0)
        seekTimeline(target);
}

void PlayerEvents::previousEvent()
{
    const double target = TelemetryEvents::previousJumpTarget(events_, tripOffset() + engine_.currentTime());
    if (target >= 0)
        seekTimeline(target);
}
