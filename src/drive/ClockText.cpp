#include "ClockText.h"

#include "common/Localization.h"

#include "CameraClock.h"
#include "ClipTime.h"

#include <QTimeZone>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

TimeChoice TimeChoice::of(const QString &clock, const QByteArray &zone)
{
    TimeChoice c;
    if (clock == QLatin1String("utc"))
        c.kind = Utc;
    else if (clock == QLatin1String("system"))
        c.kind = System;
    else if (clock == QLatin1String("zone") && QTimeZone::isTimeZoneIdAvailable(zone))
        c = TimeChoice{Zone, zone};
    return c;
}

namespace ClockText {

QDateTime shown(qint64 ms, bool utc, std::optional<qint64> errorMs, const TimeChoice &choice)
{
    const auto civil = [](qint64 at) {
        const CivilTime c = ClipTime::fromMs(at);
        return QDateTime(QDate(c.year, c.month, c.day), QTime(c.hour, c.minute, c.second), Qt::UTC);
    };
    if (!utc)
        return civil(ms);
    const QDateTime at = QDateTime::fromMSecsSinceEpoch(ms - ms % 1000, Qt::UTC);
    switch (choice.kind) {
    case TimeChoice::Camera: return errorMs ? civil(ms + *errorMs) : at;
    case TimeChoice::Utc: return at;
    case TimeChoice::System: return at.toLocalTime();
    case TimeChoice::Zone: return at.toTimeZone(QTimeZone(choice.zone));
    }
    return at;
}

QString zoneSuffix(const QDateTime &shown, const TimeChoice &choice)
{
    switch (choice.kind) {
    case TimeChoice::Camera: return QString();
    case TimeChoice::Utc: return QStringLiteral(" UTC");
    case TimeChoice::System:
    case TimeChoice::Zone: return QLatin1Char(' ') + shown.timeZoneAbbreviation();
    }
    return QString();
}

QString timeOfDay(const ClipClock &clock, double seconds, const TimeChoice &choice, const QString &format)
{
    const auto into = int64_t(std::floor(std::max(0.0, seconds) * 1000.0));
    if (const std::optional<int64_t> utc = clock.utcAt(into)) {
        const QDateTime at = shown(*utc, true, clock.errorMs, choice);
        return at.toString(format) + zoneSuffix(at, choice);
    }
    if (const std::optional<int64_t> camera = clock.cameraAt(into))
        return shown(*camera, false, clock.errorMs, choice).toString(format);
    return QString();
}

QString span(qint64 ms)
{
    const qint64 s = (std::llabs(ms) + 500) / 1000;
    const auto two = [](qint64 v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
    if (s >= 3600)
        return Localization::text("clock_span_hms").arg(s / 3600).arg(two(s / 60 % 60), two(s % 60));
    if (s >= 60)
        return Localization::text("clock_span_ms").arg(s / 60).arg(two(s % 60));
    return Localization::text("clock_span_s").arg(s);
}

QString error(std::optional<qint64> errorMs)
{
    if (!errorMs)
        return QString();
    if (std::llabs(*errorMs) < 500)
        return Localization::text("clock_agrees");
    return Localization::text(*errorMs > 0 ? "clock_ahead" : "clock_behind").arg(span(*errorMs));
}

QString clip(const ClipClock &c)
{
    QStringList lines;
    if (c.errorMs)
        lines << error(c.errorMs) + (c.errorFromOtherClips ? QStringLiteral(" ") + Localization::text("clock_from_trip")
                                                            : QString());
    switch (c.source) {
    case ClipClock::Source::Gps: lines << Localization::text("clock_source_gps"); break;
    case ClipClock::Source::Name:
        lines << Localization::text(c.isUtc() ? "clock_source_name_utc" : "clock_source_name");
        break;
    case ClipClock::Source::Movie:
        lines << Localization::text(c.isUtc() ? "clock_source_movie_utc" : "clock_source_movie");
        break;
    case ClipClock::Source::None: lines << Localization::text("clock_source_none"); break;
    }
    using O = ClockReading::Outcome;
    switch (c.reading.outcome) {
    case O::RolloverCorrected: lines << Localization::text("clock_rollover"); break;
    case O::CameraClockUnset: lines << Localization::text("clock_unset"); break;
    case O::NoGpsDate: lines << Localization::text("clock_no_gps_date"); break;
    case O::GpsDateImplausible: lines << Localization::text("clock_implausible"); break;
    case O::Measured:
    case O::NoCameraTime:
    case O::NoFix: break;
    }
    return lines.join(QLatin1Char('\n'));
}

QString trip(const QList<ClipClock> &clocks)
{
    std::vector<std::optional<int64_t>> measured;
    int gps = 0;
    for (const ClipClock &c : clocks) {
        measured.push_back(c.reading.errorMs);
        gps += c.source == ClipClock::Source::Gps;
    }
    QStringList lines;
    if (const std::optional<int64_t> e = CameraClock::tripError(measured))
        lines << error(*e);
    lines << (gps ? Localization::text("clock_trip_gps").arg(gps).arg(clocks.size())
                  : Localization::text("clock_trip_no_gps"));
    return lines.join(QLatin1Char('\n'));
}

QString telemetryOffset(int ms)
{
    if (ms == 0)
        return Localization::text("telemetry_in_step");
    return Localization::text(ms > 0 ? "telemetry_earlier" : "telemetry_later").arg(std::abs(ms));
}

} // namespace ClockText
