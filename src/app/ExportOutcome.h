// Whether a video that ffmpeg wrote for an export is whole, judged before it is moved
// into place: ffmpeg's end (a full disk at the very end makes ffmpeg 5.1 report "Error
// writing trailer" and exit with status 0), what it said, and the file itself: a movie
// header, a video track, and the frames or the length the export must hold.
#pragma once

#include "telemetry/WrittenMovie.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

class ExportOutcome {
public:
    ExportOutcome() = delete;

    struct Run {
        bool exitedNormally = false;
        int exitCode = -1;
        QByteArray errors;   // what ffmpeg wrote on its error output (the last few KiB)
    };
    // What must be there: at least `seconds` of video (0: any length) and at least
    // `frames` frames (0: any number, but one).
    struct Expected {
        double seconds = 0;
        long long frames = 0;
    };

    // Empty when the video is whole; otherwise why not, for the closing message.
    static QString videoFailure(const Run &run, const WrittenMovie &written, const Expected &expected);
    // The line of ffmpeg's errors that tells of a failed write, or an empty text.
    static QString writeError(const QByteArray &errors);

    // The first of `targets` that is one of `inputs` (the same file, also through a link
    // or another name), or an empty text: an export never writes over its own clips.
    static QString targetThatIsAnInput(const QStringList &targets, const QStringList &inputs);

    // A video may come out this much shorter than asked: the cut lands on frames.
    static constexpr double kSecondsTolerance = 0.5;
};
