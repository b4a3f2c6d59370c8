// MovForge: lays out and writes a dash-camera MOV file: ftyp, a moov with the video
// trak (and for the two-trak kind a telemetry trak), udta naming the chipset (and for
// the index kinds the GPS index atom after it), then mdat with the video samples one
// per chunk and a GPS block after every 30th sample at the next 32 KiB boundary.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class MovForge {
public:
    // FreeGps: blocks of their own size, listed by a `gps ` index unless Plan::index is
    // off; TextTrack: the blocks are the samples of a text track; Plain: no telemetry
    // inside (Plan::topExtra may hold a top-level `free` box of it).
    enum class Kind { Nt9665, Nt9665TwoTrak, Nt9666, Icat6330, FreeGps, TextTrack, Plain };

    static constexpr uint32_t kSamplesPerBlock = 30;
    static constexpr uint64_t kBlockAlign = 32768;
    static constexpr uint64_t kTelemetryLead = 65536; // telemetry chunk start to its block
    static constexpr uint32_t kBlockSpan = 256;       // bytes reserved for one GPS block
    static constexpr uint32_t kBlockBytes = 188;      // head, three readings, text

    struct Video {
        uint32_t timescale = 0;
        uint64_t duration = 0;
        uint32_t width = 0;
        uint32_t height = 0;
        std::vector<uint8_t> stsd, stts, stss, ctts; // whole atoms; stss, ctts may be empty
        std::vector<uint32_t> sizes;
    };

    struct Plan {
        Kind kind = Kind::Nt9665;
        Video video;
        int fps = 30;
        std::vector<std::vector<uint8_t>> blocks; // kBlockBytes each, block k after sample 30k
        std::string chipText;                     // the text in udta's first child
        uint32_t creationTime = 0;                // seconds since 1904
        uint64_t minimumFileSize = 0;             // extend the file (sparsely) to at least this
        uint32_t blockSpan = kBlockSpan;          // bytes reserved for one block
        bool index = true;                        // FreeGps: write the `gps ` index
        std::vector<uint8_t> topExtra;            // atoms between moov and mdat
        std::string textHandler = "text";         // TextTrack: hdlr type and sample entry
        std::string textEntry = "tx3g";
    };

    struct Layout {
        uint64_t mdatStart = 0;
        std::vector<uint64_t> sampleOffsets;
        std::vector<uint64_t> blockPositions;
        std::vector<uint64_t> telemetryChunks; // two-trak kind only
        uint64_t fileSize = 0;
    };

    // Video tables for a file without picture data: sizes chosen so that the samples
    // fill `spreadBytes` (0: small made-up sizes).
    static Video fakeVideo(uint32_t samples, int fps, uint32_t width, uint32_t height, uint64_t spreadBytes, Kind kind,
                           uint32_t blockSpan = kBlockSpan);

    // Fills `sample` with the bytes of sample i; null writes no picture data (holes).
    using SampleReader = std::function<bool(size_t i, std::vector<uint8_t>& sample)>;

    static bool write(const Plan& plan, const std::string& path, const SampleReader& readSample, Layout& layout,
                      std::string& error);

    static Layout layOut(const Plan& plan, uint64_t moovSize);
    static std::vector<uint8_t> moov(const Plan& plan, const Layout& layout);
    static std::vector<uint8_t> ftyp();
    static uint64_t trailerSize(Kind kind) { return kind == Kind::Icat6330 ? 16 : 0; }
};
