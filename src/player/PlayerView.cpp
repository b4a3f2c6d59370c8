#include "PlayerView.h"

#include "EventSettings.h"
#include "EventsListView.h"
#include "FrameCapture.h"
#include "FrameLog.h"
#include "TelemetryTimeline.h"
#include "TripTimeline.h"
#include "PlayerControlBar.h"
#include "PlayerOverlays.h"
#include "common/AppColorManager.h"
#include "common/AppLinks.h"
#include "common/Localization.h"
#include "common/NamedImage.h"
#include "common/Settings.h"
#include "common/TimeFormatUtils.h"
#include "ui/FullScreen.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHash>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QThread>
#include <QtConcurrent/QtConcurrentRun>
#include <QShortcut>
#include <QStandardPaths>
#include <QVBoxLayout>
#include <QVideoFrame>
#include <QVideoSink>

#include <algorithm>

#include <cmath>

namespace {

constexpr float kToastSeconds = 0.8f;

// What the car reported (brake applications, assistance given up), as events beside
// the others, after them at equal times.
void addCarEvents(std::vector<TelemetryEvent> &events, const std::shared_ptr<const std::vector<TelemetrySample>> &typed,
                  double duration)
{
    if (!typed)
        return;
    for (const VehicleEvent &v : TelemetryEvents::vehicleEvents(typed->data(), typed->size(), duration))
        events.push_back({v.kind == VehicleEventKind::BrakeApplied ? EventKind::BrakeApplied
                                                                    : EventKind::AssistanceDisengaged,
                          v.time, v.endTime, v.strength});
    std::stable_sort(events.begin(), events.end(),
                     [](const TelemetryEvent &a, const TelemetryEvent &b) { return a.time < b.time; });
}

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
    // A file its name promised that does not play: its lane says so too.
    connect(channels_, &ChannelPictures::gapShown, this, [this](char channel) {
        for (auto &[c, gap] : clipCameras_)
            if (c == channel && !gap) {
                gap = true;
                if (tripParts_.isEmpty())
                    timeline_->setCameraLanes(ChannelRules::lanes({{0.0, telemetryDuration_, clipCameras_}}));
            }
    });
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
    followEngine();
    installReviewKeys();

    connect(videoWidget_->videoSink(), &QVideoSink::videoFrameChanged, this, [this](const QVideoFrame &f) {
        if (waitingFirstFrame_ && f.isValid())
            showFirstFrame();
    });
    FrameLog::followWhenAsked(videoWidget_->videoSink());
}

