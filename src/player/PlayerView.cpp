#include "PlayerView.h"

#include "EventsListView.h"
#include "FrameLog.h"
#include "TelemetryTimeline.h"
#include "PlayerControlBar.h"
#include "PlayerOverlays.h"
#include "common/AppColorManager.h"
#include "common/Localization.h"
#include "common/NamedImage.h"
#include "common/Settings.h"
#include "ui/FullScreen.h"

#include <QEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>
#include <QVideoFrame>
#include <QVideoSink>

namespace {

constexpr float kToastSeconds = 0.8f;

} // namespace

PlayerView::PlayerView(Settings &settings, QWidget *parent) : PlayerView(settings, nullptr, parent) {}

PlayerView::PlayerView(Settings &settings, MediaEngine &engine, QWidget *parent) : PlayerView(settings, &engine, parent) {}

PlayerView::PlayerView(Settings &settings, MediaEngine *engine, QWidget *parent) : QWidget(parent), settings_(settings)
{
    setObjectName(QStringLiteral("PlayerView"));
    setFocusPolicy(Qt::StrongFocus);

    // Handed over by whoever builds the window; a view on its own plays with its own.
    if (!engine)
        ownEngine_ = std::make_unique<MediaEngine>(settings_);
    engine_ = engine ? engine : ownEngine_.get();
    buildView();
    channels_ = new ChannelPictures(engine_, containerView_, videoWidget_, this);
    connect(channels_, &ChannelPictures::message, this, &PlayerView::message);
    markGestures_ = new MarkGestures(engine_, channels_, videoWidget_, [this] { return currentFile(); }, this);
    blurMarks_ = new BlurMarks(*engine_, markGestures_, timeline_, events_, [this] { return currentFile(); }, this);
    connect(blurMarks_, &BlurMarks::message, this, &PlayerView::message);
    // A file its name promised that does not play: its lane says so too.
    connect(channels_, &ChannelPictures::gapShown, events_, &PlayerEvents::cameraGap);
    connect(channels_, &ChannelPictures::camerasChanged, controlBar_, [this](int count) {
        controlBar_->showCamerasButton(count > 0);
        arrangeCameras();
    });
    connect(controlBar_, &PlayerControlBar::camerasClicked, this, [this] {
        settings_.setCameraLayout(ChannelRules::arrangementKey(ChannelRules::next(channels_->arrangement())));
    });
    arrangeCameras();
    channels_->setMirrorRear(settings_.mirrorRear());
    connect(&settings_, &Settings::cameraLayoutChanged, channels_, [this] { arrangeCameras(); });
    connect(&settings_, &Settings::mirrorRearChanged, channels_, &ChannelPictures::setMirrorRear);
    channels_->setInsetShare(settings_.insetShare().value_or(ChannelRules::kInsetShare));
    connect(channels_, &ChannelPictures::insetShareChosen, &settings_, &Settings::setInsetShare);
    connect(&settings_, &Settings::insetShareChanged, channels_, &ChannelPictures::setInsetShare);
    channels_->setOffsets(settings_.channelOffsets());
    connect(&settings_, &Settings::channelOffsetsChanged, channels_, &ChannelPictures::setOffsets);
    pictures_ = new PlayerCapture(settings_, *engine_, videoWidget_, channels_, this);
    connect(pictures_, &PlayerCapture::message, this, &PlayerView::message);
    connect(pictures_, &PlayerCapture::captureFinished, this, &PlayerView::captureFinished);
    followEngine();
    keys_ = new ReviewKeys(this, settings_, *engine_, channels_, events_);
    connect(keys_, &ReviewKeys::message, this, &PlayerView::message);
    connect(keys_, &ReviewKeys::marksChanged, this, &PlayerView::marksChanged);

    connect(videoWidget_->videoSink(), &QVideoSink::videoFrameChanged, this, [this](const QVideoFrame &f) {
        if (waitingFirstFrame_ && f.isValid())
            showFirstFrame();
    });
    FrameLog::followWhenAsked(videoWidget_->videoSink());
}

PlayerView::~PlayerView()
{
    // The engine tells this half-destroyed view (and the pieces it owns) nothing more,
    // and shows nothing more in its pictures.
    for (QObject *follower : std::initializer_list<QObject *>{this, keys_, blurMarks_, events_, pictures_})
        engine_->disconnect(follower);
    engine_->close();
    engine_->setVideoOutput(nullptr);
    delete channels_;
    ownEngine_.reset();
}

// ---------------------------------------------------------------------------------
// View

