#include "FrameCapture.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QThreadPool>
#include <QVideoFrame>

#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>

QImage FrameCapture::annotate(const QImage &image, const TextChunks &chunks, const QString &caption)
{
    QImage out = image;
    if (!caption.isEmpty() && !image.isNull()) {
        const int strip = std::max(16, image.height() / 20);
        out = QImage(image.width(), image.height() + strip, QImage::Format_RGB32);
        out.fill(Qt::black);
        QPainter p(&out);
        p.drawImage(0, 0, image);
        QFont font;
        font.setPixelSize(std::max(10, strip * 2 / 3));
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(QRect(strip / 3, image.height(), image.width() - strip * 2 / 3, strip),
                   Qt::AlignLeft | Qt::AlignVCenter, caption);
    }
    for (const auto &chunk : chunks)
        out.setText(chunk.first, chunk.second);
    return out;
}

QFuture<bool> FrameCapture::savePng(const QVideoFrame &frame, const QString &path, const TextChunks &chunks,
                                    const QString &caption)
{
    return QtConcurrent::run(QThreadPool::globalInstance(), [frame, path, chunks, caption]() -> bool {
        if (!frame.isValid())
            return false;
        const QImage image = annotate(frame.toImage(), chunks, caption);
        if (image.isNull())
            return false;
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return false;
        if (!image.save(&file, "PNG"))
            return false;
        return file.commit();
    });
}
