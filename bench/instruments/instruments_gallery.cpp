// Renders the instrument panels at the pane sizes of the window, fed with a
// made-up drive, into PNG files for looking at: instruments_gallery OUTDIR [SECONDS]
#include "common/AppKeys.h"
#include "common/AppUserDefaults.h"
#include "instruments/CustomSpeedView.h"
#include "instruments/GpsViewController.h"
#include "instruments/KTDisplayViewController.h"
#include "instruments/PositionCompassPanel.h"
#include "store/MyCache.h"

#include <QApplication>
#include <QDir>
#include <QTranslator>

#include <cmath>

namespace {

class Labels : public QTranslator {
public:
    QString translate(const char *, const char *key, const char *, int) const override
    {
        const QByteArray k(key);
        if (k == "km_speedUnit") return QStringLiteral("KM/H");
        if (k == "mph_speedUnit") return QStringLiteral("MPH");
        if (k == "km_distanceUnit") return QStringLiteral("KM");
        if (k == "mile_distanceUnit") return QStringLiteral("MILES");
        return QString();
    }
    bool isEmpty() const override { return false; }
};

QList<GpsSample> drive(int seconds)
{
    QList<GpsSample> out;
    for (int s = 0; s < seconds; ++s) {
        GpsSample g;
        g.spd = int(60 + 50 * std::sin(s / 30.0));
        g.gps_lat = QByteArray::number(51.5 + s * 0.0002, 'f', 6).toStdString();
        g.gps_lgt = QByteArray::number(-0.1275 + s * 0.0003, 'f', 6).toStdString();
        g.north_angle = std::fmod(40 + s * 1.5, 360.0);
        g.gsensor_x = float(1.0 + 0.4 * std::sin(s / 7.0));
        g.gsensor_y = float(0.8 * std::sin(s / 11.0));
        g.gsensor_z = float(-0.5 + 0.6 * std::cos(s / 5.0));
        out << g;
    }
    return out;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    Labels labels;
    QCoreApplication::installTranslator(&labels);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    const double at = argc > 2 ? QString::fromLocal8Bit(argv[2]).toDouble() : 75.0;
    QDir().mkpath(out);

    const QString path = QStringLiteral("file:///gallery/drive.MOV");
    PlayListEntry e;
    e.path = path;
    e.gpsData = drive(180);
    e.maxSpeed = 110;
    MyCache::syncPlayList({e});

    for (bool kmph : {true, false}) {
        AppUserDefaults::setSpeedUnit(QString::fromLatin1(kmph ? AppKeys::SPEED_UNIT_KMPH : AppKeys::SPEED_UNIT_MILEPH));
        const QString unit = kmph ? QStringLiteral("kmh") : QStringLiteral("mph");

        PositionCompassPanel panel;
        panel.resize(450, 264);
        panel.dataLogicProcessOfViodePath(path);
        panel.videoAllTime(180.0);
        panel.updateDataByCurrentTime(at);
        panel.grab().save(out + QStringLiteral("/compass_panel_") + unit + QStringLiteral(".png"));

        KTDisplayViewController trip;
        trip.resize(900, 150);
        trip.dataLogicProcessOfViodePath(path);
        trip.totalDistance(0);
        trip.videoAllTime(180.0);
        trip.totalDistance(3120.5f);
        trip.updateDataByCurrentTime(at);
        trip.grab().save(out + QStringLiteral("/trip_panel_") + unit + QStringLiteral(".png"));

        CustomSpeedView gauge;
        gauge.resize(gauge.sizeHint());
        gauge.setCurrentSpeed(kmph ? 60 : 50);
        gauge.grab().save(out + QStringLiteral("/speed_gauge_") + unit + QStringLiteral(".png"));
    }
    GpsViewController gps;
    gps.resize(450, 220);
    gps.dataLogicProcessOfViodePath(path);
    gps.videoAllTime(180.0);
    gps.updateDataByCurrentTime(at);
    gps.grab().save(out + QStringLiteral("/gps_view.png"));
    return 0;
}
