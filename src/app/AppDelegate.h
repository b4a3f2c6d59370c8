// The root object of the running application: start-up, the menu commands,
// opening files, and which play-list entry is active. Exactly one exists;
// other parts reach it through AppDelegate::instance().
#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

class VideoViewController;
class PlayListViewController;
class KTWindowController;

class AppDelegate : public QObject {
    Q_OBJECT
public:
    explicit AppDelegate(QObject *parent = nullptr);
    ~AppDelegate() override;
    static AppDelegate *instance();

    VideoViewController *videoVC() const { return videoVC_; }
    PlayListViewController *playlistVC() const { return playlistVC_; }
    KTWindowController *windowVC() const { return windowVC_; }
    void setVideoVC(VideoViewController *vc) { videoVC_ = vc; }
    void setPlaylistVC(PlayListViewController *vc) { playlistVC_ = vc; }
    void setWindowVC(KTWindowController *vc) { windowVC_ = vc; }

    // Open panel (several video files), then the files go to the store and the first plays.
    void openFile();
    // Opens `urls` as the menu's open does (files from the command line or the desktop).
    void openUrls(const QList<QUrl> &urls);

    // Marks the entry with this path (the last such entry) as the one being played.
    void activeCurrentPlayFile(const QString &path);
    // Marks entry n as the one being played; an index outside the list leaves none active.
    void activeCurrentPlayIndex(int n);

private:
    VideoViewController *videoVC_ = nullptr;
    PlayListViewController *playlistVC_ = nullptr;
    KTWindowController *windowVC_ = nullptr;
};
