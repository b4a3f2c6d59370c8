#include "MapSettings.h"

#include <QCoreApplication>
#include <QStandardPaths>

QString MapSettings::tileServerTemplate(const QString &forTests)
{
    return forTests.isEmpty() ? QLatin1String(kOsmTileServer) : forTests;
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
