// libFuzzer target: one input is one video file. The core reads by path, so the bytes
// go to a memory file reached through /proc/self/fd. Detection, both readers, the
// driver and the movie duration run on every input, whatever the file claims to be.
#include "AssistFile.h"
#include "FileList.h"
#include "GpsDataHelper.h"
#include "MovieDuration.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

int memoryFile()
{
    static const int fd = memfd_create("veltra-fuzz", 0);
    return fd;
}

[[noreturn]] void broken(const char *what)
{
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const int fd = memoryFile();
    if (fd < 0 || ftruncate(fd, 0) != 0)
        return 0;
    size_t written = 0;
    while (written < size) {
        const ssize_t n = pwrite(fd, data + written, size - written, off_t(written));
        if (n <= 0)
            return 0;
        written += size_t(n);
    }
    const std::string path = "/proc/self/fd/" + std::to_string(fd);

    CFileList detector;
    const tagFileNode node = detector.createNodeInfo(path);
    if (node.icat6330 + node.nt9665 + node.nt9666 > 1)
        broken("more than one chipset flag");

    CAssistFile tables;
    const int fromTables = tables.ParseAssistDataForNovatek(path);
    // every entry stands on at least one 4-byte table entry of the file
    if (fromTables < 0 || size_t(fromTables) > size / 4 + 1 || size_t(fromTables) != tables.GetAssistInfoList().size())
        broken("sample table reader count");

    CAssistFile index;
    const int fromIndex = index.ParseAssistDataForNovatek66x(path);
    if (fromIndex < 0 || fromIndex > CAssistFile::kMaxIndexEntries ||
        size_t(fromIndex) != index.GetAssistInfoList().size())
        broken("index reader count");

    const GpsReadResult result = GpsDataHelper::readGpsData(path);
    if (result.openError != 0 || result.times.size() != result.videoDatas.size() || result.maxSpeed < 0)
        broken("driver result");
    const size_t expected = size_t(node.nt9665 ? fromTables : fromIndex);
    if (result.videoDatas.size() != expected)
        broken("driver ran another reader than detection chose");

    if (MovieDuration::milliseconds(path) < -1)
        broken("movie duration below -1");
    return 0;
}
