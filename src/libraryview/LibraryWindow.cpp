#include "LibraryWindow.h"

#include "CalendarStrip.h"
#include "RouteMapView.h"

#include "common/AppUtils.h"
#include "common/Localization.h"
#include "library/LibraryController.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTimeZone>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum Role { TripRole = Qt::UserRole + 1, EventRole };
constexpr const char *kKindKeys[kEventKindCount] = {"Hard braking", "Hard acceleration", "Sharp turn", "Impact",
                                                    "Bump while parked", "Brake applied", "Assistance disengaged"};

QDate dateOf(int day)
{
    return QDate(day / 10000, day / 100 % 100, day % 100);
}

int dayOf(const QDate &d)
{
    return LibraryQueries::dayNumber(d.year(), d.month(), d.day());
}

QString clockText(int64_t ms, bool utc, const char *format)
{
    return QDateTime::fromMSecsSinceEpoch(LibraryDatabase::wallClockMs(ms, utc), QTimeZone::utc())
        .toString(QString::fromLatin1(format));
}

QString durationText(int64_t ms)
{
    const int64_t s = ms / 1000;
    return s >= 3600 ? QStringLiteral("%1:%2:%3").arg(s / 3600).arg(s / 60 % 60, 2, 10, QLatin1Char('0')).arg(s % 60, 2, 10, QLatin1Char('0'))
                     : QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

// The mark of a trip with a clip the camera protected: a small padlock.
QIcon lockIcon()
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0xB2, 0x6B, 0x00), 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(4.5, 1.5, 7, 8), 0, 180 * 16);
    p.drawLine(QPointF(4.5, 5.5), QPointF(4.5, 7.5));
    p.drawLine(QPointF(11.5, 5.5), QPointF(11.5, 7.5));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xE0, 0x9A, 0x10));
    p.drawRoundedRect(QRectF(2.5, 7, 11, 8), 1.5, 1.5);
    return QIcon(pm);
}

} // namespace

QString LibraryWindow::summaryText(const QList<qulonglong> &counts, bool cancelled)
{
    const auto n = [&counts](int i) { return i < counts.size() ? counts[i] : 0; };
    QString text = Localization::text("%1 clips in the library folders (%2 read, %3 moved, %4 removed, %5 unchanged)")
                       .arg(n(0))
                       .arg(n(1))
                       .arg(n(2))
                       .arg(n(3))
                       .arg(n(4));
    if (n(5))
        text += Localization::text(", %1 skipped").arg(n(5));
    if (n(6))
        text += Localization::text(", %1 folders not there").arg(n(6));
    if (cancelled)
        text += Localization::text(", cancelled");
    return text;
}

QString eventKindText(LibraryEventKind kind)
{
    const int i = int(kind);
    return i >= 0 && i < kEventKindCount ? Localization::text(kKindKeys[i]) : QString();
}

