#include "Wiring.h"

#include "AppDelegate.h"
#include "instruments/PositionCompassPanel.h"
#include "player/VideoViewController.h"
#include "playlist/PlayListViewController.h"
#include "store/MyCache.h"

#include <QKeyEvent>

namespace Wiring {

void playerAndPlayList(VideoViewController *video, PlayListViewController *list, AppDelegate *app)
{
    QObject::connect(list, &PlayListViewController::playRequested, video, &VideoViewController::playUrl);
    QObject::connect(list, &PlayListViewController::closeRequested, video, &VideoViewController::close);
    QObject::connect(list, &PlayListViewController::playerKeyPressed, video, &VideoViewController::keyDown);
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
