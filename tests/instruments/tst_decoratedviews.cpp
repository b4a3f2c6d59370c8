// The three decorated views paint their shapes at the computed places.
#include "InstrumentTestSupport.h"
#include "instruments/BlackView.h"
#include "instruments/ReadoutLabel.h"
#include "instruments/FramedView.h"

#include <QTest>

namespace {
bool isDark(const QColor &c) { return c.red() < 120 && c.green() < 120 && c.blue() < 120; }
bool isBlack(const QColor &c) { return c.red() < 20 && c.green() < 20 && c.blue() < 20; }
}

class DecoratedViewsTest : public QObject {
    Q_OBJECT
private slots:
    void ktViewFrameIsInsetThreePoints()
    {
        FramedView view;
        view.resize(50, 30);
        QPalette pal = view.palette();
        pal.setColor(QPalette::Window, Qt::white);
        view.setPalette(pal);
        view.setAutoFillBackground(true);
        const QImage img = view.grab().toImage();
        // Straight edges at 3 points from each side, between 5 and 45 / 5 and 25.
        for (QPoint p : {QPoint(25, 3), QPoint(25, 26), QPoint(3, 15), QPoint(46, 15)})
            QVERIFY2(anyPixelNear(img, p, 0, [](const QColor &c) { return c.red() < 200; }),
                     qPrintable(QStringLiteral("%1,%2").arg(p.x()).arg(p.y())));
        QVERIFY(!isDark(img.pixelColor(25, 15)));
        QVERIFY(!isDark(img.pixelColor(1, 1)));
        QVERIFY(!isDark(img.pixelColor(25, 0)));
        QCOMPARE(view.focusPolicy(), Qt::NoFocus);
    }

    void ktTextFieldTagEndsInAnArrowPoint()
    {
        ReadoutLabel field;
        field.resize(100, 20);
        QPalette pal = field.palette();
        pal.setColor(QPalette::Window, Qt::white);
        field.setPalette(pal);
        field.setAutoFillBackground(true);
        const QImage img = field.grab().toImage();
        QVERIFY(isBlack(img.pixelColor(50, 10)));
        QVERIFY(isBlack(img.pixelColor(2, 2)));
        QVERIFY(isBlack(img.pixelColor(97, 10)));    // inside the point
        QVERIFY(!isDark(img.pixelColor(98, 2)));     // cut away above it
        QVERIFY(!isDark(img.pixelColor(98, 17)));    // and below
        QVERIFY(isBlack(img.pixelColor(88, 1)));     // the slant starts at x = 90
    }

    void ktTextFieldWritesWhiteOnTheTag()
    {
        ReadoutLabel field(QStringLiteral("MMMM"));
        field.resize(100, 24);
        const QImage img = field.grab().toImage();
        int white = 0;
        for (int x = 0; x < 60; ++x)
            for (int y = 0; y < 24; ++y)
                white += img.pixelColor(x, y).lightness() > 200 ? 1 : 0;
        QVERIFY(white > 10);
    }

    void blackViewIsBlack()
    {
        BlackView view;
        view.resize(20, 20);
        const QImage img = view.grab().toImage();
        QCOMPARE(img.pixelColor(10, 10), QColor(0, 0, 0));
        QCOMPARE(img.pixelColor(0, 19), QColor(0, 0, 0));
    }
};

QTEST_MAIN(DecoratedViewsTest)
#include "tst_decoratedviews.moc"
