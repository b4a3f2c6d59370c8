// The tracker on the forged plate scene: the box stays on the moving plate while a
// patterned square crosses its path, a correction re-tracks only around itself, a target
// that leaves the picture ends the mark with a loss, and cancel and bad input end
// cleanly. The stretch rule and the loss bounds as tables.
#include "redact/MarkTracker.h"

#include "PlateScene.h"

#include <QFutureWatcher>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include <cmath>

namespace {

QString sample(const QString &name) { return qEnvironmentVariable("VELTRA_SAMPLES") + QStringLiteral("/redact/") + name; }

QRect truthPlate(qint64 frame, const ClipVideo &v)
{
    const PlateScene::Box b = PlateScene::plate(long(frame), 30, v.size.width(), v.size.height());
    return QRect(b.x, b.y, b.width, b.height);
}

QRect truthObject(qint64 frame, const ClipVideo &v)
{
    const PlateScene::Box b = PlateScene::object(long(frame), 30, v.size.width(), v.size.height());
    return QRect(b.x, b.y, b.width, b.height);
}

double centreError(const QRect &a, const QRect &b)
{
    const QPointF d = QRectF(a).center() - QRectF(b).center();
    return std::hypot(d.x(), d.y());
}

} // namespace

class TestMarkTracker : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void stretches_data();
    void stretches();
    void trackScale_data();
    void trackScale();
    void judgeStep_data();
    void judgeStep();
    void staysOnThePlate_data();
    void staysOnThePlate();
    void correctionRetracksAroundItself();
    void targetLeavingThePictureIsLost();
    void cancelHalfWay();
    void badInput();

private:
    ClipVideo video_;
    QString clip_;
};

void TestMarkTracker::initTestCase()
{
    clip_ = sample(QStringLiteral("2026_1115_092000_020F.MOV"));
    QString why;
    const auto v = ClipVideo::probe(QStandardPaths::findExecutable(QStringLiteral("ffmpeg")), clip_, &why);
    QVERIFY2(v, qPrintable(why));
    video_ = *v;
    QCOMPARE(video_.size, QSize(640, 360));
    QCOMPARE(video_.frameCount(), 360);
}

void TestMarkTracker::stretches_data()
{
    using S = QList<MarkTracking::Stretch>;
    QTest::addColumn<QList<qint64>>("keys");
    QTest::addColumn<qint64>("lo");
    QTest::addColumn<qint64>("hi");
    QTest::addColumn<qint64>("around");  // -1: all
    QTest::addColumn<QList<qint64>>("expected");  // key, first, last, ...
    QTest::addRow("one key covers the range") << QList<qint64>{50} << qint64(0) << qint64(99) << qint64(-1)
                                              << QList<qint64>{50, 0, 99};
    QTest::addRow("two keys meet halfway") << QList<qint64>{20, 60} << qint64(0) << qint64(99) << qint64(-1)
                                           << QList<qint64>{20, 0, 40, 60, 41, 99};
    QTest::addRow("a correction between two keys") << QList<qint64>{20, 40, 60} << qint64(0) << qint64(99)
                                                   << qint64(40) << QList<qint64>{40, 31, 50};
    QTest::addRow("keys outside the range are left") << QList<qint64>{5, 150} << qint64(10) << qint64(99)
                                                     << qint64(-1) << QList<qint64>{};
    QTest::addRow("unsorted, repeated keys") << QList<qint64>{60, 20, 60} << qint64(0) << qint64(99) << qint64(-1)
                                             << QList<qint64>{20, 0, 40, 60, 41, 99};
    QTest::addRow("neighbouring frames") << QList<qint64>{10, 11} << qint64(10) << qint64(11) << qint64(-1)
                                         << QList<qint64>{10, 10, 10, 11, 11, 11};
    Q_UNUSED(S());
}

void TestMarkTracker::stretches()
{
    QFETCH(QList<qint64>, keys);
    QFETCH(qint64, lo);
    QFETCH(qint64, hi);
    QFETCH(qint64, around);
    QFETCH(QList<qint64>, expected);
    QList<qint64> got;
    for (const auto &s : MarkTracking::stretches(keys, lo, hi, around < 0 ? std::nullopt : std::optional<qint64>(around)))
        got << s.key << s.first << s.last;
    QCOMPARE(got, expected);
}

