// The half-dial gauge: clamping per unit and a painting that follows its geometry.
#include "InstrumentTestSupport.h"
#include "instruments/CustomSpeedView.h"
#include "instruments/InstrumentGeometry.h"

#include <QTest>
#include <QtMath>

using namespace InstrumentGeometry;

class CustomSpeedViewTest : public QObject {
    Q_OBJECT
private slots:
    void clampsToTheUnitsFullScale_data()
    {
        QTest::addColumn<bool>("kmph");
        QTest::addColumn<qint64>("speed");
        QTest::addColumn<qint64>("shown");
        QTest::addRow("km/h in range") << true << qint64(60) << qint64(60);
        QTest::addRow("km/h above 120") << true << qint64(121) << qint64(120);
        QTest::addRow("mph above 75") << false << qint64(80) << qint64(75);
        QTest::addRow("mph 75") << false << qint64(75) << qint64(75);
        QTest::addRow("negative") << true << qint64(-5) << qint64(0);
    }
    void clampsToTheUnitsFullScale()
    {
        QFETCH(bool, kmph);
        QFETCH(qint64, speed);
        CustomSpeedView view;
        view.setCurrentSpeed(speed, kmph);
        QTEST(view.currentSpeed(), "shown");
        QCOMPARE(view.focusPolicy(), Qt::NoFocus);
    }

    void paintsArcAndNeedleWhereTheGeometrySays_data()
    {
        QTest::addColumn<bool>("kmph");
        QTest::addColumn<qint64>("speed");
        QTest::addRow("60 km/h") << true << qint64(60);
        QTest::addRow("0 km/h") << true << qint64(0);
        QTest::addRow("110 km/h") << true << qint64(110);
        QTest::addRow("30 mph") << false << qint64(30);
    }
    void paintsArcAndNeedleWhereTheGeometrySays()
    {
        QFETCH(bool, kmph);
        QFETCH(qint64, speed);
        CustomSpeedView view;
        view.resize(240, 184);   // twice the natural size: a bigger target for the samples
        view.setCurrentSpeed(speed, kmph);
        const QImage img = view.grab().toImage();

        const float ratio = gaugeRatio(gaugeFullScale(kmph));
        const double rotation = gaugeNeedleRotation(gaugeNeedleDegrees(speed, ratio));
        QCOMPARE(view.needleRotation(), rotation);
        const GaugeLayout layout = gaugeLayout(QRectF(view.rect()));
        const QTransform toQt = yUpToQt(view.height());

        // The needle, 60% of the way up from its foot.
        const QPoint needle = toQt.map(gaugeNeedlePoint(layout, rotation, 0.6)).toPoint();
        QVERIFY2(anyPixelNear(img, needle, 1, isRed),
                 qPrintable(QStringLiteral("needle at %1,%2: %3").arg(needle.x()).arg(needle.y())
                                .arg(img.pixelColor(needle).name())));

        // The speed arc covers the track from the left end up to the speed's angle.
        const double start = gaugeArcStart(speed, ratio);
        const QPointF centre(layout.midX, layout.midY);
        auto onTrack = [&](double deg) {
            const double a = qDegreesToRadians(deg);
            return toQt.map(centre + kGaugeRadius * QPointF(std::cos(a), std::sin(a))).toPoint();
        };
        if (start < 175)
            QVERIFY(isOrange(img.pixelColor(onTrack(177))));
        if (start > 5)
            QVERIFY(!isOrange(img.pixelColor(onTrack(3))));
        if (start > 20 && start < 160) {
            QVERIFY(isOrange(img.pixelColor(onTrack(start + 8))));
            QVERIFY(!isOrange(img.pixelColor(onTrack(start - 8))));
        }
    }
};

QTEST_MAIN(CustomSpeedViewTest)
#include "tst_customspeedview.moc"
