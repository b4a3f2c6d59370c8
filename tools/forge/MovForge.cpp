#include "MovForge.h"

#include "AtomWriter.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace {

constexpr uint32_t kMovieTimescale = 1000;

uint64_t roundUp(uint64_t v, uint64_t to)
{
    return (v + to - 1) / to * to;
}

uint32_t checked32(uint64_t v)
{
    if (v > 0xFFFFFFFFull)
        throw std::length_error("file positions beyond 4 GiB are not supported");
    return static_cast<uint32_t>(v);
}

void matrix(AtomWriter& w)
{
    const uint32_t m[9] = {0x00010000, 0, 0, 0, 0x00010000, 0, 0, 0, 0x40000000};
    for (uint32_t v : m)
        w.u32(v);
}

void trackHeader(AtomWriter& w, uint32_t id, uint32_t creation, uint64_t duration, uint32_t width, uint32_t height,
                 bool enabled)
{
    const size_t a = w.openFull("tkhd", 0, enabled ? 0x3 : 0x2);
    w.u32(creation);
    w.u32(creation);
    w.u32(id);
    w.u32(0);
    w.u32(checked32(duration));
    w.zeros(8);
    w.u16(0); // layer
    w.u16(0); // alternate group
    w.u16(0); // volume
    w.u16(0);
    matrix(w);
    w.u32(width << 16);
    w.u32(height << 16);
    w.close(a);
}

void mediaHeader(AtomWriter& w, uint32_t creation, uint32_t timescale, uint64_t duration)
{
    const size_t a = w.openFull("mdhd", 0, 0);
    w.u32(creation);
    w.u32(creation);
    w.u32(timescale);
    w.u32(checked32(duration));
    w.u16(0x55C4); // "und"
    w.u16(0);
    w.close(a);
}

void handler(AtomWriter& w, const char* type, const std::string& name)
{
    const size_t a = w.openFull("hdlr", 0, 0);
    w.fourcc("mhlr");
    w.fourcc(type);
    w.zeros(12);
    w.cText(name);
    w.close(a);
}

void dataInformation(AtomWriter& w)
{
    const size_t dinf = w.open("dinf");
    const size_t dref = w.openFull("dref", 0, 0);
    w.u32(1);
    const size_t url = w.openFull("url ", 0, 1); // media data in this file
    w.close(url);
    w.close(dref);
    w.close(dinf);
}

void oneSamplePerChunk(AtomWriter& w)
{
    const size_t a = w.openFull("stsc", 0, 0);
    w.u32(1);
    w.u32(1); // first chunk
    w.u32(1); // samples per chunk
    w.u32(1); // sample description
    w.close(a);
}

void chunkOffsets(AtomWriter& w, const std::vector<uint64_t>& offsets, size_t count)
{
    const size_t a = w.openFull("stco", 0, 0);
    w.u32(checked32(count));
    for (size_t i = 0; i < count; ++i)
        w.u32(i < offsets.size() ? checked32(offsets[i]) : 0);
    w.close(a);
}

uint32_t hash32(uint32_t x)
{
    x ^= x >> 16;
    x *= 0x7FEB352Du;
    x ^= x >> 15;
    x *= 0x846CA68Bu;
    x ^= x >> 16;
    return x;
}

} // namespace

std::vector<uint8_t> MovForge::ftyp()
{
    AtomWriter w;
    const size_t a = w.open("ftyp");
    w.fourcc("qt  ");
    w.u32(0x20050300);
    w.fourcc("qt  ");
    w.close(a);
    return w.bytes();
}