void TestMarkTracker::trackScale_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QRect>("box");
    QTest::addColumn<double>("scale");
    QTest::addRow("a small picture as it is") << QSize(640, 360) << QRect(0, 0, 76, 20) << 1.0;
    QTest::addRow("1080p, a plate: its short side kept at 24") << QSize(1920, 1080) << QRect(0, 0, 230, 64) << 0.375;
    QTest::addRow("1080p, a large box: its long side to 80") << QSize(1920, 1080) << QRect(0, 0, 400, 200) << 0.2;
    QTest::addRow("1080p, a small face: a third") << QSize(1920, 1080) << QRect(0, 0, 72, 72) << 1.0 / 3;
    QTest::addRow("a tiny box is never enlarged") << QSize(1920, 1080) << QRect(0, 0, 8, 8) << 1.0;
    QTest::addRow("no picture") << QSize() << QRect(0, 0, 8, 8) << 1.0;
}

void TestMarkTracker::trackScale()
{
    QFETCH(QSize, picture);
    QFETCH(QRect, box);
    QFETCH(double, scale);
    QCOMPARE(MarkTracking::trackScale(picture, box), scale);
}

void TestMarkTracker::judgeStep_data()
{
    QTest::addColumn<QRect>("after");
    QTest::addColumn<int>("reason");  // -1: the same thing
    const int same = -1;
    QTest::addRow("still") << QRect(100, 100, 80, 20) << same;
    QTest::addRow("moved 30 px") << QRect(130, 100, 80, 20) << same;
    QTest::addRow("moved 40 px, half its width") << QRect(140, 100, 80, 20) << same;
    QTest::addRow("jumped 60 px") << QRect(160, 100, 80, 20) << int(LossReason::Jumped);
    QTest::addRow("jumped down") << QRect(100, 160, 80, 20) << int(LossReason::Jumped);
    QTest::addRow("grew a little") << QRect(98, 99, 88, 22) << same;
    QTest::addRow("doubled") << QRect(80, 95, 120, 30) << int(LossReason::Resized);
    QTest::addRow("shrank to a third") << QRect(125, 103, 30, 12) << int(LossReason::Resized);
    QTest::addRow("empty") << QRect(100, 100, 0, 20) << int(LossReason::Lost);
}

void TestMarkTracker::judgeStep()
{
    QFETCH(QRect, after);
    QFETCH(int, reason);
    const auto why = MarkTracking::judgeStep(QRect(100, 100, 80, 20), after);
    QCOMPARE(why ? int(*why) : -1, reason);
}

void TestMarkTracker::staysOnThePlate_data()
{
    QTest::addColumn<int>("method");
    QTest::addColumn<double>("bound");
    QTest::addRow("KCF") << int(TrackerMethod::Kcf) << 5.0;
    QTest::addRow("CSRT") << int(TrackerMethod::Csrt) << 4.0;
}

