// A stretch of a clip written anew with its marks blurred: ffmpeg decodes the frames to
// a pipe, each frame's boxes are blurred here (Blur), and a second ffmpeg encodes them
// from a pipe (H.264, the clip's sound of the same stretch as AAC) into an MP4. No
// shell, no file of the clip changed; a failure or a cancel removes what was written.
// Blocking, for a worker thread; start() runs it on one with progress and cancel.
#pragma once

#include "redact/Blur.h"
#include "redact/ClipVideo.h"
#include "redact/RedactMarks.h"

#include <QFuture>
#include <QImage>
#include <QString>
#include <QStringList>

#include <functional>

struct RedactJob {
    QString ffmpeg;     // by default ffmpeg on PATH
    QString clip;
    ClipVideo video;    // its probe
    RedactMarks marks;  // the accepted ones are blurred
    BlurOptions blur;
    qint64 firstFrame = 0;
    qint64 frames = 0;  // how many, from firstFrame (fewer when the clip ends sooner)
    QString output;     // the MP4 to write
    bool sound = true;
    // superfast: a 1080p minute of a grainy picture encodes some 1.7 times as fast as with
    // veryfast, in a larger file of the same quality (crf).
    QString preset = QStringLiteral("superfast");
    int crf = 20;
};

struct RedactResult {
    bool ok = false;
    bool cancelled = false;
    QString failure;
    qint64 framesWritten = 0;
    double startSeconds = 0;  // the time in the clip of the first frame written
    QByteArray errors;  // what the encoder said
};

namespace RedactedVideo {
// The encoder's arguments for `job`: raw frames on standard input.
QStringList encoderArguments(const RedactJob &job);
// The boxes to blur on frame `frame`: the accepted marks', in the clip's pixels (marks
// kept for a picture of another size are scaled to the clip's), with their rim.
QList<QRect> boxesOn(const RedactMarks &marks, const ClipVideo &video, qint64 frame);
RedactResult render(const RedactJob &job, const std::function<bool()> &cancelled = {},
                    const std::function<void(qint64 done, qint64 total)> &progress = {});
// On a worker thread; progress from 0 to 1000.
QFuture<RedactResult> start(const RedactJob &job);
// The frames from `in` to `out` seconds of `clip` (probed first, on the worker thread):
// the frame nearest `in` to the one before the frame nearest `out`.
QFuture<RedactResult> startStretch(RedactJob job, double in, double out);
// Frame `frame` of `clip` as a picture (null when it cannot be read).
QImage frameImage(const QString &ffmpeg, const QString &clip, const ClipVideo &video, qint64 frame);
// Which frames those are, for a clip of `video`: first, and how many.
std::pair<qint64, qint64> framesOf(const ClipVideo &video, double in, double out);
} // namespace RedactedVideo
