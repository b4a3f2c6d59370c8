#include "InstrumentPanel.h"

#include "BlackView.h"
#include "InstrumentGeometry.h"
#include "ReadoutLabel.h"
#include "FramedView.h"
#include "PanelText.h"
#include "RotatedImageView.h"
#include "VehicleReadout.h"
#include "common/AppUtils.h"
#include "common/Localization.h"
#include "common/Settings.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMutexLocker>
#include <QButtonGroup>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

using namespace InstrumentGeometry;

namespace {

QLabel *readout(QWidget *parent, int pixelSize, const QColor &colour, const QString &objectName,
               ReadoutFont family = ReadoutFont::Proportional)
{
    QLabel *label = makeReadout(parent, pixelSize, true, Qt::AlignLeft | Qt::AlignVCenter, family);
    label->setObjectName(objectName);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, colour);
    label->setPalette(pal);
    return label;
}

ReadoutLabel *caption(QWidget *parent, const QString &objectName)
{
    auto *field = new ReadoutLabel(parent);
    field->setObjectName(objectName);
    QFont f = field->font();
    f.setPixelSize(12);
    f.setBold(true);
    field->setFont(f);
    field->setFixedWidth(128);
    return field;
}

} // namespace

InstrumentPanel::InstrumentPanel(Settings &settings, QWidget *parent)
    : QWidget(parent), settings_(settings)
{
    setObjectName(QStringLiteral("instrumentPanel"));
    paintPanelBackground(this);

    // Left: the car and the three trip figures, in a frame.
    figuresFrame = new FramedView(this);
    carIcon = new RotatedImageView(QStringLiteral("car_icon"), true, figuresFrame);
    carIcon->setMinimumSize(96, 42);
    carIcon->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    directionMark = new RotatedImageView(QStringLiteral("direction_mark"), true, figuresFrame);
    directionMark->setFixedSize(24, 24);

    const QColor figureColour(30, 32, 36);
    maxSpeedLabelText = caption(figuresFrame, QStringLiteral("maxSpeedLabelText"));
    avageSpeedLabelText = caption(figuresFrame, QStringLiteral("avageSpeedLabelText"));
    totalDistanceLabelText = caption(figuresFrame, QStringLiteral("totalDistanceLabelText"));
    maxHSpeed = readout(figuresFrame, 20, figureColour, QStringLiteral("maxHSpeed"));
    averageHSpeed = readout(figuresFrame, 20, figureColour, QStringLiteral("averageHSpeed"));
    movingDistance = readout(figuresFrame, 20, figureColour, QStringLiteral("movingDistance"));

    auto *figures = new QGridLayout;
    figures->setHorizontalSpacing(10);
    figures->setVerticalSpacing(6);
    figures->addWidget(maxSpeedLabelText, 0, 0);
    figures->addWidget(maxHSpeed, 0, 1);
    figures->addWidget(avageSpeedLabelText, 1, 0);
    figures->addWidget(averageHSpeed, 1, 1);
    figures->addWidget(totalDistanceLabelText, 2, 0);
    figures->addWidget(movingDistance, 2, 1);
    figures->setColumnStretch(1, 1);

    // Clip / Trip: whose figures the three lines show.
    auto *toggle = new QButtonGroup(this);
    auto figuresButton = [&](const QString &name) {
        auto *b = new QToolButton(figuresFrame);
        b->setObjectName(name);
        b->setCheckable(true);
        b->setAutoRaise(false);
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        b->setStyleSheet(QStringLiteral(
            "QToolButton { font-size: 11px; padding: 1px 6px; border: 1px solid #9aa0a6; background: #f1f3f4; color: #202124; }"
            "QToolButton:checked { background: #1a73e8; border-color: #1a73e8; color: white; }"));
        toggle->addButton(b);
        return b;
    };
    clipFiguresButton = figuresButton(QStringLiteral("clipFiguresButton"));
    tripFiguresButton = figuresButton(QStringLiteral("tripFiguresButton"));
    // Under the car, where it takes none of the figures' width.
    auto *toggleRow = new QHBoxLayout;
    toggleRow->setSpacing(0);
    toggleRow->addStretch(1);
    toggleRow->addWidget(clipFiguresButton);
    toggleRow->addWidget(tripFiguresButton);
    toggleRow->addStretch(1);
    showsTrip_ = settings_.tripPanelShowsTrip();
    (showsTrip_ ? tripFiguresButton : clipFiguresButton)->setChecked(true);
    connect(tripFiguresButton, &QToolButton::toggled, this, [this](bool on) { setShowsTrip(on); });

    auto *carColumn = new QVBoxLayout;
    carColumn->addWidget(carIcon, 1);
    carColumn->addWidget(directionMark, 0, Qt::AlignHCenter);
    carColumn->addLayout(toggleRow);

    auto *frameLayout = new QHBoxLayout(figuresFrame);
    frameLayout->setContentsMargins(14, 10, 14, 10);
    frameLayout->setSpacing(16);
    frameLayout->addLayout(carColumn, 0);
    frameLayout->addLayout(figures, 1);

    // Right: the G-sensor read-outs and graph on black.
    gsensorContainer = new BlackView(this);
    xTextField = readout(gsensorContainer, 14, QColor(255, 255, 255), QStringLiteral("xTextField"), ReadoutFont::Monospace);
    yTextField = readout(gsensorContainer, 14, QColor(255, 80, 80), QStringLiteral("yTextField"), ReadoutFont::Monospace);
    zTextField = readout(gsensorContainer, 14, QColor(80, 230, 80), QStringLiteral("zTextField"), ReadoutFont::Monospace);
    xTextField->setText(gsensorXText(1.0f));
    yTextField->setText(gsensorYText(0.0f));
    zTextField->setText(gsensorZText(0.0f));
    // Of a fixed size (the widest value's width), so that the values changing every
    // second ask for no new layout of the panel.
    for (QLabel *l : {xTextField, yTextField, zTextField})
        l->setFixedSize(l->fontMetrics().horizontalAdvance(QStringLiteral("X: -0.000")) + 4, l->sizeHint().height());
    gsensorView = new CustomGsensorView(gsensorContainer);

    auto *axes = new QVBoxLayout;
    axes->addStretch(1);
    axes->addWidget(xTextField);
    axes->addWidget(yTextField);
    axes->addWidget(zTextField);
    axes->addStretch(1);
    auto *graphLayout = new QHBoxLayout(gsensorContainer);
    graphLayout->setContentsMargins(12, 8, 8, 8);
    graphLayout->setSpacing(6);
    // On the graph's black, taking its width from the graph rather than the figures.
    vehicleReadout = new VehicleReadout(gsensorContainer);
    graphLayout->addWidget(vehicleReadout, 0);
    graphLayout->addLayout(axes, 0);
    graphLayout->addWidget(gsensorView, 1);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(8);
    // Fixed shares of the width, so that the graph does not move when a figure's
    // text (or the language) changes.
    figuresFrame->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    gsensorContainer->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    layout->addWidget(figuresFrame, 9);
    layout->addWidget(gsensorContainer, 11);

    directionMark->hide();
    retranslate();

    maxHSpeed->setText(speedText(0));
    averageHSpeed->setText(speedText(0));
    movingDistance->setText(distanceText(0));

    connect(&settings_, &Settings::speedUnitChanged, this, &InstrumentPanel::updateUI);
}

