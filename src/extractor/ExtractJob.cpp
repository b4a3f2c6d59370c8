#include "ExtractJob.h"

#include "BinaryFile.h"
#include "CsvWriter.h"
#include "FileList.h"
#include "GpsDataHelper.h"
#include "GpsGlitches.h"
#include "GpxWriter.h"
#include "KmlWriter.h"
#include "MovieDuration.h"

#include <chrono>

namespace {

// Opens an input file once; detection and the reader then share it, so they read
// exactly the file that was checked, whatever its name looks like. Empty on success,
// otherwise the reason.
std::string openInput(const std::string &argument, std::string *path, BinaryFile *file)
{
    int error = 0;
    if (!GpsDataHelper::referenceToPath(argument, path, &error))
        return BinaryFile::errorText(error);
    if (!file->open(*path))
        return BinaryFile::errorText(file->error());
    return {};
}

std::string formatResult(const GpsReadResult &result, const std::string &argument,
                         ExtractorOptions::Format format)
{
    switch (format) {
    case ExtractorOptions::Format::Json: return JsonWriter::resultLine(result, argument);
    case ExtractorOptions::Format::Csv: return CsvWriter::rows(result, argument);
    case ExtractorOptions::Format::Gpx: return GpxWriter::track(result, argument);
    case ExtractorOptions::Format::Kml: return KmlWriter::placemark(result, argument);
    }
    return {};
}

std::string formatClip(const ClipView &clip, const ExportStyle &style, ExtractorOptions::Format format)
{
    switch (format) {
    case ExtractorOptions::Format::Json: return JsonWriter::resultLine(clip, style);
    case ExtractorOptions::Format::Csv: return CsvWriter::rows(clip, style);
    case ExtractorOptions::Format::Gpx: return GpxWriter::track({clip}, clip.file, style);
    case ExtractorOptions::Format::Kml: return KmlWriter::placemark({clip}, clip.file, style);
    }
    return {};
}

// What the movie header and the glitch filter add to a read result.
void completeClip(BinaryFile &file, bool markGlitches, ClipRecord *clip)
{
    const MovieDuration::Header movie = MovieDuration::header(file);
    clip->durationMs = movie.durationMs;
    clip->createdMs = movie.createdMs;
    if (markGlitches)
        clip->result.samples = GpsGlitches::marked(std::move(clip->result.samples),
                                                   movie.durationMs > 0 ? double(movie.durationMs) / 1000.0 : 0.0);
}

} // namespace

FileOutcome ExtractJob::run(const std::string &argument, const ExtractorOptions &options)
{
    FileOutcome outcome;
    std::string path;
    BinaryFile file;
    outcome.error = openInput(argument, &path, &file);
    if (!outcome.error.empty())
        return outcome;

    if (options.detect) {
        CFileList list;
        const tagFileNode node = list.createNodeInfo(path, file);
        // The layout is the one the reading finds: detection and reading are one step.
        const GpsReadResult result = GpsDataHelper::readGpsData(file, path);
        outcome.text = JsonWriter::detectLine(
            argument, DetectFlags{node.icat6330, node.nt9665, node.namesNt9666 ? 1 : 0, layoutName(result.layout)});
        return outcome;
    }

    // The file's own name goes with the result, for the recording time in it.
    if (options.style.plain()) {
        const GpsReadResult result = GpsDataHelper::readGpsData(file, path);
        if (result.openError) {
            outcome.error = BinaryFile::errorText(result.openError);
            return outcome;
        }
        outcome.text = formatResult(result, argument, options.format);
        return outcome;
    }
    ClipRecord clip;
    clip.file = argument;
    clip.result = GpsDataHelper::readGpsData(file, path);
    if (clip.result.openError) {
        outcome.error = BinaryFile::errorText(clip.result.openError);
        return outcome;
    }
    completeClip(file, options.style.clean, &clip);
    const ClipClock clock = clockOf(clip, now(options.style.nowMs));
    outcome.text = formatClip(ClipView{clip.result, clip.file, &clock}, options.style, options.format);
    return outcome;
}

std::string ExtractJob::readClip(const std::string &argument, ClipRecord *clip, bool markGlitches)
{
    std::string path;
    BinaryFile file;
    const std::string failure = openInput(argument, &path, &file);
    if (!failure.empty())
        return failure;
    clip->file = argument;
    clip->result = GpsDataHelper::readGpsData(file, path);
    if (clip->result.openError)
        return BinaryFile::errorText(clip->result.openError);
    completeClip(file, markGlitches, clip);
    return {};
}

ClipClock ExtractJob::clockOf(const ClipRecord &clip, int64_t nowMs)
{
    const std::string &named = clip.result.path.empty() ? clip.file : clip.result.path;
    return CameraClock::ofClip(named, clip.result.samples, clip.durationMs > 0 ? double(clip.durationMs) / 1000.0 : 0.0,
                               clip.createdMs, nowMs);
}

int64_t ExtractJob::now(int64_t nowMs)
{
    if (nowMs)
        return nowMs;
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::string ExtractJob::prologue(const ExtractorOptions &options)
{
    if (options.detect)
        return {};
    switch (options.format) {
    case ExtractorOptions::Format::Csv: return CsvWriter::header(false, options.style);
    case ExtractorOptions::Format::Gpx: return GpxWriter::header();
    case ExtractorOptions::Format::Kml: return KmlWriter::header();
    case ExtractorOptions::Format::Json: break;
    }
    return {};
}

std::string ExtractJob::epilogue(const ExtractorOptions &options)
{
    if (options.detect)
        return {};
    switch (options.format) {
    case ExtractorOptions::Format::Gpx: return GpxWriter::footer();
    case ExtractorOptions::Format::Kml: return KmlWriter::footer();
    case ExtractorOptions::Format::Csv:
    case ExtractorOptions::Format::Json: break;
    }
    return {};
}
