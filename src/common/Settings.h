// Every setting the program keeps, in one settings file. The window makes one and hands
// it to the parts that show or change a setting; they read a value when they need it
// and follow its change signal. A change is written to the file and out to disk at once,
// then announced once (the angles of the dials are written by a background writer and
// announce nothing). Stored values of the wrong type, and numbers that are not finite,
// read as absent, so that every setting falls back to its default.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <optional>

class QSettings;
class RotationStore;

class Settings : public QObject {
    Q_OBJECT
    // "speed_unit": "mileph" for mph; anything else is km/h (and is stored as "kmph").
    Q_PROPERTY(bool kmph READ kmph WRITE setKmph NOTIFY speedUnitChanged)
    // "change_map": "google" for Google Maps; anything else is OpenStreetMap ("street").
    Q_PROPERTY(bool googleMap READ googleMap WRITE setGoogleMap NOTIFY mapProviderChanged)
    // "volume": 0.0 .. 1.0, full when nothing is stored.
    Q_PROPERTY(double volume READ volume WRITE setVolume NOTIFY volumeChanged)
    // "capture_caption": captured pictures get a strip with their time, position and speed.
    Q_PROPERTY(bool captureCaption READ captureCaption WRITE setCaptureCaption NOTIFY captureCaptionChanged)
    // "userLanguage": the language the user chose ("zh-Hans", "en"), empty when none.
    Q_PROPERTY(QString userLanguage READ userLanguage WRITE setUserLanguage NOTIFY userLanguageChanged)
    // Privacy: saved pictures carry the place and speed of their moment unless turned
    // off; the remote control tells every program on the bus where the car is only when
    // turned on.
    Q_PROPERTY(bool placeInPictures READ placeInPictures WRITE setPlaceInPictures NOTIFY placeInPicturesChanged)
    Q_PROPERTY(bool placeToMediaControls READ placeToMediaControls WRITE setPlaceToMediaControls
                   NOTIFY placeToMediaControlsChanged)
    // On unless the user turned it off: with it off no map request leaves the program.
    Q_PROPERTY(bool useOnlineMaps READ useOnlineMaps WRITE setUseOnlineMaps NOTIFY useOnlineMapsChanged)
    // The offline map sources in the order they are asked (MBTiles files, z/x/y folders).
    Q_PROPERTY(QStringList offlineSources READ offlineSources WRITE setOfflineSources NOTIFY offlineSourcesChanged)
    // The size of the cache of tiles seen online, in MB (0 keeps none).
    Q_PROPERTY(int cacheLimitMB READ cacheLimitMB WRITE setCacheLimitMB NOTIFY cacheLimitChanged)
    // Points the OpenStreetMap page at another tile server (tests only); empty for the usual one.
    Q_PROPERTY(QString tileServerForTests READ tileServerForTests WRITE setTileServerForTests
                   NOTIFY tileServerForTestsChanged)
    // The trip panel shows the figures of the playing trip rather than of the clip.
    Q_PROPERTY(bool tripPanelShowsTrip READ tripPanelShowsTrip WRITE setTripPanelShowsTrip
                   NOTIFY tripPanelShowsTripChanged)
    // "clean_gps": GPS glitches are left out of routes, distances, maxima and events; on
    // unless the user turned it off.
    Q_PROPERTY(bool cleanGps READ cleanGps WRITE setCleanGps NOTIFY cleanGpsChanged)
    // "smooth_route": the map draws the route lightly smoothed; off unless turned on.
    Q_PROPERTY(bool smoothRoute READ smoothRoute WRITE setSmoothRoute NOTIFY smoothRouteChanged)
    // "export_location": how much of the place an export gives away ("full", "coarse",
    // "none"); everything when nothing else is stored.
    Q_PROPERTY(QString exportLocation READ exportLocation WRITE setExportLocation NOTIFY exportLocationChanged)
    Q_PROPERTY(QString overlayChoice READ overlayChoice WRITE setOverlayChoice NOTIFY overlayChoiceChanged)
    // "export_blur": whether the exports blur the marked areas and how ("on:gaussian:6").
    Q_PROPERTY(QString exportBlur READ exportBlur WRITE setExportBlur)
    // "time_clock": the clock times are shown on ("camera", "utc", "system", "zone"; the
    // camera's when nothing else is stored) and "time_zone": the IANA zone for "zone".
    Q_PROPERTY(QString timeClock READ timeClock WRITE setTimeClock NOTIFY timesChanged)
    Q_PROPERTY(QString timeZone READ timeZone WRITE setTimeZone NOTIFY timesChanged)
    // "telemetry_offsets": per camera name pattern, the milliseconds its telemetry is
    // moved against the picture (only the entries that are whole numbers other than 0).
    Q_PROPERTY(QVariantMap telemetryOffsets READ telemetryOffsets WRITE setTelemetryOffsets
                   NOTIFY telemetryOffsetsChanged)
    // "channel_offsets": per camera name pattern, the milliseconds that camera's picture is
    // held after the lead's (whole numbers other than 0, clamped to kChannelOffsetLimitMs).
    Q_PROPERTY(QVariantMap channelOffsets READ channelOffsets WRITE setChannelOffsets
                   NOTIFY channelOffsetsChanged)
    // "AppleLanguages": the preferred languages, when the file names them.
    Q_PROPERTY(QStringList preferredLanguages READ preferredLanguages CONSTANT)
    // "google_maps_api_key": the key the Google page is loaded with.
    Q_PROPERTY(QString googleMapsApiKey READ googleMapsApiKey CONSTANT)

public:
    static constexpr int kDefaultCacheLimitMB = 500;
    static constexpr int kChannelOffsetLimitMs = 5000;

