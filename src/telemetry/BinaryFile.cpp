#include "BinaryFile.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <sys/types.h>

bool AtomHeader::is(const char *fourcc) const
{
    return std::memcmp(type, fourcc, 4) == 0;
}

BinaryFile::~BinaryFile()
{
    close();
}

bool BinaryFile::open(const std::string &path)
{
    close();
    m_error = 0;
    if (path.size() > kMaxPathBytes) {
        m_error = ENAMETOOLONG;
        return false;
    }
    if (path.find('\0') != std::string::npos) {
        m_error = EINVAL;
        return false;
    }
    errno = 0;
    m_file = std::fopen(path.c_str(), "rb");
    if (!m_file) {
        m_error = errno ? errno : ENOENT;
        return false;
    }
    struct stat st;
    if (fstat(fileno(m_file), &st) != 0) {
        m_error = errno ? errno : EIO;
        close();
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        m_error = EISDIR;
        close();
        return false;
    }
    // Reads are small and scattered (atom headers, 140-byte blocks): a small buffer
    // keeps each of them from pulling in a whole page of media data.
    std::setvbuf(m_file, nullptr, _IOFBF, 512);
    if (fseeko(m_file, 0, SEEK_END) == 0) {
        const off_t end = ftello(m_file);
        m_size = end > 0 ? static_cast<int64_t>(end) : 0;
    }
    fseeko(m_file, 0, SEEK_SET);
    return true;
}

void BinaryFile::close()
{
    if (m_file) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    m_size = 0;
}

bool BinaryFile::seek(int64_t offset)
{
    if (!m_file || offset < 0)
        return false;
    return fseeko(m_file, static_cast<off_t>(offset), SEEK_SET) == 0;
}

int64_t BinaryFile::tell() const
{
    if (!m_file)
        return -1;
    return static_cast<int64_t>(ftello(m_file));
}

int64_t BinaryFile::remainingFrom(int64_t offset) const
{
    if (offset < 0 || offset >= m_size)
        return 0;
    return m_size - offset;
}

size_t BinaryFile::read(void *buffer, size_t count)
{
    if (!m_file || count == 0)
        return 0;
    return std::fread(buffer, 1, count, m_file);
}

bool BinaryFile::readU32BE(uint32_t *value)
{
    unsigned char b[4];
    if (!readExact(b, 4))
        return false;
    *value = u32BE(b);
    return true;
}

bool BinaryFile::readU64BE(uint64_t *value)
{
    unsigned char b[8];
    if (!readExact(b, 8))
        return false;
    *value = (static_cast<uint64_t>(u32BE(b)) << 32) | u32BE(b + 4);
    return true;
}

bool BinaryFile::readAtomHeader(AtomHeader *header)
{
    header->start = tell();
    if (header->start < 0)
        return false;
    unsigned char b[8];
    if (!readExact(b, 8))
        return false;
    header->size32 = u32BE(b);
    std::memcpy(header->type, b + 4, 4);
    header->type[4] = 0;
    header->size = header->size32;
    header->headerLength = 8;
    if (header->size32 == 1) {
        uint64_t large = 0;
        if (!readU64BE(&large))
            return false;
        header->size = large;
        header->headerLength = 16;
    }
    return true;
}

uint32_t BinaryFile::u32BE(const unsigned char *p)
{
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}

int32_t BinaryFile::i32LE(const unsigned char *p)
{
    const uint32_t u = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                       (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
    int32_t v;
    std::memcpy(&v, &u, 4);
    return v;
}
