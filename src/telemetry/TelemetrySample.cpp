#include "TelemetrySample.h"

#include "ClipTime.h"
#include "GpsDataHelper.h"

TelemetrySample TelemetrySample::fromGps(const GpsSample &s)
{
    return fromGps(s, SentenceTime{});
}

TelemetrySample TelemetrySample::fromGps(const GpsSample &s, const SentenceTime &time)
{
    TelemetrySample t;
    t.hasFix = !s.gps_lat.empty() && !s.gps_lgt.empty();
    t.latitude = GpsDataHelper::textToFloat(s.gps_lat);
    t.longitude = GpsDataHelper::textToFloat(s.gps_lgt);
    t.speedKmh = s.spd;
    t.course = s.north_angle;
    t.gx = s.gsensor_x;
    t.gy = s.gsensor_y;
    t.gz = s.gsensor_z;
    t.utcMs = ClipTime::sentenceMs(time);
    return t;
}

std::vector<TelemetrySample> TelemetrySample::fromRead(const GpsReadResult &result)
{
    std::vector<TelemetrySample> out;
    out.reserve(result.videoDatas.size());
    const bool timed = result.times.size() == result.videoDatas.size();
    for (size_t i = 0; i < result.videoDatas.size(); ++i)
        out.push_back(fromGps(result.videoDatas[i], timed ? result.times[i] : SentenceTime{}));
    return out;
}
