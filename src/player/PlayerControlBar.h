// The control bar under the picture: the time row (elapsed time, position slider,
// duration) above, the transport, volume and tool buttons below, and the telemetry
// timeline at the bottom, exactly as wide as the position slider. It only builds and
// paints the controls; the player's view connects them.
#pragma once

#include <QFrame>
#include <QSlider>

class QIcon;
class QLabel;
class QToolButton;
class TelemetryTimeline;

// The position slider. The clock sets its value on every tick, many times for each
// pixel the handle moves; it repaints only when the handle (and the filled groove
// before it) reaches another pixel, so that a tick costs the window no redraw.
class PositionSlider : public QSlider {
    Q_OBJECT
public:
    explicit PositionSlider(QWidget *parent = nullptr);

protected:
    void sliderChange(SliderChange change) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    int handlePixel() const;
    int shownPixel_ = -1;
};

class PlayerControlBar : public QFrame {
    Q_OBJECT
public:
    explicit PlayerControlBar(QWidget *parent = nullptr);

    // The tool tips in the current language.
    void retranslate();
    // The play button shows pause while playing, play otherwise.
    void showPlaying(bool playing);
    // The speaker shows on (tag 1) or off (tag 0); the slider moves to `v` silently.
    void showVolume(float v);

    // A flat tool button of the bar's look, and an image of the bar's icon size.
    static QToolButton *makeButton(QWidget *parent, const char *name);
    static QIcon namedIcon(const char *name, qreal dpr);

    QLabel *currentTimeField = nullptr;
    QLabel *totalTimeField = nullptr;
    QSlider *timeSlider = nullptr;       // milliseconds
    QSlider *volumeSlider = nullptr;      // 0 .. 100
    QToolButton *playButton = nullptr;
    QToolButton *stopButton = nullptr;
    QToolButton *backwardButton = nullptr;
    QToolButton *forwardButton = nullptr;
    QToolButton *lastButton = nullptr;
    QToolButton *nextButton = nullptr;
    QToolButton *voiceBtn = nullptr;
    QToolButton *fullscreen = nullptr;
    QToolButton *captureButton = nullptr;
    QToolButton *lookPictureButton = nullptr;
    QToolButton *fileButton = nullptr;
    QToolButton *settingsButton = nullptr;
    QToolButton *helpButton = nullptr;
    QToolButton *eventsButton = nullptr;
    TelemetryTimeline *timeline = nullptr;
};
