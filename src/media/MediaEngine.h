// The playback of a moment, every camera on one pipeline and one clock: the main
// camera's file and the other cameras recorded beside it. The pipeline runs on the
// engine's own thread; no call here waits for it. What it does comes back as signals
// and the properties below: every picture of the main camera shown is a timeChanged
// with its time, the tick whose time equals the duration ends the file (ended), and
// whoever follows the playback (the views, the drive's telemetry, the play queue, the
// media controls) listens.
// Seeks: the exact frame on a click, a remote SetPosition or the release of a drag, the
// key frame before while dragging; the time asked for is the clock's until the
// pipeline has landed, and then every camera shows the frame holding it. Rates: 0.25x
// to 4x change in place, 5x to 10x play key frames only, above that (and from -5x in
// reverse) the engine paces key frames itself, ten a second; -1x to -4x play every
// frame backwards. Frame steps go by the main camera's frame, so cameras of 25 and
// 30 fps stay in step.
#pragma once

#include "EngineRules.h"
#include "MediaPipeline.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QThread>
#include <QUrl>

#include <optional>
#include <vector>

class FrameHub;
class QVideoSink;
class Settings;

class MediaEngine : public QObject {
    Q_OBJECT
    Q_PROPERTY(double position READ currentTime NOTIFY timeChanged)
    Q_PROPERTY(double duration READ duration NOTIFY durationChanged)
    Q_PROPERTY(double rate READ rate NOTIFY rateChanged)
    Q_PROPERTY(PlaybackState state READ playbackState NOTIFY playbackStateChanged)
    Q_PROPERTY(float volume READ volume WRITE setVolume NOTIFY volumeChanged)
public:
    enum PlaybackState { StoppedState, PlayingState, PausedState };
    Q_ENUM(PlaybackState)
    // A camera of the moment: opening, showing pictures, without a playable recording,
    // past the end of its file, or before its recording starts (one that started later
    // than the main camera, held at its offset).
    enum class CameraStatus { Opening, Showing, NoRecording, Ended, NotStarted };
    Q_ENUM(CameraStatus)

    // Another camera of the moment: its file, where its pictures go, and how many
    // seconds its picture is held after the main one's.
    struct Camera {
        QString file;
        QVideoSink *sink = nullptr;
        double offset = 0;
    };

    // The volume is kept in `settings`.
    explicit MediaEngine(Settings &settings, QObject *parent = nullptr);
    ~MediaEngine() override;

    // Where the main camera's pictures go.
    void setVideoOutput(QVideoSink *sink);
    QVideoSink *videoSink() const;

    // Starts playing the moment of `url` at once, with `others` beside it (camera 1 …);
    // the set-up ends once it is loaded (setUpFinished).
    void openClip(const QUrl &url, const QList<Camera> &others = {});
    // Stops and tears the moment down; harmless when nothing is open.
    void close();
    void playUrl(const QUrl &url, const QList<Camera> &others = {});

    // Seconds; 0 without a playable file. Setting it seeks to the nearest whole second.
    double currentTime() const;
    void setCurrentTime(double seconds);
    // Seeks to `seconds` exactly (clamped into the file): the media controls' way.
    void seekExact(double seconds);
    // A click or a drag to `seconds`: the exact frame once let go, key frames while
    // `dragging`; the clock says `seconds` meanwhile.
    void showAt(double seconds, bool dragging = false);
    double duration() const;
    // Seconds from one frame of the main camera to the next (1/30 when it does not say).
    double frameDuration() const;
    float volume() const;
    void setVolume(float v);

    // The clock tick: the cameras before their start told, timeChanged, then the
    // end-of-file test.
    void tick(double seconds);

