#include "PositionCompassPanel.h"

#include "PanelText.h"
#include "InstrumentGeometry.h"
#include "RotatedImageView.h"
#include "common/AppUtils.h"
#include "common/Localization.h"
#include "common/Settings.h"

#include <QEvent>
#include <QLabel>
#include <QTimer>

#include <cmath>

using namespace InstrumentGeometry;

PositionCompassPanel::PositionCompassPanel(Settings &settings, QWidget *parent)
    : QWidget(parent), settings_(settings)
{
    setObjectName(QStringLiteral("PositionCompassPanel"));
    paintPanelBackground(this);

    compassRose = new RotatedImageView(QStringLiteral("compass_rose"), true, this);
    compassPointer = new RotatedImageView(QStringLiteral("compass_pointer"), true, this);
    speedDial = new RotatedImageView(QStringLiteral("speed_dial_kmh"), true, this);
    speedNeedle = new RotatedImageView(QStringLiteral("speed_needle_kmh"), true, this);
    spdshow = makeReadout(this, 22, true, Qt::AlignCenter);
    spdshow->setObjectName(QStringLiteral("spdshow"));

    latitudeLabels = makeReadout(this, 13, false, Qt::AlignRight | Qt::AlignVCenter);
    latitudeUnitLabels = makeReadout(this, 13, true, Qt::AlignLeft | Qt::AlignVCenter);
    longitudeLabels = makeReadout(this, 13, false, Qt::AlignRight | Qt::AlignVCenter);
    longitudeUnitLabels = makeReadout(this, 13, true, Qt::AlignLeft | Qt::AlignVCenter);
    // The play list page keeps the position read-outs hidden; they still follow the clock.
    for (QLabel *l : {latitudeLabels, latitudeUnitLabels, longitudeLabels, longitudeUnitLabels})
        l->hide();

    if (auto a = settings_.compassAngle())
        storedAngle_ = float(*a);
    if (auto a = settings_.needleAngle())
        storedSpd_ = float(*a);

    connect(&settings_, &Settings::speedUnitChanged, this, &PositionCompassPanel::updateUI);

    updateUI();
    layoutParts();
}

PositionCompassPanel::~PositionCompassPanel() = default;

void PositionCompassPanel::showClip(const ClipTelemetry &clip)
{
    currentPlayVideoPath_ = clip.path;
    shownPosition_ = shownSpeed_ = -1;
    if (clip.layout == TelemetryLayout::Unreadable || clip.broken) {
        // Telemetry that cannot be read is no clip without telemetry: dashes, not the last clip's figures.
        TelemetryMoment none;
        none.sample = 0;
        none.atSample.hasSpeed = false;
        showMoment(none);
    }
}

void PositionCompassPanel::setDuration(double seconds)
{
    totalTime_ = seconds;
    shownPosition_ = shownSpeed_ = -1;
}

