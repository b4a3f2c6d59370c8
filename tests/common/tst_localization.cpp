// String tables: what is compiled in, the texts of both languages, the language at start
// and the LanguageChange that reaches the widgets.
#include "common/AppKeys.h"
#include "common/Localization.h"
#include "common/Settings.h"

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QDir>
#include <QHash>
#include <QWidget>
#include <QXmlStreamReader>

namespace {

const char kMapKey[] = "   Map not available, please check your,internet connection and / or select an "
                       "alternative map from the , Setting menu.";

class LanguageWatcher : public QWidget {
public:
    using QWidget::QWidget;
    int changes = 0;
    QString about;   // looked up again on every change, as a widget retranslating itself does

protected:
    void changeEvent(QEvent *e) override
    {
        if (e->type() == QEvent::LanguageChange) {
            ++changes;
            about = Localization::text("About");
        }
        QWidget::changeEvent(e);
    }
};

// context + '\x1f' + source -> translation, of one .ts file
using Table = QHash<QString, QString>;

bool readTs(const QString &path, Table *table, QString *error)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        *error = f.errorString();
        return false;
    }
    QXmlStreamReader xml(&f);
    QString context, source, translation;
    bool unfinished = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (xml.name() == QLatin1String("name"))
                context = xml.readElementText();
            else if (xml.name() == QLatin1String("source"))
                source = xml.readElementText();
            else if (xml.name() == QLatin1String("translation")) {
                unfinished = !xml.attributes().value(QLatin1String("type")).isEmpty();
                translation = xml.readElementText();
            }
        } else if (xml.isEndElement() && xml.name() == QLatin1String("message")) {
            const QString key = context + QChar(0x1f) + source;
            if (table->contains(key)) {
                *error = QStringLiteral("key \"%1\" twice").arg(source);
                return false;
            }
            if (unfinished || translation.isEmpty()) {
                *error = QStringLiteral("key \"%1\" has no finished translation").arg(source);
                return false;
            }
            table->insert(key, translation);
        }
    }
    if (xml.hasError())
        *error = xml.errorString();
    return !xml.hasError();
}

} // namespace

class TestLocalization : public QObject {
    Q_OBJECT
private slots:
    void firstLookUpLoadsTheStartupTables();
    void commonTablesAreCompiledIn();
    void texts_data();
    void texts();
    void speedLabelsNameTheirUnit_data();
    void speedLabelsNameTheirUnit();
    void missingKeyShowsTheKey();
    void everyTableIsCompleteAndCompiledIn();
    void installReplacesTheTables();
    void languageChangeReachesWidgets();
    void languageCode_data();
    void languageCode();
    void startupLanguage_data();
    void startupLanguage();
    void startupReadsUserLanguage_data();
    void startupReadsUserLanguage();
};

void TestLocalization::firstLookUpLoadsTheStartupTables()
{
    // No install() yet: the first look-up brings in the tables of the system's language
    // (Simplified Chinese: the test runs with LANGUAGE=zh_CN), also when a widget that
    // exists already looks texts up on the LanguageChange.
    LanguageWatcher early;
    early.show();
    QVERIFY(Localization::installedLanguage().isEmpty());
    QCOMPARE(Localization::text("km_distanceUnit"), QStringLiteral("公里"));
    QCOMPARE(Localization::installedLanguage(), QStringLiteral("zh-Hans"));
    QCoreApplication::processEvents();
    QCOMPARE(early.changes, 1);
    QCOMPARE(early.about, QStringLiteral("关于"));
}

void TestLocalization::commonTablesAreCompiledIn()
{
    QVERIFY(QFile::exists(QStringLiteral(":/i18n/common_en.qm")));
    QVERIFY(QFile::exists(QStringLiteral(":/i18n/common_zh_CN.qm")));
    Localization::install(QStringLiteral("zh-Hans"));
    QVERIFY(Localization::installedTables().contains(QStringLiteral(":/i18n/common_zh_CN.qm")));
    QVERIFY(!Localization::installedTables().contains(QStringLiteral(":/i18n/common_en.qm")));
    Localization::install(QStringLiteral("en"));
    QVERIFY(Localization::installedTables().contains(QStringLiteral(":/i18n/common_en.qm")));
    QVERIFY(!Localization::installedTables().contains(QStringLiteral(":/i18n/common_zh_CN.qm")));
}

