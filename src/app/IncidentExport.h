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
// A moment's other cameras each get their segment beside the clip's, and on request
// the view of them all as the stage shows them, encoded anew.
// Redacted (blur set), every camera whose clip has accepted marks is written anew from
// the in mark with its marked areas blurred instead of copied, the view is made of those
// copies, the picture is blurred too, and the manifest says the set is redacted, how many
// marks were blurred and, as ever, the originals' digests.
#pragma once

#include "ExportLocation.h"
#include "ExportOutcome.h"
#include "player/CaptureText.h"
#include "redact/Blur.h"
#include "redact/RedactMarks.h"
#include "redact/RedactedVideo.h"
#include "telemetry/GpsSample.h"

#include <QFuture>
#include <QFutureWatcher>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <string>

class QTemporaryDir;


// Another camera of the moment: the word its segment is named with ("rear"), its clip
// (empty: it has no recording this minute) and how far into its clip the clip's
// second 0 is, in seconds.
struct IncidentCamera {
    QString word;
    QString source;
    double offset = 0.0;
};

// A picture of the view of the moment's cameras: its clip (empty: a camera without a
// recording, a grey tile), its offset as above, its tile in the view and whether it is
// shown flipped left to right.
struct ViewTile {
    QString source;
    double offset = 0.0;
    QRect rect;
    bool mirrored = false;
};

struct IncidentFiles {
    QString video, gpx, picture, manifest;
    QStringList cameras;   // the other cameras' segments
    QString view;          // the composed view, when asked for
    QStringList all() const
    {
        return QStringList{video, gpx, picture, manifest} + extra();
    }
    // The files an export with `location` writes: without location, no GPX and no PNG.
    QStringList written(ExportLocation location) const
    {
        return location == ExportLocation::None ? QStringList{video, manifest} + extra() : all();
    }

private:
    QStringList extra() const { return view.isEmpty() ? cameras : cameras + QStringList{view}; }
};

class IncidentExport : public QObject {
    Q_OBJECT
public:
    explicit IncidentExport(QObject *parent = nullptr);
    ~IncidentExport() override;

    // The files for the name chosen in the save panel: ".mp4" is added unless the name
    // ends in it, and the GPX, the PNG and the manifest (".manifest.json") take the
    // video's name.
    // Each of `cameras` adds a segment named with the word after an underscore
    // ("incident_rear.mp4"), and `view` the view ("incident_view.mp4").
    static IncidentFiles files(const QString &chosen, const QStringList &cameras = {}, bool view = false);
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
    // ffmpeg's arguments for the view of `tiles` in a picture of `size`: each clip from
    // `in` (plus its offset) for `out - in` seconds, scaled into its tile (flipped when
    // mirrored) over black, in order, later tiles over earlier ones; H.264, with the
    // sound of the tile whose clip is `sound` where it has any.
    static QStringList viewArguments(const QList<ViewTile> &tiles, QSize size, double in, double out,
                                     const QString &output, const QString &sound = {});
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
    // The moment's other cameras, and the view to compose of them (none: no view).
    QList<IncidentCamera> cameras;
    QList<ViewTile> view;
    QSize viewSize;
    // The marks to blur, by clip (the path as given to start() and in `cameras`), and how;
    // without `blur`, nothing is blurred. `pictureSeconds`: the time of the picture's frame.
    QHash<QString, RedactMarks> redactions;
    std::optional<BlurOptions> blur;
    double pictureSeconds = 0;
    // The marks that this export blurs in `clip` (none without blur).
    int marksBlurred(const QString &clip) const;
    bool isRunning() const { return running_; }
    QString program() const { return ffmpeg_; }
    // The ffmpeg to run; by default the one on PATH.
    void setProgram(const QString &path) { ffmpeg_ = path; }

signals:
    void progress(int percent);
    // ok: all the files are there, and `message` names the cameras without a recording
    // (empty when there is none); otherwise none is, the files it would have replaced are
    // as they were, and `message` says why.
    void finished(bool ok, const QString &message);

private:
    void writeGpx(const QString &source, double in, double out, double duration, const QString &fileName);
    void onProcessFinished();
    void onRedactedFinished();
    void runEnded(const ExportOutcome::Run &ran);
    void runNext();
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
    // The ffmpeg runs, one after the other: the clip's segment, the cameras', the view.
    struct Run {
        QStringList arguments;
        QString part;
        double seconds = 0;   // the length it must have at least
        // Redacted: the clip's stretch written anew with its marks blurred.
        QString clip;
        double from = 0, to = 0;
        bool redacted = false;
    };
    QFutureWatcher<RedactResult> *redacting_ = nullptr;
    QFuture<RedactResult> redactFuture_;
    QList<Run> runs_;
    int run_ = 0;
    QList<IncidentCamera> recorded_;   // the cameras written, in the order of files_.cameras
    QString gapNote_;
};
