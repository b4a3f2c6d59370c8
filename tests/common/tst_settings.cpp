// The settings: what a stored file reads as (the two providers put in their normal
// form, values of the wrong type and numbers that are not finite read as absent), changes
// stored before they are announced, once, and values that reach the file.
#include "common/AppColorManager.h"
#include "common/AppKeys.h"
#include "common/Settings.h"

#include <QFile>
#include <QMetaProperty>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <map>

namespace {

// The settings read through an accessor that may find nothing, by name; the others are properties.
QVariant read(const Settings &s, const QByteArray &name)
{
    const std::map<QByteArray, std::optional<double> (Settings::*)() const> optional{
        {"tripGapSeconds", &Settings::tripGapSeconds}, {"eventSpeedChangeKmh", &Settings::eventSpeedChangeKmh},
        {"eventHarshG", &Settings::eventHarshG}, {"eventImpactG", &Settings::eventImpactG},
        {"eventOverSpeedKmh", &Settings::eventOverSpeedKmh}, {"compassAngle", &Settings::compassAngle},
        {"needleAngle", &Settings::needleAngle}, {"insetShare", &Settings::insetShare}};
    if (const auto it = optional.find(name); it != optional.end()) {
        const std::optional<double> v = (s.*(it->second))();
        return v ? QVariant(*v) : QVariant();
    }
    return s.property(name.constData());
}

} // namespace

// What a setting reads when its change signal comes.
class Announcements : public QObject {
    Q_OBJECT
public:
    Announcements(Settings *settings, const QByteArray &name) : settings_(settings), name_(name)
    {
        const QMetaProperty p = settings->metaObject()->property(settings->metaObject()->indexOfProperty(name));
        connect(settings, p.notifySignal(), this, metaObject()->method(metaObject()->indexOfSlot("heard()")));
    }
    QVariantList values;
public slots:
    void heard() { values << settings_->property(name_.constData()); }

private:
    Settings *settings_;
    QByteArray name_;
};

class SettingsTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString file_;

private slots:
    void init();
    void readsTheStoredFile_data();
    void readsTheStoredFile();
    void changesAreStoredThenAnnouncedOnce_data();
    void changesAreStoredThenAnnouncedOnce();
    void valuesReachTheFile();
    void sharedColours();
};

void SettingsTest::init()
{
    file_ = dir_.filePath(QStringLiteral("%1.ini").arg(QLatin1String(QTest::currentDataTag())).replace(QLatin1Char('/'), QLatin1Char('_')));
    QSettings(file_, QSettings::IniFormat).clear();
}

