#include "VideoViewController.h"

#include "PlaybackClock.h"
#include "ui/AppToast.h"
#include "common/AppColorManager.h"
#include "common/AppKeys.h"
#include "common/AppLinks.h"
#include "common/AppUserDefaults.h"
#include "common/Localization.h"
#include "common/NamedImage.h"
#include "common/NotificationCenter.h"
#include "common/TimeFormatUtils.h"
#include "ui/FullScreen.h"

#include <QApplication>
#include <QAudioOutput>
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
#include <QMediaPlayer>
#include <QPushButton>
#include <QRadioButton>
#include <QSaveFile>
#include <QSlider>
#include <QStandardPaths>
#include <QThreadPool>
#include <QToolButton>
#include <QVBoxLayout>
#include <QVideoFrame>
#include <QVideoSink>
#include <QVideoWidget>

#include <QtConcurrent/QtConcurrentRun>

#include <cmath>

namespace {

// The program-wide rate step indices.
int g_rateI = 0;
int g_rateJ = 0;

constexpr QSize kIconSize(22, 22);
constexpr float kToastSeconds = 0.8f;

QToolButton *makeButton(QWidget *parent, const char *name)
{
    auto *b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoRaise(true);
    b->setIconSize(kIconSize);
    b->setFocusPolicy(Qt::NoFocus);
    b->setCursor(Qt::PointingHandCursor);
    return b;
}

QIcon namedIcon(const char *name, qreal dpr)
{
    return QIcon(NamedImage::pixmap(QLatin1String(name), kIconSize, dpr));
}

} // namespace

VideoViewController::VideoViewController(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("VideoViewController"));
    setFocusPolicy(Qt::StrongFocus);

    engine_ = new QMediaPlayer(this);
    audio_ = new QAudioOutput(this);
    engine_->setAudioOutput(audio_);
    clock_ = new PlaybackClock(this);

    buildView();

    connect(engine_, &QMediaPlayer::mediaStatusChanged, this,
            [this](QMediaPlayer::MediaStatus s) { onMediaStatus(int(s)); });
    connect(engine_, &QMediaPlayer::playbackStateChanged, this, [this] {
        updatePlayButton();
        timeSlider->setEnabled(true);
    });
    connect(engine_, &QMediaPlayer::playbackRateChanged, this, [this] { updatePlayButton(); });
    connect(clock_, &PlaybackClock::tick, this, &VideoViewController::tick);
    connect(videoWidget->videoSink(), &QVideoSink::videoFrameChanged, this, [this](const QVideoFrame &f) {
        if (waitingFirstFrame_ && f.isValid())
            showFirstFrame();
    });
}

VideoViewController::~VideoViewController()
{
    clock_->remove();
    // Destroying a loaded or paused engine aborts inside the GStreamer video output:
    // stop and unload it first.
    engine_->stop();
    engine_->setSource(QUrl());
    engine_->setVideoOutput(nullptr);
}

// ---------------------------------------------------------------------------------
// View

