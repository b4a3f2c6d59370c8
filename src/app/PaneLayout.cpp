#include "PaneLayout.h"

#include "media/MediaEngine.h"

#include "AppDelegate.h"
#include "PaneSplitter.h"
#include "MarkStore.h"
#include "Wiring.h"
#include "common/AppColorManager.h"
#include "common/Settings.h"
#include "drive/DriveTelemetry.h"
#include "drive/PlayQueue.h"
#include "instruments/InstrumentPanel.h"
#include "instruments/PositionCompassPanel.h"
#include "map/MapPane.h"
#include "map/Reachability.h"
#include "player/PlayerView.h"
#include "playlist/PlayListView.h"

#include <QDataStream>
#include <QIODevice>
#include <QScreen>
#include <QVBoxLayout>

namespace {

QWidget *makePane(QWidget *parent, const char *name)
{
    auto *pane = new QWidget(parent);
    pane->setObjectName(QLatin1String(name));
    auto *layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    return pane;
}

void putInto(QWidget *pane, QWidget *view)
{
    view->setParent(pane);
    pane->layout()->addWidget(view);
    view->show();
}

} // namespace

PaneLayout::PaneLayout(AppDelegate &app, QWidget *parent) : QWidget(parent)
{
    buildPanes(app);
}

PaneLayout::~PaneLayout()
{
    // The player lets go of the engine before the engine goes.
    delete playerView;
    playerView = nullptr;
}

void PaneLayout::buildPanes(AppDelegate &app)
{
    using namespace LayoutRules;
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, AppColorManager::appBackgroundColor());
    setPalette(pal);
    videoZoomStateMAX = false;
    mapZoomStateMAX = false;

    globalSplitView = new PaneSplitter(Qt::Horizontal, this);
    leftSplitView = new PaneSplitter(Qt::Vertical, globalSplitView);
    rightSplitView = new PaneSplitter(Qt::Vertical, globalSplitView);
    mapColumnSlot = makePane(globalSplitView, "mapColumnView");
    globalSplitView->addWidget(leftSplitView);
    globalSplitView->addWidget(rightSplitView);
    globalSplitView->addWidget(mapColumnSlot);
    videoSlot = makePane(leftSplitView, "videoView");
    instrumentSlot = makePane(leftSplitView, "displayView");
    leftSplitView->addWidget(videoSlot);
    leftSplitView->addWidget(instrumentSlot);
    mapSlot = makePane(rightSplitView, "mapInfoView");
    playListSlot = makePane(rightSplitView, "playListView");
    rightSplitView->addWidget(mapSlot);
    rightSplitView->addWidget(playListSlot);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(globalSplitView);

    // The drive core, then the controllers, in this order, wired once.
    Settings &settings = app.settings();
    queue = new PlayQueue(settings, this);
    telemetry = new DriveTelemetry(this);
    telemetry->setCleanGps(settings.cleanGps());
    connect(&settings, &Settings::cleanGpsChanged, telemetry, &DriveTelemetry::setCleanGps);
    telemetry->setTelemetryOffsets(settings.telemetryOffsets());
    connect(&settings, &Settings::telemetryOffsetsChanged, telemetry, &DriveTelemetry::setTelemetryOffsets);
    instrumentPanel = new InstrumentPanel(settings);
    mapPane = new MapPane(settings);
    connect(mapPane, &MapPane::zoomRequested, this,
            [this](qint64 state) { mapPane->setZoomState(zoomInMapWindow(state)); });
    playListView = new PlayListView(queue, settings);
    PositionCompassPanel *position = Wiring::positionPanel(playListView, settings);
    engine = new MediaEngine(settings, this);
    playerView = new PlayerView(settings, *engine);
    connect(playerView, &PlayerView::zoomRequested, this,
            [this](qint64 state) { playerView->setZoomState(zoomInVideoPlayWindow(state)); });
    // Back in place, the compass and the needle are turned again once the images have their size.
    connect(playerView, &PlayerView::videoSizeRestored, position, &PositionCompassPanel::updateCompass);
    Wiring::playerAndPlayList(playerView, playListView, queue, telemetry, &app);
    Wiring::tripsAndMap(playerView, queue, telemetry, mapPane, instrumentPanel);
    Wiring::skipStops(playerView, telemetry, settings, &app);
    app.mapTiles = [map = QPointer<MapPane>(mapPane)]() -> MapSnapshot::Tiles {
        return map ? map->localTiles() : MapSnapshot::Tiles();
    };
    Wiring::panels(telemetry, instrumentPanel, position);
    marks = new MarkStore(queue, this);
    Wiring::marks(playerView, queue, marks, &app);

    putInto(videoSlot, playerView);
    putInto(playListSlot, playListView);
    putInto(mapSlot, mapPane);
    putInto(instrumentSlot, instrumentPanel);

    applyFrames(frames(Arrangement::SetUp, backingScale2()));
    globalSplitView->setSizes({1280, 640, 0});

    auto wire = [this](PaneSplitter *view, Split split) {
        view->minAnswer = [this, split](double p, int d) { return constrainMinCoordinate(split, p, d, latches); };
        view->maxAnswer = [this, split](double p, int d) { return constrainMaxCoordinate(split, p, d, latches); };
        view->positionAnswer = [this, split](double p, int d) { return constrainSplitPosition(split, p, d, latches); };
    };
    wire(globalSplitView, Split::Outer);
    wire(leftSplitView, Split::Left);
    wire(rightSplitView, Split::Right);
    for (PaneSplitter *v : {globalSplitView, leftSplitView, rightSplitView})
        v->setStyleSheet(QStringLiteral("QSplitter::handle { background: transparent; }"));
}

