// The play list as the program plays it: the entries (kept in the track store, TrackStore,
// which writes them to disk), the one current entry, and the order of play. Every way
// files come in (the open dialog, the Add button, the command line, a second start,
// the remote control) goes through open(), and the first of the files handed in then
// plays. The play-list pane shows the queue and asks it; the player asks it for the
// next file; nothing here knows a widget or the player.
#pragma once

#include <atomic>
#include <memory>

#include "PlayListTrips.h"
#include "store/PlayListEntry.h"

#include <QList>
#include <QObject>
#include <QStringList>
#include <QUrl>

#include <optional>

class GpxTrack;

class Settings;

// What attaching a GPS track did.
struct TrackAttachment {
    enum Outcome {
        Attached,       // `clips` clips without a position of their own now have the track's
        Unreadable,     // the file is no GPX track (or cannot be read)
        NotCovered,     // the track's times do not cover any of the clips
        HaveTheirOwn,   // every clip has positions of its own, which it keeps
        NoClip,         // no clip is playing
    };
    Outcome outcome = NoClip;
    int clips = 0;
};

struct OpenOptions {
    double startAt = 0;   // seconds into the first file
};

class PlayQueue : public QObject {
    Q_OBJECT
public:
    // Starts empty; reload() takes in the stored list. Trips are grouped with the
    // pause within a trip that `settings` give.
    explicit PlayQueue(Settings &settings, QObject *parent = nullptr);
    ~PlayQueue() override;

    // --- the entries ---
    const PlayList &entries() const { return list_; }
    int count() const { return int(list_.size()); }
    // The row of the entry with this id, -1 when it is not in the list.
    int rowOf(quint64 id) const;
    // Takes in the stored list again (after the store was changed beneath the queue).
    void reload();
    // Empties the list; the player is left alone.
    void clear();
    // The trips of the list as grouped now, and the trip of each row (-1: none).
    const QList<PlayListTrip> &trips() const { return trips_; }
    const QList<int> &tripOfRows() const { return tripOfRow_; }
    // The longest pause between two clips of a trip: "trip_gap_seconds" in the
    // settings, 10 s when unset or not a number from 0 to a day.
    qint64 tripGapMs() const;

    // --- the current entry: the one whose file was started last, while it is listed ---
    quint64 currentId() const { return current_; }
    int currentRow() const { return rowOf(current_); }
    const PlayListEntry *current() const;
    // The areas to blur of the entry with this id (by camera file name) are now `marks`;
    // the list is stored. False when the entry is no longer listed.
    bool setMarks(quint64 id, const QMap<QString, RedactMarks> &marks);
    // The current entry's clock, its error shared with its trip's clips; null when none.
    std::shared_ptr<const ClipClock> currentClock() const;

    // --- the order of play ---
    // Starts row n; a file gone from disk is passed over (skipped) towards the end of
    // the list, or towards its start after previous(). A row outside the list leaves
    // no entry current and the player as it is.
    void play(int row);
    void next();
    void previous();
    // The playing file ended: the row after the current one.
    void endOfFile();
    // Starts the first entry of `clip` at `seconds`; nothing when it is not listed.
    void playClipAt(const QUrl &clip, double seconds);
    // Removes the current entry (the player closes), then starts the first row.
    void removeCurrent();
    // Moves `rows` to sit before row `destination` (count: at the end); the current
    // entry stays current.
    void move(const QList<int> &rows, int destination);
    // What an export of the list takes: `selected` rows when more than one, else the
    // trip of the current (or else the selected) row, else the whole list.
    QList<QUrl> exportClips(const QList<int> &selected) const;

    // --- files in ---
    // Checks the files (RecordingFiles), reads the telemetry of those it takes in the
    // background, adds them, puts the list's trips in time order and starts the first
    // of them (from options.startAt). Returns at once.
    // A folder among `urls` stands for every recording in it and below it, found off the
    // window's thread (folderProgress tells how many so far).
    void open(const QList<QUrl> &urls, const OpenOptions &options = {});
    bool isReading() const { return reads_ > 0; }
    bool isLookingInFolders() const { return walks_ > 0; }

    // --- a GPS track from elsewhere ---
    // Gives the current clip (or every clip of its trip) without a position of its own
    // the samples of the GPX file at `gpxPath` for the clip's time: the time in its name
    // read in the system's time zone, else its first fix's UTC. The entries remember
    // the file; clips with positions keep theirs.
    TrackAttachment attachTrack(const QString &gpxPath, bool wholeTrip);
    // The same with the file read already (null: it could not be read), so that the
    // reading can be done off the window's thread.
    TrackAttachment attachTrack(const GpxTrack *track, const QString &gpxPath, bool wholeTrip);
    // The UTC start of an entry as attaching matches it, ms since 1970; none when unknown.
    static std::optional<qint64> utcStartMs(const PlayListEntry &entry);
    // The rows of the current entry's trip (the current row alone when in none).
    QList<int> rowsOfCurrentTrip() const;

signals:
    // The entries, their order or their trips changed.
    void entriesChanged();
    // An entry started (also one that was current already), or no entry is current any
    // more (null). Comes after playRequested.
    void currentChanged(const PlayListEntry *entry);
    // The player closes its file and opens `url`, going to `startAtSeconds` once it runs.
    void playRequested(const QUrl &url, double startAtSeconds);
    // The playing entry was removed: the player closes its file.
    void closeRequested();
    // The clips of the current entry's trip in time order and its place among them (an
    // entry in no trip is a trip of one). On every start, and when a list change
    // changes that trip.
    void tripOfCurrentChanged(const PlayList &clips, int index);
    // Files read so far of the reads under way; (0, 0) when the last read ended.
    void readProgress(int done, int total);
    // Recordings found so far in the folders being looked through; -1 when the look ended.
    void folderProgress(int found);
    // Files handed in that cannot be taken in, one line each ("name: reason").
    void refused(const QStringList &lines);
    // A file gone from disk was passed over.
    void skipped(const QString &line);
    // The files of an open() joined the list and the first of them started.
    void opened();

private:
    void start(int row, double startAt);
    void setCurrent(quint64 id);
    // Writes the list to the store, the current entry marked active.
    void store();
    void listChanged();
    void sortIntoTrips();
    void announceTrip(bool always);

    Settings &settings_;
    PlayList list_;
    quint64 current_ = 0;
    int skipStep_ = 1;   // where a missing file is skipped to: the next or the previous row
    QList<PlayListTrip> trips_;
    QList<int> tripOfRow_;
    QList<quint64> announcedTrip_;
    int announcedIndex_ = -1;
    int reads_ = 0;
    int walks_ = 0;
    // Set when the queue goes, so that a walk still under way ends early.
    std::shared_ptr<std::atomic_bool> cancelWalks_ = std::make_shared<std::atomic_bool>(false);
    void openFiles(const QList<QUrl> &urls, const OpenOptions &options);
};
