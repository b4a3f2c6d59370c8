#include "TrackExport.h"

#include "common/SafeFile.h"
#include "ExtractJob.h"
#include "TripDocument.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPointer>
#include <QThreadPool>

std::optional<ExtractorOptions::Format> TrackExport::formatOf(const QString &fileName)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == QLatin1String("gpx"))
        return ExtractorOptions::Format::Gpx;
    if (suffix == QLatin1String("kml"))
        return ExtractorOptions::Format::Kml;
    if (suffix == QLatin1String("csv"))
        return ExtractorOptions::Format::Csv;
    return std::nullopt;
}

QString TrackExport::settledName(const QString &typed, const QString &filter)
{
    if (formatOf(typed))
        return typed;
    const qsizetype star = filter.indexOf(QLatin1String("*."));
    QString suffix = star < 0 ? QString() : filter.mid(star + 2).section(QLatin1Char(')'), 0, 0).toLower();
    if (!formatOf(QLatin1String("track.") + suffix))
        suffix = QStringLiteral("gpx");
    return typed + QLatin1Char('.') + suffix;
}

QByteArray TrackExport::document(ExtractorOptions::Format format, const QList<QUrl> &clips, qint64 gapMs)
{
    std::vector<ClipRecord> records;
    records.reserve(size_t(clips.size()));
    for (const QUrl &url : clips) {
        ClipRecord r;
        const QString path = url.isLocalFile() ? url.toLocalFile() : url.toString();
        if (ExtractJob::readClip(path.toStdString(), &r).empty())
            records.push_back(std::move(r));
    }
    return QByteArray::fromStdString(TripDocument::write(format, records, gapMs));
}

void TrackExport::exportTo(const QString &fileName, const QList<QUrl> &clips, qint64 gapMs,
                           std::function<void(const QString &error)> done)
{
    const std::optional<ExtractorOptions::Format> format = formatOf(fileName);
    if (!format) {
        if (done)
            done(QStringLiteral("unknown format"));
        return;
    }
    QObject *hub = QCoreApplication::instance();
    QThreadPool::globalInstance()->start([fileName, clips, gapMs, format, done, hub] {
        const QByteArray text = document(*format, clips, gapMs);
        QString error;
        if (!SafeFile::replace(fileName, text, &error) && error.isEmpty())
            error = QStringLiteral("cannot be written");
        QMetaObject::invokeMethod(hub, [done, error] {
            if (done)
                done(error);
        }, Qt::QueuedConnection);
    });
}
