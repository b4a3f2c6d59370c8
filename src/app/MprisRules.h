// The arithmetic and the texts behind the remote control (MPRIS) service, free of
// the bus and of the window: track ids, the playback status, time units, what a
// position request may do, what a remote open may open, and the metadata map.
#pragma once

#include "telemetry/GpsSample.h"

#include <QList>
#include <QString>
#include <QVariantMap>

#include <optional>

namespace MprisRules {

// The object path standing for "no track".
QString noTrack();
// The track id of play-list row `row`; noTrack() for a row < 0.
QString trackIdForRow(qint64 row);

// "Playing", "Paused" or "Stopped" (nothing ready to play).
QString playbackStatus(bool ready, bool playing, bool paused);

// Seconds <-> microseconds, rounded to the nearest microsecond.
qint64 toMicroseconds(double seconds);
double toSeconds(qint64 microseconds);

// SetPosition: the second to go to, or nothing when the request is to be ignored
// (another track's id, a position below 0 or past the end, nothing playing).
std::optional<double> setPositionTarget(const QString &trackId, const QString &currentTrackId,
                                        qint64 positionUs, double lengthSeconds);

// Seek: the second `offsetUs` away from `nowSeconds`, not before 0. A target past the
// end (the standard's "go to the next track") comes back as is; the caller tells.
double seekTarget(double nowSeconds, qint64 offsetUs);

// What keeps `uri` from being opened: an empty text when it names an existing file,
// else why not (not a file URL, no such file, a folder).
QString openUriProblem(const QString &uri);

// The sample shown at `seconds` of a file of `lengthSeconds` (the rule the panels use),
// or nothing.
std::optional<GpsSample> sampleAt(const QList<GpsSample> &samples, double seconds, double lengthSeconds);

// The Metadata map of play-list row `row` playing `url` (the entry's URL text):
// mpris:trackid, mpris:length (when known), xesam:url, xesam:title (the file name), and
// veltra:speedKmh, veltra:latitude, veltra:longitude of `sample` (the position only
// when the sample has a fix). Only the track id when there is no row.
QVariantMap metadata(qint64 row, const QString &url, double lengthSeconds, const std::optional<GpsSample> &sample);

} // namespace MprisRules
