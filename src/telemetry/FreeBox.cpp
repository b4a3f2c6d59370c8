#include "FreeBox.h"

#include "AtomWalk.h"
#include "BinaryFile.h"
#include "MovieMap.h"
#include "TelemetryMoment.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string_view>
#include <vector>

namespace {

struct Record {
    int64_t ms;
    int16_t x, y, z;
};

int16_t i16BE(const unsigned char *p)
{
    return int16_t(uint16_t(p[0] << 8 | p[1]));
}

std::vector<Record> records(BinaryFile &file, const AtomHeader &box)
{
    std::vector<Record> out;
    const int64_t end = std::min<int64_t>(box.end(), file.size());
    unsigned char buffer[10 * 4096];
    for (int64_t at = box.contentStart(); at + 10 <= end && out.size() < FreeBox::kMaxRecords;) {
        const size_t want = size_t(std::min<int64_t>(sizeof buffer, (end - at) / 10 * 10));
        const size_t got = file.readAt(at, buffer, want) / 10 * 10;
        if (got == 0)
            break;
        for (size_t i = 0; i < got; i += 10) {
            const uint32_t ms = BinaryFile::u32BE(buffer + i);
            if (ms == 0xFFFFFFFFu || out.size() >= FreeBox::kMaxRecords)
                return out;
            out.push_back({int64_t(ms), i16BE(buffer + i + 4), i16BE(buffer + i + 6), i16BE(buffer + i + 8)});
        }
        at += int64_t(got);
    }
    return out;
}

struct Line {
    std::optional<int64_t> stampMs;
    TelemetryMoment moment;
    Moments::Sentence kind;
};

std::vector<Line> nmeaLines(BinaryFile &file, const AtomHeader &box)
{
    std::vector<Line> out;
    const int64_t length = std::min<int64_t>(std::min<int64_t>(box.end(), file.size()) - box.contentStart(),
                                             int64_t(FreeBox::kMaxTextBytes));
    if (length <= 0)
        return out;
    std::string text(size_t(length), '\0');
    text.resize(file.readAt(box.contentStart(), text.data(), text.size()));
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find_first_of("\r\n", at);
        if (end == std::string::npos)
            end = text.size();
        std::string_view line(text.data() + at, end - at);
        at = end + 1;
        const size_t nul = line.find('\0');
        if (nul != std::string_view::npos)
            line = line.substr(0, nul);
        Line l;
        if (!line.empty() && line[0] == '[') {
            const size_t close = line.find(']');
            if (close == std::string_view::npos || close > 20)
                continue;
            int64_t ms = 0;
            bool digits = close > 1;
            for (size_t i = 1; i < close; ++i) {
                digits = digits && line[i] >= '0' && line[i] <= '9';
                ms = ms * 10 + (line[i] - '0');
            }
            // Only stamps from 2000 to 2099 are Unix times.
            if (digits && ms >= 946684800000LL && ms < 4102444800000LL)
                l.stampMs = ms;
            line = line.substr(close + 1);
        }
        l.kind = Moments::parse(line, &l.moment);
        if (l.kind != Moments::Sentence::None)
            out.push_back(std::move(l));
    }
    return out;
}

// The record nearest to `ms` (records in file order, usually rising), within reach.
const Record *nearest(const std::vector<Record> &list, int64_t ms)
{
    const Record *best = nullptr;
    int64_t bestDistance = FreeBox::kMaxGDistanceMs + 1;
    const auto it = std::lower_bound(list.begin(), list.end(), ms, [](const Record &r, int64_t v) { return r.ms < v; });
    for (auto c : {it, it == list.begin() ? it : it - 1})
        if (c != list.end() && std::llabs(c->ms - ms) < bestDistance) {
            bestDistance = std::llabs(c->ms - ms);
            best = &*c;
        }
    return best;
}

void putG(TelemetryMoment *m, const Record *r)
{
    if (!r)
        return;
    m->hasG = true;
    m->gx = float(r->x * FreeBox::kGPerUnit);
    m->gy = float(r->y * FreeBox::kGPerUnit);
    m->gz = float(r->z * FreeBox::kGPerUnit);
}

} // namespace

bool FreeBox::read(BinaryFile &file, const MovieMap &map, GpsReadResult *result)
{
    const AtomHeader *gps = nullptr, *accel = nullptr, *start = nullptr;
    AtomHeader boxes[3];
    for (const AtomHeader &top : map.top) {
        if (!top.is("free"))
            continue;
        const bool g = AtomWalk::findChild(file, top, "gps ", &boxes[0]);
        const bool a = AtomWalk::findChild(file, top, "3gf ", &boxes[1]);
        const bool s = AtomWalk::findChild(file, top, "sttm", &boxes[2]);
        if (!g && !a && !s)
            continue;
        gps = g ? &boxes[0] : nullptr;
        accel = a ? &boxes[1] : nullptr;
        start = s ? &boxes[2] : nullptr;
        break;
    }
    if (!gps && !accel && !start)
        return false;

    std::vector<Line> lines = gps ? nmeaLines(file, *gps) : std::vector<Line>();
    std::vector<Record> list = accel ? records(file, *accel) : std::vector<Record>();
    std::stable_sort(list.begin(), list.end(), [](const Record &a, const Record &b) { return a.ms < b.ms; });
    std::optional<int64_t> localStartMs;
    unsigned char b[8];
    if (start && file.readAt(start->contentStart(), b, 8) == 8)
        localStartMs = int64_t(uint64_t(BinaryFile::u32BE(b)) << 32 | BinaryFile::u32BE(b + 4));

    const bool anyRmc = std::any_of(lines.begin(), lines.end(), [](const Line &l) { return l.kind == Moments::Sentence::Rmc; });
    const Moments::Sentence wanted = anyRmc ? Moments::Sentence::Rmc : Moments::Sentence::Gga;
    std::optional<int64_t> firstStamp;
    for (const Line &l : lines)
        if (l.kind == wanted && (l.stampMs || l.moment.utcMs)) {
            firstStamp = l.stampMs ? l.stampMs : l.moment.utcMs;
            break;
        }
    // The recording's start on the UTC clock.
    std::optional<int64_t> startUtc = firstStamp;
    if (localStartMs && firstStamp && std::llabs(*localStartMs - *firstStamp) < 2 * 86400000LL) {
        const double zones = std::round(double(*localStartMs - *firstStamp) / double(kZoneStepMs));
        startUtc = *localStartMs - int64_t(zones) * kZoneStepMs;
    }

    bool any = false;
    for (Line &l : lines) {
        if (l.kind != wanted)
            continue;
        TelemetryMoment m = l.moment;
        if (l.stampMs)
            m.utcMs = l.stampMs;
        if (startUtc && m.utcMs)
            putG(&m, nearest(list, *m.utcMs - *startUtc));
        Moments::append(result, m);
        any = true;
    }
    if (!any && !list.empty()) {
        const int64_t seconds = std::min<int64_t>(list.back().ms / 1000 + 1, int64_t(list.size()));
        for (int64_t s = 0; s < seconds; ++s) {
            TelemetryMoment m;
            putG(&m, nearest(list, s * 1000));
            Moments::append(result, m);
        }
    }
    if (result->videoDatas.empty())
        return false;   // the boxes hold no moment: not this camera's telemetry
    Moments::finish(result, TelemetryLayout::FreeBox);
    return true;
}
