#include "RecordingFiles.h"

#include "common/Localization.h"

#include "BinaryFile.h"
#include "GpsDataHelper.h"

#include <QFileInfo>

QString RecordingFiles::problem(const QUrl &url)
{
    const QString reference = url.toString(QUrl::FullyEncoded);
    std::string path;
    int error = 0;
    if (!url.isLocalFile() || !GpsDataHelper::referenceToPath(reference.toStdString(), &path, &error))
        return Localization::text("%1 is not a file that can be opened.").arg(reference);
    error = BinaryFile::regularFileError(path);
    if (error == 0)
        return QString();
    const QString name = QFileInfo(QString::fromStdString(path)).fileName();
    const QString reason = error == BinaryFile::kNotRegularFile
                               ? Localization::text("not a video file but a device, pipe or socket")
                               : QString::fromStdString(BinaryFile::errorText(error));
    return Localization::text("%1 was not added: %2").arg(name, reason);
}

RecordingCheck RecordingFiles::check(const QList<QUrl> &urls)
{
    RecordingCheck out;
    for (const QUrl &url : urls) {
        const QString why = problem(url);
        if (why.isEmpty())
            out.accepted << url;
        else
            out.refused << why;
    }
    return out;
}