InstrumentPanel::~InstrumentPanel() = default;

QString InstrumentPanel::speedText(float kmh) const
{
    return AppUtils::speedText(kmh, settings_.kmph());
}

QString InstrumentPanel::distanceText(float metres) const
{
    return AppUtils::distanceText(metres, settings_.kmph());
}

QString InstrumentPanel::maxSpeedText() const
{
    return speedRecorded_ ? speedText(float(maxSpd_)) : absentText();
}

QString InstrumentPanel::averageText(float kmh) const
{
    return routeRecorded_ ? speedText(kmh) : absentText();
}

QString InstrumentPanel::clipDistanceText() const
{
    return routeRecorded_ ? distanceText(totalDistance_) : absentText();
}

void InstrumentPanel::retranslate()
{
    maxSpeedLabelText->setText(Localization::text("trip_max_speed"));
    avageSpeedLabelText->setText(Localization::text("trip_average_speed"));
    totalDistanceLabelText->setText(Localization::text("trip_distance"));
    clipFiguresButton->setText(Localization::text("trip_figures_clip"));
    tripFiguresButton->setText(Localization::text("trip_figures_trip"));
    keepFiguresReadable();
}

void InstrumentPanel::keepFiguresReadable()
{
    const QFontMetrics value(maxHSpeed->font());
    const int widest = std::max(value.horizontalAdvance(speedText(888)), value.horizontalAdvance(distanceText(8888800)));
    const auto *frame = figuresFrame->layout();
    const QMargins m = frame->contentsMargins();
    const auto *grid = qobject_cast<QGridLayout *>(frame->itemAt(1)->layout());
    const int captions = maxSpeedLabelText->minimumWidth() + (grid ? grid->horizontalSpacing() : 0);
    figuresFrame->setMinimumWidth(m.left() + carIcon->minimumWidth() + frame->spacing() + captions + widest + m.right());
}

void InstrumentPanel::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        retranslate();
        updateUI();   // the unit labels are texts of the string tables too
    }
    QWidget::changeEvent(event);
}

