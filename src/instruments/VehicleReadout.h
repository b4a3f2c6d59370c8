// What the car itself reported at the playing moment, left of the G-sensor read-outs:
// steering-wheel angle, accelerator pedal, gear and blinkers. Only clips that carry
// the car's messages have these, so the read-out shows for those clips alone; it
// follows the drive's moments by the same once-a-second rule as the other panels.
#pragma once

#include "BlackView.h"
#include "drive/DriveTelemetry.h"

class QLabel;

class VehicleReadout : public BlackView {
    Q_OBJECT
public:
    explicit VehicleReadout(QWidget *parent = nullptr);

    // Shown when some sample of the clip has what the car reported, hidden otherwise.
    void showClip(const ClipTelemetry &clip);
    void showMoment(const TelemetryMoment &moment);

    // The texts of the read-out: "-12.5°", "35 %", "D"; "–" for a value not reported.
    static QString steeringText(const std::optional<TelemetrySample::Vehicle> &v);
    static QString pedalText(const std::optional<TelemetrySample::Vehicle> &v);
    static QString gearText(const std::optional<TelemetrySample::Vehicle> &v);

    QLabel *steering = nullptr;
    QLabel *pedal = nullptr;
    QLabel *gear = nullptr;
    QLabel *blinkerLeft = nullptr;
    QLabel *blinkerRight = nullptr;

protected:
    void changeEvent(QEvent *event) override;

private:
    void retranslate();
    void showVehicle(const std::optional<TelemetrySample::Vehicle> &v);

    QLabel *steeringCaption_ = nullptr;
    QLabel *pedalCaption_ = nullptr;
    QLabel *gearCaption_ = nullptr;
    int shown_ = -2;   // the sample shown (-1: none; -2: nothing yet)
};
