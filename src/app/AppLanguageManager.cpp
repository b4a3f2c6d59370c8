#include "AppLanguageManager.h"

#include "common/Localization.h"
#include "common/Settings.h"


QString AppLanguageManager::languageCode(const QString &localeName)
{
    return Localization::languageCode(localeName);
}

QString AppLanguageManager::systemCurrentLanguage(const Settings &settings)
{
    if (const QStringList stored = settings.preferredLanguages(); !stored.isEmpty())
        return stored.first();
    const QStringList system = Localization::systemLanguages();
    return system.isEmpty() ? QString() : system.first();
}

QString AppLanguageManager::userLanguage(const Settings &settings)
{
    return settings.userLanguage();
}

void AppLanguageManager::setUserlanguage(Settings &settings, const QString &code)
{
    Localization::setUserLanguage(settings, code);
}

QString AppLanguageManager::initUserLanguage(const Settings &settings)
{
    return Localization::startupLanguage(userLanguage(settings), {systemCurrentLanguage(settings)});
}
