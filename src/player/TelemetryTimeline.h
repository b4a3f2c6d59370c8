// The telemetry timeline under the control bar: the speed curve of the samples it is
// given (in the chosen unit), horizontal G as a fainter second curve, coloured ticks
// for the driving events, and a playhead. Clips that carry what the car reported get
// two lanes under the curves: brake applied, and driver assistance engaged by its kind.
// Hovering shows time, speed and G (and the lanes' states) at that point; a click or a
// drag asks for a seek to the exact time under the pointer.
// It knows nothing of the player: it is given parts laid on one time axis (a lone file,
// or the clips of a trip, each with its samples spread evenly over its duration and
// thin marks where one ends and the next begins), the events found in them on that
// axis, and the playhead time.
// The wheel (or Ctrl+= and Ctrl+-, or + and -, with the focus here) zooms about the
// pointer down to ten seconds across; Shift+wheel, a sideways scroll or a drag along the
// time axis (or with the middle button) pans; a double click or 0 shows the whole again.
// The curves, ticks and axis are drawn once into a pixmap; moving the playhead only
// repaints the strips it leaves and enters, and only when it moves a whole pixel.
#pragma once

#include "ChannelRules.h"
#include "GpsSample.h"
#include "MarkShapes.h"
#include "StopStretches.h"
#include "TelemetryEvents.h"
#include "TimelineView.h"

#include <QColor>
#include <QImage>
#include <QList>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

// One stretch of the timeline: samples spread evenly over `duration` seconds, starting
// `start` seconds into the axis; the label names it in the hover text. The samples at
// `glitches` are GPS glitches, marked under the speed curve.
struct TimelinePart {
    QList<GpsSample> samples;
    double start = 0.0;
    double duration = 0.0;
    QString label;
    // The same samples typed, for the lanes of what the car reported; may be null.
    std::shared_ptr<const std::vector<TelemetrySample>> typed;
    QList<int> glitches = {};
    // How far the samples are moved against the picture (TelemetryEvents::pictureTime).
    int offsetMs = 0;
    // The local clip, for the lanes of the other cameras of its moments; may be empty.
    QString file = {};
};

class TelemetryTimeline : public QWidget {
    Q_OBJECT
public:
    explicit TelemetryTimeline(QWidget *parent = nullptr);

    // The samples spread evenly over `duration` seconds, and the events found in them.
    void setData(const QList<GpsSample> &samples, double duration, std::vector<TelemetryEvent> events,
                 std::shared_ptr<const std::vector<TelemetrySample>> typed = nullptr,
                 const QList<int> &glitches = {});
    // Parts laid on one axis that ends with the last of them; events in the axis' time;
    // the lanes' spans when found already (laneSpansOf), else found here.
    void setParts(QList<TimelinePart> parts, std::vector<TelemetryEvent> events,
                  std::optional<std::vector<VehicleSpan>> lanes = std::nullopt);
    // The lanes' spans of `parts` on their axis, brake first; `hasLanes` says whether
    // some part carries what the car reported. Safe on any thread.
    static std::vector<VehicleSpan> laneSpansOf(const QList<TimelinePart> &parts, bool *hasLanes);
    const QList<TimelinePart> &parts() const { return parts_; }
    // Where one part gives way to the next, in seconds on the axis.
    QList<double> boundaries() const;
    void clear() { setData({}, 0.0, {}); }
    // Speeds in km/h (true) or mph.
    void setKmph(bool kmph);
    // With `redrawNow` false the playhead is only drawn anew once it is two pixels or
    // more away from where it shows; the value itself is always current.
    void setPlayhead(double seconds, bool redrawNow = true);

    // The incident's marks on the axis: the segment between them is shaded, a single
    // mark is a line; either may be unset.
    void setMarks(std::optional<double> in, std::optional<double> out);
    std::optional<double> markIn() const { return markIn_; }
    std::optional<double> markOut() const { return markOut_; }

    // The areas marked for blurring, each a band over the stretch of the axis it covers
    // (rows at the top of the curves); a band whose tracking lost its target ends in an
    // end mark whose tool tip says "Lost here".
    void setMarkBands(const QList<MarkBand> &bands);
    const QList<MarkBand> &markBands() const { return markBands_; }
    // Where band `i` is drawn, and the band whose lost end is under `at` (-1 for none).
    QRect markBandRect(int i) const;
    int lostEndAt(QPoint at) const;
    // The band under `at` (-1 for none), the last drawn (topmost) first.
    int markBandAt(QPoint at) const;
    static constexpr int kMarkRows = 3;
    static constexpr int kMarkRowHeight = 5;
    // Where the car stands still, on the axis (StopStretches of each part's samples),
    // shaded when shown: Skip Stops jumps over them.
    const std::vector<StopStretches::Stretch> &stops() const { return stops_; }
    void setStopsShown(bool shown);
    bool stopsShown() const { return stopsShown_; }

