#include "Wiring.h"

#include "AppDelegate.h"
#include "TripLink.h"
#include "instruments/KTDisplayViewController.h"
#include "instruments/PositionCompassPanel.h"
#include "map/KTWebViewController.h"
#include "map/Reachability.h"
#include "player/PlaybackSession.h"
#include "store/MyCache.h"
#include "player/VideoViewController.h"
#include "playlist/PlayListViewController.h"

#include <QKeyEvent>

namespace Wiring {

void playerAndPlayList(VideoViewController *video, PlayListViewController *list, AppDelegate *app)
{
    QObject::connect(list, &PlayListViewController::playRequested, video, &VideoViewController::playUrl);
    QObject::connect(list, &PlayListViewController::closeRequested, video, &VideoViewController::close);
    QObject::connect(list, &PlayListViewController::playerKeyPressed, video, &VideoViewController::keyDown);
    if (!app)
        return;
    app->setVideoVC(video);
    app->setPlaylistVC(list);
    QObject::connect(list, &PlayListViewController::playIndexStarted, app, &AppDelegate::activeCurrentPlayIndex);
    QObject::connect(video, &VideoViewController::openFileRequested, app, &AppDelegate::openFile);
}

PositionCompassPanel *positionPanel(PlayListViewController *list)
{
    auto *panel = new PositionCompassPanel;
    list->setPositionPanel(panel);
    return panel;
}

TripLink *tripsAndMap(VideoViewController *video, PlayListViewController *list, KTWebViewController *map,
                      KTDisplayViewController *panel)
{
    auto *link = new TripLink(list, video->session(), list);
    QObject::connect(link, &TripLink::playingTripChanged, map, &KTWebViewController::setTrip);
    // The trip panel's Trip figures: the clips' samples from the store, their starts
    // from the file names.
    QObject::connect(link, &TripLink::playingTripChanged, panel, [panel](const QList<QUrl> &clips) {
        QHash<QString, QList<GpsSample>> stored;
        if (const std::optional<PlayList> rows = MyCache::playList()) {
            for (const PlayListEntry &e : *rows)
                if (!stored.contains(e.path))
                    stored.insert(e.path, e.gpsData);
        }
        QList<TripClip> trip;
        trip.reserve(clips.size());
        for (const QUrl &url : clips)
            trip.append(TripClip{TripFiguresRule::startFromName(url.fileName()), 0,
                                 stored.value(QString::fromUtf8(url.toEncoded()))});
        panel->setTripClips(trip);
    });
    QObject::connect(map, &KTWebViewController::routeClicked, link,
                     [map, link, session = video->session()](const QUrl &clip, double seconds) {
                         if (session->isReady() && QString::fromUtf8(clip.toEncoded()) == map->currentPlayVideoPath())
                             session->setCurrentTime(seconds);
                         else
                             link->playClipAt(clip, seconds);
                     });
    return link;
}

} // namespace Wiring
