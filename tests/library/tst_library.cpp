#include "library/ClipFacts.h"
#include "library/FolderWalk.h"
#include "library/LibraryCommand.h"
#include "library/LibraryDatabase.h"
#include "library/LibraryIndexer.h"
#include "library/LibraryQueries.h"
#include "library/RouteGeometry.h"

#include "FullDisk.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

Q_DECLARE_METATYPE(std::vector<RoutePoint>)

namespace {

QString samples()
{
    return qEnvironmentVariable("VELTRA_SAMPLES");
}

// Copies forged clips into `dir` (sub folder `sub`).
void copyClips(const QString &from, const QString &dir, const QStringList &names)
{
    QDir().mkpath(dir);
    for (const QString &n : names)
        QVERIFY2(QFile::copy(from + QLatin1Char('/') + n, dir + QLatin1Char('/') + n), qPrintable(n));
}

std::vector<std::string> roots(const QString &path)
{
    return {path.toStdString()};
}

ClipRow clip(int64_t id, const char *path, std::optional<int64_t> start, int64_t duration, const char *channel,
             double metres = 100, bool prot = false)
{
    ClipRow c;
    c.id = id;
    c.path = QString::fromLatin1(path);
    c.camera = QStringLiteral("####_####_######_###.MOV");
    c.channel = QString::fromLatin1(channel);
    c.startMs = start;
    c.utc = true;
    c.durationMs = duration;
    c.distanceM = metres;
    c.isProtected = prot;
    return c;
}

} // namespace

class TestLibrary : public QObject {
    Q_OBJECT
private slots:
    void simplification_data();
    void simplification();
    void piecesAndBytes();
    void closestApproach_data();
    void closestApproach();
    void cameraPattern_data();
    void cameraPattern();
    void walkSkipsWhatCannotBeRead();
    void tripsFromRows();
    void indexIsIncremental();
    void queriesOverIndex();
    void badDatabases();
    void fullDiskWritesNothing();
    void commandLine();
};

void TestLibrary::simplification_data()
{
    QTest::addColumn<std::vector<RoutePoint>>("points");
    QTest::addColumn<int>("kept");
    // About 11 m a 0.0001 degree of latitude.
    QTest::addRow("straight line keeps its ends")
        << std::vector<RoutePoint>{{0, 51.0f, 0.0f}, {1000, 51.0001f, 0.0f}, {2000, 51.0002f, 0.0f}, {3000, 51.0003f, 0.0f}}
        << 2;
    QTest::addRow("a corner stays")
        << std::vector<RoutePoint>{{0, 51.0f, 0.0f}, {1000, 51.001f, 0.0f}, {2000, 51.001f, 0.0016f}} << 3;
    QTest::addRow("a wobble under 8 m goes")
        << std::vector<RoutePoint>{{0, 51.0f, 0.0f}, {1000, 51.001f, 0.00005f}, {2000, 51.002f, 0.0f}} << 2;
    QTest::addRow("one point") << std::vector<RoutePoint>{{0, 51.0f, 0.0f}} << 1;
    QTest::addRow("none") << std::vector<RoutePoint>{} << 0;
}

void TestLibrary::simplification()
{
    QFETCH(std::vector<RoutePoint>, points);
    QFETCH(int, kept);
    const auto out = RouteGeometry::simplified(points, 8.0);
    QCOMPARE(int(out.size()), kept);
    if (!points.empty()) {
        QCOMPARE(out.front(), points.front());
        QCOMPARE(out.back(), points.back());
    }
}

void TestLibrary::piecesAndBytes()
{
    std::vector<RoutePoint> pts;
    for (int i = 0; i < 70; ++i)
        pts.push_back({i * 1000, 51.0f + i * 0.0001f, float(i % 2) * 0.001f});
    const auto pieces = RouteGeometry::pieces(pts, 32, 2000);
    QCOMPARE(pieces.size(), size_t(3));   // 32, 32 (one shared), 8 (one shared)
    QCOMPARE(pieces[0].points.back(), pieces[1].points.front());
    QCOMPARE(pieces[2].points.back(), pts.back());
    QVERIFY(pieces[0].minLat <= 51.0 && pieces[0].maxLat >= pts[31].latitude);
    QCOMPARE(pieces[0].maxLon, double(0.001f));

    // A jump of kilometres (no fix on the way) is no stretch of road.
    const auto split = RouteGeometry::pieces({{0, 51.0f, 0.0f}, {1000, 51.0001f, 0.0f}, {9000, 51.1f, 0.0f}, {10000, 51.1001f, 0.0f}}, 32, 2000);
    QCOMPARE(split.size(), size_t(2));
    QCOMPARE(split[1].points.front().offsetMs, 9000);

    const std::string bytes = RouteGeometry::pack(pts);
    QCOMPARE(bytes.size(), pts.size() * 12);
    const auto back = RouteGeometry::unpack(bytes);
    QVERIFY(back.has_value());
    QVERIFY(*back == pts);
    QVERIFY(!RouteGeometry::unpack(bytes.substr(0, 13)).has_value());
}

