// Shared pieces of the player tests: short videos made with ffmpeg, and a module
// that records every call it receives into a log shared by all recorders.
#pragma once

#include "modules/KTModuleProtocol.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace PlayerTestSupport {

struct Call {
    QString module;   // "gps", "gpsInfo", "speed", ...
    QString op;       // "path", "allTime", "tick", "end", "removeLine", "playNext", "zoom"
    double value = 0; // seconds for allTime/tick, flag for playNext
    QString text;     // the path for "path"
};

class CallLog {
public:
    std::vector<Call> calls;
    void clear() { calls.clear(); }
    int count(const QString &op, const QString &module = QString()) const;
    std::vector<Call> of(const QString &op, const QString &module = QString()) const;
};

class RecordingModule : public QObject, public KTModuleProtocol {
    Q_OBJECT
public:
    RecordingModule(const QString &name, CallLog *log, QObject *parent = nullptr)
        : QObject(parent), name_(name), log_(log) {}

    void dataLogicProcessOfViodePath(const QString &path) override { log_->calls.push_back({name_, "path", 0, path}); }
    void videoAllTime(double s) override { log_->calls.push_back({name_, "allTime", s, {}}); }
    void updateDataByCurrentTime(double s) override { log_->calls.push_back({name_, "tick", s, {}}); }
    void videoEnd() override { log_->calls.push_back({name_, "end", 0, {}}); }
    void removeLineMap() override { log_->calls.push_back({name_, "removeLine", 0, {}}); }
    void playNext(bool next) override { log_->calls.push_back({name_, "playNext", next ? 1.0 : 0.0, {}}); }
    qint64 zoomInVideoPlayWindow(qint64 state) override
    {
        log_->calls.push_back({name_, "zoom", double(state), {}});
        return zoomAnswer;
    }

    qint64 zoomAnswer = 0;

private:
    QString name_;
    CallLog *log_;
};

// A video made with ffmpeg (H.264, moving test pattern, no B-frames) in `dir`; the
// path, or an empty text when ffmpeg failed. Cached by name within the folder.
QString makeVideo(const QString &dir, const QString &name, int seconds, const QString &size = "320x240",
                  int fps = 30, bool audio = false);

// The frame at `seconds` decoded by ffmpeg as RGB, for comparing pictures.
QImage ffmpegFrame(const QString &video, double seconds);

// Mean absolute difference of the RGB channels (0..255); -1 when sizes differ.
double meanDifference(const QImage &a, const QImage &b);

} // namespace PlayerTestSupport
