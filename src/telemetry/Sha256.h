// SHA-256 (FIPS 180-4), for the manifests that prove an exported set unchanged: of
// bytes in memory, and of a whole regular file read in large blocks.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

class Sha256 {
public:
    Sha256();
    void update(const unsigned char *data, size_t n);
    // The digest of everything given; the object is spent afterwards.
    std::array<unsigned char, 32> final();

    // Lower-case hex of the digest of `n` bytes.
    static std::string hex(const unsigned char *data, size_t n);
    // Lower-case hex of a file's digest; empty when it cannot be read whole (`error` gets
    // an errno value, BinaryFile::kNotRegularFile for anything but a regular file).
    // `size` gets the bytes read.
    static std::string fileHex(const std::string &path, uint64_t *size = nullptr, int *error = nullptr);
    static std::string toHex(const std::array<unsigned char, 32> &digest);

private:
    void block(const unsigned char *p);

    uint32_t h_[8];
    unsigned char buffer_[64];
    size_t buffered_ = 0;
    uint64_t length_ = 0;
};
