#include "OutputFile.h"

#include "BinaryFile.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

OutputFile::~OutputFile()
{
    if (m_direct && m_file)
        std::fclose(m_file);
    if (!m_tempPath.empty()) {
        if (m_file)
            std::fclose(m_file);
        ::unlink(m_tempPath.c_str());
    }
}

bool OutputFile::open(const std::string &path)
{
    m_path = path;
    if (path.empty()) {
        m_file = stdout;
        return true;
    }
    std::string target = path;
    mode_t mode = 0;
    struct stat st;
    if (::stat(path.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) {
            m_file = std::fopen(path.c_str(), "wb");
            m_direct = m_file != nullptr;
            return m_direct;
        }
        mode = st.st_mode & 07777;
        // Replace the file a link points to, not the link.
        if (char *real = ::realpath(path.c_str(), nullptr)) {
            target = real;
            std::free(real);
        }
    }
    m_target = target;
    std::string temp = target + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return false;
    m_tempPath = temp;
    // mkstemp creates the file 0600; keep the mode of the file replaced, or give
    // the usual mode of a new file.
    if (mode == 0) {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::fchmod(fd, mode);
    m_file = ::fdopen(fd, "wb");
    if (!m_file) {
        const int err = errno;
        ::close(fd);
        errno = err;
        return false;
    }
    return true;
}

bool OutputFile::write(const std::string &text)
{
    if (!m_file) {
        errno = EBADF;
        return false;
    }
    if (!text.empty() && std::fwrite(text.data(), 1, text.size(), m_file) != text.size())
        return false;
    return std::fflush(m_file) == 0;
}

bool OutputFile::commit()
{
    if (!m_file) {
        errno = EBADF;
        return false;
    }
    if (m_direct) {
        const bool written = std::fflush(m_file) == 0 && !std::ferror(m_file);
        const int err = errno;
        const bool closed = std::fclose(m_file) == 0;
        m_file = nullptr;
        if (written && !closed)
            return false;
        errno = err;
        return written;
    }
    if (m_tempPath.empty())
        return std::fflush(m_file) == 0 && !std::ferror(m_file);
    const bool written = std::fflush(m_file) == 0 && !std::ferror(m_file) && ::fsync(fileno(m_file)) == 0;
    int err = errno;
    const bool closed = std::fclose(m_file) == 0;
    if (written && !closed)
        err = errno;
    m_file = nullptr;
    if (!written || !closed) {
        errno = err;
        return false;
    }
    if (::rename(m_tempPath.c_str(), m_target.c_str()) != 0)
        return false;
    m_tempPath.clear();
    return true;
}

std::string OutputFile::name() const
{
    return m_path.empty() ? std::string("standard output") : m_path;
}

bool OutputFile::isMovie(const std::string &path)
{
    if (BinaryFile::regularFileError(path) != 0)
        return false;
    BinaryFile file;
    AtomHeader h;
    if (!file.open(path) || !file.readAtomHeader(&h))
        return false;
    static const char *const kFirst[] = {"ftyp", "moov", "mdat", "free", "skip", "wide", "pnot"};
    for (const char *type : kFirst)
        if (h.is(type))
            return h.size32 == 0 || (h.canSkip() && h.size <= uint64_t(file.size()));
    return false;
}
