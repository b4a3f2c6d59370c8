#include "FrameCapture.h"

#include <QImage>
#include <QSaveFile>
#include <QThreadPool>
#include <QVideoFrame>

#include <QtConcurrent/QtConcurrentRun>

QFuture<bool> FrameCapture::savePng(const QVideoFrame &frame, const QString &path)
{
    return QtConcurrent::run(QThreadPool::globalInstance(), [frame, path]() -> bool {
        if (!frame.isValid())
            return false;
        const QImage image = frame.toImage();
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
