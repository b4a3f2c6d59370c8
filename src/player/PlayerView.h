// The player's view: the picture, the control bar under it (transport, rate steps,
// volume, seeking, expand, capture, settings and help overlays), the timeline and the
// events list. The playback itself is the media engine it is handed (engine()); the view
// shows what the engine says and hands the controls' requests to it. What the timeline
// and the list show and where they seek is PlayerEvents', saving pictures is
// PlayerCapture's, the review keys and the incident marks are ReviewKeys', the marks to
// blur on the timeline BlurMarks'; the view owns them and passes their signals on. Which
// file plays next is not the view's to decide: it asks for the next or previous file
// (nextFileRequested, previousFileRequested).
#pragma once

#include "BlurMarks.h"
#include "ChannelPictures.h"
#include "MarkGestures.h"
#include "PlayerCapture.h"
#include "PlayerEvents.h"
#include "ReviewKeys.h"
#include "media/MediaEngine.h"
#include "TelemetryTimeline.h"
#include "VideoPicture.h"

#include <QElapsedTimer>
#include <QFuture>

#include <QList>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QKeyEvent;
class QLabel;
class QVideoSink;
class PlayerControlBar;
class PlayerOverlays;
class Settings;
class EventsListView;
class TelemetryTimeline;

class PlayerView : public QWidget {
    Q_OBJECT
public:
    // The player shows and changes the speed unit, the map, the language, the volume and
    // the event thresholds in `settings`, and saves pictures as they say.
    PlayerView(Settings &settings, MediaEngine &engine, QWidget *parent = nullptr);
    // With an engine of its own.
    explicit PlayerView(Settings &settings, QWidget *parent = nullptr);
    ~PlayerView() override;

    // The playback shown here.
    MediaEngine *engine() const { return engine_; }
    // The moment's other cameras, played by the same engine.
    ChannelPictures *channels() const { return channels_; }
    // The areas marked for blurring: drawn on each camera's picture and as bands on the
    // timeline; the gestures on the pictures go to them. May be null (none shown).
    void setMarks(PictureMarks *marks) { blurMarks_->setMarks(marks); }
    MarkGestures *markGestures() const { return markGestures_; }
    TelemetryTimeline *timeline() const { return timeline_; }
    // The trip's events and seeks on the timeline's axis, the captures, the review keys.
    PlayerEvents *tripEvents() const { return events_; }
    PlayerCapture *pictures() const { return pictures_; }
    ReviewKeys *reviewKeys() const { return keys_; }

    // Expand state: asked for by zoomRequested, set by whoever lays the window out.
    qint64 zoomState = 0;
    void setZoomState(qint64 state);

    // The engine's operations, for the window and the play list.
    void openClip(const QUrl &url);
    // Closes the file; the timeline leaves its trip too.
    void close();
    void playUrl(const QUrl &url) { close(); openClip(url); }
    double currentTime() const { return engine_->currentTime(); }
    void setCurrentTime(double seconds) { engine_->setCurrentTime(seconds); }
    double duration() const { return engine_->duration(); }
    float volume() const { return engine_->volume(); }
    void setVolume(float v) { engine_->setVolume(v); }
    void tick(double seconds) { engine_->tick(seconds); }
    bool isAddVideoFile() const { return engine_->isAddVideoFile(); }
    double requestedRate() const { return engine_->requestedRate(); }
    void execPlayOrPause() { engine_->execPlayOrPause(); }

