// Timeline and event benchmarks (run by hand; no X server needed):
//   build/bench/player/bench_timeline
// - painting the telemetry timeline of a 3-minute clip, with the picture rebuilt (new
//   data or unit) and from the cached picture (playhead moved);
// - finding the driving events in 2,000 clips' samples.
// Samples come from the forged three-minute drive (build/samples/drive_3min.MOV).
#include "GpsDataHelper.h"
#include "TelemetryEvents.h"
#include "player/TelemetryTimeline.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
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
    return 0;
}