void PlayerView::buildView()
{
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, AppColorManager::appBackgroundColor());
    setPalette(pal);

    containerView_ = new QWidget(this);
    containerView_->setObjectName(QStringLiteral("containerView"));
    containerView_->setAutoFillBackground(true);
    QPalette black = containerView_->palette();
    black.setColor(QPalette::Window, Qt::black);
    containerView_->setPalette(black);
    containerView_->setMinimumSize(160, 90);
    containerView_->installEventFilter(this);

    // The video is drawn by a native window that the video widget embeds. Unless its
    // container is native itself, that window goes to the top-level window and covers
    // every overlay; made native before the widget joins our tree, it stays inside.
    videoWidget_ = new VideoPicture;
    for (QWidget *child : videoWidget_->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        child->winId();
    videoWidget_->setParent(containerView_);
    videoWidget_->setObjectName(QStringLiteral("videoWidget"));
    videoWidget_->setAspectRatioMode(Qt::KeepAspectRatio);
    engine_->setVideoOutput(videoWidget_->videoSink());

    // Before the first file the default image covers the video (both are native windows).
    defaultImage_ = new QLabel(containerView_);
    defaultImage_->setObjectName(QStringLiteral("defaultImage"));
    defaultImage_->setAttribute(Qt::WA_NativeWindow);
    defaultImage_->setScaledContents(true);
    defaultImage_->setPixmap(NamedImage::pixmap(QStringLiteral("colorblack"), QSize(16, 9)));
    defaultImage_->setMinimumSize(1, 1);

    auto *stack = new QGridLayout(containerView_);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->addWidget(videoWidget_, 0, 0);
    stack->addWidget(defaultImage_, 0, 0);

    timeline_ = new TelemetryTimeline(this);
    timeline_->setKmph(settings_.kmph());
    auto *bar = new PlayerControlBar(timeline_, this);
    controlBar_ = bar;
    eventsList_ = new EventsListView(this);
    eventsList_->hide();
    events_ = new PlayerEvents(settings_, *engine_, timeline_, eventsList_, this);
    connect(events_, &PlayerEvents::eventsFound, this, &PlayerView::eventsFound);
    connect(events_, &PlayerEvents::playPartRequested, this, &PlayerView::playPartRequested);
    connect(timeline_, &TelemetryTimeline::seekRequested, events_, &PlayerEvents::seekTimeline);
    connect(eventsList_, &EventsListView::eventActivated, events_, &PlayerEvents::seekBeforeEvent);
    connect(eventsList_, &EventsListView::markInRequested, this, &PlayerView::markIn);
    connect(eventsList_, &EventsListView::markOutRequested, this, &PlayerView::markOut);

    connect(bar, &PlayerControlBar::seekRequested, engine_, &MediaEngine::showAt);
    connect(bar, &PlayerControlBar::volumeMoved, this, &PlayerView::setVolume);
    connect(bar, &PlayerControlBar::playClicked, this, &PlayerView::playOrPause);
    connect(bar, &PlayerControlBar::stopClicked, this, &PlayerView::stopVideo);
    connect(bar, &PlayerControlBar::forwardClicked, this, &PlayerView::forwardRate);
    connect(bar, &PlayerControlBar::backwardClicked, this, &PlayerView::backwardRate);
    connect(bar, &PlayerControlBar::nextClicked, this, &PlayerView::nextFileRequested);
    connect(bar, &PlayerControlBar::previousClicked, this, &PlayerView::previousFileRequested);
    connect(bar, &PlayerControlBar::eventsClicked, this, &PlayerView::showEvents);
    connect(bar, &PlayerControlBar::captureClicked, this, &PlayerView::capture);
    connect(bar, &PlayerControlBar::picturesClicked, this, &PlayerView::lookPicture);
    connect(bar, &PlayerControlBar::openClicked, this, &PlayerView::openFileRequested);
    connect(bar, &PlayerControlBar::settingsClicked, this, &PlayerView::settings);
    connect(bar, &PlayerControlBar::helpClicked, this, &PlayerView::helps);
    connect(bar, &PlayerControlBar::expandClicked, this, &PlayerView::zoomInOut);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(containerView_, 1);
    layout->addWidget(bar);

    overlays_ = std::make_unique<PlayerOverlays>(containerView_, settings_);
    const PlayerOverlays *o = overlays_.get();
    connect(o, &PlayerOverlays::speedChosen, this, [this](int column) { settings_.setKmph(column == 0); });
    connect(o, &PlayerOverlays::languageChosen, this, [this](int column) {
        Localization::setUserLanguage(settings_, column == 1 ? QStringLiteral("zh-Hans") : QStringLiteral("en"));
    });
    connect(o, &PlayerOverlays::mapChosen, this, [this](int column) { settings_.setGoogleMap(column == 0); });
    connect(&settings_, &Settings::speedUnitChanged, this, [this](bool kmph) {
        overlays_->showSettings();
        timeline_->setKmph(kmph);
        events_->findEvents();
    });
    connect(&settings_, &Settings::eventThresholdsChanged, events_, &PlayerEvents::findEvents);
    connect(&settings_, &Settings::mapProviderChanged, this, [this] { overlays_->showSettings(); });
    connect(o, &PlayerOverlays::linkRequested, this, &PlayerView::linkRequested);

    bar->showVolume(engine_->volume());

    updatePlayButton();
    retranslate();
}

