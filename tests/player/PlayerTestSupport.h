// Shared pieces of the player tests: short videos made with ffmpeg, and a recorder of
// what a playback session tells whoever follows it, into a log shared by all recorders.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class MediaEngine;

namespace PlayerTestSupport {

struct Call {
    QString module;   // who heard it: "session", or a name of the test's own
    QString op;       // "allTime", "tick", "end", "stop", "playNext", "zoom"
    double value = 0; // seconds for allTime/tick, flag for playNext, state for zoom
    QString text;
};

class CallLog {
public:
    std::vector<Call> calls;
    void clear() { calls.clear(); }
    int count(const QString &op, const QString &module = QString()) const;
    std::vector<Call> of(const QString &op, const QString &module = QString()) const;
};

// Logs, as "session": every tick (timeChanged), the duration of a file set up
// (durationChanged above 0, "allTime"), the end of a file and a stop.
class SessionRecorder : public QObject {
    Q_OBJECT
public:
    SessionRecorder(MediaEngine *session, CallLog *log, QObject *parent = nullptr);
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
