#include "TextTrack.h"

#include "AssistFile.h"
#include "AtomWalk.h"
#include "BinaryFile.h"
#include "ClipTime.h"
#include "MovieMap.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

std::string_view textField(const unsigned char *p, size_t n)
{
    const void *zero = std::memchr(p, 0, n);
    return std::string_view(reinterpret_cast<const char *>(p),
                            zero ? size_t(static_cast<const unsigned char *>(zero) - p) : n);
}

bool fixedLayout(const unsigned char *s, size_t size, TelemetryMoment *m)
{
    if (size < TextTrack::kFixedSampleBytes)
        return false;
    const std::string digits(reinterpret_cast<const char *>(s + 6), 14);
    if (!ClipTime::allDigits(digits, 0, 14))
        return false;
    const int year = ClipTime::number(digits, 0, 4), month = ClipTime::number(digits, 4, 2),
              day = ClipTime::number(digits, 6, 2);
    if (!ClipTime::validDate(year, month, day) ||
        !ClipTime::validClock(ClipTime::number(digits, 8, 2), ClipTime::number(digits, 10, 2),
                              ClipTime::number(digits, 12, 2)))
        return false;
    *m = TelemetryMoment();
    TelemetryMoment gga;
    // The GGA sentence gives the position only when the RMC has none.
    if (Moments::parse(textField(s + 0x20, 128), m) != Moments::Sentence::Rmc || !m->hasFix) {
        if (Moments::parse(textField(s + 0xA0, 128), &gga) == Moments::Sentence::Gga && gga.hasFix) {
            m->hasFix = true;
            m->latitude = gga.latitude, m->longitude = gga.longitude;
            m->latitudeText = gga.latitudeText, m->longitudeText = gga.longitudeText;
        }
    }
    m->hasG = true;
    m->gy = float(BinaryFile::i32LE(s + 0x14) * -TextTrack::kFixedGPerUnit);
    m->gx = float(BinaryFile::i32LE(s + 0x18) * TextTrack::kFixedGPerUnit);
    m->gz = float(BinaryFile::i32LE(s + 0x1C) * TextTrack::kFixedGPerUnit);
    return true;
}

bool gsensorLine(std::string_view text, TelemetryMoment *m)
{
    if (text.substr(0, 9) != "gsensori,")
        return false;
    *m = TelemetryMoment();
    bool any = false;
    size_t at = 0;
    while (at <= text.size()) {
        size_t end = text.find(';', at);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view part = text.substr(at, end - at);
        at = end + 1;
        if (part.substr(0, 9) == "gsensori,") {
            const std::vector<std::string_view> f = split_nmea_fields(part);
            const double perG = f.size() >= 6 && f[2].size() < 16 ? read_leading_number(f[2]) : 0;
            if (perG > 0) {
                m->hasG = true;
                m->gx = float(read_leading_number(f[3].substr(0, 16)) / perG);
                m->gy = float(read_leading_number(f[4].substr(0, 16)) / perG);
                m->gz = float(read_leading_number(f[5].substr(0, 16)) / perG);
                any = true;
            }
        } else if (Moments::parse(part, m) == Moments::Sentence::Rmc) {
            any = true;
        }
    }
    return any;
}

bool nmeaText(std::string_view text, TelemetryMoment *m)
{
    *m = TelemetryMoment();
    TelemetryMoment gga;
    bool rmc = false, gotGga = false;
    for (size_t at = text.find('$'); at != std::string_view::npos;) {
        const size_t next = text.find('$', at + 1);
        const std::string_view sentence = text.substr(at, next == std::string_view::npos ? std::string_view::npos : next - at);
        at = next;
        TelemetryMoment one;
        const Moments::Sentence kind = Moments::parse(sentence, &one);
        if (kind == Moments::Sentence::Rmc && !rmc) {
            *m = one;
            rmc = true;
        } else if (kind == Moments::Sentence::Gga && !gotGga) {
            gga = one;
            gotGga = true;
        }
    }
    if (!rmc && gotGga)
        *m = gga;
    return rmc || gotGga;
}

bool isTextTrack(const AtomWalk::TrackKind &k)
{
    return std::strcmp(k.handler, "text") == 0 || std::strcmp(k.handler, "sbtl") == 0 ||
           std::strcmp(k.sampleEntry, "tx3g") == 0 || std::strcmp(k.sampleEntry, "text") == 0;
}

} // namespace

bool TextTrack::parseSample(const unsigned char *s, size_t size, TelemetryMoment *m)
{
    if (size < 2)
        return false;
    if (fixedLayout(s, size, m))
        return true;
    const size_t length = std::min<size_t>(size_t(s[0]) << 8 | s[1], size - 2);
    const std::string_view text = textField(s + 2, length);
    return gsensorLine(text, m) || nmeaText(text, m);
}

bool TextTrack::read(BinaryFile &file, const MovieMap &map, GpsReadResult *result)
{
    int tracks = 0;
    std::vector<unsigned char> buffer(kMaxSampleBytes);
    for (const AtomHeader &trak : map.moovChildren) {
        if (!trak.is("trak") || ++tracks > kMaxTracks || !isTextTrack(AtomWalk::trackKind(file, trak)))
            continue;
        bool any = false;
        for (const AtomWalk::SampleRef &s : AtomWalk::trackSamples(file, trak, kMaxSamples)) {
            const size_t got = file.readAt(s.offset, buffer.data(), std::min<size_t>(s.size, buffer.size()));
            TelemetryMoment m;
            if (!parseSample(buffer.data(), got, &m))
                continue;
            Moments::append(result, m);
            any = true;
        }
        if (any) {
            Moments::finish(result, TelemetryLayout::TextTrack);
            return true;
        }
    }
    return false;
}