void PlayerView::retranslate()
{
    controlBar_->retranslate();
    overlays_->retranslate();
}

bool PlayerView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == containerView_ && event->type() == QEvent::Resize && overlays_)
        overlays_->place();
    return QWidget::eventFilter(watched, event);
}

void PlayerView::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QWidget::changeEvent(event);
}

// ---------------------------------------------------------------------------------
// Following the engine

void PlayerView::followEngine()
{
    MediaEngine *s = engine_;
    connect(s, &MediaEngine::timeChanged, this, &PlayerView::showTime);
    connect(s, &MediaEngine::timeChanged, this, &PlayerView::ticked);
    movingPartsLater_.setSingleShot(true);
    connect(&movingPartsLater_, &QTimer::timeout, this, [this] { moveHandleAndPlayhead(movingPartsTime_); });
    connect(s, &MediaEngine::seeking, this, [this](double seconds) {
        // The tick after a seek moves the handle at once.
        movingPartsMoved_.invalidate();
        movingPartsLater_.stop();
        controlBar_->showTime(seconds);
        timeline_->setPlayhead(tripOffset() + seconds);
    });
    connect(s, &MediaEngine::durationChanged, this, &PlayerView::showDuration);
    connect(s, &MediaEngine::playbackStateChanged, this, &PlayerView::updatePlayButton);
    connect(s, &MediaEngine::rateChanged, this, &PlayerView::updatePlayButton);
    connect(s, &MediaEngine::rateStepped, this, [this](int rate) {
        emit message(QString::asprintf("%dx", rate), kToastSeconds);
    });
    connect(s, &MediaEngine::rateLadderStepped, this, [this](double rate) {
        emit message(EngineRules::rateText(rate), kToastSeconds);
    });
    connect(s, &MediaEngine::volumeChanged, controlBar_, &PlayerControlBar::showVolume);
    connect(s, &MediaEngine::setUpFinished, this, &PlayerView::setUpFinished);
    connect(s, &MediaEngine::setUpFinished, this, &PlayerView::updatePlayButton);
    connect(this, &PlayerView::marksChanged, this, &PlayerView::showMarks);
    connect(s, &MediaEngine::durationChanged, this, &PlayerView::updatePlayButton);
    connect(s, &MediaEngine::setUpFinished, blurMarks_, &BlurMarks::showBands);
}

// The incident's marks show on the slider and on the timeline's axis.
void PlayerView::showMarks()
{
    const std::optional<double> in = keys_->markInTime(), out = keys_->markOutTime();
    controlBar_->showMarks(in, out);
    const auto onAxis = [this](std::optional<double> t) {
        return t ? std::optional<double>(tripOffset() + *t) : std::nullopt;
    };
    timeline_->setMarks(onAxis(in), onAxis(out));
}

void PlayerView::close()
{
    events_->setClipCameras({});
    engine_->close();
    channels_->setClip({});
    if (events_->hasTrip())
        setTrip({}, 0);
    markGestures_->disarm();
    blurMarks_->showBands();
}

void PlayerView::openClip(const QUrl &url)
{
    waitingFirstFrame_ = false;
    keys_->forgetSeek();
    clipSamples_.clear();
    clipTyped_.reset();
    const QString file = url.isLocalFile() ? url.toLocalFile() : QString();
    events_->setClipCameras(ChannelPictures::camerasBeside({file}).value(0));
    events_->setTelemetry({}, 0.0);
    channels_->setClip(file);
    engine_->openClip(url, channels_->engineCameras());
}

void PlayerView::arrangeCameras()
{
    const ChannelRules::Arrangement a =
        ChannelRules::arrangementFor(settings_.chosenCameraLayout(), channels_->count() + 1);
    channels_->setArrangement(a);
    emit camerasArranged(ChannelRules::arrangementKey(a));
}

void PlayerView::setTrip(const QList<TimelinePart> &parts, int playing)
{
    events_->setTrip(parts, playing);
    blurMarks_->showBands();
}

