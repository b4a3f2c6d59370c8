#include "MprisService.h"

#include "AppDelegate.h"
#include "MainWindow.h"
#include "IncidentExport.h"
#include "MprisRules.h"
#include "common/Settings.h"
#include "drive/DriveTelemetry.h"
#include "drive/PlayQueue.h"
#include "media/MediaEngine.h"
#include "player/PlayerView.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QTimer>

#include <cmath>
#include <cstdio>

namespace {

constexpr float kToastSeconds = 2.0f;
const char *const kRootInterface = "org.mpris.MediaPlayer2";
const char *const kPlayerInterface = "org.mpris.MediaPlayer2.Player";
const char *const kOwnInterface = "io.github.veltra.Player";
const char *const kSampleKeys[] = {"veltra:speedKmh", "veltra:latitude", "veltra:longitude"};

} // namespace

const char *const MprisService::serviceName = "org.mpris.MediaPlayer2.veltra";
const char *const MprisService::objectPath = "/org/mpris/MediaPlayer2";

MprisService::MprisService(AppDelegate *app, QObject *parent) : QObject(parent), app_(app)
{
    refreshTimer_ = new QTimer(this);
    refreshTimer_->setSingleShot(true);
    refreshTimer_->setInterval(0);
    connect(refreshTimer_, &QTimer::timeout, this, &MprisService::refresh);

    if (MediaEngine *s = session()) {
        connect(s, &MediaEngine::playbackStateChanged, this, [this](MediaEngine::PlaybackState state) {
            if (state == MediaEngine::PlayingState)
                stopped_ = false;
            scheduleRefresh();
        });
        connect(s, &MediaEngine::durationChanged, this, [this] { stopped_ = false; });
        connect(s, &MediaEngine::rateChanged, this, &MprisService::scheduleRefresh);
        connect(s, &MediaEngine::volumeChanged, this, &MprisService::scheduleRefresh);
        connect(s, &MediaEngine::durationChanged, this, &MprisService::scheduleRefresh);
        connect(s, &MediaEngine::setUpFinished, this, &MprisService::scheduleRefresh);
        connect(s, &MediaEngine::stopped, this, &MprisService::markStopped);
        // Seeked goes out with the time the seek landed on: the tick after the request.
        connect(s, &MediaEngine::seeking, this, [this] { seekPending_ = true; });
        connect(s, &MediaEngine::timeChanged, this, [this](double t) {
            if (!seekPending_)
                return;
            seekPending_ = false;
            emit Seeked(MprisRules::toMicroseconds(t));
        });
    }
    if (PlayQueue *q = queue()) {
        connect(q, &PlayQueue::currentChanged, this, &MprisService::scheduleRefresh);
        connect(q, &PlayQueue::entriesChanged, this, &MprisService::scheduleRefresh);
    }
    if (app) {
        connect(app, &AppDelegate::filesOpened, this, &MprisService::scheduleRefresh);
        connect(&app->settings(), &Settings::placeToMediaControlsChanged, this, &MprisService::scheduleRefresh);
    }

    new MprisRootAdaptor(this);
    new MprisPlayerAdaptor(this);
    new VeltraPlayerAdaptor(this);
    told_ = snapshot();
}

MprisService::~MprisService()
{
    if (registered_) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        bus.unregisterObject(QString::fromLatin1(objectPath));
        bus.unregisterService(QString::fromLatin1(serviceName));
    }
}

bool MprisService::registerOnSessionBus()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        std::fprintf(stderr, "veltra-player: no session bus, running without remote control (MPRIS)\n");
        return false;
    }
    if (!bus.registerObject(QString::fromLatin1(objectPath), this, QDBusConnection::ExportAdaptors)) {
        std::fprintf(stderr, "veltra-player: remote control (MPRIS) not available: %s\n",
                     qPrintable(bus.lastError().message()));
        return false;
    }
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply = bus.interface()->registerService(
        QString::fromLatin1(serviceName), QDBusConnectionInterface::DontQueueService,
        QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid() || reply.value() != QDBusConnectionInterface::ServiceRegistered) {
        bus.unregisterObject(QString::fromLatin1(objectPath));
        std::fprintf(stderr, "veltra-player: remote control (MPRIS) not available: %s is taken\n", serviceName);
        return false;
    }
    registered_ = true;
    told_ = snapshot();
    // dbus-send without --print-reply sends a signal, not a call; scripts and some
    // desktop shells quit players that way.
    bus.connect(QString(), QString::fromLatin1(objectPath), QString::fromLatin1(kRootInterface),
                QStringLiteral("Quit"), this, SLOT(quit()));
    return true;
}

