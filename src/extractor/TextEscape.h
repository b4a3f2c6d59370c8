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
    // and every character that XML 1.0 does not allow (the control characters but
    // tab, LF and CR; U+FFFE and U+FFFF) replaced by U+FFFD.
    static std::string xml(const std::string &bytes);

    // One CSV field after RFC 4180: quoted when it holds a comma, a quote, CR or LF,
    // with inner quotes doubled. Bytes are kept as they are.
    static std::string csv(const std::string &bytes);
    // The same for a text cell: one that begins with = + - @, a tab or CR gets an
    // apostrophe in front, so that a spreadsheet shows it instead of running it as a
    // formula.
    static std::string csvText(const std::string &bytes);

    // Text for a terminal: every control character (C0, DEL and C1, also when a UTF-8
    // sequence encodes it, and a stray C1 byte) shows as \xHH per byte, so that a
    // file name can neither move the cursor nor send the terminal a command, and still
    // reads as the bytes it holds. Everything else is kept as it is.
    static std::string terminal(const std::string &bytes);
};
