// The arithmetic and the texts behind the remote control (MPRIS) service, free of
// the bus and of the window: track ids, the playback status, time units, what a
// position request may do, what a remote open may open, what a second start hands
// over, and the metadata map.
#pragma once

#include "ExportLocation.h"
#include "telemetry/GpsSample.h"

#include <QList>
#include <QString>
#include <QUrl>
#include <QVariantMap>

#include <optional>

namespace MprisRules {

// The object path standing for "no track".
QString noTrack();
// The track id of the play-list entry with id `entryId` (PlayListEntry::id, which the
// entry keeps as rows come and go); noTrack() for 0.
QString trackId(quint64 entryId);

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

// What a start of the program asks for, from its own command line or handed over by a
// second start: the files in order (the first plays), the second the first one starts
// at, and full screen.
struct OpenRequest {
    QList<QUrl> files;
    double startAt = 0;
    bool fullScreen = false;
};
// The options of a request as they go over the bus: "start-at" (seconds, a double) and
// "fullscreen" (a bool), each only when asked for.
QVariantMap openOptions(const OpenRequest &request);
// Reads such options into `request`: an empty text, or why they cannot be used (an
// option of the wrong type, a start-at that is not a finite number of seconds from 0
// on). Options of other names are left alone.
QString readOpenOptions(const QVariantMap &options, OpenRequest *request);

// The Metadata map of the play-list entry `entryId` playing `url` (the entry's URL text):
// mpris:trackid, mpris:length (when known), xesam:url, xesam:title (the file name), and
// veltra:speedKmh, veltra:latitude, veltra:longitude of `sample` (the speed only when
// the camera recorded one, the position only when the sample has a fix; one coordinate
// may be 0). The bus gets what an export would: with `location` Coarse the position
// rounded to two decimals of a degree, with None neither position nor speed. Only the
// track id when there is no entry (0).
QVariantMap metadata(quint64 entryId, const QString &url, double lengthSeconds, const std::optional<GpsSample> &sample,
                     bool speedRecorded = true, ExportLocation location = ExportLocation::Full);

} // namespace MprisRules
