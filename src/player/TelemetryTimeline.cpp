#include "TelemetryTimeline.h"

#include "common/AppUtils.h"
#include "common/Localization.h"
#include "common/TimeFormatUtils.h"
#include "TripTimeline.h"

#include <QEvent>
#include <QFuture>
#include <QtConcurrent/QtConcurrentRun>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>
#include <utility>
#include <cmath>
#include <cstdlib>

namespace {

const QColor kBackground(0x17, 0x19, 0x1c);
const QColor kSpeed(0x3d, 0x9b, 0xe9);
const QColor kGlitch(0xff, 0x9f, 0x0a);   // GPS glitches
const QColor kG(0xc9, 0xcd, 0xd4, 110);
const QColor kAxis(0x5b, 0x60, 0x69);
const QColor kText(0x9a, 0x9e, 0xa6);
const QColor kPlayhead(0xf2, 0xf3, 0xf5);
const QColor kBoundary(0x8a, 0x8f, 0x98, 150);
constexpr int kAxisHeight = 13;
constexpr int kTickHeight = 7;
const QColor kLaneTrack(0x22, 0x25, 0x2a);
const QColor kNoRecording(0x9a, 0x9e, 0xa6);   // the hatching where a camera has no recording

// The text of an assistance state for people; empty for none.
QString assistanceText(TelemetrySample::Assistance a)
{
    switch (a) {
    case TelemetrySample::Assistance::SelfDriving: return Localization::text("assistance_self_driving");
    case TelemetrySample::Assistance::Autosteer: return Localization::text("assistance_autosteer");
    case TelemetrySample::Assistance::Cruise: return Localization::text("assistance_cruise");
    case TelemetrySample::Assistance::None:
    case TelemetrySample::Assistance::Unknown: break;
    }
    return QString();
}

QString timeText(double seconds, bool tenths)
{
    const int whole = int(seconds);
    QString t = TimeFormatUtils::stringFromSeconds(whole);
    if (tenths)
        t += QLatin1Char('.') + QString::number(std::clamp(int((seconds - whole) * 10.0), 0, 9));
    return t;
}

// Under the curves, the lanes of what the car reported, then a lane per other camera, then
// the time axis, then the legend of the lanes' colours; `axisTop` is where the axis starts.
QRect plotRectOf(int width, int axisTop, bool lanes, int cameras)
{
    const int below = (lanes ? TelemetryTimeline::lanesHeight : 0) + cameras * TelemetryTimeline::cameraLaneHeight;
    return QRect(0, 2, width, std::max(1, axisTop - 2 - below));
}

QRect lanesRectOf(int width, int axisTop, bool lanes, int cameras)
{
    const int h = TelemetryTimeline::lanesHeight;
    return lanes ? QRect(0, axisTop - cameras * TelemetryTimeline::cameraLaneHeight - h, width, h) : QRect();
}

QRect cameraLaneRectOf(int width, int axisTop, int cameras, int i)
{
    const int h = TelemetryTimeline::cameraLaneHeight;
    return QRect(0, axisTop - (cameras - i) * h, width, h - 1);
}

// A lane's name at its left edge, on a box of the background so that it reads over the lane.
void drawLaneName(QPainter &p, const QRect &lane, const QString &name)
{
    const QRect box(1, lane.top(), p.fontMetrics().horizontalAdvance(name) + 6, lane.height());
    QColor back = kBackground;
    back.setAlpha(215);
    p.fillRect(box, back);
    p.setPen(kText);
    p.drawText(box, Qt::AlignCenter, name);
}

int xOf(const TimelineView &view, double duration, int width, double seconds)
{
    if (duration <= 0 || width <= 1)
        return 0;
    // A time outside the stretch on show sits just past its edge, out of sight.
    const double x = view.xAt(std::clamp(seconds, 0.0, duration), width);
    return int(std::lround(std::clamp(x, -3.0, double(width + 2))));
}

bool anySamples(const QList<TimelinePart> &parts)
{
    return std::any_of(parts.begin(), parts.end(), [](const TimelinePart &p) { return !p.samples.isEmpty(); });
}

QList<double> startsAfterFirst(const QList<TimelinePart> &parts)
{
    QList<double> b;
    for (qsizetype k = 1; k < parts.size(); ++k)
        b << parts.at(k).start;
    return b;
}

// What the picture is drawn from, copied so that it can be drawn on another thread.
struct Look {
    QList<TimelinePart> parts;
    std::vector<double> offsets, durations;
    std::vector<TelemetryEvent> events;
    std::vector<VehicleSpan> laneSpans;
    bool hasLanes = false;
    QList<ChannelRules::CameraLane> cameraLanes;
    QList<TelemetryTimeline::LegendEntry> legend;
    double duration = 0;
    TimelineView view;
    QSize size;
    int width = 0, height = 0;
    qreal dpr = 1;
    QFont font;
    bool kmph = true;
    QString noTelemetry;

