// Player benchmarks (run by hand under an X server, see the report lines):
//   open-to-first-frame of a 3-minute 1080p forged file, CPU of the process while
//   playing at 1x, the cost of one clock tick through three modules, and the incident
//   export of a 30 s segment (video copied without re-encoding, GPX, picture).
//   --export-only measures the export alone. --rates measures the fast steps alone: the
//   rate the clock achieves, new pictures a second and CPU at 2x, 5x, 10x and 60x.
//   --seeks measures seek latency alone, paused, from the call to the new picture in the
//   video sink (median and 95th percentile over 100 random targets): a click to the exact
//   picture, an exact seek, and a frame step.
// --cameras DIR measures the engine against mpv (install it for the benchmark only) on
//   files forged into DIR: a click to the exact picture (one camera, beside mpv's exact
//   seek through its IPC socket; three cameras, until every one shows it); CPU at 1x of
//   one and two 1080p30 cameras beside as many mpv processes; how many frames apart the
//   three cameras' pictures are, paused after 100 random seeks, right after 100 seeks
//   while playing, after 100 frame steps and playing at 1x, 2x and 10x; six 1280x960
//   cameras at 1x (pictures shown of those due) and the longest window hold of a seek, a
//   pause, play, a rate change and a step; a 10-minute clip at 10x and 60x. --parts
//   picks some of these (click, cpu, sync, six, long); --slow lists, for each command of
//   the six cameras, the slowest deliveries of the window's thread (what held it).
// With --shot FILE it instead plays a file in a 1344x756 window and takes a picture of
// the whole screen (the video widget is blank in QWidget::grab()).
#include "app/IncidentExport.h"
#include "common/Settings.h"
#include "common/TimeFormatUtils.h"
#include "drive/DriveTelemetry.h"
#include "player/ChannelPictures.h"
#include "media/MediaEngine.h"
#include "player/PlayerView.h"
#include "player/VideoPicture.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QFrame>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLocalSocket>
#include <QHBoxLayout>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QVideoFrame>
#include <QVideoSink>

#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <memory>
#include <random>
#include <unistd.h>
#include <vector>

namespace {

// Times every event the window's thread delivers from its event loop (the outermost
// deliveries only), so that a hold can be put down to what held it: --slow lists the
// slowest of each command's.
class TimedApplication : public QApplication {
public:
    using QApplication::QApplication;
    struct Slow {
        double ms;
        QString what;
    };
    bool recording = false;
    std::vector<Slow> slow;
    bool notify(QObject *receiver, QEvent *event) override
    {
        if (!recording || depth_ > 0 || QThread::currentThread() != thread())
            return QApplication::notify(receiver, event);
        ++depth_;
        QElapsedTimer t;
        t.start();
        const int type = int(event->type());
        const bool done = QApplication::notify(receiver, event);
        const double ms = double(t.nsecsElapsed()) / 1e6;
        --depth_;
        if (ms >= 4) {
            QString who = QLatin1String(receiver->metaObject()->className());
            for (QObject *o = receiver->parent(); o && who.size() < 120; o = o->parent())
                who += QLatin1String(" < ") + QLatin1String(o->metaObject()->className());
            slow.push_back({ms, QStringLiteral("%1 event %2").arg(who).arg(type)});
        }
        return done;
    }

private:
    int depth_ = 0;
};

TimedApplication *timedApp()
{
    return static_cast<TimedApplication *>(QCoreApplication::instance());
}

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
// How long the window stops answering: the longest gap between the beats of a 2 ms
// timer, from start() to stop() (a beat of 10 ms could not tell a hold under ~11 ms
// from none; at 2 ms the gap is the hold plus at most the beat).
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
        beat.start(2);
    }
    // The window's own event loop for `ms` (QTest::qWait sleeps 10 ms at a time between
    // its rounds of events, which would count as holds).
    void run(int ms)
    {
        QEventLoop loop;
        QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec();
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
        hold.run(300);
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

// Runs the window's event loop until `done` holds (looked at every millisecond) or `ms`
// pass. Unlike QTest::qWaitFor, which sleeps 10 ms between its rounds of events, it adds
// nothing of its own to what is timed.
template <typename Done> bool runUntil(Done done, int ms)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer poll;
    poll.setTimerType(Qt::PreciseTimer);
    QElapsedTimer since;
    since.start();
    bool ok = false;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (done()) {
            ok = true;
            loop.quit();
        } else if (since.elapsed() >= ms) {
            loop.quit();
        }
    });
    poll.start(1);
    loop.exec();
    return ok;
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
    (void)runUntil([&] { return ms >= 0; }, 5000);
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

