// The track store: look-ups, adds in the background with progress and completion,
// the file behind the list (coalesced atomic writes, bad files), and overlapping
// adds, removals and activations in which nothing may be lost.
#include "StoreFixtures.h"

#include "CameraClock.h"
#include "GpsDataHelper.h"
#include "store/TrackStore.h"
#include "store/PlayListFile.h"
#include "store/RecordingFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace StoreFixtures;

namespace {

quint32 saltOf(const std::string &ref)
{
    return quint32(qHash(QByteArray::fromStdString(ref)));
}

// The forged read result of a reference: the same reference always gives the same samples.
GpsReadResult forged(const std::string &ref)
{
    GpsReadResult r;
    const quint32 salt = saltOf(ref);
    const QList<GpsSample> samples = drive(int(salt % 40), salt);
    r.videoDatas.assign(samples.begin(), samples.end());
    for (const GpsSample &s : samples)
        r.maxSpeed = qMax(r.maxSpeed, s.spd);
    r.isInChina = salt & 1;
    return r;
}

QList<GpsSample> forgedSamples(const QString &path)
{
    const GpsReadResult r = forged(path.toStdString());
    return QList<GpsSample>(r.videoDatas.begin(), r.videoDatas.end());
}

QStringList paths(const PlayList &list)
{
    QStringList out;
    for (const PlayListEntry &e : list)
        out << e.path;
    return out;
}

PlayList diskList()
{
    PlayList list;
    QString reason;
    if (PlayListFile::read(TrackStore::storeFilePath(), &list, &reason) != PlayListFile::Outcome::Read)
        return PlayList();
    return list;
}

// Waits for a readAndAppend call to complete; returns how often its completion ran.
struct Completion {
    int calls = 0;
    bool onMainThread = true;
    QStringList visibleAtCompletion;
    TrackStore::Completion block()
    {
        return [this] {
            ++calls;
            onMainThread = onMainThread && QThread::currentThread() == QCoreApplication::instance()->thread();
            visibleAtCompletion = paths(TrackStore::playList().value_or(PlayList()));
        };
    }
};

QList<QUrl> urls(const QStringList &names)
{
    QList<QUrl> out;
    for (const QString &n : names)
        out << QUrl(n);
    return out;
}

} // namespace

class TrackStoreTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void addAppendsInUrlOrderAndCompletesOnceAfterStoring();
    void progressCountsFilesOnTheMainThread();
    void emptyUrlListStoresTheListAndCompletes();
    void fileWithoutTelemetryStillGetsAnEntry();
    void sameFileTwiceGivesTwoEntries();
    void lookUpsMatchTheWholeTextExactly_data();
    void lookUpsMatchTheWholeTextExactly();
    void lookUpSharesTheSamples();
    void clearLeavesNothing();

    void burstOfChangesIsOneWrite();
    void changesDuringAWriteReachTheDisk();
    void flushWritesWithoutAnEventLoop();
    void listSurvivesARestart();
    void marksOutliveTheirEntry();
    void clearRemovesTheFile();
    void badFileGivesEmptyList_data();
    void badFileGivesEmptyList();
    void failedWriteKeepsThePreviousFile();

    void overlappingAddsRemovalsAndActivationsLoseNothing();

    void onlyRegularFilesAreTakenIn_data();
    void onlyRegularFilesAreTakenIn();
    void aFolderStandsForTheRecordingsBelowIt_data();
    void aFolderStandsForTheRecordingsBelowIt();

private:
    QTemporaryDir dir_;
};

void TrackStoreTest::init()
{
    QVERIFY(dir_.isValid());
    TrackStore::setReader(forged);
    TrackStore::setStoreFilePath(dir_.filePath(QStringLiteral("%1.bin").arg(QTest::currentTestFunction())));
    TrackStore::clearPlayList();
}

void TrackStoreTest::cleanup()
{
    QTRY_COMPARE(TrackStore::pendingReads(), 0);
    TrackStore::flush();
    TrackStore::setReader({});
}

