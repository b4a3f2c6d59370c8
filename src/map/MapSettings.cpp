#include "MapSettings.h"

#include "common/AppUserDefaults.h"
#include "common/NotificationCenter.h"

#include <QCoreApplication>
#include <QStandardPaths>

bool MapSettings::useOnlineMaps()
{
    const QVariant v = AppUserDefaults::settings().value(QLatin1String(kUseOnlineMaps));
    return !v.isValid() || v.toBool();
}

void MapSettings::setUseOnlineMaps(bool on)
{
    if (on == useOnlineMaps())
        return;
    AppUserDefaults::setValue(kUseOnlineMaps, on);
    AppUserDefaults::synchronize();
    NotificationCenter::defaultCenter()->postNotificationName(QLatin1String(kNotification));
}

QStringList MapSettings::offlineSources()
{
    return AppUserDefaults::textList(kOfflineSources).value_or(QStringList());
}

void MapSettings::setOfflineSources(const QStringList &paths)
{
    AppUserDefaults::setValue(kOfflineSources, paths);
    AppUserDefaults::synchronize();
    NotificationCenter::defaultCenter()->postNotificationName(QLatin1String(kNotification));
}

qint64 MapSettings::cacheLimitBytes()
{
    const double mb = AppUserDefaults::number(kCacheLimitMB).value_or(kDefaultCacheLimitMB);
    return qint64(mb > 0 ? mb : 0) * 1024 * 1024;
}

QString MapSettings::tileServerTemplate()
{
    const QString test = AppUserDefaults::text(kTileServerForTests).value_or(QString());
    return test.isEmpty() ? QLatin1String(kOsmTileServer) : test;
}

QString MapSettings::userAgent()
{
    QString version = QCoreApplication::applicationVersion();
    if (version.isEmpty())
        version = QStringLiteral(VELTRA_VERSION);
    return QStringLiteral("Veltra Player/%1").arg(version);
}

QString MapSettings::cacheFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QStringLiteral("/map-tiles");
}
