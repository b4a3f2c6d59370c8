// Faces and number plates on a still picture, for Redact ▸ Find Faces and Plates: OpenCV's
// Haar cascades from Debian's opencv-data (the frontal face cascade and the plate cascade),
// faces on a grey copy with its histogram evened out, plates on the grey copy as it is.
// What they return is only ever offered
// to the user as marks. Safe on any thread (each thread loads its own cascades once).
#pragma once

#include <QImage>
#include <QList>
#include <QRect>
#include <QString>

namespace AreaFinder {

struct Found {
    QList<QRect> faces;
    QList<QRect> plates;
    QString failure;   // empty, or why nothing could be looked for (no cascades)
};

Found find(const QImage &picture);

// The folder the cascades are read from (VELTRA_CASCADES, else opencv-data's).
QString cascadeFolder();

} // namespace AreaFinder
