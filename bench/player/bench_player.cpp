// Player benchmarks (run by hand under an X server, see the report lines):
//   open-to-first-frame of a 3-minute 1080p forged file, CPU of the process while
//   playing at 1x, the cost of one clock tick through three modules, and the incident
//   export of a 30 s segment (video copied without re-encoding, GPX, picture).
//   --export-only measures the export alone. --rates measures the fast steps alone: the
//   rate the clock achieves, new pictures a second and CPU at 2x, 5x, 10x and 60x.
//   --seeks measures seek latency alone, paused, from the call to the new picture in the
//   video sink (median and 95th percentile over 100 random targets): a click (key frame
//   first, then the exact frame), an exact seek, and a frame step.
// With --shot FILE it instead plays a file in a 1344x756 window and takes a picture of
// the whole screen (the video widget is blank in QWidget::grab()).
#include "app/IncidentExport.h"
#include "common/Settings.h"
#include "common/TimeFormatUtils.h"
#include "drive/DriveTelemetry.h"
#include "player/PlaybackSession.h"
#include "player/PlayerView.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QHBoxLayout>
#include <QMediaPlayer>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QVideoFrame>
#include <QVideoSink>

#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

namespace {

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

QString forgeFile(const QString &dir)
{
    const QString out = QDir(dir).filePath("bench_1080p_180s.MOV");
    if (QFileInfo(out).size() > 0)
        return out;
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QStringLiteral(VELTRA_FORGE_PATH),
            {"--kind", "nt9665", "--seconds", "180", "--size", "1920x1080", "--fps", "30", "--scenario", "drive",
             "--out", out, "--ffmpeg", QStringLiteral(VELTRA_FFMPEG_PATH)});
    if (!p.waitForFinished(30 * 60 * 1000) || p.exitCode() != 0)
        return QString();
    return out;
}

struct Window {
    Settings settings;
    QWidget top;
    PlayerView *vc;
    // The drive's telemetry as in the window: a moment every tick, read as a panel
    // reads it.
    DriveTelemetry telemetry;
    PlayListEntry entry;
    double shown = 0;
    Window()
    {
        for (int k = 0; k < 180; ++k) {
            GpsSample s;
            s.gps_lat = k % 2 ? "48.1" : "";
            s.gps_lgt = "11.5";
            s.spd = k;
            entry.gpsData << s;
        }
        telemetry.follow(&entry);
        top.resize(1344, 756);
        auto *row = new QHBoxLayout(&top);
        row->setContentsMargins(0, 0, 0, 0);
        vc = new PlayerView(settings, &top);
        vc->setMinimumWidth(900);
        row->addWidget(vc, 900);
        auto *rest = new QWidget(&top);
        rest->setStyleSheet("background: #dfdde0;");
        row->addWidget(rest, 444);
        QObject::connect(vc->session(), &PlaybackSession::durationChanged, &telemetry, &DriveTelemetry::setDuration);
        QObject::connect(vc->session(), &PlaybackSession::timeChanged, &telemetry, &DriveTelemetry::tick);
        QObject::connect(&telemetry, &DriveTelemetry::momentChanged, &top,
                         [this](const TelemetryMoment &m) { shown = m.atSample.speedKmh + m.atPosition.latitude; });
        top.show();
        (void)QTest::qWaitForWindowExposed(&top);
    }
};

int firstFrameMs(Window &w, const QString &file)
{
    QElapsedTimer t;
    bool got = false;
    auto conn = QObject::connect(w.vc->videoSink(), &QVideoSink::videoFrameChanged,
                                 [&](const QVideoFrame &f) { got = got || f.isValid(); });
    t.start();
    w.vc->openClip(QUrl::fromLocalFile(file));
    const bool ok = QTest::qWaitFor([&] { return got; }, 20000);
    const int ms = int(t.elapsed());
    QObject::disconnect(conn);
    return ok ? ms : -1;
}

// Exports [60, 90] s of the open file into a fresh folder, three times; prints each.
void benchExport(Window &w, const QString &file)
{
    w.vc->setCurrentTime(60);
    QTest::qWait(800);
    std::printf("export of a 30 s segment (ms):");
    for (int k = 0; k < 3; ++k) {
        QTemporaryDir out;
        const QString target = out.filePath(QStringLiteral("incident.mp4"));
        IncidentExport job;
        QSignalSpy done(&job, &IncidentExport::finished);
        QElapsedTimer t;
        t.start();
        job.start(file, 60, 90, w.vc->duration(), target,
                  [&w](const QString &path) { return w.vc->saveCurrentFrame(path); });
        const bool finished = done.wait(60000) || !done.isEmpty();
        const qint64 ms = t.elapsed();
        if (!finished || !done.first().first().toBool()) {
            std::printf(" failed (%s)", finished ? qPrintable(done.first().at(1).toString()) : "no answer");
            continue;
        }
        std::printf(" %lld (%.1f MB)", ms, QFileInfo(target).size() / 1e6);
    }
    std::printf("; target < 2000\n");
}