    int axisTop() const { return height - kAxisHeight - (legend.isEmpty() ? 0 : TelemetryTimeline::legendHeight); }
    QRect plotRect() const { return plotRectOf(width, axisTop(), hasLanes, int(cameraLanes.size())); }
    QRect lanesRect() const { return lanesRectOf(width, axisTop(), hasLanes, int(cameraLanes.size())); }
    int xForTime(double seconds) const { return xOf(view, duration, width, seconds); }
    QList<double> boundaries() const { return startsAfterFirst(parts); }
    bool hasTelemetry() const { return anySamples(parts); }
    QImage draw() const;
};

} // namespace

TelemetryTimeline::TelemetryTimeline(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("telemetryTimeline"));
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFixedHeight(preferredHeight);
    setMinimumWidth(60);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::ClickFocus);
}

QColor TelemetryTimeline::colorFor(EventKind kind)
{
    switch (kind) {
    case EventKind::HardBraking: return QColor(0xe5, 0x48, 0x4d);
    case EventKind::HardAcceleration: return QColor(0x46, 0xa7, 0x58);
    case EventKind::HarshG: return QColor(0xf7, 0x8b, 0x15);
    case EventKind::Impact: return QColor(0xd6, 0x40, 0x9f);
    case EventKind::OverSpeed: return QColor(0xff, 0xc5, 0x3d);
    case EventKind::BrakeApplied: return QColor(0xff, 0x6b, 0x5e);
    case EventKind::AssistanceDisengaged: return QColor(0x5a, 0xc8, 0xfa);
    }
    return Qt::white;
}

QColor TelemetryTimeline::colorFor(const VehicleSpan &span)
{
    if (span.lane == VehicleSpan::Brake)
        return colorFor(EventKind::BrakeApplied);
    switch (span.assistance) {
    // Apart from the speed curve's blue.
    case TelemetrySample::Assistance::SelfDriving: return QColor(0xa0, 0x70, 0xff);
    case TelemetrySample::Assistance::Autosteer: return QColor(0x2e, 0xc4, 0xb6);
    case TelemetrySample::Assistance::Cruise: return QColor(0x9b, 0xd3, 0x5a);
    case TelemetrySample::Assistance::None:
    case TelemetrySample::Assistance::Unknown: break;
    }
    return kLaneTrack;
}

void TelemetryTimeline::setData(const QList<GpsSample> &samples, double duration, std::vector<TelemetryEvent> events,
                                std::shared_ptr<const std::vector<TelemetrySample>> typed, const QList<int> &glitches)
{
    setParts({TimelinePart{samples, 0.0, duration, QString(), std::move(typed), glitches}}, std::move(events));
}

std::vector<VehicleSpan> TelemetryTimeline::laneSpansOf(const QList<TimelinePart> &parts, bool *hasLanes)
{
    // Every frame's sample counts for the lanes, each part on its own axis.
    std::vector<VehicleSpan> brake, assistance;
    *hasLanes = false;
    for (const TimelinePart &part : parts) {
        if (!part.typed)
            continue;
        const std::vector<TelemetrySample> &typed = *part.typed;
        if (std::none_of(typed.begin(), typed.end(), [](const TelemetrySample &s) { return s.vehicle.has_value(); }))
            continue;
        *hasLanes = true;
        for (VehicleSpan span : TelemetryEvents::vehicleSpans(typed.data(), typed.size(), part.duration)) {
            span.start = part.start + TelemetryEvents::pictureTime(span.start, part.offsetMs);
            span.end = part.start + TelemetryEvents::pictureTime(span.end, part.offsetMs);
            (span.lane == VehicleSpan::Brake ? brake : assistance).push_back(span);
        }
    }
    brake.insert(brake.end(), assistance.begin(), assistance.end());
    return brake;
}