PlayerView::~PlayerView()
{
    // The engine tells this half-destroyed view nothing more, and shows nothing more
    // in its pictures.
    engine_->disconnect(this);
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
    connect(timeline_, &TelemetryTimeline::seekRequested, this, &PlayerView::seekTimeline);
    connect(timeline_, &TelemetryTimeline::markBandClicked, this, [this](int id) {
        if (PictureMarks *marks = markGestures_->marks())
            marks->choose(currentFile(), id);
    });
    connect(eventsList_, &EventsListView::eventActivated, this, &PlayerView::seekBeforeEvent);
    connect(eventsList_, &EventsListView::markInRequested, this, &PlayerView::markIn);
    connect(eventsList_, &EventsListView::markOutRequested, this, &PlayerView::markOut);

    connect(bar, &PlayerControlBar::seekRequested, engine_, &MediaEngine::showAt);
    connect(bar, &PlayerControlBar::volumeMoved, this, &PlayerView::setVolume);
    connect(bar, &PlayerControlBar::playClicked, this, &PlayerView::playOrPause);
    connect(bar, &PlayerControlBar::stopClicked, this, &PlayerView::stopVideo);
    connect(bar, &PlayerControlBar::forwardClicked, this, &PlayerView::forwardRate);
    connect(bar, &PlayerControlBar::backwardClicked, this, &PlayerView::backwardRate);
    connect(bar, &PlayerControlBar::nextClicked, this, &PlayerView::nextFile);
    connect(bar, &PlayerControlBar::previousClicked, this, &PlayerView::previousFile);
    connect(bar, &PlayerControlBar::volumeClicked, this, &PlayerView::clickVoiceBtn);
    connect(bar, &PlayerControlBar::eventsClicked, this, &PlayerView::showEvents);
    connect(bar, &PlayerControlBar::captureClicked, this, &PlayerView::capture);
    connect(bar, &PlayerControlBar::picturesClicked, this, &PlayerView::lookPicture);
    connect(bar, &PlayerControlBar::openClicked, this, &PlayerView::openFile);
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
        findEvents();
    });
    connect(&settings_, &Settings::eventThresholdsChanged, this, &PlayerView::findEvents);
    connect(&settings_, &Settings::mapProviderChanged, this, [this] { overlays_->showSettings(); });
    connect(o, &PlayerOverlays::guideClicked, this, &PlayerView::videoHelpClick);
    connect(o, &PlayerOverlays::websiteClicked, this, &PlayerView::websiteHelpClick);
    connect(o, &PlayerOverlays::shopClicked, this, &PlayerView::shopClick);
    connect(o, &PlayerOverlays::aboutClicked, this, &PlayerView::aboutHelpClick);
    connect(o, &PlayerOverlays::closeAboutClicked, this, &PlayerView::closeAboutClick);

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
    connect(s, &MediaEngine::timeChanged, this, [this](double seconds) {
        if (keySeek_ && std::abs(tripOffset() + seconds - *keySeek_) < 0.05)
            keySeek_.reset();
    });
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
    // The incident's marks show on the slider and on the timeline's axis.
    connect(this, &PlayerView::marksChanged, this, [this] {
        controlBar_->showMarks(markIn_, markOut_);
        const auto onAxis = [this](std::optional<double> t) {
            return t ? std::optional<double>(tripOffset() + *t) : std::nullopt;
        };
        timeline_->setMarks(onAxis(markIn_), onAxis(markOut_));
    });
    connect(s, &MediaEngine::durationChanged, this, &PlayerView::updatePlayButton);
    connect(s, &MediaEngine::setUpFinished, this, &PlayerView::showMarkBands);
}

void PlayerView::close()
{
    clipCameras_.clear();
    engine_->close();
    channels_->setClip({});
    if (!tripParts_.isEmpty())
        setTrip({}, 0);
    markGestures_->disarm();
    showMarkBands();
}

void PlayerView::openClip(const QUrl &url)
{
    waitingFirstFrame_ = false;
    keySeek_.reset();
    clipSamples_.clear();
    clipTyped_.reset();
    const QString file = url.isLocalFile() ? url.toLocalFile() : QString();
    clipCameras_ = ChannelPictures::camerasBeside({file}).value(0);
    setTelemetry({}, 0.0);
    channels_->setClip(file);
    engine_->openClip(url, channels_->engineCameras());
}

// ---------------------------------------------------------------------------------
// Timeline and events

void PlayerView::setTelemetry(const QList<GpsSample> &samples, double duration,
                              std::shared_ptr<const std::vector<TelemetrySample>> typed, const QList<int> &glitches)
{
    samples_ = samples;
    typed_ = std::move(typed);
    glitches_ = glitches;
    telemetryDuration_ = duration;
    findEvents();
}

void PlayerView::setTelemetryOffset(int ms)
{
    if (ms == telemetryOffsetMs_)
        return;
    telemetryOffsetMs_ = ms;
    if (tripParts_.isEmpty())
        findEvents();
}

