// Track store and index rule figures: 300 files of 500 samples.
//   look-ups by path, an activation and a sync on the main thread, the stall of the
//   main thread while the file is written, the file's bytes per sample, reading it back;
//   the index rule's cost per call and its allocations.
#include "StoreFixtures.h"

#include "drive/IndexRule.h"
#include "store/TrackStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <ctime>
#include <vector>
#include <cstdio>
#include <cstdlib>
#include <new>

static std::atomic<long> g_allocations{0};

void *operator new(std::size_t n)
{
    ++g_allocations;
    if (void *p = std::malloc(n ? n : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }

namespace {

constexpr int kEntries = 300;
constexpr int kSamples = 500;

double msSince(const QElapsedTimer &t) { return double(t.nsecsElapsed()) / 1e6; }

// CPU time of the calling thread: what the main thread itself spends, without the time
// the scheduler gives to other processes on a busy machine.
double threadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

// Runs `work` on the main thread while a 1 ms timer measures the longest gap between
// its ticks until `done` holds.
template <class Work, class Done>
double longestStall(Work work, Done done)
{
    QElapsedTimer clock;
    qint64 last = 0, worst = 0;
    QTimer ticker;
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        worst = qMax(worst, now - last);
        last = now;
    });
    clock.start();
    ticker.start();
    work();
    last = clock.nsecsElapsed();
    while (!done())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return double(worst) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    TrackStore::setStoreFilePath(dir.filePath(QStringLiteral("KEY_PLAY_LIST.bin")));
    TrackStore::clearPlayList();
    TrackStore::flush();

    PlayList list;
    for (int k = 0; k < kEntries; ++k)
        list.append(StoreFixtures::entry(QStringLiteral("file:///media/drive/DCIM/FILE%1.MOV").arg(k, 4, 10, QLatin1Char('0')),
                                         kSamples, quint32(k)));
    const QString last = list.last().path;

    // A sync of the whole list: the main thread's share, then the stall while it is written.
    // The machine's own noise: the same measurement with nothing to do for 300 ms.
    QElapsedTimer idle;
    idle.start();
    const double idleStall = longestStall([] {}, [&] { return idle.elapsed() > 300; });

    QElapsedTimer t;
    t.start();
    TrackStore::syncPlayList(list);
    const double syncMs = msSince(t);
    const int writes = TrackStore::writeCount();
    const double syncStall = longestStall([] {}, [&] { return TrackStore::writeCount() > writes; });

    const qint64 bytes = QFileInfo(TrackStore::storeFilePath()).size();
    t.restart();
    TrackStore::flush();
    TrackStore::syncPlayList(list);
    TrackStore::flush();
    const double writeMs = msSince(t);

    // Look-ups: the last entry is the worst case (the whole list is walked), and a miss.
    constexpr int kLookups = 20000;
    qint64 sink = 0;
    t.restart();
    for (int k = 0; k < kLookups; ++k)
        sink += TrackStore::findSamples(last)->size();
    const double findUs = msSince(t) * 1000.0 / kLookups;
    t.restart();
    for (int k = 0; k < kLookups; ++k)
        sink += TrackStore::findMaxSpeed(last);
    const double maxUs = msSince(t) * 1000.0 / kLookups;
    t.restart();
    for (int k = 0; k < kLookups; ++k)
        sink += TrackStore::findSamples(QStringLiteral("file:///not/there.MOV")).has_value();
    const double missUs = msSince(t) * 1000.0 / kLookups;

    // Activations as the shell makes them: copy, flags, store; the worst of 200, and the
    // longest stall of the main thread while the writes they cause run.
    std::vector<double> activationWall, activationCpu;
    const double activationStall = longestStall(
        [&] {
            for (int n = 0; n < 200; ++n) {
                QElapsedTimer a;
                a.start();
                const double cpu0 = threadCpuMs();
                PlayList l = TrackStore::playList().value_or(PlayList());
                for (PlayListEntry &e : l)
                    e.active = false;
                l[n % l.size()].active = true;
                TrackStore::syncPlayList(l);
                activationCpu.push_back(threadCpuMs() - cpu0);
                activationWall.push_back(msSince(a));
                QCoreApplication::processEvents();
            }
        },
        [] {
            TrackStore::flush();
            return true;
        });

    // Reading the file back, as a start without clearPlayList would.
    t.restart();
    TrackStore::reload();
    const int readBack = int(TrackStore::playList()->size());
    const double readMs = msSince(t);

    // The index rule.
    constexpr int kCalls = 10000000;
    const long allocationsBefore = g_allocations.load();
    t.restart();
    int acc = 0;
    for (int k = 0; k < kCalls; ++k)
        acc += IndexRule::indexFor(double(k % 3600) + 0.25, 3600.0 + (k & 7), 1800 + (k & 15));
    const double ruleNs = double(t.nsecsElapsed()) / kCalls;
    t.restart();
    for (int k = 0; k < kCalls; ++k)
        acc += IndexRule::indexForSingle(double(k % 3600) + 0.25, 3600.0f + float(k & 7), 1800 + (k & 15));
    const double ruleSingleNs = double(t.nsecsElapsed()) / kCalls;
    const long ruleAllocations = g_allocations.load() - allocationsBefore;

    const double samples = double(kEntries) * kSamples;
    std::printf("store: %d entries x %d samples\n", kEntries, kSamples);
    std::printf("  findSamples (last entry)   %8.4f ms\n", findUs / 1000.0);
    std::printf("  findSamples (no match)     %8.4f ms\n", missUs / 1000.0);
    std::printf("  findMaxSpeed (last entry)   %8.4f ms\n", maxUs / 1000.0);
    std::printf("  syncPlayList, main thread   %8.3f ms\n", syncMs);
    std::sort(activationWall.begin(), activationWall.end());
    std::sort(activationCpu.begin(), activationCpu.end());
    std::printf("  activation, wall: median %.3f ms, worst of 200 %.3f ms\n", activationWall[100], activationWall.back());
    std::printf("  activation, main-thread CPU: median %.3f ms, worst %.3f ms\n", activationCpu[100], activationCpu.back());
    std::printf("  main-thread stall, idle     %8.3f ms (the same timer with nothing to do: the machine's noise)\n", idleStall);
    std::printf("  main-thread stall, sync     %8.3f ms (longest gap of a 1 ms timer while writing)\n", syncStall);
    std::printf("  main-thread stall, 200 act. %8.3f ms\n", activationStall);
    std::printf("  write of the file           %8.1f ms (background thread; flush)\n", writeMs / 2);
    std::printf("  file size                   %8lld bytes = %.2f bytes per sample\n", bytes, double(bytes) / samples);
    std::printf("  read back (cold start)      %8.1f ms, %d entries\n", readMs, readBack);
    std::printf("index rule: %.2f ns per call (%.2f ns single-precision variant), %ld allocations in %d calls\n",
                ruleNs, ruleSingleNs, ruleAllocations, 2 * kCalls);
    return (sink == 42 && acc == 42) ? 1 : 0;
}
