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
    // Detection runs the readers in this order; each says what it found (a Reading)
    // and ReadingChoice alone decides which reading is the file's (result.layout names
    // it): the first that recognised its own data (a sentence, a payload that decodes,
    // KLV, a message in the frames), else the first from a file carrying that reader's
    // own mark, else "unreadable" when a reader found blocks it could not decode. No
    // reader ends the detection: blocks one cannot decode are tried by the next, and
    // once a reading is recognised the readers after it are not run.
    //  1. the file ends with "ICAT6330": the index after udta (marked)  icat6330
    //  2. udta names NT9665: the sample tables (marked)                  novatek-nt9665
    //  3. a `gps ` atom right after udta whose first blocks hold a sentence:
    //     the index reader                                               novatek-nt9666
    //  4. a `gps ` index in moov listing `freeGPS ` blocks               freegps
    //  5. `gps `, `3gf ` or `sttm` boxes under a top-level `free`        free-box
    //  6. a text track whose samples hold telemetry                      text-track
    //  7. a `gpmd` track whose payloads are KLV                          gpmf
    //  8. SEI units with a message in the video track's frames          sei-protobuf
    //  9. any other udta: the index reader on whatever follows it        novatek-nt9666
    // 10. the bounded scan for `freeGPS ` blocks                         freegps
    // 11. a .NMEA file with the video's base name                        nmea-file
    // 12. a .gpx file with the video's base name                         gpx-file
    // Blocks that are there but enciphered give layout "unreadable" and no samples.
    // Nothing is thrown: should memory run out, the result is empty with openError
    // ENOMEM.
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