    double duration() const { return duration_; }
    // The stretch of the axis on show (the whole until zoomed); setting it keeps it
    // within the axis.
    const TimelineView &view() const { return view_; }
    void setView(const TimelineView &view);
    double playhead() const { return playhead_; }
    bool hasTelemetry() const;
    // Whether some part carries what the car reported (the lanes show), and the lanes'
    // spans on the axis: brake first, then driver assistance, each in time order.
    bool hasLanes() const { return hasLanes_; }
    const std::vector<VehicleSpan> &laneSpans() const { return laneSpans_; }
    const std::vector<TelemetryEvent> &events() const { return events_; }
    // A thin lane per other camera of the moments under the others, hatched where that
    // camera has no recording (ChannelRules::lanes); none without other cameras.
    void setCameraLanes(const QList<ChannelRules::CameraLane> &lanes);
    const QList<ChannelRules::CameraLane> &cameraLanes() const { return cameraLanes_; }
    // Where camera lane `i` is drawn.
    QRect cameraLaneRect(int i) const;

    // The time under x (widget coordinates), clamped into the duration; and back.
    double timeAtX(double x) const;
    int xForTime(double seconds) const;
    // The tool tip text for time `seconds`: the time (with the part's label and its own
    // time when there are several parts), the time of day when known, and speed and G
    // when there are samples.
    QString hoverText(double seconds) const;
    // The time of day at a time of the axis, on the clock the user chose; empty when
    // not known.
    std::function<QString(double seconds)> timeOfDay;
    // How many times the widget asked to be repainted, and rebuilt its picture.
    int repaintRequests() const { return repaintRequests_; }
    int pictureBuilds() const { return pictureBuilds_; }

    static QColor colorFor(EventKind kind);
    static QColor colorFor(const VehicleSpan &span);
    static constexpr int preferredHeight = 46;
    static constexpr int lanesHeight = 24;
    static constexpr int cameraLaneHeight = 13;
    static constexpr int legendHeight = 14;
    // What the legend under the axis shows: a word per colour of the lanes (brake, each kind
    // of assistance found, "No recording" hatched where a camera lane has a gap); empty when
    // no lane shows a colour.
    struct LegendEntry {
        QString text;
        QColor color;
        bool hatched = false;
        bool operator==(const LegendEntry &o) const { return text == o.text && color == o.color && hatched == o.hatched; }
    };
    static QList<LegendEntry> legendOf(const std::vector<VehicleSpan> &spans, bool hasLanes,
                                       const QList<ChannelRules::CameraLane> &cameras);
    const QList<LegendEntry> &legend() const { return legend_; }
    // Where the time axis starts (the lanes above it, the legend below).
    int axisTop() const;
    // Up to this many samples the picture is drawn at once, past it on another thread.
    static constexpr int kDrawnAtOnce = 6000;

signals:
    // A click or drag at `seconds`, exact to the pixel's time (not rounded);
    // `dragging` until the button is let go.
    void seekRequested(double seconds, bool dragging);
    // A click on the band of mark `id`: it is chosen, and the seek goes to where the
    // band begins.
    void markBandClicked(int id);
    // A new picture of the curves is up; `aside` when it was drawn on another thread.
    void pictureBuilt(bool aside);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool event(QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    std::optional<double> markIn_, markOut_;
    QList<MarkBand> markBands_;
    QList<int> markRows_;
    bool bandPressed_ = false;   // the press was on a band: no seek follows the pointer
    std::vector<StopStretches::Stretch> stops_;
    bool stopsShown_ = false;
    void invalidate();
    void buildPicture();
    void requestRepaint(const QRect &r);
    // The zoom or fit a key asks for, if any: factor (0 for the whole).
    static bool zoomKey(const QKeyEvent *event, double *factor);

    QList<TimelinePart> parts_;
    std::vector<double> offsets_, durations_;
    std::vector<TelemetryEvent> events_;
    std::vector<VehicleSpan> laneSpans_;
    bool hasLanes_ = false;
    QList<ChannelRules::CameraLane> cameraLanes_;
    QList<LegendEntry> legend_;
    void fitHeight();
    double duration_ = 0.0;
    TimelineView view_;
    std::optional<double> panFrom_;   // the time under the pointer when a pan began
    double pointerX_ = 0;
    double playhead_ = 0.0;
    int playheadX_ = -1;
    bool kmph_ = true;
    QImage picture_;
    bool pictureValid_ = false;
    quint64 pictureGeneration_ = 0;   // counts the changes that call for a new picture
    quint64 askedGeneration_ = 0;     // the last drawn aside, for that size
    QSize askedSize_;
    int repaintRequests_ = 0;
    int pictureBuilds_ = 0;
};
