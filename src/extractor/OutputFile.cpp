#include "OutputFile.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

OutputFile::~OutputFile()
{
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
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return false;
    m_tempPath = temp;
    // mkstemp creates the file 0600; give it the usual mode of a new file.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
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
    if (::rename(m_tempPath.c_str(), m_path.c_str()) != 0)
        return false;
    m_tempPath.clear();
    return true;
}

std::string OutputFile::name() const
{
    return m_path.empty() ? std::string("standard output") : m_path;
}
