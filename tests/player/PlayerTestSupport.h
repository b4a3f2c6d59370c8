// Shared pieces of the player tests: short videos made with ffmpeg, a recorder of
// what a playback session tells whoever follows it, into a log shared by all recorders,
// and a player's view in a window of its own.
#pragma once

#include "player/PlayerView.h"

#include <QObject>
#include <QSignalSpy>
#include <QString>
#include <QStringList>
#include <QToolButton>
#include <QWidget>

#include <memory>
#include <vector>

class MediaEngine;
class Settings;

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

// A player's view with its own engine in a shown window of 900x620, its engine's calls
// logged, the layout's answer to the expand control and the queue's to next/previous
// logged too, and its messages for the user spied on.
struct PlayerRig {
    CallLog log;
    QWidget window;
    PlayerView *vc = nullptr;
    std::unique_ptr<SessionRecorder> recorder;
    qint64 zoomAnswer = 0;   // what the layout answers to the expand control
    std::unique_ptr<QSignalSpy> messages;   // the player's messages for the user

    explicit PlayerRig(Settings &settings);
    ~PlayerRig();
    // Opens `file` and waits for its set-up: true when it plays.
    bool open(const QString &file);
    MediaEngine *engine() const { return vc->engine(); }
    template <class T = QToolButton> T *part(const char *name = nullptr) const { return vc->findChild<T *>(name); }
    bool waitPlaying();
    bool pauseAndSettle();
};

// The user's pictures folder (captures go to its "vistrel"), and that folder (or a file
// in its place) removed.
QString picturesDir();
void clearCaptures();

// A video made with ffmpeg (H.264, moving test pattern, no B-frames) in `dir`; the
// path, or an empty text when ffmpeg failed. Cached by name within the folder.
QString makeVideo(const QString &dir, const QString &name, int seconds, const QString &size = "320x240",
                  int fps = 30, bool audio = false);

// The frame at `seconds` decoded by ffmpeg as RGB, for comparing pictures.
QImage ffmpegFrame(const QString &video, double seconds);

// Mean absolute difference of the RGB channels (0..255); -1 when sizes differ.
double meanDifference(const QImage &a, const QImage &b);

} // namespace PlayerTestSupport
