// Saving a video frame as a picture file, away from the main thread.
#pragma once

#include <QFuture>
#include <QList>
#include <QPair>
#include <QString>

class QImage;
class QVideoFrame;

class FrameCapture {
public:
    FrameCapture() = delete;

    using TextChunks = QList<QPair<QString, QString>>;

    // Converts `frame`, encodes it as PNG and writes it to `path` on the global
    // thread pool; an existing file is replaced only by a complete new one. The
    // result is false when the frame is empty or the file could not be written.
    // `chunks` become the PNG's text chunks; a non-empty `caption` is drawn in a
    // strip under the picture.
    static QFuture<bool> savePng(const QVideoFrame &frame, const QString &path, const TextChunks &chunks = {},
                                 const QString &caption = {});

    // `image` with the text chunks set and, for a non-empty caption, a black strip
    // with the caption in white added under it (the picture itself is unchanged).
    static QImage annotate(const QImage &image, const TextChunks &chunks, const QString &caption);
};