void PlayerView::setTimeOfDay(std::function<QString(double seconds)> at)
{
    timeline_->timeOfDay = std::move(at);
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
    // Another clip of the same trip: the timeline and the events stay as they are.
    const auto same = [](const TimelinePart &a, const TimelinePart &b) {
        return a.start == b.start && a.duration == b.duration && a.label == b.label && a.offsetMs == b.offsetMs
               && a.samples.constData() == b.samples.constData() && a.samples.size() == b.samples.size()
               && a.typed == b.typed && a.glitches == b.glitches;
    };
    const bool sameTrip = parts.size() >= 2 && parts.size() == tripParts_.size()
                          && std::equal(parts.begin(), parts.end(), tripParts_.begin(), same);
    if (parts.size() < 2 || playing < 0 || playing >= parts.size()) {
        tripParts_.clear();
        tripPlaying_ = 0;
    } else {
        tripParts_ = parts;
        tripPlaying_ = playing;
    }
    if (!sameTrip || tripParts_.isEmpty())
        findEvents();
    timeline_->setPlayhead(tripOffset() + currentTime());
    showMarkBands();
}

double PlayerView::tripOffset() const
{
    return tripParts_.isEmpty() ? 0.0 : tripParts_.at(tripPlaying_).start;
}

PlayerView::TripFindings PlayerView::findTripEvents(const QList<TimelinePart> &parts, const EventThresholds &thresholds)
{
    // Each part on its own (an event does not run across a clip change), moved to its
    // place on the trip's axis; the list names the clip of each.
    struct Found { TelemetryEvent event; int part; };
    std::vector<Found> found;
    for (int k = 0; k < parts.size(); ++k) {
        const TimelinePart &part = parts.at(k);
        std::vector<TelemetryEvent> inPart =
            TelemetryEvents::detect(part.samples.constData(), size_t(part.samples.size()), part.duration, thresholds);
        addCarEvents(inPart, part.typed, part.duration);
        for (TelemetryEvent e : inPart) {
            e.time = part.start + TelemetryEvents::pictureTime(e.time, part.offsetMs);
            e.endTime = part.start + TelemetryEvents::pictureTime(e.endTime, part.offsetMs);
            found.push_back({e, k});
        }
    }
    std::stable_sort(found.begin(), found.end(), [](const Found &a, const Found &b) { return a.event.time < b.event.time; });
    TripFindings out;
    for (const Found &f : found) {
        out.events.push_back(f.event);
        out.clips << parts.at(f.part).label;
        out.offsets << parts.at(f.part).start;
    }
    bool hasLanes = false;
    out.lanes = TelemetryTimeline::laneSpansOf(parts, &hasLanes);
    QStringList files;
    for (const TimelinePart &part : parts)
        files << part.file;
    const QList<QList<QPair<char, bool>>> cameras = ChannelPictures::camerasBeside(files);
    QList<ChannelRules::PartCameras> partCameras;
    for (qsizetype k = 0; k < parts.size(); ++k)
        partCameras.append({parts.at(k).start, parts.at(k).duration, cameras.value(k)});
    out.cameraLanes = ChannelRules::lanes(partCameras);
    out.aside = QThread::currentThread() != QCoreApplication::instance()->thread();
    return out;
}

void PlayerView::findEvents()
{
    const EventThresholds thresholds = EventSettings::thresholds(settings_);
    if (tripParts_.isEmpty()) {
        ++tripJob_;
        events_ = TelemetryEvents::detect(samples_.constData(), size_t(samples_.size()), telemetryDuration_, thresholds);
        addCarEvents(events_, typed_, telemetryDuration_);
        for (TelemetryEvent &e : events_) {
            e.time = TelemetryEvents::pictureTime(e.time, telemetryOffsetMs_);
            e.endTime = TelemetryEvents::pictureTime(e.endTime, telemetryOffsetMs_);
        }
        timeline_->setParts({TimelinePart{samples_, 0.0, telemetryDuration_, QString(), typed_, glitches_,
                                          telemetryOffsetMs_}},
                            events_);
        timeline_->setCameraLanes(ChannelRules::lanes({{0.0, telemetryDuration_, clipCameras_}}));
        eventsList_->setEvents(events_, settings_.kmph());
        return;
    }
    // A trip's events and lanes are found aside; the list and the timeline take them
    // when they come, unless the trip or the thresholds changed meanwhile.
    const quint64 job = ++tripJob_;
    QtConcurrent::run([parts = tripParts_, thresholds] { return findTripEvents(parts, thresholds); })
        .then(this, [this, job](TripFindings found) {
            if (job != tripJob_)
                return;
            events_ = std::move(found.events);
            timeline_->setParts(tripParts_, events_, std::move(found.lanes));
            timeline_->setCameraLanes(found.cameraLanes);
            eventsList_->setEvents(events_, settings_.kmph(), found.clips, found.offsets);
            emit eventsFound(found.aside);
        });
}

