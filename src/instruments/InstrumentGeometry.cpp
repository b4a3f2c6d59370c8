#include "InstrumentGeometry.h"

#include "common/AppUtils.h"

#include <QLocale>
#include <QtMath>

#include <cmath>
#include <cstdio>
#include <cstring>

#include <langinfo.h>

namespace InstrumentGeometry {

QTransform yUpToQt(double height)
{
    return QTransform(1, 0, 0, -1, 0, height);
}

void arcYUp(QPainterPath &path, QPointF center, double radius, double startDeg, double endDeg)
{
    // QPainterPath measures its angles for a y-down plane; in a y-up plane the
    // same numbers with their signs flipped describe the arc.
    const QRectF box(center.x() - radius, center.y() - radius, 2 * radius, 2 * radius);
    const double start = qDegreesToRadians(startDeg);
    const QPointF first(center.x() + radius * std::cos(start), center.y() + radius * std::sin(start));
    if (path.elementCount() == 0)
        path.moveTo(first);
    path.arcTo(box, -startDeg, -(endDeg - startDeg));
}

// --- speedometer gauge ------------------------------------------------------

int gaugeFullScale(bool kmph)
{
    return kmph ? 120 : 75;
}

qint64 clampGaugeSpeed(qint64 speed, int fullScale)
{
    if (speed > fullScale)
        return fullScale;
    if (speed < 0)
        return 0;
    return speed;
}

float gaugeRatio(int fullScale)
{
    return 180.0f / float(fullScale);
}

float gaugeNeedleDegrees(qint64 speed, float ratio)
{
    return 180.0f - float(speed) * ratio;
}

int gaugeArcStart(qint64 speed, float ratio)
{
    return int(gaugeNeedleDegrees(speed, ratio));
}

double gaugeNeedleRotation(float degrees)
{
    const float turned = (180.0f - degrees) / 180.0f;
    return kNeedleRestAngle - double(turned) * M_PI;
}

GaugeLayout gaugeLayout(const QRectF &bounds)
{
    GaugeLayout g;
    g.midX = bounds.x() + 0.5 * bounds.width();
    g.midY = (bounds.y() + 0.5 * bounds.height()) / 2;
    // The needle image (15 x 60) is placed at (midX - 10, -7) and then anchored at
    // (0.5, 0.12): its frame centre stays put and becomes the pivot.
    const QRectF frame(g.midX - 10, -7, 15, 60);
    g.pivot = frame.center();
    g.needleRect = QRectF(g.pivot.x() - 0.5 * 15, g.pivot.y() - 0.12 * 60, 15, 60);
    return g;
}

QPainterPath gaugeArc(const GaugeLayout &layout, double startDeg, double endDeg)
{
    QPainterPath path;
    arcYUp(path, QPointF(layout.midX, layout.midY), kGaugeRadius, startDeg, endDeg);
    return path;
}

QPointF gaugeNeedlePoint(const GaugeLayout &layout, double rotation, double fraction)
{
    // Unrotated, the needle runs straight up from its lower end.
    const double fromPivot = layout.needleRect.y() + fraction * layout.needleRect.height() - layout.pivot.y();
    return QPointF(layout.pivot.x() - fromPivot * std::sin(rotation),
                   layout.pivot.y() + fromPivot * std::cos(rotation));
}

// --- G-sensor graph ---------------------------------------------------------

float graphStep(double top)
{
    return float(top > 0 ? top : 0) / 6.0f;
}

float graphValueY(float g, float step)
{
    return (g + 3.0f) * step;
}

QString graphLabel(int k)
{
    static const char *const labels[] = {"-2G", "-1G", "0", "+1G", "+2G"};
    if (k < 1 || k > 5)
        return QString();
    return QString::fromLatin1(labels[k - 1]);
}

QRectF graphLabelRect(int k, float step, const QSizeF &size)
{
    const double tickY = double(float(k) * step);
    return QRectF(kGraphAxisX - kGraphTickLength - size.width(), tickY - size.height() / 2,
                  size.width(), size.height());
}

TracePoints graphTracePoints(int k, int count, float right, float step, float gx, float gy, float gz)
{
    const float x0 = float(kGraphAxisX);
    const float width = right - x0;
    const float n = float(count);
    const float here = x0 + (float(k) / n) * width;
    const float next = x0 + (float(k + 1) / n) * width;
    TracePoints p;
    p.x = QPointF(next, graphValueY(gx - 1.0f, step));
    p.y = QPointF(here, graphValueY(gy, step));
    p.z = QPointF(here, graphValueY(gz, step));
    return p;
}

bool gsensorEntryAccepted(float x, float y, float z)
{
    auto in = [](float v) { return v >= -4.0f && v <= 4.0f; };
    return in(x) && in(y) && in(z);
}

// --- trip statistics --------------------------------------------------------

std::optional<float> averageSpeedKmh(float metres, float seconds)
{
    if (!(seconds > 0))
        return std::nullopt;
    const float perSecond = metres / seconds;
    return float(double(perSecond) * 3.6);
}

// Whether "%f" writes a point in the C library's current locale, as the fast
// formatting below always does.
static bool decimalPointIsDot()
{
    const char *point = nl_langinfo(RADIXCHAR);
    return point[0] == '.' && point[1] == '\0';
}

static QString axisText(char axis, double v)
{
    char buf[64] = {axis, ':', ' '};
    if (decimalPointIsDot()) {
        if (const int n = AppUtils::exactFixed(buf + 3, v, 3))
            return QString::fromLatin1(buf, 3 + n);
    }
    std::snprintf(buf + 3, sizeof buf - 3, "%.3f", v);
    return QString::fromLatin1(buf);
}

QString gsensorXText(float x) { return axisText('X', double(x) - 1.0); }
QString gsensorYText(float y) { return axisText('Y', double(y)); }
QString gsensorZText(float z) { return axisText('Z', double(z)); }
QString absentText() { return QString(QChar(0x2013)); }
QString gsensorAbsentText(char axis) { return QLatin1Char(axis) + QStringLiteral(": ") + absentText(); }

// --- position and compass ---------------------------------------------------

float leadingFloat(const QString &text)
{
    // Leading blanks, a sign, digits with at most one point, an optional exponent;
    // read in the C locale whatever the process's locale is.
    int i = 0;
    const int n = int(text.size());
    while (i < n && text.at(i).isSpace())
        ++i;
    const int begin = i;
    if (i < n && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-')))
        ++i;
    auto isDigit = [&](int k) { return k < n && text.at(k) >= QLatin1Char('0') && text.at(k) <= QLatin1Char('9'); };
    int digits = 0;
    while (isDigit(i)) { ++i; ++digits; }
    if (i < n && text.at(i) == QLatin1Char('.')) {
        ++i;
        while (isDigit(i)) { ++i; ++digits; }
    }
    if (digits == 0)
        return 0.0f;
    if (i < n && (text.at(i) == QLatin1Char('e') || text.at(i) == QLatin1Char('E'))) {
        int j = i + 1;
        if (j < n && (text.at(j) == QLatin1Char('+') || text.at(j) == QLatin1Char('-')))
            ++j;
        if (isDigit(j)) {
            while (isDigit(j))
                ++j;
            i = j;
        }
    }
    bool ok = false;
    const double v = QLocale::c().toDouble(QStringView(text).mid(begin, i - begin), &ok);
    if (!ok)
        return 0.0f;
    return float(v);
}

QString convertLatLngToDFM(float degrees)
{
    // Guards text that is not a coordinate at all (NaN, or too large to truncate).
    float v = degrees;
    if (!(v >= 0.0f && v < 1.0e9f))
        v = 0.0f;
    const int d = int(v);
    const float f = (v - float(d)) * 60.0f;
    const int m = int(f);
    const float s = (f - float(m)) * 60.0f;
    if (decimalPointIsDot()) {
        // "%3d°%3d'    %.2f" in Latin-1, without the general formatting.
        char buf[64];
        char *p = buf;
        auto padded = [&p](int n) {
            char digits[24];
            const int k = AppUtils::exactFixed(digits, double(n), 0);
            for (int pad = 3 - k; pad > 0; --pad)
                *p++ = ' ';
            std::memcpy(p, digits, size_t(k));
            p += k;
        };
        padded(d);
        *p++ = '\xB0';
        padded(m);
        std::memcpy(p, "'    ", 5);
        p += 5;
        if (const int n = AppUtils::exactFixed(p, double(s), 2))
            return QString::fromLatin1(buf, int(p + n - buf));
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%3d\xC2\xB0%3d'    %.2f", d, m, double(s));
    return QString::fromUtf8(buf);
}

QString latitudeLetter(float latitude)
{
    return latitude < 0 ? QStringLiteral("S") : QStringLiteral("N");
}

QString longitudeLetter(float longitude)
{
    return longitude < 0 ? QStringLiteral("W") : QStringLiteral("E");
}

float compassRotation(double headingDegrees)
{
    // A heading that is not a number turns nothing rather than painting garbage.
    if (!std::isfinite(headingDegrees))
        return 0.0f;
    const float half = float(headingDegrees / 180.0);
    return float(double(half) * M_PI);
}

std::optional<SpeedDial> speedDialFromReadout(const QString &readout)
{
    std::optional<SpeedDial> dial;
    if (!readout.contains(QLatin1String("KM/H"))) {
        const float n = leadingFloat(QString(readout).remove(QLatin1String("MPH")));
        dial = SpeedDial{float(double(n / kDialHalfTurnMph) * M_PI), QStringLiteral("speed_dial_mph")};
    }
    if (!readout.contains(QLatin1String("MPH"))) {
        const float n = leadingFloat(QString(readout).remove(QLatin1String("KM/H")));
        dial = SpeedDial{float(double(n / kDialHalfTurnKmh) * M_PI), QStringLiteral("speed_dial_kmh")};
    }
    return dial;
}

std::optional<bool> speedDialIsKmh(const QString &unitLabel)
{
    // The number in front of the label holds neither name, so the label alone decides.
    const bool kmh = unitLabel.contains(QLatin1String("KM/H"));
    const bool mph = unitLabel.contains(QLatin1String("MPH"));
    if (kmh && mph)
        return std::nullopt;
    return !mph;
}

SpeedDial speedDial(float shown, bool kmh)
{
    if (kmh)
        return SpeedDial{float(double(shown / kDialHalfTurnKmh) * M_PI), QStringLiteral("speed_dial_kmh")};
    return SpeedDial{float(double(shown / kDialHalfTurnMph) * M_PI), QStringLiteral("speed_dial_mph")};
}

QPointF dialScalePoint(QPointF pivot, double radius, double value, double halfTurn)
{
    const double a = M_PI - value / halfTurn * M_PI;
    return QPointF(pivot.x() + radius * std::cos(a), pivot.y() + radius * std::sin(a));
}

QTransform imageRotation(const QRectF &frame, double radians, bool clockwise)
{
    const QPointF c = frame.center();
    QTransform t;
    t.translate(c.x(), c.y());
    // On Qt's y-down plane a positive angle turns clockwise.
    t.rotateRadians(clockwise ? radians : -radians);
    t.translate(-c.x(), -c.y());
    return t;
}

// --- decorated views --------------------------------------------------------

QPainterPath ktViewFrame(const QSizeF &size)
{
    const double w = size.width();
    const double h = size.height();
    QPainterPath p;
    p.moveTo(5, 3);
    p.lineTo(w - 5, 3);
    arcYUp(p, QPointF(w - 5, 5), 2, -90, 0);
    p.lineTo(w - 3, h - 5);
    arcYUp(p, QPointF(w - 5, h - 5), 2, 0, 90);
    p.lineTo(5, h - 3);
    arcYUp(p, QPointF(5, h - 5), 2, 90, 180);
    p.lineTo(3, 5);
    arcYUp(p, QPointF(5, 5), 2, 180, 270);
    p.closeSubpath();
    return p;
}

QPainterPath ktTextFieldTag(const QSizeF &size)
{
    const double w = size.width();
    const double h = size.height();
    QPainterPath p;
    p.moveTo(0, 0);
    p.lineTo(w - 10, 0);
    p.lineTo(w, h / 2);
    p.lineTo(w - 10, h);
    p.lineTo(0, h);
    p.closeSubpath();
    return p;
}

} // namespace InstrumentGeometry
