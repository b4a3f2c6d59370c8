#include "RouteMapView.h"

#include "common/Localization.h"
#include "map/TileSource.h"

#include <QPointer>
#include <QtConcurrent/QtConcurrentRun>

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>

#include <algorithm>
#include <cmath>

namespace MapSheet {

QPointF project(double lat, double lon)
{
    const double clamped = std::clamp(lat, -85.0, 85.0) * M_PI / 180.0;
    return {(lon + 180.0) / 360.0, (1.0 - std::log(std::tan(clamped) + 1.0 / std::cos(clamped)) / M_PI) / 2.0};
}

void unproject(const QPointF &p, double *lat, double *lon)
{
    *lon = p.x() * 360.0 - 180.0;
    *lat = std::atan(std::sinh(M_PI * (1.0 - 2.0 * p.y()))) * 180.0 / M_PI;
}

} // namespace MapSheet

namespace {
quint64 tileKey(int z, int x, int y)
{
    return (quint64(z) << 58) | (quint64(x) << 29) | quint64(y);
}
} // namespace

RouteMapView::RouteMapView(QWidget *parent) : QWidget(parent)
{
    pool_.setMaxThreadCount(2);
    setMinimumSize(320, 240);
    setMouseTracking(false);
    setCursor(Qt::CrossCursor);
}

void RouteMapView::setRoutes(std::vector<Route> routes)
{
    std::set<int64_t> before, after;
    for (const Route &r : routes_)
        before.insert(r.clipId);
    for (const Route &r : routes)
        after.insert(r.clipId);
    routes_ = std::move(routes);
    if (before != after)
        fit();
    update();
}

void RouteMapView::setHighlighted(const std::set<int64_t> &clipIds)
{
    highlighted_ = clipIds;
    update();
}

void RouteMapView::setMarks(std::vector<Mark> marks)
{
    marks_ = std::move(marks);
    update();
}

void RouteMapView::setPlace(const LibraryPlace &place)
{
    place_ = place;
    update();
}

RouteMapView::~RouteMapView()
{
    // Tiles not yet begun are not read for a window that is gone; those being read end
    // soon (a source's reads are bounded).
    pool_.clear();
    pool_.waitForDone();
}

void RouteMapView::setTileSources(const QStringList &paths)
{
    if (paths == sources_)
        return;
    sources_ = paths;
    ++generation_;
    tiles_.clear();
    tileOrder_.clear();
    pending_.clear();
    attribution_.clear();
    if (!paths.isEmpty()) {
        // What the sources say of themselves may take a moment to read.
        QPointer<RouteMapView> self(this);
        const int generation = generation_;
        (void)QtConcurrent::run(&pool_, [paths] {
            QStringList said;
            for (const QString &path : paths) {
                const TileSourceInfo info = TileSource::inspect(path);
                if (info.usable && !info.attribution.trimmed().isEmpty() && !said.contains(info.attribution.trimmed()))
                    said << info.attribution.trimmed();
            }
            return said.join(QStringLiteral(" · "));
        }).then(this, [self, generation](const QString &text) {
            if (self && self->generation_ == generation) {
                self->attribution_ = text;
                self->update();
            }
        });
    }
    update();
}

void RouteMapView::requestTile(int z, int x, int y)
{
    const quint64 key = tileKey(z, x, y);
    if (pending_.contains(key) || pending_.size() >= 32)
        return;
    pending_.insert(key);
    QPointer<RouteMapView> self(this);
    const int generation = generation_;
    const QStringList paths = sources_;
    (void)QtConcurrent::run(&pool_, [paths, z, x, y] {
        QImage image;
        if (const std::optional<QByteArray> bytes = TileSource::firstTile(paths, TileId{z, x, y}))
            image.loadFromData(*bytes);
        return image;
    }).then(this, [self, generation, key](const QImage &image) {
        if (!self || self->generation_ != generation)
            return;
        self->pending_.remove(key);
        self->tiles_.insert(key, image);
        self->tileOrder_.append(key);
        while (self->tileOrder_.size() > kMaxCachedTiles)
            self->tiles_.remove(self->tileOrder_.takeFirst());
        self->update();
    });
}