void PositionCompassPanel::showMoment(const TelemetryMoment &moment)
{
    inTick_ = true;
    const int i = moment.position;
    if (i >= 0 && i != shownPosition_) {
        const TelemetrySample &e = moment.atPosition;
        setLetterIfChanged(longitudeUnitLabels, shownLongitudeLetter_, longitudeLetter(e.longitude));
        setLetterIfChanged(latitudeUnitLabels, shownLatitudeLetter_, latitudeLetter(e.latitude));
        setTextIfChanged(longitudeLabels, convertLatLngToDFM(std::fabs(e.longitude)));
        setTextIfChanged(latitudeLabels, convertLatLngToDFM(std::fabs(e.latitude)));
        rotateAngle(compassRotation(e.course));
        compassPointer->setVisible(e.hasCourse);
        shownPosition_ = i;
    } else if (i < 0 && moment.sample >= 0 && shownPosition_ != -2) {
        // The camera gave this clip no position: dashes, and no heading on the compass.
        setLetterIfChanged(longitudeUnitLabels, shownLongitudeLetter_, QString());
        setLetterIfChanged(latitudeUnitLabels, shownLatitudeLetter_, QString());
        setTextIfChanged(longitudeLabels, absentText());
        setTextIfChanged(latitudeLabels, absentText());
        compassPointer->hide();
        shownPosition_ = -2;
    }

    const int k = moment.sample;
    if (k >= 0 && k != shownSpeed_ && !moment.atSample.hasSpeed) {
        setTextIfChanged(spdshow, absentText());
        speedNeedle->hide();
        speedAbsent_ = true;
        shownSpeed_ = k;
    } else if (k >= 0 && k != shownSpeed_) {
        speedNeedle->show();
        speedAbsent_ = false;
        spd_show_v_ = float(moment.atSample.speedKmh);
        const double shown = double(AppUtils::convertSpeed(spd_show_v_, kmph_));
        // A space between the figure and an ordinary unit ("18 KM/H").
        const QString text = AppUtils::fixed(shown, 0) + unitGap() + speedUnitText_;
        setTextIfChanged(spdshow, text);
        // The dial and needle follow the text. With an ordinary unit label they come
        // from the number shown and the dial the label picks, without reading the
        // text back.
        std::optional<SpeedDial> dial;
        if (unitLabelIsPlain_ && std::isfinite(shown)) {
            if (dialIsKmh_)
                dial = InstrumentGeometry::speedDial(float(std::nearbyint(shown)), *dialIsKmh_);
        } else {
            dial = speedDialFromReadout(text);
        }
        if (dial) {
            rotateSpd(dial->needleRotation);
            speedDial->setImageName(dial->dialImage);
        }
        shownSpeed_ = k;
    }
    inTick_ = false;
    // Handed to the writer after the tick's own reads of the store, which would
    // otherwise wait for the file to be written.
    for (const auto &[write, value] : pendingWrites_)
        (settings_.*write)(value);
    pendingWrites_.clear();
}

void PositionCompassPanel::storeRotation(AngleWrite write, std::optional<float> &stored, float radians)
{
    // The clock ticks a thousand times a second but an angle changes at most once a
    // second: the store is written only when the angle differs from the stored one.
    if (stored && *stored == radians)
        return;
    stored = radians;
    if (inTick_)
        pendingWrites_.push_back({write, double(radians)});
    else
        (settings_.*write)(double(radians));
}

void PositionCompassPanel::rotateAngle(float radians)
{
    compassPointer->setRotation(radians);
    if (!inTick_)
        shownPosition_ = -1;
    storeRotation(&Settings::setCompassAngle, storedAngle_, radians);
}

void PositionCompassPanel::rotateSpd(float radians)
{
    speedNeedle->setRotation(radians);
    if (!inTick_)
        shownSpeed_ = -1;
    storeRotation(&Settings::setNeedleAngle, storedSpd_, radians);
}

QString PositionCompassPanel::convertLatLngToDFM(float degrees)
{
    return InstrumentGeometry::convertLatLngToDFM(degrees);
}

void PositionCompassPanel::readSpeedUnit()
{
    // The normalised unit: with nothing stored yet the text is in km/h, and the dial
    // must agree with it.
    kmph_ = settings_.kmph();
    speedUnitText_ = Localization::text(kmph_ ? "km_speedUnit" : "mph_speedUnit");
    dialIsKmh_ = speedDialIsKmh(speedUnitText_);
    // A label that could read as more of the number (a digit, a point, an exponent)
    // leaves the dial to be read back from the whole text.
    const QChar first = speedUnitText_.isEmpty() ? QChar() : speedUnitText_.front();
    unitLabelIsPlain_ = !(first.isDigit() || first == QLatin1Char('.') || first == QLatin1Char('e') ||
                          first == QLatin1Char('E'));
}