void TrackStoreTest::addAppendsInUrlOrderAndCompletesOnceAfterStoring()
{
    TrackStore::syncPlayList({entry(QStringLiteral("file:///old/A.MOV"), 3, 1)});
    Completion done;
    const QStringList names{"file:///d/FILE0003.MOV", "file:///d/FILE0001.MOV", "file:///d/FILE0002.MOV"};
    TrackStore::readAndAppend(urls(names), done.block());
    QCOMPARE(done.calls, 0);   // returns at once
    QTRY_COMPARE(done.calls, 1);
    QVERIFY(done.onMainThread);
    QCOMPARE(done.visibleAtCompletion, QStringList{"file:///old/A.MOV"} + names);
    const PlayList list = *TrackStore::playList();
    for (int k = 0; k < 3; ++k) {
        const GpsReadResult r = forged(names[k].toStdString());
        QCOMPARE(list[k + 1].gpsData, forgedSamples(names[k]));
        QCOMPARE(list[k + 1].maxSpeed, qint64(r.maxSpeed));
        QCOMPARE(list[k + 1].isInChina, r.isInChina);
        QCOMPARE(list[k + 1].active, false);
    }
    QTest::qWait(50);
    QCOMPARE(done.calls, 1);
}

void TrackStoreTest::progressCountsFilesOnTheMainThread()
{
    QList<QPair<int, int>> steps;
    bool mainThread = true;
    int completedAfter = -1;
    TrackStore::readAndAppend(urls({"file:///p/1.MOV", "file:///p/2.MOV", "file:///p/3.MOV"}),
                              [&] { completedAfter = int(steps.size()); },
                              [&](int done, int total) {
                                  mainThread = mainThread && QThread::currentThread() == QCoreApplication::instance()->thread();
                                  steps.append({done, total});
                              });
    QTRY_VERIFY(completedAfter >= 0);
    QVERIFY(mainThread);
    const QList<QPair<int, int>> expected{{1, 3}, {2, 3}, {3, 3}};
    QCOMPARE(steps, expected);
    QCOMPARE(completedAfter, 3);
}

void TrackStoreTest::emptyUrlListStoresTheListAndCompletes()
{
    QVERIFY(!TrackStore::playList());
    Completion done;
    TrackStore::readAndAppend({}, done.block());
    QTRY_COMPARE(done.calls, 1);
    QVERIFY(TrackStore::playList());
    QVERIFY(TrackStore::playList()->isEmpty());

    TrackStore::syncPlayList({entry(QStringLiteral("file:///x/A.MOV"), 5, 2)});
    const PlayList before = *TrackStore::playList();
    TrackStore::readAndAppend({}, done.block());
    QTRY_COMPARE(done.calls, 2);
    QCOMPARE(*TrackStore::playList(), before);
}

void TrackStoreTest::fileWithoutTelemetryStillGetsAnEntry()
{
    TrackStore::setReader({});   // the real reader, on a file that does not exist
    const QUrl url = QUrl::fromLocalFile(dir_.filePath(QStringLiteral("no such dir/FILE 1.MOV")));
    Completion done;
    TrackStore::readAndAppend({url}, done.block());
    QTRY_COMPARE(done.calls, 1);
    const PlayList list = *TrackStore::playList();
    QCOMPARE(list.size(), 1);
    // the path is the URL's text with its percent escapes
    QVERIFY(list[0].path.startsWith(QLatin1String("file:///")));
    QVERIFY(list[0].path.endsWith(QLatin1String("no%20such%20dir/FILE%201.MOV")));
    QVERIFY(list[0].gpsData.isEmpty());
    QCOMPARE(list[0].maxSpeed, qint64(0));
    QCOMPARE(list[0].isInChina, true);
    QVERIFY(TrackStore::findSamples(list[0].path));
    QVERIFY(TrackStore::findSamples(list[0].path)->isEmpty());
}

void TrackStoreTest::sameFileTwiceGivesTwoEntries()
{
    const QString path = QStringLiteral("file:///d/TWICE.MOV");
    PlayListEntry first = entry(path, 10, 7), second = entry(path, 20, 8);
    first.maxSpeed = 11;
    second.maxSpeed = 22;
    TrackStore::syncPlayList({first, second});
    QCOMPARE(*TrackStore::findSamples(path), first.gpsData);
    QCOMPARE(TrackStore::findMaxSpeed(path), qint64(11));

    Completion done;
    TrackStore::readAndAppend(urls({path}), done.block());
    QTRY_COMPARE(done.calls, 1);
    QCOMPARE(TrackStore::playList()->size(), 3);
    QCOMPARE(*TrackStore::findSamples(path), first.gpsData);
}

