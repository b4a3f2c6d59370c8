// Saving the pictures on screen: the capture control's picture of the main camera, or
// of every camera of the moment and of the stage as the user sees it, named by the
// recording's time and never over an earlier capture, with what the moment says in
// their text chunks and caption; and the folder they go to.
#pragma once

#include "CaptureText.h"
#include "FrameCapture.h"

#include <QFuture>
#include <QObject>

#include <functional>
#include <utility>

class ChannelPictures;
class MediaEngine;
class Settings;
class VideoPicture;

class PlayerCapture : public QObject {
    Q_OBJECT
public:
    // `main` is the main camera's picture, `channels` the moment's others (may be null).
    PlayerCapture(const Settings &settings, MediaEngine &engine, VideoPicture *main, ChannelPictures *channels,
                  QObject *parent = nullptr);

    // The folder of captured pictures (created when missing).
    static QString pictureSaveDirectory();

    // What a picture captured at `seconds` of the open file says about its moment
    // (the window fills it in from the telemetry); unset, pictures carry no text.
    std::function<CaptureFacts(double seconds)> captureFacts;
    // Writes the frame on screen to `path` as a PNG with its text chunks (and the
    // caption strip when that setting is on); the place and the speed only while the
    // user lets saved pictures carry them, and never when `place` is false.
    QFuture<bool> saveCurrentFrame(const QString &path, bool place = true);
    // The capture control: the pictures of the moment on screen go to the folder, a
    // toast says where (or that nothing plays), then captureFinished.
    void capture();

signals:
    // A short message for the user (a toast), shown for `seconds`.
    void message(const QString &text, float seconds);
    // A capture finished writing (or failed); `path` is the intended file.
    void captureFinished(const QString &path, bool ok);

private:
    void saveMainPicture(const QString &path);
    void saveEveryCamera(const QString &base);
    // The text chunks and caption of a picture of the moment on screen.
    std::pair<FrameCapture::TextChunks, QString> captureText(bool place) const;

    const Settings &settings_;
    MediaEngine &engine_;
    VideoPicture *main_;
    ChannelPictures *channels_;
};
