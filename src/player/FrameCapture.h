// Saving a video frame as a picture file, away from the main thread.
#pragma once

#include <QFuture>
#include <QString>

class QVideoFrame;

class FrameCapture {
public:
    FrameCapture() = delete;

    // Converts `frame`, encodes it as PNG and writes it to `path` on the global
    // thread pool; an existing file is replaced only by a complete new one. The
    // result is false when the frame is empty or the file could not be written.
    static QFuture<bool> savePng(const QVideoFrame &frame, const QString &path);
};
