#include "TextEscape.h"

#include "Utf8.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

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
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
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
            if (c < 0x20) {
                out += kReplacement;
            } else if (c == 0xEF && text[i + 1] == '\xBF' && (text[i + 2] == '\xBE' || text[i + 2] == '\xBF')) {
                out += kReplacement;   // U+FFFE, U+FFFF (valid UTF-8: both bytes are there)
                i += 2;
            } else {
                out += static_cast<char>(c);
            }
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

std::string TextEscape::csvText(const std::string &bytes)
{
    const bool formula = !bytes.empty() && std::string_view("=+-@\t\r").find(bytes[0]) != std::string_view::npos;
    return csv(formula ? "'" + bytes : bytes);
}

std::string TextEscape::terminal(const std::string &bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size();) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        const size_t len = std::max<size_t>(Utf8::sequenceLength(bytes, i), 1);
        // C1 comes as U+0080..U+009F in UTF-8 or as a stray byte of another encoding.
        const bool control = c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0) ||
                             (len == 2 && c == 0xC2 && static_cast<unsigned char>(bytes[i + 1]) < 0xA0);
        for (size_t k = i; k < i + len; ++k) {
            if (control) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\x%02x", static_cast<unsigned char>(bytes[k]));
                out += buf;
            } else {
                out += bytes[k];
            }
        }
        i += len;
    }
    return out;
}
