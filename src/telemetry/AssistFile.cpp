#include "AssistFile.h"

#include "AtomWalk.h"
#include "BinaryFile.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace {

constexpr size_t kMaxNumericField = 32;

int32_t clampToInt32(double v)
{
    if (!(v == v))
        return 0;
    if (v >= 2147483647.0)
        return std::numeric_limits<int32_t>::max();
    if (v <= -2147483648.0)
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);   // truncates toward zero
}

// The leading integer of a text as atoi reads it (no fraction, no exponent), clamped.
int64_t readLeadingInteger(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    int64_t v = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        v = std::min<int64_t>(v * 10 + (text[i] - '0'), 1000000000000LL);
    return negative ? -v : v;
}

// Time and date fields as kept for exports: without a checksum suffix or line end.
std::string cleanField(std::string_view field)
{
    const size_t star = field.find('*');
    if (star != std::string_view::npos)
        field = field.substr(0, star);
    while (!field.empty() && (field.back() == '\r' || field.back() == '\n' || field.back() == ' '))
        field.remove_suffix(1);
    return std::string(field);
}

bool present(const std::vector<std::string_view> &f, size_t i)
{
    return i < f.size() && !f[i].empty();
}

std::string_view fieldOrEmpty(const std::vector<std::string_view> &f, size_t i)
{
    return i < f.size() ? f[i] : std::string_view();
}

AssistEntry entryFromBlock(const unsigned char *block, bool limitReadings)
{
    int32_t x = BinaryFile::i32LE(block);
    int32_t y = BinaryFile::i32LE(block + 4);
    int32_t z = BinaryFile::i32LE(block + 8);
    if (limitReadings) {
        const auto implausible = [](int32_t r) {
            return r > AssistFile::kMaxPlausibleReading || r < -AssistFile::kMaxPlausibleReading;
        };
        if (implausible(x) || implausible(y) || implausible(z))
            x = y = z = 0;
    }
    AssistEntry info;
    info.gsensorX = static_cast<float>(x) / 1000.0f;
    info.gsensorY = static_cast<float>(y) / 1000.0f;
    info.gsensorZ = static_cast<float>(z) / 1000.0f;
    info.speed = 0;
    info.northAngle = 0;
    return info;
}

// Reads the 140 bytes after the block head into a zeroed buffer, in one positioned
// read; a block that lies (partly) beyond the end of the file leaves zeros where bytes
// are missing.
void readBlock(BinaryFile &file, uint32_t position, unsigned char *buffer)
{
    std::memset(buffer, 0, AssistFile::kBlockReadBytes + 1);
    const int64_t at = static_cast<int64_t>(position) + AssistFile::kBlockHeadBytes;
    if (file.remainingFrom(at) == 0)
        return;
    file.readAt(at, buffer, AssistFile::kBlockReadBytes);
}

} // namespace

using AtomWalk::boundedCount;
using AtomWalk::findAtom;
using AtomWalk::forEachTableEntry;

double read_leading_number(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    const size_t start = i;
    size_t digits = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9')
        ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9')
            ++i, ++digits;
    }
    if (digits == 0)
        return 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-'))
            ++j;
        if (j < text.size() && text[j] >= '0' && text[j] <= '9') {
            while (j < text.size() && text[j] >= '0' && text[j] <= '9')
                ++j;
            i = j;
        }
    }
    double value = 0;
    const auto r = std::from_chars(text.data() + start, text.data() + i, value, std::chars_format::general);
    if (r.ec != std::errc() || !std::isfinite(value))
        return 0;
    return negative ? -value : value;
}

std::vector<std::string_view> split_nmea_fields(std::string_view sentence)
{
    std::vector<std::string_view> fields;
    size_t start = 0;
    for (;;) {
        const size_t comma = sentence.find(',', start);
        if (comma == std::string_view::npos) {
            fields.push_back(sentence.substr(start));
            return fields;
        }
        fields.push_back(sentence.substr(start, comma - start));
        start = comma + 1;
    }
}

