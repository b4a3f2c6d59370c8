// The artwork: every image the panels name exists, and the speed dials' printed
// scales meet the needle: value v sits where a needle turned by v / half-turn x pi
// points (172 km/h and 90 mph at half a turn).
#include "InstrumentTestSupport.h"
#include "common/NamedImage.h"
#include "instruments/InstrumentGeometry.h"

#include <QApplication>
#include <QTest>
#include <QtMath>

using namespace InstrumentGeometry;

namespace {
constexpr int kScale = 3;   // render large so that thin ticks cover whole pixels
bool isLight(const QColor &c) { return c.red() > 200 && c.green() > 200 && c.blue() > 200; }
}

class InstrumentArtworkTest : public QObject {
    Q_OBJECT
private slots:
    void imagesExist_data()
    {
        QTest::addColumn<QString>("name");
        for (const char *n : {"speed_dial_kmh", "speed_dial_mph", "speed_needle_kmh", "speed_needle_mph", "compass_rose",
                              "compass_pointer", "car_icon", "direction_mark", "lock"})
            QTest::newRow(n) << QString::fromLatin1(n);
    }
    void imagesExist()
    {
        QFETCH(QString, name);
        QVERIFY(!NamedImage::path(name).isEmpty());
        QVERIFY(!NamedImage::naturalSize(name).isEmpty());
        const QImage img = NamedImage::image(name, NamedImage::naturalSize(name));
        int opaque = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                opaque += img.pixelColor(x, y).alpha() > 128 ? 1 : 0;
        QVERIFY(opaque > 10);
    }

    void dialScaleMeetsTheNeedle_data()
    {
        QTest::addColumn<QString>("dial");
        QTest::addColumn<double>("halfTurn");
        QTest::addColumn<QList<double>>("ticks");
        QTest::addColumn<QList<double>>("gaps");
        QTest::newRow("km/h") << "speed_dial_kmh" << 172.0 << QList<double>{0, 20, 40, 60, 80, 100, 120, 140, 160, 172}
                              << QList<double>{5, 45, 95, 135, 166};
        QTest::newRow("mph") << "speed_dial_mph" << 90.0 << QList<double>{0, 10, 20, 30, 40, 50, 60, 70, 80, 90}
                             << QList<double>{2.5, 27.5, 62.5, 87.5};
    }
    void dialScaleMeetsTheNeedle()
    {
        QFETCH(QString, dial);
        QFETCH(double, halfTurn);
        QFETCH(QList<double>, ticks);
        QFETCH(QList<double>, gaps);
        QCOMPARE(NamedImage::naturalSize(dial), QSize(int(DialArtwork::width), int(DialArtwork::height)));
        const QImage img = NamedImage::image(dial, QSize(int(DialArtwork::width) * kScale, int(DialArtwork::height) * kScale));
        const QPointF pivot(DialArtwork::pivotX, DialArtwork::height - DialArtwork::pivotY);   // y up
        const QTransform toImage = yUpToQt(DialArtwork::height) * QTransform::fromScale(kScale, kScale);
        // Half way along a major tick.
        const double r = DialArtwork::tickOuterRadius - 4;
        for (double v : ticks) {
            const QPoint p = toImage.map(dialScalePoint(pivot, r, v, halfTurn)).toPoint();
            QVERIFY2(anyPixelNear(img, p, 1, isLight), qPrintable(QStringLiteral("no tick at %1").arg(v)));
        }
        for (double v : gaps) {
            const QPoint p = toImage.map(dialScalePoint(pivot, r, v, halfTurn)).toPoint();
            QVERIFY2(!anyPixelNear(img, p, 1, isLight), qPrintable(QStringLiteral("a tick at %1").arg(v)));
        }
    }

    void needlesTurnAboutTheirCentre_data()
    {
        QTest::addColumn<QString>("needle");
        QTest::newRow("km/h") << "speed_needle_kmh";
        QTest::newRow("mph") << "speed_needle_mph";
    }
    void needlesTurnAboutTheirCentre()
    {
        QFETCH(QString, needle);
        const int box = int(DialArtwork::needleBox);
        QCOMPARE(NamedImage::naturalSize(needle), QSize(box, box));
        const QImage img = NamedImage::image(needle, QSize(box, box));
        // Unturned, the needle points from the centre to the left (the dial's 0) and
        // reaches the inner end of the major ticks.
        const int c = box / 2;
        QVERIFY(img.pixelColor(c - int(0.9 * DialArtwork::needleLength), c).alpha() > 200);
        QVERIFY(img.pixelColor(c - int(DialArtwork::needleLength) - 3, c).alpha() < 30);
        QVERIFY(DialArtwork::needleLength >= DialArtwork::tickOuterRadius - DialArtwork::tickMajorLength);
        QVERIFY(img.pixelColor(c, c - 30).alpha() < 30);
        QVERIFY(img.pixelColor(c + 30, c).alpha() < 30);
    }
};

QTEST_MAIN(InstrumentArtworkTest)
#include "tst_instrumentartwork.moc"
