// The stand-alone position panel: counter-clockwise north image, position texts,
// nothing stored.
#include "InstrumentTestSupport.h"
#include "instruments/GpsViewController.h"
#include "instruments/InstrumentGeometry.h"
#include "instruments/RotatedImageView.h"

#include <QLabel>
#include <QTest>
#include <QtMath>

class GpsViewControllerTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        TrackStore::clearPlayList();
    }

    void readoutsAndNorthImage()
    {
        const QString path = fileUrl("A.MOV");
        const QString other = fileUrl("A2.MOV");
        storeEntries({makeEntry(path, {makeSample("", "", 0, 10.0), makeSample("51.5", "-0.1275", 40, 90.0)}, 40),
                      makeEntry(other, {makeSample("-33.75", "151.2", 0, 180.0)}, 0)});
        GpsViewController vc;
        DriveRig rig(&vc);
        rig.open(path);
        rig.duration(2.0);    // one fix over two seconds: r = 0.5
        rig.tick(1.5);
        QCOMPARE(vc.latitudeLabel->text(), QString::fromUtf8(" 51\u00b0 30'    0.00"));
        QCOMPARE(vc.latitudeUnitLabel->text(), QStringLiteral("N"));
        QCOMPARE(vc.longitudeLabel->text(), QString::fromUtf8("  0\u00b0  7'    39.00"));
        QCOMPARE(vc.longitudeUnitLabel->text(), QStringLiteral("W"));
        QCOMPARE(vc.northAngle(), float(M_PI / 2));
        QVERIFY(!vc.northAngleImageView->clockwise());
        QVERIFY(!vc.latitudeLabel->isHidden());
        // Nothing goes to the settings store (the panel is handed no settings).
        QVERIFY(!Settings().compassAngle());
        // Past the data: nothing changes.
        rig.tick(4.0);
        QCOMPARE(vc.northAngle(), float(M_PI / 2));
        // Another file shows its own entry, although the entry's number is the same.
        rig.open(other);
        rig.tick(1.5);
        QCOMPARE(vc.latitudeLabel->text(), QString::fromUtf8(" 33\u00b0 45'    0.00"));
        QCOMPARE(vc.latitudeUnitLabel->text(), QStringLiteral("S"));
        QCOMPARE(vc.northAngle(), float(M_PI));
    }

    void headingNinetyTurnsNorthToTheLeft()
    {
        const QString path = fileUrl("B.MOV");
        storeEntries({makeEntry(path, {makeSample("10", "10", 0, 90.0)}, 0)});
        GpsViewController vc;
        DriveRig rig(&vc);
        vc.resize(450, 220);
        rig.open(path);
        rig.duration(1.0);
        rig.tick(0.0);
        const QImage img = vc.grab().toImage();
        const QRectF c = vc.northAngleImageView->geometry();
        const double r = c.width() / 2;
        // The red north half of the arrow now lies left of the centre, the white one right.
        QVERIFY(anyPixelNear(img, (c.center() + QPointF(-0.4 * r, 0)).toPoint(), 1, isRed));
        QVERIFY(!anyPixelNear(img, (c.center() + QPointF(0, -0.4 * r)).toPoint(), 2, isRed));
        QVERIFY(anyPixelNear(img, (c.center() + QPointF(0.4 * r, 0)).toPoint(), 1,
                             [](const QColor &col) { return col.lightness() > 200; }));
    }
};

QTEST_MAIN(GpsViewControllerTest)
#include "tst_gpsviewcontroller.moc"
