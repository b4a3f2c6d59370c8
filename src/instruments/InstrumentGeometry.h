// Every angle, arc, trace point and text that the instrument panels draw, as pure
// functions. Coordinates are in points with y pointing UP from the bottom-left
// corner of the view (the gauges are designed that way); the widgets convert to
// Qt's y-down device coordinates only through yUpToQt().
#pragma once

#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QTransform>

#include <optional>

namespace InstrumentGeometry {

// --- y-up to Qt -------------------------------------------------------------
// The flip that maps y-up coordinates of a view `height` points high onto Qt's.
QTransform yUpToQt(double height);
// Appends an arc about `center` (y-up) from `startDeg` to `endDeg`, counter-clockwise
// for a positive sweep, joined to the path's current point (or starting the path).
void arcYUp(QPainterPath &path, QPointF center, double radius, double startDeg, double endDeg);

// --- speedometer gauge ------------------------------------------------------
inline constexpr double kNeedleRestAngle = 1.4294246573833558;   // 0.455 pi
inline constexpr int MIN_ANGLE = 0;
inline constexpr int MAX_ANGLE = 180;
inline constexpr double kGaugeRadius = 40;
inline constexpr double kGaugeLineWidth = 30;

int gaugeFullScale(bool kmph);                      // 120 km/h or 75 mph
qint64 clampGaugeSpeed(qint64 speed, int fullScale);
float gaugeRatio(int fullScale);                    // degrees of arc per unit of speed
int gaugeArcStart(qint64 speed, float ratio);       // 180 - v * ratio, truncated
float gaugeNeedleDegrees(qint64 speed, float ratio);
double gaugeNeedleRotation(float degrees);          // radians, counter-clockwise positive

struct GaugeLayout {
    double midX = 0;
    double midY = 0;        // centre of the arcs
    QPointF pivot;          // where the needle turns
    QRectF needleRect;      // the needle image, unrotated, in y-up coordinates
};
GaugeLayout gaugeLayout(const QRectF &bounds);
// The arc of the track or of the speed, from `startDeg` to MAX_ANGLE (y-up).
QPainterPath gaugeArc(const GaugeLayout &layout, double startDeg, double endDeg);
// A point on the needle's centre line, `fraction` of the way from its lower end
// (0) to its tip (1), after turning it by `rotation` about the pivot.
QPointF gaugeNeedlePoint(const GaugeLayout &layout, double rotation, double fraction);

// --- G-sensor graph ---------------------------------------------------------
inline constexpr double kGraphAxisX = 40;
inline constexpr double kGraphTickLength = 5;

float graphStep(double top);                 // height of one g
float graphValueY(float g, float step);      // (g + 3) * step
QString graphLabel(int k);                   // k = 1..5: "-2G" .. "+2G"
// Rectangle (y-up) of label k for text of `size`: right edge on x = 35, centred on the tick.
QRectF graphLabelRect(int k, float step, const QSizeF &size);
struct TracePoints {
    QPointF x, y, z;
};
// Points of entry k of N for axes (gx, gy, gz); `right` is the right end of the axes.
TracePoints graphTracePoints(int k, int count, float right, float step, float gx, float gy, float gz);
// Whether an entry with these axes belongs to the G-sensor list (all within -4..+4).
bool gsensorEntryAccepted(float x, float y, float z);

// --- trip statistics --------------------------------------------------------
// Average speed in km/h of `metres` driven in `seconds`; nothing when seconds <= 0.
std::optional<float> averageSpeedKmh(float metres, float seconds);
QString gsensorXText(float x);   // "X: %.3f" of x - 1
QString gsensorYText(float y);
QString gsensorZText(float z);
// What a read-out shows for what the camera does not record, rather than a false zero.
QString absentText();                 // "–"
QString gsensorAbsentText(char axis);  // "X: –"

// --- position and compass ---------------------------------------------------
// The leading number of a text (as a float parse of it reads it): 0 when there is none.
float leadingFloat(const QString &text);
QString convertLatLngToDFM(float degrees);
QString latitudeLetter(float latitude);     // "N" or "S"
QString longitudeLetter(float longitude);   // "E" or "W"
float compassRotation(double headingDegrees);   // 0 for a heading that is not finite
// Speed needle and dial read back from the speed read-out text. Nothing when the
// text names both units.
struct SpeedDial {
    float needleRotation;   // radians, clockwise on screen
    QString dialImage;      // "speed_dial_kmh" or "speed_dial_mph"
};
std::optional<SpeedDial> speedDialFromReadout(const QString &readout);
// The same without reading the text back, for a read-out made of a number and a
// unit label: which dial the label picks (true: the km/h dial; nothing when it
// names both units), and the dial for the number shown.
std::optional<bool> speedDialIsKmh(const QString &unitLabel);
SpeedDial speedDial(float shown, bool kmh);
inline constexpr float kDialHalfTurnKmh = 172.0f;
// The speed dial artwork ("speed_dial_kmh", "speed_dial_mph"): its view box, the pivot of the needle
// (measured from the box's top-left corner) and the radius of the printed ticks'
// outer ends. The needles ("speed_needle_kmh", "speed_needle_mph") are square boxes of
// kNeedleBox points turning about their centre, drawn at the dial's scale.
struct DialArtwork {
    static constexpr double width = 240;
    static constexpr double height = 140;
    static constexpr double pivotX = 120;
    static constexpr double pivotY = 122;
    static constexpr double tickOuterRadius = 104;
    static constexpr double tickMajorLength = 14;
    static constexpr double needleBox = 240;
    static constexpr double needleLength = 92;
};
inline constexpr float kDialHalfTurnMph = 90.0f;
// Where value v of a dial (half a turn at `halfTurn`) lies on a circle of `radius`
// about `pivot` (y-up): 0 on the left, rising clockwise over the top.
QPointF dialScalePoint(QPointF pivot, double radius, double value, double halfTurn);
// Turning an image about the centre of `frame` (Qt coordinates) by `radians`,
// clockwise on screen when `clockwise`, counter-clockwise otherwise.
QTransform imageRotation(const QRectF &frame, double radians, bool clockwise);

// --- decorated views --------------------------------------------------------
QPainterPath ktViewFrame(const QSizeF &size);   // y-up
QPainterPath ktTextFieldTag(const QSizeF &size); // y-up

} // namespace InstrumentGeometry