MovForge::Video MovForge::fakeVideo(uint32_t samples, int fps, uint32_t width, uint32_t height, uint64_t spreadBytes,
                                    Kind kind, uint32_t blockSpan)
{
    Video v;
    v.timescale = static_cast<uint32_t>(fps) * 1000;
    v.duration = uint64_t(samples) * 1000;
    v.width = width;
    v.height = height;

    AtomWriter stsd;
    const size_t d = stsd.openFull("stsd", 0, 0);
    stsd.u32(1);
    const size_t e = stsd.open("avc1");
    stsd.zeros(6);
    stsd.u16(1); // data reference
    stsd.zeros(16);
    stsd.u16(static_cast<uint16_t>(width));
    stsd.u16(static_cast<uint16_t>(height));
    stsd.u32(0x00480000);
    stsd.u32(0x00480000);
    stsd.u32(0);
    stsd.u16(1);
    stsd.fixedText("", 32);
    stsd.u16(0x18);
    stsd.u16(0xFFFF);
    const size_t c = stsd.open("avcC");
    const uint8_t config[] = {1, 66, 0xC0, 30, 0xFF, 0xE0, 0};
    for (uint8_t b : config)
        stsd.u8(b);
    stsd.close(c);
    stsd.close(e);
    stsd.close(d);
    v.stsd = stsd.bytes();

    AtomWriter stts;
    const size_t t = stts.openFull("stts", 0, 0);
    stts.u32(1);
    stts.u32(samples);
    stts.u32(1000);
    stts.close(t);
    v.stts = stts.bytes();

    AtomWriter stss;
    const size_t s = stss.openFull("stss", 0, 0);
    const uint32_t keys = (samples + static_cast<uint32_t>(fps) - 1) / static_cast<uint32_t>(fps);
    stss.u32(keys);
    for (uint32_t k = 0; k < keys; ++k)
        stss.u32(1 + k * static_cast<uint32_t>(fps));
    stss.close(s);
    v.stss = stss.bytes();

    v.sizes.resize(samples);
    if (spreadBytes > 0 && samples > 0) {
        // Leave room for the worst-case padding before every block.
        const uint64_t blocks = samples / kSamplesPerBlock;
        const uint64_t perBlock = kBlockAlign + blockSpan + (kind == Kind::Nt9665TwoTrak ? kTelemetryLead : 0);
        const uint64_t reserve = blocks * perBlock + 256 * 1024;
        const uint64_t room = spreadBytes > reserve ? spreadBytes - reserve : samples;
        const uint64_t each = std::max<uint64_t>(1, room / samples);
        for (uint32_t i = 0; i < samples; ++i)
            v.sizes[i] = checked32(each);
    } else {
        for (uint32_t i = 0; i < samples; ++i)
            v.sizes[i] = i % static_cast<uint32_t>(fps) == 0 ? 4000 + hash32(i) % 2000 : 600 + hash32(i) % 700;
    }
    return v;
}

MovForge::Layout MovForge::layOut(const Plan& plan, uint64_t moovSize)
{
    Layout l;
    l.mdatStart = ftyp().size() + moovSize + plan.topExtra.size();
    uint64_t pos = l.mdatStart + 8;
    const std::vector<uint32_t>& sizes = plan.video.sizes;
    l.sampleOffsets.reserve(sizes.size());
    for (size_t i = 0; i < sizes.size(); ++i) {
        l.sampleOffsets.push_back(pos);
        pos += sizes[i];
        const size_t k = (i + 1) / kSamplesPerBlock;
        if ((i + 1) % kSamplesPerBlock == 0 && k <= plan.blocks.size()) {
            uint64_t at = roundUp(pos, kBlockAlign);
            if (plan.kind == Kind::Nt9665TwoTrak) {
                l.telemetryChunks.push_back(at);
                at += kTelemetryLead;
            }
            l.blockPositions.push_back(at);
            pos = at + plan.blockSpan;
        }
    }
    l.fileSize = std::max(pos + trailerSize(plan.kind), plan.minimumFileSize);
    return l;
}

