#include "Settings.h"

#include "AppKeys.h"
#include "RotationStore.h"

#include <QSettings>

#include <algorithm>
#include <cmath>

namespace {

// Typed reads: a value of the wrong type reads as absent, and so does a number that is
// not finite (NaN, infinities).
std::optional<QString> text(const QVariant &v)
{
    if (!v.isValid() || v.typeId() != QMetaType::QString)
        return std::nullopt;
    return v.toString();
}

std::optional<double> number(const QVariant &v)
{
    if (!v.isValid())
        return std::nullopt;
    double d = 0;
    switch (v.typeId()) {
    case QMetaType::Double: case QMetaType::Float: case QMetaType::Int: case QMetaType::LongLong:
    case QMetaType::UInt: case QMetaType::ULongLong:
        d = v.toDouble();
        break;
    case QMetaType::QString: {
        // The INI format keeps numbers as text.
        bool ok = false;
        d = v.toString().toDouble(&ok);
        if (!ok)
            return std::nullopt;
        break;
    }
    default:
        return std::nullopt;
    }
    if (!std::isfinite(d))
        return std::nullopt;
    return d;
}

// true/false, also as the file keeps them ("true", "false").
std::optional<bool> flag(const QVariant &v)
{
    if (v.typeId() == QMetaType::Bool)
        return v.toBool();
    if (v.typeId() == QMetaType::QString) {
        if (v.toString() == QLatin1String("true"))
            return true;
        if (v.toString() == QLatin1String("false"))
            return false;
    }
    return std::nullopt;
}

std::optional<QStringList> textList(const QVariant &v)
{
    if (v.typeId() == QMetaType::QStringList)
        return v.toStringList();
    if (v.typeId() == QMetaType::QString)
        return QStringList{v.toString()};
    return std::nullopt;
}

std::optional<double> positive(const QVariant &v)
{
    const std::optional<double> d = number(v);
    return d && *d > 0 ? d : std::nullopt;
}

} // namespace

Settings::Settings(QObject *parent)
    : Settings(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                           QStringLiteral("Veltra"), QStringLiteral("Veltra Player")),
               parent)
{
}

Settings::Settings(const QString &fileName, QObject *parent)
    : Settings(std::make_unique<QSettings>(fileName, QSettings::IniFormat), parent)
{
}

Settings::Settings(std::unique_ptr<QSettings> store, QObject *parent) : QObject(parent), store_(std::move(store))
{
    // What the file holds for the two providers is put in their normal form.
    const QString unit = text(stored(AppKeys::SPEED_UNIT)).value_or(QString());
    if (unit != QLatin1String(kmph() ? AppKeys::SPEED_UNIT_KMPH : AppKeys::SPEED_UNIT_MILEPH))
        store_->setValue(QLatin1String(AppKeys::SPEED_UNIT),
                         QLatin1String(kmph() ? AppKeys::SPEED_UNIT_KMPH : AppKeys::SPEED_UNIT_MILEPH));
    const QString map = text(stored(AppKeys::CHANGE_MAP)).value_or(QString());
    if (map != QLatin1String(googleMap() ? AppKeys::CHANGE_MAP_GOOGLE : AppKeys::CHANGE_MAP_STREET))
        store_->setValue(QLatin1String(AppKeys::CHANGE_MAP),
                         QLatin1String(googleMap() ? AppKeys::CHANGE_MAP_GOOGLE : AppKeys::CHANGE_MAP_STREET));
}

Settings::~Settings()
{
    angles_.reset();
}

QString Settings::fileName() const
{
    return store_->fileName();
}

QVariant Settings::stored(const char *key) const
{
    return store_->value(QLatin1String(key));
}

void Settings::store(const char *key, const QVariant &value)
{
    store_->setValue(QLatin1String(key), value);
    store_->sync();
}

bool Settings::kmph() const
{
    return text(stored(AppKeys::SPEED_UNIT)) != QLatin1String(AppKeys::SPEED_UNIT_MILEPH);
}

void Settings::setKmph(bool kmph)
{
    store(AppKeys::SPEED_UNIT, QLatin1String(kmph ? AppKeys::SPEED_UNIT_KMPH : AppKeys::SPEED_UNIT_MILEPH));
    emit speedUnitChanged(kmph);
}

bool Settings::googleMap() const
{
    return text(stored(AppKeys::CHANGE_MAP)) == QLatin1String(AppKeys::CHANGE_MAP_GOOGLE);
}

void Settings::setGoogleMap(bool google)
{
    // Announced also when the map chosen is the one shown: the map loads again.
    store(AppKeys::CHANGE_MAP, QLatin1String(google ? AppKeys::CHANGE_MAP_GOOGLE : AppKeys::CHANGE_MAP_STREET));
    emit mapProviderChanged(google);
}

