#include "PlayerControlBar.h"

#include "media/EngineRules.h"
#include "TelemetryTimeline.h"
#include "common/Localization.h"
#include "common/NamedImage.h"
#include "common/TimeFormatUtils.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
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

int PositionSlider::valueAt(int x) const
{
    QStyleOptionSlider opt;
    initStyleOption(&opt);
    const QRect groove = style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderGroove, this);
    const QRect handle = style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, this);
    const int length = handle.width();
    const int span = groove.width() - length;
    if (span <= 0)
        return minimum();
    return QStyle::sliderValueFromPosition(minimum(), maximum(), std::clamp(x - length / 2 - groove.x(), 0, span),
                                           span, opt.upsideDown);
}

int PositionSlider::xForValue(int value) const
{
    QStyleOptionSlider opt;
    initStyleOption(&opt);
    const QRect groove = style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderGroove, this);
    const QRect handle = style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, this);
    const int span = std::max(0, groove.width() - handle.width());
    return groove.x() + handle.width() / 2
           + QStyle::sliderPositionFromValue(minimum(), maximum(), value, span, opt.upsideDown);
}

void PositionSlider::setMarks(std::optional<int> in, std::optional<int> out)
{
    if (in == markIn_ && out == markOut_)
        return;
    markIn_ = in;
    markOut_ = out;
    update();
}

void PositionSlider::paintEvent(QPaintEvent *event)
{
    QSlider::paintEvent(event);
    if ((!markIn_ && !markOut_) || maximum() <= minimum())
        return;
    QPainter p(this);
    const int mid = height() / 2;
    const QColor edge(255, 179, 0);
    if (markIn_ && markOut_) {
        const int a = xForValue(std::min(*markIn_, *markOut_)), b = xForValue(std::max(*markIn_, *markOut_));
        p.fillRect(QRect(a, mid - 3, std::max(1, b - a), 6), QColor(255, 179, 0, 150));
    }
    for (const std::optional<int> &m : {markIn_, markOut_})
        if (m)
            p.fillRect(QRect(xForValue(*m) - 1, mid - 6, 2, 12), edge);
}

void PositionSlider::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && isEnabled() && maximum() > minimum()) {
        QStyleOptionSlider opt;
        initStyleOption(&opt);
        const QRect handle = style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, this);
        if (!handle.contains(event->position().toPoint())) {
            const int value = valueAt(event->position().toPoint().x());
            setSliderPosition(value);
            emit jumped(value);
        }
    }
    // The handle is under the pointer now: the press holds it, and a drag moves it on.
    QSlider::mousePressEvent(event);
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

