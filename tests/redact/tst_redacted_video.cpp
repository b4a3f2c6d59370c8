// The blur and the redacted video: inside a box the picture loses its detail at every
// strength, outside it not a byte changes; a forged clip with its plate tracked comes
// out with the plate blurred on every frame and the rest as a plain export has it.
#include "redact/Blur.h"
#include "redact/MarkTracker.h"
#include "redact/RedactedVideo.h"

#include "PlateScene.h"

#include <QFile>
#include <QFutureWatcher>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

Q_DECLARE_METATYPE(BlurStyle)

namespace {

QString sample(const QString &name) { return qEnvironmentVariable("VELTRA_SAMPLES") + QStringLiteral("/redact/") + name; }

QImage noise(QSize size)
{
    QImage img(size, QImage::Format_Grayscale8);
    QRandomGenerator rng(42);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            img.scanLine(y)[x] = uchar(rng.bounded(256));
    return img;
}

// The mean step between neighbouring pixels inside `r` of an 8-bit plane: the detail.
double detail(const uchar *p, int stride, const QRect &r)
{
    double sum = 0;
    long n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x < r.right(); ++x, ++n)
            sum += std::abs(int(p[y * stride + x + 1]) - int(p[y * stride + x]));
    return n ? sum / n : 0;
}

double variance(const uchar *p, int stride, const QRect &r)
{
    double s = 0, s2 = 0;
    long n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x, ++n) {
            s += p[y * stride + x];
            s2 += double(p[y * stride + x]) * p[y * stride + x];
        }
    return n ? s2 / n - (s / n) * (s / n) : 0;
}

QRect plateOn(qint64 frame, QSize size)
{
    const auto b = PlateScene::plate(long(frame), 30, size.width(), size.height());
    return QRect(b.x, b.y, b.width, b.height);
}

} // namespace

class TestRedactedVideo : public QObject {
    Q_OBJECT
private slots:
    void blurHidesTheInside_data();
    void blurHidesTheInside();
    void blurOnTheEdges_data();
    void blurOnTheEdges();
    void blurI420();
    void exportedPlateIsBlurredAndTheRestUnchanged();
    void clipOfAnotherSize();
    void thousandsOfMarks();
    void cancelHalfWayLeavesNothing();
    void badInput();
};

void TestRedactedVideo::blurHidesTheInside_data()
{
    QTest::addColumn<BlurStyle>("style");
    QTest::addColumn<int>("strength");
    for (const int s : {1, 5, 10}) {
        QTest::addRow("pixelate %d", s) << BlurStyle::Pixelate << s;
        QTest::addRow("gaussian %d", s) << BlurStyle::Gaussian << s;
    }
}

void TestRedactedVideo::blurHidesTheInside()
{
    QFETCH(BlurStyle, style);
    QFETCH(int, strength);
    const QImage source = noise(QSize(320, 200));
    const QRect box(40, 30, 120, 90);
    const QImage out = Blur::image(source, {box}, {style, strength});
    QCOMPARE(out.size(), source.size());
    const double before = detail(source.constBits(), int(source.bytesPerLine()), box);
    const double after = detail(out.constBits(), int(out.bytesPerLine()), box);
    qInfo("detail %.1f -> %.1f", before, after);
    QVERIFY(after < before * 0.15);
    // Not a pixel outside the box changes.
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x)
            if (!box.contains(x, y) && source.scanLine(y)[x] != out.scanLine(y)[x])
                QFAIL(qPrintable(QStringLiteral("pixel %1,%2 outside changed").arg(x).arg(y)));
    // Stronger hides more.
    if (strength < 10) {
        const QImage strong = Blur::image(source, {box}, {style, 10});
        QVERIFY(detail(strong.constBits(), int(strong.bytesPerLine()), box) <= after);
    }
}

