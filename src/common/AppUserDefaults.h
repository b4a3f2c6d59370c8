// The per-user settings store and the shared settings (speed unit, map provider, privacy).
// Every read goes to the store; nothing is cached here.
#pragma once

#include <QSettings>
#include <QString>
#include <QVariant>

#include <optional>

class AppUserDefaults {
public:
    AppUserDefaults() = delete;

    // Normalises "speed_unit" ("mileph" stays, anything else becomes "kmph") and returns it.
    static QString initSpeedUnitUserDefault();
    static bool isKMPH();
    // Normalises "change_map" ("google" stays, anything else becomes "street") and returns it.
    static QString initChangeMapUserDefault();
    static void setSpeedUnit(const QString &unit);
    static void setChangeMap(const QString &map);
    // The way every place that offers these settings changes them (menu, preferences,
    // the player's settings overlay): store the value, then post its notification
    // ("speed_unit_notification" / "change_map_notification") once.
    static void changeSpeedUnit(const QString &unit);
    static void changeMap(const QString &map);
    // "google" or "street", normalised as initChangeMapUserDefault does.
    static bool isGoogleMap();

    // Privacy: saved pictures carry the place and speed of their moment unless turned
    // off; the remote control tells them only when turned on. A change is stored, then
    // announced once with "privacy_notification".
    static bool placeInPictures();
    static bool placeToMediaControls();
    static void changePlaceInPictures(bool on);
    static void changePlaceToMediaControls(bool on);

    // Typed reads: a value of the wrong type reads as absent, and so does a number that
    // is not finite (NaN, infinities), so that every stored number falls back to its default.
    static std::optional<QString> text(const char *key);
    static std::optional<double> number(const char *key);
    // true/false, also as the file keeps them ("true", "false").
    static std::optional<bool> flag(const char *key);
    static std::optional<QStringList> textList(const char *key);
    static void setValue(const char *key, const QVariant &value);
    static void remove(const char *key);
    // Writes the store out at once.
    static void synchronize();

    // The one settings object of the program (main thread only).
    static QSettings &settings();
};