void parse_coordinate(std::string_view value, std::string_view hemisphere, std::string &out)
{
    const bool negative = !hemisphere.empty() && (hemisphere[0] == 'W' || hemisphere[0] == 'S');
    const size_t point = value.find('.');
    if (point == std::string_view::npos) {
        out = "0";
        return;
    }
    const std::string_view after = value.substr(point + 1);
    if (after.size() != 4 && after.size() != 5) {
        out.clear();
        return;
    }
    const int64_t whole = clampToInt32(read_leading_number(value.substr(0, point)));
    const int64_t fraction = readLeadingInteger(after);
    const int64_t degrees = whole / 100;
    const int64_t minutes = whole % 100;
    char text[64];
    if (after.size() == 4) {
        const int64_t m = minutes * 10000 + fraction;
        std::snprintf(text, sizeof text, negative ? "-%lld.%06lld" : "%lld.%06lld",
                      static_cast<long long>(degrees), static_cast<long long>(m * 100 / 60));
    } else {
        const int64_t m = minutes * 100000 + fraction;
        std::snprintf(text, sizeof text, negative ? "-%lld.%07lld" : "%lld.%07lld",
                      static_cast<long long>(degrees), static_cast<long long>(m * 100 / 60));
    }
    out = text;
}

int AssistFile::ParseRMC(std::string_view text, std::string &gpsLat, std::string &gpsLgt, int32_t &speed,
                          double &northAngle, std::string *utcTime, std::string *utcDate)
{
    const std::vector<std::string_view> f = split_nmea_fields(text);
    if (f[0] != "$GPRMC" && f[0] != "$GLRMC")
        return 0;
    // time, status, latitude and its hemisphere, longitude and its hemisphere
    for (size_t i = 1; i <= 6; ++i)
        if (!present(f, i))
            return 0;
    const std::string_view speedField = fieldOrEmpty(f, 7);
    const std::string_view courseField = fieldOrEmpty(f, 8);
    if (f[3].size() > kMaxNumericField || f[5].size() > kMaxNumericField ||
        speedField.size() > kMaxNumericField || courseField.size() > kMaxNumericField)
        return 0;

    std::string lgt, lat;
    parse_coordinate(f[5], f[6], lgt);
    parse_coordinate(f[3], f[4], lat);
    gpsLgt = lgt;
    gpsLat = lat;
    speed = clampToInt32(read_leading_number(speedField) * 1.85);
    northAngle = read_leading_number(courseField);
    if (utcTime)
        *utcTime = cleanField(f[1]);
    if (utcDate)
        *utcDate = cleanField(fieldOrEmpty(f, 9));
    return 0;
}

int AssistFile::ParseGGA(std::string_view text, std::string &gpsLat, std::string &gpsLgt, int32_t &speed)
{
    (void)speed;   // GGA carries no speed over ground
    const std::vector<std::string_view> f = split_nmea_fields(text);
    if (f[0] != "$GPGGA")
        return 0;
    // time, latitude and its hemisphere, longitude and its hemisphere
    for (size_t i = 1; i <= 5; ++i)
        if (!present(f, i))
            return 0;
    if (f[2].size() > kMaxNumericField || f[4].size() > kMaxNumericField)
        return 0;
    std::string lat, lgt;
    parse_coordinate(f[2], f[3], lat);
    parse_coordinate(f[4], f[5], lgt);
    gpsLat = lat;
    gpsLgt = lgt;
    return 0;
}

size_t AssistFile::RestoreText(unsigned char *text, size_t length)
{
    size_t n = 0;
    while (n < length && text[n] != 0) {
        text[n] = static_cast<unsigned char>(text[n] - kTextShift);
        ++n;
    }
    // A byte equal to the key restores to zero, which ends the sentence there.
    size_t end = 0;
    while (end < n && text[end] != 0)
        ++end;
    return end;
}

bool AssistFile::beginRead(const std::string &path, BinaryFile &file)
{
    assistInfoList.clear();
    m_openError = 0;
    if (path.size() < 4) {
        m_openError = EINVAL;
        return false;
    }
    if (!file.open(path)) {
        m_openError = file.error();
        return false;
    }
    return true;
}

