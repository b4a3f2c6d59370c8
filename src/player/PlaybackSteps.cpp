#include "PlaybackSteps.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {

constexpr double kLadder[] = {0.25, 0.5, 1, 2, 5, 10, 60};
// Positions come in whole milliseconds: a time within this much of a frame's start
// belongs to that frame.
constexpr double kSlackFrames = 0.05;

} // namespace

std::optional<double> PlaybackSteps::frameTarget(double current, double frameDuration, double duration,
                                                 int direction)
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

qint64 PlaybackSteps::frameSeekMs(double seconds)
{
    if (!std::isfinite(seconds) || seconds <= 0)
        return 0;
    // 1e-6 keeps a start that is a whole millisecond (2.000 s, 0.04 s) from rounding up.
    return qint64(std::ceil(seconds * 1000.0 - 1e-6));
}

std::optional<double> PlaybackSteps::rateStep(double current, int direction)
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

bool PlaybackSteps::byKeyFrames(double rate, double pixelsPerSecond)
{
    if (!std::isfinite(rate) || std::abs(rate) <= 4)
        return false;
    if (rate < 0 || rate > 5 || !(pixelsPerSecond > 0))
        return true;
    return rate * pixelsPerSecond > kDecodedPixelsPerSecond * 1.001;
}

double PlaybackSteps::keyFrameFor(const std::vector<double> &keys, double seconds, double rate)
{
    if (keys.empty())
        return rate < 0 ? std::ceil(seconds) : std::floor(seconds);
    if (rate < 0) {
        const auto it = std::lower_bound(keys.begin(), keys.end(), seconds);
        return it == keys.end() ? keys.back() : *it;
    }
    const auto it = std::upper_bound(keys.begin(), keys.end(), seconds);
    return it == keys.begin() ? keys.front() : *std::prev(it);
}

PictureSeek PlaybackSteps::nextSeek(double target, const std::vector<double> &keys, bool inFlight, bool dragging,
                                    const PictureSeek &last)
{
    const auto same = [](double a, double b) { return std::abs(a - b) < 0.0005; };
    if (inFlight || (last.kind == PictureSeek::Exact && same(last.seconds, target)))
        return {};
    const PictureSeek exact{PictureSeek::Exact, target};
    if (keys.empty())
        return exact;
    const double key = keyFrameFor(keys, target, 1);
    if (key > target || same(key, target))
        return exact;
    const bool keyShown = last.kind == PictureSeek::KeyFrame && same(last.seconds, key);
    if (dragging)
        return keyShown ? PictureSeek{} : PictureSeek{PictureSeek::KeyFrame, key};
    return keyShown ? exact : PictureSeek{PictureSeek::KeyFrame, key};
}

QString PlaybackSteps::rateText(double rate)
{
    return QString::number(rate, 'g', 6) + QLatin1Char('x');
}
