#include "PlayerControlBar.h"

#include "TelemetryTimeline.h"
#include "common/Localization.h"
#include "common/NamedImage.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QSlider>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

namespace {

constexpr QSize kIconSize(22, 22);
constexpr QSize kPlayIconSize(30, 30);

} // namespace

PositionSlider::PositionSlider(QWidget *parent) : QSlider(Qt::Horizontal, parent) {}

int PositionSlider::handlePixel() const
{
    // The whole width as the span: at least as fine as the handle's own travel.
    return QStyle::sliderPositionFromValue(minimum(), maximum(), sliderPosition(), qMax(1, width()));
}

void PositionSlider::sliderChange(SliderChange change)
{
    if (change == SliderValueChange) {
        const int pixel = handlePixel();
        if (pixel == shownPixel_)
            return;
        shownPixel_ = pixel;
    } else {
        shownPixel_ = -1;
    }
    QSlider::sliderChange(change);
}

void PositionSlider::resizeEvent(QResizeEvent *event)
{
    shownPixel_ = -1;
    QSlider::resizeEvent(event);
}

QToolButton *PlayerControlBar::makeButton(QWidget *parent, const char *name)
{
    auto *b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoRaise(true);
    b->setIconSize(kIconSize);
    b->setFocusPolicy(Qt::NoFocus);
    b->setCursor(Qt::PointingHandCursor);
    return b;
}

QIcon PlayerControlBar::namedIcon(const char *name, qreal dpr)
{
    return QIcon(NamedImage::pixmap(QLatin1String(name), kIconSize, dpr));
}

PlayerControlBar::PlayerControlBar(QWidget *parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("controlView"));
    setStyleSheet(QStringLiteral(
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

    currentTimeField = new QLabel(QStringLiteral("0:00"), this);
    totalTimeField = new QLabel(QStringLiteral("0:00"), this);
    currentTimeField->setObjectName(QStringLiteral("currentTimeField"));
    totalTimeField->setObjectName(QStringLiteral("totalTimeField"));
    for (QLabel *l : {currentTimeField, totalTimeField}) {
        l->setMinimumWidth(44);
        l->setAlignment(Qt::AlignCenter);
    }
    timeSlider = new PositionSlider(this);
    timeSlider->setObjectName(QStringLiteral("timeSlider"));
    timeSlider->setRange(0, 0);
    timeSlider->setFocusPolicy(Qt::NoFocus);

    const qreal dpr = devicePixelRatioF();
    const struct {
        QToolButton **button;
        const char *name;
        const char *image;
    } buttons[] = {
        {&lastButton, "lastButton", "player_last"},
        {&backwardButton, "backwardButton", "player_backward"},
        {&playButton, "playButton", nullptr},
        {&stopButton, "stopButton", "player_stop"},
        {&forwardButton, "forwardButton", "player_forward"},
        {&nextButton, "nextButton", "player_next"},
        {&voiceBtn, "voiceBtn", nullptr},
        {&eventsButton, "eventsButton", "player_events"},
        {&captureButton, "captureButton", "player_capture"},
        {&lookPictureButton, "lookPictureButton", "player_folder"},
        {&fileButton, "fileButton", "player_open"},
        {&settingsButton, "settingsButton", "player_settings"},
        {&helpButton, "helpButton", "player_help"},
        {&fullscreen, "fullscreen", "player_expand"},
    };
    for (const auto &b : buttons) {
        *b.button = makeButton(this, b.name);
        if (b.image)
            (*b.button)->setIcon(namedIcon(b.image, dpr));
    }
    playButton->setIconSize(kPlayIconSize);

    volumeSlider = new QSlider(Qt::Horizontal, this);
    volumeSlider->setObjectName(QStringLiteral("volumeSlider"));
    volumeSlider->setRange(0, 100);
    volumeSlider->setFixedWidth(96);
    volumeSlider->setFocusPolicy(Qt::NoFocus);
    showPlaying(false);
    showVolume(1.0f);

    timeline = new TelemetryTimeline(this);

    auto *buttonRow = new QHBoxLayout;
    buttonRow->setContentsMargins(0, 0, 0, 0);
    buttonRow->setSpacing(4);
    buttonRow->addWidget(voiceBtn);
    buttonRow->addWidget(volumeSlider);
    buttonRow->addStretch(1);
    for (QToolButton *b : {lastButton, backwardButton, playButton, stopButton, forwardButton, nextButton})
        buttonRow->addWidget(b);
    buttonRow->addStretch(1);
    for (QToolButton *b :
         {fileButton, eventsButton, captureButton, lookPictureButton, settingsButton, helpButton, fullscreen})
        buttonRow->addWidget(b);

    // One grid, so that the timeline shares the slider's column and so its width.
    auto *bar = new QGridLayout(this);
    bar->setContentsMargins(8, 6, 8, 8);
    bar->setHorizontalSpacing(8);
    bar->setVerticalSpacing(2);
    bar->addWidget(currentTimeField, 0, 0);
    bar->addWidget(timeSlider, 0, 1);
    bar->addWidget(totalTimeField, 0, 2);
    bar->addLayout(buttonRow, 1, 0, 1, 3);
    bar->addWidget(timeline, 2, 1);
    bar->setColumnStretch(1, 1);
}

void PlayerControlBar::retranslate()
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
    volumeSlider->setToolTip(Localization::text("player_tip_volume"));
    lookPictureButton->setToolTip(Localization::text("player_tip_pictures"));
    fileButton->setToolTip(Localization::text("player_tip_open"));
    settingsButton->setToolTip(Localization::text("player_tip_settings"));
    helpButton->setToolTip(Localization::text("player_tip_help"));
    eventsButton->setToolTip(Localization::text("player_tip_events"));
}

void PlayerControlBar::showPlaying(bool playing)
{
    playButton->setIcon(QIcon(NamedImage::pixmap(QLatin1String(playing ? "player_pause" : "player_play"),
                                                 kPlayIconSize, devicePixelRatioF())));
}

void PlayerControlBar::showVolume(float v)
{
    voiceBtn->setIcon(namedIcon(v != 0.0f ? "speaker_on" : "speaker_off", devicePixelRatioF()));
    voiceBtn->setProperty("tag", v != 0.0f ? 1 : 0);
    const int pos = int(std::lround(v * 100.0f));
    if (volumeSlider->value() != pos) {
        const QSignalBlocker block(volumeSlider);
        volumeSlider->setValue(pos);
    }
}