void TestMarkTracker::staysOnThePlate()
{
    QFETCH(int, method);
    QFETCH(double, bound);
    // The user's box at 1 s, on the plate; followed back to 0 and on to 11 s while the
    // square crosses the plate's path at about 2, 6 and 10 s.
    RedactMarks marks(video_.size, video_.frameUs());
    const int id = marks.add(MarkKind::Drawn, video_.timeOf(30), truthPlate(30, video_));
    TrackJob job;
    job.clip = clip_;
    job.video = video_;
    job.mark = *marks.mark(id);
    job.fromUs = 0;
    job.toUs = video_.timeOf(330);
    job.method = TrackerMethod(method);
    const TrackOutcome out = MarkTracking::run(job);
    QVERIFY2(out.failure.isEmpty(), qPrintable(out.failure));
    for (const MarkLoss &l : out.losses)
        qInfo("lost at frame %lld going %s: %s", video_.frameAt(l.timeUs),
              l.direction == TrackDirection::Forwards ? "forwards" : "backwards", qPrintable(lossReasonName(l.reason)));
    QVERIFY(out.losses.isEmpty());
    QCOMPARE(out.boxes.size(), 330);  // every frame of 0..330 but the key's
    double worst = 0, sum = 0;
    qint64 worstFrame = -1;
    for (auto it = out.boxes.begin(); it != out.boxes.end(); ++it) {
        const qint64 f = video_.frameAt(it.key());
        const double e = centreError(it.value(), truthPlate(f, video_));
        sum += e;
        if (e > worst) {
            worst = e;
            worstFrame = f;
        }
    }
    qInfo("%s: centre error mean %.2f px, worst %.2f px at frame %lld over %lld frames",
          QTest::currentDataTag(), sum / out.boxes.size(), worst, worstFrame, qint64(out.boxes.size()));
    QVERIFY2(worst <= bound, qPrintable(QStringLiteral("%1 px at frame %2").arg(worst).arg(worstFrame)));
    QVERIFY(marks.setTracked(id, out.fromUs, out.toUs, out.boxes, out.losses));
    QCOMPARE(marks.boxesAt(video_.timeOf(200)).size(), 1);
}

void TestMarkTracker::correctionRetracksAroundItself()
{
    RedactMarks marks(video_.size, video_.frameUs());
    const int id = marks.add(MarkKind::Drawn, video_.timeOf(30), truthPlate(30, video_));
    TrackJob job;
    job.clip = clip_;
    job.video = video_;
    job.fromUs = 0;
    job.toUs = video_.timeOf(180);
    job.mark = *marks.mark(id);
    TrackOutcome first = MarkTracking::run(job);
    QVERIFY2(first.failure.isEmpty(), qPrintable(first.failure));
    QVERIFY(marks.setTracked(id, first.fromUs, first.toUs, first.boxes, first.losses));
    const QMap<qint64, QRect> before = marks.mark(id)->tracked;

    // At frame 120 the user draws the box taller, and a little to the left: around it
    // the box follows the correction, before halfway to the first key nothing changes.
    const QRect corrected = truthPlate(120, video_).adjusted(-6, -6, 0, 6);
    QVERIFY(marks.setKey(id, video_.timeOf(120), corrected));
    job.mark = *marks.mark(id);
    job.aroundKeyUs = video_.timeOf(120);
    const TrackOutcome again = MarkTracking::run(job);
    QVERIFY2(again.failure.isEmpty(), qPrintable(again.failure));
    QCOMPARE(again.fromUs, video_.timeOf(76));   // halfway between frames 30 and 120, plus one
    QCOMPARE(again.toUs, video_.timeOf(180));
    QVERIFY(marks.setTracked(id, again.fromUs, again.toUs, again.boxes, again.losses));
    QCOMPARE(marks.boxesAt(video_.timeOf(120)), QList<QRect>{corrected});
    for (const qint64 f : {90, 110, 130, 170}) {
        const QRect box = marks.boxesAt(video_.timeOf(f)).value(0);
        QVERIFY2(box.height() >= corrected.height() - 2, qPrintable(QStringLiteral("frame %1").arg(f)));
        QVERIFY2(centreError(box, truthPlate(f, video_).adjusted(-6, -6, 0, 6)) <= 6,
                 qPrintable(QStringLiteral("frame %1").arg(f)));
    }
    for (const qint64 f : {0, 29, 31, 60, 75})
        QCOMPARE(marks.mark(id)->tracked.value(video_.timeOf(f)), before.value(video_.timeOf(f)));
}

