// Escaping of texts for the export formats. File names and coordinate texts come
// from the file system and from the camera, so they may hold any bytes: every
// writer makes them valid UTF-8 first and then escapes what its format needs.
#pragma once

#include <string>

class TextEscape {
public:
    TextEscape() = delete;

    // Valid UTF-8 stays as it is; every byte that does not belong to a well-formed
    // sequence (overlong forms, surrogates and values above U+10FFFF included)
    // becomes U+FFFD.
    static std::string validUtf8(const std::string &bytes);

    // A JSON string literal with its quotes: quotes, backslashes and control
    // characters escaped, invalid UTF-8 replaced.
    static std::string json(const std::string &bytes);

    // Text for XML content and attribute values: & < > " ' escaped, invalid UTF-8
    // and the control characters that XML 1.0 does not allow replaced by U+FFFD.
    static std::string xml(const std::string &bytes);

    // One CSV field after RFC 4180: quoted when it holds a comma, a quote, CR or LF,
    // with inner quotes doubled. Bytes are kept as they are.
    static std::string csv(const std::string &bytes);
};
