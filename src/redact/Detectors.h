// Faces and number plates found by themselves, with the Haar cascades Debian ships in
// opencv-data: faces by the frontal face cascade (alt2), plates by the licence plate
// cascade of 16 stages together with the plate number cascade, overlapping finds made
// one. What they find is offered as marks (RedactMarks, not accepted), never applied
// before the user accepts it. On our test pictures frontal faces from 30 pixels up and
// turned up to some 15 degrees are found, plates from 60 pixels wide; faces turned
// further or upside down and plates narrower are missed.
#pragma once

#include "redact/ClipVideo.h"
#include "redact/RedactMarks.h"

#include <QFuture>
#include <QImage>
#include <QList>
#include <QRect>
#include <QString>

#include <functional>

namespace Detectors {
// Where the cascades are: $VELTRA_CASCADES when set, else opencv-data's folder.
QString cascadeFolder();
// The faces or plates on `picture` (kind Drawn finds nothing); `why` says when the
// cascade cannot be loaded.
QList<QRect> find(const QImage &picture, MarkKind kind, QString *why = nullptr);

struct Found {
    qint64 timeUs = 0;
    MarkKind kind = MarkKind::Face;
    QRect box;
};
// Every `step`th frame of [fromUs, toUs] of `clip` looked through; a thing found again
// near where it was within three looks is one find, at the first frame it was seen.
QList<Found> scan(const QString &ffmpeg, const QString &clip, const ClipVideo &video, qint64 fromUs, qint64 toUs,
                  const QList<MarkKind> &kinds, int step = 15, const std::function<bool()> &cancelled = {},
                  QString *why = nullptr);
QFuture<QList<Found>> scanLater(const QString &ffmpeg, const QString &clip, const ClipVideo &video, qint64 fromUs,
                                qint64 toUs, const QList<MarkKind> &kinds, int step = 15);
// Each find as a mark offered (not accepted) with its key box; the ids added.
QList<int> offer(RedactMarks *marks, const QList<Found> &found);
} // namespace Detectors
