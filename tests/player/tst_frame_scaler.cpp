// Drawing decoded pictures: the colour matrices against the standards' own values in
// the chroma layouts decoders give, where output samples fall when scaling, and what
// is refused; then where a frame goes in the video's area.
#include "player/FrameScaler.h"
#include "player/VideoPicture.h"

#include <QTest>

#include <cstdlib>
#include <vector>

using FrameScaler::Matrix;

namespace {

// A picture of one colour, width x height, in planar 4:2:0 or interleaved layout.
struct Planes {
    std::vector<std::uint8_t> y, u, v, uv;
    FrameScaler::YuvPicture picture;
    Planes(int width, int height, int Y, int U, int V, bool interleaved = false, bool vFirst = false)
        : y(std::size_t(width * height), std::uint8_t(Y))
    {
        const int cw = (width + 1) / 2, ch = (height + 1) / 2;
        FrameScaler::YuvPicture &p = picture;
        p.y = y.data();
        p.yStride = width;
        p.width = width;
        p.height = height;
        p.chromaWidth = cw;
        p.chromaHeight = ch;
        if (interleaved) {
            for (int i = 0; i < cw * ch; ++i) {
                uv.push_back(std::uint8_t(vFirst ? V : U));
                uv.push_back(std::uint8_t(vFirst ? U : V));
            }
            p.u = uv.data() + (vFirst ? 1 : 0);
            p.v = uv.data() + (vFirst ? 0 : 1);
            p.uStride = p.vStride = 2 * cw;
            p.chromaStep = 2;
        } else {
            u.assign(std::size_t(cw * ch), std::uint8_t(U));
            v.assign(std::size_t(cw * ch), std::uint8_t(V));
            p.u = u.data();
            p.v = v.data();
            p.uStride = p.vStride = cw;
        }
    }
};

std::vector<std::uint32_t> draw(const FrameScaler::YuvPicture &p, int width, int height)
{
    std::vector<std::uint32_t> out(std::size_t(width * height), 0x12345678u);
    FrameScaler::toRgb32(p, out.data(), width * 4, width, height);
    return out;
}

int luma(std::uint32_t pixel)
{
    return int(pixel & 0xff);   // grey pictures: any channel
}

} // namespace

class FrameScalerTest : public QObject {
    Q_OBJECT
private slots:
    // Values from the standards' colour-bar tables (8-bit, video range unless said).
    void colours_data()
    {
        QTest::addColumn<int>("matrix");
        QTest::addColumn<bool>("fullRange");
        QTest::addColumn<int>("layout");   // 0 planar, 1 NV12, 2 NV21 (V before U)
        QTest::addColumn<QList<int>>("yuv");
        QTest::addColumn<QList<int>>("rgb");
        const int b601 = int(Matrix::BT601), b709 = int(Matrix::BT709), b2020 = int(Matrix::BT2020);
        QTest::newRow("709 white") << b709 << false << 0 << QList<int>{235, 128, 128} << QList<int>{255, 255, 255};
        QTest::newRow("709 black") << b709 << false << 0 << QList<int>{16, 128, 128} << QList<int>{0, 0, 0};
        QTest::newRow("709 red") << b709 << false << 0 << QList<int>{63, 102, 240} << QList<int>{255, 0, 0};
        QTest::newRow("709 green, NV21") << b709 << false << 2 << QList<int>{173, 42, 26} << QList<int>{0, 255, 0};
        QTest::newRow("709 blue") << b709 << false << 0 << QList<int>{32, 240, 118} << QList<int>{0, 0, 255};
        QTest::newRow("709 yellow") << b709 << false << 0 << QList<int>{219, 16, 138} << QList<int>{255, 255, 0};
        QTest::newRow("601 red") << b601 << false << 0 << QList<int>{81, 90, 240} << QList<int>{255, 0, 0};
        QTest::newRow("601 green") << b601 << false << 0 << QList<int>{145, 54, 34} << QList<int>{0, 255, 0};
        QTest::newRow("601 blue, NV12") << b601 << false << 1 << QList<int>{41, 240, 110} << QList<int>{0, 0, 255};
        QTest::newRow("2020 red") << b2020 << false << 0 << QList<int>{74, 97, 240} << QList<int>{255, 0, 0};
        QTest::newRow("2020 green") << b2020 << false << 0 << QList<int>{164, 47, 25} << QList<int>{0, 255, 0};
        QTest::newRow("2020 blue") << b2020 << false << 0 << QList<int>{29, 240, 119} << QList<int>{0, 0, 255};
        QTest::newRow("full-range grey") << b709 << true << 0 << QList<int>{128, 128, 128} << QList<int>{128, 128, 128};
        QTest::newRow("full-range 601 red") << b601 << true << 0 << QList<int>{76, 85, 255} << QList<int>{255, 0, 0};
    }
    void colours()
    {
        QFETCH(int, matrix);
        QFETCH(bool, fullRange);
        QFETCH(int, layout);
        QFETCH(QList<int>, yuv);
        QFETCH(QList<int>, rgb);
        Planes planes(6, 4, yuv[0], yuv[1], yuv[2], layout > 0, layout == 2);
        planes.picture.matrix = Matrix(matrix);
        planes.picture.fullRange = fullRange;
        // One level either way: the tables' values are themselves rounded to 8 bits.
        for (const std::uint32_t px : draw(planes.picture, 5, 3)) {
            const int got[3] = {int(px >> 16 & 0xff), int(px >> 8 & 0xff), int(px & 0xff)};
            for (int c = 0; c < 3; ++c)
                QVERIFY2(std::abs(got[c] - rgb[c]) <= 1, qPrintable(QStringLiteral("channel %1: %2, not %3")
                                                                         .arg(c).arg(got[c]).arg(rgb[c])));
            QCOMPARE(px >> 24, 0xffu);
        }
    }

