// The engine's decisions as plain functions: which seek a gesture asks for, how a rate
// is played (an instant rate change, a trick-mode seek, key frames the engine paces, or
// reverse play), the frame a step lands on, the slow/fast ladder and the text of a rate.
#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

namespace EngineRules {

// What asked for a seek.
enum class Gesture {
    Click,         // a click on the slider or the timeline, an event jumped to
    Remote,        // the media controls' SetPosition or Seek
    Dragging,      // the handle moves under the button
    DragRelease,   // the handle was let go
    StepBack,      // one frame back while paused
    Paced,         // a key frame shown while the engine paces a high rate
};

// How the pipeline is asked to seek.
struct SeekFlags {
    bool flush = true;
    bool accurate = false;     // decode from the key frame before to the frame that holds the target
    bool keyUnit = false;      // the key frame at or before the target (snapBefore) is shown
    bool snapBefore = false;
    bool snapAfter = false;
    bool trickMode = false;    // key frames only, at the rate asked for
    bool noAudio = false;
    bool operator==(const SeekFlags &o) const
    {
        return flush == o.flush && accurate == o.accurate && keyUnit == o.keyUnit && snapBefore == o.snapBefore
               && snapAfter == o.snapAfter && trickMode == o.trickMode && noAudio == o.noAudio;
    }
};

// How a rate is played.
enum class RateWay {
    Normal,     // every frame, forwards: 0.25x to 4x
    TrickMode,  // key frames only by a trick-mode seek: above 4x up to 10x
    Paced,      // the engine runs the clock and seeks to the key frame under it: above 10x,
                // and in reverse from -5x
    Reverse,    // every frame, backwards: -1x to -4x
};

RateWay wayOf(double rate);

// The seek a gesture asks for while the pipeline plays at `rate`: the exact frame, or a
// key frame while dragging or pacing; the trick-mode flags ride along at such a rate.
SeekFlags seekFor(Gesture gesture, double rate);

// Whether going from `from` to `to` (both playing, both finite) can keep the
// segment and change the rate in place, with no flush: both normal forward rates.
bool instantChange(double from, double to);

// Whether a camera's picture that starts at `start` seconds of its file and lasts `frame`
// seconds holds the moment `at` (seconds of the same file): false before any picture.
bool showsMoment(double start, double frame, double at);

// A camera held `offset` seconds after the main one (negative: its recording started that
// much later) at the main camera's time `at`: whether that is before its recording starts,
// and how long the clock runs at `rate` before its first picture is due (0 when it is not
// before, or the rate plays backwards or by key frames the engine paces).
bool beforeStart(double at, double offset);
double startWait(double at, double offset, double rate);

// Whether a decoder or sink takes an instant rate change numbered `change`, when the one
// asked for last is numbered `current` (0: none, or a flushing seek came after it). Only
// that one: GStreamer re-sends an older change after a flush (see MediaPipeline).
bool takesInstantChange(quint32 change, quint32 current);

// Whether a streaming thread started for an element of GStreamer class `klass`
// ("Codec/Decoder/Video", "Sink/Audio", …; null when unknown) runs behind the window's
// thread: all but the sound card's.
bool runsBehindWindow(const char *klass);

// How many pictures a second the engine shows when it paces key frames itself.
constexpr int kPacedPicturesPerSecond = 10;

// The start time (seconds) of the frame next to the one shown at `current`, one
// frame of `frameDuration` seconds forward (`direction` > 0) or back (< 0), in a
// clip of `duration` seconds whose frames start at 0, frameDuration, 2·frameDuration …
// Nothing at the first frame going back, at the last frame (or the end) going
// forward, or without a usable frame duration.
std::optional<double> frameTarget(double current, double frameDuration, double duration, int direction);

// The first whole millisecond at or after `seconds` (a frame's start), as positions are
// told: 35.0333… gives 35.034, 35.0 stays.
double wholeMsInside(double seconds);

// The rate ladder of the slow and fast keys: 0.25, 0.5, 1, 2, 5, 10, 60. The next
// rung above (`direction` > 0) or below `current`; a reverse or stopped rate counts
// as 1. Nothing past either end.
std::optional<double> rateStep(double current, int direction);

// "0.25x", "0.5x", "2x", "-5x".
QString rateText(double rate);

} // namespace EngineRules