void TestLocalization::texts_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");
    const QString L = QStringLiteral("Localizable");
    QTest::addRow("en km/h") << "en" << L << "km_speedUnit" << "KM/H";
    QTest::addRow("en mph") << "en" << L << "mph_speedUnit" << "MPH";
    QTest::addRow("en km") << "en" << L << "km_distanceUnit" << "KM";
    QTest::addRow("en miles") << "en" << L << "mile_distanceUnit" << "MILES";
    QTest::addRow("en setting") << "en" << L << "setting" << "Preferences";
    QTest::addRow("en About") << "en" << L << "About" << "About";
    QTest::addRow("en capture_fail") << "en" << L << "capture_fail" << "Capture failed";
    QTest::addRow("en map message") << "en" << L << kMapKey
                                   << "Map not available. Please check your\ninternet connection and / or "
                                      "select an alternative map:\nSetting ▸ Google Maps or Setting ▸ OpenStreetMap.";
    QTest::addRow("en display name") << "en" << "InfoPlist" << "CFBundleDisplayName" << "Veltra Player";
    QTest::addRow("en display name is not in the main table")
        << "en" << L << "CFBundleDisplayName" << "CFBundleDisplayName";
    QTest::addRow("zh km/h") << "zh-Hans" << L << "km_speedUnit" << "KM/H";
    QTest::addRow("zh km") << "zh-Hans" << L << "km_distanceUnit" << "公里";
    QTest::addRow("zh miles") << "zh-Hans" << L << "mile_distanceUnit" << "英里";
    QTest::addRow("zh setting") << "zh-Hans" << L << "setting" << "偏好设置";
    QTest::addRow("zh About") << "zh-Hans" << L << "About" << "关于";
    QTest::addRow("zh capture_fail") << "zh-Hans" << L << "capture_fail" << "截图失败";
    QTest::addRow("zh map message") << "zh-Hans" << L << kMapKey
                                   << "地图不可用，请检查您的网络连接，\n和/或选择其他地图：\n"
                                      "“设置 ▸ 谷歌地图”或“设置 ▸ OpenStreetMap 地图”。";
    QTest::addRow("zh display name") << "zh-Hans" << "InfoPlist" << "CFBundleDisplayName" << "Veltra 播放器";
    QTest::addRow("zh-Hant falls back to English") << "zh-Hant" << L << "About" << "About";
    QTest::addRow("German falls back to English") << "de" << L << "setting" << "Preferences";
}

void TestLocalization::texts()
{
    QFETCH(QString, language);
    QFETCH(QString, table);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    Localization::install(language);
    const QByteArray t = table.toUtf8();
    QCOMPARE(Localization::text(key, t.constData()), expected);
    QCOMPARE(Localization::text(key.toUtf8().constData(), t.constData()), expected);
}

void TestLocalization::speedLabelsNameTheirUnit_data()
{
    QTest::addColumn<QString>("language");
    QTest::addRow("English") << "en";
    QTest::addRow("Simplified Chinese") << "zh-Hans";
}

void TestLocalization::speedLabelsNameTheirUnit()
{
    // The compass panel reads the unit back out of its own speed read-out.
    QFETCH(QString, language);
    Localization::install(language);
    const QString kmh = Localization::text("km_speedUnit");
    const QString mph = Localization::text("mph_speedUnit");
    QVERIFY(kmh.contains(QLatin1String("KM/H")) && !kmh.contains(QLatin1String("MPH")));
    QVERIFY(mph.contains(QLatin1String("MPH")) && !mph.contains(QLatin1String("KM/H")));
    QVERIFY(Localization::text("km_distanceUnit") != QLatin1String("km_distanceUnit"));
    QVERIFY(Localization::text("mile_distanceUnit") != QLatin1String("mile_distanceUnit"));
}

