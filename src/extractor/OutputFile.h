// Where veltra-gps writes: standard output, or a named file that is replaced only
// when the whole output has been written (a temporary file beside it, renamed at
// the end), so that an interrupted run never leaves half a document under OUT.
// A name that is a link is followed, and one that is no regular file (a device
// such as /dev/null, a FIFO) is written to directly: renaming over it would
// replace the device itself.
#pragma once

#include <cstdio>
#include <string>

class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();   // discards an uncommitted temporary file
    OutputFile(const OutputFile &) = delete;
    OutputFile &operator=(const OutputFile &) = delete;

    // Empty `path`: standard output. False (with errno set) when the file or the
    // temporary file cannot be created.
    bool open(const std::string &path);

    // Writes and flushes, so that a reader sees each file's output as it comes.
    // False (with errno set) on a write error.
    bool write(const std::string &text);

    // Flushes and, for a named file, moves it into place. False with errno set.
    bool commit();

    // True when `path` names an existing regular file that opens as an ISO base-media
    // file (a movie): its first atom is ftyp, moov, mdat, free, skip, wide or pnot with a
    // size that fits it.
    static bool isMovie(const std::string &path);

    // The name for messages: the path, or "standard output".
    std::string name() const;
    // The temporary file being written, until commit() moves it into place; empty
    // when there is none.
    const std::string &temporaryPath() const { return m_tempPath; }

private:
    FILE *m_file = nullptr;
    std::string m_path;
    std::string m_target;     // the file the temporary file replaces
    std::string m_tempPath;
    bool m_direct = false;    // written in place (no regular file)
};
