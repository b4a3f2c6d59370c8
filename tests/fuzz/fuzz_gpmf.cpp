// libFuzzer target: one input is one GPMF payload (a sample of a `gpmd` track). The
// KLV check and the payload reader run on it; what they give must stay within the
// shapes the panels read, and a payload is read exactly when it is KLV.
#include "Gpmf.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

[[noreturn]] void broken(const char *what)
{
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const bool klv = Gpmf::isKlv(data, size);
    std::vector<TelemetryMoment> moments;
    if (Gpmf::parsePayload(data, size, &moments) != klv)
        broken("read a payload that is no KLV, or left one that is");
    if (!klv && !moments.empty())
        broken("moments from a payload that is no KLV");
    // The fixes of a payload are bounded, and a payload without GPS gives one moment.
    if (moments.size() > Gpmf::kMaxMomentsPerPayload)
        broken("more moments than a payload may give");
    for (const TelemetryMoment &m : moments) {
        if (m.hasFix && !(std::fabs(m.latitude) <= 90 && std::fabs(m.longitude) <= 180 &&
                          (m.latitude != 0 || m.longitude != 0)))
            broken("a position out of range");
        if (m.hasSpeed && !(m.speedKmh >= 0 && std::isfinite(m.speedKmh)))
            broken("a speed below 0 or not finite");
        if (m.hasCourse)
            broken("a course GPMF does not carry");
    }
    // A payload cut anywhere is checked without reading past its end.
    if (size > 8) {
        std::vector<uint8_t> cut(data, data + size / 2);
        Gpmf::isKlv(cut.data(), cut.size());
    }
    return 0;
}