    bool isAddVideoFile() const { return opened_; }
    bool isReady() const { return ready_; }
    bool isPlaying() const { return state_ == PlayingState; }
    PlaybackState playbackState() const { return state_; }
    double rate() const { return rate_; }
    double requestedRate() const { return ready_ && isPlaying() ? rate_ : 0.0; }
    // Playing key frames the engine paces itself.
    bool isSkimming() const { return isPlaying() && EngineRules::wayOf(rate_) == EngineRules::RateWay::Paced; }
    // A seek or step was asked for and every camera has not shown its picture yet.
    bool isSeeking() const { return seeking_; }
    // The current file.
    QUrl source() const { return source_; }

    // The cameras of the moment: 0 the main one.
    int cameraCount() const { return int(cameras_.size()); }
    CameraStatus cameraStatus(int camera) const;
    // The time of the picture last shown by `camera`, seconds of its own file.
    double cameraTime(int camera) const;
    // What the probe found of the camera's file (nothing before it has been probed).
    CameraInfo cameraInfo(int camera) const;
    // Holds `camera`'s picture `seconds` after the main one's.
    void setCameraOffset(int camera, double seconds);

    static constexpr int RATE_VIDEO[] = {2, 5, 10, 60};
    static constexpr int RATE_VIDEO_LENGTH = 4;
    int rateIndexForward() const { return rateI_; }
    int rateIndexBackward() const { return rateJ_; }

public slots:
    // Resets both rate steps, then plays or pauses.
    void playOrPause();
    // Pauses, or plays at 1x (from 0 when the file has played to its end).
    void execPlayOrPause();
    void stopVideo();
    void forwardRate();
    void backwardRate();
    // While paused, shows the next (`direction` > 0) or previous frame exactly; at the
    // first or last frame, or while playing, nothing happens. True when it stepped.
    bool stepFrame(int direction);
    void slowerRate() { stepRateLadder(-1); }
    void fasterRate() { stepRateLadder(1); }

signals:
    void timeChanged(double seconds);
    // A seek to `seconds` was asked for; the tick with the time landed on follows.
    void seeking(double seconds);
    // Every camera shows the picture of the seek asked for last.
    void landed(double seconds);
    void durationChanged(double seconds);
    void playbackStateChanged(MediaEngine::PlaybackState state);
    void rateChanged(double rate);
    void rateStepped(int rate);
    void rateLadderStepped(double rate);
    void volumeChanged(float volume);
    void ended();
    void stopped();
    void setUpFinished(bool playable);
    // Another file was opened, or the open one closed (an empty url).
    void sourceChanged(const QUrl &url);
    // A camera's state changed (0 the main one).
    void cameraStatusChanged(int camera, MediaEngine::CameraStatus status);
    // The probe of the moment's files is done: cameraInfo() tells what each holds.
    void camerasProbed();

private:
    template <typename F> void onWorker(F &&f);
    void setState(PlaybackState s);
    void setRate(double rate);
    void stepRateLadder(int direction);
    void askSeek(double seconds, EngineRules::Gesture gesture, std::optional<double> shown = std::nullopt);
    void onFrame(int camera, quint64 generation, double seconds);
    void setCameraStatus(int camera, CameraStatus status);

    Settings &settings_;
    QThread thread_;
    FrameHub *hub_ = nullptr;
    MediaPipeline *worker_ = nullptr;
    QPointer<QVideoSink> mainSink_;
    struct CameraState {
        QString file;
        QPointer<QVideoSink> sink;
        double offset = 0;
        CameraStatus status = CameraStatus::Opening;
        double time = 0;
        CameraInfo info;
    };
    std::vector<CameraState> cameras_;
    QUrl source_;
    quint64 generation_ = 0;
    quint64 serial_ = 0;       // of the seek asked for last
    bool seeking_ = false;     // it has not landed yet
    std::optional<double> stepFrom_;   // the pipeline's time while paused, when known exactly
    bool opened_ = false;
    bool ready_ = false;
    bool atEnd_ = false;
    PlaybackState state_ = StoppedState;
    double rate_ = 1;
    double chosenRate_ = 1;    // held across the clips of a trip
    double position_ = 0;
    double duration_ = 0;
    float volume_ = 1;
    int rateI_ = 0;
    int rateJ_ = 0;
};
