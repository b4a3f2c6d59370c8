// What the picture and the timeline show of the areas marked for blurring, and the
// pure rules that place them. A mark's boxes are in the clip's own picture pixels;
// the picture draws them where its frame lands on the widget (VideoPicture::pictureRect),
// flipped when the picture is mirrored. The timeline shows each mark as a band over
// the stretch it covers, with an end mark where tracking lost its target.
#pragma once

#include <QList>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QSize>

// One mark's box on a frame.
struct ShownBox {
    int id = 0;
    QRectF box;              // picture pixels
    bool offered = false;    // found by itself, not yet accepted: dashed
    bool key = false;        // set by the user on this frame (the first drag or a correction)
    bool selected = false;
    bool operator==(const ShownBox &o) const
    {
        return id == o.id && box == o.box && offered == o.offered && key == o.key && selected == o.selected;
    }
};

// One mark on the timeline, in seconds of its clip.
struct MarkBand {
    int id = 0;
    double start = 0.0;
    double end = 0.0;
    bool lost = false;       // tracking lost the target at `end`
    bool offered = false;
    bool selected = false;
    bool operator==(const MarkBand &o) const
    {
        return id == o.id && start == o.start && end == o.end && lost == o.lost && offered == o.offered &&
               selected == o.selected;
    }
};

namespace MarkShapes {

// Where the picture-pixel box `box` of a `frame`-sized picture is drawn when the picture
// fills `picture` (widget coordinates), mirrored or not.
QRectF toWidget(const QRectF &box, QSize frame, const QRect &picture, bool mirrored);
// The picture-pixel box under the widget rectangle `area`, clipped to the frame; empty
// when it misses the frame.
QRectF toFrame(const QRectF &area, QSize frame, const QRect &picture, bool mirrored);
// The box a drag from `from` to `to` spans, either way round.
QRectF spanned(QPointF from, QPointF to);
// Whether a drag is long enough to be a box and not a click (pixels each way).
bool isBox(const QRectF &dragged, double least = 6.0);
// `box` moved by `by` and kept whole within `frame` (a box larger than the frame is
// clipped first).
QRectF moved(const QRectF &box, QPointF by, QSize frame);
// The box of `boxes` under the picture-pixel point `at`: the smallest that holds it
// (the one drawn inside another), -1 when none.
int boxAt(const QList<ShownBox> &boxes, QPointF at);
// Whether `at` is on the grip of `box` (its lower right corner, `grip` pixels wide).
bool onGrip(const QRectF &box, QPointF at, double grip);

// Bands laid in rows so that no two of a row overlap, the first that fits; bands past
// `rows` rows go into the last. Returns each band's row, in the order given.
QList<int> rowsOf(const QList<MarkBand> &bands, int rows);
// A clip's bands on the axis of a trip that has the clip start `offset` seconds in.
QList<MarkBand> onAxis(QList<MarkBand> bands, double offset);

} // namespace MarkShapes