std::vector<uint8_t> MovForge::moov(const Plan& plan, const Layout& layout)
{
    const Video& v = plan.video;
    const uint32_t creation = plan.creationTime;
    const uint64_t videoMs = v.timescale ? v.duration * kMovieTimescale / v.timescale : 0;
    const size_t blocks = layout.blockPositions.size() ? layout.blockPositions.size() : plan.blocks.size();
    const bool twoTrak = plan.kind == Kind::Nt9665TwoTrak;
    const uint32_t telemetryDelta = kSamplesPerBlock;   // in frames
    const uint32_t telemetryScale = static_cast<uint32_t>(plan.fps);
    const uint64_t telemetryMs = uint64_t(blocks) * telemetryDelta * kMovieTimescale / telemetryScale;
    const bool textTrack = plan.kind == Kind::TextTrack;

    AtomWriter w;
    const size_t moov = w.open("moov");

    const size_t mvhd = w.openFull("mvhd", 0, 0);
    w.u32(creation);
    w.u32(creation);
    w.u32(kMovieTimescale);
    w.u32(checked32(std::max(videoMs, twoTrak ? telemetryMs : 0)));
    w.u32(0x00010000); // rate 1.0
    w.u16(0x0100);     // volume 1.0
    w.zeros(10);
    matrix(w);
    w.zeros(24);
    w.u32(twoTrak || textTrack ? 3 : 2); // next track id
    w.close(mvhd);

    // The video trak.
    {
        const size_t trak = w.open("trak");
        trackHeader(w, 1, creation, videoMs, v.width, v.height, true);
        const size_t mdia = w.open("mdia");
        mediaHeader(w, creation, v.timescale, v.duration);
        handler(w, "vide", "VideoHandler");
        const size_t minf = w.open("minf");
        const size_t vmhd = w.openFull("vmhd", 0, 1);
        w.zeros(8);
        w.close(vmhd);
        dataInformation(w);
        const size_t stbl = w.open("stbl");
        w.append(v.stsd);
        w.append(v.stts);
        w.append(v.stss);
        w.append(v.ctts);
        oneSamplePerChunk(w);
        const size_t stsz = w.openFull("stsz", 0, 0);
        w.u32(0);
        w.u32(checked32(v.sizes.size()));
        for (uint32_t s : v.sizes)
            w.u32(s);
        w.close(stsz);
        // The chunk offsets directly follow the sample sizes.
        chunkOffsets(w, layout.sampleOffsets, v.sizes.size());
        w.close(stbl);
        w.close(minf);
        w.close(mdia);
        w.close(trak);
    }

    // The telemetry trak follows the video trak directly.
    if (twoTrak) {
        const size_t trak = w.open("trak");
        trackHeader(w, 2, creation, telemetryMs, 0, 0, false);
        const size_t mdia = w.open("mdia");
        mediaHeader(w, creation, telemetryScale, uint64_t(blocks) * telemetryDelta);
        handler(w, "meta", "GPS data");
        const size_t minf = w.open("minf");
        const size_t nmhd = w.openFull("nmhd", 0, 0);
        w.close(nmhd);
        dataInformation(w);
        const size_t stbl = w.open("stbl");
        const size_t stsd = w.openFull("stsd", 0, 0);
        w.u32(1);
        const size_t mett = w.open("mett");
        w.zeros(6);
        w.u16(1);
        w.cText("");
        w.cText("application/octet-stream");
        w.close(mett);
        w.close(stsd);
        const size_t stts = w.openFull("stts", 0, 0);
        w.u32(blocks ? 1 : 0);
        if (blocks) {
            w.u32(checked32(blocks));
            w.u32(telemetryDelta);
        }
        w.close(stts);
        oneSamplePerChunk(w);
        const size_t stsz = w.openFull("stsz", 0, 0);
        w.u32(checked32(kTelemetryLead + kBlockSpan));
        w.u32(checked32(blocks));
        w.close(stsz);
        chunkOffsets(w, layout.telemetryChunks, blocks);
        w.close(stbl);
        w.close(minf);
        w.close(mdia);
        w.close(trak);
    }

    // A text track whose samples are the blocks.
    if (plan.kind == Kind::TextTrack) {
        const size_t trak = w.open("trak");
        trackHeader(w, 2, creation, telemetryMs, 0, 0, false);
        const size_t mdia = w.open("mdia");
        mediaHeader(w, creation, telemetryScale, uint64_t(blocks) * telemetryDelta);
        handler(w, plan.textHandler.c_str(), "Telemetry");
        const size_t minf = w.open("minf");
        const size_t nmhd = w.openFull("nmhd", 0, 0);
        w.close(nmhd);
        dataInformation(w);
        const size_t stbl = w.open("stbl");
        const size_t stsd = w.openFull("stsd", 0, 0);
        w.u32(1);
        const size_t entry = w.open(plan.textEntry.c_str());
        w.zeros(6);
        w.u16(1);
        w.zeros(30);
        w.close(entry);
        w.close(stsd);
        const size_t stts = w.openFull("stts", 0, 0);
        w.u32(blocks ? 1 : 0);
        if (blocks) {
            w.u32(checked32(blocks));
            w.u32(telemetryDelta);
        }
        w.close(stts);
        oneSamplePerChunk(w);
        const size_t stsz = w.openFull("stsz", 0, 0);
        w.u32(0);
        w.u32(checked32(blocks));
        for (size_t k = 0; k < blocks; ++k)
            w.u32(checked32(k < plan.blocks.size() ? plan.blocks[k].size() : 0));
        w.close(stsz);
        chunkOffsets(w, layout.blockPositions, blocks);
        w.close(stbl);
        w.close(minf);
        w.close(mdia);
        w.close(trak);
    }

    // udta: its first child names the chipset.
    const size_t udta = w.open("udta");
    const size_t chip = w.open("chip");
    w.fixedText(plan.chipText, 24);
    w.close(chip);
    w.close(udta);

    // The GPS index follows udta directly.
    if (plan.kind == Kind::Nt9666 || plan.kind == Kind::Icat6330 || (plan.kind == Kind::FreeGps && plan.index)) {
        const size_t gps = w.open("gps ");
        w.u32(0x00000101);
        w.u32(checked32(blocks));
        for (size_t k = 0; k < blocks; ++k) {
            w.u32(k < layout.blockPositions.size() ? checked32(layout.blockPositions[k]) : 0);
            w.u32(plan.blockSpan);
        }
        w.close(gps);
    }

    w.close(moov);
    return w.bytes();
}

