// The control bar under the picture: the time row (elapsed time, position slider,
// duration) above, the transport, volume and tool buttons below, and the telemetry
// timeline at the bottom, exactly as wide as the position slider. It builds and paints
// the controls and says which one the user used; the player's view connects them.
#pragma once

#include <QFrame>
#include <QSlider>

#include <optional>

class QIcon;
class QLabel;
class QToolButton;
class TelemetryTimeline;

// The position slider. The clock sets its value on every tick, many times for each
// pixel the handle moves; it repaints only when the handle (and the filled groove
// before it) reaches another pixel, so that a tick costs the window no redraw.
// A click on the groove puts the handle under the pointer (jumped) and holds it there,
// so that the same press can go on to drag it.
class PositionSlider : public QSlider {
    Q_OBJECT
public:
    explicit PositionSlider(QWidget *parent = nullptr);

    // The value under the x coordinate `x` of the slider, with the handle centred on it;
    // and the x of the handle's centre at `value`.
    int valueAt(int x) const;
    int xForValue(int value) const;
    // The incident's marks (values), drawn over the groove: the segment between them,
    // or a single mark's tick.
    void setMarks(std::optional<int> in, std::optional<int> out);
    std::optional<int> markIn() const { return markIn_; }
    std::optional<int> markOut() const { return markOut_; }

signals:
    // A click on the groove moved the handle to `value`.
    void jumped(int value);

protected:
    void sliderChange(SliderChange change) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    std::optional<int> markIn_, markOut_;
    int handlePixel() const;
    int shownPixel_ = -1;
};

class PlayerControlBar : public QFrame {
    Q_OBJECT
public:
    // The bar places `timeline` under the position slider, as wide as it.
    explicit PlayerControlBar(TelemetryTimeline *timeline, QWidget *parent = nullptr);

    // The tool tips in the current language.
    void retranslate();
    // The play button shows pause while playing, play otherwise.
    void showPlaying(bool playing);
    void setPlayEnabled(bool enabled);
    // The speaker shows on (tag 1) or off (tag 0); the slider moves to `v` silently.
    void showVolume(float v);
    // The rate badge beside the transport buttons ("60x", "0.5x", "-5x", as the rate
    // steps' toasts say it); hidden at 1x and at 0.
    void showRate(double rate);
    // What the badge says, empty while hidden.
    QString rateBadgeText() const;
    // The incident's marks in seconds, on the slider; unset ones are not drawn.
    void showMarks(std::optional<double> in, std::optional<double> out);
    // The cameras control shows only while a moment has more than one camera.
    void showCamerasButton(bool shown);
    // The elapsed time's label, in whole seconds.
    void showTime(double seconds);
    // The duration's label; above 0 also the slider's range.
    void showDuration(double seconds);
    // The slider's handle goes to `seconds` silently unless the user holds it; true
    // when it reached another pixel (and so was redrawn).
    bool moveHandle(double seconds);
    // What the elapsed time's and the duration's labels say.
    QString timeText() const;
    QString durationText() const;

    // A flat tool button of the bar's look, and an image of the bar's icon size.
    static QToolButton *makeButton(QWidget *parent, const char *name);
    static QIcon namedIcon(const char *name, qreal dpr);

signals:
    void playClicked();
    void stopClicked();
    void forwardClicked();
    void backwardClicked();
    void previousClicked();
    void nextClicked();
    void volumeClicked();
    void eventsClicked();
    void captureClicked();
    void picturesClicked();
    void openClicked();
    void settingsClicked();
    void helpClicked();
    void expandClicked();
    // The cameras control: the next layout of a moment's pictures.
    void camerasClicked();
    // The user moved the slider's handle or paged it to `seconds`; `dragging` while
    // the handle is still held.
    void seekRequested(double seconds, bool dragging);
    // The user moved the volume slider (0 .. 1).
    void volumeMoved(float volume);

private:
    QLabel *currentTimeField_ = nullptr;
    QLabel *totalTimeField_ = nullptr;
    QSlider *timeSlider_ = nullptr;       // milliseconds
    QSlider *volumeSlider_ = nullptr;      // 0 .. 100
    QToolButton *playButton_ = nullptr;
    QToolButton *stopButton_ = nullptr;
    QToolButton *backwardButton_ = nullptr;
    QToolButton *forwardButton_ = nullptr;
    QToolButton *lastButton_ = nullptr;
    QToolButton *nextButton_ = nullptr;
    QToolButton *voiceBtn_ = nullptr;
    QToolButton *fullscreen_ = nullptr;
    QToolButton *captureButton_ = nullptr;
    QToolButton *lookPictureButton_ = nullptr;
    QToolButton *fileButton_ = nullptr;
    QToolButton *settingsButton_ = nullptr;
    QToolButton *helpButton_ = nullptr;
    QToolButton *eventsButton_ = nullptr;
    QToolButton *camerasButton_ = nullptr;
    QLabel *rateBadge_ = nullptr;
    int playingShown_ = -1;   // the state the play button shows (-1 before any)
};
