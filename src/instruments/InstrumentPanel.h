// The trip statistics panel under the video: the file's maximum speed, the
// average speed (route length over playing time), the distance driven (or, by the
// Clip / Trip toggle, the same for the whole playing trip), the car
// icon, the current G-sensor values and the G-sensor graph. It shows the drive's
// telemetry (the clip, its duration, each moment) and the clip's length as the map
// measured it; every figure follows the speed unit of the settings and is redrawn
// when it changes.
#pragma once

#include "CustomGsensorView.h"
#include "TripFigures.h"
#include "drive/DriveTelemetry.h"

#include <QList>
#include <QMutex>
#include <QString>
#include <QWidget>

#include <optional>

class BlackView;
class ReadoutLabel;
class FramedView;
class QLabel;
class QToolButton;
class RotatedImageView;
class VehicleReadout;
class Settings;

class InstrumentPanel : public QWidget {
    Q_OBJECT
public:
    explicit InstrumentPanel(Settings &settings, QWidget *parent = nullptr);
    ~InstrumentPanel() override;

    // The playing clip, its duration and where the clock is in it.
    void showClip(const ClipTelemetry &clip);
    void setDuration(double seconds);
    void showMoment(const TelemetryMoment &moment);
    // The clip's length, as the map measured it.
    void totalDistance(float metres);

    // The unit changed: all three figures again in the new unit.
    void updateUI();
    // Average = distance / playing time, shown when the playing time is known.
    void loadAverageSpeedContent();

    // The playing trip's clips, for the Trip figures.
    void setTripClips(const QList<TripFigureClip> &clips);
    const std::optional<TripFigures> &tripFigures() const { return tripFigures_; }
    // Shows the trip's figures (true) or the clip's; remembered in the settings.
    void setShowsTrip(bool trip);
    bool showsTrip() const { return showsTrip_; }

    QString currentPlayVideoPath() const { return currentPlayVideoPath_; }
    qint64 maxSpd() const { return maxSpd_; }
    float totalDistanceValue() const { return totalDistance_; }
    float totalTime() const { return totalTime_; }
    const QList<CustomGsensorView::Entry> &currentGsensorDataArr() const { return currentGsensorDataArr_; }

    // The parts of the view (owned by the panel).
    QLabel *maxHSpeed = nullptr;
    QLabel *averageHSpeed = nullptr;
    QLabel *movingDistance = nullptr;
    QLabel *xTextField = nullptr;
    QLabel *yTextField = nullptr;
    QLabel *zTextField = nullptr;
    ReadoutLabel *maxSpeedLabelText = nullptr;
    ReadoutLabel *avageSpeedLabelText = nullptr;
    ReadoutLabel *totalDistanceLabelText = nullptr;
    BlackView *gsensorContainer = nullptr;
    CustomGsensorView *gsensorView = nullptr;
    RotatedImageView *carIcon = nullptr;
    RotatedImageView *directionMark = nullptr;
    // What the car reported, left of the G-sensor read-outs, for the clips that have
    // it; it follows the drive's telemetry itself.
    VehicleReadout *vehicleReadout = nullptr;
    FramedView *figuresFrame = nullptr;
    // The toggle between the clip's and the trip's figures.
    QToolButton *clipFiguresButton = nullptr;
    QToolButton *tripFiguresButton = nullptr;

protected:
    void changeEvent(QEvent *event) override;

private:
    void retranslate();
    // Keeps the figures' frame wide enough for its captions and a wide value, so that a
    // narrow window never slides a value under its caption.
    void keepFiguresReadable();
    void showAverage(float kmh);
    void showNoGsensor();   // dashes in the G read-outs
    // Whether the labels show the trip's figures now (chosen, and a trip is known).
    bool tripShown() const { return showsTrip_ && tripFigures_.has_value(); }
    void showTripFigures();
    // The figures' texts in the unit of the settings.
    QString speedText(float kmh) const;
    QString distanceText(float metres) const;
    // The clip's figures, or a dash where its camera recorded no speed or no position.
    QString maxSpeedText() const;
    QString averageText(float kmh) const;
    QString clipDistanceText() const;

    Settings &settings_;
    QString currentPlayVideoPath_;
    qint64 maxSpd_ = 0;
    float totalDistance_ = 0;
    float totalTime_ = 0;
    QList<CustomGsensorView::Entry> currentGsensorDataArr_;
    int shownGsensor_ = -1;   // the entry the G-sensor read-outs show (-1: none yet, -2: dashes)
    // Whether the playing clip's camera recorded a speed and a position at all (a clip
    // without samples keeps the figures as they are).
    bool speedRecorded_ = true;
    bool routeRecorded_ = true;
    QMutex mlock;
    bool showsTrip_ = false;
    std::optional<TripFigures> tripFigures_;
};