void PlayerView::seekTimeline(double seconds, bool dragging)
{
    if (tripParts_.isEmpty()) {
        engine_->showAt(seconds, dragging);
        return;
    }
    std::vector<double> offsets, durations;
    for (const TimelinePart &part : tripParts_) {
        offsets.push_back(part.start);
        durations.push_back(part.duration);
    }
    const TripPoint at = tripPointAt(offsets, durations, seconds);
    if (int(at.clip) == tripPlaying_)
        engine_->showAt(at.seconds, dragging);
    else if (!dragging)
        emit playPartRequested(int(at.clip), at.seconds);
}

void PlayerView::seekBeforeEvent(double eventTime)
{
    seekTimeline(std::max(0.0, eventTime - 1.0));
}

void PlayerView::nextEvent()
{
    const double target = TelemetryEvents::nextJumpTarget(events_, tripOffset() + currentTime());
    if (target >= 0)
        seekTimeline(target);
}

void PlayerView::previousEvent()
{
    const double target = TelemetryEvents::previousJumpTarget(events_, tripOffset() + currentTime());
    if (target >= 0)
        seekTimeline(target);
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
    if (markIn_ || markOut_) {
        markIn_.reset();
        markOut_.reset();
        emit marksChanged();
    }
    controlBar_->showDuration(d);
    // A time held back from the file before is not shown on this one.
    movingPartsLater_.stop();
    movingPartsMoved_.invalidate();
    waitingFirstFrame_ = d > 0;
    if (d > 0) {
        setTelemetry(clipSamples_, d, clipTyped_, clipGlitches_);
        defaultImage_->hide();
        defaultImage_->setPixmap(NamedImage::pixmap(QStringLiteral("colorblack"), QSize(16, 9)));
    } else {
        setTelemetry({}, 0.0);
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
// Controls

void PlayerView::nextFile()
{
    emit nextFileRequested();
}

void PlayerView::previousFile()
{
    emit previousFileRequested();
}

void PlayerView::zoomInOut()
{
    emit zoomRequested(zoomState);
}

void PlayerView::setZoomState(qint64 state)
{
    zoomState = state;
    if (zoomState == 0)
        emit videoSizeRestored();
}

void PlayerView::clickVoiceBtn()
{
}

// ---------------------------------------------------------------------------------
// Overlays

void PlayerView::settings()
{
    overlays_->toggleSettings();
}

void PlayerView::helps()
{
    overlays_->toggleHelp();
}

void PlayerView::videoHelpClick()
{
    overlays_->hideHelp();
    emit linkRequested(AppLinks::userGuide());
}

void PlayerView::websiteHelpClick()
{
    overlays_->hideHelp();
    emit linkRequested(AppLinks::website());
}

void PlayerView::shopClick()
{
    overlays_->hideHelp();
    emit linkRequested(AppLinks::shop());
}

void PlayerView::aboutHelpClick()
{
    overlays_->showAbout();
}

void PlayerView::closeAboutClick()
{
    overlays_->hideAbout();
}

void PlayerView::openFile()
{
    emit openFileRequested();
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

void PlayerView::setMarks(PictureMarks *marks)
{
    if (PictureMarks *before = markGestures_->marks())
        before->disconnect(this);
    markGestures_->setMarks(marks);
    if (marks)
        connect(marks, &PictureMarks::changed, this, &PlayerView::showMarkBands);
    showMarkBands();
}

// The playing file's marks on the timeline's axis.
void PlayerView::showMarkBands()
{
    PictureMarks *marks = markGestures_->marks();
    const QString file = currentFile();
    QList<MarkBand> bands = marks && !file.isEmpty() ? marks->bandsOf(file) : QList<MarkBand>();
    const double offset = tripOffset();
    for (MarkBand &b : bands) {
        b.start += offset;
        b.end += offset;
    }
    timeline_->setMarkBands(bands);
}

void PlayerView::markArea()
{
    if (!engine_->isReady())
        return;
    if (engine_->isPlaying())
        engine_->playOrPause();
    markGestures_->arm();
    emit message(Localization::text("Drag a box around what to blur"), 2.0f);
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

void PlayerView::seekBy(double seconds)
{
    if (!engine_->isReady())
        return;
    const double end = tripParts_.isEmpty() ? duration() : tripParts_.last().start + tripParts_.last().duration;
    const double last = std::max(0.0, end - engine_->frameDuration());
    constexpr qint64 kKeySeekHoldMs = 1500;
    const bool pending = keySeek_ && keySeekAsked_.isValid() && keySeekAsked_.elapsed() < kKeySeekHoldMs;
    const double from = pending ? *keySeek_ : tripOffset() + currentTime();
    const double target = std::clamp(from + seconds, 0.0, last);
    keySeek_ = target;
    keySeekAsked_.start();
    seekTimeline(target);
}

void PlayerView::seekToStart()
{
    keySeek_.reset();
    if (engine_->isReady())
        engine_->showAt(0.0);
}

void PlayerView::seekToEnd()
{
    keySeek_.reset();
    if (engine_->isReady())
        engine_->showAt(std::max(0.0, duration() - engine_->frameDuration()));
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

void PlayerView::installReviewKeys()
{
    // Like Space, these work wherever the focus is in the window.
    const struct { int key; void (PlayerView::*slot)(); } keys[] = {
        {Qt::Key_Period, &PlayerView::stepForward},
        {Qt::Key_Comma, &PlayerView::stepBackward},
        {Qt::Key_BracketLeft, &PlayerView::slower},
        {Qt::Key_BracketRight, &PlayerView::faster},
        {Qt::Key_I, &PlayerView::markIn},
        {Qt::Key_O, &PlayerView::markOut},
    };
    for (const auto &k : keys) {
        auto *shortcut = new QShortcut(QKeySequence(k.key), this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, k.slot);
    }
    // Seeking: Left/Right a few seconds, with Shift a minute, Home/End the ends.
    const struct { QKeyCombination key; double step; } seeks[] = {
        {QKeyCombination(Qt::Key_Left), -kSeekStep}, {QKeyCombination(Qt::Key_Right), kSeekStep},
        {Qt::SHIFT | Qt::Key_Left, -kSeekLongStep}, {Qt::SHIFT | Qt::Key_Right, kSeekLongStep}};
    for (const auto &k : seeks) {
        auto *shortcut = new QShortcut(QKeySequence(k.key), this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, step = k.step] { seekBy(step); });
    }
    for (const auto &[key, slot] : {std::pair{Qt::Key_Home, &PlayerView::seekToStart},
                                    std::pair{Qt::Key_End, &PlayerView::seekToEnd}}) {
        auto *shortcut = new QShortcut(QKeySequence(key), this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, slot);
    }
    // Beside the rate keys: a camera of the moment a little earlier or later, or back in step.
    const struct { int key; int step; } nudges[] = {
        {Qt::Key_BracketLeft, -kChannelStepMs}, {Qt::Key_BracketRight, kChannelStepMs}, {Qt::Key_Backslash, 0}};
    for (const auto &n : nudges) {
        auto *shortcut = new QShortcut(QKeySequence(Qt::ALT | n.key), this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, step = n.step] { nudgeChannel(step); });
    }
}

void PlayerView::nudgeChannel(int stepMs)
{
    const int i = channels_->chosen();
    if (i < 0)
        return;
    const int limit = Settings::kChannelOffsetLimitMs;
    const int ms = stepMs ? std::clamp(channels_->offsetMs(i) + stepMs, -limit, limit) : 0;
    settings_.setChannelOffsetMs(channels_->pattern(i), ms);
    emit message(Localization::text("channel_offset")
                     .arg(ChannelPictures::title(channels_->channel(i)),
                          ms ? QString::asprintf("%+d", ms) : QStringLiteral("0")),
                 kToastSeconds * 2);
}

// ---------------------------------------------------------------------------------
// Incident marks

void PlayerView::markIn()
{
    if (!engine_->isReady()) {
        emit message(IncidentMarks::range(std::nullopt, std::nullopt, 0).message, kToastSeconds * 3);
        return;
    }
    markIn_ = currentTime();
    confirmMarks(Localization::text("In"), *markIn_);
}

void PlayerView::markOut()
{
    if (!engine_->isReady()) {
        emit message(IncidentMarks::range(std::nullopt, std::nullopt, 0).message, kToastSeconds * 3);
        return;
    }
    markOut_ = currentTime();
    confirmMarks(Localization::text("Out"), *markOut_);
}

void PlayerView::confirmMarks(const QString &what, double seconds)
{
    emit marksChanged();
    const MarkedRange r = markedRange();
    QString text = what + QLatin1Char(' ') + IncidentMarks::timeText(seconds);
    // Both marks set: a reversed pair is put right now, so that the user hears of it.
    if (markIn_ && markOut_) {
        if (r.ok && (r.in != *markIn_ || r.out != *markOut_)) {
            markIn_ = r.in;
            markOut_ = r.out;
            emit marksChanged();
        }
        if (!r.message.isEmpty())
            text = r.message;
    }
    emit message(text, r.message.isEmpty() ? kToastSeconds : kToastSeconds * 3);
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

// ---------------------------------------------------------------------------------
// Capture

QString PlayerView::pictureSaveDirectory()
{
    QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (pictures.isEmpty())
        pictures = QDir::homePath() + QStringLiteral("/Pictures");
    const QString dir = pictures + QStringLiteral("/vistrel");
    if (!QFileInfo::exists(dir))
        QDir().mkpath(dir);
    return dir;
}

void PlayerView::capture()
{
    if (engine_->isReady()) {
        // Named by the recording's time at the picture, else by the time of the capture;
        // never over an earlier capture.
        QString stem = captureFacts ? CaptureText::fileStem(captureFacts(currentTime())) : QString();
        if (stem.isEmpty())
            stem = TimeFormatUtils::stringDateFormat(QDateTime::currentDateTime());
        const QStringList endings{QStringLiteral(".png"), QStringLiteral("_view.png")};
        const QString base = CaptureText::freeBase(pictureSaveDirectory() + QLatin1Char('/') + stem, endings,
                                                   [](const QString &p) { return QFileInfo::exists(p); });
        if (channels_->count() > 0)
            saveEveryCamera(base);
        else
            saveImageFileToDiskPath(base + QStringLiteral(".png"));
        return;
    }
    emit message(Localization::text("capture_fail"), kToastSeconds);
}

void PlayerView::saveImageFileToDiskPath(const QString &path)
{
    // The frame under the playhead is the one the sink shows; converting, encoding and
    // writing it happen on the pool.
    QPointer<PlayerView> self(this);
    saveCurrentFrame(path).then(qApp, [self, path](bool ok) {
        if (!self)
            return;
        emit self->message(ok ? Localization::text("capture_saved_as").arg(QDir::toNativeSeparators(path))
                              : Localization::text("capture_fail"),
                           kToastSeconds * 2);
        emit self->captureFinished(path, ok);
    });
}

void PlayerView::saveEveryCamera(const QString &base)
{
    // The main picture under `base`, each other camera's beside it under its word, and
    // the stage as the user sees it, composed from the same frames.
    const auto [chunks, caption] = captureText(true);
    const QString path = base + QStringLiteral(".png");
    QList<QFuture<bool>> writing{saveCurrentFrame(path)};
    QStringList missing;
    QHash<QWidget *, QVideoFrame> frames{{videoWidget_, videoWidget_->videoSink()->videoFrame()}};
    for (int i = 0; i < channels_->count(); ++i) {
        const QString word = CaptureText::channelWord(channels_->channel(i));
        if (channels_->isGap(i)) {
            missing << word;
            continue;
        }
        const QVideoFrame frame = channels_->videoSink(i)->videoFrame();
        frames.insert(channels_->tile(i), frame);
        writing << FrameCapture::savePng(frame, base + QLatin1Char('_') + word + QStringLiteral(".png"), chunks,
                                         caption);
    }
    QList<std::pair<QVideoFrame, FrameCapture::StageTile>> stage;
    for (QWidget *w : channels_->shown()) {
        const auto *picture = qobject_cast<VideoPicture *>(w);
        const auto *gap = qobject_cast<QLabel *>(w);
        stage.append({frames.value(w), {QImage(), w->geometry(), picture && picture->isMirrored(),
                                        gap ? gap->text() : QString()}});
    }
    const QSize size = channels_->stage()->size();
    writing << FrameCapture::savePng([stage, size]() mutable {
        QList<FrameCapture::StageTile> tiles;
        for (auto &[frame, tile] : stage) {
            if (frame.isValid())
                tile.image = frame.toImage();
            tiles << tile;
        }
        return FrameCapture::compose(size, tiles);
    }, base + QStringLiteral("_view.png"), chunks, caption);

    QPointer<PlayerView> self(this);
    QtFuture::whenAll(writing.begin(), writing.end()).then(qApp, [self, path, missing](const QList<QFuture<bool>> &done) {
        if (!self)
            return;
        const bool ok = done.first().result();
        const auto written = std::count_if(done.begin(), done.end(), [](const QFuture<bool> &f) { return f.result(); });
        QString text = ok ? Localization::text("capture_saved_pictures_in")
                                .arg(written)
                                .arg(QDir::toNativeSeparators(QFileInfo(path).absolutePath()))
                          : Localization::text("capture_fail");
        if (!missing.isEmpty())
            text += QLatin1Char(' ') + Localization::text("capture_no_recording").arg(missing.join(QStringLiteral(", ")));
        emit self->message(text, kToastSeconds * 3);
        emit self->captureFinished(path, ok);
    });
}

std::pair<FrameCapture::TextChunks, QString> PlayerView::captureText(bool place) const
{
    FrameCapture::TextChunks chunks;
    QString caption;
    if (captureFacts && engine_->isReady()) {
        CaptureFacts facts = captureFacts(currentTime());
        // The user may keep where the car was and how fast it went out of saved pictures.
        if (!place || !settings_.placeInPictures())
            facts = CaptureFacts{facts.recorded, std::nullopt, std::nullopt, std::nullopt};
        const bool mph = !settings_.kmph();
        chunks = CaptureText::chunks(facts, mph);
        if (settings_.captureCaption())
            caption = CaptureText::caption(facts, mph);
    }
    return {chunks, caption};
}

QFuture<bool> PlayerView::saveCurrentFrame(const QString &path, bool place)
{
    const auto [chunks, caption] = captureText(place);
    return FrameCapture::savePng(videoWidget_->videoSink()->videoFrame(), path, chunks, caption);
}

void PlayerView::lookPicture()
{
    emit linkRequested(QUrl::fromLocalFile(pictureSaveDirectory()));
}
