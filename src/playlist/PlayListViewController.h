// The play list pane: the table of the files opened in this run with its add and
// remove buttons, the order of play (start a row, next, previous, end of file),
// and below the table the position and compass panel, to which the module
// operations of the player's gpsInfoDelegate slot are passed on. It also sits in
// the player's videoEndDelegate slot.
#pragma once

#include "PlayListTrips.h"
#include "modules/KTModuleProtocol.h"
#include "store/PlayListEntry.h"

#include <QColor>
#include <QList>
#include <QPointer>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <optional>

class PlayListModel;
class PlayListTableView;
class PositionCompassPanel;
class QKeyEvent;
class QLabel;
class QProgressBar;
class QPushButton;
class Settings;

class PlayListViewController : public QWidget, public KTModuleProtocol {
    Q_OBJECT
public:
    // Trips are grouped and captioned as `settings` say (the pause within a trip, the unit).
    explicit PlayListViewController(Settings &settings, QWidget *parent = nullptr);
    ~PlayListViewController() override;

    // Module operations: the first three go to the position and compass panel.
    void dataLogicProcessOfViodePath(const QString &path) override;
    void videoAllTime(double seconds) override;
    void updateDataByCurrentTime(double seconds) override;
    void videoEnd() override;
    void playNext(bool next) override;
    qint64 zoomInMapWindow(qint64 state) override { return state; }

    // The position and compass panel under the table, made by the window: the first
    // three module operations are passed on to it.
    template <class Panel>
    void setPositionPanel(Panel *panel)
    {
        gpsPanel = panel;
        positionModule_.set(panel);
        adoptPositionPanel(panel);
    }

    // Sequencing: starts row n when it is a row, else only resets selectIndex.
    void selectIndexPlay(qint64 n);
    // Asks the player (playRequested) to close its file and open the entry's URL text.
    void playCurrentItem(const QString &path);
    // A file opened outside the list (menu, command line) is playing: its entry,
    // the one marked active, becomes the current and selected row without being
    // started again, so that the list goes on with the row after it.
    void followActiveEntry();

    // Asks for files (openPanel) and appends them; the last one then plays.
    void addVideoPlay();
    // Removes the row of selectIndex; the first remaining row then plays.
    void removeVideoPlay();
    // Working list := the stored play list; the table reloads.
    void reloadPlayListData();
    // The player's keys first (playerKeyPressed), then Ctrl+A asks the table to select all.
    // Returns true when the key was used up.
    bool keyDown(QKeyEvent *event);
    static QString abbreviationFile(const QString &path);
    // Title drawn in `color` (red when none), 16 px, right-aligned.
    static void setButtonColor(QPushButton *button, std::optional<QColor> color);

    const PlayList &playlist() const;
    bool isReadingFiles() const { return readsPending_ > 0; }

    // The trips of the list as the table shows them.
    const QList<PlayListTrip> &trips() const { return trips_; }
    // The longest pause between two clips of a trip: "trip_gap_seconds" in the
    // settings, 10 s when unset or not a number from 0 to a day.
    qint64 tripGapMs() const;
    // What File ▸ Export Track… writes: the selected rows when more than one is
    // selected, else the trip of the playing (or else the selected) row, else the
    // whole list.
    QList<QUrl> exportClips() const;

public slots:
    // Makes the entry of `clip` the playing one, as a double-click on its row does,
    // and starts it at `seconds`. Nothing happens when the clip is not in the list.
    void playClipAt(const QUrl &clip, double seconds);

public:

    // Row of the file playing or last started; -1 = none.
    qint64 selectIndex = -1;

    // The open dialog: returns the chosen files, empty when cancelled.
    std::function<QList<QUrl>(QWidget *parent)> openPanel;

    PlayListModel *model() const { return model_; }
    PlayListTableView *tableView = nullptr;
    QPushButton *buttonAdd = nullptr;
    QPushButton *buttonRemove = nullptr;
    QProgressBar *progressBar = nullptr;
    QLabel *progressLabel = nullptr;
    PositionCompassPanel *gpsPanel = nullptr;

signals:
    // The store has finished reading added files (before the last one is started).
    void filesAdded();
    // A row starts: the player closes its file and opens `url`.
    void playRequested(const QUrl &url);
    // Row n was started (the active entry of the stored list follows it).
    void playIndexStarted(int n);
    // The playing row was removed: the player closes its file.
    void closeRequested();
    // A key the player answers (Space, Escape) reached the list.
    void playerKeyPressed(QKeyEvent *event);
    // Playback entered a clip: the clips of its trip in time order and its place
    // among them (a clip not in the list, or in no trip, is a trip of one).
    void playingTripChanged(const QList<QUrl> &clips, int playingIndex);
    // The clip requested next (playRequested) is to start at `seconds`.
    void startAtRequested(double seconds);
    // A short message for the user (a toast), shown for `seconds`.
    void message(const QString &text, float seconds);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void buildTable();
    void retranslate();
    void layoutParts();
    void selectRowLater();
    void selectRow(qint64 row);
    void moveRows(const QList<int> &rows, int destination);
    void showProgress(int done, int total);
    void adoptPositionPanel(QWidget *panel);
    void updateTrips();
    // Puts the stored list in trip order; selectIndex follows its entry.
    void sortIntoTrips();
    // playingTripChanged for the clip playing: always, or only when its trip or its
    // place in it differs from what was last announced.
    void announcePlayingTrip(bool always);

    Settings &settings_;
    QList<PlayListTrip> trips_;
    QList<int> tripOfRow_;
    QString playingPath_;
    QList<QUrl> announcedClips_;
    int announcedIndex_ = -1;
    int skipStep_ = 1;   // where a missing file is skipped to: the next or the previous row
    ModuleSlot positionModule_;
    QPointer<QWidget> positionView_;

    PlayListModel *model_ = nullptr;
    int readsPending_ = 0;
    int progressDone_ = 0;
    int progressTotal_ = 0;
};
