#include "PlaybackClock.h"

#include <QMediaPlayer>
#include <QVideoFrame>
#include <QVideoSink>

#include <cmath>
#include <limits>

PlaybackClock::PlaybackClock(QObject *parent) : QObject(parent)
{
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(tickIntervalMs);
    connect(&timer_, &QTimer::timeout, this, &PlaybackClock::onTimer);
}

PlaybackClock::~PlaybackClock() = default;

void PlaybackClock::install(QMediaPlayer *player, QVideoSink *sink)
{
    remove();
    if (!player)
        return;
    player_ = player;
    sink_ = sink;
    atEnd_ = false;
    endDelivered_ = false;
    haveLast_ = false;
    playing_ = player->playbackState() == QMediaPlayer::PlayingState;
    connections_ << connect(player, &QMediaPlayer::playbackStateChanged, this,
                            [this](QMediaPlayer::PlaybackState s) { onPlaybackState(int(s)); });
    connections_ << connect(player, &QMediaPlayer::mediaStatusChanged, this,
                            [this](QMediaPlayer::MediaStatus s) { onMediaStatus(int(s)); });
    haveFrame_ = false;
    awaitingSeek_ = false;
    if (sink) {
        connections_ << connect(sink, &QVideoSink::videoFrameChanged, this, &PlaybackClock::onFrame);
        onFrame(sink->videoFrame());
    }
    if (playing_)
        timer_.start();
    sinceTick_.start();
}

void PlaybackClock::remove()
{
    for (const auto &c : std::as_const(connections_))
        disconnect(c);
    connections_.clear();
    timer_.stop();
    player_.clear();
    sink_.clear();
    playing_ = false;
    paused_ = false;
    haveFrame_ = false;
    awaitingSeek_ = false;
    ++generation_;
}

double PlaybackClock::duration() const
{
    return player_ ? double(player_->duration()) / 1000.0 : 0.0;
}

double PlaybackClock::currentTime() const
{
    if (!player_)
        return 0.0;
    if (atEnd_)
        return player_->playbackRate() < 0 ? 0.0 : duration();
    if (!playing_ && haveLast_)
        return last_;
    const double d = duration();
    double t = std::max(0.0, mediaTime());
    if (d > 0)
        t = std::min(t, d - 0.001);
    return t;
}

double PlaybackClock::mediaTime() const
{
    if (awaitingSeek_)
        return sinceFrame_.elapsed() < 500 ? seekTarget_ : double(player_->position()) / 1000.0;
    const double rate = player_->playbackRate();
    // Frames stalled for a while (the backend skipping at high rates): the position.
    if (!haveFrame_ || (playing_ && sinceFrame_.elapsed() > 250))
        return double(player_->position()) / 1000.0;
    if (!playing_)
        return frameTime_;
    const double lead = std::clamp(double(sinceFrame_.elapsed()) / 1000.0 * rate, -0.1, 0.1);
    return frameTime_ + lead;
}

qint64 PlaybackClock::seekTargetMs(double seconds)
{
    if (!std::isfinite(seconds))
        return 0;
    return qint64(std::llround(seconds)) * 1000;
}

double PlaybackClock::tickTime(double reported, double duration, double previous, double rate,
                               double slack)
{
    double t = std::isfinite(reported) ? std::max(0.0, reported) : 0.0;
    if (duration > 0)
        t = std::min(t, std::max(0.0, duration - 0.001));
    if (std::isfinite(previous)) {
        if (rate > 0 && t < previous && previous - t < slack)
            t = previous;
        else if (rate < 0 && t > previous && t - previous < slack)
            t = previous;
    }
    return t;
}

void PlaybackClock::seek(double seconds)
{
    seekToMs(seekTargetMs(seconds));
}

void PlaybackClock::seekExact(double seconds)
{
    seekToMs(std::isfinite(seconds) ? qint64(std::llround(seconds * 1000.0)) : 0);
}

void PlaybackClock::seekExactMs(qint64 ms)
{
    seekToMs(ms);
}

void PlaybackClock::seekToMs(qint64 ms)
{
    if (!player_)
        return;
    ms = std::max<qint64>(0, ms);
    atEnd_ = false;
    endDelivered_ = false;
    haveLast_ = false;
    paused_ = false;
    awaitingSeek_ = true;
    seekTarget_ = double(ms) / 1000.0;
    sinceFrame_.start();
    player_->setPosition(ms);
    // A seek from the end before the engine has stopped by itself plays on from there.
    if (!playing_ && player_->playbackState() == QMediaPlayer::PlayingState) {
        playing_ = true;
        timer_.start();
    }
    const quint64 gen = ++generation_;
    // The jump tick comes from the event loop, after the seek has been handed to the
    // pipeline, so that callers see the requested time until then.
    QTimer::singleShot(0, this, [this, gen, ms] {
        if (gen != generation_ || !player_ || atEnd_)
            return;
        emitTick(tickTime(double(ms) / 1000.0, duration(), std::numeric_limits<double>::quiet_NaN(),
                          player_->playbackRate()));
    });
}

