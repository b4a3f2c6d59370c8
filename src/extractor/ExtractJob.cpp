#include "ExtractJob.h"

#include "CsvWriter.h"
#include "GpsDataHelper.h"
#include "GpxWriter.h"
#include "KmlWriter.h"

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>

#if __has_include("FileList.h")
#include "FileList.h"
#define VELTRA_HAS_FILELIST 1
#endif

namespace {

constexpr size_t kMaxPathBytes = 1023;

// Why a file that the core read without complaint is still no input: the core's
// reading of a directory opens it and finds nothing, which is no success.
int notARegularInput(const std::string &path)
{
    struct stat st;
    if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        return EISDIR;
    return 0;
}

// The file-system path of an argument, as the core reads file references.
int resolvePath(const std::string &argument, std::string *path)
{
    if (!GpsDataHelper::percentDecode(GpsDataHelper::clearfilePrefix(argument), path))
        return EINVAL;
    if (path->size() > kMaxPathBytes)
        return ENAMETOOLONG;
    if (path->empty())
        return ENOENT;
    return 0;
}

} // namespace

bool ExtractJob::detect(const std::string &argument, DetectFlags *flags, int *error)
{
    std::string path;
    *error = resolvePath(argument, &path);
    if (*error)
        return false;
    FILE *f = std::fopen(path.c_str(), "rb");
    if (!f) {
        *error = errno;
        return false;
    }
    std::fclose(f);
    *error = notARegularInput(path);
    if (*error)
        return false;
#ifdef VELTRA_HAS_FILELIST
    CFileList list;
    const tagFileNode node = list.createNodeInfo(path);
    flags->icat6330 = node.icat6330;
    flags->nt9665 = node.nt9665;
    flags->nt9666 = node.nt9666;
    return true;
#else
    (void)flags;
    *error = ENOSYS;
    return false;
#endif
}

FileOutcome ExtractJob::run(const std::string &argument, const ExtractorOptions &options)
{
    FileOutcome outcome;
    if (options.detect) {
        DetectFlags flags;
        if (detect(argument, &flags, &outcome.error))
            outcome.text = JsonWriter::detectLine(argument, flags);
        return outcome;
    }
    const GpsReadResult result = GpsDataHelper::readGpsData(argument);
    outcome.error = result.openError ? result.openError : notARegularInput(result.path);
    if (outcome.error)
        return outcome;
    switch (options.format) {
    case ExtractorOptions::Format::Json: outcome.text = JsonWriter::resultLine(result, argument); break;
    case ExtractorOptions::Format::Csv: outcome.text = CsvWriter::rows(result, argument); break;
    case ExtractorOptions::Format::Gpx: outcome.text = GpxWriter::track(result, argument); break;
    case ExtractorOptions::Format::Kml: outcome.text = KmlWriter::placemark(result, argument); break;
    }
    return outcome;
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
    default: break;
    }
    return {};
}
