// The driving event thresholds as the user set them, with the defaults for anything
// missing or out of range.
#pragma once

#include "TelemetryEvents.h"

class Settings;

class EventSettings {
public:
    EventSettings() = delete;

    static EventThresholds thresholds(const Settings &settings);
    // Stores all four; the settings announce them once.
    static void setThresholds(Settings &settings, const EventThresholds &t);
};
