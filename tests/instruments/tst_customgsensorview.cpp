// The G-sensor graph paints what the trace geometry says.
#include "InstrumentTestSupport.h"
#include "instruments/BlackView.h"
#include "instruments/CustomGsensorView.h"
#include "instruments/InstrumentGeometry.h"

#include <QApplication>
#include <QTest>

using namespace InstrumentGeometry;

namespace {

class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// Ten entries: X at +2 g (drawn at 1 g), Y at -1 g, Z at +0.5 g.
QList<CustomGsensorView::Entry> flatDrive(int n = 10)
{
    QList<CustomGsensorView::Entry> list;
    for (int k = 0; k < n; ++k)
        list.append({2.0f, -1.0f, 0.5f});
    return list;
}

QPoint qtPoint(QPointF yUp, int height)
{
    return yUpToQt(height).map(yUp).toPoint();
}

} // namespace

class CustomGsensorViewTest : public QObject {
    Q_OBJECT
private:
    BlackView container;
    CustomGsensorView *view = nullptr;

    QImage paintAt(const QList<CustomGsensorView::Entry> &list, int index)
    {
        view->setGsensorArray(list);
        view->updateGsensorRange(index);
        return container.grab().toImage();
    }

private slots:
    void initTestCase()
    {
        container.resize(440, 120);
        view = new CustomGsensorView(&container);
        view->setGeometry(0, 0, 440, 120);
        container.show();
        QVERIFY(QTest::qWaitForWindowExposed(&container));
    }

    void tracesLieOnTheirComputedPoints()
    {
        const QImage img = paintAt(flatDrive(), 9);
        const float step = graphStep(120);
        // Halfway between entries 4 and 5 of each trace.
        const TracePoints a = graphTracePoints(4, 10, 440, step, 2.0f, -1.0f, 0.5f);
        const TracePoints b = graphTracePoints(5, 10, 440, step, 2.0f, -1.0f, 0.5f);
        const QPoint x = qtPoint((a.x + b.x) / 2, 120);
        const QPoint y = qtPoint((a.y + b.y) / 2, 120);
        const QPoint z = qtPoint((a.z + b.z) / 2, 120);
        QCOMPARE(x, QPoint(260, 40));
        QVERIFY(anyPixelNear(img, x, 1, isWhite));
        QVERIFY(anyPixelNear(img, y, 1, isRed));
        QVERIFY(anyPixelNear(img, z, 1, isGreen));
        // Nothing red or green well away from the traces.
        QVERIFY(!anyPixelNear(img, QPoint(260, 20), 3, isRed));
        QVERIFY(!anyPixelNear(img, QPoint(260, 100), 3, isGreen));
    }

    void tracesStopAtTheCurrentEntry()
    {
        const QImage img = paintAt(flatDrive(), 4);
        // Y runs from x = 40 to 40 + 4/10 * 400 = 200; X one entry further, to 240.
        QVERIFY(anyPixelNear(img, QPoint(190, 120 - 40), 1, isRed));
        QVERIFY(!anyPixelNear(img, QPoint(215, 120 - 40), 1, isRed));
        QVERIFY(anyPixelNear(img, QPoint(230, 40), 1, isWhite));
        QVERIFY(!anyPixelNear(img, QPoint(255, 40), 1, isWhite));
    }

    void indexBeyondTheListDrawsOnlyTheFrame()
    {
        const QImage img = paintAt(flatDrive(), 10);
        for (int x = 45; x < 440; x += 5) {
            QVERIFY(!anyPixelNear(img, QPoint(x, 120 - 40), 1, isRed));
            QVERIFY(!anyPixelNear(img, QPoint(x, 40), 0, isWhite));
        }
        // The frame: the vertical axis at x = 40 and the horizontal one along the bottom.
        QVERIFY(anyPixelNear(img, QPoint(40, 60), 1, isWhite));
        QVERIFY(anyPixelNear(img, QPoint(300, 119), 1, isWhite));
        // A tick of one g, to the left of the axis.
        QVERIFY(anyPixelNear(img, QPoint(37, 120 - 20), 1, isWhite));
    }

    void labelsSitLeftOfTheirTicks()
    {
        const QImage img = paintAt({}, 0);
        // "+2G" centred on the tick at 5 g-steps, ending at x = 35.
        const float step = graphStep(120);
        const QFontMetricsF m([] { QFont f; f.setPixelSize(9); return f; }());
        const QRectF box = yUpToQt(120).mapRect(graphLabelRect(5, step, QSizeF(m.horizontalAdvance(QStringLiteral("+2G")), m.height())));
        int white = 0;
        for (int y = int(box.top()); y <= int(box.bottom()); ++y)
            for (int x = int(box.left()); x <= int(box.right()); ++x)
                white += isWhite(img.pixelColor(x, y)) ? 1 : 0;
        QVERIFY2(white > 5, qPrintable(QString::number(white)));
        // Nothing written in the band between the labels.
        const QPoint between = qtPoint(QPointF(20, 4.5 * step), 120);
        QVERIFY(!anyPixelNear(img, between, 1, isWhite));
    }

    void valuesBeyondTheScaleAreClipped()
    {
        QList<CustomGsensorView::Entry> list = {{-4.0f, 4.0f, -4.0f}, {-4.0f, 4.0f, -4.0f}, {1.0f, 0.0f, 0.0f}};
        const QImage img = paintAt(list, 2);
        QCOMPARE(img.size(), QSize(440, 120));
        // The Y trace comes down from beyond the top into the "0" line.
        QVERIFY(anyPixelNear(img, qtPoint(QPointF(40 + 2.0 / 3 * 400 - 2, 60), 120), 2, isRed));
    }

    void repaintsOnlyWhenTheIndexMoves()
    {
        PaintCounter counter;
        view->installEventFilter(&counter);
        view->setGsensorArray(flatDrive());
        view->updateGsensorRange(3);
        QTRY_COMPARE(counter.paints, 1);
        for (int k = 0; k < 200; ++k)
            view->updateGsensorRange(3);
        QTest::qWait(50);
        QCOMPARE(counter.paints, 1);
        view->updateGsensorRange(4);
        QTRY_COMPARE(counter.paints, 2);
        // A new list with the same index is drawn too.
        view->setGsensorArray(flatDrive(20));
        view->updateGsensorRange(4);
        QTRY_COMPARE(counter.paints, 3);
        view->removeEventFilter(&counter);
        QCOMPARE(view->gsensorArray().size(), 20);
        QCOMPARE(view->focusPolicy(), Qt::NoFocus);
    }
};

QTEST_MAIN(CustomGsensorViewTest)
#include "tst_customgsensorview.moc"