void PlayerView::showEvents()
{
    if (eventsList_->isVisible()) {
        eventsList_->hide();
        return;
    }
    const QPoint corner = mapToGlobal(QPoint(width() - eventsList_->width() - 12,
                                             controlBar_->y() - eventsList_->height() - 12));
    eventsList_->move(corner);
    eventsList_->show();
    eventsList_->raise();
}

// At set-up the picture replaces the default image; at close the labels go back to 0.
void PlayerView::showDuration(double d)
{
    keys_->clearMarks();
    controlBar_->showDuration(d);
    // A time held back from the file before is not shown on this one.
    movingPartsLater_.stop();
    movingPartsMoved_.invalidate();
    waitingFirstFrame_ = d > 0;
    if (d > 0) {
        events_->setTelemetry(clipSamples_, d, clipTyped_, clipGlitches_);
        defaultImage_->hide();
        defaultImage_->setPixmap(NamedImage::pixmap(QStringLiteral("colorblack"), QSize(16, 9)));
    } else {
        events_->setTelemetry({}, 0.0);
        controlBar_->showTime(0);
    }
    updatePlayButton();
}

namespace {
// Every move of the handle or the playhead repaints the slider and the timeline, text
// and curves included, and puts them on the screen. Ten moves a second look continuous and are what a 100-second clip on a 1000-pixel slider makes;
// a shorter clip or a wider window would move them a pixel far more often.
constexpr int kMovingPartsStepMs = 100;
} // namespace

void PlayerView::showTime(double t)
{
    controlBar_->showTime(t);
    if (engine_->isPlaying() && movingPartsMoved_.isValid()) {
        const qint64 since = movingPartsMoved_.elapsed();
        if (since < kMovingPartsStepMs) {
            movingPartsTime_ = t;
            if (!movingPartsLater_.isActive())
                movingPartsLater_.start(int(kMovingPartsStepMs - since));
            return;
        }
    }
    moveHandleAndPlayhead(t);
}

void PlayerView::moveHandleAndPlayhead(double t)
{
    movingPartsLater_.stop();
    // While playing, the timeline's playhead moves in the same frames as the slider's
    // handle (or when it is two pixels behind), not in frames of its own.
    const bool sliderRedrawn = controlBar_->moveHandle(t);
    const int playheadBefore = timeline_->repaintRequests();
    timeline_->setPlayhead(tripOffset() + t, sliderRedrawn || !engine_->isPlaying());
    if (sliderRedrawn || timeline_->repaintRequests() != playheadBefore)
        movingPartsMoved_.restart();
}

void PlayerView::showFirstFrame()
{
    waitingFirstFrame_ = false;
    overlays_->raise();
}

void PlayerView::updatePlayButton()
{
    controlBar_->showPlaying(engine_->isPlaying());
    controlBar_->setPlayEnabled(engine_->isReady());
    // The rate is on screen whenever it is not 1x: playing, or what play resumes at.
    controlBar_->showRate(engine_->isReady() ? engine_->rate() : 1.0);
}

QString PlayerView::rateBadgeText() const
{
    return controlBar_->rateBadgeText();
}

// ---------------------------------------------------------------------------------
// Controls and overlays

void PlayerView::setZoomState(qint64 state)
{
    zoomState = state;
    if (zoomState == 0)
        emit videoSizeRestored();
}

void PlayerView::settings()
{
    overlays_->toggleSettings();
}

void PlayerView::helps()
{
    overlays_->toggleHelp();
}

// ---------------------------------------------------------------------------------
// Keys

void PlayerView::keyDown(QKeyEvent *event)
{
    if (!event)
        return;
    if (event->text() == QLatin1String(" ")) {
        execPlayOrPause();
        return;
    }
    if (event->key() == Qt::Key_Escape && !dismiss() && window()->isFullScreen())
        FullScreen::toggle(window());
}

bool PlayerView::dismiss()
{
    bool shown = overlays_->dismiss();
    if (markGestures_->isArmed()) {
        markGestures_->disarm();
        shown = true;
    }
    if (eventsList_->isVisible()) {
        eventsList_->hide();
        shown = true;
    }
    return shown;
}

void PlayerView::keyPressEvent(QKeyEvent *event)
{
    if (event->text() == QLatin1String(" ") || event->key() == Qt::Key_Escape) {
        keyDown(event);
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

QVideoSink *PlayerView::videoSink() const
{
    return videoWidget_->videoSink();
}

QString PlayerView::timeText() const
{
    return controlBar_->timeText();
}

QString PlayerView::durationText() const
{
    return controlBar_->durationText();
}

QString PlayerView::currentFile() const
{
    return engine_->isReady() ? engine_->source().toLocalFile() : QString();
}
