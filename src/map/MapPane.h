// The map pane: shows the route of the playing file on a local map page and moves
// a marker along it as the video plays (the drive's telemetry says where). The controller draws nothing itself: it
// loads one of two pages ("OpenStreetMap.html" or "google_map.html"), hands them the
// route as JSON through script calls, and receives the route length back through
// the page's global function "cocoa_getDistance". The page is loaded once per map
// choice; a new file replaces the route by script. Tiles come from the offline
// sources, the tile cache and, when allowed and reachable, the tile server; while the
// tile server cannot be reached a banner across the top of the map says so, and
// whether an offline map is drawn instead.
#pragma once

#include "MapRoute.h"
#include "drive/DriveTelemetry.h"
#include "MapSnapshot.h"
#include "TileSource.h"

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QWidget>

#include <QHash>

#include <memory>
#include <optional>

class QLabel;
class QToolButton;
class QWebChannel;
class QWebEngineView;
class MapPageBridge;
class MapWebPage;
class Reachability;
class Settings;

class MapPane : public QWidget {
    Q_OBJECT
public:
    // The tiles this machine keeps for the map's settings (offline sources first, then
    // the tile cache), never fetched; callable on any thread.
    MapSnapshot::Tiles localTiles() const;
    // The key of the message shown while the map is not available.
    static constexpr char kNoLineMessageKey[] =
        "   Map not available, please check your,internet connection and / or select an alternative map from the , Setting menu.";
    // The key of the message shown while an offline map is drawn without the tile server.
    static constexpr char kOfflineMapMessageKey[] = "Offline map: no internet connection.";
    static constexpr char kStreetPage[] = "OpenStreetMap.html";
    static constexpr char kGooglePage[] = "google_map.html";
    // The hosts the network check asks: the one each map fetches from.
    static constexpr char kGoogleHost[] = "maps.googleapis.com";
    static constexpr char kStreetHost[] = "tile.openstreetmap.org";

    // The map's choices (the map, online maps, the offline sources, the tile cache) are
    // those of `settings`; the map follows their changes.
    explicit MapPane(Settings &settings, QWidget *parent = nullptr);
    ~MapPane() override;

    // The playing clip (its route replaces the one drawn), its duration, and where the
    // clock is in it (the marker goes to its position).
    void showClip(const ClipTelemetry &clip);
    void setDuration(double seconds);
    void showMoment(const TelemetryMoment &moment);
    void removeLineMap();

    // Loads the page of the current map choice.
    void reloadHtmlData();
    // Loads the OpenStreetMap page when `street` is true, the Google page otherwise.
    void loadMapHTMLData(bool street);
    // Re-reads "change_map" and loads the chosen page.
    void changeMapUI();
    // The pane's expand action: reload, then ask the layout to enlarge or restore the
    // pane (zoomRequested); the layout answers with setZoomState.
    void zoomInOut();
    void setZoomState(qint64 state);
    void startInternetNotification();

    // The playing trip: its clips in time order and the place of the one playing. A
    // trip of several clips is drawn whole, the playing clip's part in the route
    // colour; its tracks are made in the background, once per clip. Moving to the
    // next clip of the same trip changes colours by script; the view fits a new trip
    // once and then follows the marker. A trip of one clip is drawn as a file alone.
    void setTrip(const TripTelemetry &trip);
    const QStringList &tripClips() const { return trip_; }
    // The page has been given the whole trip.
    bool tripShown() const { return tripShown_; }
    // Clips whose track has been read and kept.
    int cachedTracks() const { return int(tracks_.size()); }
    // Where a click on point `point` of a clip's track goes: the second of its sample
    // by the index rule over the clip's samples, for a clip that lasts `duration`
    // seconds (0 when not known: one sample a second, as the cameras write them).
    static double secondsForPoint(const ClipTrack &track, int point, double duration);

    // The page text to load for a choice: the page file from the resources, and for
    // the Google page with the access key and its notices filled in. Empty when the
    // file cannot be read.
    static QString pageText(bool street, const QString &googleApiKey);
    static QUrl pageBaseUrl();
    // YES (OpenStreetMap) unless the settings choose Google Maps.
    bool streetMapChosen() const;
    // The host whose reachability decides whether the map of a choice can be shown.
    static QString probedHost(bool street);

