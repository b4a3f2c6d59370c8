// The timeline's stretch on show: zooming about the pointer, panning, the page turned
// with the playhead, and the mapping of pixels to times, on a ten-hour trip.
#include "player/TelemetryTimeline.h"
#include "player/TimelineView.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <QWheelEvent>

namespace {
constexpr double tenHours = 36000;
}

class TimelineViewTest : public QObject {
    Q_OBJECT
private slots:
    void moves_data()
    {
        QTest::addColumn<QString>("move");   // zoom, pan or follow
        QTest::addColumn<double>("start");
        QTest::addColumn<double>("span");
        QTest::addColumn<double>("a");       // zoom: factor; pan: seconds; follow: before
        QTest::addColumn<double>("b");       // zoom: anchor; follow: now
        QTest::addColumn<double>("newStart");
        QTest::addColumn<double>("newSpan");
        QTest::addRow("zoom in about the middle") << "zoom" << 0.0 << tenHours << 4.0 << 18000.0 << 13500.0 << 9000.0;
        QTest::addRow("zoom in about a point keeps it in place")
            << "zoom" << 0.0 << tenHours << 10.0 << 9000.0 << 8100.0 << 3600.0;
        QTest::addRow("a minute of ten hours") << "zoom" << 3600.0 << 600.0 << 10.0 << 3900.0 << 3870.0 << 60.0;
        QTest::addRow("no closer than ten seconds") << "zoom" << 100.0 << 20.0 << 10.0 << 110.0 << 105.0 << 10.0;
        QTest::addRow("zoom out stops at the whole") << "zoom" << 3600.0 << 600.0 << 0.001 << 3900.0 << 0.0 << tenHours;
        QTest::addRow("zoom out near the end stays inside")
            << "zoom" << 35000.0 << 1000.0 << 0.5 << 35900.0 << 34000.0 << 2000.0;
        QTest::addRow("pan later") << "pan" << 3600.0 << 60.0 << 30.0 << 0.0 << 3630.0 << 60.0;
        QTest::addRow("pan before the start stops at 0") << "pan" << 20.0 << 60.0 << -50.0 << 0.0 << 0.0 << 60.0;
        QTest::addRow("pan past the end stops there") << "pan" << 35900.0 << 60.0 << 500.0 << 0.0 << 35940.0 << 60.0;
        QTest::addRow("playhead crossing the right edge turns the page")
            << "follow" << 3600.0 << 60.0 << 3659.0 << 3661.0 << 3655.0 << 60.0;
        QTest::addRow("playhead crossing the left edge in reverse")
            << "follow" << 3600.0 << 60.0 << 3601.0 << 3599.0 << 3545.0 << 60.0;
        QTest::addRow("playhead within the stretch leaves it")
            << "follow" << 3600.0 << 60.0 << 3610.0 << 3630.0 << 3600.0 << 60.0;
        QTest::addRow("a playhead already outside leaves it")
            << "follow" << 3600.0 << 60.0 << 100.0 << 101.0 << 3600.0 << 60.0;
    }
    void moves()
    {
        QFETCH(QString, move);
        QFETCH(double, start);
        QFETCH(double, span);
        QFETCH(double, a);
        QFETCH(double, b);
        QFETCH(double, newStart);
        QFETCH(double, newSpan);
        const TimelineView view{start, span};
        const TimelineView moved = move == "zoom" ? view.zoomed(a, b, tenHours)
                                   : move == "pan" ? view.panned(a, tenHours)
                                                   : view.following(a, b, tenHours);
        QCOMPARE(moved.start, newStart);
        QCOMPARE(moved.span, newSpan);
    }

    void mapping_data()
    {
        QTest::addColumn<double>("start");
        QTest::addColumn<double>("span");
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("seconds");
        // 1001 pixels: 1000 steps between the edges.
        QTest::addRow("whole: left edge") << 0.0 << tenHours << 0.0 << 0.0;
        QTest::addRow("whole: right edge") << 0.0 << tenHours << 1000.0 << tenHours;
        QTest::addRow("a minute: the middle") << 3600.0 << 60.0 << 500.0 << 3630.0;
        QTest::addRow("a minute: left of the widget is its start") << 3600.0 << 60.0 << -40.0 << 3600.0;
        QTest::addRow("a minute: right of the widget is its end") << 3600.0 << 60.0 << 1200.0 << 3660.0;
    }
    void mapping()
    {
        QFETCH(double, start);
        QFETCH(double, span);
        QFETCH(double, x);
        QFETCH(double, seconds);
        const TimelineView view{start, span};
        QCOMPARE(view.timeAt(x, 1001), seconds);
        if (x >= 0 && x <= 1000)
            QCOMPARE(view.xAt(seconds, 1001), x);
    }

    void whole()
    {
        QCOMPARE(TimelineView::whole(tenHours), (TimelineView{0, tenHours}));
        QVERIFY(TimelineView::whole(tenHours).isWhole(tenHours));
        QVERIFY(!(TimelineView{0, 60}).isWhole(tenHours));
        // A trip shorter than the closest look is shown whole.
        QCOMPARE((TimelineView{0, 4}).zoomed(10, 2, 4), (TimelineView{0, 4}));
    }

    // What the widget does with the wheel, the keys and a double click, on a ten-hour
    // axis 1001 pixels wide.
    void widget_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<double>("start");
        QTest::addColumn<double>("span");
        QTest::addRow("a wheel notch zooms a fifth closer about the pointer") << "wheel" << 3600.0 << 28800.0;
        QTest::addRow("Shift+wheel pans a tenth") << "shift-wheel" << 1800.0 << 18000.0;
        QTest::addRow("Ctrl+= zooms twice as close") << "ctrl+=" << 4500.0 << 9000.0;
        QTest::addRow("- zooms out") << "-" << 0.0 << 36000.0;
        QTest::addRow("0 shows the whole") << "0" << 0.0 << 36000.0;
        QTest::addRow("a double click shows the whole") << "double" << 0.0 << 36000.0;
    }
    void widget()
    {
        QFETCH(QString, input);
        QFETCH(double, start);
        QFETCH(double, span);
        TelemetryTimeline line;
        line.resize(1001, TelemetryTimeline::preferredHeight);
        line.setData({}, tenHours, {});
        line.setPlayhead(9000);
        // The pointer at x 500 of a view from 0 to ten hours is at five hours.
        const QPointF at(500, 20);
        if (input == "shift-wheel" || input == "ctrl+=" || input == "0" || input == "double")
            line.setView({0, 18000});
        if (input == "-")
            line.setView({9000, 18000});
        if (input == "wheel" || input == "shift-wheel") {
            const bool shift = input == "shift-wheel";
            QWheelEvent wheel(at, line.mapToGlobal(at), {}, QPoint(0, shift ? -120 : 120), Qt::NoButton,
                              shift ? Qt::ShiftModifier : Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(&line, &wheel);
        } else if (input == "double") {
            QTest::mouseDClick(&line, Qt::LeftButton, {}, at.toPoint());
        } else {
            const int key = input == "ctrl+=" ? Qt::Key_Equal : input == "-" ? Qt::Key_Minus : Qt::Key_0;
            // The pointer is not over the widget: about the playhead (9000 s).
            QKeyEvent press(QEvent::KeyPress, key, input == "ctrl+=" ? Qt::ControlModifier : Qt::NoModifier);
            QApplication::sendEvent(&line, &press);
        }
        QCOMPARE(line.view().start, start);
        QCOMPARE(line.view().span, span);
    }
};

QTEST_MAIN(TimelineViewTest)
#include "tst_timeline_view.moc"
