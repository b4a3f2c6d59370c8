// The root object of the running application: start-up and the menu commands. The
// window registers its parts here (the player, the play list, the play queue and the
// drive's telemetry); files opened from the menu go to the queue. main makes it and
// hands it to the window, which hands the parts what they need of it.
#pragma once

#include "map/MapSnapshot.h"
#include "redact/RedactMarks.h"

#include <QList>
#include <QObject>
#include <QKeySequence>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <functional>

class DriveTelemetry;
struct TrackAttachment;
class PlayQueue;
class QAction;
class QMenuBar;
class QFileInfo;
class PlayerView;
class PlayListView;
class MainWindow;
class MapPane;
class ExportVideoDialog;
class IncidentBlurDialog;
class OverlayExport;
class AppController;
class AppToast;
class PreferencesWindow;
class IncidentExport;
class MarkStore;
class QProgressDialog;
class Settings;

class AppDelegate : public QObject {
    Q_OBJECT
public:
    // The menus show and change `settings`, which the window hands to its parts.
    explicit AppDelegate(Settings &settings, QObject *parent = nullptr);
    ~AppDelegate() override;

    Settings &settings() const { return settings_; }
    // The toasts of the application: at most one on screen.
    AppToast *toaster() const { return toaster_; }
    // A part's message for the user, in a toast for `seconds`.
    void showMessage(const QString &text, float seconds);
    // The answer to what the user just did (files opened, dropped or refused): it takes
    // the place of a message on screen rather than waiting behind it.
    void showAnswer(const QString &text, float seconds);

    // The main controllers, registered by the window that makes them; each slot
    // empties itself when its controller goes.
    PlayerView *playerView() const;
    PlayListView *playListView() const;
    MainWindow *mainWindow() const;
    PlayQueue *queue() const;
    DriveTelemetry *telemetry() const;
    void setPlayerView(PlayerView *vc);
    void setPlayListView(PlayListView *vc);
    void setMainWindow(MainWindow *vc);
    void setQueue(PlayQueue *queue);
    void setTelemetry(DriveTelemetry *telemetry);
    // The areas to blur of the moment that plays (Redact menu, exports).
    MarkStore *marks() const;
    void setMarks(MarkStore *marks);
    // Redact ▸ Find Faces and Plates: pauses, then looks for faces and number plates on
    // the frame each camera of the moment shows (off the window's thread); what is found
    // is offered as marks to accept or drop, and a toast says how many, or that there
    // were none.
    void findFacesAndPlates();

    // The menu items whose check marks follow the settings.
    QPointer<QAction> menuitemmph, spdkmh, googleMapsItem, openstreetItem, tutorialvideo;

    void buildMenus(QMenuBar *bar);
    void finishStartup();
    // Shows the main window again when none is visible; answers `hasVisibleWindows`.

    // Open panel (several video files), then the files go to the queue and the first plays.
    void openFile();
    // File ▸ Open Folder…: every recording in a folder and below it (a card, a copy).
    void openFolder();
    // Opens a link with the desktop's program for it; a toast when there is none.
    void openLink(const QUrl &url);
    // The path an export's dialog starts with: `name` in the folder the last export went
    // to, else beside `clip`.
    QString exportSuggestion(const QFileInfo &clip, const QString &name) const;
    void rememberExportFolder(const QString &chosenFile);
    // The row of Other Time Zone…'s list to start on.
    static int zoneRow(const QStringList &ids, const QString &chosen);
    // Hands `urls` to the play queue as the menu's open does (also files from the command
    // line or the desktop); the first plays, from `startAt` seconds.
    void openUrls(const QList<QUrl> &urls, double startAt = 0);
    // Replaces the open panel (tests): returns the chosen files, empty when cancelled.
    std::function<QList<QUrl>()> openPanel;
    // The folder dialog: the chosen folder, empty when cancelled.
    std::function<QString()> openFolderPanel;
    // Help ▸ Version's box, for tests: its title and text instead of showing it.
    std::function<void(const QString &title, const QString &text)> versionPanel;

    // File ▸ Export Track…: the play list's export clips (the selected rows or the
    // playing trip) to a GPX, KML or CSV file chosen in a save panel; a toast tells
    // how it went.
    void exportTrack();
    // Replaces the save panel (tests): returns the file name as typed (the panel's first
    // format fills in a missing suffix), empty when cancelled.
    std::function<QString()> trackExportPanel;
    // The export ended: empty, or why it failed.
    Q_SIGNAL void trackExported(const QString &error);

    // File ▸ Attach GPS Track…: a GPX file chosen in an open panel gives the playing clip,
    // or each clip of its trip, without a position of its own the track's samples for
    // its time (PlayQueue::attachTrack); a toast tells how it went.
    void attachTrack();
    // Replace the open panel and the question "this clip or the whole trip?" (tests):
    // the chosen file, empty when cancelled; true for the whole trip.
    std::function<QString()> attachTrackPanel;
    std::function<bool()> attachWholeTripPanel;
    // The attachment ended: the toast's text.
    Q_SIGNAL void trackAttached(const QString &message);

