// The areas marked for blurring as the player shows them: the marks go to the gestures
// on the pictures, the playing file's marks become bands on the timeline's axis (a click
// on one chooses its mark), and Redact ▸ Mark Area pauses and arms the next drag.
#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <functional>

class MarkGestures;
class MediaEngine;
class PictureMarks;
class PlayerEvents;
class TelemetryTimeline;

class BlurMarks : public QObject {
    Q_OBJECT
public:
    // `currentFile` names the playing file (empty for none); `events` says where it
    // starts on the timeline's axis.
    BlurMarks(MediaEngine &engine, MarkGestures *gestures, TelemetryTimeline *timeline, const PlayerEvents *events,
              std::function<QString()> currentFile, QObject *parent = nullptr);

    // The marks shown (may be null: none); they are followed as they change.
    void setMarks(PictureMarks *marks);
    // The playing file's marks on the timeline, where the file is on its axis.
    void showBands();
    // Pauses, and the next drag on a picture draws a mark's box; nothing while no file
    // is ready.
    void markArea();

signals:
    // A short message for the user (a toast), shown for `seconds`.
    void message(const QString &text, float seconds);

private:
    MediaEngine &engine_;
    MarkGestures *gestures_;
    TelemetryTimeline *timeline_;
    const PlayerEvents *events_;
    std::function<QString()> currentFile_;
};