void TrackStoreTest::lookUpsMatchTheWholeTextExactly_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<bool>("found");
    QTest::addRow("the stored text") << "file:///Users/x/FILE%200001.MOV" << true;
    QTest::addRow("plain path") << "/Users/x/FILE 0001.MOV" << false;
    QTest::addRow("plain path with escapes") << "/Users/x/FILE%200001.MOV" << false;
    QTest::addRow("other escapes") << "file:///Users/x/FILE 0001.MOV" << false;
    QTest::addRow("other case") << "file:///users/x/FILE%200001.MOV" << false;
    QTest::addRow("prefix only") << "file:///Users/x/FILE%200001" << false;
    QTest::addRow("trailing space") << "file:///Users/x/FILE%200001.MOV " << false;
    QTest::addRow("empty") << "" << false;
}

void TrackStoreTest::lookUpsMatchTheWholeTextExactly()
{
    QFETCH(QString, query);
    QFETCH(bool, found);
    PlayListEntry e = entry(QStringLiteral("file:///Users/x/FILE%200001.MOV"), 12, 3);
    e.maxSpeed = 97;
    TrackStore::syncPlayList({entry(QStringLiteral("file:///Users/x/OTHER.MOV"), 4, 4), e});
    QCOMPARE(bool(TrackStore::findSamples(query)), found);
    QCOMPARE(TrackStore::findMaxSpeed(query), found ? qint64(97) : qint64(0));
    if (found)
        QCOMPARE(*TrackStore::findSamples(query), e.gpsData);
}

void TrackStoreTest::lookUpSharesTheSamples()
{
    const PlayListEntry e = entry(QStringLiteral("file:///s/SHARED.MOV"), 500, 5);
    TrackStore::syncPlayList({e});
    const auto found = TrackStore::findSamples(e.path);
    QVERIFY(found);
    QCOMPARE(found->constData(), e.gpsData.constData());
}

void TrackStoreTest::clearLeavesNothing()
{
    TrackStore::syncPlayList({entry(QStringLiteral("file:///c/A.MOV"), 8, 9)});
    TrackStore::clearPlayList();
    QVERIFY(!TrackStore::playList());
    QVERIFY(!TrackStore::findSamples(QStringLiteral("file:///c/A.MOV")));
    QCOMPARE(TrackStore::findMaxSpeed(QStringLiteral("file:///c/A.MOV")), qint64(0));
}

void TrackStoreTest::burstOfChangesIsOneWrite()
{
    QTRY_VERIFY(!QFile::exists(TrackStore::storeFilePath()));
    TrackStore::flush();
    const int before = TrackStore::writeCount();
    PlayList list;
    for (int k = 0; k < 50; ++k) {
        list.append(entry(QStringLiteral("file:///b/%1.MOV").arg(k), 20, quint32(k)));
        TrackStore::syncPlayList(list);
    }
    QTRY_COMPARE(TrackStore::writeCount(), before + 1);
    QTest::qWait(100);
    QCOMPARE(TrackStore::writeCount(), before + 1);
    QCOMPARE(diskList(), list);
}

void TrackStoreTest::changesDuringAWriteReachTheDisk()
{
    // A list big enough that its write is still running while the next changes arrive.
    PlayList list;
    for (int k = 0; k < 100; ++k)
        list.append(entry(QStringLiteral("file:///w/%1.MOV").arg(k), 500, quint32(k)));
    TrackStore::flush();
    const int before = TrackStore::writeCount();
    TrackStore::syncPlayList(list);
    QCoreApplication::processEvents();   // the write starts
    for (int k = 0; k < 20; ++k) {
        list[k].active = true;
        TrackStore::syncPlayList(list);
        list[k].active = false;
    }
    list.removeAt(3);
    TrackStore::syncPlayList(list);
    QTRY_VERIFY_WITH_TIMEOUT(diskList() == list, 20000);
    // one write for the first burst, at most one more for everything that came during it
    QTRY_VERIFY(TrackStore::writeCount() - before <= 2);
    QTest::qWait(100);
    QVERIFY(TrackStore::writeCount() - before <= 2);
}

