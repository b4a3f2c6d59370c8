#include "PlaybackSession.h"

#include "KeyFrames.h"
#include "PlaybackClock.h"
#include "PlaybackSteps.h"
#include "common/Settings.h"

#include <QAudioOutput>
#include <QFile>
#include <QMediaMetaData>
#include <QSize>
#include <QVideoFrame>
#include <QVideoSink>

#include <algorithm>
#include <cmath>

PlaybackSession::PlaybackSession(Settings &settings, QObject *parent) : QObject(parent), settings_(settings)
{
    engine_ = new QMediaPlayer(this);
    audio_ = new QAudioOutput(this);
    engine_->setAudioOutput(audio_);
    audio_->setVolume(storedVolume());
    clock_ = new PlaybackClock(this);

    connect(engine_, &QMediaPlayer::mediaStatusChanged, this, &PlaybackSession::onMediaStatus);
    connect(engine_, &QMediaPlayer::playbackStateChanged, this, &PlaybackSession::playbackStateChanged);
    connect(engine_, &QMediaPlayer::playbackRateChanged, this, &PlaybackSession::rateChanged);
    // While skimming the session runs the clock; the engine's own ticks would pull it back.
    connect(clock_, &PlaybackClock::tick, this, [this](double t) {
        // Until the exact frame is asked for, a click's key frame stands for the time wanted.
        if (!isSkimming())
            tick(previewing() ? previewTime_ : t);
    });
    pictureWait_.setSingleShot(true);
    pictureWait_.setInterval(kKeyFrameWaitMs);
    connect(&pictureWait_, &QTimer::timeout, this, [this] {
        pictureInFlight_ = false;
        nextPictureSeek();
    });
    skimTimer_.setTimerType(Qt::PreciseTimer);
    skimTimer_.setInterval(kSkimTickMs);
    connect(&skimTimer_, &QTimer::timeout, this, &PlaybackSession::skimTick);
}

PlaybackSession::~PlaybackSession()
{
    clock_->remove();
    // Destroying a loaded or paused engine aborts inside the GStreamer video output:
    // stop and unload it first.
    engine_->stop();
    engine_->setSource(QUrl());
    engine_->setVideoOutput(nullptr);
}

void PlaybackSession::setVideoOutput(QObject *output)
{
    engine_->setVideoOutput(output);
    disconnect(frameShown_);
    // The next key frame is asked for once the last one is on screen.
    if (QVideoSink *sink = engine_->videoSink())
        frameShown_ = connect(sink, &QVideoSink::videoFrameChanged, this, [this](const QVideoFrame &frame) {
            if (keyPending_)
                keyLatency_ = std::min(0.25, double(keyAsked_.elapsed()) / 1000.0);
            keyPending_ = false;
            if (pictureInFlight_)
                pictureShown(frame.isValid() && frame.startTime() >= 0 ? double(frame.startTime()) / 1e6 : -1);
        });
}

QVideoSink *PlaybackSession::videoSink() const
{
    return engine_->videoSink();
}

float PlaybackSession::storedVolume() const
{
    return float(settings_.volume());
}

// ---------------------------------------------------------------------------------
// Opening, set-up, tear-down

void PlaybackSession::openClip(const QUrl &url)
{
    if (url.isEmpty())
        return;
    isAddVideoFile_ = true;

    // A file still playing is stopped before the engine takes the new one.
    removeObserver();
    stopSkimming();
    dropPictureSeek();
    heldTime_.reset();
    source_ = url;
    keyFrames_.clear();
    keyFramesRead_ = false;
    ready_ = false;
    loading_ = true;
    engine_->stop();
    engine_->setSource(url);
    // Skimming backwards ends at a clip's start; the next clip opened plays forwards.
    if (chosenRate_ < 0) {
        chosenRate_ = 1.0;
        rateJ_ = 0;
    }
    // Playing at once shows the first frame within a few frames' time; waiting for
    // "loaded" first costs over half a second with the GStreamer backend, a pause
    // between the clips of a trip. A file that turns out unplayable is stopped then.
    engine_->setPlaybackRate(1.0);
    engine_->play();
    // An unreadable or empty source is judged at once by some backends.
    if (engine_->mediaStatus() == QMediaPlayer::InvalidMedia)
        onMediaStatus(QMediaPlayer::InvalidMedia);
}

void PlaybackSession::onMediaStatus(QMediaPlayer::MediaStatus status)
{
    if (!loading_)
        return;
    if (status == QMediaPlayer::LoadedMedia) {
        loading_ = false;
        if (!engine_->hasVideo() || !engine_->isAvailable())
            failSetUp();
        else
            setUpPlaybackOfAsset();
    } else if (status == QMediaPlayer::InvalidMedia) {
        loading_ = false;
        failSetUp();
    }
}

