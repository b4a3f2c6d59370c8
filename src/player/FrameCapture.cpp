#include "FrameCapture.h"

#include "common/SafeFile.h"
#include "VideoPicture.h"

#include <QBuffer>
#include <QFont>
#include <QImage>
#include <QPainter>
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

QImage FrameCapture::compose(QSize size, const QList<StageTile> &tiles)
{
    if (size.isEmpty())
        return {};
    double scale = 1.0;
    if (!tiles.isEmpty() && !tiles.first().image.isNull()) {
        const QRect shown = VideoPicture::pictureRect(tiles.first().image.size(), tiles.first().rect.size(),
                                                      Qt::KeepAspectRatio);
        if (shown.width() > 0)
            scale = std::clamp(double(tiles.first().image.width()) / shown.width(), 1.0,
                               std::max(1.0, double(kStageWidth) / size.width()));
    }
    QImage out(QSize(int(size.width() * scale), int(size.height() * scale)), QImage::Format_RGB32);
    out.fill(Qt::black);
    QPainter p(&out);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    for (const StageTile &tile : tiles) {
        const QRectF rect(tile.rect.x() * scale, tile.rect.y() * scale, tile.rect.width() * scale,
                          tile.rect.height() * scale);
        if (tile.image.isNull()) {
            p.fillRect(rect, QColor(0x20, 0x20, 0x20));
            p.setPen(QColor(0x50, 0x50, 0x50));
            p.drawRect(rect.adjusted(0, 0, -1, -1));
            QFont font;
            font.setPixelSize(std::max(10, int(13 * scale)));
            p.setFont(font);
            p.setPen(QColor(0xd0, 0xd0, 0xd0));
            p.drawText(rect, Qt::AlignCenter, tile.text);
            continue;
        }
        const QRect at = VideoPicture::pictureRect(tile.image.size(), rect.size().toSize(), Qt::KeepAspectRatio)
                             .translated(rect.topLeft().toPoint());
        p.fillRect(rect, Qt::black);
        p.drawImage(at, tile.mirrored ? tile.image.mirrored(true, false) : tile.image);
    }
    return out;
}

QFuture<bool> FrameCapture::savePng(const QVideoFrame &frame, const QString &path, const TextChunks &chunks,
                                    const QString &caption)
{
    return savePng([frame] { return frame.isValid() ? frame.toImage() : QImage(); }, path, chunks, caption);
}

QFuture<bool> FrameCapture::savePng(const std::function<QImage()> &picture, const QString &path,
                                    const TextChunks &chunks, const QString &caption)
{
    return QtConcurrent::run(QThreadPool::globalInstance(), [picture, path, chunks, caption]() -> bool {
        const QImage made = picture();
        if (made.isNull())
            return false;
        const QImage image = annotate(made, chunks, caption);
        if (image.isNull())
            return false;
        QByteArray bytes;
        QBuffer buffer(&bytes);
        if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG"))
            return false;
        return SafeFile::replace(path, bytes);
    });
}
