#include "MprisRules.h"

#include "store/RecordingFiles.h"

#include <QDBusObjectPath>
#include <QFileInfo>
#include <QUrl>

#include <cmath>

namespace MprisRules {

QString noTrack()
{
    return QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");
}

QString trackId(quint64 entryId)
{
    // Outside /org/mpris, which the standard keeps for itself.
    if (entryId == 0)
        return noTrack();
    return QStringLiteral("/io/github/veltra/Player/track/%1").arg(entryId);
}

QString playbackStatus(bool ready, bool playing, bool paused)
{
    if (!ready)
        return QStringLiteral("Stopped");
    if (playing)
        return QStringLiteral("Playing");
    return paused ? QStringLiteral("Paused") : QStringLiteral("Stopped");
}

qint64 toMicroseconds(double seconds)
{
    return qint64(std::llround(seconds * 1e6));
}

double toSeconds(qint64 microseconds)
{
    return double(microseconds) / 1e6;
}

std::optional<double> setPositionTarget(const QString &trackId, const QString &currentTrackId,
                                        qint64 positionUs, double lengthSeconds)
{
    if (currentTrackId == noTrack() || trackId != currentTrackId)
        return std::nullopt;
    if (positionUs < 0 || positionUs > toMicroseconds(lengthSeconds))
        return std::nullopt;
    return toSeconds(positionUs);
}

double seekTarget(double nowSeconds, qint64 offsetUs)
{
    return std::max(0.0, nowSeconds + toSeconds(offsetUs));
}

QString openUriProblem(const QString &uri)
{
    const QUrl url(uri, QUrl::StrictMode);
    if (!url.isValid() || !url.isLocalFile())
        return QStringLiteral("not a file URL: %1").arg(uri);
    const QFileInfo info(url.toLocalFile());
    if (!info.exists())
        return QStringLiteral("no such file: %1").arg(info.filePath());
    if (info.isDir())
        return QStringLiteral("a folder, not a video file: %1").arg(info.filePath());
    return RecordingFiles::problem(url);
}

QVariantMap openOptions(const OpenRequest &request)
{
    QVariantMap options;
    if (request.startAt > 0)
        options.insert(QStringLiteral("start-at"), request.startAt);
    if (request.fullScreen)
        options.insert(QStringLiteral("fullscreen"), true);
    return options;
}

QString readOpenOptions(const QVariantMap &options, OpenRequest *request)
{
    const QVariant startAt = options.value(QStringLiteral("start-at"));
    if (startAt.isValid()) {
        switch (startAt.typeId()) {
        case QMetaType::Double: case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong:
        case QMetaType::ULongLong:
            break;
        default:
            return QStringLiteral("start-at is not a number");
        }
        const double seconds = startAt.toDouble();
        if (!std::isfinite(seconds) || seconds < 0)
            return QStringLiteral("start-at is not a number of seconds: %1").arg(seconds);
        request->startAt = seconds;
    }
    const QVariant fullScreen = options.value(QStringLiteral("fullscreen"));
    if (fullScreen.isValid()) {
        if (fullScreen.typeId() != QMetaType::Bool)
            return QStringLiteral("fullscreen is not true or false");
        request->fullScreen = fullScreen.toBool();
    }
    return QString();
}

QVariantMap metadata(quint64 entryId, const QString &url, double lengthSeconds, const std::optional<GpsSample> &sample,
                     bool speedRecorded, ExportLocation location)
{
    QVariantMap m;
    if (entryId == 0 || url.isEmpty()) {
        m.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(noTrack())));
        return m;
    }
    m.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(trackId(entryId))));
    if (lengthSeconds > 0)
        m.insert(QStringLiteral("mpris:length"), toMicroseconds(lengthSeconds));
    m.insert(QStringLiteral("xesam:url"), url);
    m.insert(QStringLiteral("xesam:title"), QUrl(url).fileName());
    if (sample && location != ExportLocation::None) {
        if (speedRecorded)
            m.insert(QStringLiteral("veltra:speedKmh"), sample->spd);
        bool latOk = false, lonOk = false;
        double lat = QString::fromStdString(sample->gps_lat).toDouble(&latOk);
        double lon = QString::fromStdString(sample->gps_lgt).toDouble(&lonOk);
        if (latOk && lonOk && (lat != 0 || lon != 0)) {
            if (location == ExportLocation::Coarse) {
                lat = std::round(lat * 100) / 100;
                lon = std::round(lon * 100) / 100;
            }
            m.insert(QStringLiteral("veltra:latitude"), lat);
            m.insert(QStringLiteral("veltra:longitude"), lon);
        }
    }
    return m;
}

} // namespace MprisRules