void TrackStoreTest::flushWritesWithoutAnEventLoop()
{
    const PlayList list{entry(QStringLiteral("file:///f/A.MOV"), 30, 1),
                        entry(QStringLiteral("file:///f/B.MOV"), 0, 2)};
    TrackStore::syncPlayList(list);
    TrackStore::flush();
    QCOMPARE(diskList(), list);
}

void TrackStoreTest::listSurvivesARestart()
{
    PlayList list;
    for (int k = 0; k < 5; ++k)
        list.append(entry(QStringLiteral("file:///r/%1.MOV").arg(k), 100 * k, quint32(k)));
    list[2].active = true;
    TrackStore::syncPlayList(list);
    TrackStore::reload();   // writes out, forgets, reads the file again on next use
    QCOMPARE(*TrackStore::playList(), list);
    QCOMPARE(*TrackStore::findSamples(list[4].path), list[4].gpsData);

    // The GPS times come back with the samples: the camera clock's error (an hour and
    // four seconds ahead) is known again without reading the file.
    PlayListEntry timed = entry(QStringLiteral("file:///r/2026_1108_093004_009.MOV"), 50, 9);
    auto typed = std::make_shared<std::vector<TelemetrySample>>(*timed.typedSamples());
    for (size_t k = 0; k < typed->size(); ++k)
        (*typed)[k].utcMs = 1794126600000 + qint64(k) * 1000;   // 2026-11-08 08:30:00 UTC
    timed.telemetry = typed;
    TrackStore::syncPlayList({timed});
    TrackStore::reload();
    const auto clock = TrackStore::playList()->first().clock;
    QVERIFY(clock && clock->source == ClipClock::Source::Gps);
    QCOMPARE(clock->errorMs, std::optional<int64_t>(3604000));
}

void TrackStoreTest::marksOutliveTheirEntry()
{
    // The start empties the list; a clip opened again gets the marks it had.
    PlayListEntry marked = entry(QStringLiteral("file:///k/2026_1115_091000_010F.MOV"), 30, 3);
    RedactMarks marks(QSize(1280, 720), 33333);
    QVERIFY(marks.add(MarkKind::Drawn, 500000, QRect(40, 50, 60, 30)) > 0);
    marked.marks.insert(QStringLiteral("2026_1115_091000_010F.MOV"), marks);
    TrackStore::syncPlayList({marked, entry(QStringLiteral("file:///k/B.MOV"), 5, 4)});
    TrackStore::reload();
    QCOMPARE(TrackStore::playList()->first().marks, marked.marks);
    TrackStore::clearPlayList();
    TrackStore::reload();   // as a new start of the program
    QVERIFY(TrackStore::playList() && TrackStore::playList()->isEmpty());
    PlayListEntry again = entry(marked.path, 30, 3);
    TrackStore::syncPlayList({entry(QStringLiteral("file:///k/B.MOV"), 5, 4), again});
    QVERIFY(TrackStore::playList()->first().marks.isEmpty());
    QCOMPARE(TrackStore::playList()->last().marks, marked.marks);
    TrackStore::reload();
    QCOMPARE(TrackStore::playList()->last().marks, marked.marks);
}

void TrackStoreTest::clearRemovesTheFile()
{
    TrackStore::syncPlayList({entry(QStringLiteral("file:///c/A.MOV"), 8, 9)});
    TrackStore::flush();
    QVERIFY(QFile::exists(TrackStore::storeFilePath()));
    TrackStore::clearPlayList();
    QTRY_VERIFY(!QFile::exists(TrackStore::storeFilePath()));
    QTest::ignoreMessage(QtInfoMsg, QRegularExpression(QStringLiteral("^TrackStore: no stored play list at ")));
    TrackStore::reload();
    QVERIFY(!TrackStore::playList());
}

void TrackStoreTest::badFileGivesEmptyList_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addRow("garbage") << "garbage";
    QTest::addRow("empty file") << "empty";
    QTest::addRow("truncated to the header") << "header";
    QTest::addRow("truncated in the middle") << "half";
    QTest::addRow("last byte missing") << "lastbyte";
    QTest::addRow("one byte flipped") << "flip";
    QTest::addRow("bytes appended") << "append";
    QTest::addRow("future format version") << "version";
}