void RouteMapView::drawTiles(QPainter &p)
{
    tilesShown_ = 0;
    if (sources_.isEmpty())
        return;
    // The zoom whose 256-pixel tiles come closest to the sheet's scale.
    const int z = std::clamp(int(std::lround(std::log2(std::max(scale_, 1.0) / 256.0))), 0, 19);
    const double n = std::pow(2.0, z);
    const double tilePx = scale_ / n;
    const int x0 = std::max(0, int(std::floor(origin_.x() * n)));
    const int y0 = std::max(0, int(std::floor(origin_.y() * n)));
    const int x1 = std::min(int(n) - 1, int(std::floor((origin_.x() + width() / scale_) * n)));
    const int y1 = std::min(int(n) - 1, int(std::floor((origin_.y() + height() / scale_) * n)));
    if (x1 < x0 || y1 < y0 || (x1 - x0 + 1) * (y1 - y0 + 1) > 96)
        return;
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            const auto found = tiles_.constFind(tileKey(z, x, y));
            if (found == tiles_.constEnd()) {
                requestTile(z, x, y);
                continue;
            }
            if (found->isNull())
                continue;
            const QRectF target((x / n - origin_.x()) * scale_, (y / n - origin_.y()) * scale_, tilePx, tilePx);
            p.drawImage(target.adjusted(0, 0, 0.5, 0.5), *found);
            ++tilesShown_;
        }
}

void RouteMapView::resizeEvent(QResizeEvent *)
{
    fit();
}

void RouteMapView::fit()
{
    double minX = 1, minY = 1, maxX = 0, maxY = 0;
    for (const Route &r : routes_)
        for (const QPointF &p : r.points) {
            const QPointF m = MapSheet::project(p.y(), p.x());
            minX = std::min(minX, m.x());
            maxX = std::max(maxX, m.x());
            minY = std::min(minY, m.y());
            maxY = std::max(maxY, m.y());
        }
    if (place_.kind == LibraryPlace::Circle) {
        const QPointF m = MapSheet::project(place_.latitude, place_.longitude);
        minX = std::min(minX, m.x()), maxX = std::max(maxX, m.x()), minY = std::min(minY, m.y()), maxY = std::max(maxY, m.y());
    }
    if (minX > maxX) {   // nothing to show: the whole world
        minX = minY = 0;
        maxX = maxY = 1;
    }
    // At least about 500 m across, and a margin around.
    const double span = std::max({maxX - minX, maxY - minY, 1.2e-5});
    const double cx = (minX + maxX) / 2, cy = (minY + maxY) / 2;
    const double w = std::max(1, width() - 40), h = std::max(1, height() - 40);
    scale_ = std::min(w, h) / (span * 1.1);
    origin_ = QPointF(cx - width() / 2.0 / scale_, cy - height() / 2.0 / scale_);
}

QPointF RouteMapView::toWidget(double lat, double lon) const
{
    const QPointF m = MapSheet::project(lat, lon);
    return (m - origin_) * scale_;
}

void RouteMapView::toMap(const QPointF &w, double *lat, double *lon) const
{
    MapSheet::unproject(origin_ + w / scale_, lat, lon);
}