bool MprisService::handOverToRunningInstance(const MprisRules::OpenRequest &request, QString *error)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return false;
    const QDBusReply<bool> owned = bus.interface()->isServiceRegistered(QString::fromLatin1(serviceName));
    if (!owned.isValid() || !owned.value())
        return false;
    QStringList files;
    for (const QUrl &url : request.files)
        files << url.toString(QUrl::FullyEncoded);
    QDBusMessage m = QDBusMessage::createMethodCall(QString::fromLatin1(serviceName), QString::fromLatin1(objectPath),
                                                    QString::fromLatin1(kOwnInterface), QStringLiteral("Open"));
    m << files << MprisRules::openOptions(request);
    const QDBusMessage answer = bus.call(m, QDBus::Block, 10000);
    if (error) {
        if (answer.type() == QDBusMessage::ErrorMessage)
            *error = answer.errorMessage();
        else
            *error = answer.arguments().value(0).toStringList().join(QLatin1Char('\n'));
    }
    return true;
}

void MprisService::open(AppDelegate *app, const MprisRules::OpenRequest &request)
{
    if (!app)
        return;
    MainWindow *window = app->mainWindow();
    if (request.fullScreen && window && !window->isFullScreen())
        window->toggleFullScreen();
    if (request.files.isEmpty())
        return;
    app->openUrls(request.files, request.startAt);
}

PlayerView *MprisService::video() const
{
    return app_ ? app_->playerView() : nullptr;
}

MediaEngine *MprisService::session() const
{
    PlayerView *v = video();
    return v ? v->engine() : nullptr;
}

PlayQueue *MprisService::queue() const
{
    return app_ ? app_->queue() : nullptr;
}

DriveTelemetry *MprisService::telemetry() const
{
    return app_ ? app_->telemetry() : nullptr;
}

qint64 MprisService::currentRow() const
{
    PlayQueue *q = queue();
    MediaEngine *s = session();
    if (!q || !s || !s->isAddVideoFile())
        return -1;
    return q->currentRow();
}

QString MprisService::currentTrackId() const
{
    const qint64 row = currentRow();
    return MprisRules::trackId(row < 0 ? 0 : queue()->entries().at(row).id);
}

QString MprisService::currentUrl() const
{
    const qint64 row = currentRow();
    return row < 0 ? QString() : queue()->entries().at(row).path;
}

QVariantMap MprisService::metadata() const
{
    const qint64 row = currentRow();
    MediaEngine *s = session();
    if (row < 0 || !s)
        return MprisRules::metadata(0, QString(), 0, std::nullopt);
    const PlayListEntry &entry = queue()->entries().at(row);
    const double length = s->duration();
    std::optional<GpsSample> sample;
    bool speedRecorded = true;
    DriveTelemetry *t = telemetry();
    if (t && t->clip().entry == entry.id && s->isReady() && app_->settings().placeToMediaControls()) {
        const TelemetryMoment moment = t->momentAt(s->currentTime());
        sample = t->record(moment.sample);
        speedRecorded = moment.atSample.hasSpeed;
    }
    return MprisRules::metadata(entry.id, entry.path, length, sample, speedRecorded,
                                IncidentExport::locationOf(app_->settings().exportLocation()));
}

QString MprisService::playbackStatus() const
{
    MediaEngine *s = session();
    if (!s || !s->isAddVideoFile())
        return MprisRules::playbackStatus(false, false, false);
    const MediaEngine::PlaybackState state = s->playbackState();
    return MprisRules::playbackStatus(s->isReady(), state == MediaEngine::PlayingState,
                                      state == MediaEngine::PausedState && !stopped_);
}

