// The play queue heard through its signals, without the media engine or a widget:
// the one way files come in, the order of play, removals and moves, trips, and what
// the store keeps. The store reads copies of a forged recording.
#include "TestSettings.h"
#include "common/AppKeys.h"
#include "common/Localization.h"
#include "drive/PlayQueue.h"
#include "store/TrackStore.h"
#include "GpsDataHelper.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <memory>

class PlayQueueTest : public QObject {
    Q_OBJECT

    QString source_;
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<TestSettings> settings_;
    std::unique_ptr<PlayQueue> queue_;

    // Copies of the recording; a name ending in "/" is a folder, "missing…" stays absent.
    QList<QUrl> files(const QStringList &names)
    {
        QList<QUrl> urls;
        for (const QString &name : names) {
            const QString target = dir_->filePath(name);
            if (name.endsWith(QLatin1Char('/')))
                QDir().mkpath(target);
            else if (!name.startsWith(QLatin1String("missing")) && !QFile::exists(target))
                QFile::copy(source_, target);
            urls << QUrl::fromLocalFile(target);
        }
        return urls;
    }
    // Opens `names` and waits until they joined the list and the first started.
    bool open(const QStringList &names, double startAt = 0)
    {
        QSignalSpy opened(queue_.get(), &PlayQueue::opened);
        queue_->open(files(names), OpenOptions{startAt});
        return opened.wait(15000);
    }
    QString name(int row) const { return QUrl(queue_->entries().value(row).path).fileName(); }
    QStringList names() const
    {
        QStringList out;
        for (int row = 0; row < queue_->count(); ++row)
            out << name(row);
        return out;
    }
    static QString requested(const QSignalSpy &spy) { return spy.isEmpty() ? QString() : spy.last().first().toUrl().fileName(); }
    QList<bool> storedActive() const
    {
        QList<bool> flags;
        for (const PlayListEntry &e : TrackStore::playList().value_or(PlayList()))
            flags << e.active;
        return flags;
    }
    QList<bool> activeAt(int count, int row) const
    {
        QList<bool> flags(count, false);
        if (row >= 0)
            flags[row] = true;
        return flags;
    }

private slots:
    void initTestCase()
    {
        Localization::install(QStringLiteral("en"));
        source_ = qEnvironmentVariable("VELTRA_SAMPLES") + QStringLiteral("/nt9665_1trak.MOV");
        QVERIFY(QFile::exists(source_));
    }

    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        TrackStore::setStoreFilePath(dir_->filePath(QStringLiteral("list.bin")));
        TrackStore::clearPlayList();
        settings_ = std::make_unique<TestSettings>();
        queue_ = std::make_unique<PlayQueue>(*settings_);
    }

    void cleanup()
    {
        queue_.reset();
        settings_.reset();
        TrackStore::clearPlayList();
        TrackStore::flush();
        dir_.reset();
    }

    // Whatever way they come, the first file handed in plays, in its place in time.
    void openPlaysTheFirstFileHandedIn_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("handedIn");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("refused");
        const QStringList abc{"A.MOV", "B.MOV", "C.MOV"};
        QTest::addRow("into an empty list") << QStringList() << abc << abc << 0 << 0;
        QTest::addRow("added to a list") << abc << QStringList{"D.MOV", "E.MOV"} << (abc + QStringList{"D.MOV", "E.MOV"})
                                         << 3 << 0;
        QTest::addRow("clips join their trips in time order")
            << QStringList() << QStringList{"2026_1108_093100_002F.MOV", "2026_1108_100000_003F.MOV", "2026_1108_093000_001F.MOV"}
            << QStringList{"2026_1108_093000_001F.MOV", "2026_1108_093100_002F.MOV", "2026_1108_100000_003F.MOV"} << 1 << 0;
        QTest::addRow("a file opened again is an entry of its own") << abc << QStringList{"A.MOV"}
                                                                    << (abc + QStringList{"A.MOV"}) << 3 << 0;
        QTest::addRow("a folder without recordings and a missing file are refused")
            << QStringList() << QStringList{"folder.MOV/", "missing.MOV", "B.MOV"} << QStringList{"B.MOV"} << 0 << 2;
        const QString minute = QStringLiteral("2026-11-13_10-03-00-"), next = QStringLiteral("2026-11-13_10-04-00-");
        QTest::addRow("a six-camera minute is one entry, the front's")
            << QStringList() << QStringList{minute + "back.mp4", minute + "front.mp4", minute + "left_repeater.mp4",
                                            next + "right_pillar.mp4", next + "front.mp4"}
            << QStringList{minute + "front.mp4", next + "front.mp4"} << 0 << 0;
        QTest::addRow("a minute without its front shows the back")
            << QStringList() << QStringList{minute + "left_pillar.mp4", minute + "back.mp4"}
            << QStringList{minute + "back.mp4"} << 0 << 0;
        QTest::addRow("a front and its rear are one entry, the front's")
            << QStringList() << QStringList{"2025_0612_174502_013R.MOV", "2025_0612_174502_012F.MOV"}
            << QStringList{"2025_0612_174502_012F.MOV"} << 0 << 0;
        QTest::addRow("rears without their fronts stay")
            << QStringList() << QStringList{"2025_0612_174502_013R.MOV", "2025_0612_174602_014R.MOV"}
            << QStringList{"2025_0612_174502_013R.MOV", "2025_0612_174602_014R.MOV"} << 0 << 0;
        QTest::addRow("nothing taken in: the file playing goes on")
            << QStringList{"A.MOV"} << QStringList{"missing.MOV"} << QStringList{"A.MOV"} << 0 << 1;
    }
    void openPlaysTheFirstFileHandedIn()
    {
        QFETCH(QStringList, before);
        QFETCH(QStringList, handedIn);
        QFETCH(QStringList, rows);
        QFETCH(int, current);
        QFETCH(int, refused);
        if (!before.isEmpty())
            QVERIFY(open(before));
        QSignalSpy starts(queue_.get(), &PlayQueue::playRequested);
        QSignalSpy refusals(queue_.get(), &PlayQueue::refused);
        QSignalSpy progress(queue_.get(), &PlayQueue::readProgress);
        const bool taken = refused < handedIn.size();
        QCOMPARE(open(handedIn, 12.5), taken);
        QCOMPARE(names(), rows);
        QCOMPARE(queue_->currentRow(), current);
        int refusedLines = 0;
        for (const QList<QVariant> &r : refusals)
            refusedLines += int(r.first().toStringList().size());
        QCOMPARE(refusedLines, refused);
        QCOMPARE(storedActive(), activeAt(int(rows.size()), current));   // the store marks it active
        QVERIFY(!queue_->isReading());
        if (!taken) {
            QVERIFY(starts.isEmpty() && progress.isEmpty());
            return;
        }
        QCOMPARE(starts.size(), 1);
        QCOMPARE(starts.first().at(0).toUrl().toString(QUrl::FullyEncoded), queue_->entries().at(current).path);
        QCOMPARE(starts.first().at(1).toDouble(), 12.5);
        // The progress counts the files taken in, and ends.
        QCOMPARE(progress.first(), (QList<QVariant>{0, int(rows.size() - before.size())}));
        QCOMPARE(progress.last(), (QList<QVariant>{0, 0}));
    }

    // Two opens read side by side; each joins when read, and the first file of the one
    // that joined last plays.
    void overlappingOpens()
    {
        QSignalSpy opened(queue_.get(), &PlayQueue::opened);
        queue_->open(files({"A.MOV", "B.MOV", "C.MOV"}));
        queue_->open(files({"D.MOV", "E.MOV"}));
        QVERIFY(queue_->isReading());
        QTRY_COMPARE_WITH_TIMEOUT(opened.size(), 2, 15000);
        QStringList all = names();
        std::sort(all.begin(), all.end());
        QCOMPARE(all, (QStringList{"A.MOV", "B.MOV", "C.MOV", "D.MOV", "E.MOV"}));
        const int row = queue_->currentRow();
        QVERIFY2((name(row) == QLatin1String("D.MOV") && row == 3) || (name(row) == QLatin1String("A.MOV") && row == 2),
                 qPrintable(names().join(QLatin1Char(' '))));
    }

    // Events: n = next, p = previous, e = end of file, digits = that row is played.
    void orderOfPlay_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("events");
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("lastRequested");   // -1: nothing requested after the start

        QTest::addRow("end of the last row leaves none current") << 2 << "e" << -1 << -1;
        QTest::addRow("end of the last row, then next starts row 1") << 2 << "en" << 0 << 0;
        QTest::addRow("previous on the first row") << 0 << "p" << -1 << -1;
        QTest::addRow("previous twice stays at none") << 0 << "pp" << -1 << -1;
        QTest::addRow("previous twice, then next restarts row 1") << 0 << "ppn" << 0 << 0;
        QTest::addRow("next on the last row") << 2 << "n" << -1 << -1;
        QTest::addRow("next twice on the last row starts row 1") << 2 << "nn" << 0 << 0;
        QTest::addRow("next from row 2") << 1 << "n" << 2 << 2;
        QTest::addRow("previous from row 3") << 2 << "p" << 1 << 1;
        QTest::addRow("end of row 1 starts row 2") << 0 << "e" << 1 << 1;
        QTest::addRow("end through the list") << 0 << "eee" << -1 << 2;
        QTest::addRow("row 3 chosen") << 0 << "2" << 2 << 2;
        QTest::addRow("the playing row chosen") << 1 << "1" << 1 << 1;
        QTest::addRow("one past the end") << 0 << "3" << -1 << -1;
        QTest::addRow("a row before the list") << 1 << "-" << -1 << -1;
    }
    void orderOfPlay()
    {
        QFETCH(int, start);
        QFETCH(QString, events);
        QFETCH(int, current);
        QFETCH(int, lastRequested);
        QVERIFY(open({"A.MOV", "B.MOV", "C.MOV"}));
        queue_->play(start);
        QCOMPARE(queue_->currentRow(), start);
        QSignalSpy starts(queue_.get(), &PlayQueue::playRequested);
        QSignalSpy currents(queue_.get(), &PlayQueue::currentChanged);
        QSignalSpy closes(queue_.get(), &PlayQueue::closeRequested);
        for (const QChar ev : events) {
            if (ev == QLatin1Char('n'))
                queue_->next();
            else if (ev == QLatin1Char('p'))
                queue_->previous();
            else if (ev == QLatin1Char('e'))
                queue_->endOfFile();
            else
                queue_->play(ev == QLatin1Char('-') ? -5 : ev.digitValue());
        }
        QCOMPARE(queue_->currentRow(), current);
        QCOMPARE(requested(starts), lastRequested < 0 ? QString() : name(lastRequested));
        // Whoever follows the current entry hears of it, or of none.
        if (!currents.isEmpty())
            QCOMPARE(currents.last().first().value<const PlayListEntry *>(),
                     current < 0 ? nullptr : &queue_->entries().at(current));
        QVERIFY(closes.isEmpty());   // running off the list leaves the player as it is
        QCOMPARE(storedActive(), activeAt(3, current));
    }

    void removeTheCurrentEntry_data()
    {
        QTest::addColumn<QStringList>("list");
        QTest::addColumn<int>("start");   // -1: none current
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<int>("closes");
        QTest::addColumn<QString>("started");   // empty: nothing started
        const QStringList abc{"A.MOV", "B.MOV", "C.MOV"};
        QTest::addRow("the current row goes, the first plays") << abc << 1 << QStringList{"A.MOV", "C.MOV"} << 1 << "A.MOV";
        QTest::addRow("none current: nothing goes, the first plays") << abc << -1 << abc << 0 << "A.MOV";
        QTest::addRow("the only entry") << QStringList{"A.MOV"} << 0 << QStringList() << 1 << "";
    }
    void removeTheCurrentEntry()
    {
        QFETCH(QStringList, list);
        QFETCH(int, start);
        QFETCH(QString, started);
        QVERIFY(open(list));
        queue_->play(start);
        QSignalSpy starts(queue_.get(), &PlayQueue::playRequested);
        QSignalSpy closes(queue_.get(), &PlayQueue::closeRequested);
        queue_->removeCurrent();
        if (queue_->count() == 0)
            queue_->removeCurrent();   // of an empty list: nothing
        QTEST(names(), "rows");
        QTEST(int(closes.size()), "closes");
        QCOMPARE(requested(starts), started);
        QCOMPARE(queue_->currentRow(), started.isEmpty() ? -1 : 0);
        QCOMPARE(TrackStore::playList().value_or(PlayList()).size(), queue_->count());
    }

    void movedRowsKeepTheCurrentEntry()
    {
        QVERIFY(open({"A.MOV", "B.MOV", "C.MOV", "D.MOV"}));
        QSignalSpy starts(queue_.get(), &PlayQueue::playRequested);
        QSignalSpy changed(queue_.get(), &PlayQueue::entriesChanged);
        queue_->move({0}, 3);
        QCOMPARE(names(), (QStringList{"B.MOV", "C.MOV", "A.MOV", "D.MOV"}));
        QCOMPARE(queue_->currentRow(), 2);
        QCOMPARE(storedActive(), activeAt(4, 2));
        QVERIFY(starts.isEmpty());
        queue_->move({1}, 2);   // where it is: nothing changes
        QCOMPARE(changed.size(), 1);
        queue_->next();   // goes on from A's new row
        QCOMPARE(requested(starts), QStringLiteral("D.MOV"));
    }

    // The current entry's trip is told on every start; a clip can be started at a
    // second; a file gone from disk is passed over; exports take the trip.
    void tripsOfTheCurrentEntry()
    {
        QVERIFY(open({"2026_1108_093100_002F.MOV", "2026_1108_100000_003F.MOV", "2026_1108_093000_001F.MOV"}));
        QCOMPARE(queue_->trips().size(), 2);
        QCOMPARE(queue_->trips().at(0).rows, (QList<int>{0, 1}));
        QCOMPARE(queue_->tripOfRows(), (QList<int>{0, 0, 1}));
        // An hour's gap in the settings makes one trip of the three.
        QSettings(settings_->fileName(), QSettings::IniFormat).setValue(QLatin1String(AppKeys::TRIP_GAP_SECONDS), 3600);
        queue_->reload();
        QCOMPARE(queue_->trips().size(), 1);
        QSettings(settings_->fileName(), QSettings::IniFormat).remove(QLatin1String(AppKeys::TRIP_GAP_SECONDS));
        queue_->reload();

        QSignalSpy trip(queue_.get(), &PlayQueue::tripOfCurrentChanged);
        QSignalSpy starts(queue_.get(), &PlayQueue::playRequested);
        queue_->reload();   // nothing changed for the current trip: nothing told
        QVERIFY(trip.isEmpty());
        queue_->playClipAt(QUrl(queue_->entries().at(1).path), 20);
        QCOMPARE(queue_->currentRow(), 1);
        QCOMPARE(starts.last().at(1).toDouble(), 20.0);
        QCOMPARE(trip.size(), 1);
        const PlayList told = trip.last().at(0).value<PlayList>();
        QCOMPARE(told.size(), 2);
        QCOMPARE(told.at(0).id, queue_->entries().at(0).id);
        QCOMPARE(told.at(1).id, queue_->entries().at(1).id);
        QCOMPARE(trip.last().at(1).toInt(), 1);
        queue_->playClipAt(QUrl(queue_->entries().at(2).path), 0);
        QCOMPARE(trip.last().at(0).value<PlayList>().size(), 1);
        queue_->playClipAt(files({"elsewhere.MOV"}).first(), 3);   // not listed: nothing
        QCOMPARE(queue_->currentRow(), 2);

        // The export takes the current trip, or more than one selected row.
        QCOMPARE(queue_->exportClips({}), QList<QUrl>{QUrl(queue_->entries().at(2).path)});
        QCOMPARE(queue_->exportClips({2, 0}).size(), 2);
        queue_->play(0);
        QCOMPARE(queue_->exportClips({2}).size(), 2);

        QSignalSpy skipped(queue_.get(), &PlayQueue::skipped);
        QVERIFY(QFile::remove(QUrl(queue_->entries().at(0).path).toLocalFile()));
        queue_->play(0);
        QCOMPARE(queue_->currentRow(), 1);
        QCOMPARE(skipped.size(), 1);
        QVERIFY(skipped.first().first().toString().contains(QLatin1String("093000_001F")));
        // Previous skips towards the start: before row 1 only the missing row, so none.
        queue_->previous();
        QCOMPARE(queue_->currentRow(), -1);
        QCOMPARE(skipped.size(), 2);
    }

    // A GPX track brought for clips without GPS of their own (three one-minute clips of a
    // trip from 09:30 on the camera's clock, the third with GPS), matched by the time in
    // their names; the entries keep it over a restart.
    void attachingAGpsTrack_data()
    {
        QTest::addColumn<QString>("track");   // "HH:MM-HH:MM" local time of its points, or the file's text
        QTest::addColumn<int>("playing");
        QTest::addColumn<bool>("wholeTrip");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QList<int>>("attachedRows");
        QTest::addRow("covers the clip") << "09:29-09:35" << 0 << false << int(TrackAttachment::Attached) << QList<int>{0};
        QTest::addRow("the trip's clips without GPS")
            << "09:29-09:35" << 0 << true << int(TrackAttachment::Attached) << QList<int>{0, 1};
        QTest::addRow("covers part of the second clip")
            << "09:31:30-09:40" << 0 << true << int(TrackAttachment::Attached) << QList<int>{1};
        QTest::addRow("does not cover the clip's time")
            << "10:00-10:05" << 0 << false << int(TrackAttachment::NotCovered) << QList<int>();
        QTest::addRow("malformed file") << "<gpx><trk><trkseg><trkpt lat=\"51.5\"" << 0 << false
                                        << int(TrackAttachment::Unreadable) << QList<int>();
        QTest::addRow("a clip with its own GPS keeps it")
            << "09:29-09:35" << 2 << false << int(TrackAttachment::HaveTheirOwn) << QList<int>();
    }
    void attachingAGpsTrack()
    {
        QFETCH(QString, track);
        QFETCH(int, playing);
        QFETCH(bool, wholeTrip);
        TrackStore::setReader([](const std::string &reference) {
            GpsReadResult r = GpsDataHelper::readGpsData(reference);
            if (reference.find("own") == std::string::npos) {
                GpsReadResult none;
                none.path = r.path;
                return none;
            }
            return r;
        });
        const bool opened = open({"2026_1108_093000_001F.MOV", "2026_1108_093100_002F.MOV", "2026_1108_093200_own_003F.MOV"});
        TrackStore::setReader({});
        QVERIFY(opened);
        QCOMPARE(queue_->trips().size(), 1);
        queue_->play(playing);

        QString text = track;
        const QStringList span = track.split(QLatin1Char('-'));
        if (span.size() == 2) {
            // A point every 5 s, no speed or course in the file.
            const QDate day(2026, 11, 8);
            QDateTime t(day, QTime::fromString(span[0], span[0].size() > 5 ? "HH:mm:ss" : "HH:mm"), QTimeZone::systemTimeZone());
            const QDateTime end(day, QTime::fromString(span[1], "HH:mm"), QTimeZone::systemTimeZone());
            text = QStringLiteral("<gpx version=\"1.1\"><trk><trkseg>\n");
            for (int k = 0; t <= end; t = t.addSecs(5), ++k)
                text += QStringLiteral("<trkpt lat=\"%1\" lon=\"-0.1\"><time>%2</time></trkpt>\n")
                            .arg(51.5 + k * 0.0001, 0, 'f', 6)
                            .arg(t.toUTC().toString(Qt::ISODate));
            text += QStringLiteral("</trkseg></trk></gpx>\n");
        }
        const QString gpx = dir_->filePath(QStringLiteral("phone.gpx"));
        {
            QFile f(gpx);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(text.toUtf8());
        }
        QSignalSpy current(queue_.get(), &PlayQueue::currentChanged);
        const TrackAttachment done = queue_->attachTrack(gpx, wholeTrip);
        QTEST(int(done.outcome), "outcome");
        QFETCH(QList<int>, attachedRows);
        QCOMPARE(done.clips, attachedRows.size());
        // The playing clip's followers hear of its new samples.
        QCOMPARE(current.size(), attachedRows.isEmpty() ? 0 : 1);

        TrackStore::reload();   // as the next start reads the list
        const PlayList stored = TrackStore::playList().value_or(PlayList());
        QCOMPARE(stored.size(), 3);
        for (int row = 0; row < 3; ++row) {
            const PlayListEntry &e = stored.at(row);
            const bool attached = attachedRows.contains(row);
            QCOMPARE(e.attachedTrack, attached ? gpx : QString());
            QCOMPARE(e.layout == TelemetryLayout::GpxFile, attached);
            if (attached) {
                QCOMPARE(e.gpsData.size(), 60);
                QVERIFY(e.telemetry && e.telemetry->size() == 60);
                // The track has no speed: none, not a speed of 0.
                QVERIFY(e.telemetry->back().hasFix && !e.telemetry->back().hasSpeed);
            } else {
                QCOMPARE(e.gpsData.isEmpty(), row < 2);
            }
        }
    }
};

QTEST_GUILESS_MAIN(PlayQueueTest)
#include "tst_play_queue.moc"
