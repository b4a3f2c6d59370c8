#include "MediaEngine.h"

#include "FrameHub.h"
#include "GstSetup.h"
#include "common/Settings.h"

#include <QVideoSink>

#include <algorithm>
#include <cmath>

MediaEngine::MediaEngine(Settings &settings, QObject *parent) : QObject(parent), settings_(settings)
{
    GstSetup::ensure();
    volume_ = float(std::clamp(settings_.volume(), 0.0, 1.0));
    hub_ = new FrameHub(this);
    connect(hub_, &FrameHub::frameShown, this, &MediaEngine::onFrame);
    thread_.setObjectName(QStringLiteral("media engine"));
    worker_ = new MediaPipeline(hub_, [this](std::function<void()> f) {
        QMetaObject::invokeMethod(this, std::move(f), Qt::QueuedConnection);
    });
    worker_->moveToThread(&thread_);
    MediaPipeline::Listener &l = worker_->listener;
    l.probed = [this](quint64 g, std::vector<CameraInfo> infos) {
        if (g != generation_)
            return;
        for (size_t i = 0; i < infos.size() && i < cameras_.size(); ++i) {
            cameras_[i].info = infos[i];
            if (!infos[i].playable)
                setCameraStatus(int(i), CameraStatus::NoRecording);
        }
        emit camerasProbed();
    };
    l.ready = [this](quint64 g, bool playable) {
        if (g != generation_)
            return;
        if (!playable) {
            opened_ = opened_ && false;
            ready_ = false;
            setState(StoppedState);
            emit setUpFinished(false);
            return;
        }
        ready_ = true;
        duration_ = cameras_.empty() ? 0.0 : cameras_[0].info.duration;
        emit durationChanged(duration_);
        emit volumeChanged(volume_);
        rate_ = chosenRate_;
        setState(PlayingState);
        emit rateChanged(rate_);
        emit setUpFinished(true);
    };
    l.landed = [this](quint64 serial) {
        if (serial != serial_ || !seeking_)
            return;
        seeking_ = false;
        emit landed(position_);
        tick(position_);
    };
    l.cameraLost = [this](quint64 g, int camera) {
        if (g == generation_)
            setCameraStatus(camera, CameraStatus::NoRecording);
    };
    l.cameraEnded = [this](quint64 g, int camera) {
        if (g != generation_)
            return;
        if (camera > 0) {
            setCameraStatus(camera, CameraStatus::Ended);
            return;
        }
        if (rate_ < 0) {
            // Reverse play stops at the start without ending the file.
            position_ = 0;
            rate_ = 1;
            onWorker([w = worker_] { w->pause(0.0); });
            setState(PausedState);
            emit rateChanged(rate_);
            tick(0.0);
            return;
        }
        atEnd_ = true;
        position_ = duration_;
        onWorker([w = worker_, at = duration_] { w->pause(at); });
        setState(PausedState);
        tick(duration_);
    };
    l.pacedTime = [this](quint64 g, double seconds) {
        if (g != generation_ || !isPlaying())
            return;
        position_ = seconds;
        tick(seconds);
    };
    l.pacedEnd = [this](quint64 g) {
        if (g != generation_)
            return;
        const bool forward = rate_ > 0;
        rate_ = 1;
        setState(PausedState);
        emit rateChanged(rate_);
        if (forward) {
            atEnd_ = true;
            position_ = duration_;
            tick(duration_);
        } else {
            position_ = 0;
            tick(0.0);
        }
    };
    thread_.start();
}

