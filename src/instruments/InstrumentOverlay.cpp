#include "InstrumentOverlay.h"

#include "PositionCompassPanel.h"
#include "RotatedImageView.h"
#include "common/Settings.h"

#include <QLabel>
#include <QPainter>
#include <QTemporaryDir>

namespace {

// The panel's size when drawn for an overlay: the compass square on the left, the dial
// over its read-out on the right (its own layout at this size).
constexpr int kPanelWidth = 300;
constexpr int kPanelHeight = 140;

QRectF unite(std::initializer_list<const QWidget *> parts)
{
    QRectF r;
    for (const QWidget *w : parts)
        r = r.united(QRectF(w->geometry()));
    return r;
}

} // namespace

InstrumentOverlay::InstrumentOverlay(bool kmph)
    : folder_(std::make_unique<QTemporaryDir>())
{
    settings_ = std::make_unique<Settings>(folder_->filePath(QStringLiteral("overlay.ini")));
    settings_->setKmph(kmph);
    panel_ = std::make_unique<PositionCompassPanel>(*settings_);
    panel_->setAttribute(Qt::WA_DontShowOnScreen);
    panel_->resize(kPanelWidth, kPanelHeight);
    // On a dark plate over the picture, not on the panel's own ground.
    QPalette light = panel_->spdshow->palette();
    light.setColor(QPalette::WindowText, Qt::white);
    panel_->spdshow->setPalette(light);
    graph_ = std::make_unique<CustomGsensorView>();
    graph_->setAttribute(Qt::WA_DontShowOnScreen);
}

InstrumentOverlay::~InstrumentOverlay() = default;

void InstrumentOverlay::showClip(const ClipTelemetry &clip, double duration)
{
    panel_->showClip(clip);
    panel_->setDuration(duration);
    gsensor_.clear();
    gsensor_.reserve(clip.gsensor.size());
    for (const int i : clip.gsensor) {
        const TelemetrySample &s = clip.samples->at(size_t(i));
        gsensor_.append({s.gx, s.gy, s.gz});
    }
    graph_->setGsensorArray(gsensor_);
    graph_->updateGsensorRange(-1);
}

void InstrumentOverlay::showMoment(const TelemetryMoment &moment)
{
    panel_->showMoment(moment);
    graph_->updateGsensorRange(moment.gsensor);
}

QString InstrumentOverlay::speedText() const
{
    return panel_->spdshow->text();
}

QString InstrumentOverlay::positionText() const
{
    const PositionCompassPanel &p = *panel_;
    if (p.latitudeUnitLabels->text().isEmpty())
        return {};
    return p.latitudeLabels->text().trimmed() + QLatin1Char(' ') + p.latitudeUnitLabels->text() + QLatin1Char('\n')
           + p.longitudeLabels->text().trimmed() + QLatin1Char(' ') + p.longitudeUnitLabels->text();
}

QFont InstrumentOverlay::readoutFont() const
{
    return panel_->spdshow->font();
}

double InstrumentOverlay::aspect(Part part)
{
    switch (part) {
    case Part::Compass:
        return 1.0;
    case Part::Speed:
        return 1.3;
    case Part::Graph:
        return 600.0 / 130.0;
    }
    return 1.0;
}

void InstrumentOverlay::paint(QPainter &painter, Part part, const QRectF &box, double scale) const
{
    if (box.isEmpty() || scale <= 0)
        return;
    painter.save();
    if (part == Part::Graph) {
        graph_->resize(QSizeF(box.size() / scale).toSize());
        painter.translate(box.topLeft());
        painter.scale(scale, scale);
        graph_->render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
        painter.restore();
        return;
    }
    // The part's widgets, each drawn where the panel places it, the whole fitted to the box.
    const PositionCompassPanel &p = *panel_;
    const std::vector<QWidget *> widgets =
        part == Part::Compass ? std::vector<QWidget *>{p.compassRose, p.compassPointer}
                              : std::vector<QWidget *>{p.speedDial, p.speedNeedle, p.spdshow};
    const QRectF source = part == Part::Compass ? unite({p.compassRose}) : unite({p.speedDial, p.spdshow});
    if (source.isEmpty()) {
        painter.restore();
        return;
    }
    const double fit = std::min(box.width() / source.width(), box.height() / source.height());
    const QSizeF fitted = source.size() * fit;
    painter.translate(box.center() - QPointF(fitted.width() / 2, fitted.height() / 2));
    painter.scale(fit, fit);
    painter.translate(-source.topLeft());
    for (QWidget *w : widgets)
        if (!w->isHidden())
            w->render(&painter, w->pos(), QRegion(), QWidget::DrawChildren);
    painter.restore();
}