void TestRedactedVideo::blurOnTheEdges_data()
{
    QTest::addColumn<QRect>("box");
    QTest::addColumn<QRect>("blurred");
    QTest::addRow("over the left edge") << QRect(-30, 20, 80, 60) << QRect(0, 20, 50, 60);
    QTest::addRow("over the bottom right corner") << QRect(280, 170, 100, 100) << QRect(280, 170, 40, 30);
    QTest::addRow("larger than the picture") << QRect(-50, -50, 500, 400) << QRect(0, 0, 320, 200);
    QTest::addRow("off the picture") << QRect(400, 10, 50, 50) << QRect();
    QTest::addRow("one pixel") << QRect(10, 10, 1, 1) << QRect(10, 10, 1, 1);
}

void TestRedactedVideo::blurOnTheEdges()
{
    QFETCH(QRect, box);
    QFETCH(QRect, blurred);
    const QImage source = noise(QSize(320, 200));
    for (const BlurStyle style : {BlurStyle::Pixelate, BlurStyle::Gaussian}) {
        const QImage out = Blur::image(source, {box}, {style, 7});
        for (int y = 0; y < source.height(); ++y)
            for (int x = 0; x < source.width(); ++x)
                if (!blurred.contains(x, y))
                    QCOMPARE(out.scanLine(y)[x], source.scanLine(y)[x]);
        if (blurred.width() > 4)
            QVERIFY(detail(out.constBits(), int(out.bytesPerLine()), blurred)
                    < 0.2 * detail(source.constBits(), int(source.bytesPerLine()), blurred));
    }
}

void TestRedactedVideo::blurI420()
{
    const int w = 64, h = 48;
    QByteArray frame(rawFrameBytes(RawFormat::I420, QSize(w, h)), Qt::Uninitialized);
    QRandomGenerator rng(7);
    for (char &c : frame)
        c = char(rng.bounded(256));
    const QByteArray before = frame;
    const QRect box(11, 9, 21, 17);  // odd corners: out to even ones
    Blur::i420(reinterpret_cast<uchar *>(frame.data()), w, h, {box}, {BlurStyle::Gaussian, 8});
    const QRect even(10, 8, 22, 18);
    const auto *p = reinterpret_cast<const uchar *>(frame.constData());
    const auto *q = reinterpret_cast<const uchar *>(before.constData());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (!even.contains(x, y))
                QCOMPARE(p[y * w + x], q[y * w + x]);
    QVERIFY(detail(p, w, box) < 0.25 * detail(q, w, box));
    // The chroma planes over the same ground, and nothing else of them.
    const QRect c(5, 4, 11, 9);
    for (int plane = 0; plane < 2; ++plane) {
        const int at = w * h + plane * (w / 2) * (h / 2);
        for (int y = 0; y < h / 2; ++y)
            for (int x = 0; x < w / 2; ++x)
                if (!c.contains(x, y))
                    QCOMPARE(p[at + y * (w / 2) + x], q[at + y * (w / 2) + x]);
        QVERIFY(detail(p + at, w / 2, c) < 0.5 * detail(q + at, w / 2, c));
    }
}

