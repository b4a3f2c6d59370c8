// The settings store: normalisation of the speed unit and the map provider, the privacy
// settings, typed reads where a value of the wrong type reads as absent, changes stored
// before they are announced, and values that reach the file.
#include "common/AppColorManager.h"
#include "common/AppKeys.h"
#include "common/AppUserDefaults.h"
#include "common/NotificationCenter.h"

#include <QSettings>
#include <QTest>

#include <functional>

class TestAppUserDefaults : public QObject {
    Q_OBJECT
private slots:
    void firstRunIsKmphAndStoresIt();
    void speedUnitNormalisation_data();
    void speedUnitNormalisation();
    void setSpeedUnitStoresTheTextUnchanged();
    void mapProviderNormalisation_data();
    void mapProviderNormalisation();
    void choosingAMapLeavesTheUnit();
    void privacy_data();
    void privacy();
    void changesAreStoredThenAnnouncedOnce_data();
    void changesAreStoredThenAnnouncedOnce();
    void typedReads_data();
    void typedReads();
    void valuesReachTheFile();
    void sharedColours();
};

void TestAppUserDefaults::firstRunIsKmphAndStoresIt()
{
    AppUserDefaults::remove(AppKeys::SPEED_UNIT);
    QVERIFY(!AppUserDefaults::settings().contains(QLatin1String(AppKeys::SPEED_UNIT)));
    QVERIFY(AppUserDefaults::isKMPH());
    QCOMPARE(AppUserDefaults::settings().value(QLatin1String(AppKeys::SPEED_UNIT)).toString(),
             QStringLiteral("kmph"));
}

void TestAppUserDefaults::speedUnitNormalisation_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QString>("normal");
    QTest::addRow("absent") << QVariant() << "kmph";
    QTest::addRow("kmph") << QVariant(QStringLiteral("kmph")) << "kmph";
    QTest::addRow("mileph") << QVariant(QStringLiteral("mileph")) << "mileph";
    QTest::addRow("other text") << QVariant(QStringLiteral("mph")) << "kmph";
    QTest::addRow("other case") << QVariant(QStringLiteral("MILEPH")) << "kmph";
    QTest::addRow("empty text") << QVariant(QString()) << "kmph";
    QTest::addRow("a number") << QVariant(2) << "kmph";
    QTest::addRow("a list holding mileph") << QVariant(QStringList{"mileph"}) << "kmph";
}

void TestAppUserDefaults::speedUnitNormalisation()
{
    QFETCH(QVariant, stored);
    QFETCH(QString, normal);
    if (stored.isValid())
        AppUserDefaults::setValue(AppKeys::SPEED_UNIT, stored);
    else
        AppUserDefaults::remove(AppKeys::SPEED_UNIT);
    QCOMPARE(AppUserDefaults::isKMPH(), normal == QLatin1String("kmph"));
    // the normalised text replaces whatever was there
    QCOMPARE(AppUserDefaults::settings().value(QLatin1String(AppKeys::SPEED_UNIT)), QVariant(normal));
    QCOMPARE(AppUserDefaults::initSpeedUnitUserDefault(), normal);
}

void TestAppUserDefaults::setSpeedUnitStoresTheTextUnchanged()
{
    AppUserDefaults::setSpeedUnit(QStringLiteral("mileph"));
    QVERIFY(!AppUserDefaults::isKMPH());
    AppUserDefaults::setSpeedUnit(QStringLiteral("knots"));
    QCOMPARE(AppUserDefaults::text(AppKeys::SPEED_UNIT), std::optional<QString>(QStringLiteral("knots")));
    QVERIFY(AppUserDefaults::isKMPH());
    QCOMPARE(AppUserDefaults::text(AppKeys::SPEED_UNIT), std::optional<QString>(QStringLiteral("kmph")));
}

void TestAppUserDefaults::mapProviderNormalisation_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QString>("normal");
    QTest::addRow("first run: OpenStreetMap") << QVariant() << "street";
    QTest::addRow("google") << QVariant(QStringLiteral("google")) << "google";
    QTest::addRow("street") << QVariant(QStringLiteral("street")) << "street";
    QTest::addRow("other text") << QVariant(QStringLiteral("bing")) << "street";
    QTest::addRow("wrong type") << QVariant(1.5) << "street";
}

