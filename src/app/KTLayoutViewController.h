// The main window's content: creates the play queue, the drive's telemetry and the
// pane controllers (player, trip statistics, map, play list, stand-alone position
// panel), wires them, arranges the panes in three split views and switches between
// the normal layout and the enlarged video and map layouts.
#pragma once

#include "LayoutRules.h"

#include <QWidget>

class AppDelegate;
class DriveTelemetry;
class KTSplitView;
class PlayQueue;
class VideoViewController;
class KTWebViewController;
class PlayListViewController;
class KTDisplayViewController;
class GpsViewController;

class KTLayoutViewController : public QWidget {
    Q_OBJECT
public:
    // The parts get the settings of `app` and are wired to it (the menus, the toasts).
    explicit KTLayoutViewController(AppDelegate &app, QWidget *parent = nullptr);
    ~KTLayoutViewController() override;

    PlayQueue *queue = nullptr;
    DriveTelemetry *telemetry = nullptr;
    VideoViewController *videoVC = nullptr;
    KTWebViewController *webVC = nullptr;
    PlayListViewController *playlistVC = nullptr;
    KTDisplayViewController *displayVC = nullptr;
    GpsViewController *gpsVC = nullptr;

    KTSplitView *globalSplitView = nullptr;
    KTSplitView *leftSplitView = nullptr;
    KTSplitView *rightSplitView = nullptr;
    QWidget *videoView = nullptr;
    QWidget *displayView = nullptr;
    QWidget *mapInfoView = nullptr;
    QWidget *playListView = nullptr;
    QWidget *mapColumnView = nullptr;   // outer subview 2: holds the map while it has a width

    bool videoZoomStateMAX = false;
    bool mapZoomStateMAX = false;
    LayoutRules::Latches latches;       // global_position0, global_position1

    // The video's and the map's expand controls: enlarge or restore, answering the new state.
    qint64 zoomInVideoPlayWindow(qint64 state);
    qint64 zoomInMapWindow(qint64 state);
    void windowFullScreenChange();

    // True when the screen's backing scale factor is exactly 2.0.
    bool backingScale2() const;

private:
    void viewDidLoad(AppDelegate &app);
    void applyFrames(const LayoutRules::Frames &frames);
    void placeMap();
};
