// The trips of the play list: which rows form each drive, in which order they play,
// and the caption the table shows above a trip's first row. Pure functions over the
// entries (their paths, recording times, durations and samples).
#pragma once

#include "ClockText.h"
#include "store/PlayListEntry.h"

#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

struct PlayListTrip {
    QList<int> rows;                 // the trip's rows, in time order
    // On true time (UTC) when `utc`, else on the count of ClipTime (the camera's clock, its
    // error unknown); none for a clip without time.
    std::optional<qint64> startMs;
    std::optional<qint64> endMs;
    bool utc = false;
    std::optional<qint64> errorMs;   // the trip's camera error (CameraClock::tripError)
    char channel = 0;
    double metres = 0;               // the trip's distance (tripMetres)
    // The clock of each row, errors shared across the card (CameraClock::shareErrors).
    QList<std::shared_ptr<const ClipClock>> clocks;
};

class PlayListTrips {
public:
    PlayListTrips() = delete;

    // The trips of `list` in order of their true starts (CameraClock::trueTimeTrips); a
    // path listed twice belongs to the trip of its first row only. Clean, GPS glitches add no distance. A clip
    // without a GPS time of its own takes the camera's error from the clips around it.
    static QList<PlayListTrip> group(const PlayList &list, qint64 gapMs, bool clean = false);

    // The trip of each row (index into `trips`), -1 for a row in none.
    static QList<int> tripOfRows(const QList<PlayListTrip> &trips, int rowCount);

    // The order of rows that puts the trips one after another, each in time order:
    // element k is the old row that goes to k. Rows in no trip keep their place
    // after the trip rows, in their order.
    static QList<int> timeOrder(const QList<PlayListTrip> &trips, int rowCount);

    // "2026-11-08 09:30:00–09:33:00 · 3 clips · 2.41 km" (the end with its date when
    // it falls on another day; the distance in the speed unit's distance unit), led by
    // the cameras that recorded it: "Front + Rear · " for the channels `cameras` of its
    // moments, "Front + 5 cameras · " for more than three, "Rear · " for a camera channel
    // alone; for a trip without time "No recording time · 1 clip".
    // The times are on `choice`'s clock, followed by the zone's name.
    static QString caption(const PlayListTrip &trip, bool kmph, const TimeChoice &choice = {},
                           const QList<char> &cameras = {});
    // "Front", "Rear", "Cabin", "Left repeater" …: the camera of a channel; empty for none.
    static QString cameraName(char channel);
    // "2026-11-08 08:30:00": a row's start on `choice`'s clock; empty for the camera's
    // clock (the name's time stands) and when its clock knows no start.
    static QString rowTime(const ClipClock &clock, const TimeChoice &choice);

    // The trip's clips as URLs in time order.
    static QList<QUrl> clips(const PlayListTrip &trip, const PlayList &list);

    // The files handed in, each moment among them taken in as one entry: of the files of
    // a moment (groupMoments, over the names' times and channels: a front and its rear
    // and cabin, a six-camera minute), only the one the picture shows stays (the front,
    // else the first by channel); the player shows the others beside it. Other files stay
    // as they are, in the order given.
    static QList<QUrl> shownOfMoments(const QList<QUrl> &urls);
};
