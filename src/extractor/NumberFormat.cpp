#include "NumberFormat.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

std::string NumberFormat::shortestFloat(float value)
{
    if (!std::isfinite(value))
        return {};
    char buf[32];
    for (int digits = 1; digits <= 9; ++digits) {
        std::snprintf(buf, sizeof buf, "%.*g", digits, static_cast<double>(value));
        if (std::strtof(buf, nullptr) == value)
            break;
    }
    return buf;
}

std::string NumberFormat::shortestDouble(double value)
{
    if (!std::isfinite(value))
        return {};
    char buf[40];
    for (int digits = 1; digits <= 17; ++digits) {
        std::snprintf(buf, sizeof buf, "%.*g", digits, value);
        if (std::strtod(buf, nullptr) == value)
            break;
    }
    return buf;
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
    std::string text(std::snprintf(nullptr, 0, "%.*f", maxDecimals, value), '\0');
    std::snprintf(text.data(), text.size() + 1, "%.*f", maxDecimals, value);
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