// The error between the main picture and each follower's, in frames: 10 ms after the
// main picture changed (while it still shows), the frames' start times apart. Pictures
// due at the same instant reach the window a few milliseconds apart, so the moment of
// the change itself would count a follower whose picture comes 1 ms after the main one's
// a whole picture behind (30 frames at 10x, where a key frame stands for a second).
struct SyncProbe {
    std::vector<double> errors;
    std::vector<double> atChange;   // the same at the instant the main picture changed
    std::vector<qint64> latest;
    qint64 main = -1;
    std::vector<QMetaObject::Connection> connections;
    QObject context;
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
            if (!on || !f.isValid() || f.startTime() == main)
                return;
            main = f.startTime();
            for (qint64 t : latest)
                if (t >= 0)
                    atChange.push_back(std::abs(double(main - t)) / 1e6 * 30.0);
            QTimer::singleShot(10, &context, [this, shown = main] {
                if (!on || main != shown)
                    return;
                for (qint64 t : latest)
                    if (t >= 0)
                        errors.push_back(std::abs(double(shown - t)) / 1e6 * 30.0);
            });
        }));
    }
    ~SyncProbe()
    {
        for (auto &c : connections)
            QObject::disconnect(c);
    }
    // "median m, 95th p, max x frames (n pictures); at the change median …, max …",
    // then starts over.
    QString report()
    {
        if (errors.empty() || atChange.empty())
            return QStringLiteral("no pictures");
        std::sort(errors.begin(), errors.end());
        std::sort(atChange.begin(), atChange.end());
        const QString s = QStringLiteral("median %1, 95th %2, max %3 frames (%4 pictures); at the change itself median "
                                         "%5, max %6")
                              .arg(errors[errors.size() / 2], 0, 'f', 2)
                              .arg(errors[errors.size() * 95 / 100], 0, 'f', 2)
                              .arg(errors.back(), 0, 'f', 2)
                              .arg(errors.size())
                              .arg(atChange[atChange.size() / 2], 0, 'f', 2)
                              .arg(atChange.back(), 0, 'f', 2);
        errors.clear();
        atChange.clear();
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

// mpv driven through its IPC socket, decoding in software as the player does here.
struct Mpv {
    QProcess process;
    QLocalSocket socket;
    QByteArray buffer;
    static bool installed() { return !QStandardPaths::findExecutable(QStringLiteral("mpv")).isEmpty(); }
    bool start(const QString &file, bool paused, QSize size = QSize(640, 360))
    {
        static int n = 0;
        const QString ipc = QDir::temp().filePath(QStringLiteral("veltra-bench-mpv-%1-%2").arg(getpid()).arg(++n));
        const QString geometry = QStringLiteral("--geometry=%1x%2").arg(size.width()).arg(size.height());
        QStringList args{"--really-quiet", "--no-audio", "--hwdec=no", "--vo=x11", geometry,
                         "--hr-seek=yes", "--keep-open=yes", "--input-ipc-server=" + ipc};
        if (paused)
            args << "--pause";
        process.start(QStringLiteral("mpv"), args << file);
        if (!process.waitForStarted(5000))
            return false;
        return QTest::qWaitFor([&] {
            socket.connectToServer(ipc);
            return socket.waitForConnected(100);
        }, 10000);
    }
    ~Mpv()
    {
        process.kill();
        process.waitForFinished(3000);
    }
    void send(const QJsonArray &command)
    {
        socket.write(QJsonDocument(QJsonObject{{"command", command}}).toJson(QJsonDocument::Compact) + '\n');
        socket.flush();
    }
    // Waits for mpv's event `name`; false after `ms`.
    bool waitFor(const char *name, int ms)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            if (socket.bytesAvailable() == 0)
                socket.waitForReadyRead(5);
            buffer += socket.readAll();
            qsizetype nl;
            while ((nl = buffer.indexOf('\n')) >= 0) {
                const QJsonObject o = QJsonDocument::fromJson(buffer.left(nl)).object();
                buffer.remove(0, nl + 1);
                if (o.value(QStringLiteral("event")).toString() == QLatin1String(name))
                    return true;
            }
        }
        return false;
    }
    // Milliseconds from an exact seek to `t` to mpv's playback restart at it.
    double seekMs(double t)
    {
        buffer += socket.readAll();
        buffer.clear();
        QElapsedTimer took;
        took.start();
        send(QJsonArray{"seek", t, "absolute+exact"});
        return waitFor("playback-restart", 5000) ? double(took.nsecsElapsed()) / 1e6 : -1;
    }
};