QString PositionCompassPanel::speedReadout(float kmh) const
{
    if (speedAbsent_)
        return absentText();
    // AppUtils::speedText with the unit's label at hand.
    return AppUtils::fixed(double(AppUtils::convertSpeed(kmh, kmph_)), 0) + unitGap() + speedUnitText_;
}

void PositionCompassPanel::updateUI()
{
    readSpeedUnit();
    const bool kmph = kmph_;
    setTextIfChanged(spdshow, speedReadout(spd_show_v_));
    // The needle follows the new unit on the next tick.
    shownSpeed_ = -1;
    speedDial->setImageName(kmph ? QStringLiteral("speed_dial_kmh") : QStringLiteral("speed_dial_mph"));
    speedNeedle->setImageName(kmph ? QStringLiteral("speed_needle_kmh") : QStringLiteral("speed_needle_mph"));
}

void PositionCompassPanel::updateCompass()
{
    const float angle = float(settings_.compassAngle().value_or(0.0));
    const float spd = float(settings_.needleAngle().value_or(0.0));
    // After the layout has resized the images.
    QTimer::singleShot(0, this, [this, angle, spd] {
        rotateAngle(angle);
        rotateSpd(spd);
    });
}

float PositionCompassPanel::compassAngle() const
{
    return float(compassPointer->rotation());
}

float PositionCompassPanel::needleAngle() const
{
    return float(speedNeedle->rotation());
}

void PositionCompassPanel::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        readSpeedUnit();
        setTextIfChanged(spdshow, speedReadout(spd_show_v_));
    }
    QWidget::changeEvent(event);
}

void PositionCompassPanel::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutParts();
}

void PositionCompassPanel::layoutParts()
{
    const int w = width();
    const int h = height();
    const int margin = qMax(6, h / 30);

    // Compass: a square on the left.
    const int side = qMax(0, qMin(h - 2 * margin, int(w * 0.46)));
    const QRect compass(margin, (h - side) / 2, side, side);
    compassRose->setGeometry(compass);
    compassPointer->setGeometry(compass);

    // Speed: the dial over its read-out on the right.
    const int left = compass.right() + margin * 2;
    const int areaW = qMax(0, w - left - margin);
    const int readoutH = qMax(24, h / 7);
    const int areaH = qMax(0, h - 2 * margin - readoutH);
    const double scale = qMin(areaW / DialArtwork::width, areaH / DialArtwork::height);
    const QSizeF dialSize(DialArtwork::width * scale, DialArtwork::height * scale);
    const double blockH = dialSize.height() + readoutH;
    const QPointF dialTopLeft(left + (areaW - dialSize.width()) / 2, (h - blockH) / 2);
    speedDial->setGeometry(QRectF(dialTopLeft, dialSize).toRect());
    const QPointF pivot(dialTopLeft.x() + DialArtwork::pivotX * scale,
                        dialTopLeft.y() + DialArtwork::pivotY * scale);
    const double needle = DialArtwork::needleBox * scale;
    speedNeedle->setGeometry(QRectF(pivot.x() - needle / 2, pivot.y() - needle / 2, needle, needle).toRect());
    placeReadout(spdshow, QRect(left, int(dialTopLeft.y() + dialSize.height()), areaW, readoutH));

    // Position read-outs (hidden on the play list page) under the dial.
    const int rowH = 18;
    const int unitW = 16;
    const int textW = qMax(0, areaW - unitW - 4);
    placeReadout(latitudeLabels, QRect(left, h - margin - 2 * rowH, textW, rowH));
    placeReadout(latitudeUnitLabels, QRect(left + textW + 4, h - margin - 2 * rowH, unitW, rowH));
    placeReadout(longitudeLabels, QRect(left, h - margin - rowH, textW, rowH));
    placeReadout(longitudeUnitLabels, QRect(left + textW + 4, h - margin - rowH, unitW, rowH));

    compassPointer->raise();
    speedNeedle->raise();
}
