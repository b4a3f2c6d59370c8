#include "FreeGps.h"

#include "AtomWalk.h"
#include "BinaryFile.h"
#include "ClipTime.h"
#include "MovieDuration.h"
#include "MovieMap.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace {

constexpr char kMagic[] = "freeGPS ";
constexpr size_t kMagicAt = 4;
constexpr size_t kProbeBytes = 12;
constexpr size_t kEntriesTried = 4;

struct Block {
    int64_t offset = 0;
    std::vector<unsigned char> bytes;   // the first kBlockReadBytes of it (fewer at the end of the file)
};

uint32_t u32LE(const unsigned char *p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

float f32LE(const unsigned char *p)
{
    const uint32_t u = u32LE(p);
    float f;
    std::memcpy(&f, &u, 4);
    return f;
}

bool hasMagic(const unsigned char *head, size_t n)
{
    return n >= kProbeBytes && std::memcmp(head + kMagicAt, kMagic, 8) == 0;
}

bool readBlock(BinaryFile &file, int64_t offset, Block *block)
{
    block->offset = offset;
    block->bytes.resize(FreeGps::kBlockReadBytes);
    const size_t got = file.readAt(offset, block->bytes.data(), block->bytes.size());
    block->bytes.resize(got);
    return hasMagic(block->bytes.data(), got);
}

// DDMM.MMMM as a float: degrees, or false when out of range.
bool binaryDegrees(float value, char hemisphere, double maxDegrees, char negative, double *out)
{
    if (!std::isfinite(value) || value < 0)
        return false;
    const double whole = std::floor(double(value) / 100);
    const double minutes = double(value) - whole * 100;
    const double d = whole + minutes / 60;
    if (minutes >= 60 || d > maxDegrees)
        return false;
    *out = hemisphere == negative ? -d : d;
    return true;
}

// The block size, or the step to the next probe for a size no block can have.
int64_t blockSpan(const Block &b)
{
    const uint32_t size = BinaryFile::u32BE(b.bytes.data());
    return size >= kProbeBytes ? int64_t(size) : int64_t(kProbeBytes);
}

// Stretches of the file that hold neither ftyp, moov, an atom header nor a sample of
// any track: where blocks outside the tracks can be.
std::vector<std::pair<int64_t, int64_t>> gaps(BinaryFile &file, const MovieMap &map)
{
    std::vector<std::pair<int64_t, int64_t>> used;
    for (const AtomHeader &h : map.top) {
        if (h.is("ftyp") || h.is("moov"))
            used.emplace_back(h.start, h.end());
        else if (h.is("mdat"))
            used.emplace_back(h.start, h.contentStart());
        // Any other atom may itself be a block (its size, then `free` and `GPS `), or hold one.
    }
    size_t budget = FreeGps::kMaxTrackSamples;
    for (const AtomHeader &h : map.moovChildren) {
        if (!h.is("trak") || budget == 0)
            continue;
        // A `gpmd` track that no GPMF reading took is no KLV: some cameras keep their
        // blocks in one, so its samples are searched like the stretches between tracks.
        if (std::strcmp(AtomWalk::trackKind(file, h).sampleEntry, "gpmd") == 0)
            continue;
        for (const AtomWalk::SampleRef &s : AtomWalk::trackSamples(file, h, budget)) {
            used.emplace_back(s.offset, s.offset > std::numeric_limits<int64_t>::max() - s.size
                                            ? std::numeric_limits<int64_t>::max()
                                            : s.offset + int64_t(s.size));
            --budget;
        }
    }
    std::sort(used.begin(), used.end());
    std::vector<std::pair<int64_t, int64_t>> out;
    int64_t at = 0;
    const int64_t end = file.size();
    for (const auto &[from, to] : used) {
        if (from > at && at < end)
            out.emplace_back(at, std::min(from, end));
        at = std::max(at, to);
        if (out.size() >= FreeGps::kMaxGaps)
            return out;
    }
    if (at < end)
        out.emplace_back(at, end);
    return out;
}

class Scanner {
public:
    Scanner(BinaryFile &file, std::vector<Block> *blocks) : m_file(file), m_blocks(blocks) {}

    void scanGap(int64_t pos, int64_t end)
    {
        while (pos + int64_t(kProbeBytes) <= end && m_blocks->size() < FreeGps::kMaxBlocks) {
            const int64_t found = find(pos, end);
            if (found < 0)
                return;
            Block b;
            if (!readBlock(m_file, found, &b))
                return;
            pos = found + std::max<int64_t>(blockSpan(b), int64_t(kProbeBytes));
            m_blocks->push_back(std::move(b));
        }
    }

private:
    bool probe(int64_t at)
    {
        if (m_probes >= FreeGps::kMaxProbes)
            return false;
        ++m_probes;
        unsigned char head[kProbeBytes];
        return hasMagic(head, m_file.readAt(at, head, sizeof head));
    }

    // The next block start in [pos, end): at pos, then at aligned offsets, then byte by
    // byte in a window; -1 when none is found within those bounds.
    int64_t find(int64_t pos, int64_t end)
    {
        if (probe(pos))
            return pos;
        int64_t aligned = (pos / FreeGps::kScanStep + 1) * FreeGps::kScanStep;
        for (int i = 0; i < FreeGps::kAlignedProbesPerGap && aligned + int64_t(kProbeBytes) <= end;
             ++i, aligned += FreeGps::kScanStep)
            if (probe(aligned))
                return aligned;
        const size_t window = size_t(std::min<int64_t>({int64_t(FreeGps::kByteWindow), end - pos,
                                                        int64_t(FreeGps::kMaxWindowBytes - m_windowBytes)}));
        if (window < kProbeBytes)
            return -1;
        m_buffer.resize(window);
        const size_t got = m_file.readAt(pos, m_buffer.data(), window);
        m_windowBytes += window;
        for (size_t i = 0; i + kProbeBytes <= got; ++i) {
            const void *hit = std::memchr(m_buffer.data() + i + kMagicAt, 'f', got - i - kMagicAt);
            if (!hit)
                break;
            i = size_t(static_cast<const unsigned char *>(hit) - m_buffer.data()) - kMagicAt;
            if (i + kProbeBytes <= got && hasMagic(m_buffer.data() + i, got - i))
                return pos + int64_t(i);
        }
        return -1;
    }

    BinaryFile &m_file;
    std::vector<Block> *m_blocks;
    int m_probes = 0;
    size_t m_windowBytes = 0;
    std::vector<unsigned char> m_buffer;
};

bool enciphered(const Block &b)
{
    static const char kMark[] = "LIGOGPSINFO";
    const size_t n = std::min<size_t>(b.bytes.size(), 0x40);
    for (size_t i = 0; i + sizeof kMark - 1 <= n; ++i)
        if (std::memcmp(b.bytes.data() + i, kMark, sizeof kMark - 1) == 0)
            return true;
    return false;
}

} // namespace

