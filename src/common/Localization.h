// The one look-up of shown texts, and the choice of the string tables.
// Keys are the source texts of the string tables ("Localizable" for the main table,
// "InfoPlist" for the display name); a key without a translation shows itself.
// Tables are the compiled :/i18n/<area>_<lang>.qm files; every table of the chosen
// language is loaded at once, English unless the language is Simplified Chinese.
#pragma once

#include <QString>
#include <QStringList>

class Settings;

class Localization {
public:
    Localization() = delete;

    // The translation of `key` in `table`, or `key` itself. Before any install() the
    // tables of the system's language are loaded on first use (on the main thread).
    static QString text(const char *key, const char *table = "Localizable");
    static QString text(const QString &key, const char *table = "Localizable");

    // Loads the string tables of `language` ("zh-Hans" gives Simplified Chinese, any other
    // code English) in place of the current ones; the application and every widget then
    // receive one QEvent::LanguageChange. Main thread only.
    static void install(const QString &language);
    // "zh-Hans" or "en" once tables are installed, else an empty text.
    static QString installedLanguage();
    // The resource paths of the tables now installed.
    static QStringList installedTables();

    // The user's choice of language, from any place that offers it: stores it in the
    // settings and installs its tables at once.
    static void setUserLanguage(Settings &settings, const QString &language);
    // Start-up: the user's language if set, else the system's first preferred language;
    // then install().
    static void installStartupLanguage(const QString &userLanguage);

    // --- pure helpers ---
    // A system language tag ("zh-CN", "zh_Hant_TW", "en-US", "de") as the application's
    // language code: "zh-Hans" or "zh-Hant" for Chinese, else the lower-case language subtag.
    static QString languageCode(const QString &uiLanguage);
    // QLocale::system().uiLanguages() mapped with languageCode(), in order.
    static QStringList systemLanguages();
    // The language to start with: `userLanguage` (mapped) when it is not empty, else the
    // first of `systemLanguages`, else "en".
    static QString startupLanguage(const QString &userLanguage, const QStringList &systemLanguages);
    // The suffix of the table files for a language: "zh_CN" for "zh-Hans", else "en".
    static QString tableSuffix(const QString &language);
};
