// veltra-gps: prints the telemetry of dash-camera video files as JSON lines, CSV,
// GPX or KML. Files are read in parallel; the output keeps the argument order and
// each file's part is written as soon as it and all files before it are done.
#include "ExtractJob.h"
#include "ExtractorOptions.h"
#include "OrderedWorkQueue.h"
#include "OutputFile.h"
#include "TripDocument.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// "Reading 37/120 files…" on a terminal, redrawn in place; only for long runs.
class Progress {
public:
    explicit Progress(size_t total) : m_total(total), m_shown(total > 20 && ::isatty(2)) {}

    void update(size_t done)
    {
        if (!m_shown || done == m_last)
            return;
        // A few redraws a second are plenty, also for ten thousand quick files.
        const auto now = std::chrono::steady_clock::now();
        if (m_drawnOnce && done < m_total && now - m_drawn < std::chrono::milliseconds(100))
            return;
        m_drawnOnce = true;
        m_drawn = now;
        m_last = done;
        std::fprintf(stderr, "\rReading %zu/%zu files\xE2\x80\xA6", done, m_total);
        std::fflush(stderr);
        m_visible = true;
    }

    // Removes the line, so that a message or the shell prompt starts clean.
    void clear()
    {
        if (!m_visible)
            return;
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
        m_visible = false;
        m_last = static_cast<size_t>(-1);
    }

private:
    const size_t m_total;
    const bool m_shown;
    bool m_visible = false;
    bool m_drawnOnce = false;
    size_t m_last = static_cast<size_t>(-1);
    std::chrono::steady_clock::time_point m_drawn;
};

void report(const std::string &subject, const std::string &reason)
{
    std::fprintf(stderr, "veltra-gps: %s: %s\n", subject.c_str(), reason.c_str());
}

void report(const std::string &subject, int error)
{
    report(subject, std::string(std::strerror(error)));
}

// Trips need every file before the first line can be written: all are read, then
// grouped and written as one document. Unreadable files are reported and left out.
int writeTrips(const ExtractorOptions &options, OutputFile &out, unsigned threads)
{
    struct Read {
        ClipRecord clip;
        std::string error;
    };
    const size_t count = options.files.size();
    OrderedWorkQueue<Read> queue(
        count,
        [&options](size_t i) {
            Read r;
            try {
                r.error = ExtractJob::readClip(options.files[i], &r.clip);
            } catch (const std::bad_alloc &) {
                r.error = std::strerror(ENOMEM);
            } catch (const std::exception &e) {
                r.error = e.what();
            }
            return r;
        },
        threads, std::max<size_t>(16, threads * 4));
    Progress progress(count);
    std::vector<ClipRecord> clips;
    clips.reserve(count);
    bool failed = false;
    for (size_t i = 0; i < count;) {
        Read r;
        if (!queue.takeNext(&r, std::chrono::milliseconds(100))) {
            progress.update(queue.finished());
            continue;
        }
        if (!r.error.empty()) {
            progress.clear();
            report(options.files[i], r.error);
            failed = true;
        } else {
            clips.push_back(std::move(r.clip));
        }
        ++i;
        progress.update(queue.finished());
    }
    progress.clear();
    if (!out.write(TripDocument::write(options.format, clips, options.gapMs)) || !out.commit()) {
        report(out.name(), errno);
        return 1;
    }
    return failed ? 1 : 0;
}

} // namespace

int main(int argc, char **argv)
{
    const ExtractorOptions options =
        ExtractorOptions::parse(std::vector<std::string>(argv + 1, argv + argc));
    if (options.help) {
        std::fputs(ExtractorOptions::usage(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("veltra-gps %s\n", VELTRA_VERSION);
        return 0;
    }
    if (!options.error.empty()) {
        std::fprintf(stderr, "veltra-gps: %s\n%s", options.error.c_str(), ExtractorOptions::usage());
        return 2;
    }

    OutputFile out;
    if (!out.open(options.output)) {
        report(out.name(), errno);
        return 1;
    }
    const size_t count = options.files.size();
    const unsigned threads = std::max(1u, std::thread::hardware_concurrency());
    if (options.trips)
        return writeTrips(options, out, threads);

    if (!out.write(ExtractJob::prologue(options))) {
        report(out.name(), errno);
        return 1;
    }

    OrderedWorkQueue<FileOutcome> queue(
        count,
        [&options](size_t i) {
            try {
                return ExtractJob::run(options.files[i], options);
            } catch (const std::bad_alloc &) {
                return FileOutcome{{}, std::strerror(ENOMEM)};
            } catch (const std::exception &e) {
                return FileOutcome{{}, e.what()};
            }
        },
        threads, std::max<size_t>(16, threads * 4));

    Progress progress(count);
    // Output to the same terminal would run into the progress line.
    const bool outputOnTerminal = options.output.empty() && ::isatty(1);
    bool failed = false;
    for (size_t i = 0; i < count;) {
        FileOutcome outcome;
        if (!queue.takeNext(&outcome, std::chrono::milliseconds(100))) {
            progress.update(queue.finished());
            continue;
        }
        if (!outcome.error.empty()) {
            progress.clear();
            report(options.files[i], outcome.error);
            failed = true;
        } else {
            if (outputOnTerminal && !outcome.text.empty())
                progress.clear();
            if (!out.write(outcome.text)) {
                const int error = errno;
                progress.clear();
                report(out.name(), error);
                return 1;
            }
        }
        ++i;
        progress.update(queue.finished());
    }
    progress.clear();

    if (!out.write(ExtractJob::epilogue(options)) || !out.commit()) {
        report(out.name(), errno);
        return 1;
    }
    return failed ? 1 : 0;
}
