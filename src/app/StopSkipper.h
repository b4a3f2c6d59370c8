// Playback ▸ Skip Stops: while the engine plays forwards, a stretch in which the car
// stands still (StopStretches) is jumped over with one seek when play reaches it, and
// the user is told how long the stop was. A seek into the middle of a stop is the
// user's choice and is played; so are stops in reverse and while paused.
#pragma once

#include "telemetry/StopStretches.h"

#include <QObject>
#include <QString>

#include <optional>
#include <vector>

class MediaEngine;

class StopSkipper : public QObject {
    Q_OBJECT
public:
    explicit StopSkipper(MediaEngine &engine, QObject *parent = nullptr);

    // The playing clip's stops, in its picture's seconds.
    void setStops(std::vector<StopStretches::Stretch> stops);
    const std::vector<StopStretches::Stretch> &stops() const { return stops_; }
    void setEnabled(bool on);
    bool isEnabled() const { return enabled_; }

    // "Skipped a 4 min stop", "Skipped a 45 s stop", "Skipped a 1 h 05 min stop".
    static QString skippedText(double seconds);

signals:
    // A stop of `seconds` was jumped over.
    void skipped(double seconds);

private:
    void onTime(double seconds);

    MediaEngine &engine_;
    std::vector<StopStretches::Stretch> stops_;
    bool enabled_ = false;
    bool seeking_ = false;
    std::optional<double> from_;   // where play went on from since the last tick or landing
};