void TestLocalization::missingKeyShowsTheKey()
{
    for (const char *lang : {"en", "zh-Hans"}) {
        Localization::install(QString::fromLatin1(lang));
        QCOMPARE(Localization::text("no_such_key_anywhere"), QStringLiteral("no_such_key_anywhere"));
        QCOMPARE(Localization::text(QStringLiteral("  spaced key, with commas "), "Localizable"),
                 QStringLiteral("  spaced key, with commas "));
        QCOMPARE(Localization::text("km_speedUnit", "NoSuchTable"), QStringLiteral("km_speedUnit"));
    }
}

void TestLocalization::everyTableIsCompleteAndCompiledIn()
{
    // Every area's <area>_en.ts has a <area>_zh_CN.ts with the same keys, every key is
    // translated, no two areas translate one key differently, and what the program shows
    // is what the files say.
    const QDir dir(qEnvironmentVariable("VELTRA_SOURCE_DIR") + QStringLiteral("/resources/translations"));
    const QStringList english = dir.entryList({QStringLiteral("*_en.ts")}, QDir::Files, QDir::Name);
    QVERIFY(english.contains(QStringLiteral("common_en.ts")));
    QCOMPARE(dir.entryList({QStringLiteral("*.ts")}, QDir::Files).size(), 2 * english.size());
    Table allEn, allZh;
    for (const QString &en : english) {
        const QString zh = en.chopped(int(qstrlen("en.ts"))) + QStringLiteral("zh_CN.ts");
        Table tEn, tZh;
        QString error;
        QVERIFY2(readTs(dir.filePath(en), &tEn, &error), qPrintable(en + QStringLiteral(": ") + error));
        QVERIFY2(readTs(dir.filePath(zh), &tZh, &error), qPrintable(zh + QStringLiteral(": ") + error));
        QStringList keysEn = tEn.keys(), keysZh = tZh.keys();
        keysEn.sort();
        keysZh.sort();
        QVERIFY2(keysEn == keysZh, qPrintable(en + QStringLiteral(" and ") + zh + QStringLiteral(" hold other keys")));
        for (auto it = tEn.cbegin(); it != tEn.cend(); ++it) {
            QVERIFY2(!allEn.contains(it.key()) || allEn.value(it.key()) == it.value(),
                     qPrintable(QStringLiteral("two English texts for ") + it.key().section(QChar(0x1f), 1)));
            QVERIFY2(!allZh.contains(it.key()) || allZh.value(it.key()) == tZh.value(it.key()),
                     qPrintable(QStringLiteral("two Chinese texts for ") + it.key().section(QChar(0x1f), 1)));
            allEn.insert(it.key(), it.value());
            allZh.insert(it.key(), tZh.value(it.key()));
        }
    }
    for (const auto &[language, table] : {std::pair{QStringLiteral("en"), &allEn}, {QStringLiteral("zh-Hans"), &allZh}}) {
        Localization::install(language);
        for (auto it = table->cbegin(); it != table->cend(); ++it) {
            const QByteArray context = it.key().section(QChar(0x1f), 0, 0).toUtf8();
            const QString source = it.key().section(QChar(0x1f), 1);
            QCOMPARE(Localization::text(source, context.constData()), it.value());
        }
    }
}

void TestLocalization::installReplacesTheTables()
{
    Localization::install(QStringLiteral("zh-Hans"));
    QCOMPARE(Localization::text("About"), QStringLiteral("关于"));
    QCOMPARE(Localization::installedLanguage(), QStringLiteral("zh-Hans"));
    Localization::install(QStringLiteral("en"));
    QCOMPARE(Localization::text("About"), QStringLiteral("About"));
    QCOMPARE(Localization::text("km_distanceUnit"), QStringLiteral("KM"));
    QCOMPARE(Localization::installedLanguage(), QStringLiteral("en"));
}