void TrackStoreTest::badFileGivesEmptyList()
{
    QFETCH(QString, damage);
    PlayList list;
    for (int k = 0; k < 4; ++k)
        list.append(entry(QStringLiteral("file:///bad/%1.MOV").arg(k), 200, quint32(k)));
    TrackStore::syncPlayList(list);
    TrackStore::flush();
    QFile f(TrackStore::storeFilePath());
    QVERIFY(f.open(QIODevice::ReadOnly));
    QByteArray bytes = f.readAll();
    f.close();
    if (damage == QLatin1String("garbage")) {
        QRandomGenerator rng(42);
        for (char &c : bytes)
            c = char(rng.bounded(256));
    } else if (damage == QLatin1String("empty")) {
        bytes.clear();
    } else if (damage == QLatin1String("header")) {
        bytes.truncate(32);
    } else if (damage == QLatin1String("half")) {
        bytes.truncate(bytes.size() / 2);
    } else if (damage == QLatin1String("lastbyte")) {
        bytes.chop(1);
    } else if (damage == QLatin1String("flip")) {
        bytes[bytes.size() * 2 / 3] = char(bytes[bytes.size() * 2 / 3] ^ 0x10);
    } else if (damage == QLatin1String("append")) {
        bytes.append("tail");
    } else if (damage == QLatin1String("version")) {
        bytes[7] = char(bytes[7] + 1);
    }
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
    f.close();

    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression(QStringLiteral("^TrackStore: the stored play list .* is unreadable \\(.+\\); "
                                                           "starting with an empty play list$")));
    TrackStore::reload();
    QVERIFY(!TrackStore::playList());
    QVERIFY(!TrackStore::findSamples(list[0].path));
    QCOMPARE(TrackStore::findMaxSpeed(list[0].path), qint64(0));

    // and the store works on: the next change replaces the bad file
    TrackStore::syncPlayList(list.mid(1));
    TrackStore::flush();
    QCOMPARE(diskList(), list.mid(1));
}

void TrackStoreTest::failedWriteKeepsThePreviousFile()
{
    const PlayList small{entry(QStringLiteral("file:///q/SMALL.MOV"), 10, 1)};
    TrackStore::syncPlayList(small);
    TrackStore::flush();
    QFile f(TrackStore::storeFilePath());
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray before = f.readAll();
    f.close();

    // A file-size limit makes every write beyond it fail, also for root.
    PlayList big;
    for (int k = 0; k < 30; ++k)
        big.append(entry(QStringLiteral("file:///q/%1.MOV").arg(k), 500, quint32(k)));
    struct rlimit old {};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit tight = old;
    tight.rlim_cur = rlim_t(before.size() + 100);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &tight), 0);
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression(QStringLiteral("^TrackStore: cannot write the play list to .*; the "
                                                           "previous file is kept$")));
    TrackStore::syncPlayList(big);
    TrackStore::flush();
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &old), 0);
    std::signal(SIGXFSZ, oldHandler);

    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), before);
    f.close();
    QCOMPARE(*TrackStore::playList(), big);   // memory keeps the truth
    TrackStore::flush();                      // and the next try writes it out
    QCOMPARE(diskList(), big);
}