bool AssistFile::beginRead(const BinaryFile &file)
{
    assistInfoList.clear();
    m_openError = 0;
    if (!file.isOpen()) {
        m_openError = file.error() ? file.error() : EBADF;
        return false;
    }
    return true;
}

int AssistFile::ParseAssistDataForNovatek(const std::string &path)
{
    BinaryFile file;
    if (!beginRead(path, file))
        return -1;
    return ParseAssistDataForNovatek(file);
}

int AssistFile::ParseAssistDataForNovatek66x(const std::string &path)
{
    BinaryFile file;
    if (!beginRead(path, file))
        return -1;
    return ParseAssistDataForNovatek66x(file);
}

int AssistFile::ParseAssistDataForNovatek(BinaryFile &file)
{
    if (!beginRead(file))
        return -1;

    // Running total of the atom sizes seen at the top level and in the moov walk:
    // the searches inside the chosen track do not look beyond it.
    uint64_t total = 0;
    AtomHeader moov;
    if (!file.seek(0) || !findAtom(file, "moov", &moov, &total, -1))
        return 0;
    file.keep(moov.start, moov.size);   // the track and its tables, in one read
    int64_t mark = moov.contentStart();

    // Choose the track: the second trak when two follow each other, else the first.
    int tracks = 0;
    bool chosen = false;
    for (;;) {
        AtomHeader h;
        if (!file.readAtomHeader(&h))
            break;
        total += h.size;
        if (tracks > 0 && !h.is("trak")) {
            chosen = true;
            break;
        }
        if (h.is("trak")) {
            mark = h.contentStart();
            if (++tracks == 2) {
                chosen = true;
                break;
            }
        }
        if (!h.canSkip() || h.size > static_cast<uint64_t>(file.remainingFrom(h.start)) || !file.seek(h.end()))
            break;
    }
    // A trak that is the last atom of the file is still the file's track.
    if (!chosen && tracks == 1)
        chosen = true;
    if (!chosen)
        return 0;

    const int64_t limit = static_cast<int64_t>(std::min<uint64_t>(total, uint64_t(INT64_MAX)));
    AtomHeader mdia, minf, stbl, table;
    if (!file.seek(mark) || !findAtom(file, "mdia", &mdia, nullptr, limit) ||
        !findAtom(file, "minf", &minf, nullptr, limit) || !findAtom(file, "stbl", &stbl, nullptr, limit) ||
        !findAtom(file, tracks == 1 ? "stsz" : "stco", &table, nullptr, limit)) {
        file.seek(mark);
        return 0;
    }

    std::vector<uint32_t> positions;
    if (tracks == 1) {
        // stsz: version and flags, default size, count N, then N sizes.
        unsigned char head[12];
        std::vector<uint32_t> sizes;
        if (file.readExact(head, sizeof head)) {
            const int64_t entries = table.contentStart() + 12;
            const uint32_t n = boundedCount(file, table, entries, BinaryFile::u32BE(head + 8));
            sizes.reserve(n / 30);
            forEachTableEntry(file, entries, n, 30, [&](uint32_t, uint32_t v) { sizes.push_back(v); });
        }
        // The atom after stsz is read as the chunk offset table, whatever its type.
        AtomHeader stco;
        unsigned char stcoHead[8];
        if (!sizes.empty() && table.canSkip() && file.seek(table.end()) && file.readAtomHeader(&stco) &&
            file.readExact(stcoHead, sizeof stcoHead)) {
            const int64_t entries = stco.contentStart() + 8;
            uint32_t c = boundedCount(file, stco, entries, BinaryFile::u32BE(stcoHead + 4));
            c = std::min<uint32_t>(c, static_cast<uint32_t>(sizes.size()) * 30);
            positions.reserve(c / 30);
            forEachTableEntry(file, entries, c, 30, [&](uint32_t number, uint32_t offset) {
                const uint32_t end = sizes[number / 30 - 1] + offset;
                positions.push_back((end + 0x7FFFu) & ~uint32_t(0x7FFF));
            });
        }
    } else {
        // stco: version and flags, count C, then C chunk offsets.
        unsigned char head[8];
        if (file.readExact(head, sizeof head)) {
            const int64_t entries = table.contentStart() + 8;
            const uint32_t c = boundedCount(file, table, entries, BinaryFile::u32BE(head + 4));
            positions.reserve(c);
            forEachTableEntry(file, entries, c, 1, [&](uint32_t, uint32_t offset) {
                positions.push_back(offset + 65536u);
            });
        }
    }

    assistInfoList.reserve(positions.size());
    unsigned char block[kBlockReadBytes + 1];
    for (const uint32_t p : positions) {
        readBlock(file, p, block);
        AssistEntry info = entryFromBlock(block, false);
        const size_t length = RestoreText(block + 12, kBlockTextBytes);
        const std::string_view text(reinterpret_cast<const char *>(block + 12), length);
        info.hasSentence = IsSentence(text);
        ParseRMC(text, info.gpsLat, info.gpsLgt, info.speed, info.northAngle, &info.utcTime, &info.utcDate);
        assistInfoList.push_back(std::move(info));
    }
    file.seek(mark);
    return static_cast<int>(assistInfoList.size());
}