void TestLibrary::closestApproach_data()
{
    QTest::addColumn<double>("lat");
    QTest::addColumn<double>("lon");
    QTest::addColumn<double>("metres");
    QTest::addColumn<int>("offsetMs");
    // A road north along 0.0 from 51.0 to 51.001 (about 111 m) in 10 s.
    QTest::addRow("on the road, half way") << 51.0005 << 0.0 << 0.0 << 5000;
    QTest::addRow("beside the road") << 51.00025 << 0.0005 << 35.0 << 2500;
    QTest::addRow("before the start") << 50.9995 << 0.0 << 55.6 << 0;
}

void TestLibrary::closestApproach()
{
    QFETCH(double, lat);
    QFETCH(double, lon);
    QFETCH(double, metres);
    QFETCH(int, offsetMs);
    const auto a = RouteGeometry::closestApproach({{0, 51.0f, 0.0f}, {10000, 51.001f, 0.0f}}, lat, lon);
    QVERIFY(a.has_value());
    QVERIFY2(std::abs(a->metres - metres) < 0.5, qPrintable(QString::number(a->metres)));
    QVERIFY2(std::abs(a->offsetMs - offsetMs) <= 20, qPrintable(QString::number(a->offsetMs)));
    const auto box = RouteGeometry::around(lat, lon, 100);
    QVERIFY(box.contains(lat + 0.0008, lon));
    QVERIFY(!box.contains(lat + 0.0010, lon));
}

void TestLibrary::cameraPattern_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<bool>("protectedFolder");
    QTest::addRow("front") << "/c/2026_1108_093000_001F.MOV" << "####_####_######_###.MOV" << false;
    QTest::addRow("rear, in EMR") << "/c/EMR/2026_1108_093000_001R.MOV" << "####_####_######_###.MOV" << true;
    QTest::addRow("single lens") << "/c/Ro/2026_1108_093000_001.MOV" << "####_####_######_###.MOV" << true;
    QTest::addRow("six cameras") << "/c/2026-11-13_10-03-00-left_repeater.mp4" << "####-##-##_##-##-##-.mp4" << false;
    QTest::addRow("a folder named like one, above") << "/Event/x/NORM0001.MP4" << "NORM####.MP4" << true;
    QTest::addRow("a file named like one") << "/c/event.MOV" << "event.MOV" << false;
}

void TestLibrary::cameraPattern()
{
    QFETCH(QString, path);
    QFETCH(QString, pattern);
    QFETCH(bool, protectedFolder);
    QCOMPARE(QString::fromStdString(ClipReading::cameraPattern(path.toStdString())), pattern);
    QCOMPARE(ClipReading::protectedByCamera(path.toStdString(), 0644), protectedFolder);
    QVERIFY(ClipReading::protectedByCamera(path.toStdString(), 0444));
}

