// The main window's content: creates the play queue, the drive's telemetry and the
// panes (player, trip statistics, map, play list with its position panel), wires them, arranges the panes in three split views and switches between
// the normal layout and the enlarged video and map layouts.
#pragma once

#include "LayoutRules.h"

#include <QWidget>

class AppDelegate;
class DriveTelemetry;
class PaneSplitter;
class PlayQueue;
class PlayerView;
class MediaEngine;
class MapPane;
class PlayListView;
class InstrumentPanel;
class MarkStore;

class PaneLayout : public QWidget {
    Q_OBJECT
public:
    // The parts get the settings of `app` and are wired to it (the menus, the toasts).
    explicit PaneLayout(AppDelegate &app, QWidget *parent = nullptr);
    ~PaneLayout() override;

    PlayQueue *queue = nullptr;
    DriveTelemetry *telemetry = nullptr;
    // The playback of every camera, handed to the player, the media controls and the exports.
    MediaEngine *engine = nullptr;
    PlayerView *playerView = nullptr;
    MapPane *mapPane = nullptr;
    PlayListView *playListView = nullptr;
    InstrumentPanel *instrumentPanel = nullptr;
    // The areas to blur of the moment that plays, shown by the player.
    MarkStore *marks = nullptr;

    PaneSplitter *globalSplitView = nullptr;
    PaneSplitter *leftSplitView = nullptr;
    PaneSplitter *rightSplitView = nullptr;
    QWidget *videoSlot = nullptr;
    QWidget *instrumentSlot = nullptr;
    QWidget *mapSlot = nullptr;
    QWidget *playListSlot = nullptr;
    QWidget *mapColumnSlot = nullptr;   // outer subview 2: holds the map while it has a width

    bool videoZoomStateMAX = false;
    bool mapZoomStateMAX = false;
    LayoutRules::Latches latches;       // global_position0, global_position1

    // The video's and the map's expand controls: enlarge or restore, answering the new state.
    qint64 zoomInVideoPlayWindow(qint64 state);
    qint64 zoomInMapWindow(qint64 state);
    void windowFullScreenChange();

    // The dividers of the normal layout, to keep between runs (empty while a pane is
    // enlarged), and putting them back; false, and nothing changed, for a state that
    // is not one of these.
    QByteArray saveDividers() const;
    bool restoreDividers(const QByteArray &state);

    // True when the screen's backing scale factor is exactly 2.0.
    bool backingScale2() const;

private:
    void buildPanes(AppDelegate &app);
    void applyFrames(const LayoutRules::Frames &frames);
    void placeMap();
};
