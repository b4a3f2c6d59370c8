// The marks to blur: a mark's box at a time, boxes cut to the picture, the stretch a
// correction re-tracks, and the play list file's JSON, which refuses what it does not know.
#include "redact/Blur.h"
#include "redact/RedactMarks.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

using Boxes = QMap<qint64, QRect>;
Q_DECLARE_METATYPE(std::optional<QRect>)

namespace {
constexpr qint64 F = 33333;  // one frame at 30 per second

RedactMark trackedMark()
{
    // A key box at frame 10, tracked over frames 5..20, lost forwards at frame 21.
    RedactMark m;
    m.id = 1;
    m.keys.insert(10 * F, QRect(100, 100, 40, 20));
    for (int f = 5; f <= 20; ++f)
        if (f != 10)
            m.tracked.insert(f * F, QRect(100 + f, 100, 40, 20));
    m.losses.append({21 * F, TrackDirection::Forwards, LossReason::Lost});
    return m;
}
} // namespace

class TestRedactMarks : public QObject {
    Q_OBJECT
private slots:
    void boxAt_data();
    void boxAt();
    void clip_data();
    void clip();
    void neighbours();
    void editing();
    void offeredMarksAreNotApplied();
    void thousandsOfMarks();
    void jsonRoundTrip();
    void jsonRefused_data();
    void jsonRefused();
    void blurChoice_data();
    void blurChoice();
};

void TestRedactMarks::boxAt_data()
{
    QTest::addColumn<qint64>("t");
    QTest::addColumn<std::optional<QRect>>("box");
    QTest::addRow("before the stretch") << 4 * F << std::optional<QRect>();
    QTest::addRow("first tracked frame") << 5 * F << std::optional<QRect>(QRect(105, 100, 40, 20));
    QTest::addRow("inside a frame holds its box") << 6 * F + F / 2 << std::optional<QRect>(QRect(106, 100, 40, 20));
    QTest::addRow("a time rounded to the millisecond below a frame")
        << (7 * F / 1000) * 1000 << std::optional<QRect>(QRect(107, 100, 40, 20));
    QTest::addRow("the key box") << 10 * F << std::optional<QRect>(QRect(100, 100, 40, 20));
    QTest::addRow("last tracked frame") << 20 * F << std::optional<QRect>(QRect(120, 100, 40, 20));
    QTest::addRow("where the tracker lost it") << 21 * F << std::optional<QRect>();
    QTest::addRow("long after") << 900 * F << std::optional<QRect>();
    QTest::addRow("negative time") << qint64(-F) << std::optional<QRect>();
}

void TestRedactMarks::boxAt()
{
    QFETCH(qint64, t);
    QFETCH(std::optional<QRect>, box);
    QCOMPARE(markBoxAt(trackedMark(), t, F), box);
    const auto stretch = markStretch(trackedMark(), F);
    QVERIFY(stretch);
    QCOMPARE(stretch->first, 5 * F);
    QCOMPARE(stretch->second, 21 * F);
}

void TestRedactMarks::clip_data()
{
    QTest::addColumn<QRect>("box");
    QTest::addColumn<std::optional<QRect>>("clipped");
    QTest::addRow("inside") << QRect(10, 10, 50, 50) << std::optional<QRect>(QRect(10, 10, 50, 50));
    QTest::addRow("on the left edge") << QRect(-20, 10, 50, 50) << std::optional<QRect>(QRect(0, 10, 30, 50));
    QTest::addRow("over the bottom right corner")
        << QRect(1900, 1070, 50, 50) << std::optional<QRect>(QRect(1900, 1070, 20, 10));
    QTest::addRow("larger than the picture")
        << QRect(-100, -100, 3000, 2000) << std::optional<QRect>(QRect(0, 0, 1920, 1080));
    QTest::addRow("dragged up and left") << QRect(60, 60, -50, -50)
                                         << std::optional<QRect>(QRect(10, 10, 50, 50));
    QTest::addRow("empty") << QRect(10, 10, 0, 30) << std::optional<QRect>();
    QTest::addRow("off the picture") << QRect(2000, 10, 50, 50) << std::optional<QRect>();
    QTest::addRow("touching the right edge from outside") << QRect(1920, 0, 5, 5) << std::optional<QRect>();
}

void TestRedactMarks::clip()
{
    QFETCH(QRect, box);
    QFETCH(std::optional<QRect>, clipped);
    QCOMPARE(clipToPicture(box, QSize(1920, 1080)), clipped);
}

void TestRedactMarks::neighbours()
{
    RedactMark m;
    m.keys = {{100, QRect(0, 0, 5, 5)}, {500, QRect(0, 0, 5, 5)}, {900, QRect(0, 0, 5, 5)}};
    using P = std::pair<std::optional<qint64>, std::optional<qint64>>;
    QCOMPARE(neighbourKeys(m, 50), P(std::nullopt, 100));
    QCOMPARE(neighbourKeys(m, 500), P(100, 900));
    QCOMPARE(neighbourKeys(m, 600), P(500, 900));
    QCOMPARE(neighbourKeys(m, 901), P(900, std::nullopt));
    QCOMPARE(neighbourKeys(RedactMark(), 5), P(std::nullopt, std::nullopt));
}

