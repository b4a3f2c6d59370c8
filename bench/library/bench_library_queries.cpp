// Library figures over a database that bench_library.sh filled:
//   "passed here" (within 100 m of a point on a route, and through a box), the trips of
//   a month as the window asks for them, the days of the strip, and the Library window
//   opened on the database until its first list and map are there.
//   bench_library_queries DB LAT LON
// Each query runs 20 times; the median and the slowest are printed.
#include "library/LibraryController.h"
#include "library/LibraryDatabase.h"
#include "library/LibraryQueries.h"
#include "libraryview/LibraryWindow.h"
#include "libraryview/RouteMapView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

struct Figure {
    double median = 0, worst = 0;
    size_t rows = 0;
};

Figure time(const std::function<size_t()> &query, int runs = 20)
{
    std::vector<double> ms;
    Figure f;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        f.rows = query();
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    f.median = ms[ms.size() / 2];
    f.worst = ms.back();
    return f;
}

void print(const char *what, const Figure &f)
{
    std::printf("%-44s %8.2f ms median, %8.2f ms slowest, %zu rows\n", what, f.median, f.worst, f.rows);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: bench_library_queries DB LAT LON\n");
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    const double lat = std::atof(argv[2]), lon = std::atof(argv[3]);

    QElapsedTimer opening;
    opening.start();
    LibraryDatabase db;
    if (!db.open(path)) {
        std::fprintf(stderr, "%s\n", qPrintable(db.message()));
        return 1;
    }
    std::printf("database opened in %.2f ms, %lld clips\n", double(opening.nsecsElapsed()) / 1e6,
                static_cast<long long>(db.clipCount()));
    QSqlDatabase &sql = db.db();
    print("near (100 m)", time([&] { return LibraryQueries::near(sql, lat, lon, 100).size(); }));
    print("near (1000 m)", time([&] { return LibraryQueries::near(sql, lat, lon, 1000).size(); }));
    const double dLat = 300.0 / 111320.0, dLon = 300.0 / 69000.0;
    print("through a box of about 600 m",
          time([&] { return LibraryQueries::inBox(sql, {lat - dLat, lat + dLat, lon - dLon, lon + dLon}).size(); }));

    const auto bounds = LibraryQueries::dayBounds(sql);
    if (!bounds) {
        std::fprintf(stderr, "the library is empty\n");
        return 1;
    }
    const int last = bounds->second;
    const QDate lastDay(last / 10000, last / 100 % 100, last % 100);
    const QDate monthBefore = lastDay.addDays(-30);
    LibraryFilter month;
    month.fromDay = LibraryQueries::dayNumber(monthBefore.year(), monthBefore.month(), monthBefore.day());
    month.toDay = last;
    print("trips of a month", time([&] { return LibraryQueries::trips(sql, month).size(); }));
    LibraryFilter here = month;
    here.place.kind = LibraryPlace::Circle;
    here.place.latitude = lat;
    here.place.longitude = lon;
    here.place.metres = 100;
    print("trips of a month through a place", time([&] { return LibraryQueries::trips(sql, here).size(); }));
    print("days of 120 (the strip)", time([&] { return LibraryQueries::days(sql, *month.fromDay - 10000, last).size(); }));
    print("events of every kind",
          time([&] { return LibraryQueries::events(sql, {}).size(); }, 5));

    // The window: made, shown, its first list and map drawn.
    LibraryController library(path);
    QElapsedTimer shown;
    shown.start();
    LibraryWindow window(library, [] { return true; });
    window.show();
    QApplication::processEvents();
    window.repaint();
    const double ms = double(shown.nsecsElapsed()) / 1e6;
    std::printf("%-44s %8.2f ms, %d trips listed, %zu route pieces drawn\n", "window open (a month)", ms,
                window.tripList()->topLevelItemCount(), window.map()->routeCount());
    print("the window asks again (refresh)", time([&] {
              window.refresh();
              return size_t(window.tripList()->topLevelItemCount());
          }, 5));
    print("the map drawn", time([&] {
              window.map()->repaint();
              return window.map()->routeCount();
          }, 5));
    print("the list drawn", time([&] {
              window.tripList()->viewport()->repaint();
              return size_t(window.tripList()->topLevelItemCount());
          }, 5));
    return 0;
}
