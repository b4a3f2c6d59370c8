#include "Wiring.h"

#include "AppDelegate.h"
#include "instruments/PositionCompassPanel.h"
#include "player/PlaybackSession.h"
#include "player/VideoViewController.h"
#include "playlist/PlayListViewController.h"
#include "store/MyCache.h"

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

} // namespace Wiring