void TelemetryTimeline::setParts(QList<TimelinePart> parts, std::vector<TelemetryEvent> events,
                                 std::optional<std::vector<VehicleSpan>> lanes)
{
    parts_ = std::move(parts);
    offsets_.clear();
    durations_.clear();
    const double before = duration_;
    duration_ = 0.0;
    for (TimelinePart &part : parts_) {
        if (!std::isfinite(part.duration) || part.duration < 0)
            part.duration = 0.0;
        if (!std::isfinite(part.start) || part.start < 0)
            part.start = 0.0;
        offsets_.push_back(part.start);
        durations_.push_back(part.duration);
        duration_ = std::max(duration_, part.start + part.duration);
    }
    // Another clip of the same trip keeps the stretch looked at; another trip is whole.
    view_ = duration_ == before ? view_.panned(0, duration_) : TimelineView::whole(duration_);
    laneSpans_ = lanes ? std::move(*lanes) : laneSpansOf(parts_, &hasLanes_);
    if (lanes)
        hasLanes_ = std::any_of(parts_.begin(), parts_.end(), [](const TimelinePart &part) {
            return part.typed && std::any_of(part.typed->begin(), part.typed->end(),
                                             [](const TelemetrySample &s) { return s.vehicle.has_value(); });
        });
    stops_.clear();
    for (const TimelinePart &part : parts_)
        if (part.typed)
            for (StopStretches::Stretch stop : StopStretches::of(*part.typed, part.duration, part.offsetMs)) {
                stop.start += part.start;
                stop.end += part.start;
                stops_.push_back(stop);
            }
    fitHeight();
    events_ = std::move(events);
    playheadX_ = xForTime(playhead_);
    invalidate();
}

void TelemetryTimeline::setCameraLanes(const QList<ChannelRules::CameraLane> &lanes)
{
    if (lanes == cameraLanes_)
        return;
    cameraLanes_ = lanes;
    fitHeight();
    invalidate();
}

QRect TelemetryTimeline::cameraLaneRect(int i) const
{
    return cameraLaneRectOf(width(), axisTop(), int(cameraLanes_.size()), i);
}

int TelemetryTimeline::axisTop() const
{
    return height() - kAxisHeight - (legend_.isEmpty() ? 0 : legendHeight);
}

QList<TelemetryTimeline::LegendEntry> TelemetryTimeline::legendOf(const std::vector<VehicleSpan> &spans, bool hasLanes,
                                                                  const QList<ChannelRules::CameraLane> &cameras)
{
    QList<LegendEntry> legend;
    if (hasLanes) {
        legend.append({Localization::text("timeline_brake"), colorFor(EventKind::BrakeApplied), false});
        using A = TelemetrySample::Assistance;
        for (const A a : {A::SelfDriving, A::Autosteer, A::Cruise})
            if (std::any_of(spans.begin(), spans.end(), [a](const VehicleSpan &s) {
                    return s.lane == VehicleSpan::Assistance && s.assistance == a;
                }))
                legend.append({assistanceText(a), colorFor(VehicleSpan{VehicleSpan::Assistance, a}), false});
    }
    if (std::any_of(cameras.begin(), cameras.end(), [](const ChannelRules::CameraLane &c) { return !c.gaps.isEmpty(); }))
        legend.append({Localization::text("channel_no_recording"), kNoRecording, true});
    return legend;
}

void TelemetryTimeline::fitHeight()
{
    legend_ = legendOf(laneSpans_, hasLanes_, cameraLanes_);
    setFixedHeight(preferredHeight + (hasLanes_ ? lanesHeight : 0) + int(cameraLanes_.size()) * cameraLaneHeight +
                   (legend_.isEmpty() ? 0 : legendHeight));
}

bool TelemetryTimeline::hasTelemetry() const
{
    return anySamples(parts_);
}

QList<double> TelemetryTimeline::boundaries() const
{
    return startsAfterFirst(parts_);
}

void TelemetryTimeline::setKmph(bool kmph)
{
    if (kmph == kmph_)
        return;
    kmph_ = kmph;
    invalidate();
}

void TelemetryTimeline::setView(const TimelineView &view)
{
    const TimelineView next = view.panned(0, duration_);
    if (next == view_)
        return;
    view_ = next;
    playheadX_ = xForTime(playhead_);
    invalidate();
}

void TelemetryTimeline::setPlayhead(double seconds, bool redrawNow)
{
    const double before = playhead_;
    playhead_ = std::isfinite(seconds) ? seconds : 0.0;
    if (const TimelineView next = view_.following(before, playhead_, duration_); !(next == view_)) {
        setView(next);
        return;
    }
    const int x = xForTime(playhead_);
    if (x == playheadX_ || (!redrawNow && playheadX_ >= 0 && std::abs(x - playheadX_) < 2))
        return;
    const int old = playheadX_;
    playheadX_ = x;
    if (pictureValid_) {
        requestRepaint(QRect(old - 2, 0, 5, height()));
        requestRepaint(QRect(x - 2, 0, 5, height()));
    } else {
        requestRepaint(rect());
    }
}

