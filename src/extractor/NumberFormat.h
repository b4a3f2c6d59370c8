// Number texts for the export formats: the shortest text that reads back as the
// same value, and plain decimals for the XML formats, whose number types have no
// exponent. Independent of the locale (the program never sets one).
#pragma once

#include <string>

class NumberFormat {
public:
    NumberFormat() = delete;

    // Shortest %g text that reads back (strtof) as exactly `value`; at most 9 digits.
    // Empty for NaN and infinities.
    static std::string shortestFloat(float value);

    // Shortest %g text that reads back (strtod) as exactly `value`; at most 17 digits.
    // Empty for NaN and infinities.
    static std::string shortestDouble(double value);

    // A JSON number: the shortest texts above, or null for NaN and infinities,
    // which JSON cannot carry.
    static std::string jsonFloat(float value);
    static std::string jsonDouble(double value);

    // Fixed-point decimal with at most `maxDecimals` decimals, trailing zeros (and a
    // trailing point) removed, "-0" written as "0". Empty for NaN and infinities.
    static std::string decimal(double value, int maxDecimals);

    // The leading number of a text, as the panels read coordinate texts (strtod):
    // false when the text does not start with one or it is not finite.
    static bool leadingNumber(const std::string &text, double *value);
};
