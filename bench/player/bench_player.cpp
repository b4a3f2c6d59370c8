// Player benchmarks (run by hand under an X server, see the report lines):
//   open-to-first-frame of a 3-minute 1080p forged file, CPU of the process while
//   playing at 1x, the cost of one clock tick through three modules, and the incident
//   export of a 30 s segment (video copied without re-encoding, GPX, picture).
//   --export-only measures the export alone. --rates measures the fast steps alone: the
//   rate the clock achieves, new pictures a second and CPU at 2x, 5x, 10x and 60x.
//   --seeks measures seek latency alone, paused, from the call to the new picture in the
//   video sink (median and 95th percentile over 100 random targets): a click to the exact
//   picture, an exact seek, and a frame step.
// --cameras measures a moment's cameras played together: two 1080p30 channels at 1x
//   (CPU beside two ffplay processes playing the same files in the same run; mpv where
//   installed), six 1280x960 channels at 1x (frames not shown), and the error between
//   the channels' pictures at 1x, 2x and 0.5 s and 1.6 s after 100 random seeks, in
//   frames; then how long a seek, a pause and a stop of the six hold the window.
// With --shot FILE it instead plays a file in a 1344x756 window and takes a picture of
// the whole screen (the video widget is blank in QWidget::grab()).
#include "app/IncidentExport.h"
#include "common/Settings.h"
#include "common/TimeFormatUtils.h"
#include "drive/DriveTelemetry.h"
#include "player/ChannelPictures.h"
#include "media/MediaEngine.h"
#include "player/PlayerView.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QHBoxLayout>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QVideoFrame>
#include <QVideoSink>

#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <unistd.h>
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
        QObject::connect(vc->engine(), &MediaEngine::durationChanged, &telemetry, &DriveTelemetry::setDuration);
        QObject::connect(vc->engine(), &MediaEngine::timeChanged, &telemetry, &DriveTelemetry::tick);
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
// How long the window stops answering: the longest gap between the beats of a 10 ms
// timer, from start() to stop().
struct WindowHold {
    QElapsedTimer clock;
    qint64 last = 0, longest = 0;
    QTimer beat;
    WindowHold()
    {
        clock.start();
        beat.setTimerType(Qt::PreciseTimer);
        QObject::connect(&beat, &QTimer::timeout, [this] {
            longest = std::max(longest, clock.elapsed() - last);
            last = clock.elapsed();
        });
    }
    void start()
    {
        last = clock.elapsed();
        longest = 0;
        beat.start(10);
    }
    double stop()
    {
        beat.stop();
        return double(std::max(longest, clock.elapsed() - last));
    }
};

