#include "MarkShapes.h"

#include <algorithm>
#include <cmath>

namespace MarkShapes {

QRectF toWidget(const QRectF &box, QSize frame, const QRect &picture, bool mirrored)
{
    if (frame.isEmpty() || picture.isEmpty() || box.isEmpty())
        return {};
    const double sx = double(picture.width()) / frame.width();
    const double sy = double(picture.height()) / frame.height();
    const double left = mirrored ? frame.width() - box.right() : box.left();
    return QRectF(picture.left() + left * sx, picture.top() + box.top() * sy, box.width() * sx, box.height() * sy);
}

QRectF toFrame(const QRectF &area, QSize frame, const QRect &picture, bool mirrored)
{
    if (frame.isEmpty() || picture.isEmpty())
        return {};
    const double sx = double(frame.width()) / picture.width();
    const double sy = double(frame.height()) / picture.height();
    QRectF box((area.left() - picture.left()) * sx, (area.top() - picture.top()) * sy, area.width() * sx,
               area.height() * sy);
    if (mirrored)
        box.moveLeft(frame.width() - box.right());
    const QRectF clipped = box.normalized().intersected(QRectF(QPointF(0, 0), QSizeF(frame)));
    return clipped.isEmpty() ? QRectF() : clipped;
}

QRectF spanned(QPointF from, QPointF to)
{
    return QRectF(QPointF(std::min(from.x(), to.x()), std::min(from.y(), to.y())),
                  QPointF(std::max(from.x(), to.x()), std::max(from.y(), to.y())));
}

bool isBox(const QRectF &dragged, double least)
{
    return dragged.width() >= least && dragged.height() >= least;
}

QRectF moved(const QRectF &box, QPointF by, QSize frame)
{
    const QRectF whole(QPointF(0, 0), QSizeF(frame));
    QRectF b = box.intersected(whole);
    if (b.isEmpty())
        return {};
    b.translate(by);
    b.moveLeft(std::clamp(b.left(), 0.0, whole.width() - b.width()));
    b.moveTop(std::clamp(b.top(), 0.0, whole.height() - b.height()));
    return b;
}

int boxAt(const QList<ShownBox> &boxes, QPointF at)
{
    int found = -1;
    double least = 0;
    for (qsizetype i = 0; i < boxes.size(); ++i) {
        const QRectF &b = boxes.at(i).box;
        if (!b.contains(at))
            continue;
        const double area = b.width() * b.height();
        if (found < 0 || area < least) {
            found = int(i);
            least = area;
        }
    }
    return found;
}

bool onGrip(const QRectF &box, QPointF at, double grip)
{
    return !box.isEmpty() && at.x() <= box.right() + grip / 2 && at.y() <= box.bottom() + grip / 2 &&
           at.x() >= box.right() - grip && at.y() >= box.bottom() - grip;
}

QList<int> rowsOf(const QList<MarkBand> &bands, int rows)
{
    rows = std::max(1, rows);
    QList<double> freeFrom(rows, -1e300);
    QList<int> out;
    out.reserve(bands.size());
    // Taken in start order, so that each row fills from the left.
    QList<qsizetype> order(bands.size());
    for (qsizetype i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](qsizetype a, qsizetype b) { return bands.at(a).start < bands.at(b).start; });
    out.resize(bands.size());
    for (const qsizetype i : order) {
        const MarkBand &band = bands.at(i);
        int row = rows - 1;
        for (int r = 0; r < rows; ++r)
            if (freeFrom[r] <= band.start) {
                row = r;
                break;
            }
        freeFrom[row] = std::max(freeFrom[row], band.end);
        out[i] = row;
    }
    return out;
}

QList<MarkBand> onAxis(QList<MarkBand> bands, double offset)
{
    for (MarkBand &b : bands) {
        b.start += offset;
        b.end += offset;
    }
    return bands;
}

} // namespace MarkShapes
