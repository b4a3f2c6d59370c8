// The window's geometry rules: its size on a screen, the split views' divider
// answers, and the frames of the normal and enlarged layouts. Pure functions.
#pragma once

#include <QSizeF>
#include <QRectF>

namespace LayoutRules {

// The window is 0.7 of the screen (the single-precision 0.7 multiplied in double
// precision), centred; the screen's origin is not added.
QRectF windowFrame(double screenWidth, double screenHeight);

enum class Split { Outer, Left, Right, Other };

// The two latched positions of the outer split view; 0 means not latched.
struct Latches {
    double position0 = 0;
    double position1 = 0;
    void clear() { position0 = 0; position1 = 0; }
};

double constrainMinCoordinate(Split split, double proposed, int divider, Latches &latches);
double constrainMaxCoordinate(Split split, double proposed, int divider, Latches &latches);
double constrainSplitPosition(Split split, double proposed, int divider, const Latches &latches);

// Sizes (width × height) of the seven split subviews; an invalid size (-1 × -1)
// leaves the subview unchanged, 0 × 0 collapses it.
struct Frames {
    QSizeF outer[3];
    QSizeF left[2];
    QSizeF right[2];
};

enum class Arrangement { SetUp, VideoEnlarge, VideoRestore, MapEnlarge, MapRestore };

// `backingScale2` is true when the screen's backing scale factor equals 2.0 exactly.
Frames frames(Arrangement arrangement, bool backingScale2);

// The zoom decisions: true to enlarge, false to restore.
bool shouldEnlargeVideo(qint64 callerState, bool videoEnlarged, bool mapEnlarged);
bool shouldEnlargeMap(qint64 callerState, bool videoEnlarged, bool mapEnlarged);

} // namespace LayoutRules
