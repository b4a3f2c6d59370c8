#include "PlayListTableView.h"

#include "PlayListModel.h"
#include "drive/PlayListRules.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QHelpEvent>
#include <QStyledItemDelegate>
#include <QToolTip>

namespace {

// Paints a row's cells below its trip caption, when it has one.
class CaptionRowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem o(option);
        if (!index.data(PlayListModel::TripCaptionRole).toString().isEmpty())
            o.rect.setTop(o.rect.top() + PlayListTableView::kCaptionHeight);
        QStyledItemDelegate::paint(painter, o, index);
    }
};

} // namespace

PlayListTableView::PlayListTableView(QWidget *parent) : QTableView(parent)
{
    setItemDelegate(new CaptionRowDelegate(this));
    connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex &index) {
        if (index.isValid())
            emit rowChosen(index.row());
    });
}

void PlayListTableView::keyboardSearch(const QString &search)
{
    Q_UNUSED(search);
}

void PlayListTableView::selectAll()
{
    emit selectAllRequested();
    QTableView::selectAll();
}

void PlayListTableView::keyPressEvent(QKeyEvent *event)
{
    if (keyHandler && keyHandler(event)) {
        event->accept();
        return;
    }
    const QModelIndex before = currentIndex();
    QTableView::keyPressEvent(event);
    const QModelIndex after = currentIndex();
    // Moving through the rows with the keyboard starts the row it lands on, as a click does.
    if (after.isValid() && after.row() != before.row())
        emit rowChosen(after.row());
}

bool PlayListTableView::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::Resize)
        fitColumns();
    if (event->type() == QEvent::ToolTip && model()) {
        // Over a trip's caption: the trip's clock rather than the row's.
        const QPoint at = static_cast<QHelpEvent *>(event)->pos();
        const int row = rowAt(at.y());
        const QModelIndex index = model()->index(row, 0);
        if (row >= 0 && at.y() < rowViewportPosition(row) + kCaptionHeight &&
            !index.data(PlayListModel::TripCaptionRole).toString().isEmpty()) {
            QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(),
                               index.data(PlayListModel::TripCaptionToolTipRole).toString(), viewport());
            return true;
        }
    }
    return QTableView::viewportEvent(event);
}

void PlayListTableView::fitColumns()
{
    const QList<int> widths = PlayListRules::columnWidths(viewport()->width());
    // The last column takes what is left (the header stretches it).
    for (int c = 0; c + 1 < widths.size() && c < horizontalHeader()->count(); ++c)
        setColumnWidth(c, widths[c]);
}

void PlayListTableView::fitRowHeights(int rowHeight)
{
    if (!model())
        return;
    for (int row = 0; row < model()->rowCount(); ++row) {
        const bool caption = !model()->index(row, 0).data(PlayListModel::TripCaptionRole).toString().isEmpty();
        const int h = rowHeight + (caption ? kCaptionHeight : 0);
        if (this->rowHeight(row) != h)
            setRowHeight(row, h);
    }
}

void PlayListTableView::paintEvent(QPaintEvent *event)
{
    QTableView::paintEvent(event);
    if (!model())
        return;
    QPainter p(viewport());
    QFont f = font();
    f.setBold(true);
    p.setFont(f);
    const int first = qMax(0, rowAt(0));
    int last = rowAt(viewport()->height() - 1);
    if (last < 0)
        last = model()->rowCount() - 1;
    for (int row = first; row <= last; ++row) {
        const QString caption = model()->index(row, 0).data(PlayListModel::TripCaptionRole).toString();
        if (caption.isEmpty())
            continue;
        const QRect band(0, rowViewportPosition(row), viewport()->width(), kCaptionHeight);
        p.fillRect(band, QColor(207, 205, 210));
        p.setPen(QColor(32, 32, 36));
        p.drawText(band.adjusted(4, 0, -4, 0), Qt::AlignLeft | Qt::AlignVCenter,
                   QFontMetrics(f).elidedText(caption, Qt::ElideRight, band.width() - 8));
    }
}
