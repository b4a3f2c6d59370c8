#include "AppUserDefaults.h"

#include "AppKeys.h"
#include "NotificationCenter.h"

#include <cmath>

QSettings &AppUserDefaults::settings()
{
    static QSettings store(QSettings::NativeFormat, QSettings::UserScope,
                           QStringLiteral("Veltra"), QStringLiteral("Veltra Player"));
    return store;
}

QString AppUserDefaults::initSpeedUnitUserDefault()
{
    const QString unit = text(AppKeys::SPEED_UNIT).value_or(QString());
    const QString normal = unit == QLatin1String(AppKeys::SPEED_UNIT_MILEPH)
                               ? QString::fromLatin1(AppKeys::SPEED_UNIT_MILEPH)
                               : QString::fromLatin1(AppKeys::SPEED_UNIT_KMPH);
    if (unit != normal)
        settings().setValue(QLatin1String(AppKeys::SPEED_UNIT), normal);
    return normal;
}

QString AppUserDefaults::initChangeMapUserDefault()
{
    const QString map = text(AppKeys::CHANGE_MAP).value_or(QString());
    const QString normal = map == QLatin1String(AppKeys::CHANGE_MAP_GOOGLE)
                               ? QString::fromLatin1(AppKeys::CHANGE_MAP_GOOGLE)
                               : QString::fromLatin1(AppKeys::CHANGE_MAP_STREET);
    if (map != normal)
        settings().setValue(QLatin1String(AppKeys::CHANGE_MAP), normal);
    return normal;
}

bool AppUserDefaults::isKMPH()
{
    return initSpeedUnitUserDefault() == QLatin1String(AppKeys::SPEED_UNIT_KMPH);
}

void AppUserDefaults::setSpeedUnit(const QString &unit)
{
    settings().setValue(QLatin1String(AppKeys::SPEED_UNIT), unit);
}

void AppUserDefaults::setChangeMap(const QString &map)
{
    settings().setValue(QLatin1String(AppKeys::CHANGE_MAP), map);
}

void AppUserDefaults::changeSpeedUnit(const QString &unit)
{
    setSpeedUnit(unit);
    NotificationCenter::defaultCenter()->postNotificationName(QString::fromLatin1(AppKeys::SPEED_UNIT_NOTIFICATION));
}

void AppUserDefaults::changeMap(const QString &map)
{
    setChangeMap(map);
    NotificationCenter::defaultCenter()->postNotificationName(QString::fromLatin1(AppKeys::CHANGE_MAP_NOTIFICATION));
}

bool AppUserDefaults::isGoogleMap()
{
    return initChangeMapUserDefault() == QLatin1String(AppKeys::CHANGE_MAP_GOOGLE);
}

bool AppUserDefaults::placeInPictures()
{
    return flag(AppKeys::PLACE_IN_PICTURES).value_or(true);
}

bool AppUserDefaults::placeToMediaControls()
{
    return flag(AppKeys::PLACE_TO_MEDIA_CONTROLS).value_or(false);
}

void AppUserDefaults::changePlaceInPictures(bool on)
{
    setValue(AppKeys::PLACE_IN_PICTURES, on);
    synchronize();
    NotificationCenter::defaultCenter()->postNotificationName(QString::fromLatin1(AppKeys::PRIVACY_NOTIFICATION));
}

void AppUserDefaults::changePlaceToMediaControls(bool on)
{
    setValue(AppKeys::PLACE_TO_MEDIA_CONTROLS, on);
    synchronize();
    NotificationCenter::defaultCenter()->postNotificationName(QString::fromLatin1(AppKeys::PRIVACY_NOTIFICATION));
}

std::optional<QString> AppUserDefaults::text(const char *key)
{
    const QVariant v = settings().value(QLatin1String(key));
    if (!v.isValid() || v.typeId() != QMetaType::QString)
        return std::nullopt;
    return v.toString();
}

std::optional<double> AppUserDefaults::number(const char *key)
{
    const QVariant v = settings().value(QLatin1String(key));
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

std::optional<bool> AppUserDefaults::flag(const char *key)
{
    const QVariant v = settings().value(QLatin1String(key));
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

std::optional<QStringList> AppUserDefaults::textList(const char *key)
{
    const QVariant v = settings().value(QLatin1String(key));
    if (v.typeId() == QMetaType::QStringList)
        return v.toStringList();
    if (v.typeId() == QMetaType::QString)
        return QStringList{v.toString()};
    return std::nullopt;
}

void AppUserDefaults::setValue(const char *key, const QVariant &value)
{
    settings().setValue(QLatin1String(key), value);
}

void AppUserDefaults::remove(const char *key)
{
    settings().remove(QLatin1String(key));
}

void AppUserDefaults::synchronize()
{
    settings().sync();
}
