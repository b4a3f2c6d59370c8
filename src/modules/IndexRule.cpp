#include "modules/IndexRule.h"

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
