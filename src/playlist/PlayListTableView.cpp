#include "PlayListTableView.h"

#include "PlayListRules.h"

#include <QHeaderView>
#include <QKeyEvent>

PlayListTableView::PlayListTableView(QWidget *parent) : QTableView(parent)
{
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
    return QTableView::viewportEvent(event);
}

void PlayListTableView::fitColumns()
{
    const QList<int> widths = PlayListRules::columnWidths(viewport()->width());
    // The last column takes what is left (the header stretches it).
    for (int c = 0; c + 1 < widths.size() && c < horizontalHeader()->count(); ++c)
        setColumnWidth(c, widths[c]);
}
