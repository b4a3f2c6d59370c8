// The stand-alone position panel: a north arrow turned counter-clockwise by the
// heading over a fixed bezel, and the latitude and longitude in degrees, minutes
// and seconds with their hemisphere letters. Shows the drive's telemetry as the play
// list's position half does; no speed part, nothing stored.
#pragma once

#include "drive/DriveTelemetry.h"

#include <QList>
#include <QString>
#include <QWidget>

class QLabel;
class RotatedImageView;

class GpsViewController : public QWidget {
    Q_OBJECT
public:
    explicit GpsViewController(QWidget *parent = nullptr);

    void showClip(const ClipTelemetry &clip);
    void setDuration(double seconds);
    void showMoment(const TelemetryMoment &moment);

    // Turns the north image by `radians`, counter-clockwise on screen.
    void rotateAngle(float radians);
    static QString convertLatLngToDFM(float degrees);

    QString currentPlayVideoPath() const { return currentPlayVideoPath_; }
    double totalTime() const { return totalTime_; }
    float northAngle() const;

    QLabel *latitudeLabel = nullptr;
    QLabel *latitudeUnitLabel = nullptr;
    QLabel *longitudeLabel = nullptr;
    QLabel *longitudeUnitLabel = nullptr;
    RotatedImageView *northAngleImageView = nullptr;   // turned by the heading
    RotatedImageView *stillImageView = nullptr;        // the fixed bezel

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void layoutParts();

    QString currentPlayVideoPath_;
    double totalTime_ = 0;
    int shownPosition_ = -1;   // the entry the read-outs show (-1: none yet)
    char16_t shownLatitudeLetter_ = 0;   // the hemisphere letters shown (0: none yet)
    char16_t shownLongitudeLetter_ = 0;
};
