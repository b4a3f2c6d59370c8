// Remote control over the session bus (MPRIS 2): the desktop's media controls, the
// keyboard's media keys and playerctl drive the player through the play queue and the
// playback session exactly as the window's controls do; the current track is the
// queue's current entry, what it tells of the car the drive telemetry's moment. Registered as
// org.mpris.MediaPlayer2.veltra at /org/mpris/MediaPlayer2, which also answers
// io.github.veltra.Player, the program's own interface for a second start. Every call
// is answered at once on the main thread; nothing waits for a file to load.
#pragma once

#include "MprisRules.h"

#include <QDBusAbstractAdaptor>
#include <QDBusContext>
#include <QDBusObjectPath>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>

class AppDelegate;
class DriveTelemetry;
class MediaEngine;
class PlayQueue;
class QTimer;
class PlayerView;

class MprisService : public QObject, public QDBusContext {
    Q_OBJECT
public:
    static const char *const serviceName;   // "org.mpris.MediaPlayer2.veltra"
    static const char *const objectPath;    // "/org/mpris/MediaPlayer2"

    // Follows the player, the play queue and the telemetry that `app` knows at the time.
    explicit MprisService(AppDelegate *app, QObject *parent = nullptr);
    ~MprisService() override;

    // Puts the service on the session bus. Without a bus, or with the name taken, the
    // program goes on without remote control and says so once on the console.
    bool registerOnSessionBus();

    // A second start of the program: when another instance owns the service, hands it
    // the whole request in one call (io.github.veltra.Player.Open), which it carries
    // out as its own start would, and raises its window. Returns true when a running
    // instance took over; `error` is set when it refused a file or an option.
    static bool handOverToRunningInstance(const MprisRules::OpenRequest &request, QString *error);
    // Opens the files of a start as one batch, as the menu's open does: the first plays,
    // from request.startAt; the window goes full screen when asked.
    static void open(AppDelegate *app, const MprisRules::OpenRequest &request);

    // --- what the adaptors ask and do ---
    PlayerView *video() const;
    MediaEngine *session() const;
    PlayQueue *queue() const;
    DriveTelemetry *telemetry() const;
    AppDelegate *app() const { return app_; }
    qint64 currentRow() const;
    // The id of the current row's entry: noTrack() when none.
    QString currentTrackId() const;
    QString currentUrl() const;
    // Tells where the car is only when the user allows it (placeToMediaControls).
    QVariantMap metadata() const;
    QString playbackStatus() const;
    double rate() const;
    bool ready() const;
    bool canGoNext() const;
    bool canGoPrevious() const;

    // Compares what the bus was last told with the state now and sends
    // PropertiesChanged for what differs (soon, once for a burst of changes).
    void scheduleRefresh();

    // Answers the D-Bus call being handled with an error (the adaptors' calls are
    // delivered with this object as their context).
    void refuseCall(const QString &message);

    void raiseWindow();
    // Says `text` in a toast of the application.
    void showToast(const QString &text);

    // Stop (the session's, from here or the stop button) leaves the file paused at its
    // start; the status says "Stopped" until it plays again or another file opens.
    void markStopped() { stopped_ = true; scheduleRefresh(); }

signals:
    void Seeked(qlonglong position);
    // What PropertiesChanged tells of the player (sent only while on the bus).
    void announced(const QVariantMap &changed);

public slots:
    // Closes the windows and ends the program, after the answer to the call has gone out.
    void quit();

private:
    void refresh();
    QVariantMap snapshot() const;

    QPointer<AppDelegate> app_;
    QTimer *refreshTimer_ = nullptr;
    QVariantMap told_;
    bool seekPending_ = false;
    bool stopped_ = false;
    bool registered_ = false;
};

// org.mpris.MediaPlayer2
class MprisRootAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ canQuit)
    Q_PROPERTY(bool CanRaise READ canRaise)
    Q_PROPERTY(bool HasTrackList READ hasTrackList)
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QString DesktopEntry READ desktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ supportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ supportedMimeTypes)
public:
    explicit MprisRootAdaptor(MprisService *service);

    bool canQuit() const { return true; }
    bool canRaise() const { return true; }
    bool hasTrackList() const { return false; }
    QString identity() const;
    QString desktopEntry() const;
    QStringList supportedUriSchemes() const;
    QStringList supportedMimeTypes() const;

public slots:
    void Raise();
    void Quit();

private:
    MprisService *service_;
};

// org.mpris.MediaPlayer2.Player
class MprisPlayerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(double Rate READ rate WRITE setRate)
    Q_PROPERTY(double MinimumRate READ minimumRate)
    Q_PROPERTY(double MaximumRate READ maximumRate)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(double Volume READ volume WRITE setVolume)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(bool CanGoNext READ canGoNext)
    Q_PROPERTY(bool CanGoPrevious READ canGoPrevious)
    Q_PROPERTY(bool CanPlay READ canPlay)
    Q_PROPERTY(bool CanPause READ canPause)
    Q_PROPERTY(bool CanSeek READ canSeek)
    Q_PROPERTY(bool CanControl READ canControl)
public:
    explicit MprisPlayerAdaptor(MprisService *service);

    QString playbackStatus() const { return service_->playbackStatus(); }
    double rate() const { return service_->rate(); }
    // The rate follows the player's fast and reverse steps; it is not set from outside.
    void setRate(double) {}
    double minimumRate() const;
    double maximumRate() const;
    QVariantMap metadata() const { return service_->metadata(); }
    double volume() const;
    // A volume that is not a number is ignored; others are kept within 0..1.
    void setVolume(double v);
    qlonglong position() const;
    bool canGoNext() const { return service_->canGoNext(); }
    bool canGoPrevious() const { return service_->canGoPrevious(); }
    bool canPlay() const { return service_->ready(); }
    bool canPause() const { return service_->ready(); }
    bool canSeek() const { return service_->ready(); }
    bool canControl() const { return true; }

public slots:
    void Next();
    void Previous();
    void Pause();
    void PlayPause();
    void Stop();
    void Play();
    void Seek(qlonglong offset);
    void SetPosition(const QDBusObjectPath &trackId, qlonglong position);
    void OpenUri(const QString &uri);

signals:
    void Seeked(qlonglong position);

private:
    MprisService *service_;
};

// io.github.veltra.Player: what a second start of the program hands over.
class VeltraPlayerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "io.github.veltra.Player")
public:
    explicit VeltraPlayerAdaptor(MprisService *service);

public slots:
    // Opens `files` (file URLs) in this order as one batch with `options`
    // (MprisRules::openOptions) and raises the window. Answers with why each file that
    // cannot be opened is left out; an option that cannot be used refuses the call.
    QStringList Open(const QStringList &files, const QVariantMap &options);

private:
    MprisService *service_;
};