void TelemetryTimeline::requestRepaint(const QRect &r)
{
    ++repaintRequests_;
    update(r);
}

void TelemetryTimeline::invalidate()
{
    pictureValid_ = false;
    ++pictureGeneration_;
    requestRepaint(rect());
}

double TelemetryTimeline::timeAtX(double x) const
{
    if (duration_ <= 0 || width() <= 1)
        return 0.0;
    return view_.timeAt(x, width());
}

int TelemetryTimeline::xForTime(double seconds) const
{
    return xOf(view_, duration_, width(), seconds);
}

QString TelemetryTimeline::hoverText(double t) const
{
    QString text = timeText(t, true);
    if (parts_.isEmpty() || duration_ <= 0)
        return text;
    const TripPoint at = tripPointAt(offsets_, durations_, t);
    const TimelinePart &part = parts_.at(qsizetype(at.clip));
    if (parts_.size() > 1)
        text += QStringLiteral("   ") + part.label + QLatin1Char(' ') + timeText(at.seconds, true);
    if (const QString day = timeOfDay ? timeOfDay(t) : QString(); !day.isEmpty())
        text += QStringLiteral("   ") + day;
    const qsizetype n = part.samples.size();
    if (n > 0 && part.duration > 0) {
        const double sampleSeconds = TelemetryEvents::pictureTime(at.seconds, -part.offsetMs);
        const qsizetype i = std::clamp<qsizetype>(qsizetype(sampleSeconds * double(n) / part.duration), 0, n - 1);
        const GpsSample &s = part.samples.at(i);
        if (TelemetryEvents::hasFix(s))
            text += QStringLiteral("   ") + AppUtils::speedText(float(s.spd), kmph_);
        text += QStringLiteral("   ") + AppUtils::fixed(TelemetryEvents::horizontalG(s), 2) + QStringLiteral(" g");
    }
    for (const VehicleSpan &span : laneSpans_) {
        if (t < span.start || t >= span.end)
            continue;
        text += QStringLiteral("   ") + (span.lane == VehicleSpan::Brake ? Localization::text("timeline_brake")
                                                                         : assistanceText(span.assistance));
    }
    for (const ChannelRules::CameraLane &lane : cameraLanes_)
        for (const auto &[start, end] : lane.gaps)
            if (t >= start && t < end)
                text += QStringLiteral("   ") + ChannelRules::laneLabel(lane.channel) + QLatin1Char(' ')
                        + Localization::text("channel_no_recording");
    return text;
}