double Settings::volume() const
{
    return std::clamp(number(stored(AppKeys::VOLUME)).value_or(1.0), 0.0, 1.0);
}

void Settings::setVolume(double volume)
{
    volume = std::clamp(volume, 0.0, 1.0);
    store(AppKeys::VOLUME, volume);
    emit volumeChanged(volume);
}

QString Settings::cameraLayout() const
{
    const QString layout = stored(AppKeys::CAMERA_LAYOUT).toString();
    return layout.isEmpty() ? QStringLiteral("insets") : layout;
}

QString Settings::chosenCameraLayout() const
{
    return stored(AppKeys::CAMERA_LAYOUT).toString();
}

void Settings::setCameraLayout(const QString &layout)
{
    store(AppKeys::CAMERA_LAYOUT, layout);
    emit cameraLayoutChanged(layout);
}

QByteArray Settings::windowGeometry() const
{
    return stored(AppKeys::WINDOW_GEOMETRY).toByteArray();
}

void Settings::setWindowGeometry(const QByteArray &geometry)
{
    store(AppKeys::WINDOW_GEOMETRY, geometry);
}

QByteArray Settings::windowDividers() const
{
    return stored(AppKeys::WINDOW_DIVIDERS).toByteArray();
}

void Settings::setWindowDividers(const QByteArray &dividers)
{
    store(AppKeys::WINDOW_DIVIDERS, dividers);
}

bool Settings::mirrorRear() const
{
    return stored(AppKeys::MIRROR_REAR).toBool();
}

void Settings::setMirrorRear(bool on)
{
    store(AppKeys::MIRROR_REAR, on);
    emit mirrorRearChanged(on);
}

bool Settings::skipStops() const
{
    return stored(AppKeys::SKIP_STOPS).toBool();
}

void Settings::setSkipStops(bool on)
{
    store(AppKeys::SKIP_STOPS, on);
    emit skipStopsChanged(on);
}

std::optional<double> Settings::insetShare() const
{
    const std::optional<double> share = number(stored(AppKeys::INSET_SHARE));
    return share && *share > 0 && *share <= 1 ? share : std::nullopt;
}

void Settings::setInsetShare(double share)
{
    store(AppKeys::INSET_SHARE, share);
    emit insetShareChanged(share);
}

bool Settings::captureCaption() const
{
    return stored(AppKeys::CAPTURE_CAPTION).toBool();
}

void Settings::setCaptureCaption(bool on)
{
    store(AppKeys::CAPTURE_CAPTION, on);
    emit captureCaptionChanged(on);
}

bool Settings::incidentView() const
{
    return stored(AppKeys::INCIDENT_VIEW).toBool();
}

void Settings::setIncidentView(bool on)
{
    store(AppKeys::INCIDENT_VIEW, on);
}

QString Settings::userLanguage() const
{
    return text(stored(AppKeys::USER_LANGUAGE)).value_or(QString());
}

void Settings::setUserLanguage(const QString &language)
{
    store(AppKeys::USER_LANGUAGE, language);
    emit userLanguageChanged(language);
}

QStringList Settings::preferredLanguages() const
{
    return textList(stored(AppKeys::APPLE_LANGUAGES)).value_or(QStringList());
}

bool Settings::placeInPictures() const
{
    return flag(stored(AppKeys::PLACE_IN_PICTURES)).value_or(true);
}

void Settings::setPlaceInPictures(bool on)
{
    store(AppKeys::PLACE_IN_PICTURES, on);
    emit placeInPicturesChanged(on);
}

bool Settings::placeToMediaControls() const
{
    return flag(stored(AppKeys::PLACE_TO_MEDIA_CONTROLS)).value_or(false);
}

void Settings::setPlaceToMediaControls(bool on)
{
    store(AppKeys::PLACE_TO_MEDIA_CONTROLS, on);
    emit placeToMediaControlsChanged(on);
}

bool Settings::useOnlineMaps() const
{
    const QVariant v = stored(AppKeys::USE_ONLINE_MAPS);
    return !v.isValid() || v.toBool();
}

void Settings::setUseOnlineMaps(bool on)
{
    if (on == useOnlineMaps())
        return;
    store(AppKeys::USE_ONLINE_MAPS, on);
    emit useOnlineMapsChanged(on);
}

QStringList Settings::offlineSources() const
{
    return textList(stored(AppKeys::OFFLINE_MAP_SOURCES)).value_or(QStringList());
}

