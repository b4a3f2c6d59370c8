// Timings of the play list pane: bench_playlist SAMPLES_DIR
//  - adding a card of 100 recordings: time until the list is read, and the longest
//    the main thread went without serving a 5 ms timer meanwhile;
//  - a table reload (cell texts and lock test) of 100 and 1000 rows;
//  - a row dragged across a list of 1000 rows (order, store rewrite, reload).
#include "app/AppDelegate.h"
#include "common/Localization.h"
#include "common/Settings.h"
#include "player/PlayerView.h"
#include "playlist/PlayListModel.h"
#include "drive/PlayListRules.h"
#include "drive/PlayQueue.h"
#include "playlist/PlayListView.h"
#include "store/TrackStore.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <unistd.h>

#include <algorithm>

namespace {

QList<QUrl> card(const QString &folder, const QString &source, int count)
{
    QList<QUrl> urls;
    for (int k = 0; k < count; ++k) {
        const QString to = folder + QStringLiteral("/2026_1108_%1_%2.MOV")
                                        .arg(93000 + k, 6, 10, QLatin1Char('0'))
                                        .arg(k + 1, 3, 10, QLatin1Char('0'));
        if (::link(QFile::encodeName(source).constData(), QFile::encodeName(to).constData()) != 0)
            QFile::copy(source, to);
        urls << QUrl::fromLocalFile(to);
    }
    return urls;
}

PlayList entries(const QList<QUrl> &urls)
{
    PlayList list;
    for (const QUrl &u : urls) {
        PlayListEntry e;
        e.path = u.toString(QUrl::FullyEncoded);
        list << e;
    }
    return list;
}

double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        qWarning("usage: bench_playlist SAMPLES_DIR");
        return 2;
    }
    const QString source = QString::fromLocal8Bit(argv[1]) + QStringLiteral("/drive/2026_1108_093000_001.MOV");
    if (!QFile::exists(source)) {
        qWarning("no sample at %s", qPrintable(source));
        return 2;
    }
    Localization::install(QStringLiteral("en"));
    QTemporaryDir dir;
    QTemporaryDir storeDir;
    TrackStore::setStoreFilePath(storeDir.filePath(QStringLiteral("list.bin")));
    TrackStore::clearPlayList();

    Settings settings;
    AppDelegate delegate(settings);
    PlayQueue queue(settings);
    PlayListView pane(&queue, settings);
    pane.resize(450, 440);
    pane.show();
    if (!QTest::qWaitForWindowExposed(&pane))
        return 1;

    // A card of 100 recordings through the add button.
    const QList<QUrl> urls100 = card(dir.path(), source, 100);
    pane.openPanel = [urls100](QWidget *) { return urls100; };
    QElapsedTimer clock;
    qint64 longestGap = 0;
    qint64 lastBeat = 0;
    int beats = 0;
    QTimer beat;
    beat.setInterval(5);
    QObject::connect(&beat, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longestGap = std::max(longestGap, now - lastBeat);
        lastBeat = now;
        ++beats;
    });
    clock.start();
    beat.start();
    pane.addVideoPlay();
    const qint64 returned = clock.elapsed();
    while (pane.isReadingFiles()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    const qint64 read = clock.elapsed();
    beat.stop();
    std::printf("add 100 recordings: dialog answer to return %lld ms, list read in %lld ms, "
                "longest main-thread gap %lld ms over %d beats of 5 ms, rows %d\n",
                returned, read, longestGap, beats, pane.model()->rowCount());

    // Table reloads.
    for (int n : {100, 1000}) {
        const PlayList list = entries(card(dir.path() + QStringLiteral("/r") + QString::number(n),
                                           source, 0) + urls100);
        PlayList big;
        while (big.size() < n)
            big += list.mid(0, std::min<qsizetype>(list.size(), n - big.size()));
        TrackStore::syncPlayList(big);
        QList<double> times;
        for (int k = 0; k < 15; ++k) {
            QElapsedTimer t;
            t.start();
            pane.reloadPlayListData();
            times << t.nsecsElapsed() / 1e6;
        }
        std::printf("reload of %d rows: median %.2f ms (cell texts and lock test of every row)\n", n,
                    median(times));
    }

    // A drag across 1000 rows.
    {
        QList<double> times;
        for (int k = 0; k < 15; ++k) {
            std::unique_ptr<QMimeData> mime(pane.model()->mimeData({pane.model()->index(k, 1)}));
            QElapsedTimer t;
            t.start();
            pane.model()->dropMimeData(mime.get(), Qt::MoveAction, 900, 0, QModelIndex());
            times << t.nsecsElapsed() / 1e6;
        }
        std::printf("drag of one row across 1000 rows: median %.2f ms (new order, store rewrite, reload)\n",
                    median(times));
    }
    TrackStore::flush();
    return 0;
}