// Each fast step for two seconds from the start of the file.
void benchRates(Window &w)
{
    PlaybackSession *s = w.vc->session();
    int pictures = 0;
    qint64 last = -1;
    auto conn = QObject::connect(w.vc->videoSink(), &QVideoSink::videoFrameChanged, [&](const QVideoFrame &f) {
        if (f.isValid() && f.startTime() != last) {
            last = f.startTime();
            ++pictures;
        }
    });
    for (int presses = 1; presses <= PlaybackSession::RATE_VIDEO_LENGTH; ++presses) {
        if (s->isPlaying())
            s->playOrPause();
        s->seekExact(0);
        QTest::qWait(500);
        for (int k = 0; k < presses; ++k)
            s->forwardRate();
        QTest::qWait(300);
        const double cpu0 = cpuSeconds();
        const double media0 = s->currentTime();
        const int pictures0 = pictures;
        QElapsedTimer wall;
        wall.start();
        QTest::qWait(2000);
        const double elapsed = wall.elapsed() / 1000.0;
        std::printf("%gx: the clock runs at %.1fx, %.1f new pictures/s, CPU %.0f %% of a core\n", s->requestedRate(),
                    (s->currentTime() - media0) / elapsed, (pictures - pictures0) / elapsed,
                    100.0 * (cpuSeconds() - cpu0) / elapsed);
        std::fflush(stdout);
    }
    QObject::disconnect(conn);
}

// Milliseconds from `ask` to the first picture in the sink that `wanted` accepts; -1
// when none comes within five seconds.
template <typename Ask, typename Wanted>
double msUntilPicture(QVideoSink *sink, Ask ask, Wanted wanted)
{
    QElapsedTimer t;
    double ms = -1;
    auto conn = QObject::connect(sink, &QVideoSink::videoFrameChanged, [&](const QVideoFrame &f) {
        if (ms < 0 && f.isValid() && wanted(double(f.startTime()) / 1e6))
            ms = double(t.nsecsElapsed()) / 1e6;
    });
    t.start();
    ask();
    (void)QTest::qWaitFor([&] { return ms >= 0; }, 5000);
    QObject::disconnect(conn);
    return ms;
}

void printLatency(const char *what, std::vector<double> ms)
{
    const size_t lost = size_t(std::count(ms.begin(), ms.end(), -1.0));
    ms.erase(std::remove(ms.begin(), ms.end(), -1.0), ms.end());
    if (ms.empty()) {
        std::printf("%-34s no picture came\n", what);
        return;
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%-34s median %6.1f ms, 95th percentile %6.1f ms (%zu seeks%s)\n", what, ms[ms.size() / 2],
                ms[std::min(ms.size() - 1, ms.size() * 95 / 100)], ms.size(), lost ? ", some lost" : "");
    std::fflush(stdout);
}