void TestRedactedVideo::exportedPlateIsBlurredAndTheRestUnchanged()
{
    const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    const QString clip = sample(QStringLiteral("2026_1115_092000_020F.MOV"));
    const auto video = ClipVideo::probe(ffmpeg, clip);
    QVERIFY(video);
    // The plate marked at 1 s and tracked through 10 s.
    RedactMarks marks(video->size, video->frameUs());
    const int id = marks.add(MarkKind::Plate, video->timeOf(30), plateOn(30, video->size));
    TrackJob track;
    track.clip = clip;
    track.video = *video;
    track.mark = *marks.mark(id);
    track.fromUs = 0;
    track.toUs = video->timeOf(329);
    const TrackOutcome tracked = MarkTracking::run(track);
    QVERIFY2(tracked.failure.isEmpty(), qPrintable(tracked.failure));
    QVERIFY(marks.setTracked(id, tracked.fromUs, tracked.toUs, tracked.boxes, tracked.losses));

    QTemporaryDir dir;
    RedactJob job;
    job.clip = clip;
    job.video = *video;
    job.marks = marks;
    job.blur = {BlurStyle::Gaussian, 6};
    job.firstFrame = 15;
    job.frames = 300;
    job.output = dir.filePath(QStringLiteral("redacted.mp4"));
    const RedactResult r = RedactedVideo::render(job);
    QVERIFY2(r.ok, qPrintable(r.failure));
    QCOMPARE(r.framesWritten, 300);
    RedactJob plainJob = job;
    plainJob.marks = RedactMarks(video->size, video->frameUs());
    plainJob.output = dir.filePath(QStringLiteral("plain.mp4"));
    QVERIFY(RedactedVideo::render(plainJob).ok);
    const auto out = ClipVideo::probe(ffmpeg, job.output);
    QVERIFY(out);
    QCOMPARE(out->size, video->size);

    RawFrameReader redacted, plain;
    QVERIFY(redacted.open(ffmpeg, job.output, *out, 0, -1, out->size, RawFormat::Gray));
    QVERIFY(plain.open(ffmpeg, plainJob.output, *out, 0, -1, out->size, RawFormat::Gray));
    QByteArray a, b;
    int frames = 0;
    double worstRatio = 0, sumSq = 0;
    long outside = 0;
    const int w = out->size.width();
    while (redacted.read(&a) && plain.read(&b)) {
        const qint64 f = job.firstFrame + frames;
        const QRect box = marks.boxesAt(video->timeOf(f)).value(0);
        QVERIFY2(!box.isEmpty(), qPrintable(QStringLiteral("no box on frame %1").arg(f)));
        // The truth's plate, inside the tracked box's blur by a few pixels.
        const QRect inside = plateOn(f, video->size).adjusted(6, 4, -6, -4).intersected(box);
        const auto *pa = reinterpret_cast<const uchar *>(a.constData());
        const auto *pb = reinterpret_cast<const uchar *>(b.constData());
        const double ratio = variance(pa, w, inside) / std::max(1.0, variance(pb, w, inside));
        worstRatio = std::max(worstRatio, ratio);
        QVERIFY2(ratio < 0.2, qPrintable(QStringLiteral("frame %1: variance kept %2").arg(f).arg(ratio)));
        // Outside the box, by a margin for the encoder's blocks, as the plain export.
        const QRect near = box.adjusted(-16, -16, 16, 16);
        for (int y = 0; y < out->size.height(); y += 2)
            for (int x = 0; x < w; x += 2)
                if (!near.contains(x, y)) {
                    const double d = double(pa[y * w + x]) - pb[y * w + x];
                    sumSq += d * d;
                    ++outside;
                }
        ++frames;
    }
    QCOMPARE(frames, 300);
    const double mse = sumSq / std::max(1L, outside);
    const double psnr = mse > 0 ? 10 * std::log10(255.0 * 255.0 / mse) : 99;
    qInfo("300 frames: inside variance at most %.3f of the source's; outside PSNR %.1f dB against a plain export",
          worstRatio, psnr);
    QVERIFY(psnr > 40);
}

void TestRedactedVideo::clipOfAnotherSize()
{
    // Marks kept for the 640x360 picture, the clip 480x270: boxes are scaled to it.
    const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    const QString clip = sample(QStringLiteral("2026_1115_092000_020R.MOV"));
    const auto video = ClipVideo::probe(ffmpeg, clip);
    QVERIFY(video);
    QCOMPARE(video->size, QSize(480, 270));
    RedactMarks marks(QSize(640, 360), video->frameUs());
    const int id = marks.add(MarkKind::Drawn, 0, QRect(320, 180, 320, 180));  // the lower right quarter
    QVERIFY(marks.setTracked(id, 0, video->timeOf(20), {{video->timeOf(1), QRect(320, 180, 320, 180)}}, {}));
    // Scaled to (240, 135, 240, 135), grown by its rim and cut at the picture's edge.
    QCOMPARE(RedactedVideo::boxesOn(marks, *video, 0), QList<QRect>{QRect(226, 127, 254, 143)});
    QTemporaryDir dir;
    RedactJob job;
    job.clip = clip;
    job.video = *video;
    job.marks = marks;
    job.frames = 2;
    job.output = dir.filePath(QStringLiteral("rear.mp4"));
    const RedactResult r = RedactedVideo::render(job);
    QVERIFY2(r.ok, qPrintable(r.failure));
    RawFrameReader reader;
    QVERIFY(reader.open(ffmpeg, job.output, *video, 0, 1, video->size, RawFormat::Gray));
    QByteArray f;
    QVERIFY(reader.read(&f));
    const auto *p = reinterpret_cast<const uchar *>(f.constData());
    QVERIFY(detail(p, 480, QRect(250, 145, 220, 115)) < 0.3 * detail(p, 480, QRect(10, 145, 220, 115)));
}

