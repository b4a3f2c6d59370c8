// The pure geometry and texts of the instruments, against worked examples.
#include "instruments/InstrumentGeometry.h"
#include "instruments/TripFigures.h"

#include <QTest>
#include <QtMath>

#include <limits>

using namespace InstrumentGeometry;

Q_DECLARE_METATYPE(QList<TripFigureClip>)

namespace {

// Sample k of a straight drive north: 0.001 degree of latitude (111.195 m) a step.
GpsSample step(int k, int speed = 50)
{
    GpsSample s;
    s.gps_lat = QString::number(10 + 0.001 * k, 'f', 6).toStdString();
    s.gps_lgt = "20.000000";
    s.spd = speed;
    return s;
}

TripFigureClip clip(std::optional<double> start, QList<GpsSample> samples)
{
    return TripFigureClip{start, 0, std::move(samples)};
}

} // namespace

class InstrumentGeometryTest : public QObject {
    Q_OBJECT
private slots:
    // --- speedometer gauge ---
    void gauge_data()
    {
        QTest::addColumn<bool>("kmph");
        QTest::addColumn<qint64>("speed");
        QTest::addColumn<qint64>("shown");
        QTest::addColumn<int>("arcStart");
        QTest::addColumn<double>("needle");
        QTest::addRow("60 km/h: left quarter, needle a quarter turn on")
            << true << qint64(60) << qint64(60) << 90 << kNeedleRestAngle - M_PI / 2;
        QTest::addRow("80 mph clamps to 75: whole track")
            << false << qint64(80) << qint64(75) << 0 << kNeedleRestAngle - M_PI;
        QTest::addRow("-5 clamps to 0: no arc, needle at rest")
            << true << qint64(-5) << qint64(0) << 180 << kNeedleRestAngle;
        QTest::addRow("1 km/h: 178.5 truncates to 178")
            << true << qint64(1) << qint64(1) << 178 << kNeedleRestAngle - double(1.5f / 180.0f) * M_PI;
        QTest::addRow("130 km/h clamps to 120")
            << true << qint64(130) << qint64(120) << 0 << kNeedleRestAngle - M_PI;
        QTest::addRow("30 mph: ratio 2.4")
            << false << qint64(30) << qint64(30) << 108 << kNeedleRestAngle - double(72.0f / 180.0f) * M_PI;
    }
    void gauge()
    {
        QFETCH(bool, kmph);
        QFETCH(qint64, speed);
        const int full = gaugeFullScale(kmph);
        const qint64 shown = clampGaugeSpeed(speed, full);
        QTEST(shown, "shown");
        const float ratio = gaugeRatio(full);
        QCOMPARE(ratio, kmph ? 1.5f : 2.4f);
        QTEST(gaugeArcStart(shown, ratio), "arcStart");
        QFETCH(double, needle);
        QCOMPARE(gaugeNeedleRotation(gaugeNeedleDegrees(shown, ratio)), needle);
    }

    void gaugeLayoutPutsThePivotWhereTheNeedleIsAnchored()
    {
        const GaugeLayout g = gaugeLayout(QRectF(0, 0, 120, 92));
        QCOMPARE(g.midX, 60.0);
        QCOMPARE(g.midY, 23.0);
        QCOMPARE(g.pivot, QPointF(57.5, 23));
        QCOMPARE(g.needleRect.left(), 50.0);
        QCOMPARE(g.needleRect.right(), 65.0);
        QVERIFY(qFuzzyCompare(g.needleRect.top(), 15.8));
        QVERIFY(qFuzzyCompare(g.needleRect.bottom(), 75.8));
        // At rest the tip points 8.1 degrees above the left horizontal.
        const QPointF tip = gaugeNeedlePoint(g, kNeedleRestAngle, 1.0);
        const double length = 75.8 - 23;
        QVERIFY(qAbs(tip.x() - (57.5 - length * std::cos(qDegreesToRadians(8.1)))) < 1e-6);
        QVERIFY(qAbs(tip.y() - (23 + length * std::sin(qDegreesToRadians(8.1)))) < 1e-6);
        // Half a turn further it points 8.1 degrees below the right horizontal.
        const QPointF end = gaugeNeedlePoint(g, kNeedleRestAngle - M_PI, 1.0);
        QVERIFY(qAbs(end.x() - (57.5 + length * std::cos(qDegreesToRadians(8.1)))) < 1e-6);
        QVERIFY(qAbs(end.y() - (23 - length * std::sin(qDegreesToRadians(8.1)))) < 1e-6);
    }