void TrackStoreTest::overlappingAddsRemovalsAndActivationsLoseNothing()
{
    // Slow reads, so that adds overlap each other and the changes made meanwhile.
    TrackStore::setReader([](const std::string &ref) {
        QThread::usleep(200 + saltOf(ref) % 1500);
        return forged(ref);
    });
    QRandomGenerator rng(20240601);
    QHash<int, QStringList> calls;   // call number -> its URLs in order
    QHash<int, int> completions;
    QSet<QString> removed;
    QString active;
    int nextFile = 0;
    for (int round = 0; round < 600; ++round) {
        const int op = int(rng.bounded(8));
        if (op < 2) {
            const int id = int(calls.size());
            QStringList names;
            const int n = 1 + int(rng.bounded(4));
            for (int k = 0; k < n; ++k)
                names << QStringLiteral("file:///stress/c%1/F%2.MOV").arg(id).arg(nextFile++, 5, 10, QLatin1Char('0'));
            // shuffle so that URL order is not name order
            for (int k = n - 1; k > 0; --k)
                names.swapItemsAt(k, int(rng.bounded(k + 1)));
            calls.insert(id, names);
            TrackStore::readAndAppend(urls(names), [&completions, id] { ++completions[id]; });
        } else if (op < 4) {
            PlayList list = TrackStore::playList().value_or(PlayList());
            if (!list.isEmpty()) {
                const int k = int(rng.bounded(int(list.size())));
                removed.insert(list[k].path);
                list.removeAt(k);
                TrackStore::syncPlayList(list);
            }
        } else if (op < 6) {
            // the shell's activation: clear every flag, set one, store the whole list
            PlayList list = TrackStore::playList().value_or(PlayList());
            if (!list.isEmpty()) {
                const int k = int(rng.bounded(int(list.size())));
                for (PlayListEntry &e : list)
                    e.active = false;
                list[k].active = true;
                active = list[k].path;
                TrackStore::syncPlayList(list);
            }
        } else {
            QTest::qWait(int(rng.bounded(3)));
        }
    }
    QTRY_COMPARE_WITH_TIMEOUT(TrackStore::pendingReads(), 0, 60000);
    QCoreApplication::processEvents();

    const PlayList list = *TrackStore::playList();
    QHash<QString, int> position;
    for (int k = 0; k < list.size(); ++k) {
        QVERIFY2(!position.contains(list[k].path), qPrintable(list[k].path));
        position.insert(list[k].path, k);
    }
    int kept = 0;
    for (auto it = calls.cbegin(); it != calls.cend(); ++it) {
        QCOMPARE(completions.value(it.key()), 1);
        int last = -1;
        int first = -1;
        int survivors = 0;
        for (const QString &name : it.value()) {
            if (removed.contains(name)) {
                QVERIFY2(!position.contains(name), qPrintable(name));
                continue;
            }
            QVERIFY2(position.contains(name), qPrintable(QStringLiteral("lost: ") + name));
            const int at = position.value(name);
            QVERIFY2(at > last, "entries of one call out of URL order");
            if (first < 0)
                first = at;
            last = at;
            ++survivors;
            QCOMPARE(list[at].gpsData, forgedSamples(name));
        }
        if (survivors)   // appended together: no other entry between them
            QCOMPARE(last - first + 1, survivors);
        kept += survivors;
    }
    QCOMPARE(int(list.size()), kept);
    for (const PlayListEntry &e : list)
        QCOMPARE(e.active, !active.isEmpty() && e.path == active);
    QVERIFY(calls.size() > 50);
    QVERIFY(removed.size() > 20);

    TrackStore::reload();
    QCOMPARE(*TrackStore::playList(), list);
}


// What a file handed in is, and what the check says, without opening it: a FIFO with no
// writer would hold an open() for ever.
void TrackStoreTest::onlyRegularFilesAreTakenIn_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("taken");
    QTest::addRow("regular file") << "file" << "2026_1108_093000_001.MOV" << true;
    QTest::addRow("percent signs in a plain name") << "file" << "Trip 100% a%20b.MOV" << true;
    QTest::addRow("FIFO") << "fifo" << "pipe.MOV" << false;
    QTest::addRow("device") << "device" << "zero" << false;
    QTest::addRow("folder") << "folder" << "DCIM.MOV" << false;
    QTest::addRow("missing") << "missing" << "gone.MOV" << false;
}

void TrackStoreTest::onlyRegularFilesAreTakenIn()
{
    QFETCH(QString, kind);
    QFETCH(QString, name);
    QFETCH(bool, taken);
    QString path = dir_.filePath(name);
    if (kind == QLatin1String("file")) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("x", 1) == 1);
    } else if (kind == QLatin1String("fifo")) {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (kind == QLatin1String("device")) {
        path = QStringLiteral("/dev/zero");
    } else if (kind == QLatin1String("folder")) {
        QVERIFY(QDir(dir_.path()).mkpath(name));
    }
    const QUrl url = QUrl::fromLocalFile(path);
    const RecordingCheck check = RecordingFiles::check({url, url});
    const QList<QUrl> expected = taken ? QList<QUrl>{url, url} : QList<QUrl>();
    QCOMPARE(check.accepted, expected);
    QCOMPARE(check.refused.size(), taken ? 0 : 2);
    if (!taken)
        QVERIFY2(check.refused.first().contains(QFileInfo(path).fileName()), qPrintable(check.refused.first()));
}

