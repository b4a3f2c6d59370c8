#include "PlayListViewController.h"

#include "PlayListModel.h"
#include "PlayListRules.h"
#include "PlayListTableView.h"
#include "common/AppColorManager.h"
#include "common/Localization.h"
#include "common/Settings.h"
#include "store/MyCache.h"
#include "store/RecordingFiles.h"
#include "ui/VideoFileDialog.h"

#include "TripGrouping.h"

#include <QEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>

namespace {

constexpr int kRowHeight = 20;
constexpr int kStripHeight = 30;

} // namespace

PlayListViewController::PlayListViewController(Settings &settings, QWidget *parent)
    : QWidget(parent), settings_(settings)
{
    setObjectName(QStringLiteral("PlayListViewController"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, AppColorManager::appBackgroundColor());
    setPalette(pal);

    model_ = new PlayListModel(this);
    buildTable();

    buttonAdd = new QPushButton(this);
    buttonAdd->setObjectName(QStringLiteral("buttonAdd"));
    buttonRemove = new QPushButton(this);
    buttonRemove->setObjectName(QStringLiteral("buttonRemove"));
    setButtonColor(buttonAdd, QColor(22, 150, 48));
    setButtonColor(buttonRemove, std::nullopt);
    // A click must not leave the focus on a button: Space, which pauses the player,
    // would click it again (open the dialog again, remove the next row).
    buttonAdd->setFocusPolicy(Qt::NoFocus);
    buttonRemove->setFocusPolicy(Qt::NoFocus);
    connect(buttonAdd, &QPushButton::clicked, this, [this] { addVideoPlay(); });
    connect(buttonRemove, &QPushButton::clicked, this, [this] { removeVideoPlay(); });

    progressBar = new QProgressBar(this);
    progressBar->setObjectName(QStringLiteral("progressBar"));
    progressBar->setTextVisible(false);
    progressBar->hide();
    progressLabel = new QLabel(this);
    progressLabel->setObjectName(QStringLiteral("progressLabel"));
    QFont pf = progressLabel->font();
    pf.setPixelSize(12);
    progressLabel->setFont(pf);
    progressLabel->hide();

    openPanel = VideoFileDialog::chooseFiles;
    selectIndex = -1;

    retranslate();
    resize(450, 440);
    layoutParts();
}

PlayListViewController::~PlayListViewController() = default;

void PlayListViewController::adoptPositionPanel(QWidget *panel)
{
    positionView_ = panel;
    panel->setParent(this);
    panel->show();
    layoutParts();
}

void PlayListViewController::buildTable()
{
    tableView = new PlayListTableView(this);
    tableView->setObjectName(QStringLiteral("playListTable"));
    tableView->setModel(model_);
    tableView->setShowGrid(true);
    tableView->setGridStyle(Qt::SolidLine);
    tableView->setSelectionMode(QAbstractItemView::SingleSelection);
    tableView->setSelectionBehavior(QAbstractItemView::SelectRows);
    tableView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tableView->setWordWrap(false);
    tableView->setTextElideMode(Qt::ElideMiddle);
    tableView->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    tableView->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    tableView->setDragEnabled(true);
    tableView->setAcceptDrops(true);
    tableView->viewport()->setAcceptDrops(true);
    tableView->setDropIndicatorShown(true);
    tableView->setDragDropMode(QAbstractItemView::DragDrop);
    tableView->setDefaultDropAction(Qt::MoveAction);
    tableView->setDragDropOverwriteMode(false);

    QHeaderView *h = tableView->horizontalHeader();
    h->setSectionsMovable(true);
    h->setSectionResizeMode(QHeaderView::Interactive);
    h->setStretchLastSection(true);
    h->setHighlightSections(false);
    h->setMinimumSectionSize(20);
    h->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    const QList<int> widths = PlayListRules::columnWidths(0);
    for (int c = 0; c < PlayListModel::ColumnCount; ++c)
        tableView->setColumnWidth(c, widths[c]);
    h->setMinimumHeight(22);
    QHeaderView *v = tableView->verticalHeader();
    v->hide();
    v->setSectionResizeMode(QHeaderView::Fixed);
    v->setDefaultSectionSize(kRowHeight);

    // A narrow face keeps a full camera file name and date readable in their columns.
    QFont f = tableView->font();
    f.setPixelSize(11);
    f.setStretch(QFont::SemiCondensed);
    tableView->setFont(f);
    const QColor bg = AppColorManager::appBackgroundColor();
    tableView->setStyleSheet(QStringLiteral(
        "QTableView { background: #ffffff; color: #000000; gridline-color: %1; border: 1px solid #b9b7bc;"
        " selection-background-color: #3b78d8; selection-color: #ffffff; }"
        "QHeaderView::section { background: #cfcdd2; color: #202024; border: none;"
        " border-right: 1px solid %1; border-bottom: 1px solid #b9b7bc; padding: 2px 2px; font-weight: bold; }"
        "QHeaderView::section:first { padding: 2px 0px 2px 1px; }")
                                 .arg(bg.name()));

    connect(tableView, &PlayListTableView::rowChosen, this,
            [this](int row) { selectIndexPlay(row); }, Qt::QueuedConnection);
    tableView->keyHandler = [this](QKeyEvent *e) { return keyDown(e); };
    connect(model_, &PlayListModel::rowsDropped, this, &PlayListViewController::moveRows);
}

// ---------------------------------------------------------------------------------
// Module operations

void PlayListViewController::dataLogicProcessOfViodePath(const QString &path)
{
    positionModule_.dataLogicProcessOfViodePath(path);
    playingPath_ = path;
    announcePlayingTrip(true);
}

void PlayListViewController::announcePlayingTrip(bool always)
{
    if (playingPath_.isEmpty())
        return;
    const PlayList &list = playlist();
    int row = -1;
    for (int k = 0; k < list.size() && row < 0; ++k)
        if (list.at(k).path == playingPath_)
            row = k;
    if (row < 0 && !always)
        return;   // the playing row went: the player closes, or the next row starts
    const int trip = tripOfRow_.value(row, -1);
    QList<QUrl> clips;
    int index = 0;
    if (trip < 0 || trip >= trips_.size()) {
        clips = {QUrl(playingPath_, QUrl::TolerantMode)};
    } else {
        clips = PlayListTrips::clips(trips_.at(trip), list);
        index = int(trips_.at(trip).rows.indexOf(row));
    }
    // Files read after the clip started can join its trip: the views follow then, and
    // only then, so that a list change elsewhere does not redraw the route.
    if (!always && clips == announcedClips_ && index == announcedIndex_)
        return;
    announcedClips_ = clips;
    announcedIndex_ = index;
    emit playingTripChanged(clips, index);
}

void PlayListViewController::videoAllTime(double seconds)
{
    positionModule_.videoAllTime(seconds);
}

void PlayListViewController::updateDataByCurrentTime(double seconds)
{
    positionModule_.updateDataByCurrentTime(seconds);
}


// ---------------------------------------------------------------------------------
// Sequencing

void PlayListViewController::selectIndexPlay(qint64 n)
{
    const PlayList &list = playlist();
    // A file gone from disk (the card taken out) is skipped, with a word to the user.
    const int step = skipStep_;
    skipStep_ = 1;
    while (quint64(n) < quint64(list.size()) &&
           !QFileInfo::exists(PlayListRules::localPath(list.at(n).path))) {
        emit message(Localization::text("playlist_missing_file").arg(abbreviationFile(list.at(n).path)), 0.8f);
        n += step;
    }
    if (quint64(n) < quint64(list.size())) {
        selectIndex = n;
        selectRowLater();
        const QString path = list.at(n).path;
        playCurrentItem(path);
        emit playIndexStarted(int(n));
    } else {
        selectIndex = -1;
    }
    reloadPlayListData();
}

void PlayListViewController::playCurrentItem(const QString &path)
{
    emit playRequested(QUrl(path, QUrl::TolerantMode));
}

void PlayListViewController::followActiveEntry()
{
    // Files opened from the menu or the command line join the list's trips in time
    // order, as added ones do.
    sortIntoTrips();
    reloadPlayListData();
    const PlayList &list = playlist();
    selectIndex = -1;
    for (qsizetype k = list.size() - 1; k >= 0 && selectIndex < 0; --k)
        if (list.at(k).activeYN)
            selectIndex = k;
    tableView->clearSelection();
    selectRowLater();
}

void PlayListViewController::playClipAt(const QUrl &clip, double seconds)
{
    const QString text = clip.toString(QUrl::FullyEncoded);
    const PlayList &list = playlist();
    for (int row = 0; row < list.size(); ++row) {
        if (list.at(row).path != text)
            continue;
        if (seconds > 0)
            emit startAtRequested(seconds);
        selectIndexPlay(row);
        return;
    }
}

void PlayListViewController::playNext(bool next)
{
    skipStep_ = next ? 1 : -1;
    selectIndex += next ? 1 : -1;
    selectIndexPlay(selectIndex);
}

void PlayListViewController::videoEnd()
{
    selectIndex += 1;
    selectIndexPlay(selectIndex);
}

// ---------------------------------------------------------------------------------
// The list

const PlayList &PlayListViewController::playlist() const
{
    return model_->playList();
}

QString PlayListViewController::abbreviationFile(const QString &path)
{
    return PlayListRules::abbreviationFile(path);
}

void PlayListViewController::reloadPlayListData()
{
    // The table keeps its selected row across a reload, as long as the row exists.
    QList<int> selected;
    if (QItemSelectionModel *sm = tableView->selectionModel())
        for (const QModelIndex &i : sm->selectedRows())
            selected << i.row();
    model_->setPlayList(MyCache::playList().value_or(PlayList()));
    updateTrips();
    for (int row : selected)
        if (row < model_->rowCount())
            selectRow(row);
}

qint64 PlayListViewController::tripGapMs() const
{
    const std::optional<double> seconds = settings_.tripGapSeconds();
    return seconds ? qint64(*seconds * 1000) : kDefaultTripGapMs;
}

QList<QUrl> PlayListViewController::exportClips() const
{
    const PlayList &list = playlist();
    QList<int> rows;
    if (QItemSelectionModel *sm = tableView->selectionModel())
        for (const QModelIndex &i : sm->selectedRows())
            rows << i.row();
    std::sort(rows.begin(), rows.end());
    if (rows.size() < 2) {
        const int row = selectIndex >= 0 && selectIndex < list.size() ? int(selectIndex) : rows.value(0, -1);
        const int trip = tripOfRow_.value(row, -1);
        if (trip >= 0 && trip < trips_.size())
            return PlayListTrips::clips(trips_.at(trip), list);
        rows.clear();
        for (int k = 0; k < list.size(); ++k)
            rows << k;
    }
    QList<QUrl> urls;
    for (int row : rows)
        if (row >= 0 && row < list.size())
            urls << QUrl(list.at(row).path, QUrl::TolerantMode);
    return urls;
}

void PlayListViewController::updateTrips()
{
    const PlayList &list = playlist();
    trips_ = PlayListTrips::group(list, tripGapMs());
    tripOfRow_ = PlayListTrips::tripOfRows(trips_, int(list.size()));
    QHash<int, QString> captions;
    const bool kmph = settings_.kmph();
    for (const PlayListTrip &t : std::as_const(trips_))
        if (!t.rows.isEmpty())
            captions.insert(*std::min_element(t.rows.begin(), t.rows.end()), PlayListTrips::caption(t, kmph));
    model_->setTrips(tripOfRow_, captions);
    tableView->fitRowHeights(kRowHeight);
    announcePlayingTrip(false);
}

void PlayListViewController::sortIntoTrips()
{
    const PlayList work = MyCache::playList().value_or(PlayList());
    const QList<int> order = PlayListTrips::timeOrder(PlayListTrips::group(work, tripGapMs()), int(work.size()));
    bool unchanged = true;
    for (int k = 0; k < order.size(); ++k)
        unchanged = unchanged && order[k] == k;
    if (unchanged)
        return;
    PlayList sorted;
    sorted.reserve(work.size());
    for (int old : order)
        sorted << work.at(old);
    if (selectIndex >= 0 && selectIndex < work.size())
        selectIndex = order.indexOf(int(selectIndex));
    MyCache::syncPlayList(sorted);
}

void PlayListViewController::selectRow(qint64 row)
{
    QItemSelectionModel *sm = tableView->selectionModel();
    if (!sm || row < 0 || row >= model_->rowCount())
        return;
    const QModelIndex index = model_->index(int(row), 0);
    sm->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    tableView->scrollTo(index);
}

void PlayListViewController::selectRowLater()
{
    QPointer<PlayListViewController> self(this);
    QMetaObject::invokeMethod(this, [self] {
        if (self)
            self->selectRow(self->selectIndex);
    }, Qt::QueuedConnection);
}

void PlayListViewController::addVideoPlay()
{
    const RecordingCheck check = RecordingFiles::check(openPanel ? openPanel(this) : QList<QUrl>());
    if (!check.refused.isEmpty())
        emit message(check.refused.join(QLatin1Char('\n')), 2.5f);
    const QList<QUrl> urls = check.accepted;
    if (urls.isEmpty())
        return;
    ++readsPending_;
    showProgress(0, int(urls.size()));
    QPointer<PlayListViewController> self(this);
    MyCache::playPathArrCache(
        urls,
        [self] {
            if (!self)
                return;
            if (--self->readsPending_ == 0)
                self->showProgress(0, 0);
            // The list keeps its trips in time order; the file added last, wherever
            // that puts it, is the one that starts.
            const PlayList appended = MyCache::playList().value_or(PlayList());
            const QString lastAdded = appended.isEmpty() ? QString() : appended.last().path;
            self->sortIntoTrips();
            self->reloadPlayListData();
            emit self->filesAdded();
            QMetaObject::invokeMethod(self, [self, lastAdded] {
                if (!self)
                    return;
                const PlayList &list = self->playlist();
                qint64 row = list.size() - 1;
                for (qint64 k = list.size() - 1; k >= 0; --k)
                    if (list.at(k).path == lastAdded) {
                        row = k;
                        break;
                    }
                self->selectRow(row);
                self->selectIndexPlay(row);
            }, Qt::QueuedConnection);
        },
        [self](int done, int total) {
            if (self && self->readsPending_ > 0)
                self->showProgress(done, total);
        });
}

void PlayListViewController::removeVideoPlay()
{
    PlayList work = playlist();
    if (selectIndex >= 0 && selectIndex < work.size()) {
        work.removeAt(selectIndex);
        selectIndex = -1;
        MyCache::syncPlayList(work);
        emit closeRequested();
    }
    reloadPlayListData();
    tableView->clearSelection();
    selectRowLater();
    if (model_->rowCount() > 0)
        selectIndexPlay(0);
}

void PlayListViewController::moveRows(const QList<int> &rows, int destination)
{
    const PlayList &work = playlist();
    const QList<int> order = PlayListRules::movedOrder(int(work.size()), rows, destination);
    bool unchanged = true;
    for (int k = 0; k < order.size(); ++k)
        unchanged = unchanged && order[k] == k;
    if (!unchanged) {
        PlayList moved;
        moved.reserve(work.size());
        for (int old : order)
            moved << work.at(old);
        // The playing file keeps playing; only its row number changes.
        if (selectIndex >= 0 && selectIndex < work.size())
            selectIndex = order.indexOf(int(selectIndex));
        MyCache::syncPlayList(moved);
        reloadPlayListData();
    }
    tableView->clearSelection();
    selectRowLater();
}

// ---------------------------------------------------------------------------------
// Keys, progress, look

bool PlayListViewController::keyDown(QKeyEvent *event)
{
    if (!event)
        return false;
    emit playerKeyPressed(event);
    // Space and Escape belong to the player.
    bool used = event->text() == QLatin1String(" ") || event->key() == Qt::Key_Escape;
    if ((event->modifiers() & Qt::ControlModifier) && event->key() == Qt::Key_A) {
        tableView->selectAll();
        used = true;
    }
    return used;
}

void PlayListViewController::keyPressEvent(QKeyEvent *event)
{
    if (keyDown(event))
        event->accept();
    else
        QWidget::keyPressEvent(event);
}

void PlayListViewController::setButtonColor(QPushButton *button, std::optional<QColor> color)
{
    if (!button)
        return;
    const QColor c = color.value_or(QColor(Qt::red));
    button->setFlat(true);
    button->setCursor(Qt::PointingHandCursor);
    button->setStyleSheet(QStringLiteral("QPushButton { color: %1; font-size: 16px; text-align: right;"
                                         " padding: 2px 6px; border: none; background: transparent; }"
                                         "QPushButton:pressed { background: rgba(0, 0, 0, 30); }")
                              .arg(c.name()));
}

void PlayListViewController::showProgress(int done, int total)
{
    progressDone_ = done;
    progressTotal_ = total;
    const bool reading = readsPending_ > 0;
    progressBar->setVisible(reading);
    progressLabel->setVisible(reading);
    if (!reading)
        return;
    progressBar->setRange(0, qMax(total, 1));
    progressBar->setValue(qBound(0, done, qMax(total, 1)));
    progressLabel->setText(Localization::text("playlist_reading_files").arg(done).arg(total));
}

void PlayListViewController::retranslate()
{
    model_->retranslate();
    buttonAdd->setText(Localization::text("playlist_add"));
    buttonRemove->setText(Localization::text("playlist_remove"));
    buttonAdd->setToolTip(Localization::text("playlist_add_tip"));
    buttonRemove->setToolTip(Localization::text("playlist_remove_tip"));
    if (readsPending_ > 0)
        showProgress(progressDone_, progressTotal_);
}

void PlayListViewController::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QWidget::changeEvent(event);
}

void PlayListViewController::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutParts();
}

void PlayListViewController::layoutParts()
{
    const int w = width();
    const int h = height();
    const int tableX = 9;
    const int tableW = qMax(0, int(w * 0.97) - tableX);
    const int tableH = int(h * 0.4);
    tableView->setGeometry(tableX, 4, tableW, tableH);

    const int stripY = 4 + tableH + 2;
    const int buttonW = 84;
    buttonRemove->setGeometry(tableX + tableW - buttonW, stripY, buttonW, kStripHeight - 4);
    buttonAdd->setGeometry(tableX + tableW - 2 * buttonW, stripY, buttonW, kStripHeight - 4);
    const int progressW = qMax(0, tableW - 2 * buttonW - 8);
    progressLabel->setGeometry(tableX, stripY, progressW, 14);
    progressBar->setGeometry(tableX, stripY + 15, progressW, 9);

    const int panelY = stripY + kStripHeight;
    if (positionView_)
        positionView_->setGeometry(0, panelY, w, qMax(0, h - panelY));
}
