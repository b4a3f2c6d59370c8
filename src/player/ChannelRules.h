// The arithmetic of showing a moment's cameras together: when a follower's picture has
// drifted from the leading clock far enough to be sent back, and where each camera's
// tile goes in each arrangement of the pictures.
#pragma once

#include <QList>
#include <QPair>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <array>
#include <optional>

class ChannelRules {
public:
    ChannelRules() = delete;

    // What a camera's offset is remembered by: the file name with every digit a '#', so
    // that every clip of that camera and channel shares it.
    static QString namePattern(const QString &file);

    // What a channel's picture is, as far as its file says: frames a second, size, codec.
    struct Picture {
        double fps = 0.0;
        QSize size;
        QString codec;
    };
    // "15 fps, 1280×720, H.265", of the parts known.
    static QString describe(const Picture &p);
    // Whether two channels' pictures differ in rate (by more than half a frame a
    // second), size or codec, where both are known.
    static bool differ(const Picture &a, const Picture &b);
    // The frame of the coarser of two channels: how far apart their pictures can be
    // while both show the same moment (a 30 fps lead and a 15 fps follower, 1/15 s).
    static double frameOf(double leadFps, double followerFps);

    enum class Arrangement { Insets, SideBySide, Grid };
    static QString arrangementKey(Arrangement a);   // "insets", "side", "grid"
    static Arrangement arrangementOf(const QString &key);
    // The arrangement shown for a moment of `cameras` cameras (the main one counted): the
    // one the user chose (`key`), else a grid for four or more and insets for fewer.
    static Arrangement arrangementFor(const QString &key, int cameras);
    static Arrangement next(Arrangement a);
    // A click on the picture in `slot` (0: the large one, or the first tile) shows that camera
    // large with the others as insets, in every arrangement: in insets it takes the large
    // picture's place; side by side or in a grid the moment is shown so ("focused") until a
    // click on the large picture goes back to the arrangement.
    struct Click {
        bool focused = false;   // side by side or grid shown as insets
        bool toFront = false;   // the clicked picture becomes the large one
        bool operator==(const Click &o) const { return focused == o.focused && toFront == o.toFront; }
    };
    static Click clicked(Arrangement a, bool focused, int slot);
    // What the pictures are laid out as: insets while focused.
    static Arrangement shownAs(Arrangement a, bool focused) { return focused ? Arrangement::Insets : a; }

    enum Corner { TopLeft, TopRight, BottomLeft, BottomRight };
    // The share of the picture's width and height an inset takes unless the user chose
    // another, from kInsetShareMin to kInsetShareMax.
    static constexpr double kInsetShare = 0.28;
    static constexpr double kInsetShareMin = 0.15, kInsetShareMax = 0.5;
    static constexpr int kInsetMargin = 8;

    // The tiles of `count` pictures in `area`: the first is the large one. Insets: the
    // large one fills the area and each other one sits in its corner (`corners[i - 1]`,
    // bottom right when not given), those sharing a corner stacked away from it; side by
    // side: equal columns; grid: the smallest near-square grid (fewer than three
    // pictures: side by side). An inset takes `share` of the area's width and height; with
    // the insets' picture `aspect` (width over height) known, `share` of the height and
    // the width that picture needs (within `share` of the width times 1.5), so that an
    // inset holds its picture without bars.
    static QList<QRect> tiles(Arrangement a, QSize area, int count, const QList<Corner> &corners = {},
                              double share = kInsetShare, double aspect = 0);
    // The cameras beside the clip of one part of the timeline: where the part lies and,
    // by channel, whether that camera has no recording there.
    // A camera beside a clip: its channel, whether it has no recording there, and how many
    // seconds after the clip's start its recording starts (a camera that started late).
    struct Beside {
        char channel = 0;
        bool gap = false;
        double late = 0.0;
    };
    struct PartCameras {
        double start = 0.0, duration = 0.0;
        QList<Beside> cameras;
    };
    // A camera's lane under the timeline: where it has no recording, on the timeline's axis.
    struct CameraLane {
        char channel = 0;
        QList<QPair<double, double>> gaps;
        bool operator==(const CameraLane &o) const { return channel == o.channel && gaps == o.gaps; }
    };
    // A lane per camera any part has, by channel rank: a gap where a part's camera has
    // no recording or the part has no such camera, and before a late camera's start; gaps
    // of parts that follow each other join.
    static QList<CameraLane> lanes(const QList<PartCameras> &parts);
    // The lane's name for people: "Rear", "Cabin", "Left repeater" …
    static QString laneLabel(char channel);

    // The corner of `area` nearest `point`.
    static Corner cornerAt(QSize area, QPoint point);
    // An inset in `rect` at corner `c` is sized by dragging its inner corner (the one
    // facing the middle): whether `point` is on that grip.
    static bool onGrip(QRect rect, Corner c, QPoint point);
    // The share of `area` an inset takes when its grip is dragged to `point` while its
    // outer corner stays at `fixed`: the larger of the width's and the height's; with the
    // insets' picture `aspect` (as tiles() takes it), the width is that of an inset's.
    static double shareAt(QSize area, QPoint fixed, QPoint point, double aspect = 0);
    // The inset's corner that stays put while it is sized.
    static QPoint fixedCorner(QRect rect, Corner c);
    static constexpr int kGrip = 16;   // pixels from the inner corner
};
