#include "MapPane.h"

#include "common/Localization.h"
#include "drive/IndexRule.h"
#include "telemetry/TelemetryEvents.h"
#include "MapPageBridge.h"
#include "MapWebPage.h"
#include "common/NamedImage.h"
#include "common/Settings.h"
#include "MapSettings.h"
#include "MapTileServer.h"
#include "Reachability.h"
#include "SourceChecker.h"
#include "TileSource.h"

#include <QCryptographicHash>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>

#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QToolButton>
#include <QWebChannel>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentMap>

#include <algorithm>

namespace {

constexpr char kNoKeyText[] =
    "Google Maps needs an access key. Put it under \"google_maps_api_key\" in the settings, or choose OpenStreetMap in the Map menu.";
constexpr char kLoadFailedText[] =
    "Google Maps could not be loaded. Check the internet connection and the access key, or choose OpenStreetMap in the Map menu.";
constexpr char kEnlargeText[] = "Enlarge map";
constexpr char kRestoreText[] = "Restore map";

// The colour of the pages' map background, so that the pane does not flash white.
const QColor kMapBackground(0xe9, 0xe6, 0xdf);

QString htmlEscaped(const QString &text)
{
    return text.toHtmlEscaped();
}

} // namespace

MapPane::MapPane(Settings &settings, QWidget *parent) : QWidget(parent), settings_(settings)
{
    setObjectName(QStringLiteral("mapPane"));
    setMinimumSize(120, 120);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);

    currentLocationChina_ = streetMapChosen();

    webview_ = new QWebEngineView(this);
    page_ = new MapWebPage(webview_);
    page_->setBackgroundColor(kMapBackground);
    page_->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
    // The pages come from the resources and the Google page runs the internet's
    // script: none of them may read the user's files.
    page_->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    webview_->setPage(page_);
    tileServer_ = MapTileServer::forProfile(page_->profile());
    configureTileServer();
    webview_->setContextMenuPolicy(Qt::NoContextMenu);
    channel_ = new QWebChannel(this);
    bridge_ = new MapPageBridge([this](double metres, double route) { didReceiveDistance(metres, route); },
                                [this](const QString &page) { pageDidBecomeReady(page); }, this);
    bridge_->setClickHandler([this](int clip, int point, int drawing) { pageRouteClicked(clip, point, drawing); });
    channel_->registerObject(QStringLiteral("cocoa"), bridge_);
    page_->setWebChannel(channel_);
    // Also put in place as each web page becomes ready: when one load replaces another
    // the web view may report a finished load late, for the page before, or not
    // at all, and the page must never be left without its call-back.
    QWebEngineScript install;
    install.setName(QStringLiteral("cocoa_getDistance"));
    install.setSourceCode(MapPageBridge::installScript());
    install.setInjectionPoint(QWebEngineScript::DocumentReady);
    install.setWorldId(QWebEngineScript::MainWorld);
    install.setRunsOnSubFrames(false);
    page_->scripts().insert(install);
    connect(webview_, &QWebEngineView::loadFinished, this, &MapPane::webViewDidFinishLoad);

    textFieldNoLine_ = new QLabel(this);
    textFieldNoLine_->setObjectName(QStringLiteral("textFieldNoLine"));
    textFieldNoLine_->setAutoFillBackground(true);
    QPalette msg = textFieldNoLine_->palette();
    msg.setColor(QPalette::Window, Qt::black);
    msg.setColor(QPalette::WindowText, Qt::white);
    textFieldNoLine_->setPalette(msg);
    textFieldNoLine_->setWordWrap(true);
    textFieldNoLine_->setAlignment(Qt::AlignCenter);
    textFieldNoLine_->setTextInteractionFlags(Qt::NoTextInteraction);
    textFieldNoLine_->setMargin(8);
    QFont f = textFieldNoLine_->font();
    f.setPointSizeF(f.pointSizeF() * 1.15);
    textFieldNoLine_->setFont(f);
    textFieldNoLine_->hide();
    // The banner can be closed; it comes back only with another message.
    bannerClose_ = new QToolButton(textFieldNoLine_);
    bannerClose_->setObjectName(QStringLiteral("mapBannerClose"));
    bannerClose_->setText(QStringLiteral("\u00d7"));
    bannerClose_->setAutoRaise(true);
    bannerClose_->setFixedSize(22, 22);
    bannerClose_->setCursor(Qt::PointingHandCursor);
    bannerClose_->setStyleSheet(QStringLiteral("QToolButton { color: white; font-size: 16px; border: none; }"
                                               "QToolButton:hover { color: #ffcc66; }"));
    connect(bannerClose_, &QToolButton::clicked, this, [this] {
        dismissedBanner_ = textFieldNoLine_->text();
        updateBanner();
    });

    expandButton_ = new QToolButton(this);
    expandButton_->setObjectName(QStringLiteral("mapExpandButton"));
    expandButton_->setAutoRaise(true);
    expandButton_->setIconSize(QSize(20, 20));
    expandButton_->setFixedSize(30, 30);
    expandButton_->setCursor(Qt::PointingHandCursor);
    expandButton_->setStyleSheet(QStringLiteral(
        "QToolButton { background: rgba(255,255,255,225); border: 1px solid rgba(0,0,0,60); border-radius: 4px; }"
        "QToolButton:hover { background: white; }"));
    connect(expandButton_, &QToolButton::clicked, this, &MapPane::zoomInOut);
    updateExpandButton();

    layoutChildren();
    connect(&settings_, &Settings::mapProviderChanged, this, &MapPane::changeMapUI);
    const auto mapSettingsChanged = [this] {
        configureTileServer();
        onlineMapsChanged();
    };
    connect(&settings_, &Settings::useOnlineMapsChanged, this, mapSettingsChanged);
    connect(&settings_, &Settings::offlineSourcesChanged, this, mapSettingsChanged);
    connect(&settings_, &Settings::cacheLimitChanged, this, mapSettingsChanged);
    connect(&settings_, &Settings::tileServerForTestsChanged, this, mapSettingsChanged);
    connect(&settings_, &Settings::smoothRouteChanged, this, [this] {
        // Every track is made again, the trip's as well as the playing clip's.
        tracks_.clear();
        const ClipTelemetry clip = shownClip_;
        const TripTelemetry trip = shownTrip_;
        trip_.clear();
        setTrip(trip);
        if (!clip.path.isEmpty())
            showClip(clip);
    });
    connect(SourceChecker::shared(), &SourceChecker::inspected, this, [this](const QString &path) {
        if (!settings_.offlineSources().contains(path))
            return;
        pushTileConfig();
        updateBanner();
    });
    tileServer_->setNetworkAllowed(networkAllowed());
    if (settings_.useOnlineMaps()) {
        startInternetNotification();
    } else {
        // No network check to wait for: the map shows what the offline sources hold.
        tileServer_->setNetworkAllowed(false);
        reloadHtmlData();
    }
}

