// Where the video is drawn: a widget that owns the engine's video sink and shows its
// frames in a native window of its own. The window is a plain raster surface; each
// frame is scaled and colour-converted on the CPU, on a thread of the pictures' own
// (a little behind the window's, see ThreadPriority), and the window's thread only
// copies the result into that surface and puts it on the screen. So playing costs no
// OpenGL work, no recomposition of the rest of the main window (the window is native),
// and six cameras cost the window's thread a fraction of a millisecond per picture.
#pragma once

#include "MarkShapes.h"

#include <QList>
#include <QWidget>

#include <functional>

class QVideoSink;
class VideoPictureWindow;

class VideoPicture : public QWidget {
    Q_OBJECT
public:
    explicit VideoPicture(QWidget *parent = nullptr);
    ~VideoPicture() override;

    // The sink to hand to the media player; its frames are what the picture shows.
    QVideoSink *videoSink() const;

    // How the frame fits the widget; KeepAspectRatio (the default) adds black bars.
    void setAspectRatioMode(Qt::AspectRatioMode mode);

    // Shows the frames flipped left to right, as a rear-view mirror shows the rear camera's.
    void setMirrored(bool on);
    bool isMirrored() const;

    // The boxes of the marks to draw on a frame, asked with the frame's own time
    // (seconds of its file) every time a frame is drawn; refreshBoxes() draws again when
    // they change. The box being dragged (widget coordinates; empty for none) goes over them.
    void setBoxSource(std::function<QList<ShownBox>(double seconds)> source);
    void refreshBoxes();
    QList<ShownBox> boxesShown() const;
    void setDragBox(const QRectF &area);
    // The frame on show: its size in pixels (empty before the first), its time in its
    // file (-1 when unknown), and where it is drawn in the widget.
    QSize frameSize() const;
    double frameSeconds() const;
    QRect pictureArea() const;

    // Where a frame of `frame` pixels goes in an area of `area` pixels.
    static QRect pictureRect(QSize frame, QSize area, Qt::AspectRatioMode mode);

private:
    QVideoSink *sink_ = nullptr;
    VideoPictureWindow *window_ = nullptr;
};
