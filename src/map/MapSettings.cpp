#include "MapSettings.h"

#include "common/AppUserDefaults.h"
#include "common/NotificationCenter.h"

#include <QCoreApplication>
#include <QStandardPaths>

#include <algorithm>

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

int MapSettings::cacheLimitMB()
{
    const double mb = AppUserDefaults::number(kCacheLimitMB).value_or(kDefaultCacheLimitMB);
    return mb > 0 && mb < 1e6 ? int(mb) : (mb >= 1e6 ? 1000000 : 0);
}

qint64 MapSettings::cacheLimitBytes()
{
    return qint64(cacheLimitMB()) * 1024 * 1024;
}

void MapSettings::setCacheLimitMB(int mb)
{
    mb = std::max(0, mb);
    if (mb == cacheLimitMB())
        return;
    AppUserDefaults::setValue(kCacheLimitMB, mb);
    AppUserDefaults::synchronize();
    NotificationCenter::defaultCenter()->postNotificationName(QLatin1String(kNotification));
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
