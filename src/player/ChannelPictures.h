// The other cameras of the moment that plays: for the session's clip, the rear, cabin
// or side cameras' files beside it (findCompanions), each in its own muted engine and
// picture. The session's clock leads: play, pause, rates, seeks, frame steps and
// skimming are repeated on every follower, and on each of the session's ticks a
// follower that has drifted by more than a frame is sent back (ChannelRules). A camera
// without a playable file this minute shows "No recording" in its tile.
// It also lays the pictures out in the stage the main picture lives in: insets,
// side by side or a grid; a click makes a picture the large one, an inset dragged to
// another corner stays there, Ctrl+wheel over an inset makes the insets larger or smaller.
// A camera whose recording starts a little apart is held at its offset from the lead,
// remembered by its name pattern (ChannelRules::namePattern).
#pragma once

#include "ChannelRules.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <functional>
#include <optional>
#include <vector>

class QLabel;
class QMediaPlayer;
class QVideoSink;
class QWidget;
class PlaybackClock;
class PlaybackSession;
class VideoPicture;

class ChannelPictures : public QObject {
    Q_OBJECT
public:
    // `main` is the session's picture inside `stage`; from now on this places it.
    ChannelPictures(PlaybackSession *lead, QWidget *stage, VideoPicture *main, QObject *parent = nullptr);
    ~ChannelPictures() override;

    // Opens the companions of the local file `path`; an empty path closes them.
    void setClip(const QString &path);
    // The UTC start a clip's GPS gives, for the clips whose telemetry has been read
    // already; the companions are matched by it where both files have one.
    std::function<std::optional<qint64>(const QString &path)> gpsStart;

    // The followers, by channel rank.
    int count() const { return int(tiles_.size()); }
    char channel(int i) const;
    QString file(int i) const;               // empty for a camera missing this minute
    bool isGap(int i) const;                 // "No recording" is shown
    double time(int i) const;                // the follower's clock, seconds
    QVideoSink *videoSink(int i) const;
    QWidget *tile(int i) const;              // the picture, or the gap's label
    // What the stage shows (the main picture, the followers' pictures and gaps' labels)
    // from the large one to the topmost inset, each with its tile as its geometry.
    QList<QWidget *> shown() const { return pictures(); }
    QWidget *stage() const { return stage_; }

    ChannelRules::Arrangement arrangement() const { return arrangement_; }
    void setArrangement(ChannelRules::Arrangement a);
    // The rear camera's picture shown as a rear-view mirror shows it.
    void setMirrorRear(bool on);
    // Makes the picture `w` (the main one or a tile) the large one.
    void enlarge(QWidget *w);
    // The share of the stage's width and height the insets take (ChannelRules::tiles).
    void setInsetShare(double share);
    double insetShare() const { return insetShare_; }

    // Per camera name pattern, the milliseconds its picture is held after the lead's
    // (the main clip's own entry moves the others the other way).
    void setOffsets(const QVariantMap &msByPattern);
    QString pattern(int i) const;
    int offsetMs(int i) const;
    // The follower an offset nudge is for: the last one clicked, else the first.
    int chosen() const;
    // For each local clip of `paths`, the other cameras its folder holds at its second
    // (findCompanions, names only), each with whether it has no recording there. Each
    // folder is listed once. Safe on any thread.
    static QList<QList<QPair<char, bool>>> camerasBeside(const QStringList &paths);
    // "Rear camera", "Cabin camera" for people.
    static QString title(char channel);

signals:
    // A short message for the user, such as two files claiming one camera and time.
    void message(const QString &text, float seconds);
    // The moment's other cameras were opened or closed: `count` of them.
    void camerasChanged(int count);
    // The camera `channel` turned out to have no playable recording: its tile says so.
    void gapShown(char channel);
    // The user sized the insets to `share` (the pictures are placed already).
    void insetShareChosen(double share);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Tile {
        char channel = 0;
        QString file;
        VideoPicture *picture = nullptr;
        QLabel *gap = nullptr;
        QMediaPlayer *engine = nullptr;
        PlaybackClock *clock = nullptr;
        bool ready = false;
        bool seekPending = false;
        QElapsedTimer seekAsked;
        double seekTarget = 0.0;
        ChannelRules::Latencies latency;       // of a seek, until its picture is shown
        ChannelRules::Latencies jumpLatency;   // the same for seeks made with the lead's
        QElapsedTimer offSince;           // out of step since, while playing
        bool resend = false;              // sent to the lead's moment once the pending seek lands
        bool jumping = false;             // the pending seek is one made with the lead's
        double fps = 0.0;                 // as its file says; 0 when unknown
        QElapsedTimer skimSeek;
        std::vector<double> keyFrames;
        bool keyFramesRead = false;
        bool shown = false;               // a picture has come
        double offset = 0.0;              // seconds after the lead
    };
    void closeTiles();
    void openTile(Tile &t);
    void showGap(Tile &t);
    void follow();
    void onLeadTick(double seconds);
    void seekAll(double seconds);
    void seekTile(Tile &t, double seconds);
    void place();
    QList<QWidget *> pictures() const;   // in slot order, the large one first
    void retranslate();
    // Says how a follower's picture differs from the main one's, if it does.
    void compare(Tile &t);
    void applyOffsets();

    PlaybackSession *lead_;
    QWidget *stage_;
    VideoPicture *main_;
    char mainChannel_ = 0;
    QString mainPattern_;
    QVariantMap offsets_;
    char chosen_ = 0;
    std::vector<Tile *> tiles_;
    QList<QPointer<QWidget>> order_;     // the pictures by slot
    QList<ChannelRules::Corner> corners_;   // of the insets, by slot
    ChannelRules::Arrangement arrangement_ = ChannelRules::Arrangement::Insets;
    bool mirrorRear_ = false;
    double insetShare_ = ChannelRules::kInsetShare;
    QPointer<QWidget> pressed_;
    // The lead's own seeks: how long one takes to show its picture, of late.
    struct LeadSeek {
        bool pending = false;
        QElapsedTimer asked;
        double target = 0.0;
        ChannelRules::Latencies latency;
    } leadSeek_;
    QPoint pressedAt_;
    bool sizing_ = false;               // the pressed inset's grip is being dragged
    QPoint sizingFixed_;
    static constexpr double kInsetShareStep = 0.02;   // a notch of the wheel
    static constexpr int kSkimSeekMs = 200;
    static constexpr int kSeekWaitMs = 600;
    static constexpr int kCorrectionGapMs = 1000;
    static constexpr int kQuickCorrectionMs = 300;
    static constexpr int kDriftConfirmMs = 300;
    static constexpr int kFirstPictureMs = 8000;
};
