// The player's view: the picture, the control bar under it (transport, rate steps,
// volume, seeking, expand, capture, settings and help overlays) and the keyboard
// shortcuts. The playback itself is the media engine it is handed (engine()); the view
// shows what the engine says and hands the controls' requests to it. Which file plays next is not the view's to decide: it
// asks for the next or previous file (nextFileRequested, previousFileRequested).
#pragma once

#include "CaptureText.h"
#include "ChannelPictures.h"
#include "FrameCapture.h"
#include "IncidentMarks.h"
#include "MarkGestures.h"
#include "media/MediaEngine.h"
#include "TelemetryEvents.h"
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
    void setMarks(PictureMarks *marks);
    MarkGestures *markGestures() const { return markGestures_; }
    TelemetryTimeline *timeline() const { return timeline_; }

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
                      const QList<int> &glitches = {});
    // How far the playing file's telemetry is moved against its picture (its camera's
    // nudge): the timeline's curves and the events follow.
    void setTelemetryOffset(int ms);
    // The time of day at a time of the timeline's axis, for its tool tip.
    void setTimeOfDay(std::function<QString(double seconds)> at);
    // Events on the timeline's axis: the playing file's time, or the trip's.
    const std::vector<TelemetryEvent> &events() const { return events_; }
    // The playing file is part `playing` of a trip of these parts (two or more): the
    // timeline and the events span them all. Fewer than two parts: the file alone.
    void setTrip(const QList<TimelinePart> &parts, int playing);
    // Where the playing file starts on the timeline's axis (0 without a trip).
    double tripOffset() const;
    // Seeks to `seconds` on the timeline's axis: within the playing file (key frames
    // while dragging, see MediaEngine::showAt), or asks for another part of the trip
    // (playPartRequested) once the button is let go.
    void seekTimeline(double seconds, bool dragging = false);

    // Space plays or pauses; Escape dismisses (see dismiss), or leaves full screen.
    void keyDown(QKeyEvent *event);
    // Hides the settings, help or About overlay or the events list, whichever is
    // shown: true when one was.
    bool dismiss();

    // How far Left/Right and Shift+Left/Right seek.
    static constexpr double kSeekStep = 5.0;
    static constexpr double kSeekLongStep = 60.0;

    // How far one press of Alt+[ or Alt+] moves a camera of the moment.
    static constexpr int kChannelStepMs = 10;

    // The folder of captured pictures (created when missing).
    static QString pictureSaveDirectory();

    // What a picture captured at `seconds` of the open file says about its moment
    // (the window fills it in from the telemetry); unset, pictures carry no text.
    std::function<CaptureFacts(double seconds)> captureFacts;
    // Writes the frame on screen to `path` as a PNG with its text chunks (and the
    // caption strip when that setting is on); the place and the speed only while the
    // user lets saved pictures carry them, and never when `place` is false.
    QFuture<bool> saveCurrentFrame(const QString &path, bool place = true);

    // The incident marks of the open file (cleared when another file opens) and the
    // segment they make.
    std::optional<double> markInTime() const { return markIn_; }
    std::optional<double> markOutTime() const { return markOut_; }
    MarkedRange markedRange() const { return IncidentMarks::range(markIn_, markOut_, duration()); }
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
    void nextFile();
    void previousFile();
    void zoomInOut();
    void settings();
    void helps();
    void videoHelpClick();
    void websiteHelpClick();
    void shopClick();
    void aboutHelpClick();
    void closeAboutClick();
    void clickVoiceBtn();
    void capture();
    void lookPicture();
    // Review keys: the next or previous frame while paused, one rung slower or faster.
    void stepForward() { engine_->stepFrame(1); }
    void stepBackward() { engine_->stepFrame(-1); }
    void slower() { engine_->slowerRate(); }
    void faster() { engine_->fasterRate(); }
    // The chosen camera of the moment (ChannelPictures::chosen) held `stepMs` later
    // than it is, or back in step for 0; a toast names it and its offset.
    void nudgeChannel(int stepMs);
    // Marks the playing time as the start or end of the incident; a toast confirms, or
    // says how a reversed or outside mark was corrected.
    void markIn();
    // The timeline shades where the car stands still (Skip Stops).
    void setStopsShown(bool shown) { timeline_->setStopsShown(shown); }
    void markOut();
    // Redact ▸ Mark Area: pauses, and the next drag on a picture draws a mark's box.
    void markArea();
    void openFile();
    // Seeks `seconds` later (earlier when negative) on the timeline's axis, so across
    // the clips of a trip, and no further than its start or its last frame; nothing
    // while no file is ready.
    void seekBy(double seconds);
    // The first and the last frame of the playing file.
    void seekToStart();
    void seekToEnd();
    // Seek one second before the next / previous event (nothing when there is none).
    void nextEvent();
    void previousEvent();
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
    void showMarkBands();
    void saveImageFileToDiskPath(const QString &path);
    void saveEveryCamera(const QString &base);
    // The text chunks and caption of a picture of the moment on screen.
    std::pair<FrameCapture::TextChunks, QString> captureText(bool place) const;
    void installReviewKeys();
    void confirmMarks(const QString &what, double seconds);
    void findEvents();
    struct TripFindings {
        std::vector<TelemetryEvent> events;
        QStringList clips;
        QList<double> offsets;
        std::vector<VehicleSpan> lanes;
        QList<ChannelRules::CameraLane> cameraLanes;
        bool aside = false;
    };
    static TripFindings findTripEvents(const QList<TimelinePart> &parts, const EventThresholds &thresholds);
    void seekBeforeEvent(double eventTime);

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
    bool waitingFirstFrame_ = false;
    std::optional<double> markIn_;
    std::optional<double> markOut_;
    QList<GpsSample> clipSamples_;
    QList<int> clipGlitches_, glitches_;
    QList<GpsSample> samples_;
    std::shared_ptr<const std::vector<TelemetrySample>> clipTyped_, typed_;
    double telemetryDuration_ = 0.0;
    QList<QPair<char, bool>> clipCameras_;   // the other cameras of the open clip's moment
    int telemetryOffsetMs_ = 0;
    std::vector<TelemetryEvent> events_;
    QList<TimelinePart> tripParts_;
    int tripPlaying_ = 0;
    quint64 tripJob_ = 0;   // the trip's events being found last
    // While playing, the slider's handle and the timeline's playhead move at most every
    // kMovingPartsStepMs; the time held back is shown when the step is over.
    QElapsedTimer movingPartsMoved_;
    // The last seek of the seek keys, on the timeline's axis, until the clock is there:
    // the next key goes on from it rather than from a clock that has not moved yet.
    std::optional<double> keySeek_;
    QElapsedTimer keySeekAsked_;
    QTimer movingPartsLater_;
    double movingPartsTime_ = 0.0;
};