// The sinks of the open moment: the main one, then each other camera's.
QList<QVideoSink *> sinksOf(Window &w)
{
    QList<QVideoSink *> sinks{w.vc->videoSink()};
    for (int i = 0; i < w.vc->channels()->count(); ++i)
        sinks << w.vc->channels()->videoSink(i);
    return sinks;
}

// How many frames (of 30 a second) the pictures on show lie apart at most.
double framesApart(const QList<QVideoSink *> &sinks)
{
    qint64 lo = std::numeric_limits<qint64>::max(), hi = std::numeric_limits<qint64>::min();
    for (QVideoSink *s : sinks) {
        const qint64 t = s->videoFrame().startTime();
        lo = std::min(lo, t);
        hi = std::max(hi, t);
    }
    return double(hi - lo) / 1e6 * 30.0;
}

void printFrames(const char *what, std::vector<double> apart)
{
    std::sort(apart.begin(), apart.end());
    const auto zero = std::count_if(apart.begin(), apart.end(), [](double f) { return f < 0.5; });
    std::printf("%-52s %3zd of %zu at 0 frames apart, 95th %.1f, max %.1f frames\n", what, zero, apart.size(),
                apart[std::min(apart.size() - 1, apart.size() * 95 / 100)], apart.back());
    std::fflush(stdout);
}

// CPU (% of a core) of `processes` mpv playing `files` for `seconds`.
// Each mpv draws at the size of the picture of ours it stands beside (`sizes`).
double mpvCpu(const QStringList &files, double seconds, const QList<QSize> &sizes)
{
    std::vector<std::unique_ptr<Mpv>> players;
    for (qsizetype i = 0; i < files.size(); ++i) {
        players.push_back(std::make_unique<Mpv>());
        if (!players.back()->start(files[i], false, sizes.value(i, QSize(640, 360))))
            return -1;
    }
    QTest::qWait(2000);
    double c0 = 0;
    for (auto &p : players)
        c0 += cpuSecondsOf(p->process.processId());
    QElapsedTimer t;
    t.start();
    QTest::qWait(int(seconds * 1000));
    double c1 = 0;
    for (auto &p : players)
        c1 += cpuSecondsOf(p->process.processId());
    return 100.0 * (c1 - c0) / (double(t.elapsed()) / 1000.0);
}

// CPU (% of a core) of this process playing the open moment at 1x for `seconds`, and
// the pictures each sink showed of those the clock passed.
double playerCpu(Window &w, double seconds, QString *shown = nullptr)
{
    const QList<QVideoSink *> sinks = sinksOf(w);
    PictureCount pictures(sinks);
    if (!w.vc->engine()->isPlaying())
        w.vc->engine()->playOrPause();
    QTest::qWait(1000);
    const std::vector<int> counts0 = pictures.counts;
    const double media0 = w.vc->currentTime();
    const double cpu0 = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QTest::qWait(int(seconds * 1000));
    const double elapsed = double(wall.elapsed()) / 1000.0;
    const double cpu = 100.0 * (cpuSeconds() - cpu0) / elapsed;
    if (shown) {
        const double media = w.vc->currentTime() - media0;
        *shown = QStringLiteral("%1 pictures due, shown:").arg(std::round(media * 30));
        for (size_t i = 0; i < counts0.size(); ++i)
            *shown += QStringLiteral(" %1").arg(pictures.counts[i] - counts0[i]);
    }
    return cpu;
}

