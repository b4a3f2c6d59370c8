#include "FrameScaler.h"

#include <algorithm>
#include <vector>

namespace FrameScaler {

namespace {

// Where output sample i of n falls between two input samples of m: the first input
// index, the second (the same at the edges) and the second's weight out of 256.
struct Tap {
    int first;
    int second;
    int weight;
};

Tap tapFor(int i, int n, int m)
{
    // Centre of output sample i in input samples, in 1/256 units, minus half a sample.
    const long long pos = ((2LL * i + 1) * m * 256) / (2LL * n) - 128;
    if (pos <= 0)
        return {0, 0, 0};
    const int first = int(pos >> 8);
    if (first >= m - 1)
        return {m - 1, m - 1, 0};
    return {first, first + 1, int(pos & 255)};
}

std::vector<Tap> tapsFor(int n, int m)
{
    std::vector<Tap> taps(std::size_t(std::max(n, 0)));
    for (int i = 0; i < n; ++i)
        taps[std::size_t(i)] = tapFor(i, n, m);
    return taps;
}

// Row `a` weighted (256 - w), row `b` weighted w, `count` bytes `step` apart.
void blendRows(const std::uint8_t *a, const std::uint8_t *b, int w, int count, int step, std::uint16_t *out)
{
    const int wa = 256 - w;
    for (int i = 0; i < count; ++i)
        out[i] = std::uint16_t(a[i * step] * wa + b[i * step] * w);
}

inline int horizontal(const std::uint16_t *row, const Tap &t)
{
    return int((unsigned(row[t.first]) * unsigned(256 - t.weight) + unsigned(row[t.second]) * unsigned(t.weight) +
                32768u) >>
               16);
}

inline std::uint32_t clampByte(int v)
{
    return std::uint32_t(std::clamp(v, 0, 255));
}

// Fixed-point (x 65536) coefficients: luma scale, then V into red, U and V out of
// green, U into blue.
struct Coefficients {
    int luma;
    int lumaOffset;
    int vr;
    int ug;
    int vg;
    int ub;
};

Coefficients coefficientsFor(Matrix matrix, bool fullRange)
{
    double kr = 0.2126, kb = 0.0722;
    if (matrix == Matrix::BT601) {
        kr = 0.299;
        kb = 0.114;
    } else if (matrix == Matrix::BT2020) {
        kr = 0.2627;
        kb = 0.0593;
    }
    const double kg = 1.0 - kr - kb;
    const double lumaScale = fullRange ? 1.0 : 255.0 / 219.0;
    const double chromaScale = fullRange ? 1.0 : 255.0 / 224.0;
    auto fixed = [](double v) { return int(v * 65536.0 + (v < 0 ? -0.5 : 0.5)); };
    return {fixed(lumaScale),
            fullRange ? 0 : 16,
            fixed(2.0 * (1.0 - kr) * chromaScale),
            fixed(2.0 * (1.0 - kb) * kb / kg * chromaScale),
            fixed(2.0 * (1.0 - kr) * kr / kg * chromaScale),
            fixed(2.0 * (1.0 - kb) * chromaScale)};
}

} // namespace

bool isUsable(const YuvPicture &p)
{
    if (!p.y || !p.u || !p.v || p.width <= 0 || p.height <= 0)
        return false;
    if (p.chromaWidth <= 0 || p.chromaHeight <= 0 || p.chromaWidth > p.width || p.chromaHeight > p.height)
        return false;
    if (p.chromaStep < 1 || p.yStride < p.width)
        return false;
    const long long chromaRow = (p.chromaWidth - 1LL) * p.chromaStep + 1;
    return p.uStride >= chromaRow && p.vStride >= chromaRow;
}

void toRgb32(const YuvPicture &p, std::uint32_t *out, int outStride, int width, int height)
{
    if (!out || width <= 0 || height <= 0 || !isUsable(p))
        return;

    const std::vector<Tap> lumaX = tapsFor(width, p.width);
    const std::vector<Tap> chromaX = tapsFor(width, p.chromaWidth);
    std::vector<std::uint16_t> lumaRow(std::size_t(p.width));
    std::vector<std::uint16_t> uRow(std::size_t(p.chromaWidth));
    std::vector<std::uint16_t> vRow(std::size_t(p.chromaWidth));
    const Coefficients c = coefficientsFor(p.matrix, p.fullRange);

    for (int row = 0; row < height; ++row) {
        const Tap ly = tapFor(row, height, p.height);
        blendRows(p.y + std::ptrdiff_t(ly.first) * p.yStride, p.y + std::ptrdiff_t(ly.second) * p.yStride, ly.weight,
                  p.width, 1, lumaRow.data());
        const Tap cy = tapFor(row, height, p.chromaHeight);
        blendRows(p.u + std::ptrdiff_t(cy.first) * p.uStride, p.u + std::ptrdiff_t(cy.second) * p.uStride, cy.weight,
                  p.chromaWidth, p.chromaStep, uRow.data());
        blendRows(p.v + std::ptrdiff_t(cy.first) * p.vStride, p.v + std::ptrdiff_t(cy.second) * p.vStride, cy.weight,
                  p.chromaWidth, p.chromaStep, vRow.data());

        auto *line = reinterpret_cast<std::uint32_t *>(reinterpret_cast<std::uint8_t *>(out) +
                                                        std::ptrdiff_t(row) * outStride);
        for (int x = 0; x < width; ++x) {
            const int luma = (horizontal(lumaRow.data(), lumaX[std::size_t(x)]) - c.lumaOffset) * c.luma + 32768;
            const Tap &ct = chromaX[std::size_t(x)];
            const int u = horizontal(uRow.data(), ct) - 128;
            const int v = horizontal(vRow.data(), ct) - 128;
            const int r = (luma + c.vr * v) >> 16;
            const int g = (luma - c.ug * u - c.vg * v) >> 16;
            const int b = (luma + c.ub * u) >> 16;
            line[x] = 0xff000000u | (clampByte(r) << 16) | (clampByte(g) << 8) | clampByte(b);
        }
    }
}

} // namespace FrameScaler
