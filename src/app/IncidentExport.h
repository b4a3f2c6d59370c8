// File ▸ Export Incident…: the marked segment of the open clip as an MP4 cut at key
// frames without re-encoding (ffmpeg, stream copy), and beside it a GPX of the
// segment's telemetry and a PNG of the frame on screen. Every file is written in a
// hidden folder of our own made anew in the target folder, so that no link planted by
// someone else is ever written through, and moved into place only when all three are
// complete, each with one rename over the file it replaces; when a rename fails, the
// files already replaced are put back. A failure, a cancel or quitting removes what
// was written. A manifest goes with them as their proof: the SHA-256 of the clip and
// of each file written, the marks, the camera clock's error and this program's version
// (veltra-gps --verify checks it).
#pragma once

#include "player/CaptureText.h"
#include "telemetry/GpsSample.h"

#include <QFuture>
#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <string>

class QTemporaryDir;

// How much of where the car was an export gives away: everything, positions rounded to
// about a kilometre (a route, not a door), or nothing.
enum class ExportLocation { Full, Coarse, None };

struct IncidentFiles {
    QString video, gpx, picture, manifest;
    QStringList all() const { return {video, gpx, picture, manifest}; }
    // The files an export with `location` writes: without location, no GPX and no PNG.
    QStringList written(ExportLocation location) const
    {
        return location == ExportLocation::None ? QStringList{video, manifest} : all();
    }
};

class IncidentExport : public QObject {
    Q_OBJECT
public:
    explicit IncidentExport(QObject *parent = nullptr);
    ~IncidentExport() override;

    // The files for the name chosen in the save panel: ".mp4" is added unless the name
    // ends in it, and the GPX, the PNG and the manifest (".manifest.json") take the
    // video's name.
    static IncidentFiles files(const QString &chosen);
    // The names of those of `paths` that something is at already (a dangling link too).
    static QStringList existing(const QStringList &paths);
    // The one question asked before writing over the files `names` of one folder; empty
    // when there are none. The track export asks it too.
    static QString replaceQuestion(const QStringList &names);
    // ffmpeg's arguments: from the key frame at or before `in` for `out - in` seconds,
    // every stream copied, progress lines on standard output.
    // Without location (`dropSei`), the video's SEI units go too, for a camera that
    // records its telemetry in them (H.264 type 6, H.265 types 39 and 40).
    static QStringList ffmpegArguments(const QString &source, double in, double out, const QString &output,
                                       std::optional<int> dropSei = std::nullopt);
    // The stored choice ("coarse", "none") as a location; anything else keeps it all.
    static ExportLocation locationOf(const QString &stored);
    // Positions rounded to two decimal places of a degree (about a kilometre).
    static void coarsen(GpsReadResult *result);
    // The GPX document of the samples of `result` that fall in [in, out] of a clip of
    // `duration` seconds, as one track named `name`; points without a sentence time are
    // stamped from the recording time of the segment's first sample. With the clip's
    // telemetry moved `offsetMs` against its picture, they are the samples the picture
    // of [in, out] shows.
    static std::string segmentGpx(const GpsReadResult &result, double in, double out, double duration,
                                  const std::string &name, int offsetMs = 0);
    // What a picture taken at `seconds` of `source` (a clip of `duration` seconds)
    // says, from the clip's telemetry `result`.
    static CaptureFacts factsAt(const GpsReadResult &result, const QString &source, double seconds,
                                double duration);
    // The same from the sample of that moment (none: the time alone).
    static CaptureFacts factsAt(const QString &source, double seconds, const std::optional<GpsSample> &sample);

    // Starts writing files(target), which may replace what is there. `writePicture` is
    // called at once with the path the frame goes to, unless the export fails before;
    // its future tells whether the picture was written. finished() follows exactly once,
    // unless the application quits first.
    // `cameraErrorMs` is the clip's camera clock error for the manifest, when known.
    // Coarse, the GPX has rounded positions, the picture should be written without its
    // place and the video loses its SEI units; without location only the video (its SEI
    // units dropped) and the manifest are written.
    void start(const QString &source, double in, double out, double duration, const QString &target,
               const std::function<QFuture<bool>(const QString &path)> &writePicture,
               std::optional<qint64> cameraErrorMs = std::nullopt, ExportLocation location = ExportLocation::Full);
    void cancel();
    // The nudge of the clip's camera, for the GPX (segmentGpx).
    int telemetryOffsetMs = 0;
    bool isRunning() const { return running_; }
    QString program() const { return ffmpeg_; }
    // The ffmpeg to run; by default the one on PATH.
    void setProgram(const QString &path) { ffmpeg_ = path; }

signals:
    void progress(int percent);
    // ok: all three files are there; otherwise none is, the files it would have
    // replaced are as they were, and `message` says why.
    void finished(bool ok, const QString &message);

private:
    void writeGpx(const QString &source, double in, double out, double duration, const QString &fileName);
    void onProcessFinished();
    void partDone();
    void conclude();
    void finish(bool ok, const QString &message);
    void moveIntoPlace();
    // Quitting: ffmpeg stopped, the writers waited for, the hidden folder removed.
    void abandon();

    QString ffmpeg_;
    QPointer<QProcess> process_;
    IncidentFiles files_, parts_;
    std::unique_ptr<QTemporaryDir> work_;
    QFuture<bool> pictureWriting_;
    QFuture<int> gpxWriting_;
    QFuture<int> manifestWriting_;
    QString source_;
    double in_ = 0, out_ = 0;
    std::optional<qint64> cameraErrorMs_;
    ExportLocation location_ = ExportLocation::Full;
    double length_ = 0;
    bool running_ = false;
    bool videoOk_ = false, gpxOk_ = false, pictureOk_ = false;
    int pending_ = 0;
    QString failure_;
    QByteArray errors_;
};
