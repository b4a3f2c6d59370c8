#include "Localization.h"

#include "Logging.h"
#include "Settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QLocale>
#include <QReadWriteLock>
#include <QRegularExpression>
#include <QThread>
#include <QTranslator>

#include <atomic>
#include <memory>
#include <vector>

namespace {

// All tables of one language behind a single installed translator, so that a change of
// language is one swap and one LanguageChange event, however many areas ship tables.
class TableSet : public QTranslator {
public:
    using QTranslator::QTranslator;

    QString translate(const char *context, const char *sourceText, const char *disambiguation,
                      int n) const override
    {
        QReadLocker lock(&lock_);
        for (const auto &t : tables_) {
            const QString s = t->translate(context, sourceText, disambiguation, n);
            if (!s.isNull())
                return s;
        }
        return QString();
    }
    bool isEmpty() const override
    {
        QReadLocker lock(&lock_);
        return tables_.empty();
    }
    void replace(std::vector<std::unique_ptr<QTranslator>> tables, const QString &language,
                 const QStringList &paths)
    {
        QWriteLocker lock(&lock_);
        tables_.swap(tables);
        language_ = language;
        paths_ = paths;
        // the old tables die here, after the swap, still under the lock
        tables.clear();
    }
    QString language() const
    {
        QReadLocker lock(&lock_);
        return language_;
    }
    QStringList paths() const
    {
        QReadLocker lock(&lock_);
        return paths_;
    }

private:
    mutable QReadWriteLock lock_;
    std::vector<std::unique_ptr<QTranslator>> tables_;
    QString language_;
    QStringList paths_;
};

TableSet *g_tables = nullptr;   // owned by the application object
std::atomic<bool> g_installed{false};

void ensureTables()
{
    if (g_installed.load(std::memory_order_acquire))
        return;
    QCoreApplication *app = QCoreApplication::instance();
    if (app && QThread::currentThread() == app->thread())
        Localization::installStartupLanguage(QString());
}

} // namespace

QString Localization::text(const char *key, const char *table)
{
    ensureTables();
    return QCoreApplication::translate(table, key);
}

QString Localization::text(const QString &key, const char *table)
{
    ensureTables();
    return QCoreApplication::translate(table, key.toUtf8().constData());
}

void Localization::install(const QString &language)
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app)
        return;
    const QString lang = tableSuffix(language) == QLatin1String("zh_CN") ? QStringLiteral("zh-Hans")
                                                                         : QStringLiteral("en");
    const QString pattern = QStringLiteral("*_") + tableSuffix(language) + QStringLiteral(".qm");
    const QDir dir(QStringLiteral(":/i18n"));
    std::vector<std::unique_ptr<QTranslator>> tables;
    QStringList paths;
    for (const QString &name : dir.entryList({pattern}, QDir::Files, QDir::Name)) {
        auto t = std::make_unique<QTranslator>();
        const QString path = dir.filePath(name);
        if (t->load(path)) {
            tables.push_back(std::move(t));
            paths << path;
        } else {
            qCWarning(lcCommon, "cannot load the string table %s", qPrintable(path));
        }
    }
    // Marked before the LanguageChange goes out: widgets look texts up while handling it.
    g_installed.store(true, std::memory_order_release);
    if (!g_tables) {
        g_tables = new TableSet(app);
        g_tables->replace(std::move(tables), lang, paths);
        QCoreApplication::installTranslator(g_tables);   // sends the LanguageChange
    } else {
        g_tables->replace(std::move(tables), lang, paths);
        QEvent change(QEvent::LanguageChange);
        QCoreApplication::sendEvent(app, &change);
    }
}

QString Localization::installedLanguage()
{
    return g_tables ? g_tables->language() : QString();
}

QStringList Localization::installedTables()
{
    return g_tables ? g_tables->paths() : QStringList();
}

void Localization::setUserLanguage(Settings &settings, const QString &language)
{
    settings.setUserLanguage(language);
    install(language);
}

void Localization::installStartupLanguage(const QString &userLanguage)
{
    install(startupLanguage(userLanguage, systemLanguages()));
}

QString Localization::languageCode(const QString &uiLanguage)
{
    const QStringList parts = uiLanguage.trimmed().split(QRegularExpression(QStringLiteral("[-_.@]")),
                                                         Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return QString();
    const QString language = parts.first().toLower();
    if (language != QLatin1String("zh"))
        return language;
    // Chinese: the script decides; without one, the region does (Taiwan, Hong Kong and
    // Macao write Traditional characters), and plain "zh" is Simplified.
    for (const QString &p : parts.mid(1)) {
        const QString sub = p.toLower();
        if (sub == QLatin1String("hant"))
            return QStringLiteral("zh-Hant");
        if (sub == QLatin1String("hans"))
            return QStringLiteral("zh-Hans");
    }
    for (const QString &p : parts.mid(1)) {
        const QString sub = p.toUpper();
        if (sub == QLatin1String("TW") || sub == QLatin1String("HK") || sub == QLatin1String("MO"))
            return QStringLiteral("zh-Hant");
    }
    return QStringLiteral("zh-Hans");
}

QStringList Localization::systemLanguages()
{
    QStringList codes;
    for (const QString &tag : QLocale::system().uiLanguages()) {
        const QString code = languageCode(tag);
        if (!code.isEmpty())
            codes << code;
    }
    return codes;
}

QString Localization::startupLanguage(const QString &userLanguage, const QStringList &systemLanguages)
{
    const QString user = languageCode(userLanguage);
    if (!user.isEmpty())
        return user;
    for (const QString &s : systemLanguages) {
        const QString code = languageCode(s);
        if (!code.isEmpty())
            return code;
    }
    return QStringLiteral("en");
}

QString Localization::tableSuffix(const QString &language)
{
    return languageCode(language) == QLatin1String("zh-Hans") ? QStringLiteral("zh_CN")
                                                              : QStringLiteral("en");
}