QImage Look::draw() const
{
    QImage picture(size * dpr, QImage::Format_ARGB32_Premultiplied);
    picture.setDevicePixelRatio(dpr);
    picture.fill(kBackground);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);

    const QRect plot = plotRect();
    const int axisY = axisTop();
    QFont small = font;
    small.setPixelSize(9);
    p.setFont(small);

    // Time axis: a base line with a tick every "nice" step at least 70 pixels apart.
    p.setPen(kAxis);
    p.drawLine(QPointF(0, axisY + 0.5), QPointF(width, axisY + 0.5));
    if (duration > 0) {
        static const int steps[] = {1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 900, 1800, 3600};
        int step = steps[std::size(steps) - 1];
        for (int s : steps) {
            if (double(s) / view.span * width >= 70) {
                step = s;
                break;
            }
        }
        const int first = int(std::ceil(view.start / step)) * step;
        for (int s = first; s <= int(view.start + view.span); s += step) {
            const int x = xForTime(s);
            p.setPen(kAxis);
            p.drawLine(QPointF(x + 0.5, axisY), QPointF(x + 0.5, axisY + 3));
            p.setPen(kText);
            const QString label = TimeFormatUtils::stringFromSeconds(s);
            const int w = p.fontMetrics().horizontalAdvance(label);
            const int lx = std::clamp(x - w / 2, 0, std::max(0, width - w));
            p.drawText(QRect(lx, axisY + 2, w, kAxisHeight - 2), Qt::AlignCenter, label);
        }
    }

    // Thin marks where one part gives way to the next.
    p.setRenderHint(QPainter::Antialiasing, false);
    for (const double b : boundaries()) {
        const int x = xForTime(b);
        p.fillRect(QRect(x, plot.top(), 1, axisY - plot.top() + 3), kBoundary);
    }

    // The lanes: brake above, driver assistance below, each on a faint track with its name.
    QFont laneFont = font;
    laneFont.setPixelSize(9);
    if (hasLanes && duration > 0) {
        const QRect lanes = lanesRect();
        const int laneHeight = (lanes.height() - 4) / 2;
        const int brakeY = lanes.top() + 1, assistanceY = brakeY + laneHeight + 2;
        p.fillRect(QRect(0, brakeY, width, laneHeight), kLaneTrack);
        p.fillRect(QRect(0, assistanceY, width, laneHeight), kLaneTrack);
        for (const VehicleSpan &span : laneSpans) {
            const int x0 = xForTime(span.start), x1 = std::max(x0 + 1, xForTime(span.end));
            p.fillRect(QRect(x0, span.lane == VehicleSpan::Brake ? brakeY : assistanceY, x1 - x0, laneHeight),
                       TelemetryTimeline::colorFor(span));
        }
        p.setFont(laneFont);
        drawLaneName(p, QRect(0, brakeY, width, laneHeight), Localization::text("timeline_brake"));
        drawLaneName(p, QRect(0, assistanceY, width, laneHeight), Localization::text("timeline_assistance"));
    }
    // A lane per other camera: hatched where it has no recording, its name at the left.
    for (int i = 0; i < cameraLanes.size() && duration > 0; ++i) {
        const QRect lane = cameraLaneRectOf(width, axisTop(), int(cameraLanes.size()), i);
        p.fillRect(lane, kLaneTrack);
        for (const auto &[start, end] : cameraLanes.at(i).gaps) {
            const int x0 = xForTime(start), x1 = std::max(x0 + 1, xForTime(end));
            p.fillRect(QRect(x0, lane.top(), x1 - x0, lane.height()), QBrush(kNoRecording, Qt::BDiagPattern));
        }
        p.setFont(laneFont);
        drawLaneName(p, lane, ChannelRules::laneLabel(cameraLanes.at(i).channel));
    }
    // The legend under the axis: a swatch and a word for each colour the lanes show.
    if (!legend.isEmpty() && duration > 0) {
        p.setFont(laneFont);
        const int top = height - TelemetryTimeline::legendHeight + 2, swatch = 9;
        int x = 4;
        for (const TelemetryTimeline::LegendEntry &entry : legend) {
            const QRect box(x, top + 1, swatch, swatch);
            if (entry.hatched) {
                p.fillRect(box, kLaneTrack);
                p.fillRect(box, QBrush(entry.color, Qt::BDiagPattern));
            } else
                p.fillRect(box, entry.color);
            p.setPen(kText);
            const int w = p.fontMetrics().horizontalAdvance(entry.text);
            p.drawText(QRect(x + swatch + 4, top, w + 2, swatch + 2), Qt::AlignLeft | Qt::AlignVCenter, entry.text);
            x += swatch + 4 + w + 14;
        }
    }
    p.setFont(small);
    p.setRenderHint(QPainter::Antialiasing);

    if (!hasTelemetry() || duration <= 0) {
        p.setPen(kText);
        QFont f = font;
        f.setPixelSize(11);
        p.setFont(f);
        p.drawText(plot, Qt::AlignCenter, noTelemetry);
        return picture;
    }

    int maxKmh = 20;
    double maxG = 0.5;
    for (const TimelinePart &part : parts)
    for (const GpsSample &s : part.samples) {
        if (TelemetryEvents::hasFix(s))
            maxKmh = std::max(maxKmh, s.spd);
        const double g = TelemetryEvents::horizontalG(s);
        if (std::isfinite(g) && g <= 16.0)
            maxG = std::max(maxG, g);
    }
    // A little headroom over the top speed, so the curve does not run along the edge.
    const double top = plot.top() + kTickHeight + 4, bottom = plot.bottom() - 1;
    auto yAt = [&](double v, double max) { return bottom - std::clamp(v / max, 0.0, 1.0) * (bottom - top); };

    // Over-speed stretches as faint bands behind the curves.
    for (const TelemetryEvent &e : events) {
        if (e.kind != EventKind::OverSpeed)
            continue;
        QColor c = TelemetryTimeline::colorFor(e.kind);
        c.setAlpha(40);
        const TimelinePart &part = parts.at(qsizetype(tripPointAt(offsets, durations, e.endTime).clip));
        const double step = part.samples.isEmpty() ? 1.0 : part.duration / double(part.samples.size());
        const int x0 = xForTime(e.time), x1 = std::max(x0 + 2, xForTime(e.endTime + step));
        p.fillRect(QRect(x0, plot.top() + kTickHeight, x1 - x0, plot.height() - kTickHeight), c);
    }

    // G first, fainter, behind the speed; both broken where a sample has no value.
    // A part without samples is a gap in both.
    QPainterPath gPath, speedPath;
    const double viewEnd = view.start + view.span;
    for (const TimelinePart &part : parts) {
        if (part.start > viewEnd + 1 || part.start + part.duration < view.start - 1)
            continue;
        const qsizetype n = part.samples.size();
        bool gOpen = false, speedOpen = false;
        for (qsizetype i = 0; i < n; ++i) {
            const GpsSample &s = part.samples.at(i);
            const double t = part.start + TelemetryEvents::pictureTime(
                                              TelemetryEvents::sampleTime(size_t(i), size_t(n), part.duration), part.offsetMs);
            const double x = view.xAt(t, width);
            const double g = TelemetryEvents::horizontalG(s);
            if (std::isfinite(g) && g <= 16.0) {
                const QPointF pt(x, yAt(g, maxG));
                gOpen ? gPath.lineTo(pt) : gPath.moveTo(pt);
                gOpen = true;
            } else {
                gOpen = false;
            }
            if (TelemetryEvents::hasFix(s)) {
                const QPointF pt(x, yAt(s.spd, maxKmh));
                speedOpen ? speedPath.lineTo(pt) : speedPath.moveTo(pt);
                speedOpen = true;
            } else {
                speedOpen = false;
            }
        }
    }
    p.setPen(QPen(kG, 1.0));
    p.drawPath(gPath);
    p.setPen(QPen(kSpeed, 1.6));
    p.drawPath(speedPath);

    // GPS glitches: a small mark each on the floor of the speed lane.
    for (const TimelinePart &part : parts)
        for (const int i : part.glitches) {
            const double t = part.start + TelemetryEvents::pictureTime(
                                              TelemetryEvents::sampleTime(size_t(i), size_t(part.samples.size()),
                                                                          part.duration), part.offsetMs);
            const double x = view.xAt(t, width);
            QPainterPath mark;
            mark.moveTo(x, bottom - 5);
            mark.lineTo(x - 3, bottom);
            mark.lineTo(x + 3, bottom);
            mark.closeSubpath();
            p.fillPath(mark, kGlitch);
        }

    // Top speed of the scale, in the chosen unit.
    p.setFont(small);
    p.setPen(kText);
    p.drawText(QRect(3, plot.top() + kTickHeight - 6, 80, 11), Qt::AlignLeft | Qt::AlignTop,
               AppUtils::speedText(float(maxKmh), kmph));

    // Event ticks along the top.
    p.setRenderHint(QPainter::Antialiasing, false);
    for (const TelemetryEvent &e : events) {
        if (e.kind == EventKind::OverSpeed)
            continue;
        const int x = xForTime(e.time);
        p.fillRect(QRect(x - 1, plot.top(), 3, kTickHeight), TelemetryTimeline::colorFor(e.kind));
        QColor faint = TelemetryTimeline::colorFor(e.kind);
        faint.setAlpha(70);
        p.fillRect(QRect(x, plot.top() + kTickHeight, 1, plot.height() - kTickHeight), faint);
    }
    return picture;
}