    // The user's settings file. Both provider settings are normalised in it at once.
    explicit Settings(QObject *parent = nullptr);
    // Another settings file of the same format (tests).
    explicit Settings(const QString &fileName, QObject *parent = nullptr);
    // Waits for the angle writes.
    ~Settings() override;

    QString fileName() const;

    bool kmph() const;
    void setKmph(bool kmph);
    bool googleMap() const;
    void setGoogleMap(bool google);
    double volume() const;
    void setVolume(double volume);
    // How a moment's cameras are laid out ("insets" unless set), and whether the rear
    // camera is shown as a rear-view mirror shows it.
    QString cameraLayout() const;
    // The layout the user chose; empty until then (the player picks by the cameras' count).
    QString chosenCameraLayout() const;
    void setCameraLayout(const QString &layout);
    bool mirrorRear() const;
    void setMirrorRear(bool on);
    // Playback ▸ Skip Stops (off until chosen).
    bool skipStops() const;
    void setSkipStops(bool on);
    // The main window's place and size and its dividers as it saved them (empty when
    // never saved); no signal.
    QByteArray windowGeometry() const;
    void setWindowGeometry(const QByteArray &geometry);
    QByteArray windowDividers() const;
    void setWindowDividers(const QByteArray &dividers);
    // "inset_share": the share of the picture's width and height an inset takes, when a
    // number above 0 and at most 1 is stored (the player keeps it within its bounds).
    std::optional<double> insetShare() const;
    void setInsetShare(double share);
    bool captureCaption() const;
    void setCaptureCaption(bool on);
    bool incidentView() const;
    void setIncidentView(bool on);
    QString userLanguage() const;
    void setUserLanguage(const QString &language);
    QStringList preferredLanguages() const;
    bool placeInPictures() const;
    void setPlaceInPictures(bool on);
    bool placeToMediaControls() const;
    void setPlaceToMediaControls(bool on);
    bool useOnlineMaps() const;
    void setUseOnlineMaps(bool on);
    QStringList offlineSources() const;
    void setOfflineSources(const QStringList &paths);
    int cacheLimitMB() const;
    qint64 cacheLimitBytes() const;
    void setCacheLimitMB(int mb);
    QString tileServerForTests() const;
    void setTileServerForTests(const QString &urlTemplate);
    QString googleMapsApiKey() const;
    bool tripPanelShowsTrip() const;
    void setTripPanelShowsTrip(bool trip);
    bool cleanGps() const;
    void setCleanGps(bool on);
    bool smoothRoute() const;
    void setSmoothRoute(bool on);
    QString exportLocation() const;
    // The last overlay chosen for a video export, as its dialog writes it; empty at first.
    QString overlayChoice() const;
    void setOverlayChoice(const QString &choice);
    // Whether the exports blur the marked areas and how, as the export dialogs write it;
    // empty at first.
    QString exportBlur() const;
    void setExportBlur(const QString &choice);
    void setExportLocation(const QString &location);
    QString timeClock() const;
    void setTimeClock(const QString &clock);
    QString timeZone() const;
    void setTimeZone(const QString &zone);
    // The folder the last export was written to, where the next one's dialog starts;
    // empty before the first.
    QString exportFolder() const;
    void setExportFolder(const QString &folder);
    QVariantMap telemetryOffsets() const;
    void setTelemetryOffsets(const QVariantMap &offsets);
    // One camera's entry: 0 when none; setting 0 removes it.
    int telemetryOffsetMs(const QString &pattern) const;
    void setTelemetryOffsetMs(const QString &pattern, int ms);
    QVariantMap channelOffsets() const;
    void setChannelOffsets(const QVariantMap &offsets);
    // One camera's entry, as above: 0 when none; setting 0 removes it.
    int channelOffsetMs(const QString &pattern) const;
    void setChannelOffsetMs(const QString &pattern, int ms);