void SettingsTest::readsTheStoredFile_data()
{
    QTest::addColumn<QByteArray>("setting");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QVariant>("stored");   // invalid: nothing stored
    QTest::addColumn<QVariant>("reads");    // invalid: reads as absent
    QTest::addColumn<QVariant>("file");     // what the file holds then; invalid: as stored
    const QVariant none;
    const auto row = [](const char *name, const char *setting, const char *key, const QVariant &stored,
                        const QVariant &reads, const QVariant &file = QVariant()) {
        QTest::addRow("%s", name) << QByteArray(setting) << QByteArray(key) << stored << reads << file;
    };
    const auto text = [](const char *t) { return QVariant(QString::fromUtf8(t)); };
    const QVariant list = QStringList{"zh-Hans", "en"};
    const QVariant map = QVariantMap{{"a", 1}};
    using Cases = std::initializer_list<std::pair<const char *, QVariant>>;

    // Anything but "mileph" is km/h, and the file then says "kmph".
    for (const auto &[name, stored] : Cases{{"absent", none}, {"kmph", text("kmph")}, {"other text", text("mph")},
                                       {"other case", text("MILEPH")}, {"empty text", text("")},
                                       {"a number", QVariant(2)}, {"knots", text("knots")},
                                       {"a list holding mileph", QVariant(QStringList{"mileph"})}})
        row(qPrintable(QStringLiteral("speed unit: %1").arg(QLatin1String(name))), "kmph", AppKeys::SPEED_UNIT,
            stored, true, text("kmph"));
    row("speed unit: mileph", "kmph", AppKeys::SPEED_UNIT, text("mileph"), false, text("mileph"));
    // Anything but "google" is OpenStreetMap ("street").
    row("map: first run: OpenStreetMap", "googleMap", AppKeys::CHANGE_MAP, none, false, text("street"));
    row("map: google", "googleMap", AppKeys::CHANGE_MAP, text("google"), true, text("google"));
    row("map: street", "googleMap", AppKeys::CHANGE_MAP, text("street"), false, text("street"));
    row("map: other text", "googleMap", AppKeys::CHANGE_MAP, text("bing"), false, text("street"));
    row("map: wrong type", "googleMap", AppKeys::CHANGE_MAP, 1.5, false, text("street"));

    row("pictures: first run: on", "placeInPictures", AppKeys::PLACE_IN_PICTURES, none, true);
    row("pictures: off", "placeInPictures", AppKeys::PLACE_IN_PICTURES, false, false);
    row("pictures: off as the file keeps it", "placeInPictures", AppKeys::PLACE_IN_PICTURES, text("false"), false);
    row("pictures: wrong type: on", "placeInPictures", AppKeys::PLACE_IN_PICTURES, 0, true);
    row("clean GPS: first run: on", "cleanGps", AppKeys::CLEAN_GPS, none, true);
    row("clean GPS: off", "cleanGps", AppKeys::CLEAN_GPS, false, false);
    row("clean GPS: off as the file keeps it", "cleanGps", AppKeys::CLEAN_GPS, text("false"), false);
    row("smooth route: first run: off", "smoothRoute", AppKeys::SMOOTH_ROUTE, none, false);
    row("export location: first run: all of it", "exportLocation", AppKeys::EXPORT_LOCATION, none, text("full"));
    row("export location: none", "exportLocation", AppKeys::EXPORT_LOCATION, text("none"), text("none"));
    row("export location: unknown text: all of it", "exportLocation", AppKeys::EXPORT_LOCATION, text("gps"), text("full"));
    row("overlay: first run: none yet", "overlayChoice", AppKeys::OVERLAY_CHOICE, none, text(""));
    row("overlay: as chosen", "overlayChoice", AppKeys::OVERLAY_CHOICE, text("corners:speed,map"), text("corners:speed,map"));
    row("blur: first run: none yet", "exportBlur", AppKeys::EXPORT_BLUR, none, text(""));
    row("blur: as chosen", "exportBlur", AppKeys::EXPORT_BLUR, text("off:pixelate:3"), text("off:pixelate:3"));
    row("smooth route: on as the file keeps it", "smoothRoute", AppKeys::SMOOTH_ROUTE, text("true"), true);
    row("times: first run: the camera's clock", "timeClock", AppKeys::TIME_CLOCK, none, text("camera"));
    row("times: UTC", "timeClock", AppKeys::TIME_CLOCK, text("utc"), text("utc"));
    row("times: unknown clock", "timeClock", AppKeys::TIME_CLOCK, text("mars"), text("camera"));
    row("times: zone", "timeZone", AppKeys::TIME_ZONE, text("Europe/Berlin"), text("Europe/Berlin"));
    const QVariantMap offsets{{"#_#_#_#f.mov", 200}, {"#_front.mp4", -300}};
    row("telemetry offsets: per camera", "telemetryOffsets", AppKeys::TELEMETRY_OFFSETS, offsets, offsets);
    row("telemetry offsets: only whole numbers other than 0", "telemetryOffsets", AppKeys::TELEMETRY_OFFSETS,
        QVariantMap{{"a", 200}, {"b", "x"}, {"c", 0}, {"d", 0.5}}, QVariantMap{{"a", 200}});
    row("telemetry offsets: wrong type", "telemetryOffsets", AppKeys::TELEMETRY_OFFSETS, text("200"), QVariantMap());
    const QVariantMap channels{{"####_####_######_###R.MOV", 500}, {"####-##-##_##-##-##-back.mp4", -40}};
    row("channel offsets: per camera", "channelOffsets", AppKeys::CHANNEL_OFFSETS, channels, channels);
    row("channel offsets: whole numbers other than 0, five seconds at most", "channelOffsets",
        AppKeys::CHANNEL_OFFSETS, QVariantMap{{"a", 9000}, {"b", "x"}, {"c", 0}, {"d", -70000}, {"e", "30"}},
        QVariantMap{{"a", 5000}, {"d", -5000}, {"e", 30}});
    row("channel offsets: wrong type", "channelOffsets", AppKeys::CHANNEL_OFFSETS, QVariantList{1}, QVariantMap());
    row("media controls: first run: off", "placeToMediaControls", AppKeys::PLACE_TO_MEDIA_CONTROLS, none, false);
    row("media controls: on", "placeToMediaControls", AppKeys::PLACE_TO_MEDIA_CONTROLS, true, true);
    row("media controls: on as the file keeps it", "placeToMediaControls", AppKeys::PLACE_TO_MEDIA_CONTROLS,
        text("true"), true);
    row("media controls: wrong type: off", "placeToMediaControls", AppKeys::PLACE_TO_MEDIA_CONTROLS, text("yes"),
        false);

    // Texts: only a text is one.
    row("language: text", "userLanguage", AppKeys::USER_LANGUAGE, text("zh-Hans"), text("zh-Hans"));
    row("language: number kept as text by the file", "userLanguage", AppKeys::USER_LANGUAGE, text("-1.25"),
        text("-1.25"));
    for (const auto &[name, stored] : Cases{{"absent", none}, {"double", QVariant(0.75)}, {"int", QVariant(3)},
                                       {"list", list}, {"map", map}, {"bool", QVariant(true)}})
        row(qPrintable(QStringLiteral("language: %1 reads as none").arg(QLatin1String(name))), "userLanguage",
            AppKeys::USER_LANGUAGE, stored, text(""));
    row("api key: text", "googleMapsApiKey", AppKeys::GOOGLE_MAPS_API_KEY, text("abc"), text("abc"));
    row("api key: a number", "googleMapsApiKey", AppKeys::GOOGLE_MAPS_API_KEY, 5, text(""));
    row("tile server: absent", "tileServerForTests", AppKeys::MAP_TILE_SERVER_FOR_TESTS, none, text(""));

    // Lists: a list, or one text.
    row("sources: list", "offlineSources", AppKeys::OFFLINE_MAP_SOURCES, list, list);
    row("sources: one text", "offlineSources", AppKeys::OFFLINE_MAP_SOURCES, text("abc"), QStringList{"abc"});
    row("sources: NaN kept as text by the file", "offlineSources", AppKeys::OFFLINE_MAP_SOURCES, text("nan"),
        QStringList{"nan"});
    for (const auto &[name, stored] : Cases{{"absent", none}, {"double", QVariant(0.75)}, {"map", map},
                                       {"bool", QVariant(true)}})
        row(qPrintable(QStringLiteral("sources: %1 reads as none").arg(QLatin1String(name))), "offlineSources",
            AppKeys::OFFLINE_MAP_SOURCES, stored, QStringList());
    row("languages: list", "preferredLanguages", AppKeys::APPLE_LANGUAGES, list, list);

    // Numbers: numbers and numbers kept as text, when finite.
    row("inset share: first run: none", "insetShare", AppKeys::INSET_SHARE, none, none);
    row("inset share: as chosen", "insetShare", AppKeys::INSET_SHARE, text("0.4"), 0.4);
    row("inset share: not a share", "insetShare", AppKeys::INSET_SHARE, 3, none);
    row("trip gap: double", "tripGapSeconds", AppKeys::TRIP_GAP_SECONDS, 0.75, 0.75);
    row("trip gap: int", "tripGapSeconds", AppKeys::TRIP_GAP_SECONDS, 3, 3.0);
    row("trip gap: number kept as text by the file", "tripGapSeconds", AppKeys::TRIP_GAP_SECONDS, text("1.25"), 1.25);
    row("trip gap: a day", "tripGapSeconds", AppKeys::TRIP_GAP_SECONDS, 86400, 86400.0);
    for (const auto &[name, stored] : Cases{{"absent", none}, {"text", text("abc")}, {"list", list},
                                       {"map", map}, {"bool", QVariant(true)}, {"NaN", QVariant(qQNaN())},
                                       {"infinity", QVariant(-qInf())}, {"NaN kept as text by the file", text("nan")},
                                       {"infinity kept as text by the file", text("inf")},
                                       {"negative", QVariant(-1)}, {"over a day", QVariant(86401)}})
        row(qPrintable(QStringLiteral("trip gap: %1 reads as absent").arg(QLatin1String(name))), "tripGapSeconds",
            AppKeys::TRIP_GAP_SECONDS, stored, none);
    row("volume: first run: full", "volume", AppKeys::VOLUME, none, 1.0);
    row("volume: a third", "volume", AppKeys::VOLUME, 0.33, 0.33);
    row("volume: kept as text by the file", "volume", AppKeys::VOLUME, text("0.5"), 0.5);
    row("volume: too loud", "volume", AppKeys::VOLUME, 3, 1.0);
    row("volume: below silence", "volume", AppKeys::VOLUME, -1, 0.0);
    row("volume: NaN: full", "volume", AppKeys::VOLUME, qQNaN(), 1.0);
    row("cache: first run", "cacheLimitMB", AppKeys::MAP_TILE_CACHE_MB, none, Settings::kDefaultCacheLimitMB);
    row("cache: none kept", "cacheLimitMB", AppKeys::MAP_TILE_CACHE_MB, 0, 0);
    row("cache: kept as text by the file", "cacheLimitMB", AppKeys::MAP_TILE_CACHE_MB, text("250"), 250);
    row("cache: at most a terabyte", "cacheLimitMB", AppKeys::MAP_TILE_CACHE_MB, 2e6, 1000000);
    row("cache: negative", "cacheLimitMB", AppKeys::MAP_TILE_CACHE_MB, -5, 0);
    row("cache: infinity", "cacheLimitMB", AppKeys::MAP_TILE_CACHE_MB, qInf(), Settings::kDefaultCacheLimitMB);
    row("event: harsh g", "eventHarshG", AppKeys::EVENT_HARSH_G, 0.6, 0.6);
    row("event: impact kept as text by the file", "eventImpactG", AppKeys::EVENT_IMPACT_G, text("2.5"), 2.5);
    row("event: speed change absent", "eventSpeedChangeKmh", AppKeys::EVENT_SPEED_CHANGE, none, none);
    row("event: zero reads as absent", "eventHarshG", AppKeys::EVENT_HARSH_G, 0, none);
    row("event: negative reads as absent", "eventImpactG", AppKeys::EVENT_IMPACT_G, -1.5, none);
    row("event: NaN reads as absent", "eventHarshG", AppKeys::EVENT_HARSH_G, qQNaN(), none);
    row("event: over-speed off", "eventOverSpeedKmh", AppKeys::EVENT_OVER_SPEED, 0, none);
    row("event: over-speed", "eventOverSpeedKmh", AppKeys::EVENT_OVER_SPEED, 120, 120.0);
    row("compass: absent", "compassAngle", AppKeys::ROTATE_ANGLE_V, none, none);
    row("compass: angle", "compassAngle", AppKeys::ROTATE_ANGLE_V, 1.25, 1.25);
    row("needle: NaN kept as text by the file", "needleAngle", AppKeys::ROTATE_SPD_V, text("nan"), none);

    // Flags as text reads them.
    row("online maps: first run: on", "useOnlineMaps", AppKeys::USE_ONLINE_MAPS, none, true);
    row("online maps: off", "useOnlineMaps", AppKeys::USE_ONLINE_MAPS, false, false);
    row("online maps: off as the file keeps it", "useOnlineMaps", AppKeys::USE_ONLINE_MAPS, text("false"), false);
    row("caption: first run: off", "captureCaption", AppKeys::CAPTURE_CAPTION, none, false);
    row("caption: on as the file keeps it", "captureCaption", AppKeys::CAPTURE_CAPTION, text("true"), true);
    row("trip panel: trip", "tripPanelShowsTrip", AppKeys::TRIP_PANEL_FIGURES, text("trip"), true);
    row("trip panel: clip", "tripPanelShowsTrip", AppKeys::TRIP_PANEL_FIGURES, text("clip"), false);
    row("trip panel: absent: clip", "tripPanelShowsTrip", AppKeys::TRIP_PANEL_FIGURES, none, false);
}

