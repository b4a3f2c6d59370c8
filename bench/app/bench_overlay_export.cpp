// bench_overlay_export CLIP OUTDIR: the clip re-encoded by ffmpeg alone (libx264
// veryfast, no overlay), then exported with the full overlay in two layouts and as the
// overlay alone; wall time, CPU (this process and its children) and speed against the
// clip's length for each, and a frame of each export in OUTDIR for a look.
#include "app/OverlayExport.h"
#include "telemetry/GpsDataHelper.h"

#include <QApplication>
#include <QDir>
#include <QUrl>
#include <QElapsedTimer>
#include <QProcess>
#include <QEventLoop>

#include <cstdio>
#include <sys/resource.h>

namespace {

double cpuSeconds()
{
    double total = 0;
    for (const int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage u{};
        getrusage(who, &u);
        total += double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
    }
    return total;
}

struct Run {
    double wall = 0, cpu = 0;
};

template <typename F>
Run measure(F &&f)
{
    const double cpu = cpuSeconds();
    QElapsedTimer t;
    t.start();
    f();
    return {double(t.nsecsElapsed()) / 1e9, cpuSeconds() - cpu};
}

void frame(const QString &video, double at, const QString &png)
{
    QProcess::execute(QStringLiteral("ffmpeg"), {"-v", "error", "-y", "-ss", QString::number(at), "-i", video,
                                                 "-frames:v", "1", png});
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_overlay_export CLIP OUTDIR\n");
        return 2;
    }
    const QString clip = QString::fromLocal8Bit(argv[1]);
    const QDir out(QString::fromLocal8Bit(argv[2]));
    const GpsReadResult read = GpsDataHelper::readGpsData(clip.toStdString());
    PlayListEntry entry;
    entry.path = QUrl::fromLocalFile(clip).toString();
    entry.gpsData = QList<GpsSample>(read.videoDatas.begin(), read.videoDatas.end());
    entry.telemetry = std::make_shared<const std::vector<TelemetrySample>>(read.samples);
    QProcess length;
    length.start(QStringLiteral("ffprobe"), {"-v", "error", "-show_entries", "format=duration", "-of", "csv=p=0", clip});
    length.waitForFinished(-1);
    const double seconds = length.readAllStandardOutput().trimmed().toDouble();
    const QList<OverlayPiece> pieces{OverlayPiece{clip, ClipTelemetry::of(entry), seconds, 0, seconds, nullptr}};
    std::printf("%s: %.2f s, %zu samples\n", qPrintable(clip), seconds, read.samples.size());

    const Run base = measure([&] {
        QProcess::execute(QStringLiteral("ffmpeg"), {"-v", "error", "-y", "-i", clip, "-c:v", "libx264", "-preset",
                                                     "veryfast", out.filePath("plain.mp4")});
    });
    std::printf("%-34s %6.2f s wall %6.2f s CPU  %5.2fx real time\n", "ffmpeg libx264 veryfast, no overlay",
                base.wall, base.cpu, seconds / base.wall);

    const QList<std::pair<const char *, OverlayOptions>> runs = [] {
        OverlayOptions dash, corners, alone;
        corners.style = OverlayStyle::Corners;
        alone.alphaOnly = true;
        return QList<std::pair<const char *, OverlayOptions>>{
            {"dashboard", dash}, {"corners", corners}, {"overlay alone (qtrle)", alone}};
    }();
    for (const auto &run : runs) {
        const char *name = run.first;
        const OverlayOptions &options = run.second;
        const QString target = out.filePath(QStringLiteral("export_%1").arg(QString::fromLatin1(name).section(' ', 0, 0)) +
                                            (options.alphaOnly ? ".mov" : ".mp4"));
        OverlayExport job;
        bool ok = false;
        const Run r = measure([&] {
            QEventLoop loop;
            QObject::connect(&job, &OverlayExport::finished, &loop, [&](bool done) {
                ok = done;
                loop.quit();
            });
            job.start(pieces, options, target, {});
            loop.exec();
        });
        std::printf("%-34s %6.2f s wall %6.2f s CPU  %5.2fx real time  %s\n", name, r.wall, r.cpu, seconds / r.wall,
                    ok ? "ok" : "FAILED");
        frame(target, std::min(5.0, seconds / 2), target + ".png");
    }
    return 0;
}
