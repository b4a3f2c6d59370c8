// The trip statistics panel showing the drive's telemetry of entries stored
// through TrackStore.
#include "InstrumentTestSupport.h"
#include "common/Localization.h"
#include "instruments/BlackView.h"
#include "instruments/CustomGsensorView.h"
#include "instruments/InstrumentPanel.h"
#include "instruments/ReadoutLabel.h"
#include "instruments/RotatedImageView.h"
#include "instruments/VehicleReadout.h"

#include <QSet>
#include <QLabel>
#include <QToolButton>
#include <QTest>

#include <limits>
#include <memory>

class InstrumentPanelTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<TestSettings> settings_;

    void postUnitChange(bool kmph) { settings_->setKmph(kmph); }

private slots:
    void init()
    {
        installUnitLabels();
        settings_ = std::make_unique<TestSettings>();
        TrackStore::clearPlayList();
    }

    void viewLoadsWithItsParts()
    {
        InstrumentPanel vc(*settings_);
        DriveRig rig(&vc);
        // Of the parts, only the direction mark and the car's read-out (until a clip
        // carries the car's messages) wait hidden.
        QSet<QWidget *> hidden;
        for (QWidget *w : vc.findChildren<QWidget *>())
            if (w->isHidden())
                hidden << w;
        QCOMPARE(hidden, (QSet<QWidget *>{vc.directionMark, vc.vehicleReadout}));
        QVERIFY(!vc.carIcon->isHidden());
        QCOMPARE(vc.carIcon->imageName(), QStringLiteral("car_icon"));
        QVERIFY(!vc.maxSpeedLabelText->text().isEmpty());
        QCOMPARE(vc.gsensorView->parentWidget(), static_cast<QWidget *>(vc.gsensorContainer));
    }

    void figuresFollowTheUnit()
    {
        const QString path = fileUrl("A.MOV");
        storeEntries({makeEntry(path, {makeSample("1", "1", 50, 0, 1.0f)}, 110)});
        InstrumentPanel vc(*settings_);
        DriveRig rig(&vc);
        rig.open(path);
        QCOMPARE(vc.maxSpd(), qint64(110));
        QCOMPARE(vc.maxHSpeed->text(), QStringLiteral("110 KM/H"));
        vc.totalDistance(0);                       // the map's first report
        QCOMPARE(vc.movingDistance->text(), QStringLiteral("0.00 KM"));
        rig.duration(600.0);
        QCOMPARE(vc.averageHSpeed->text(), QStringLiteral("0 KM/H"));
        vc.totalDistance(12345);
        QCOMPARE(vc.movingDistance->text(), QStringLiteral("12.35 KM"));
        QCOMPARE(vc.averageHSpeed->text(), QStringLiteral("74 KM/H"));

        postUnitChange(false);
        QCOMPARE(vc.maxHSpeed->text(), QStringLiteral("69 MPH"));
        QCOMPARE(vc.averageHSpeed->text(), QStringLiteral("46 MPH"));
        QCOMPARE(vc.movingDistance->text(), QStringLiteral("7.72 MILES"));
        // In a narrow window no value slides under its caption or is cut.
        vc.resize(560, 150);
        vc.show();
        QVERIFY(QTest::qWaitForWindowExposed(&vc));
        for (const auto &[caption, value] : {std::pair<QLabel *, QLabel *>{vc.maxSpeedLabelText, vc.maxHSpeed},
                                             {vc.avageSpeedLabelText, vc.averageHSpeed},
                                             {vc.totalDistanceLabelText, vc.movingDistance}}) {
            QVERIFY2(value->x() > caption->geometry().right(), qPrintable(value->text()));
            QVERIFY2(value->width() >= value->fontMetrics().horizontalAdvance(value->text()), qPrintable(value->text()));
        }
        postUnitChange(true);
        QCOMPARE(vc.averageHSpeed->text(), QStringLiteral("74 KM/H"));
    }

    void languageChangeRedrawsCaptionsAndUnits()
    {
        InstrumentPanel vc(*settings_);
        DriveRig rig(&vc);
        vc.totalDistance(1600);
        Localization::install(QStringLiteral("en"));
        QTRY_COMPARE(vc.maxSpeedLabelText->text(), QStringLiteral("Max speed"));
        QCOMPARE(vc.movingDistance->text(), QStringLiteral("1.60 KM"));
        Localization::install(QStringLiteral("zh-Hans"));
        QTRY_COMPARE(vc.maxSpeedLabelText->text(), QString::fromUtf8("最高速度"));
        QCOMPARE(vc.tripFiguresButton->text(), QString::fromUtf8("行程"));
        QCOMPARE(vc.movingDistance->text(), QString::fromUtf8("1.60 公里"));
        Localization::install(QStringLiteral("en"));
        QTRY_COMPARE(vc.movingDistance->text(), QStringLiteral("1.60 KM"));
    }

    void averageWaitsForThePlayingTime()
    {
        InstrumentPanel vc(*settings_);
        DriveRig rig(&vc);
        vc.averageHSpeed->setText(QStringLiteral("kept"));
        vc.totalDistance(5000);
        QCOMPARE(vc.averageHSpeed->text(), QStringLiteral("kept"));
        QCOMPARE(vc.movingDistance->text(), QStringLiteral("5.00 KM"));
        // A unit change without a playing time shows 0.
        postUnitChange(true);
        QCOMPARE(vc.averageHSpeed->text(), QStringLiteral("0 KM/H"));
        rig.duration(360.0);
        QCOMPARE(vc.averageHSpeed->text(), QStringLiteral("50 KM/H"));
    }

    void distanceThatIsNotANumberShowsAsNone()
    {
        InstrumentPanel vc(*settings_);
        DriveRig rig(&vc);
        rig.duration(100.0);
        vc.totalDistance(std::numeric_limits<float>::quiet_NaN());
        QCOMPARE(vc.movingDistance->text(), QStringLiteral("0.00 KM"));
        QCOMPARE(vc.averageHSpeed->text(), QStringLiteral("0 KM/H"));
        vc.totalDistance(std::numeric_limits<float>::infinity());
        QCOMPARE(vc.totalDistanceValue(), 0.0f);
    }

    void clipOrTripFiguresByTheToggleRemembered()
    {
        Localization::install(QStringLiteral("en"));
        InstrumentPanel vc(*settings_);
        DriveRig rig(&vc);
        rig.duration(360.0);
        vc.totalDistance(5000);
        QCOMPARE(vc.clipFiguresButton->text(), QStringLiteral("Clip"));
        QCOMPARE(vc.tripFiguresButton->text(), QStringLiteral("Trip"));
        QVERIFY(vc.clipFiguresButton->isChecked());
        // Two clips of two minutes, each 0.01 degree of latitude (1.11 km) long.
        auto clip = [](double start, double lat0, int speed) {
            TripFigureClip c{start, 120.0, {}};
            for (int k = 0; k <= 10; ++k) {
                GpsSample s;
                s.gps_lat = QString::number(lat0 + 0.001 * k, 'f', 6).toStdString();
                s.gps_lgt = "20.000000";
                s.spd = speed;
                c.samples << s;
            }
            return c;
        };
        vc.setTripClips({clip(0, 10.0, 60), clip(120, 10.01, 95)});
        QCOMPARE(vc.movingDistance->text(), QStringLiteral("5.00 KM"));   // the clip's, until Trip is chosen
        vc.tripFiguresButton->click();
        QCOMPARE(vc.maxHSpeed->text(), QStringLiteral("95 KM/H"));
        QCOMPARE(vc.movingDistance->text(), QStringLiteral("2.22 KM"));
        QCOMPARE(vc.averageHSpeed->text(), QStringLiteral("33 KM/H"));     // 2.22 km in 4 minutes
        vc.totalDistance(7000);   // a clip's figure changes nothing shown
        QCOMPARE(vc.movingDistance->text(), QStringLiteral("2.22 KM"));
        postUnitChange(false);
        QCOMPARE(vc.movingDistance->text(), QStringLiteral("1.39 MILES"));
        postUnitChange(true);
        QVERIFY(settings_->tripPanelShowsTrip());
        QVERIFY(InstrumentPanel(*settings_).showsTrip());
        vc.clipFiguresButton->click();
        QCOMPARE(vc.movingDistance->text(), QStringLiteral("7.00 KM"));
        QVERIFY(!InstrumentPanel(*settings_).showsTrip());
    }

    void gsensorReadoutsFollowTheirOwnList()
    {
        // The third sample has y = 4.01 and stays out: the G-sensor list has 3 entries.
        const QList<GpsSample> samples = {makeSample("1", "1", 10, 0, 1.0f, 0.5f, -0.25f),
                                          makeSample("1", "1", 20, 0, 1.5f, 4.0f, 0.0f),
                                          makeSample("1", "1", 30, 0, 0.0f, 4.01f, 0.0f),
                                          makeSample("1", "1", 40, 0, -1.0f, -2.0f, 3.0f)};
        const QString path = fileUrl("B.MOV");
        const QString other = fileUrl("B2.MOV");
        storeEntries({makeEntry(path, samples, 40),
                      makeEntry(other, QList<GpsSample>(3, makeSample("1", "1", 10, 0, 0.5f, 0.0f, 0.0f)), 10)});
        InstrumentPanel vc(*settings_);
        DriveRig rig(&vc);
        rig.open(path);
        QCOMPARE(int(rig.telemetry.clip().samples->size()), 4);
        QCOMPARE(vc.currentGsensorDataArr().size(), 3);
        QCOMPARE(vc.gsensorView->gsensorArray().size(), 3);

        rig.duration(4.0);
        rig.tick(0.9);
        QCOMPARE(vc.xTextField->text(), QStringLiteral("X: 0.000"));
        QCOMPARE(vc.yTextField->text(), QStringLiteral("Y: 0.500"));
        QCOMPARE(vc.zTextField->text(), QStringLiteral("Z: -0.250"));
        QCOMPARE(vc.gsensorView->index(), 0);
        // r = 3 / 4: second 2 is entry 1 (2 x 0.75 = 1.5), second 3 is entry 2.
        rig.tick(2.5);
        QCOMPARE(vc.yTextField->text(), QStringLiteral("Y: 4.000"));
        QCOMPARE(vc.gsensorView->index(), 1);
        rig.tick(3.99);
        QCOMPARE(vc.xTextField->text(), QStringLiteral("X: -2.000"));
        QCOMPARE(vc.zTextField->text(), QStringLiteral("Z: 3.000"));
        QCOMPARE(vc.gsensorView->index(), 2);
        // The end of the file: index 3 of 3, nothing changes.
        rig.tick(4.0);
        QCOMPARE(vc.xTextField->text(), QStringLiteral("X: -2.000"));
        QCOMPARE(vc.gsensorView->index(), 2);
        // Another file shows its own entry, although the entry's number is the same.
        rig.open(other);
        rig.tick(3.99);   // entry 2 again
        QCOMPARE(vc.xTextField->text(), QStringLiteral("X: -0.500"));
    }

    // A dash, never a false zero, for what the clip's camera did not record.
    void dashesForWhatTheCameraDidNotRecord_data()
    {
        QTest::addColumn<QString>("missing");
        QTest::addColumn<QString>("maxText");
        QTest::addColumn<QString>("averageText");
        QTest::addColumn<QString>("distanceText");
        QTest::addColumn<QStringList>("gsensorTexts");
        QTest::addColumn<int>("graphEntries");
        const QString dash = QString::fromUtf8("\u2013");
        const QStringList g{"X: 0.000", "Y: 0.500", "Z: -0.250"};
        QTest::addRow("everything recorded") << "" << "40 KM/H" << "36 KM/H" << "0.10 KM" << g << 10;
        QTest::addRow("no speed") << "speed" << dash << "36 KM/H" << "0.10 KM" << g << 10;
        QTest::addRow("no G") << "G" << "40 KM/H" << "36 KM/H" << "0.10 KM"
                              << QStringList{"X: " + dash, "Y: " + dash, "Z: " + dash} << 0;
        QTest::addRow("no position") << "fix" << "40 KM/H" << dash << dash << g << 10;
        QTest::addRow("telemetry that cannot be read") << "everything" << dash << dash << dash
                                                       << QStringList{"X: " + dash, "Y: " + dash, "Z: " + dash} << 0;
    }
    void dashesForWhatTheCameraDidNotRecord()
    {
        QFETCH(QString, missing);
        QList<GpsSample> samples;
        for (int k = 0; k < 10; ++k)
            samples << makeSample(QByteArray::number(51.5 + k / 1000.0).toStdString(), "-0.1", 40, 0, 1.0f, 0.5f, -0.25f);
        const QString path = fileUrl("G.MOV");
        const PlayListEntry entry = makeEntry(path, samples, 40);
        storeEntries({missing.isEmpty() ? entry : without(entry, missing)});
        InstrumentPanel vc(*settings_);
        DriveRig rig(&vc);
        rig.open(path);
        rig.duration(10.0);
        vc.totalDistance(100);   // what the map measured
        rig.tick(5.5);
        QTEST(vc.maxHSpeed->text(), "maxText");
        QTEST(vc.averageHSpeed->text(), "averageText");
        QTEST(vc.movingDistance->text(), "distanceText");
        QTEST(QStringList({vc.xTextField->text(), vc.yTextField->text(), vc.zTextField->text()}), "gsensorTexts");
        QTEST(int(vc.gsensorView->gsensorArray().size()), "graphEntries");
        QCOMPARE(vc.gsensorView->index() >= 0, !vc.gsensorView->gsensorArray().isEmpty());   // what the graph draws
        // The unit changing keeps the dashes.
        postUnitChange(false);
        QCOMPARE(vc.maxHSpeed->text() == QString::fromUtf8("\u2013"), missing == "speed" || missing == "everything");
        QCOMPARE(vc.movingDistance->text() == QString::fromUtf8("\u2013"), missing == "fix" || missing == "everything");
    }

    // Three seconds of a clip with the car's messages (the second without one), and
    // the read-out at one of them; a clip of GPS alone has no read-out.
    void vehicleReadoutFollowsTheCar_data()
    {
        QTest::addColumn<bool>("car");
        QTest::addColumn<double>("at");
        QTest::addColumn<QStringList>("texts");   // steering, pedal, gear
        QTest::addColumn<QString>("blinkers");    // "L", "R" or "" for those lit
        QTest::addRow("turning left") << true << 0.5 << QStringList{"-12.5°", "35 %", "D"} << "L";
        QTest::addRow("a frame without the car's message") << true << 1.5 << QStringList{"–", "–", "–"} << "";
        QTest::addRow("reversing right") << true << 2.5 << QStringList{"540.0°", "100 %", "R"} << "R";
        QTest::addRow("GPS alone: no read-out") << false << 0.5 << QStringList{"–", "–", "–"} << "";
    }
    void vehicleReadoutFollowsTheCar()
    {
        QFETCH(bool, car);
        QFETCH(double, at);
        QFETCH(QStringList, texts);
        QFETCH(QString, blinkers);
        PlayListEntry e = makeEntry(fileUrl("C.mp4"), QList<GpsSample>(3, makeSample("1", "1", 30)), 30);
        auto typed = std::make_shared<std::vector<TelemetrySample>>(3, TelemetrySample::fromGps(e.gpsData.first()));
        if (car) {
            (*typed)[0].vehicle = TelemetrySample::Vehicle{-12.5f, 0.35f, false, true, false,
                                                           TelemetrySample::Gear::Drive,
                                                           TelemetrySample::Assistance::None};
            (*typed)[2].vehicle = TelemetrySample::Vehicle{540.0f, 1.0f, true, false, true,
                                                           TelemetrySample::Gear::Reverse,
                                                           TelemetrySample::Assistance::None};
        }
        e.telemetry = typed;
        storeEntries({e});
        InstrumentPanel vc(*settings_);
        vc.show();
        VehicleReadout *r = vc.vehicleReadout;
        DriveRig rig(&vc);
        connect(&rig.telemetry, &DriveTelemetry::clipChanged, r, &VehicleReadout::showClip);
        connect(&rig.telemetry, &DriveTelemetry::momentChanged, r, &VehicleReadout::showMoment);
        rig.open(e.path);
        rig.duration(3.0);
        rig.tick(at);
        QCOMPARE(r->isVisible(), car);
        QCOMPARE((QStringList{r->steering->text(), r->pedal->text(), r->gear->text()}), texts);
        QCOMPARE(isGreen(r->blinkerLeft->palette().color(QPalette::WindowText)), blinkers == "L");
        QCOMPARE(isGreen(r->blinkerRight->palette().color(QPalette::WindowText)), blinkers == "R");
    }

    void emptyGsensorListKeepsTheStoredMaximum()
    {
        // Samples with speeds but no axis within +-4 g.
        QList<GpsSample> samples;
        for (int s = 0; s < 30; ++s)
            samples << makeSample("1", "1", 80, 0, 5.0f, 0.0f, 0.0f);
        const QString path = fileUrl("C.MOV");
        storeEntries({makeEntry(path, samples, 95)});
        InstrumentPanel vc(*settings_);
        DriveRig rig(&vc);
        vc.xTextField->setText(QStringLiteral("X: 0.123"));
        rig.open(path);
        rig.duration(30.0);
        for (double t = 0; t < 30; t += 0.25)
            rig.tick(t);
        QCOMPARE(vc.maxHSpeed->text(), QStringLiteral("95 KM/H"));
        QCOMPARE(vc.xTextField->text(), QStringLiteral("X: 0.123"));
        QVERIFY(vc.currentGsensorDataArr().isEmpty());
    }

    void fileMissingFromTheStore()
    {
        const QString path = fileUrl("D.MOV");
        storeEntries({makeEntry(path, {makeSample("1", "1", 10, 0, 1.25f, 0.0f, 0.0f)}, 10)});
        InstrumentPanel vc(*settings_);
        DriveRig rig(&vc);
        rig.open(path);
        rig.duration(1.0);
        rig.tick(0.0);
        QCOMPARE(vc.xTextField->text(), QStringLiteral("X: 0.250"));

        rig.open(fileUrl("elsewhere.MOV"));
        QCOMPARE(vc.maxHSpeed->text(), QStringLiteral("0 KM/H"));
        QVERIFY(rig.telemetry.clip().samples->empty());
        rig.tick(0.0);
        QCOMPARE(vc.xTextField->text(), QStringLiteral("X: 0.250"));   // the previous file's value stays
        QCOMPARE(vc.currentPlayVideoPath(), fileUrl("elsewhere.MOV"));
    }

    void observerLeavesWithThePanel()
    {
        const char *unit = SIGNAL(speedUnitChanged(bool));
        const int before = settings_->followers(unit);
        {
            InstrumentPanel vc(*settings_);
            DriveRig rig(&vc);
            QCOMPARE(settings_->followers(unit), before + 1);
        }
        QCOMPARE(settings_->followers(unit), before);
        postUnitChange(false);
    }

    void paintedPanelShowsTheTraces()
    {
        QList<GpsSample> samples;
        for (int k = 0; k < 60; ++k)
            samples << makeSample("1", "1", 50, 0, 1.0f, -1.0f, 1.0f);
        const QString path = fileUrl("F.MOV");
        storeEntries({makeEntry(path, samples, 50)});
        InstrumentPanel vc(*settings_);
        DriveRig rig(&vc);
        vc.resize(900, 150);
        rig.open(path);
        rig.duration(60.0);
        rig.tick(59.0);
        const QImage img = vc.grab().toImage();
        // The Y trace of the graph at -1 g, halfway along.
        const QRect g(vc.gsensorView->mapTo(&vc, QPoint(0, 0)), vc.gsensorView->size());
        const double step = g.height() / 6.0;
        const QPoint y(g.left() + (40 + g.width()) / 2, g.top() + g.height() - int(2 * step + 0.5));
        QVERIFY(anyPixelNear(img, y, 1, isRed));
        const QPoint z(y.x(), g.top() + g.height() - int(4 * step + 0.5));
        QVERIFY(anyPixelNear(img, z, 1, isGreen));
    }
};

QTEST_MAIN(InstrumentPanelTest)
#include "tst_instrument_panel.moc"