MapPane::~MapPane()
{
    // The probe thread goes before the widgets its handlers touch.
    delete reachability_;
}

bool MapPane::streetMapChosen() const
{
    return !settings_.googleMap();
}

QString MapPane::probedHost(bool street)
{
    return QLatin1String(street ? kStreetHost : kGoogleHost);
}

QUrl MapPane::pageBaseUrl()
{
    return QUrl(QStringLiteral("qrc:/map/"));
}

QString MapPane::pageText(bool street, const QString &googleApiKey)
{
    QFile file(QStringLiteral(":/map/") + QLatin1String(street ? kStreetPage : kGooglePage));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    QString text = QString::fromUtf8(file.readAll());
    if (!street) {
        // Percent-encoded, the key cannot break out of the script's string or the URL.
        const QString key = QString::fromLatin1(QUrl::toPercentEncoding(googleApiKey.trimmed()));
        text.replace(QLatin1String("__GOOGLE_MAPS_API_KEY__"), key);
        text.replace(QLatin1String("__TEXT_NO_KEY__"), htmlEscaped(Localization::text(kNoKeyText)));
        text.replace(QLatin1String("__TEXT_LOAD_FAILED__"), htmlEscaped(Localization::text(kLoadFailedText)));
    }
    return text;
}

void MapPane::reloadHtmlData()
{
    loadMapHTMLData(currentLocationChina_);
}

