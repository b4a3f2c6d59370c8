// The GUI path works on the test machine's X server: a window is mapped and painted.
#include <QApplication>
#include <QLabel>
#include <QTest>

class WindowSmokeTest : public QObject {
    Q_OBJECT
private slots:
    void labelIsShownAndPainted()
    {
        QLabel label(QStringLiteral("Veltra"));
        label.resize(120, 40);
        label.setStyleSheet(QStringLiteral("background: rgb(10, 200, 30);"));
        label.show();
        QVERIFY(QTest::qWaitForWindowExposed(&label));
        const QImage img = label.grab().toImage();
        QCOMPARE(img.pixelColor(2, 2), QColor(10, 200, 30));
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    }
};

QTEST_MAIN(WindowSmokeTest)
#include "tst_window_smoke.moc"