    // The samples of the file opened last, for the timeline once the file is set up;
    // without them the timeline says there is no telemetry.
    // `typed` are the same samples typed, with what the car reported (may be null);
    // `glitches` are the indices of the samples the timeline marks as GPS glitches.
    void setClipSamples(const QList<GpsSample> &samples,
                        std::shared_ptr<const std::vector<TelemetrySample>> typed = nullptr,
                        const QList<int> &glitches = {})
    {
        clipSamples_ = samples;
        clipTyped_ = std::move(typed);
        clipGlitches_ = glitches;
    }
    // What the timeline and the events list show: samples spread over `duration`
    // seconds; the events are found with the stored thresholds.
    void setTelemetry(const QList<GpsSample> &samples, double duration,
                      std::shared_ptr<const std::vector<TelemetrySample>> typed = nullptr,
                      const QList<int> &glitches = {})
    {
        events_->setTelemetry(samples, duration, std::move(typed), glitches);
    }
    // How far the playing file's telemetry is moved against its picture (its camera's
    // nudge): the timeline's curves and the events follow.
    void setTelemetryOffset(int ms) { events_->setTelemetryOffset(ms); }
    // The time of day at a time of the timeline's axis, for its tool tip.
    void setTimeOfDay(std::function<QString(double seconds)> at) { timeline_->timeOfDay = std::move(at); }
    // Events on the timeline's axis: the playing file's time, or the trip's.
    const std::vector<TelemetryEvent> &events() const { return events_->events(); }
    // The playing file is part `playing` of a trip of these parts (see PlayerEvents::setTrip).
    void setTrip(const QList<TimelinePart> &parts, int playing);
    // Where the playing file starts on the timeline's axis (0 without a trip).
    double tripOffset() const { return events_->tripOffset(); }
    // Seeks to `seconds` on the timeline's axis: within the playing file (key frames
    // while dragging, see MediaEngine::showAt), or asks for another part of the trip
    // (playPartRequested) once the button is let go.
    void seekTimeline(double seconds, bool dragging = false) { events_->seekTimeline(seconds, dragging); }

    // Space plays or pauses; Escape dismisses (see dismiss), or leaves full screen.
    void keyDown(QKeyEvent *event);
    // Hides the settings, help or About overlay or the events list, whichever is
    // shown: true when one was.
    bool dismiss();

    // How far Left/Right and Shift+Left/Right seek.
    static constexpr double kSeekStep = ReviewKeys::kSeekStep;
    static constexpr double kSeekLongStep = ReviewKeys::kSeekLongStep;

    // Writes the frame on screen to `path` (see PlayerCapture::saveCurrentFrame).
    QFuture<bool> saveCurrentFrame(const QString &path, bool place = true)
    {
        return pictures_->saveCurrentFrame(path, place);
    }

    // The incident marks of the open file (cleared when another file opens) and the
    // segment they make.
    std::optional<double> markInTime() const { return keys_->markInTime(); }
    std::optional<double> markOutTime() const { return keys_->markOutTime(); }
    MarkedRange markedRange() const { return keys_->markedRange(); }
    // The local file that is open, empty when none.
    QString currentFile() const;

