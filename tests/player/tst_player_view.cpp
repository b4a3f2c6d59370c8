// The player's view with the real media engine under the test X server: the controls
// follow the playback, the slider seeks, the timeline and the events it shows, rate
// toasts, volume controls, keys, expand, overlays and tear-down. Captures are tested in
// tst_player_capture, the frame-step keys in tst_review_keys.
#include "PlayerTestSupport.h"
#include "common/AppLinks.h"
#include "common/Localization.h"
#include "player/EventsListView.h"
#include "player/PlayerControlBar.h"
#include "player/TelemetryTimeline.h"
#include "player/PlayerView.h"
#include "ui/FullScreen.h"
#include "common/AppUtils.h"
#include "SampleFactory.h"
#include "TestSettings.h"

#include <QButtonGroup>
#include <QDir>
#include <QVideoFrame>
#include <QVideoSink>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QElapsedTimer>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include <memory>

using namespace PlayerTestSupport;

// Counts the events of one type that reach a widget.
class EventCounter : public QObject {
public:
    EventCounter(QObject *target, QEvent::Type type, int *count) : type_(type), count_(count)
    {
        target->installEventFilter(this);
    }
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == type_)
            ++*count_;
        return false;
    }

private:
    QEvent::Type type_;
    int *count_;
};

class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl &url) { urls << url; }
};

class PlayerViewTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir_;
    QString clip_;   // 3 s, 320x240
    QString clip2_;  // 2 s, 320x240, with a sound track
    QString long_;   // at least 14 s
    std::unique_ptr<TestSettings> settings_;

    using Rig = PlayerRig;

