// The play list's position and compass half, showing the drive's telemetry of
// entries stored through TrackStore.
#include "InstrumentTestSupport.h"
#include "instruments/InstrumentGeometry.h"
#include "instruments/PositionCompassPanel.h"
#include "instruments/RotatedImageView.h"
#include "common/AppKeys.h"
#include "common/Localization.h"

#include <QAccessible>
#include <QFile>
#include <QLabel>
#include <QSettings>
#include <QTest>
#include <QtMath>

#include <memory>

using namespace InstrumentGeometry;

class PositionCompassPanelTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<TestSettings> settings_;

    // Writes to the settings file behind the panel's back (removes `key` when `value` is invalid).
    void storeBehindTheBack(const char *key, const QVariant &value)
    {
        QSettings file(settings_->fileName(), QSettings::IniFormat);
        if (value.isValid())
            file.setValue(QLatin1String(key), value);
        else
            file.remove(QLatin1String(key));
    }

    QList<GpsSample> drive180WithHalfTheFixes()
    {
        // 180 samples, one per second; the odd seconds have no fix. Speed = second,
        // heading = 2 x second.
        QList<GpsSample> samples;
        for (int s = 0; s < 180; ++s) {
            if (s % 2 == 0)
                samples << makeSample(QByteArray::number(40.0 + s / 1000.0).constData(),
                                      QByteArray::number(-3.0 - s / 1000.0).constData(), s, 2.0 * s);
            else
                samples << makeSample("", "", s, 0);
        }
        return samples;
    }

