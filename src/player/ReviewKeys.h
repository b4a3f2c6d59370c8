// The review keys of the player and what they do: frame steps and rate rungs, seeks
// by a few seconds or a minute across a trip's clips and to the ends, the nudges of
// the chosen camera of the moment (Alt+[ / Alt+] / Alt+\), and the incident's in and
// out marks with the toasts that confirm or correct them. The keys work wherever the
// focus is in the window of the widget they are given.
#pragma once

#include "IncidentMarks.h"

#include <QElapsedTimer>
#include <QObject>

#include <optional>

class ChannelPictures;
class MediaEngine;
class PlayerEvents;
class QWidget;
class Settings;

class ReviewKeys : public QObject {
    Q_OBJECT
public:
    // The keys are shortcuts of `keys`' window; seeks go along `events`' timeline axis.
    ReviewKeys(QWidget *keys, Settings &settings, MediaEngine &engine, ChannelPictures *channels,
               PlayerEvents *events);

    // How far Left/Right and Shift+Left/Right seek.
    static constexpr double kSeekStep = 5.0;
    static constexpr double kSeekLongStep = 60.0;
    // How far one press of Alt+[ or Alt+] moves a camera of the moment.
    static constexpr int kChannelStepMs = 10;

    // Where a seek of `step` seconds from `from` lands on an axis ending at `end`: not
    // before its start, not after its last frame (of `frame` seconds).
    static double seekTarget(double from, double step, double end, double frame);
    // A camera's offset `offsetMs` moved by `stepMs` and held within ±`limitMs`; a step
    // of 0 puts it back in step.
    static int nudged(int offsetMs, int stepMs, int limitMs);

    // Seeks `seconds` later (earlier when negative) on the timeline's axis, so across
    // the clips of a trip, and no further than its start or its last frame; nothing
    // while no file is ready. Repeated keys go on from the last one's target.
    void seekBy(double seconds);
    // The first and the last frame of the playing file.
    void seekToStart();
    void seekToEnd();
    // A file opens: the next key seeks from its clock.
    void forgetSeek() { keySeek_.reset(); }

    // The chosen camera of the moment (ChannelPictures::chosen) held `stepMs` later
    // than it is, or back in step for 0; a toast names it and its offset.
    void nudgeChannel(int stepMs);

    // Marks the playing time as the start or end of the incident; a toast confirms, or
    // says how a reversed or outside mark was corrected.
    void markIn();
    void markOut();
    // Another file: its marks are not this one's.
    void clearMarks();
    std::optional<double> markInTime() const { return markIn_; }
    std::optional<double> markOutTime() const { return markOut_; }
    MarkedRange markedRange() const;

signals:
    // A short message for the user (a toast), shown for `seconds`.
    void message(const QString &text, float seconds);
    // The in or out mark changed.
    void marksChanged();

private:
    void install(QWidget *keys);
    // Sets `which` mark at the playing time; `what` names it in the toast.
    void mark(std::optional<double> &which, const QString &what);
    void confirmMarks(const QString &what, double seconds);

    Settings &settings_;
    MediaEngine &engine_;
    ChannelPictures *channels_;
    PlayerEvents *events_;
    std::optional<double> markIn_;
    std::optional<double> markOut_;
    // The last seek of the seek keys, on the timeline's axis, until the clock is there:
    // the next key goes on from it rather than from a clock that has not moved yet.
    std::optional<double> keySeek_;
    QElapsedTimer keySeekAsked_;
};
