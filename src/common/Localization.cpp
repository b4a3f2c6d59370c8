#include "Localization.h"

#include <QCoreApplication>

QString Localization::text(const char *key, const char *table)
{
    return QCoreApplication::translate(table, key);
}

QString Localization::text(const QString &key, const char *table)
{
    return QCoreApplication::translate(table, key.toUtf8().constData());
}

static QString g_language;

void Localization::install(const QString &language)
{
    g_language = language;
}

QString Localization::installedLanguage()
{
    return g_language;
}
