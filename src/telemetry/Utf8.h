// Well-formed UTF-8 as the Unicode standard defines it: no overlong forms, no
// surrogates, nothing above U+10FFFF. Texts from the file system and from the
// camera may hold any bytes; the readers and the export writers check them here.
#pragma once

#include <cstddef>
#include <string>

class Utf8 {
public:
    Utf8() = delete;

    // Length (1 to 4) of the well-formed sequence that starts at bytes[pos], or 0
    // when none starts there (pos at or past the end included).
    static size_t sequenceLength(const std::string &bytes, size_t pos);

    // True when the whole of `bytes` is well-formed UTF-8; the empty string is.
    static bool isWellFormed(const std::string &bytes);

    // The value of a hex digit (either case), -1 for any other character: for the
    // escapes of URLs (%41) and JSON (\u0041).
    static int hexDigit(char c);
};