void VideoViewController::buildView()
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
    videoWidget = new QVideoWidget;
    for (QWidget *child : videoWidget->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        child->winId();
    videoWidget->setParent(containerView);
    videoWidget->setObjectName(QStringLiteral("videoWidget"));
    videoWidget->setAspectRatioMode(Qt::KeepAspectRatio);
    engine_->setVideoOutput(videoWidget);

    // The video widget stays shown: hidden, it stops taking frames from the engine.
    // Before the first file the default image covers it (both are native windows).
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

    // Control bar: the time row above, the buttons below.
    controlView = new QFrame(this);
    controlView->setObjectName(QStringLiteral("controlView"));
    controlView->setStyleSheet(QStringLiteral(
        "#controlView { background: #1d1f23; border-top: 1px solid #33363c; }"
        "#controlView QLabel { color: #d8dade; font-size: 12px; }"
        "#controlView QToolButton { border: none; border-radius: 4px; padding: 3px; }"
        "#controlView QToolButton:hover { background: #363a42; }"
        "#controlView QToolButton:pressed { background: #4a4f59; }"
        "#controlView QToolButton:disabled { background: transparent; }"
        "QSlider::groove:horizontal { height: 4px; background: #464a52; border-radius: 2px; }"
        "QSlider::sub-page:horizontal { background: #3d9be9; border-radius: 2px; }"
        "QSlider::handle:horizontal { background: #f2f3f5; width: 12px; height: 12px;"
        "  margin: -4px 0; border-radius: 6px; }"
        "QSlider::handle:horizontal:disabled { background: #7a7d83; }"
        "QSlider::sub-page:horizontal:disabled { background: #5b6470; }"));

    currentTimeField = new QLabel(QStringLiteral("0:00"), controlView);
    totalTimeField = new QLabel(QStringLiteral("0:00"), controlView);
    currentTimeField->setObjectName(QStringLiteral("currentTimeField"));
    totalTimeField->setObjectName(QStringLiteral("totalTimeField"));
    for (QLabel *l : {currentTimeField, totalTimeField}) {
        l->setMinimumWidth(44);
        l->setAlignment(Qt::AlignCenter);
    }
    timeSlider = new QSlider(Qt::Horizontal, controlView);
    timeSlider->setObjectName(QStringLiteral("timeSlider"));
    timeSlider->setRange(0, 0);
    timeSlider->setFocusPolicy(Qt::NoFocus);
    // The slider holds milliseconds; the value that seeks is in seconds.
    connect(timeSlider, &QSlider::sliderMoved, this, [this](int ms) { setCurrentTime(ms / 1000.0); });
    connect(timeSlider, &QSlider::actionTriggered, this, [this](int action) {
        if (action != QAbstractSlider::SliderMove && action != QAbstractSlider::SliderNoAction)
            setCurrentTime(timeSlider->sliderPosition() / 1000.0);
    });

    const qreal dpr = devicePixelRatioF();
    lastButton = makeButton(controlView, "lastButton");
    backwardButton = makeButton(controlView, "backwardButton");
    playButton = makeButton(controlView, "playButton");
    stopButton = makeButton(controlView, "stopButton");
    forwardButton = makeButton(controlView, "forwardButton");
    nextButton = makeButton(controlView, "nextButton");
    voiceBtn = makeButton(controlView, "voiceBtn");
    captureButton = makeButton(controlView, "captureButton");
    lookPictureButton = makeButton(controlView, "lookPictureButton");
    fileButton = makeButton(controlView, "fileButton");
    settingsButton = makeButton(controlView, "settingsButton");
    helpButton = makeButton(controlView, "helpButton");
    fullscreen = makeButton(controlView, "fullscreen");
    playButton->setIconSize(QSize(30, 30));

    lastButton->setIcon(namedIcon("player_last", dpr));
    backwardButton->setIcon(namedIcon("player_backward", dpr));
    playButton->setIcon(QIcon(NamedImage::pixmap(QStringLiteral("player_play"), QSize(30, 30), dpr)));
    stopButton->setIcon(namedIcon("player_stop", dpr));
    forwardButton->setIcon(namedIcon("player_forward", dpr));
    nextButton->setIcon(namedIcon("player_next", dpr));
    voiceBtn->setIcon(namedIcon("speaker_on", dpr));
    voiceBtn->setProperty("tag", 1);
    captureButton->setIcon(namedIcon("player_capture", dpr));
    lookPictureButton->setIcon(namedIcon("player_folder", dpr));
    fileButton->setIcon(namedIcon("player_open", dpr));
    settingsButton->setIcon(namedIcon("player_settings", dpr));
    helpButton->setIcon(namedIcon("player_help", dpr));
    fullscreen->setIcon(namedIcon("player_expand", dpr));

    volumSlider = new QSlider(Qt::Horizontal, controlView);
    volumSlider->setObjectName(QStringLiteral("volumSlider"));
    volumSlider->setRange(0, 100);
    volumSlider->setFixedWidth(96);
    volumSlider->setFocusPolicy(Qt::NoFocus);
    connect(volumSlider, &QSlider::valueChanged, this, [this](int v) { setVolume(float(v) / 100.0f); });

    connect(playButton, &QToolButton::clicked, this, &VideoViewController::playOrPause);
    connect(stopButton, &QToolButton::clicked, this, &VideoViewController::stopVideo);
    connect(forwardButton, &QToolButton::clicked, this, &VideoViewController::forwardRate);
    connect(backwardButton, &QToolButton::clicked, this, &VideoViewController::backwardRate);
    connect(nextButton, &QToolButton::clicked, this, &VideoViewController::nextFile);
    connect(lastButton, &QToolButton::clicked, this, &VideoViewController::lastFile);
    connect(voiceBtn, &QToolButton::clicked, this, &VideoViewController::clickVoiceBtn);
    connect(captureButton, &QToolButton::clicked, this, &VideoViewController::capture);
    connect(lookPictureButton, &QToolButton::clicked, this, &VideoViewController::lookPicture);
    connect(fileButton, &QToolButton::clicked, this, &VideoViewController::openFile);
    connect(settingsButton, &QToolButton::clicked, this, &VideoViewController::settings);
    connect(helpButton, &QToolButton::clicked, this, &VideoViewController::helps);
    connect(fullscreen, &QToolButton::clicked, this, &VideoViewController::zoomInOut);

    auto *timeRow = new QHBoxLayout;
    timeRow->setContentsMargins(10, 6, 10, 0);
    timeRow->setSpacing(8);
    timeRow->addWidget(currentTimeField);
    timeRow->addWidget(timeSlider, 1);
    timeRow->addWidget(totalTimeField);

    auto *buttonRow = new QHBoxLayout;
    buttonRow->setContentsMargins(8, 0, 8, 6);
    buttonRow->setSpacing(4);
    buttonRow->addWidget(voiceBtn);
    buttonRow->addWidget(volumSlider);
    buttonRow->addStretch(1);
    for (QToolButton *b : {lastButton, backwardButton, playButton, stopButton, forwardButton, nextButton})
        buttonRow->addWidget(b);
    buttonRow->addStretch(1);
    for (QToolButton *b : {fileButton, captureButton, lookPictureButton, settingsButton, helpButton, fullscreen})
        buttonRow->addWidget(b);

    auto *bar = new QVBoxLayout(controlView);
    bar->setContentsMargins(0, 0, 0, 0);
    bar->setSpacing(2);
    bar->addLayout(timeRow);
    bar->addLayout(buttonRow);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(containerView, 1);
    layout->addWidget(controlView);

    // Overlays above the picture. The video is a native child window, so they are
    // native too to stay on top of it.
    const QString overlayStyle = QStringLiteral(
        "QFrame#%1 { background: #484a50; border: 1px solid #5c6068; }"
        "QFrame#%1 QLabel, QFrame#%1 QRadioButton { color: white; font-size: 14px; background: transparent; }"
        "QFrame#%1 QRadioButton::indicator { width: 10px; height: 10px; border-radius: 7px;"
        "  border: 2px solid #d5d9e0; background: transparent; }"
        "QFrame#%1 QRadioButton::indicator:checked { background: #3d9be9; border-color: #ffffff; }"
        "QFrame#%1 QPushButton { color: white; font-size: 14px; text-align: left; padding: 6px 10px;"
        "  border: none; border-radius: 4px; background: transparent; }"
        "QFrame#%1 QPushButton:hover { background: rgba(255, 255, 255, 30); }");

    settingsDialog = new QFrame(containerView);
    settingsDialog->setObjectName(QStringLiteral("settingsDialog"));
    settingsDialog->setStyleSheet(overlayStyle.arg(settingsDialog->objectName()));
    settingsDialog->setAttribute(Qt::WA_NativeWindow);
    auto *settingsGrid = new QGridLayout(settingsDialog);
    settingsGrid->setContentsMargins(16, 12, 16, 12);
    settingsGrid->setHorizontalSpacing(14);
    settingsGrid->setVerticalSpacing(8);
    radioSpeed = new QButtonGroup(settingsDialog);
    radioLanguage = new QButtonGroup(settingsDialog);
    radioMap = new QButtonGroup(settingsDialog);
    const struct {
        QButtonGroup *group;
        const char *title;
        const char *first;
        const char *second;
    } rows[] = {
        {radioSpeed, "player_speed_unit", "player_speed_kmh", "player_speed_mph"},
        {radioLanguage, "player_language", "player_language_en", "player_language_zh"},
        {radioMap, "player_map", "player_map_google", "player_map_osm"},
    };
    for (int r = 0; r < 3; ++r) {
        auto *title = new QLabel(settingsDialog);
        title->setProperty("key", QByteArray(rows[r].title));
        settingsGrid->addWidget(title, r, 0);
        const char *labels[] = {rows[r].first, rows[r].second};
        for (int c = 0; c < 2; ++c) {
            auto *radio = new QRadioButton(settingsDialog);
            radio->setProperty("key", QByteArray(labels[c]));
            radio->setFocusPolicy(Qt::NoFocus);
            rows[r].group->addButton(radio, c);
            settingsGrid->addWidget(radio, r, c + 1);
        }
    }
    connect(radioSpeed, &QButtonGroup::idClicked, this, [this] { speedRadio(); });
    connect(radioLanguage, &QButtonGroup::idClicked, this, [this] { languageRadio(); });
    connect(radioMap, &QButtonGroup::idClicked, this, [this] { mapRadio(); });
    auto *center = NotificationCenter::defaultCenter();
    center->addObserver(this, QLatin1String(AppKeys::SPEED_UNIT_NOTIFICATION), [this] { showSettings(); });
    center->addObserver(this, QLatin1String(AppKeys::CHANGE_MAP_NOTIFICATION), [this] { showSettings(); });
    settingsDialog->hide();

    helpDialog = new QFrame(containerView);
    helpDialog->setObjectName(QStringLiteral("helpDialog"));
    helpDialog->setStyleSheet(overlayStyle.arg(helpDialog->objectName()));
    helpDialog->setAttribute(Qt::WA_NativeWindow);
    auto *helpColumn = new QVBoxLayout(helpDialog);
    helpColumn->setContentsMargins(10, 10, 10, 10);
    helpColumn->setSpacing(2);
    helpVideo = new QPushButton(helpDialog);
    helpWebsite = new QPushButton(helpDialog);
    helpShop = new QPushButton(helpDialog);
    helpAbout = new QPushButton(helpDialog);
    for (QPushButton *b : {helpVideo, helpWebsite, helpShop, helpAbout}) {
        b->setFocusPolicy(Qt::NoFocus);
        b->setCursor(Qt::PointingHandCursor);
        helpColumn->addWidget(b);
    }
    connect(helpVideo, &QPushButton::clicked, this, &VideoViewController::videoHelpClick);
    connect(helpWebsite, &QPushButton::clicked, this, &VideoViewController::websiteHelpClick);
    connect(helpShop, &QPushButton::clicked, this, &VideoViewController::shopClick);
    connect(helpAbout, &QPushButton::clicked, this, &VideoViewController::aboutHelpClick);
    helpDialog->hide();

    aboutImageinfo = new QLabel(containerView);
    aboutImageinfo->setObjectName(QStringLiteral("aboutImageinfo"));
    aboutImageinfo->setAttribute(Qt::WA_NativeWindow);
    aboutImageinfo->setAlignment(Qt::AlignCenter);
    aboutImageinfo->setStyleSheet(QStringLiteral("background: black;"));
    closeAboutInfo = makeButton(aboutImageinfo, "closeAboutInfo");
    closeAboutInfo->setIcon(namedIcon("player_close", dpr));
    closeAboutInfo->setStyleSheet(QStringLiteral(
        "QToolButton { border: none; border-radius: 4px; padding: 3px; }"
        "QToolButton:hover { background: #363a42; }"));
    connect(closeAboutInfo, &QToolButton::clicked, this, &VideoViewController::closeAboutClick);
    aboutImageinfo->hide();

    fileButton->hide();
    timeSlider->setEnabled(true);

    const std::optional<double> stored = AppUserDefaults::number(AppKeys::VOLUME);
    {
        const QSignalBlocker block(volumSlider);
        volumSlider->setValue(int(std::lround(std::clamp(stored.value_or(1.0), 0.0, 1.0) * 100.0)));
    }
    audio_->setVolume(float(volumSlider->value()) / 100.0f);
    voiceBtn->setIcon(namedIcon(volumSlider->value() != 0 ? "speaker_on" : "speaker_off", dpr));
    voiceBtn->setProperty("tag", volumSlider->value() != 0 ? 1 : 0);

    showSettings();
    updatePlayButton();
    retranslate();
}

