#include "AtomWriter.h"

#include <cstring>
#include <stdexcept>

void AtomWriter::u16(uint16_t v)
{
    u8(static_cast<uint8_t>(v >> 8));
    u8(static_cast<uint8_t>(v));
}

void AtomWriter::u32(uint32_t v)
{
    u16(static_cast<uint16_t>(v >> 16));
    u16(static_cast<uint16_t>(v));
}

void AtomWriter::u64(uint64_t v)
{
    u32(static_cast<uint32_t>(v >> 32));
    u32(static_cast<uint32_t>(v));
}

void AtomWriter::fourcc(const char* type)
{
    if (std::strlen(type) != 4)
        throw std::logic_error(std::string("atom type must have four characters: ") + type);
    bytes_.insert(bytes_.end(), type, type + 4);
}

void AtomWriter::fixedText(const std::string& text, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        u8(i < text.size() ? static_cast<uint8_t>(text[i]) : 0);
}

void AtomWriter::cText(const std::string& text)
{
    bytes_.insert(bytes_.end(), text.begin(), text.end());
    u8(0);
}

size_t AtomWriter::open(const char* type)
{
    const size_t handle = bytes_.size();
    u32(0);
    fourcc(type);
    return handle;
}

size_t AtomWriter::openFull(const char* type, uint8_t version, uint32_t flags)
{
    const size_t handle = open(type);
    u32((static_cast<uint32_t>(version) << 24) | (flags & 0xFFFFFFu));
    return handle;
}

void AtomWriter::close(size_t handle)
{
    const uint64_t size = bytes_.size() - handle;
    if (size > 0xFFFFFFFFu)
        throw std::length_error("atom larger than 4 GiB");
    for (int i = 0; i < 4; ++i)
        bytes_[handle + i] = static_cast<uint8_t>(size >> (24 - 8 * i));
}
