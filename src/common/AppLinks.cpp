#include "AppLinks.h"

#include <QCoreApplication>
#include <QFileInfo>

QUrl AppLinks::website()
{
    return QUrl(QString::fromLatin1(kBaseAddress));
}

QUrl AppLinks::shop()
{
    return website().resolved(QUrl(QStringLiteral("shop/")));
}

QStringList AppLinks::userGuideCandidates(const QString &applicationDir)
{
    const QString page = QStringLiteral("/index.html");
    return {applicationDir + QStringLiteral("/../share/veltra-player/guide") + page,
            QStringLiteral(VELTRA_GUIDE_SOURCE_DIR) + page};
}

QUrl AppLinks::userGuide()
{
    for (const QString &candidate : userGuideCandidates(QCoreApplication::applicationDirPath())) {
        const QFileInfo info(candidate);
        if (info.isFile())
            return QUrl::fromLocalFile(info.canonicalFilePath());
    }
    return QUrl();
}