void TestAppUserDefaults::mapProviderNormalisation()
{
    QFETCH(QVariant, stored);
    QFETCH(QString, normal);
    if (stored.isValid())
        AppUserDefaults::setValue(AppKeys::CHANGE_MAP, stored);
    else
        AppUserDefaults::remove(AppKeys::CHANGE_MAP);
    QCOMPARE(AppUserDefaults::initChangeMapUserDefault(), normal);
    QCOMPARE(AppUserDefaults::text(AppKeys::CHANGE_MAP), std::optional<QString>(normal));
}

void TestAppUserDefaults::choosingAMapLeavesTheUnit()
{
    AppUserDefaults::setSpeedUnit(QStringLiteral("mileph"));
    AppUserDefaults::setChangeMap(QStringLiteral("google"));
    QVERIFY(!AppUserDefaults::isKMPH());
    AppUserDefaults::setChangeMap(QStringLiteral("street"));
    QVERIFY(!AppUserDefaults::isKMPH());
    QCOMPARE(AppUserDefaults::text(AppKeys::CHANGE_MAP), std::optional<QString>(QStringLiteral("street")));
}

void TestAppUserDefaults::privacy_data()
{
    QTest::addColumn<bool>("pictures");   // else the media controls' setting
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<bool>("on");
    QTest::addRow("pictures: first run: on") << true << QVariant() << true;
    QTest::addRow("pictures: off") << true << QVariant(false) << false;
    QTest::addRow("pictures: off as the file keeps it") << true << QVariant(QStringLiteral("false")) << false;
    QTest::addRow("pictures: wrong type: on") << true << QVariant(0) << true;
    QTest::addRow("media controls: first run: off") << false << QVariant() << false;
    QTest::addRow("media controls: on") << false << QVariant(true) << true;
    QTest::addRow("media controls: on as the file keeps it") << false << QVariant(QStringLiteral("true")) << true;
    QTest::addRow("media controls: wrong type: off") << false << QVariant(QStringLiteral("yes")) << false;
}

void TestAppUserDefaults::privacy()
{
    QFETCH(bool, pictures);
    QFETCH(QVariant, stored);
    QFETCH(bool, on);
    const char *key = pictures ? AppKeys::PLACE_IN_PICTURES : AppKeys::PLACE_TO_MEDIA_CONTROLS;
    if (stored.isValid())
        AppUserDefaults::setValue(key, stored);
    else
        AppUserDefaults::remove(key);
    QCOMPARE(pictures ? AppUserDefaults::placeInPictures() : AppUserDefaults::placeToMediaControls(), on);
}

void TestAppUserDefaults::changesAreStoredThenAnnouncedOnce_data()
{
    QTest::addColumn<int>("setting");
    QTest::addRow("speed unit") << 0;
    QTest::addRow("map") << 1;
    QTest::addRow("place in pictures") << 2;
    QTest::addRow("place to media controls") << 3;
}

void TestAppUserDefaults::changesAreStoredThenAnnouncedOnce()
{
    QFETCH(int, setting);
    AppUserDefaults::setSpeedUnit(QStringLiteral("kmph"));
    AppUserDefaults::setChangeMap(QStringLiteral("street"));
    AppUserDefaults::setValue(AppKeys::PLACE_IN_PICTURES, true);
    AppUserDefaults::setValue(AppKeys::PLACE_TO_MEDIA_CONTROLS, false);
    // Each setting: its notification, the change, and whether the change is stored.
    const struct {
        const char *notification;
        std::function<void()> change;
        std::function<bool()> stored;
    } settings[] = {
        {AppKeys::SPEED_UNIT_NOTIFICATION, [] { AppUserDefaults::changeSpeedUnit(QStringLiteral("mileph")); },
         [] { return !AppUserDefaults::isKMPH(); }},
        {AppKeys::CHANGE_MAP_NOTIFICATION, [] { AppUserDefaults::changeMap(QStringLiteral("google")); },
         [] { return AppUserDefaults::isGoogleMap(); }},
        {AppKeys::PRIVACY_NOTIFICATION, [] { AppUserDefaults::changePlaceInPictures(false); },
         [] { return !AppUserDefaults::placeInPictures(); }},
        {AppKeys::PRIVACY_NOTIFICATION, [] { AppUserDefaults::changePlaceToMediaControls(true); },
         [] { return AppUserDefaults::placeToMediaControls(); }},
    };
    const auto &s = settings[setting];
    QObject observer;
    QList<bool> seen;
    NotificationCenter::defaultCenter()->addObserver(&observer, QLatin1String(s.notification),
                                                     [&] { seen << s.stored(); });
    s.change();
    QCOMPARE(seen, QList<bool>{true});
}

