// The GPS block readers of Novatek dash-camera files and the NMEA sentence parser.
// AssistFile finds the GPS blocks of one file (through the sample tables or through
// the index atom after "udta"), restores each block's shifted sentence and turns it
// into a AssistEntry entry. Plain C++ over POSIX positioned reads; no state is
// shared between instances, so files can be read on several threads at once.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class BinaryFile;

// One telemetry entry, one per GPS block of the file.
struct AssistEntry {
    float gsensorX = 0;      // reading / 1000
    float gsensorY = 0;
    float gsensorZ = 0;
    std::string gpsLat;      // decimal degrees as text, "-" for south; empty without position
    std::string gpsLgt;      // decimal degrees as text, "-" for west; empty without position
    int32_t speed = 0;       // km/h
    double northAngle = 0;   // degrees as written in the sentence
    std::string utcTime;     // RMC time field (hhmmss.ss), empty for GGA or an unparsed text
    std::string utcDate;     // RMC date field (ddmmyy), empty when absent
    bool hasSentence = false; // the restored text is an NMEA sentence ("$" talker, type, ","), fix or not
};

// Decimal-degree text from an NMEA degrees-and-minutes value and its hemisphere letter
// ("W" and "S" negative). "0" for a value without a point; the empty text when the
// value has neither four nor five characters after the point.
void parse_coordinate(std::string_view value, std::string_view hemisphere, std::string &out);

// The leading number of a text ("12.5kn" -> 12.5, "" or "abc" -> 0), independent of the
// C locale. Accepts a sign, digits, a fraction and an exponent; never inf or nan.
double read_leading_number(std::string_view text);

// Splits a sentence at commas, keeping empty fields ("a,,b" gives "a", "", "b").
std::vector<std::string_view> split_nmea_fields(std::string_view sentence);

class AssistFile {
public:
    // The key subtracted from every byte of a block's sentence text.
    static constexpr unsigned char kTextShift = 0x0B;
    static constexpr int kBlockHeadBytes = 48;
    static constexpr int kBlockReadBytes = 140;   // three readings and the 128-byte text
    static constexpr int kBlockTextBytes = 128;
    static constexpr int32_t kMaxIndexEntries = 500;
    static constexpr int32_t kMaxPlausibleReading = 10000;

    // NT9665 kind: blocks found through the stsz/stco tables of the chosen track.
    // Returns the number of entries, or -1 for a path under 4 bytes or an unopenable file.
    int ParseAssistDataForNovatek(const std::string &path);
    // NT9666 kind (and every file not marked NT9665): blocks listed by the index atom
    // that follows "udta". Same return values.
    int ParseAssistDataForNovatek66x(const std::string &path);
    // The same two on a file already open (detection may have read it before): -1
    // when it is not open. The position is left anywhere.
    int ParseAssistDataForNovatek(BinaryFile &file);
    // With `probe` above 0 the index reader first reads that many blocks spread over
    // the index and gives up (an empty list, 0) when none of them holds a sentence: the
    // atom after udta is then another camera's, and its blocks are not read.
    int ParseAssistDataForNovatek66x(BinaryFile &file, size_t probe = 0);

    const std::vector<AssistEntry> &GetAssistInfoList() const { return assistInfoList; }
    // errno value of the last failed open (0 when the file was opened).
    int openError() const { return m_openError; }

    // "$GPRMC" / "$GLRMC": writes position, speed (knots x 1.85, truncated) and course only
    // when time, status and the four position fields are present; an empty speed or course
    // reads as 0. Time and date fields go to utcTime/utcDate when given. Returns 0.
    static int ParseRMC(std::string_view text, std::string &gpsLat, std::string &gpsLgt, int32_t &speed,
                        double &northAngle, std::string *utcTime = nullptr, std::string *utcDate = nullptr);
    // "$GPGGA": writes latitude and longitude only, when time and the four position
    // fields are present. Never touches speed. Returns 0.
    static int ParseGGA(std::string_view text, std::string &gpsLat, std::string &gpsLgt, int32_t &speed);

    // Restores a block's text field in place: subtracts the key from each byte up to the
    // first zero byte, at most `length` bytes. Returns the length of the restored text.
    static size_t RestoreText(unsigned char *text, size_t length);
    // True for a restored text that opens as an NMEA sentence: "$", five letters, ",".
    static bool IsSentence(std::string_view text);

private:
    // Empties the list and opens the file for a reader; false (and the reason kept) when
    // the path is too short or the file cannot be opened.
    bool beginRead(const std::string &path, BinaryFile &file);
    // Empties the list for a reader of an open file; false when it is not open.
    bool beginRead(const BinaryFile &file);

    std::vector<AssistEntry> assistInfoList;
    int m_openError = 0;
};
