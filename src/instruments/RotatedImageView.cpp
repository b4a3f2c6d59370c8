#include "RotatedImageView.h"

#include "InstrumentGeometry.h"
#include "common/NamedImage.h"

#include <QPainter>

#include <cmath>

RotatedImageView::RotatedImageView(const QString &imageName, bool clockwise, QWidget *parent)
    : QWidget(parent), imageName_(imageName), clockwise_(clockwise)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

void RotatedImageView::setImageName(const QString &name)
{
    if (name == imageName_)
        return;
    imageName_ = name;
    cache_ = QPixmap();
    update();
}

void RotatedImageView::setRotation(double radians)
{
    if (!std::isfinite(radians))
        radians = 0;
    if (radians == rotation_)
        return;
    rotation_ = radians;
    update();
}

QRectF RotatedImageView::imageRect() const
{
    const QSizeF natural = NamedImage::naturalSize(imageName_);
    if (natural.isEmpty() || width() <= 0 || height() <= 0)
        return QRectF();
    const QSizeF fitted = natural.scaled(QSizeF(size()), Qt::KeepAspectRatio);
    return QRectF(QPointF((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
}

void RotatedImageView::resizeEvent(QResizeEvent *event)
{
    cache_ = QPixmap();
    QWidget::resizeEvent(event);
}

void RotatedImageView::paintEvent(QPaintEvent *)
{
    const QRectF target = imageRect();
    if (target.isEmpty())
        return;
    if (cache_.isNull())
        cache_ = NamedImage::pixmap(imageName_, target.size().toSize(), devicePixelRatioF());
    if (cache_.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setTransform(InstrumentGeometry::imageRotation(QRectF(rect()), rotation_, clockwise_));
    painter.drawPixmap(target.topLeft(), cache_);
}