void VideoViewController::retranslate()
{
    fullscreen->setToolTip(Localization::text("Expand playback window"));
    captureButton->setToolTip(Localization::text("Screen Capture to 'Pictures'"));
    playButton->setToolTip(Localization::text("player_tip_play"));
    stopButton->setToolTip(Localization::text("player_tip_stop"));
    forwardButton->setToolTip(Localization::text("player_tip_forward"));
    backwardButton->setToolTip(Localization::text("player_tip_backward"));
    lastButton->setToolTip(Localization::text("player_tip_last"));
    nextButton->setToolTip(Localization::text("player_tip_next"));
    voiceBtn->setToolTip(Localization::text("player_tip_volume"));
    volumSlider->setToolTip(Localization::text("player_tip_volume"));
    lookPictureButton->setToolTip(Localization::text("player_tip_pictures"));
    fileButton->setToolTip(Localization::text("player_tip_open"));
    settingsButton->setToolTip(Localization::text("player_tip_settings"));
    helpButton->setToolTip(Localization::text("player_tip_help"));
    helpVideo->setText(Localization::text("player_help_video"));
    helpWebsite->setText(Localization::text("player_help_website"));
    helpShop->setText(Localization::text("player_help_shop"));
    helpAbout->setText(Localization::text("About"));
    closeAboutInfo->setToolTip(Localization::text("player_tip_close"));
    for (QWidget *w : settingsDialog->findChildren<QWidget *>()) {
        const QByteArray key = w->property("key").toByteArray();
        if (key.isEmpty())
            continue;
        if (auto *l = qobject_cast<QLabel *>(w))
            l->setText(Localization::text(key.constData()));
        else if (auto *b = qobject_cast<QAbstractButton *>(w))
            b->setText(Localization::text(key.constData()));
    }
    settingsDialog->adjustSize();
    helpDialog->adjustSize();
    placeOverlays();
    showSettings();
}

