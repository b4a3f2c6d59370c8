// A clip's picture as raw frames: what ffprobe says of its size and rate, and ffmpeg
// decoding a run of its frames to a pipe (or encoding frames piped in), with no shell.
// Frame k of a clip is at k / rate seconds; every part of redaction counts frames that
// way, so that the tracker's boxes, the preview's and the export's meet on one frame.
// Blocking calls, for a worker thread.
#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class QProcess;

struct ClipVideo {
    QSize size;
    int rateNum = 0, rateDen = 1;
    double seconds = 0;
    bool audio = false;

    bool ok() const { return size.width() >= 16 && size.height() >= 16 && rateNum > 0 && rateDen > 0; }
    double fps() const { return rateDen > 0 ? double(rateNum) / rateDen : 0; }
    // One frame's length, rounded to the microsecond.
    qint64 frameUs() const;
    // The time of frame `k`, and the frame that shows at `timeUs` (the one begun last).
    qint64 timeOf(qint64 frame) const;
    qint64 frameAt(qint64 timeUs) const;
    qint64 frameCount() const;

    // From ffprobe's JSON; not ok() without a video stream of sane size and rate.
    static ClipVideo fromJson(const QByteArray &json);
    // Runs ffprobe (beside `ffmpeg`, else on PATH); nullopt with `why` when the clip cannot be read.
    static std::optional<ClipVideo> probe(const QString &ffmpeg, const QString &clip, QString *why = nullptr);
};

enum class RawFormat { Gray, I420, Bgr };

// Bytes of one frame of `size` in `format`.
qsizetype rawFrameBytes(RawFormat format, QSize size);

// ffmpeg decoding `count` frames of `clip` from frame `first`, scaled to `size`.
class RawFrameReader {
public:
    RawFrameReader();
    ~RawFrameReader();
    static QStringList arguments(const QString &clip, const ClipVideo &video, qint64 first, qint64 count,
                                 QSize size, RawFormat format);
    bool open(const QString &ffmpeg, const QString &clip, const ClipVideo &video, qint64 first, qint64 count,
              QSize size, RawFormat format, QString *why = nullptr);
    // The next frame into `out` (rawFrameBytes long); false at the end or on a failure.
    bool read(QByteArray *out);
    void close();
    QSize size() const { return size_; }
    // What ffmpeg said on its error output.
    QByteArray errors() const { return errors_; }

private:
    std::unique_ptr<QProcess> process_;
    QSize size_;
    qsizetype bytes_ = 0;
    QByteArray errors_;
};
