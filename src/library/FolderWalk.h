// The files of the folders the library holds: every video file under them, found
// without following a link into a folder already walked, and what was passed over and
// why. Plain POSIX, safe on any thread; never opens a file, so a FIFO never blocks it.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct FoundFile {
    std::string path;
    int64_t size = 0;
    int64_t mtimeNs = 0;
    unsigned mode = 0;
};

struct SkippedFile {
    std::string path;     // as UTF-8; bytes that are not UTF-8 shown as \xHH
    std::string reason;
};

namespace FolderWalk {

// Whether a name ends as the video files the readers take do (.MOV, .MP4, .M4V, .3GP,
// any case).
bool isVideoName(const std::string &name);

// Whether `bytes` are valid UTF-8, and the text with any other byte written as \xHH.
bool isUtf8(const std::string &bytes);
std::string shown(const std::string &bytes);

struct Result {
    std::vector<FoundFile> files;
    std::vector<SkippedFile> skipped;
    std::vector<std::string> unreachable;   // roots that are not there (an unmounted disk)
    bool cancelled = false;
};

// Walks `roots` (folders or single files). A video name that is not a regular file (a
// FIFO, a device, a socket), a name that is not UTF-8, a folder that cannot be read and
// a link back into a folder being walked are skipped with their reason; `onFolder` is
// called now and then with the number of files found so far. `cancel` stops it.
Result walk(const std::vector<std::string> &roots, const std::atomic<bool> *cancel = nullptr,
            const std::function<void(size_t)> &onProgress = {});

} // namespace FolderWalk