void VideoViewController::showSettings()
{
    radioSpeed->button(AppUserDefaults::isKMPH() ? 0 : 1)->setChecked(true);
    radioLanguage->button(Localization::installedLanguage() == QLatin1String("zh-Hans") ? 1 : 0)->setChecked(true);
    radioMap->button(AppUserDefaults::isGoogleMap() ? 0 : 1)->setChecked(true);
}

void VideoViewController::placeOverlays()
{
    if (!containerView)
        return;
    const QRect area = containerView->rect();
    settingsDialog->adjustSize();
    helpDialog->adjustSize();
    const int margin = 12;
    settingsDialog->move(area.right() - settingsDialog->width() - margin,
                         area.bottom() - settingsDialog->height() - margin);
    helpDialog->move(area.right() - helpDialog->width() - margin,
                     area.bottom() - helpDialog->height() - margin);
    aboutImageinfo->setGeometry(area);
    const QSize pic = area.size().scaled(QSize(600, 400), Qt::KeepAspectRatio);
    aboutImageinfo->setPixmap(NamedImage::pixmap(QStringLiteral("about"), pic.boundedTo(QSize(600, 400)),
                                                 devicePixelRatioF()));
    closeAboutInfo->move(aboutImageinfo->width() - closeAboutInfo->sizeHint().width() - 8, 8);
}