void TestLibrary::walkSkipsWhatCannotBeRead()
{
    QTemporaryDir dir;
    const QString d = dir.path();
    copyClips(samples() + QStringLiteral("/drive"), d + QStringLiteral("/a"), {QStringLiteral("2026_1108_093000_001.MOV")});
    QFile(d + QStringLiteral("/a/notes.txt")).open(QIODevice::WriteOnly);
    QCOMPARE(::mkfifo(QFile::encodeName(d + QStringLiteral("/a/pipe.MOV")).constData(), 0644), 0);
    QCOMPARE(::symlink("..", QFile::encodeName(d + QStringLiteral("/a/up")).constData()), 0);
    QCOMPARE(::symlink("loop2", QFile::encodeName(d + QStringLiteral("/a/loop1.MOV")).constData()), 0);
    QCOMPARE(::symlink("loop1.MOV", QFile::encodeName(d + QStringLiteral("/a/loop2")).constData()), 0);
    const QByteArray latin1 = QFile::encodeName(d) + "/a/caf\xe9.MOV";
    {
        FILE *f = std::fopen(latin1.constData(), "wb");
        QVERIFY(f);
        std::fclose(f);
    }
    const auto r = FolderWalk::walk({d.toStdString(), (d + QStringLiteral("/gone")).toStdString()});
    QCOMPARE(r.files.size(), size_t(1));
    QVERIFY(QString::fromStdString(r.files[0].path).endsWith(QStringLiteral("a/2026_1108_093000_001.MOV")));
    QStringList reasons;
    for (const SkippedFile &s : r.skipped)
        reasons << QString::fromStdString(s.path.substr(d.size()) + " " + s.reason);
    reasons.sort();
    QCOMPARE(reasons, QStringList({QStringLiteral("/a/caf\\xE9.MOV The name is not UTF-8"),
                                   QStringLiteral("/a/loop1.MOV A link that loops"),
                                   QStringLiteral("/a/pipe.MOV Not a regular file"),
                                   QStringLiteral("/a/up A link back into a folder above it")}));
    QCOMPARE(r.unreachable.size(), size_t(1));
    ::unlink(latin1.constData());
}

void TestLibrary::tripsFromRows()
{
    const int64_t t0 = 1794130200000;   // 2026-11-08 09:30 UTC
    const std::vector<ClipRow> rows = {
        clip(1, "/c/001F.MOV", t0, 60000, "F", 500),
        clip(2, "/c/001R.MOV", t0, 60000, "R", 480),
        clip(3, "/c/002F.MOV", t0 + 60000, 60000, "F", 700, true),
        clip(4, "/c/003F.MOV", t0 + 60000 + 60000 + 9000, 60000, "F", 100),   // 9 s pause: same trip
        clip(5, "/c/004F.MOV", t0 + 3600000, 60000, "F", 50),                  // an hour later
        clip(6, "/c/nofix.MOV", std::nullopt, 10000, "F", 0),
    };
    const auto trips = LibraryQueries::groupTrips(rows, 10000);
    QCOMPARE(trips.size(), size_t(3));
    QCOMPARE(trips[0].clips.size(), size_t(4));
    QCOMPARE(trips[0].channels, QStringList({QStringLiteral("F"), QStringLiteral("R")}));
    QCOMPARE(trips[0].distanceM, 1300.0);   // the front's, not front and rear added
    QCOMPARE(trips[0].startMs, t0);
    QCOMPARE(trips[0].endMs, t0 + 189000);
    const auto shown = trips[0].shownClips();
    QCOMPARE(shown.size(), size_t(3));
    QCOMPARE(shown[0]->id, int64_t(1));
    QCOMPARE(trips[1].clips[0].id, int64_t(5));
    QCOMPARE(trips[2].clips[0].id, int64_t(6));   // without a start: last

    QCOMPARE(LibraryQueries::keepTrips(trips, std::set<int64_t>{5}, std::nullopt, false).size(), size_t(1));
    QCOMPARE(LibraryQueries::keepTrips(trips, std::nullopt, std::nullopt, true).size(), size_t(1));
    QCOMPARE(LibraryQueries::keepTrips(trips, std::set<int64_t>{2}, std::set<int64_t>{5}, false).size(), size_t(0));
    QCOMPARE(LibraryQueries::keepTrips(trips, std::nullopt, std::nullopt, false).size(), size_t(3));
}