    // The sink the picture shows, for what is on screen.
    QVideoSink *videoSink() const;
    // What the elapsed time's and the duration's labels say.
    QString timeText() const;
    QString durationText() const;
    // What the control bar's rate badge says: empty at 1x.
    QString rateBadgeText() const;

public slots:
    void playOrPause() { engine_->playOrPause(); }
    void stopVideo() { engine_->stopVideo(); }
    void forwardRate() { engine_->forwardRate(); }
    void backwardRate() { engine_->backwardRate(); }
    void nextFile() { emit nextFileRequested(); }
    void previousFile() { emit previousFileRequested(); }
    void zoomInOut() { emit zoomRequested(zoomState); }
    // The settings or the help overlay, shown or hidden.
    void settings();
    void helps();
    void capture() { pictures_->capture(); }
    // The pictures' folder, for the desktop to open.
    void lookPicture() { emit linkRequested(QUrl::fromLocalFile(PlayerCapture::pictureSaveDirectory())); }
    // Review keys: the next or previous frame while paused, one rung slower or faster.
    void stepForward() { engine_->stepFrame(1); }
    void stepBackward() { engine_->stepFrame(-1); }
    void slower() { engine_->slowerRate(); }
    void faster() { engine_->fasterRate(); }
    // The incident's in and out marks at the playing time (see ReviewKeys).
    void markIn() { keys_->markIn(); }
    void markOut() { keys_->markOut(); }
    // The timeline shades where the car stands still (Skip Stops).
    void setStopsShown(bool shown) { timeline_->setStopsShown(shown); }
    // Redact ▸ Mark Area: pauses, and the next drag on a picture draws a mark's box.
    void markArea() { blurMarks_->markArea(); }
    void openFile() { emit openFileRequested(); }
    // Seeks `seconds` later (earlier when negative) on the timeline's axis (see
    // ReviewKeys::seekBy), or to the first and the last frame of the playing file.
    void seekBy(double seconds) { keys_->seekBy(seconds); }
    void seekToStart() { keys_->seekToStart(); }
    void seekToEnd() { keys_->seekToEnd(); }
    // Seek one second before the next / previous event (nothing when there is none).
    void nextEvent() { events_->nextEvent(); }
    void previousEvent() { events_->previousEvent(); }
    // Shows or hides the events list.
    void showEvents();

signals:
    // The moment's cameras are laid out as `key` ("insets", "side", "grid").
    void camerasArranged(const QString &key);
    // The open control was used: the window shows its open dialog.
    void openFileRequested();
    // Every clock tick, after the controls had it (seconds).
    void ticked(double seconds);
    // The set-up of the file ended: true when it plays, false when it was not playable.
    void setUpFinished(bool playable);
    // A capture finished writing (or failed); `path` is the intended file.
    void captureFinished(const QString &path, bool ok);
    // The in or out mark changed.
    void marksChanged();
    // A time in another part of the trip was asked for: play it from `seconds`.
    void playPartRequested(int part, double seconds);
    // The events of a trip and its timeline's lanes were found and are shown; `aside`
    // when they were found on another thread.
    void eventsFound(bool aside);
    // The enlarged video went back to its place in the window.
    void videoSizeRestored();
    // A short message for the user (a toast), shown for `seconds`.
    void message(const QString &text, float seconds);
    // A link of the help overlay or the pictures' folder is to be opened by the desktop
    // (the window says so when it has no program for it).
    void linkRequested(const QUrl &url);
    // The next and previous file controls.
    void nextFileRequested();
    void previousFileRequested();
    // The expand control: the layout answers with setZoomState.
    void zoomRequested(qint64 state);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    // The layout chosen, else the one for the moment's count of cameras.
    void arrangeCameras();
    PlayerView(Settings &settings, MediaEngine *engine, QWidget *parent);
    void buildView();
    void retranslate();
    void followEngine();
    void showDuration(double seconds);
    void showTime(double seconds);
    void moveHandleAndPlayhead(double seconds);
    void updatePlayButton();
    void showFirstFrame();
    void showMarks();

    Settings &settings_;
    std::unique_ptr<MediaEngine> ownEngine_;
    MediaEngine *engine_ = nullptr;
    ChannelPictures *channels_ = nullptr;
    MarkGestures *markGestures_ = nullptr;
    QWidget *containerView_ = nullptr;
    QLabel *defaultImage_ = nullptr;
    VideoPicture *videoWidget_ = nullptr;
    TelemetryTimeline *timeline_ = nullptr;
    EventsListView *eventsList_ = nullptr;
    PlayerControlBar *controlBar_ = nullptr;
    std::unique_ptr<PlayerOverlays> overlays_;
    PlayerEvents *events_ = nullptr;
    PlayerCapture *pictures_ = nullptr;
    ReviewKeys *keys_ = nullptr;
    BlurMarks *blurMarks_ = nullptr;
    bool waitingFirstFrame_ = false;
    QList<GpsSample> clipSamples_;
    QList<int> clipGlitches_;
    std::shared_ptr<const std::vector<TelemetrySample>> clipTyped_;
    // While playing, the slider's handle and the timeline's playhead move at most every
    // kMovingPartsStepMs; the time held back is shown when the step is over.
    QElapsedTimer movingPartsMoved_;
    QTimer movingPartsLater_;
    double movingPartsTime_ = 0.0;
};
