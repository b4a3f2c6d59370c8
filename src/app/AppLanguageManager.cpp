#include "AppLanguageManager.h"

#include "common/AppKeys.h"
#include "common/AppUserDefaults.h"
#include "common/Localization.h"


QString AppLanguageManager::languageCode(const QString &localeName)
{
    return Localization::languageCode(localeName);
}

QString AppLanguageManager::systemCurrentLanguage()
{
    if (const auto stored = AppUserDefaults::textList(AppKeys::APPLE_LANGUAGES); stored && !stored->isEmpty())
        return stored->first();
    const QStringList system = Localization::systemLanguages();
    return system.isEmpty() ? QString() : system.first();
}

QString AppLanguageManager::userLanguage()
{
    return AppUserDefaults::text(AppKeys::USER_LANGUAGE).value_or(QString());
}

void AppLanguageManager::setUserlanguage(const QString &code)
{
    Localization::setUserLanguage(code);
}

QString AppLanguageManager::initUserLanguage()
{
    return Localization::startupLanguage(userLanguage(), {systemCurrentLanguage()});
}
