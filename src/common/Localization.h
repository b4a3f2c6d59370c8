// The one look-up of shown texts. Keys are the source texts of the string tables
// ("Localizable" for the main table, "InfoPlist" for the display name); a key
// without a translation shows itself.
#pragma once

#include <QString>

class Localization {
public:
    Localization() = delete;

    static QString text(const char *key, const char *table = "Localizable");
    static QString text(const QString &key, const char *table = "Localizable");

    // Loads the string tables of `language` ("zh-Hans" or "en"; others fall back to
    // English) in place of the current ones; widgets receive QEvent::LanguageChange.
    static void install(const QString &language);
    static QString installedLanguage();
};
