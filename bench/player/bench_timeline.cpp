// Timeline and event benchmarks (run by hand; no X server needed):
//   build/bench/player/bench_timeline
// - painting the telemetry timeline of a 3-minute clip, with the picture rebuilt (new
//   data or unit) and from the cached picture (playhead moved);
// - finding the driving events in 2,000 clips' samples;
// - a 500-clip trip of one-minute clips in the player's view: the time until the
//   timeline and the events list show it, the longest the main thread went without
//   serving a 5 ms timer meanwhile, and the memory it took; then the same for a clip
//   change within the trip.
// Samples come from the forged three-minute drive (build/samples/drive_3min.MOV).
#include "GpsDataHelper.h"
#include "TelemetryEvents.h"
#include "common/Settings.h"
#include "player/EventsListView.h"
#include "player/PlayerView.h"
#include "player/TelemetryTimeline.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double rssMb()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

// Sets the trip on the view from the event loop and waits until the timeline has drawn
// it (when `redrawn`) and the events list holds its events; prints the time and the
// longest stall.
void timeTrip(PlayerView &view, const QList<TimelinePart> &parts, int playing, bool redrawn, const char *what)
{
    auto *line = view.findChild<TelemetryTimeline *>();
    auto *list = view.findChild<EventsListView *>();
    const int builds = line->pictureBuilds();
    QElapsedTimer since, lastBeat;
    double longest = 0;
    QTimer beat;
    beat.setTimerType(Qt::PreciseTimer);
    beat.setInterval(5);
    QObject::connect(&beat, &QTimer::timeout, [&] {
        longest = std::max(longest, double(lastBeat.nsecsElapsed()) / 1e6);
        lastBeat.restart();
    });
    const double rss0 = rssMb();
    lastBeat.start();
    beat.start();
    QTimer::singleShot(0, &view, [&] {
        since.start();
        view.setTrip(parts, playing);
    });
    const bool done = QTest::qWaitFor([&] {
        return since.isValid() && line->parts().size() == parts.size() && (!redrawn || line->pictureBuilds() > builds)
               && list->rowCount() == int(view.events().size());
    }, 60000);
    const double ms = since.isValid() ? double(since.nsecsElapsed()) / 1e6 : -1;
    QTest::qWait(100);
    beat.stop();
    std::printf("%s: timeline and events shown after %.1f ms%s, longest main-thread stall %.1f ms, "
                "RSS %.0f MB (%+.0f MB), %zu events\n",
                what, ms, done ? "" : " (not shown)", longest, rssMb(), rssMb() - rss0, view.events().size());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    const std::string file = std::string(VELTRA_SAMPLES_DIR) + "/drive_3min.MOV";
    const GpsReadResult drive = GpsDataHelper::readGpsData(file);
    if (drive.videoDatas.size() < 180) {
        std::fprintf(stderr, "no forged drive at %s (build the veltra_samples target)\n", file.c_str());
        return 1;
    }
    const QList<GpsSample> samples(drive.videoDatas.begin(), drive.videoDatas.end());

    // --- timeline paint ----------------------------------------------------------
    TelemetryTimeline line;
    line.resize(800, TelemetryTimeline::preferredHeight);
    line.setData(samples, 180.0, TelemetryEvents::detect(drive.videoDatas, 180.0, {}));
    QImage target(line.size(), QImage::Format_ARGB32_Premultiplied);
    auto paintOnce = [&] {
        QPainter p(&target);
        line.render(&p);
    };
    paintOnce();   // warm up fonts and caches
    std::vector<double> rebuilt, cached;
    for (int k = 0; k < 300; ++k) {
        line.setKmph(k % 2 == 0);   // a unit change rebuilds the picture
        QElapsedTimer t;
        t.start();
        paintOnce();
        rebuilt.push_back(double(t.nsecsElapsed()) / 1e6);
        line.setPlayhead(double(k % 180));
        t.restart();
        paintOnce();
        cached.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::printf("timeline paint, 3-minute clip, 800x%d px: %.3f ms with the picture rebuilt, "
                "%.3f ms from the cached picture (median of 300; %d pictures built)\n",
                TelemetryTimeline::preferredHeight, median(rebuilt), median(cached), line.pictureBuilds());

    // --- event detection ---------------------------------------------------------
    // 2,000 one-minute clips cut from the drive (60 samples each), and 2,000 clips of
    // the whole three minutes.
    for (const size_t perClip : {size_t(60), size_t(180)}) {
        std::vector<std::vector<GpsSample>> clips;
        for (int c = 0; c < 2000; ++c) {
            const size_t from = (size_t(c) * perClip) % drive.videoDatas.size();
            std::vector<GpsSample> clip;
            for (size_t i = 0; i < perClip; ++i)
                clip.push_back(drive.videoDatas[(from + i) % drive.videoDatas.size()]);
            clips.push_back(std::move(clip));
        }
        std::vector<double> runs;
        size_t found = 0;
        for (int r = 0; r < 9; ++r) {
            found = 0;
            QElapsedTimer t;
            t.start();
            for (const auto &clip : clips)
                found += TelemetryEvents::detect(clip, double(perClip), {}).size();
            runs.push_back(double(t.nsecsElapsed()) / 1e6);
        }
        std::printf("event detection, 2000 clips x %zu samples: %.2f ms (median of 9; %zu events)\n", perClip,
                    median(runs), found);
    }

    // --- a 500-clip trip in the player's view ------------------------------------
    QTemporaryDir dir;
    Settings settings(dir.filePath(QStringLiteral("settings.ini")));
    PlayerView view(settings);
    view.resize(1280, 720);
    view.show();
    (void)QTest::qWaitForWindowExposed(&view);
    QList<TimelinePart> parts;
    for (int c = 0; c < 500; ++c) {
        QList<GpsSample> clip;
        for (int i = 0; i < 60; ++i)
            clip << samples.at((c * 60 + i) % samples.size());
        parts << TimelinePart{clip, 60.0 * c, 60.0, QStringLiteral("clip %1").arg(c), nullptr};
    }
    std::printf("RSS before the trip: %.0f MB\n", rssMb());
    timeTrip(view, parts, 0, true, "500-clip trip set");
    // Another clip of the same trip draws nothing anew.
    timeTrip(view, parts, 1, false, "clip change within it");
    return 0;
}