void benchRates(Window &w)
{
    MediaEngine *s = w.vc->engine();
    int pictures = 0;
    qint64 last = -1;
    auto conn = QObject::connect(w.vc->videoSink(), &QVideoSink::videoFrameChanged, [&](const QVideoFrame &f) {
        if (f.isValid() && f.startTime() != last) {
            last = f.startTime();
            ++pictures;
        }
    });
    WindowHold hold;
    for (int presses = 1; presses <= MediaEngine::RATE_VIDEO_LENGTH; ++presses) {
        // From playing at 1x, as a viewer presses the key.
        if (s->isPlaying())
            s->playOrPause();
        s->seekExact(0);
        QTest::qWait(300);
        s->playOrPause();
        QTest::qWait(700);
        // The steps before this rate a key press apart; the window held on the last.
        for (int k = 1; k < presses; ++k) {
            s->forwardRate();
            QTest::qWait(400);
        }
        hold.start();
        s->forwardRate();
        QTest::qWait(300);
        const double held = hold.stop();
        const double cpu0 = cpuSeconds();
        const double media0 = s->currentTime();
        const int pictures0 = pictures;
        QElapsedTimer wall;
        wall.start();
        QTest::qWait(2000);
        const double elapsed = wall.elapsed() / 1000.0;
        std::printf("%gx: the clock runs at %.1fx, %.1f new pictures/s, CPU %.0f %% of a core; entering it held the "
                    "window %.0f ms\n",
                    s->requestedRate(), (s->currentTime() - media0) / elapsed, (pictures - pictures0) / elapsed,
                    100.0 * (cpuSeconds() - cpu0) / elapsed, held);
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
    MediaEngine *s = w.vc->engine();
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
    std::vector<double> click, exact, steps;
    // A click asks the engine for the exact frame at once: the first picture is it.
    for (double t : targets) {
        click.push_back(msUntilPicture(sink, [&] { s->showAt(t); }, holds(t)));
        QTest::qWait(30);
    }
    printLatency("click to exact picture", click);
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

// Forges `name` into `dir` unless there: `seconds` of a `size` picture at 30 fps.
bool forgeCamera(const QString &dir, const QString &name, const QString &size, int seconds, const QString &mark)
{
    const QString out = QDir(dir).filePath(name);
    if (QFileInfo(out).size() > 0)
        return true;
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QStringLiteral(VELTRA_FORGE_PATH),
            {"--kind", "nt9665", "--seconds", QString::number(seconds), "--size", size, "--fps", "30", "--scenario",
             "drive", "--start", "2026-11-15 09:00:00", "--mark", mark, "--out", out, "--ffmpeg",
             QStringLiteral(VELTRA_FFMPEG_PATH)});
    return p.waitForFinished(30 * 60 * 1000) && p.exitCode() == 0;
}

// CPU seconds of another process so far (user and system), from /proc.
double cpuSecondsOf(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray line = f.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return 0;
    return (fields[11].toDouble() + fields[12].toDouble()) / double(sysconf(_SC_CLK_TCK));
}

// The error between the main picture and each follower's, in frames, each time the
// main picture changes: the frames' start times apart.
struct SyncProbe {
    std::vector<double> errors;
    std::vector<qint64> latest;
    std::vector<QMetaObject::Connection> connections;
    bool on = false;
    SyncProbe(PlayerView *vc)
    {
        ChannelPictures *c = vc->channels();
        latest.assign(size_t(c->count()), -1);
        for (int i = 0; i < c->count(); ++i)
            if (QVideoSink *sink = c->videoSink(i))
                connections.push_back(QObject::connect(sink, &QVideoSink::videoFrameChanged, [this, i](const QVideoFrame &f) {
                    if (f.isValid())
                        latest[size_t(i)] = f.startTime();
                }));
        connections.push_back(QObject::connect(vc->videoSink(), &QVideoSink::videoFrameChanged, [this](const QVideoFrame &f) {
            if (!on || !f.isValid())
                return;
            for (qint64 t : latest)
                if (t >= 0)
                    errors.push_back(std::abs(double(f.startTime() - t)) / 1e6 * 30.0);
        }));
    }
    ~SyncProbe()
    {
        for (auto &c : connections)
            QObject::disconnect(c);
    }
    // "median m, 95th p, max x frames (n pictures)", then starts over.
    QString report()
    {
        if (errors.empty())
            return QStringLiteral("no pictures");
        std::sort(errors.begin(), errors.end());
        const QString s = QStringLiteral("median %1, 95th %2, max %3 frames (%4 pictures)")
                              .arg(errors[errors.size() / 2], 0, 'f', 2)
                              .arg(errors[errors.size() * 95 / 100], 0, 'f', 2)
                              .arg(errors.back(), 0, 'f', 2)
                              .arg(errors.size());
        errors.clear();
        return s;
    }
};

// Pictures each sink showed (distinct start times).
struct PictureCount {
    std::vector<std::pair<QVideoSink *, qint64>> last;
    std::vector<int> counts;
    std::vector<QMetaObject::Connection> connections;
    explicit PictureCount(const QList<QVideoSink *> &sinks)
    {
        last.resize(size_t(sinks.size()));
        counts.assign(size_t(sinks.size()), 0);
        for (int i = 0; i < sinks.size(); ++i)
            connections.push_back(QObject::connect(sinks[i], &QVideoSink::videoFrameChanged, [this, i](const QVideoFrame &f) {
                if (f.isValid() && f.startTime() != last[size_t(i)].second) {
                    last[size_t(i)].second = f.startTime();
                    ++counts[size_t(i)];
                }
            }));
    }
    ~PictureCount()
    {
        for (auto &c : connections)
            QObject::disconnect(c);
    }
};

bool waitForCameras(Window &w, const QString &file, int followers)
{
    if (firstFrameMs(w, file) < 0)
        return false;
    ChannelPictures *c = w.vc->channels();
    return c->count() == followers &&
           QTest::qWaitFor([&] {
               for (int i = 0; i < c->count(); ++i)
                   if (c->isGap(i) || c->time(i) <= 0)
                       return false;
               return true;
           }, 20000);
}

int benchCameras(const QString &dir, double seconds)
{
    std::printf("forging two 1080p30 and six 1280x960 channels into %s ...\n", qPrintable(dir));
    std::fflush(stdout);
    const QString front = QDir(dir).filePath("two/2026_1115_090000_001F.MOV");
    const QString rear = QDir(dir).filePath("two/2026_1115_090000_001R.MOV");
    QDir(dir).mkpath("two");
    QDir(dir).mkpath("six");
    if (!forgeCamera(dir, "two/2026_1115_090000_001F.MOV", "1920x1080", 40, "ff0000") ||
        !forgeCamera(dir, "two/2026_1115_090000_001R.MOV", "1920x1080", 40, "00ff00"))
        return 1;
    const char *words[] = {"front", "back", "left_repeater", "right_repeater", "left_pillar", "right_pillar"};
    const char *marks[] = {"ff0000", "00ff00", "0000ff", "ffff00", "ff00ff", "00ffff"};
    for (int k = 0; k < 6; ++k)
        if (!forgeCamera(dir, QStringLiteral("six/2026-11-15_09-00-00-%1.mp4").arg(words[k]), "1280x960", 30, marks[k]))
            return 1;

    {
        // Two 1080p channels at 1x, then the same two files in two ffplay processes.
        Window w;
        if (!waitForCameras(w, front, 1))
            return 1;
        SyncProbe sync(w.vc);
        PictureCount pictures({w.vc->videoSink(), w.vc->channels()->videoSink(0)});
        QTest::qWait(1000);
        sync.report();
        sync.on = true;
        const double cpu0 = cpuSeconds();
        const int shown0 = pictures.counts[0] + pictures.counts[1];
        QElapsedTimer wall;
        wall.start();
        QTest::qWait(int(seconds * 1000));
        const double elapsed = wall.elapsed() / 1000.0;
        const double ours = 100.0 * (cpuSeconds() - cpu0) / elapsed;
        std::printf("two 1080p30 channels at 1x: CPU %.0f %% of a core, %.1f pictures/s in all; sync %s\n", ours,
                    (pictures.counts[0] + pictures.counts[1] - shown0) / elapsed, qPrintable(sync.report()));
        std::fflush(stdout);

        // 2x, then 100 random seeks while playing.
        WindowHold hold;
        hold.start();
        w.vc->engine()->fasterRate();
        QTest::qWait(1000);
        const double held = hold.stop();
        sync.report();
        QTest::qWait(int(seconds * 1000));
        std::printf("two channels at 2x: sync %s; the step to 2x held the window %.0f ms\n", qPrintable(sync.report()),
                    held);
        w.vc->engine()->slowerRate();
        QRandomGenerator random(28);
        sync.on = false;
        // The error half a second after each seek, and again once a correction had time
        // to land (1.6 s).
        std::vector<double> afterSeeks, settled;
        for (int k = 0; k < 100; ++k) {
            w.vc->engine()->seekExact(random.bounded(30.0));
            for (auto [wait, into] : {std::pair{500, &afterSeeks}, std::pair{950, &settled}}) {
                QTest::qWait(wait);
                sync.errors.clear();
                sync.on = true;
                QTest::qWait(150);
                sync.on = false;
                into->insert(into->end(), sync.errors.begin(), sync.errors.end());
            }
        }
        sync.errors = afterSeeks;
        std::printf("two channels, 0.5 s after each of 100 random seeks: sync %s\n", qPrintable(sync.report()));
        sync.errors = settled;
        std::printf("two channels, 1.6 s after each of those seeks: sync %s\n", qPrintable(sync.report()));
        w.vc->close();
        QTest::qWait(500);

        QString other = QStandardPaths::findExecutable("mpv");
        QStringList args;
        if (!other.isEmpty()) {
            args = {"--really-quiet", "--no-audio", "--geometry=640x360"};
        } else {
            other = QStandardPaths::findExecutable("ffplay");
            args = {"-loglevel", "quiet", "-an", "-x", "640", "-y", "360"};
        }
        if (other.isEmpty()) {
            std::printf("neither mpv nor ffplay is installed: no comparison\n");
        } else {
            QProcess a, b;
            a.start(other, args + QStringList{front});
            b.start(other, args + QStringList{rear});
            a.waitForStarted();
            b.waitForStarted();
            QTest::qWait(2000);
            const double c0 = cpuSecondsOf(a.processId()) + cpuSecondsOf(b.processId());
            QElapsedTimer t;
            t.start();
            QTest::qWait(int(seconds * 1000));
            const double theirs = 100.0 * (cpuSecondsOf(a.processId()) + cpuSecondsOf(b.processId()) - c0) /
                                  (t.elapsed() / 1000.0);
            a.kill();
            b.kill();
            a.waitForFinished();
            b.waitForFinished();
            std::printf("the same two files in two %s processes: CPU %.0f %% of a core; the player costs %.2fx\n",
                        qPrintable(QFileInfo(other).fileName()), theirs, theirs > 0 ? ours / theirs : 0.0);
        }
        std::fflush(stdout);
    }
    {
        // Six 1280x960 channels at 1x: pictures not shown of those the media time held.
        Window w;
        if (!waitForCameras(w, QDir(dir).filePath("six/2026-11-15_09-00-00-front.mp4"), 5))
            return 1;
        QList<QVideoSink *> sinks{w.vc->videoSink()};
        for (int i = 0; i < 5; ++i)
            sinks << w.vc->channels()->videoSink(i);
        SyncProbe sync(w.vc);
        PictureCount pictures(sinks);
        QTest::qWait(1000);
        sync.report();
        sync.on = true;
        const std::vector<int> counts0 = pictures.counts;
        const double media0 = w.vc->currentTime();
        const double cpu0 = cpuSeconds();
        QElapsedTimer wall;
        wall.start();
        QTest::qWait(int(std::min(seconds, 20.0) * 1000));
        const double elapsed = wall.elapsed() / 1000.0;
        const double media = w.vc->currentTime() - media0;
        std::printf("six 1280x960 channels at 1x for %.1f s (media %.2f s): CPU %.0f %% of a core; pictures shown of %.0f:",
                    elapsed, media, 100.0 * (cpuSeconds() - cpu0) / elapsed, media * 30);
        for (size_t i = 0; i < counts0.size(); ++i)
            std::printf(" %d", pictures.counts[i] - counts0[i]);
        std::printf("; sync %s\n", qPrintable(sync.report()));
        std::fflush(stdout);

        // Paused, seeks with six cameras: how long the window stops answering and until
        // every picture shows the new moment.
        if (w.vc->engine()->isPlaying())
            w.vc->engine()->playOrPause();
        QTest::qWait(1000);
        WindowHold hold;
        QRandomGenerator random(6);
        std::vector<double> held, shown;
        for (int k = 0; k < 10; ++k) {
            const double t = std::floor(random.bounded(25.0)) + 0.5;
            hold.start();
            QElapsedTimer took;
            took.start();
            w.vc->engine()->seekExact(t);
            const bool all = QTest::qWaitFor([&] {
                for (QVideoSink *s : sinks)
                    if (std::abs(double(s->videoFrame().startTime()) / 1e6 - t) > 0.05)
                        return false;
                return true;
            }, 5000);
            shown.push_back(all ? double(took.elapsed()) : 5000.0);
            QTest::qWait(300);
            held.push_back(hold.stop());
        }
        // And pausing and stopping six playing cameras.
        std::vector<double> pauses, stops;
        for (int k = 0; k < 10; ++k) {
            w.vc->engine()->playOrPause();
            QTest::qWait(1000);
            hold.start();
            if (k % 2)
                w.vc->engine()->stopVideo();
            else
                w.vc->engine()->playOrPause();
            QTest::qWait(500);
            (k % 2 ? stops : pauses).push_back(hold.stop());
        }
        std::sort(pauses.begin(), pauses.end());
        std::sort(stops.begin(), stops.end());
        std::sort(held.begin(), held.end());
        std::sort(shown.begin(), shown.end());
        std::printf("six cameras paused, 10 seeks: window held median %.0f, max %.0f ms; every picture shown after median %.0f, max %.0f ms\n",
                    held[held.size() / 2], held.back(), shown[shown.size() / 2], shown.back());
        std::printf("six cameras, pausing: window held median %.0f, max %.0f ms; stopping: median %.0f, max %.0f ms\n",
                    pauses[pauses.size() / 2], pauses.back(), stops[stops.size() / 2], stops.back());
        w.vc->close();
    }
    return 0;
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
    cli.addOption({"cameras", "Measure a moment's cameras played together, forged into (or found in) this folder.", "dir"});
    cli.process(app);

    QTemporaryDir tmp;
    QString file = cli.value("video");
    if (cli.isSet("cameras"))
        return benchCameras(cli.value("cameras"), cli.value("seconds").toDouble());

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
