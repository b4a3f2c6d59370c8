// Trips at the scale of a full card (run by hand under an X server):
//   xvfb-run -a -s "-screen 0 1920x1080x24" build/bench/playlist/bench_trips
//  - 2,000 forged one-minute clips without picture (four trips of 500, ten minutes
//    apart) through the add button: time until the add returns, until the list is
//    read, the longest the main thread went without serving a 5 ms timer;
//  - grouping them into trips: groupTrips alone, and the play list's grouping with
//    the distance of every trip;
//  - the real player running from one clip into the next: the time between the last
//    frame of a clip and the first frame of the next, over four forged clips with
//    picture.
#include "app/Wiring.h"
#include "common/Localization.h"
#include "common/Settings.h"
#include "media/MediaEngine.h"
#include "player/PlayerView.h"
#include "playlist/PlayListModel.h"
#include "drive/DriveTelemetry.h"
#include "drive/PlayListTrips.h"
#include "drive/PlayQueue.h"
#include "playlist/PlayListView.h"
#include "store/TrackStore.h"

#include "ClipTime.h"
#include "TripGrouping.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QVideoFrame>
#include <QVideoSink>

#include <algorithm>
#include <cstdio>

namespace {

double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v[v.size() / 2];
}

QString stamp(const QDateTime &t)
{
    return t.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

// Forges `count` clips starting at `first`, `stepSeconds` apart, each continuing
// the same drive; two forges at a time.
QList<QUrl> forge(const QString &dir, int count, const QDateTime &first, int stepSeconds, int gapEvery,
                  const QStringList &extra)
{
    QList<QUrl> urls;
    QList<QProcess *> running;
    for (int k = 0; k < count; ++k) {
        const QDateTime start = first.addSecs(qint64(k) * stepSeconds + qint64(k / gapEvery) * 600);
        const QString out = dir + QStringLiteral("/%1_%2F.MOV")
                                      .arg(start.toString(QStringLiteral("yyyy_MMdd_hhmmss")))
                                      .arg(k + 1, 4, 10, QLatin1Char('0'));
        auto *p = new QProcess;
        p->start(QStringLiteral(VELTRA_FORGE_PATH),
                 QStringList{"--kind", "nt9665", "--scenario", "drive", "--trip-start", stamp(first.addSecs(qint64(k / gapEvery) * 600)),
                             "--start", stamp(start), "--out", out, "--ffmpeg", QStringLiteral(VELTRA_FFMPEG_PATH)} +
                     extra);
        running << p;
        urls << QUrl::fromLocalFile(out);
        if (running.size() >= 2 || k + 1 == count) {
            for (QProcess *r : running) {
                r->waitForFinished(120000);
                if (r->exitCode() != 0)
                    std::fprintf(stderr, "forge failed: %s\n", r->readAllStandardError().constData());
                delete r;
            }
            running.clear();
        }
    }
    return urls;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    Localization::install(QStringLiteral("en"));
    QTemporaryDir dir, storeDir;
    TrackStore::setStoreFilePath(storeDir.filePath(QStringLiteral("list.bin")));
    TrackStore::clearPlayList();

    // --- 2,000 clips without picture: 60 s each, two GPS blocks, 12 KiB on disk.
    // (--clip-change: only the clip change.)
    const bool cardToo = !QCoreApplication::arguments().contains(QStringLiteral("--clip-change"));
    const QDateTime first(QDate(2026, 11, 8), QTime(6, 0, 0));
    Settings settings;
    if (cardToo) {
        QElapsedTimer forging;
        forging.start();
        const QList<QUrl> card = forge(dir.path(), 2000, first, 60, 500,
                                       {"--no-video", "--seconds", "60", "--fps", "1", "--blocks", "2", "--sparse-size", "400000"});
        std::printf("forged 2000 clips in %.1f s\n", forging.elapsed() / 1000.0);

        {
            PlayQueue queue(settings);
            PlayListView pane(&queue, settings);
            pane.resize(450, 700);
            pane.show();
            if (!QTest::qWaitForWindowExposed(&pane))
                return 1;
            pane.openPanel = [card](QWidget *) { return card; };
            QElapsedTimer clock;
            qint64 longestGap = 0, lastBeat = 0;
            QTimer beat;
            beat.setInterval(5);
            QObject::connect(&beat, &QTimer::timeout, [&] {
                const qint64 now = clock.elapsed();
                longestGap = std::max(longestGap, now - lastBeat);
                lastBeat = now;
            });
            clock.start();
            beat.start();
            pane.addVideoPlay();
            const qint64 returned = clock.elapsed();
            while (pane.isReadingFiles())
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
            const qint64 read = clock.elapsed();
            beat.stop();
            std::printf("add 2000 clips: returned after %lld ms, list read and grouped after %lld ms, "
                        "longest main-thread gap %lld ms, rows %d, trips %lld\n",
                        returned, read, longestGap, pane.model()->rowCount(), qlonglong(pane.trips().size()));

            const PlayList list = pane.playlist();
            std::vector<TripClip> clips;
            for (const PlayListEntry &e : list)
                clips.push_back(TripClip{e.path.toStdString(), e.startMs, e.durationMs,
                                         ClipTime::channel(e.path.toStdString())});
            std::reverse(clips.begin(), clips.end());   // the worst order for the sort
            QList<double> core, withDistance, reload;
            size_t trips = 0;
            for (int k = 0; k < 15; ++k) {
                QElapsedTimer t;
                t.start();
                trips = groupTrips(clips).size();
                core << t.nsecsElapsed() / 1e6;
                t.restart();
                (void)PlayListTrips::group(list, kDefaultTripGapMs);
                withDistance << t.nsecsElapsed() / 1e6;
                t.restart();
                pane.reloadPlayListData();
                reload << t.nsecsElapsed() / 1e6;
            }
            std::printf("grouping 2000 clips (%zu trips): groupTrips median %.2f ms; with the distance of every trip "
                        "median %.2f ms; table reload with captions median %.2f ms\n",
                        trips, median(core), median(withDistance), median(reload));
        }
    }

    // --- The clip change on the real player: four 4-second clips with picture.
    TrackStore::clearPlayList();
    QTemporaryDir videoDir;
    const QList<QUrl> video = forge(videoDir.path(), 4, QDateTime(QDate(2026, 11, 9), QTime(8, 0, 0)), 4, 1000,
                                    {"--seconds", "4", "--size", "640x360", "--fps", "30"});
    QWidget top;
    top.resize(1344, 756);
    auto *row = new QHBoxLayout(&top);
    auto *queue = new PlayQueue(settings, &top);
    auto *telemetry = new DriveTelemetry(&top);
    auto *vc = new PlayerView(settings);
    auto *pl = new PlayListView(queue, settings);
    row->addWidget(vc, 2);
    row->addWidget(pl, 1);
    Wiring::playerAndPlayList(vc, pl, queue, telemetry, nullptr);
    top.show();
    if (!QTest::qWaitForWindowExposed(&top))
        return 1;
    bool added = false;
    TrackStore::readAndAppend(video, [&] { added = true; });
    if (!QTest::qWaitFor([&] { return added; }, 30000)) {
        std::fprintf(stderr, "the clips with picture were not read\n");
        return 1;
    }
    pl->reloadPlayListData();

    QElapsedTimer clock;
    clock.start();
    qint64 lastFrame = -1;
    int changes = 0;
    bool switched = false;
    QList<double> gaps, toRequest;
    QObject::connect(queue, &PlayQueue::playRequested, [&] {
        switched = true;
        if (lastFrame >= 0)
            toRequest << double(clock.elapsed() - lastFrame);
    });
    QObject::connect(vc->videoSink(), &QVideoSink::videoFrameChanged, [&](const QVideoFrame &f) {
        if (!f.isValid())
            return;
        const qint64 now = clock.elapsed();
        if (switched && lastFrame >= 0 && changes > 0) {
            gaps << double(now - lastFrame);
        }
        switched = false;
        lastFrame = now;
    });
    QObject::connect(queue, &PlayQueue::playRequested, [&] { ++changes; });
    queue->play(0);
    if (!QTest::qWaitFor([&] { return gaps.size() >= 3; }, 60000))
        std::fprintf(stderr, "only %lld clip changes seen\n", qlonglong(gaps.size()));
    std::printf("clip change on the real player (640x360, 4 s clips): last frame to first frame of the next "
                "%s ms; median %.0f ms (of which last frame to the next clip's request: median %.0f ms)\n",
                qPrintable([&] {
                    QStringList t;
                    for (double g : gaps)
                        t << QString::number(g, 'f', 0);
                    return t.join(QStringLiteral(", "));
                }()),
                median(gaps), median(toRequest));
    vc->engine()->close();
    TrackStore::flush();
    return 0;
}
