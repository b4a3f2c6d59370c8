#include "TripLink.h"

#include "player/PlaybackSession.h"
#include "playlist/PlayListViewController.h"

#include <algorithm>

TripLink::TripLink(PlayListViewController *list, PlaybackSession *session, QObject *parent)
    : QObject(parent), list_(list), session_(session)
{
    // A clip of the trip that plays stays in it; any other clip is a trip of one.
    connect(list, &PlayListViewController::playRequested, this, [this](const QUrl &url) {
        const int k = int(trip_.indexOf(url));
        if (k < 0)
            trip_ = {url};
        emit playingTripChanged(trip_, std::max(k, 0));
    });
    connect(this, &TripLink::playingTripChanged, this, [this](const QList<QUrl> &clips) { trip_ = clips; });
}

void TripLink::playClipAt(const QUrl &clip, double seconds)
{
    // The seek waits for the clip's first tick: a seek while the engine is still
    // setting the clip up is lost. A newer request replaces a waiting one.
    disconnect(pendingSeek_);
    disconnect(pendingTick_);
    pendingSeek_ = connect(session_, &PlaybackSession::setUpFinished, this, [this, seconds](bool playable) {
        disconnect(pendingSeek_);
        if (!playable)
            return;
        pendingTick_ = connect(session_, &PlaybackSession::timeChanged, this, [this, seconds] {
            disconnect(pendingTick_);
            session_->setCurrentTime(seconds);
        });
    });
    const QString path = QString::fromUtf8(clip.toEncoded());
    const PlayList &rows = list_->playlist();
    for (qsizetype row = 0; row < rows.size(); ++row) {
        if (rows.at(row).path == path) {
            list_->selectIndexPlay(row);
            return;
        }
    }
    session_->playUrl(clip);
}
