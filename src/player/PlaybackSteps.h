// The arithmetic of the review keys: the position of the next or previous frame, the
// millisecond a seek must ask for to show a given frame, the slow/fast rate ladder,
// and the text of a rate toast.
#pragma once

#include <QString>

#include <optional>
#include <vector>

// A seek a click or a drag asks of the engine: none, the key frame at or before the
// time wanted (its picture takes one decode), or the exact frame (decoded from that
// key frame on).
struct PictureSeek {
    enum Kind { None, KeyFrame, Exact };
    Kind kind = None;
    double seconds = 0;
    bool operator==(const PictureSeek &o) const { return kind == o.kind && seconds == o.seconds; }
};

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

    // Whether playing at `rate` steps from key frame to key frame instead of decoding
    // every frame: above 4x either way, except 5x of a clip of at most 1080p at 30 fps
    // (`pixelsPerSecond`, width x height x frame rate; 0 when not known), which the
    // decoder here still keeps up with on one core. Past that it falls behind (10x of
    // 1080p, 5x of 4K), while a key frame a second still gives a new picture at least
    // five times a second.
    static bool byKeyFrames(double rate, double pixelsPerSecond = 0);
    // What the decoder here sustains: 1080p at 30 fps, five times over.
    static constexpr double kDecodedPixelsPerSecond = 1920.0 * 1080 * 30 * 5;

    // The key frame to show for the clock at `seconds` among `keys` (ascending): the
    // last one at or before it playing forwards, the first one at or after it in
    // reverse, the nearest end outside them; whole seconds when there are none.
    static double keyFrameFor(const std::vector<double> &keys, double seconds, double rate);

    // The seek to ask for now to show `target` among `keys` (ascending), `last` being
    // the last one asked for: none while its picture is not on screen (`inFlight`);
    // while the user still drags, the key frame under the handle, each once; once let
    // go, that key frame and then the exact frame (the exact one at once when the
    // target is a key frame, or there is no table).
    static PictureSeek nextSeek(double target, const std::vector<double> &keys, bool inFlight, bool dragging,
                                const PictureSeek &last);

    // "0.25x", "0.5x", "2x", "-5x".
    static QString rateText(double rate);
};