double MprisService::rate() const
{
    MediaEngine *s = session();
    return s && s->isReady() ? s->rate() : 1.0;
}

bool MprisService::ready() const
{
    MediaEngine *s = session();
    return s && s->isReady();
}

bool MprisService::canGoNext() const
{
    PlayQueue *q = queue();
    return q && q->currentRow() + 1 < q->count();
}

bool MprisService::canGoPrevious() const
{
    PlayQueue *q = queue();
    return q && q->currentRow() > 0;
}

void MprisService::refuseCall(const QString &message)
{
    if (calledFromDBus())
        sendErrorReply(QDBusError::InvalidArgs, message);
}

void MprisService::raiseWindow()
{
    MainWindow *window = app_ ? app_->mainWindow() : nullptr;
    if (!window)
        return;
    window->showWindow();
    window->raise();
    window->activateWindow();
}

void MprisService::showToast(const QString &text)
{
    if (app_)
        app_->showMessage(text, kToastSeconds);
}

void MprisService::quit()
{
    // After the answer has gone out.
    QTimer::singleShot(0, qApp, [] {
        QApplication::closeAllWindows();
        QApplication::quit();
    });
}

void MprisService::scheduleRefresh()
{
    refreshTimer_->start();
}

QVariantMap MprisService::snapshot() const
{
    // The metadata's sample fields change with every tick; only a change of the track
    // (or of its length), or of which fields are told, is announced.
    QVariantMap meta = metadata();
    for (const char *key : kSampleKeys)
        if (meta.contains(QLatin1String(key)))
            meta.insert(QLatin1String(key), true);
    MediaEngine *s = session();
    return {
        {QStringLiteral("PlaybackStatus"), playbackStatus()},
        {QStringLiteral("Rate"), rate()},
        {QStringLiteral("Volume"), s ? double(s->volume()) : 1.0},
        {QStringLiteral("Metadata"), meta},
        {QStringLiteral("CanGoNext"), canGoNext()},
        {QStringLiteral("CanGoPrevious"), canGoPrevious()},
        {QStringLiteral("CanPlay"), ready()},
        {QStringLiteral("CanPause"), ready()},
        {QStringLiteral("CanSeek"), ready()},
    };
}

void MprisService::refresh()
{
    const QVariantMap now = snapshot();
    QVariantMap changed;
    for (auto it = now.cbegin(); it != now.cend(); ++it)
        if (told_.value(it.key()) != it.value())
            changed.insert(it.key(), it.key() == QLatin1String("Metadata") ? QVariant(metadata()) : it.value());
    told_ = now;
    if (changed.isEmpty())
        return;
    emit announced(changed);
    if (!registered_)
        return;
    QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(objectPath),
                                                     QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("PropertiesChanged"));
    signal << QString::fromLatin1(kPlayerInterface) << changed << QStringList();
    QDBusConnection::sessionBus().send(signal);
}

// ---------------------------------------------------------------------------------
// org.mpris.MediaPlayer2

MprisRootAdaptor::MprisRootAdaptor(MprisService *service) : QDBusAbstractAdaptor(service), service_(service) {}

QString MprisRootAdaptor::identity() const
{
    return QStringLiteral("Veltra Player");
}

QString MprisRootAdaptor::desktopEntry() const
{
    return QStringLiteral("veltra-player");
}

QStringList MprisRootAdaptor::supportedUriSchemes() const
{
    return {QStringLiteral("file")};
}

QStringList MprisRootAdaptor::supportedMimeTypes() const
{
    // As the .desktop file says.
    return {QStringLiteral("video/quicktime"), QStringLiteral("video/mp4")};
}

void MprisRootAdaptor::Raise()
{
    service_->raiseWindow();
}

void MprisRootAdaptor::Quit()
{
    service_->quit();
}

// ---------------------------------------------------------------------------------
// org.mpris.MediaPlayer2.Player

MprisPlayerAdaptor::MprisPlayerAdaptor(MprisService *service) : QDBusAbstractAdaptor(service), service_(service)
{
    connect(service, &MprisService::Seeked, this, &MprisPlayerAdaptor::Seeked);
}

