// What the play list says of a clip's clock and of a trip's, in its row's and its
// caption's tooltips: by how much the camera's clock is off and where the time came
// from. Pure functions over ClipClock.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

struct ClipClock;

// The clock times are shown on: the camera's own, UTC, this system's time zone or a
// chosen IANA zone.
struct TimeChoice {
    enum Kind { Camera, Utc, System, Zone };
    Kind kind = Camera;
    QByteArray zone;   // for Zone

    // From the stored texts: "utc", "system", "zone" (with an id Qt knows), else the camera's.
    static TimeChoice of(const QString &clock, const QByteArray &zone);
};

namespace ClockText {

// A moment on the chosen clock, as a date and time to print: `ms` is UTC when `utc`,
// else the camera's time (on the count of ClipTime). The camera's time of a UTC moment
// is it plus the camera's error (UTC itself when the error is not known); a moment
// known only on the camera's clock stays as the camera gives it whatever the choice.
QDateTime shown(qint64 ms, bool utc, std::optional<qint64> errorMs, const TimeChoice &choice);
// What follows a time shown on the chosen clock: "" for the camera's, " UTC", or the
// zone's abbreviation at that moment (" CET", " CEST").
QString zoneSuffix(const QDateTime &shown, const TimeChoice &choice);

// The time `seconds` into a clip on the chosen clock in `format` with its zone's suffix
// ("09:30:19", "08:30:15 UTC"); the camera's time, without a suffix, when its UTC is
// not known; empty when neither is.
QString timeOfDay(const ClipClock &clock, double seconds, const TimeChoice &choice,
                  const QString &format = QStringLiteral("hh:mm:ss"));

// "1 h 00 min 04 s", "4 min 02 s", "12 s": a span in whole seconds (rounded).
QString span(qint64 ms);
// "Camera clock 1 h 00 min 04 s ahead of GPS" (or behind); "Camera clock agrees with
// GPS" within half a second; empty when the error is not known.
QString error(std::optional<qint64> errorMs);
// A clip's lines: its error (and that it was taken from the other clips of its trip),
// where its time came from, and what was wrong with the GPS's or the camera's time.
QString clip(const ClipClock &clock);
// A trip's lines: its error (the median of its clips' own) and how many clips have a GPS time.
QString trip(const QList<ClipClock> &clocks);

// "Telemetry 200 ms earlier" (than the picture), "… later", or "Telemetry in step with
// the picture" for 0: a camera's nudge (DriveTelemetry's offset).
QString telemetryOffset(int ms);

} // namespace ClockText