void TestMarkTracker::targetLeavingThePictureIsLost()
{
    // The square at 3 s is two thirds down and leaves the picture at the bottom before
    // 4 s; the mark ends there rather than jump onto the ground or the plate.
    RedactMarks marks(video_.size, video_.frameUs());
    const QRect start = truthObject(90, video_);
    QVERIFY(QRect(QPoint(), video_.size).contains(start));
    const int id = marks.add(MarkKind::Drawn, video_.timeOf(90), start);
    TrackJob job;
    job.clip = clip_;
    job.video = video_;
    job.mark = *marks.mark(id);
    job.fromUs = video_.timeOf(90);
    job.toUs = video_.timeOf(150);
    const TrackOutcome out = MarkTracking::run(job);
    QVERIFY2(out.failure.isEmpty(), qPrintable(out.failure));
    QCOMPARE(out.losses.size(), 1);
    const MarkLoss loss = out.losses.first();
    QCOMPARE(loss.direction, TrackDirection::Forwards);
    const qint64 lostAt = video_.frameAt(loss.timeUs);
    qInfo("the square lost at frame %lld (%s)", lostAt, qPrintable(lossReasonName(loss.reason)));
    QVERIFY(lostAt > 90 && lostAt <= 120);
    for (auto it = out.boxes.begin(); it != out.boxes.end(); ++it) {
        QVERIFY(it.key() < loss.timeUs);
        const QRect truth = truthObject(video_.frameAt(it.key()), video_).intersected(QRect(QPoint(), video_.size));
        QVERIFY2(it.value().intersects(truth), qPrintable(QStringLiteral("frame %1").arg(video_.frameAt(it.key()))));
    }
    QVERIFY(marks.setTracked(id, out.fromUs, out.toUs, out.boxes, out.losses));
    QVERIFY(marks.boxesAt(loss.timeUs).isEmpty());
    QVERIFY(marks.boxesAt(video_.timeOf(140)).isEmpty());
}

void TestMarkTracker::cancelHalfWay()
{
    RedactMarks marks(video_.size, video_.frameUs());
    const int id = marks.add(MarkKind::Drawn, video_.timeOf(180), truthPlate(180, video_));
    TrackJob job;
    job.clip = clip_;
    job.video = video_;
    job.mark = *marks.mark(id);
    job.toUs = video_.timeOf(359);
    job.method = TrackerMethod::Csrt;  // the slower one: a cancel lands half-way
    QFuture<TrackOutcome> future = MarkTracking::start(job);
    QFutureWatcher<TrackOutcome> watcher;
    int seen = -1;
    connect(&watcher, &QFutureWatcher<TrackOutcome>::progressValueChanged, this, [&](int value) {
        if (value > 0 && seen < 0) {
            seen = value;
            future.cancel();
        }
    });
    watcher.setFuture(future);
    QTRY_VERIFY_WITH_TIMEOUT(future.isFinished(), 60000);
    QVERIFY(seen > 0 && seen < 1000);
    // A cancelled future holds no result to apply.
    QVERIFY(future.isCanceled());
    QVERIFY(future.resultCount() == 0 || future.result().cancelled);
}

void TestMarkTracker::badInput()
{
    RedactMarks marks(video_.size, video_.frameUs());
    const int id = marks.add(MarkKind::Drawn, video_.timeOf(30), QRect(10, 10, 30, 30));
    TrackJob job;
    job.video = video_;
    job.mark = *marks.mark(id);
    job.toUs = video_.timeOf(60);
    job.clip = QStringLiteral("/nonexistent/clip.MOV");
    TrackOutcome out = MarkTracking::run(job);
    QVERIFY(!out.failure.isEmpty());
    QVERIFY(out.boxes.isEmpty());

    job.clip = clip_;
    job.fromUs = video_.timeOf(100);  // the key box lies before the range
    job.toUs = video_.timeOf(200);
    out = MarkTracking::run(job);
    QVERIFY(!out.failure.isEmpty());

    job.fromUs = 0;
    job.mark.keys.clear();
    out = MarkTracking::run(job);
    QVERIFY(!out.failure.isEmpty());

    // A range past the clip's end stops at its last frame.
    job.mark = *marks.mark(id);
    job.fromUs = video_.timeOf(340);
    job.toUs = video_.timeOf(900);
    job.mark.keys = {{video_.timeOf(350), truthPlate(350, video_)}};
    out = MarkTracking::run(job);
    QVERIFY2(out.failure.isEmpty(), qPrintable(out.failure));
    QCOMPARE(out.toUs, video_.timeOf(359));
    QVERIFY(!out.boxes.isEmpty() && out.boxes.lastKey() <= video_.timeOf(359));
}

QTEST_GUILESS_MAIN(TestMarkTracker)
#include "tst_mark_tracker.moc"
