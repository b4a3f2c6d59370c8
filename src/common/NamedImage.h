// Images of the application by name ("player_play", "lock", ...), from the resources
// (:/images/NAME.svg, or .png). SVG artwork is rendered at the requested size.
#pragma once

#include <QImage>
#include <QPixmap>
#include <QSize>
#include <QString>

class NamedImage {
public:
    NamedImage() = delete;

    // The resource path of the image, or an empty text when there is none.
    static QString path(const QString &name);
    // The natural size of the image in points (the SVG's view box), or an invalid size.
    static QSize naturalSize(const QString &name);
    // The image rendered at `size` points for `devicePixelRatio`; a null pixmap when unknown.
    static QPixmap pixmap(const QString &name, const QSize &size, qreal devicePixelRatio = 1.0);
    static QImage image(const QString &name, const QSize &size);
};
