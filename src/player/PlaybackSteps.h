// The arithmetic of the review keys: the position of the next or previous frame, the
// millisecond a seek must ask for to show a given frame, the slow/fast rate ladder,
// and the text of a rate toast.
#pragma once

#include <QString>

#include <optional>

class PlaybackSteps {
public:
    PlaybackSteps() = delete;

    // The start time (seconds) of the frame next to the one shown at `current`, one
    // frame of `frameDuration` seconds forward (`direction` > 0) or back (< 0), in a
    // clip of `duration` seconds whose frames start at 0, frameDuration, 2·frameDuration …
    // Nothing at the first frame going back, at the last frame (or the end) going
    // forward, or without a usable frame duration.
    static std::optional<double> frameTarget(double current, double frameDuration, double duration,
                                             int direction);

    // The whole millisecond a seek asks for so that the frame starting at `seconds` is
    // the one shown: the backend shows the frame that contains the position, so this
    // rounds up into the frame (2.0333… s → 2034 ms).
    static qint64 frameSeekMs(double seconds);

    // The rate ladder of the slow and fast keys: 0.25, 0.5, 1, 2, 5, 10, 60. The next
    // rung above (`direction` > 0) or below `current`; a reverse or stopped rate counts
    // as 1. Nothing past either end.
    static std::optional<double> rateStep(double current, int direction);

    // "0.25x", "0.5x", "2x", "-5x".
    static QString rateText(double rate);
};
