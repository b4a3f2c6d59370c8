// Renders the instrument panels at the pane sizes of the window, fed with a
// made-up drive, into PNG files for looking at: instruments_gallery OUTDIR [SECONDS]
#include "DemoDrive.h"
#include "common/Localization.h"
#include "common/NamedImage.h"
#include "common/Settings.h"
#include "instruments/InstrumentPanel.h"
#include "instruments/PositionCompassPanel.h"
#include "drive/DriveTelemetry.h"

#include <QApplication>
#include <QDir>
#include <QPainter>

#include <cmath>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    const double at = argc > 2 ? QString::fromLocal8Bit(argv[2]).toDouble() : 75.0;
    QDir().mkpath(out);

    const QString path = QStringLiteral("file:///gallery/drive.MOV");
    PlayListEntry e;
    e.path = path;
    e.gpsData = demoDrive(180);
    e.maxSpeed = 110;
    DriveTelemetry telemetry;
    telemetry.follow(&e);
    telemetry.setDuration(180.0);
    const ClipTelemetry &clip = telemetry.clip();
    const TelemetryMoment moment = telemetry.momentAt(at);

    Settings settings;
    for (bool kmph : {true, false}) {
        Localization::install(kmph ? QStringLiteral("en") : QStringLiteral("zh-Hans"));
        settings.setKmph(kmph);
        const QString unit = kmph ? QStringLiteral("kmh_en") : QStringLiteral("mph_zh");

        PositionCompassPanel panel(settings);
        panel.resize(450, 264);
        panel.showClip(clip);
        panel.setDuration(180.0);
        panel.showMoment(moment);
        panel.grab().save(out + QStringLiteral("/compass_panel_") + unit + QStringLiteral(".png"));

        InstrumentPanel trip(settings);
        trip.resize(900, 150);
        trip.showClip(clip);
        trip.totalDistance(0);
        trip.setDuration(180.0);
        trip.totalDistance(3120.5f);
        trip.showMoment(moment);
        trip.grab().save(out + QStringLiteral("/trip_panel_") + unit + QStringLiteral(".png"));
    }
    // Every image of the instruments on the panel background, at 1x and 3x.
    {
        const QStringList names{QStringLiteral("lock"), QStringLiteral("car_icon"), QStringLiteral("direction_mark"),
                                QStringLiteral("compass_pointer"), QStringLiteral("compass_rose"), QStringLiteral("speed_needle_kmh"),
                                QStringLiteral("speed_needle_mph"), QStringLiteral("speed_dial_kmh"), QStringLiteral("speed_dial_mph")};
        QImage sheet(1400, 520, QImage::Format_ARGB32_Premultiplied);
        sheet.fill(QColor(223, 221, 224));
        QPainter p(&sheet);
        int x = 10, y = 10, rowH = 0;
        for (const QString &n : names) {
            for (int scale : {1, 3}) {
                QSize size = NamedImage::naturalSize(n) * scale;
                if (size.width() > 360)
                    size = size.scaled(QSize(360, 360), Qt::KeepAspectRatio);
                if (x + size.width() > sheet.width()) {
                    x = 10;
                    y += rowH + 10;
                    rowH = 0;
                }
                p.drawImage(x, y, NamedImage::image(n, size));
                x += size.width() + 10;
                rowH = qMax(rowH, size.height());
            }
        }
        p.end();
        sheet.save(out + QStringLiteral("/artwork.png"));
    }
    return 0;
}
