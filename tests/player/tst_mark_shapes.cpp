// Where the marks to blur are drawn and how the gestures on them read: picture pixels to
// the widget and back (mirrored too), a moved box kept in the frame, the box under a
// point, the grip, the timeline's rows of bands; and the timeline's bands with the lost
// end that says "Lost here".
#include "player/MarkShapes.h"
#include "player/TelemetryTimeline.h"

#include <QApplication>

#include <cmath>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>

class MarkShapesTest : public QObject {
    Q_OBJECT

private slots:
    void toWidgetAndBack_data()
    {
        QTest::addColumn<QRectF>("box");
        QTest::addColumn<QSize>("frame");
        QTest::addColumn<QRect>("picture");
        QTest::addColumn<bool>("mirrored");
        QTest::addColumn<QRectF>("shown");
        QTest::addRow("same size") << QRectF(10, 20, 30, 40) << QSize(640, 360) << QRect(0, 0, 640, 360) << false
                                   << QRectF(10, 20, 30, 40);
        QTest::addRow("half size with bars")
            << QRectF(100, 50, 60, 20) << QSize(1920, 1080) << QRect(40, 10, 960, 540) << false
            << QRectF(90, 35, 30, 10);
        QTest::addRow("mirrored: the left edge comes from the right")
            << QRectF(0, 0, 100, 50) << QSize(640, 360) << QRect(0, 0, 640, 360) << true << QRectF(540, 0, 100, 50);
        QTest::addRow("mirrored and scaled")
            << QRectF(600, 100, 40, 20) << QSize(640, 360) << QRect(20, 0, 320, 180) << true
            << QRectF(20, 50, 20, 10);
    }
    void toWidgetAndBack()
    {
        QFETCH(QRectF, box);
        QFETCH(QSize, frame);
        QFETCH(QRect, picture);
        QFETCH(bool, mirrored);
        QFETCH(QRectF, shown);
        QCOMPARE(MarkShapes::toWidget(box, frame, picture, mirrored), shown);
        QCOMPARE(MarkShapes::toFrame(shown, frame, picture, mirrored), box);
    }

    void toFrameClipsAndRefuses_data()
    {
        QTest::addColumn<QRectF>("area");
        QTest::addColumn<QRectF>("box");
        // The picture is drawn at 100, 0 (bars of 100 px at the left).
        QTest::addRow("over the left bar") << QRectF(50, 10, 100, 20) << QRectF(0, 10, 50, 20);
        QTest::addRow("larger than the frame") << QRectF(0, -50, 1000, 500) << QRectF(0, 0, 640, 360);
        QTest::addRow("on the bar only") << QRectF(10, 10, 50, 50) << QRectF();
        QTest::addRow("dragged up and left") << QRectF(300, 200, -100, -50) << QRectF(100, 150, 100, 50);
    }
    void toFrameClipsAndRefuses()
    {
        QFETCH(QRectF, area);
        QFETCH(QRectF, box);
        QCOMPARE(MarkShapes::toFrame(area, QSize(640, 360), QRect(100, 0, 640, 360), false), box);
    }

    void movedStaysInTheFrame_data()
    {
        QTest::addColumn<QRectF>("box");
        QTest::addColumn<QPointF>("by");
        QTest::addColumn<QRectF>("moved");
        QTest::addRow("inside") << QRectF(10, 10, 20, 20) << QPointF(5, -3) << QRectF(15, 7, 20, 20);
        QTest::addRow("past the right edge") << QRectF(600, 10, 30, 20) << QPointF(50, 0) << QRectF(610, 10, 30, 20);
        QTest::addRow("past the top") << QRectF(10, 5, 30, 20) << QPointF(0, -40) << QRectF(10, 0, 30, 20);
        QTest::addRow("larger than the frame is cut first")
            << QRectF(-10, -10, 700, 400) << QPointF(20, 20) << QRectF(0, 0, 640, 360);
        QTest::addRow("off the frame") << QRectF(700, 400, 10, 10) << QPointF(1, 1) << QRectF();
    }
    void movedStaysInTheFrame()
    {
        QFETCH(QRectF, box);
        QFETCH(QPointF, by);
        QFETCH(QRectF, moved);
        QCOMPARE(MarkShapes::moved(box, by, QSize(640, 360)), moved);
    }

    void boxUnderAPointAndTheGrip()
    {
        const QList<ShownBox> boxes{{1, QRectF(0, 0, 200, 200)}, {2, QRectF(50, 50, 20, 20)}, {3, QRectF(300, 0, 10, 10)}};
        QCOMPARE(MarkShapes::boxAt(boxes, QPointF(60, 60)), 1);    // the inner one
        QCOMPARE(MarkShapes::boxAt(boxes, QPointF(10, 190)), 0);
        QCOMPARE(MarkShapes::boxAt(boxes, QPointF(250, 5)), -1);
        QVERIFY(MarkShapes::onGrip(QRectF(0, 0, 100, 50), QPointF(98, 48), 12));
        QVERIFY(MarkShapes::onGrip(QRectF(0, 0, 100, 50), QPointF(104, 54), 12));
        QVERIFY(!MarkShapes::onGrip(QRectF(0, 0, 100, 50), QPointF(50, 25), 12));
        QVERIFY(MarkShapes::isBox(MarkShapes::spanned(QPointF(20, 20), QPointF(10, 5))));
        QVERIFY(!MarkShapes::isBox(MarkShapes::spanned(QPointF(20, 20), QPointF(22, 60))));
    }

