#include "AppUtils.h"

#include "Localization.h"

#include <charconv>
#include <cmath>

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
    char small[24];
    if (const int n = exactFixed(small, value, decimals))
        return QString::fromLatin1(small, n);
    char buf[400];   // the widest double in fixed notation has 309 integer digits
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    if (r.ec != std::errc())
        return QString();
    return QString::fromLatin1(buf, int(r.ptr - buf));
}

int AppUtils::exactFixed(char *out, double value, int decimals)
{
    // The read-outs' figures (speeds, distances, coordinates, G-sensor values) all
    // take this path; the general conversion's tables stay out of the clock tick.
    static constexpr double scales[] = {1, 10, 100, 1000};
    if (decimals < 0 || decimals > 3)
        return 0;
    const double magnitude = std::fabs(value);
    const double scaled = magnitude * scales[decimals];
    // The product must be exact: then rounding it to a whole number (to the nearest,
    // a tie to the even neighbour) rounds the exact value as "%.*f" does.
    if (!(scaled < 9007199254740992.0) || std::fma(magnitude, scales[decimals], -scaled) != 0)
        return 0;
    auto n = static_cast<unsigned long long>(std::nearbyint(scaled));
    char digits[24];
    int k = 0;
    do {
        digits[k++] = char('0' + n % 10);
        n /= 10;
    } while (n != 0);
    while (k <= decimals)
        digits[k++] = '0';   // a digit before the point
    char *p = out;
    if (std::signbit(value))
        *p++ = '-';   // "-0" and "-0.00" as well, like "%.*f"
    for (int i = k - 1; i >= 0; --i) {
        *p++ = digits[i];
        if (i == decimals && decimals > 0)
            *p++ = '.';
    }
    return int(p - out);
}

QString AppUtils::speedText(float kmh, bool kmph)
{
    // A space between the figure and its unit: "52 KM/H", not "52KM/H".
    return fixed(double(convertSpeed(kmh, kmph)), 0) + QLatin1Char(' ') +
           Localization::text(kmph ? "km_speedUnit" : "mph_speedUnit");
}

QString AppUtils::distanceText(float metres, bool kmph)
{
    return fixed(double(convertDistance(metres, kmph)), 2) + QLatin1Char(' ') +
           Localization::text(kmph ? "km_distanceUnit" : "mile_distanceUnit");
}
