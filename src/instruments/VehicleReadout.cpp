#include "VehicleReadout.h"

#include "PanelText.h"
#include "common/AppUtils.h"
#include "common/Localization.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>

#include <algorithm>
#include <cmath>

namespace {

const QColor kCaption(0x9a, 0x9e, 0xa6);
const QColor kValue(0xff, 0xff, 0xff);
const QColor kBlinkerOff(0x3a, 0x3e, 0x45);
const QColor kBlinkerOn(0x30, 0xd0, 0x40);
const QString kNone = QStringLiteral("–");

QLabel *label(QWidget *parent, int pixelSize, const QColor &colour, const QString &objectName,
              ReadoutFont family = ReadoutFont::Proportional)
{
    QLabel *l = makeReadout(parent, pixelSize, family == ReadoutFont::Monospace,
                            Qt::AlignLeft | Qt::AlignVCenter, family);
    l->setObjectName(objectName);
    QPalette pal = l->palette();
    pal.setColor(QPalette::WindowText, colour);
    l->setPalette(pal);
    return l;
}

void light(QLabel *blinker, bool on)
{
    QPalette pal = blinker->palette();
    const QColor c = on ? kBlinkerOn : kBlinkerOff;
    if (pal.color(QPalette::WindowText) == c)
        return;
    pal.setColor(QPalette::WindowText, c);
    blinker->setPalette(pal);
}

} // namespace

VehicleReadout::VehicleReadout(QWidget *parent) : BlackView(parent)
{
    setObjectName(QStringLiteral("vehicleReadout"));
    steeringCaption_ = label(this, 11, kCaption, QStringLiteral("steeringCaption"));
    pedalCaption_ = label(this, 11, kCaption, QStringLiteral("pedalCaption"));
    gearCaption_ = label(this, 11, kCaption, QStringLiteral("gearCaption"));
    steering = label(this, 14, kValue, QStringLiteral("steeringValue"), ReadoutFont::Monospace);
    pedal = label(this, 14, kValue, QStringLiteral("pedalValue"), ReadoutFont::Monospace);
    gear = label(this, 14, kValue, QStringLiteral("gearValue"), ReadoutFont::Monospace);
    blinkerLeft = label(this, 14, kBlinkerOff, QStringLiteral("blinkerLeft"));
    blinkerRight = label(this, 14, kBlinkerOff, QStringLiteral("blinkerRight"));
    blinkerLeft->setText(QStringLiteral("◀"));
    blinkerRight->setText(QStringLiteral("▶"));
    // Of the widest value's width, so that a new value asks for no new layout.
    for (QLabel *l : {steering, pedal})
        l->setFixedWidth(l->fontMetrics().horizontalAdvance(QStringLiteral("-888.8°")) + 4);

    auto *blinkers = new QHBoxLayout;
    blinkers->setSpacing(6);
    blinkers->addWidget(gear);
    blinkers->addStretch(1);
    blinkers->addWidget(blinkerLeft);
    blinkers->addWidget(blinkerRight);

    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 8, 0);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(4);
    grid->setRowStretch(0, 1);
    grid->addWidget(steeringCaption_, 1, 0);
    grid->addWidget(steering, 1, 1);
    grid->addWidget(pedalCaption_, 2, 0);
    grid->addWidget(pedal, 2, 1);
    grid->addWidget(gearCaption_, 3, 0);
    grid->addLayout(blinkers, 3, 1);
    grid->setRowStretch(4, 1);

    retranslate();
    showVehicle(std::nullopt);
    hide();
}

QString VehicleReadout::steeringText(const std::optional<TelemetrySample::Vehicle> &v)
{
    if (!v || !std::isfinite(v->steeringDeg))
        return kNone;
    return AppUtils::fixed(std::clamp(double(v->steeringDeg), -999.9, 999.9), 1) + QStringLiteral("°");
}

QString VehicleReadout::pedalText(const std::optional<TelemetrySample::Vehicle> &v)
{
    if (!v || !std::isfinite(v->pedal))
        return kNone;
    return QString::number(std::lround(std::clamp(double(v->pedal), 0.0, 1.0) * 100.0)) + QStringLiteral(" %");
}

QString VehicleReadout::gearText(const std::optional<TelemetrySample::Vehicle> &v)
{
    switch (v ? v->gear : TelemetrySample::Gear::Unknown) {
    case TelemetrySample::Gear::Park: return QStringLiteral("P");
    case TelemetrySample::Gear::Drive: return QStringLiteral("D");
    case TelemetrySample::Gear::Reverse: return QStringLiteral("R");
    case TelemetrySample::Gear::Neutral: return QStringLiteral("N");
    case TelemetrySample::Gear::Unknown: break;
    }
    return kNone;
}

void VehicleReadout::showClip(const ClipTelemetry &clip)
{
    const std::vector<TelemetrySample> &s = *clip.samples;
    setVisible(std::any_of(s.begin(), s.end(), [](const TelemetrySample &t) { return t.vehicle.has_value(); }));
    shown_ = -2;
    showVehicle(std::nullopt);
}

void VehicleReadout::showMoment(const TelemetryMoment &moment)
{
    // The clock ticks every millisecond, the sample moves once a second.
    if (moment.sample == shown_)
        return;
    shown_ = moment.sample;
    showVehicle(moment.sample >= 0 ? moment.atSample.vehicle : std::nullopt);
}

void VehicleReadout::showVehicle(const std::optional<TelemetrySample::Vehicle> &v)
{
    setTextIfChanged(steering, steeringText(v));
    setTextIfChanged(pedal, pedalText(v));
    setTextIfChanged(gear, gearText(v));
    light(blinkerLeft, v && v->blinkerLeft);
    light(blinkerRight, v && v->blinkerRight);
}

void VehicleReadout::retranslate()
{
    steeringCaption_->setText(Localization::text("vehicle_steering"));
    pedalCaption_->setText(Localization::text("vehicle_pedal"));
    gearCaption_->setText(Localization::text("vehicle_gear"));
}

void VehicleReadout::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    BlackView::changeEvent(event);
}