void MapPane::loadMapHTMLData(bool street)
{
    // Without online maps the Google page, which only exists online, is never loaded.
    street = streetPageFor(street, settings_.useOnlineMaps());
    loadedStreet_ = street;
    ++pageLoadRequests_;
    const QString key = settings_.googleMapsApiKey();
    webview_->setHtml(pageText(street, key), pageBaseUrl());
}

void MapPane::changeMapUI()
{
    currentLocationChina_ = streetMapChosen();
    // The other map fetches from another host: the check follows the choice.
    if (reachability_)
        reachability_->setHostname(probedHost(currentLocationChina_));
    loadMapHTMLData(currentLocationChina_);
}

void MapPane::zoomInOut()
{
    reloadHtmlData();
    emit zoomRequested(zoomState_);
}

void MapPane::setZoomState(qint64 state)
{
    zoomState_ = state;
    updateExpandButton();
}

void MapPane::evaluate(const QString &script)
{
    // Results and script errors are of no interest; the call returns at once.
    page_->runJavaScript(script);
}

void MapPane::showClip(const ClipTelemetry &clip)
{
    emit distanceMeasured(0);
    ++routeNumber_;
    markerPosition_ = -1;
    const QString path = clip.path;
    currentPlayVideoPath_ = path;
    shownClip_ = clip;
    offsets_.insert(path, clip.offsetMs);
    currentTrack_ = MapRoute::clipTrack(*clip.samples, clip.positions, settings_.smoothRoute());
    const QList<MapPoint> &route = currentTrack_.points;

    QStringList arrayForm;
    QStringList objectForm;
    arrayForm.reserve(route.size());
    objectForm.reserve(route.size());
    for (const MapPoint &p : route) {
        arrayForm << MapRoute::pointArrayJson(p);
        objectForm << MapRoute::pointObjectJson(p);
    }
    currentVideoGpsDataArr_ = arrayForm;
    currentVideoGpsDataArrGoogle_ = objectForm;
    // Another place may lie outside the offline maps.
    if (textFieldNoLine_->isVisibleTo(this))
        updateBanner();

    // The page stays: the route is replaced by script. Only a pane that has no page
    // yet (the network check has not answered) loads one now.
    if ((!route.isEmpty() || inTrip()) && !loadedStreet_)
        reloadHtmlData();

    evaluate(routeNumberScript());
    if (inTrip()) {
        tripPlaying_ = int(trip_.indexOf(path));
        if (tripShown_)
            evaluate(QStringLiteral("setTripPlaying(%1)").arg(tripPlaying_));
        else if (!tripLoading_)
            showTrip(false);
        // The Google page draws the playing clip alone.
        evaluate(MapRoute::scriptCall("drawPolyLinePath1", MapRoute::listJson(currentVideoGpsDataArrGoogle_)));
        return;
    }
    tripShown_ = false;
    evaluate(drawingScript(false));
    evaluate(MapRoute::scriptCall("drawPolyLinePath", MapRoute::listJson(currentVideoGpsDataArr_)));
    evaluate(MapRoute::scriptCall("drawPolyLinePath1", MapRoute::listJson(currentVideoGpsDataArrGoogle_)));
}

QString MapPane::routeNumberScript() const
{
    return QStringLiteral("window.veltraRoute = %1;").arg(routeNumber_);
}

void MapPane::setDuration(double seconds)
{
    totalTime_ = seconds;
    if (seconds > 0)
        durations_.insert(currentPlayVideoPath_, seconds);
}

