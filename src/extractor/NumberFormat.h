// Number texts for the export formats: the shortest text that reads back as the
// same value, and plain decimals for the XML formats, whose number types have no
// exponent. Independent of the locale (the program never sets one).
#pragma once

#include <string>

class NumberFormat {
public:
    NumberFormat() = delete;

    // Shortest text that reads back (strtof) as exactly `value`, plain or with an
    // exponent ("0.012", "1e+20"). Empty for NaN and infinities.
    static std::string shortestFloat(float value);

    // The same for a double (strtod).
    static std::string shortestDouble(double value);

    // A JSON number: the shortest texts above, or null for NaN and infinities,
    // which JSON cannot carry.
    static std::string jsonFloat(float value);
    static std::string jsonDouble(double value);

    // Fixed-point decimal with at most `maxDecimals` decimals, trailing zeros (and a
    // trailing point) removed, "-0" written as "0". Empty for NaN and infinities.
    // `maxDecimals` is at most 60.
    static std::string decimal(double value, int maxDecimals);

    // The leading number of a text, as the panels read coordinate texts (strtod):
    // false when the text does not start with one or it is not finite.
    static bool leadingNumber(const std::string &text, double *value);
};