MediaEngine::~MediaEngine()
{
    QMetaObject::invokeMethod(worker_, [w = worker_] { delete w; }, Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
}

template <typename F> void MediaEngine::onWorker(F &&f)
{
    QMetaObject::invokeMethod(worker_, std::forward<F>(f), Qt::QueuedConnection);
}

void MediaEngine::setVideoOutput(QVideoSink *sink)
{
    mainSink_ = sink;
    hub_->setSink(0, sink);
}

QVideoSink *MediaEngine::videoSink() const
{
    return mainSink_;
}

// ---------------------------------------------------------------------------------
// Opening and closing

void MediaEngine::openClip(const QUrl &url, const QList<Camera> &others)
{
    if (url.isEmpty())
        return;
    opened_ = true;
    ready_ = false;
    atEnd_ = false;
    seeking_ = false;
    stepFrom_.reset();
    position_ = 0;
    duration_ = 0;
    source_ = url;
    ++generation_;
    hub_->setGeneration(generation_);
    cameras_.clear();
    cameras_.push_back({url.toLocalFile(), mainSink_, 0.0, CameraStatus::Opening, 0.0, {}});
    std::vector<QVideoSink *> sinks{mainSink_};
    QStringList files{url.isLocalFile() ? url.toLocalFile() : url.toString()};
    std::vector<double> offsets{0.0};
    for (const Camera &c : others) {
        cameras_.push_back({c.file, c.sink, c.offset, CameraStatus::Opening, 0.0, {}});
        sinks.push_back(c.sink);
        files << c.file;
        offsets.push_back(c.offset);
    }
    hub_->setSinks(sinks);
    // Reverse play ends at a clip's start; the next clip opened plays forwards.
    if (chosenRate_ < 0) {
        chosenRate_ = 1.0;
        rateJ_ = 0;
    }
    emit sourceChanged(url);
    onWorker([w = worker_, g = generation_, files, offsets, rate = chosenRate_, volume = double(volume_)] {
        w->open(g, files, offsets, rate, true, volume);
    });
}

void MediaEngine::close()
{
    if (opened_) {
        ++generation_;
        hub_->setGeneration(generation_);
        onWorker([w = worker_] { w->close(); });
        ready_ = false;
        seeking_ = false;
        cameras_.clear();
        source_ = QUrl();
        setState(StoppedState);
        emit sourceChanged(QUrl());
        emit durationChanged(0.0);
    }
    duration_ = 0;
    position_ = 0;
    opened_ = false;
}

void MediaEngine::playUrl(const QUrl &url, const QList<Camera> &others)
{
    close();
    openClip(url, others);
}

// ---------------------------------------------------------------------------------
// Time

void MediaEngine::tick(double seconds)
{
    for (size_t i = 1; i < cameras_.size(); ++i) {
        if (EngineRules::beforeStart(seconds, cameras_[i].offset))
            setCameraStatus(int(i), CameraStatus::NotStarted);
        else if (cameras_[i].status == CameraStatus::NotStarted)
            setCameraStatus(int(i), CameraStatus::Showing);
    }
    emit timeChanged(seconds);
    if (duration_ > 0 && duration_ == seconds)
        emit ended();
}

double MediaEngine::currentTime() const
{
    return ready_ ? position_ : 0.0;
}

double MediaEngine::duration() const
{
    return ready_ ? duration_ : 0.0;
}

double MediaEngine::frameDuration() const
{
    const double fps = cameras_.empty() ? 0.0 : cameras_[0].info.fps;
    return fps > 0 && fps < 1000 ? 1.0 / fps : 1.0 / 30.0;
}

void MediaEngine::onFrame(int camera, quint64 generation, double seconds)
{
    if (generation != generation_ || camera < 0 || size_t(camera) >= cameras_.size())
        return;
    cameras_[size_t(camera)].time = seconds;
    if (cameras_[size_t(camera)].status == CameraStatus::Opening)
        setCameraStatus(camera, CameraStatus::Showing);
    // The main camera's picture is the clock, except while a seek is on its way (the
    // time asked for stands) or the engine paces key frames (its own clock does).
    if (camera != 0 || !ready_ || seeking_ || isSkimming() || atEnd_)
        return;
    if (!isPlaying())
        return;
    position_ = std::clamp(seconds, 0.0, std::max(0.0, duration_ - 0.001));
    tick(position_);
}

void MediaEngine::askSeek(double seconds, EngineRules::Gesture gesture, std::optional<double> shown)
{
    if (!ready_ || !std::isfinite(seconds))
        return;
    seconds = std::clamp(seconds, 0.0, std::max(0.0, duration_ - 0.001));
    atEnd_ = false;
    position_ = seconds;
    seeking_ = true;
    // An exact seek while paused leaves the pipeline at the time asked for.
    if (gesture == EngineRules::Gesture::Dragging || isPlaying())
        stepFrom_.reset();
    else
        stepFrom_ = seconds;
    const quint64 serial = ++serial_;
    emit seeking(shown ? std::clamp(*shown, 0.0, duration_) : seconds);
    onWorker([w = worker_, serial, seconds, gesture] { w->seek(serial, seconds, gesture); });
}

void MediaEngine::setCurrentTime(double seconds)
{
    if (!std::isfinite(seconds))
        return;
    // The time asked for shows until the whole second lands.
    askSeek(std::round(seconds), EngineRules::Gesture::Click, seconds);
}

void MediaEngine::seekExact(double seconds)
{
    askSeek(seconds, EngineRules::Gesture::Remote);
}

void MediaEngine::showAt(double seconds, bool dragging)
{
    if (!std::isfinite(seconds))
        return;
    // To the millisecond.
    seconds = std::round(seconds * 1000.0) / 1000.0;
    askSeek(seconds, dragging ? EngineRules::Gesture::Dragging : EngineRules::Gesture::DragRelease);
}

bool MediaEngine::stepFrame(int direction)
{
    if (!ready_ || isPlaying())
        return false;
    const double frame = frameDuration();
    const std::optional<double> target = EngineRules::frameTarget(position_, frame, duration_, direction);
    if (!target)
        return false;
    // The time told is the first whole millisecond inside the frame.
    const double at = EngineRules::wholeMsInside(*target);
    if (direction < 0) {
        // Back: the exact frame.
        askSeek(at, EngineRules::Gesture::StepBack);
        return true;
    }
    atEnd_ = false;
    // Forward: the pipeline moves by one main frame's time, so every camera keeps the
    // same moment whatever its own frame rate.
    // From where the pipeline stands (the time of the exact seek or step that put the
    // picture up, else its frame's start) to a microsecond inside the next frame, so that
    // a frame's time rounded down to the nanosecond still reaches it. A step from late
    // in a frame passes the next one (measured), so from there it is an exact seek.
    const double base = stepFrom_.value_or(std::floor(position_ / frame + 0.05) * frame);
    const double into = base - std::floor(base / frame + 1e-6) * frame;
    if (into > frame / 2) {
        askSeek(at, EngineRules::Gesture::StepBack);
        return true;
    }
    double by = *target - base + 1e-6;
    if (!(by > 0) || by > 2 * frame)
        by = frame + 1e-6;
    if (stepFrom_)
        stepFrom_ = base + by;
    position_ = at;
    seeking_ = true;
    const quint64 serial = ++serial_;
    emit seeking(at);
    onWorker([w = worker_, serial, by] { w->step(serial, by); });
    return true;
}

// ---------------------------------------------------------------------------------
// Transport

void MediaEngine::setState(PlaybackState s)
{
    if (s != PausedState)
        stepFrom_.reset();   // playing moves the pipeline on
    if (state_ == s)
        return;
    state_ = s;
    emit playbackStateChanged(s);
}

void MediaEngine::playOrPause()
{
    rateI_ = 0;
    rateJ_ = 0;
    chosenRate_ = 1.0;
    execPlayOrPause();
}

void MediaEngine::execPlayOrPause()
{
    if (!ready_)
        return;
    if (isPlaying()) {
        const double at = position_;
        stepFrom_.reset();
        onWorker([w = worker_, at] { w->pause(at); });
        setState(PausedState);
        if (EngineRules::wayOf(rate_) != EngineRules::RateWay::Normal || rate_ < 0) {
            rate_ = 1;
            emit rateChanged(rate_);
        }
        // Where it stopped, told at once.
        tick(position_);
        return;
    }
    setRate(1.0);
}

void MediaEngine::setRate(double rate)
{
    if (!ready_)
        return;
    chosenRate_ = rate;
    double from = position_;
    bool restart = false;
    if (rate > 0 && (atEnd_ || from >= duration_ - 0.001)) {
        // Played to its end: from the start again.
        from = 0;
        position_ = 0;
        atEnd_ = false;
        restart = true;
        emit seeking(0.0);
    }
    const double was = rate_;
    const bool same = std::abs(rate - was) < 1e-9;
    const bool wasPlaying = isPlaying();
    rate_ = rate;
    setState(PlayingState);
    if (!same)
        emit rateChanged(rate);
    if (same && wasPlaying && !restart)
        return;   // nothing changes
    const bool normal = EngineRules::wayOf(rate) == EngineRules::RateWay::Normal && rate > 0;
    if (!restart && !seeking_ && normal && same) {
        // Paused at this rate: it plays on from the picture shown.
        onWorker([w = worker_, rate, from] { w->play(rate, from); });
        return;
    }
    const quint64 serial = ++serial_;
    // A change in place lands at once; anything else is a seek at the new rate, and the
    // time stands until it lands (a paced clock runs on its own).
    if (restart || !(wasPlaying && EngineRules::instantChange(was, rate)))
        seeking_ = EngineRules::wayOf(rate) != EngineRules::RateWay::Paced;
    onWorker([w = worker_, serial, rate, from] { w->setRate(serial, rate, from, true); });
}

void MediaEngine::stopVideo()
{
    if (!ready_)
        return;
    askSeek(0.0, EngineRules::Gesture::Click);
    onWorker([w = worker_] { w->pause(0.0); });
    if (rate_ != 1) {
        rate_ = 1;
        emit rateChanged(rate_);
    }
    setState(PausedState);
    emit stopped();
}

void MediaEngine::forwardRate()
{
    rateJ_ = 0;
    if (!ready_)
        return;
    if (rateI_ >= RATE_VIDEO_LENGTH)
        rateI_ = 0;
    const int r = RATE_VIDEO[rateI_++];
    setRate(double(r));
    emit rateStepped(r);
}

void MediaEngine::backwardRate()
{
    rateI_ = 0;
    if (!ready_)
        return;
    if (rateJ_ >= RATE_VIDEO_LENGTH)
        rateJ_ = 0;
    const int r = -RATE_VIDEO[rateJ_++];
    setRate(double(r));
    emit rateStepped(r);
}

void MediaEngine::stepRateLadder(int direction)
{
    if (!ready_)
        return;
    const std::optional<double> rate = EngineRules::rateStep(rate_, direction);
    if (!rate)
        return;
    rateI_ = 0;
    rateJ_ = 0;
    setRate(*rate);
    emit rateLadderStepped(*rate);
}

float MediaEngine::volume() const
{
    return volume_;
}

void MediaEngine::setVolume(float v)
{
    v = std::clamp(v, 0.0f, 1.0f);
    volume_ = v;
    settings_.setVolume(double(v));
    onWorker([w = worker_, v] { w->setVolume(double(v)); });
    emit volumeChanged(v);
}

// ---------------------------------------------------------------------------------
// Cameras

MediaEngine::CameraStatus MediaEngine::cameraStatus(int camera) const
{
    return camera >= 0 && size_t(camera) < cameras_.size() ? cameras_[size_t(camera)].status : CameraStatus::NoRecording;
}

double MediaEngine::cameraTime(int camera) const
{
    return camera >= 0 && size_t(camera) < cameras_.size() ? cameras_[size_t(camera)].time : 0.0;
}

CameraInfo MediaEngine::cameraInfo(int camera) const
{
    return camera >= 0 && size_t(camera) < cameras_.size() ? cameras_[size_t(camera)].info : CameraInfo{};
}

void MediaEngine::setCameraStatus(int camera, CameraStatus status)
{
    if (camera < 0 || size_t(camera) >= cameras_.size() || cameras_[size_t(camera)].status == status)
        return;
    if (cameras_[size_t(camera)].status == CameraStatus::NoRecording)
        return;   // a camera without a recording stays so for the moment
    cameras_[size_t(camera)].status = status;
    emit cameraStatusChanged(camera, status);
}

void MediaEngine::setCameraOffset(int camera, double seconds)
{
    if (camera <= 0 || size_t(camera) >= cameras_.size() || cameras_[size_t(camera)].offset == seconds)
        return;
    cameras_[size_t(camera)].offset = seconds;
    if (!ready_)
        return;
    const quint64 serial = ++serial_;
    seeking_ = true;
    onWorker([w = worker_, camera, seconds, at = position_, serial] { w->setOffset(camera, seconds, at, serial); });
}
