// AtomWriter: builds ISO base-media atoms in memory. Numbers are written big-endian;
// open() starts an atom and close() patches its size once the content is known.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class AtomWriter {
public:
    void u8(uint8_t v) { bytes_.push_back(v); }
    void u16(uint16_t v);
    void u32(uint32_t v);
    void u64(uint64_t v);
    void fourcc(const char* type);
    void zeros(size_t n) { bytes_.insert(bytes_.end(), n, 0); }
    void append(const std::vector<uint8_t>& data) { bytes_.insert(bytes_.end(), data.begin(), data.end()); }
    // Text padded with zeros (or cut) to exactly n bytes.
    void fixedText(const std::string& text, size_t n);
    // Zero-terminated text.
    void cText(const std::string& text);

    // Starts an atom of the given type; returns the handle that close() takes.
    size_t open(const char* type);
    // Full atom: header plus version and flags.
    size_t openFull(const char* type, uint8_t version, uint32_t flags);
    void close(size_t handle);

    size_t size() const { return bytes_.size(); }
    const std::vector<uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
};