int AssistFile::ParseAssistDataForNovatek66x(BinaryFile &file, size_t probe)
{
    if (!beginRead(file))
        return -1;

    AtomHeader moov, udta;
    if (!file.seek(0) || !findAtom(file, "moov", &moov, nullptr, -1))
        return 0;
    file.keep(moov.start, moov.size);   // udta and the index after it, in one read
    const int64_t mark = moov.contentStart();
    if (!findAtom(file, "udta", &udta, nullptr, -1))
        return 0;

    // The index atom directly follows udta: size, type, 4 unused bytes, count E, entries.
    // A udta that runs past the end of the file has no index after it.
    uint32_t rawCount = 0;
    if (udta.size > static_cast<uint64_t>(file.remainingFrom(udta.start)) || !file.seek(udta.end() + 12) ||
        !file.readU32BE(&rawCount)) {
        file.seek(mark);
        return 0;
    }
    int32_t count;
    std::memcpy(&count, &rawCount, 4);
    count = std::min(count, kMaxIndexEntries);

    std::vector<uint32_t> positions;
    if (count > 0) {
        unsigned char entries[kMaxIndexEntries * 8];
        const size_t got = file.read(entries, size_t(count) * 8);
        for (size_t i = 0; i + 8 <= got; i += 8)
            positions.push_back(BinaryFile::u32BE(entries + i));
    }

    unsigned char block[kBlockReadBytes + 1];
    if (probe > 0 && !positions.empty()) {
        bool sentence = false;
        const size_t tries = std::min(probe, positions.size());
        for (size_t k = 0; k < tries && !sentence; ++k) {
            readBlock(file, positions[k * (positions.size() - 1) / std::max<size_t>(tries - 1, 1)], block);
            sentence = IsSentence(std::string_view(reinterpret_cast<const char *>(block + 12),
                                                   RestoreText(block + 12, kBlockTextBytes)));
        }
        if (!sentence) {
            file.seek(mark);
            return 0;
        }
    }
    assistInfoList.reserve(positions.size());
    for (const uint32_t p : positions) {
        readBlock(file, p, block);
        AssistEntry info = entryFromBlock(block, true);
        const size_t length = RestoreText(block + 12, kBlockTextBytes);
        const std::string_view text(reinterpret_cast<const char *>(block + 12), length);
        info.hasSentence = IsSentence(text);
        if (text.substr(0, 6) == "$GPGGA")
            ParseGGA(text, info.gpsLat, info.gpsLgt, info.speed);
        else
            ParseRMC(text, info.gpsLat, info.gpsLgt, info.speed, info.northAngle, &info.utcTime, &info.utcDate);
        assistInfoList.push_back(std::move(info));
    }
    file.seek(mark);
    return static_cast<int>(assistInfoList.size());
}

bool AssistFile::IsSentence(std::string_view text)
{
    if (text.size() < 7 || text[0] != '$' || text[6] != ',')
        return false;
    for (size_t i = 1; i < 6; ++i)
        if (text[i] < 'A' || text[i] > 'Z')
            return false;
    return true;
}