bool MapPane::inTrip() const
{
    return trip_.size() > 1 && trip_.contains(currentPlayVideoPath_);
}

void MapPane::setTrip(const TripTelemetry &trip)
{
    QStringList paths;
    paths.reserve(trip.clips.size());
    for (const ClipTelemetry &clip : trip.clips) {
        paths << clip.path;
        offsets_.insert(clip.path, clip.offsetMs);
    }
    tripPlaying_ = trip.playing;
    shownTrip_ = trip;
    if (paths == trip_)
        return;
    const bool wasShown = tripShown_;
    trip_ = paths;
    ++tripGeneration_;
    tripShown_ = false;
    tripLoading_ = false;
    if (trip_.size() > 1) {
        loadTripTracks(trip);
    } else if (wasShown) {
        // The trip has ended in a clip of its own: that clip alone.
        evaluate(drawingScript(false));
        evaluate(MapRoute::scriptCall("drawPolyLinePath", MapRoute::listJson(currentVideoGpsDataArr_)));
    }
}

void MapPane::loadTripTracks(const TripTelemetry &trip)
{
    // The samples are shared, not copied; turning them into points and texts happens
    // off the main thread.
    QList<ClipTelemetry> jobs;
    for (const ClipTelemetry &clip : trip.clips) {
        // A clip not played yet: its duration from the movie header, for clicks.
        if (clip.durationMs > 0 && !durations_.contains(clip.path))
            durations_.insert(clip.path, double(clip.durationMs) / 1000.0);
        const auto known = tracks_.constFind(clip.path);
        // Made again when the route has other points (glitches left out or counted).
        if (known != tracks_.cend() && size_t((*known)->sampleCount) == clip.samples->size() &&
            (*known)->samples == clip.positions && (*known)->smooth == settings_.smoothRoute())
            continue;
        jobs.append(clip);
    }
    if (jobs.isEmpty()) {
        showTrip(true);
        return;
    }
    using Track = QPair<QString, std::shared_ptr<const ClipTrack>>;
    tripLoading_ = true;
    const int generation = tripGeneration_;
    auto *watcher = new QFutureWatcher<Track>(this);
    connect(watcher, &QFutureWatcher<Track>::finished, this, [this, watcher, generation] {
        for (const auto &[path, track] : watcher->future().results())
            tracks_.insert(path, track);
        watcher->deleteLater();
        if (generation != tripGeneration_)
            return;
        tripLoading_ = false;
        showTrip(true);
    });
    watcher->setFuture(QtConcurrent::mapped(jobs, [smooth = settings_.smoothRoute()](const ClipTelemetry &clip) {
        return Track(clip.path,
                     std::make_shared<const ClipTrack>(MapRoute::clipTrack(*clip.samples, clip.positions, smooth)));
    }));
}

void MapPane::showTrip(bool fit)
{
    if (!inTrip()) {
        // The trip's first clip has not reached the map yet: its turn draws it.
        return;
    }
    QList<const ClipTrack *> clips;
    clips.reserve(trip_.size());
    for (const QString &path : std::as_const(trip_)) {
        const auto it = tracks_.constFind(path);
        clips.append(it == tracks_.cend() ? nullptr : it->get());
    }
    tripPlaying_ = int(trip_.indexOf(currentPlayVideoPath_));
    if (!loadedStreet_)
        reloadHtmlData();
    evaluate(routeNumberScript());
    evaluate(drawingScript(true));
    evaluate(MapRoute::tripScript(clips, tripPlaying_, fit));
    tripShown_ = true;
    emit tripDrawn(int(clips.size()));
}

QString MapPane::drawingScript(bool trip)
{
    ++drawing_;
    drawingIsTrip_ = trip;
    return QStringLiteral("window.veltraDrawing = %1;").arg(drawing_);
}

