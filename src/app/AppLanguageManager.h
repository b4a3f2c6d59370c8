// The interface language: the system's preferred language and the user's choice.
#pragma once

#include <QString>
#include <QStringList>

class Settings;

class AppLanguageManager {
public:
    AppLanguageManager() = delete;

    // The first of the system's preferred languages, as a code such as "zh-Hans",
    // "zh-Hant" or "en" (the settings' "AppleLanguages" list when it is set).
    static QString systemCurrentLanguage(const Settings &settings);
    // Maps a locale name ("zh_CN", "zh-Hans-CN", "zh-TW", "en-US", ...) to such a code.
    static QString languageCode(const QString &localeName);

    // The user's choice stored under "userLanguage" (empty when none).
    static QString userLanguage(const Settings &settings);
    // Stores the choice, writes the settings out and switches the interface texts at once.
    static void setUserlanguage(Settings &settings, const QString &code);
    // The language to show at start: the user's choice, else the system's.
    static QString initUserLanguage(const Settings &settings);
};
