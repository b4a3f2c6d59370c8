#include "PlayerView.h"

#include "EventSettings.h"
#include "EventsListView.h"
#include "FrameCapture.h"
#include "FrameLog.h"
#include "TelemetryTimeline.h"
#include "TripTimeline.h"
#include "PlayerControlBar.h"
#include "PlayerOverlays.h"
#include "PlaybackSteps.h"
#include "common/AppColorManager.h"
#include "common/AppLinks.h"
#include "common/Localization.h"
#include "common/NamedImage.h"
#include "common/Settings.h"
#include "common/TimeFormatUtils.h"
#include "ui/FullScreen.h"

#include <QApplication>
#include <QButtonGroup>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QSlider>
#include <QStandardPaths>
#include <QToolButton>
#include <QVBoxLayout>
#include <QVideoFrame>
#include <QVideoSink>

#include <algorithm>
#include <QStyle>

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

PlayerView::PlayerView(Settings &settings, QWidget *parent) : QWidget(parent), settings_(settings)
{
    setObjectName(QStringLiteral("PlayerView"));
    setFocusPolicy(Qt::StrongFocus);

    session_ = new PlaybackSession(settings_, this);
    buildView();
    followSession();
    installReviewKeys();

    connect(videoWidget->videoSink(), &QVideoSink::videoFrameChanged, this, [this](const QVideoFrame &f) {
        if (waitingFirstFrame_ && f.isValid())
            showFirstFrame();
    });
    FrameLog::followWhenAsked(videoWidget->videoSink());
}

PlayerView::~PlayerView()
{
    // The session unloads its engine while the video widget still exists, and tells
    // this half-destroyed view nothing on the way.
    session_->disconnect(this);
    delete session_;
    session_ = nullptr;
}

// ---------------------------------------------------------------------------------
// View