void RouteMapView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), QColor(0xEE, 0xF1, 0xF4));
    drawTiles(p);
    // A grid of about a kilometre (at the latitude of the middle), for a sense of size.
    double lat0, lon0;
    toMap(QPointF(width() / 2.0, height() / 2.0), &lat0, &lon0);
    const double metresPerPixel = 40075016.7 * std::cos(lat0 * M_PI / 180) / scale_;
    double step = 100;
    while (step / metresPerPixel < 60)
        step *= step / 100 >= 10 ? 2.5 : 2;   // 100, 200, 400, 1000, …
    const double gridPx = step / metresPerPixel;
    p.setPen(tilesShown_ ? QColor(0x60, 0x70, 0x80, 40) : QColor(0xDA, 0xDF, 0xE5));
    for (double x = std::fmod(-origin_.x() * scale_, gridPx); x < width(); x += gridPx)
        p.drawLine(QPointF(x, 0), QPointF(x, height()));
    for (double y = std::fmod(-origin_.y() * scale_, gridPx); y < height(); y += gridPx)
        p.drawLine(QPointF(0, y), QPointF(width(), y));

    // The faded routes first, then the listed ones, the chosen trip's on top.
    enum Layer { Faded, Listed, Bright };
    QPolygonF line;
    auto draw = [&](Layer layer) {
        const QColor colour = layer == Bright ? QColor(0xE0, 0x5A, 0x00)
                              : layer == Listed ? QColor(0x2A, 0x6F, 0xDB, 190)
                                                : QColor(0x8A, 0x94, 0xA0, 110);
        QPen pen(colour, layer == Bright ? 4 : layer == Listed ? 2.5 : 2);
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        // One path a layer: stroked once, it costs far less than a line a piece, and
        // where routes overlap the colour does not pile up.
        QPainterPath path;
        for (const Route &r : routes_) {
            const Layer of = highlighted_.count(r.clipId) ? Bright : r.faded ? Faded : Listed;
            if (of != layer || r.points.empty())
                continue;
            // Points less than a pixel and a half from the last one drawn are left out: a
            // month of routes seen whole is mostly such points.
            line.clear();
            line << toWidget(r.points[0].y(), r.points[0].x());
            for (size_t i = 1; i < r.points.size(); ++i) {
                const QPointF w = toWidget(r.points[i].y(), r.points[i].x());
                const QPointF d = w - line.back();
                if (d.x() * d.x() + d.y() * d.y() >= 2.25 || i + 1 == r.points.size())
                    line << w;
            }
            if (line.size() == 1)
                line << line.back() + QPointF(0.01, 0);
            path.moveTo(line[0]);
            for (qsizetype i = 1; i < line.size(); ++i)
                path.lineTo(line[i]);
        }
        p.drawPath(path);
    };
    p.setRenderHint(QPainter::Antialiasing, false);
    draw(Faded);
    draw(Listed);
    draw(Bright);
    // The events' dots: one drawn once, then copied (thousands of ellipses are slow).
    static const QPixmap dot = [] {
        QPixmap pm(14, 14);
        pm.fill(Qt::transparent);
        QPainter d(&pm);
        d.setRenderHint(QPainter::Antialiasing);
        d.setPen(QPen(Qt::white, 1.5));
        d.setBrush(QColor(0xD0, 0x21, 0x21));
        d.drawEllipse(QPointF(7, 7), 5, 5);
        return pm;
    }();
    for (const Mark &m : marks_)
        p.drawPixmap(toWidget(m.lat, m.lon) - QPointF(7, 7), dot);

    p.setBrush(QColor(0x10, 0x9A, 0x5A, 50));
    p.setPen(QPen(QColor(0x10, 0x9A, 0x5A), 2));
    if (place_.kind == LibraryPlace::Circle) {
        const QPointF c = toWidget(place_.latitude, place_.longitude);
        const double r = std::max(4.0, place_.metres / metresPerPixel);
        p.drawEllipse(c, r, r);
        p.drawEllipse(c, 2, 2);
    } else if (place_.kind == LibraryPlace::Box) {
        p.drawRect(QRectF(toWidget(place_.box.maxLat, place_.box.minLon), toWidget(place_.box.minLat, place_.box.maxLon)));
    }
    if (dragging_) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(0x10, 0x9A, 0x5A), 1.5, Qt::DashLine));
        p.drawRect(QRect(pressAt_, dragTo_).normalized());
    }
    // The scale.
    p.setPen(QColor(0x44, 0x44, 0x44));
    const QPointF s(12, height() - 14);
    p.drawLine(s, s + QPointF(gridPx, 0));
    p.drawText(s + QPointF(gridPx + 6, 4),
               step >= 1000 ? QStringLiteral("%1 km").arg(step / 1000) : QStringLiteral("%1 m").arg(step));
    if (routes_.empty()) {
        p.drawText(rect(), Qt::AlignCenter, Localization::text("No routes in this range"));
    }
    // The offline source's attribution, small in the corner, over the tiles it credits.
    if (tilesShown_ && !attribution_.isEmpty()) {
        QFont f = font();
        f.setPointSizeF(std::max(6.0, f.pointSizeF() * 0.8));
        p.setFont(f);
        const QRect box = p.fontMetrics().boundingRect(attribution_).adjusted(-4, -2, 4, 2);
        const QRect at(width() - box.width() - 2, height() - box.height() - 2, box.width(), box.height());
        p.fillRect(at, QColor(255, 255, 255, 200));
        p.setPen(QColor(0x33, 0x33, 0x33));
        p.drawText(at, Qt::AlignCenter, attribution_);
    }
}

void RouteMapView::mousePressEvent(QMouseEvent *e)
{
    if (e->button() != Qt::LeftButton)
        return;
    pressed_ = true;
    dragging_ = false;
    pressAt_ = dragTo_ = e->position().toPoint();
}

void RouteMapView::mouseMoveEvent(QMouseEvent *e)
{
    if (!pressed_)
        return;
    dragTo_ = e->position().toPoint();
    dragging_ = dragging_ || (dragTo_ - pressAt_).manhattanLength() > 6;
    update();
}

void RouteMapView::mouseReleaseEvent(QMouseEvent *e)
{
    if (!pressed_ || e->button() != Qt::LeftButton)
        return;
    pressed_ = false;
    LibraryPlace place;
    if (dragging_) {
        double lat1, lon1, lat2, lon2;
        toMap(pressAt_, &lat1, &lon1);
        toMap(e->position(), &lat2, &lon2);
        place.kind = LibraryPlace::Box;
        place.box = {std::min(lat1, lat2), std::max(lat1, lat2), std::min(lon1, lon2), std::max(lon1, lon2)};
    } else {
        place.kind = LibraryPlace::Circle;
        toMap(e->position(), &place.latitude, &place.longitude);
        place.metres = radius_;
    }
    dragging_ = false;
    place_ = place;
    update();
    emit placeChosen(place);
}
