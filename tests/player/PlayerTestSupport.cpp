#include "PlayerTestSupport.h"

#include "media/MediaEngine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>

namespace PlayerTestSupport {

PlayerRig::PlayerRig(Settings &settings)
{
    window.resize(900, 620);
    vc = new PlayerView(settings, &window);
    messages = std::make_unique<QSignalSpy>(vc, &PlayerView::message);
    vc->setGeometry(0, 0, 900, 620);
    recorder = std::make_unique<SessionRecorder>(vc->engine(), &log);
    QObject::connect(vc, &PlayerView::zoomRequested, vc, [this](qint64 state) {
        log.calls.push_back({"layout", "zoom", double(state), {}});
        vc->setZoomState(zoomAnswer);
    });
    QObject::connect(vc, &PlayerView::nextFileRequested, vc,
                     [this] { log.calls.push_back({"queue", "playNext", 1.0, {}}); });
    QObject::connect(vc, &PlayerView::previousFileRequested, vc,
                     [this] { log.calls.push_back({"queue", "playNext", 0.0, {}}); });
    window.show();
    (void)QTest::qWaitForWindowExposed(&window);
}

PlayerRig::~PlayerRig()
{
    delete vc;
}

bool PlayerRig::open(const QString &file)
{
    QSignalSpy done(vc, &PlayerView::setUpFinished);
    vc->openClip(QUrl::fromLocalFile(file));
    return done.wait(10000) && done.first().first().toBool();
}

bool PlayerRig::waitPlaying()
{
    return QTest::qWaitFor([this] { return engine() && engine()->playbackState() == MediaEngine::PlayingState; }, 5000);
}

bool PlayerRig::pauseAndSettle()
{
    vc->playOrPause();
    return QTest::qWaitFor([this] { return engine()->playbackState() == MediaEngine::PausedState; }, 5000);
}

QString picturesDir()
{
    return QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
}

void clearCaptures()
{
    QDir(picturesDir() + "/vistrel").removeRecursively();
    QFile::remove(picturesDir() + "/vistrel");
}

int CallLog::count(const QString &op, const QString &module) const
{
    return int(of(op, module).size());
}

std::vector<Call> CallLog::of(const QString &op, const QString &module) const
{
    std::vector<Call> out;
    for (const Call &c : calls)
        if (c.op == op && (module.isEmpty() || c.module == module))
            out.push_back(c);
    return out;
}

SessionRecorder::SessionRecorder(MediaEngine *session, CallLog *log, QObject *parent) : QObject(parent)
{
    const QString name = QStringLiteral("session");
    connect(session, &MediaEngine::timeChanged, this,
            [log, name](double t) { log->calls.push_back({name, QStringLiteral("tick"), t, {}}); });
    connect(session, &MediaEngine::durationChanged, this, [log, name](double d) {
        if (d > 0)
            log->calls.push_back({name, QStringLiteral("allTime"), d, {}});
    });
    connect(session, &MediaEngine::ended, this,
            [log, name] { log->calls.push_back({name, QStringLiteral("end"), 0, {}}); });
    connect(session, &MediaEngine::stopped, this,
            [log, name] { log->calls.push_back({name, QStringLiteral("stop"), 0, {}}); });
}

QString makeVideo(const QString &dir, const QString &name, int seconds, const QString &size, int fps, bool audio)
{
    const QString path = QDir(dir).filePath(name);
    if (QFileInfo(path).size() > 0)
        return path;
    QStringList args{"-hide_banner", "-loglevel", "error", "-y",
                     "-f", "lavfi", "-i", QStringLiteral("testsrc2=size=%1:rate=%2:duration=%3").arg(size).arg(fps).arg(seconds)};
    if (audio)
        args << "-f" << "lavfi" << "-i" << QStringLiteral("sine=frequency=440:duration=%1").arg(seconds);
    args << "-c:v" << "libx264" << "-preset" << "ultrafast" << "-bf" << "0" << "-pix_fmt" << "yuv420p";
    if (audio)
        args << "-c:a" << "aac" << "-shortest";
    args << "-f" << "mov" << path;
    QProcess p;
    p.start("ffmpeg", args);
    if (!p.waitForFinished(120000) || p.exitCode() != 0)
        return QString();
    return path;
}

QImage ffmpegFrame(const QString &video, double seconds)
{
    QTemporaryDir tmp;
    const QString out = tmp.filePath("frame.png");
    QProcess p;
    p.start("ffmpeg", {"-hide_banner", "-loglevel", "error", "-y", "-ss", QString::number(seconds, 'f', 3),
                       "-i", video, "-frames:v", "1", out});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return QImage();
    return QImage(out).convertToFormat(QImage::Format_RGB32);
}

double meanDifference(const QImage &a0, const QImage &b0)
{
    if (a0.size() != b0.size() || a0.isNull())
        return -1;
    const QImage a = a0.convertToFormat(QImage::Format_RGB32);
    const QImage b = b0.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        const QRgb *pa = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        const QRgb *pb = reinterpret_cast<const QRgb *>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x)
            sum += std::abs(qRed(pa[x]) - qRed(pb[x])) + std::abs(qGreen(pa[x]) - qGreen(pb[x]))
                   + std::abs(qBlue(pa[x]) - qBlue(pb[x]));
    }
    return sum / (3.0 * a.width() * a.height());
}

} // namespace PlayerTestSupport