// The engine against the same files in mpv, in one run: a 1080p30 front, rear and
// cabin of one moment (1 s between key frames), six 1280x960 cameras and a 10-minute
// 1080p clip, forged into `dir` (or found there from an earlier run).
int benchCameras(const QString &dir, double seconds, const QStringList &parts, bool slowLog)
{
    const auto part = [&parts](const char *name) { return parts.isEmpty() || parts.contains(QLatin1String(name)); };
    std::printf("forging three 1080p30 cameras, six 1280x960 cameras and a 10-minute 1080p clip into %s ...\n",
                qPrintable(dir));
    std::fflush(stdout);
    for (const char *sub : {"one", "two", "three", "six", "long"})
        QDir(dir).mkpath(QLatin1String(sub));
    const QString base = QStringLiteral("three/2026_1115_090000_001");
    if (!forgeCamera(dir, base + "F.MOV", "1920x1080", 40, "ff0000") ||
        !forgeCamera(dir, base + "R.MOV", "1920x1080", 40, "00ff00") ||
        !forgeCamera(dir, base + "I.MOV", "1920x1080", 40, "0000ff") ||
        (part("long") && !forgeCamera(dir, "long/2026_1115_100000_001.MOV", "1920x1080", 600, "ffffff")))
        return 1;
    const QString front = QDir(dir).filePath(base + "F.MOV"), rear = QDir(dir).filePath(base + "R.MOV");
    // The front alone, and front and rear alone, each in a folder of its own.
    QFile::link(front, QDir(dir).filePath("one/2026_1115_090000_001F.MOV"));
    QFile::link(front, QDir(dir).filePath("two/2026_1115_090000_001F.MOV"));
    QFile::link(rear, QDir(dir).filePath("two/2026_1115_090000_001R.MOV"));
    const char *words[] = {"front", "back", "left_repeater", "right_repeater", "left_pillar", "right_pillar"};
    const char *marks[] = {"ff0000", "00ff00", "0000ff", "ffff00", "ff00ff", "00ffff"};
    for (int k = 0; k < 6; ++k)
        if (!forgeCamera(dir, QStringLiteral("six/2026-11-15_09-00-00-%1.mp4").arg(words[k]), "1280x960", 30, marks[k]))
            return 1;
    std::mt19937 random(40);
    std::uniform_real_distribution<double> anywhere(1.0, 38.0);
    std::vector<double> targets;
    for (int k = 0; k < 100; ++k)
        targets.push_back(std::round(anywhere(random) * 1000) / 1000);
    const auto holds = [](double target) {
        return [target](double start) { return start <= target + 0.0015 && start > target - 1.0 / 30; };
    };

    // A click to the exact picture, paused: one camera, against mpv's exact seek.
    if (part("click")) {
        Window w;
        if (!waitForCameras(w, QDir(dir).filePath("one/2026_1115_090000_001F.MOV"), 0))
            return 1;
        if (w.vc->engine()->isPlaying())
            w.vc->engine()->playOrPause();
        QTest::qWait(500);
        std::vector<double> ours;
        for (double t : targets) {
            ours.push_back(msUntilPicture(w.vc->videoSink(), [&] { w.vc->engine()->showAt(t); }, holds(t)));
            QTest::qWait(30);
        }
        printLatency("one 1080p camera, click to exact picture", ours);
        w.vc->close();
        if (Mpv::installed()) {
            Mpv mpv;
            if (mpv.start(front, true) && mpv.waitFor("playback-restart", 10000)) {
                std::vector<double> theirs;
                for (double t : targets) {
                    theirs.push_back(mpv.seekMs(t));
                    QTest::qWait(30);
                }
                printLatency("mpv --hr-seek=yes, exact seek (IPC)", theirs);
            }
        } else {
            std::printf("mpv is not installed (apt-get install mpv): no comparison\n");
        }
    }
    // CPU at 1x: one camera and two, against as many mpv processes.
    for (const auto &[folder, count] : {std::pair{"one", 1}, std::pair{"two", 2}}) {
        if (!part("cpu"))
            break;
        Window w;
        if (!waitForCameras(w, QDir(dir).filePath(QStringLiteral("%1/2026_1115_090000_001F.MOV").arg(folder)), count - 1))
            return 1;
        QString shown;
        const double ours = playerCpu(w, seconds, &shown);
        // The sizes our pictures are drawn at, the main one's first.
        QList<QSize> sizes;
        for (QVideoSink *sink : sinksOf(w))
            for (VideoPicture *picture : w.top.findChildren<VideoPicture *>())
                if (picture->videoSink() == sink)
                    sizes << picture->size();
        w.vc->close();
        QTest::qWait(500);
        QStringList files{front};
        if (count == 2)
            files << rear;
        const double theirs = Mpv::installed() ? mpvCpu(files, seconds, sizes) : -1;
        std::printf("our pictures:");
        for (const QSize &size : sizes)
            std::printf(" %dx%d", size.width(), size.height());
        std::printf(" (each mpv draws at the same size)\n");
        std::printf("%d 1080p30 camera(s) at 1x: CPU %.0f %% of a core (%s); %d mpv: %.0f %%; ratio %.2fx\n", count,
                    ours, qPrintable(shown), count, theirs, theirs > 0 ? ours / theirs : 0.0);
        std::fflush(stdout);
    }
    // Three cameras: a click to every exact picture, and how far apart their pictures
    // are after seeks, while playing and after frame steps.
    if (part("sync")) {
        Window w;
        if (!waitForCameras(w, front, 2))
            return 1;
        MediaEngine *e = w.vc->engine();
        const QList<QVideoSink *> sinks = sinksOf(w);
        if (e->isPlaying())
            e->playOrPause();
        QTest::qWait(500);
        std::vector<double> all, apart;
        for (double t : targets) {
            QElapsedTimer took;
            took.start();
            e->showAt(t);
            const bool shown = runUntil([&] {
                for (QVideoSink *s : sinks)
                    if (!holds(t)(double(s->videoFrame().startTime()) / 1e6))
                        return false;
                return true;
            }, 5000);
            all.push_back(shown ? double(took.nsecsElapsed()) / 1e6 : -1);
            QTest::qWait(100);
            apart.push_back(framesApart(sinks));
        }
        printLatency("three cameras, click to every exact picture", all);
        printFrames("three cameras, paused after 100 random seeks:", apart);
        apart.clear();
        QSignalSpy landed(e, &MediaEngine::landed);
        e->playOrPause();
        QTest::qWait(500);
        for (double t : targets) {
            landed.clear();
            e->seekExact(t);
            if (!landed.wait(5000))
                continue;
            // 0.1 s on, 10 ms after the main camera's next picture (as the probe of the rates
            // compares): the others' pictures of that moment have come by then.
            (void)runUntil([] { return false; }, 100);
            const qint64 shown = sinks.first()->videoFrame().startTime();
            (void)runUntil([&] { return sinks.first()->videoFrame().startTime() != shown; }, 200);
            (void)runUntil([] { return false; }, 10);
            apart.push_back(framesApart(sinks));
            if (apart.back() > 1.5) {   // which camera was behind, and how far
                std::printf("  apart after a seek to %.3f:", t);
                for (QVideoSink *sink : sinks)
                    std::printf(" %.4f", double(sink->videoFrame().startTime()) / 1e6);
                std::printf("\n");
            }
        }
        printFrames("three cameras, 0.1 s after each of 100 seeks playing:", apart);
        e->playOrPause();
        QTest::qWait(300);
        apart.clear();
        e->seekExact(5);
        QTest::qWait(500);
        for (int k = 0; k < 100; ++k) {
            const qint64 before = w.vc->videoSink()->videoFrame().startTime();
            e->stepFrame(1);
            (void)QTest::qWaitFor([&] { return w.vc->videoSink()->videoFrame().startTime() != before; }, 2000);
            QTest::qWait(60);
            apart.push_back(framesApart(sinks));
        }
        printFrames("three cameras, after each of 100 frame steps:", apart);
        SyncProbe sync(w.vc);
        e->seekExact(2);
        e->playOrPause();
        for (int rate : {1, 2, 10}) {
            while (e->rate() < rate && e->rateIndexForward() < MediaEngine::RATE_VIDEO_LENGTH)
                e->fasterRate();
            QTest::qWait(1000);
            sync.report();
            sync.on = true;
            QTest::qWait(rate == 10 ? 2500 : 4000);
            sync.on = false;
            std::printf("three cameras playing at %dx: %s\n", rate, qPrintable(sync.report()));
        }
        w.vc->close();
    }
    // Six 1280x960 cameras: every picture shown at 1x, and how long each command holds
    // the window.
    if (part("six")) {
        Window w;
        if (!waitForCameras(w, QDir(dir).filePath("six/2026-11-15_09-00-00-front.mp4"), 5))
            return 1;
        QString shown;
        const double cpu = playerCpu(w, std::min(seconds, 20.0), &shown);
        std::printf("six 1280x960 cameras at 1x: CPU %.0f %% of a core; %s\n", cpu, qPrintable(shown));
        MediaEngine *e = w.vc->engine();
        WindowHold hold;
        QRandomGenerator pick(6);
        std::map<std::string, double> longest;
        std::map<std::string, std::vector<TimedApplication::Slow>> slowest;
        std::map<std::string, std::vector<double>> all;
        const auto held = [&](const char *what, auto &&command, int settle) {
            timedApp()->slow.clear();
            timedApp()->recording = slowLog;
            hold.start();
            command();
            hold.run(settle);
            const double ms = hold.stop();
            longest[what] = std::max(longest[what], ms);
            all[what].push_back(ms);
            timedApp()->recording = false;
            auto &list = slowest[what];
            list.insert(list.end(), timedApp()->slow.begin(), timedApp()->slow.end());
        };
        for (int k = 0; k < 10; ++k) {
            // What the window's thread does meanwhile anyway, for comparison.
            held("nothing asked, playing", [] {}, 400);
            held("pause", [&] { e->playOrPause(); }, 400);
            held("nothing asked, paused", [] {}, 400);
            held("seek", [&] { e->seekExact(std::floor(pick.bounded(25.0)) + 0.5); }, 500);
            held("step", [&] { e->stepFrame(1); }, 300);
            held("play", [&] { e->playOrPause(); }, 600);
            held("rate change", [&] { e->fasterRate(); }, 500);
            held("rate change", [&] { e->slowerRate(); }, 500);
        }
        std::printf("six cameras, the longest window hold (ms):");
        for (const auto &[what, ms] : longest)
            std::printf(" %s %.0f;", what.c_str(), ms);
        std::printf(" target <= 16\n");
        std::printf("six cameras, the median window hold (ms):");
        for (auto &[what, list] : all) {
            std::sort(list.begin(), list.end());
            std::printf(" %s %.0f;", what.c_str(), list[list.size() / 2]);
        }
        std::printf("\n");
        for (auto &[what, list] : slowest) {
            std::sort(list.begin(), list.end(), [](const auto &a, const auto &b) { return a.ms > b.ms; });
            for (size_t k = 0; k < list.size() && k < 8; ++k)
                std::printf("  %s: %.1f ms in %s\n", what.c_str(), list[k].ms, qPrintable(list[k].what));
        }
        w.vc->close();
    }
    // The 10-minute clip at 10x and 60x: the clock's rate and pictures a second.
    if (part("long")) {
        Window w;
        if (!waitForCameras(w, QDir(dir).filePath("long/2026_1115_100000_001.MOV"), 0))
            return 1;
        MediaEngine *e = w.vc->engine();
        int pictures = 0;
        qint64 last = -1;
        QObject::connect(w.vc->videoSink(), &QVideoSink::videoFrameChanged, [&](const QVideoFrame &f) {
            if (f.isValid() && f.startTime() != last) {
                last = f.startTime();
                ++pictures;
            }
        });
        for (int presses : {3, 4}) {   // 10x, 60x
            if (e->isPlaying())
                e->playOrPause();
            e->seekExact(10);
            QTest::qWait(500);
            e->playOrPause();
            for (int k = 0; k < presses; ++k)
                e->forwardRate();
            QTest::qWait(1000);
            const double media0 = e->currentTime();
            const int pictures0 = pictures;
            QElapsedTimer wall;
            wall.start();
            QTest::qWait(5000);
            const double elapsed = double(wall.elapsed()) / 1000.0;
            std::printf("10-minute 1080p clip at %gx: the clock runs at %.1fx, %.1f new pictures/s\n", e->requestedRate(),
                        (e->currentTime() - media0) / elapsed, (pictures - pictures0) / elapsed);
            std::fflush(stdout);
            e->playOrPause();
        }
        w.vc->close();
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    TimedApplication app(argc, argv);
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
    cli.addOption({"parts", "With --cameras: only these parts (click, cpu, sync, six, long; comma-separated).", "list"});
    cli.addOption({"slow", "With --cameras: list the slowest event deliveries of each command of the six cameras."});
    cli.process(app);

    QTemporaryDir tmp;
    QString file = cli.value("video");
    if (cli.isSet("cameras"))
        return benchCameras(cli.value("cameras"), cli.value("seconds").toDouble(),
                            cli.value("parts").split(QLatin1Char(','), Qt::SkipEmptyParts), cli.isSet("slow"));

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
            w.vc->findChild<QPushButton *>(QStringLiteral("helpAbout"))->click();
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