LibraryWindow::LibraryWindow(LibraryController &library, std::function<bool()> kmph, QWidget *parent)
    : QWidget(parent, Qt::Window), library_(library), kmph_(std::move(kmph))
{
    setObjectName(QStringLiteral("libraryWindow"));
    resize(1280, 800);
    auto *layout = new QVBoxLayout(this);

    auto *bar = new QHBoxLayout;
    fromLabel_ = new QLabel(this);
    toLabel_ = new QLabel(this);
    from_ = new QDateEdit(this);
    to_ = new QDateEdit(this);
    for (QDateEdit *e : {from_, to_}) {
        e->setCalendarPopup(true);
        e->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    }
    radiusLabel_ = new QLabel(this);
    radius_ = new QSpinBox(this);
    radius_->setRange(10, 5000);
    radius_->setSingleStep(50);
    radius_->setValue(100);
    radius_->setSuffix(QStringLiteral(" m"));
    clearPlace_ = new QPushButton(this);
    kinds_ = new QToolButton(this);
    kinds_->setPopupMode(QToolButton::InstantPopup);
    auto *kindMenu = new QMenu(kinds_);
    for (int i = 0; i < kEventKindCount; ++i) {
        QAction *a = kindMenu->addAction(QString());
        a->setCheckable(true);
        a->setData(i);
        connect(a, &QAction::toggled, this, &LibraryWindow::refresh);
    }
    kinds_->setMenu(kindMenu);
    protected_ = new QCheckBox(this);
    camera_ = new QComboBox(this);
    addFolder_ = new QPushButton(this);
    for (QWidget *w : std::initializer_list<QWidget *>{fromLabel_, from_, toLabel_, to_, radiusLabel_, radius_, clearPlace_,
                                                       kinds_, protected_, camera_})
        bar->addWidget(w);
    bar->addStretch(1);
    bar->addWidget(addFolder_);
    layout->addLayout(bar);

    calendar_ = new CalendarStrip(this);
    layout->addWidget(calendar_);

    auto *split = new QSplitter(Qt::Horizontal, this);
    trips_ = new QTreeWidget(split);
    trips_->setObjectName(QStringLiteral("libraryTrips"));
    trips_->setColumnCount(6);
    trips_->setRootIsDecorated(true);
    trips_->setUniformRowHeights(true);
    trips_->setAlternatingRowColors(true);
    trips_->header()->setStretchLastSection(true);
    map_ = new RouteMapView(split);
    split->addWidget(trips_);
    split->addWidget(map_);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 1);
    split->setSizes({640, 640});
    layout->addWidget(split, 1);

    auto *foot = new QHBoxLayout;
    status_ = new QLabel(this);
    status_->setWordWrap(true);
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    progress_ = new QProgressBar(this);
    progress_->setMaximumWidth(320);
    progress_->hide();
    cancel_ = new QPushButton(this);
    cancel_->hide();
    foot->addWidget(status_, 1);
    foot->addWidget(progress_);
    foot->addWidget(cancel_);
    layout->addLayout(foot);

    connect(from_, &QDateEdit::dateChanged, this, [this] {
        calendar_->setChosen(from_->date(), to_->date());
        refresh();
    });
    connect(to_, &QDateEdit::dateChanged, this, [this] {
        calendar_->setChosen(from_->date(), to_->date());
        refresh();
    });
    connect(calendar_, &CalendarStrip::rangeChosen, this, &LibraryWindow::chooseDays);
    connect(radius_, &QSpinBox::valueChanged, this, [this](int metres) {
        map_->setRadius(metres);
        if (map_->place().kind == LibraryPlace::Circle) {
            LibraryPlace p = map_->place();
            p.metres = metres;
            map_->setPlace(p);
            refresh();
        }
    });
    connect(map_, &RouteMapView::placeChosen, this, &LibraryWindow::refresh);
    connect(clearPlace_, &QPushButton::clicked, this, [this] {
        map_->setPlace({});
        refresh();
    });
    connect(protected_, &QCheckBox::toggled, this, &LibraryWindow::refresh);
    connect(camera_, &QComboBox::currentIndexChanged, this, &LibraryWindow::refresh);
    connect(addFolder_, &QPushButton::clicked, this, &LibraryWindow::addFolder);
    connect(cancel_, &QPushButton::clicked, &library_, &LibraryController::cancel);
    connect(trips_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem *item, int) { activated(item); });
    connect(trips_, &QTreeWidget::itemSelectionChanged, this, &LibraryWindow::selectionChanged);

    connect(&library_, &LibraryController::indexingStarted, this, [this] {
        progress_->setRange(0, 0);
        progress_->show();
        cancel_->show();
    });
    connect(&library_, &LibraryController::progress, this,
            [this](qulonglong done, qulonglong toRead, qulonglong found, bool walking) {
                if (walking) {
                    progress_->setRange(0, 0);
                    status_->setText(Localization::text("Looking for clips: %1 found…").arg(found));
                } else {
                    progress_->setRange(0, int(std::min<qulonglong>(toRead, INT_MAX)));
                    progress_->setValue(int(std::min<qulonglong>(done, INT_MAX)));
                    status_->setText(Localization::text("Indexing %1 of %2 clips…").arg(done).arg(toRead));
                }
            });
    connect(&library_, &LibraryController::indexingFinished, this,
            [this](const QString &, const QList<qulonglong> &counts, const QStringList &skipped,
                   const QString &failureKey, const QString &failureArgument, bool cancelled) {
                progress_->hide();
                cancel_->hide();
                status_->setText(failureKey.isEmpty()
                                     ? summaryText(counts, cancelled)
                                     : LibraryDatabase::withArgument(Localization::text(failureKey), failureArgument));
                status_->setToolTip(skipped.mid(0, 50).join(QLatin1Char('\n')));
                fillCameras();
            });
    // What is committed while indexing shows a few times a second at most.
    changedSoon_.setSingleShot(true);
    changedSoon_.setInterval(kChangedSettleMs);
    connect(&library_, &LibraryController::changed, this, [this] {
        if (isVisible() && !changedSoon_.isActive())
            changedSoon_.start();
    });
    connect(&changedSoon_, &QTimer::timeout, this, [this] {
        if (!isVisible())
            return;
        // A library that was empty gets its range from the first clips.
        if (!from_->date().isValid() || !library_.database().isOpen() || !LibraryQueries::dayBounds(library_.database().db()))
            shownOnce_ = false;
        if (!shownOnce_ || rows_.empty()) {
            shownOnce_ = false;
            showEvent(nullptr);
        } else {
            fillDays();
            refresh();
        }
    });
    retranslate();
}

