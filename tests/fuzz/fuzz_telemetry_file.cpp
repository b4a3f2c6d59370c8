// libFuzzer target: one input is one video file. The core reads by path, so the bytes
// go to a memory file reached through /proc/self/fd. Detection, every reader, the
// driver and the movie duration run on every input, whatever the file claims to be.
#include "AssistFile.h"
#include "BinaryFile.h"
#include "FileList.h"
#include "FreeBox.h"
#include "FreeGps.h"
#include "Gpmf.h"
#include "GpsDataHelper.h"
#include "MovieDuration.h"
#include "MovieMap.h"
#include "SeiTelemetry.h"
#include "TextTrack.h"

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

    AssistFile tables;
    const int fromTables = tables.ParseAssistDataForNovatek(path);
    // every entry stands on at least one 4-byte table entry of the file
    if (fromTables < 0 || size_t(fromTables) > size / 4 + 1 || size_t(fromTables) != tables.GetAssistInfoList().size())
        broken("sample table reader count");

    AssistFile index;
    const int fromIndex = index.ParseAssistDataForNovatek66x(path);
    if (fromIndex < 0 || fromIndex > AssistFile::kMaxIndexEntries ||
        size_t(fromIndex) != index.GetAssistInfoList().size())
        broken("index reader count");

    const GpsReadResult result = GpsDataHelper::readGpsData(path);
    if (result.openError != 0 || result.times.size() != result.videoDatas.size() ||
        result.samples.size() != result.videoDatas.size() || result.maxSpeed < 0)
        broken("driver result");
    const bool empty = result.videoDatas.empty();
    if (empty != (result.layout == TelemetryLayout::None || result.layout == TelemetryLayout::Unreadable))
        broken("a layout without samples, or samples without one");
    if ((result.layout == TelemetryLayout::NovatekTables && result.videoDatas.size() != size_t(fromTables)) ||
        ((result.layout == TelemetryLayout::NovatekIndex || result.layout == TelemetryLayout::Icat6330) &&
         result.videoDatas.size() != size_t(fromIndex)))
        broken("driver result differs from its reader");
    if ((node.icat6330 && fromIndex > 0 && result.layout != TelemetryLayout::Icat6330) ||
        (node.nt9665 && fromTables > 0 && result.layout != TelemetryLayout::NovatekTables))
        broken("a Novatek mark that gives blocks did not decide the layout");
    for (size_t i = 0; i < result.samples.size(); ++i) {
        const TelemetrySample &t = result.samples[i];
        if (t.hasFix != (!result.videoDatas[i].gps_lat.empty() && !result.videoDatas[i].gps_lgt.empty()) ||
            (t.hasFix && (t.latitude < -90 || t.latitude > 90 || t.longitude < -180 || t.longitude > 180)))
            broken("typed sample position");
    }

    // The newer readers on their own, whatever detection chose.
    BinaryFile file;
    if (file.open(path)) {
        const MovieMap map = MovieMap::of(file);
        GpsReadResult scanned, boxed, texted;
        const FreeGps::Outcome outcome = FreeGps::read(file, map, true, &scanned);
        if ((outcome == FreeGps::Outcome::Read) == scanned.videoDatas.empty() ||
            scanned.videoDatas.size() > FreeGps::kMaxBlocks || scanned.samples.size() != scanned.videoDatas.size())
            broken("freeGPS reader result");
        if (FreeBox::read(file, map, &boxed) != (boxed.layout == TelemetryLayout::FreeBox) ||
            boxed.samples.size() != boxed.videoDatas.size())
            broken("free-box reader result");
        if (TextTrack::read(file, map, &texted) == texted.videoDatas.empty() ||
            texted.videoDatas.size() > TextTrack::kMaxSamples * size_t(TextTrack::kMaxTracks))
            broken("text track reader result");
        GpsReadResult gpmf, sei;
        if (Gpmf::read(file, map, &gpmf) == gpmf.videoDatas.empty() || gpmf.samples.size() != gpmf.videoDatas.size() ||
            gpmf.times.size() != gpmf.videoDatas.size() || !(gpmf.samplesPerSecond > 0))
            broken("GPMF reader result");
        if (SeiTelemetry::read(file, map, &sei) == sei.videoDatas.empty() || sei.samples.size() != sei.videoDatas.size() ||
            sei.videoDatas.size() > SeiTelemetry::kMaxFrames || !(sei.samplesPerSecond > 0))
            broken("in-stream reader result");
        for (const TelemetrySample &t : sei.samples)
            if (t.hasFix && !t.vehicle)
                broken("a position in a frame without the car's message");
    }

    if (MovieDuration::milliseconds(path) < -1)
        broken("movie duration below -1");
    return 0;
}