PlayerControlBar::PlayerControlBar(TelemetryTimeline *timeline, QWidget *parent) : QFrame(parent)
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

    currentTimeField_ = new QLabel(QStringLiteral("0:00"), this);
    totalTimeField_ = new QLabel(QStringLiteral("0:00"), this);
    currentTimeField_->setObjectName(QStringLiteral("currentTimeField"));
    totalTimeField_->setObjectName(QStringLiteral("totalTimeField"));
    for (QLabel *l : {currentTimeField_, totalTimeField_}) {
        l->setMinimumWidth(44);
        l->setAlignment(Qt::AlignCenter);
    }
    auto *slider = new PositionSlider(this);
    timeSlider_ = slider;
    timeSlider_->setObjectName(QStringLiteral("timeSlider"));
    timeSlider_->setRange(0, 0);
    timeSlider_->setFocusPolicy(Qt::NoFocus);

    const qreal dpr = devicePixelRatioF();
    const struct {
        QToolButton **button;
        const char *name;
        const char *image;
        void (PlayerControlBar::*clicked)();
    } buttons[] = {
        {&lastButton_, "lastButton", "player_last", &PlayerControlBar::previousClicked},
        {&backwardButton_, "backwardButton", "player_backward", &PlayerControlBar::backwardClicked},
        {&playButton_, "playButton", nullptr, &PlayerControlBar::playClicked},
        {&stopButton_, "stopButton", "player_stop", &PlayerControlBar::stopClicked},
        {&forwardButton_, "forwardButton", "player_forward", &PlayerControlBar::forwardClicked},
        {&nextButton_, "nextButton", "player_next", &PlayerControlBar::nextClicked},
        {&voiceBtn_, "voiceBtn", nullptr, &PlayerControlBar::volumeClicked},
        {&eventsButton_, "eventsButton", "player_events", &PlayerControlBar::eventsClicked},
        {&camerasButton_, "camerasButton", "player_cameras", &PlayerControlBar::camerasClicked},
        {&captureButton_, "captureButton", "player_capture", &PlayerControlBar::captureClicked},
        {&lookPictureButton_, "lookPictureButton", "player_folder", &PlayerControlBar::picturesClicked},
        {&fileButton_, "fileButton", "player_open", &PlayerControlBar::openClicked},
        {&settingsButton_, "settingsButton", "player_settings", &PlayerControlBar::settingsClicked},
        {&helpButton_, "helpButton", "player_help", &PlayerControlBar::helpClicked},
        {&fullscreen_, "fullscreen", "player_expand", &PlayerControlBar::expandClicked},
    };
    for (const auto &b : buttons) {
        *b.button = makeButton(this, b.name);
        if (b.image)
            (*b.button)->setIcon(namedIcon(b.image, dpr));
        connect(*b.button, &QToolButton::clicked, this, b.clicked);
    }
    fileButton_->hide();
    camerasButton_->hide();
    playButton_->setIconSize(kPlayIconSize);

    rateBadge_ = new QLabel(this);
    rateBadge_->setObjectName(QStringLiteral("rateBadge"));
    rateBadge_->setAlignment(Qt::AlignCenter);
    rateBadge_->setMinimumWidth(44);
    rateBadge_->setStyleSheet(QStringLiteral("#rateBadge { background: #3d9be9; color: #ffffff; font-weight: bold;"
                                             " border-radius: 4px; padding: 1px 6px; }"));
    // Hidden, it still keeps its place, so that the buttons do not move when it shows.
    QSizePolicy keep = rateBadge_->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    rateBadge_->setSizePolicy(keep);
    rateBadge_->hide();

    volumeSlider_ = new QSlider(Qt::Horizontal, this);
    volumeSlider_->setObjectName(QStringLiteral("volumeSlider"));
    volumeSlider_->setRange(0, 100);
    volumeSlider_->setFixedWidth(96);
    volumeSlider_->setFocusPolicy(Qt::NoFocus);
    showPlaying(false);
    showVolume(1.0f);

    // The slider holds milliseconds; the value that seeks is in seconds.
    connect(slider, &PositionSlider::jumped, this, [this](int ms) { emit seekRequested(ms / 1000.0, true); });
    connect(timeSlider_, &QSlider::sliderMoved, this, [this](int ms) { emit seekRequested(ms / 1000.0, true); });
    connect(timeSlider_, &QSlider::sliderReleased, this,
            [this] { emit seekRequested(timeSlider_->sliderPosition() / 1000.0, false); });
    connect(timeSlider_, &QSlider::actionTriggered, this, [this](int action) {
        if (action != QAbstractSlider::SliderMove && action != QAbstractSlider::SliderNoAction)
            emit seekRequested(timeSlider_->sliderPosition() / 1000.0, false);
    });
    connect(volumeSlider_, &QSlider::valueChanged, this, [this](int v) { emit volumeMoved(float(v) / 100.0f); });

    auto *buttonRow = new QHBoxLayout;
    buttonRow->setContentsMargins(0, 0, 0, 0);
    buttonRow->setSpacing(4);
    buttonRow->addWidget(voiceBtn_);
    buttonRow->addWidget(volumeSlider_);
    buttonRow->addStretch(1);
    for (QToolButton *b : {lastButton_, backwardButton_, playButton_, stopButton_, forwardButton_, nextButton_})
        buttonRow->addWidget(b);
    buttonRow->addWidget(rateBadge_);
    buttonRow->addStretch(1);
    for (QToolButton *b :
         {fileButton_, camerasButton_, eventsButton_, captureButton_, lookPictureButton_, settingsButton_, helpButton_, fullscreen_})
        buttonRow->addWidget(b);

    // One grid, so that the timeline shares the slider's column and so its width.
    auto *bar = new QGridLayout(this);
    bar->setContentsMargins(8, 6, 8, 8);
    bar->setHorizontalSpacing(8);
    bar->setVerticalSpacing(2);
    bar->addWidget(currentTimeField_, 0, 0);
    bar->addWidget(timeSlider_, 0, 1);
    bar->addWidget(totalTimeField_, 0, 2);
    bar->addLayout(buttonRow, 1, 0, 1, 3);
    bar->addWidget(timeline, 2, 1);
    bar->setColumnStretch(1, 1);
}

