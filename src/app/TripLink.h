// The playing trip as the play list tells it, and the way back from the map to a
// clip and second. While the play list does not group its rows into trips, every
// clip it starts is a trip of one; the window's wiring connects to this object
// only, so that the play list's own trip signal and slot take its place one for one.
#pragma once

#include <QList>
#include <QObject>
#include <QUrl>

class PlayListViewController;
class PlaybackSession;

class TripLink : public QObject {
    Q_OBJECT
public:
    TripLink(PlayListViewController *list, PlaybackSession *session, QObject *parent = nullptr);

signals:
    // The playing trip's clips in time order and the place of the clip that plays;
    // emitted whenever playback enters a clip.
    void playingTripChanged(const QList<QUrl> &clips, int playingIndex);

public slots:
    // Plays `clip` (its row of the play list when it has one) from `seconds`.
    void playClipAt(const QUrl &clip, double seconds);

private:
    PlayListViewController *list_;
    PlaybackSession *session_;
    QMetaObject::Connection pendingSeek_;
    QMetaObject::Connection pendingTick_;
    QList<QUrl> trip_;
};