void InstrumentPanel::showClip(const ClipTelemetry &clip)
{
    currentPlayVideoPath_ = clip.path;
    maxSpd_ = clip.maxSpeed;
    const std::vector<TelemetrySample> &samples = *clip.samples;
    // Telemetry that cannot be read is no clip without telemetry: dashes, not the last clip's figures.
    const bool unreadable = clip.layout == TelemetryLayout::Unreadable || clip.broken;
    speedRecorded_ = !unreadable && (samples.empty() || std::any_of(samples.cbegin(), samples.cend(),
                                                                    [](const TelemetrySample &s) { return s.hasSpeed; }));
    routeRecorded_ = !unreadable && (samples.empty() || !clip.positions.isEmpty());
    if (!tripShown()) {
        setTextIfChanged(maxHSpeed, maxSpeedText());
        setTextIfChanged(movingDistance, clipDistanceText());
        if (!routeRecorded_)
            setTextIfChanged(averageHSpeed, absentText());
    }
    currentGsensorDataArr_.clear();
    currentGsensorDataArr_.reserve(clip.gsensor.size());
    for (const int i : clip.gsensor) {
        const TelemetrySample &s = clip.samples->at(size_t(i));
        currentGsensorDataArr_.append({s.gx, s.gy, s.gz});
    }
    gsensorView->setGsensorArray(currentGsensorDataArr_);
    shownGsensor_ = -1;
    if (unreadable)
        showNoGsensor();
}

void InstrumentPanel::showNoGsensor()
{
    if (shownGsensor_ == -2)
        return;
    shownGsensor_ = -2;
    gsensorView->updateGsensorRange(-1);   // no traces, not the last clip's
    setTextIfChanged(xTextField, gsensorAbsentText('X'));
    setTextIfChanged(yTextField, gsensorAbsentText('Y'));
    setTextIfChanged(zTextField, gsensorAbsentText('Z'));
}

void InstrumentPanel::setDuration(double seconds)
{
    totalTime_ = float(seconds);
    shownGsensor_ = -1;
    loadAverageSpeedContent();
}

void InstrumentPanel::totalDistance(float metres)
{
    // The length comes from the map page's script; a value that is not a number
    // shows as no distance rather than as "nan".
    totalDistance_ = std::isfinite(metres) ? metres : 0.0f;
    if (tripShown())
        return;
    setTextIfChanged(movingDistance, clipDistanceText());
    loadAverageSpeedContent();
}

void InstrumentPanel::showAverage(float kmh)
{
    setTextIfChanged(averageHSpeed, tripShown() ? speedText(kmh) : averageText(kmh));
}

void InstrumentPanel::loadAverageSpeedContent()
{
    QMutexLocker lock(&mlock);
    if (tripShown())
        return;
    if (const auto kmh = averageSpeedKmh(totalDistance_, totalTime_))
        showAverage(*kmh);
}

void InstrumentPanel::showMoment(const TelemetryMoment &moment)
{
    // A file whose G-sensor view is empty changes nothing here; in particular the
    // maximum speed read from the store stays as it is.
    if (moment.sample >= 0 && !moment.atSample.hasG) {
        showNoGsensor();
        return;
    }
    const int i = moment.gsensor;
    // The clock ticks every millisecond, the entry moves once a second.
    if (i < 0 || i >= currentGsensorDataArr_.size() || i == shownGsensor_)
        return;
    shownGsensor_ = i;
    gsensorView->updateGsensorRange(i);
    setTextIfChanged(xTextField, gsensorXText(moment.atGsensor.gx));
    setTextIfChanged(yTextField, gsensorYText(moment.atGsensor.gy));
    setTextIfChanged(zTextField, gsensorZText(moment.atGsensor.gz));
}

void InstrumentPanel::setTripClips(const QList<TripFigureClip> &clips)
{
    tripFigures_ = clips.isEmpty() ? std::nullopt : std::optional<TripFigures>(TripFiguresRule::compute(clips));
    updateUI();
}

void InstrumentPanel::setShowsTrip(bool trip)
{
    showsTrip_ = trip;
    if (tripFiguresButton->isChecked() != trip)
        (trip ? tripFiguresButton : clipFiguresButton)->setChecked(true);
    settings_.setTripPanelShowsTrip(trip);
    updateUI();
}

void InstrumentPanel::showTripFigures()
{
    const TripFigures &f = *tripFigures_;
    setTextIfChanged(maxHSpeed, speedText(float(f.maxSpeed)));
    showAverage(averageSpeedKmh(float(f.metres), float(f.seconds)).value_or(0.0f));
    setTextIfChanged(movingDistance, distanceText(float(f.metres)));
}

void InstrumentPanel::updateUI()
{
    keepFiguresReadable();   // the unit may have changed
    if (tripShown()) {
        showTripFigures();
        return;
    }
    showAverage(averageSpeedKmh(totalDistance_, totalTime_).value_or(0.0f));
    setTextIfChanged(maxHSpeed, maxSpeedText());
    setTextIfChanged(movingDistance, clipDistanceText());
}
