#include "AppLanguageManager.h"

#include "common/AppKeys.h"
#include "common/AppUserDefaults.h"
#include "common/Localization.h"

#include <QLocale>

QString AppLanguageManager::languageCode(const QString &localeName)
{
    QString name = localeName;
    name.replace(QLatin1Char('_'), QLatin1Char('-'));
    const QStringList parts = name.split(QLatin1Char('-'), Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return QString();
    const QString lang = parts.first().toLower();
    if (lang != QLatin1String("zh"))
        return lang;
    for (const QString &p : parts.mid(1)) {
        const QString u = p.toUpper();
        if (u == QLatin1String("HANS") || u == QLatin1String("CN") || u == QLatin1String("SG"))
            return QStringLiteral("zh-Hans");
        if (u == QLatin1String("HANT") || u == QLatin1String("TW") || u == QLatin1String("HK") || u == QLatin1String("MO"))
            return QStringLiteral("zh-Hant");
    }
    return QStringLiteral("zh-Hans");
}

QString AppLanguageManager::systemCurrentLanguage()
{
    if (const auto stored = AppUserDefaults::textList(AppKeys::APPLE_LANGUAGES); stored && !stored->isEmpty())
        return stored->first();
    const QStringList ui = QLocale::system().uiLanguages();
    return ui.isEmpty() ? QString() : languageCode(ui.first());
}

QString AppLanguageManager::userLanguage()
{
    return AppUserDefaults::text(AppKeys::USER_LANGUAGE).value_or(QString());
}

void AppLanguageManager::setUserlanguage(const QString &code)
{
    AppUserDefaults::setValue(AppKeys::USER_LANGUAGE, code);
    AppUserDefaults::synchronize();
    Localization::install(code);
}

QString AppLanguageManager::initUserLanguage()
{
    const QString chosen = userLanguage();
    return chosen.isEmpty() ? systemCurrentLanguage() : chosen;
}
