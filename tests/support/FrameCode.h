// Reads the frame number a forged picture carries (veltra-forge --frame-code): a row of
// 16 squares along the top from a quarter of the width, each a twenty-fourth of the
// width wide, white for a 1 and black for a 0, the lowest bit first.
#pragma once

#include <QImage>

namespace FrameCode {

constexpr int kBits = 16;

// The number, or -1 when the picture carries none (a square neither white nor black).
inline int read(const QImage &picture)
{
    if (picture.isNull())
        return -1;
    const double cell = picture.width() / 24.0;
    const int y = int(cell / 2);
    int n = 0;
    for (int bit = 0; bit < kBits; ++bit) {
        const int x = int(picture.width() / 4.0 + (bit + 0.5) * cell);
        if (x >= picture.width() || y >= picture.height())
            return -1;
        const int grey = qGray(picture.pixel(x, y));
        if (grey > 160)
            n |= 1 << bit;
        else if (grey >= 96)
            return -1;
    }
    return n;
}

} // namespace FrameCode
