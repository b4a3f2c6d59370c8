#include "TimelineView.h"

#include <algorithm>
#include <cmath>

namespace {

TimelineView inside(double start, double span, double total)
{
    total = std::max(0.0, total);
    span = std::clamp(span, std::min(TimelineView::kClosest, total), total);
    return {std::clamp(start, 0.0, total - span), span};
}

} // namespace

TimelineView TimelineView::whole(double total)
{
    return {0, std::max(0.0, total)};
}

bool TimelineView::isWhole(double total) const
{
    return start <= 0 && span >= total;
}

TimelineView TimelineView::zoomed(double factor, double anchor, double total) const
{
    if (!(factor > 0) || !std::isfinite(factor) || !(span > 0))
        return inside(start, span, total);
    const double at = std::clamp((anchor - start) / span, 0.0, 1.0);
    const TimelineView closer = inside(0, span / factor, total);
    return inside(anchor - at * closer.span, closer.span, total);
}

TimelineView TimelineView::panned(double seconds, double total) const
{
    return inside(start + (std::isfinite(seconds) ? seconds : 0.0), span, total);
}

TimelineView TimelineView::following(double before, double now, double total) const
{
    const double end = start + span;
    if (before < start || before > end || (now >= start && now <= end))
        return *this;
    // The playhead comes in near the edge it crossed, with most of the page ahead of it.
    return inside(now > end ? now - span * 0.1 : now - span * 0.9, span, total);
}

double TimelineView::timeAt(double x, int width) const
{
    if (width <= 1 || !(span > 0))
        return start;
    return start + std::clamp(x / double(width - 1), 0.0, 1.0) * span;
}

double TimelineView::xAt(double seconds, int width) const
{
    if (width <= 1 || !(span > 0))
        return 0;
    return (seconds - start) / span * double(width - 1);
}
