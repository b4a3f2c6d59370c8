// The driving event thresholds as the user set them, with the defaults for anything
// missing or out of range.
#pragma once

#include "TelemetryEvents.h"

class EventSettings {
public:
    EventSettings() = delete;

    static EventThresholds thresholds();
    // Stores all four and posts "event_settings_notification" once.
    static void setThresholds(const EventThresholds &t);
};