    void bandsTakeTheFirstRowThatIsFree()
    {
        const QList<MarkBand> bands{{1, 0, 5}, {2, 1, 3}, {3, 5, 8}, {4, 2, 9}, {5, 2.5, 4}, {6, 3.5, 6}};
        QCOMPARE(MarkShapes::rowsOf(bands, 3), (QList<int>{0, 1, 0, 2, 2, 1}));
        QCOMPARE(MarkShapes::rowsOf(bands, 1), (QList<int>{0, 0, 0, 0, 0, 0}));
        QVERIFY(MarkShapes::rowsOf({}, 3).isEmpty());
    }

    // The playing clip's bands on the trip's axis: moved by where the clip starts, the
    // rest of each band as it was.
    void bandsOnTheTripsAxis_data()
    {
        QTest::addColumn<double>("offset");
        QTest::addColumn<QList<MarkBand>>("bands");
        QTest::addColumn<QList<MarkBand>>("expected");
        const QList<MarkBand> bands{{1, 0, 5, true, false, false}, {2, 12.5, 60, false, true, true}};
        QTest::newRow("a clip on its own") << 0.0 << bands << bands;
        QTest::newRow("the third clip of a trip")
            << 120.0 << bands
            << QList<MarkBand>{{1, 120, 125, true, false, false}, {2, 132.5, 180, false, true, true}};
        QTest::newRow("no marks") << 60.0 << QList<MarkBand>{} << QList<MarkBand>{};
    }
    void bandsOnTheTripsAxis()
    {
        QFETCH(double, offset);
        QFETCH(QList<MarkBand>, bands);
        QFETCH(QList<MarkBand>, expected);
        QCOMPARE(MarkShapes::onAxis(bands, offset), expected);
    }

    void theTimelineShowsWhereTrackingLostTheTarget()
    {
        TelemetryTimeline timeline;
        timeline.resize(600, TelemetryTimeline::preferredHeight);
        timeline.setData({}, 60.0, {});
        timeline.setMarkBands({{1, 6, 30, true}, {2, 0, 60, false}});
        const QRect lost = timeline.markBandRect(0), whole = timeline.markBandRect(1);
        QVERIFY(lost.left() >= 55 && lost.left() <= 65 && lost.right() >= 295 && lost.right() <= 305);
        QVERIFY(lost.top() != whole.top());   // they overlap, so they take two rows
        QCOMPARE(timeline.lostEndAt(QPoint(lost.right(), lost.center().y())), 0);
        QCOMPARE(timeline.lostEndAt(QPoint(lost.center().x(), lost.center().y())), -1);
        QCOMPARE(timeline.lostEndAt(QPoint(whole.right(), whole.center().y())), -1);
        // Drawn: the lost end is a red bar, the band amber.
        const QImage shot = timeline.grab().toImage();
        const QColor end = shot.pixelColor(lost.right(), lost.center().y());
        QVERIFY2(end.red() > 200 && end.green() < 80, qPrintable(end.name()));
        const QColor band = shot.pixelColor(lost.center().x(), lost.center().y());
        QVERIFY2(band.red() > 170 && band.green() > 120 && band.blue() < 80, qPrintable(band.name()));
        // Its tool tip says so.
        timeline.show();
        QVERIFY(QTest::qWaitForWindowExposed(&timeline));
        QTest::mouseMove(&timeline, QPoint(lost.right(), lost.center().y()));
        QTRY_COMPARE(QToolTip::text(), QStringLiteral("Lost here"));
        QTest::mouseMove(&timeline, QPoint(lost.center().x(), timeline.height() / 2));
        QTRY_VERIFY(QToolTip::text() != QStringLiteral("Lost here"));

        // A click on a band chooses its mark and goes to where it begins; elsewhere it seeks
        // to the time under the pointer.
        QSignalSpy clicked(&timeline, &TelemetryTimeline::markBandClicked);
        QSignalSpy seeks(&timeline, &TelemetryTimeline::seekRequested);
        QTest::mouseClick(&timeline, Qt::LeftButton, {}, QPoint(lost.center().x(), lost.center().y()));
        QCOMPARE(clicked.size(), 1);
        QCOMPARE(clicked.first().first().toInt(), 1);
        QCOMPARE(seeks.size(), 1);
        QCOMPARE(seeks.first().first().toDouble(), 6.0);
        QTest::mouseClick(&timeline, Qt::LeftButton, {}, QPoint(300, 20));
        QCOMPARE(clicked.size(), 1);
        QVERIFY(seeks.size() >= 2);
        QVERIFY(std::abs(seeks.last().first().toDouble() - 30.0) < 0.5);
    }
};

QTEST_MAIN(MarkShapesTest)
#include "tst_mark_shapes.moc"