void TestLibrary::indexIsIncremental()
{
    QTemporaryDir dir;
    const QString folder = dir.path() + QStringLiteral("/card");
    const QStringList names = {QStringLiteral("2026_1108_093000_001.MOV"), QStringLiteral("2026_1108_093100_002.MOV"),
                               QStringLiteral("2026_1108_093200_003.MOV")};
    copyClips(samples() + QStringLiteral("/drive"), folder, names);
    LibraryDatabase db;
    QVERIFY(db.open(dir.path() + QStringLiteral("/lib.sqlite")));
    QVERIFY(db.message().isEmpty());

    IndexSummary s = LibraryIndexer::run(db, roots(folder));
    QVERIFY(s.ok());
    QCOMPARE(s.found, size_t(3));
    QCOMPARE(s.added, size_t(3));
    QCOMPARE(db.clipCount(), int64_t(3));

    s = LibraryIndexer::run(db, roots(folder));
    QCOMPARE(s.added, size_t(0));
    QCOMPARE(s.unchanged, size_t(3));

    // Moved into a sub folder (same name, size and time): not read again.
    QDir().mkpath(folder + QStringLiteral("/old"));
    QVERIFY(QFile::rename(folder + QLatin1Char('/') + names[0], folder + QStringLiteral("/old/") + names[0]));
    // Replaced by another clip under the same name; and one removed.
    QVERIFY(QFile::remove(folder + QLatin1Char('/') + names[1]));
    QVERIFY(QFile::copy(samples() + QStringLiteral("/nt9665_1trak.MOV"), folder + QLatin1Char('/') + names[1]));
    QVERIFY(QFile::remove(folder + QLatin1Char('/') + names[2]));
    s = LibraryIndexer::run(db, roots(folder));
    QVERIFY(s.ok());
    QCOMPARE(s.moved, size_t(1));
    QCOMPARE(s.added, size_t(1));
    QCOMPARE(s.removed, size_t(1));
    QCOMPARE(db.clipCount(), int64_t(2));
    const auto known = db.known();
    QVERIFY(known.count((folder + QStringLiteral("/old/") + names[0]).toStdString()));

    // A folder that is not there (an unmounted card) keeps its clips.
    QVERIFY(QDir(folder).removeRecursively());
    s = LibraryIndexer::run(db, roots(folder));
    QCOMPARE(s.unreachable.size(), size_t(1));
    QCOMPARE(s.removed, size_t(0));
    QCOMPARE(db.clipCount(), int64_t(2));
    QVERIFY(!s.line().empty());

    // Cancelled before it starts: nothing read, nothing lost.
    std::atomic<bool> cancel{true};
    copyClips(samples() + QStringLiteral("/card"), dir.path() + QStringLiteral("/more"),
              {QStringLiteral("2026_1112_170000_001F.MOV")});
    s = LibraryIndexer::run(db, roots(dir.path() + QStringLiteral("/more")), &cancel);
    QVERIFY(s.cancelled);
    QCOMPARE(db.clipCount(), int64_t(2));
}

void TestLibrary::queriesOverIndex()
{
    QTemporaryDir dir;
    copyClips(samples() + QStringLiteral("/drive"), dir.path() + QStringLiteral("/drive"),
              {QStringLiteral("2026_1108_093000_001.MOV"), QStringLiteral("2026_1108_093100_002.MOV"),
               QStringLiteral("2026_1108_093200_003.MOV")});
    copyClips(samples() + QStringLiteral("/card"), dir.path() + QStringLiteral("/card"),
              {QStringLiteral("2026_1112_170000_001F.MOV"), QStringLiteral("2026_1112_170000_001R.MOV"),
               QStringLiteral("2026_1112_170010_002F.MOV"), QStringLiteral("2026_1112_170010_002R.MOV"),
               QStringLiteral("2026_1112_171020_003F.MOV")});
    LibraryDatabase db;
    QVERIFY(db.open(dir.path() + QStringLiteral("/lib.sqlite")));
    QVERIFY(LibraryIndexer::run(db, roots(dir.path())).ok());

    // The hard braking of the drive's second minute, at 51.511482,-0.159400.
    auto hits = LibraryQueries::near(db.db(), 51.511482, -0.159400, 30);
    QCOMPARE(hits.size(), size_t(1));
    QVERIFY(hits[0].path.endsWith(QStringLiteral("093100_002.MOV")));
    QVERIFY(hits[0].metres < 5);
    QVERIFY(hits[0].offsetMs > 35000 && hits[0].offsetMs < 42000);
    QVERIFY(hits[0].utc && hits[0].atMs);
    // Outside the time bounds, nothing.
    QVERIFY(LibraryQueries::near(db.db(), 51.511482, -0.159400, 30, {}, *hits[0].atMs - 120000).empty());
    // Far from any road, nothing.
    QVERIFY(LibraryQueries::near(db.db(), 48.85, 2.35, 500).empty());
    const auto boxed = LibraryQueries::inBox(db.db(), RouteGeometry::around(51.511482, -0.159400, 30));
    QCOMPARE(boxed.size(), size_t(1));

    const auto braking = LibraryQueries::events(db.db(), {LibraryEventKind::HardBraking});
    QVERIFY(!braking.empty());
    for (const EventRow &e : braking)
        QCOMPARE(e.kind, LibraryEventKind::HardBraking);
    QVERIFY(LibraryQueries::events(db.db(), {LibraryEventKind::AssistanceOff}).empty());

    LibraryFilter filter;
    const auto trips = LibraryQueries::trips(db.db(), filter);
    QCOMPARE(trips.size(), size_t(3));   // the drive; the card's front and rear; its later clip
    QCOMPARE(trips[0].clips.size(), size_t(3));
    QCOMPARE(trips[1].channels, QStringList({QStringLiteral("F"), QStringLiteral("R")}));
    filter.place = {LibraryPlace::Circle, 51.511482, -0.159400, 30, {}};
    QCOMPARE(LibraryQueries::trips(db.db(), filter).size(), size_t(1));
    filter.place = {};
    filter.channel = QStringLiteral("R");
    QCOMPARE(LibraryQueries::trips(db.db(), filter).size(), size_t(1));
    filter.channel.clear();
    filter.kinds = {LibraryEventKind::HardBraking};
    QCOMPARE(LibraryQueries::trips(db.db(), filter).size(), size_t(1));

    const auto days = LibraryQueries::days(db.db(), 20261101, 20261130);
    QCOMPARE(days.size(), size_t(2));
    QVERIFY(days[0].distanceM > 1000);
    QCOMPARE(days[1].clips, 5);
    QVERIFY(!LibraryQueries::routes(db.db(), {trips[0].clips[0].id}).empty());
}