bool VideoViewController::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == containerView && event->type() == QEvent::Resize)
        placeOverlays();
    return QWidget::eventFilter(watched, event);
}

void VideoViewController::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QWidget::changeEvent(event);
}

// ---------------------------------------------------------------------------------
// Opening, set-up, tear-down

void VideoViewController::initAssetData(const QUrl &url)
{
    if (url.isEmpty())
        return;
    const QString path = QString::fromUtf8(url.toEncoded());
    gpsDelegate.dataLogicProcessOfViodePath(path);
    gpsInfoDelegate.dataLogicProcessOfViodePath(path);
    speedDelegate.dataLogicProcessOfViodePath(path);
    isAddVideoFile_ = true;

    // A file still playing is stopped before the engine takes the new one.
    if (observing_) {
        clock_->remove();
        observing_ = false;
    }
    ready_ = false;
    waitingFirstFrame_ = false;
    loading_ = true;
    engine_->stop();
    engine_->setSource(url);
    // An unreadable or empty source is judged at once by some backends.
    if (engine_->mediaStatus() == QMediaPlayer::InvalidMedia)
        onMediaStatus(int(QMediaPlayer::InvalidMedia));
}

void VideoViewController::onMediaStatus(int status)
{
    if (!loading_)
        return;
    if (status == QMediaPlayer::LoadedMedia) {
        loading_ = false;
        if (!engine_->hasVideo() || !engine_->isAvailable()) {
            engine_->stop();
            engine_->setSource(QUrl());
            emit setUpFinished(false);
            return;
        }
        setUpPlaybackOfAsset();
    } else if (status == QMediaPlayer::InvalidMedia) {
        loading_ = false;
        engine_->stop();
        engine_->setSource(QUrl());
        emit setUpFinished(false);
    }
}

