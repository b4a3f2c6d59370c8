// The rule that maps playback time to an entry of a list of samples (the drive's
// telemetry applies it to each view of a clip). Pure, constant time, no allocation.
#pragma once

#include <cstdint>

namespace IndexRule {

// For a total time T in double precision: r = float(N / T) when T > 0, else 1;
// i = int(float(int(t)) * r). Returns i when 0 <= i < N, otherwise -1.
int indexFor(double t, double totalTime, std::int64_t count);

// The G read-outs' variant: T is single precision, the ratio applies
// whenever T != 0 and is divided in single precision: r = float(N) / T.
int indexForSingle(double t, float totalTime, std::int64_t count);

// The other way round, for a jump to a sample: the first whole second t >= 0 at
// which indexFor(t, totalTime, count) shows `index`; when no second shows it (more
// entries than seconds), the first second showing the nearest entry shown after
// it, else before it. -1 when `index` is not an entry.
double secondsFor(int index, double totalTime, std::int64_t count);

} // namespace IndexRule