private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        clip_ = makeVideo(dir_.path(), "clip3.mov", 3);
        clip2_ = makeVideo(dir_.path(), "clip2.MOV", 2, "320x240", 30, true);
        const QString forged = qEnvironmentVariable("VELTRA_SAMPLES") + "/drive/2026_1108_093000_001.MOV";
        long_ = QFileInfo(forged).size() > 0 ? forged : makeVideo(dir_.path(), "long.mov", 16);
        QVERIFY(!clip_.isEmpty() && !clip2_.isEmpty() && !long_.isEmpty());
    }

    void init()
    {
        settings_ = std::make_unique<TestSettings>();
        clearCaptures();
    }

    // --- the controls follow the session ----------------------------------------

    void controlsFollowState()
    {
        Rig rig(*settings_);
        QVERIFY(!rig.part("playButton")->isEnabled());
        QVERIFY(rig.open(clip_));
        QCOMPARE(rig.vc->durationText(), QString("00:03"));
        QVERIFY(rig.waitPlaying());
        QVERIFY(rig.part("playButton")->isEnabled());
        const QImage playing = rig.part("playButton")->icon().pixmap(30, 30).toImage();
        // A 3 s clip moves the handle a pixel every few ms: while playing it moves at
        // most once every 100 ms, and still moves.
        int paints = 0;
        {
            EventCounter counter(rig.part<QSlider>("timeSlider"), QEvent::Paint, &paints);
            QElapsedTimer played;
            played.start();
            QTest::qWait(700);
            QVERIFY2(paints <= played.elapsed() / 100 + 2, qPrintable(QString::number(paints)));
        }
        QVERIFY(paints >= 2);
        QVERIFY(rig.pauseAndSettle());
        const QImage paused = rig.part("playButton")->icon().pixmap(30, 30).toImage();
        QVERIFY(playing != paused);
        // The slider and the label follow the clock.
        const double last = rig.log.of("tick").back().value;
        QCOMPARE(rig.part<QSlider>("timeSlider")->value(), int(std::lround(last * 1000)));
        QCOMPARE(rig.vc->timeText(), QString("00:0%1").arg(int(last)));
        // Played to its end, the label shows the duration; stop shows 0 again.
        rig.vc->playOrPause();
        QVERIFY(QTest::qWaitFor([&] { return rig.log.count("end") == 1; }, 10000));
        QCOMPARE(rig.vc->timeText(), QString("00:03"));
        rig.vc->stopVideo();
        QVERIFY(QTest::qWaitFor([&] { return rig.log.of("tick").back().value == 0.0; }, 3000));
        QCOMPARE(rig.vc->timeText(), QString("00:00"));
        rig.vc->close();
        QVERIFY(!rig.part("playButton")->isEnabled());
        QCOMPARE(rig.vc->timeText(), QString("00:00"));
        QCOMPARE(rig.vc->durationText(), QString("00:00"));
    }

    // --- seeking ----------------------------------------------------------------

    void seekShowsRequestedThenLandedSecond()
    {
        Rig rig(*settings_);
        QVERIFY(rig.open(long_));
        QVERIFY(rig.waitPlaying());
        QVERIFY(rig.pauseAndSettle());
        QTest::qWait(100);
        // The label shows the requested time truncated until the tick of the landing.
        const struct {
            double target;
            const char *label;
            const char *landed;
        } seeks[] = {{12.6, "00:12", "00:13"}, {12.4, "00:12", "00:12"}, {0.5, "00:00", "00:01"}};
        for (const auto &seek : seeks) {
            rig.log.clear();
            rig.vc->setCurrentTime(seek.target);
            QCOMPARE(rig.vc->timeText(), QString(seek.label));
            QVERIFY(QTest::qWaitFor([&] { return rig.log.count("tick") == 1; }, 3000));
            QCOMPARE(rig.vc->timeText(), QString(seek.landed));
        }
    }

    // --- telemetry timeline and events ---------------------------------------------

    void timelineSeeksExactlyAndEventsSeekBeforeThem()
    {
        // A steady 50 km/h, then a stop from 60 in 3 s at 20..22 s, one sample a second.
        QList<GpsSample> samples;
        for (int i = 0; i < 60; ++i)
            samples << makeSample("51.5", "-0.14", i < 19 ? 50 : std::max(0, 60 - 20 * (i - 19)));
        Rig rig(*settings_);
        TelemetryTimeline *line = rig.part<TelemetryTimeline>();
        QVERIFY(!line->hasTelemetry());
        // The samples of the file opened, as the drive's telemetry hands them over right
        // after the player opened it; those of a file before are dropped.
        rig.vc->setClipSamples(QList<GpsSample>(5, makeSample("1", "1", 99)));
        QSignalSpy done(rig.vc, &PlayerView::setUpFinished);
        rig.vc->openClip(QUrl::fromLocalFile(long_));
        rig.vc->setClipSamples(samples);
        QVERIFY(done.wait(10000) && done.first().first().toBool());
        QCOMPARE(line->duration(), rig.vc->duration());
        QCOMPARE(rig.vc->events().size(), size_t(1));
        QCOMPARE(rig.vc->events().front().kind, EventKind::HardBraking);
        QCOMPARE(rig.part<EventsListView>()->rowCount(), 1);
        // Under the control bar, exactly as wide as the time slider.
        const QRect slider(rig.part<QSlider>("timeSlider")->mapTo(rig.vc, QPoint()), rig.part<QSlider>("timeSlider")->size());
        const QRect timeline(line->mapTo(rig.vc, QPoint(0, 0)), line->size());
        QCOMPARE(timeline.left(), slider.left());
        QCOMPARE(timeline.width(), slider.width());
        QVERIFY(timeline.top() > rig.part("playButton")->mapTo(rig.vc, QPoint(0, 0)).y());

        QVERIFY(rig.waitPlaying());
        QVERIFY(rig.pauseAndSettle());
        int x = line->width() / 3;
        while (std::fabs(line->timeAtX(x) - std::round(line->timeAtX(x))) < 0.1)
            ++x;
        const double exact = std::llround(line->timeAtX(x) * 1000.0) / 1000.0;
        rig.log.clear();
        QTest::mouseClick(line, Qt::LeftButton, {}, QPoint(x, 20));
        QVERIFY(QTest::qWaitFor([&] { return rig.log.count("tick") == 1; }, 3000));
        QCOMPARE(rig.log.of("tick").back().value, exact);
        QCOMPARE(rig.vc->currentTime(), exact);
        QCOMPARE(line->playhead(), exact);

        // Activating the list's row lands one second before the braking shows (sample 20).
        const double braking = 20 * rig.vc->duration() / 60;
        QCOMPARE(rig.vc->events().front().time, braking);
        // With its camera's telemetry 1.5 s earlier than the picture, so is the braking.
        rig.vc->setTelemetryOffset(1500);
        QCOMPARE(rig.vc->events().front().time, braking - 1.5);
        rig.vc->setTelemetryOffset(0);
        rig.log.clear();
        emit rig.part<QTreeWidget>("eventsTable")->itemActivated(rig.part<QTreeWidget>("eventsTable")->topLevelItem(0), 0);
        QVERIFY(QTest::qWaitFor([&] { return rig.log.count("tick") == 1; }, 3000));
        QCOMPARE(rig.vc->currentTime(), std::llround((braking - 1) * 1000.0) / 1000.0);

        // As the second clip of a trip: the events of both on the trip's axis; a time in
        // the first clip asks for that clip; closing leaves the trip.
        QSignalSpy found(rig.vc, &PlayerView::eventsFound);
        rig.vc->setTrip({{samples, 0, 60, QStringLiteral("a"), {}}, {samples, 60, 60, QStringLiteral("b"), {}}}, 1);
        QTRY_COMPARE(found.size(), 1);
        QCOMPARE(line->duration(), 120.0);
        QCOMPARE(rig.vc->events().size(), size_t(2));
        QCOMPARE(rig.vc->events().back().time, 80.0);
        QSignalSpy other(rig.vc, &PlayerView::playPartRequested);
        rig.vc->seekTimeline(30.5);
        QCOMPARE(other.size(), 1);
        QCOMPARE(other.at(0).at(0).toInt(), 0);
        QCOMPARE(other.at(0).at(1).toDouble(), 30.5);
        rig.vc->close();
        QCOMPARE(line->duration(), 0.0);
        QVERIFY(!line->hasTelemetry());
    }

    void timelineRepaintsOnlyForAWholePixel()
    {
        QList<GpsSample> samples;
        for (int i = 0; i < 180; ++i)
            samples << makeSample("51.5", "-0.14", 50, 0, 1, 0.1f);
        TelemetryTimeline line;
        line.resize(361, TelemetryTimeline::preferredHeight);   // two pixels a second
        line.setData(samples, 180.0, {});
        (void)line.grab();
        QCOMPARE(line.pictureBuilds(), 1);
        line.setPlayhead(10.0);
        const int requests = line.repaintRequests();
        line.setPlayhead(10.2);
        QCOMPARE(line.repaintRequests(), requests);
        line.setPlayhead(10.3);
        QVERIFY(line.repaintRequests() > requests);
        // Moved along with the slider's handle: one pixel waits for the handle's frame,
        // two do not; the value is current either way.
        const int along = line.repaintRequests();
        line.setPlayhead(10.8, false);
        QCOMPARE(line.repaintRequests(), along);
        QCOMPARE(line.playhead(), 10.8);
        line.setPlayhead(11.3, false);
        QVERIFY(line.repaintRequests() > along);
        (void)line.grab();
        QCOMPARE(line.pictureBuilds(), 1);
        QVERIFY(line.hoverText(12.34).startsWith(QStringLiteral("00:12.3")));
        QVERIFY(line.hoverText(12.34).contains(AppUtils::speedText(50, true)));
        line.setKmph(false);
        (void)line.grab();
        QCOMPARE(line.pictureBuilds(), 2);

        // Without telemetry: the time only, and no speed curve drawn.
        auto curvePixels = [](const QImage &img) {
            int n = 0;
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x)
                {
                    const QColor c = img.pixelColor(x, y);
                    n += c.blue() - c.red() > 60;   // the speed curve is the only blue
                }
            return n;
        };
        QVERIFY(curvePixels(line.grab().toImage()) > 100);
        line.setData({}, 180.0, {});
        QCOMPARE(line.hoverText(12.34), QStringLiteral("00:12.3"));
        QCOMPARE(curvePixels(line.grab().toImage()), 0);

        // A trip's clips on one axis: a clip without telemetry is a gap in the curve, and
        // hovering names the clip and its own time.
        const QList<GpsSample> minute = samples.mid(0, 60);
        line.setParts({{minute, 0, 60, QStringLiteral("a.MOV"), {}}, {{}, 60, 60, QStringLiteral("b.MOV"), {}},
                       {minute, 125, 60, QStringLiteral("c.MOV"), {}}}, {});
        QCOMPARE(line.duration(), 185.0);
        QCOMPARE(line.boundaries(), (QList<double>{60, 125}));
        QVERIFY(line.hoverText(130.25).startsWith(QStringLiteral("02:10.2   c.MOV 00:05.2")));
        QVERIFY(line.hoverText(130.25).contains(AppUtils::speedText(50, false)));
        QCOMPARE(line.hoverText(90), QStringLiteral("01:30.0   b.MOV 00:30.0"));
        const QImage trip = line.grab().toImage();
        QVERIFY(curvePixels(trip.copy(0, 0, line.xForTime(58), trip.height())) > 50);
        QCOMPARE(curvePixels(trip.copy(line.xForTime(62), 0, line.xForTime(118) - line.xForTime(62), trip.height())), 0);
        QVERIFY(curvePixels(trip.copy(line.xForTime(127), 0, line.xForTime(183) - line.xForTime(127), trip.height())) > 50);
        // A clip whose telemetry is moved 10 s earlier than its picture: its curve ends
        // 10 s before the clip does.
        line.setParts({{minute, 0, 60, QStringLiteral("a.MOV"), {}, {}, 10000}}, {});
        const QImage early = line.grab().toImage();
        QCOMPARE(curvePixels(early.copy(line.xForTime(52), 0, line.xForTime(58) - line.xForTime(52), early.height())), 0);
        QVERIFY(curvePixels(early.copy(0, 0, line.xForTime(48), early.height())) > 50);

        // The events list of a trip shows each event's clip and the time in that clip.
        EventsListView list;
        TelemetryEvent braking;
        braking.time = braking.endTime = 94.5;
        list.setEvents({braking}, true, {QStringLiteral("b.MOV")}, {60});
        QCOMPARE(list.findChild<QTreeWidget *>()->topLevelItem(0)->text(0), QStringLiteral("00:34.5"));
        QCOMPARE(list.findChild<QTreeWidget *>()->topLevelItem(0)->text(3), QStringLiteral("b.MOV"));
        QVERIFY(!list.findChild<QTreeWidget *>()->isColumnHidden(3));
        list.setEvents({braking}, true);
        QCOMPARE(list.findChild<QTreeWidget *>()->topLevelItem(0)->text(0), QStringLiteral("01:34.5"));
        QVERIFY(list.findChild<QTreeWidget *>()->isColumnHidden(3));
    }

    // What the car reported, one sample per letter: '.' nothing on, 'b' brake, 'a' autosteer,
    // 'c' cruise, 'x' a frame without the car's message. The speed drops 4 km/h a braked sample.
    static std::shared_ptr<const std::vector<TelemetrySample>> carSamples(const char *letters)
    {
        auto typed = std::make_shared<std::vector<TelemetrySample>>();
        int kmh = 60;
        for (const char *l = letters; *l; ++l) {
            TelemetrySample t;
            TelemetrySample::Vehicle v;
            v.brake = *l == 'b';
            v.assistance = *l == 'a'   ? TelemetrySample::Assistance::Autosteer
                           : *l == 'c' ? TelemetrySample::Assistance::Cruise
                                       : TelemetrySample::Assistance::None;
            kmh -= v.brake ? 4 : 0;
            t.speedKmh = kmh;
            if (*l != 'x')
                t.vehicle = v;
            typed->push_back(t);
        }
        return typed;
    }

    void inStreamLanes_data()
    {
        QTest::addColumn<QString>("letters");
        QTest::addColumn<bool>("trip");   // as the second of two clips of 10 s, from 10 s on
        QTest::addColumn<QList<double>>("brake");       // start, end of each brake span
        QTest::addColumn<QList<double>>("assistance");  // start, end of each assistance span
        QTest::addColumn<QStringList>("listed");          // the events list's rows: time|kind|strength
        QTest::addColumn<QStringList>("legend");          // the words of the legend under the axis
        // Ten samples over 10 s.
        const QString gaveUp = "00:04.0|Assistance disengaged|";
        const QString braked = "00:04.0 – 00:06.0|Brake applied|" + AppUtils::speedText(4, true) + "/s";
        QTest::addRow("autosteer, then braking gives it up") << "aaaabbb..." << false << QList<double>{4, 7}
                                                             << QList<double>{0, 4} << QStringList{gaveUp, braked}
                                                             << QStringList{"Brake", "Autosteer"};
        QTest::addRow("on a trip's axis") << "aaaabbb..." << true << QList<double>{14, 17} << QList<double>{10, 14}
                                          << QStringList{gaveUp, braked} << QStringList{"Brake", "Autosteer"};
        QTest::addRow("cruise, a frame without message") << "ccxcc....." << false << QList<double>{}
                                                         << QList<double>{0, 5}
                                                         << QStringList{"00:05.0|Assistance disengaged|"}
                                                         << QStringList{"Brake", "Cruise control"};
        QTest::addRow("nothing engaged: lanes, empty") << ".........." << false << QList<double>{}
                                                       << QList<double>{} << QStringList{} << QStringList{"Brake"};
        QTest::addRow("no message at all: no lanes") << "xxxxxxxxxx" << false << QList<double>{}
                                                     << QList<double>{} << QStringList{} << QStringList{};
    }
    void inStreamLanes()
    {
        QFETCH(QString, letters);
        QFETCH(bool, trip);
        QFETCH(QList<double>, brake);
        QFETCH(QList<double>, assistance);
        QFETCH(QStringList, listed);
        QFETCH(QStringList, legend);
        const auto typed = carSamples(qPrintable(letters));
        QList<GpsSample> records;
        for (const TelemetrySample &t : *typed)
            records << makeSample("51.5", "-0.14", t.speedKmh);
        Rig rig(*settings_);
        TelemetryTimeline *line = rig.part<TelemetryTimeline>();
        QSignalSpy found(rig.vc, &PlayerView::eventsFound);
        if (trip) {
            rig.vc->setTrip({{records, 0, 10, QStringLiteral("a"), nullptr}, {records, 10, 10, QStringLiteral("b"), typed}}, 1);
            QTRY_COMPARE(found.size(), 1);
        } else
            rig.vc->setTelemetry(records, 10.0, typed);
        const bool lanes = letters.contains(QLatin1Char('.')) || letters.contains(QLatin1Char('a')) ||
                           letters.contains(QLatin1Char('c'));
        QCOMPARE(line->hasLanes(), lanes);
        QCOMPARE(line->height(), TelemetryTimeline::preferredHeight +
                                     (lanes ? TelemetryTimeline::lanesHeight + TelemetryTimeline::legendHeight : 0));
        QStringList legendSeen;
        for (const TelemetryTimeline::LegendEntry &entry : line->legend())
            legendSeen << entry.text;
        QCOMPARE(legendSeen, legend);
        QList<double> brakeSeen, assistanceSeen;
        for (const VehicleSpan &span : line->laneSpans())
            (span.lane == VehicleSpan::Brake ? brakeSeen : assistanceSeen) << span.start << span.end;
        QCOMPARE(brakeSeen, brake);
        QCOMPARE(assistanceSeen, assistance);
        QStringList rows;
        for (int i = 0; i < rig.part<EventsListView>()->rowCount(); ++i) {
            const QTreeWidgetItem *item = rig.part<QTreeWidget>("eventsTable")->topLevelItem(i);
            rows << item->text(0) + "|" + item->text(1) + "|" + item->text(2);
        }
        QCOMPARE(rows, listed);
        // The jumps go to them too: one second before the first.
        if (!listed.isEmpty())
            QCOMPARE(TelemetryEvents::nextJumpTarget(rig.vc->events(), 0.0), rig.vc->events().front().time - 1);
        // The lanes are drawn: the middle of each span in its colour, a free stretch not.
        QTRY_VERIFY(line->isVisible() && line->width() > 100);
        const QImage image = line->grab().toImage();
        const int laneHeight = (TelemetryTimeline::lanesHeight - 4) / 2;
        const int brakeY = line->axisTop() - TelemetryTimeline::lanesHeight + 1 + laneHeight / 2;
        const int assistanceY = brakeY + laneHeight + 2;
        // The legend's first swatch is the brake's colour.
        if (lanes)
            QCOMPARE(image.pixelColor(8, line->height() - TelemetryTimeline::legendHeight + 7),
                     TelemetryTimeline::colorFor(EventKind::BrakeApplied));
        for (const VehicleSpan &span : line->laneSpans()) {
            const int x = line->xForTime((span.start + span.end) / 2);
            QCOMPARE(image.pixelColor(x, span.lane == VehicleSpan::Brake ? brakeY : assistanceY),
                     TelemetryTimeline::colorFor(span));
        }
        if (lanes && brake.isEmpty())
            QVERIFY(image.pixelColor(line->xForTime(8.5 + (trip ? 10 : 0)), brakeY) !=
                    TelemetryTimeline::colorFor(EventKind::BrakeApplied));
    }

    // A day of driving: the events, the lanes and the curves of 500 clips are found and
    // drawn on other threads, and come to the list and the timeline; another clip of
    // the same trip finds and draws nothing anew.
    void longTripIsBuiltAside()
    {
        Rig rig(*settings_);
        TelemetryTimeline *line = rig.part<TelemetryTimeline>();
        QList<GpsSample> braking;
        for (int i = 0; i < 60; ++i)
            braking << makeSample("51.5", "-0.14", i == 30 ? 10 : 60);
        QList<TimelinePart> parts;
        for (int c = 0; c < 500; ++c)
            parts << TimelinePart{braking, 60.0 * c, 60.0, QStringLiteral("clip %1").arg(c), nullptr};
        QTRY_VERIFY(line->isVisible() && line->width() > 100);
        QSignalSpy found(rig.vc, &PlayerView::eventsFound);
        QSignalSpy drawn(line, &TelemetryTimeline::pictureBuilt);
        rig.vc->setTrip(parts, 0);
        QTRY_COMPARE_WITH_TIMEOUT(found.size(), 1, 10000);
        QCOMPARE(found.first().first().toBool(), true);
        QVERIFY(!rig.vc->events().empty());
        QCOMPARE(rig.part<EventsListView>()->rowCount(), int(rig.vc->events().size()));
        QCOMPARE(line->duration(), 30000.0);
        QTRY_VERIFY_WITH_TIMEOUT(!drawn.isEmpty() && drawn.last().first().toBool(), 10000);
        const int builds = line->pictureBuilds();
        rig.vc->setTrip(parts, 1);
        QTest::qWait(300);
        QCOMPARE(found.size(), 1);
        QCOMPARE(line->pictureBuilds(), builds);
    }

    void sliderMovesSeek()
    {
        Rig rig(*settings_);
        QVERIFY(rig.open(long_));
        QVERIFY(rig.waitPlaying());
        QVERIFY(rig.pauseAndSettle());
        rig.log.clear();
        QCOMPARE(rig.part<QSlider>("timeSlider")->maximum(), int(std::lround(rig.engine()->duration() * 1000)));
        rig.part<QSlider>("timeSlider")->setSliderDown(true);
        rig.part<QSlider>("timeSlider")->setSliderPosition(7400);
        rig.part<QSlider>("timeSlider")->setSliderDown(false);
        QVERIFY(QTest::qWaitFor([&] { return rig.log.count("tick") >= 1; }, 3000));
        QCOMPARE(rig.log.of("tick").back().value, 7.4);
    }

    // The clock sets the slider on every tick; only a move of the handle by a pixel
    // repaints it (and so the window).
    void sliderPaintsOnlyWhenTheHandleMoves()
    {
        PlayerControlBar bar(new TelemetryTimeline);
        auto *slider = bar.findChild<QSlider *>(QStringLiteral("timeSlider"));
        bar.resize(700, bar.sizeHint().height());
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        // 100 ms a pixel: 20 s is exactly at a pixel, up to 20.04 s on the same one.
        slider->setRange(0, slider->width() * 100);
        int paints = 0;
        EventCounter counter(slider, QEvent::Paint, &paints);
        slider->setValue(20000);
        QTRY_VERIFY(paints > 0);
        // The bar's first layout and paints settle before counting.
        for (int seen = -1, k = 0; seen != paints && k < 20; ++k) {
            seen = paints;
            QTest::qWait(100);
        }
        paints = 0;
        for (int ms = 20000; ms <= 20040; ms += 5)
            slider->setValue(ms);
        QTest::qWait(100);
        QCOMPARE(paints, 0);
        slider->setValue(20300);
        QTRY_VERIFY(paints > 0);
    }

    // --- rates ------------------------------------------------------------------

    void rateToastShowsTheRate()
    {
        Rig rig(*settings_);
        QVERIFY(rig.open(long_));
        QVERIFY(rig.waitPlaying());
        rig.vc->backwardRate();
        QCOMPARE(rig.messages->size(), 1);
        QCOMPARE(rig.messages->last().at(0).toString(), QString("-2x"));
        rig.vc->forwardRate();
        QCOMPARE(rig.messages->last().at(0).toString(), QString("2x"));
    }

    void ratesWithoutFileDoNothing()
    {
        Rig rig(*settings_);
        rig.vc->forwardRate();
        rig.vc->backwardRate();
        rig.vc->playOrPause();
        rig.vc->stopVideo();
        QVERIFY(!rig.vc->engine()->isReady());
        QVERIFY(rig.messages->isEmpty());
        QCOMPARE(rig.vc->currentTime(), 0.0);
        QCOMPARE(rig.vc->duration(), 0.0);
    }

    // --- volume -----------------------------------------------------------------

    void volumeControlsShowTheStoredVolume_data()
    {
        QTest::addColumn<int>("slider");
        QTest::addColumn<QString>("speaker");
        QTest::addRow("muted") << 0 << "speaker_off";
        QTest::addRow("a third") << 33 << "speaker_on";
        QTest::addRow("full") << 100 << "speaker_on";
    }
    void volumeControlsShowTheStoredVolume()
    {
        QFETCH(int, slider);
        QFETCH(QString, speaker);
        {
            Rig rig(*settings_);
            QCOMPARE(rig.part<QSlider>("volumeSlider")->value(), 100); // nothing stored: full volume
            rig.part<QSlider>("volumeSlider")->setValue(50);
            rig.part<QSlider>("volumeSlider")->setValue(slider);
            QCOMPARE(rig.part("voiceBtn")->property("tag").toInt(), slider != 0 ? 1 : 0);
            Q_UNUSED(speaker);
        }
        Rig again(*settings_);
        QCOMPARE(again.part<QSlider>("volumeSlider")->value(), slider);
        QVERIFY(again.open(clip_));
        QCOMPARE(again.part<QSlider>("volumeSlider")->value(), slider);
        QCOMPARE(again.part("voiceBtn")->property("tag").toInt(), slider != 0 ? 1 : 0);
    }

    // --- keys, expand, overlays -------------------------------------------------

    void spaceTogglesPlayback()
    {
        Rig rig(*settings_);
        QVERIFY(rig.open(long_));
        QVERIFY(rig.waitPlaying());
        QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::ShiftModifier, " ");
        rig.vc->keyDown(&space);
        QVERIFY(QTest::qWaitFor([&] { return rig.engine()->playbackState() == MediaEngine::PausedState; }, 3000));
        QKeyEvent other(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
        rig.vc->keyDown(&other);
        QKeyEvent silent(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier, QString());
        rig.vc->keyDown(&silent);
        QCOMPARE(rig.engine()->playbackState(), MediaEngine::PausedState);
        QTest::keyClick(rig.vc, Qt::Key_Space, Qt::NoModifier);
        QVERIFY(rig.waitPlaying());
    }

    void escapeDismissesAndLeavesFullScreen()
    {
        Rig rig(*settings_);
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        // Windowed, Escape never enters full screen.
        rig.vc->keyDown(&esc);
        QTest::qWait(300);
        QVERIFY(!rig.window.isFullScreen());
        FullScreen::toggle(&rig.window);
        QVERIFY(QTest::qWaitFor([&] { return rig.window.isFullScreen(); }, 3000));
        // An overlay shown goes first, full screen stays; the next Escape leaves it.
        rig.vc->settings();
        QVERIFY(rig.vc->dismiss() == true);
        QVERIFY(rig.vc->dismiss() == false);
        rig.vc->settings();
        rig.vc->keyDown(&esc);
        QVERIFY(!rig.vc->dismiss());
        QTest::qWait(300);
        QVERIFY(rig.window.isFullScreen());
        rig.vc->keyDown(&esc);
        QVERIFY(QTest::qWaitFor([&] { return !rig.window.isFullScreen(); }, 3000));
    }

    void expandExchangesStateWithLayout()
    {
        Rig rig(*settings_);
        QSignalSpy restored(rig.vc, &PlayerView::videoSizeRestored);
        rig.zoomAnswer = 1;
        rig.vc->zoomInOut();
        QCOMPARE(rig.vc->zoomState, qint64(1));
        QCOMPARE(restored.size(), 0);
        rig.zoomAnswer = 0;
        rig.vc->zoomInOut();
        QCOMPARE(rig.vc->zoomState, qint64(0));
        QCOMPARE(restored.size(), 1);
        const auto zooms = rig.log.of("zoom", "layout");
        QCOMPARE(int(zooms.size()), 2);
        QCOMPARE(zooms[0].value, 0.0);
        QCOMPARE(zooms[1].value, 1.0);
    }

    void nextAndPreviousAskTheQueue()
    {
        Rig rig(*settings_);
        rig.vc->nextFile();
        rig.vc->previousFile();
        const auto calls = rig.log.of("playNext", "queue");
        QCOMPARE(int(calls.size()), 2);
        QCOMPARE(calls[0].value, 1.0);
        QCOMPARE(calls[1].value, 0.0);
    }

    void settingsAndHelpExcludeEachOther()
    {
        Rig rig(*settings_);
        QVERIFY(rig.part<QWidget>("settingsDialog")->isHidden() && rig.part<QWidget>("helpDialog")->isHidden());
        QVERIFY(rig.part<QLabel>("aboutImageinfo")->isHidden() && rig.part("fileButton")->isHidden());
        rig.vc->settings();
        QVERIFY(rig.part<QWidget>("settingsDialog")->isVisible());
        rig.vc->helps();
        QVERIFY(rig.part<QWidget>("helpDialog")->isVisible() && rig.part<QWidget>("settingsDialog")->isHidden());
        rig.vc->settings();
        QVERIFY(rig.part<QWidget>("helpDialog")->isHidden());
        rig.vc->settings();
        QVERIFY(rig.part<QWidget>("settingsDialog")->isHidden());
        rig.vc->helps();
        rig.part<QPushButton>("helpAbout")->click();
        QVERIFY(rig.part<QWidget>("helpDialog")->isHidden() && rig.part<QLabel>("aboutImageinfo")->isVisible());
        QVERIFY(!rig.part<QLabel>("aboutImageinfo")->pixmap().isNull());
        rig.part("closeAboutInfo")->click();
        QVERIFY(rig.part<QLabel>("aboutImageinfo")->isHidden());

        // The help links: the user guide installed with the program (it works offline),
        // then the web site and the shop under one base address.
        // The window opens them (and says so when the desktop cannot).
        UrlCatcher opened;
        connect(rig.vc, &PlayerView::linkRequested, &opened, &UrlCatcher::open);
        for (const char *link : {"helpVideo", "helpWebsite", "helpShop"}) {
            rig.vc->helps();
            rig.part<QPushButton>(link)->click();
        }
        QCOMPARE(opened.urls.size(), 3);
        QVERIFY(opened.urls[0].isLocalFile());
        QFile guide(opened.urls[0].toLocalFile());
        QVERIFY(guide.open(QIODevice::ReadOnly));
        const QByteArray page = guide.readAll();
        for (const char *section : {"id=\"open\"", "id=\"keys\"", "id=\"units\"", "id=\"maps\"", "id=\"capture\"", "id=\"export\""})
            QVERIFY2(page.contains(section), section);
        QCOMPARE(opened.urls[1], AppLinks::website());
        QCOMPARE(opened.urls[2].host(), opened.urls[1].host());
        QVERIFY(opened.urls[2] != opened.urls[1]);
    }

    void speedRadioStoresUnitAndTells()
    {
        Rig rig(*settings_);
        QCOMPARE(rig.part<QButtonGroup>("radioSpeed")->checkedId(), 0);
        QSignalSpy told(settings_.get(), &Settings::speedUnitChanged);
        rig.part<QButtonGroup>("radioSpeed")->button(1)->click();
        QVERIFY(!settings_->kmph());
        QCOMPARE(told.size(), 1);
        rig.part<QButtonGroup>("radioSpeed")->button(0)->click();
        QVERIFY(settings_->kmph());
        QCOMPARE(told.size(), 2);
        // A stored mph shows the second column at start.
        settings_->setKmph(false);
        Rig again(*settings_);
        QCOMPARE(again.part<QButtonGroup>("radioSpeed")->checkedId(), 1);
    }

    // --- failures and tear-down ---------------------------------------------------

    void unplayableFileLeavesTheDefaultImage()
    {
        const QString bad = QDir(dir_.path()).filePath("notes.MOV");
        {
            QFile f(bad);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("This is a text file, not a video.\n");
        }
        Rig rig(*settings_);
        QSignalSpy done(rig.vc, &PlayerView::setUpFinished);
        rig.vc->openClip(QUrl::fromLocalFile(bad));
        QVERIFY(done.wait(10000) || done.size() == 1);
        QCOMPARE(done.first().first().toBool(), false);
        QTest::qWait(500);
        QVERIFY(rig.part<QLabel>("defaultImage")->isVisible());
        QVERIFY(!rig.vc->videoSink()->videoFrame().isValid());
        QCOMPARE(rig.vc->timeText(), QString("0:00"));
        QVERIFY(rig.messages->isEmpty());
    }

    void closeTwiceAndDestroyWhilePausedOrLoading_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addRow("paused") << "paused";
        QTest::addRow("playing") << "playing";
        QTest::addRow("loading") << "loading";
        QTest::addRow("closed") << "closed";
        QTest::addRow("ended") << "ended";
    }
    void closeTwiceAndDestroyWhilePausedOrLoading()
    {
        QFETCH(QString, state);
        auto rig = std::make_unique<Rig>(*settings_);
        if (state == "loading") {
            rig->vc->openClip(QUrl::fromLocalFile(clip_));
        } else {
            QVERIFY(rig->open(clip2_));
            QVERIFY(rig->waitPlaying());
            if (state == "paused")
                QVERIFY(rig->pauseAndSettle());
            if (state == "closed") {
                rig->vc->close();
                rig->vc->close();
                QVERIFY(!rig->vc->isAddVideoFile());
                const int ticks = rig->log.count("tick");
                QTest::qWait(300);
                QCOMPARE(rig->log.count("tick"), ticks);
            }
            if (state == "ended")
                QVERIFY(QTest::qWaitFor([&] { return rig->log.count("end") == 1; }, 10000));
        }
        rig.reset(); // must not abort the process
        QTest::qWait(200);
        // The media system is still usable afterwards.
        Rig next(*settings_);
        QVERIFY(next.open(clip2_));
        QVERIFY(next.waitPlaying());
    }
};

QTEST_MAIN(PlayerViewTest)
#include "tst_player_view.moc"