void TestLibrary::badDatabases()
{
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/lib.sqlite");
    // Not a database: put aside, a new one made.
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(8192, 'x'));
    }
    {
        LibraryDatabase db;
        QVERIFY(db.open(path));
        QVERIFY(db.wasRebuilt());
        QVERIFY2(db.message().contains(QStringLiteral("damaged")), qPrintable(db.message()));
        QVERIFY(QFile::exists(path + QStringLiteral(".damaged")));
        QCOMPARE(db.clipCount(), int64_t(0));
        QVERIFY(db.addFolder(QStringLiteral("/x")));
        QVERIFY(db.addFolder(QStringLiteral("/x")));
        QCOMPARE(db.folders(), QStringList({QStringLiteral("/x")}));
    }
    // Made by a newer version: left as it is.
    {
        QSqlDatabase raw = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("raw"));
        raw.setDatabaseName(path);
        QVERIFY(raw.open());
        QSqlQuery(raw).exec(QStringLiteral("PRAGMA user_version = 99"));
        raw.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("raw"));
    const QByteArray before = [&] { QFile f(path); f.open(QIODevice::ReadOnly); return f.readAll(); }();
    {
        LibraryDatabase db;
        QVERIFY(!db.open(path));
        QVERIFY(db.message().contains(QStringLiteral("newer version")));
    }
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), before);
    f.close();

    // Read-only: the queries work, nothing is written.
    const QString other = dir.path() + QStringLiteral("/other.sqlite");
    { LibraryDatabase db; QVERIFY(db.open(other)); }
    {
        LibraryDatabase db;
        QVERIFY(db.open(other, LibraryDatabase::Access::ReadOnly));
        QVERIFY(db.isReadOnly());
        QVERIFY(!db.message().isEmpty());
        QVERIFY(LibraryQueries::days(db.db(), 0, 99999999).empty());
        LibraryDatabase::Batch batch;
        batch.removed.push_back(1);
        QVERIFY(!db.write(batch));
        QVERIFY(!db.addFolder(QStringLiteral("/y")));
    }
    // In use by another program holding the write lock: the write waits, then gives up.
    {
        LibraryDatabase holder, db;
        QVERIFY(holder.open(other));
        QVERIFY(db.open(other));
        QSqlQuery lock(holder.db());
        QVERIFY(lock.exec(QStringLiteral("BEGIN EXCLUSIVE")));
        LibraryDatabase::Batch batch;
        batch.removed.push_back(1);
        QVERIFY(!db.write(batch));
        QVERIFY2(db.message().contains(QStringLiteral("in use")), qPrintable(db.message()));
        lock.exec(QStringLiteral("ROLLBACK"));
        QVERIFY(db.write(batch));
    }
    // No library where none can be made.
    {
        LibraryDatabase db;
        QVERIFY(!db.open(dir.path() + QStringLiteral("/missing/lib.sqlite"), LibraryDatabase::Access::ReadOnly));
        QVERIFY(!db.message().isEmpty());
    }
}

