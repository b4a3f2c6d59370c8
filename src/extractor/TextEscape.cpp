#include "TextEscape.h"

#include "Utf8.h"

#include <cstdio>

namespace {

const char kReplacement[] = "\xEF\xBF\xBD";

} // namespace

std::string TextEscape::validUtf8(const std::string &bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size();) {
        const size_t len = Utf8::sequenceLength(bytes, i);
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
