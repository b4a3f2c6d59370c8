// Timing of the instruments: a clock tick through the drive's telemetry and the
// panels that show it (without painting), and one paint of the G-sensor graph with
// 500 entries.
//   bench_instruments [ticks]
#include "DemoDrive.h"
#include "common/AppKeys.h"
#include "common/Localization.h"
#include "common/Settings.h"
#include "instruments/CustomGsensorView.h"
#include "instruments/InstrumentPanel.h"
#include "instruments/PositionCompassPanel.h"
#include "drive/DriveTelemetry.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QSettings>

#include <algorithm>
#include <functional>
#include <type_traits>
#include <cstdio>
#include <vector>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    Localization::install(QStringLiteral("en"));
    Settings settings;
    settings.setKmph(true);
    const int seconds = 600;
    const int ticks = argc > 1 ? std::atoi(argv[1]) : seconds * 1000;

    const QString path = QStringLiteral("file:///bench/drive.MOV");
    PlayListEntry e;
    e.path = path;
    e.gpsData = demoDrive(seconds);
    e.maxSpeed = 110;

    InstrumentPanel trip(settings);
    PositionCompassPanel compass(settings);
    trip.resize(900, 150);
    compass.resize(450, 264);
    // Shown, as in the window: a label that changes its text then asks for a new
    // layout and a repaint (both happen later, in the event loop, and are not timed).
    trip.show();
    compass.show();
    DriveTelemetry telemetry;
    const auto follow = [&telemetry](auto *panel) {
        using Panel = std::remove_pointer_t<decltype(panel)>;
        QObject::connect(&telemetry, &DriveTelemetry::clipChanged, panel, &Panel::showClip);
        QObject::connect(&telemetry, &DriveTelemetry::durationChanged, panel, &Panel::setDuration);
        QObject::connect(&telemetry, &DriveTelemetry::momentChanged, panel, &Panel::showMoment);
    };
    follow(&compass);
    follow(&trip);
    telemetry.follow(&e);
    telemetry.setDuration(seconds);
    // One panel alone: the moment made, then shown by that panel.
    const std::vector<std::function<void(double)>> modules{
        [&](double t) { compass.showMoment(telemetry.momentAt(t)); },
        [&](double t) { trip.showMoment(telemetry.momentAt(t)); }};

    // Ticks at 1 ms of media time, as the player's clock sends them: the index
    // moves once a second. Each tick is timed on its own.
    QElapsedTimer timer;
    std::vector<qint64> spans(size_t(ticks), 0);
    for (int k = 0; k < ticks; ++k) {
        const double t = k * 0.001;
        timer.start();
        telemetry.tick(t);
        spans[size_t(k)] = timer.nsecsElapsed();
    }
    std::vector<qint64> sorted = spans;
    std::sort(sorted.begin(), sorted.end());
    double sum = 0;
    for (qint64 v : spans)
        sum += double(v);
    auto at = [&](double q) { return double(sorted[size_t(q * double(sorted.size() - 1))]) / 1000.0; };
    std::printf("tick through the telemetry and its 2 panels, 1 ms clock over %d s (%d ticks):\n", seconds, ticks);
    std::printf("  median %.2f us, 99th percentile %.2f us, mean %.2f us, max %.0f us\n", at(0.5), at(0.99),
                sum / ticks / 1000.0, at(1.0));

    // The ticks that move to a new second (once a second), every read-out changes
    // and both angles are stored and written out.
    std::vector<qint64> moving;
    for (int k = 0; k < ticks; k += 1000)
        moving.push_back(spans[size_t(k)]);
    std::sort(moving.begin(), moving.end());
    std::printf("  the once-a-second tick (new entry, angles handed to the writer): median %.0f us\n",
                double(moving[moving.size() / 2]) / 1000.0);

    // In real time: a tick every millisecond of wall-clock time, as while playing,
    // so that the background writes of the angles run as they would.
    {
        const int realSeconds = 20;
        telemetry.setDuration(seconds);
        std::vector<qint64> real;
        std::vector<qint64> boundary;
        std::vector<qint64> perModule[2];
        QElapsedTimer wall;
        wall.start();
        for (int k = 0; k < realSeconds * 1000; ++k) {
            while (wall.nsecsElapsed() < qint64(k) * 1000000)
                ;
            const double t = 100.0 + k * 0.001;
            qint64 marks[2];
            timer.start();
            for (int m = 0; m < 2; ++m) {
                modules[size_t(m)](t);
                marks[m] = timer.nsecsElapsed();
            }
            const qint64 span = marks[1];
            real.push_back(span);
            if (k % 1000 == 0) {
                boundary.push_back(span);
                for (int m = 0; m < 2; ++m)
                    perModule[m].push_back(marks[m] - (m ? marks[m - 1] : 0));
            }
        }
        std::sort(real.begin(), real.end());
        std::sort(boundary.begin(), boundary.end());
        auto q = [&](double p) { return double(real[size_t(p * double(real.size() - 1))]) / 1000.0; };
        std::printf("in real time, a tick each ms for %d s: median %.2f us, 99th percentile %.2f us, max %.0f us;\n"
                    "  the once-a-second tick: median %.1f us, max %.1f us\n",
                    realSeconds, q(0.5), q(0.99), q(1.0), double(boundary[boundary.size() / 2]) / 1000.0,
                    double(boundary.back()) / 1000.0);
        const char *parts[] = {"position and compass", "trip statistics"};
        for (int m = 0; m < 2; ++m) {
            std::sort(perModule[m].begin(), perModule[m].end());
            std::printf("    of which %s: median %.1f us\n", parts[m],
                        double(perModule[m][perModule[m].size() / 2]) / 1000.0);
        }
    }

    // The same with the settings write out of the way: every tick in the same second
    // as the last (no angle changes), measured per module.
    const char *names[] = {"position and compass", "trip statistics"};
    for (int m = 0; m < 2; ++m) {
        modules[size_t(m)](12.0);
        const int n = 100000;
        timer.start();
        for (int k = 0; k < n; ++k)
            modules[size_t(m)](12.0 + (k % 900) * 0.001);
        std::printf("  %s alone, within one second: %.3f us per tick\n", names[m],
                    double(timer.nsecsElapsed()) / n / 1000.0);
    }

    // Ticks that each move to a new entry (a new second), per module: the work of
    // the once-a-second tick without the clock in between.
    for (int m = 0; m < 2; ++m) {
        std::vector<qint64> each;
        for (int k = 0; k < 2000; ++k) {
            timer.start();
            modules[size_t(m)](double(k % seconds) + 0.5);
            each.push_back(timer.nsecsElapsed());
        }
        std::sort(each.begin(), each.end());
        std::printf("  %s alone, every tick a new second: median %.2f us\n", names[m],
                    double(each[each.size() / 2]) / 1000.0);
    }
    settings.waitForWrites();

    timer.restart();
    QSettings file(settings.fileName(), QSettings::IniFormat);
    for (int k = 0; k < 50; ++k) {
        file.setValue(QLatin1String(AppKeys::ROTATE_ANGLE_V), 0.001 * k);
        file.sync();
    }
    std::printf("one settings write with flush: %.1f us\n", double(timer.nsecsElapsed()) / 50 / 1000.0);

    // The G-sensor graph, 500 entries, at the trip pane's graph size.
    CustomGsensorView graph;
    graph.resize(720, 134);
    QList<CustomGsensorView::Entry> entries;
    for (const GpsSample &g : demoDrive(500))
        entries.append({g.gsensor_x, g.gsensor_y, g.gsensor_z});
    graph.setGsensorArray(entries);
    graph.updateGsensorRange(499);
    QImage canvas(graph.size(), QImage::Format_ARGB32_Premultiplied);
    const int paints = 300;
    for (int k = 0; k < 10; ++k)
        graph.render(&canvas);
    timer.restart();
    for (int k = 0; k < paints; ++k)
        graph.render(&canvas);
    const double perPaint = double(timer.nsecsElapsed()) / paints / 1.0e6;
    std::printf("paint G-sensor graph, 500 entries, 720x134 (%d paints): %.3f ms per paint\n", paints, perPaint);
    return 0;
}
