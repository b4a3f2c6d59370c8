// The mouse on the pictures for marking areas to blur. Each camera's picture draws the
// boxes its file's marks have on the frame it shows. Mark Area (arm()) makes the next
// drag on a paused picture a new box for that camera; without it, a press on a box
// chooses its mark, dragging the box moves it and dragging its lower right grip sizes
// it (a correction at that frame), and a click on an offered (dashed) box asks Accept
// or Drop in a small menu. Presses that miss every box go on to the pictures' own
// gestures (enlarging, moving insets).
#pragma once

#include "MarkShapes.h"
#include "PictureMarks.h"

#include <QList>
#include <QMenu>
#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QRectF>

#include <functional>

class ChannelPictures;
class MediaEngine;
class VideoPicture;

class MarkGestures : public QObject {
    Q_OBJECT
public:
    // `main` is the main camera's picture, showing the file `mainFile` names; the other
    // cameras' pictures come from `channels`.
    MarkGestures(MediaEngine *engine, ChannelPictures *channels, VideoPicture *main,
                 std::function<QString()> mainFile, QObject *parent = nullptr);

    void setMarks(PictureMarks *marks);
    PictureMarks *marks() const { return marks_; }

    // The next drag on a picture draws a new mark's box; disarm() (or Escape) forgets it.
    void arm();
    void disarm();
    bool isArmed() const { return armed_; }

    // Every picture draws its marks again (after the marks changed).
    void refresh();
    // The file a picture shows (the main clip's or another camera's), empty for none.
    QString fileOf(const VideoPicture *picture) const;
    // The pictures that show a file now, the main one first.
    QList<VideoPicture *> pictures() const;
    // The menu asking about an offered mark, while it is up (tests).
    QMenu *offerMenu() const { return offerMenu_; }

    // The grip's size in widget pixels, and the least drag that is a box.
    static constexpr double kGrip = 12.0;
    static constexpr double kLeastDrag = 6.0;

signals:
    // The armed state changed (the picture's cursor follows it).
    void armedChanged(bool armed);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum class Drag { None, Draw, Move, Size };
    void follow(VideoPicture *picture);
    void askAboutOffer(const QString &file, int id, QPoint global);
    bool paused() const;

    MediaEngine *engine_;
    ChannelPictures *channels_;
    VideoPicture *main_;
    std::function<QString()> mainFile_;
    QPointer<PictureMarks> marks_;
    bool armed_ = false;
    Drag drag_ = Drag::None;
    QPointer<VideoPicture> on_;       // the picture pressed
    QPointF from_;                    // widget coordinates of the press
    ShownBox grabbed_;                // the box moved or sized
    double grabbedAt_ = -1;           // the frame time it was grabbed at
    bool moved_ = false;
    QPointer<QMenu> offerMenu_;
};
