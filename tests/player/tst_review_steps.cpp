// The arithmetic behind the review keys and the incident export: frame steps, the
// rate ladder and how the engine plays and seeks each rate, the seek keys and the
// cameras' nudges, the events the event keys step to, the marked segment, and what
// captured pictures say.
#include "player/CaptureText.h"
#include "player/FrameCapture.h"
#include "player/IncidentMarks.h"
#include "player/PlayerEvents.h"
#include "player/ReviewKeys.h"
#include "SampleFactory.h"
#include "media/EngineRules.h"
#include "media/GstSetup.h"

#include <gst/gst.h>

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
    // The decoders' ranks are set in this process; the user's GST_PLUGIN_FEATURE_RANK
    // is applied after them and wins where both name a decoder; names that are no
    // decoder here, and items that are no "name:rank", are passed over.
    void ranksSetInProcess()
    {
        qputenv("GST_PLUGIN_FEATURE_RANK", "avdec_h264:PRIMARY");
        GstSetup::ensure("avdec_h264:NONE,avdec_h265:NONE,nosuchdec:MAX");
        const auto rank = [](const char *name) {
            GstPluginFeature *f = gst_registry_lookup_feature(gst_registry_get(), name);
            const int r = f ? int(gst_plugin_feature_get_rank(f)) : -1;
            if (f)
                gst_object_unref(f);
            return r;
        };
        QCOMPARE(rank("avdec_h264"), int(GST_RANK_PRIMARY));
        QCOMPARE(rank("avdec_h265"), int(GST_RANK_NONE));
        QCOMPARE(GstSetup::applyRanks("avdec_h265:MARGINAL,nosuchdec:MAX,broken,avdec_h264:LOUD"), 1);
        QCOMPARE(rank("avdec_h265"), int(GST_RANK_MARGINAL));
    }

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
    void wholeMsInside_data()
    {
        QTest::addColumn<double>("start");
        QTest::addColumn<double>("expected");
        QTest::newRow("a frame of 30 fps") << 1051 * f30 << 35.034;
        QTest::newRow("a whole millisecond stays") << 35.0 << 35.0;
        QTest::newRow("a frame start a hair under a millisecond") << 2.0 - 1e-10 << 2.0;
        QTest::newRow("25 fps frames fall on milliseconds") << 0.08 << 0.08;
        QTest::newRow("the first frame") << 0.0 << 0.0;
        QTest::newRow("not a number") << std::nan("") << 0.0;
    }
    void wholeMsInside()
    {
        QFETCH(double, start);
        QFETCH(double, expected);
        QCOMPARE(EngineRules::wholeMsInside(start), expected);
    }

    void frameTarget()
    {
        QFETCH(double, current);
        QFETCH(double, frame);
        QFETCH(double, duration);
        QFETCH(int, direction);
        QFETCH(double, expected);
        const std::optional<double> t = EngineRules::frameTarget(current, frame, duration, direction);
        if (expected < 0) {
            QVERIFY2(!t, qPrintable(QString::number(t.value_or(0))));
        } else {
            QVERIFY(t);
            QCOMPARE_LE(std::abs(*t - expected), 1e-9);
        }
    }

    // Left/Right and Shift+Left/Right on the timeline's axis: never before its start nor
    // past its last frame.
    void seekTarget_data()
    {
        QTest::addColumn<double>("from");
        QTest::addColumn<double>("step");
        QTest::addColumn<double>("end");
        QTest::addColumn<double>("frame");
        QTest::addColumn<double>("expected");
        QTest::newRow("5 s on") << 10.0 << ReviewKeys::kSeekStep << 60.0 << f30 << 15.0;
        QTest::newRow("5 s back") << 10.0 << -ReviewKeys::kSeekStep << 60.0 << f30 << 5.0;
        QTest::newRow("back past the start") << 3.0 << -ReviewKeys::kSeekStep << 60.0 << f30 << 0.0;
        QTest::newRow("on past the end: the last frame") << 58.0 << ReviewKeys::kSeekStep << 60.0 << f30 << 60.0 - f30;
        QTest::newRow("a minute across a trip's clips") << 50.0 << ReviewKeys::kSeekLongStep << 180.0 << f30 << 110.0;
        QTest::newRow("a minute back from a second clip") << 70.0 << -ReviewKeys::kSeekLongStep << 180.0 << f30 << 10.0;
        QTest::newRow("no frame duration known") << 58.0 << ReviewKeys::kSeekStep << 60.0 << 0.0 << 60.0;
        QTest::newRow("a clip shorter than a frame") << 0.0 << ReviewKeys::kSeekStep << 0.01 << f30 << 0.0;
        QTest::newRow("no duration") << 0.0 << ReviewKeys::kSeekStep << 0.0 << f30 << 0.0;
    }
    void seekTarget()
    {
        QFETCH(double, from);
        QFETCH(double, step);
        QFETCH(double, end);
        QFETCH(double, frame);
        QFETCH(double, expected);
        QCOMPARE(ReviewKeys::seekTarget(from, step, end, frame), expected);
    }

    // Alt+[ / Alt+] move the chosen camera by a step within the limit; Alt+\ puts it back.
    void nudged_data()
    {
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("expected");
        const int k = ReviewKeys::kChannelStepMs;
        QTest::newRow("later") << 0 << k << 10;
        QTest::newRow("earlier") << 20 << -k << 10;
        QTest::newRow("through zero") << 5 << -k << -5;
        QTest::newRow("held at the limit") << 1995 << k << 2000;
        QTest::newRow("held at the lower limit") << -2000 << -k << -2000;
        QTest::newRow("back in step") << 730 << 0 << 0;
    }
    void nudged()
    {
        QFETCH(int, offset);
        QFETCH(int, step);
        QFETCH(int, expected);
        QCOMPARE(ReviewKeys::nudged(offset, step, 2000), expected);
    }

    // The events of one clip of a trip: a stop from 60 km/h in 3 s at 20 s of the clip,
    // on the trip's axis and on the picture's time.
    void partEvents_data()
    {
        QTest::addColumn<double>("start");
        QTest::addColumn<int>("offsetMs");
        QTest::addColumn<double>("duration");
        QTest::addColumn<int>("samples");
        QTest::addColumn<QList<double>>("times");
        QTest::newRow("a clip on its own") << 0.0 << 0 << 60.0 << 60 << QList<double>{20.0};
        QTest::newRow("telemetry 1.5 s ahead of the picture") << 0.0 << 1500 << 60.0 << 60 << QList<double>{18.5};
        QTest::newRow("telemetry behind the picture") << 0.0 << -250 << 60.0 << 60 << QList<double>{20.25};
        QTest::newRow("the second clip of a trip") << 60.0 << 0 << 60.0 << 60 << QList<double>{80.0};
        QTest::newRow("the second clip, nudged") << 60.0 << 1500 << 60.0 << 60 << QList<double>{78.5};
        QTest::newRow("samples spread over a longer clip") << 0.0 << 0 << 120.0 << 60 << QList<double>{40.0};
        QTest::newRow("before the stop: no event") << 0.0 << 0 << 19.0 << 19 << QList<double>{};
        QTest::newRow("no samples") << 0.0 << 0 << 60.0 << 0 << QList<double>{};
    }
    void partEvents()
    {
        QFETCH(double, start);
        QFETCH(int, offsetMs);
        QFETCH(double, duration);
        QFETCH(int, samples);
        QFETCH(QList<double>, times);
        QList<GpsSample> stop;
        for (int i = 0; i < samples; ++i)
            stop << makeSample("51.5", "-0.14", i < 19 ? 50 : std::max(0, 60 - 20 * (i - 19)));
        const TimelinePart part{stop, start, duration, QStringLiteral("a"), nullptr, {}, offsetMs};
        const std::vector<TelemetryEvent> events = PlayerEvents::partEvents(part, EventThresholds{});
        QList<double> found;
        for (const TelemetryEvent &e : events) {
            QCOMPARE(e.kind, EventKind::HardBraking);
            QCOMPARE_GE(e.endTime, e.time);
            found << e.time;
        }
        QCOMPARE(found, times);
    }

    // Another clip of the same trip keeps its events: the same parts share their
    // samples; equal copies, moved parts or another nudge are another trip.
    void sameParts()
    {
        const QList<GpsSample> samples(10, makeSample("51.5", "-0.14", 50));
        const QList<TimelinePart> trip{{samples, 0, 10, QStringLiteral("a"), nullptr},
                                       {samples, 10, 10, QStringLiteral("b"), nullptr}};
        QVERIFY(PlayerEvents::sameParts(trip, trip));
        QList<TimelinePart> copied = trip;
        copied[1].samples = QList<GpsSample>(10, makeSample("51.5", "-0.14", 50));
        QVERIFY(!PlayerEvents::sameParts(trip, copied));
        QList<TimelinePart> moved = trip;
        moved[1].start = 11;
        QVERIFY(!PlayerEvents::sameParts(trip, moved));
        QList<TimelinePart> otherNudge = trip;
        otherNudge[0].offsetMs = 10;
        QVERIFY(!PlayerEvents::sameParts(trip, otherNudge));
        QVERIFY(!PlayerEvents::sameParts(trip, trip.mid(0, 1)));
        QVERIFY(PlayerEvents::sameParts({}, {}));
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
        QCOMPARE(EngineRules::rateStep(current, direction).value_or(0.0), expected);
    }

    void rateWay_data()
    {
        QTest::addColumn<double>("rate");
        QTest::addColumn<int>("way");
        using W = EngineRules::RateWay;
        QTest::newRow("0.25x every frame") << 0.25 << int(W::Normal);
        QTest::newRow("1x") << 1.0 << int(W::Normal);
        QTest::newRow("4x still every frame") << 4.0 << int(W::Normal);
        QTest::newRow("5x key frames by trick mode") << 5.0 << int(W::TrickMode);
        QTest::newRow("10x trick mode") << 10.0 << int(W::TrickMode);
        QTest::newRow("60x paced by the engine") << 60.0 << int(W::Paced);
        QTest::newRow("-1x every frame backwards") << -1.0 << int(W::Reverse);
        QTest::newRow("-2x backwards") << -2.0 << int(W::Reverse);
        QTest::newRow("-5x paced") << -5.0 << int(W::Paced);
        QTest::newRow("-10x paced") << -10.0 << int(W::Paced);
        QTest::newRow("-60x paced") << -60.0 << int(W::Paced);
        QTest::newRow("not a number") << std::nan("") << int(W::Normal);
    }
    void rateWay()
    {
        QFETCH(double, rate);
        QFETCH(int, way);
        QCOMPARE(int(EngineRules::wayOf(rate)), way);
    }

    void seekFlags_data()
    {
        QTest::addColumn<int>("gesture");
        QTest::addColumn<double>("rate");
        QTest::addColumn<bool>("accurate");
        QTest::addColumn<bool>("keyUnit");
        QTest::addColumn<bool>("snapBefore");
        QTest::addColumn<bool>("snapAfter");
        QTest::addColumn<bool>("trickMode");
        using G = EngineRules::Gesture;
        QTest::newRow("click: the exact frame") << int(G::Click) << 1.0 << true << false << false << false << false;
        QTest::newRow("SetPosition: exact") << int(G::Remote) << 1.0 << true << false << false << false << false;
        QTest::newRow("drag released: exact") << int(G::DragRelease) << 2.0 << true << false << false << false << false;
        QTest::newRow("dragging: key frame before") << int(G::Dragging) << 1.0 << false << true << true << false << false;
        QTest::newRow("step back: exact") << int(G::StepBack) << 1.0 << true << false << false << false << false;
        QTest::newRow("click at 10x keeps the trick mode") << int(G::Click) << 10.0 << true << false << false << false
                                                           << true;
        QTest::newRow("dragging at 5x") << int(G::Dragging) << 5.0 << false << true << true << false << true;
        QTest::newRow("paced forwards: key frame before") << int(G::Paced) << 60.0 << false << true << true << false
                                                          << false;
        QTest::newRow("paced backwards: key frame after") << int(G::Paced) << -10.0 << false << true << false << true
                                                          << false;
    }
    void seekFlags()
    {
        QFETCH(int, gesture);
        QFETCH(double, rate);
        QFETCH(bool, accurate);
        QFETCH(bool, keyUnit);
        QFETCH(bool, snapBefore);
        QFETCH(bool, snapAfter);
        QFETCH(bool, trickMode);
        const EngineRules::SeekFlags f = EngineRules::seekFor(EngineRules::Gesture(gesture), rate);
        QVERIFY(f.flush);
        QCOMPARE(f.accurate, accurate);
        QCOMPARE(f.keyUnit, keyUnit);
        QCOMPARE(f.snapBefore, snapBefore);
        QCOMPARE(f.snapAfter, snapAfter);
        QCOMPARE(f.trickMode, trickMode);
        QCOMPARE(f.noAudio, trickMode);
    }

    void instantChange_data()
    {
        QTest::addColumn<double>("from");
        QTest::addColumn<double>("to");
        QTest::addColumn<bool>("instant");
        QTest::newRow("1 to 2") << 1.0 << 2.0 << true;
        QTest::newRow("0.25 to 4") << 0.25 << 4.0 << true;
        QTest::newRow("2 to 5: a trick-mode seek") << 2.0 << 5.0 << false;
        QTest::newRow("10 to 4: back from trick mode") << 10.0 << 4.0 << false;
        QTest::newRow("1 to -1: the direction turns") << 1.0 << -1.0 << false;
        QTest::newRow("-1 to 1") << -1.0 << 1.0 << false;
        QTest::newRow("60 to 1") << 60.0 << 1.0 << false;
    }
    void instantChange()
    {
        QFETCH(double, from);
        QFETCH(double, to);
        QFETCH(bool, instant);
        QCOMPARE(EngineRules::instantChange(from, to), instant);
    }

    void showsMoment_data()
    {
        QTest::addColumn<double>("start");
        QTest::addColumn<double>("frame");
        QTest::addColumn<double>("at");
        QTest::addColumn<bool>("holds");
        QTest::newRow("the same frame at 30 fps") << 4.0 << f30 << 4.001 << true;
        QTest::newRow("a frame on") << 4.0 + f30 << f30 << 4.001 << false;
        QTest::newRow("a frame behind") << 4.0 - f30 << f30 << 4.001 << false;
        QTest::newRow("a 25 fps frame holding a 30 fps one's start") << 3.96 << 0.04 << 3.9677 << true;
        QTest::newRow("at the next frame's start") << 4.0 << 0.04 << 4.04 << false;
        QTest::newRow("a camera held 2.5 s after the main one") << 6.5 << f30 << 4.001 + 2.5 << true;
        QTest::newRow("no picture yet") << -1.0 << f30 << 0.001 << false;
    }
    void showsMoment()
    {
        QFETCH(double, start);
        QFETCH(double, frame);
        QFETCH(double, at);
        QFETCH(bool, holds);
        QCOMPARE(EngineRules::showsMoment(start, frame, at), holds);
    }

    void startWait_data()
    {
        QTest::addColumn<double>("at");
        QTest::addColumn<double>("offset");
        QTest::addColumn<double>("rate");
        QTest::addColumn<bool>("before");
        QTest::addColumn<double>("wait");
        QTest::newRow("a rear 2 s late, at 0.5 s") << 0.5 << -2.0 << 1.0 << true << 1.5;
        QTest::newRow("at 2x the clock runs half as long") << 0.5 << -2.0 << 2.0 << true << 0.75;
        QTest::newRow("by key frames at 10x") << 0.0 << -2.0 << 10.0 << true << 0.2;
        QTest::newRow("at its start") << 2.0 << -2.0 << 1.0 << false << 0.0;
        QTest::newRow("past its start") << 7.0 << -2.0 << 1.0 << false << 0.0;
        QTest::newRow("one that started earlier") << 0.0 << 1.0 << 1.0 << false << 0.0;
        QTest::newRow("backwards: no picture is due") << 1.0 << -2.0 << -1.0 << true << 0.0;
        QTest::newRow("paced at 60x") << 1.0 << -2.0 << 60.0 << true << 0.0;
    }
    void startWait()
    {
        QFETCH(double, at);
        QFETCH(double, offset);
        QFETCH(double, rate);
        QFETCH(bool, before);
        QFETCH(double, wait);
        QCOMPARE(EngineRules::beforeStart(at, offset), before);
        QCOMPARE(EngineRules::startWait(at, offset, rate), wait);
    }

    void instantChangeTaken_data()
    {
        QTest::addColumn<uint>("change");
        QTest::addColumn<uint>("current");
        QTest::addColumn<bool>("taken");
        QTest::newRow("the change asked for last") << 812u << 812u << true;
        QTest::newRow("an older one re-sent") << 790u << 812u << false;
        QTest::newRow("any after a flushing seek") << 812u << 0u << false;
    }
    void instantChangeTaken()
    {
        QFETCH(uint, change);
        QFETCH(uint, current);
        QFETCH(bool, taken);
        QCOMPARE(EngineRules::takesInstantChange(change, current), taken);
    }

    void threadsBehindWindow_data()
    {
        QTest::addColumn<QByteArray>("klass");
        QTest::addColumn<bool>("behind");
        QTest::newRow("a video decoder") << QByteArray("Codec/Decoder/Video") << true;
        QTest::newRow("a demuxer") << QByteArray("Codec/Demuxer") << true;
        QTest::newRow("the pictures' sink") << QByteArray("Generic/Sink") << true;
        QTest::newRow("the sound card") << QByteArray("Sink/Audio") << false;
        QTest::newRow("a sound card's sink bin") << QByteArray("Sink/Audio/Bin") << false;
        QTest::newRow("an element of no known class") << QByteArray() << true;
    }
    void threadsBehindWindow()
    {
        QFETCH(QByteArray, klass);
        QFETCH(bool, behind);
        QCOMPARE(EngineRules::runsBehindWindow(klass.isNull() ? nullptr : klass.constData()), behind);
    }

    void rateText()
    {
        QCOMPARE(EngineRules::rateText(0.5), QStringLiteral("0.5x"));
        QCOMPARE(EngineRules::rateText(0.25), QStringLiteral("0.25x"));
        QCOMPARE(EngineRules::rateText(2), QStringLiteral("2x"));
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

    // A capture is named by the moment it shows, and never written over another.
    void captureNames()
    {
        QCOMPARE(CaptureText::fileStem(CaptureFacts{QStringLiteral("2026-11-08 09:31:35"), {}, {}, {}}),
                 QStringLiteral("2026-11-08_09-31-35"));
        QCOMPARE(CaptureText::fileStem(CaptureFacts{}), QString());
        QCOMPARE(CaptureText::fileStem(CaptureFacts{QStringLiteral("2026-11-08 09:31"), {}, {}, {}}), QString());
        const QStringList there{"/p/a.png", "/p/a_2_view.png", "/p/b_view.png"};
        const auto exists = [&](const QString &f) { return there.contains(f); };
        const QStringList endings{".png", "_view.png"};
        QCOMPARE(CaptureText::freeBase("/p/a", endings, exists), QStringLiteral("/p/a_3"));
        QCOMPARE(CaptureText::freeBase("/p/b", endings, exists), QStringLiteral("/p/b_2"));
        QCOMPARE(CaptureText::freeBase("/p/c", endings, exists), QStringLiteral("/p/c"));
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
