// Images by name from :/images: SVG preferred over PNG, rendered at the size asked for.
#include "common/NamedImage.h"

#include <QGuiApplication>
#include <QTest>

class TestNamedImage : public QObject {
    Q_OBJECT
private slots:
    void pathPrefersSvgThenPng_data();
    void pathPrefersSvgThenPng();
    void naturalSize_data();
    void naturalSize();
    void svgIsRenderedAtTheRequestedSize();
    void pngIsScaled();
    void pixmapHonoursTheDevicePixelRatio();
    void unknownOrEmptyGivesNothing();
};

void TestNamedImage::pathPrefersSvgThenPng_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("path");
    QTest::addRow("svg") << "tst_square" << ":/images/tst_square.svg";
    QTest::addRow("png") << "tst_green" << ":/images/tst_green.png";
    QTest::addRow("unknown") << "tst_nothing" << "";
    QTest::addRow("extension is not part of the name") << "tst_square.svg" << "";
}

void TestNamedImage::pathPrefersSvgThenPng()
{
    QFETCH(QString, name);
    QFETCH(QString, path);
    QCOMPARE(NamedImage::path(name), path);
}

void TestNamedImage::naturalSize_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");
    QTest::addRow("svg view box") << "tst_square" << QSize(40, 20);
    QTest::addRow("png pixels") << "tst_green" << QSize(8, 4);
    QTest::addRow("unknown") << "tst_nothing" << QSize();
}

void TestNamedImage::naturalSize()
{
    QFETCH(QString, name);
    QFETCH(QSize, size);
    QCOMPARE(NamedImage::naturalSize(name), size);
}

void TestNamedImage::svgIsRenderedAtTheRequestedSize()
{
    const QImage img = NamedImage::image(QStringLiteral("tst_square"), QSize(80, 40));
    QCOMPARE(img.size(), QSize(80, 40));
    // left half red, right half blue, stretched to the size asked for
    QCOMPARE(img.pixelColor(10, 20), QColor(255, 0, 0));
    QCOMPARE(img.pixelColor(70, 20), QColor(0, 0, 255));
    const QImage squeezed = NamedImage::image(QStringLiteral("tst_square"), QSize(10, 30));
    QCOMPARE(squeezed.size(), QSize(10, 30));
    QCOMPARE(squeezed.pixelColor(1, 15), QColor(255, 0, 0));
    QCOMPARE(squeezed.pixelColor(8, 15), QColor(0, 0, 255));
}

void TestNamedImage::pngIsScaled()
{
    const QImage img = NamedImage::image(QStringLiteral("tst_green"), QSize(16, 16));
    QCOMPARE(img.size(), QSize(16, 16));
    QCOMPARE(img.pixelColor(8, 8), QColor(0, 255, 0));
}

void TestNamedImage::pixmapHonoursTheDevicePixelRatio()
{
    const QPixmap pm = NamedImage::pixmap(QStringLiteral("tst_square"), QSize(40, 20), 2.0);
    QCOMPARE(pm.size(), QSize(80, 40));
    QCOMPARE(pm.devicePixelRatio(), 2.0);
    QCOMPARE(pm.deviceIndependentSize(), QSizeF(40, 20));
}

void TestNamedImage::unknownOrEmptyGivesNothing()
{
    QVERIFY(NamedImage::image(QStringLiteral("tst_nothing"), QSize(10, 10)).isNull());
    QVERIFY(NamedImage::image(QStringLiteral("tst_square"), QSize(0, 10)).isNull());
    QVERIFY(NamedImage::pixmap(QStringLiteral("tst_nothing"), QSize(10, 10)).isNull());
}

QTEST_MAIN(TestNamedImage)
#include "tst_named_image.moc"
