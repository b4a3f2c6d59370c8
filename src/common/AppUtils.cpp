#include "AppUtils.h"

#include "AppUserDefaults.h"
#include "Localization.h"

#include <charconv>

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

QString AppUtils::fixed(double value, int decimals)
{
    // What C's "%.*f" gives for the exact binary value (an exact half goes to the even
    // neighbour: 62.5 gives 62, 0.625 gives 0.62), but without the C locale's decimal
    // comma, which QApplication switches on from the environment.
    char buf[400];   // the widest double in fixed notation has 309 integer digits
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    if (r.ec != std::errc())
        return QString();
    return QString::fromLatin1(buf, int(r.ptr - buf));
}

QString AppUtils::speedText(float kmh, bool kmph)
{
    return fixed(double(convertSpeed(kmh, kmph)), 0) + Localization::text(kmph ? "km_speedUnit" : "mph_speedUnit");
}

QString AppUtils::distanceText(float metres, bool kmph)
{
    return fixed(double(convertDistance(metres, kmph)), 2) +
           Localization::text(kmph ? "km_distanceUnit" : "mile_distanceUnit");
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