void TelemetryTimeline::buildPicture()
{
    const QSize pixels = size() * devicePixelRatioF();
    Look look{parts_, offsets_, durations_, events_, laneSpans_, hasLanes_, cameraLanes_, legend_, duration_, view_, size(),
              width(), height(), devicePixelRatioF(), font(), kmph_, Localization::text("timeline_no_telemetry")};
    qsizetype samples = 0;
    for (const TimelinePart &part : parts_)
        samples += part.samples.size();
    if (samples <= kDrawnAtOnce) {
        picture_ = look.draw();
        pictureValid_ = true;
        ++pictureBuilds_;
        emit pictureBuilt(false);
        return;
    }
    // A long trip's curves take a good part of a second: they are drawn aside and the
    // last picture stays meanwhile.
    if (askedGeneration_ == pictureGeneration_ && askedSize_ == pixels)
        return;
    askedGeneration_ = pictureGeneration_;
    askedSize_ = pixels;
    const quint64 generation = pictureGeneration_;
    QtConcurrent::run([look = std::move(look)] { return look.draw(); })
        .then(this, [this, generation, pixels](const QImage &picture) {
            if (generation != pictureGeneration_ || pixels != size() * devicePixelRatioF())
                return;
            picture_ = picture;
            pictureValid_ = true;
            ++pictureBuilds_;
            requestRepaint(rect());
            emit pictureBuilt(true);
        });
}

