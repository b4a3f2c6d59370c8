// Showing a moment's cameras together: when a follower is sent back to the leading
// clock, and where the tiles of each arrangement go.
#include "player/ChannelRules.h"
#include "telemetry/ClipTime.h"

#include <QTest>

Q_DECLARE_METATYPE(ChannelRules::PartCameras)
Q_DECLARE_METATYPE(ChannelRules::CameraLane)

namespace {
constexpr double f30 = 1.0 / 30;
using R = ChannelRules;
}
Q_DECLARE_METATYPE(ChannelRules::Picture)

class ChannelRulesTest : public QObject {
    Q_OBJECT
private slots:
    void pictures_data()
    {
        using P = R::Picture;
        QTest::addColumn<P>("main");
        QTest::addColumn<P>("other");
        QTest::addColumn<bool>("differ");
        QTest::addColumn<QString>("described");
        QTest::addColumn<double>("frame");
        const P hd{30, {1920, 1080}, QStringLiteral("H.264")};
        QTest::newRow("alike") << hd << P{29.97, {1920, 1080}, QStringLiteral("H.264")} << false
                               << QStringLiteral("29.97 fps, 1920×1080, H.264") << 1.0 / 29.97;
        QTest::newRow("half the rate") << hd << P{15, {1920, 1080}, QStringLiteral("H.264")} << true
                                       << QStringLiteral("15 fps, 1920×1080, H.264") << 1.0 / 15;
        QTest::newRow("smaller, another codec") << hd << P{30, {1280, 720}, QStringLiteral("H.265")} << true
                                                << QStringLiteral("30 fps, 1280×720, H.265") << f30;
        QTest::newRow("a faster follower: the lead's frame")
            << hd << P{60, {}, {}} << true << QStringLiteral("60 fps") << f30;
        QTest::newRow("nothing known") << hd << P{} << false << QString() << f30;
    }
    void pictures()
    {
        using P = R::Picture;
        QFETCH(P, main);
        QFETCH(P, other);
        QFETCH(bool, differ);
        QFETCH(QString, described);
        QFETCH(double, frame);
        QCOMPARE(R::differ(main, other), differ);
        QCOMPARE(R::describe(other), described);
        QCOMPARE(R::frameOf(main.fps, other.fps), frame);
    }

    void tiles_data()
    {
        QTest::addColumn<int>("arrangement");
        QTest::addColumn<QSize>("area");
        QTest::addColumn<int>("count");
        QTest::addColumn<QList<int>>("corners");
        QTest::addColumn<double>("share");
        QTest::addColumn<QList<QRect>>("expected");
        const QSize hd(1000, 500);
        const int insets = int(R::Arrangement::Insets), side = int(R::Arrangement::SideBySide),
                  grid = int(R::Arrangement::Grid);
        QTest::newRow("one picture fills the area") << grid << hd << 1 << QList<int>{} << R::kInsetShare << QList<QRect>{{0, 0, 1000, 500}};
        QTest::newRow("insets: bottom right, stacked upwards")
            << insets << hd << 3 << QList<int>{}
            << R::kInsetShare << QList<QRect>{{0, 0, 1000, 500}, {712, 352, 280, 140}, {712, 204, 280, 140}};
        QTest::newRow("insets: more than a corner's height start a column further in")
            << insets << hd << 5 << QList<int>{}
            << R::kInsetShare << QList<QRect>{{0, 0, 1000, 500}, {712, 352, 280, 140}, {712, 204, 280, 140},
                                              {712, 56, 280, 140}, {424, 352, 280, 140}};
        QTest::newRow("insets: one dragged to the top left")
            << insets << hd << 3 << QList<int>{R::TopLeft, R::BottomRight}
            << R::kInsetShare << QList<QRect>{{0, 0, 1000, 500}, {8, 8, 280, 140}, {712, 352, 280, 140}};
        QTest::newRow("side by side, three")
            << side << QSize(900, 300) << 3 << QList<int>{}
            << R::kInsetShare << QList<QRect>{{0, 0, 300, 300}, {300, 0, 300, 300}, {600, 0, 300, 300}};
        QTest::newRow("grid of two is side by side")
            << grid << hd << 2 << QList<int>{} << R::kInsetShare << QList<QRect>{{0, 0, 500, 500}, {500, 0, 500, 500}};
        QTest::newRow("grid of three: two by two")
            << grid << hd << 3 << QList<int>{}
            << R::kInsetShare << QList<QRect>{{0, 0, 500, 250}, {500, 0, 500, 250}, {0, 250, 500, 250}};
        QTest::newRow("grid of six: three by two")
            << grid << QSize(900, 400) << 6 << QList<int>{}
            << R::kInsetShare << QList<QRect>{{0, 0, 300, 200}, {300, 0, 300, 200}, {600, 0, 300, 200},
                            {0, 200, 300, 200}, {300, 200, 300, 200}, {600, 200, 300, 200}};
        QTest::newRow("insets: a larger share")
            << insets << hd << 2 << QList<int>{} << 0.5 << QList<QRect>{{0, 0, 1000, 500}, {492, 242, 500, 250}};
        QTest::newRow("insets: a smaller share")
            << insets << hd << 2 << QList<int>{R::TopLeft} << 0.15 << QList<QRect>{{0, 0, 1000, 500}, {8, 8, 150, 75}};
        QTest::newRow("insets: no larger than half")
            << insets << hd << 2 << QList<int>{} << 0.9 << QList<QRect>{{0, 0, 1000, 500}, {492, 242, 500, 250}};
        QTest::newRow("insets: no smaller than 15 %")
            << insets << hd << 2 << QList<int>{} << 0.01 << QList<QRect>{{0, 0, 1000, 500}, {842, 417, 150, 75}};
        QTest::newRow("no area") << grid << QSize() << 3 << QList<int>{} << R::kInsetShare << QList<QRect>{};
    }
    void tiles()
    {
        QFETCH(int, arrangement);
        QFETCH(QSize, area);
        QFETCH(int, count);
        QFETCH(QList<int>, corners);
        QFETCH(double, share);
        QFETCH(QList<QRect>, expected);
        QList<R::Corner> at;
        for (int c : corners)
            at.append(R::Corner(c));
        QCOMPARE(R::tiles(R::Arrangement(arrangement), area, count, at, share), expected);
    }