    // "trip_gap_seconds": the longest pause within a trip, when one from 0 to a day is stored.
    std::optional<double> tripGapSeconds() const;

    // The driving event thresholds as stored, each when it is a positive number: km/h
    // within a second, g, g, and the over-speed limit in km/h (absent: off).
    std::optional<double> eventSpeedChangeKmh() const;
    std::optional<double> eventHarshG() const;
    std::optional<double> eventImpactG() const;
    std::optional<double> eventOverSpeedKmh() const;
    // Stores all four, then announces them once.
    void setEventThresholds(double speedChangeKmh, double harshG, double impactG, double overSpeedKmh);

    // The last angles of the compass pointer and the speed needle (radians). They change
    // with the clock, so the disk write runs in the background; a read sees every
    // value set before it.
    std::optional<double> compassAngle() const;
    std::optional<double> needleAngle() const;
    void setCompassAngle(double radians);
    void setNeedleAngle(double radians);
    // Waits until every angle set so far is in the file and on disk.
    void waitForWrites() const;

signals:
    void speedUnitChanged(bool kmph);
    void mapProviderChanged(bool google);
    void volumeChanged(double volume);
    void captureCaptionChanged(bool on);
    void cameraLayoutChanged(const QString &layout);
    void mirrorRearChanged(bool on);
    void skipStopsChanged(bool on);
    void insetShareChanged(double share);
    void userLanguageChanged(const QString &language);
    void placeInPicturesChanged(bool on);
    void placeToMediaControlsChanged(bool on);
    void useOnlineMapsChanged(bool on);
    void offlineSourcesChanged(const QStringList &paths);
    void cacheLimitChanged(int mb);
    void tileServerForTestsChanged(const QString &urlTemplate);
    void tripPanelShowsTripChanged(bool trip);
    void cleanGpsChanged(bool on);
    void smoothRouteChanged(bool on);
    void exportLocationChanged(const QString &location);
    void overlayChoiceChanged(const QString &choice);
    void timesChanged();
    void telemetryOffsetsChanged(const QVariantMap &offsets);
    void channelOffsetsChanged(const QVariantMap &offsets);
    void eventThresholdsChanged();

private:
    explicit Settings(std::unique_ptr<QSettings> store, QObject *parent);
    QVariant stored(const char *key) const;
    void store(const char *key, const QVariant &value);
    std::optional<double> angle(const char *key) const;
    void setAngle(const char *key, double radians);

    std::unique_ptr<QSettings> store_;
    mutable std::unique_ptr<RotationStore> angles_;   // started with the first angle
};
