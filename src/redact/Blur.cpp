#include "redact/Blur.h"

#include "redact/RedactMarks.h"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

namespace {

int clampStrength(int s) { return std::clamp(s, Blur::MinStrength, Blur::MaxStrength); }

void pixelate(cv::Mat roi, int cell)
{
    for (int y = 0; y < roi.rows; y += cell)
        for (int x = 0; x < roi.cols; x += cell) {
            cv::Mat block = roi(cv::Rect(x, y, std::min(cell, roi.cols - x), std::min(cell, roi.rows - y)));
            block.setTo(cv::mean(block));
        }
}

void gaussian(cv::Mat roi, double sigma)
{
    // A wide Gaussian is a narrow one on a smaller copy: shrink so that sigma is some
    // two pixels, blur, and grow back; the cost no longer grows with the box.
    const double factor = std::max(1.0, sigma / 2.0);
    const int w = std::max(1, int(std::lround(roi.cols / factor))), h = std::max(1, int(std::lround(roi.rows / factor)));
    cv::Mat small;
    cv::resize(roi, small, cv::Size(w, h), 0, 0, cv::INTER_AREA);
    const double s = sigma / factor;
    cv::GaussianBlur(small, small, cv::Size(0, 0), s, s, cv::BORDER_REPLICATE);
    cv::Mat back;
    cv::resize(small, back, roi.size(), 0, 0, cv::INTER_LINEAR);
    back.copyTo(roi);
}

} // namespace

QString BlurChoice::text() const
{
    return QStringLiteral("%1:%2:%3")
        .arg(on ? QStringLiteral("on") : QStringLiteral("off"), Blur::styleName(options.style))
        .arg(options.strength);
}

BlurChoice BlurChoice::fromText(const QString &text)
{
    BlurChoice c;
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.value(0) == QLatin1String("off"))
        c.on = false;
    const QString style = parts.value(1);
    if (style == QLatin1String("pixelate") || style == QLatin1String("gaussian"))
        c.options.style = Blur::styleOf(style);
    bool ok = false;
    const int strength = parts.value(2).toInt(&ok);
    if (ok && strength >= Blur::MinStrength && strength <= Blur::MaxStrength)
        c.options.strength = strength;
    return c;
}

QString Blur::styleName(BlurStyle style)
{
    return style == BlurStyle::Pixelate ? QStringLiteral("pixelate") : QStringLiteral("gaussian");
}

BlurStyle Blur::styleOf(const QString &name)
{
    return name == QLatin1String("pixelate") ? BlurStyle::Pixelate : BlurStyle::Gaussian;
}

int Blur::cellSide(int side, int strength)
{
    // From a twelfth of the box's shorter side at 1 to half of it at 10.
    const double cells = 12.0 - (clampStrength(strength) - 1) * 10.0 / 9.0;
    return std::max(2, int(std::lround(std::max(1, side) / cells)));
}

double Blur::sigma(int side, int strength)
{
    // From a twentieth of the shorter side at 1 to a third of it at 10.
    return std::max(1.0, std::max(1, side) * (0.05 + (clampStrength(strength) - 1) * (0.333 - 0.05) / 9.0));
}

void Blur::plane(unsigned char *data, int width, int height, int stride, int channels, const QList<QRect> &boxes,
                 const BlurOptions &options)
{
    if (!data || width <= 0 || height <= 0 || channels < 1 || channels > 4)
        return;
    cv::Mat whole(height, width, CV_8UC(channels), data, size_t(stride));
    for (const QRect &box : boxes) {
        const auto r = clipToPicture(box, QSize(width, height));
        if (!r)
            continue;
        cv::Mat roi = whole(cv::Rect(r->x(), r->y(), r->width(), r->height()));
        const int side = std::min(r->width(), r->height());
        if (options.style == BlurStyle::Pixelate)
            pixelate(roi, cellSide(side, options.strength));
        else
            gaussian(roi, sigma(side, options.strength));
    }
}

void Blur::i420(unsigned char *data, int width, int height, const QList<QRect> &boxes, const BlurOptions &options)
{
    if (!data || width <= 0 || height <= 0)
        return;
    const int cw = (width + 1) / 2, ch = (height + 1) / 2;
    QList<QRect> luma, chroma;
    for (const QRect &box : boxes) {
        const auto r = clipToPicture(box, QSize(width, height));
        if (!r)
            continue;
        // Out to even corners, so that the chroma's cells cover what the luma's do.
        const int x0 = r->left() & ~1, y0 = r->top() & ~1;
        const int x1 = std::min(width, (r->right() + 2) & ~1), y1 = std::min(height, (r->bottom() + 2) & ~1);
        luma << QRect(x0, y0, x1 - x0, y1 - y0);
        chroma << QRect(x0 / 2, y0 / 2, std::max(1, (x1 - x0 + 1) / 2), std::max(1, (y1 - y0 + 1) / 2));
    }
    if (luma.isEmpty())
        return;
    plane(data, width, height, width, 1, luma, options);
    BlurOptions half = options;
    // The chroma's cells are half as many pixels: the same ground on the picture.
    unsigned char *u = data + qsizetype(width) * height;
    unsigned char *v = u + qsizetype(cw) * ch;
    if (options.style == BlurStyle::Pixelate) {
        // Same cells as the luma: worked out from the luma box's side, halved.
        for (int i = 0; i < luma.size(); ++i) {
            const int cell = std::max(1, cellSide(std::min(luma[i].width(), luma[i].height()), options.strength) / 2);
            for (unsigned char *p : {u, v}) {
                cv::Mat m(ch, cw, CV_8UC1, p, size_t(cw));
                const QRect c = chroma[i].intersected(QRect(0, 0, cw, ch));
                if (!c.isEmpty())
                    pixelate(m(cv::Rect(c.x(), c.y(), c.width(), c.height())), cell);
            }
        }
        return;
    }
    plane(u, cw, ch, cw, 1, chroma, half);
    plane(v, cw, ch, cw, 1, chroma, half);
}

QImage Blur::image(const QImage &picture, const QList<QRect> &boxes, const BlurOptions &options)
{
    QImage out = picture;
    const int depth = out.depth();
    if (out.isNull())
        return out;
    if (depth != 8 && depth != 24 && depth != 32)
        out = out.convertToFormat(QImage::Format_RGB32);
    if (out.format() == QImage::Format_Indexed8)
        out = out.convertToFormat(QImage::Format_Grayscale8);
    plane(out.bits(), out.width(), out.height(), int(out.bytesPerLine()), out.depth() / 8, boxes, options);
    return out;
}
