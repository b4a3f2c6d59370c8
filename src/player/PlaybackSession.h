// One file's playback without any widget: the media engine and its playback clock.
// It knows no panel: every clock tick is a timeChanged, the tick whose time equals the
// duration ends the file (ended), and whoever follows the playback (the player's view,
// the drive's telemetry, the play queue) listens. Also the rate steps, seeking and the
// volume with its stored level.
// Above the rate the decoder sustains (PlaybackSteps::byKeyFrames) the session skims:
// the engine stays paused, the session runs the clock itself (the time it started
// from plus the rate times the wall time since) and seeks the engine to the key frame
// under the clock each time the last one is on screen, so every seek decodes a single
// frame.
#pragma once

#include "PlaybackSteps.h"

#include <QElapsedTimer>
#include <QMediaPlayer>
#include <QObject>
#include <QTimer>
#include <QUrl>

#include <optional>
#include <vector>

class QAudioOutput;
class QVideoSink;
class PlaybackClock;
class Settings;

class PlaybackSession : public QObject {
    Q_OBJECT
public:
    // The volume is kept in `settings`.
    explicit PlaybackSession(Settings &settings, QObject *parent = nullptr);
    ~PlaybackSession() override;

    // Where the pictures go: a QVideoWidget, a QVideoSink, or null. The clock follows
    // the frames of its sink.
    void setVideoOutput(QObject *output);
    QVideoSink *videoSink() const;

    // Starts playing the file at once; the set-up ends once it is loaded (stopped again
    // when it turns out not playable).
    void openClip(const QUrl &url);
    // Stops and tears down the current file; harmless when nothing is open.
    void close();
    // Closes the current file and opens `url`.
    void playUrl(const QUrl &url);

    // Seconds; 0 without a playable file. Setting it seeks to the nearest whole second.
    double currentTime() const;
    void setCurrentTime(double seconds);
    // Seeks to `seconds` to the millisecond (clamped into the file), not rounded.
    void seekExact(double seconds);
    // A click or a drag to `seconds`: the key frame before it is on screen after one
    // decode, then the exact frame; while `dragging`, key frames only, a new one once
    // the last is on screen, and the clock says `seconds` meanwhile.
    void showAt(double seconds, bool dragging = false);
    // The file's duration in seconds once it is ready to play, else 0.
    double duration() const;
    // Seconds from one frame to the next, from the stream's frame rate (1/30 when the
    // stream does not say).
    double frameDuration() const;
    // 0.0 .. 1.0; setting it stores "volume" at once.
    float volume() const;
    void setVolume(float v);

    // The clock tick: timeChanged, then the end-of-file test.
    void tick(double seconds);

    // The playing engine once a file has been set up (stays, without media, after close).
    QMediaPlayer *player() const;
    bool isAddVideoFile() const { return isAddVideoFile_; }
    // The current file is set up and ready to play.
    bool isReady() const { return ready_; }
    bool isPlaying() const;
    // Playing while skimming, though the engine is paused then.
    QMediaPlayer::PlaybackState playbackState() const;
    // The rate playing now, or that play resumes at (the engine's unless skimming).
    double rate() const;
    // The rate last requested through the controls (0 while paused).
    double requestedRate() const;
    bool isSkimming() const { return skimRate_ != 0; }

    // The fast and reverse step tables and their indices.
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
    // One rung down or up the rate ladder (0.25, 0.5, 1, 2, 5, 10, 60) from the rate
    // playing now, and plays at it; nothing past either end.
    void slowerRate() { stepRateLadder(-1); }
    void fasterRate() { stepRateLadder(1); }

signals:
    // Every clock tick (seconds).
    void timeChanged(double seconds);
    // A seek to `seconds` was asked for; the tick with the time landed on follows.
    void seeking(double seconds);
    // The file's duration when its set-up succeeded; 0 when it is closed.
    void durationChanged(double seconds);
    void playbackStateChanged(QMediaPlayer::PlaybackState state);
    void rateChanged(double rate);
    // A fast or reverse step was taken: the rate it asked for (2, -5, ...).
    void rateStepped(int rate);
    // A step on the slow/fast ladder was taken: the rate it asked for (0.25, 0.5, 1, 2 …).
    void rateLadderStepped(double rate);
    void volumeChanged(float volume);
    // The tick at the end of the file has been told.
    void ended();
    // Stop was asked for: the file is paused at its start.
    void stopped();
    // The set-up of the file ended: true when it plays, false when it was not playable.
    void setUpFinished(bool playable);

private:
    void onMediaStatus(QMediaPlayer::MediaStatus status);
    void failSetUp();
    void setUpPlaybackOfAsset();
    void removeObserver();
    void setRate(double rate);
    void skimAt(double rate, double from);
    // The clip's width x height x frame rate (30 fps when not said); 0 before its size is known.
    double pixelsPerSecond() const;
    void stopSkimming();
    void skimTick();
    void showKeyFrame(double seconds);
    void stepRateLadder(int direction);
    float storedVolume() const;
    void readKeyFrames();
    bool nextPictureSeek();
    void pictureShown(double seconds);
    void dropPictureSeek();
    bool previewing() const { return pictureSeek_.kind == PictureSeek::KeyFrame; }

    Settings &settings_;
    QMediaPlayer *engine_ = nullptr;
    QAudioOutput *audio_ = nullptr;
    PlaybackClock *clock_ = nullptr;
    double chosenRate_ = 1.0;   // held across the clips of a trip
    static constexpr int kSkimTickMs = 30;
    // A key frame's picture not come by then is given up for the next one.
    static constexpr int kKeyFrameWaitMs = 500;
    QUrl source_;
    QMetaObject::Connection frameShown_;
    QTimer skimTimer_;
    QElapsedTimer skimSince_;
    double skimRate_ = 0;       // 0 when not skimming
    double skimFrom_ = 0;
    double skimTime_ = 0;       // the clock while skimming
    std::optional<double> heldTime_;   // where skimming stopped, until the next seek or play
    std::vector<double> keyFrames_;
    bool keyFramesRead_ = false;
    double keyShown_ = -1;      // the key frame asked for last
    bool keyPending_ = false;   // its picture has not come yet
    QElapsedTimer keyAsked_;
    double keyLatency_ = 0;     // seconds the last key frame took to come
    // A click or drag: where the user wants to be, the seek asked for last and whether
    // its picture is still to come.
    std::optional<double> wanted_;
    double previewTime_ = 0;
    bool wantedDragging_ = false;
    PictureSeek pictureSeek_;
    bool pictureInFlight_ = false;
    QTimer pictureWait_;
    int rateI_ = 0;
    int rateJ_ = 0;
    bool isAddVideoFile_ = false;
    bool loading_ = false;
    bool playerBuilt_ = false;   // a set-up has succeeded once
    bool ready_ = false;         // the current file is set up and ready to play
    bool observing_ = false;     // the clock observer is installed for the current file
};
