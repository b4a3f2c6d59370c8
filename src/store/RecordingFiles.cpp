#include "RecordingFiles.h"

#include "common/Localization.h"

#include "BinaryFile.h"
#include "GpsDataHelper.h"

#include <QDirIterator>
#include <QFileInfo>

#include <algorithm>

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

bool RecordingFiles::naturalLess(const QString &a, const QString &b)
{
    // Runs of digits compare by their value ("_9" before "_10"), the rest without case;
    // whatever is left equal, by the texts themselves.
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a.at(i).isDigit() && b.at(j).isDigit()) {
            qsizetype ie = i, je = j;
            while (ie < a.size() && a.at(ie).isDigit())
                ++ie;
            while (je < b.size() && b.at(je).isDigit())
                ++je;
            // Without leading zeros, the longer run is the larger number.
            qsizetype ia = i, jb = j;
            while (ia + 1 < ie && a.at(ia) == QLatin1Char('0'))
                ++ia;
            while (jb + 1 < je && b.at(jb) == QLatin1Char('0'))
                ++jb;
            if (ie - ia != je - jb)
                return ie - ia < je - jb;
            const int c = QStringView(a).mid(ia, ie - ia).compare(QStringView(b).mid(jb, je - jb));
            if (c != 0)
                return c < 0;
            i = ie;
            j = je;
            continue;
        }
        const QChar x = a.at(i).toCaseFolded(), y = b.at(j).toCaseFolded();
        if (x != y)
            return x < y;
        ++i;
        ++j;
    }
    if ((a.size() - i) != (b.size() - j))
        return a.size() - i < b.size() - j;
    return a < b;
}

bool RecordingFiles::isFolder(const QUrl &url)
{
    return url.isLocalFile() && QFileInfo(url.toLocalFile()).isDir();
}

bool RecordingFiles::isRecordingName(const QString &fileName)
{
    if (fileName.startsWith(QLatin1Char('.')))
        return false;
    const int dot = int(fileName.lastIndexOf(QLatin1Char('.')));
    if (dot <= 0)
        return false;
    const QStringView suffix = QStringView(fileName).mid(dot + 1);
    for (const char *known : {"mov", "mp4", "m4v"})
        if (suffix.compare(QLatin1String(known), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

FolderWalk RecordingFiles::expandFolders(const QList<QUrl> &urls, const std::function<void(int)> &found,
                                         const std::atomic_bool *cancel)
{
    FolderWalk out;
    int total = 0;
    for (const QUrl &url : urls) {
        if (!isFolder(url)) {
            out.urls << url;
            continue;
        }
        const QString folder = url.toLocalFile();
        QStringList paths;
        // Files only: links to files are kept (the check looks at what they point to),
        // links to folders are not entered.
        QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            it.next();
            if (cancel && cancel->load()) {
                out.cancelled = true;
                return out;
            }
            if (!isRecordingName(it.fileName()))
                continue;
            paths << it.filePath();
            if (found && (++total % 64) == 0)
                found(total);
        }
        if (paths.isEmpty()) {
            out.emptyFolders << QDir::toNativeSeparators(QDir::cleanPath(folder));
            continue;
        }
        std::sort(paths.begin(), paths.end(),
                  [](const QString &a, const QString &b) { return naturalLess(a, b); });
        for (const QString &p : paths)
            out.urls << QUrl::fromLocalFile(p);
    }
    if (found)
        found(total);
    return out;
}