void benchSeeks(Window &w)
{
    PlaybackSession *s = w.vc->session();
    QVideoSink *sink = w.vc->videoSink();
    // The first frame comes before the set-up ends; pausing waits for the set-up.
    (void)QTest::qWaitFor([s] { return s->isReady(); }, 10000);
    if (s->isPlaying())
        s->playOrPause();
    QTest::qWait(500);
    const double frame = s->frameDuration();
    const double end = s->duration() - 1;
    std::mt19937 random(31);
    std::uniform_int_distribution<int> pick(1000, int(end * 1000));
    std::vector<double> targets;
    for (int k = 0; k < 100; ++k)
        targets.push_back(pick(random) / 1000.0);
    const auto holds = [frame](double target) {
        return [frame, target](double start) { return start <= target + 0.0015 && start > target - frame; };
    };
    std::vector<double> first, exactAfterKey, exact, steps;
    for (double t : targets) {
        const qint64 before = sink->videoFrame().startTime();
        first.push_back(msUntilPicture(sink, [&] { s->showAt(t); },
                                       [before](double start) { return qint64(start * 1e6) != before; }));
        exactAfterKey.push_back(msUntilPicture(sink, [] {}, holds(t)));
        if (exactAfterKey.back() >= 0 && first.back() >= 0)
            exactAfterKey.back() += first.back();
        QTest::qWait(30);
    }
    printLatency("click, key frame first: 1st picture", first);
    printLatency("click, key frame first: exact", exactAfterKey);
    std::shuffle(targets.begin(), targets.end(), random);
    for (double t : targets) {
        exact.push_back(msUntilPicture(sink, [&] { s->seekExact(t); }, holds(t)));
        QTest::qWait(30);
        const double next = (std::floor(t / frame + 0.05) + 1) * frame;
        if (next < end)
            steps.push_back(msUntilPicture(sink, [&] { s->stepFrame(1); }, holds(next + 0.001)));
        QTest::qWait(30);
    }
    printLatency("exact seek", exact);
    printLatency("frame step", steps);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QCommandLineParser cli;
    cli.addHelpOption();
    cli.addOption({"video", "Use this file instead of forging one.", "file"});
    cli.addOption({"shot", "Play, open an overlay, and write a screenshot of the whole screen.", "png"});
    cli.addOption({"overlay", "With --shot: settings, help or about.", "name"});
    cli.addOption({"seconds", "CPU measurement length.", "s", "10"});
    cli.addOption({"export-only", "Measure only the incident export."});
    cli.addOption({"rates", "Measure only the fast steps."});
    cli.addOption({"seeks", "Measure only seek and frame-step latency."});
    cli.process(app);

    QTemporaryDir tmp;
    QString file = cli.value("video");

    if (cli.isSet("shot")) {
        Window w;
        w.vc->openClip(QUrl::fromLocalFile(file));
        QTest::qWait(2500);
        w.vc->playOrPause();
        QTest::qWait(300);
        const QString overlay = cli.value("overlay");
        if (overlay == "settings")
            w.vc->settings();
        else if (overlay == "help")
            w.vc->helps();
        else if (overlay == "about")
            w.vc->aboutHelpClick();
        else if (overlay == "toast")
            w.vc->forwardRate();
        QTest::qWait(overlay == "toast" ? 150 : 600);
        const int rc = QProcess::execute("import", {"-window", "root", cli.value("shot")});
        return rc;
    }

    if (file.isEmpty()) {
        std::printf("forging a 3-minute 1920x1080 file ...\n");
        std::fflush(stdout);
        QElapsedTimer forging;
        forging.start();
        file = forgeFile(tmp.path());
        if (file.isEmpty()) {
            std::fprintf(stderr, "the forge failed\n");
            return 1;
        }
        std::printf("forged %s (%.1f MB) in %.1f s\n", qPrintable(QFileInfo(file).fileName()),
                    QFileInfo(file).size() / 1e6, forging.elapsed() / 1000.0);
    }

    Window w;
    if (cli.isSet("rates")) {
        if (firstFrameMs(w, file) < 0)
            return 1;
        benchRates(w);
        w.vc->close();
        return 0;
    }
    if (cli.isSet("seeks")) {
        if (firstFrameMs(w, file) < 0)
            return 1;
        benchSeeks(w);
        w.vc->close();
        return 0;
    }
    if (cli.isSet("export-only")) {
        if (firstFrameMs(w, file) < 0)
            return 1;
        w.vc->playOrPause();
        benchExport(w, file);
        w.vc->close();
        return 0;
    }
    // Open to first frame: the first open pays for loading the GStreamer plugins.
    std::vector<int> opens;
    for (int k = 0; k < 6; ++k) {
        w.vc->close();
        QTest::qWait(200);
        opens.push_back(firstFrameMs(w, file));
    }
    std::printf("open-to-first-frame (ms): first %d, then", opens[0]);
    for (size_t k = 1; k < opens.size(); ++k)
        std::printf(" %d", opens[k]);
    std::vector<int> warm(opens.begin() + 1, opens.end());
    std::sort(warm.begin(), warm.end());
    std::printf("; median warm %d\n", warm[warm.size() / 2]);

    // CPU while playing at 1x.
    int ticks = 0;
    QObject::connect(w.vc, &PlayerView::ticked, [&] { ++ticks; });
    QTest::qWait(1000);
    const double seconds = cli.value("seconds").toDouble();
    const double cpu0 = cpuSeconds();
    const int ticks0 = ticks;
    const double media0 = w.vc->currentTime();
    QElapsedTimer wall;
    wall.start();
    QTest::qWait(int(seconds * 1000));
    const double cpu = cpuSeconds() - cpu0;
    const double elapsed = wall.elapsed() / 1000.0;
    std::printf("playing at 1x for %.1f s (media advanced %.2f s): CPU %.1f %% of a core, %.1f ticks/s\n",
                elapsed, w.vc->currentTime() - media0, 100.0 * cpu / elapsed, (ticks - ticks0) / elapsed);
    w.vc->playOrPause();
    QTest::qWait(300);

    // One tick through three modules, the slider and the label, paused (no frames).
    const int n = 200000;
    QElapsedTimer t;
    t.start();
    for (int k = 0; k < n; ++k)
        w.vc->tick(10.0 + (k % 1000) * 0.001);
    const double us = t.nsecsElapsed() / 1000.0 / n;
    std::printf("one tick through three modules: %.2f us\n", us);
    benchExport(w, file);
    w.vc->close();
    return 0;
}
