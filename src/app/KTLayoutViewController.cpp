#include "KTLayoutViewController.h"

#include "AppDelegate.h"
#include "KTSplitView.h"
#include "Wiring.h"
#include "common/AppColorManager.h"
#include "drive/DriveTelemetry.h"
#include "drive/PlayQueue.h"
#include "instruments/GpsViewController.h"
#include "instruments/KTDisplayViewController.h"
#include "instruments/PositionCompassPanel.h"
#include "map/KTWebViewController.h"
#include "map/Reachability.h"
#include "player/VideoViewController.h"
#include "playlist/PlayListViewController.h"

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

KTLayoutViewController::KTLayoutViewController(AppDelegate &app, QWidget *parent) : QWidget(parent)
{
    viewDidLoad(app);
}

KTLayoutViewController::~KTLayoutViewController() = default;

void KTLayoutViewController::viewDidLoad(AppDelegate &app)
{
    using namespace LayoutRules;
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, AppColorManager::appBackgroundColor());
    setPalette(pal);
    videoZoomStateMAX = false;
    mapZoomStateMAX = false;

    globalSplitView = new KTSplitView(Qt::Horizontal, this);
    leftSplitView = new KTSplitView(Qt::Vertical, globalSplitView);
    rightSplitView = new KTSplitView(Qt::Vertical, globalSplitView);
    mapColumnView = makePane(globalSplitView, "mapColumnView");
    globalSplitView->addWidget(leftSplitView);
    globalSplitView->addWidget(rightSplitView);
    globalSplitView->addWidget(mapColumnView);
    videoView = makePane(leftSplitView, "videoView");
    displayView = makePane(leftSplitView, "displayView");
    leftSplitView->addWidget(videoView);
    leftSplitView->addWidget(displayView);
    mapInfoView = makePane(rightSplitView, "mapInfoView");
    playListView = makePane(rightSplitView, "playListView");
    rightSplitView->addWidget(mapInfoView);
    rightSplitView->addWidget(playListView);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(globalSplitView);

    // The drive core, then the controllers, in this order, wired once.
    Settings &settings = app.settings();
    queue = new PlayQueue(settings, this);
    telemetry = new DriveTelemetry(this);
    displayVC = new KTDisplayViewController(settings);
    webVC = new KTWebViewController(settings);
    connect(webVC, &KTWebViewController::zoomRequested, this,
            [this](qint64 state) { webVC->setZoomState(zoomInMapWindow(state)); });
    gpsVC = new GpsViewController();
    playlistVC = new PlayListViewController(queue, settings);
    PositionCompassPanel *position = Wiring::positionPanel(playlistVC, settings);
    videoVC = new VideoViewController(settings);
    connect(videoVC, &VideoViewController::zoomRequested, this,
            [this](qint64 state) { videoVC->setZoomState(zoomInVideoPlayWindow(state)); });
    // Back in place, the compass and the needle are turned again once the images have their size.
    connect(videoVC, &VideoViewController::videoSizeRestored, position, &PositionCompassPanel::updateCompass);
    Wiring::playerAndPlayList(videoVC, playlistVC, queue, telemetry, &app);
    Wiring::tripsAndMap(videoVC, queue, telemetry, webVC, displayVC);
    Wiring::panels(telemetry, displayVC, position);

    putInto(videoView, videoVC);
    putInto(playListView, playlistVC);
    putInto(mapInfoView, webVC);
    putInto(displayView, displayVC);
    // The stand-alone position panel is made and kept, but placed nowhere.
    gpsVC->hide();

    applyFrames(frames(Arrangement::SetUp, backingScale2()));
    globalSplitView->setSizes({1280, 640, 0});

    auto wire = [this](KTSplitView *view, Split split) {
        view->minAnswer = [this, split](double p, int d) { return constrainMinCoordinate(split, p, d, latches); };
        view->maxAnswer = [this, split](double p, int d) { return constrainMaxCoordinate(split, p, d, latches); };
        view->positionAnswer = [this, split](double p, int d) { return constrainSplitPosition(split, p, d, latches); };
    };
    wire(globalSplitView, Split::Outer);
    wire(leftSplitView, Split::Left);
    wire(rightSplitView, Split::Right);
    for (KTSplitView *v : {globalSplitView, leftSplitView, rightSplitView})
        v->setStyleSheet(QStringLiteral("QSplitter::handle { background: transparent; }"));
}

bool KTLayoutViewController::backingScale2() const
{
    const QScreen *s = screen();
    return s && s->devicePixelRatio() == 2.0;
}

void KTLayoutViewController::applyFrames(const LayoutRules::Frames &f)
{
    auto sizes = [](KTSplitView *view, const QSizeF *frames, int n) {
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

void KTLayoutViewController::placeMap()
{
    // The map shows in the far-right column whenever that column has a width (the
    // enlarged map, and the layout after it); its place at the top of the right split
    // then goes to the play list rather than standing empty.
    const bool inColumn = globalSplitView->sizes().value(2) > 0;
    QWidget *host = inColumn ? mapColumnView : mapInfoView;
    if (webVC->parentWidget() != host) {
        webVC->parentWidget()->layout()->removeWidget(webVC);
        putInto(host, webVC);
    }
    if (inColumn) {
        const QList<int> right = rightSplitView->sizes();
        rightSplitView->setSizes({0, right.value(0) + right.value(1)});
    }
}

qint64 KTLayoutViewController::zoomInVideoPlayWindow(qint64 state)
{
    using namespace LayoutRules;
    const bool enlarge = shouldEnlargeVideo(state, videoZoomStateMAX, mapZoomStateMAX);
    if (enlarge) {
        applyFrames(frames(Arrangement::VideoEnlarge, backingScale2()));
        videoZoomStateMAX = true;
        mapZoomStateMAX = false;
    } else {
        webVC->reloadHtmlData();
        applyFrames(frames(Arrangement::VideoRestore, backingScale2()));
        videoZoomStateMAX = false;
    }
    return enlarge ? 1 : 0;
}

qint64 KTLayoutViewController::zoomInMapWindow(qint64 state)
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

void KTLayoutViewController::windowFullScreenChange()
{
    latches.clear();
}
