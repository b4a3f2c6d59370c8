#include "FrameLog.h"

#include <QVideoFrame>
#include <QVideoSink>

#include <chrono>
#include <cmath>
#include <cstdio>

void FrameLog::followWhenAsked(QVideoSink *sink)
{
    if (sink && qEnvironmentVariableIsSet("VELTRA_FRAME_LOG"))
        new FrameLog(sink);
}

FrameLog::FrameLog(QVideoSink *sink) : QObject(sink)
{
    connect(sink, &QVideoSink::videoFrameChanged, this, &FrameLog::onFrame);
}

FrameLog::~FrameLog()
{
    std::fprintf(stderr, "veltra-player: frames shown %lld, skipped %lld\n", static_cast<long long>(shown_),
                 static_cast<long long>(skipped_));
}

void FrameLog::printMoment(const char *what)
{
    const auto ns =
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    std::fprintf(stderr, "veltra-player: %s at %lld\n", what, static_cast<long long>(ns));
    std::fflush(stderr);
}

qint64 FrameLog::framesSkipped(qint64 previousStartUs, qint64 startUs, qint64 frameUs)
{
    const qint64 gap = startUs - previousStartUs;
    if (previousStartUs < 0 || frameUs <= 0 || gap <= 0 || gap >= 1000000)
        return 0;
    return std::max<qint64>(0, std::llround(double(gap) / double(frameUs)) - 1);
}

void FrameLog::onFrame(const QVideoFrame &frame)
{
    if (!frame.isValid())
        return;
    if (shown_ == 0)
        printMoment("first frame");
    ++shown_;
    const qint64 start = frame.startTime();
    if (start < 0)
        return;
    skipped_ += framesSkipped(lastStartUs_, start, frame.endTime() - start);
    lastStartUs_ = start;
}
