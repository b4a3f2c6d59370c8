#include "ExtractJob.h"

#include "CsvWriter.h"
#include "FileList.h"
#include "GpsDataHelper.h"
#include "GpxWriter.h"
#include "KmlWriter.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr size_t kMaxReferencePathBytes = 1023;

bool isReference(const std::string &argument)
{
    return argument.find("file:///") != std::string::npos;
}

// An open input file; the core reads it again through its /proc/self/fd link, so
// that it reads exactly this file whatever its name looks like.
class OpenInput {
public:
    ~OpenInput()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }

    // Empty on success, otherwise the reason.
    std::string open(const std::string &path)
    {
        // Non-blocking, so that opening a FIFO does not wait for a writer.
        m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
        if (m_fd < 0)
            return std::strerror(errno);
        struct stat st;
        if (::fstat(m_fd, &st) != 0)
            return std::strerror(errno);
        if (S_ISDIR(st.st_mode))
            return std::strerror(EISDIR);
        if (!S_ISREG(st.st_mode))
            return "Not a regular file";
        const std::string link = "/proc/self/fd/" + std::to_string(m_fd);
        // Without /proc the path itself is read; readGpsData decodes escapes, so a
        // plain path's percent signs are escaped for it.
        m_readPath = ::access(link.c_str(), R_OK) == 0 ? link : escapePercent(path);
        return {};
    }

    const std::string &readPath() const { return m_readPath; }

private:
    static std::string escapePercent(const std::string &path)
    {
        std::string out;
        for (const char c : path)
            out += c == '%' ? std::string("%25") : std::string(1, c);
        return out;
    }

    int m_fd = -1;
    std::string m_readPath;
};

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

bool ExtractJob::pathOf(const std::string &argument, std::string *path, int *error)
{
    if (!isReference(argument)) {
        *path = argument;
        return true;
    }
    if (!GpsDataHelper::percentDecode(GpsDataHelper::clearfilePrefix(argument), path)) {
        *error = EINVAL;
        return false;
    }
    if (path->size() > kMaxReferencePathBytes) {
        *error = ENAMETOOLONG;
        return false;
    }
    return true;
}

FileOutcome ExtractJob::run(const std::string &argument, const ExtractorOptions &options)
{
    FileOutcome outcome;
    std::string path;
    int error = 0;
    if (!pathOf(argument, &path, &error)) {
        outcome.error = std::strerror(error);
        return outcome;
    }
    OpenInput input;
    outcome.error = input.open(path);
    if (!outcome.error.empty())
        return outcome;

    if (options.detect) {
        CFileList list;
        const tagFileNode node = list.createNodeInfo(input.readPath());
        outcome.text = JsonWriter::detectLine(argument, DetectFlags{node.icat6330, node.nt9665, node.nt9666});
        return outcome;
    }

    GpsReadResult result = GpsDataHelper::readGpsData(input.readPath());
    if (result.openError) {
        outcome.error = std::strerror(result.openError);
        return outcome;
    }
    result.path = path;   // the file's own name, for the recording time in it
    outcome.text = formatResult(result, argument, options.format);
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
    case ExtractorOptions::Format::Csv:
    case ExtractorOptions::Format::Json: break;
    }
    return {};
}
