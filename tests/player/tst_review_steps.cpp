// The arithmetic behind the review keys and the incident export: frame steps, the
// rate ladder, the marked segment, and what captured pictures say.
#include "player/CaptureText.h"
#include "player/FrameCapture.h"
#include "player/IncidentMarks.h"
#include "player/PlaybackSteps.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QTest>

#include <cmath>

Q_DECLARE_METATYPE(std::optional<double>)

namespace {
const std::optional<double> none;
constexpr double f30 = 1.0 / 30;
}

class ReviewStepsTest : public QObject {
    Q_OBJECT
private slots:
    void frameTarget_data()
    {
        QTest::addColumn<double>("current");
        QTest::addColumn<double>("frame");
        QTest::addColumn<double>("duration");
        QTest::addColumn<int>("direction");
        QTest::addColumn<double>("expected");   // -1: no step
        QTest::newRow("next from a frame start") << 2.0 << f30 << 60.0 << 1 << 61 * f30;
        QTest::newRow("next from a landed seek (2034 ms)") << 2.034 << f30 << 60.0 << 1 << 62 * f30;
        QTest::newRow("previous from a landed seek") << 2.034 << f30 << 60.0 << -1 << 2.0;
        QTest::newRow("mid-frame pause goes to the next start") << 1.49 << f30 << 60.0 << 1 << 1.5;
        QTest::newRow("mid-frame pause goes back one") << 1.49 << f30 << 60.0 << -1 << 43 * f30;
        QTest::newRow("first frame, back") << 0.0 << f30 << 60.0 << -1 << -1.0;
        QTest::newRow("first frame, forward") << 0.0 << f30 << 60.0 << 1 << f30;
        QTest::newRow("last frame, forward") << 1799 * f30 << f30 << 60.0 << 1 << -1.0;
        QTest::newRow("last frame, landed (59967 ms)") << 59.967 << f30 << 60.0 << 1 << -1.0;
        QTest::newRow("at the end, back to the last frame") << 60.0 << f30 << 60.0 << -1 << 1799 * f30;
        QTest::newRow("at the end, forward") << 60.0 << f30 << 60.0 << 1 << -1.0;
        QTest::newRow("25 fps") << 0.04 << 0.04 << 10.0 << 1 << 0.08;
        QTest::newRow("no frame duration") << 1.0 << 0.0 << 10.0 << 1 << -1.0;
        QTest::newRow("no duration") << 0.0 << f30 << 0.0 << 1 << -1.0;
    }
    void frameTarget()
    {
        QFETCH(double, current);
        QFETCH(double, frame);
        QFETCH(double, duration);
        QFETCH(int, direction);
        QFETCH(double, expected);
        const std::optional<double> t = PlaybackSteps::frameTarget(current, frame, duration, direction);
        if (expected < 0) {
            QVERIFY2(!t, qPrintable(QString::number(t.value_or(0))));
        } else {
            QVERIFY(t);
            QCOMPARE_LE(std::abs(*t - expected), 1e-9);
        }
    }

