#include "PlayListView.h"

#include "PlayListModel.h"
#include "drive/PlayListRules.h"
#include "PlayListTableView.h"
#include "common/AppColorManager.h"
#include "common/Localization.h"
#include "common/Settings.h"
#include "drive/ClockText.h"
#include "drive/PlayListTrips.h"
#include "drive/PlayQueue.h"
#include "ui/VideoFileDialog.h"

#include "CameraClock.h"

#include <QEvent>
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

PlayListView::PlayListView(PlayQueue *queue, Settings &settings, QWidget *parent)
    : QWidget(parent), queue_(queue), settings_(settings)
{
    setObjectName(QStringLiteral("PlayListView"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, AppColorManager::appBackgroundColor());
    setPalette(pal);

    model_ = new PlayListModel(this);
    buildTable();
    connect(&settings_, &Settings::timesChanged, this, &PlayListView::showEntries);
    // The trips' distances are in the chosen unit.
    connect(&settings_, &Settings::speedUnitChanged, this, &PlayListView::showEntries);
    // An empty list says how to start.
    emptyHint = new QLabel(tableView->viewport());
    emptyHint->setObjectName(QStringLiteral("emptyHint"));
    emptyHint->setAlignment(Qt::AlignCenter);
    emptyHint->setWordWrap(true);
    emptyHint->setAttribute(Qt::WA_TransparentForMouseEvents);
    emptyHint->setStyleSheet(QStringLiteral("color: palette(mid); font-size: 13px;"));
    tableView->viewport()->installEventFilter(this);
    const auto showHint = [this] { emptyHint->setVisible(model_->rowCount() == 0); };
    connect(model_, &QAbstractItemModel::rowsInserted, this, showHint);
    connect(model_, &QAbstractItemModel::rowsRemoved, this, showHint);
    connect(model_, &QAbstractItemModel::modelReset, this, showHint);
    showHint();

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

    connect(queue_, &PlayQueue::entriesChanged, this, &PlayListView::showEntries);
    connect(queue_, &PlayQueue::currentChanged, this, [this](const PlayListEntry *entry) {
        // Each start shows the list again: a file gone from disk is marked at once.
        if (entry)
            showEntries();
        // A file that cannot play whole says so when it starts.
        if (entry) {
            const QString problem = PlayListRules::problemText(entry->health);
            if (!problem.isEmpty())
                emit message(Localization::text("%1: %2").arg(abbreviationFile(entry->path), problem), 2.5f);
        }
        selectRowLater();
    });
    connect(queue_, &PlayQueue::readProgress, this, &PlayListView::showProgress);
    connect(queue_, &PlayQueue::folderProgress, this, [this](int found) {
        foldersFound_ = found;
        showProgress(progressDone_, progressTotal_);
    });
    connect(queue_, &PlayQueue::refused, this,
            [this](const QStringList &lines) { emit message(PlayListRules::refusalText(lines), 2.5f); });
    connect(queue_, &PlayQueue::skipped, this, [this](const QString &line) { emit message(line, 0.8f); });

    retranslate();
    resize(450, 440);
    layoutParts();
}

PlayListView::~PlayListView() = default;

void PlayListView::adoptPositionPanel(QWidget *panel)
{
    positionView_ = panel;
    panel->setParent(this);
    panel->show();
    layoutParts();
}

void PlayListView::buildTable()
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
            [this](int row) { queue_->play(row); }, Qt::QueuedConnection);
    tableView->keyHandler = [this](QKeyEvent *e) { return keyDown(e); };
    connect(model_, &PlayListModel::rowsDropped, this, &PlayListView::moveRows);
}

// ---------------------------------------------------------------------------------
// The list

const PlayList &PlayListView::playlist() const
{
    return model_->playList();
}

bool PlayListView::isReadingFiles() const
{
    return queue_->isReading();
}

const QList<PlayListTrip> &PlayListView::trips() const
{
    return queue_->trips();
}

QString PlayListView::abbreviationFile(const QString &path)
{
    return PlayListRules::abbreviationFile(path);
}

void PlayListView::reloadPlayListData()
{
    queue_->reload();
}

