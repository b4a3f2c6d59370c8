#include "Utf8.h"

int Utf8::hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

size_t Utf8::sequenceLength(const std::string &bytes, size_t pos)
{
    if (pos >= bytes.size())
        return 0;
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char b0 = byte(pos);
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
    if (len > bytes.size() - pos)
        return 0;
    if (byte(pos + 1) < lo || byte(pos + 1) > hi)
        return 0;
    for (size_t k = 2; k < len; ++k)
        if (byte(pos + k) < 0x80 || byte(pos + k) > 0xBF)
            return 0;
    return len;
}

bool Utf8::isWellFormed(const std::string &bytes)
{
    for (size_t i = 0; i < bytes.size();) {
        const size_t len = sequenceLength(bytes, i);
        if (len == 0)
            return false;
        i += len;
    }
    return true;
}
