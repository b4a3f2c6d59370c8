#include "CustomSpeedView.h"

#include "InstrumentGeometry.h"
#include "common/NamedImage.h"

#include <QPainter>
#include <QtMath>

using namespace InstrumentGeometry;

CustomSpeedView::CustomSpeedView(QWidget *parent)
    : QWidget(parent), needleRotation_(kNeedleRestAngle)
{
    setFocusPolicy(Qt::NoFocus);
}

void CustomSpeedView::setCurrentSpeed(qint64 speed, bool kmph)
{
    max_spd_str = QString::fromLatin1(kmph ? MAX_SPEED : MAX_SPEED_MPH);
    min_spd_str = QString::fromLatin1(MIN_SPEED);
    currentSpeed_ = clampGaugeSpeed(speed, max_spd_str.toInt());
    update();
}

void CustomSpeedView::drawArc(QPainter &painter, const QColor &colour, qint64 startAngle, qint64 endAngle)
{
    const GaugeLayout layout = gaugeLayout(QRectF(rect()));
    painter.setPen(QPen(colour, kGaugeLineWidth, Qt::SolidLine, Qt::FlatCap));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(gaugeArc(layout, double(startAngle), double(endAngle)));
}

void CustomSpeedView::updateRotation(float degrees)
{
    needleRotation_ = gaugeNeedleRotation(degrees);
}

void CustomSpeedView::paintEvent(QPaintEvent *)
{
    if (max_spd_str.isEmpty())
        max_spd_str = QString::fromLatin1(MAX_SPEED);
    if (min_spd_str.isEmpty())
        min_spd_str = QString::fromLatin1(MIN_SPEED);
    ratio = gaugeRatio(max_spd_str.toInt());

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setTransform(yUpToQt(height()));

    QColor track(237, 231, 231);
    track.setAlphaF(0.8f);
    drawArc(painter, track, MIN_ANGLE, MAX_ANGLE);
    const int start = gaugeArcStart(currentSpeed_, ratio);
    if (start < MAX_ANGLE)
        drawArc(painter, QColor(251, 108, 0), start, MAX_ANGLE);
    updateRotation(gaugeNeedleDegrees(currentSpeed_, ratio));

    // The needle image, turned about its pivot; images are drawn y-down.
    const GaugeLayout layout = gaugeLayout(QRectF(rect()));
    const QRectF needle = layout.needleRect;
    if (face.isNull())
        face = NamedImage::pixmap(QStringLiteral("meter_arrow"), needle.size().toSize(), devicePixelRatioF());
    painter.translate(layout.pivot);
    painter.rotate(qRadiansToDegrees(needleRotation_));
    painter.translate(needle.left() - layout.pivot.x(), needle.top() + needle.height() - layout.pivot.y());
    painter.scale(1, -1);
    painter.drawPixmap(QRectF(QPointF(0, 0), needle.size()), face, QRectF(face.rect()));
}
