#include "MprisRules.h"

#include "modules/IndexRule.h"

#include <QDBusObjectPath>
#include <QFileInfo>
#include <QUrl>

#include <cmath>

namespace MprisRules {

QString noTrack()
{
    return QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");
}

QString trackIdForRow(qint64 row)
{
    if (row < 0)
        return noTrack();
    return QStringLiteral("/org/mpris/MediaPlayer2/veltra/track/%1").arg(row);
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
    return QString();
}

std::optional<GpsSample> sampleAt(const QList<GpsSample> &samples, double seconds, double lengthSeconds)
{
    const int i = IndexRule::indexFor(seconds, lengthSeconds, samples.size());
    if (i < 0)
        return std::nullopt;
    return samples[i];
}

QVariantMap metadata(qint64 row, const QString &url, double lengthSeconds, const std::optional<GpsSample> &sample)
{
    QVariantMap m;
    if (row < 0 || url.isEmpty()) {
        m.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(noTrack())));
        return m;
    }
    m.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(trackIdForRow(row))));
    if (lengthSeconds > 0)
        m.insert(QStringLiteral("mpris:length"), toMicroseconds(lengthSeconds));
    m.insert(QStringLiteral("xesam:url"), url);
    m.insert(QStringLiteral("xesam:title"), QUrl(url).fileName());
    if (sample) {
        m.insert(QStringLiteral("veltra:speedKmh"), sample->spd);
        bool latOk = false, lonOk = false;
        const double lat = QString::fromStdString(sample->gps_lat).toDouble(&latOk);
        const double lon = QString::fromStdString(sample->gps_lgt).toDouble(&lonOk);
        if (latOk && lonOk && (lat != 0 || lon != 0)) {
            m.insert(QStringLiteral("veltra:latitude"), lat);
            m.insert(QStringLiteral("veltra:longitude"), lon);
        }
    }
    return m;
}

} // namespace MprisRules