bool PaneLayout::backingScale2() const
{
    const QScreen *s = screen();
    return s && s->devicePixelRatio() == 2.0;
}

void PaneLayout::applyFrames(const LayoutRules::Frames &f)
{
    auto sizes = [](PaneSplitter *view, const QSizeF *frames, int n) {
        QList<int> current = view->sizes();
        QList<int> next;
        for (int k = 0; k < n; ++k) {
            const QSizeF s = frames[k];
            if (!s.isValid()) {
                next << (k < current.size() ? current[k] : 0);
                continue;
            }
            next << int(view->orientation() == Qt::Horizontal ? s.width() : s.height());
        }
        view->setSizes(next);
    };
    sizes(globalSplitView, f.outer, 3);
    sizes(leftSplitView, f.left, 2);
    sizes(rightSplitView, f.right, 2);
    placeMap();
}

void PaneLayout::placeMap()
{
    // The map shows in the far-right column whenever that column has a width (the
    // enlarged map, and the layout after it); its place at the top of the right split
    // then goes to the play list rather than standing empty.
    const bool inColumn = globalSplitView->sizes().value(2) > 0;
    QWidget *host = inColumn ? mapColumnSlot : mapSlot;
    if (mapPane->parentWidget() != host) {
        mapPane->parentWidget()->layout()->removeWidget(mapPane);
        putInto(host, mapPane);
    }
    if (inColumn) {
        const QList<int> right = rightSplitView->sizes();
        rightSplitView->setSizes({0, right.value(0) + right.value(1)});
    }
}

qint64 PaneLayout::zoomInVideoPlayWindow(qint64 state)
{
    using namespace LayoutRules;
    const bool enlarge = shouldEnlargeVideo(state, videoZoomStateMAX, mapZoomStateMAX);
    if (enlarge) {
        applyFrames(frames(Arrangement::VideoEnlarge, backingScale2()));
        videoZoomStateMAX = true;
        mapZoomStateMAX = false;
    } else {
        mapPane->reloadHtmlData();
        applyFrames(frames(Arrangement::VideoRestore, backingScale2()));
        videoZoomStateMAX = false;
    }
    return enlarge ? 1 : 0;
}

qint64 PaneLayout::zoomInMapWindow(qint64 state)
{
    using namespace LayoutRules;
    const bool enlarge = shouldEnlargeMap(state, videoZoomStateMAX, mapZoomStateMAX);
    if (enlarge) {
        applyFrames(frames(Arrangement::MapEnlarge, backingScale2()));
        mapZoomStateMAX = true;
        videoZoomStateMAX = false;
    } else {
        // Restoring returns to the normal layout: the map back above the play list and the
        // far-right column closed. (The map-restore frames would leave the play list and its
        // instruments in a column too narrow for their read-outs.)
        Frames normal = frames(Arrangement::SetUp, backingScale2());
        normal.outer[2] = QSizeF(0, 0);
        applyFrames(normal);
        mapZoomStateMAX = false;
    }
    return enlarge ? 1 : 0;
}

QByteArray PaneLayout::saveDividers() const
{
    if (videoZoomStateMAX || mapZoomStateMAX || globalSplitView->sizes().value(2) > 0)
        return {};
    QByteArray state;
    QDataStream out(&state, QIODevice::WriteOnly);
    out << quint32(1);
    for (PaneSplitter *v : {globalSplitView, leftSplitView, rightSplitView})
        out << v->sizes();
    return state;
}

bool PaneLayout::restoreDividers(const QByteArray &state)
{
    QDataStream in(state);
    quint32 version = 0;
    in >> version;
    QList<int> sizes[3];
    for (QList<int> &s : sizes)
        in >> s;
    if (in.status() != QDataStream::Ok || version != 1)
        return false;
    // Three panes side by side with the map's column closed, two above each other in
    // each column, each pane with a width or height and none of absurd size.
    const auto sane = [](const QList<int> &s, int n) {
        if (s.size() != n)
            return false;
        for (int k = 0; k < 2; ++k)
            if (s[k] <= 0 || s[k] > 100000)
                return false;
        return true;
    };
    if (!sane(sizes[0], 3) || sizes[0][2] != 0 || !sane(sizes[1], 2) || !sane(sizes[2], 2))
        return false;
    globalSplitView->setSizes(sizes[0]);
    leftSplitView->setSizes(sizes[1]);
    rightSplitView->setSizes(sizes[2]);
    placeMap();
    return true;
}

void PaneLayout::windowFullScreenChange()
{
    latches.clear();
}