    void gaugeArcRunsCounterClockwiseOverTheTop()
    {
        const GaugeLayout g = gaugeLayout(QRectF(0, 0, 120, 92));
        const QPainterPath quarter = gaugeArc(g, 90, 180);
        QVERIFY(qAbs(quarter.pointAtPercent(0).x() - 60) < 1e-6);
        QVERIFY(qAbs(quarter.pointAtPercent(0).y() - 63) < 1e-6);   // top of the track, y up
        QVERIFY(qAbs(quarter.pointAtPercent(1).x() - 20) < 1e-6);   // left end
        QVERIFY(qAbs(quarter.pointAtPercent(1).y() - 23) < 1e-6);
        const QPainterPath track = gaugeArc(g, 0, 180);
        QVERIFY(track.pointAtPercent(0.5).y() > 62.9);   // passes over the top, not under
    }

    // --- G-sensor graph ---
    void graphScale()
    {
        const float step = graphStep(206);
        QCOMPARE(step, 206.0f / 6.0f);
        // "+2G" of a 206-point view is centred at 171.67.
        const QRectF plus2 = graphLabelRect(5, step, QSizeF(18, 11));
        QVERIFY(qAbs(plus2.center().y() - 171.6667) < 1e-3);
        QCOMPARE(plus2.right(), 35.0);
        QCOMPARE(graphLabel(1), QStringLiteral("-2G"));
        QCOMPARE(graphLabel(3), QStringLiteral("0"));
        QCOMPARE(graphLabel(5), QStringLiteral("+2G"));
        QVERIFY(graphLabel(0).isEmpty());
        QCOMPARE(graphStep(-4), 0.0f);
        QCOMPARE(graphValueY(-3, step), 0.0f);
        QCOMPARE(graphValueY(3, step), 206.0f);
    }

    void tracePoints_data()
    {
        QTest::addColumn<int>("k");
        QTest::addColumn<int>("count");
        QTest::addColumn<QPointF>("x");
        QTest::addColumn<QPointF>("y");
        QTest::addColumn<QPointF>("z");
        // View 440 wide, 120 high: step 20, traces from 40 to 440.
        QTest::addRow("entry 0 of 100") << 0 << 100 << QPointF(44, 60) << QPointF(40, 60) << QPointF(40, 60);
        QTest::addRow("last entry: X at the right end, Y and Z one step short")
            << 99 << 100 << QPointF(440, 60) << QPointF(436, 60) << QPointF(436, 60);
        QTest::addRow("entry 1 of 4") << 1 << 4 << QPointF(240, 60) << QPointF(140, 60) << QPointF(140, 60);
    }
    void tracePoints()
    {
        QFETCH(int, k);
        QFETCH(int, count);
        // (1.0, 0.0, 0.0): all three traces pass through the "0" line at 3 x step.
        const TracePoints p = graphTracePoints(k, count, 440, graphStep(120), 1.0f, 0.0f, 0.0f);
        QTEST(p.x, "x");
        QTEST(p.y, "y");
        QTEST(p.z, "z");
    }

    void traceHeightsFollowTheAxes()
    {
        const float step = graphStep(120);   // 20
        const TracePoints p = graphTracePoints(0, 10, 440, step, 3.0f, -1.5f, 4.0f);
        QCOMPARE(p.x.y(), 100.0);   // X shown one g lower: 2 g
        QCOMPARE(p.y.y(), 30.0);
        QCOMPARE(p.z.y(), 140.0);   // beyond the frame
    }