void VideoViewController::setUpPlaybackOfAsset()
{
    playerBuilt_ = true;
    ready_ = true;

    defaultImage->hide();
    defaultImage->setPixmap(NamedImage::pixmap(QStringLiteral("colorblack"), QSize(16, 9)));
    waitingFirstFrame_ = true;
    playButton->setEnabled(true);

    const double d = duration();
    totalTimeField->setText(TimeFormatUtils::stringFromSeconds(int(d)));
    timeSlider->setRange(0, int(engine_->duration()));

    speedDelegate.videoAllTime(d);
    gpsDelegate.videoAllTime(d);
    gpsInfoDelegate.videoAllTime(d);

    clock_->install(engine_, videoWidget->videoSink());
    observing_ = true;

    const std::optional<double> stored = AppUserDefaults::number(AppKeys::VOLUME);
    {
        const QSignalBlocker block(volumSlider);
        volumSlider->setValue(int(std::lround(std::clamp(stored.value_or(1.0), 0.0, 1.0) * 100.0)));
    }
    audio_->setVolume(float(volumSlider->value()) / 100.0f);

    engine_->setPlaybackRate(1.0);
    engine_->play();
    updatePlayButton();
    emit setUpFinished(true);
}

void VideoViewController::showFirstFrame()
{
    waitingFirstFrame_ = false;
    settingsDialog->raise();
    helpDialog->raise();
    aboutImageinfo->raise();
}

void VideoViewController::close()
{
    if (isAddVideoFile_) {
        loading_ = false;
        waitingFirstFrame_ = false;
        if (observing_) {
            clock_->remove();
            observing_ = false;
        }
        engine_->pause();
        engine_->stop();
        engine_->setSource(QUrl());
        ready_ = false;
        currentTimeField->setText(TimeFormatUtils::stringFromSeconds(0));
        totalTimeField->setText(TimeFormatUtils::stringFromSeconds(0));
        updatePlayButton();
    }
    isAddVideoFile_ = false;
}

QMediaPlayer *VideoViewController::player() const
{
    return playerBuilt_ ? engine_ : nullptr;
}

double VideoViewController::requestedRate() const
{
    if (!player() || engine_->playbackState() != QMediaPlayer::PlayingState)
        return 0.0;
    return engine_->playbackRate();
}

// ---------------------------------------------------------------------------------
// Clock

void VideoViewController::tick(double t)
{
    gpsDelegate.updateDataByCurrentTime(t);
    gpsInfoDelegate.updateDataByCurrentTime(t);
    speedDelegate.updateDataByCurrentTime(t);
    if (!timeSlider->isSliderDown()) {
        const QSignalBlocker block(timeSlider);
        timeSlider->setValue(int(std::lround(t * 1000.0)));
    }
    currentTimeField->setText(TimeFormatUtils::stringFromSeconds(int(t)));
    emit ticked(t);
    if (duration() == t) {
        videoEndDelegate.videoEnd();
        removesourceMap.removeLineMap();
    }
}

