// A half-dial speedometer: a light track, an orange arc that grows with the speed
// from the left end toward the right, and a needle ("meter_arrow") that turns
// with it. Full scale is 120 km/h or 75 mph; speeds are clamped to it.
#pragma once

#include <QPixmap>
#include <QString>
#include <QWidget>

class CustomSpeedView : public QWidget {
    Q_OBJECT
public:
    static constexpr const char *MIN_SPEED = "0";
    static constexpr const char *MAX_SPEED = "120";
    static constexpr const char *MAX_SPEED_MPH = "75";

    explicit CustomSpeedView(QWidget *parent = nullptr);

    // Speed in km/h (kmph) or mph; clamped to 0 .. full scale of that unit.
    void setCurrentSpeed(qint64 speed, bool kmph);
    qint64 currentSpeed() const { return currentSpeed_; }
    // The needle's turn in radians (counter-clockwise positive) as last drawn.
    double needleRotation() const { return needleRotation_; }

    QSize sizeHint() const override { return QSize(120, 92); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void updateRotation(float degrees);
    void drawArc(QPainter &painter, const QColor &colour, qint64 startAngle, qint64 endAngle);

    qint64 currentSpeed_ = 0;
    QString max_spd_str;
    QString min_spd_str;
    float ratio = 0;
    double needleRotation_;
    QPixmap face;
};
