// The areas of one clip's picture that are blurred before a copy is shared. A mark is
// one thing to hide (a plate, a face, anything the user drew a box around): the boxes
// the user set (key boxes: the first drag and every correction), the boxes the tracker
// found for the frames between and around them, and where the tracker lost the target.
// Marks found by the detectors start as offered and are never applied until the user
// accepts them. Times are the clip's stream time in microseconds; boxes are in the
// clip's picture pixels. Plain values and pure functions; the tracker, the blur and the
// views work on them.
#pragma once

#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QRect>
#include <QSize>
#include <QString>

#include <optional>
#include <utility>

enum class MarkKind { Drawn, Face, Plate };

// Which way the tracker was going when it lost the target, and how it knew.
enum class TrackDirection { Forwards, Backwards };
enum class LossReason {
    Lost,     // the tracker said it no longer sees the target
    Jumped,   // the box moved further in one frame than a thing in the picture can
    Resized,  // the box grew or shrank more in one frame than a thing can
};

// The tracker gave up at `timeUs` (the first frame without a box) going `direction`.
struct MarkLoss {
    qint64 timeUs = 0;
    TrackDirection direction = TrackDirection::Forwards;
    LossReason reason = LossReason::Lost;
    bool operator==(const MarkLoss &o) const
    {
        return timeUs == o.timeUs && direction == o.direction && reason == o.reason;
    }
};

struct RedactMark {
    int id = 0;
    MarkKind kind = MarkKind::Drawn;
    bool accepted = true;  // false: only offered (found by a detector, not yet accepted)
    QMap<qint64, QRect> keys;     // set by the user; a key box wins over a tracked one
    QMap<qint64, QRect> tracked;  // found by the tracker, one per frame
    QList<MarkLoss> losses;
    bool operator==(const RedactMark &o) const
    {
        return id == o.id && kind == o.kind && accepted == o.accepted && keys == o.keys
            && tracked == o.tracked && losses == o.losses;
    }
};

// The first frame time with a box and the end of the last frame with one; nullopt for a
// mark without any box.
std::optional<std::pair<qint64, qint64>> markStretch(const RedactMark &mark, qint64 frameUs);

// The mark's box on the frame at `timeUs`: the key or tracked box of that frame (a box
// holds for one frame's duration from its time), none outside the mark's stretch or in
// a stretch the tracker lost.
std::optional<QRect> markBoxAt(const RedactMark &mark, qint64 timeUs, qint64 frameUs);

// `box` (any corners, as a drag gives it) cut to a picture of `picture`; none when
// nothing of it is left on the picture.
std::optional<QRect> clipToPicture(const QRect &box, const QSize &picture);

// The key boxes either side of `timeUs` (excluded): the stretch a new key box there
// re-tracks. A missing neighbour is nullopt (track to the range's edge).
std::pair<std::optional<qint64>, std::optional<qint64>> neighbourKeys(const RedactMark &mark,
                                                                      qint64 timeUs);

// `boxes` on a picture of `from` moved to the same places on one of `to` (kept as they
// are when either is unknown), each cut to it; an empty one is dropped.
QList<QRect> scaleBoxes(const QList<QRect> &boxes, const QSize &from, const QSize &to);

QString markKindName(MarkKind kind);
QString lossReasonName(LossReason reason);

// All the marks of one clip.
class RedactMarks {
public:
    static constexpr qint64 DefaultFrameUs = 33333;
    static constexpr int MaxMarks = 100000;

    RedactMarks() = default;
    RedactMarks(const QSize &picture, qint64 frameUs);

    QSize picture() const { return picture_; }
    qint64 frameUs() const { return frameUs_; }
    void setPicture(const QSize &picture) { picture_ = picture; }
    void setFrameUs(qint64 frameUs) { frameUs_ = frameUs > 0 ? frameUs : DefaultFrameUs; }

    const QList<RedactMark> &marks() const { return marks_; }
    bool isEmpty() const { return marks_.isEmpty(); }
    int acceptedCount() const;
    const RedactMark *mark(int id) const;

    // A new mark with its first key box (cut to the picture); 0 when nothing of the box
    // is on the picture or there are too many marks.
    int add(MarkKind kind, qint64 timeUs, const QRect &box, bool accepted = true);
    // A key box at `timeUs` (a correction); false for an unknown mark or a box off the
    // picture.
    bool setKey(int id, qint64 timeUs, const QRect &box);
    // The tracker's boxes for [fromUs, toUs]: the tracked boxes and losses there are
    // replaced (key boxes stay).
    bool setTracked(int id, qint64 fromUs, qint64 toUs, const QMap<qint64, QRect> &boxes,
                    const QList<MarkLoss> &losses);
    bool accept(int id);
    bool remove(int id);
    void clear() { marks_.clear(); }

    // The accepted marks' boxes on the frame at `timeUs`, cut to the picture; with
    // `offered` also those only offered.
    QList<QRect> boxesAt(qint64 timeUs, bool offered = false) const;
    // What is blurred on the frame at `timeUs` of a picture of `picture` (the clip's own
    // or a copy of another size): the accepted marks' boxes moved to it and grown by a
    // rim (BlurRim of each side, at least 2 pixels), so that a box a few pixels off
    // still covers its thing.
    QList<QRect> blurredAt(qint64 timeUs, const QSize &picture) const;
    static constexpr double BlurRim = 0.06;

    QJsonObject toJson() const;
    // Refuses (nullopt, `error` says why) unknown fields, kinds, states or reasons, bad
    // numbers, boxes off the picture, marks without a key box and repeated ids.
    static std::optional<RedactMarks> fromJson(const QJsonObject &json, QString *error = nullptr);

    bool operator==(const RedactMarks &o) const
    {
        return picture_ == o.picture_ && frameUs_ == o.frameUs_ && marks_ == o.marks_;
    }

private:
    RedactMark *find(int id);

    QSize picture_;
    qint64 frameUs_ = DefaultFrameUs;
    QList<RedactMark> marks_;
    int nextId_ = 1;
};