double MapPane::secondsForPoint(const ClipTrack &track, int point, double duration)
{
    if (point < 0 || point >= track.samples.size())
        return -1;
    return IndexRule::secondsFor(track.samples.at(point), duration, track.sampleCount);
}

void MapPane::pageRouteClicked(int clip, int point, int drawing)
{
    if (drawing != drawing_)
        return;
    QString path = currentPlayVideoPath_;
    const ClipTrack *track = &currentTrack_;
    if (drawingIsTrip_) {
        if (clip >= trip_.size())
            return;
        path = trip_.at(clip);
        const auto it = tracks_.constFind(path);
        if (it == tracks_.cend())
            return;
        track = it->get();
    } else if (clip != 0) {
        return;
    }
    const double duration = path == currentPlayVideoPath_ ? totalTime_ : durations_.value(path, 0.0);
    const double seconds = secondsForPoint(*track, point, duration);
    // The picture that shows the point's sample.
    if (seconds >= 0)
        emit routeClicked(QUrl::fromEncoded(path.toUtf8()),
                          std::max(0.0, TelemetryEvents::pictureTime(seconds, offsets_.value(path))));
}

void MapPane::showMoment(const TelemetryMoment &moment)
{
    // The route holds the clip's positions, one point each: the moment's position is
    // the marker's point.
    markerPosition_ = moment.position;
    placeMarker();
}

void MapPane::placeMarker()
{
    const int i = markerPosition_;
    if (i >= 0 && i < currentVideoGpsDataArr_.size())
        evaluate(MapRoute::scriptCall("updateMarkerPosition", currentVideoGpsDataArr_.at(i)));
    if (i >= 0 && i < currentVideoGpsDataArrGoogle_.size())
        evaluate(MapRoute::scriptCall("updateMarkerPosition1", currentVideoGpsDataArrGoogle_.at(i)));
}

void MapPane::removeLineMap()
{
    tripShown_ = false;
    evaluate(QStringLiteral("removeLine()"));
}

void MapPane::webViewDidFinishLoad(bool ok)
{
    // A load replaced by a newer one reports failure; the newer one will finish.
    if (!ok)
        return;
    evaluate(MapPageBridge::installScript());
    redrawRoute();
}

void MapPane::pageDidBecomeReady(const QString &page)
{
    redrawRoute();
    emit mapPageReady(page == QLatin1String("street"));
}

void MapPane::redrawRoute()
{
    pushTileConfig();
    // The route is fitted below the banner while it shows.
    evaluate(QStringLiteral("window.setTopInset && setTopInset(%1)")
                 .arg(textFieldNoLine_->isVisibleTo(this) ? textFieldNoLine_->height() : 0));
    if (inTrip() && !tripLoading_) {
        showTrip(true);
        if (!currentVideoGpsDataArrGoogle_.isEmpty())
            evaluate(MapRoute::scriptCall("drawPolyLinePath1", MapRoute::listJson(currentVideoGpsDataArrGoogle_)));
    } else {
        evaluate(routeNumberScript());
        evaluate(drawingScript(false));
        if (!currentVideoGpsDataArr_.isEmpty())
            evaluate(MapRoute::scriptCall("drawPolyLinePath", MapRoute::listJson(currentVideoGpsDataArr_)));
        if (!currentVideoGpsDataArrGoogle_.isEmpty())
            evaluate(MapRoute::scriptCall("drawPolyLinePath1", MapRoute::listJson(currentVideoGpsDataArrGoogle_)));
    }
    // A page loaded anew (the map enlarged, another map chosen) shows the car where it
    // was, also while paused, when no tick comes to move it.
    placeMarker();
}

void MapPane::didReceiveDistance(double metres, double route)
{
    if (route != double(routeNumber_))
        return;
    emit distanceMeasured(float(metres));
}

