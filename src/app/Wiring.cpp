#include "Wiring.h"

#include "AppDelegate.h"
#include "IncidentExport.h"
#include "instruments/KTDisplayViewController.h"
#include "instruments/PositionCompassPanel.h"
#include "map/KTWebViewController.h"
#include "map/Reachability.h"
#include "player/PlaybackSession.h"
#include "player/VideoViewController.h"
#include "playlist/PlayListViewController.h"
#include "store/MyCache.h"
#include "telemetry/GpsDataHelper.h"
#include "telemetry/TripTimeline.h"
#include "ui/AppToast.h"

#include <QFileInfo>
#include <QKeyEvent>

#include <algorithm>
#include <memory>

namespace Wiring {

void seekOnceRunning(PlaybackSession *session, double seconds)
{
    auto once = std::make_shared<QMetaObject::Connection>();
    *once = QObject::connect(session, &PlaybackSession::timeChanged, session, [session, once, seconds](double t) {
        if (t <= 0)
            return;
        QObject::disconnect(*once);
        session->setCurrentTime(std::min(seconds, session->duration()));
    });
}

void playerAndPlayList(VideoViewController *video, PlayListViewController *list, AppDelegate *app)
{
    QObject::connect(list, &PlayListViewController::playRequested, video, &VideoViewController::playUrl);
    QObject::connect(list, &PlayListViewController::closeRequested, video, &VideoViewController::close);
    QObject::connect(list, &PlayListViewController::playerKeyPressed, video, &VideoViewController::keyDown);
    // A clip asked to start at a second: once the clip it asks for is set up and its
    // time runs (the engine drops a seek made while it is still starting).
    QObject::connect(list, &PlayListViewController::startAtRequested, video, [video](double seconds) {
        PlaybackSession *session = video->session();
        auto once = std::make_shared<QMetaObject::Connection>();
        *once = QObject::connect(session, &PlaybackSession::setUpFinished, session,
                                 [session, once, seconds](bool playable) {
                                     QObject::disconnect(*once);
                                     if (playable)
                                         seekOnceRunning(session, seconds);
                                 });
    });
    video->setSampleSource([](const QString &path) { return MyCache::findGpsDatas(path).value_or(QList<GpsSample>()); });
    // Captured pictures carry the time, position and speed of their moment, from the
    // open file's telemetry (read once per file).
    struct Telemetry { QString path; GpsReadResult result; };
    auto cache = std::make_shared<Telemetry>();
    video->captureFacts = [video, cache](double seconds) {
        const QString path = video->currentFile();
        if (path.isEmpty())
            return CaptureFacts{};
        if (cache->path != path) {
            cache->result = GpsDataHelper::readGpsData(path.toStdString());
            cache->path = path;
        }
        return IncidentExport::factsAt(cache->result, path, seconds, video->duration());
    };
    if (!app)
        return;
    app->setVideoVC(video);
    app->setPlaylistVC(list);
    QObject::connect(list, &PlayListViewController::playIndexStarted, app, &AppDelegate::activeCurrentPlayIndex);
    QObject::connect(video, &VideoViewController::openFileRequested, app, &AppDelegate::openFile);
    QObject::connect(video, &VideoViewController::message, app->toaster(), &AppToast::showToast);
    QObject::connect(list, &PlayListViewController::message, app->toaster(), &AppToast::showToast);
}

PositionCompassPanel *positionPanel(PlayListViewController *list, Settings &settings)
{
    auto *panel = new PositionCompassPanel(settings);
    list->setPositionPanel(panel);
    return panel;
}

void tripsAndMap(VideoViewController *video, PlayListViewController *list, KTWebViewController *map,
                 KTDisplayViewController *panel)
{
    QObject::connect(list, &PlayListViewController::playingTripChanged, map, &KTWebViewController::setTrip);
    // The trip panel's Trip figures and the timeline: the clips' samples, recording
    // times and durations as the store holds them.
    auto clipsNow = std::make_shared<QList<QUrl>>();
    QObject::connect(list, &PlayListViewController::playingTripChanged, panel,
                     [panel, video, clipsNow](const QList<QUrl> &clips, int playingIndex) {
        QHash<QString, const PlayListEntry *> stored;
        const std::optional<PlayList> rows = MyCache::playList();
        if (rows) {
            for (const PlayListEntry &e : *rows)
                if (!stored.contains(e.path))
                    stored.insert(e.path, &e);
        }
        QList<TripClip> trip;
        trip.reserve(clips.size());
        std::vector<std::optional<int64_t>> starts;
        std::vector<double> durations;
        for (const QUrl &url : clips) {
            TripClip c;
            std::optional<int64_t> startMs;
            if (const PlayListEntry *e = stored.value(QString::fromUtf8(url.toEncoded()))) {
                if (e->startMs) {
                    c.start = double(*e->startMs) / 1000.0;
                    startMs = *e->startMs;
                }
                c.duration = e->durationMs > 0 ? double(e->durationMs) / 1000.0 : 0.0;
                c.samples = e->gpsData;
            }
            starts.push_back(startMs);
            durations.push_back(c.duration > 0 ? c.duration : double(c.samples.size()));
            trip.append(c);
        }
        panel->setTripClips(trip);

        // The timeline lays the clips end to end on the trip's time.
        *clipsNow = clips;
        const std::vector<double> offsets = tripOffsets(starts, durations);
        QList<TimelinePart> parts;
        for (qsizetype k = 0; k < trip.size(); ++k)
            parts.append(TimelinePart{trip.at(k).samples, offsets[size_t(k)],
                                      trip.at(k).duration > 0 ? trip.at(k).duration : double(trip.at(k).samples.size()),
                                      QFileInfo(clips.at(k).path()).fileName()});
        video->setTrip(parts, playingIndex);
    });
    // A time on the timeline in another clip of the trip plays that clip from there.
    QObject::connect(video, &VideoViewController::playPartRequested, list, [list, clipsNow](int part, double seconds) {
        if (part >= 0 && part < clipsNow->size())
            list->playClipAt(clipsNow->at(part), seconds);
    });
    QObject::connect(map, &KTWebViewController::routeClicked, list,
                     [map, list, session = video->session()](const QUrl &clip, double seconds) {
                         if (session->isReady() && QString::fromUtf8(clip.toEncoded()) == map->currentPlayVideoPath())
                             session->setCurrentTime(seconds);
                         else
                             list->playClipAt(clip, seconds);
                     });
}

} // namespace Wiring