void TelemetryTimeline::paintEvent(QPaintEvent *event)
{
    if (!pictureValid_ || picture_.size() != size() * devicePixelRatioF())
        buildPicture();
    QPainter p(this);
    const QRect r = event->rect();
    if (picture_.size() == size() * devicePixelRatioF())
        p.drawImage(r, picture_, QRectF(QPointF(r.topLeft()) * picture_.devicePixelRatio(),
                                        QSizeF(r.size()) * picture_.devicePixelRatio()));
    else
        p.fillRect(r, kBackground);
    if (duration_ > 0 && stopsShown_) {
        // Grey hatching over the stretches Skip Stops jumps over.
        const int bottom = axisTop() + 3;
        for (const StopStretches::Stretch &stop : stops_) {
            const int a = xForTime(stop.start), b = xForTime(stop.end);
            const QRect band(a, 0, std::max(1, b - a), bottom);
            p.fillRect(band, QColor(90, 90, 90, 110));
            p.fillRect(band, QBrush(QColor(200, 200, 200, 90), Qt::BDiagPattern));
        }
    }
    if (duration_ > 0 && (markIn_ || markOut_)) {
        const int top = 0, bottom = axisTop() + 3;
        const QColor edge(255, 179, 0);
        if (markIn_ && markOut_) {
            const int a = xForTime(std::min(*markIn_, *markOut_)), b = xForTime(std::max(*markIn_, *markOut_));
            p.fillRect(QRect(a, top, std::max(1, b - a), bottom - top), QColor(255, 179, 0, 60));
        }
        for (const std::optional<double> &m : {markIn_, markOut_})
            if (m)
                p.fillRect(QRect(xForTime(*m), top, 1, bottom - top), edge);
    }
    // The marks to blur: accepted ones amber, offered ones cyan, the chosen one brighter;
    // a lost end is a red bar.
    for (int i = 0; duration_ > 0 && i < markBands_.size(); ++i) {
        const MarkBand &b = markBands_.at(i);
        const QRect r = markBandRect(i);
        if (!r.intersects(event->rect()))
            continue;
        QColor c = b.offered ? QColor(0, 200, 255) : QColor(255, 196, 0);
        c.setAlpha(b.selected ? 255 : 190);
        p.fillRect(r, c);
        if (b.selected)
            p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), Qt::white);
        if (b.lost)
            p.fillRect(QRect(r.right() - 1, r.top() - 1, 3, r.height() + 2), QColor(230, 40, 40));
    }
    if (duration_ > 0) {
        p.fillRect(QRect(playheadX_ - 1, 0, 3, axisTop() + 3), QColor(0, 0, 0, 120));
        p.fillRect(QRect(playheadX_, 0, 1, axisTop() + 3), kPlayhead);
    }
}

void TelemetryTimeline::setMarkBands(const QList<MarkBand> &bands)
{
    if (bands == markBands_)
        return;
    markBands_ = bands;
    markRows_ = MarkShapes::rowsOf(bands, kMarkRows);
    update();
}

QRect TelemetryTimeline::markBandRect(int i) const
{
    if (i < 0 || i >= markBands_.size() || duration_ <= 0)
        return {};
    const MarkBand &b = markBands_.at(i);
    const int a = xForTime(b.start), z = xForTime(b.end);
    return QRect(a, 2 + markRows_.value(i) * kMarkRowHeight, std::max(2, z - a), kMarkRowHeight - 1);
}

int TelemetryTimeline::lostEndAt(QPoint at) const
{
    for (int i = 0; i < markBands_.size(); ++i) {
        if (!markBands_.at(i).lost)
            continue;
        const QRect r = markBandRect(i);
        if (std::abs(at.x() - r.right()) <= 4 && at.y() >= r.top() - 3 && at.y() <= r.bottom() + 3)
            return i;
    }
    return -1;
}

void TelemetryTimeline::setStopsShown(bool shown)
{
    if (shown == stopsShown_)
        return;
    stopsShown_ = shown;
    update();
}

int TelemetryTimeline::markBandAt(QPoint at) const
{
    for (int i = int(markBands_.size()) - 1; i >= 0; --i)
        if (markBandRect(i).adjusted(0, -1, 0, 1).contains(at))
            return i;
    return -1;
}

void TelemetryTimeline::setMarks(std::optional<double> in, std::optional<double> out)
{
    if (in == markIn_ && out == markOut_)
        return;
    markIn_ = in;
    markOut_ = out;
    update();
}