    void frameSeekMs_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<qint64>("ms");
        QTest::newRow("frame 61 at 30 fps") << 61 * f30 << qint64(2034);
        QTest::newRow("frame 60 at 30 fps") << 60 * f30 << qint64(2000);
        QTest::newRow("frame 3 at 30 fps") << 3 * f30 << qint64(100);
        QTest::newRow("frame 1 at 29.97 fps") << 1001.0 / 30000 << qint64(34);
        QTest::newRow("25 fps") << 0.08 << qint64(80);
        QTest::newRow("start") << 0.0 << qint64(0);
    }
    void frameSeekMs()
    {
        QFETCH(double, seconds);
        QFETCH(qint64, ms);
        QCOMPARE(PlaybackSteps::frameSeekMs(seconds), ms);
    }

    void rateStep_data()
    {
        QTest::addColumn<double>("current");
        QTest::addColumn<int>("direction");
        QTest::addColumn<double>("expected");   // 0: no step
        QTest::newRow("1 slower") << 1.0 << -1 << 0.5;
        QTest::newRow("0.5 slower") << 0.5 << -1 << 0.25;
        QTest::newRow("0.25 slower: the end") << 0.25 << -1 << 0.0;
        QTest::newRow("0.25 faster") << 0.25 << 1 << 0.5;
        QTest::newRow("1 faster goes into the fast steps") << 1.0 << 1 << 2.0;
        QTest::newRow("5 slower") << 5.0 << -1 << 2.0;
        QTest::newRow("60 faster: the end") << 60.0 << 1 << 0.0;
        QTest::newRow("reverse counts as 1") << -2.0 << -1 << 0.5;
        QTest::newRow("between rungs") << 1.5 << -1 << 1.0;
    }
    void rateStep()
    {
        QFETCH(double, current);
        QFETCH(int, direction);
        QFETCH(double, expected);
        QCOMPARE(PlaybackSteps::rateStep(current, direction).value_or(0.0), expected);
    }

    void byKeyFrames_data()
    {
        QTest::addColumn<double>("rate");
        QTest::addColumn<double>("pixels");   // width x height x frame rate; 0: not known
        QTest::addColumn<bool>("keyFrames");
        const double p1080 = 1920.0 * 1080 * 30, p1440 = 2560.0 * 1440 * 30, p4k = 3840.0 * 2160 * 30;
        const double p720at60 = 1280.0 * 720 * 60;
        QTest::newRow("1x decodes") << 1.0 << 0.0 << false;
        QTest::newRow("a quarter decodes") << 0.25 << p4k << false;
        QTest::newRow("2x of 4K decodes") << 2.0 << p4k << false;
        QTest::newRow("4x decodes") << 4.0 << p4k << false;
        QTest::newRow("5x of a clip not yet known steps key frames") << 5.0 << 0.0 << true;
        QTest::newRow("5x of 1080p decodes") << 5.0 << p1080 << false;
        QTest::newRow("5x of 720p at 60 fps decodes") << 5.0 << p720at60 << false;
        QTest::newRow("5x of 1440p steps key frames") << 5.0 << p1440 << true;
        QTest::newRow("5x of 4K steps key frames") << 5.0 << p4k << true;
        QTest::newRow("10x of 1080p steps key frames") << 10.0 << p1080 << true;
        QTest::newRow("60x steps key frames") << 60.0 << p1080 << true;
        QTest::newRow("-2x decodes") << -2.0 << p1080 << false;
        QTest::newRow("-5x steps key frames") << -5.0 << p1080 << true;
        QTest::newRow("-60x steps key frames") << -60.0 << 0.0 << true;
        QTest::newRow("paused") << 0.0 << p1080 << false;
    }
    void byKeyFrames()
    {
        QFETCH(double, rate);
        QFETCH(double, pixels);
        QFETCH(bool, keyFrames);
        QCOMPARE(PlaybackSteps::byKeyFrames(rate, pixels), keyFrames);
    }

    void keyFrameFor_data()
    {
        QTest::addColumn<QList<double>>("keys");
        QTest::addColumn<double>("clock");
        QTest::addColumn<double>("rate");
        QTest::addColumn<double>("shown");
        const QList<double> second{0, 1, 2, 3};
        QTest::newRow("forward: the one at or before") << second << 2.5 << 60.0 << 2.0;
        QTest::newRow("forward on a key frame") << second << 2.0 << 60.0 << 2.0;
        QTest::newRow("reverse: the one at or after") << second << 2.5 << -60.0 << 3.0;
        QTest::newRow("reverse past the last") << second << 3.5 << -10.0 << 3.0;
        QTest::newRow("forward before the first") << QList<double>{0.5, 1.5} << 0.2 << 10.0 << 0.5;
        QTest::newRow("no table: whole seconds forward") << QList<double>{} << 2.7 << 10.0 << 2.0;
        QTest::newRow("no table: whole seconds reverse") << QList<double>{} << 2.3 << -10.0 << 3.0;
    }
    void keyFrameFor()
    {
        QFETCH(QList<double>, keys);
        QFETCH(double, clock);
        QFETCH(double, rate);
        QFETCH(double, shown);
        QCOMPARE(PlaybackSteps::keyFrameFor(std::vector<double>(keys.begin(), keys.end()), clock, rate), shown);
    }

    void nextSeek_data()
    {
        QTest::addColumn<double>("target");
        QTest::addColumn<bool>("inFlight");
        QTest::addColumn<bool>("dragging");
        QTest::addColumn<int>("lastKind");
        QTest::addColumn<double>("lastAt");
        QTest::addColumn<QList<double>>("keys");
        QTest::addColumn<int>("kind");
        QTest::addColumn<double>("at");
        const QList<double> second{0, 1, 2, 3};
        const int none = PictureSeek::None, key = PictureSeek::KeyFrame, exact = PictureSeek::Exact;
        QTest::newRow("click: the key frame first") << 2.5 << false << false << none << 0.0 << second << key << 2.0;
        QTest::newRow("click, key frame up: the exact frame") << 2.5 << false << false << key << 2.0 << second << exact << 2.5;
        QTest::newRow("click, exact frame up: nothing") << 2.5 << false << false << exact << 2.5 << second << none << 0.0;
        QTest::newRow("click on a key frame: exact at once") << 2.0 << false << false << none << 0.0 << second << exact << 2.0;
        QTest::newRow("a seek in flight waits") << 2.5 << true << false << key << 1.0 << second << none << 0.0;
        QTest::newRow("drag: the key frame under the handle") << 1.7 << false << true << exact << 2.5 << second << key << 1.0;
        QTest::newRow("drag within its key frame: nothing") << 1.9 << false << true << key << 1.0 << second << none << 0.0;
        QTest::newRow("drag into the next key frame") << 3.2 << false << true << key << 1.0 << second << key << 3.0;
        QTest::newRow("drag while one is in flight waits") << 3.2 << true << true << key << 1.0 << second << none << 0.0;
        QTest::newRow("released on the key frame shown: exact") << 1.9 << false << false << key << 1.0 << second << exact << 1.9;
        QTest::newRow("released elsewhere: its key frame first") << 2.4 << false << false << key << 1.0 << second << key << 2.0;
        QTest::newRow("no table: exact") << 2.4 << false << false << none << 0.0 << QList<double>{} << exact << 2.4;
        QTest::newRow("no table, dragging: exact") << 2.4 << false << true << exact << 1.0 << QList<double>{} << exact << 2.4;
        QTest::newRow("before the first key frame: exact") << 0.2 << false << false << none << 0.0 << QList<double>{0.5, 1.5} << exact << 0.2;
    }
    void nextSeek()
    {
        QFETCH(double, target);
        QFETCH(bool, inFlight);
        QFETCH(bool, dragging);
        QFETCH(int, lastKind);
        QFETCH(double, lastAt);
        QFETCH(QList<double>, keys);
        QFETCH(int, kind);
        QFETCH(double, at);
        const PictureSeek seek = PlaybackSteps::nextSeek(target, std::vector<double>(keys.begin(), keys.end()),
                                                         inFlight, dragging, {PictureSeek::Kind(lastKind), lastAt});
        QCOMPARE(int(seek.kind), kind);
        QCOMPARE(seek.seconds, at);
    }

    void rateText()
    {
        QCOMPARE(PlaybackSteps::rateText(0.5), QStringLiteral("0.5x"));
        QCOMPARE(PlaybackSteps::rateText(0.25), QStringLiteral("0.25x"));
        QCOMPARE(PlaybackSteps::rateText(2), QStringLiteral("2x"));
    }

    void markedRange_data()
    {
        QTest::addColumn<std::optional<double>>("in");
        QTest::addColumn<std::optional<double>>("out");
        QTest::addColumn<double>("duration");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<double>("start");
        QTest::addColumn<double>("end");
        QTest::addColumn<QString>("says");   // a word of the sentence, empty for none
        QTest::newRow("in order") << std::optional(5.0) << std::optional(20.0) << 60.0 << true << 5.0 << 20.0 << "";
        QTest::newRow("reversed: swapped") << std::optional(20.0) << std::optional(5.0) << 60.0 << true << 5.0 << 20.0
                                          << "swapped";
        QTest::newRow("out past the end") << std::optional(50.0) << std::optional(70.0) << 60.0 << true << 50.0 << 60.0
                                          << "outside";
        QTest::newRow("in before the start") << std::optional(-3.0) << std::optional(4.0) << 60.0 << true << 0.0 << 4.0
                                             << "outside";
        QTest::newRow("no in mark") << none << std::optional(8.0) << 60.0 << true << 0.0 << 8.0 << "";
        QTest::newRow("no out mark") << std::optional(8.0) << none << 60.0 << true << 8.0 << 60.0 << "";
        QTest::newRow("empty: refused") << std::optional(8.0) << std::optional(8.0) << 60.0 << false << 8.0 << 8.0
                                        << "empty";
        // IncidentMarks::minimumLength on either side.
        QTest::newRow("shorter than the shortest segment: refused")
            << std::optional(10.0) << std::optional(10.09) << 60.0 << false << 10.0 << 10.09 << "empty";
        QTest::newRow("the shortest segment") << std::optional(0.0) << std::optional(0.1) << 60.0 << true << 0.0 << 0.1
                                              << "";
        QTest::newRow("both past the end: refused") << std::optional(70.0) << std::optional(80.0) << 60.0 << false
                                                    << 70.0 << 60.0 << "empty";
        QTest::newRow("no clip") << std::optional(1.0) << std::optional(2.0) << 0.0 << false << 0.0 << 0.0 << "clip";
    }
    void markedRange()
    {
        QFETCH(std::optional<double>, in);
        QFETCH(std::optional<double>, out);
        QFETCH(double, duration);
        QFETCH(bool, ok);
        QFETCH(double, start);
        QFETCH(double, end);
        QFETCH(QString, says);
        const MarkedRange r = IncidentMarks::range(in, out, duration);
        QCOMPARE(r.ok, ok);
        if (ok) {
            QCOMPARE(r.in, start);
            QCOMPARE(r.out, end);
        }
        if (says.isEmpty())
            QCOMPARE(r.message, QString());
        else
            QVERIFY2(r.message.contains(says), qPrintable(r.message));
    }

    void timeText()
    {
        QCOMPARE(IncidentMarks::timeText(95.2), QStringLiteral("01:35.200"));
        QCOMPARE(IncidentMarks::timeText(3725.0), QStringLiteral("1:02:05.000"));
    }

    void captureText_data()
    {
        QTest::addColumn<bool>("fix");
        QTest::addColumn<bool>("mph");
        QTest::addColumn<QStringList>("chunks");
        QTest::addColumn<QString>("caption");
        QTest::newRow("km/h") << true << false
                              << QStringList{"Creation Time=2026-11-08 09:31:35", "Location=51.501234, -0.123456",
                                             "Speed=80 km/h"}
                              << "2026-11-08 09:31:35  51.501234, -0.123456  80 km/h";
        QTest::newRow("mph") << true << true
                             << QStringList{"Creation Time=2026-11-08 09:31:35", "Location=51.501234, -0.123456",
                                            "Speed=50 mph"}
                             << "2026-11-08 09:31:35  51.501234, -0.123456  50 mph";
        QTest::newRow("no fix: the time alone") << false << false
                                                << QStringList{"Creation Time=2026-11-08 09:31:35"}
                                                << "2026-11-08 09:31:35";
    }
    void captureText()
    {
        QFETCH(bool, fix);
        QFETCH(bool, mph);
        QFETCH(QStringList, chunks);
        QFETCH(QString, caption);
        CaptureFacts facts;
        facts.recorded = QStringLiteral("2026-11-08 09:31:35");
        if (fix) {
            facts.latitude = 51.501234;
            facts.longitude = -0.123456;
            facts.speedKmh = 80;
        }
        QStringList got;
        for (const auto &c : CaptureText::chunks(facts, mph))
            got << c.first + QLatin1Char('=') + c.second;
        QCOMPARE(got, chunks);
        QCOMPARE(CaptureText::caption(facts, mph), caption);
    }

    // The chunks survive PNG encoding; the caption strip adds rows under an unchanged picture.
    void annotatedPng()
    {
        QImage picture(64, 40, QImage::Format_RGB32);
        picture.fill(Qt::red);
        const FrameCapture::TextChunks chunks{{QStringLiteral("Speed"), QStringLiteral("80 km/h")}};
        for (const QString &caption : {QString(), QStringLiteral("80 km/h")}) {
            QByteArray png;
            QBuffer buffer(&png);
            buffer.open(QIODevice::WriteOnly);
            QVERIFY(FrameCapture::annotate(picture, chunks, caption).save(&buffer, "PNG"));
            buffer.close();
            buffer.open(QIODevice::ReadOnly);
            const QImage back = QImageReader(&buffer, "PNG").read();
            QCOMPARE(back.text(QStringLiteral("Speed")), QStringLiteral("80 km/h"));
            QCOMPARE(back.height() > picture.height(), !caption.isEmpty());
            QCOMPARE(back.pixelColor(10, 10), QColor(Qt::red));
        }
    }
};

QTEST_MAIN(ReviewStepsTest)
#include "tst_review_steps.moc"
