#include "DriveTelemetry.h"

#include "IndexRule.h"

#include "GpsGlitches.h"
#include "TelemetryEvents.h"
#include "TripDistance.h"
#include "TripTimeline.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

#include <algorithm>

QString cameraPattern(const QString &fileName)
{
    const QUrl url(fileName, QUrl::TolerantMode);
    const QString path = url.isLocalFile() ? url.toLocalFile() : fileName;
    static const QRegularExpression digits(QStringLiteral("\\d+"));
    const QFileInfo info(path);
    const QString name = info.completeBaseName().toCaseFolded().replace(digits, QStringLiteral("#"));
    return info.suffix().isEmpty() ? name : name + QLatin1Char('.') + info.suffix().toCaseFolded();
}

std::shared_ptr<const std::vector<TelemetrySample>> countedSamples(const PlayListEntry &entry, bool clean)
{
    std::shared_ptr<const std::vector<TelemetrySample>> samples = entry.typedSamples();
    if (!clean)
        return samples;
    std::vector<TelemetrySample> marked =
        GpsGlitches::marked(*samples, entry.durationMs > 0 ? double(entry.durationMs) / 1000.0 : 0.0);
    return GpsGlitches::count(marked) ? std::make_shared<const std::vector<TelemetrySample>>(std::move(marked))
                                      : samples;
}

double ClipTelemetry::seconds() const
{
    return durationMs > 0 ? double(durationMs) / 1000.0 : double(samples->size());
}

ClipTelemetry ClipTelemetry::of(const PlayListEntry &entry, bool clean)
{
    ClipTelemetry c;
    c.entry = entry.id;
    c.path = entry.path;
    c.records = entry.gpsData;
    c.counted = entry.gpsData;
    c.samples = countedSamples(entry, clean);
    c.maxSpeed = entry.maxSpeed;
    c.startMs = entry.startMs;
    c.durationMs = entry.durationMs;
    c.layout = entry.layout;
    c.broken = entry.health.kind != RecordingHealth::Kind::Whole && entry.health.kind != RecordingHealth::Kind::Unreadable;
    c.clock = entry.clock;
    const std::vector<TelemetrySample> &s = *c.samples;
    if (GpsGlitches::count(s) > 0) {
        c.maxSpeed = GpsGlitches::maxSpeedKmh(s);
        for (size_t i = 0; i < s.size(); ++i) {
            if (!s[i].glitches || qsizetype(i) >= c.counted.size())
                continue;
            c.glitches << int(i);
            // Without a fix no figure, curve or event takes the reading.
            GpsSample &blank = c.counted[qsizetype(i)];
            blank.gps_lat.clear();
            blank.gps_lgt.clear();
            if (s[i].glitches & TelemetrySample::SpeedGlitch)
                blank.spd = 0;
        }
    }
    c.positions.reserve(qsizetype(s.size()));
    c.gsensor.reserve(qsizetype(s.size()));
    for (size_t i = 0; i < s.size(); ++i) {
        if (hasRoutePosition(s[i]))
            c.positions << int(i);
        if (DriveTelemetry::gsensorAccepted(s[i]))
            c.gsensor << int(i);
    }
    return c;
}

DriveTelemetry::DriveTelemetry(QObject *parent) : QObject(parent)
{
    qRegisterMetaType<ClipTelemetry>();
    qRegisterMetaType<TripTelemetry>();
    qRegisterMetaType<TelemetryMoment>();
}

bool DriveTelemetry::gsensorAccepted(const TelemetrySample &s)
{
    const auto in = [](float v) { return v >= -4.0f && v <= 4.0f; };
    return s.hasG && in(s.gx) && in(s.gy) && in(s.gz);
}

TelemetryMoment momentOf(const ClipTelemetry &clip, double seconds, double duration)
{
    TelemetryMoment m;
    m.seconds = seconds;
    const std::vector<TelemetrySample> &s = *clip.samples;
    // The sample's own time of the picture at `seconds`.
    const double at = TelemetryEvents::pictureTime(seconds, -clip.offsetMs);
    m.sample = IndexRule::indexFor(at, duration, std::int64_t(s.size()));
    m.position = IndexRule::indexFor(at, duration, clip.positions.size());
    // The G read-outs have always used the single-precision variant of the rule.
    m.gsensor = IndexRule::indexForSingle(at, float(duration), clip.gsensor.size());
    if (m.sample >= 0)
        m.atSample = s[size_t(m.sample)];
    if (m.position >= 0)
        m.atPosition = s[size_t(clip.positions.at(m.position))];
    if (m.gsensor >= 0)
        m.atGsensor = s[size_t(clip.gsensor.at(m.gsensor))];
    return m;
}

