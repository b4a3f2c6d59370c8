#include "EngineRules.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>

namespace {

constexpr double kLadder[] = {0.25, 0.5, 1, 2, 5, 10, 60};
// Positions come in whole milliseconds: a time within this much of a frame's start
// belongs to that frame.
constexpr double kSlackFrames = 0.05;
constexpr double kMaxNormal = 4.0;
constexpr double kMaxTrick = 10.0;
constexpr double kMaxReverse = -4.0;

} // namespace

namespace EngineRules {

RateWay wayOf(double rate)
{
    if (!std::isfinite(rate) || rate == 0)
        return RateWay::Normal;
    if (rate > 0)
        return rate <= kMaxNormal + 1e-9 ? RateWay::Normal : rate <= kMaxTrick + 1e-9 ? RateWay::TrickMode
                                                                                      : RateWay::Paced;
    return rate >= kMaxReverse - 1e-9 ? RateWay::Reverse : RateWay::Paced;
}

SeekFlags seekFor(Gesture gesture, double rate)
{
    SeekFlags f;
    switch (gesture) {
    case Gesture::Dragging:
        f.keyUnit = true;
        f.snapBefore = true;
        break;
    case Gesture::Paced:
        f.keyUnit = true;
        // Backwards the clock passes a key frame's time after the frame has begun.
        (rate < 0 ? f.snapAfter : f.snapBefore) = true;
        return f;
    case Gesture::Click:
    case Gesture::Remote:
    case Gesture::DragRelease:
    case Gesture::StepBack:
        f.accurate = true;
        break;
    }
    if (wayOf(rate) == RateWay::TrickMode) {
        f.trickMode = true;
        f.noAudio = true;
    }
    return f;
}

bool instantChange(double from, double to)
{
    return from > 0 && to > 0 && wayOf(from) == RateWay::Normal && wayOf(to) == RateWay::Normal;
}

bool showsMoment(double start, double frame, double at)
{
    // A microsecond of slack: pictures' times come rounded to it.
    return start >= 0 && frame > 0 && std::isfinite(at) && start <= at + 1e-6 && at < start + frame - 1e-6;
}

bool beforeStart(double at, double offset)
{
    return std::isfinite(at) && std::isfinite(offset) && at + offset < -1e-6;
}

double startWait(double at, double offset, double rate)
{
    if (!beforeStart(at, offset) || !(rate > 0) || wayOf(rate) == RateWay::Paced)
        return 0.0;
    return -(at + offset) / rate;
}

bool takesInstantChange(quint32 change, quint32 current)
{
    return current != 0 && change == current;
}

bool runsBehindWindow(const char *klass)
{
    return !(klass && std::strstr(klass, "Sink") && std::strstr(klass, "Audio"));
}

std::optional<double> frameTarget(double current, double frameDuration, double duration, int direction)
{
    if (!(frameDuration > 0) || !std::isfinite(frameDuration) || !(duration > 0) || !std::isfinite(current)
        || direction == 0)
        return std::nullopt;
    const double frames = std::ceil(duration / frameDuration - kSlackFrames);
    const double last = std::max(0.0, frames - 1);
    const double shown = std::clamp(std::floor(current / frameDuration + kSlackFrames), 0.0, frames);
    const double target = shown + (direction > 0 ? 1 : -1);
    if (target < 0 || target > last)
        return std::nullopt;
    return target * frameDuration;
}

double wholeMsInside(double seconds)
{
    if (!std::isfinite(seconds))
        return 0;
    return std::ceil(seconds * 1000 - 1e-6) / 1000;
}

std::optional<double> rateStep(double current, int direction)
{
    if (!(current > 0) || !std::isfinite(current))
        current = 1;
    if (direction > 0) {
        for (double r : kLadder)
            if (r > current * (1 + 1e-9))
                return r;
    } else if (direction < 0) {
        for (auto it = std::rbegin(kLadder); it != std::rend(kLadder); ++it)
            if (*it < current * (1 - 1e-9))
                return *it;
    }
    return std::nullopt;
}

QString rateText(double rate)
{
    return QString::number(rate, 'g', 6) + QLatin1Char('x');
}

} // namespace EngineRules
