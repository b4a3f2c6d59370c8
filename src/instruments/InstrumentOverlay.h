// The panels drawn somewhere other than the window: a video's overlay shows the compass,
// the speed dial with its read-out and the G graph of a moment with the very widgets the
// window shows, kept off screen, so the picture and the panels never disagree. Its own
// settings (the speed unit given) keep the angles it turns from the user's.
#pragma once

#include "CustomGsensorView.h"
#include "drive/DriveTelemetry.h"

#include <QFont>
#include <QRectF>
#include <QSizeF>

#include <memory>

class PositionCompassPanel;
class QPainter;
class QTemporaryDir;
class Settings;

class InstrumentOverlay {
public:
    enum class Part { Compass, Speed, Graph };

    explicit InstrumentOverlay(bool kmph);
    ~InstrumentOverlay();
    InstrumentOverlay(const InstrumentOverlay &) = delete;
    InstrumentOverlay &operator=(const InstrumentOverlay &) = delete;

    // The clip the moments come from, and how long it plays.
    void showClip(const ClipTelemetry &clip, double duration);
    void showMoment(const TelemetryMoment &moment);
    // The speed read-out as the panel shows it ("52km/h", a dash without a speed).
    QString speedText() const;
    // The position as the panel's read-outs give it, latitude over longitude
    // (" 51° 30'    0.00 N"); empty without a position.
    QString positionText() const;
    // The read-outs' font, for texts drawn beside the parts.
    QFont readoutFont() const;

    // Width over height of a part as the panel draws it.
    static double aspect(Part part);
    // Draws `part` into `box`; `scale` is how many pixels of `painter` a pixel of the
    // panel takes (lines and texts grow with it).
    void paint(QPainter &painter, Part part, const QRectF &box, double scale) const;

private:
    std::unique_ptr<QTemporaryDir> folder_;
    std::unique_ptr<Settings> settings_;
    std::unique_ptr<PositionCompassPanel> panel_;
    std::unique_ptr<CustomGsensorView> graph_;
    QList<CustomGsensorView::Entry> gsensor_;
};
