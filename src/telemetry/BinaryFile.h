// Read-only access to a video file for the telemetry readers: positioned reads (pread)
// with 64-bit offsets, big- and little-endian integers, and ISO base-media atom headers.
// The cursor reads (seek, read, the atom header) go through a window of the file kept
// in memory, so that walking the atoms of a movie header and reading its tables costs
// one read of the file, not one per header or table. Every read reports whether it got all its bytes; nothing here
// throws.
#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <memory>
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
    // The offset after the atom; INT64_MAX for a 64-bit size that reaches beyond it.
    int64_t end() const;
};

class BinaryFile {
public:
    BinaryFile() = default;
    ~BinaryFile();
    BinaryFile(const BinaryFile &) = delete;
    BinaryFile &operator=(const BinaryFile &) = delete;

    // Opens a regular file for reading as bytes, without waiting: a FIFO without a
    // writer or a terminal never blocks the open. False (and error() set to an errno
    // value) when the path is over 1023 bytes, the file cannot be opened, it is a
    // directory (EISDIR) or any other kind of special file (kNotRegularFile).
    bool open(const std::string &path);
    void close();
    bool isOpen() const { return m_fd >= 0; }
    int error() const { return m_error; }
    int64_t size() const { return m_size; }

    // The rule of open() asked of a path without opening it (so it never blocks): 0 when
    // it names a regular file that can be read, otherwise the errno value open() would
    // give, kNotRegularFile for a FIFO, device or socket.
    static int regularFileError(const std::string &path);
    // The text for an error of open() or regularFileError(): the system's, and
    // "Not a regular file" for kNotRegularFile.
    static std::string errorText(int error);
    // open() itself gives ENODEV only for a device file, so it says nothing else here.
    static constexpr int kNotRegularFile = ENODEV;

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

    // Reads up to `count` bytes at `offset` in one positioned read, without moving the
    // position or the window (from the window when it holds them all): for blocks
    // scattered through the file. Returns the number read.
    size_t readAt(int64_t offset, void *buffer, size_t count);
    // Makes the window hold [offset, offset + length) (its first kMaxWindowBytes for a
    // longer range, nothing past the end of the file), in one read unless it holds it
    // already: for an atom about to be walked whole, such as the movie header.
    void keep(int64_t offset, uint64_t length);

    // Bytes taken from the file so far (window fills and direct reads), for the tests
    // and benchmarks that hold a reader to reading the telemetry, not the movie.
    uint64_t bytesRead() const { return m_bytesRead; }

    static uint32_t u32BE(const unsigned char *p);
    static int32_t i32LE(const unsigned char *p);

    static constexpr size_t kMaxPathBytes = 1023;
    // What a cursor read outside the window reads: enough for the headers at the start
    // of a file, and for the movie header of a short clip.
    static constexpr size_t kWindowBytes = 16 * 1024;
    // The most keep() holds: the movie header of an hour of video.
    static constexpr size_t kMaxWindowBytes = 2 * 1024 * 1024;
    static constexpr size_t kKeepMargin = 4096;

private:
    bool examine();
    size_t readFromFile(int64_t offset, unsigned char *buffer, size_t count);
    bool windowHolds(int64_t offset, size_t count) const;
    bool fillWindow(int64_t offset);
    void readWindow(int64_t start, size_t length);

    int m_fd = -1;
    int64_t m_size = 0;
    int64_t m_position = 0;
    int m_error = 0;
    std::unique_ptr<unsigned char[]> m_window;
    size_t m_windowCapacity = 0;
    int64_t m_windowStart = 0;
    size_t m_windowLength = 0;
    uint64_t m_bytesRead = 0;
};