TelemetryMoment DriveTelemetry::momentAt(double seconds) const
{
    return momentOf(clip_, seconds, duration_);
}

std::optional<GpsSample> DriveTelemetry::record(int index) const
{
    if (index < 0 || index >= clip_.records.size())
        return std::nullopt;
    return clip_.records.at(index);
}

void DriveTelemetry::follow(const PlayListEntry *entry)
{
    if (!entry)
        return;
    entry_ = *entry;
    const int before = clip_.offsetMs;
    clip_ = ClipTelemetry::of(*entry, clean_);
    clip_.offsetMs = offsetFor(clip_.path);
    moment_ = TelemetryMoment();
    emit clipChanged(clip_);
    announceOffset(before);

}

QString DriveTelemetry::cameraPattern() const
{
    return entry_ ? ::cameraPattern(clip_.path) : QString();
}

int DriveTelemetry::offsetFor(const QString &path) const
{
    return offsets_.value(::cameraPattern(path)).toInt();
}

void DriveTelemetry::announceOffset(int before)
{
    if (clip_.offsetMs != before)
        emit offsetChanged(clip_.offsetMs);
}

void DriveTelemetry::setTelemetryOffsets(const QVariantMap &offsets)
{
    offsets_ = offsets;
    const int before = clip_.offsetMs;
    clip_.offsetMs = entry_ ? offsetFor(clip_.path) : 0;
    if (clip_.offsetMs == before && std::none_of(trip_.clips.cbegin(), trip_.clips.cend(), [this](const ClipTelemetry &c) {
            return c.offsetMs != offsetFor(c.path);
        }))
        return;
    for (ClipTelemetry &c : trip_.clips)
        c.offsetMs = offsetFor(c.path);
    if (trip_.playing >= 0)
        emit tripChanged(trip_);
    announceOffset(before);
    if (entry_) {
        moment_ = momentAt(moment_.seconds);
        emit momentChanged(moment_);
    }
}

void DriveTelemetry::followTrip(const PlayList &clips, int playing)
{
    tripEntries_ = clips;
    TripTelemetry trip;
    trip.playing = playing;
    std::vector<std::optional<int64_t>> starts;
    std::vector<double> durations;
    std::vector<ClipRoute> routes;
    for (const PlayListEntry &e : clips) {
        // The playing clip's views are made once, for the clip itself.
        trip.clips << (e.id == clip_.entry ? clip_ : ClipTelemetry::of(e, clean_));
        trip.clips.last().offsetMs = offsetFor(e.path);
        const ClipTelemetry &c = trip.clips.constLast();
        starts.push_back(c.startMs);
        durations.push_back(c.seconds());
        routes.push_back(ClipRoute{c.startMs, c.durationMs, c.samples->data(), c.samples->size()});
    }
    for (const double offset : tripOffsets(starts, durations))
        trip.offsets << offset;
    trip.metres = tripMetres(routes);
    trip_ = trip;
    emit tripChanged(trip_);
}

void DriveTelemetry::setDuration(double seconds)
{
    duration_ = seconds;
    emit durationChanged(seconds);
}

void DriveTelemetry::tick(double seconds)
{
    moment_ = momentAt(seconds);
    emit momentChanged(moment_);
}

void DriveTelemetry::setCleanGps(bool clean)
{
    if (clean == clean_)
        return;
    clean_ = clean;
    if (!entry_)
        return;
    const int offset = clip_.offsetMs;
    clip_ = ClipTelemetry::of(*entry_, clean_);
    clip_.offsetMs = offset;
    moment_ = momentAt(moment_.seconds);
    emit clipChanged(clip_);
    if (trip_.playing >= 0)
        followTrip(tripEntries_, trip_.playing);
}