void MapPane::startInternetNotification()
{
    if (reachability_)
        return;
    Reachability *r = Reachability::reachabilityWithHostname(probedHost(currentLocationChina_), this);
    if (!r)
        return;
    reachability_ = r;
    r->setReachableBlock([this](Reachability *) { networkResult(true); });
    r->setUnreachableBlock([this](Reachability *) { networkResult(false); });
    r->startNotifier();
}

void MapPane::networkResult(bool reachable)
{
    // A result on its way when online maps were turned off is dropped.
    if (!settings_.useOnlineMaps())
        return;
    reachable_ = reachable;
    tileServer_->setNetworkAllowed(networkAllowed());
    if (!loadedStreet_)
        reloadHtmlData();   // the first result loads the page
    else
        pushTileConfig();
    updateBanner();
}

bool MapPane::networkAllowed() const
{
    return settings_.useOnlineMaps() && reachable_.value_or(true);
}

void MapPane::onlineMapsChanged()
{
    const bool online = settings_.useOnlineMaps();
    if (!online) {
        if (reachability_)
            reachability_->stopNotifier();
        reachable_.reset();
    } else if (!reachability_) {
        startInternetNotification();
    } else if (!reachability_->isNotifierRunning()) {
        reachability_->startNotifier();
    }
    tileServer_->setNetworkAllowed(networkAllowed());
    // The Google page comes and goes with online maps; the other page just retiles.
    if (!loadedStreet_ || *loadedStreet_ != streetPageFor(currentLocationChina_, online))
        reloadHtmlData();
    else
        pushTileConfig();
    updateBanner();
}

QString MapPane::tileConfigScript(bool networkAllowed, const QStringList &sources,
                                             const QList<TileSourceInfo> &inspected)
{
    int maxNative = -1;
    QStringList attributions{QStringLiteral(
        "&copy; <a href=\"https://www.openstreetmap.org/copyright\">OpenStreetMap</a> contributors")};
    for (const TileSourceInfo &info : inspected) {
        if (!info.usable)
            continue;
        maxNative = std::max(maxNative, info.maxZoom);
        if (!info.attribution.isEmpty() && !attributions.contains(info.attribution.toHtmlEscaped()))
            attributions << info.attribution.toHtmlEscaped();
    }
    QJsonObject config;
    // The sources are part of the tile address, so that the web engine's memory of
    // tiles from other sources is not used for these.
    const QByteArray generation = QCryptographicHash::hash(
        (sources.join(QLatin1Char('\n')) + (networkAllowed ? QStringLiteral("+net") : QString())).toUtf8(),
        QCryptographicHash::Sha1).toHex().left(12);
    config.insert(QStringLiteral("url"), MapTileServer::pageTileUrl() + QStringLiteral("?s=") + QString::fromLatin1(generation));
    config.insert(QStringLiteral("online"), networkAllowed);
    // Offline, tiles beyond the sources' deepest zoom are drawn enlarged from it.
    config.insert(QStringLiteral("maxNativeZoom"), networkAllowed || maxNative < 0 ? 19 : maxNative);
    config.insert(QStringLiteral("attribution"), attributions.join(QStringLiteral(" | ")));
    return QStringLiteral("window.setTileConfig && setTileConfig(%1)")
        .arg(QString::fromUtf8(QJsonDocument(config).toJson(QJsonDocument::Compact)));
}

QList<TileSourceInfo> MapPane::inspectedSources() const
{
    // Sources not inspected yet are inspected now, off the main thread; their answers
    // come back through the inspector's signal.
    QList<TileSourceInfo> known;
    for (const QString &path : settings_.offlineSources())
        if (const std::optional<TileSourceInfo> info = SourceChecker::shared()->info(path))
            known << *info;
    return known;
}

void MapPane::pushTileConfig()
{
    evaluate(tileConfigScript(networkAllowed(), settings_.offlineSources(), inspectedSources()));
}

void MapPane::configureTileServer()
{
    tileServer_->setOfflineSources(settings_.offlineSources());
    tileServer_->setOnlineMaps(settings_.useOnlineMaps());
    tileServer_->setTileServer(MapSettings::tileServerTemplate(settings_.tileServerForTests()));
    tileServer_->setCacheLimitBytes(settings_.cacheLimitBytes());
}

