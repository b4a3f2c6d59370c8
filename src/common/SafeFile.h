// Writing a file so that a failure never passes for success and never costs the old
// file: the bytes go to a new file beside the target, every write is checked, the data
// is flushed to the disk and the size read back before one rename puts it in place. A
// full disk, a quota or an I/O error leaves the old file as it was and says why.
// (A QSaveFile whose last buffered write fails still commits on Qt 6.4.)
#pragma once

#include <QByteArray>
#include <QString>

class SafeFile {
public:
    SafeFile() = delete;

    // Replaces `path` (a link is followed) with `bytes`, keeping the mode of the file it
    // replaces. False, with `reason` set, when anything fails; the old file is untouched
    // and nothing is left behind.
    static bool replace(const QString &path, const QByteArray &bytes, QString *reason = nullptr);
    // Writes `bytes` to `path`, which must not exist yet (a file of a private folder),
    // flushed to the disk. False, with `reason` set, when anything fails; a partial file
    // is removed.
    static bool create(const QString &path, const QByteArray &bytes, QString *reason = nullptr);
    // Flushes a file written by someone else (a child process) to the disk; false, with
    // `reason`, when that fails.
    static bool sync(const QString &path, QString *reason = nullptr);
};
