// The areas marked for blurring, as the player sees them: what each camera's picture
// shows at a time, the bands of the timeline, and the user's gestures on the picture
// handed back. The window's marks store implements it and hands it to the player
// (PlayerView::setMarks); the player knows nothing of tracking or detection.
// Files are local paths: the main clip's, or another camera's of its moment.
#pragma once

#include "MarkShapes.h"

#include <QList>
#include <QObject>
#include <QRectF>
#include <QSize>
#include <QString>

class PictureMarks : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // The boxes of `file`'s marks on its frame at `seconds`.
    virtual QList<ShownBox> boxesAt(const QString &file, double seconds) const = 0;
    // The marks of `file` on its own time axis.
    virtual QList<MarkBand> bandsOf(const QString &file) const = 0;

    // A box drawn on `file`'s `frame`-sized picture at `seconds` (picture pixels).
    virtual void drawn(const QString &file, double seconds, const QRectF &box, QSize frame) = 0;
    // Mark `id`'s box moved or sized at `seconds`: a correction.
    virtual void corrected(const QString &file, int id, double seconds, const QRectF &box) = 0;
    // An offered mark accepted (true) or dropped.
    virtual void answered(const QString &file, int id, bool accept) = 0;
    // A click on mark `id` (-1: on none) chooses it, for Delete Mark.
    virtual void choose(const QString &file, int id) = 0;

signals:
    // What `file` shows changed (empty: any file).
    void changed(const QString &file);
};
