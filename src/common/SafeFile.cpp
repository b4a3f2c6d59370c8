#include "SafeFile.h"

#include <QFile>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString errorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

bool fail(QString *reason, int error)
{
    if (reason)
        *reason = errorText(error);
    return false;
}

// Writes all of `bytes` to `fd`, flushes it to the disk and checks the size it has.
int writeAll(int fd, const QByteArray &bytes)
{
    const char *p = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : ENOSPC;
        p += n;
        left -= n;
    }
    if (::fsync(fd) != 0)
        return errno;
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return errno;
    return st.st_size == bytes.size() ? 0 : EIO;
}

// The folder of `path` flushed, so that a rename in it survives a crash.
void syncFolder(const QByteArray &path)
{
    QByteArray folder = path;
    const int slash = folder.lastIndexOf('/');
    folder = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : folder.left(slash);
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

bool SafeFile::replace(const QString &path, const QByteArray &bytes, QString *reason)
{
    QByteArray target = QFile::encodeName(path);
    mode_t mode = 0;
    struct stat st;
    if (::stat(target.constData(), &st) == 0) {
        if (!S_ISREG(st.st_mode))
            return fail(reason, EISDIR);
        mode = st.st_mode & 07777;
        if (char *real = ::realpath(target.constData(), nullptr)) {
            target = real;
            std::free(real);
        }
    }
    QByteArray temp = target + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return fail(reason, errno);
    if (mode == 0) {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::fchmod(fd, mode);
    int error = writeAll(fd, bytes);
    if (::close(fd) != 0 && !error)
        error = errno;
    if (!error && ::rename(temp.constData(), target.constData()) != 0)
        error = errno;
    if (error) {
        ::unlink(temp.constData());
        return fail(reason, error);
    }
    syncFolder(target);
    return true;
}

bool SafeFile::create(const QString &path, const QByteArray &bytes, QString *reason)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return fail(reason, errno);
    int error = writeAll(fd, bytes);
    if (::close(fd) != 0 && !error)
        error = errno;
    if (error) {
        ::unlink(name.constData());
        return fail(reason, error);
    }
    return true;
}

bool SafeFile::sync(const QString &path, QString *reason)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return fail(reason, errno);
    const int error = ::fsync(fd) != 0 ? errno : 0;
    ::close(fd);
    return error ? fail(reason, error) : true;
}
