// veltra-gps: prints the telemetry of dash-camera video files as JSON lines, CSV,
// GPX or KML. Files are read in parallel; the output keeps the argument order and
// each file's part is written as soon as it and all files before it are done.
#include "ExtractJob.h"
#include "ExtractorOptions.h"
#include "GpsDataHelper.h"
#include "Manifest.h"
#include "OrderedWorkQueue.h"
#include "OutputFile.h"
#include "TextEscape.h"
#include "TripDocument.h"
#ifdef VELTRA_WITH_LIBRARY
#include "library/LibraryCommand.h"
#endif

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <exception>
#include <new>
#include <pthread.h>
#include <string>
#include <sys/stat.h>
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

// Names come from the command line and the file system: their control characters
// are shown, never sent to the terminal.
void report(const std::string &subject, const std::string &reason)
{
    std::fprintf(stderr, "veltra-gps: %s: %s\n", TextEscape::terminal(subject).c_str(),
                 TextEscape::terminal(reason).c_str());
}

void report(const std::string &subject, int error)
{
    report(subject, std::string(std::strerror(error)));
}

// A signal that stops the run removes the temporary output file, then ends the
// program as the signal does by default. The handler only unlinks a path stored
// before it could run.
char g_temporary[4096 + 16];
volatile std::sig_atomic_t g_haveTemporary = 0;
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void stopOnSignal(int signal)
{
    if (g_haveTemporary)
        ::unlink(g_temporary);
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

// OutputFile::open with the stop signals held back (no other thread runs yet) until
// the temporary file, if any, is known to the handler.
bool openOutput(OutputFile &out, const std::string &path)
{
    sigset_t stops, before;
    sigemptyset(&stops);
    for (const int signal : kStopSignals)
        sigaddset(&stops, signal);
    pthread_sigmask(SIG_BLOCK, &stops, &before);
    const bool opened = out.open(path);
    const int error = errno;
    const std::string &temporary = out.temporaryPath();
    if (opened && !temporary.empty() && temporary.size() < sizeof g_temporary) {
        std::memcpy(g_temporary, temporary.c_str(), temporary.size() + 1);
        g_haveTemporary = 1;
        for (const int signal : kStopSignals) {
            struct sigaction action = {};
            // A signal ignored from the start (nohup, a background job) stays ignored.
            if (sigaction(signal, nullptr, &action) == 0 && action.sa_handler == SIG_IGN)
                continue;
            action = {};
            action.sa_handler = stopOnSignal;
            sigemptyset(&action.sa_mask);
            sigaction(signal, &action, nullptr);
        }
    }
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
    errno = error;
    return opened;
}

bool commitOutput(OutputFile &out)
{
    const bool committed = out.commit();
    if (committed)
        g_haveTemporary = 0;
    return committed;
}

// The input that the output file is (the same file, also through a link), or null.
const std::string *overwrittenInput(const ExtractorOptions &options)
{
    struct stat output;
    if (options.output.empty() || ::stat(options.output.c_str(), &output) != 0)
        return nullptr;
    for (const std::string &file : options.files) {
        std::string path;
        struct stat input;
        if (GpsDataHelper::referenceToPath(file, &path) && ::stat(path.c_str(), &input) == 0 &&
            input.st_dev == output.st_dev && input.st_ino == output.st_ino)
            return &file;
    }
    return nullptr;
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
                r.error = ExtractJob::readClip(options.files[i], &r.clip, options.style.clean);
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
    if (!out.write(TripDocument::write(options.format, clips, options.gapMs, options.style)) || !commitOutput(out)) {
        report(out.name(), errno);
        return 1;
    }
    return failed ? 1 : 0;
}

// --verify: a line for each file the manifest names, then the verdict.
int verify(const std::string &manifest)
{
    const ManifestVerdict v = verifyManifest(manifest);
    if (!v.read) {
        report(manifest, v.error);
        return 2;
    }
    if (v.checks.empty()) {
        // A manifest that names nothing proves nothing.
        std::printf("The manifest names no file: nothing to check.\n");
        return 1;
    }
    size_t differ = 0;
    for (const ManifestCheck &c : v.checks) {
        const char *state = "same";
        switch (c.state) {
        case ManifestCheck::State::Same: break;
        case ManifestCheck::State::Changed: state = "CHANGED"; break;
        case ManifestCheck::State::Missing: state = "MISSING"; break;
        case ManifestCheck::State::Unreadable: state = "UNREADABLE"; break;
        }
        differ += c.state != ManifestCheck::State::Same;
        std::printf("%-10s %-4s %s%s%s\n", state, c.clip ? "clip" : "file", TextEscape::terminal(c.path).c_str(),
                    c.detail.empty() ? "" : ": ", TextEscape::terminal(c.detail).c_str());
    }
    if (v.redacted)
        std::printf("A redacted copy: %lld marked areas are blurred in it; the clips are the originals.\n",
                    static_cast<long long>(v.redactedMarks));
    if (differ == 0)
        std::printf("All %zu files are as the manifest says.\n", v.checks.size());
    else
        std::printf("%zu of %zu files are not as the manifest says.\n", differ, v.checks.size());
    return differ ? 1 : 0;
}

} // namespace

int main(int argc, char **argv)
{
    // The library commands (--library DB ...) have their own options.
    if (std::find_if(argv + 1, argv + argc, [](const char *a) { return std::strcmp(a, "--library") == 0; }) != argv + argc) {
#ifdef VELTRA_WITH_LIBRARY
        return LibraryCommand::run(argc, argv);
#else
        std::fputs("veltra-gps: this build has no library (built without Qt)\n", stderr);
        return 2;
#endif
    }
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
        std::fprintf(stderr, "veltra-gps: %s\n%s", TextEscape::terminal(options.error).c_str(), ExtractorOptions::usage());
        return 2;
    }
    if (!options.verify.empty())
        return verify(options.verify);

    // The zone of --time, once, before any thread reads the time (localtime_r).
    if (!options.zone.empty())
        ::setenv("TZ", (std::string(":") + ExtractorOptions::kZoneFolder + '/' + options.zone).c_str(), 1);
    ::tzset();

    if (const std::string *input = overwrittenInput(options)) {
        report(options.output, "output would overwrite the input " + *input);
        return 2;
    }
    // A movie is never written over: `veltra-gps *` in a folder holding a file named
    // "-o" would otherwise take the next clip for the output.
    if (!options.output.empty() && OutputFile::isMovie(options.output)) {
        report(options.output, "is a movie; the output would overwrite it");
        return 2;
    }

    OutputFile out;
    if (!openOutput(out, options.output)) {
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

    if (!out.write(ExtractJob::epilogue(options)) || !commitOutput(out)) {
        report(out.name(), errno);
        return 1;
    }
    return failed ? 1 : 0;
}
