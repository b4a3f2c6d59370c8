// The position and compass half of the play list page: a compass pointer turned
// clockwise by the heading, the speed read-out with its dial and needle, and the
// latitude and longitude in degrees, minutes and seconds (hidden, still kept up to
// date). It shows the drive's telemetry (the clip, its duration, each moment); the
// play list embeds it; the panel itself follows the speed unit of the settings, where
// it also keeps its angles.
#pragma once

#include "drive/DriveTelemetry.h"

#include <QList>
#include <QString>
#include <QWidget>

#include <optional>
#include <utility>
#include <vector>

class QLabel;
class RotatedImageView;
class Settings;

class PositionCompassPanel : public QWidget {
    Q_OBJECT
public:
    explicit PositionCompassPanel(Settings &settings, QWidget *parent = nullptr);
    ~PositionCompassPanel() override;

    // The playing clip, its duration and where the clock is in it.
    void showClip(const ClipTelemetry &clip);
    void setDuration(double seconds);
    void showMoment(const TelemetryMoment &moment);

    // Turns the compass pointer (radians, positive = clockwise on screen) and
    // remembers the angle in the settings.
    void rotateAngle(float radians);
    // Turns the speed needle likewise and remembers it in the settings.
    void rotateSpd(float radians);
    // " 51° 30'    0.00" for 51.5 (degrees >= 0).
    static QString convertLatLngToDFM(float degrees);
    // The speed unit changed: speed text, dial and needle images in the new unit.
    void updateUI();
    // Re-applies the remembered rotations on a later turn of the event loop.
    void updateCompass();

    QString currentPlayVideoPath() const { return currentPlayVideoPath_; }
    double totalTime() const { return totalTime_; }
    float spd_show_v() const { return spd_show_v_; }
    float compassAngle() const;   // radians currently applied to the compass pointer
    float needleAngle() const;    // radians currently applied to the speed needle

    // The parts of the view (owned by the panel).
    QLabel *latitudeLabels = nullptr;
    QLabel *latitudeUnitLabels = nullptr;
    QLabel *longitudeLabels = nullptr;
    QLabel *longitudeUnitLabels = nullptr;
    RotatedImageView *compassPointer = nullptr;   // turned by the heading
    RotatedImageView *compassRose = nullptr;      // fixed
    QLabel *spdshow = nullptr;                    // speed text
    RotatedImageView *speedDial = nullptr;        // "speed_dial_kmh" or "speed_dial_mph"
    RotatedImageView *speedNeedle = nullptr;      // "speed_needle_kmh" or "speed_needle_mph"

protected:
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void layoutParts();
    using AngleWrite = void (Settings::*)(double radians);
    void storeRotation(AngleWrite write, std::optional<float> &stored, float radians);

    Settings &settings_;
    QString currentPlayVideoPath_;
    double totalTime_ = 0;
    float spd_show_v_ = 0;
    // The speed unit and its label, read when the unit or the language changes
    // rather than from the settings and the string tables on every new second.
    void readSpeedUnit();
    QString speedReadout(float kmh) const;
    // A space between the figure and an ordinary unit ("18 KM/H"); none before a label
    // that could read as more of the number, which the dial is read back from.
    QString unitGap() const { return unitLabelIsPlain_ ? QStringLiteral(" ") : QString(); }
    bool kmph_ = true;
    bool speedAbsent_ = false;   // the playing clip's camera recorded no speed for the moment shown
    QString speedUnitText_;
    std::optional<bool> dialIsKmh_;   // the dial the unit label picks
    bool unitLabelIsPlain_ = true;     // the label cannot be read as part of the number
    std::optional<float> storedAngle_;
    std::optional<float> storedSpd_;
    // The entries that the read-outs show now; a tick for the same entries has
    // nothing to change (-1: show the entry again on the next tick).
    int shownPosition_ = -1;
    int shownSpeed_ = -1;
    char16_t shownLatitudeLetter_ = 0;   // the hemisphere letters shown (0: none yet)
    char16_t shownLongitudeLetter_ = 0;
    bool inTick_ = false;
    std::vector<std::pair<AngleWrite, double>> pendingWrites_;
};
