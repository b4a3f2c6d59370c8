#include "NumberFormat.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

// The shortest digits that read back exactly come from std::to_chars; they are
// then laid out in the %g style ("0.0001" rather than "1e-04"): plain for
// exponents from -4 up to the number of digits, otherwise with the exponent.
template <typename T>
std::string shortest(T value)
{
    if (!std::isfinite(value))
        return {};
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
    const std::string sci(buf, res.ptr);   // "-1.2345e-05"
    const size_t e = sci.find('e');
    const bool negative = sci[0] == '-';
    std::string digits;
    for (size_t i = negative ? 1 : 0; i < e; ++i)
        if (sci[i] != '.')
            digits += sci[i];
    const int exponent = std::atoi(sci.c_str() + e + 1);
    const int count = static_cast<int>(digits.size());
    if (exponent < -4 || exponent >= count)
        return sci;
    std::string out = negative ? "-" : "";
    if (exponent < 0) {
        out += "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
    } else {
        out += digits.substr(0, static_cast<size_t>(exponent) + 1);
        if (exponent + 1 < count)
            out += '.' + digits.substr(static_cast<size_t>(exponent) + 1);
    }
    return out;
}

} // namespace

std::string NumberFormat::shortestFloat(float value)
{
    return shortest(value);
}

std::string NumberFormat::shortestDouble(double value)
{
    return shortest(value);
}

std::string NumberFormat::jsonFloat(float value)
{
    return std::isfinite(value) ? shortestFloat(value) : std::string("null");
}

std::string NumberFormat::jsonDouble(double value)
{
    return std::isfinite(value) ? shortestDouble(value) : std::string("null");
}

std::string NumberFormat::decimal(double value, int maxDecimals)
{
    if (!std::isfinite(value))
        return {};
    char buf[400];   // the largest double has 309 digits before the point
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, maxDecimals);
    if (res.ec != std::errc())
        return {};
    std::string text(buf, res.ptr);
    if (text.find('.') != std::string::npos) {
        while (text.back() == '0')
            text.pop_back();
        if (text.back() == '.')
            text.pop_back();
    }
    if (text == "-0")
        text = "0";
    return text;
}

bool NumberFormat::leadingNumber(const std::string &text, double *value)
{
    const char *begin = text.c_str();
    char *end = nullptr;
    const double v = std::strtod(begin, &end);
    if (end == begin || !std::isfinite(v))
        return false;
    *value = v;
    return true;
}