void TestRedactedVideo::thousandsOfMarks()
{
    const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    const QString clip = sample(QStringLiteral("2026_1115_092000_020F.MOV"));
    const auto video = ClipVideo::probe(ffmpeg, clip);
    QVERIFY(video);
    RedactMarks marks(video->size, video->frameUs());
    for (int i = 0; i < 3000; ++i)
        QVERIFY(marks.add(MarkKind::Drawn, video->timeOf(i % 30), QRect((i * 37) % 600, (i * 53) % 330, 40, 30)) > 0);
    QCOMPARE(RedactedVideo::boxesOn(marks, *video, 7).size(), 100);
    QTemporaryDir dir;
    RedactJob job;
    job.clip = clip;
    job.video = *video;
    job.marks = marks;
    job.frames = 30;
    job.blur = {BlurStyle::Pixelate, 5};
    job.output = dir.filePath(QStringLiteral("many.mp4"));
    const RedactResult r = RedactedVideo::render(job);
    QVERIFY2(r.ok, qPrintable(r.failure));
    QCOMPARE(r.framesWritten, 30);
}

void TestRedactedVideo::cancelHalfWayLeavesNothing()
{
    const QString clip = sample(QStringLiteral("2026_1115_092000_020F.MOV"));
    const auto video = ClipVideo::probe(QStandardPaths::findExecutable(QStringLiteral("ffmpeg")), clip);
    QVERIFY(video);
    QTemporaryDir dir;
    RedactJob job;
    job.clip = clip;
    job.video = *video;
    job.marks = RedactMarks(video->size, video->frameUs());
    job.marks.add(MarkKind::Drawn, 0, QRect(10, 10, 100, 100));
    job.frames = 360;
    job.preset = QStringLiteral("slow");
    job.output = dir.filePath(QStringLiteral("cancelled.mp4"));
    QFuture<RedactResult> future = RedactedVideo::start(job);
    QFutureWatcher<RedactResult> watcher;
    int seen = -1;
    connect(&watcher, &QFutureWatcher<RedactResult>::progressValueChanged, this, [&](int value) {
        if (value > 0 && seen < 0) {
            seen = value;
            future.cancel();
        }
    });
    watcher.setFuture(future);
    QTRY_VERIFY_WITH_TIMEOUT(future.isFinished(), 60000);
    QVERIFY(seen > 0 && seen < 1000);
    QVERIFY(future.isCanceled());
    QTRY_VERIFY(!QFile::exists(job.output));
}

void TestRedactedVideo::badInput()
{
    QTemporaryDir dir;
    RedactJob job;
    job.clip = QStringLiteral("/nonexistent.MOV");
    job.video.size = QSize(640, 360);
    job.video.rateNum = 30;
    job.video.seconds = 2;
    job.frames = 10;
    job.output = dir.filePath(QStringLiteral("out.mp4"));
    RedactResult r = RedactedVideo::render(job);
    QVERIFY(!r.ok);
    QVERIFY(!r.failure.isEmpty());
    QVERIFY(!QFile::exists(job.output));

    // A file that is no video.
    const QString junk = dir.filePath(QStringLiteral("junk.MOV"));
    QFile f(junk);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(4096, 'x'));
    f.close();
    QVERIFY(!ClipVideo::probe(QStandardPaths::findExecutable(QStringLiteral("ffmpeg")), junk));
    job.clip = junk;
    r = RedactedVideo::render(job);
    QVERIFY(!r.ok);
    QVERIFY(!QFile::exists(job.output));

    job.frames = 0;
    QVERIFY(!RedactedVideo::render(job).ok);
}

QTEST_GUILESS_MAIN(TestRedactedVideo)
#include "tst_redacted_video.moc"