double MprisPlayerAdaptor::minimumRate() const
{
    return -double(MediaEngine::RATE_VIDEO[MediaEngine::RATE_VIDEO_LENGTH - 1]);
}

double MprisPlayerAdaptor::maximumRate() const
{
    return double(MediaEngine::RATE_VIDEO[MediaEngine::RATE_VIDEO_LENGTH - 1]);
}

double MprisPlayerAdaptor::volume() const
{
    MediaEngine *s = service_->session();
    return s ? double(s->volume()) : 1.0;
}

void MprisPlayerAdaptor::setVolume(double v)
{
    // std::clamp lets NaN through, and the volume is stored for every later start. (A
    // property's setter cannot answer with an error: the value is ignored.)
    if (!std::isfinite(v))
        return;
    if (MediaEngine *s = service_->session())
        s->setVolume(float(std::clamp(v, 0.0, 1.0)));
}

qlonglong MprisPlayerAdaptor::position() const
{
    MediaEngine *s = service_->session();
    return s ? MprisRules::toMicroseconds(s->currentTime()) : 0;
}

void MprisPlayerAdaptor::Next()
{
    if (PlayQueue *q = service_->queue())
        q->next();
}

void MprisPlayerAdaptor::Previous()
{
    if (PlayQueue *q = service_->queue())
        q->previous();
}

void MprisPlayerAdaptor::Pause()
{
    MediaEngine *s = service_->session();
    if (s && s->isReady() && s->isPlaying())
        s->playOrPause();
}

void MprisPlayerAdaptor::PlayPause()
{
    if (MediaEngine *s = service_->session())
        s->playOrPause();
}

void MprisPlayerAdaptor::Stop()
{
    MediaEngine *s = service_->session();
    if (!s || !s->isReady())
        return;
    s->stopVideo();   // the session says it stopped
}

void MprisPlayerAdaptor::Play()
{
    MediaEngine *s = service_->session();
    if (s && s->isReady() && !s->isPlaying())
        s->playOrPause();
}

void MprisPlayerAdaptor::Seek(qlonglong offset)
{
    MediaEngine *s = service_->session();
    if (!s || !s->isReady())
        return;
    const double target = MprisRules::seekTarget(s->currentTime(), offset);
    if (target > s->duration())
        Next();
    else
        s->seekExact(target);
}

void MprisPlayerAdaptor::SetPosition(const QDBusObjectPath &trackId, qlonglong position)
{
    MediaEngine *s = service_->session();
    if (!s || !s->isReady())
        return;
    const std::optional<double> target =
        MprisRules::setPositionTarget(trackId.path(), service_->currentTrackId(), position, s->duration());
    if (target)
        s->seekExact(*target);
}

void MprisPlayerAdaptor::OpenUri(const QString &uri)
{
    const QString problem = MprisRules::openUriProblem(uri);
    if (!problem.isEmpty()) {
        service_->showToast(problem);
        service_->refuseCall(problem);
        return;
    }
    if (AppDelegate *app = service_->app())
        app->openUrls({QUrl(uri)});
}

// ---------------------------------------------------------------------------------
// io.github.veltra.Player

VeltraPlayerAdaptor::VeltraPlayerAdaptor(MprisService *service) : QDBusAbstractAdaptor(service), service_(service) {}

QStringList VeltraPlayerAdaptor::Open(const QStringList &files, const QVariantMap &options)
{
    MprisRules::OpenRequest request;
    const QString bad = MprisRules::readOpenOptions(options, &request);
    if (!bad.isEmpty()) {
        service_->refuseCall(bad);
        return {};
    }
    QStringList refused;
    for (const QString &file : files) {
        const QString problem = MprisRules::openUriProblem(file);
        if (problem.isEmpty())
            request.files << QUrl(file);
        else
            refused << problem;
    }
    if (!refused.isEmpty())
        service_->showToast(refused.first());
    MprisService::open(service_->app(), request);
    service_->raiseWindow();
    return refused;
}
