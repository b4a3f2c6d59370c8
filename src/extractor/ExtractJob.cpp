#include "ExtractJob.h"

#include "BinaryFile.h"
#include "CsvWriter.h"
#include "FileList.h"
#include "GpsDataHelper.h"
#include "GpxWriter.h"
#include "KmlWriter.h"
#include "MovieDuration.h"


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
            argument, DetectFlags{node.icat6330, node.nt9665, node.nt9666, layoutName(result.layout)});
        return outcome;
    }

    // The file's own name goes with the result, for the recording time in it.
    const GpsReadResult result = GpsDataHelper::readGpsData(file, path);
    if (result.openError) {
        outcome.error = BinaryFile::errorText(result.openError);
        return outcome;
    }
    outcome.text = formatResult(result, argument, options.format);
    return outcome;
}

std::string ExtractJob::readClip(const std::string &argument, ClipRecord *clip)
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
    clip->durationMs = MovieDuration::milliseconds(file);
    return {};
}

std::string ExtractJob::prologue(const ExtractorOptions &options)
{
    if (options.detect)
        return {};
    switch (options.format) {
    case ExtractorOptions::Format::Csv: return CsvWriter::header();
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