    void gsensorAcceptance_data()
    {
        QTest::addColumn<float>("x");
        QTest::addColumn<float>("y");
        QTest::addColumn<float>("z");
        QTest::addColumn<bool>("accepted");
        QTest::addRow("inside") << 1.0f << 0.0f << -0.25f << true;
        QTest::addRow("y = 4.0 is in") << 0.0f << 4.0f << 0.0f << true;
        QTest::addRow("y = 4.01 is out") << 0.0f << 4.01f << 0.0f << false;
        QTest::addRow("x = -4.0 is in") << -4.0f << 0.0f << 0.0f << true;
        QTest::addRow("z below -4 is out") << 0.0f << 0.0f << -4.5f << false;
        QTest::addRow("NaN is out") << std::numeric_limits<float>::quiet_NaN() << 0.0f << 0.0f << false;
    }
    void gsensorAcceptance()
    {
        QFETCH(float, x);
        QFETCH(float, y);
        QFETCH(float, z);
        QTEST(gsensorEntryAccepted(x, y, z), "accepted");
    }

    // --- trip statistics ---
    void averageSpeed()
    {
        const auto avg = averageSpeedKmh(12345, 600);
        QVERIFY(avg);
        QVERIFY(qAbs(*avg - 74.07f) < 0.01f);
        QVERIFY(!averageSpeedKmh(12345, 0));
        QVERIFY(!averageSpeedKmh(12345, -3));
        QCOMPARE(*averageSpeedKmh(0, 60), 0.0f);
    }

    void axisTexts()
    {
        QCOMPARE(gsensorXText(1.0f), QStringLiteral("X: 0.000"));
        QCOMPARE(gsensorZText(-0.25f), QStringLiteral("Z: -0.250"));
        QCOMPARE(gsensorYText(0.4f), QStringLiteral("Y: 0.400"));
        QCOMPARE(gsensorXText(0.0f), QStringLiteral("X: -1.000"));
    }

    // --- position and compass ---
    void dms_data()
    {
        QTest::addColumn<float>("degrees");
        QTest::addColumn<QString>("text");
        QTest::addRow("51.5") << 51.5f << QString::fromUtf8(" 51\u00b0 30'    0.00");
        QTest::addRow("0.1275") << 0.1275f << QString::fromUtf8("  0\u00b0  7'    39.00");
        QTest::addRow("179.999 in single precision") << 179.999f << QString::fromUtf8("179\u00b0 59'    56.37");
        QTest::addRow("0") << 0.0f << QString::fromUtf8("  0\u00b0  0'    0.00");
        QTest::addRow("NaN shows as 0") << std::numeric_limits<float>::quiet_NaN()
                                        << QString::fromUtf8("  0\u00b0  0'    0.00");
        QTest::addRow("huge shows as 0") << 3e30f << QString::fromUtf8("  0\u00b0  0'    0.00");
    }
    void dms()
    {
        QFETCH(float, degrees);
        QTEST(convertLatLngToDFM(degrees), "text");
    }

    void hemispheres()
    {
        QCOMPARE(latitudeLetter(51.5f), QStringLiteral("N"));
        QCOMPARE(latitudeLetter(-0.001f), QStringLiteral("S"));
        QCOMPARE(longitudeLetter(-0.1275f), QStringLiteral("W"));
        QCOMPARE(longitudeLetter(0.0f), QStringLiteral("E"));
    }

