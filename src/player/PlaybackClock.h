// The periodic time observer over a QMediaPlayer: ticks on the main thread with the
// media time in seconds. While media time advances it ticks on every frame the video
// sink shows and at least every tickIntervalMs by timer (the backend's own position
// signal comes only ten times a second); one tick when playback starts or stops (and
// one more for a frame the engine still puts up after the pause), one after every seek, and exactly one tick at the end of the media whose time equals
// duration() exactly (the backend reports its end 1 ms short).
// The time is the presentation time of the frame on screen (between frames, advanced
// by the wall clock times the rate): the backend's position query can trail the
// picture by most of a second on a loaded machine. Without timed frames it falls back
// to the position.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

class QMediaPlayer;
class QVideoFrame;
class QVideoSink;

class PlaybackClock : public QObject {
    Q_OBJECT
public:
    explicit PlaybackClock(QObject *parent = nullptr);
    ~PlaybackClock() override;

    // Installs the observer on `player` (frames from `sink` when given). Ticks only
    // flow while installed.
    void install(QMediaPlayer *player, QVideoSink *sink);
    void remove();
    bool isInstalled() const { return !player_.isNull(); }

    // The media time in seconds: the duration exactly once the end has been reached.
    double currentTime() const;
    // The duration in seconds (0 when unknown).
    double duration() const;
    bool atEnd() const { return atEnd_; }

    // Seeks to `seconds` rounded to the nearest whole second, exactly; the jump tick
    // follows from the event loop with the time landed on.
    void seek(double seconds);
    // Seeks to `seconds` to the millisecond, the same way.
    void seekExact(double seconds);
    // Seeks to `ms` as given (a frame step), the same way.
    void seekExactMs(qint64 ms);

    // The time of an ordinary (not end) tick: the reported position clamped into
    // [0, duration - 1 ms] so that only the end tick can equal the duration, and
    // kept from stepping back against the direction of play by less than `slack`
    // seconds (the backend's position wobbles by a frame around seeks and rate
    // changes). `previous` is NaN when there is no previous tick to hold to.
    static double tickTime(double reported, double duration, double previous, double rate,
                           double slack = 0.25);
    // Whether a frame ending at `frameEndUs` (microseconds, negative when unknown) is
    // the last one of media lasting `durationMs`: it reaches the duration to within a
    // millisecond.
    static bool isLastFrame(qint64 frameEndUs, qint64 durationMs);
    // The whole-second target of a seek to `seconds` (half-way rounds away from zero).
    static qint64 seekTargetMs(double seconds);

    static constexpr int tickIntervalMs = 15;

signals:
    void tick(double seconds);

private:
    void onFrame(const QVideoFrame &frame);
    double mediaTime() const;
    void onTimer();
    void onPlaybackState(int state);
    void onMediaStatus(int status);
    void settleStop();
    void ordinaryTick();
    void deliverEnd();
    void emitTick(double t);
    void seekToMs(qint64 ms);

    QPointer<QMediaPlayer> player_;
    QPointer<QVideoSink> sink_;
    QList<QMetaObject::Connection> connections_;
    QTimer timer_;
    QElapsedTimer sinceTick_;
    QElapsedTimer sinceFrame_;
    double frameTime_ = 0.0;      // presentation time of the frame on screen
    bool haveFrame_ = false;
    bool awaitingSeek_ = false;   // frames from before the last seek are ignored
    double seekTarget_ = 0.0;
    double last_ = 0.0;
    bool haveLast_ = false;
    bool atEnd_ = false;
    bool endDelivered_ = false;
    bool playing_ = false;
    bool paused_ = false;         // paused by the user, no seek since
    quint64 generation_ = 0;
};
