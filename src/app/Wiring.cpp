#include "Wiring.h"

#include "AppDelegate.h"
#include "IncidentExport.h"
#include "instruments/PositionCompassPanel.h"
#include "player/VideoViewController.h"
#include "playlist/PlayListViewController.h"
#include "store/MyCache.h"

#include <QKeyEvent>

#include "telemetry/GpsDataHelper.h"

#include <memory>

namespace Wiring {

void playerAndPlayList(VideoViewController *video, PlayListViewController *list, AppDelegate *app)
{
    QObject::connect(list, &PlayListViewController::playRequested, video, &VideoViewController::playUrl);
    QObject::connect(list, &PlayListViewController::closeRequested, video, &VideoViewController::close);
    QObject::connect(list, &PlayListViewController::playerKeyPressed, video, &VideoViewController::keyDown);
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
}

PositionCompassPanel *positionPanel(PlayListViewController *list)
{
    auto *panel = new PositionCompassPanel;
    list->setPositionPanel(panel);
    return panel;
}

} // namespace Wiring
