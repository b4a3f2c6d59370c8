#include "AppDelegate.h"

#include "player/VideoViewController.h"
#include "playlist/PlayListViewController.h"
#include "store/MyCache.h"

#include <QPointer>

static AppDelegate *g_instance = nullptr;

AppDelegate::AppDelegate(QObject *parent) : QObject(parent)
{
    g_instance = this;
}

AppDelegate::~AppDelegate()
{
    if (g_instance == this)
        g_instance = nullptr;
}

AppDelegate *AppDelegate::instance()
{
    return g_instance;
}

void AppDelegate::openFile()
{
}

void AppDelegate::openUrls(const QList<QUrl> &urls)
{
    // The player stops at once; the first file starts once the store has read them
    // all. The play list's current row is left as it is.
    if (videoVC_)
        videoVC_->close();
    if (urls.isEmpty())
        return;
    const QUrl first = urls.first();
    QPointer<AppDelegate> self(this);
    MyCache::playPathArrCache(urls, [self, first] {
        if (!self)
            return;
        self->activeCurrentPlayFile(first.toString(QUrl::FullyEncoded));
        if (self->videoVC_)
            self->videoVC_->initAssetData(first);
        if (self->playlistVC_)
            self->playlistVC_->reloadPlayListData();
    });
}

void AppDelegate::activeCurrentPlayFile(const QString &path)
{
    PlayList list = MyCache::playList().value_or(PlayList());
    for (PlayListEntry &e : list)
        e.activeYN = false;
    for (qsizetype k = list.size() - 1; k >= 0; --k) {
        if (list[k].path == path) {
            list[k].activeYN = true;
            break;
        }
    }
    MyCache::syncPlayList(list);
}

void AppDelegate::activeCurrentPlayIndex(int n)
{
    PlayList list = MyCache::playList().value_or(PlayList());
    for (PlayListEntry &e : list)
        e.activeYN = false;
    if (n >= 0 && n < list.size())
        list[n].activeYN = true;
    MyCache::syncPlayList(list);
}
