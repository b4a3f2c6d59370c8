// The areas to blur of the moment that plays: for the playing clip and each other camera
// of its moment, the marks (RedactMarks) kept with the clip's play-list entry. The window
// makes one and hands it to the player, which draws what it says and hands back the
// user's gestures; a new box or a correction is followed through the clip by the tracker
// (one job at a time, with progress and a cancel), and every change is stored with the
// entry at once.
#pragma once

#include "player/PictureMarks.h"
#include "redact/RedactMarks.h"

#include <QFutureWatcher>
#include <QMap>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>

class PlayQueue;
struct PlayListEntry;

class MarkStore : public PictureMarks {
    Q_OBJECT
public:
    explicit MarkStore(PlayQueue *queue, QObject *parent = nullptr);
    ~MarkStore() override;

    // The entry that plays now (null: none); its marks are taken in.
    void follow(const PlayListEntry *entry);

    // PictureMarks
    QList<ShownBox> boxesAt(const QString &file, double seconds) const override;
    QList<MarkBand> bandsOf(const QString &file) const override;
    void drawn(const QString &file, double seconds, const QRectF &box, QSize frame) override;
    void corrected(const QString &file, int id, double seconds, const QRectF &box) override;
    void answered(const QString &file, int id, bool accept) override;
    void choose(const QString &file, int id) override;

    // Offers marks found by the detectors on `file` (not applied until accepted), but
    // none where a mark covers half of the box already; returns how many were offered.
    int offer(const QString &file, MarkKind kind, double seconds, const QList<QRect> &boxes, QSize frame);

    // Redact ▸ Show Marks: off, the pictures and the timeline show none (they are kept).
    void setShown(bool shown);
    bool isShown() const { return shown_; }
    // Redact ▸ Delete Mark: the chosen mark goes; false when none is chosen.
    bool deleteChosen();
    // Redact ▸ Clear Marks of This Clip: every mark of every camera of the moment goes;
    // how many there were.
    int clearMoment();
    // The chosen mark (its file, empty when none, and id).
    QString chosenFile() const { return chosenFile_; }
    int chosenId() const { return chosenId_; }

    // The marks of a camera file: of the moment, else as another entry of the list keeps
    // them (empty when none).
    RedactMarks marksOf(const QString &file) const;
    int count() const;

    // Tracking: whether a job runs, and cancelling it (the mark keeps what it had).
    bool isTracking() const;
    void cancelTracking();
    // The program that decodes the clips for the tracker (ffmpeg unless set).
    QString ffmpeg = QStringLiteral("ffmpeg");
    // The stretch of a clip a mark is followed through (seconds): the export's range
    // when one is marked; unset or nullopt, the whole clip.
    std::function<std::optional<std::pair<double, double>>(const QString &file)> trackRange;
    // One frame's length in a camera file, for its first mark (the default when unset).
    std::function<qint64(const QString &file)> frameUsOf;
    static constexpr qint64 kFrameSlackUs = 1000;

signals:
    // A tracking job began (its mark and file), moved on (frames done of total) and
    // ended; `failure` is empty when it tracked (a loss is no failure), `cancelled`
    // when the user stopped it.
    void trackingStarted(const QString &file, int id);
    void trackingProgress(int done, int total);
    void trackingFinished(const QString &file, int id, const QString &failure, bool cancelled);

private:
    static QString nameOf(const QString &file);
    bool ofMoment(const QString &file) const;
    static qint64 microseconds(double seconds);
    void store();
    void track(const QString &file, int id, std::optional<qint64> aroundKeyUs);
    void startNext();

    QPointer<PlayQueue> queue_;
    quint64 entry_ = 0;
    QString folder_;                       // of the moment's files, with its '/'
    QMap<QString, RedactMarks> marks_;     // by file name
    bool shown_ = true;
    QString chosenFile_;
    int chosenId_ = -1;
    struct Job {
        QString file;
        int id = 0;
        std::optional<qint64> around;
    };
    QList<Job> waiting_;
    std::optional<Job> running_;
    QPointer<QFutureWatcherBase> watcher_;
    quint64 generation_ = 0;   // a follow() or clear drops what a running job finds
};
