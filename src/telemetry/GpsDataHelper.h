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
    //
    // One detection step tries the layouts in this order and keeps the first that gives
    // samples (result.layout names it): the marks that were always read first stay
    // first, so those files read as before; then the marks that cannot be mistaken
    // (a magic in the blocks, named boxes, a track's handler); the weak Novatek rule
    // (any udta) only after them; the scan, which reads the most, after everything
    // inside the file; the files beside the video last.
    //  1. the file ends with "ICAT6330": the index after udta         icat6330
    //  2. udta names NT9665: the sample tables                         novatek-nt9665
    //  3. a `gps ` index in moov listing `freeGPS ` blocks             freegps / unreadable
    //  4. a `gps ` atom right after udta: the index reader             novatek-nt9666
    //  5. `gps `, `3gf ` or `sttm` boxes under a top-level `free`      free-box
    //  6. a text track whose samples hold telemetry                    text-track
    //  7. any other udta: the index reader, when it gives a position   novatek-nt9666
    //  8. the bounded scan for `freeGPS ` blocks                       freegps / unreadable
    //  9. a .NMEA file with the video's base name                      nmea-file
    // 10. a .gpx file with the video's base name                       gpx-file
    // Blocks that are there but enciphered give layout "unreadable" and no samples.
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