    void namePattern_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("expected");
        QTest::newRow("rear of a numbered camera") << "/cams/20261115_090000_R.MP4" << "########_######_R.MP4";
        QTest::newRow("another minute, same pattern") << "20261115_090100_R.MP4" << "########_######_R.MP4";
        QTest::newRow("sequence and channel") << "/a/2026_1115_090000_001I.MOV" << "####_####_######_###I.MOV";
        QTest::newRow("camera words") << "2026-11-13_10-03-00-back.mp4" << "####-##-##_##-##-##-back.mp4";
        QTest::newRow("the folder does not count") << "/2026/cam3/clip.mp4" << "clip.mp4";
        QTest::newRow("no name") << "" << "";
    }
    void namePattern()
    {
        QFETCH(QString, file);
        QFETCH(QString, expected);
        QCOMPARE(R::namePattern(file), expected);
    }

    void lanes_data()
    {
        using Cameras = QList<R::Beside>;   // channel, gap, late
        using Gaps = QList<QPair<double, double>>;
        QTest::addColumn<QList<R::PartCameras>>("parts");
        QTest::addColumn<QList<R::CameraLane>>("expected");
        QTest::newRow("no other cameras") << QList<R::PartCameras>{{0, 10, {}}} << QList<R::CameraLane>{};
        QTest::newRow("a clip whose rear is a gap, its cabin not")
            << QList<R::PartCameras>{{0, 10, Cameras{{'R', true}, {'I', false}}}}
            << QList<R::CameraLane>{{'R', Gaps{{0, 10}}}, {'I', Gaps{}}};
        QTest::newRow("by rank: rear above cabin")
            << QList<R::PartCameras>{{0, 10, Cameras{{'I', false}, {'R', false}}}}
            << QList<R::CameraLane>{{'R', Gaps{}}, {'I', Gaps{}}};
        QTest::newRow("a trip: a rear camera only in its second clip")
            << QList<R::PartCameras>{{0, 60, Cameras{{'I', false}}}, {60, 60, Cameras{{'R', false}, {'I', false}}}}
            << QList<R::CameraLane>{{'R', Gaps{{0, 60}}}, {'I', Gaps{}}};
        QTest::newRow("the gaps of clips one after the other are one")
            << QList<R::PartCameras>{{0, 60, Cameras{{'R', true}}}, {60, 60, Cameras{{'R', true}}},
                                     {120, 60, Cameras{{'R', false}}}, {180, 30, Cameras{{'R', true}}}}
            << QList<R::CameraLane>{{'R', Gaps{{0, 120}, {180, 210}}}};
        QTest::newRow("a rear that starts 2 s late: a gap before its start, in each clip")
            << QList<R::PartCameras>{{0, 60, Cameras{{'R', false, 2.0}}}, {60, 60, Cameras{{'R', false, 2.0}}},
                                     {120, 1, Cameras{{'R', false, 2.0}, {'I', false, -1.0}}}}
            << QList<R::CameraLane>{{'R', Gaps{{0, 2}, {60, 62}, {120, 121}}}, {'I', Gaps{{0, 120}}}};
        QTest::newRow("a pause between clips is no gap")
            << QList<R::PartCameras>{{0, 60, Cameras{{'R', true}}}, {90, 60, Cameras{{'R', true}}}}
            << QList<R::CameraLane>{{'R', Gaps{{0, 60}, {90, 150}}}};
    }
    void lanes()
    {
        QFETCH(QList<R::PartCameras>, parts);
        QFETCH(QList<R::CameraLane>, expected);
        QCOMPARE(R::lanes(parts), expected);
    }

    void cornersAndKeys()
    {
        QCOMPARE(R::cornerAt(QSize(100, 100), QPoint(10, 90)), R::BottomLeft);
        QCOMPARE(R::cornerAt(QSize(100, 100), QPoint(60, 10)), R::TopRight);
        // A bottom-right inset of 280x160 in a 1000x600 picture is sized from its top left.
        const QRect inset(712, 432, 280, 160);
        QVERIFY(R::onGrip(inset, R::BottomRight, QPoint(715, 436)));
        QVERIFY(!R::onGrip(inset, R::BottomRight, QPoint(900, 436)));   // on the inset, away from the grip
        QVERIFY(!R::onGrip(inset, R::BottomRight, QPoint(705, 430)));   // outside it
        QVERIFY(R::onGrip(QRect(8, 8, 280, 160), R::TopLeft, QPoint(285, 165)));
        QCOMPARE(R::fixedCorner(inset, R::BottomRight), QPoint(992, 592));
        QCOMPARE(R::shareAt(QSize(1000, 600), QPoint(992, 592), QPoint(592, 400)), 0.4);
        QCOMPARE(R::shareAt(QSize(1000, 600), QPoint(992, 592), QPoint(942, 580)), R::kInsetShareMin);
        QCOMPARE(R::shareAt(QSize(1000, 600), QPoint(992, 592), QPoint(0, 0)), R::kInsetShareMax);
        // With 4:3 insets the width counted is an inset's: 240 px across of 600 * 4/3.
        QCOMPARE(R::shareAt(QSize(1000, 600), QPoint(992, 592), QPoint(752, 552), 4.0 / 3), 0.3);
        for (R::Arrangement a : {R::Arrangement::Insets, R::Arrangement::SideBySide, R::Arrangement::Grid})
            QCOMPARE(R::arrangementOf(R::arrangementKey(a)), a);
        QCOMPARE(R::next(R::Arrangement::Grid), R::Arrangement::Insets);
        // Insets take their pictures' shape: a 4:3 camera beside a wide main picture has no
        // bars; a very wide one is held to one and a half times the share's width.
        QCOMPARE(R::tiles(R::Arrangement::Insets, QSize(1000, 500), 2, {}, R::kInsetShare, 4.0 / 3),
                 (QList<QRect>{{0, 0, 1000, 500}, {805, 352, 187, 140}}));
        QCOMPARE(R::tiles(R::Arrangement::Insets, QSize(1000, 500), 2, {}, R::kInsetShare, 32.0 / 9),
                 (QList<QRect>{{0, 0, 1000, 500}, {572, 374, 420, 118}}));
        // Until the user chooses, four cameras or more are a grid; a choice holds for any count.
        QCOMPARE(R::arrangementFor(QString(), 3), R::Arrangement::Insets);
        QCOMPARE(R::arrangementFor(QString(), 4), R::Arrangement::Grid);
        QCOMPARE(R::arrangementFor(QString(), 6), R::Arrangement::Grid);
        QCOMPARE(R::arrangementFor(QStringLiteral("insets"), 6), R::Arrangement::Insets);
        QCOMPARE(R::arrangementFor(QStringLiteral("side"), 2), R::Arrangement::SideBySide);
        // A click shows the camera large in every arrangement; on the large one it goes back.
        using A = R::Arrangement;
        const struct { A a; bool focused; int slot; R::Click expected; } clicks[] = {
            {A::Insets, false, 0, {false, false}}, {A::Insets, false, 2, {false, true}},
            {A::Grid, false, 0, {true, false}},    {A::Grid, false, 3, {true, true}},
            {A::Grid, true, 0, {false, false}},    {A::Grid, true, 2, {true, true}},
            {A::SideBySide, false, 1, {true, true}}, {A::SideBySide, true, 0, {false, false}},
        };
        for (const auto &c : clicks)
            QVERIFY2(R::clicked(c.a, c.focused, c.slot) == c.expected, qPrintable(R::arrangementKey(c.a)));
        QCOMPARE(R::shownAs(A::Grid, true), A::Insets);
        QCOMPARE(R::shownAs(A::Grid, false), A::Grid);
        QCOMPARE(R::laneLabel('R'), QStringLiteral("Rear"));
        QCOMPARE(R::laneLabel(ClipTime::kLeftRepeater), QStringLiteral("Left repeater"));
        QCOMPARE(R::laneLabel(ClipTime::kRightPillar), QStringLiteral("Right pillar"));
    }
};

QTEST_GUILESS_MAIN(ChannelRulesTest)
#include "tst_channel_rules.moc"
