#include "drive/IndexRule.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Truncation toward zero into a 32-bit integer; values outside its range (and NaN)
// count as out of range.
bool toInt32(double v, int *out)
{
    if (!(v > double(std::numeric_limits<int>::min()) - 1.0 && v < double(std::numeric_limits<int>::max()) + 1.0))
        return false;
    *out = int(v);
    return true;
}

int pick(double t, float r, std::int64_t count)
{
    int s;
    if (!toInt32(t, &s))
        return -1;
    const float product = float(s) * r;
    int i;
    if (!toInt32(double(product), &i))
        return -1;
    if (count <= 0 || i < 0 || i >= count)
        return -1;
    return i;
}

} // namespace

int IndexRule::indexFor(double t, double totalTime, std::int64_t count)
{
    float r = 1.0f;
    if (totalTime > 0)
        r = float(double(count) / totalTime);
    return pick(t, r, count);
}

int IndexRule::indexForSingle(double t, float totalTime, std::int64_t count)
{
    float r = 1.0f;
    if (totalTime != 0)
        r = float(count) / totalTime;
    return pick(t, r, count);
}

double IndexRule::secondsFor(int index, double totalTime, std::int64_t count)
{
    if (index < 0 || index >= count)
        return -1;
    float r = 1.0f;
    if (totalTime > 0)
        r = float(double(count) / totalTime);
    if (!(r > 0))
        return -1;
    // The index grows with the second; start a little before the real-valued answer
    // and walk up, since the single-precision product may land either side.
    double s = std::max(0.0, std::floor(double(index) / double(r)) - 2);
    int best = -1;
    double bestSecond = -1;
    for (int k = 0; k < 6 && s + k < double(std::numeric_limits<int>::max()); ++k) {
        const int i = pick(s + k, r, count);
        if (i == index)
            return s + k;
        if (i > index && (best < 0 || i < best)) {
            best = i;
            bestSecond = s + k;
        }
    }
    if (bestSecond >= 0)
        return bestSecond;
    // Past the last second that shows anything: the last one that does.
    for (double t = s + 5; t >= 0; --t)
        if (pick(t, r, count) >= 0)
            return t;
    return -1;
}