void PlayerView::buildView()
{
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, AppColorManager::appBackgroundColor());
    setPalette(pal);

    containerView = new QWidget(this);
    containerView->setObjectName(QStringLiteral("containerView"));
    containerView->setAutoFillBackground(true);
    QPalette black = containerView->palette();
    black.setColor(QPalette::Window, Qt::black);
    containerView->setPalette(black);
    containerView->setMinimumSize(160, 90);
    containerView->installEventFilter(this);

    // The video is drawn by a native window that the video widget embeds. Unless its
    // container is native itself, that window goes to the top-level window and covers
    // every overlay; made native before the widget joins our tree, it stays inside.
    videoWidget = new VideoPicture;
    for (QWidget *child : videoWidget->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        child->winId();
    videoWidget->setParent(containerView);
    videoWidget->setObjectName(QStringLiteral("videoWidget"));
    videoWidget->setAspectRatioMode(Qt::KeepAspectRatio);
    session_->setVideoOutput(videoWidget->videoSink());

    // Before the first file the default image covers the video (both are native windows).
    defaultImage = new QLabel(containerView);
    defaultImage->setObjectName(QStringLiteral("defaultImage"));
    defaultImage->setAttribute(Qt::WA_NativeWindow);
    defaultImage->setScaledContents(true);
    defaultImage->setPixmap(NamedImage::pixmap(QStringLiteral("colorblack"), QSize(16, 9)));
    defaultImage->setMinimumSize(1, 1);

    auto *stack = new QGridLayout(containerView);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->addWidget(videoWidget, 0, 0);
    stack->addWidget(defaultImage, 0, 0);

    auto *bar = new PlayerControlBar(this);
    controlBar_ = bar;
    controlView = bar;
    currentTimeField = bar->currentTimeField;
    totalTimeField = bar->totalTimeField;
    timeSlider = bar->timeSlider;
    volumeSlider = bar->volumeSlider;
    playButton = bar->playButton;
    stopButton = bar->stopButton;
    backwardButton = bar->backwardButton;
    forwardButton = bar->forwardButton;
    lastButton = bar->lastButton;
    nextButton = bar->nextButton;
    voiceBtn = bar->voiceBtn;
    fullscreen = bar->fullscreen;
    captureButton = bar->captureButton;
    lookPictureButton = bar->lookPictureButton;
    fileButton = bar->fileButton;
    settingsButton = bar->settingsButton;
    helpButton = bar->helpButton;
    eventsButton = bar->eventsButton;
    telemetryTimeline = bar->timeline;
    telemetryTimeline->setKmph(settings_.kmph());
    eventsList = new EventsListView(this);
    eventsList->hide();
    connect(telemetryTimeline, &TelemetryTimeline::seekRequested, this, &PlayerView::seekTimeline);
    connect(eventsButton, &QToolButton::clicked, this, &PlayerView::showEvents);
    connect(eventsList, &EventsListView::eventActivated, this, &PlayerView::seekBeforeEvent);
    connect(eventsList, &EventsListView::markInRequested, this, &PlayerView::markIn);
    connect(eventsList, &EventsListView::markOutRequested, this, &PlayerView::markOut);

    // The slider holds milliseconds; the value that seeks is in seconds.
    connect(timeSlider, &QSlider::sliderMoved, this, [this](int ms) { setCurrentTime(ms / 1000.0); });
    connect(timeSlider, &QSlider::actionTriggered, this, [this](int action) {
        if (action != QAbstractSlider::SliderMove && action != QAbstractSlider::SliderNoAction)
            setCurrentTime(timeSlider->sliderPosition() / 1000.0);
    });
    connect(volumeSlider, &QSlider::valueChanged, this, [this](int v) { setVolume(float(v) / 100.0f); });
    connect(playButton, &QToolButton::clicked, this, &PlayerView::playOrPause);
    connect(stopButton, &QToolButton::clicked, this, &PlayerView::stopVideo);
    connect(forwardButton, &QToolButton::clicked, this, &PlayerView::forwardRate);
    connect(backwardButton, &QToolButton::clicked, this, &PlayerView::backwardRate);
    connect(nextButton, &QToolButton::clicked, this, &PlayerView::nextFile);
    connect(lastButton, &QToolButton::clicked, this, &PlayerView::previousFile);
    connect(voiceBtn, &QToolButton::clicked, this, &PlayerView::clickVoiceBtn);
    connect(captureButton, &QToolButton::clicked, this, &PlayerView::capture);
    connect(lookPictureButton, &QToolButton::clicked, this, &PlayerView::lookPicture);
    connect(fileButton, &QToolButton::clicked, this, &PlayerView::openFile);
    connect(settingsButton, &QToolButton::clicked, this, &PlayerView::settings);
    connect(helpButton, &QToolButton::clicked, this, &PlayerView::helps);
    connect(fullscreen, &QToolButton::clicked, this, &PlayerView::zoomInOut);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(containerView, 1);
    layout->addWidget(bar);

    overlays_ = std::make_unique<PlayerOverlays>(containerView, settings_);
    PlayerOverlays &o = *overlays_;
    settingsDialog = o.settingsDialog;
    radioSpeed = o.radioSpeed;
    radioLanguage = o.radioLanguage;
    radioMap = o.radioMap;
    helpDialog = o.helpDialog;
    helpVideo = o.helpVideo;
    helpWebsite = o.helpWebsite;
    helpShop = o.helpShop;
    helpAbout = o.helpAbout;
    aboutImageinfo = o.aboutImageinfo;
    closeAboutInfo = o.closeAboutInfo;
    connect(radioSpeed, &QButtonGroup::idClicked, this, [this] { speedRadio(); });
    connect(radioLanguage, &QButtonGroup::idClicked, this, [this] { languageRadio(); });
    connect(radioMap, &QButtonGroup::idClicked, this, [this] { mapRadio(); });
    connect(&settings_, &Settings::speedUnitChanged, this, [this](bool kmph) {
        overlays_->showSettings();
        telemetryTimeline->setKmph(kmph);
        findEvents();
    });
    connect(&settings_, &Settings::eventThresholdsChanged, this, &PlayerView::findEvents);
    connect(&settings_, &Settings::mapProviderChanged, this, [this] { overlays_->showSettings(); });
    connect(helpVideo, &QPushButton::clicked, this, &PlayerView::videoHelpClick);
    connect(helpWebsite, &QPushButton::clicked, this, &PlayerView::websiteHelpClick);
    connect(helpShop, &QPushButton::clicked, this, &PlayerView::shopClick);
    connect(helpAbout, &QPushButton::clicked, this, &PlayerView::aboutHelpClick);
    connect(closeAboutInfo, &QToolButton::clicked, this, &PlayerView::closeAboutClick);

    fileButton->hide();
    timeSlider->setEnabled(true);

    bar->showVolume(session_->volume());

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
    if (watched == containerView && event->type() == QEvent::Resize && overlays_)
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
// Following the session

void PlayerView::followSession()
{
    PlaybackSession *s = session_;
    connect(s, &PlaybackSession::timeChanged, this, &PlayerView::showTime);
    connect(s, &PlaybackSession::timeChanged, this, &PlayerView::ticked);
    movingPartsLater_.setSingleShot(true);
    connect(&movingPartsLater_, &QTimer::timeout, this, [this] { moveHandleAndPlayhead(movingPartsTime_); });
    connect(s, &PlaybackSession::seeking, this, [this](double seconds) {
        // The tick after a seek moves the handle at once.
        movingPartsMoved_.invalidate();
        movingPartsLater_.stop();
        currentTimeField->setText(TimeFormatUtils::stringFromSeconds(int(seconds)));
        telemetryTimeline->setPlayhead(tripOffset() + seconds);
    });
    connect(s, &PlaybackSession::durationChanged, this, &PlayerView::showDuration);
    connect(s, &PlaybackSession::playbackStateChanged, this, [this] {
        updatePlayButton();
        timeSlider->setEnabled(true);
    });
    connect(s, &PlaybackSession::rateChanged, this, &PlayerView::updatePlayButton);
    connect(s, &PlaybackSession::rateStepped, this, [this](int rate) {
        emit message(QString::asprintf("%dx", rate), kToastSeconds);
    });
    connect(s, &PlaybackSession::rateLadderStepped, this, [this](double rate) {
        emit message(PlaybackSteps::rateText(rate), kToastSeconds);
    });
    connect(s, &PlaybackSession::volumeChanged, controlBar_, &PlayerControlBar::showVolume);
    connect(s, &PlaybackSession::setUpFinished, this, &PlayerView::setUpFinished);
}

void PlayerView::close()
{
    session_->close();
    if (!tripParts_.isEmpty())
        setTrip({}, 0);
}

void PlayerView::initAssetData(const QUrl &url)
{
    waitingFirstFrame_ = false;
    clipSamples_.clear();
    clipTyped_.reset();
    setTelemetry({}, 0.0);
    session_->initAssetData(url);
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

void PlayerView::setTrip(const QList<TimelinePart> &parts, int playing)
{
    if (parts.size() < 2 || playing < 0 || playing >= parts.size()) {
        tripParts_.clear();
        tripPlaying_ = 0;
    } else {
        tripParts_ = parts;
        tripPlaying_ = playing;
    }
    findEvents();
    telemetryTimeline->setPlayhead(tripOffset() + currentTime());
}

double PlayerView::tripOffset() const
{
    return tripParts_.isEmpty() ? 0.0 : tripParts_.at(tripPlaying_).start;
}

void PlayerView::findEvents()
{
    const EventThresholds thresholds = EventSettings::thresholds(settings_);
    if (tripParts_.isEmpty()) {
        events_ = TelemetryEvents::detect(samples_.constData(), size_t(samples_.size()), telemetryDuration_, thresholds);
        addCarEvents(events_, typed_, telemetryDuration_);
        telemetryTimeline->setData(samples_, telemetryDuration_, events_, typed_, glitches_);
        eventsList->setEvents(events_, settings_.kmph());
        return;
    }
    // Each part on its own (an event does not run across a clip change), moved to its
    // place on the trip's axis; the list names the clip of each.
    struct Found { TelemetryEvent event; int part; };
    std::vector<Found> found;
    for (int k = 0; k < tripParts_.size(); ++k) {
        const TimelinePart &part = tripParts_.at(k);
        std::vector<TelemetryEvent> inPart =
            TelemetryEvents::detect(part.samples.constData(), size_t(part.samples.size()), part.duration, thresholds);
        addCarEvents(inPart, part.typed, part.duration);
        for (TelemetryEvent e : inPart) {
            e.time += part.start;
            e.endTime += part.start;
            found.push_back({e, k});
        }
    }
    std::stable_sort(found.begin(), found.end(), [](const Found &a, const Found &b) { return a.event.time < b.event.time; });
    events_.clear();
    QStringList clips;
    QList<double> offsets;
    for (const Found &f : found) {
        events_.push_back(f.event);
        clips << tripParts_.at(f.part).label;
        offsets << tripParts_.at(f.part).start;
    }
    telemetryTimeline->setParts(tripParts_, events_);
    eventsList->setEvents(events_, settings_.kmph(), clips, offsets);
}

void PlayerView::seekTimeline(double seconds)
{
    if (tripParts_.isEmpty()) {
        session_->seekExact(seconds);
        return;
    }
    std::vector<double> offsets, durations;
    for (const TimelinePart &part : tripParts_) {
        offsets.push_back(part.start);
        durations.push_back(part.duration);
    }
    const TripPoint at = tripPointAt(offsets, durations, seconds);
    if (int(at.clip) == tripPlaying_)
        session_->seekExact(at.seconds);
    else
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
    if (eventsList->isVisible()) {
        eventsList->hide();
        return;
    }
    const QPoint corner = mapToGlobal(QPoint(width() - eventsList->width() - 12,
                                             controlView->y() - eventsList->height() - 12));
    eventsList->move(corner);
    eventsList->show();
    eventsList->raise();
}

// At set-up the picture replaces the default image; at close the labels go back to 0.
void PlayerView::showDuration(double d)
{
    if (markIn_ || markOut_) {
        markIn_.reset();
        markOut_.reset();
        emit marksChanged();
    }
    totalTimeField->setText(TimeFormatUtils::stringFromSeconds(int(d)));
    // A time held back from the file before is not shown on this one.
    movingPartsLater_.stop();
    movingPartsMoved_.invalidate();
    waitingFirstFrame_ = d > 0;
    if (d > 0) {
        setTelemetry(clipSamples_, d, clipTyped_, clipGlitches_);
        defaultImage->hide();
        defaultImage->setPixmap(NamedImage::pixmap(QStringLiteral("colorblack"), QSize(16, 9)));
        timeSlider->setRange(0, int(std::lround(d * 1000.0)));
    } else {
        setTelemetry({}, 0.0);
        currentTimeField->setText(TimeFormatUtils::stringFromSeconds(0));
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
    currentTimeField->setText(TimeFormatUtils::stringFromSeconds(int(t)));
    if (session_->isPlaying() && movingPartsMoved_.isValid()) {
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
    const auto handlePixel = [this] {
        return QStyle::sliderPositionFromValue(timeSlider->minimum(), timeSlider->maximum(),
                                               timeSlider->sliderPosition(), qMax(1, timeSlider->width()));
    };
    const int handleBefore = handlePixel();
    if (!timeSlider->isSliderDown()) {
        const QSignalBlocker block(timeSlider);
        timeSlider->setValue(int(std::lround(t * 1000.0)));
    }
    const bool sliderRedrawn = handlePixel() != handleBefore;
    const int playheadBefore = telemetryTimeline->repaintRequests();
    telemetryTimeline->setPlayhead(tripOffset() + t, sliderRedrawn || !session_->isPlaying());
    if (sliderRedrawn || telemetryTimeline->repaintRequests() != playheadBefore)
        movingPartsMoved_.restart();
}

void PlayerView::showFirstFrame()
{
    waitingFirstFrame_ = false;
    settingsDialog->raise();
    helpDialog->raise();
    aboutImageinfo->raise();
}

void PlayerView::updatePlayButton()
{
    controlBar_->showPlaying(session_->isPlaying());
    playButton->setEnabled(session_->isReady());
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
    if (settingsDialog->isHidden()) {
        helpDialog->hide();
        overlays_->place();
        settingsDialog->show();
        settingsDialog->raise();
    } else {
        settingsDialog->hide();
    }
}

void PlayerView::helps()
{
    if (helpDialog->isHidden()) {
        settingsDialog->hide();
        overlays_->place();
        helpDialog->show();
        helpDialog->raise();
    } else {
        helpDialog->hide();
    }
}

void PlayerView::videoHelpClick()
{
    helpDialog->hide();
    QDesktopServices::openUrl(AppLinks::userGuide());
}

void PlayerView::websiteHelpClick()
{
    helpDialog->hide();
    QDesktopServices::openUrl(AppLinks::website());
}

void PlayerView::shopClick()
{
    helpDialog->hide();
    QDesktopServices::openUrl(AppLinks::shop());
}

void PlayerView::aboutHelpClick()
{
    helpDialog->hide();
    overlays_->place();
    aboutImageinfo->show();
    aboutImageinfo->raise();
}

void PlayerView::closeAboutClick()
{
    aboutImageinfo->hide();
}

void PlayerView::speedRadio()
{
    const int column = radioSpeed->checkedId();
    settings_.setKmph(column == 0);
}

void PlayerView::languageRadio()
{
    Localization::setUserLanguage(settings_, radioLanguage->checkedId() == 1 ? QStringLiteral("zh-Hans") : QStringLiteral("en"));
}

void PlayerView::mapRadio()
{
    settings_.setGoogleMap(radioMap->checkedId() == 0);
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
    if (event->key() == Qt::Key_Escape)
        FullScreen::toggle(window());
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
}

// ---------------------------------------------------------------------------------
// Incident marks

void PlayerView::markIn()
{
    if (!session_->isReady()) {
        emit message(IncidentMarks::range(std::nullopt, std::nullopt, 0).message, kToastSeconds * 3);
        return;
    }
    markIn_ = currentTime();
    confirmMarks(Localization::text("In"), *markIn_);
}

void PlayerView::markOut()
{
    if (!session_->isReady()) {
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

QString PlayerView::currentFile() const
{
    const QMediaPlayer *engine = session_->player();
    return engine && session_->isReady() ? engine->source().toLocalFile() : QString();
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
    const QMediaPlayer *engine = session_->player();
    if (engine && session_->isReady() && engine->mediaStatus() != QMediaPlayer::NoMedia) {
        const QString path = pictureSaveDirectory() + QLatin1Char('/')
                             + TimeFormatUtils::stringDateFormat(QDateTime::currentDateTime())
                             + QStringLiteral(".png");
        saveImageFileToDiskPath(path);
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
        emit self->message(Localization::text(ok ? "capture_suc" : "capture_fail"), kToastSeconds);
        emit self->captureFinished(path, ok);
    });
}

QFuture<bool> PlayerView::saveCurrentFrame(const QString &path)
{
    FrameCapture::TextChunks chunks;
    QString caption;
    if (captureFacts && session_->isReady()) {
        CaptureFacts facts = captureFacts(currentTime());
        // The user may keep where the car was and how fast it went out of saved pictures.
        if (!settings_.placeInPictures())
            facts = CaptureFacts{facts.recorded, std::nullopt, std::nullopt, std::nullopt};
        const bool mph = !settings_.kmph();
        chunks = CaptureText::chunks(facts, mph);
        if (settings_.captureCaption())
            caption = CaptureText::caption(facts, mph);
    }
    return FrameCapture::savePng(videoWidget->videoSink()->videoFrame(), path, chunks, caption);
}

void PlayerView::lookPicture()
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(pictureSaveDirectory()));
}
