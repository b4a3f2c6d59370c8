// The play list pane: the table of the play queue's entries with its add and remove
// buttons, and below the table the position and compass panel. The queue decides what
// plays; the pane shows it (the current entry's row selected, the read progress) and
// asks it (a row chosen, Add, Remove, rows dragged).
#pragma once

#include "drive/PlayListTrips.h"
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
class PlayQueue;
class PositionCompassPanel;
class QKeyEvent;
class QLabel;
class QProgressBar;
class QPushButton;
class Settings;

class PlayListView : public QWidget {
    Q_OBJECT
public:
    // Trip captions are in the unit `settings` choose.
    explicit PlayListView(PlayQueue *queue, Settings &settings, QWidget *parent = nullptr);
    ~PlayListView() override;

    PlayQueue *queue() const { return queue_; }

    // The position and compass panel under the table, made by the window.
    template <class Panel>
    void setPositionPanel(Panel *panel)
    {
        gpsPanel = panel;
        adoptPositionPanel(panel);
    }

    // Asks for files (openPanel) and hands them to the queue; the first one then plays.
    void addVideoPlay();
    // Removes the current entry; the first remaining row then plays.
    void removeVideoPlay();
    // The queue takes in the stored list again; the table reloads.
    void reloadPlayListData();
    // The player's keys first (playerKeyPressed), then Ctrl+A asks the table to select all.
    // Returns true when the key was used up.
    bool keyDown(QKeyEvent *event);
    static QString abbreviationFile(const QString &path);
    // Title drawn in `color` (red when none), 16 px, right-aligned.
    static void setButtonColor(QPushButton *button, std::optional<QColor> color);

    const PlayList &playlist() const;
    bool isReadingFiles() const;

    // The trips of the list as the table shows them.
    const QList<PlayListTrip> &trips() const;
    // What File ▸ Export Track… writes: the selected rows when more than one is
    // selected, else the trip of the playing (or else the selected) row, else the
    // whole list.
    QList<QUrl> exportClips() const;

    // The open dialog: returns the chosen files, empty when cancelled.
    std::function<QList<QUrl>(QWidget *parent)> openPanel;

    PlayListModel *model() const { return model_; }
    PlayListTableView *tableView = nullptr;
    QPushButton *buttonAdd = nullptr;
    QPushButton *buttonRemove = nullptr;
    QProgressBar *progressBar = nullptr;
    QLabel *progressLabel = nullptr;
    // What an empty list shows: how to start.
    QLabel *emptyHint = nullptr;
    PositionCompassPanel *gpsPanel = nullptr;

signals:
    // A key the player answers (Space, Escape) reached the list.
    void playerKeyPressed(QKeyEvent *event);
    // A short message for the user (a toast), shown for `seconds`.
    void message(const QString &text, float seconds);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    int foldersFound_ = -1;
    void buildTable();
    void retranslate();
    void layoutParts();
    // The current entry's row, selected on a later turn of the event loop.
    void selectRowLater();
    void selectRow(qint64 row);
    void moveRows(const QList<int> &rows, int destination);
    void showProgress(int done, int total);
    // The table shows the queue's entries and trips again, keeping its selected row.
    void showEntries();
    void adoptPositionPanel(QWidget *panel);

    PlayQueue *queue_ = nullptr;
    Settings &settings_;
    QPointer<QWidget> positionView_;

    PlayListModel *model_ = nullptr;
    int progressDone_ = 0;
    int progressTotal_ = 0;
};
