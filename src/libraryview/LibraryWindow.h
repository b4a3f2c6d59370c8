// The Library window (Library ▸ Show Library, Ctrl+L): the days with driving in a
// calendar strip, the trips of the chosen days with their events, a map of their routes
// from the database, and filters that combine (dates, a place on the map, event kinds,
// protected clips, a camera). A double click on a trip plays it with all its cameras; on
// an event, plays its clip from 5 s before it. Indexing runs in the background with a
// progress bar and Cancel; the window asks the database only for what is committed.
#pragma once

#include "library/LibraryQueries.h"

#include <QDate>
#include <QList>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <optional>
#include <utility>

class CalendarStrip;
class LibraryController;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class RouteMapView;

class LibraryWindow : public QWidget {
    Q_OBJECT
public:
    // `kmph` says the unit distances are shown in.
    LibraryWindow(LibraryController &library, std::function<bool()> kmph, QWidget *parent = nullptr);

    // Library ▸ Add Folder…: a folder chosen in a panel (folderPanel replaces it in
    // tests) is added and indexed.
    void addFolder();
    std::function<QString()> folderPanel;

    // Asks the database again with the filters as they are.
    void refresh();
    void chooseDays(QDate from, QDate to);

    // For tests and screenshots.
    QTreeWidget *tripList() const { return trips_; }
    RouteMapView *map() const { return map_; }
    CalendarStrip *calendar() const { return calendar_; }
    QProgressBar *progressBar() const { return progress_; }
    QLabel *statusLabel() const { return status_; }
    const std::vector<TripRow> &trips() const { return rows_; }
    LibraryFilter filter() const;

    // What an indexing did, for people: LibraryIndexJob::finished's figures.
    static QString summaryText(const QList<qulonglong> &counts, bool cancelled);

    // Seconds before an event that its row plays from.
    static constexpr double kEventLeadSeconds = 5.0;
    // How long the window waits after the library changed before it asks again.
    static constexpr int kChangedSettleMs = 300;

signals:
    // Plays `urls` in the play list, the first from `startAt` seconds.
    void playRequested(const QList<QUrl> &urls, double startAt);

protected:
    void changeEvent(QEvent *) override;
    void showEvent(QShowEvent *) override;

private:
    void retranslate();
    void activated(QTreeWidgetItem *item);
    void showMessage();
    void selectionChanged();
    void fillCameras();
    // The strip's days from the database; the first and last day with a clip.
    std::optional<std::pair<int, int>> fillDays();

    LibraryController &library_;
    std::function<bool()> kmph_;
    CalendarStrip *calendar_ = nullptr;
    QDateEdit *from_ = nullptr, *to_ = nullptr;
    QLabel *fromLabel_ = nullptr, *toLabel_ = nullptr, *radiusLabel_ = nullptr;
    QSpinBox *radius_ = nullptr;
    QToolButton *kinds_ = nullptr;
    QCheckBox *protected_ = nullptr;
    QComboBox *camera_ = nullptr;
    QPushButton *clearPlace_ = nullptr, *addFolder_ = nullptr, *cancel_ = nullptr;
    QTreeWidget *trips_ = nullptr;
    RouteMapView *map_ = nullptr;
    QProgressBar *progress_ = nullptr;
    QLabel *status_ = nullptr;
    std::vector<TripRow> rows_;
    std::vector<EventRow> events_;
    QTimer changedSoon_;
    bool shownOnce_ = false;
    bool refreshing_ = false;
};

// The text of an event kind for people ("Hard braking").
QString eventKindText(LibraryEventKind kind);
