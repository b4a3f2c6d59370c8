#include "EventSettings.h"

#include "common/AppKeys.h"
#include "common/AppUserDefaults.h"
#include "common/NotificationCenter.h"

#include <cmath>

namespace {

double positive(const char *key, double fallback)
{
    const double v = AppUserDefaults::number(key).value_or(fallback);
    return std::isfinite(v) && v > 0 ? v : fallback;
}

} // namespace

EventThresholds EventSettings::thresholds()
{
    const EventThresholds d;
    EventThresholds t;
    t.speedChangeKmh = positive(AppKeys::EVENT_SPEED_CHANGE, d.speedChangeKmh);
    t.harshG = positive(AppKeys::EVENT_HARSH_G, d.harshG);
    t.impactG = positive(AppKeys::EVENT_IMPACT_G, d.impactG);
    const double over = AppUserDefaults::number(AppKeys::EVENT_OVER_SPEED).value_or(0.0);
    t.overSpeedKmh = std::isfinite(over) && over > 0 ? over : 0.0;
    return t;
}

void EventSettings::setThresholds(const EventThresholds &t)
{
    AppUserDefaults::setValue(AppKeys::EVENT_SPEED_CHANGE, t.speedChangeKmh);
    AppUserDefaults::setValue(AppKeys::EVENT_HARSH_G, t.harshG);
    AppUserDefaults::setValue(AppKeys::EVENT_IMPACT_G, t.impactG);
    AppUserDefaults::setValue(AppKeys::EVENT_OVER_SPEED, t.overSpeedKmh);
    AppUserDefaults::synchronize();
    NotificationCenter::defaultCenter()->postNotificationName(
        QLatin1String(AppKeys::EVENT_SETTINGS_NOTIFICATION));
}
