// The player: owns the media engine and its playback clock, and turns every clock
// tick into one updateDataByCurrentTime call on each instrument module. Also the
// control bar under the picture (transport, rate steps, volume, seeking, expand,
// capture, settings and help overlays) and the keyboard shortcuts of the player.
#pragma once

#include "modules/KTModuleProtocol.h"

#include <QPointer>
#include <QUrl>
#include <QWidget>

class QAbstractButton;
class QAudioOutput;
class QButtonGroup;
class QFrame;
class QKeyEvent;
class QLabel;
class QMediaPlayer;
class QPushButton;
class QSlider;
class QToolButton;
class QVideoWidget;
class PlaybackClock;

class VideoViewController : public QWidget {
    Q_OBJECT
public:
    explicit VideoViewController(QWidget *parent = nullptr);
    ~VideoViewController() override;

    // Module slots, filled once by the window layout.
    ModuleSlot gpsDelegate;
    ModuleSlot gpsInfoDelegate;
    ModuleSlot speedDelegate;
    ModuleSlot videoEndDelegate;
    ModuleSlot zoomInDelegate;
    ModuleSlot removesourceMap;

    // Expand state exchanged with the layout (zoomInVideoPlayWindow).
    qint64 zoomState = 0;

    // Hands the file to the modules and starts loading it; plays once it is playable.
    void initAssetData(const QUrl &url);
    // Stops and tears down the current file; harmless when nothing is open.
    void close();
    // Closes the current file and opens `url` (a play-list row that starts).
    void playUrl(const QUrl &url);

    // Seconds; 0 without a player. Setting it seeks to the nearest whole second.
    double currentTime() const;
    void setCurrentTime(double seconds);
    // The file's duration in seconds once it is ready to play, else 0.
    double duration() const;
    // 0.0 .. 1.0; setting it stores "volume" at once.
    float volume() const;
    void setVolume(float v);

    // The clock tick: the modules, the slider, the label, then the end-of-file test.
    void tick(double seconds);

    // Space plays or pauses; Escape toggles full screen of the main window.
    void keyDown(QKeyEvent *event);
    void execPlayOrPause();

    // The folder of captured pictures (created when missing).
    static QString pictureSaveDirectory();

    // The playing engine once a file has been set up (stays, without media, after close).
    QMediaPlayer *player() const;
    bool isAddVideoFile() const { return isAddVideoFile_; }
    // The rate last requested through the controls (0 while paused).
    double requestedRate() const;

    // Controls, exposed for the window and the tests.
    QWidget *containerView = nullptr;
    QLabel *defaultImage = nullptr;
    QVideoWidget *videoWidget = nullptr;
    QWidget *controlView = nullptr;
    QSlider *timeSlider = nullptr;
    QSlider *volumSlider = nullptr;
    QLabel *currentTimeField = nullptr;
    QLabel *totalTimeField = nullptr;
    QToolButton *playButton = nullptr;
    QToolButton *stopButton = nullptr;
    QToolButton *backwardButton = nullptr;
    QToolButton *forwardButton = nullptr;
    QToolButton *lastButton = nullptr;
    QToolButton *nextButton = nullptr;
    QToolButton *voiceBtn = nullptr;
    QToolButton *fullscreen = nullptr;
    QToolButton *captureButton = nullptr;
    QToolButton *lookPictureButton = nullptr;
    QToolButton *fileButton = nullptr;
    QToolButton *settingsButton = nullptr;
    QToolButton *helpButton = nullptr;
    QFrame *settingsDialog = nullptr;
    QButtonGroup *radioSpeed = nullptr;
    QButtonGroup *radioLanguage = nullptr;
    QButtonGroup *radioMap = nullptr;
    QFrame *helpDialog = nullptr;
    QPushButton *helpVideo = nullptr;
    QPushButton *helpWebsite = nullptr;
    QPushButton *helpShop = nullptr;
    QPushButton *helpAbout = nullptr;
    QLabel *aboutImageinfo = nullptr;
    QToolButton *closeAboutInfo = nullptr;

    // The fast and reverse step tables and their indices (shared program-wide).
    static constexpr int RATE_VIDEO[] = {2, 5, 10, 60};
    static constexpr int RATE_VIDEO_LENGTH = 4;
    static int rateIndexForward();
    static int rateIndexBackward();

public slots:
    void playOrPause();
    void stopVideo();
    void forwardRate();
    void backwardRate();
    void nextFile();
    void lastFile();
    void zoomInOut();
    void settings();
    void helps();
    void videoHelpClick();
    void websiteHelpClick();
    void shopClick();
    void aboutHelpClick();
    void closeAboutClick();
    void speedRadio();
    void languageRadio();
    void mapRadio();
    void clickVoiceBtn();
    void capture();
    void lookPicture();
    void openFile();

signals:
    // The open control was used: the window shows its open dialog.
    void openFileRequested();
    // Every clock tick, after the modules had it (seconds).
    void ticked(double seconds);
    // The set-up of the file ended: true when it plays, false when it was not playable.
    void setUpFinished(bool playable);
    // A capture finished writing (or failed); `path` is the intended file.
    void captureFinished(const QString &path, bool ok);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void buildView();
    void retranslate();
    void placeOverlays();
    // The overlay's radio rows show the current unit, language and map.
    void showSettings();
    void onMediaStatus(int status);
    void setUpPlaybackOfAsset();
    void updatePlayButton();
    void showFirstFrame();
    void setRate(double rate);
    void saveImageFileToDiskPath(const QString &path);

    QMediaPlayer *engine_ = nullptr;
    QAudioOutput *audio_ = nullptr;
    PlaybackClock *clock_ = nullptr;
    bool isAddVideoFile_ = false;
    bool loading_ = false;
    bool playerBuilt_ = false;   // a set-up has succeeded once
    bool ready_ = false;         // the current file is set up and ready to play
    bool observing_ = false;     // the clock observer is installed for the current file
    bool waitingFirstFrame_ = false;
};