void SettingsTest::readsTheStoredFile()
{
    QFETCH(QByteArray, setting);
    QFETCH(QByteArray, key);
    QFETCH(QVariant, stored);
    QFETCH(QVariant, reads);
    QFETCH(QVariant, file);
    {
        // As another run of the program left it.
        QSettings before(file_, QSettings::IniFormat);
        if (stored.isValid())
            before.setValue(QString::fromLatin1(key), stored);
        before.sync();
    }
    Settings settings(file_);
    QCOMPARE(read(settings, setting), reads);
    if (file.isValid())
        QCOMPARE(QSettings(file_, QSettings::IniFormat).value(QString::fromLatin1(key)), file);
}

void SettingsTest::changesAreStoredThenAnnouncedOnce_data()
{
    QTest::addColumn<QByteArray>("setting");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<int>("announced");
    QTest::addRow("speed unit") << QByteArray("kmph") << QVariant(false) << 1;
    QTest::addRow("speed unit chosen again") << QByteArray("kmph") << QVariant(true) << 1;
    QTest::addRow("map") << QByteArray("googleMap") << QVariant(true) << 1;
    QTest::addRow("map chosen again: it loads again") << QByteArray("googleMap") << QVariant(false) << 1;
    QTest::addRow("volume") << QByteArray("volume") << QVariant(0.25) << 1;
    QTest::addRow("caption") << QByteArray("captureCaption") << QVariant(true) << 1;
    QTest::addRow("language") << QByteArray("userLanguage") << QVariant(QStringLiteral("zh-Hans")) << 1;
    QTest::addRow("place in pictures") << QByteArray("placeInPictures") << QVariant(false) << 1;
    QTest::addRow("place to media controls") << QByteArray("placeToMediaControls") << QVariant(true) << 1;
    QTest::addRow("online maps") << QByteArray("useOnlineMaps") << QVariant(false) << 1;
    QTest::addRow("online maps unchanged") << QByteArray("useOnlineMaps") << QVariant(true) << 0;
    QTest::addRow("offline sources") << QByteArray("offlineSources") << QVariant(QStringList{"/maps/a.mbtiles"}) << 1;
    QTest::addRow("cache limit") << QByteArray("cacheLimitMB") << QVariant(100) << 1;
    QTest::addRow("cache limit unchanged") << QByteArray("cacheLimitMB") << QVariant(Settings::kDefaultCacheLimitMB)
                                           << 0;
    QTest::addRow("tile server") << QByteArray("tileServerForTests") << QVariant(QStringLiteral("http://127.0.0.1/{z}"))
                                 << 1;
    QTest::addRow("trip panel") << QByteArray("tripPanelShowsTrip") << QVariant(true) << 1;
    QTest::addRow("telemetry offsets") << QByteArray("telemetryOffsets")
                                       << QVariant(QVariantMap{{"#_#_#_#f.mov", -100}}) << 1;
    QTest::addRow("channel offsets") << QByteArray("channelOffsets")
                                     << QVariant(QVariantMap{{"####_####_######_###R.MOV", 40}}) << 1;
}