void LibraryWindow::retranslate()
{
    setWindowTitle(Localization::text("Library"));
    fromLabel_->setText(Localization::text("From"));
    toLabel_->setText(Localization::text("To"));
    radiusLabel_->setText(Localization::text("Radius"));
    clearPlace_->setText(Localization::text("Clear Place"));
    kinds_->setText(Localization::text("Events"));
    const auto actions = kinds_->menu()->actions();
    for (QAction *a : actions)
        a->setText(eventKindText(LibraryEventKind(a->data().toInt())));
    protected_->setText(Localization::text("Protected only"));
    addFolder_->setText(Localization::text("Add Folder…"));
    cancel_->setText(Localization::text("Cancel"));
    trips_->setHeaderLabels({Localization::text("Start"), Localization::text("End"), Localization::text("Duration"),
                             Localization::text("Distance"), Localization::text("Cameras"), Localization::text("Events")});
    if (camera_->count() > 0)
        camera_->setItemText(0, Localization::text("All cameras"));
}

void LibraryWindow::changeEvent(QEvent *e)
{
    if (e->type() == QEvent::LanguageChange)
        retranslate();
    QWidget::changeEvent(e);
}

void LibraryWindow::fillCameras()
{
    const QString current = camera_->currentData().toString();
    const QSignalBlocker block(camera_);
    camera_->clear();
    camera_->addItem(Localization::text("All cameras"), QString());
    if (library_.database().isOpen())
        for (const QString &ch : LibraryQueries::channels(library_.database().db()))
            if (!ch.isEmpty())
                camera_->addItem(ch, ch);
    const int at = camera_->findData(current);
    camera_->setCurrentIndex(at < 0 ? 0 : at);
}

void LibraryWindow::showEvent(QShowEvent *)
{
    if (shownOnce_) {
        // Shown again: what was indexed meanwhile.
        if (library_.database().isOpen()) {
            fillDays();
            refresh();
        }
        return;
    }
    shownOnce_ = true;
    if (!library_.open()) {
        showMessage();
        return;
    }
    showMessage();
    fillCameras();
    // The month up to the last day with driving.
    const auto bounds = fillDays();
    const QDate last = bounds ? dateOf(bounds->second) : QDate::currentDate();
    const QDate first = bounds ? dateOf(bounds->first) : last;
    chooseDays(std::max(first, last.addDays(-30)), last);
}