void TestLibrary::fullDiskWritesNothing()
{
    QTemporaryDir dir;
    copyClips(samples() + QStringLiteral("/drive"), dir.path() + QStringLiteral("/drive"),
              {QStringLiteral("2026_1108_093000_001.MOV")});
    LibraryDatabase db;
    const QString path = dir.path() + QStringLiteral("/lib.sqlite");
    QVERIFY(db.open(path));
    ClipFacts facts;
    const std::string file = (dir.path() + QStringLiteral("/drive/2026_1108_093000_001.MOV")).toStdString();
    QVERIFY(ClipReading::read(file, 1, 1, false, 0, &facts).empty());
    QVERIFY(!facts.pieces.empty());
    LibraryDatabase::Batch batch;
    for (int i = 0; i < 400; ++i) {
        facts.path = file + std::to_string(i);
        batch.clips.push_back(facts);
    }
    {
        const FileSizeLimit full(QFileInfo(path).size() + QFileInfo(path + QStringLiteral("-wal")).size() + 4096);
        QVERIFY(!db.write(batch));
    }
    QVERIFY(!db.message().isEmpty());
    QCOMPARE(db.clipCount(), int64_t(0));
    QSqlQuery q(db.db());
    QVERIFY(q.exec(QStringLiteral("SELECT count(*) FROM pieces")) && q.next());
    QCOMPARE(q.value(0).toInt(), 0);
    QVERIFY(db.write(batch));
    QCOMPARE(db.clipCount(), int64_t(400));
}

void TestLibrary::commandLine()
{
    QTemporaryDir dir;
    copyClips(samples() + QStringLiteral("/drive"), dir.path() + QStringLiteral("/drive"),
              {QStringLiteral("2026_1108_093000_001.MOV"), QStringLiteral("2026_1108_093100_002.MOV")});
    QCOMPARE(::mkfifo(QFile::encodeName(dir.path() + QStringLiteral("/drive/fifo.MOV")).constData(), 0644), 0);
    const QString db = dir.path() + QStringLiteral("/lib.sqlite");
    auto gps = [](const QStringList &args, QByteArray *out = nullptr, QByteArray *err = nullptr) {
        QProcess p;
        p.start(QStringLiteral(VELTRA_GPS), args);
        p.waitForFinished(60000);
        if (out)
            *out = p.readAllStandardOutput();
        if (err)
            *err = p.readAllStandardError();
        return p.exitCode();
    };
    QByteArray out, err;
    // The FIFO is skipped, said so, and the run is no success; the clips are in.
    QCOMPARE(gps({QStringLiteral("--library"), db, QStringLiteral("--add"), dir.path() + QStringLiteral("/drive")}, &out, &err), 1);
    QVERIFY2(err.contains("fifo.MOV: Not a regular file"), err.constData());
    QVERIFY2(out.startsWith("2 clips in the library folders (2 read"), out.constData());
    QCOMPARE(gps({QStringLiteral("--library"), db, QStringLiteral("--near"), QStringLiteral("51.511482,-0.159400,30")}, &out), 0);
    const QList<QByteArray> lines = out.trimmed().split('\n');
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines[0].contains("093100_002.MOV\",\"time\":\"2026-11-08T09:31:3"), lines[0].constData());
    QVERIFY(lines[0].contains("\"clock\":\"utc\""));
    QCOMPARE(gps({QStringLiteral("--library"), db, QStringLiteral("--near"), QStringLiteral("51.511482,-0.159400,30"),
                  QStringLiteral("--to"), QStringLiteral("2026-11-08T09:30:30")}, &out), 0);
    QVERIFY(out.isEmpty());
    QCOMPARE(gps({QStringLiteral("--library"), db, QStringLiteral("--events"), QStringLiteral("hard-braking")}, &out), 0);
    QVERIFY2(out.contains("\"kind\":\"hard-braking\",\"time\":\"2026-11-08T09:31:35.000Z\""), out.constData());
    QCOMPARE(gps({QStringLiteral("--library"), db, QStringLiteral("--events"), QStringLiteral("skid")}, nullptr, &err), 2);
    QVERIFY(err.contains("unknown event kind 'skid'"));
    QCOMPARE(gps({QStringLiteral("--library"), db, QStringLiteral("--near"), QStringLiteral("91,0")}), 2);
    QCOMPARE(gps({QStringLiteral("--library"), db}), 2);
    QCOMPARE(gps({QStringLiteral("--library"), dir.path() + QStringLiteral("/none.sqlite"), QStringLiteral("--events"),
                  QStringLiteral("all")}, nullptr, &err), 1);
    QCOMPARE(LibraryCommand::parseTime("2026-11-08T09:30:00Z").value_or(0), 1794130200000LL);
}

QTEST_GUILESS_MAIN(TestLibrary)
#include "tst_library.moc"