    // Output sample centres fall where a texture's would: at its own size a picture
    // comes out sample for sample, halved each output pixel is the mean of two, and
    // edges are held rather than read beyond.
    void sampling()
    {
        // Luma ramps 16, 76, 136, 196 across; full range so values pass unchanged.
        Planes planes(4, 1, 0, 128, 128);
        const std::uint8_t ramp[4] = {16, 76, 136, 196};
        std::copy(ramp, ramp + 4, planes.y.begin());
        planes.picture.fullRange = true;

        const auto same = draw(planes.picture, 4, 1);
        for (int x = 0; x < 4; ++x)
            QCOMPARE(luma(same[std::size_t(x)]), int(ramp[x]));
        const auto half = draw(planes.picture, 2, 1);
        QCOMPARE(luma(half[0]), 46);
        QCOMPARE(luma(half[1]), 166);
        const auto doubled = draw(planes.picture, 8, 1);
        QCOMPARE(luma(doubled[0]), 16);    // the edge holds
        QCOMPARE(luma(doubled[1]), 31);    // a quarter of the way to the next sample
        QCOMPARE(luma(doubled[2]), 61);
        QCOMPARE(luma(doubled[7]), 196);
        const auto tall = draw(planes.picture, 1, 3);   // one column, three rows
        for (const std::uint32_t px : tall)
            QCOMPARE(luma(px), 106);   // the mean of the middle samples, in every row
    }

    // Pictures the scaler cannot read leave the output alone.
    void refused()
    {
        const std::vector<std::uint32_t> untouched(6, 0x12345678u);
        Planes planes(4, 2, 100, 128, 128);
        FrameScaler::YuvPicture p = planes.picture;
        QVERIFY(FrameScaler::isUsable(p));
        p.yStride = 3;
        QCOMPARE(draw(p, 3, 2), untouched);
        p = planes.picture;
        p.u = nullptr;
        QCOMPARE(draw(p, 3, 2), untouched);
        // More chroma columns than luma ones, in planes and strides that would hold them.
        Planes wide(10, 2, 100, 128, 128);
        p = wide.picture;
        p.width = 4;
        QCOMPARE(draw(p, 3, 2), untouched);
        p = planes.picture;
        p.uStride = 1;   // a chroma row does not fit its stride
        QCOMPARE(draw(p, 3, 2), untouched);
        FrameScaler::toRgb32(planes.picture, nullptr, 0, 3, 2);   // nowhere to draw: nothing happens
    }

    void pictureRect_data()
    {
        QTest::addColumn<QSize>("frame");
        QTest::addColumn<QSize>("area");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QRect>("rect");
        QTest::newRow("bars left and right") << QSize(1920, 1080) << QSize(900, 460) << int(Qt::KeepAspectRatio)
                                             << QRect(41, 0, 817, 460);
        QTest::newRow("stretched") << QSize(640, 360) << QSize(400, 400) << int(Qt::IgnoreAspectRatio)
                                   << QRect(0, 0, 400, 400);
        QTest::newRow("no frame") << QSize() << QSize(400, 400) << int(Qt::KeepAspectRatio) << QRect();
    }
    void pictureRect()
    {
        QFETCH(QSize, frame);
        QFETCH(QSize, area);
        QFETCH(int, mode);
        QFETCH(QRect, rect);
        QCOMPARE(VideoPicture::pictureRect(frame, area, Qt::AspectRatioMode(mode)), rect);
    }
};

QTEST_GUILESS_MAIN(FrameScalerTest)
#include "tst_frame_scaler.moc"
