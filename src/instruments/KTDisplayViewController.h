// The trip statistics panel under the video: the file's maximum speed, the
// average speed (route length over playing time), the distance driven, the car
// icon, the current G-sensor values and the G-sensor graph. The module in the
// player's speedDelegate slot and the map's distanceDelegate slot; every figure
// follows the speed unit and is redrawn on "speed_unit_notification".
#pragma once

#include "CustomGsensorView.h"
#include "modules/KTModuleProtocol.h"

#include <QList>
#include <QMutex>
#include <QString>
#include <QWidget>

class BlackView;
class CustomSpeedView;
class KTTextField;
class KTView;
class QLabel;
class RotatedImageView;

class KTDisplayViewController : public QWidget, public KTModuleProtocol {
    Q_OBJECT
public:
    explicit KTDisplayViewController(QWidget *parent = nullptr);
    ~KTDisplayViewController() override;

    // Module operations
    void dataLogicProcessOfViodePath(const QString &path) override;
    void videoAllTime(double seconds) override;
    void updateDataByCurrentTime(double seconds) override;
    void totalDistance(float metres) override;

    // The unit changed: all three figures again in the new unit.
    void updateUI();
    // Average = distance / playing time, shown when the playing time is known.
    void loadAverageSpeedContent();

    QString currentPlayVideoPath() const { return currentPlayVideoPath_; }
    qint64 maxSpd() const { return maxSpd_; }
    float totalDistanceValue() const { return totalDistance_; }
    float totalTime() const { return totalTime_; }
    const QList<int> &currentSpeedDataArr() const { return currentSpeedDataArr_; }
    const QList<CustomGsensorView::Entry> &currentGsensorDataArr() const { return currentGsensorDataArr_; }

    // The parts of the view (owned by the panel).
    QLabel *maxHSpeed = nullptr;
    QLabel *averageHSpeed = nullptr;
    QLabel *movingDistance = nullptr;
    QLabel *xTextField = nullptr;
    QLabel *yTextField = nullptr;
    QLabel *zTextField = nullptr;
    KTTextField *maxSpeedLabelText = nullptr;
    KTTextField *avageSpeedLabelText = nullptr;
    KTTextField *totalDistanceLabelText = nullptr;
    BlackView *gsensorContainer = nullptr;
    CustomGsensorView *gsensorView = nullptr;
    RotatedImageView *carIcon = nullptr;
    RotatedImageView *directionMark = nullptr;
    CustomSpeedView *speedView = nullptr;
    KTView *figuresFrame = nullptr;

protected:
    void changeEvent(QEvent *event) override;

private:
    void retranslate();
    void showAverage(float kmh);

    QString currentPlayVideoPath_;
    qint64 maxSpd_ = 0;
    float totalDistance_ = 0;
    float totalTime_ = 0;
    QList<int> currentSpeedDataArr_;
    QList<CustomGsensorView::Entry> currentGsensorDataArr_;
    QMutex mlock;
};
