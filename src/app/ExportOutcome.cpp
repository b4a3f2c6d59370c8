#include "ExportOutcome.h"

#include "common/Localization.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

QString ExportOutcome::writeError(const QByteArray &errors)
{
    static const char *const kFailures[] = {"No space left on device", "Disk quota exceeded", "File too large",
                                            "Error writing trailer", "Error closing file", "Input/output error"};
    for (const QByteArray &line : errors.split('\n'))
        for (const char *failure : kFailures)
            if (line.contains(failure))
                return QString::fromUtf8(line.trimmed());
    return {};
}

QString ExportOutcome::videoFailure(const Run &run, const WrittenMovie &written, const Expected &expected)
{
    const QString cause = writeError(run.errors);
    if (!cause.isEmpty())
        return Localization::text("The video could not be written.") + QLatin1Char(' ') + cause;
    if (!run.exitedNormally || run.exitCode != 0) {
        const QString detail = QString::fromUtf8(run.errors).trimmed().section(QLatin1Char('\n'), -1);
        return Localization::text("The video could not be written.") +
               (detail.isEmpty() ? QString() : QLatin1Char(' ') + detail);
    }
    if (!written.hasMoov || !written.hasVideo || written.videoFrames == 0)
        return Localization::text("The video was written incompletely (no playable picture).");
    if ((expected.frames > 0 && (long long)written.videoFrames < expected.frames) ||
        (expected.seconds > 0 && written.videoSeconds + kSecondsTolerance < expected.seconds))
        return Localization::text("The video was written incompletely (%1 frames, %2 s).")
            .arg(written.videoFrames)
            .arg(written.videoSeconds, 0, 'f', 1);
    return {};
}

QString ExportOutcome::targetThatIsAnInput(const QStringList &targets, const QStringList &inputs)
{
    for (const QString &target : targets) {
        struct stat t;
        const bool exists = ::stat(QFile::encodeName(target).constData(), &t) == 0;
        const QString canonicalTarget = QFileInfo(target).absoluteFilePath();
        for (const QString &input : inputs) {
            if (input.isEmpty())
                continue;
            struct stat i;
            if (exists && ::stat(QFile::encodeName(input).constData(), &i) == 0 && i.st_dev == t.st_dev &&
                i.st_ino == t.st_ino)
                return target;
            if (QFileInfo(input).absoluteFilePath() == canonicalTarget)
                return target;
        }
    }
    return {};
}