void PlaybackSession::failSetUp()
{
    engine_->stop();
    engine_->setSource(QUrl());
    emit setUpFinished(false);
}

void PlaybackSession::setUpPlaybackOfAsset()
{
    playerBuilt_ = true;
    ready_ = true;

    const double d = duration();
    emit durationChanged(d);

    clock_->install(engine_, engine_->videoSink());
    observing_ = true;

    audio_->setVolume(storedVolume());
    emit volumeChanged(audio_->volume());

    // The rate chosen holds from clip to clip until the user changes it.
    if (PlaybackSteps::byKeyFrames(chosenRate_, pixelsPerSecond())) {
        skimAt(chosenRate_, 0.0);
    } else {
        engine_->setPlaybackRate(chosenRate_);
        engine_->play();
    }
    emit setUpFinished(true);
}

void PlaybackSession::removeObserver()
{
    if (observing_) {
        clock_->remove();
        observing_ = false;
    }
}

void PlaybackSession::close()
{
    if (isAddVideoFile_) {
        loading_ = false;
        stopSkimming();
        dropPictureSeek();
        heldTime_.reset();
        removeObserver();
        engine_->pause();
        engine_->stop();
        engine_->setSource(QUrl());
        ready_ = false;
        emit durationChanged(0.0);
    }
    isAddVideoFile_ = false;
}

void PlaybackSession::playUrl(const QUrl &url)
{
    close();
    openClip(url);
}

QMediaPlayer *PlaybackSession::player() const
{
    return playerBuilt_ ? engine_ : nullptr;
}

bool PlaybackSession::isPlaying() const
{
    if (isSkimming())
        return true;
    // The end comes with the last frame, a moment before the engine stops by itself.
    return engine_->playbackState() == QMediaPlayer::PlayingState && !(observing_ && clock_->atEnd());
}

QMediaPlayer::PlaybackState PlaybackSession::playbackState() const
{
    return isSkimming() ? QMediaPlayer::PlayingState : engine_->playbackState();
}

double PlaybackSession::rate() const
{
    return isSkimming() ? skimRate_ : engine_->playbackRate();
}

double PlaybackSession::requestedRate() const
{
    if (!player() || !isPlaying())
        return 0.0;
    return rate();
}

// ---------------------------------------------------------------------------------
// Clock and time

void PlaybackSession::tick(double t)
{
    emit timeChanged(t);
    if (duration() == t)
        emit ended();
}

double PlaybackSession::currentTime() const
{
    if (!player() || !ready_)
        return 0.0;
    if (isSkimming())
        return skimTime_;
    if (heldTime_)
        return *heldTime_;
    if (previewing())
        return previewTime_;
    return clock_->currentTime();
}

void PlaybackSession::setCurrentTime(double seconds)
{
    if (!player() || !ready_)
        return;
    heldTime_.reset();
    dropPictureSeek();
    if (isSkimming()) {
        const double d = duration();
        skimAt(skimRate_, std::clamp(double(PlaybackClock::seekTargetMs(seconds)) / 1000.0, 0.0, std::max(0.0, d - 0.001)));
        emit seeking(seconds);
        return;
    }
    clock_->seek(seconds);
    emit seeking(seconds);
}

void PlaybackSession::seekExact(double seconds)
{
    if (!player() || !ready_ || !std::isfinite(seconds))
        return;
    seconds = std::clamp(seconds, 0.0, std::max(0.0, duration() - 0.001));
    heldTime_.reset();
    dropPictureSeek();
    if (isSkimming()) {
        skimAt(skimRate_, seconds);
        emit seeking(seconds);
        return;
    }
    clock_->seekExact(seconds);
    emit seeking(seconds);
}

void PlaybackSession::showAt(double seconds, bool dragging)
{
    if (!player() || !ready_ || !std::isfinite(seconds))
        return;
    // To the millisecond, as the exact seek lands.
    seconds = std::clamp(std::round(seconds * 1000.0) / 1000.0, 0.0, std::max(0.0, duration() - 0.001));
    if (isSkimming()) {
        seekExact(seconds);
        return;
    }
    readKeyFrames();
    heldTime_.reset();
    wanted_ = seconds;
    wantedDragging_ = dragging;
    previewTime_ = seconds;
    emit seeking(seconds);
    // A seek asked for ticks by itself; the followers hear of a drag within a key
    // frame's stretch too.
    if (!nextPictureSeek() && previewing())
        tick(seconds);
}

