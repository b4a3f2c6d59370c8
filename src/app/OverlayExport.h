// File ▸ Export Video…: a marked segment, a clip or a whole trip re-encoded with the
// telemetry drawn onto the picture (speed, date and time, position, a small map, the G
// graph, the compass), or the overlay alone with a transparent ground for video editors.
// The overlay is drawn here, frame by frame, with the panels' own drawing
// (InstrumentOverlay) and the map's still (MapSnapshot, tiles kept on this machine only),
// and piped to ffmpeg as raw frames beside the clips it reads itself; no shell is
// involved. The video is written in a hidden folder of our own beside the target and
// renamed over it only when complete, so the target is either the finished file or what
// was there before.
#pragma once

#include "IncidentExport.h"
#include "drive/ClockText.h"
#include "drive/DriveTelemetry.h"
#include "instruments/InstrumentOverlay.h"
#include "map/MapSnapshot.h"
#include "redact/Blur.h"
#include "redact/RedactMarks.h"
#include "redact/RedactedVideo.h"

#include <QFuture>
#include <QFutureWatcher>
#include <QHash>
#include <QImage>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QSize>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class QTemporaryDir;

// What ffprobe says of a clip's picture and sound.
struct VideoProbe {
    QSize size;
    int rateNum = 0, rateDen = 1;   // frames per second as a fraction (30000/1001)
    double seconds = 0;
    bool audio = false;
    bool ok() const { return !size.isEmpty() && rateNum > 0 && rateDen > 0; }
    double fps() const { return rateDen > 0 ? double(rateNum) / rateDen : 0; }
    // From ffprobe's JSON (-show_entries stream=… format=duration -of json); not ok()
    // without a video stream whose size and rate make sense.
    static VideoProbe fromJson(const QByteArray &json);
};

// One stretch of a clip in the export.
struct OverlayPiece {
    QString file;
    ClipTelemetry clip;
    double duration = 0;   // the clip's length
    double in = 0, out = 0;
    std::shared_ptr<const ClipClock> clock;
};

enum class OverlayElement { Speed, Time, Position, Map, Graph, Compass };
// The ready layouts: a dashboard along the bottom, the corners of the picture, a compact
// block at the lower left, or the dashboard along the top, clear of the date and speed that
// many cameras stamp along the bottom of their pictures.
enum class OverlayStyle { Dashboard, Corners, Compact, DashboardTop };

struct OverlayOptions {
    OverlayOptions()
    {
        for (int e = 0; e <= int(OverlayElement::Compass); ++e)
            elements << OverlayElement(e);   // every element
    }
    OverlayStyle style = OverlayStyle::Dashboard;
    QList<OverlayElement> elements;
    ExportLocation location = ExportLocation::Full;
    bool alphaOnly = false;   // the overlay alone, transparent, as QuickTime Animation
    bool kmph = true;
    TimeChoice clock;
    // Blur the marked areas (the accepted marks of `redactions`, by clip file) of the
    // picture, preview and video alike; without `blur`, nothing is blurred.
    std::optional<BlurOptions> blur;
    QHash<QString, RedactMarks> redactions;
    int marksBlurred(const QString &file) const { return blur && !alphaOnly ? redactions.value(file).acceptedCount() : 0; }
};

namespace OverlayLayout {
// Where each element goes on a `frame`-sized picture; elements with no room are left out.
QMap<OverlayElement, QRectF> boxes(OverlayStyle style, const QList<OverlayElement> &elements, QSize frame);
// The scale of the panels' drawing on such a picture (1 for 960×540).
double scale(QSize frame);
// The rectangle, on even pixels within the frame, that holds every box (the overlay alone).
QRect canvas(const QMap<OverlayElement, QRectF> &boxes, QSize frame);
// What is piped to be drawn over a picture: the boxes alone, each on even pixels,
// stacked one above the other; ffmpeg cuts them apart and puts each in its place. Far
// fewer bytes than the rectangle round them when they sit in opposite corners.
struct Slot {
    OverlayElement element;
    QRect atlas;      // where it is in the piped picture
    QPoint target;    // where it goes on the frame
};
QList<Slot> atlas(const QMap<OverlayElement, QRectF> &boxes, QSize frame, QSize *size);
} // namespace OverlayLayout

// The frames of an export in order: frame k is at `time` of piece `piece`.
struct OverlayFrames {
    struct At {
        int piece = -1;
        double seconds = 0;
    };
    // The number of a piece's first frame at `fps`: the frame nearest its in mark.
    static double first(const OverlayPiece &piece, double fps);
    // Frames of each piece at `fps`: from its first to the frame nearest its out mark.
    static QList<int> counts(const QList<OverlayPiece> &pieces, double fps);
    static At at(const QList<OverlayPiece> &pieces, const QList<int> &counts, double fps, int frame);
};

// Draws the overlay of any frame of an export.
class OverlayPainter {
public:
    OverlayPainter(const QList<OverlayPiece> &pieces, const OverlayOptions &options, QSize frame,
                   MapSnapshot::Tiles tiles);
    ~OverlayPainter();
    // The overlay at piece `piece`, `seconds` into its clip, drawn onto `painter`
    // (which covers the whole frame), each element moved by its `shift`.
    void draw(QPainter &painter, int piece, double seconds, const QMap<OverlayElement, QPointF> &shift = {});
    // A key for what the overlay shows at a moment: equal keys, equal pictures.
    QString keyAt(int piece, double seconds);
    const QMap<OverlayElement, QRectF> &boxes() const { return boxes_; }

private:
    void showPiece(int piece);

