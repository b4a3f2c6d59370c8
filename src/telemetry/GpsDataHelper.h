// Extraction driver: turns one video file reference into the read result.
#pragma once

#include "GpsSample.h"

#include <string>

class BinaryFile;

class GpsDataHelper {
public:
    GpsDataHelper() = delete;

    // Reads the telemetry of the file named by `reference` (a file URL's absolute
    // text such as file:///a%20b/X.MOV, or a plain path). Never fails: a file without
    // telemetry gives an empty sample list, 0 and true. Safe to call from any thread.
    static GpsReadResult readGpsData(const std::string &reference);
    // The same for a file the caller has opened (`path` is its name, kept in the
    // result): detection and the reader share it, so the file is opened only once.
    static GpsReadResult readGpsData(BinaryFile &file, const std::string &path);

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
