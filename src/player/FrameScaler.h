// Turning a decoded YUV picture into 32-bit RGB at the size it is shown at, in one
// pass on the CPU: bilinear scaling of the luma and chroma planes and the colour
// matrix of the picture's standard. The video window draws with this straight into
// its window surface, which costs a fraction of what sampling three planes per
// screen pixel costs a software OpenGL renderer.
#pragma once

#include <cstdint>

namespace FrameScaler {

enum class Matrix { BT601, BT709, BT2020 };

// One picture as the decoder laid it out. Luma is one byte per sample. The chroma
// planes hold `chromaWidth` x `chromaHeight` samples, `chromaStep` bytes apart in a
// row: 1 for planar layouts (I420, YV12, 4:2:2), 2 for interleaved ones (NV12, NV21,
// where `u` and `v` point into the same plane one byte apart).
struct YuvPicture {
    const std::uint8_t *y = nullptr;
    const std::uint8_t *u = nullptr;
    const std::uint8_t *v = nullptr;
    int yStride = 0;
    int uStride = 0;
    int vStride = 0;
    int width = 0;
    int height = 0;
    int chromaWidth = 0;
    int chromaHeight = 0;
    int chromaStep = 1;
    Matrix matrix = Matrix::BT709;
    bool fullRange = false;
};

// Whether `picture` describes planes this scaler can read: positive sizes, chroma no
// larger than luma, strides that hold a row.
bool isUsable(const YuvPicture &picture);

// Draws `picture` scaled to `width` x `height` pixels into `out` (0xffRRGGBB words,
// `outStride` bytes from one row to the next). Sample centres are aligned as a
// texture's are, so a picture drawn at its own size comes out sample for sample.
// Does nothing when the picture is not usable or the size is empty.
void toRgb32(const YuvPicture &picture, std::uint32_t *out, int outStride, int width, int height);

} // namespace FrameScaler