void Settings::setOfflineSources(const QStringList &paths)
{
    store(AppKeys::OFFLINE_MAP_SOURCES, paths);
    emit offlineSourcesChanged(paths);
}

int Settings::cacheLimitMB() const
{
    const double mb = number(stored(AppKeys::MAP_TILE_CACHE_MB)).value_or(kDefaultCacheLimitMB);
    return mb > 0 && mb < 1e6 ? int(mb) : (mb >= 1e6 ? 1000000 : 0);
}

qint64 Settings::cacheLimitBytes() const
{
    return qint64(cacheLimitMB()) * 1024 * 1024;
}

void Settings::setCacheLimitMB(int mb)
{
    mb = std::max(0, mb);
    if (mb == cacheLimitMB())
        return;
    store(AppKeys::MAP_TILE_CACHE_MB, mb);
    emit cacheLimitChanged(mb);
}

QString Settings::tileServerForTests() const
{
    return text(stored(AppKeys::MAP_TILE_SERVER_FOR_TESTS)).value_or(QString());
}

void Settings::setTileServerForTests(const QString &urlTemplate)
{
    store(AppKeys::MAP_TILE_SERVER_FOR_TESTS, urlTemplate);
    emit tileServerForTestsChanged(urlTemplate);
}

QString Settings::googleMapsApiKey() const
{
    return text(stored(AppKeys::GOOGLE_MAPS_API_KEY)).value_or(QString());
}

bool Settings::tripPanelShowsTrip() const
{
    return text(stored(AppKeys::TRIP_PANEL_FIGURES)) == QLatin1String("trip");
}

void Settings::setTripPanelShowsTrip(bool trip)
{
    store(AppKeys::TRIP_PANEL_FIGURES, QLatin1String(trip ? "trip" : "clip"));
    emit tripPanelShowsTripChanged(trip);
}

bool Settings::cleanGps() const
{
    return flag(stored(AppKeys::CLEAN_GPS)).value_or(true);
}

void Settings::setCleanGps(bool on)
{
    if (on == cleanGps())
        return;
    store(AppKeys::CLEAN_GPS, on);
    emit cleanGpsChanged(on);
}

bool Settings::smoothRoute() const
{
    return flag(stored(AppKeys::SMOOTH_ROUTE)).value_or(false);
}

void Settings::setSmoothRoute(bool on)
{
    if (on == smoothRoute())
        return;
    store(AppKeys::SMOOTH_ROUTE, on);
    emit smoothRouteChanged(on);
}

QString Settings::exportLocation() const
{
    const QString location = text(stored(AppKeys::EXPORT_LOCATION)).value_or(QString());
    return location == QLatin1String("coarse") || location == QLatin1String("none") ? location : QStringLiteral("full");
}

void Settings::setExportLocation(const QString &location)
{
    if (location == exportLocation())
        return;
    store(AppKeys::EXPORT_LOCATION, location);
    emit exportLocationChanged(exportLocation());
}

QString Settings::overlayChoice() const
{
    return text(stored(AppKeys::OVERLAY_CHOICE)).value_or(QString()).left(200);
}

void Settings::setOverlayChoice(const QString &choice)
{
    if (choice == overlayChoice())
        return;
    store(AppKeys::OVERLAY_CHOICE, choice);
    emit overlayChoiceChanged(overlayChoice());
}

QString Settings::exportBlur() const
{
    return text(stored(AppKeys::EXPORT_BLUR)).value_or(QString()).left(100);
}

void Settings::setExportBlur(const QString &choice)
{
    store(AppKeys::EXPORT_BLUR, choice);
}

QString Settings::timeClock() const
{
    const QString clock = text(stored(AppKeys::TIME_CLOCK)).value_or(QString());
    for (const char *known : {"utc", "system", "zone"})
        if (clock == QLatin1String(known))
            return clock;
    return QStringLiteral("camera");
}

void Settings::setTimeClock(const QString &clock)
{
    store(AppKeys::TIME_CLOCK, clock);
    emit timesChanged();
}

QString Settings::timeZone() const
{
    return text(stored(AppKeys::TIME_ZONE)).value_or(QString());
}

void Settings::setTimeZone(const QString &zone)
{
    store(AppKeys::TIME_ZONE, zone);
    emit timesChanged();
}

QString Settings::exportFolder() const
{
    return text(stored(AppKeys::EXPORT_FOLDER)).value_or(QString());
}

void Settings::setExportFolder(const QString &folder)
{
    store(AppKeys::EXPORT_FOLDER, folder);
}

