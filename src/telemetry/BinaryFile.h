// Read-only access to a video file for the telemetry readers: C stdio with 64-bit
// offsets, big- and little-endian integers, and ISO base-media atom headers.
// Every read reports whether it got all its bytes; nothing here throws.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// One atom header as found in the file.
struct AtomHeader {
    int64_t start = 0;      // offset of the first header byte
    uint32_t size32 = 0;    // the 32-bit size field as written
    uint64_t size = 0;      // total size: the size field, or the 64-bit size when the field is 1
    int headerLength = 8;   // 8, or 16 with a 64-bit size
    char type[5] = {0, 0, 0, 0, 0};

    bool is(const char *fourcc) const;
    int64_t contentStart() const { return start + headerLength; }
    // False for sizes that cannot hold their own header (0 = "to the end of the file",
    // 2..7, or a 64-bit size below 16): a walk cannot step over such an atom.
    bool canSkip() const { return size >= static_cast<uint64_t>(headerLength); }
    int64_t end() const { return start + static_cast<int64_t>(size); }
};

class BinaryFile {
public:
    BinaryFile() = default;
    ~BinaryFile();
    BinaryFile(const BinaryFile &) = delete;
    BinaryFile &operator=(const BinaryFile &) = delete;

    // Opens for reading as bytes. False (and error() set to an errno value) when the
    // path is over 1023 bytes, the file cannot be opened, or it is a directory.
    bool open(const std::string &path);
    void close();
    bool isOpen() const { return m_file != nullptr; }
    int error() const { return m_error; }
    int64_t size() const { return m_size; }

    bool seek(int64_t offset);
    int64_t tell() const;
    // Bytes from `offset` to the end of the file (0 when offset lies beyond it).
    int64_t remainingFrom(int64_t offset) const;

    // Reads up to `count` bytes at the current position; returns the number read.
    size_t read(void *buffer, size_t count);
    bool readExact(void *buffer, size_t count) { return read(buffer, count) == count; }
    bool readU32BE(uint32_t *value);
    bool readU64BE(uint64_t *value);
    // Reads size, type and, for a size field of 1, the 64-bit size.
    bool readAtomHeader(AtomHeader *header);

    static uint32_t u32BE(const unsigned char *p);
    static int32_t i32LE(const unsigned char *p);

    static constexpr size_t kMaxPathBytes = 1023;

private:
    std::FILE *m_file = nullptr;
    int64_t m_size = 0;
    int m_error = 0;
};