void PlayListView::showEntries()
{
    // The table keeps its selected row across a reload, as long as the row exists.
    QList<int> selected;
    if (QItemSelectionModel *sm = tableView->selectionModel())
        for (const QModelIndex &i : sm->selectedRows())
            selected << i.row();
    model_->setPlayList(queue_->entries());
    QHash<int, QString> captions, captionTips;
    QList<QString> rowTips(model_->rowCount()), times(model_->rowCount());
    const bool kmph = settings_.kmph();
    const TimeChoice choice = TimeChoice::of(settings_.timeClock(), settings_.timeZone().toUtf8());
    for (const PlayListTrip &t : queue_->trips()) {
        if (t.rows.isEmpty())
            continue;
        const int first = *std::min_element(t.rows.begin(), t.rows.end());
        captions.insert(first, PlayListTrips::caption(t, kmph, choice,
                                                      PlayListRules::momentChannels(queue_->entries().at(first).path)));
        QList<ClipClock> clocks;
        for (qsizetype k = 0; k < t.rows.size() && k < t.clocks.size(); ++k) {
            clocks << *t.clocks[k];
            if (t.rows[k] >= 0 && t.rows[k] < rowTips.size()) {
                rowTips[t.rows[k]] = ClockText::clip(clocks.constLast());
                times[t.rows[k]] = PlayListTrips::rowTime(clocks.constLast(), choice);
            }
        }
        captionTips.insert(first, ClockText::trip(clocks));
    }
    model_->setTrips(queue_->tripOfRows(), captions, captionTips, rowTips);
    model_->setTimes(times);
    tableView->fitRowHeights(kRowHeight);
    for (int row : selected)
        if (row < model_->rowCount())
            selectRow(row);
}

QList<QUrl> PlayListView::exportClips() const
{
    QList<int> rows;
    if (QItemSelectionModel *sm = tableView->selectionModel())
        for (const QModelIndex &i : sm->selectedRows())
            rows << i.row();
    return queue_->exportClips(rows);
}

void PlayListView::selectRow(qint64 row)
{
    QItemSelectionModel *sm = tableView->selectionModel();
    if (!sm || row < 0 || row >= model_->rowCount())
        return;
    const QModelIndex index = model_->index(int(row), 0);
    sm->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    tableView->scrollTo(index);
}

void PlayListView::selectRowLater()
{
    QPointer<PlayListView> self(this);
    QMetaObject::invokeMethod(this, [self] {
        if (self)
            self->selectRow(self->queue_->currentRow());
    }, Qt::QueuedConnection);
}

void PlayListView::addVideoPlay()
{
    const QList<QUrl> urls = openPanel ? openPanel(this) : QList<QUrl>();
    if (!urls.isEmpty())
        queue_->open(urls);
}

void PlayListView::removeVideoPlay()
{
    tableView->clearSelection();
    queue_->removeCurrent();
    selectRowLater();
}

void PlayListView::moveRows(const QList<int> &rows, int destination)
{
    queue_->move(rows, destination);
    tableView->clearSelection();
    selectRowLater();
}

// ---------------------------------------------------------------------------------
// Keys, progress, look

bool PlayListView::keyDown(QKeyEvent *event)
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

void PlayListView::keyPressEvent(QKeyEvent *event)
{
    if (keyDown(event))
        event->accept();
    else
        QWidget::keyPressEvent(event);
}

void PlayListView::setButtonColor(QPushButton *button, std::optional<QColor> color)
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

void PlayListView::showProgress(int done, int total)
{
    progressDone_ = done;
    progressTotal_ = total;
    const bool reading = queue_->isReading();
    const bool looking = queue_->isLookingInFolders() && foldersFound_ >= 0;
    progressBar->setVisible(reading || looking);
    progressLabel->setVisible(reading || looking);
    if (!reading && looking) {
        // How many files a folder holds is known only at the end: the bar just runs.
        progressBar->setRange(0, 0);
        progressLabel->setText(Localization::text("Looking in the folder: %1 recordings found").arg(foldersFound_));
        return;
    }
    if (!reading)
        return;
    progressBar->setRange(0, qMax(total, 1));
    progressBar->setValue(qBound(0, done, qMax(total, 1)));
    progressLabel->setText(Localization::text("playlist_reading_files").arg(done).arg(total));
}

void PlayListView::retranslate()
{
    model_->retranslate();
    buttonAdd->setText(Localization::text("playlist_add"));
    buttonRemove->setText(Localization::text("playlist_remove"));
    buttonAdd->setToolTip(Localization::text("playlist_add_tip"));
    buttonRemove->setToolTip(Localization::text("playlist_remove_tip"));
    if (queue_->isReading() || queue_->isLookingInFolders())
        showProgress(progressDone_, progressTotal_);
    emptyHint->setText(Localization::text("Open videos (Ctrl+O), a folder (Ctrl+Shift+O), or drop them here"));
}

void PlayListView::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QWidget::changeEvent(event);
}

void PlayListView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutParts();
}

bool PlayListView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == tableView->viewport() && event->type() == QEvent::Resize)
        emptyHint->setGeometry(tableView->viewport()->rect().adjusted(12, 8, -12, -8));
    return QWidget::eventFilter(watched, event);
}

void PlayListView::layoutParts()
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
