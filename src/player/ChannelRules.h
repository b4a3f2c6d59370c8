// The arithmetic of showing a moment's cameras together: when a follower's picture has
// drifted from the leading clock far enough to be sent back, and where each camera's
// tile goes in each arrangement of the pictures.
#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <optional>

class ChannelRules {
public:
    ChannelRules() = delete;

    // Where a follower showing `follower` seconds seeks to for the leading clock at
    // `lead`: nothing while it is within `tolerance` (a frame while playing, half of one
    // while paused), while its clip (`duration`, 0 when not known yet) has ended before
    // the lead's, or without a duration. `ahead` is added while playing: the time the
    // last correction took to land, times the rate.
    static std::optional<double> correction(double lead, double follower, double tolerance, double duration,
                                            double ahead = 0.0);

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
    static Arrangement next(Arrangement a);

    enum Corner { TopLeft, TopRight, BottomLeft, BottomRight };
    // The share of the picture's width and height an inset takes.
    static constexpr double kInsetShare = 0.28;
    static constexpr int kInsetMargin = 8;

    // The tiles of `count` pictures in `area`: the first is the large one. Insets: the
    // large one fills the area and each other one sits in its corner (`corners[i - 1]`,
    // bottom right when not given), those sharing a corner stacked away from it; side by
    // side: equal columns; grid: the smallest near-square grid (fewer than three
    // pictures: side by side).
    static QList<QRect> tiles(Arrangement a, QSize area, int count, const QList<Corner> &corners = {});
    // The corner of `area` nearest `point`.
    static Corner cornerAt(QSize area, QPoint point);
};
