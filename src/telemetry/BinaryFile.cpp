#include "BinaryFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

bool AtomHeader::is(const char *fourcc) const
{
    return std::memcmp(type, fourcc, 4) == 0;
}

int64_t AtomHeader::end() const
{
    if (start < 0 || size > static_cast<uint64_t>(std::numeric_limits<int64_t>::max() - start))
        return std::numeric_limits<int64_t>::max();
    return start + static_cast<int64_t>(size);
}

namespace {

int pathError(const std::string &path)
{
    if (path.size() > BinaryFile::kMaxPathBytes)
        return ENAMETOOLONG;
    if (path.find('\0') != std::string::npos)
        return EINVAL;
    return 0;
}

int kindError(mode_t mode)
{
    if (S_ISDIR(mode))
        return EISDIR;
    return S_ISREG(mode) ? 0 : BinaryFile::kNotRegularFile;
}

} // namespace

BinaryFile::~BinaryFile()
{
    close();
}

bool BinaryFile::open(const std::string &path)
{
    close();
    m_error = pathError(path);
    if (m_error)
        return false;
    errno = 0;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        m_error = errno ? errno : ENOENT;
        // What open() answers for a socket, or a device without its driver.
        if (m_error == ENXIO || m_error == ENODEV)
            m_error = kNotRegularFile;
        return false;
    }
    m_fd = fd;
    return examine();
}

bool BinaryFile::examine()
{
    struct stat st;
    if (::fstat(m_fd, &st) != 0)
        m_error = errno ? errno : EIO;
    else
        m_error = kindError(st.st_mode);
    if (m_error) {
        close();
        return false;
    }
    m_size = st.st_size > 0 ? static_cast<int64_t>(st.st_size) : 0;
    return true;
}

int BinaryFile::regularFileError(const std::string &path)
{
    if (const int error = pathError(path))
        return error;
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return errno ? errno : ENOENT;
    if (const int error = kindError(st.st_mode))
        return error;
    return ::access(path.c_str(), R_OK) == 0 ? 0 : (errno ? errno : EACCES);
}

std::string BinaryFile::errorText(int error)
{
    return error == kNotRegularFile ? std::string("Not a regular file") : std::string(std::strerror(error));
}

void BinaryFile::close()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    m_size = 0;
    m_position = 0;
    m_windowStart = 0;
    m_windowLength = 0;
}

bool BinaryFile::seek(int64_t offset)
{
    if (m_fd < 0 || offset < 0)
        return false;
    m_position = offset;
    return true;
}

int64_t BinaryFile::tell() const
{
    if (m_fd < 0)
        return -1;
    return m_position;
}

int64_t BinaryFile::remainingFrom(int64_t offset) const
{
    if (offset < 0 || offset >= m_size)
        return 0;
    return m_size - offset;
}

size_t BinaryFile::readFromFile(int64_t offset, unsigned char *buffer, size_t count)
{
    if (offset < 0)
        return 0;
    count = std::min<uint64_t>(count, uint64_t(std::numeric_limits<int64_t>::max() - offset));
    size_t done = 0;
    while (done < count) {
        const ssize_t n = ::pread(m_fd, buffer + done, count - done, static_cast<off_t>(offset + int64_t(done)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += size_t(n);
        m_bytesRead += uint64_t(n);
        // A short read ends at the end of the file: asking again would only confirm that.
        if (offset + int64_t(done) >= m_size)
            break;
    }
    return done;
}

bool BinaryFile::windowHolds(int64_t offset, size_t count) const
{
    return m_windowLength > 0 && offset >= m_windowStart &&
           uint64_t(offset - m_windowStart) + count <= m_windowLength;
}

void BinaryFile::readWindow(int64_t start, size_t length)
{
    if (length > m_windowCapacity) {
        m_window.reset(new unsigned char[length]);
        m_windowCapacity = length;
    }
    m_windowStart = start;
    m_windowLength = readFromFile(start, m_window.get(), length);
}

bool BinaryFile::fillWindow(int64_t offset)
{
    // A file that fits is taken whole, whatever is read first (the end mark, say).
    const int64_t start = m_size <= int64_t(kWindowBytes) && offset < m_size ? 0 : offset;
    readWindow(start, kWindowBytes);
    return windowHolds(offset, 1);
}

void BinaryFile::keep(int64_t offset, uint64_t length)
{
    if (m_fd < 0 || offset < 0 || length == 0)
        return;
    // A little more than asked: readers peek a few bytes past the end of the last child
    // of an atom.
    length = std::min<uint64_t>({std::min<uint64_t>(length, kMaxWindowBytes) + kKeepMargin, kMaxWindowBytes,
                                 uint64_t(remainingFrom(offset))});
    if (length == 0 || windowHolds(offset, size_t(length)))
        return;
    // Near the start of the file, the window starts there too: the next walk to the
    // atom comes from there.
    const int64_t start = offset <= int64_t(kWindowBytes) ? 0 : offset;
    readWindow(start, std::max<size_t>(size_t(offset - start) + size_t(length), kWindowBytes));
}

size_t BinaryFile::read(void *buffer, size_t count)
{
    if (m_fd < 0 || count == 0)
        return 0;
    auto *out = static_cast<unsigned char *>(buffer);
    size_t done = 0;
    while (done < count) {
        if (windowHolds(m_position, 1)) {
            const size_t inWindow = m_windowLength - size_t(m_position - m_windowStart);
            const size_t n = std::min(count - done, inWindow);
            std::memcpy(out + done, m_window.get() + (m_position - m_windowStart), n);
            done += n;
            m_position += int64_t(n);
            continue;
        }
        const size_t rest = count - done;
        if (rest >= kWindowBytes) {
            const size_t n = readFromFile(m_position, out + done, rest);
            done += n;
            m_position += int64_t(n);
            break;
        }
        if (!fillWindow(m_position))
            break;
    }
    return done;
}

size_t BinaryFile::readAt(int64_t offset, void *buffer, size_t count)
{
    if (m_fd < 0 || count == 0 || offset < 0)
        return 0;
    if (windowHolds(offset, count)) {
        std::memcpy(buffer, m_window.get() + (offset - m_windowStart), count);
        return count;
    }
    return readFromFile(offset, static_cast<unsigned char *>(buffer), count);
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