bool PlaybackSession::nextPictureSeek()
{
    if (!wanted_)
        return false;
    const PictureSeek next =
        PlaybackSteps::nextSeek(*wanted_, keyFrames_, pictureInFlight_, wantedDragging_, pictureSeek_);
    if (next.kind == PictureSeek::None) {
        if (!pictureInFlight_ && !wantedDragging_)
            wanted_.reset();
        return false;
    }
    pictureSeek_ = next;
    pictureInFlight_ = true;
    pictureWait_.start();
    if (next.kind == PictureSeek::Exact) {
        if (!wantedDragging_)
            wanted_.reset();
        clock_->seekExact(next.seconds);
    } else {
        clock_->seekExactMs(PlaybackSteps::frameSeekMs(next.seconds));
    }
    return true;
}

void PlaybackSession::pictureShown(double seconds)
{
    // A frame decoded before the seek may still come: only the one asked for counts.
    if (seconds >= 0 && std::abs(seconds - pictureSeek_.seconds) > frameDuration() + 0.002)
        return;
    pictureInFlight_ = false;
    pictureWait_.stop();
    // Not from within the sink's signal: a seek asked for there, while the engine
    // plays, leaves the engine on that frame.
    QTimer::singleShot(0, this, [this] {
        if (!pictureInFlight_)
            nextPictureSeek();
    });
}

void PlaybackSession::dropPictureSeek()
{
    wanted_.reset();
    wantedDragging_ = false;
    pictureSeek_ = {};
    pictureInFlight_ = false;
    pictureWait_.stop();
}

double PlaybackSession::duration() const
{
    if (!ready_)
        return 0.0;
    return double(engine_->duration()) / 1000.0;
}

double PlaybackSession::frameDuration() const
{
    const double fps = engine_->metaData().value(QMediaMetaData::VideoFrameRate).toDouble();
    return fps > 0 && fps < 1000 ? 1.0 / fps : 1.0 / 30.0;
}

bool PlaybackSession::stepFrame(int direction)
{
    if (!player() || !ready_ || isPlaying())
        return false;
    const std::optional<double> target =
        PlaybackSteps::frameTarget(currentTime(), frameDuration(), duration(), direction);
    if (!target)
        return false;
    heldTime_.reset();
    dropPictureSeek();
    clock_->seekExactMs(PlaybackSteps::frameSeekMs(*target));
    emit seeking(*target);
    return true;
}

// ---------------------------------------------------------------------------------
// Transport

void PlaybackSession::playOrPause()
{
    rateI_ = 0;
    rateJ_ = 0;
    chosenRate_ = 1.0;
    execPlayOrPause();
}

void PlaybackSession::execPlayOrPause()
{
    if (!player() || !ready_)
        return;
    if (isSkimming()) {
        // The picture becomes the exact frame under the clock.
        const double at = skimTime_;
        stopSkimming();
        clock_->seekExact(at);
        emit playbackStateChanged(QMediaPlayer::PausedState);
    } else if (isPlaying()) {
        engine_->pause();
    } else {
        if (currentTime() == duration())
            setCurrentTime(0);
        setRate(1.0);
    }
}

void PlaybackSession::setRate(double rate)
{
    chosenRate_ = rate;
    if (PlaybackSteps::byKeyFrames(rate, pixelsPerSecond())) {
        const double at = currentTime();
        skimAt(rate, rate > 0 && at >= duration() ? 0.0 : at);
        return;
    }
    const bool skimmed = isSkimming();
    if (skimmed || heldTime_) {
        const double at = skimmed ? skimTime_ : *heldTime_;
        stopSkimming();
        heldTime_.reset();
        clock_->seekExact(at);
    }
    engine_->setPlaybackRate(rate);
    if (skimmed)
        emit rateChanged(rate);
    if (!isPlaying())
        engine_->play();
}

// ---------------------------------------------------------------------------------
// Skimming

double PlaybackSession::pixelsPerSecond() const
{
    QSize size = engine_->metaData().value(QMediaMetaData::Resolution).toSize();
    if (size.isEmpty() && engine_->videoSink())
        size = engine_->videoSink()->videoSize();
    const double fps = engine_->metaData().value(QMediaMetaData::VideoFrameRate).toDouble();
    return size.isEmpty() ? 0.0 : double(size.width()) * size.height() * (fps > 0 ? fps : 30.0);
}

void PlaybackSession::readKeyFrames()
{
    if (!keyFramesRead_) {
        keyFrames_ = KeyFrames::ofFile(QFile::encodeName(source_.toLocalFile()).toStdString());
        keyFramesRead_ = true;
    }
}

