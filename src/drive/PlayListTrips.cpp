#include "PlayListTrips.h"

#include "DriveTelemetry.h"
#include "PlayListRules.h"
#include "common/AppUtils.h"
#include "common/Localization.h"

#include "CameraClock.h"
#include "ClipTime.h"
#include "TripDistance.h"
#include "TripGrouping.h"

#include <QDateTime>
#include <QUrl>

#include <algorithm>

QList<PlayListTrip> PlayListTrips::group(const PlayList &list, qint64 gapMs, bool clean)
{
    std::vector<TripClip> clips;
    std::vector<ClipClock> clocks;
    clips.reserve(size_t(list.size()));
    clocks.reserve(size_t(list.size()));
    for (const PlayListEntry &e : list) {
        const std::string path = PlayListRules::localPath(e.path).toStdString();
        clips.push_back(TripClip{e.path.toStdString(), e.startMs, e.durationMs, ClipTime::channel(path)});
        clocks.push_back(e.clock ? *e.clock : ClipClock());
    }
    CameraClock::shareErrors(clocks, clips, gapMs);
    QList<PlayListTrip> out;
    std::vector<std::optional<int64_t>> errors;
    const std::vector<Trip> trips = CameraClock::trueTimeTrips(clips, clocks, gapMs, &errors);
    for (size_t k = 0; k < trips.size(); ++k) {
        const Trip &t = trips[k];
        PlayListTrip trip;
        trip.startMs = t.startMs;
        trip.endMs = t.endMs;
        trip.channel = t.channel;
        trip.errorMs = errors[k];
        // Moved by its error, or made of clips known by their GPS time only.
        const auto gpsOnly = [&](size_t i) {
            return clocks[i].utcStartMs && (!clips[i].startMs || *clips[i].startMs < CameraClock::kClockSetAfterMs);
        };
        trip.utc = errors[k] || (t.startMs && std::all_of(t.clips.begin(), t.clips.end(), gpsOnly));
        std::vector<std::shared_ptr<const std::vector<TelemetrySample>>> typed;
        std::vector<ClipRoute> routes;
        for (const size_t i : t.clips) {
            trip.rows << int(i);
            trip.clocks << std::make_shared<const ClipClock>(clocks[i]);
            const PlayListEntry &e = list.at(qsizetype(i));
            typed.push_back(countedSamples(e, clean));
            routes.push_back(ClipRoute{e.startMs, e.durationMs, typed.back()->data(), typed.back()->size()});
        }
        trip.metres = tripMetres(routes);
        out << trip;
    }
    return out;
}

QList<int> PlayListTrips::tripOfRows(const QList<PlayListTrip> &trips, int rowCount)
{
    QList<int> of(rowCount, -1);
    for (int t = 0; t < trips.size(); ++t)
        for (int row : trips.at(t).rows)
            if (row >= 0 && row < rowCount)
                of[row] = t;
    return of;
}

QList<int> PlayListTrips::timeOrder(const QList<PlayListTrip> &trips, int rowCount)
{
    QList<int> order;
    order.reserve(rowCount);
    for (const PlayListTrip &t : trips)
        order << t.rows;
    const QList<int> of = tripOfRows(trips, rowCount);
    for (int row = 0; row < rowCount; ++row)
        if (of[row] < 0)
            order << row;
    return order;
}

QString PlayListTrips::rowTime(const ClipClock &clock, const TimeChoice &choice)
{
    const std::optional<int64_t> start = clock.startMs();
    if (!start || choice.kind == TimeChoice::Camera)
        return QString();   // the name's time, as the camera wrote it
    // The zone is named in the trip's caption; the column has no room for it.
    return ClockText::shown(*start, clock.isUtc(), clock.errorMs, choice).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

QString PlayListTrips::cameraName(char channel)
{
    switch (channel) {
    case 'F': return Localization::text("playlist_trip_front");
    case 'R': return Localization::text("playlist_trip_rear");
    case 'I': return Localization::text("playlist_trip_interior");
    case ClipTime::kLeftRepeater: return Localization::text("playlist_camera_left_repeater");
    case ClipTime::kRightRepeater: return Localization::text("playlist_camera_right_repeater");
    case ClipTime::kLeftPillar: return Localization::text("playlist_camera_left_pillar");
    case ClipTime::kRightPillar: return Localization::text("playlist_camera_right_pillar");
    default: return QString();
    }
}

QString PlayListTrips::caption(const PlayListTrip &trip, bool kmph, const TimeChoice &choice,
                               const QList<char> &cameras)
{
    const int n = int(trip.rows.size());
    const QString count = n == 1 ? Localization::text("playlist_trip_one_clip")
                                 : Localization::text("playlist_trip_clips").arg(n);
    // The cameras that recorded the drive: those of its moments, else its channel's.
    QString camera;
    if (cameras.size() > 3) {
        camera = Localization::text("playlist_trip_more_cameras").arg(cameraName(cameras.first())).arg(cameras.size() - 1);
    } else if (cameras.size() > 1) {
        QStringList names;
        for (char c : cameras)
            names << cameraName(c);
        camera = names.join(QStringLiteral(" + "));
    } else {
        camera = cameraName(trip.channel == 'F' || trip.channel == 'R' || trip.channel == 'I' ? trip.channel : 0);
    }
    if (!camera.isEmpty())
        camera += QStringLiteral(" · ");
    if (!trip.startMs || !trip.endMs)
        return camera + Localization::text("playlist_trip_no_time") + QStringLiteral(" · ") + count;
    const QDateTime start = ClockText::shown(*trip.startMs, trip.utc, trip.errorMs, choice);
    const QDateTime end = ClockText::shown(*trip.endMs, trip.utc, trip.errorMs, choice);
    QString span = start.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")) + QChar(0x2013);
    span += end.date() == start.date() ? end.toString(QStringLiteral("hh:mm:ss"))
                                       : end.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    if (trip.utc)
        span += ClockText::zoneSuffix(end, choice);
    return camera + span + QStringLiteral(" · ") + count + QStringLiteral(" · ") +
           AppUtils::distanceText(float(trip.metres), kmph);
}

QList<QUrl> PlayListTrips::clips(const PlayListTrip &trip, const PlayList &list)
{
    QList<QUrl> urls;
    for (int row : trip.rows)
        if (row >= 0 && row < list.size())
            urls << QUrl(list.at(row).path, QUrl::TolerantMode);
    return urls;
}

QList<QUrl> PlayListTrips::shownOfMoments(const QList<QUrl> &urls)
{
    std::vector<TripClip> clips;
    clips.reserve(size_t(urls.size()));
    for (const QUrl &url : urls) {
        const std::string path = (url.isLocalFile() ? url.toLocalFile() : url.path()).toStdString();
        const std::optional<CivilTime> named = ClipTime::fromFileName(path);
        clips.push_back(TripClip{url.toString().toStdString(),
                                 named ? std::optional<int64_t>(ClipTime::toMs(*named)) : std::nullopt, -1,
                                 ClipTime::channel(path)});
    }
    std::vector<bool> waits(clips.size(), false);
    for (const ClipMoment &m : groupMoments(clips))
        for (const size_t k : m.clips)
            waits[k] = k != m.shown;
    QList<QUrl> shown;
    for (qsizetype k = 0; k < urls.size(); ++k)
        if (!waits[size_t(k)])
            shown << urls.at(k);
    return shown;
}
