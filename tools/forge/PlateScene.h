// The plate scene (--scene plate): a number plate that moves about the picture over a
// grey, grainy ground, and a second, patterned square that crosses its path behind it
// from top to bottom every four seconds. Both follow the functions below, the forge's
// picture and the tests' truth alike: frame n at t = n / fps seconds, corners on even
// pixels.
#pragma once

#include <cmath>

namespace PlateScene {

struct Box {
    int x, y, width, height;
};

constexpr double kPi = 3.14159265358979323846;

inline int even(double v) { return 2 * static_cast<int>(std::floor(v / 2)); }

inline int plateWidth(int w) { return even(w * 0.12); }
inline int plateHeight(int w) { return even(plateWidth(w) * 0.28); }
inline int objectSide(int w) { return even(w * 0.1); }

// The plate on frame `n`.
inline Box plate(long n, int fps, int w, int h)
{
    const double t = double(n) / fps;
    const int pw = plateWidth(w), ph = plateHeight(w);
    return {even(w / 2.0 - pw / 2.0 + 0.3 * w * std::sin(2 * kPi * t / 8)),
            even(0.55 * h - ph / 2.0 + 0.08 * h * std::sin(2 * kPi * t / 5)), pw, ph};
}

// The crossing square on frame `n` (partly or wholly off the picture at times).
inline Box object(long n, int fps, int w, int h)
{
    const double t = double(n) / fps;
    const int s = objectSide(w);
    return {even(w / 2.0 - s / 2.0), even(std::fmod(t, 4.0) / 4.0 * (h + s) - s), s, s};
}

} // namespace PlateScene