void TelemetryTimeline::resizeEvent(QResizeEvent *event)
{
    // The picture is rebuilt when its size no longer matches (paintEvent).
    playheadX_ = xForTime(playhead_);
    QWidget::resizeEvent(event);
}

void TelemetryTimeline::mousePressEvent(QMouseEvent *event)
{
    // The time axis under the curves, or the middle button anywhere, pans.
    const bool onAxis = event->position().y() >= axisTop();
    if (duration_ > 0 && (event->button() == Qt::MiddleButton || (event->button() == Qt::LeftButton && onAxis))) {
        panFrom_ = timeAtX(event->position().x());
        event->accept();
        return;
    }
    if (event->button() == Qt::LeftButton && duration_ > 0) {
        const int band = markBandAt(event->position().toPoint());
        if (band >= 0) {
            bandPressed_ = true;
            emit markBandClicked(markBands_.at(band).id);
            emit seekRequested(markBands_.at(band).start, false);
            event->accept();
            return;
        }
        emit seekRequested(timeAtX(event->position().x()), true);
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void TelemetryTimeline::mouseReleaseEvent(QMouseEvent *event)
{
    if (panFrom_) {
        panFrom_.reset();
        event->accept();
        return;
    }
    if (std::exchange(bandPressed_, false)) {
        event->accept();
        return;
    }
    if (event->button() == Qt::LeftButton && duration_ > 0) {
        emit seekRequested(timeAtX(event->position().x()), false);
        event->accept();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void TelemetryTimeline::mouseMoveEvent(QMouseEvent *event)
{
    if (duration_ <= 0)
        return;
    pointerX_ = event->position().x();
    if (panFrom_) {
        // The time grabbed stays under the pointer.
        setView(view_.panned(*panFrom_ - view_.timeAt(event->position().x(), width()), duration_));
        return;
    }
    const double t = timeAtX(event->position().x());
    if ((event->buttons() & Qt::LeftButton) && !bandPressed_)
        emit seekRequested(t, true);
    if (lostEndAt(event->position().toPoint()) >= 0) {
        QToolTip::showText(event->globalPosition().toPoint(), Localization::text("Lost here"), this);
        return;
    }
    QToolTip::showText(event->globalPosition().toPoint(), hoverText(t), this);
}

void TelemetryTimeline::mouseDoubleClickEvent(QMouseEvent *event)
{
    setView(TimelineView::whole(duration_));
    event->accept();
}

void TelemetryTimeline::wheelEvent(QWheelEvent *event)
{
    if (duration_ <= 0) {
        QWidget::wheelEvent(event);
        return;
    }
    const QPoint delta = event->angleDelta();
    const bool sideways = (event->modifiers() & Qt::ShiftModifier) || std::abs(delta.x()) > std::abs(delta.y());
    // One notch (120) is a fifth closer, or a tenth of the stretch along.
    if (sideways) {
        const int along = delta.x() != 0 ? delta.x() : delta.y();
        setView(view_.panned(-double(along) / 120.0 * view_.span * 0.1, duration_));
    } else {
        const double at = timeAtX(event->position().x());
        setView(view_.zoomed(std::pow(1.25, double(delta.y()) / 120.0), at, duration_));
    }
    event->accept();
}

bool TelemetryTimeline::zoomKey(const QKeyEvent *event, double *factor)
{
    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal: *factor = 2; return true;
    case Qt::Key_Minus: *factor = 0.5; return true;
    case Qt::Key_0: *factor = 0; return true;
    default: return false;
    }
}

bool TelemetryTimeline::event(QEvent *event)
{
    // The timeline's own keys before any shortcut of the window while it has the focus.
    double factor = 0;
    if (event->type() == QEvent::ShortcutOverride && zoomKey(static_cast<QKeyEvent *>(event), &factor)) {
        event->accept();
        return true;
    }
    return QWidget::event(event);
}

void TelemetryTimeline::keyPressEvent(QKeyEvent *event)
{
    double factor = 0;
    if (duration_ <= 0 || !zoomKey(event, &factor)) {
        QWidget::keyPressEvent(event);
        return;
    }
    if (factor == 0) {
        setView(TimelineView::whole(duration_));
    } else {
        // About the pointer when it is over the timeline, else about the playhead.
        const double at = underMouse() ? timeAtX(pointerX_) : playhead_;
        setView(view_.zoomed(factor, at, duration_));
    }
    event->accept();
}

void TelemetryTimeline::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        invalidate();
    QWidget::changeEvent(event);
}
