// The map as a still picture, for a video's overlay: the tiles this machine keeps (the
// offline sources, then the tile cache; never the network), the route over them in the
// map page's colours and the car's arrow at the marker, the map centred on the car.
// Without a tile the route is drawn on the page's plain ground.
#pragma once

#include "TileSource.h"

#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QList>
#include <QPointF>
#include <QRectF>

#include <functional>
#include <optional>

class QPainter;

class MapSnapshot {
public:
    using Tiles = std::function<std::optional<QByteArray>(const TileId &)>;

    explicit MapSnapshot(Tiles tiles);

    // Pixels of the whole world at `zoom` (256 a tile) of a latitude and longitude.
    static QPointF worldPixel(double latitude, double longitude, int zoom);
    // The tiles that cover `size` pixels centred on world pixel `centre` at `zoom`, each
    // with its top-left corner in that view; columns wrap around the date line.
    static QList<QPair<TileId, QPointF>> cover(QPointF centre, QSizeF size, int zoom);

    // Draws the map into `box`: `route` as (longitude, latitude) points, the marker and
    // its heading (degrees clockwise from north; none: a dot). `scale` as for the panels.
    void paint(QPainter &painter, const QRectF &box, const QList<QPointF> &route,
               const std::optional<QPointF> &marker, std::optional<double> heading, int zoom, double scale);

private:
    QImage tile(const TileId &id);

    Tiles tiles_;
    QHash<quint64, QImage> images_;   // decoded tiles, a null image for one not kept
};
