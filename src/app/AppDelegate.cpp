#include "AppDelegate.h"

#include "store/MyCache.h"

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
    Q_UNUSED(urls);
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