double VideoViewController::currentTime() const
{
    if (!player() || !ready_)
        return 0.0;
    return clock_->currentTime();
}

void VideoViewController::setCurrentTime(double seconds)
{
    if (!player() || !ready_)
        return;
    clock_->seek(seconds);
    currentTimeField->setText(TimeFormatUtils::stringFromSeconds(int(seconds)));
}

double VideoViewController::duration() const
{
    if (!ready_)
        return 0.0;
    return double(engine_->duration()) / 1000.0;
}

// ---------------------------------------------------------------------------------
// Transport

void VideoViewController::updatePlayButton()
{
    const bool playing = engine_->playbackState() == QMediaPlayer::PlayingState;
    playButton->setIcon(QIcon(NamedImage::pixmap(QLatin1String(playing ? "player_pause" : "player_play"),
                                                 QSize(30, 30), devicePixelRatioF())));
    playButton->setEnabled(ready_);
}

int VideoViewController::rateIndexForward()
{
    return g_rateI;
}

int VideoViewController::rateIndexBackward()
{
    return g_rateJ;
}

void VideoViewController::playOrPause()
{
    g_rateI = 0;
    g_rateJ = 0;
    execPlayOrPause();
}

void VideoViewController::execPlayOrPause()
{
    if (!player() || !ready_)
        return;
    if (engine_->playbackState() == QMediaPlayer::PlayingState) {
        engine_->pause();
    } else {
        if (currentTime() == duration())
            setCurrentTime(0);
        setRate(1.0);
    }
    timeSlider->setEnabled(true);
}

void VideoViewController::setRate(double rate)
{
    engine_->setPlaybackRate(rate);
    if (engine_->playbackState() != QMediaPlayer::PlayingState)
        engine_->play();
}

void VideoViewController::stopVideo()
{
    if (!player() || !ready_)
        return;
    engine_->pause();
    setCurrentTime(0);
}

void VideoViewController::forwardRate()
{
    g_rateJ = 0;
    if (!player() || !ready_)
        return;
    if (g_rateI >= RATE_VIDEO_LENGTH)
        g_rateI = 0;
    const int r = RATE_VIDEO[g_rateI++];
    setRate(double(float(r)));
    AppToast::showToast(QString::asprintf("%dx", r), kToastSeconds);
}

void VideoViewController::backwardRate()
{
    g_rateI = 0;
    if (!player() || !ready_)
        return;
    if (g_rateJ >= RATE_VIDEO_LENGTH)
        g_rateJ = 0;
    const int r = -RATE_VIDEO[g_rateJ++];
    setRate(double(float(r)));
    AppToast::showToast(QString::asprintf("%dx", r), kToastSeconds);
}

void VideoViewController::nextFile()
{
    videoEndDelegate.playNext(true);
}

void VideoViewController::lastFile()
{
    videoEndDelegate.playNext(false);
}

void VideoViewController::zoomInOut()
{
    zoomState = zoomInDelegate.zoomInVideoPlayWindow(zoomState);
    if (zoomState == 0)
        NotificationCenter::defaultCenter()->postNotificationName(QLatin1String(AppKeys::COMPASS_NOTIFICATION));
}

float VideoViewController::volume() const
{
    return audio_->volume();
}

void VideoViewController::setVolume(float v)
{
    v = std::clamp(v, 0.0f, 1.0f);
    audio_->setVolume(v);
    AppUserDefaults::setValue(AppKeys::VOLUME, double(v));
    AppUserDefaults::synchronize();
    voiceBtn->setIcon(namedIcon(v != 0.0f ? "speaker_on" : "speaker_off", devicePixelRatioF()));
    voiceBtn->setProperty("tag", v != 0.0f ? 1 : 0);
    const int pos = int(std::lround(v * 100.0f));
    if (volumSlider->value() != pos) {
        const QSignalBlocker block(volumSlider);
        volumSlider->setValue(pos);
    }
}

void VideoViewController::clickVoiceBtn()
{
}

// ---------------------------------------------------------------------------------
// Overlays

void VideoViewController::settings()
{
    if (settingsDialog->isHidden()) {
        helpDialog->hide();
        placeOverlays();
        settingsDialog->show();
        settingsDialog->raise();
    } else {
        settingsDialog->hide();
    }
}

