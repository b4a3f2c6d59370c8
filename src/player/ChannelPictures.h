// The other cameras of the moment that plays: for the main clip, the rear, cabin or
// side cameras' files beside it (findCompanions), each with its picture. The media
// engine plays them all on one pipeline with the main one (engineCameras() is what it
// is handed), so they are in step by construction; a camera without a playable file
// this minute shows "No recording" in its tile.
// It also lays the pictures out in the stage the main picture lives in: insets,
// side by side or a grid; a click makes a picture the large one, an inset dragged to
// another corner stays there, Ctrl+wheel over an inset makes the insets larger or smaller.
// A camera whose recording starts a little apart is held at its offset from the main
// one: by what the files say of their start (one that started 2 s late shows "No
// recording" for those 2 s), and as the user nudged it, remembered by its name pattern
// (ChannelRules::namePattern).
#pragma once

#include "ChannelRules.h"
#include "media/MediaEngine.h"

#include <QHash>
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
class QVideoSink;
class QWidget;
class VideoPicture;

class ChannelPictures : public QObject {
    Q_OBJECT
public:
    // `main` is the main camera's picture inside `stage`; from now on this places it.
    ChannelPictures(MediaEngine *engine, QWidget *stage, VideoPicture *main, QObject *parent = nullptr);
    ~ChannelPictures() override;

    // Opens the companions of the local file `path`; an empty path closes them.
    void setClip(const QString &path);
    // The cameras of the clip set last that have a file to play, for the engine.
    QList<MediaEngine::Camera> engineCameras() const;
    // The UTC start a clip's GPS gives, for the clips whose telemetry has been read
    // already; the companions are matched by it where both files have one.
    std::function<std::optional<qint64>(const QString &path)> gpsStart;

    // The other cameras, by channel rank.
    int count() const { return int(tiles_.size()); }
    char channel(int i) const;
    QString file(int i) const;               // empty for a camera missing this minute
    bool isGap(int i) const;                 // "No recording" is shown
    // Its recording starts later than the main camera's time: "No recording" until then.
    bool isBeforeStart(int i) const;
    double time(int i) const;                // the time of its picture shown, seconds
    QVideoSink *videoSink(int i) const;
    QWidget *tile(int i) const;              // the picture, or the gap's label
    // What the stage shows (the main picture, the other cameras' pictures and gaps' labels)
    // from the large one to the topmost inset, each with its tile as its geometry.
    QList<QWidget *> shown() const { return pictures(); }
    QWidget *stage() const { return stage_; }

    ChannelRules::Arrangement arrangement() const { return arrangement_; }
    // Side by side or a grid shown as insets after a click on a picture (ChannelRules::clicked).
    bool isFocused() const { return focused_; }
    void setArrangement(ChannelRules::Arrangement a);
    // The rear camera's picture shown as a rear-view mirror shows it.
    void setMirrorRear(bool on);
    // Makes the picture `w` (the main one or a tile) the large one.
    void enlarge(QWidget *w);
    // The share of the stage's width and height the insets take (ChannelRules::tiles).
    void setInsetShare(double share);
    double insetShare() const { return insetShare_; }

    // Per camera name pattern, the milliseconds its picture is held after the main one's
    // (the main clip's own entry moves the others the other way).
    void setOffsets(const QVariantMap &msByPattern);
    QString pattern(int i) const;
    int offsetMs(int i) const;
    // The camera an offset nudge is for: the last one clicked, else the first.
    int chosen() const;
    // For each local clip of `paths`, the other cameras its folder holds at its second
    // (findCompanions, names only), each with whether it has no recording there. Each
    // folder is listed once. Safe on any thread.
    static QList<QList<ChannelRules::Beside>> camerasBeside(const QStringList &paths);
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
        int camera = 0;                   // the engine's number for it; 0 without a file
        VideoPicture *picture = nullptr;
        QLabel *gap = nullptr;
        double offset = 0.0;              // seconds after the main camera
        double late = 0.0;                // seconds its recording starts after the main one's
        QLabel *waiting = nullptr;        // shown in the picture's place before its start
        bool beforeStart = false;
    };
    void showBeforeStart(Tile &t, bool on);
    // The label that stands in a camera's picture ("No recording"), named `prefix` + channel.
    QLabel *newTileLabel(const QString &prefix, char channel);
    void closeTiles();
    void openTile(Tile &t);
    void showGap(Tile &t);
    // Width over height of the insets' pictures; 0 before they are known.
    double insetAspect() const;
    void place();
    // Each picture's camera named at its top while the moment shows more than one.
    void placeNames(const QList<QWidget *> &shown, const QList<QRect> &rects);
    char channelOf(const QWidget *picture) const;
    QList<QWidget *> pictures() const;   // in slot order, the large one first
    void retranslate();
    // Says how another camera's picture differs from the main one's, if it does.
    void compare(Tile &t);
    void applyOffsets();

    MediaEngine *engine_;
    QWidget *stage_;
    VideoPicture *main_;
    char mainChannel_ = 0;
    QString mainPattern_;
    QVariantMap offsets_;
    char chosen_ = 0;
    std::vector<Tile *> tiles_;
    QHash<char, QPointer<QLabel>> names_;   // by channel
    QList<QPointer<QWidget>> order_;     // the pictures by slot
    QList<ChannelRules::Corner> corners_;   // of the insets, by slot
    ChannelRules::Arrangement arrangement_ = ChannelRules::Arrangement::Insets;
    bool focused_ = false;
    ChannelRules::Arrangement shownAs() const { return ChannelRules::shownAs(arrangement_, focused_); }
    bool mirrorRear_ = false;
    double insetShare_ = ChannelRules::kInsetShare;
    QPointer<QWidget> pressed_;
    QPoint pressedAt_;
    bool sizing_ = false;               // the pressed inset's grip is being dragged
    QPoint sizingFixed_;
    static constexpr double kInsetShareStep = 0.02;   // a notch of the wheel
};