void PlayerControlBar::retranslate()
{
    fullscreen_->setToolTip(Localization::text("Expand playback window"));
    captureButton_->setToolTip(Localization::text("Screen Capture to 'Pictures'"));
    playButton_->setToolTip(Localization::text("player_tip_play"));
    stopButton_->setToolTip(Localization::text("player_tip_stop"));
    forwardButton_->setToolTip(Localization::text("player_tip_forward"));
    backwardButton_->setToolTip(Localization::text("player_tip_backward"));
    lastButton_->setToolTip(Localization::text("player_tip_last"));
    nextButton_->setToolTip(Localization::text("player_tip_next"));
    voiceBtn_->setToolTip(Localization::text("player_tip_volume"));
    volumeSlider_->setToolTip(Localization::text("player_tip_volume"));
    lookPictureButton_->setToolTip(Localization::text("player_tip_pictures"));
    fileButton_->setToolTip(Localization::text("player_tip_open"));
    settingsButton_->setToolTip(Localization::text("player_tip_settings"));
    helpButton_->setToolTip(Localization::text("player_tip_help"));
    eventsButton_->setToolTip(Localization::text("player_tip_events"));
    camerasButton_->setToolTip(Localization::text("player_tip_cameras"));
}

void PlayerControlBar::showPlaying(bool playing)
{
    if (playingShown_ == int(playing))
        return;
    playingShown_ = int(playing);
    playButton_->setIcon(QIcon(NamedImage::pixmap(QLatin1String(playing ? "player_pause" : "player_play"),
                                                 kPlayIconSize, devicePixelRatioF())));
}

void PlayerControlBar::setPlayEnabled(bool enabled)
{
    playButton_->setEnabled(enabled);
}

void PlayerControlBar::showTime(double seconds)
{
    currentTimeField_->setText(TimeFormatUtils::stringFromSeconds(int(seconds)));
}

void PlayerControlBar::showDuration(double seconds)
{
    totalTimeField_->setText(TimeFormatUtils::stringFromSeconds(int(seconds)));
    if (seconds > 0)
        timeSlider_->setRange(0, int(std::lround(seconds * 1000.0)));
}

QString PlayerControlBar::timeText() const
{
    return currentTimeField_->text();
}

QString PlayerControlBar::durationText() const
{
    return totalTimeField_->text();
}

bool PlayerControlBar::moveHandle(double seconds)
{
    const auto handlePixel = [this] {
        return QStyle::sliderPositionFromValue(timeSlider_->minimum(), timeSlider_->maximum(),
                                               timeSlider_->sliderPosition(), qMax(1, timeSlider_->width()));
    };
    const int before = handlePixel();
    if (!timeSlider_->isSliderDown()) {
        const QSignalBlocker block(timeSlider_);
        timeSlider_->setValue(int(std::lround(seconds * 1000.0)));
    }
    return handlePixel() != before;
}

void PlayerControlBar::showVolume(float v)
{
    voiceBtn_->setIcon(namedIcon(v != 0.0f ? "speaker_on" : "speaker_off", devicePixelRatioF()));
    voiceBtn_->setProperty("tag", v != 0.0f ? 1 : 0);
    const int pos = int(std::lround(v * 100.0f));
    if (volumeSlider_->value() != pos) {
        const QSignalBlocker block(volumeSlider_);
        volumeSlider_->setValue(pos);
    }
}

void PlayerControlBar::showRate(double rate)
{
    const bool shown = rate != 0.0 && rate != 1.0;
    if (shown)
        rateBadge_->setText(EngineRules::rateText(rate));
    rateBadge_->setVisible(shown);
}

QString PlayerControlBar::rateBadgeText() const
{
    return rateBadge_->isHidden() ? QString() : rateBadge_->text();
}

void PlayerControlBar::showMarks(std::optional<double> in, std::optional<double> out)
{
    const auto ms = [](std::optional<double> s) {
        return s ? std::optional<int>(int(std::lround(*s * 1000.0))) : std::nullopt;
    };
    static_cast<PositionSlider *>(timeSlider_)->setMarks(ms(in), ms(out));
}

void PlayerControlBar::showCamerasButton(bool shown)
{
    camerasButton_->setVisible(shown);
}
