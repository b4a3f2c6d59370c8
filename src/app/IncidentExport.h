// File ▸ Export Incident…: the marked segment of the open clip as an MP4 cut at key
// frames without re-encoding (ffmpeg, stream copy), and beside it a GPX of the
// segment's telemetry and a PNG of the frame on screen. Every file is written under a
// temporary name in the target folder and renamed only when all three are complete;
// a failure or a cancel removes what was written.
#pragma once

#include "player/CaptureText.h"

#include <QFuture>
#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <string>

struct GpsReadResult;

struct IncidentFiles {
    QString video, gpx, picture;                  // the finished files
    QString videoPart, gpxPart, picturePart;      // their names while being written
};

class IncidentExport : public QObject {
    Q_OBJECT
public:
    explicit IncidentExport(QObject *parent = nullptr);
    ~IncidentExport() override;

    // The three files for the chosen video name (".mp4" added when it has no suffix).
    static IncidentFiles files(const QString &target);
    // ffmpeg's arguments: from the key frame at or before `in` for `out - in` seconds,
    // every stream copied, progress lines on standard output.
    static QStringList ffmpegArguments(const QString &source, double in, double out, const QString &output);
    // The GPX document of the samples of `result` that fall in [in, out] of a clip of
    // `duration` seconds, as one track named `name`; points without a sentence time are
    // stamped from the recording time of the segment's first sample.
    static std::string segmentGpx(const GpsReadResult &result, double in, double out, double duration,
                                  const std::string &name);
    // What a picture taken at `seconds` of `source` (a clip of `duration` seconds)
    // says, from the clip's telemetry `result`.
    static CaptureFacts factsAt(const GpsReadResult &result, const QString &source, double seconds,
                                double duration);

    // Starts writing; `picture` is the frame being written to files(target).picturePart.
    // finished() follows exactly once.
    void start(const QString &source, double in, double out, double duration, const QString &target,
               const QFuture<bool> &picture);
    void cancel();
    bool isRunning() const { return running_; }
    QString program() const { return ffmpeg_; }
    // The ffmpeg to run; by default the one on PATH.
    void setProgram(const QString &path) { ffmpeg_ = path; }

signals:
    void progress(int percent);
    // ok: all three files are there; otherwise none is, and `message` says why.
    void finished(bool ok, const QString &message);

private:
    void onProcessFinished();
    void partDone();
    void conclude();
    void finish(bool ok, const QString &message);
    void removeParts();

    QString ffmpeg_;
    QPointer<QProcess> process_;
    IncidentFiles files_;
    double length_ = 0;
    bool running_ = false;
    bool videoOk_ = false, gpxOk_ = false, pictureOk_ = false;
    int pending_ = 0;
    QString failure_;
    QByteArray errors_;
};
