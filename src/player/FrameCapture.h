// Saving a video frame as a picture file, away from the main thread.
#pragma once

#include <QFuture>
#include <QImage>
#include <QList>
#include <QPair>
#include <QRect>
#include <QString>

#include <functional>

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
    // The same for the image `picture` makes, which it makes on the pool.
    static QFuture<bool> savePng(const std::function<QImage()> &picture, const QString &path,
                                 const TextChunks &chunks = {}, const QString &caption = {});

    // One picture of the cameras' stage: its frame (none: `text` on grey, as a camera
    // without a recording shows), its tile and whether it is shown flipped.
    struct StageTile {
        QImage image;
        QRect rect;
        bool mirrored = false;
        QString text;
    };
    // The stage of `size` as it is shown: on black, each frame kept to its shape in its
    // tile, later tiles over earlier ones. The first tile's frame keeps its own
    // resolution: the whole is scaled up with it, up to kStageWidth pixels wide.
    static QImage compose(QSize size, const QList<StageTile> &tiles);
    static constexpr int kStageWidth = 3840;

    // `image` with the text chunks set and, for a non-empty caption, a black strip
    // with the caption in white added under it (the picture itself is unchanged).
    static QImage annotate(const QImage &image, const TextChunks &chunks, const QString &caption);
};