namespace {

// A stored map of name patterns to whole milliseconds other than 0, each through `fit`,
// which may drop it; anything else reads as absent.
template <typename Fit>
QVariantMap msByPattern(const QVariant &v, Fit fit)
{
    QVariantMap offsets;
    if (v.typeId() != QMetaType::QVariantMap)
        return offsets;
    const QVariantMap all = v.toMap();
    for (auto it = all.cbegin(); it != all.cend(); ++it) {
        const std::optional<double> ms = number(it.value());
        if (ms && *ms == std::trunc(*ms) && *ms != 0)
            if (const std::optional<int> kept = fit(*ms))
                offsets.insert(it.key(), *kept);
    }
    return offsets;
}

QVariantMap withMs(QVariantMap offsets, const QString &pattern, int ms)
{
    if (ms == 0)
        offsets.remove(pattern);
    else
        offsets.insert(pattern, ms);
    return offsets;
}

} // namespace

QVariantMap Settings::telemetryOffsets() const
{
    // A minute either way is more than any camera is off by.
    return msByPattern(stored(AppKeys::TELEMETRY_OFFSETS), [](double ms) {
        return std::abs(ms) <= 60000 ? std::optional<int>(int(ms)) : std::nullopt;
    });
}

void Settings::setTelemetryOffsets(const QVariantMap &offsets)
{
    store(AppKeys::TELEMETRY_OFFSETS, offsets);
    emit telemetryOffsetsChanged(telemetryOffsets());
}

int Settings::telemetryOffsetMs(const QString &pattern) const
{
    return telemetryOffsets().value(pattern).toInt();
}

void Settings::setTelemetryOffsetMs(const QString &pattern, int ms)
{
    setTelemetryOffsets(withMs(telemetryOffsets(), pattern, ms));
}

QVariantMap Settings::channelOffsets() const
{
    return msByPattern(stored(AppKeys::CHANNEL_OFFSETS), [](double ms) {
        return std::optional<int>(int(std::clamp(ms, double(-kChannelOffsetLimitMs), double(kChannelOffsetLimitMs))));
    });
}

void Settings::setChannelOffsets(const QVariantMap &offsets)
{
    store(AppKeys::CHANNEL_OFFSETS, offsets);
    emit channelOffsetsChanged(channelOffsets());
}

int Settings::channelOffsetMs(const QString &pattern) const
{
    return channelOffsets().value(pattern).toInt();
}

void Settings::setChannelOffsetMs(const QString &pattern, int ms)
{
    setChannelOffsets(withMs(channelOffsets(), pattern, ms));
}

std::optional<double> Settings::tripGapSeconds() const
{
    const std::optional<double> seconds = number(stored(AppKeys::TRIP_GAP_SECONDS));
    return seconds && *seconds >= 0 && *seconds <= 86400 ? seconds : std::nullopt;
}

std::optional<double> Settings::eventSpeedChangeKmh() const { return positive(stored(AppKeys::EVENT_SPEED_CHANGE)); }
std::optional<double> Settings::eventHarshG() const { return positive(stored(AppKeys::EVENT_HARSH_G)); }
std::optional<double> Settings::eventImpactG() const { return positive(stored(AppKeys::EVENT_IMPACT_G)); }
std::optional<double> Settings::eventOverSpeedKmh() const { return positive(stored(AppKeys::EVENT_OVER_SPEED)); }

void Settings::setEventThresholds(double speedChangeKmh, double harshG, double impactG, double overSpeedKmh)
{
    store_->setValue(QLatin1String(AppKeys::EVENT_SPEED_CHANGE), speedChangeKmh);
    store_->setValue(QLatin1String(AppKeys::EVENT_HARSH_G), harshG);
    store_->setValue(QLatin1String(AppKeys::EVENT_IMPACT_G), impactG);
    store(AppKeys::EVENT_OVER_SPEED, overSpeedKmh);
    emit eventThresholdsChanged();
}

std::optional<double> Settings::angle(const char *key) const
{
    waitForWrites();
    return number(stored(key));
}

void Settings::setAngle(const char *key, double radians)
{
    if (!angles_)
        angles_ = std::make_unique<RotationStore>(fileName());
    angles_->write(key, radians);
}

std::optional<double> Settings::compassAngle() const { return angle(AppKeys::ROTATE_ANGLE_V); }
std::optional<double> Settings::needleAngle() const { return angle(AppKeys::ROTATE_SPD_V); }
void Settings::setCompassAngle(double radians) { setAngle(AppKeys::ROTATE_ANGLE_V, radians); }
void Settings::setNeedleAngle(double radians) { setAngle(AppKeys::ROTATE_SPD_V, radians); }

void Settings::waitForWrites() const
{
    if (angles_)
        angles_->waitForWrites();
}