// A card as a folder: what the walk takes, in what order, and what it leaves. Entries
// are made under the row's own folder: "name" a file, "name/" a folder, "name -> target"
// a link (target relative to the row's folder).
void TrackStoreTest::aFolderStandsForTheRecordingsBelowIt_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QStringList>("handedIn");   // relative; "" is the row's folder
    QTest::addColumn<QStringList>("expected");   // relative paths, in order
    QTest::addColumn<int>("emptyFolders");
    QTest::addRow("nested, any case, numbers in order")
        << QStringList{"DCIM/Movie/2026_1108_093000_10.MOV", "DCIM/Movie/2026_1108_093000_9.mov",
                       "DCIM/Event/a.Mp4", "DCIM/b.m4v"}
        << QStringList{""}
        << QStringList{"DCIM/b.m4v", "DCIM/Event/a.Mp4", "DCIM/Movie/2026_1108_093000_9.mov",
                       "DCIM/Movie/2026_1108_093000_10.MOV"}
        << 0;
    QTest::addRow("what else a card holds is left")
        << QStringList{"DCIM/A.MOV", "DCIM/._A.MOV", "DCIM/.hidden.MOV", "DCIM/A.THM", "DCIM/A.gpx",
                       "MISC/setting.txt", "DCIM/MOV", "DCIM/.MOV"}
        << QStringList{""} << QStringList{"DCIM/A.MOV"} << 0;
    QTest::addRow("a loop of links ends")
        << QStringList{"card/A.MOV", "card/loop -> card", "card/B.MOV -> card/A.MOV"}
        << QStringList{"card"} << QStringList{"card/A.MOV", "card/B.MOV"} << 0;
    QTest::addRow("a folder without recordings, files kept in their place")
        << QStringList{"empty/", "x/Z.MOV", "one.MOV"}
        << QStringList{"one.MOV", "empty", "x"} << QStringList{"one.MOV", "x/Z.MOV"} << 1;
}

void TrackStoreTest::aFolderStandsForTheRecordingsBelowIt()
{
    QFETCH(QStringList, entries);
    QFETCH(QStringList, handedIn);
    QFETCH(QStringList, expected);
    QFETCH(int, emptyFolders);
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QDir base(root.path());
    for (const QString &e : entries) {
        const qsizetype arrow = e.indexOf(QStringLiteral(" -> "));
        const QString name = arrow >= 0 ? e.left(arrow) : e;
        QVERIFY(base.mkpath(QFileInfo(base.filePath(name)).path()));
        if (name.endsWith(QLatin1Char('/'))) {
            QVERIFY(base.mkpath(name));
        } else if (arrow >= 0) {
            QVERIFY(QFile::link(base.filePath(e.mid(arrow + 4)), base.filePath(name)));
        } else {
            QFile f(base.filePath(name));
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write("x") == 1);
        }
    }
    QList<QUrl> urls;
    for (const QString &h : handedIn)
        urls << QUrl::fromLocalFile(h.isEmpty() ? base.path() : base.filePath(h));
    int lastCount = -1;
    const FolderWalk walk = RecordingFiles::expandFolders(urls, [&](int found) { lastCount = found; });
    QStringList got;
    for (const QUrl &u : walk.urls)
        got << base.relativeFilePath(u.toLocalFile());
    QCOMPARE(got, expected);
    QCOMPARE(int(walk.emptyFolders.size()), emptyFolders);
    QVERIFY(!walk.cancelled);
    QCOMPARE(lastCount, int(expected.size() - std::count_if(handedIn.begin(), handedIn.end(), [&](const QString &h) {
                                return !h.isEmpty() && QFileInfo(base.filePath(h)).isFile();
                            })));

    // Cancelled before it starts: nothing is handed on.
    const std::atomic_bool cancel{true};
    const FolderWalk stopped = RecordingFiles::expandFolders({QUrl::fromLocalFile(base.path())}, {}, &cancel);
    QVERIFY(stopped.cancelled);
}

QTEST_GUILESS_MAIN(TrackStoreTest)
#include "tst_track_store.moc"