QString MapPane::bannerText(bool serverUnreachable, bool offlineMapDrawn)
{
    if (!serverUnreachable)
        return QString();
    return Localization::text(offlineMapDrawn ? kOfflineMapMessageKey : kNoLineMessageKey);
}

bool MapPane::offlineMapDrawn(const QList<TileSourceInfo> &sources, const QList<MapPoint> &route)
{
    float south = 90, west = 180, north = -90, east = -180;
    for (const MapPoint &p : route) {
        south = std::min(south, p.lat);
        north = std::max(north, p.lat);
        west = std::min(west, p.lng);
        east = std::max(east, p.lng);
    }
    return std::any_of(sources.cbegin(), sources.cend(), [&](const TileSourceInfo &info) {
        if (!info.usable)
            return false;
        if (route.isEmpty() || !info.bounds)
            return true;
        const TileBounds &b = *info.bounds;
        return b.south <= north && south <= b.north && b.west <= east && west <= b.east;
    });
}

void MapPane::updateBanner()
{
    // The map always stays; while the tile server cannot be reached (and online maps
    // are on) the message runs as a banner across its top.
    const bool unreachable = settings_.useOnlineMaps() && reachable_ == false;
    QString text = bannerText(unreachable, offlineMapDrawn(inspectedSources(), currentTrack_.points));
    if (text.isEmpty())
        dismissedBanner_.clear();   // the next time the map cannot be reached, it says so again
    else if (text == dismissedBanner_)
        text.clear();
    if (text.isEmpty()) {
        textFieldNoLine_->hide();
    } else {
        textFieldNoLine_->setText(text);
        layoutChildren();
        textFieldNoLine_->show();
        textFieldNoLine_->raise();
    }
    evaluate(QStringLiteral("window.setTopInset && setTopInset(%1)").arg(text.isEmpty() ? 0 : textFieldNoLine_->height()));
    expandButton_->raise();
}

void MapPane::updateExpandButton()
{
    const bool enlarged = zoomState_ != 0;
    const qreal dpr = devicePixelRatioF();
    expandButton_->setIcon(QIcon(NamedImage::pixmap(enlarged ? QStringLiteral("map_restore") : QStringLiteral("map_expand"),
                                                    QSize(20, 20), dpr)));
    expandButton_->setToolTip(Localization::text(enlarged ? kRestoreText : kEnlargeText));
}

void MapPane::layoutChildren()
{
    webview_->setGeometry(rect());
    const int bannerWidth = std::max(0, width() - expandButton_->width() - 20);
    const int bannerHeight = textFieldNoLine_->heightForWidth(bannerWidth);
    const bool heightChanged = bannerHeight != textFieldNoLine_->height();
    textFieldNoLine_->setGeometry(0, 0, bannerWidth, bannerHeight);
    bannerClose_->move(bannerWidth - bannerClose_->width() - 2, 2);
    // A narrower pane or a longer text makes the banner taller: the route moves down with it.
    if (heightChanged && textFieldNoLine_->isVisibleTo(this))
        evaluate(QStringLiteral("window.setTopInset && setTopInset(%1)").arg(bannerHeight));
    expandButton_->move(width() - expandButton_->width() - 10, 10);
    expandButton_->raise();
}

void MapPane::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutChildren();
}

void MapPane::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LanguageChange) {
        updateExpandButton();
        if (textFieldNoLine_->isVisibleTo(this))
            updateBanner();
    }
}

MapSnapshot::Tiles MapPane::localTiles() const
{
    return [server = QPointer<MapTileServer>(tileServer_), sources = settings_.offlineSources()](const TileId &tile)
               -> std::optional<QByteArray> {
        if (!server)
            return std::nullopt;
        return server->localTile(sources, tile);
    };
}
