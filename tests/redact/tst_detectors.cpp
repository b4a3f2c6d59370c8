// The detectors on pictures of our own making: which faces and plates they find and
// which they miss, that nothing is found on a plain ground, and that what a scan of a
// clip finds is only offered, never blurred before it is accepted.
#include "redact/Detectors.h"

#include "ForgedPictures.h"
#include "PlateScene.h"

#include <QStandardPaths>
#include <QTest>

namespace {

bool foundIn(const QList<QRect> &found, const QRect &truth)
{
    // Found: a box over most of the thing, not many times its size.
    return std::any_of(found.begin(), found.end(), [&](const QRect &r) {
        const QRect i = r.intersected(truth);
        return double(i.width()) * i.height() > 0.5 * truth.width() * truth.height()
               && r.width() * r.height() < 4 * truth.width() * truth.height();
    });
}

} // namespace

class TestDetectors : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void faces_data();
    void faces();
    void plates_data();
    void plates();
    void plainGroundHasNothing();
    void scanOffersWhatItFinds();
    void badInput();
};

void TestDetectors::initTestCase()
{
    QVERIFY2(QFile::exists(Detectors::cascadeFolder() + QStringLiteral("/haarcascade_frontalface_alt2.xml")),
             "opencv-data's cascades are not installed");
}

void TestDetectors::faces_data()
{
    QTest::addColumn<int>("side");
    QTest::addColumn<double>("angle");
    QTest::addColumn<bool>("found");
    for (const int s : {14, 20, 30, 40, 60, 90, 130, 180})
        QTest::addRow("frontal, %d px", s) << s << 0.0 << (s >= 20);
    QTest::addRow("turned 15 degrees, 90 px") << 90 << 15.0 << true;
    QTest::addRow("turned 40 degrees, 90 px") << 90 << 40.0 << false;
    QTest::addRow("upside down, 90 px") << 90 << 180.0 << false;
}

void TestDetectors::faces()
{
    QFETCH(int, side);
    QFETCH(double, angle);
    QFETCH(bool, found);
    cv::Mat m = ForgedPictures::ground(640, 360, 3);
    const QRect truth = ForgedPictures::face(m, cv::Point(320, 180), side, angle);
    QString why;
    const QList<QRect> boxes = Detectors::find(ForgedPictures::image(m), MarkKind::Face, &why);
    QVERIFY2(why.isEmpty(), qPrintable(why));
    const bool hit = foundIn(boxes, truth);
    qInfo("%s: %s, %lld boxes", QTest::currentDataTag(), hit ? "found" : "missed", qint64(boxes.size()));
    QCOMPARE(hit, found);
    // Nothing but the face.
    for (const QRect &b : boxes)
        QVERIFY(b.intersects(truth));
}

void TestDetectors::plates_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<bool>("surround");
    QTest::addColumn<bool>("found");
    for (const int w : {50, 60, 90, 130, 180, 260})
        QTest::addRow("%d px, on a car", w) << w << true << (w >= 60);
    QTest::addRow("130 px, on the grey ground alone") << 130 << false << true;
}

void TestDetectors::plates()
{
    QFETCH(int, width);
    QFETCH(bool, surround);
    QFETCH(bool, found);
    cv::Mat m = ForgedPictures::ground(1280, 720, 5);
    const QRect truth = ForgedPictures::plate(m, cv::Point(640 - width / 2, 400), width, surround);
    const QList<QRect> boxes = Detectors::find(ForgedPictures::image(m), MarkKind::Plate);
    const bool hit = foundIn(boxes, truth);
    qInfo("%s: %s, %lld boxes", QTest::currentDataTag(), hit ? "found" : "missed", qint64(boxes.size()));
    QCOMPARE(hit, found);
}

void TestDetectors::plainGroundHasNothing()
{
    for (const unsigned grain : {1u, 2u, 3u}) {
        const QImage ground = ForgedPictures::image(ForgedPictures::ground(1280, 720, grain));
        QCOMPARE(Detectors::find(ground, MarkKind::Face).size(), 0);
        QCOMPARE(Detectors::find(ground, MarkKind::Plate).size(), 0);
    }
    QCOMPARE(Detectors::find(ForgedPictures::image(ForgedPictures::ground(640, 360)), MarkKind::Drawn).size(), 0);
}

void TestDetectors::scanOffersWhatItFinds()
{
    // The plate scene's plate is 76 by 20 pixels on a grey ground: what a scan of 4 s
    // finds is offered, and none of it is blurred until accepted.
    const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    const QString clip = qEnvironmentVariable("VELTRA_SAMPLES") + QStringLiteral("/redact/2026_1115_092000_020F.MOV");
    const auto video = ClipVideo::probe(ffmpeg, clip);
    QVERIFY(video);
    QString why;
    const QList<Detectors::Found> found =
        Detectors::scan(ffmpeg, clip, *video, 0, 4'000'000, {MarkKind::Plate, MarkKind::Face}, 15, {}, &why);
    QVERIFY2(why.isEmpty(), qPrintable(why));
    int onPlate = 0;
    for (const Detectors::Found &f : found) {
        const auto b = PlateScene::plate(long(video->frameAt(f.timeUs)), 30, 640, 360);
        onPlate += f.box.intersects(QRect(b.x, b.y, b.width, b.height));
    }
    qInfo("the plate scene, 4 s looked through every 15th frame: %lld finds, %d on the plate", qint64(found.size()), onPlate);
    QVERIFY(onPlate >= 1);
    QVERIFY(found.size() - onPlate <= 1);
    RedactMarks marks(video->size, video->frameUs());
    const QList<int> ids = Detectors::offer(&marks, found);
    QCOMPARE(ids.size(), found.size());
    QCOMPARE(marks.acceptedCount(), 0);
    for (const Detectors::Found &f : found) {
        QVERIFY(marks.boxesAt(f.timeUs).isEmpty());
        QVERIFY(!marks.boxesAt(f.timeUs, true).isEmpty());
    }
}

void TestDetectors::badInput()
{
    QCOMPARE(Detectors::find(QImage(), MarkKind::Face).size(), 0);
    qputenv("VELTRA_CASCADES", "/nonexistent");
    QString why;
    QCOMPARE(Detectors::find(QImage(64, 64, QImage::Format_RGB32), MarkKind::Face, &why).size(), 0);
    QVERIFY(why.contains(QStringLiteral("/nonexistent")));
    qunsetenv("VELTRA_CASCADES");
    ClipVideo none;
    QVERIFY(Detectors::scan({}, QStringLiteral("/nonexistent.MOV"), none, 0, 1000, {MarkKind::Face}).isEmpty());
}

QTEST_GUILESS_MAIN(TestDetectors)
#include "tst_detectors.moc"
