// The stretch of the timeline's axis on show: the whole trip, or a closer look at part
// of it. The wheel zooms about the pointer, a horizontal scroll or drag pans, and the
// playhead leaving the stretch while playing turns the page.
#pragma once

class TimelineView {
public:
    double start = 0;   // seconds on the axis at the left edge
    double span = 0;    // seconds across the widget

    bool operator==(const TimelineView &o) const { return start == o.start && span == o.span; }

    // All of an axis `total` seconds long.
    static TimelineView whole(double total);
    bool isWhole(double total) const;
    // Closer by `factor` (below 1: farther) with `anchor` (seconds) staying where it
    // is on screen; never closer than kClosest, never wider than the whole, and kept
    // within [0, total].
    TimelineView zoomed(double factor, double anchor, double total) const;
    // Moved by `seconds` (later when positive), kept within the axis.
    TimelineView panned(double seconds, double total) const;
    // The playhead went from `before` to `now`: when it left the stretch across an
    // edge, the stretch turns a page with it; a playhead already outside (the user
    // looked elsewhere) leaves it.
    TimelineView following(double before, double now, double total) const;

    // The time under `x` of a widget `width` pixels wide, within the stretch; and back
    // (outside the widget for a time outside the stretch).
    double timeAt(double x, int width) const;
    double xAt(double seconds, int width) const;

    static constexpr double kClosest = 10;
};
