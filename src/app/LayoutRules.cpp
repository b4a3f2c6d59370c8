#include "LayoutRules.h"

namespace LayoutRules {

QRectF windowFrame(double screenWidth, double screenHeight)
{
    const double factor = double(0.7f);
    const double w = factor * screenWidth;
    const double h = factor * screenHeight;
    return QRectF((screenWidth - w) / 2, (screenHeight - h) / 2, w, h);
}

double constrainMinCoordinate(Split split, double proposed, int divider, Latches &latches)
{
    Q_UNUSED(proposed);
    switch (split) {
    case Split::Outer:
        if (divider == 1) {
            if (latches.position0 > 0)
                return latches.position0;
            latches.position0 = proposed;
            return 600;
        }
        return 600;
    case Split::Left:
        return 460;
    case Split::Right:
        return 160;
    case Split::Other:
        break;
    }
    return 600;
}

double constrainMaxCoordinate(Split split, double proposed, int divider, Latches &latches)
{
    switch (split) {
    case Split::Outer:
        if (divider == 0) {
            if (latches.position1 > 0)
                return latches.position1;
            latches.position1 = proposed;
            return proposed;
        }
        return proposed;
    case Split::Left:
        return 420;
    case Split::Right:
        return 470;
    case Split::Other:
        break;
    }
    return proposed;
}

double constrainSplitPosition(Split split, double proposed, int divider, const Latches &latches)
{
    switch (split) {
    case Split::Outer:
        if (divider == 0)
            return latches.position0;
        if (divider == 1)
            return latches.position1;
        return proposed;
    case Split::Left:
        return 420;
    case Split::Right:
        return 219;
    case Split::Other:
        break;
    }
    return proposed;
}

Frames frames(Arrangement arrangement, bool backingScale2)
{
    const QSizeF keep(-1, -1);
    const QSizeF none(0, 0);
    Frames f;
    switch (arrangement) {
    case Arrangement::SetUp:
        f = {{QSizeF(1280, 760), QSizeF(640, 460), keep},
             {QSizeF(1280, 600), QSizeF(1280, 160)},
             {QSizeF(640, 320), QSizeF(640, 440)}};
        break;
    case Arrangement::VideoEnlarge:
        f = {{QSizeF(1280, 760), none, keep},
             {backingScale2 ? QSizeF(1280, 760) : QSizeF(640, 380), none},
             {none, none}};
        break;
    case Arrangement::VideoRestore:
        f = {{QSizeF(1280, 760), QSizeF(640, 460), keep},
             {QSizeF(1280, 600), QSizeF(1280, 160)},
             {backingScale2 ? QSizeF(600, 320) : QSizeF(480, 240), QSizeF(680, 440)}};
        break;
    case Arrangement::MapEnlarge:
        f = {{QSizeF(1014, 760), none, QSizeF(532, 760)},
             {QSizeF(1014, 540), QSizeF(1014, 220)},
             {none, none}};
        break;
    case Arrangement::MapRestore:
        f = {{QSizeF(1014, 760), QSizeF(266, 760), QSizeF(266, 760)},
             {QSizeF(1014, 540), QSizeF(1014, 220)},
             {QSizeF(266, 360), QSizeF(266, 400)}};
        break;
    }
    return f;
}

bool shouldEnlargeVideo(qint64 s, bool videoEnlarged, bool mapEnlarged)
{
    return mapEnlarged || (!videoEnlarged && s == 1) || s == 0;
}

bool shouldEnlargeMap(qint64 s, bool videoEnlarged, bool mapEnlarged)
{
    return videoEnlarged || (!mapEnlarged && s == 1) || s == 0;
}

} // namespace LayoutRules
