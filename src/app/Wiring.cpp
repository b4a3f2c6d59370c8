#include "Wiring.h"

#include "AppDelegate.h"
#include "IncidentExport.h"
#include "MarkStore.h"
#include "StopSkipper.h"
#include "common/Localization.h"
#include "common/Settings.h"
#include "drive/ClockText.h"
#include "drive/DriveTelemetry.h"
#include "drive/PlayQueue.h"
#include "instruments/InstrumentPanel.h"
#include "instruments/PositionCompassPanel.h"
#include "instruments/VehicleReadout.h"
#include "map/MapPane.h"
#include "map/Reachability.h"
#include "media/MediaEngine.h"
#include "player/PlayerView.h"
#include "playlist/PlayListView.h"
#include "ui/AppToast.h"
#include "telemetry/CameraClock.h"
#include "telemetry/TripTimeline.h"

#include <QFileInfo>
#include <QKeyEvent>
#include <QPointer>

#include <algorithm>
#include <cmath>
#include <memory>

namespace Wiring {

void playerAndPlayList(PlayerView *video, PlayListView *list, PlayQueue *queue,
                       DriveTelemetry *telemetry, AppDelegate *app)
{
    MediaEngine *session = video->engine();
    // A file asked to start at a second goes there once it is set up.
    QObject::connect(queue, &PlayQueue::playRequested, video, [video, session](const QUrl &url, double startAt) {
        video->playUrl(url);
        if (startAt <= 0)
            return;
        auto once = std::make_shared<QMetaObject::Connection>();
        *once = QObject::connect(session, &MediaEngine::setUpFinished, session,
                                 [session, once, startAt](bool playable) {
                                     QObject::disconnect(*once);
                                     if (playable)
                                         session->setCurrentTime(std::min(startAt, session->duration()));
                                 });
    });
    // The other cameras are matched by the GPS time of the clips the list has read.
    video->channels()->gpsStart = [queue](const QString &path) -> std::optional<qint64> {
        for (const PlayListEntry &e : queue->entries())
            if (e.clock && e.clock->reading.gpsTrusted() && QUrl(e.path).toLocalFile() == path)
                return *e.clock->reading.utcStartMs;
        return std::nullopt;
    };
    QObject::connect(queue, &PlayQueue::closeRequested, video, &PlayerView::close);
    QObject::connect(session, &MediaEngine::ended, queue, &PlayQueue::endOfFile);
    QObject::connect(video, &PlayerView::nextFileRequested, queue, &PlayQueue::next);
    QObject::connect(video, &PlayerView::previousFileRequested, queue, &PlayQueue::previous);
    if (list)
        QObject::connect(list, &PlayListView::playerKeyPressed, video, &PlayerView::keyDown);

    QObject::connect(queue, &PlayQueue::currentChanged, telemetry, &DriveTelemetry::follow);
    QObject::connect(queue, &PlayQueue::tripOfCurrentChanged, telemetry, &DriveTelemetry::followTrip);
    QObject::connect(session, &MediaEngine::durationChanged, telemetry, &DriveTelemetry::setDuration);
    QObject::connect(session, &MediaEngine::timeChanged, telemetry, &DriveTelemetry::tick);
    QObject::connect(telemetry, &DriveTelemetry::clipChanged, video,
                     [video, telemetry, last = quint64(0)](const ClipTelemetry &clip) mutable {
                         video->setClipSamples(clip.counted, clip.samples, clip.glitches);
                         // The same clip made anew (glitches counted or not) while it plays.
                         if (clip.entry == last && telemetry->duration() > 0)
                             video->setTelemetry(clip.counted, telemetry->duration(), clip.samples, clip.glitches);
                         last = clip.entry;
                     });
    QObject::connect(telemetry, &DriveTelemetry::offsetChanged, video, &PlayerView::setTelemetryOffset);
    // Captured pictures carry the time, position and speed of their moment, from the
    // samples the telemetry holds of the clip open.
    // Their time is on the clock the user chose, where the clip's clock is known.
    video->pictures()->captureFacts = [video, telemetry, settings = app ? &app->settings() : nullptr](double seconds) {
        const QString path = video->currentFile();
        if (path.isEmpty())
            return CaptureFacts{};
        std::optional<GpsSample> sample;
        const ClipTelemetry &clip = telemetry->clip();
        const bool playing = QUrl(clip.path, QUrl::TolerantMode).toLocalFile() == path;
        if (playing)
            sample = telemetry->record(telemetry->momentAt(seconds).sample);
        CaptureFacts facts = IncidentExport::factsAt(path, seconds, sample);
        if (playing && clip.clock && settings) {
            const QString at = ClockText::timeOfDay(*clip.clock, seconds,
                                                    TimeChoice::of(settings->timeClock(), settings->timeZone().toUtf8()),
                                                    QStringLiteral("yyyy-MM-dd hh:mm:ss"));
            if (!at.isEmpty())
                facts.recorded = at;
        }
        return facts;
    };
    if (!app)
        return;
    app->setPlayerView(video);
    app->setPlayListView(list);
    app->setQueue(queue);
    app->setTelemetry(telemetry);
    // The timeline's time of day: the clip under the time (of the trip, when it shows
    // one) on its own clock, moved to the clock the user chose.
    video->setTimeOfDay([telemetry, &settings = app->settings()](double seconds) {
        const TripTelemetry &trip = telemetry->trip();
        const ClipTelemetry *clip = &telemetry->clip();
        double into = seconds;
        if (trip.clips.size() > 1 && trip.playing >= 0) {
            std::vector<double> offsets, durations;
            for (qsizetype k = 0; k < trip.clips.size(); ++k) {
                offsets.push_back(trip.offsets.value(k));
                durations.push_back(trip.clips.at(k).seconds());
            }
            const TripPoint at = tripPointAt(offsets, durations, seconds);
            clip = &trip.clips.at(qsizetype(at.clip));
            into = at.seconds;
        }
        if (!clip->clock)
            return QString();
        return ClockText::timeOfDay(*clip->clock, into,
                                    TimeChoice::of(settings.timeClock(), settings.timeZone().toUtf8()));
    });
    QObject::connect(video, &PlayerView::openFileRequested, app, &AppDelegate::openFile);
    QObject::connect(video, &PlayerView::message, app, &AppDelegate::showMessage);
    QObject::connect(video, &PlayerView::linkRequested, app, &AppDelegate::openLink);
    // Empty panels would say the camera recorded nothing; this camera did, in a form
    // that cannot be read.
    QObject::connect(telemetry, &DriveTelemetry::clipChanged, app, [app](const ClipTelemetry &clip) {
        if (clip.layout == TelemetryLayout::Unreadable)
            app->showMessage(Localization::text("telemetry_unreadable"), 5.0f);
    });
    if (list)
        QObject::connect(list, &PlayListView::message, app, &AppDelegate::showAnswer);
}

PositionCompassPanel *positionPanel(PlayListView *list, Settings &settings)
{
    auto *panel = new PositionCompassPanel(settings);
    list->setPositionPanel(panel);
    return panel;
}

namespace {

template <class Panel>
void show(DriveTelemetry *telemetry, Panel *panel)
{
    if (!panel)
        return;
    QObject::connect(telemetry, &DriveTelemetry::clipChanged, panel, &Panel::showClip);
    QObject::connect(telemetry, &DriveTelemetry::durationChanged, panel, &Panel::setDuration);
    QObject::connect(telemetry, &DriveTelemetry::momentChanged, panel, &Panel::showMoment);
}

} // namespace

void panels(DriveTelemetry *telemetry, InstrumentPanel *display, PositionCompassPanel *position)
{
    show(telemetry, position);
    show(telemetry, display);
    if (display) {
        QObject::connect(telemetry, &DriveTelemetry::clipChanged, display->vehicleReadout, &VehicleReadout::showClip);
        QObject::connect(telemetry, &DriveTelemetry::momentChanged, display->vehicleReadout,
                         &VehicleReadout::showMoment);
    }
}

void tripsAndMap(PlayerView *video, PlayQueue *queue, DriveTelemetry *telemetry, MapPane *map,
                 InstrumentPanel *panel)
{
    show(telemetry, map);
    QObject::connect(telemetry, &DriveTelemetry::tripChanged, map, &MapPane::setTrip);
    QObject::connect(map, &MapPane::distanceMeasured, panel, &InstrumentPanel::totalDistance);
    // The trip panel's Trip figures and the timeline: the clips' samples, recording
    // times and durations.
    QObject::connect(telemetry, &DriveTelemetry::tripChanged, panel, [panel, video](const TripTelemetry &trip) {
        QList<TripFigureClip> clips;
        QList<TimelinePart> parts;
        for (qsizetype k = 0; k < trip.clips.size(); ++k) {
            const ClipTelemetry &c = trip.clips.at(k);
            const QUrl url(c.path, QUrl::TolerantMode);
            TripFigureClip clip;
            if (c.startMs)
                clip.start = double(*c.startMs) / 1000.0;
            clip.duration = c.durationMs > 0 ? double(c.durationMs) / 1000.0 : 0.0;
            clip.samples = c.counted;
            clips.append(clip);
            parts.append(TimelinePart{c.counted, trip.offsets.value(k), c.seconds(),
                                      QFileInfo(url.path()).fileName(), c.samples, c.glitches, c.offsetMs,
                                      url.isLocalFile() ? url.toLocalFile() : url.path()});
        }
        panel->setTripClips(clips);
        video->setTrip(parts, trip.playing);
    });
    // A time on the timeline in another clip of the trip plays that clip from there.
    QObject::connect(video, &PlayerView::playPartRequested, queue,
                     [queue, telemetry](int part, double seconds) {
                         const QList<ClipTelemetry> &clips = telemetry->trip().clips;
                         if (part >= 0 && part < clips.size())
                             queue->playClipAt(QUrl(clips.at(part).path, QUrl::TolerantMode), seconds);
                     });
    QObject::connect(map, &MapPane::routeClicked, queue,
                     [map, queue, session = video->engine()](const QUrl &clip, double seconds) {
                         if (session->isReady() && QString::fromUtf8(clip.toEncoded()) == map->currentPlayVideoPath())
                             session->setCurrentTime(seconds);
                         else
                             queue->playClipAt(clip, seconds);
                     });
}

void marks(PlayerView *video, PlayQueue *queue, MarkStore *marks, AppDelegate *app)
{
    QObject::connect(queue, &PlayQueue::currentChanged, marks, &MarkStore::follow);
    marks->follow(queue->current());
    video->setMarks(marks);
    marks->trackRange = [video](const QString &file) -> std::optional<std::pair<double, double>> {
        // The marked segment is the playing clip's; another camera's clip of the moment
        // runs on the same seconds.
        if (file.isEmpty() || (!video->markInTime() && !video->markOutTime()))
            return std::nullopt;
        const MarkedRange range = video->markedRange();
        if (!range.ok)
            return std::nullopt;
        return std::pair{range.in, range.out};
    };
    marks->frameUsOf = [video](const QString &file) {
        const double frame = video->engine()->frameDuration();
        return file == video->currentFile() && frame > 0 ? qint64(std::llround(frame * 1e6))
                                                         : RedactMarks::DefaultFrameUs;
    };
    if (app) {
        app->setMarks(marks);
        // The exports blur what the store holds of each camera's clip.
        app->marksOfClip = [marks = QPointer<MarkStore>(marks)](const QString &file) {
            return marks ? marks->marksOf(file) : RedactMarks();
        };
    }
}

void skipStops(PlayerView *video, DriveTelemetry *telemetry, Settings &settings, AppDelegate *app)
{
    auto *skipper = new StopSkipper(*video->engine(), video);
    skipper->setObjectName(QStringLiteral("stopSkipper"));
    const auto follow = [skipper, telemetry] {
        const ClipTelemetry &clip = telemetry->clip();
        const double duration = telemetry->duration() > 0 ? telemetry->duration() : clip.seconds();
        skipper->setStops(StopStretches::of(*clip.samples, duration, clip.offsetMs));
    };
    QObject::connect(telemetry, &DriveTelemetry::clipChanged, skipper, follow);
    QObject::connect(telemetry, &DriveTelemetry::durationChanged, skipper, follow);
    QObject::connect(telemetry, &DriveTelemetry::offsetChanged, skipper, follow);
    const auto choose = [skipper, video](bool on) {
        skipper->setEnabled(on);
        video->setStopsShown(on);
    };
    choose(settings.skipStops());
    QObject::connect(&settings, &Settings::skipStopsChanged, skipper, choose);
    if (app)
        QObject::connect(skipper, &StopSkipper::skipped, app,
                         [app](double seconds) { app->toaster()->replaceToast(StopSkipper::skippedText(seconds), 3); });
}

} // namespace Wiring
