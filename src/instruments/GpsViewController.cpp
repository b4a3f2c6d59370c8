#include "GpsViewController.h"

#include "PanelText.h"
#include "InstrumentGeometry.h"
#include "RotatedImageView.h"

#include <QLabel>

#include <cmath>

using namespace InstrumentGeometry;

GpsViewController::GpsViewController(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("gpsVC"));
    paintPanelBackground(this);

    stillImageView = new RotatedImageView(QStringLiteral("compass_bezel"), true, this);
    northAngleImageView = new RotatedImageView(QStringLiteral("north_arrow"), false, this);
    latitudeLabel = makeReadout(this, 15, false, Qt::AlignRight | Qt::AlignVCenter, ReadoutFont::Monospace);
    latitudeUnitLabel = makeReadout(this, 15, true, Qt::AlignLeft | Qt::AlignVCenter);
    longitudeLabel = makeReadout(this, 15, false, Qt::AlignRight | Qt::AlignVCenter, ReadoutFont::Monospace);
    longitudeUnitLabel = makeReadout(this, 15, true, Qt::AlignLeft | Qt::AlignVCenter);
    latitudeLabel->setText(convertLatLngToDFM(0));
    longitudeLabel->setText(convertLatLngToDFM(0));
    latitudeUnitLabel->setText(QStringLiteral("N"));
    longitudeUnitLabel->setText(QStringLiteral("E"));
    layoutParts();
}

void GpsViewController::showClip(const ClipTelemetry &clip)
{
    currentPlayVideoPath_ = clip.path;
    shownPosition_ = -1;
}

void GpsViewController::setDuration(double seconds)
{
    totalTime_ = seconds;
    shownPosition_ = -1;
}

void GpsViewController::showMoment(const TelemetryMoment &moment)
{
    const int i = moment.position;
    // The clock ticks every millisecond, the entry moves once a second.
    if (i < 0 || i == shownPosition_)
        return;
    shownPosition_ = i;
    const TelemetrySample &e = moment.atPosition;
    setLetterIfChanged(longitudeUnitLabel, shownLongitudeLetter_, longitudeLetter(e.longitude));
    setLetterIfChanged(latitudeUnitLabel, shownLatitudeLetter_, latitudeLetter(e.latitude));
    setTextIfChanged(longitudeLabel, convertLatLngToDFM(std::fabs(e.longitude)));
    setTextIfChanged(latitudeLabel, convertLatLngToDFM(std::fabs(e.latitude)));
    rotateAngle(compassRotation(e.course));
}

void GpsViewController::rotateAngle(float radians)
{
    northAngleImageView->setRotation(radians);
}

QString GpsViewController::convertLatLngToDFM(float degrees)
{
    return InstrumentGeometry::convertLatLngToDFM(degrees);
}

float GpsViewController::northAngle() const
{
    return float(northAngleImageView->rotation());
}

void GpsViewController::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutParts();
}

void GpsViewController::layoutParts()
{
    const int w = width();
    const int h = height();
    const int margin = 10;
    const int side = qMax(0, qMin(h - 2 * margin, w / 2 - margin));
    const QRect compass(margin, (h - side) / 2, side, side);
    stillImageView->setGeometry(compass);
    northAngleImageView->setGeometry(compass);
    northAngleImageView->raise();

    const int left = compass.right() + 2 * margin;
    const int unitW = 20;
    const int textW = qMax(0, w - left - margin - unitW - 4);
    const int rowH = 24;
    const int top = h / 2 - rowH - 4;
    placeReadout(latitudeLabel, QRect(left, top, textW, rowH));
    placeReadout(latitudeUnitLabel, QRect(left + textW + 4, top, unitW, rowH));
    placeReadout(longitudeLabel, QRect(left, top + rowH + 8, textW, rowH));
    placeReadout(longitudeUnitLabel, QRect(left + textW + 4, top + rowH + 8, unitW, rowH));
}