    QWebEngineView *webview() const { return webview_; }
    QLabel *textFieldNoLine() const { return textFieldNoLine_; }
    QToolButton *expandButton() const { return expandButton_; }
    QToolButton *bannerCloseButton() const { return bannerClose_; }
    Reachability *reachability() const { return reachability_; }
    bool currentLocationChina() const { return currentLocationChina_; }
    qint64 zoomState() const { return zoomState_; }
    double totalTime() const { return totalTime_; }
    QString currentPlayVideoPath() const { return currentPlayVideoPath_; }
    // The route as per-point JSON texts: array form and object form, same order.
    const QStringList &currentVideoGpsDataArr() const { return currentVideoGpsDataArr_; }
    const QStringList &currentVideoGpsDataArrGoogle() const { return currentVideoGpsDataArrGoogle_; }
    // Page loads requested since construction.
    int pageLoadRequests() const { return pageLoadRequests_; }
    // Whether the OpenStreetMap page is shown for a choice: always when online maps are off.
    static bool streetPageFor(bool streetChosen, bool onlineMaps) { return streetChosen || !onlineMaps; }
    // The text of the page's tile set-up call for the given state (see setTileConfig in
    // the page); `inspected` are the answers known for `sources`.
    static QString tileConfigScript(bool networkAllowed, const QStringList &sources,
                                    const QList<TileSourceInfo> &inspected);
    // The banner's text: none unless the tile server was found unreachable (with online
    // maps on); then whether an offline map is drawn or no map at all.
    static QString bannerText(bool serverUnreachable, bool offlineMapDrawn);
    // Whether an offline map is drawn under `route`: a usable source whose area meets the
    // route's (one of unknown area counts); with no route, any usable source.
    static bool offlineMapDrawn(const QList<TileSourceInfo> &sources, const QList<MapPoint> &route);

signals:
    // A freshly loaded page has its call-back and has been sent the route.
    void mapPageReady(bool street);
    // A click on the route: go to `seconds` of `clip` (the playing clip or another
    // clip of the trip).
    void routeClicked(const QUrl &clip, double seconds);
    // The page has been given the whole trip of `clips` clips.
    void tripDrawn(int clips);
    // The length of the playing clip's route as the page measured it (0 for a new file).
    void distanceMeasured(float metres);
    // The expand control was used.
    void zoomRequested(qint64 state);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    // The car at the moment shown last (its route position), on the page as it is now.
    void placeMarker();
    int markerPosition_ = -1;
    void webViewDidFinishLoad(bool ok);
    void pageDidBecomeReady(const QString &page);
    void redrawRoute();
    void didReceiveDistance(double metres, double route);
    QString routeNumberScript() const;
    void updateBanner();
    QList<TileSourceInfo> inspectedSources() const;
    void networkResult(bool reachable);
    void onlineMapsChanged();
    // Hands the tile server what the settings say.
    void configureTileServer();
    bool networkAllowed() const;
    void pushTileConfig();
    void evaluate(const QString &script);
    bool inTrip() const;
    void loadTripTracks(const TripTelemetry &trip);
    void showTrip(bool fit);
    QString drawingScript(bool trip);
    void pageRouteClicked(int clip, int point, int drawing);
    void updateExpandButton();
    void layoutChildren();

    Settings &settings_;
    QWebEngineView *webview_ = nullptr;
    MapWebPage *page_ = nullptr;
    QWebChannel *channel_ = nullptr;
    MapPageBridge *bridge_ = nullptr;
    QLabel *textFieldNoLine_ = nullptr;
    QToolButton *expandButton_ = nullptr;
    QToolButton *bannerClose_ = nullptr;
    QString dismissedBanner_;   // the banner text the user closed
    QPointer<Reachability> reachability_;

    QStringList currentVideoGpsDataArr_;
    QStringList currentVideoGpsDataArrGoogle_;
    QString currentPlayVideoPath_;
    double totalTime_ = 0;
    bool currentLocationChina_ = true;
    qint64 zoomState_ = 0;
    int pageLoadRequests_ = 0;
    // The page in the view (true: OpenStreetMap), none before the first load.
    std::optional<bool> loadedStreet_;
    // The last network check result, none before the first one or while online maps are off.
    std::optional<bool> reachable_;
    class MapTileServer *tileServer_ = nullptr;
    // Counts the files given to the map; the page's distance reports carry it.
    int routeNumber_ = 0;

    // The playing trip (clip path texts), empty when there is none.
    QStringList trip_;
    int tripPlaying_ = -1;
    int tripGeneration_ = 0;
    bool tripShown_ = false;
    bool tripLoading_ = false;
    QHash<QString, std::shared_ptr<const ClipTrack>> tracks_;
    // Durations of the clips played so far.
    QHash<QString, double> durations_;
    QHash<QString, int> offsets_;   // each clip's telemetry nudge, for a click on its route
    // The playing file's track, for clicks on a route drawn alone.
    ClipTrack currentTrack_;
    // What was last shown, drawn again when the route's smoothing changes.
    ClipTelemetry shownClip_;
    TripTelemetry shownTrip_;
    // Counts the drawings given to the page; clicks carry the number of the one clicked.
    int drawing_ = 0;
    bool drawingIsTrip_ = false;
};