void SettingsTest::changesAreStoredThenAnnouncedOnce()
{
    QFETCH(QByteArray, setting);
    QFETCH(QVariant, value);
    QFETCH(int, announced);
    Settings settings(file_);
    Announcements heard(&settings, setting);
    QVERIFY(settings.setProperty(setting.constData(), value));
    // The value the signal finds is the new one, and so is what the file holds.
    QCOMPARE(heard.values, announced ? QVariantList{value} : QVariantList());
    QCOMPARE(read(Settings(file_), setting), value);
}

void SettingsTest::valuesReachTheFile()
{
    Settings settings(file_);
    settings.setKmph(false);
    settings.setGoogleMap(true);
    settings.setCompassAngle(1.5707963267948966);
    QSignalSpy thresholds(&settings, &Settings::eventThresholdsChanged);
    QList<std::optional<double>> heard;
    connect(&settings, &Settings::eventThresholdsChanged, this, [&] { heard << settings.eventImpactG(); });
    settings.setEventThresholds(15, 0.5, 2.5, 0);
    QCOMPARE(heard, QList<std::optional<double>>{2.5});
    QVERIFY(!settings.eventOverSpeedKmh());
    settings.waitForWrites();
    // On disk, as the next start of the program reads it.
    QFile file(file_);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    for (const char *line : {"speed_unit=mileph", "change_map=google", "rotateAngle_v=1.5707963",
                             "event_impact_g=2.5", "event_over_speed_kmh=0"})
        QVERIFY2(text.contains(line), text.constData());

    // The user's own file lives in the configuration folder.
    const Settings user;
    QCOMPARE(user.fileName(), QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Veltra"),
                                       QStringLiteral("Veltra Player")).fileName());
    QVERIFY(user.fileName().startsWith(qEnvironmentVariable("XDG_CONFIG_HOME")));
}

void SettingsTest::sharedColours()
{
    QCOMPARE(AppColorManager::appBackgroundColor(), QColor(223, 221, 224));
    QCOMPARE(AppColorManager::gsensorBackgroundColor(), QColor(72, 169, 210));
    QCOMPARE(AppColorManager::appBackgroundColor().alphaF(), 1.0f);
}

QTEST_GUILESS_MAIN(SettingsTest)
#include "tst_settings.moc"
