#include "CustomGsensorView.h"

#include "InstrumentGeometry.h"

#include <QPainter>
#include <QPolygonF>

using namespace InstrumentGeometry;

CustomGsensorView::CustomGsensorView(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void CustomGsensorView::setGsensorArray(const QList<Entry> &list)
{
    gsensorArray_ = list;
    listChanged_ = true;
}

void CustomGsensorView::updateGsensorRange(int index)
{
    // The clock ticks far more often than the index moves: repaint only when the
    // picture would change.
    if (index == index_ && !listChanged_)
        return;
    index_ = index;
    listChanged_ = false;
    update();
}

void CustomGsensorView::paintEvent(QPaintEvent *)
{
    const double right = width() > 0 ? width() : 0;
    const double top = height() > 0 ? height() : 0;
    const float step = graphStep(top);
    const QTransform toQt = yUpToQt(height());

    QPainter painter(this);
    painter.setClipRect(rect());
    painter.setRenderHint(QPainter::Antialiasing);

    // Frame: the vertical axis, the ticks, the horizontal axis.
    QPainterPath frame;
    frame.moveTo(kGraphAxisX, 0);
    frame.lineTo(kGraphAxisX, top);
    QFont font = painter.font();
    font.setPixelSize(9);
    painter.setFont(font);
    const QFontMetricsF metrics(font);
    painter.setPen(QPen(Qt::white, 1));
    for (int k = 1; k <= 5; ++k) {
        const double y = double(float(k) * step);
        frame.moveTo(kGraphAxisX, y);
        frame.lineTo(kGraphAxisX - kGraphTickLength, y);
        const QString label = graphLabel(k);
        const QRectF box = graphLabelRect(k, step, QSizeF(metrics.horizontalAdvance(label), metrics.height()));
        painter.drawText(toQt.mapRect(box), Qt::AlignCenter, label);
    }
    frame.moveTo(kGraphAxisX, 0);
    frame.lineTo(right, 0);
    painter.setTransform(toQt);
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(frame);

    const int count = int(gsensorArray_.size());
    if (index_ < 0 || count < index_ + 1)
        return;
    QPolygonF xs, ys, zs;
    xs.reserve(index_ + 1);
    ys.reserve(index_ + 1);
    zs.reserve(index_ + 1);
    for (int k = 0; k <= index_; ++k) {
        const Entry &e = gsensorArray_.at(k);
        const TracePoints p = graphTracePoints(k, count, float(right), step, e[0], e[1], e[2]);
        xs << p.x;
        ys << p.y;
        zs << p.z;
    }
    painter.setPen(QPen(Qt::white, 1));
    painter.drawPolyline(xs);
    painter.setPen(QPen(Qt::red, 1));
    painter.drawPolyline(ys);
    painter.setPen(QPen(Qt::green, 1));
    painter.drawPolyline(zs);
}