std::optional<std::pair<int, int>> LibraryWindow::fillDays()
{
    const auto bounds = LibraryQueries::dayBounds(library_.database().db());
    const QDate last = bounds ? dateOf(bounds->second) : QDate::currentDate();
    const QDate first = bounds ? dateOf(bounds->first) : last;
    // At least four weeks on the strip, at most kMaxDays.
    const QDate stripFirst = std::max(std::min(first, last.addDays(-27)), last.addDays(-(CalendarStrip::kMaxDays - 1)));
    calendar_->setMetric(!kmph_ || kmph_());
    calendar_->setDays(stripFirst, last, LibraryQueries::days(library_.database().db(), dayOf(stripFirst), dayOf(last)));
    calendar_->setChosen(from_->date(), to_->date());
    return bounds;
}

void LibraryWindow::showMessage()
{
    const QString key = library_.messageKey();
    status_->setText(key.isEmpty() ? QString() : LibraryDatabase::withArgument(Localization::text(key), library_.messageArgument()));
}

void LibraryWindow::chooseDays(QDate from, QDate to)
{
    // By value: the strip hands in its own dates, which setting the edits changes.
    refreshing_ = true;
    from_->setDate(from);
    to_->setDate(to);
    refreshing_ = false;
    calendar_->setChosen(from, to);
    refresh();
}

LibraryFilter LibraryWindow::filter() const
{
    LibraryFilter f;
    f.fromDay = dayOf(from_->date());
    f.toDay = dayOf(to_->date());
    f.place = map_->place();
    for (QAction *a : kinds_->menu()->actions())
        if (a->isChecked())
            f.kinds.insert(LibraryEventKind(a->data().toInt()));
    f.protectedOnly = protected_->isChecked();
    f.channel = camera_->currentData().toString();
    return f;
}

void LibraryWindow::refresh()
{
    if (refreshing_ || !library_.database().isOpen())
        return;
    QSqlDatabase &db = library_.database().db();
    const LibraryFilter f = filter();
    rows_ = LibraryQueries::trips(db, f);
    // The map shows every route of the days (and camera); those the other filters leave
    // out, faded.
    LibraryFilter days;
    days.fromDay = f.fromDay;
    days.toDay = f.toDay;
    days.channel = f.channel;
    const bool narrowed = f.place.kind != LibraryPlace::None || !f.kinds.empty() || f.protectedOnly;
    std::vector<TripRow> wider;
    if (narrowed)
        wider = LibraryQueries::trips(db, days);
    std::vector<int64_t> ids, shownIds;
    for (const TripRow &t : rows_)
        for (const ClipRow &c : t.clips)
            ids.push_back(c.id);
    for (const TripRow &t : wider)
        for (const ClipRow &c : t.clips)
            shownIds.push_back(c.id);
    if (!narrowed)
        shownIds = ids;
    events_ = ids.empty() ? std::vector<EventRow>{} : LibraryQueries::events(db, f.kinds, {}, {}, ids);
    std::vector<PieceRow> pieces = shownIds.empty() ? std::vector<PieceRow>{} : LibraryQueries::routes(db, shownIds);
    const std::set<int64_t> listed(ids.begin(), ids.end());
    const std::set<int64_t> shown(shownIds.begin(), shownIds.end());

    const bool kmph = !kmph_ || kmph_();
    trips_->setUpdatesEnabled(false);
    trips_->clear();
    std::map<int64_t, std::vector<const EventRow *>> byClip;
    for (const EventRow &e : events_)
        if (listed.count(e.clipId))
            byClip[e.clipId].push_back(&e);
    QList<QTreeWidgetItem *> items;
    std::vector<RouteMapView::Mark> marks;
    for (size_t t = 0; t < rows_.size(); ++t) {
        const TripRow &trip = rows_[t];
        auto *item = new QTreeWidgetItem;
        const bool dated = trip.clips.front().startMs.has_value();
        item->setText(0, dated ? clockText(trip.startMs, trip.utc, "yyyy-MM-dd HH:mm:ss") : trip.clips.front().path);
        item->setText(1, dated ? clockText(trip.endMs, trip.utc, "HH:mm:ss") : QString());
        item->setText(2, durationText(trip.endMs - trip.startMs));
        item->setText(3, AppUtils::distanceText(float(trip.distanceM), kmph));
        QStringList cams = trip.channels;
        cams.removeAll(QString());
        item->setText(4, cams.join(QStringLiteral(" + ")));
        int count = 0;
        for (const ClipRow &c : trip.clips) {
            const auto it = byClip.find(c.id);
            if (it == byClip.end())
                continue;
            for (const EventRow *e : it->second) {
                ++count;
                auto *child = new QTreeWidgetItem(item);
                child->setText(0, e->atMs ? clockText(*e->atMs, e->utc, "yyyy-MM-dd HH:mm:ss") : QString());
                child->setText(4, c.channel);
                child->setText(5, eventKindText(e->kind));
                child->setData(0, EventRole, qlonglong(e - events_.data()));
                child->setData(0, TripRole, qlonglong(t));
                if (e->latitude && e->longitude)
                    marks.push_back({*e->latitude, *e->longitude});
            }
        }
        item->setText(5, QString::number(count));
        item->setData(0, TripRole, qlonglong(t));
        item->setData(0, EventRole, -1);
        if (std::any_of(trip.clips.begin(), trip.clips.end(), [](const ClipRow &c) { return c.isProtected; })) {
            static const QIcon lock = lockIcon();
            item->setIcon(0, lock);
            item->setToolTip(1, Localization::text("Protected by the camera"));
        }
        item->setToolTip(0, trip.clips.front().path);
        items << item;
    }
    trips_->addTopLevelItems(items);
    for (int c = 0; c < 5; ++c)
        trips_->resizeColumnToContents(c);
    trips_->setUpdatesEnabled(true);

    std::vector<RouteMapView::Route> routes;
    for (const PieceRow &p : pieces) {
        if (!shown.count(p.clipId))
            continue;
        RouteMapView::Route r;
        r.clipId = p.clipId;
        r.faded = !listed.count(p.clipId);
        for (const RoutePoint &pt : p.points)
            r.points.emplace_back(pt.longitude, pt.latitude);
        routes.push_back(std::move(r));
    }
    map_->setRoutes(std::move(routes));
    map_->setMarks(std::move(marks));
    map_->setHighlighted({});
    if (library_.messageKey().isEmpty() && !library_.isIndexing())
        status_->setText(Localization::text("%1 trips").arg(rows_.size()));
}