void TestRedactMarks::editing()
{
    RedactMarks marks(QSize(640, 360), F);
    QCOMPARE(marks.add(MarkKind::Drawn, 0, QRect(700, 10, 20, 20)), 0);  // off the picture
    const int id = marks.add(MarkKind::Drawn, 10 * F, QRect(600, 300, 100, 100));
    QVERIFY(id > 0);
    QCOMPARE(marks.mark(id)->keys.value(10 * F), QRect(600, 300, 40, 60));  // cut at the edge

    // Tracked boxes, then a correction's re-tracking replaces only its own stretch.
    Boxes boxes;
    for (int f = 0; f <= 30; ++f)
        boxes.insert(f * F, QRect(f, 0, 10, 10));
    QVERIFY(marks.setTracked(id, 0, 30 * F, boxes, {{31 * F, TrackDirection::Forwards, LossReason::Jumped}}));
    QCOMPARE(marks.mark(id)->losses.size(), 0);  // outside the stretch given: dropped
    QVERIFY(marks.setKey(id, 20 * F, QRect(300, 200, 10, 10)));
    Boxes again;
    for (int f = 11; f < 30; ++f)
        again.insert(f * F, QRect(300, 200, 10, 10));
    QVERIFY(marks.setTracked(id, 11 * F, 30 * F, again, {{30 * F, TrackDirection::Forwards, LossReason::Lost}}));
    QCOMPARE(marks.boxesAt(5 * F), QList<QRect>{QRect(5, 0, 10, 10)});
    QCOMPARE(marks.boxesAt(10 * F), QList<QRect>{QRect(600, 300, 40, 60)});
    QCOMPARE(marks.boxesAt(25 * F), QList<QRect>{QRect(300, 200, 10, 10)});
    QCOMPARE(marks.boxesAt(30 * F), QList<QRect>());  // lost there
    QCOMPARE(marks.mark(id)->losses.size(), 1);
    QVERIFY(!marks.setKey(id + 5, 0, QRect(0, 0, 5, 5)));
    QVERIFY(!marks.setTracked(id, 10, 5, {}, {}));
    QVERIFY(marks.remove(id));
    QVERIFY(marks.isEmpty());
    QVERIFY(!marks.remove(id));
}

void TestRedactMarks::offeredMarksAreNotApplied()
{
    RedactMarks marks(QSize(640, 360), F);
    const int face = marks.add(MarkKind::Face, 0, QRect(10, 10, 30, 30), false);
    QCOMPARE(marks.acceptedCount(), 0);
    QCOMPARE(marks.boxesAt(0), QList<QRect>());
    QCOMPARE(marks.boxesAt(0, true), QList<QRect>{QRect(10, 10, 30, 30)});
    QVERIFY(marks.accept(face));
    QCOMPARE(marks.acceptedCount(), 1);
    QCOMPARE(marks.boxesAt(0), QList<QRect>{QRect(10, 10, 30, 30)});
    // Blurred with a rim of 6 % (at least 2 px), on the clip's picture or a copy twice as large.
    QCOMPARE(marks.blurredAt(0, QSize()), QList<QRect>{QRect(8, 8, 34, 34)});
    QCOMPARE(marks.blurredAt(0, QSize(1280, 720)), QList<QRect>{QRect(16, 16, 68, 68)});
    marks.add(MarkKind::Drawn, 0, QRect(630, 350, 10, 10));
    QCOMPARE(marks.blurredAt(0, QSize()).last(), QRect(628, 348, 12, 12));  // cut at the edge
}

void TestRedactMarks::thousandsOfMarks()
{
    RedactMarks marks(QSize(1920, 1080), F);
    for (int i = 0; i < 5000; ++i)
        QVERIFY(marks.add(MarkKind::Plate, (i % 100) * F, QRect(i % 1900, i % 1000, 20, 20)) > 0);
    QCOMPARE(marks.boxesAt(7 * F).size(), 50);
    const auto back = RedactMarks::fromJson(marks.toJson());
    QVERIFY(back);
    QCOMPARE(back->marks().size(), 5000);
    QVERIFY(*back == marks);
}

void TestRedactMarks::jsonRoundTrip()
{
    RedactMarks marks(QSize(1920, 1080), F);
    const int a = marks.add(MarkKind::Drawn, 10 * F, QRect(100, 100, 40, 20));
    marks.add(MarkKind::Plate, 0, QRect(5, 5, 60, 20), false);
    RedactMark m = trackedMark();
    Boxes tracked = m.tracked;
    QVERIFY(marks.setTracked(a, 0, 100 * F, tracked, m.losses));
    const QByteArray text = QJsonDocument(marks.toJson()).toJson();
    QString error;
    const auto back = RedactMarks::fromJson(QJsonDocument::fromJson(text).object(), &error);
    QVERIFY2(back, qPrintable(error));
    QVERIFY(*back == marks);
    // A mark added after reading gets an id of its own.
    RedactMarks more = *back;
    const int c = more.add(MarkKind::Face, 0, QRect(0, 0, 9, 9));
    QVERIFY(c > 0 && c != a && !marks.mark(c));
}