void VideoViewController::helps()
{
    if (helpDialog->isHidden()) {
        settingsDialog->hide();
        placeOverlays();
        helpDialog->show();
        helpDialog->raise();
    } else {
        helpDialog->hide();
    }
}

void VideoViewController::videoHelpClick()
{
    helpDialog->hide();
    QDesktopServices::openUrl(AppLinks::userGuide());
}

void VideoViewController::websiteHelpClick()
{
    helpDialog->hide();
    QDesktopServices::openUrl(AppLinks::website());
}

void VideoViewController::shopClick()
{
    helpDialog->hide();
    QDesktopServices::openUrl(AppLinks::shop());
}

void VideoViewController::aboutHelpClick()
{
    helpDialog->hide();
    placeOverlays();
    aboutImageinfo->show();
    aboutImageinfo->raise();
}

void VideoViewController::closeAboutClick()
{
    aboutImageinfo->hide();
}

void VideoViewController::speedRadio()
{
    const int column = radioSpeed->checkedId();
    AppUserDefaults::changeSpeedUnit(QLatin1String(column != 0 ? AppKeys::SPEED_UNIT_MILEPH : AppKeys::SPEED_UNIT_KMPH));
}

void VideoViewController::languageRadio()
{
    Localization::setUserLanguage(radioLanguage->checkedId() == 1 ? QStringLiteral("zh-Hans") : QStringLiteral("en"));
}

void VideoViewController::mapRadio()
{
    AppUserDefaults::changeMap(QLatin1String(radioMap->checkedId() == 0 ? AppKeys::CHANGE_MAP_GOOGLE
                                                                       : AppKeys::CHANGE_MAP_STREET));
}

void VideoViewController::openFile()
{
    emit openFileRequested();
}

void VideoViewController::playUrl(const QUrl &url)
{
    close();
    initAssetData(url);
}

// ---------------------------------------------------------------------------------
// Keys

void VideoViewController::keyDown(QKeyEvent *event)
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

void VideoViewController::keyPressEvent(QKeyEvent *event)
{
    if (event->text() == QLatin1String(" ") || event->key() == Qt::Key_Escape) {
        keyDown(event);
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

// ---------------------------------------------------------------------------------
// Capture

QString VideoViewController::pictureSaveDirectory()
{
    QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (pictures.isEmpty())
        pictures = QDir::homePath() + QStringLiteral("/Pictures");
    const QString dir = pictures + QStringLiteral("/vistrel");
    if (!QFileInfo::exists(dir))
        QDir().mkpath(dir);
    return dir;
}

void VideoViewController::capture()
{
    if (player() && ready_ && engine_->mediaStatus() != QMediaPlayer::NoMedia) {
        const QString path = pictureSaveDirectory() + QLatin1Char('/')
                             + TimeFormatUtils::stringDateFormat(QDateTime::currentDateTime())
                             + QStringLiteral(".png");
        saveImageFileToDiskPath(path);
        return;
    }
    AppToast::showToast(Localization::text("capture_fail"), kToastSeconds);
}

void VideoViewController::saveImageFileToDiskPath(const QString &path)
{
    // The frame under the playhead is the one the sink shows; converting, encoding and
    // writing it happen on the pool.
    const QVideoFrame frame = videoWidget->videoSink()->videoFrame();
    QPointer<VideoViewController> self(this);
    auto work = [frame, path]() -> bool {
        if (!frame.isValid())
            return false;
        const QImage image = frame.toImage();
        if (image.isNull())
            return false;
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return false;
        if (!image.save(&file, "PNG"))
            return false;
        return file.commit();
    };
    (void)QtConcurrent::run(QThreadPool::globalInstance(), [self, work, path] {
        const bool ok = work();
        QMetaObject::invokeMethod(qApp, [self, ok, path] {
            AppToast::showToast(Localization::text(ok ? "capture_suc" : "capture_fail"), kToastSeconds);
            if (self)
                emit self->captureFinished(path, ok);
        }, Qt::QueuedConnection);
    });
}

void VideoViewController::lookPicture()
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(pictureSaveDirectory()));
}
