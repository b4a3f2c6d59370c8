#include "MapSnapshot.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

constexpr double kTile = 256;
constexpr int kMaxImages = 96;   // a 4K overlay's map needs a few dozen at most
const QColor kGround(0xf4, 0xf3, 0xef);
const QColor kRoute(0x1a, 0x73, 0xe8);

quint64 key(const TileId &t)
{
    return (quint64(quint32(t.z)) << 56) | (quint64(quint32(t.x)) << 28) | quint64(quint32(t.y));
}

} // namespace

MapSnapshot::MapSnapshot(Tiles tiles) : tiles_(std::move(tiles)) {}

QPointF MapSnapshot::worldPixel(double latitude, double longitude, int zoom)
{
    // Web Mercator stops at the latitude where the world is square.
    const double lat = std::clamp(latitude, -85.05112878, 85.05112878) * M_PI / 180;
    const double world = kTile * std::ldexp(1.0, zoom);
    const double x = (longitude + 180) / 360 * world;
    const double y = (1 - std::log(std::tan(lat) + 1 / std::cos(lat)) / M_PI) / 2 * world;
    return {x, y};
}

QList<QPair<TileId, QPointF>> MapSnapshot::cover(QPointF centre, QSizeF size, int zoom)
{
    QList<QPair<TileId, QPointF>> out;
    if (zoom < 0 || zoom > 22 || size.isEmpty())
        return out;
    const int count = 1 << zoom;
    const QPointF topLeft = centre - QPointF(size.width() / 2, size.height() / 2);
    const int x0 = int(std::floor(topLeft.x() / kTile)), x1 = int(std::floor((topLeft.x() + size.width()) / kTile));
    const int y0 = int(std::floor(topLeft.y() / kTile)), y1 = int(std::floor((topLeft.y() + size.height()) / kTile));
    for (int y = std::max(0, y0); y <= std::min(count - 1, y1); ++y)
        for (int x = x0; x <= x1; ++x) {
            const int wrapped = ((x % count) + count) % count;
            out.append({TileId{zoom, wrapped, y}, QPointF(x * kTile, y * kTile) - topLeft});
        }
    return out;
}

QImage MapSnapshot::tile(const TileId &id)
{
    const quint64 k = key(id);
    const auto found = images_.constFind(k);
    if (found != images_.constEnd())
        return *found;
    if (images_.size() >= kMaxImages)
        images_.clear();
    QImage image;
    if (tiles_)
        if (const auto bytes = tiles_(id))
            image.loadFromData(*bytes);
    images_.insert(k, image);
    return image;
}

void MapSnapshot::paint(QPainter &painter, const QRectF &box, const QList<QPointF> &route,
                        const std::optional<QPointF> &marker, std::optional<double> heading, int zoom, double scale)
{
    if (box.isEmpty())
        return;
    painter.save();
    QPainterPath frame;
    frame.addRoundedRect(box, 6 * scale, 6 * scale);
    painter.setClipPath(frame);
    painter.fillRect(box, kGround);
    // Tiles are 256 pixels at a scale of one; the map shows the same ground at any size.
    const QSizeF view = box.size() / scale;
    QPointF centre;
    if (marker)
        centre = worldPixel(marker->y(), marker->x(), zoom);
    else if (!route.isEmpty())
        centre = worldPixel(route.first().y(), route.first().x(), zoom);
    painter.translate(box.topLeft());
    painter.scale(scale, scale);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    for (const auto &[id, at] : cover(centre, view, zoom)) {
        const QImage image = tile(id);
        if (!image.isNull())
            painter.drawImage(QRectF(at, QSizeF(kTile, kTile)), image);
    }
    const QPointF origin = centre - QPointF(view.width() / 2, view.height() / 2);
    QPolygonF line;
    line.reserve(route.size());
    for (const QPointF &p : route)
        line << worldPixel(p.y(), p.x(), zoom) - origin;
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(255, 255, 255, 217), 7, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPolyline(line);
    painter.setPen(QPen(kRoute, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPolyline(line);
    if (marker) {
        const QPointF at = worldPixel(marker->y(), marker->x(), zoom) - origin;
        painter.translate(at);
        painter.setPen(QPen(Qt::white, 2));
        painter.setBrush(kRoute);
        if (heading && std::isfinite(*heading)) {
            painter.rotate(*heading);
            painter.drawPolygon(QPolygonF({QPointF(0, -10), QPointF(7, 7), QPointF(0, 3), QPointF(-7, 7)}));
        } else {
            painter.drawEllipse(QPointF(), 6, 6);
        }
    }
    painter.restore();
}
