// Helpers shared by the instrument tests: unit labels as the string tables give
// them, play-list entries built from sample tables, a panel driven through the
// drive's telemetry, and settings of their own.
#pragma once

#include "SampleFactory.h"
#include "TestSettings.h"
#include "drive/DriveTelemetry.h"
#include "store/TrackStore.h"
#include "store/PlayListEntry.h"

#include <QCoreApplication>
#include <QImage>
#include <QTranslator>

#include <string>

// The unit labels of the English table, installed ahead of any other translator
// so that the tests read "KM/H" and "MPH" whatever else is compiled in.
class UnitLabelTranslator : public QTranslator {
public:
    QString translate(const char *context, const char *source, const char * = nullptr, int = -1) const override
    {
        if (qstrcmp(context, "Localizable") != 0)
            return QString();
        const QByteArray key(source);
        if (key == "km_speedUnit") return QStringLiteral("KM/H");
        if (key == "mph_speedUnit") return QStringLiteral("MPH");
        if (key == "km_distanceUnit") return QStringLiteral("KM");
        if (key == "mile_distanceUnit") return QStringLiteral("MILES");
        return QString();
    }
    bool isEmpty() const override { return false; }
};

inline UnitLabelTranslator *unitLabels()
{
    static UnitLabelTranslator *t = new UnitLabelTranslator;
    return t;
}

inline void installUnitLabels()
{
    static bool installed = false;
    if (!installed) {
        installed = true;
        QCoreApplication::installTranslator(unitLabels());
    }
}

inline QString fileUrl(const char *name)
{
    return QStringLiteral("file:///media/drive/") + QLatin1String(name);
}

inline void storeEntries(const PlayList &list)
{
    TrackStore::syncPlayList(list);
}

inline PlayListEntry makeEntry(const QString &path, const QList<GpsSample> &samples, qint64 maxSpeed)
{
    PlayListEntry e;
    e.path = path;
    e.gpsData = samples;
    e.maxSpeed = maxSpeed;
    return e;
}

// The entry as a camera that does not record `missing` ("speed", "course", "G" or "fix")
// gives it: the reader's typed samples with that field absent and zero. "everything":
// telemetry that cannot be read.
inline PlayListEntry without(PlayListEntry e, const QString &missing)
{
    if (missing == QLatin1String("everything")) {
        e.gpsData.clear();
        e.maxSpeed = 0;
        e.layout = TelemetryLayout::Unreadable;
        e.telemetry = std::make_shared<const std::vector<TelemetrySample>>();
        return e;
    }
    auto typed = std::make_shared<std::vector<TelemetrySample>>(*e.typedSamples());
    for (TelemetrySample &s : *typed) {
        if (missing == QLatin1String("speed"))
            s.hasSpeed = false, s.speedKmh = 0;
        else if (missing == QLatin1String("course"))
            s.hasCourse = false, s.course = 0;
        else if (missing == QLatin1String("G"))
            s.hasG = false, s.gx = s.gy = s.gz = 0;
        else if (missing == QLatin1String("fix"))
            s.hasFix = false, s.latitude = s.longitude = 0;
    }
    for (GpsSample &g : e.gpsData) {
        if (missing == QLatin1String("speed"))
            g.spd = 0;
        else if (missing == QLatin1String("fix"))
            g.gps_lat.clear(), g.gps_lgt.clear();
    }
    e.telemetry = typed;
    return e;
}

// Drives a panel as the window does: the drive's telemetry follows an entry, and the
// panel shows the clip, its duration and each moment.
template <class Panel>
struct DriveRig {
    DriveTelemetry telemetry;
    explicit DriveRig(Panel *panel)
    {
        QObject::connect(&telemetry, &DriveTelemetry::clipChanged, panel, &Panel::showClip);
        QObject::connect(&telemetry, &DriveTelemetry::durationChanged, panel, &Panel::setDuration);
        QObject::connect(&telemetry, &DriveTelemetry::momentChanged, panel, &Panel::showMoment);
    }
    // The entry stored for `path`; a file the store does not hold has no samples.
    void open(const QString &path)
    {
        PlayListEntry e;
        e.path = path;
        for (const PlayListEntry &stored : TrackStore::playList().value_or(PlayList()))
            if (stored.path == path) {
                e = stored;
                break;
            }
        telemetry.follow(&e);
    }
    void duration(double seconds) { telemetry.setDuration(seconds); }
    void tick(double seconds) { telemetry.tick(seconds); }
};

// Whether a pixel is close to `want` (anti-aliasing and scaling blur the edges).
inline bool near(const QColor &got, const QColor &want, int tolerance = 40)
{
    return qAbs(got.red() - want.red()) <= tolerance && qAbs(got.green() - want.green()) <= tolerance &&
           qAbs(got.blue() - want.blue()) <= tolerance;
}

// Whether some pixel within `radius` of `at` satisfies `test` (lines of width 1
// spread over two pixel rows when they fall on a pixel boundary).
template <class Test>
bool anyPixelNear(const QImage &img, QPoint at, int radius, Test test)
{
    for (int dy = -radius; dy <= radius; ++dy)
        for (int dx = -radius; dx <= radius; ++dx) {
            const QPoint p = at + QPoint(dx, dy);
            if (img.rect().contains(p) && test(img.pixelColor(p)))
                return true;
        }
    return false;
}

inline bool isRed(const QColor &c) { return c.red() > 110 && c.green() < 70 && c.blue() < 70; }
inline bool isGreen(const QColor &c) { return c.green() > 110 && c.red() < 70 && c.blue() < 70; }
inline bool isWhite(const QColor &c) { return c.red() > 110 && c.green() > 110 && c.blue() > 110; }
inline bool isOrange(const QColor &c) { return c.red() > 200 && c.green() > 60 && c.green() < 170 && c.blue() < 80; }
