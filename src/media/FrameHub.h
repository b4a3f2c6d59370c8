// Where the engine's pictures go: one video sink per camera of the moment (camera 0
// the main one). Frames come from the pipeline's streaming threads and are handed to
// each sink on the thread the hub lives on, in the order they came; whoever follows a
// camera's pictures (the engine's clock, the views) hears of each one shown.
#pragma once

#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QVideoFrame>
#include <QVideoSink>

#include <vector>

class FrameHub : public QObject {
    Q_OBJECT
public:
    explicit FrameHub(QObject *parent = nullptr);

    // The sinks of the moment, by camera; null for a camera that shows nothing.
    void setSinks(const std::vector<QVideoSink *> &sinks);
    void setSink(int camera, QVideoSink *sink);
    QVideoSink *sink(int camera) const;

    // From any thread: the picture `frame` of `camera`, decoded for the moment of
    // `generation`, its stream time `seconds`. Dropped once another moment opened.
    void push(int camera, quint64 generation, double seconds, const QVideoFrame &frame);
    void setGeneration(quint64 generation);

signals:
    // The picture has been handed to its sink.
    void frameShown(int camera, quint64 generation, double seconds);

private:
    mutable QMutex mutex_;
    std::vector<QPointer<QVideoSink>> sinks_;
    quint64 generation_ = 0;
};
