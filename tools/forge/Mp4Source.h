// Mp4Source: reads the video track of an ISO base-media file made by the encoder:
// the codec configuration and timing atoms as they stand (copied into the forged
// file) and the position and size of every sample, so the samples can be re-laid.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

class Mp4Source {
public:
    Mp4Source() = default;
    ~Mp4Source();
    Mp4Source(const Mp4Source&) = delete;
    Mp4Source& operator=(const Mp4Source&) = delete;

    // Opens the file and reads its first video track; false with a reason on failure.
    bool open(const std::string& path, std::string& error);

    uint32_t timescale() const { return timescale_; }
    uint64_t duration() const { return duration_; }
    uint32_t width() const { return width_; }
    uint32_t height() const { return height_; }
    // Whole atoms (header included); stss and ctts are empty when absent.
    const std::vector<uint8_t>& stsd() const { return stsd_; }
    const std::vector<uint8_t>& stts() const { return stts_; }
    const std::vector<uint8_t>& stss() const { return stss_; }
    const std::vector<uint8_t>& ctts() const { return ctts_; }
    const std::vector<uint32_t>& sampleSizes() const { return sizes_; }

    // Reads sample i (from 0) into out.
    bool readSample(size_t i, std::vector<uint8_t>& out);

private:
    struct Box {
        uint64_t start = 0;    // first byte of the header
        uint64_t content = 0;  // first byte after the header
        uint64_t end = 0;
        std::string type;
    };
    bool readBox(uint64_t at, uint64_t limit, Box& box);
    bool findChild(const Box& parent, const char* type, Box& found);
    bool readBytes(uint64_t at, uint64_t n, std::vector<uint8_t>& out);
    bool readTrack(const Box& trak, std::string& error);

    std::FILE* file_ = nullptr;
    uint64_t fileSize_ = 0;
    uint32_t timescale_ = 0;
    uint64_t duration_ = 0;
    uint32_t width_ = 0;
    uint32_t height_ = 0;
    std::vector<uint8_t> stsd_, stts_, stss_, ctts_;
    std::vector<uint32_t> sizes_;
    std::vector<uint64_t> offsets_;
};
