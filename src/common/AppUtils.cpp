#include "AppUtils.h"

#include "AppUserDefaults.h"
#include "Localization.h"

#include <cstdio>

float AppUtils::convertSpeed(float kmh, bool kmph)
{
    if (kmph)
        return kmh;
    return float(double(kmh) / 1.6);
}

float AppUtils::convertDistance(float metres, bool kmph)
{
    return kmph ? metres / 1000.0f : metres / 1600.0f;
}

QString AppUtils::speedText(float kmh, bool kmph)
{
    // C's "%.f" rounds an exact half to the even neighbour (62.5 gives 62).
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.f", double(convertSpeed(kmh, kmph)));
    return QString::fromLatin1(buf) + Localization::text(kmph ? "km_speedUnit" : "mph_speedUnit");
}

QString AppUtils::distanceText(float metres, bool kmph)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2f", double(convertDistance(metres, kmph)));
    return QString::fromLatin1(buf) + Localization::text(kmph ? "km_distanceUnit" : "mile_distanceUnit");
}

float AppUtils::convertSpeed(float kmh) { return convertSpeed(kmh, AppUserDefaults::isKMPH()); }
QString AppUtils::convertSpeedUnit(float kmh) { return speedText(kmh, AppUserDefaults::isKMPH()); }
QString AppUtils::currentSpeedUnit(float kmh) { return convertSpeedUnit(kmh); }
QString AppUtils::currentSpeedUnit()
{
    return Localization::text(AppUserDefaults::isKMPH() ? "km_speedUnit" : "mph_speedUnit");
}
float AppUtils::convertDistance(float metres) { return convertDistance(metres, AppUserDefaults::isKMPH()); }
QString AppUtils::convertDistanceUnit(float metres) { return distanceText(metres, AppUserDefaults::isKMPH()); }
