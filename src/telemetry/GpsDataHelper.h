// Extraction driver: turns one video file reference into the read result.
#pragma once

#include "GpsSample.h"

#include <string>

class BinaryFile;

class GpsDataHelper {
public:
    GpsDataHelper() = delete;

    // Reads the telemetry of the file named by `reference` (see referenceToPath). Never
    // fails: a file without telemetry gives an empty sample list, 0 and true. Safe to
    // call from any thread.
    static GpsReadResult readGpsData(const std::string &reference);
    // The same for a file the caller has opened (`path` is its name, kept in the
    // result): detection and the reader share it, so the file is opened only once.
    static GpsReadResult readGpsData(BinaryFile &file, const std::string &path);

    // The path of the file a reference names, the one rule for every caller. A text that
    // contains "file:///" is a file URL: its scheme is removed (clearfilePrefix) and its
    // percent escapes decoded. Any other text is a path and names its file exactly as
    // written, "%20" and "100%" included. False, with *error set, for a URL whose escapes
    // cannot be decoded (EINVAL) or a path over BinaryFile::kMaxPathBytes (ENAMETOOLONG).
    static bool referenceToPath(const std::string &reference, std::string *path, int *error = nullptr);

    // Removes the first 7 characters when the text contains "file:///" anywhere.
    static std::string clearfilePrefix(const std::string &text);

    // True exactly when 3.51 <= latitude <= 53.33 and 73.33 <= longitude <= 135.05 (as doubles).
    static bool locationInChina(float latitude, float longitude);

    // The float value of a coordinate text as the panels take it: its leading number,
    // 0 for an empty text.
    static float textToFloat(const std::string &text);

    // Percent-decodes `text` as UTF-8; false for a malformed escape,
    // an escaped zero byte or invalid UTF-8.
    static bool percentDecode(const std::string &text, std::string *out);
};