void LibraryWindow::selectionChanged()
{
    std::set<int64_t> ids;
    for (QTreeWidgetItem *item : trips_->selectedItems()) {
        const qlonglong t = item->data(0, TripRole).toLongLong();
        if (t >= 0 && size_t(t) < rows_.size())
            for (const ClipRow &c : rows_[size_t(t)].clips)
                ids.insert(c.id);
    }
    map_->setHighlighted(ids);
}

void LibraryWindow::activated(QTreeWidgetItem *item)
{
    const qlonglong t = item->data(0, TripRole).toLongLong();
    if (t < 0 || size_t(t) >= rows_.size())
        return;
    const TripRow &trip = rows_[size_t(t)];
    const qlonglong e = item->data(0, EventRole).toLongLong();
    QList<QUrl> urls;
    double startAt = 0;
    if (e >= 0 && size_t(e) < events_.size()) {
        // The event's clip, and the clips of its channel after it.
        const EventRow &ev = events_[size_t(e)];
        QString channel;
        for (const ClipRow &c : trip.clips)
            if (c.id == ev.clipId)
                channel = c.channel;
        bool from = false;
        for (const ClipRow &c : trip.clips) {
            from = from || c.id == ev.clipId;
            if (from && c.channel == channel)
                urls << QUrl::fromLocalFile(c.path);
        }
        startAt = std::max(0.0, ev.offsetMs / 1000.0 - kEventLeadSeconds);
    } else {
        for (const ClipRow *c : trip.shownClips())
            urls << QUrl::fromLocalFile(c->path);
    }
    if (!urls.isEmpty())
        emit playRequested(urls, startAt);
}

void LibraryWindow::addFolder()
{
    const QString folder = folderPanel ? folderPanel()
                                       : QFileDialog::getExistingDirectory(this, Localization::text("Add Folder…"));
    if (folder.isEmpty())
        return;
    if (!library_.addFolder(folder))
        showMessage();
}