    // File ▸ Preferences…: the preferences window, made once and reused.
    void showPreferences();
    PreferencesWindow *preferenceController() const;

    // File ▸ Export Incident…: the marked segment of the open clip with its GPX and a
    // picture of the frame on screen, after asking where (exportPanel replaces the
    // dialog in tests: it gets a suggested path and returns the chosen one, empty when
    // cancelled). The export under way, null when none.
    void exportIncident();
    std::function<QString(const QString &suggested)> exportPanel;
    // Both exports ask once whether to replace every file of theirs that is there already
    // (named in `question`); this replaces that dialog in tests: true to replace.
    std::function<bool(const QString &question)> replacePanel;
    IncidentExport *incidentExport() const;
    // File ▸ Export Video…: the segment, the clip or its trip with the telemetry drawn on
    // the picture, or the overlay alone; a dialog with a preview, then where to write it
    // (exportPanel, replacePanel as above). exportVideoDialog replaces the dialog in
    // tests: it gets the dialog, set up, and returns true to go on.
    void exportVideo();
    std::function<bool(ExportVideoDialog *dialog)> exportVideoDialog;
    OverlayExport *overlayExport() const;
    Q_SIGNAL void videoExported(bool ok, const QString &message);
    // The map's tiles kept on this machine, for the overlay's map.
    std::function<MapSnapshot::Tiles()> mapTiles;
    // The marks to blur of a camera file of the moment (Redact menu); unset or empty: none.
    // When the clips of an export have accepted marks, both exports offer "Blur marked
    // areas": the incident export in a dialog of its own before the save panel
    // (incidentBlurDialog replaces it in tests, true to go on), File ▸ Export Video in its
    // dialog; the choice is remembered.
    std::function<RedactMarks(const QString &file)> marksOfClip;
    std::function<bool(IncidentBlurDialog *dialog)> incidentBlurDialog;
    QProgressDialog *exportProgress() const;
    // Settings ▸ Caption Under Captures: the strip of figures under captured pictures.
    QPointer<QAction> captionItem;
    // View ▸ Clean GPS Glitches: glitches are left out of routes, distances, maxima and events.
    QPointer<QAction> cleanGpsItem;
    QPointer<QAction> smoothRouteItem;
    QPointer<QAction> fullLocationItem, coarseLocationItem, noLocationItem;
    // View ▸ Times: the clock the play list's times and trip captions are shown on.
    QPointer<QAction> cameraTimeItem, utcTimeItem, systemTimeItem, zoneTimeItem;
    // Playback ▸ Telemetry Earlier / Later (a step each way) and Reset Telemetry Offset:
    // the playing clip's camera's telemetry against its picture, kept per camera name
    // pattern; a message says where it is now.
    QPointer<QAction> telemetryEarlierItem, telemetryLaterItem, telemetryResetItem;
    // Help ▸ Keyboard Shortcuts.
    void showKeyGuide();
    static constexpr int kTelemetryStepMs = 100;
    void nudgeTelemetry(int stepMs);
    void resetTelemetryOffset();

    void mphspd();
    void kmhspd();
    void googleAction();
    void openstreetAction();
    void showversion();
    void visitabout();
    void watchvideo();
    void visitwebsite();
    void visitshop();

signals:
    // An open has read its files and started the first one.
    void filesOpened();
    // Find Faces and Plates ended: `offered` marks are offered (0: nothing found, or
    // `failure` says why nothing could be looked for).
    void areasFound(int offered, const QString &failure);
    // An incident export ended: ok when its three files are there; `message` says why not.
    void incidentExported(bool ok, const QString &message);

private:
    void tellAttached(const TrackAttachment &done, const QString &name, const std::function<void(const QString &)> &tell);
    void retranslateMenus();
    // The unit and map check marks show the stored settings.
    void updateCheckMarks();
    bool eventFilter(QObject *watched, QEvent *event) override;

    Settings &settings_;
    AppToast *toaster_ = nullptr;
    QPointer<PlayerView> playerView_;
    QPointer<PlayListView> playListView_;
    QPointer<MainWindow> mainWindow_;
    QPointer<PlayQueue> queue_;
    QPointer<DriveTelemetry> telemetry_;
    QPointer<MarkStore> marks_;
    AppController *appController_ = nullptr;
    QPointer<QMenuBar> menuBar_;
    QPointer<IncidentExport> export_;
    QPointer<OverlayExport> overlayExport_;
    QPointer<QProgressDialog> exportProgress_;
    // A menu's title gets `mnemonic` (Alt+letter); a command whose key another object
    // of the window holds shows `shown` beside it.
    struct MenuText { QPointer<QObject> item; const char *key; char mnemonic = 0; QKeySequence shown = {}; };
    QList<MenuText> menuTexts_;
};