bool FreeGps::decode(const unsigned char *b, size_t n, Payload payload, TelemetryMoment *m, int32_t readings[3])
{
    *m = TelemetryMoment();
    readings[0] = readings[1] = readings[2] = 0;
    if (payload == Payload::Shifted) {
        constexpr size_t kReadingsAt = 0x30, kTextAt = 0x3C, kTextBytes = 128;
        if (n < kTextAt + 7)
            return false;
        unsigned char text[kTextBytes];
        const size_t field = std::min(kTextBytes, n - kTextAt);
        std::memcpy(text, b + kTextAt, field);
        size_t length = 0;
        while (length < field && text[length] != 0) {
            text[length] = static_cast<unsigned char>(text[length] - 0x0B);
            ++length;
        }
        const std::string_view sentence(reinterpret_cast<const char *>(text), length);
        if (sentence.empty() || sentence[0] != '$' || Moments::parse(sentence, m) == Moments::Sentence::None) {
            *m = TelemetryMoment();
            return false;
        }
        bool plausible = true;
        for (int k = 0; k < 3; ++k) {
            readings[k] = int32_t(u32LE(b + kReadingsAt + 4 * k));
            plausible = plausible && readings[k] <= 10000 && readings[k] >= -10000;
        }
        if (!plausible)
            readings[0] = readings[1] = readings[2] = 0;
        return true;
    }
    if (payload == Payload::Nmea) {
        // An RMC sentence from about 0x50 on, three readings at 0x44.
        if (n < 0x50)
            return false;
        for (size_t i = 0x48; i + 6 <= n; ++i) {
            if (b[i] != '$')
                continue;
            size_t end = i;
            while (end < n && b[end] >= 0x20 && b[end] < 0x7F)
                ++end;
            const std::string_view text(reinterpret_cast<const char *>(b + i), end - i);
            if (Moments::parse(text, m) != Moments::Sentence::Rmc)
                continue;
            for (int k = 0; k < 3; ++k)
                readings[k] = int32_t(u32LE(b + 0x44 + 4 * k));
            return true;
        }
        return false;
    }
    const size_t shift = payload == Payload::V3 ? 0 : payload == Payload::LongHeader ? 0x30 : 0x20;
    const size_t fieldsEnd = shift + (payload == Payload::Old ? 0x3C : 0x48);
    if (n < fieldsEnd)
        return false;
    const unsigned char *p = b + shift;
    uint32_t t[6];
    for (int k = 0; k < 6; ++k)
        t[k] = u32LE(p + 0x10 + 4 * k);
    const char status = char(p[0x28]), ns = char(p[0x29]), ew = char(p[0x2A]);
    if (status != 'A' && status != 'V')
        return false;
    if (payload != Payload::Old)
        for (int k = 0; k < 3; ++k)
            readings[k] = int32_t(u32LE(p + 0x3C + 4 * k));
    const bool zeroTime = t[0] == 0 && t[1] == 0 && t[2] == 0 && t[3] == 0 && t[4] == 0 && t[5] == 0;
    const bool fullYear = t[3] >= 2000 && t[3] <= 2099;
    const int year = fullYear ? int(t[3]) : t[3] <= 99 ? int(t[3]) + 2000 : 0;
    const bool validTime = (t[3] <= 99 || fullYear) && t[4] >= 1 && t[4] <= 12 && t[5] >= 1 && t[5] <= 31 &&
                           ClipTime::validDate(year, int(t[4]), int(t[5])) &&
                           ClipTime::validClock(int(t[0]), int(t[1]), int(t[2]));
    // A camera that writes the full year writes its local time: no UTC then.
    if (validTime && !fullYear)
        m->utcMs = ClipTime::toMs(CivilTime{year, int(t[4]), int(t[5]), int(t[0]), int(t[1]), int(t[2])});
    if (status == 'V')
        return validTime || zeroTime;
    if (!validTime)
        return false;
    double lat = 0, lon = 0;
    if ((ns != 'N' && ns != 'S') || (ew != 'E' && ew != 'W') ||
        !binaryDegrees(f32LE(p + 0x2C), ns, 90, 'S', &lat) || !binaryDegrees(f32LE(p + 0x30), ew, 180, 'W', &lon))
        return false;
    const float knots = f32LE(p + 0x34), course = f32LE(p + 0x38);
    if (!std::isfinite(knots) || knots < 0 || knots > 1000 || !std::isfinite(course) || course < 0 || course > 360)
        return false;
    m->hasFix = true;
    m->latitude = lat;
    m->longitude = lon;
    m->hasSpeed = m->hasCourse = true;
    m->speedKmh = double(knots) * Moments::kKmhPerKnot;
    m->course = double(course);
    return true;
}

