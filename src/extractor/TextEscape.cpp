#include "TextEscape.h"

#include <cstdio>

namespace {

const char kReplacement[] = "\xEF\xBF\xBD";

// Length of the well-formed UTF-8 sequence starting at s[i], or 0 when there is none.
size_t sequenceLength(const std::string &s, size_t i)
{
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b0 = byte(i);
    if (b0 < 0x80)
        return 1;
    size_t len;
    unsigned char lo = 0x80, hi = 0xBF;   // allowed range of the second byte
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3;
        if (b0 == 0xE0) lo = 0xA0;        // no overlong forms
        if (b0 == 0xED) hi = 0x9F;        // no surrogates
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4;
        if (b0 == 0xF0) lo = 0x90;
        if (b0 == 0xF4) hi = 0x8F;        // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (i + len > s.size())
        return 0;
    if (byte(i + 1) < lo || byte(i + 1) > hi)
        return 0;
    for (size_t k = 2; k < len; ++k)
        if (byte(i + k) < 0x80 || byte(i + k) > 0xBF)
            return 0;
    return len;
}

} // namespace

std::string TextEscape::validUtf8(const std::string &bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size();) {
        const size_t len = sequenceLength(bytes, i);
        if (len == 0) {
            out += kReplacement;
            ++i;
        } else {
            out.append(bytes, i, len);
            i += len;
        }
    }
    return out;
}

std::string TextEscape::json(const std::string &bytes)
{
    const std::string text = validUtf8(bytes);
    std::string out;
    out.reserve(text.size() + 2);
    out += '"';
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20 || c == 0x7F) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out += ch;
            }
        }
    }
    out += '"';
    return out;
}

std::string TextEscape::xml(const std::string &bytes)
{
    const std::string text = validUtf8(bytes);
    std::string out;
    out.reserve(text.size());
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        case '\t': out += "&#9;"; break;     // kept through attribute normalisation
        case '\n': out += "&#10;"; break;
        case '\r': out += "&#13;"; break;
        default:
            if (c < 0x20)
                out += kReplacement;
            else
                out += ch;
        }
    }
    return out;
}

std::string TextEscape::csv(const std::string &bytes)
{
    if (bytes.find_first_of(",\"\r\n") == std::string::npos)
        return bytes;
    std::string out = "\"";
    for (const char ch : bytes) {
        if (ch == '"')
            out += '"';
        out += ch;
    }
    out += '"';
    return out;
}
