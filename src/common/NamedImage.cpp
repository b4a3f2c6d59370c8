#include "NamedImage.h"

#include <QFile>
#include <QPainter>
#include <QPixmapCache>
#include <QSvgRenderer>

QString NamedImage::path(const QString &name)
{
    for (const char *ext : {".svg", ".png"}) {
        const QString p = QStringLiteral(":/images/") + name + QLatin1String(ext);
        if (QFile::exists(p))
            return p;
    }
    return QString();
}

QSize NamedImage::naturalSize(const QString &name)
{
    const QString p = path(name);
    if (p.endsWith(QLatin1String(".svg"))) {
        QSvgRenderer r(p);
        return r.defaultSize();
    }
    if (!p.isEmpty())
        return QImage(p).size();
    return QSize();
}

QImage NamedImage::image(const QString &name, const QSize &size)
{
    const QString p = path(name);
    if (p.isEmpty() || size.isEmpty())
        return QImage();
    if (p.endsWith(QLatin1String(".png")))
        return QImage(p).scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QImage img(size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QSvgRenderer r(p);
    QPainter painter(&img);
    painter.setRenderHint(QPainter::Antialiasing);
    r.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return img;
}

QPixmap NamedImage::pixmap(const QString &name, const QSize &size, qreal devicePixelRatio)
{
    // Drawn once per name, size and ratio: an icon that changes with the state (play and
    // pause) is not drawn from its SVG again each time it does.
    const QSize px = (QSizeF(size) * devicePixelRatio).toSize();
    const QString key = QStringLiteral("veltra:%1:%2x%3@%4").arg(name).arg(px.width()).arg(px.height()).arg(devicePixelRatio);
    QPixmap pm;
    if (QPixmapCache::find(key, &pm))
        return pm;
    pm = QPixmap::fromImage(image(name, px));
    if (!pm.isNull()) {
        pm.setDevicePixelRatio(devicePixelRatio);
        QPixmapCache::insert(key, pm);
    }
    return pm;
}