    QList<OverlayPiece> pieces_;
    OverlayOptions options_;
    QSize frame_;
    double scale_ = 1;
    QMap<OverlayElement, QRectF> boxes_;
    std::unique_ptr<InstrumentOverlay> instruments_;
    std::unique_ptr<MapSnapshot> map_;
    QList<QList<QPointF>> routes_;   // per piece, (longitude, latitude)
    int shownPiece_ = -1;
};

class OverlayExport : public QObject {
    Q_OBJECT
public:
    explicit OverlayExport(QObject *parent = nullptr);
    ~OverlayExport() override;

    // ffmpeg's arguments: the pieces (`probes` of their files) scaled to the first's
    // size and rate where they differ and joined, the raw overlay of `canvas` (within a
    // `frame`-sized picture) on standard input drawn over them, H.264 and AAC in an MP4;
    // alpha only, the overlay alone as QuickTime Animation with its alpha.
    // The overlay comes as `piped`: the cuts of an atlas, or alone the canvas (one slot).
    // A piece of `readFrom` is read from that file instead of its clip, whose time it
    // begins at (its blurred copy).
    struct Copy {
        QString file;
        double start = 0;
    };
    static QStringList ffmpegArguments(const QList<OverlayPiece> &pieces, const QList<VideoProbe> &probes,
                                       QSize frame, const VideoProbe &rate, QSize piped,
                                       const QList<OverlayLayout::Slot> &cuts, bool alphaOnly, const QString &output,
                                       const QMap<int, Copy> &readFrom = {});
    // The name the video gets: ".mp4" (".mov" alone) is added unless there.
    static QString target(const QString &chosen, bool alphaOnly);

    // What the preview needs of the first piece: its probe and, unless `alphaOnly`, its
    // first frame. Runs ffprobe and ffmpeg and waits for them: for a worker thread.
    struct Still {
        std::optional<VideoProbe> probe;
        QImage picture;
    };
    static Still stillOf(const QString &ffmpeg, const OverlayPiece &piece, bool alphaOnly);
    // The first frame with its overlay (over a checkerboard for the overlay alone), or a
    // null image when the clip cannot be read. Draws with the panels' widgets: on the
    // window's thread.
    static QImage preview(const Still &still, const QList<OverlayPiece> &pieces, const OverlayOptions &options,
                          MapSnapshot::Tiles tiles);
    // Both: the still read on a worker thread, then the overlay drawn on `context`'s
    // thread; the window never waits for ffmpeg.
    QFuture<QImage> previewLater(const QList<OverlayPiece> &pieces, const OverlayOptions &options,
                                 MapSnapshot::Tiles tiles, QObject *context) const;

    // Starts writing `target`; finished() follows exactly once, from the event loop. The
    // clips are probed on a worker thread first. A target that is one of the clips is
    // refused.
    void start(const QList<OverlayPiece> &pieces, const OverlayOptions &options, const QString &target,
               MapSnapshot::Tiles tiles);
    void cancel();
    bool isRunning() const { return running_; }
    void setProgram(const QString &ffmpeg) { ffmpeg_ = ffmpeg; }
    QString program() const { return ffmpeg_; }
    // Frames piped so far and in all.
    int framesWritten() const { return written_; }
    int framesTotal() const { return total_; }

signals:
    void progress(int percent);
    // ok: the video is at its target; otherwise the target is as it was and `message`
    // says why.
    void finished(bool ok, const QString &message);

private:
    static std::optional<VideoProbe> probe(const QString &ffmpeg, const QString &file, QString *why);
    void begin(const QList<VideoProbe> &probes, const OverlayOptions &options, MapSnapshot::Tiles tiles);
    // The pieces with marks, written blurred one after the other, then the video.
    void redactNext();
    void onRedacted();
    void startEncoding();
    void feed();
    void onFinished();
    void finish(bool ok, const QString &message);
    void abandon();

    QString ffmpeg_;
    QPointer<QProcess> process_;
    std::unique_ptr<QTemporaryDir> work_;
    std::unique_ptr<OverlayPainter> painter_;
    QList<OverlayPiece> pieces_;
    QList<int> counts_;
    double fps_ = 30;
    QSize frame_;
    QSize piped_;
    QList<OverlayLayout::Slot> slots_;
    QMap<OverlayElement, QPointF> shift_;   // from each box to its place in the piped picture
    QImage image_, frameBytes_;
    bool alphaOnly_ = false;
    bool closed_ = false;
    int shownPercent_ = -1;
    QString lastKey_;
    QString part_, target_;
    int written_ = 0, total_ = 0;
    bool running_ = false;
    QString failure_;
    QByteArray errors_;
    QFuture<void> probing_;
    OverlayOptions options_;
    QList<VideoProbe> probes_;
    QList<int> toRedact_;
    QMap<int, Copy> copies_;
    QFutureWatcher<RedactResult> *redacting_ = nullptr;
    QFuture<RedactResult> redactFuture_;
    int baseProgress_ = 0;
};