    void leadingNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<float>("value");
        QTest::addRow("plain") << "51.5" << 51.5f;
        QTest::addRow("negative") << "-0.1275" << -0.1275f;
        QTest::addRow("empty") << "" << 0.0f;
        QTest::addRow("leading blanks") << "  62" << 62.0f;
        QTest::addRow("trailing label") << "62MPH" << 62.0f;
        QTest::addRow("label first") << "MPH62" << 0.0f;
        QTest::addRow("exponent") << "1.5e2x" << 150.0f;
        QTest::addRow("dangling exponent") << "7e" << 7.0f;
        QTest::addRow("only a point") << "." << 0.0f;
        QTest::addRow("hex is not read") << "0x1A" << 0.0f;
    }
    void leadingNumber()
    {
        QFETCH(QString, text);
        QTEST(leadingFloat(text), "value");
    }

    void compass()
    {
        QCOMPARE(compassRotation(90), float(M_PI / 2));   // a quarter turn
        QCOMPARE(compassRotation(0), 0.0f);
        QCOMPARE(compassRotation(180), float(M_PI));
        QCOMPARE(compassRotation(std::numeric_limits<double>::quiet_NaN()), 0.0f);
        QCOMPARE(compassRotation(std::numeric_limits<double>::infinity()), 0.0f);
        // Turning clockwise on screen: the top of an image goes to the right.
        const QRectF frame(0, 0, 100, 100);
        const QPointF top(50, 0);
        const QPointF cw = imageRotation(frame, compassRotation(90), true).map(top);
        QVERIFY(qAbs(cw.x() - 100) < 1e-4 && qAbs(cw.y() - 50) < 1e-4);
        const QPointF ccw = imageRotation(frame, compassRotation(90), false).map(top);
        QVERIFY(qAbs(ccw.x() - 0) < 1e-4 && qAbs(ccw.y() - 50) < 1e-4);
    }

    void speedDial_data()
    {
        QTest::addColumn<QString>("readout");
        QTest::addColumn<bool>("any");
        QTest::addColumn<float>("rotation");
        QTest::addColumn<QString>("image");
        QTest::addRow("100 km/h in mph shows 62")
            << "62MPH" << true << float(double(62.0f / 90.0f) * M_PI) << "speed_dial_mph";
        QTest::addRow("172 km/h is half a turn") << "172KM/H" << true << float(M_PI) << "speed_dial_kmh";
        QTest::addRow("90 mph is half a turn") << "90MPH" << true << float(M_PI) << "speed_dial_mph";
        QTest::addRow("0 km/h") << "0KM/H" << true << 0.0f << "speed_dial_kmh";
        QTest::addRow("no label: read as km/h") << "50" << true << float(double(50.0f / 172.0f) * M_PI) << "speed_dial_kmh";
        QTest::addRow("both labels: nothing") << "5KM/HMPH" << false << 0.0f << "";
    }
    void speedDial()
    {
        QFETCH(QString, readout);
        const auto dial = speedDialFromReadout(readout);
        QTEST(bool(dial), "any");
        // The same from the number and the unit label apart, as the panel reads it.
        qsizetype digits = 0;
        while (digits < readout.size() && readout.at(digits).isDigit())
            ++digits;
        const auto kmh = speedDialIsKmh(readout.mid(digits));
        QCOMPARE(bool(kmh), bool(dial));
        if (kmh) {
            const SpeedDial apart = InstrumentGeometry::speedDial(readout.left(digits).toFloat(), *kmh);
            QCOMPARE(apart.needleRotation, dial->needleRotation);
            QCOMPARE(apart.dialImage, dial->dialImage);
        }
        if (!dial)
            return;
        QTEST(dial->needleRotation, "rotation");
        QTEST(dial->dialImage, "image");
    }

    void dialScale()
    {
        const QPointF pivot(120, 18);
        const QPointF zero = dialScalePoint(pivot, 100, 0, 172);
        QVERIFY(qAbs(zero.x() - 20) < 1e-9 && qAbs(zero.y() - 18) < 1e-9);
        const QPointF top = dialScalePoint(pivot, 100, 86, 172);
        QVERIFY(qAbs(top.x() - 120) < 1e-9 && qAbs(top.y() - 118) < 1e-9);
        const QPointF end = dialScalePoint(pivot, 100, 90, 90);
        QVERIFY(qAbs(end.x() - 220) < 1e-9 && qAbs(end.y() - 18) < 1e-9);
    }

    // --- decorated views ---
    void ktViewFrame50x30()
    {
        const QPainterPath p = ktViewFrame(QSizeF(50, 30));
        const QRectF box = p.boundingRect();
        QVERIFY(qAbs(box.left() - 3) < 1e-6 && qAbs(box.right() - 47) < 1e-6);
        QVERIFY(qAbs(box.top() - 3) < 1e-6 && qAbs(box.bottom() - 27) < 1e-6);
        // Straight edges from 5 to 45 and from 5 to 25.
        QVERIFY(p.contains(QPointF(25, 15)));
        QCOMPARE(p.elementAt(0).x, 5.0);
        QCOMPARE(p.elementAt(0).y, 3.0);
        QCOMPARE(QPointF(p.elementAt(1)), QPointF(45, 3));
        // Rounded corners: the corner point itself is outside.
        QVERIFY(!p.contains(QPointF(3.2, 3.2)));
    }

    void ktTextFieldTag100x20()
    {
        const QPainterPath p = ktTextFieldTag(QSizeF(100, 20));
        QCOMPARE(p.boundingRect(), QRectF(0, 0, 100, 20));
        QCOMPARE(QPointF(p.elementAt(1)), QPointF(90, 0));
        QCOMPARE(QPointF(p.elementAt(2)), QPointF(100, 10));
        QCOMPARE(QPointF(p.elementAt(3)), QPointF(90, 20));
        QVERIFY(!p.contains(QPointF(97, 3)));
        QVERIFY(p.contains(QPointF(97, 10)));
    }

    void yUpFlip()
    {
        const QTransform t = yUpToQt(150);
        QCOMPARE(t.map(QPointF(10, 0)), QPointF(10, 150));
        QCOMPARE(t.map(QPointF(10, 150)), QPointF(10, 0));
        QCOMPARE(t.mapRect(QRectF(0, 10, 20, 30)), QRectF(0, 110, 20, 30));
    }

    // --- the trip panel's figures over a trip of clips ---
    void tripFigures_data()
    {
        QTest::addColumn<QList<TripFigureClip>>("clips");
        QTest::addColumn<double>("steps");     // distance in 0.001-degree steps
        QTest::addColumn<double>("seconds");
        QTest::addColumn<int>("maxSpeed");
        const GpsSample none;
        QTest::addRow("one clip") << QList<TripFigureClip>{clip(0, {step(0), step(1, 90), step(2)})} << 2.0 << 3.0 << 90;
        QTest::addRow("consecutive clips join")
            << QList<TripFigureClip>{clip(100, {step(0), step(1)}), clip(102, {step(2), step(3, 70)})} << 3.0 << 4.0 << 70;
        QTest::addRow("unsorted input") << QList<TripFigureClip>{clip(102, {step(2), step(3)}), clip(100, {step(0), step(1)})}
                                        << 3.0 << 4.0 << 50;
        QTest::addRow("no start: one after the other")
            << QList<TripFigureClip>{clip(std::nullopt, {step(0), step(1)}), clip(std::nullopt, {step(2), step(3)})} << 3.0
            << 4.0 << 50;
        QTest::addRow("event copy of the same minutes counts once")
            << QList<TripFigureClip>{clip(0, {step(0), step(1), step(2), step(3)}), clip(1, {step(1, 120), step(2)}),
                               clip(4, {step(4)})}
            << 4.0 << 5.0 << 120;
        // The car drove on while the camera had no fix: 1 -> 5 is bridged, as inside a clip.
        QTest::addRow("a clip without fix is bridged")
            << QList<TripFigureClip>{clip(0, {step(0), step(1)}), clip(2, {none, none}), clip(4, {step(5), step(6)})} << 6.0
            << 6.0 << 50;
        QTest::addRow("a pause longer than a drive's breaks the line")
            << QList<TripFigureClip>{clip(0, {step(0), step(1)}), clip(13, {step(5), step(6)})} << 2.0 << 4.0 << 50;
        QTest::addRow("a fixless stretch inside a clip is joined")
            << QList<TripFigureClip>{clip(0, {step(0), none, step(2)})} << 2.0 << 3.0 << 50;
        QTest::addRow("known duration") << QList<TripFigureClip>{TripFigureClip{0, 90.0, {step(0), step(1)}}} << 1.0 << 90.0 << 50;
        QTest::addRow("no clips") << QList<TripFigureClip>{} << 0.0 << 0.0 << 0;
    }
    void tripFigures()
    {
        QFETCH(QList<TripFigureClip>, clips);
        QFETCH(double, steps);
        const TripFigures f = TripFiguresRule::compute(clips);
        QVERIFY2(std::abs(f.metres - steps * 111.195) < 0.05 * std::max(1.0, steps),
                 qPrintable(QString::number(f.metres)));
        QTEST(f.seconds, "seconds");
        QTEST(f.maxSpeed, "maxSpeed");
    }
};

QTEST_APPLESS_MAIN(InstrumentGeometryTest)
#include "tst_instrumentgeometry.moc"