void TestLocalization::languageChangeReachesWidgets()
{
    LanguageWatcher window;
    auto *child = new LanguageWatcher(&window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCoreApplication::processEvents();
    window.changes = child->changes = 0;

    Localization::install(QStringLiteral("zh-Hans"));
    QCoreApplication::processEvents();
    QCOMPARE(window.changes, 1);
    QCOMPARE(child->changes, 1);
    Localization::install(QStringLiteral("en"));
    QCoreApplication::processEvents();
    QCOMPARE(window.changes, 2);
    QCOMPARE(child->changes, 2);
}

void TestLocalization::languageCode_data()
{
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QString>("code");
    QTest::addRow("zh-CN") << "zh-CN" << "zh-Hans";
    QTest::addRow("zh-Hans-CN") << "zh-Hans-CN" << "zh-Hans";
    QTest::addRow("POSIX zh_CN.UTF-8") << "zh_CN.UTF-8" << "zh-Hans";
    QTest::addRow("zh-SG") << "zh-SG" << "zh-Hans";
    QTest::addRow("plain zh") << "zh" << "zh-Hans";
    QTest::addRow("zh-TW") << "zh-TW" << "zh-Hant";
    QTest::addRow("zh-HK") << "zh-HK" << "zh-Hant";
    QTest::addRow("zh_MO") << "zh_MO" << "zh-Hant";
    QTest::addRow("zh-Hant") << "zh-Hant" << "zh-Hant";
    QTest::addRow("script beats region") << "zh-Hans-HK" << "zh-Hans";
    QTest::addRow("en-US") << "en-US" << "en";
    QTest::addRow("de_DE") << "de_DE" << "de";
    QTest::addRow("upper case") << "FR-ca" << "fr";
    QTest::addRow("empty") << "" << "";
}

void TestLocalization::languageCode()
{
    QFETCH(QString, tag);
    QFETCH(QString, code);
    QCOMPARE(Localization::languageCode(tag), code);
}

void TestLocalization::startupLanguage_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QStringList>("system");
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("suffix");
    QTest::addRow("user language wins") << "zh-Hans" << QStringList{"en"} << "zh-Hans" << "zh_CN";
    QTest::addRow("user English over Chinese system") << "en" << QStringList{"zh-Hans"} << "en" << "en";
    QTest::addRow("no user language: system") << "" << QStringList{"zh-Hans", "en"} << "zh-Hans" << "zh_CN";
    QTest::addRow("Traditional Chinese system") << "" << QStringList{"zh-Hant"} << "zh-Hant" << "en";
    QTest::addRow("system tag mapped") << "" << QStringList{"zh-CN"} << "zh-Hans" << "zh_CN";
    QTest::addRow("nothing known") << "" << QStringList{} << "en" << "en";
    QTest::addRow("other language") << "" << QStringList{"ja-JP"} << "ja" << "en";
}

void TestLocalization::startupLanguage()
{
    QFETCH(QString, user);
    QFETCH(QStringList, system);
    QFETCH(QString, language);
    QFETCH(QString, suffix);
    const QString got = Localization::startupLanguage(user, system);
    QCOMPARE(got, language);
    QCOMPARE(Localization::tableSuffix(got), suffix);
}

void TestLocalization::startupReadsUserLanguage_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QString>("installed");
    const QString systemChoice =
        Localization::tableSuffix(Localization::startupLanguage(QString(), Localization::systemLanguages())) ==
                QLatin1String("zh_CN")
            ? QStringLiteral("zh-Hans")
            : QStringLiteral("en");
    QTest::addRow("Simplified Chinese") << QVariant(QStringLiteral("zh-Hans")) << "zh-Hans";
    QTest::addRow("English") << QVariant(QStringLiteral("en")) << "en";
    QTest::addRow("absent: the system's") << QVariant() << systemChoice;
    QTest::addRow("wrong type reads as absent") << QVariant(QStringList{"zh-Hans", "en"}) << systemChoice;
}

void TestLocalization::startupReadsUserLanguage()
{
    QFETCH(QVariant, stored);
    QFETCH(QString, installed);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("settings.ini"));
    if (stored.isValid())
        QSettings(file, QSettings::IniFormat).setValue(QLatin1String(AppKeys::USER_LANGUAGE), stored);
    Localization::installStartupLanguage(Settings(file).userLanguage());
    QCOMPARE(Localization::installedLanguage(), installed);
}

QTEST_MAIN(TestLocalization)
#include "tst_localization.moc"
