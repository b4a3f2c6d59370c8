#include "Sha256.h"

#include "BinaryFile.h"

#include <cstring>
#include <memory>

namespace {

constexpr uint32_t kRounds[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2,
};

uint32_t rotr(uint32_t x, int n)
{
    return (x >> n) | (x << (32 - n));
}

} // namespace

Sha256::Sha256()
    : h_{0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19}
{
}

void Sha256::block(const unsigned char *p)
{
    uint32_t w[64];
    for (int i = 0; i < 16; ++i)
        w[i] = BinaryFile::u32BE(p + 4 * i);
    for (int i = 16; i < 64; ++i) {
        const uint32_t s0 = rotr(w[i - 15], 7) ^ rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
        const uint32_t s1 = rotr(w[i - 2], 17) ^ rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
        w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    uint32_t a = h_[0], b = h_[1], c = h_[2], d = h_[3], e = h_[4], f = h_[5], g = h_[6], h = h_[7];
    for (int i = 0; i < 64; ++i) {
        const uint32_t t1 = h + (rotr(e, 6) ^ rotr(e, 11) ^ rotr(e, 25)) + ((e & f) ^ (~e & g)) + kRounds[i] + w[i];
        const uint32_t t2 = (rotr(a, 2) ^ rotr(a, 13) ^ rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
        h = g;
        g = f;
        f = e;
        e = d + t1;
        d = c;
        c = b;
        b = a;
        a = t1 + t2;
    }
    h_[0] += a;
    h_[1] += b;
    h_[2] += c;
    h_[3] += d;
    h_[4] += e;
    h_[5] += f;
    h_[6] += g;
    h_[7] += h;
}

void Sha256::update(const unsigned char *data, size_t n)
{
    length_ += n;
    if (buffered_) {
        const size_t take = std::min(n, sizeof buffer_ - buffered_);
        std::memcpy(buffer_ + buffered_, data, take);
        buffered_ += take;
        data += take;
        n -= take;
        if (buffered_ < sizeof buffer_)
            return;
        block(buffer_);
        buffered_ = 0;
    }
    for (; n >= 64; data += 64, n -= 64)
        block(data);
    std::memcpy(buffer_, data, n);
    buffered_ = n;
}

std::array<unsigned char, 32> Sha256::final()
{
    const uint64_t bits = length_ * 8;
    unsigned char pad[72] = {0x80};
    const size_t padding = (buffered_ < 56 ? 56 : 120) - buffered_;
    for (int i = 0; i < 8; ++i)
        pad[padding + size_t(i)] = static_cast<unsigned char>(bits >> (56 - 8 * i));
    update(pad, padding + 8);
    std::array<unsigned char, 32> digest{};
    for (int i = 0; i < 8; ++i)
        for (int b = 0; b < 4; ++b)
            digest[size_t(4 * i + b)] = static_cast<unsigned char>(h_[i] >> (24 - 8 * b));
    return digest;
}

std::string Sha256::toHex(const std::array<unsigned char, 32> &digest)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(64);
    for (const unsigned char c : digest) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::string Sha256::hex(const unsigned char *data, size_t n)
{
    Sha256 s;
    s.update(data, n);
    return toHex(s.final());
}

std::string Sha256::fileHex(const std::string &path, uint64_t *size, int *error)
{
    BinaryFile file;
    if (!file.open(path)) {
        if (error)
            *error = file.error();
        return {};
    }
    constexpr size_t kBlock = 1 << 20;
    const auto buffer = std::make_unique<unsigned char[]>(kBlock);
    Sha256 s;
    uint64_t total = 0;
    for (;;) {
        const size_t got = file.readAt(int64_t(total), buffer.get(), kBlock);
        if (got == 0)
            break;
        s.update(buffer.get(), got);
        total += got;
    }
    // A file cut short while it was read ends early; one that grew is read to its new end.
    if (int64_t(total) < file.size()) {
        if (error)
            *error = EIO;
        return {};
    }
    if (size)
        *size = total;
    if (error)
        *error = 0;
    return toHex(s.final());
}
