#include "EventSettings.h"

#include "common/Settings.h"

EventThresholds EventSettings::thresholds(const Settings &settings)
{
    const EventThresholds d;
    EventThresholds t;
    t.speedChangeKmh = settings.eventSpeedChangeKmh().value_or(d.speedChangeKmh);
    t.harshG = settings.eventHarshG().value_or(d.harshG);
    t.impactG = settings.eventImpactG().value_or(d.impactG);
    t.overSpeedKmh = settings.eventOverSpeedKmh().value_or(0.0);
    return t;
}

void EventSettings::setThresholds(Settings &settings, const EventThresholds &t)
{
    settings.setEventThresholds(t.speedChangeKmh, t.harshG, t.impactG, t.overSpeedKmh);
}
