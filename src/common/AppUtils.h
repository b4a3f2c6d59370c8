// Speeds and distances in a unit (km/h and km, or mph and miles), with their labels.
// Speeds enter in km/h, distances in metres.
#pragma once

#include <QString>

class AppUtils {
public:
    AppUtils() = delete;

    static float convertSpeed(float kmh, bool kmph);
    static QString speedText(float kmh, bool kmph);
    static float convertDistance(float metres, bool kmph);
    static QString distanceText(float metres, bool kmph);

    // `value` with `decimals` digits after the point, rounded as C's "%.*f" rounds
    // (exact halves to even), always with a decimal point.
    static QString fixed(double value, int decimals);
    // The text of fixed(value, decimals) for decimals 0 to 3, written to `out` (at
    // least 24 characters) without the general conversion, when value * 10^decimals
    // is a whole-number-exact double below 2^53 and so rounds the same way; returns
    // its length, or 0 (nothing written) otherwise.
    static int exactFixed(char *out, double value, int decimals);
};