void TestRedactMarks::jsonRefused_data()
{
    QTest::addColumn<QByteArray>("json");
    const QByteArray mark = R"({"id":1,"kind":"drawn","state":"accepted","keys":[[0,10,10,20,20]],"tracked":[]})";
    auto with = [](const QByteArray &marks) {
        return R"({"version":1,"picture":[640,360],"frame":33333,"marks":[)" + marks + "]}";
    };
    auto markWith = [&](const QByteArray &from, const QByteArray &to) {
        QByteArray m = mark;
        return with(m.replace(from, to));
    };
    QTest::addRow("unknown version") << QByteArray(with(mark)).replace(R"("version":1)", R"("version":2)");
    QTest::addRow("unknown top field") << QByteArray(with(mark)).replace(R"("version":1,)", R"("version":1,"x":0,)");
    QTest::addRow("no picture") << QByteArray(with(mark)).replace(R"("picture":[640,360],)", "");
    QTest::addRow("fractional picture") << QByteArray(with(mark)).replace("640", "640.5");
    QTest::addRow("zero frame") << QByteArray(with(mark)).replace("33333", "0");
    QTest::addRow("marks not a list") << QByteArray(R"({"version":1,"picture":[640,360],"frame":33333,"marks":{}})");
    QTest::addRow("unknown kind") << markWith("drawn", "house");
    QTest::addRow("unknown state") << markWith("accepted", "maybe");
    QTest::addRow("unknown mark field") << markWith(R"("id":1,)", R"("id":1,"colour":"red",)");
    QTest::addRow("id zero") << markWith(R"("id":1)", R"("id":0)");
    QTest::addRow("id as text") << markWith(R"("id":1)", R"("id":"1")");
    QTest::addRow("repeated id") << with(mark + "," + mark);
    QTest::addRow("no key box") << markWith("[[0,10,10,20,20]]", "[]");
    QTest::addRow("box off the picture") << markWith("[[0,10,10,20,20]]", "[[0,630,10,20,20]]");
    QTest::addRow("empty box") << markWith("[[0,10,10,20,20]]", "[[0,10,10,0,20]]");
    QTest::addRow("negative time") << markWith("[[0,10,10,20,20]]", "[[-5,10,10,20,20]]");
    QTest::addRow("short box") << markWith("[[0,10,10,20,20]]", "[[0,10,10,20]]");
    QTest::addRow("two boxes at one time") << markWith(R"("tracked":[])", R"("tracked":[[5,1,1,2,2],[5,1,1,2,2]])");
    QTest::addRow("unknown loss reason") << markWith(R"("tracked":[])", R"("tracked":[],"losses":[{"time":5,"direction":"forwards","reason":"tired"}])");
    QTest::addRow("unknown loss direction") << markWith(R"("tracked":[])", R"("tracked":[],"losses":[{"time":5,"direction":"up","reason":"lost"}])");
}

void TestRedactMarks::jsonRefused()
{
    QFETCH(QByteArray, json);
    QJsonParseError parse;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parse);
    QVERIFY2(parse.error == QJsonParseError::NoError, qPrintable(parse.errorString()));
    QString error;
    QVERIFY(!RedactMarks::fromJson(doc.object(), &error));
    QVERIFY(!error.isEmpty());
}

void TestRedactMarks::blurChoice_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("on");
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("strength");
    QTest::addColumn<QString>("written");
    const int px = int(BlurStyle::Pixelate), ga = int(BlurStyle::Gaussian);
    QTest::addRow("first run") << "" << true << ga << 6 << "on:gaussian:6";
    QTest::addRow("off, pixelated at 3") << "off:pixelate:3" << false << px << 3 << "off:pixelate:3";
    QTest::addRow("on, strongest") << "on:gaussian:10" << true << ga << 10 << "on:gaussian:10";
    QTest::addRow("strength too high keeps the default") << "on:pixelate:11" << true << px << 6 << "on:pixelate:6";
    QTest::addRow("strength zero") << "on:pixelate:0" << true << px << 6 << "on:pixelate:6";
    QTest::addRow("unknown style") << "on:swirl:4" << true << ga << 4 << "on:gaussian:4";
    QTest::addRow("unknown word is on") << "maybe" << true << ga << 6 << "on:gaussian:6";
}

void TestRedactMarks::blurChoice()
{
    QFETCH(QString, text);
    QFETCH(bool, on);
    QFETCH(int, style);
    QFETCH(int, strength);
    QFETCH(QString, written);
    const BlurChoice c = BlurChoice::fromText(text);
    QCOMPARE(c.on, on);
    QCOMPARE(int(c.options.style), style);
    QCOMPARE(c.options.strength, strength);
    QCOMPARE(c.text(), written);
    QVERIFY(BlurChoice::fromText(c.text()) == c);
}

QTEST_GUILESS_MAIN(TestRedactMarks)
#include "tst_redact_marks.moc"