void PlaybackClock::onFrame(const QVideoFrame &frame)
{
    if (!player_)
        return;
    const qint64 us = frame.isValid() ? frame.startTime() : -1;
    if (us < 0) {
        haveFrame_ = false;
    } else {
        const double t = double(us) / 1e6;
        if (awaitingSeek_) {
            // A frame decoded before the seek may still be on its way.
            const double reach = 0.5 + std::abs(player_->playbackRate()) * double(sinceFrame_.elapsed()) / 1000.0;
            if (std::abs(t - seekTarget_) > reach)
                return;
            awaitingSeek_ = false;
        }
        frameTime_ = t;
        haveFrame_ = true;
        sinceFrame_.restart();
        // The engine can still put up the next frame after the pause tick: the time
        // held follows the picture, or a frame step would show that frame again, and
        // a tick tells the panels and the timeline, which show that frame's moment.
        if (!playing_ && paused_ && haveLast_ && !atEnd_ && t > last_ && player_->playbackRate() > 0)
            emitTick(t);
    }
    if (!playing_)
        return;
    // The last frame on screen is the end: the backend's own end-of-media comes a
    // third of a second later, which would hold up the next clip of a trip.
    if (player_->playbackRate() > 0 && frame.isValid() && isLastFrame(frame.endTime(), player_->duration())) {
        deliverEnd();
        return;
    }
    ordinaryTick();
}

bool PlaybackClock::isLastFrame(qint64 frameEndUs, qint64 durationMs)
{
    return frameEndUs >= 0 && durationMs > 0 && frameEndUs + 1000 >= durationMs * 1000;
}

void PlaybackClock::onTimer()
{
    if (playing_ && sinceTick_.elapsed() >= tickIntervalMs - 3)
        ordinaryTick();
}

void PlaybackClock::onPlaybackState(int state)
{
    switch (state) {
    case QMediaPlayer::PlayingState:
        playing_ = true;
        paused_ = false;
        atEnd_ = false;
        endDelivered_ = false;
        if (haveFrame_)
            sinceFrame_.restart();
        timer_.start();
        ordinaryTick();
        break;
    case QMediaPlayer::PausedState:
        // The pause tick does not step back behind the last tick (the frame left on
        // screen can be a few milliseconds older than the interpolated time).
        playing_ = false;
        paused_ = true;
        timer_.stop();
        ordinaryTick();
        break;
    default: {
        // The backend reports "stopped" before "end of media": settle which it was
        // once both have arrived.
        playing_ = false;
        timer_.stop();
        const quint64 gen = generation_;
        QTimer::singleShot(0, this, [this, gen] {
            if (gen == generation_)
                settleStop();
        });
        break;
    }
    }
}

void PlaybackClock::onMediaStatus(int status)
{
    if (status == QMediaPlayer::EndOfMedia)
        deliverEnd();
}

void PlaybackClock::settleStop()
{
    if (!player_)
        return;
    if (player_->mediaStatus() == QMediaPlayer::EndOfMedia) {
        deliverEnd();
        return;
    }
    if (!atEnd_) {
        haveLast_ = false;
        ordinaryTick();
    }
}

void PlaybackClock::ordinaryTick()
{
    if (!player_ || atEnd_)
        return;
    const double rate = player_->playbackRate();
    const double previous = haveLast_ ? last_ : std::numeric_limits<double>::quiet_NaN();
    const double t = tickTime(mediaTime(), duration(), previous, rate);
    if (playing_ && haveLast_ && t == last_)
        return;
    emitTick(t);
}

void PlaybackClock::deliverEnd()
{
    if (!player_ || endDelivered_)
        return;
    endDelivered_ = true;
    atEnd_ = true;
    playing_ = false;
    timer_.stop();
    // Reverse play ends at the start of the media, which is not the end of the file.
    emitTick(player_->playbackRate() < 0 ? 0.0 : duration());
}

void PlaybackClock::emitTick(double t)
{
    last_ = t;
    haveLast_ = true;
    sinceTick_.restart();
    emit tick(t);
}
