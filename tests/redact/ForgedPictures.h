// Test pictures of our own making for the detectors: a grainy grey ground with drawn
// faces (a head, hair, brows, eyes, nose and mouth) and number plates (black characters
// on white in a black rim, on a darker patch as a car's rear gives it).
#pragma once

#include <QImage>
#include <QRect>

#include <opencv2/imgproc.hpp>

#include <algorithm>

namespace ForgedPictures {

inline cv::Mat ground(int w, int h, unsigned grain = 1)
{
    cv::Mat m(h, w, CV_8UC3);
    cv::theRNG().state = grain;
    cv::randn(m, cv::Scalar(110, 120, 115), cv::Scalar(12, 12, 12));
    return m;
}

// A face `s` pixels wide centred at `c`, turned `angle` degrees in the picture's plane;
// its box (the head, without the hair).
inline QRect face(cv::Mat &m, cv::Point c, int s, double angle = 0)
{
    cv::Mat layer = cv::Mat::zeros(m.size(), m.type()), mask = cv::Mat::zeros(m.size(), CV_8UC1);
    auto both = [&](auto draw) {
        draw(layer, true);
        draw(mask, false);
    };
    both([&](cv::Mat &t, bool colour) {
        cv::ellipse(t, c + cv::Point(0, int(-s * 0.15)), cv::Size(int(s * 0.55), int(s * 0.6)), 0, 180, 360,
                    colour ? cv::Scalar(40, 40, 50) : cv::Scalar(255), cv::FILLED);
        cv::ellipse(t, c, cv::Size(s / 2, int(s * 0.65)), 0, 0, 360, colour ? cv::Scalar(150, 170, 205) : cv::Scalar(255),
                    cv::FILLED);
    });
    for (const int side : {-1, 1}) {
        const cv::Point e = c + cv::Point(int(side * s * 0.2), int(-s * 0.12));
        cv::line(layer, e + cv::Point(int(-s * 0.12), int(-s * 0.11)), e + cv::Point(int(s * 0.12), int(-s * 0.13)),
                 cv::Scalar(40, 40, 60), std::max(2, s / 25));
        cv::ellipse(layer, e, cv::Size(int(s * 0.1), int(s * 0.05)), 0, 0, 360, cv::Scalar(240, 240, 240), cv::FILLED);
        cv::circle(layer, e, int(s * 0.04), cv::Scalar(30, 30, 30), cv::FILLED);
    }
    cv::line(layer, c + cv::Point(0, int(-s * 0.08)), c + cv::Point(int(-s * 0.04), int(s * 0.14)),
             cv::Scalar(110, 130, 170), std::max(2, s / 30));
    cv::ellipse(layer, c + cv::Point(0, int(s * 0.3)), cv::Size(int(s * 0.16), int(s * 0.06)), 0, 0, 360,
                cv::Scalar(70, 70, 160), cv::FILLED);
    if (angle != 0) {
        const cv::Mat turn = cv::getRotationMatrix2D(c, angle, 1.0);
        cv::warpAffine(layer, layer, turn, layer.size());
        cv::warpAffine(mask, mask, turn, mask.size());
    }
    layer.copyTo(m, mask);
    return QRect(c.x - s / 2, c.y - int(s * 0.65), s, int(s * 1.3));
}

// A plate `w` pixels wide with its top left at `tl`; its box.
inline QRect plate(cv::Mat &m, cv::Point tl, int w, bool surround = true, const char *text = "A123BC 77")
{
    const int h = int(w * 0.22);
    if (surround)
        cv::rectangle(m, cv::Rect(tl - cv::Point(20, 30), cv::Size(w + 40, h + 60)), cv::Scalar(50, 40, 40), cv::FILLED);
    cv::rectangle(m, cv::Rect(tl, cv::Size(w, h)), cv::Scalar(245, 245, 245), cv::FILLED);
    cv::rectangle(m, cv::Rect(tl, cv::Size(w, h)), cv::Scalar(20, 20, 20), std::max(2, h / 12));
    int base = 0;
    const cv::Size one = cv::getTextSize(text, cv::FONT_HERSHEY_DUPLEX, 1.0, 2, &base);
    const double scale = std::min(0.86 * w / one.width, 0.62 * h / one.height);
    const cv::Size ts = cv::getTextSize(text, cv::FONT_HERSHEY_DUPLEX, scale, std::max(1, h / 12), &base);
    cv::putText(m, text, tl + cv::Point((w - ts.width) / 2, (h + ts.height) / 2), cv::FONT_HERSHEY_DUPLEX, scale,
                cv::Scalar(15, 15, 15), std::max(1, h / 12), cv::LINE_AA);
    return QRect(tl.x, tl.y, w, h);
}

inline QImage image(const cv::Mat &m)
{
    cv::Mat soft;
    cv::GaussianBlur(m, soft, cv::Size(3, 3), 0.8);
    return QImage(soft.data, soft.cols, soft.rows, int(soft.step), QImage::Format_BGR888).copy();
}

} // namespace ForgedPictures