FreeGps::Outcome FreeGps::read(BinaryFile &file, const MovieMap &map, bool scanWithoutIndex, GpsReadResult *result)
{
    std::vector<Block> blocks;
    int encipheredBlocks = 0;
    bool indexShort = true;
    if (const AtomHeader *index = map.moovChild("gps ")) {
        unsigned char head[8];
        if (file.readAt(index->contentStart(), head, 8) == 8) {
            const int64_t entries = index->contentStart() + 8;
            const uint32_t declared = BinaryFile::u32BE(head + 4);
            const uint32_t count = std::min(AtomWalk::boundedCount(file, *index, entries, declared, 8), kMaxBlocks);
            std::vector<unsigned char> table(size_t(count) * 8);
            const size_t got = file.readAt(entries, table.data(), table.size()) / 8;
            // The first few entries tell an index of these blocks from another camera's.
            bool ours = false;
            for (size_t i = 0; i < std::min<size_t>(got, kEntriesTried) && !ours; ++i) {
                Block b;
                ours = readBlock(file, int64_t(BinaryFile::u32BE(table.data() + i * 8)), &b) || enciphered(b);
            }
            for (size_t i = 0; ours && i < got; ++i) {
                Block b;
                if (readBlock(file, int64_t(BinaryFile::u32BE(table.data() + i * 8)), &b))
                    blocks.push_back(std::move(b));
                else if (enciphered(b))
                    ++encipheredBlocks;
            }
            const int64_t ms = MovieDuration::milliseconds(file);
            indexShort = declared > got || (ms > 0 && int64_t(blocks.size()) + 1 < ms / 1000);
        }
    }
    if (blocks.empty() && encipheredBlocks > 0)
        return Outcome::Unreadable;
    if (blocks.empty() && !scanWithoutIndex)
        return Outcome::NotFound;
    if (indexShort) {
        std::vector<Block> found;
        Scanner scanner(file, &found);
        for (const auto &[from, to] : gaps(file, map))
            scanner.scanGap(from, to);
        std::vector<int64_t> listed;
        for (const Block &b : blocks)
            listed.push_back(b.offset);
        std::sort(listed.begin(), listed.end());
        for (Block &b : found) {
            const bool known = std::binary_search(listed.begin(), listed.end(), b.offset);
            if (!known && blocks.size() < kMaxBlocks)
                blocks.push_back(std::move(b));
        }
        std::stable_sort(blocks.begin(), blocks.end(), [](const Block &a, const Block &b) { return a.offset < b.offset; });
    }
    if (blocks.empty())
        return Outcome::NotFound;

    // The payload layout that reads the most blocks (a fix counts twice), in this order on a tie.
    const Payload payloads[] = {Payload::V3, Payload::LongHeader, Payload::Old, Payload::Nmea, Payload::Shifted};
    Payload best = Payload::V3;
    size_t bestScore = 0;
    for (const Payload payload : payloads) {
        size_t score = 0;
        for (const Block &b : blocks) {
            TelemetryMoment m;
            int32_t r[3];
            if (decode(b.bytes.data(), b.bytes.size(), payload, &m, r))
                score += m.hasFix ? 2 : 1;
        }
        if (score > bestScore) {
            bestScore = score;
            best = payload;
        }
    }
    if (bestScore == 0)
        return Outcome::Unreadable;

    std::vector<TelemetryMoment> moments(blocks.size());
    std::vector<bool> plausible(blocks.size());
    double strongest = 0;
    std::vector<std::array<int32_t, 3>> readings(blocks.size());
    for (size_t i = 0; i < blocks.size(); ++i) {
        plausible[i] = decode(blocks[i].bytes.data(), blocks[i].bytes.size(), best, &moments[i], readings[i].data());
        if (!plausible[i])
            moments[i] = TelemetryMoment();
        const double perG = readingsPerG(best);
        const double x = readings[i][0] / perG, y = readings[i][1] / perG, z = readings[i][2] / perG;
        if (plausible[i])
            strongest = std::max(strongest, std::sqrt(x * x + y * y + z * z));
    }
    const bool hasG = best != Payload::Old && strongest >= kMinGravityG;
    for (size_t i = 0; i < blocks.size(); ++i) {
        TelemetryMoment &m = moments[i];
        if (hasG && plausible[i]) {
            m.hasG = true;
            m.gx = float(readings[i][0] / readingsPerG(best));
            m.gy = float(readings[i][1] / readingsPerG(best));
            m.gz = float(readings[i][2] / readingsPerG(best));
        }
        Moments::append(result, m);
    }
    Moments::finish(result, TelemetryLayout::FreeGps);
    return Outcome::Read;
}
