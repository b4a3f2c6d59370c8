#include "TripLink.h"

#include "player/PlaybackSession.h"
#include "playlist/PlayListViewController.h"

TripLink::TripLink(PlayListViewController *list, PlaybackSession *session, QObject *parent)
    : QObject(parent), list_(list), session_(session)
{
    connect(list, &PlayListViewController::playRequested, this,
            [this](const QUrl &url) { emit playingTripChanged({url}, 0); });
}

void TripLink::playClipAt(const QUrl &clip, double seconds)
{
    // The seek waits for the clip to be set up; a newer request replaces it.
    disconnect(pendingSeek_);
    pendingSeek_ = connect(session_, &PlaybackSession::setUpFinished, this, [this, seconds](bool playable) {
        disconnect(pendingSeek_);
        if (playable)
            session_->setCurrentTime(seconds);
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
