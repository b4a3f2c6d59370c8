// Window size, divider answers, frame tables and zoom decisions.
#include "app/LayoutRules.h"

#include <QTest>

using namespace LayoutRules;

class LayoutRulesTest : public QObject {
    Q_OBJECT
private slots:
    void windowFrame_data()
    {
        QTest::addColumn<double>("sw");
        QTest::addColumn<double>("sh");
        QTest::addColumn<QRectF>("expected");
        QTest::addRow("1920x1080") << 1920.0 << 1080.0
            << QRectF(288.0000114440918, 162.00000643730164, 1343.9999771118164, 755.9999871253967);
        QTest::addRow("1440x900") << 1440.0 << 900.0
            << QRectF(216.00000858306885, 135.00000536441803, 1007.9999828338623, 629.9999892711639);
    }
    void windowFrame()
    {
        QFETCH(double, sw);
        QFETCH(double, sh);
        QFETCH(QRectF, expected);
        const QRectF r = LayoutRules::windowFrame(sw, sh);
        // The single-precision factor makes these exact to the last digit of the worked values.
        QCOMPARE(r.width(), expected.width());
        QCOMPARE(r.height(), expected.height());
        QCOMPARE(r.x(), expected.x());
        QCOMPARE(r.y(), expected.y());
    }

    void fixedDividers()
    {
        Latches l;
        for (double p : {0.0, 100.0, 500.0, 900.0}) {
            QCOMPARE(constrainSplitPosition(Split::Left, p, 0, l), 420.0);
            QCOMPARE(constrainSplitPosition(Split::Right, p, 0, l), 219.0);
            QCOMPARE(constrainSplitPosition(Split::Other, p, 0, l), p);
        }
        QCOMPARE(constrainMinCoordinate(Split::Left, 10, 0, l), 460.0);
        QCOMPARE(constrainMaxCoordinate(Split::Left, 10, 0, l), 420.0);
        QCOMPARE(constrainMinCoordinate(Split::Right, 10, 0, l), 160.0);
        QCOMPARE(constrainMaxCoordinate(Split::Right, 10, 0, l), 470.0);
        QCOMPARE(constrainMinCoordinate(Split::Other, 10, 0, l), 600.0);
        QCOMPARE(constrainMaxCoordinate(Split::Other, 10, 0, l), 10.0);
        QCOMPARE(l.position0, 0.0);
        QCOMPARE(l.position1, 0.0);
    }

    void outerLatches()
    {
        Latches l;
        // Divider 0: the maximum latches the first proposal and holds it.
        QCOMPARE(constrainMinCoordinate(Split::Outer, 50, 0, l), 600.0);
        QCOMPARE(constrainMaxCoordinate(Split::Outer, 900, 0, l), 900.0);
        QCOMPARE(l.position1, 900.0);
        QCOMPARE(constrainMaxCoordinate(Split::Outer, 1000, 0, l), 900.0);
        // Divider 1: the minimum latches the first proposal but answers 600 that time.
        QCOMPARE(constrainMinCoordinate(Split::Outer, 700, 1, l), 600.0);
        QCOMPARE(l.position0, 700.0);
        QCOMPARE(constrainMinCoordinate(Split::Outer, 800, 1, l), 700.0);
        QCOMPARE(constrainMaxCoordinate(Split::Outer, 1234, 1, l), 1234.0);
        QCOMPARE(constrainSplitPosition(Split::Outer, 1, 0, l), 700.0);
        QCOMPARE(constrainSplitPosition(Split::Outer, 1, 1, l), 900.0);
        QCOMPARE(constrainSplitPosition(Split::Outer, 333, 2, l), 333.0);
        // A full-screen change clears both; the next drag latches new values.
        l.clear();
        QCOMPARE(constrainMaxCoordinate(Split::Outer, 1100, 0, l), 1100.0);
        QCOMPARE(l.position1, 1100.0);
    }

    void frameTables()
    {
        const Frames setUp = frames(Arrangement::SetUp, false);
        QCOMPARE(setUp.outer[0], QSizeF(1280, 760));
        QCOMPARE(setUp.outer[1], QSizeF(640, 460));
        QVERIFY(!setUp.outer[2].isValid());
        QCOMPARE(setUp.left[1], QSizeF(1280, 160));
        QCOMPARE(setUp.right[0], QSizeF(640, 320));

        QCOMPARE(frames(Arrangement::VideoEnlarge, true).left[0], QSizeF(1280, 760));
        QCOMPARE(frames(Arrangement::VideoEnlarge, false).left[0], QSizeF(640, 380));
        QCOMPARE(frames(Arrangement::VideoEnlarge, false).outer[1], QSizeF(0, 0));
        QCOMPARE(frames(Arrangement::VideoRestore, true).right[0], QSizeF(600, 320));
        QCOMPARE(frames(Arrangement::VideoRestore, false).right[0], QSizeF(480, 240));
        QCOMPARE(frames(Arrangement::VideoRestore, false).right[1], QSizeF(680, 440));

        const Frames mapBig = frames(Arrangement::MapEnlarge, false);
        QCOMPARE(mapBig.outer[0], QSizeF(1014, 760));
        QCOMPARE(mapBig.outer[1], QSizeF(0, 0));
        QCOMPARE(mapBig.outer[2], QSizeF(532, 760));
        QCOMPARE(mapBig.left[1], QSizeF(1014, 220));
        const Frames mapBack = frames(Arrangement::MapRestore, true);
        QCOMPARE(mapBack.outer[2], QSizeF(266, 760));
        QCOMPARE(mapBack.right[1], QSizeF(266, 400));
    }

    void zoomDecisions_data()
    {
        QTest::addColumn<qint64>("state");
        QTest::addColumn<bool>("video");
        QTest::addColumn<bool>("map");
        QTest::addColumn<bool>("enlargeVideo");
        QTest::addColumn<bool>("enlargeMap");
        QTest::addRow("normal, state 0") << qint64(0) << false << false << true << true;
        QTest::addRow("normal, state 1") << qint64(1) << false << false << true << true;
        QTest::addRow("video big, state 1") << qint64(1) << true << false << false << true;
        QTest::addRow("map big, state 1") << qint64(1) << false << true << true << false;
        QTest::addRow("video big, state 0") << qint64(0) << true << false << true << true;
    }
    void zoomDecisions()
    {
        QFETCH(qint64, state);
        QFETCH(bool, video);
        QFETCH(bool, map);
        QFETCH(bool, enlargeVideo);
        QFETCH(bool, enlargeMap);
        QCOMPARE(shouldEnlargeVideo(state, video, map), enlargeVideo);
        QCOMPARE(shouldEnlargeMap(state, video, map), enlargeMap);
    }
};

QTEST_APPLESS_MAIN(LayoutRulesTest)
#include "tst_layout_rules.moc"
