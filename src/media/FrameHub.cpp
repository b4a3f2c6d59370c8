#include "FrameHub.h"

#include <QMutexLocker>

FrameHub::FrameHub(QObject *parent) : QObject(parent) {}

void FrameHub::setSinks(const std::vector<QVideoSink *> &sinks)
{
    QMutexLocker lock(&mutex_);
    sinks_.assign(sinks.begin(), sinks.end());
}

void FrameHub::setSink(int camera, QVideoSink *sink)
{
    QMutexLocker lock(&mutex_);
    if (camera < 0)
        return;
    if (size_t(camera) >= sinks_.size())
        sinks_.resize(size_t(camera) + 1);
    sinks_[size_t(camera)] = sink;
}

QVideoSink *FrameHub::sink(int camera) const
{
    QMutexLocker lock(&mutex_);
    return camera >= 0 && size_t(camera) < sinks_.size() ? sinks_[size_t(camera)].data() : nullptr;
}

void FrameHub::setGeneration(quint64 generation)
{
    QMutexLocker lock(&mutex_);
    generation_ = generation;
}

void FrameHub::push(int camera, quint64 generation, double seconds, const QVideoFrame &frame)
{
    QMetaObject::invokeMethod(
        this,
        [this, camera, generation, seconds, frame] {
            {
                QMutexLocker lock(&mutex_);
                if (generation != generation_)
                    return;
            }
            if (QVideoSink *s = sink(camera))
                s->setVideoFrame(frame);
            emit frameShown(camera, generation, seconds);
        },
        Qt::QueuedConnection);
}
