// The Library window's map: every route of the trips listed, drawn from the database on
// a plain Mercator sheet fitted to them, the chosen trip's routes brighter, the events
// as dots. A click chooses a place with the radius set; a drag chooses a box. Both are
// "clips that passed here".
#pragma once

#include "library/LibraryQueries.h"

#include <QHash>
#include <QImage>
#include <QPointF>
#include <QSet>
#include <QStringList>
#include <QThreadPool>
#include <QWidget>

#include <algorithm>
#include <set>
#include <vector>

namespace MapSheet {
// Web Mercator, 0..1 across and down the world.
QPointF project(double lat, double lon);
void unproject(const QPointF &p, double *lat, double *lon);
} // namespace MapSheet

class RouteMapView : public QWidget {
    Q_OBJECT
public:
    explicit RouteMapView(QWidget *parent = nullptr);
    ~RouteMapView() override;

    struct Route {
        int64_t clipId = 0;
        std::vector<QPointF> points;   // (lon, lat)
        bool faded = false;            // in the range, but not through the place chosen
    };
    struct Mark {
        double lat = 0, lon = 0;
    };
    // Routes of other clips fit the sheet to them; the same clips (another place
    // chosen among them) leave it where it is.
    void setRoutes(std::vector<Route> routes);
    void setHighlighted(const std::set<int64_t> &clipIds);
    void setMarks(std::vector<Mark> marks);
    void setPlace(const LibraryPlace &place);
    const LibraryPlace &place() const { return place_; }
    void setRadius(double metres) { radius_ = metres; }
    // The offline map sources (MBTiles files, z/x/y folders) drawn under the routes;
    // none leaves the plain sheet. Tiles are read and decoded off this thread.
    void setTileSources(const QStringList &paths);
    const QString &attribution() const { return attribution_; }
    int tilesShown() const { return tilesShown_; }

    // Where a point of the widget lies, and back (for tests and the click).
    QPointF toWidget(double lat, double lon) const;
    void toMap(const QPointF &widgetPoint, double *lat, double *lon) const;
    size_t routeCount() const { return routes_.size(); }
    size_t fadedCount() const
    {
        return size_t(std::count_if(routes_.begin(), routes_.end(), [](const Route &r) { return r.faded; }));
    }

signals:
    void placeChosen(const LibraryPlace &place);

protected:
    void paintEvent(QPaintEvent *) override;
    void mousePressEvent(QMouseEvent *) override;
    void mouseMoveEvent(QMouseEvent *) override;
    void mouseReleaseEvent(QMouseEvent *) override;
    void resizeEvent(QResizeEvent *) override;

private:
    void fit();
    // Draws the tiles at hand for the view's scale and asks for the missing ones.
    void drawTiles(QPainter &p);
    void requestTile(int z, int x, int y);

    static constexpr int kMaxCachedTiles = 192;
    QStringList sources_;
    QString attribution_;
    int generation_ = 0;                 // bumped with the sources: late tiles are dropped
    QHash<quint64, QImage> tiles_;       // a null image: the sources have no such tile
    QList<quint64> tileOrder_;           // oldest first, for the bound
    QSet<quint64> pending_;
    int tilesShown_ = 0;
    QThreadPool pool_;

    std::vector<Route> routes_;
    std::set<int64_t> highlighted_;
    std::vector<Mark> marks_;
    LibraryPlace place_;
    double radius_ = 100;
    // The sheet: the Mercator square shown, and its scale to pixels.
    QPointF origin_;
    double scale_ = 1;
    bool pressed_ = false, dragging_ = false;
    QPoint pressAt_, dragTo_;
};