private slots:
    void init()
    {
        installUnitLabels();
        settings_ = std::make_unique<TestSettings>();
        TrackStore::clearPlayList();
    }

    void readoutsFollowTheClock_data()
    {
        QTest::addColumn<bool>("kmph");
        QTest::addColumn<int>("speed");
        QTest::addColumn<QString>("lat");
        QTest::addColumn<QString>("lng");
        QTest::addColumn<double>("heading");
        QTest::addColumn<QString>("speedText");
        QTest::addColumn<float>("needle");
        QTest::addColumn<QString>("dial");
        QTest::addColumn<QString>("latText");
        QTest::addColumn<QString>("latLetter");
        QTest::addColumn<QString>("lngText");
        QTest::addColumn<QString>("lngLetter");
        QTest::addColumn<float>("compass");
        QTest::addColumn<QString>("missing");   // what the camera did not record

        QTest::addRow("100 km/h shown in mph")
            << false << 100 << "51.5" << "-0.1275" << 90.0 << "62 MPH" << float(double(62.0f / 90.0f) * M_PI)
            << "speed_dial_mph" << QString::fromUtf8(" 51\u00b0 30'    0.00") << "N"
            << QString::fromUtf8("  0\u00b0  7'    39.00") << "W" << float(M_PI / 2) << "";
        QTest::addRow("172 km/h is half a turn")
            << true << 172 << "-33.75" << "151.2" << 180.0 << "172 KM/H" << float(M_PI) << "speed_dial_kmh"
            << QString::fromUtf8(" 33\u00b0 45'    0.00") << "S"
            << QString::fromUtf8("151\u00b0 11'    59.99") << "E" << float(M_PI) << "";
        QTest::addRow("standing still")
            << true << 0 << "10" << "20" << 0.0 << "0 KM/H" << 0.0f << "speed_dial_kmh"
            << QString::fromUtf8(" 10\u00b0  0'    0.00") << "N"
            << QString::fromUtf8(" 20\u00b0  0'    0.00") << "E" << 0.0f << "";
        const QString dash = QString::fromUtf8("\u2013");
        QTest::addRow("a fix without speed")
            << true << 0 << "51.5" << "-0.1275" << 90.0 << dash << 0.0f << "speed_dial_kmh"
            << QString::fromUtf8(" 51\u00b0 30'    0.00") << "N"
            << QString::fromUtf8("  0\u00b0  7'    39.00") << "W" << float(M_PI / 2) << "speed";
        QTest::addRow("a fix without course")
            << true << 172 << "-33.75" << "151.2" << 0.0 << "172 KM/H" << float(M_PI) << "speed_dial_kmh"
            << QString::fromUtf8(" 33\u00b0 45'    0.00") << "S"
            << QString::fromUtf8("151\u00b0 11'    59.99") << "E" << 0.0f << "course";
        QTest::addRow("speed without a fix")
            << true << 86 << "" << "" << 0.0 << "86 KM/H" << speedDial(86.0f, true).needleRotation << "speed_dial_kmh"
            << dash << "" << dash << "" << 0.0f << "fix";
        QTest::addRow("telemetry that cannot be read")
            << true << 0 << "10" << "20" << 0.0 << dash << 0.0f << "speed_dial_kmh" << dash << "" << dash << "" << 0.0f << "everything";
    }
    void readoutsFollowTheClock()
    {
        QFETCH(bool, kmph);
        QFETCH(int, speed);
        QFETCH(QString, lat);
        QFETCH(QString, lng);
        QFETCH(double, heading);
        settings_->setKmph(kmph);
        const QString path = fileUrl("A.MOV");
        QFETCH(QString, missing);
        const QString other = fileUrl("A2.MOV");
        const PlayListEntry entry =
            makeEntry(path, {makeSample(lat.toLatin1().constData(), lng.toLatin1().constData(), speed, heading)}, speed);
        storeEntries({missing.isEmpty() ? entry : without(entry, missing), makeEntry(other, {makeSample("1.25", "2.5", 0, 0)}, 0)});

        PositionCompassPanel panel(*settings_);
        DriveRig rig(&panel);
        rig.open(path);
        rig.duration(1.0);
        rig.tick(0.5);

        QTEST(panel.spdshow->text(), "speedText");
        QTEST(panel.needleAngle(), "needle");
        QTEST(panel.speedDial->imageName(), "dial");
        QTEST(panel.latitudeLabels->text(), "latText");
        QTEST(panel.latitudeUnitLabels->text(), "latLetter");
        QTEST(panel.longitudeLabels->text(), "lngText");
        QTEST(panel.longitudeUnitLabels->text(), "lngLetter");
        QTEST(panel.compassAngle(), "compass");
        QCOMPARE(panel.spd_show_v(), float(speed));
        // What the camera did not record has no needle and no compass pointer.
        const auto shown = [&panel](const char *image) {
            for (const RotatedImageView *v : panel.findChildren<RotatedImageView *>())
                if (v->imageName() == QLatin1String(image))
                    return v->isVisibleTo(&panel);
            return false;
        };
        QCOMPARE(shown("speed_needle_kmh") || shown("speed_needle_mph"), missing != "speed" && missing != "everything");
        QCOMPARE(shown("compass_pointer"), missing.isEmpty() || missing == "speed");
        // The page keeps the position read-outs hidden.
        QVERIFY(panel.latitudeLabels->isHidden());
        QVERIFY(panel.longitudeUnitLabels->isHidden());
        // Another file shows its own entry, although the entry's number is the same.
        rig.open(other);
        rig.tick(0.5);
        QCOMPARE(panel.latitudeLabels->text(), convertLatLngToDFM(1.25f));
    }

    void assistiveToolsHearTheFiguresOnceTheyListen()
    {
        const QString path = fileUrl("B.MOV");
        storeEntries({makeEntry(path, drive180WithHalfTheFixes(), 179)});
        PositionCompassPanel panel(*settings_);
        DriveRig rig(&panel);
        rig.open(path);
        rig.duration(180.0);
        rig.tick(100.5);
        auto spokenName = [&] { return QAccessible::queryAccessibleInterface(panel.spdshow)->text(QAccessible::Name); };
        QVERIFY(!QAccessible::isActive());
        QVERIFY(spokenName() != panel.spdshow->text());

        QAccessible::setActive(true);
        QCOMPARE(spokenName(), panel.spdshow->text());
        rig.tick(120.5);
        QCOMPARE(spokenName(), QStringLiteral("120 KM/H"));
        // A panel made while a tool listens names its figures from the start.
        PositionCompassPanel second(*settings_);
        QCOMPARE(QAccessible::queryAccessibleInterface(second.spdshow)->text(QAccessible::Name), second.spdshow->text());
        QAccessible::setActive(false);
        QVERIFY(spokenName() != panel.spdshow->text());
    }

    void ticksOutsideTheDataChangeNothing()
    {
        const QString path = fileUrl("C.MOV");
        storeEntries({makeEntry(path, drive180WithHalfTheFixes(), 179)});
        PositionCompassPanel panel(*settings_);
        DriveRig rig(&panel);
        rig.open(path);
        rig.duration(180.0);
        rig.tick(59.97);
        const QString speed = panel.spdshow->text();
        const float compass = panel.compassAngle();
        QCOMPARE(speed, QStringLiteral("59 KM/H"));
        rig.tick(180.0);    // index 180 == N
        rig.tick(-4.0);     // index -2
        QCOMPARE(panel.spdshow->text(), speed);
        QCOMPARE(panel.compassAngle(), compass);

        // A file that is not in the store: every list empty, nothing moves.
        rig.open(fileUrl("missing.MOV"));
        rig.tick(10.0);
        QCOMPARE(panel.spdshow->text(), speed);
        QCOMPARE(panel.compassAngle(), compass);
    }

    void fileWithoutFixMovesOnlyTheSpeed()
    {
        QList<GpsSample> samples;
        for (int s = 0; s < 20; ++s)
            samples << makeSample("", "0", 30 + s, 45.0);
        const QString path = fileUrl("D.MOV");
        storeEntries({makeEntry(path, samples, 49)});
        PositionCompassPanel panel(*settings_);
        DriveRig rig(&panel);
        panel.rotateAngle(0.25f);
        panel.latitudeLabels->setText(QStringLiteral("before"));
        rig.open(path);
        rig.duration(20.0);
        rig.tick(12.2);
        QCOMPARE(panel.spdshow->text(), QStringLiteral("42 KM/H"));
        QCOMPARE(panel.compassAngle(), 0.25f);
        // No position is a dash rather than the place shown before.
        QCOMPARE(panel.latitudeLabels->text(), QString::fromUtf8("\u2013"));
    }

    void rotationsAreStoredOnlyWhenTheyChange()
    {
        const QString path = fileUrl("E.MOV");
        storeEntries({makeEntry(path, {makeSample("1", "1", 86, 90.0), makeSample("1", "1", 43, 270.0)}, 86)});
        PositionCompassPanel panel(*settings_);
        DriveRig rig(&panel);
        rig.open(path);
        rig.duration(2.0);
        rig.tick(0.1);
        settings_->waitForWrites();
        QCOMPARE(settings_->compassAngle().value_or(-1), double(float(M_PI / 2)));
        QCOMPARE(settings_->needleAngle().value_or(-1), double(float(M_PI / 2)));

        // Put other values in the store behind the panel's back: ticks within the
        // same second must not write, so they survive.
        storeBehindTheBack(AppKeys::ROTATE_ANGLE_V, 7.0);
        storeBehindTheBack(AppKeys::ROTATE_SPD_V, 8.0);
        for (int k = 0; k < 500; ++k)
            rig.tick(0.1 + k * 0.001);
        settings_->waitForWrites();
        QCOMPARE(settings_->compassAngle().value_or(-1), 7.0);
        QCOMPARE(settings_->needleAngle().value_or(-1), 8.0);

        // The next second turns both and writes both out.
        rig.tick(1.0);
        settings_->waitForWrites();
        QCOMPARE(settings_->compassAngle().value_or(-1), double(compassRotation(270.0)));
        QCOMPARE(settings_->needleAngle().value_or(-1), double(float(M_PI / 4)));
        // ... and on disk.
        QFile file(settings_->fileName());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        QVERIFY2(text.contains("rotateSpd_v=" + QByteArray::number(double(float(M_PI / 4)), 'g', 17).left(6)),
                 text.constData());
    }

    void compassRestoreTurnsToTheStoredAngles()
    {
        PositionCompassPanel panel(*settings_);
        DriveRig rig(&panel);
        storeBehindTheBack(AppKeys::ROTATE_ANGLE_V, 1.25);
        storeBehindTheBack(AppKeys::ROTATE_SPD_V, 2.5);
        panel.updateCompass();
        // Deferred to a later turn of the event loop.
        QCOMPARE(panel.compassAngle(), 0.0f);
        QTRY_COMPARE(panel.compassAngle(), 1.25f);
        QCOMPARE(panel.needleAngle(), 2.5f);
        settings_->waitForWrites();
        QCOMPARE(settings_->compassAngle().value_or(-1), 1.25);

        // Nothing stored: both turn back to 0.
        storeBehindTheBack(AppKeys::ROTATE_ANGLE_V, QVariant());
        storeBehindTheBack(AppKeys::ROTATE_SPD_V, QVariant());
        panel.updateCompass();
        QTRY_COMPARE(panel.compassAngle(), 0.0f);
        QCOMPARE(panel.needleAngle(), 0.0f);
    }

    void unitChangeRedrawsSpeedAndDialButKeepsTheNeedle()
    {
        const QString path = fileUrl("F.MOV");
        storeEntries({makeEntry(path, {makeSample("1", "1", 100, 0)}, 100)});
        PositionCompassPanel panel(*settings_);
        DriveRig rig(&panel);
        QCOMPARE(panel.speedDial->imageName(), QStringLiteral("speed_dial_kmh"));
        QCOMPARE(panel.speedNeedle->imageName(), QStringLiteral("speed_needle_kmh"));
        rig.open(path);
        rig.duration(1.0);
        rig.tick(0.0);
        const float needle = panel.needleAngle();
        QCOMPARE(needle, float(double(100.0f / 172.0f) * M_PI));

        settings_->setKmph(false);
        QCOMPARE(panel.spdshow->text(), QStringLiteral("62 MPH"));
        QCOMPARE(panel.speedDial->imageName(), QStringLiteral("speed_dial_mph"));
        QCOMPARE(panel.speedNeedle->imageName(), QStringLiteral("speed_needle_mph"));
        QCOMPARE(panel.needleAngle(), needle);

        rig.tick(0.0);
        QCOMPARE(panel.needleAngle(), float(double(62.0f / 90.0f) * M_PI));
    }

    // With the program's own string tables, in each language, the unit read back
    // from the speed text picks the right dial and needle turn.
    void unitReadBackWorksWithTheStringTables_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<bool>("kmph");
        QTest::addColumn<float>("needle");
        QTest::addColumn<QString>("dial");
        const float mph = float(double(62.0f / 90.0f) * M_PI);
        const float kmh = float(double(100.0f / 172.0f) * M_PI);
        QTest::addRow("English, km/h") << "en" << true << kmh << "speed_dial_kmh";
        QTest::addRow("English, mph") << "en" << false << mph << "speed_dial_mph";
        QTest::addRow("Chinese, km/h") << "zh-Hans" << true << kmh << "speed_dial_kmh";
        QTest::addRow("Chinese, mph") << "zh-Hans" << false << mph << "speed_dial_mph";
    }
    void unitReadBackWorksWithTheStringTables()
    {
        QFETCH(QString, language);
        QFETCH(bool, kmph);
        QCoreApplication::removeTranslator(unitLabels());
        Localization::install(language);
        settings_->setKmph(kmph);
        const QString path = fileUrl("H.MOV");
        storeEntries({makeEntry(path, {makeSample("1", "1", 100, 0)}, 100)});
        PositionCompassPanel panel(*settings_);
        DriveRig rig(&panel);
        rig.open(path);
        rig.duration(1.0);
        rig.tick(0.0);
        QTEST(panel.needleAngle(), "needle");
        QTEST(panel.speedDial->imageName(), "dial");
        QCoreApplication::installTranslator(unitLabels());
    }

    void observersLeaveWithThePanel()
    {
        const char *unit = SIGNAL(speedUnitChanged(bool));
        const int before = settings_->followers(unit);
        {
            PositionCompassPanel panel(*settings_);
            DriveRig rig(&panel);
            QCOMPARE(settings_->followers(unit), before + 1);
        }
        QCOMPARE(settings_->followers(unit), before);
        settings_->setKmph(false);
    }

    // The painting follows the geometry: the needle tip and the compass pointer
    // sit where the angles put them.
    void needleAndPointerArePaintedWhereTheAnglesSay_data()
    {
        QTest::addColumn<int>("speed");
        QTest::addColumn<double>("heading");
        QTest::addRow("0 km/h, north") << 0 << 0.0;
        QTest::addRow("86 km/h, east") << 86 << 90.0;
        QTest::addRow("150 km/h, south-west") << 150 << 225.0;
    }
    void needleAndPointerArePaintedWhereTheAnglesSay()
    {
        QFETCH(int, speed);
        QFETCH(double, heading);
        const QString path = fileUrl("G.MOV");
        storeEntries({makeEntry(path, {makeSample("1", "1", speed, heading)}, speed)});
        PositionCompassPanel panel(*settings_);
        DriveRig rig(&panel);
        panel.resize(450, 264);
        rig.open(path);
        rig.duration(1.0);
        rig.tick(0.0);
        const QImage img = panel.grab().toImage();

        // Needle: 75% of the way from the pivot to the tip, turned clockwise.
        const QRectF nv = panel.speedNeedle->geometry();
        const double scale = nv.width() / DialArtwork::needleBox;
        const double a = panel.needleAngle();
        const double r = 0.75 * DialArtwork::needleLength * scale;
        const QPoint tip = (nv.center() + QPointF(-r * std::cos(a), -r * std::sin(a))).toPoint();
        QVERIFY2(near(img.pixelColor(tip), QColor(0xff, 0x7a, 0x12), 60),
                 qPrintable(QStringLiteral("needle pixel %1").arg(img.pixelColor(tip).name())));

        // Compass pointer: 40% of the radius out along the heading, clockwise from up.
        const QRectF cv = panel.compassPointer->geometry();
        const double h = qDegreesToRadians(heading);
        const double pr = 0.40 * cv.width() / 2;
        const QPoint point = (cv.center() + QPointF(pr * std::sin(h), -pr * std::cos(h))).toPoint();
        QVERIFY2(near(img.pixelColor(point), QColor(0xff, 0x8a, 0x1f), 70) ||
                     near(img.pixelColor(point), QColor(0xff, 0xb3, 0x66), 70),
                 qPrintable(QStringLiteral("pointer pixel %1").arg(img.pixelColor(point).name())));
        // ... and not a quarter turn further on.
        const QPoint off = (cv.center() + QPointF(pr * std::sin(h + M_PI / 2), -pr * std::cos(h + M_PI / 2))).toPoint();
        QVERIFY(!near(img.pixelColor(off), QColor(0xff, 0x8a, 0x1f), 70));
    }
};

QTEST_MAIN(PositionCompassPanelTest)
#include "tst_positioncompasspanel.moc"