void PlaybackSession::skimAt(double rate, double from)
{
    readKeyFrames();
    dropPictureSeek();
    const bool was = isSkimming();
    heldTime_.reset();
    skimRate_ = rate;
    skimFrom_ = from;
    skimTime_ = from;
    skimSince_.start();
    keyPending_ = false;
    if (!was) {
        // The first key frame is asked for before the rate and the pause change: a
        // seek right after either waits for it to settle, which holds the window for
        // a third of a second. Seeks carry the engine's rate, and a reverse one would
        // decode whole key-frame intervals backwards: the rate goes back to 1 at once.
        showKeyFrame(from);
        if (engine_->playbackRate() != 1.0)
            engine_->setPlaybackRate(1.0);
        engine_->pause();
        skimTimer_.start();
        emit playbackStateChanged(QMediaPlayer::PlayingState);
    }
    emit rateChanged(rate);
}

void PlaybackSession::stopSkimming()
{
    skimTimer_.stop();
    skimRate_ = 0;
    keyShown_ = -1;
    keyPending_ = false;
}

void PlaybackSession::skimTick()
{
    if (!isSkimming())
        return;
    const double d = duration();
    const double t = skimFrom_ + skimRate_ * double(skimSince_.elapsed()) / 1000.0;
    if (skimRate_ > 0 && t >= d) {
        stopSkimming();
        heldTime_ = d;
        emit playbackStateChanged(QMediaPlayer::PausedState);
        tick(d);   // the end: the next clip may open from here
        return;
    }
    if (skimRate_ < 0 && t <= 0) {
        // Like reverse play, skimming back stops at the start without ending the file.
        stopSkimming();
        clock_->seekExact(0.0);
        emit playbackStateChanged(QMediaPlayer::PausedState);
        return;
    }
    skimTime_ = std::clamp(t, 0.0, std::max(0.0, d - 0.001));
    showKeyFrame(skimTime_);
    tick(skimTime_);
}

void PlaybackSession::showKeyFrame(double seconds)
{
    // One seek at a time: a seek asked for before the last picture came would flush
    // it, and at high rates no picture would ever come.
    if (keyPending_ && keyAsked_.isValid() && keyAsked_.elapsed() < kKeyFrameWaitMs)
        return;
    // Aimed where the clock will be once the picture is up, as long as the last took.
    const double d = std::max(0.0, duration() - 0.001);
    const double aim = std::clamp(seconds + skimRate_ * keyLatency_, 0.0, d);
    const double key = std::clamp(PlaybackSteps::keyFrameFor(keyFrames_, aim, skimRate_), 0.0, d);
    if (key == keyShown_)
        return;
    keyShown_ = key;
    keyPending_ = true;
    keyAsked_.start();
    engine_->setPosition(PlaybackSteps::frameSeekMs(key));
}

void PlaybackSession::stopVideo()
{
    if (!player() || !ready_)
        return;
    if (isSkimming()) {
        stopSkimming();
        emit playbackStateChanged(QMediaPlayer::PausedState);
    }
    heldTime_.reset();
    // To the start before pausing: a seek right after a pause waits for the pause to
    // settle, holding the window for a third of a second.
    setCurrentTime(0);
    engine_->pause();
    emit stopped();
}

void PlaybackSession::forwardRate()
{
    rateJ_ = 0;
    if (!player() || !ready_)
        return;
    if (rateI_ >= RATE_VIDEO_LENGTH)
        rateI_ = 0;
    const int r = RATE_VIDEO[rateI_++];
    setRate(double(float(r)));
    emit rateStepped(r);
}

void PlaybackSession::backwardRate()
{
    rateI_ = 0;
    if (!player() || !ready_)
        return;
    if (rateJ_ >= RATE_VIDEO_LENGTH)
        rateJ_ = 0;
    const int r = -RATE_VIDEO[rateJ_++];
    setRate(double(float(r)));
    emit rateStepped(r);
}

void PlaybackSession::stepRateLadder(int direction)
{
    if (!player() || !ready_)
        return;
    const std::optional<double> rate = PlaybackSteps::rateStep(this->rate(), direction);
    if (!rate)
        return;
    rateI_ = 0;
    rateJ_ = 0;
    if (currentTime() == duration())
        setCurrentTime(0);
    setRate(*rate);
    emit rateLadderStepped(*rate);
}

float PlaybackSession::volume() const
{
    return audio_->volume();
}

void PlaybackSession::setVolume(float v)
{
    v = std::clamp(v, 0.0f, 1.0f);
    audio_->setVolume(v);
    settings_.setVolume(double(v));
    emit volumeChanged(v);
}
