// Hides the inside of boxes on a picture: pixelated (the box in large even cells) or
// blurred with a Gaussian, at a strength from 1 (light) to 10 (nothing of the inside
// is left to read). Only the boxes' own pixels change, and they are worked out from
// those pixels alone, so nothing outside a box changes and nothing of the inside
// leaks out. The dialogs' previews and the exports use these same functions.
#pragma once

#include <QImage>
#include <QList>
#include <QRect>
#include <QString>

enum class BlurStyle { Pixelate, Gaussian };

struct BlurOptions {
    BlurStyle style = BlurStyle::Gaussian;
    int strength = 6;  // 1 to 10
    bool operator==(const BlurOptions &o) const { return style == o.style && strength == o.strength; }
};

// Whether an export blurs its marked areas, and how: as the settings keep it
// ("on:gaussian:6", "off:pixelate:3").
struct BlurChoice {
    bool on = true;
    BlurOptions options;
    QString text() const;
    // An empty or unknown text is the default (on, Gaussian, 6); a bad part keeps its default.
    static BlurChoice fromText(const QString &text);
    bool operator==(const BlurChoice &o) const { return on == o.on && options == o.options; }
};

namespace Blur {
constexpr int MinStrength = 1, MaxStrength = 10;
// "pixelate" / "gaussian", as settings keep them; anything else is the default.
QString styleName(BlurStyle style);
BlurStyle styleOf(const QString &name);
// The cell side of a pixelated box whose shorter side is `side` pixels.
int cellSide(int side, int strength);
// The Gaussian's sigma for such a box.
double sigma(int side, int strength);

// One plane of `width` × `height` bytes a pixel apart (grey, or one plane of a
// planar picture), `stride` bytes a row, `channels` bytes a pixel; `boxes` in that
// plane's pixels.
void plane(unsigned char *data, int width, int height, int stride, int channels, const QList<QRect> &boxes,
           const BlurOptions &options);
// A YUV 4:2:0 picture as ffmpeg pipes it (yuv420p): boxes in the luma's pixels, the
// chroma planes blurred over the same ground.
void i420(unsigned char *data, int width, int height, const QList<QRect> &boxes, const BlurOptions &options);
// A picture as the previews show it (any 8-bit format with 1, 3 or 4 bytes a pixel;
// others are converted to RGB32 first).
QImage image(const QImage &picture, const QList<QRect> &boxes, const BlurOptions &options);
} // namespace Blur
