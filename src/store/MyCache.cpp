#include "MyCache.h"

#include "GpsDataHelper.h"

#include <QCoreApplication>
#include <QFutureWatcher>
#include <QtConcurrent>

namespace {

std::optional<PlayList> g_list;

PlayListEntry entryFor(const QString &reference)
{
    const GpsReadResult r = GpsDataHelper::readGpsData(reference.toStdString());
    PlayListEntry e;
    e.path = reference;
    e.gpsData = QList<GpsSample>(r.videoDatas.begin(), r.videoDatas.end());
    e.maxSpeed = r.maxSpeed;
    e.isInChina = r.isInChina;
    return e;
}

} // namespace

void MyCache::playPathArrCache(const QList<QUrl> &urls, Completion block, Progress progress)
{
    QStringList refs;
    for (const QUrl &u : urls)
        refs << u.toString(QUrl::FullyEncoded);
    auto *watcher = new QFutureWatcher<PlayList>(qApp);
    QObject::connect(watcher, &QFutureWatcher<PlayList>::finished, watcher, [watcher, block, progress, n = int(refs.size())] {
        PlayList list = g_list.value_or(PlayList());
        list += watcher->result();
        g_list = list;
        if (progress)
            progress(n, n);
        if (block)
            block();
        watcher->deleteLater();
    });
    watcher->setFuture(QtConcurrent::run([refs] {
        PlayList added;
        for (const QString &r : refs)
            added << entryFor(r);
        return added;
    }));
}

void MyCache::syncPlayList(const PlayList &list) { g_list = list; }
void MyCache::playPathClear() { g_list.reset(); }
std::optional<PlayList> MyCache::playList() { return g_list; }

std::optional<QList<GpsSample>> MyCache::findGpsDatas(const QString &path)
{
    if (g_list)
        for (const PlayListEntry &e : *g_list)
            if (e.path == path)
                return e.gpsData;
    return std::nullopt;
}

qint64 MyCache::findMaxSpeed(const QString &path)
{
    if (g_list)
        for (const PlayListEntry &e : *g_list)
            if (e.path == path)
                return e.maxSpeed;
    return 0;
}
