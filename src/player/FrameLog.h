// Counts the frames that reach the video sink and the ones the engine skipped, and
// tells on the console when the first frame arrived: with VELTRA_FRAME_LOG set in the
// environment the player prints "first frame at NS" (the system clock in ns since the
// epoch) on the first frame, and "frames shown N, skipped M" when it ends. The video
// picture adds when it first drew a frame and how many it drew. The benchmark reads
// these lines.
#pragma once

#include <QObject>

class QVideoFrame;
class QVideoSink;

class FrameLog : public QObject {
    Q_OBJECT
public:
    // Follows `sink` when the environment asks for it; does nothing otherwise.
    static void followWhenAsked(QVideoSink *sink);

    // Prints "WHAT at NS" as above.
    static void printMoment(const char *what);

    explicit FrameLog(QVideoSink *sink);
    ~FrameLog() override;

    // Frames left out between two frames shown one after the other: a gap of
    // n frame durations skipped n - 1 of them. Going back, a frame of unknown
    // length, and gaps of a second or more (a seek or a pause) skip none.
    static qint64 framesSkipped(qint64 previousStartUs, qint64 startUs, qint64 frameUs);

private:
    void onFrame(const QVideoFrame &frame);

    qint64 shown_ = 0;
    qint64 skipped_ = 0;
    qint64 lastStartUs_ = -1;
};