void TestAppUserDefaults::typedReads_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<bool>("isText");
    QTest::addColumn<bool>("isNumber");
    QTest::addColumn<bool>("isList");
    QTest::addColumn<double>("number");
    QTest::addRow("text") << QVariant(QStringLiteral("abc")) << true << false << true << 0.0;
    QTest::addRow("double") << QVariant(0.75) << false << true << false << 0.75;
    QTest::addRow("int") << QVariant(3) << false << true << false << 3.0;
    QTest::addRow("number kept as text by the file") << QVariant(QStringLiteral("-1.25")) << true << true << true
                                                      << -1.25;
    QTest::addRow("list") << QVariant(QStringList{"zh-Hans", "en"}) << false << false << true << 0.0;
    QTest::addRow("map") << QVariant(QVariantMap{{"a", 1}}) << false << false << false << 0.0;
    QTest::addRow("bool") << QVariant(true) << false << false << false << 0.0;
    QTest::addRow("absent") << QVariant() << false << false << false << 0.0;
    QTest::addRow("NaN") << QVariant(qQNaN()) << false << false << false << 0.0;
    QTest::addRow("infinity") << QVariant(-qInf()) << false << false << false << 0.0;
    QTest::addRow("NaN kept as text by the file") << QVariant(QStringLiteral("nan")) << true << false << true << 0.0;
    QTest::addRow("infinity kept as text by the file") << QVariant(QStringLiteral("inf")) << true << false << true
                                                        << 0.0;
}

void TestAppUserDefaults::typedReads()
{
    QFETCH(QVariant, stored);
    QFETCH(bool, isText);
    QFETCH(bool, isNumber);
    QFETCH(bool, isList);
    QFETCH(double, number);
    const char key[] = "tst_typed_value";
    if (stored.isValid())
        AppUserDefaults::setValue(key, stored);
    else
        AppUserDefaults::remove(key);
    QCOMPARE(AppUserDefaults::text(key).has_value(), isText);
    QCOMPARE(AppUserDefaults::number(key).has_value(), isNumber);
    QCOMPARE(AppUserDefaults::textList(key).has_value(), isList);
    if (isNumber)
        QCOMPARE(*AppUserDefaults::number(key), number);
}

void TestAppUserDefaults::valuesReachTheFile()
{
    AppUserDefaults::setSpeedUnit(QStringLiteral("mileph"));
    AppUserDefaults::setChangeMap(QStringLiteral("google"));
    AppUserDefaults::setValue(AppKeys::ROTATE_ANGLE_V, 1.5707963267948966);
    AppUserDefaults::synchronize();
    // Another reader of the same file, as the next start of the program would be.
    QSettings other(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Veltra"),
                    QStringLiteral("Veltra Player"));
    QCOMPARE(other.fileName(), AppUserDefaults::settings().fileName());
    QVERIFY(other.fileName().startsWith(qEnvironmentVariable("XDG_CONFIG_HOME")));
    QCOMPARE(other.value(QLatin1String(AppKeys::SPEED_UNIT)).toString(), QStringLiteral("mileph"));
    QCOMPARE(other.value(QLatin1String(AppKeys::CHANGE_MAP)).toString(), QStringLiteral("google"));
    QCOMPARE(other.value(QLatin1String(AppKeys::ROTATE_ANGLE_V)).toDouble(), 1.5707963267948966);
}

void TestAppUserDefaults::sharedColours()
{
    QCOMPARE(AppColorManager::appBackgroundColor(), QColor(223, 221, 224));
    QCOMPARE(AppColorManager::gsensorBackgroundColor(), QColor(72, 169, 210));
    QCOMPARE(AppColorManager::appBackgroundColor().alphaF(), 1.0f);
}

QTEST_GUILESS_MAIN(TestAppUserDefaults)
#include "tst_app_user_defaults.moc"