bool MovForge::write(const Plan& plan, const std::string& path, const SampleReader& readSample, Layout& layout,
                     std::string& error)
{
    std::vector<uint8_t> head;
    try {
        // The moov size does not depend on the offsets in it: size it, lay out, then fill.
        const std::vector<uint8_t> draft = moov(plan, Layout{});
        layout = layOut(plan, draft.size());
        if (layout.blockPositions.size() != plan.blocks.size()) {
            error = "too few video samples for " + std::to_string(plan.blocks.size()) + " GPS blocks";
            return false;
        }
        head = ftyp();
        const std::vector<uint8_t> box = moov(plan, layout);
        if (box.size() != draft.size()) {
            error = "moov size changed between layout and writing";
            return false;
        }
        head.insert(head.end(), box.begin(), box.end());
        head.insert(head.end(), plan.topExtra.begin(), plan.topExtra.end());
        const uint64_t mdatSize = layout.fileSize - trailerSize(plan.kind) - layout.mdatStart;
        AtomWriter mdat;
        mdat.u32(checked32(mdatSize));
        mdat.fourcc("mdat");
        head.insert(head.end(), mdat.bytes().begin(), mdat.bytes().end());
    } catch (const std::exception& e) {
        error = e.what();
        return false;
    }

    const std::string temp = path + ".part";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) {
        error = "cannot create " + temp + ": " + std::strerror(errno);
        return false;
    }
    bool ok = true;
    auto put = [&](const void* data, size_t n, uint64_t at) {
        const uint8_t* p = static_cast<const uint8_t*>(data);
        while (ok && n > 0) {
            const ssize_t done = ::pwrite(fd, p, n, static_cast<off_t>(at));
            if (done < 0 && errno == EINTR)
                continue;
            if (done <= 0) {
                error = "cannot write " + temp + ": " + std::strerror(errno);
                ok = false;
                break;
            }
            p += done;
            n -= static_cast<size_t>(done);
            at += static_cast<uint64_t>(done);
        }
    };
    put(head.data(), head.size(), 0);
    if (readSample) {
        std::vector<uint8_t> sample;
        for (size_t i = 0; ok && i < layout.sampleOffsets.size(); ++i) {
            if (!readSample(i, sample) || sample.size() != plan.video.sizes[i]) {
                error = "cannot read video sample " + std::to_string(i);
                ok = false;
                break;
            }
            put(sample.data(), sample.size(), layout.sampleOffsets[i]);
        }
    }
    for (size_t k = 0; ok && k < plan.blocks.size(); ++k)
        put(plan.blocks[k].data(), plan.blocks[k].size(), layout.blockPositions[k]);
    if (ok && plan.kind == Kind::Icat6330) {
        AtomWriter mark;
        const size_t a = mark.open("free");
        mark.fixedText("ICAT6330", 8);
        mark.close(a);
        put(mark.bytes().data(), mark.size(), layout.fileSize - mark.size());
    }
    if (ok && ::ftruncate(fd, static_cast<off_t>(layout.fileSize)) != 0) {
        error = "cannot size " + temp + ": " + std::strerror(errno);
        ok = false;
    }
    if (::close(fd) != 0 && ok) {
        error = "cannot close " + temp + ": " + std::strerror(errno);
        ok = false;
    }
    if (ok && std::rename(temp.c_str(), path.c_str()) != 0) {
        error = "cannot rename " + temp + ": " + std::strerror(errno);
        ok = false;
    }
    if (!ok)
        std::remove(temp.c_str());
    return ok;
}
