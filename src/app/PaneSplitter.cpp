#include "PaneSplitter.h"

#include <QMouseEvent>
#include <QResizeEvent>
#include <QSplitterHandle>

namespace {

class PaneSplitterHandle : public QSplitterHandle {
public:
    PaneSplitterHandle(Qt::Orientation o, PaneSplitter *parent) : QSplitterHandle(o, parent), view_(parent) {}

protected:
    void paintEvent(QPaintEvent *) override {}   // the dividers are clear
    void mousePressEvent(QMouseEvent *e) override
    {
        if (e->button() == Qt::LeftButton)
            grabOffset_ = orientation() == Qt::Horizontal ? e->position().x() : e->position().y();
    }
    void mouseMoveEvent(QMouseEvent *e) override
    {
        if (!(e->buttons() & Qt::LeftButton))
            return;
        const QPoint inSplitter = mapToParent(e->position().toPoint());
        const int along = orientation() == Qt::Horizontal ? inSplitter.x() : inSplitter.y();
        const int divider = view_->indexOf(this) - 1;
        view_->dragDivider(divider, along - int(grabOffset_));
    }

private:
    PaneSplitter *view_;
    qreal grabOffset_ = 0;
};

} // namespace

PaneSplitter::PaneSplitter(Qt::Orientation orientation, QWidget *parent) : QSplitter(orientation, parent)
{
    setHandleWidth(1);
    setChildrenCollapsible(true);
    setOpaqueResize(true);
}

QSplitterHandle *PaneSplitter::createHandle()
{
    return new PaneSplitterHandle(orientation(), this);
}

int PaneSplitter::dividerPosition(int divider) const
{
    const QWidget *next = widget(divider + 1);
    if (!next)
        return -1;
    return orientation() == Qt::Horizontal ? next->geometry().left() : next->geometry().top();
}

void PaneSplitter::dragDivider(int divider, int proposed)
{
    if (divider < 0 || divider + 1 >= count())
        return;
    const int before = divider > 0 ? dividerPosition(divider - 1) : 0;
    const int after = divider + 2 < count() ? dividerPosition(divider + 1)
                                            : (orientation() == Qt::Horizontal ? width() : height());
    const double lo = minAnswer ? minAnswer(before, divider) : before;
    const double hi = maxAnswer ? maxAnswer(after, divider) : after;
    double pos = positionAnswer ? positionAnswer(proposed, divider) : proposed;
    // An answer of 0 comes from a latch that no drag has set yet: the divider stays
    // where it is rather than collapsing the subview before it.
    if (pos <= 0)
        return;
    if (lo <= hi)
        pos = qBound(lo, pos, hi);
    moveSplitter(int(pos), divider + 1);
}

void PaneSplitter::resizeEvent(QResizeEvent *event)
{
    const QList<int> before = sizes();
    QSplitter::resizeEvent(event);
    const auto along = [this](QSize s) { return orientation() == Qt::Horizontal ? s.width() : s.height(); };
    qint64 total = 0;
    for (int s : before)
        total += s;
    const int was = along(event->oldSize());
    const int now = along(event->size());
    if (total <= 0 || was <= 0 || now <= 0 || was == now || !isVisible())
        return;
    // setSizes spreads what is over or short by the sizes' weights: the shares stay.
    setSizes(before);
}
