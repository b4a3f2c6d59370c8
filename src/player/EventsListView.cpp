#include "EventsListView.h"

#include "TelemetryTimeline.h"
#include "common/AppUtils.h"
#include "common/Localization.h"
#include "common/TimeFormatUtils.h"

#include <QApplication>
#include <QEvent>
#include <QScrollBar>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cmath>

namespace {

QIcon dot(const QColor &c)
{
    QPixmap pm(10, 10);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawEllipse(QRectF(1, 1, 8, 8));
    return QIcon(pm);
}

QString clock(double seconds)
{
    const int whole = int(seconds);
    return TimeFormatUtils::stringFromSeconds(whole) + QLatin1Char('.')
           + QString::number(std::clamp(int((seconds - whole) * 10.0), 0, 9));
}

} // namespace

EventsListView::EventsListView(QWidget *parent) : QFrame(parent, Qt::Tool)
{
    setObjectName(QStringLiteral("eventsList"));
    setStyleSheet(QStringLiteral(
        "#eventsList { background: #1d1f23; }"
        "#eventsList QLabel { color: #9a9ea6; font-size: 12px; }"
        "#eventsList QTreeWidget { background: #17191c; color: #d8dade; border: 1px solid #33363c;"
        "  font-size: 12px; }"
        "#eventsList QTreeWidget::item { height: 22px; }"
        "#eventsList QTreeWidget::item:selected { background: #2f5f8f; }"
        "#eventsList QHeaderView::section { background: #24272c; color: #9a9ea6; border: none;"
        "  padding: 3px 6px; font-size: 11px; }"
        "#eventsList QPushButton { background: #2a2d33; color: #d8dade; border: 1px solid #3a3e45;"
        "  border-radius: 4px; padding: 4px 12px; }"
        "#eventsList QPushButton:hover { background: #363a42; }"));

    table_ = new QTreeWidget(this);
    table_->setObjectName(QStringLiteral("eventsTable"));
    table_->setColumnCount(4);
    table_->setRootIsDecorated(false);
    table_->setUniformRowHeights(true);
    table_->setAllColumnsShowFocus(true);
    table_->header()->setStretchLastSection(true);
    table_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    // A click on a row goes there at once; Enter (and a double click, whose first click
    // went there already) goes there too, but the same row is not asked for twice.
    const auto go = [this](QTreeWidgetItem *item, bool byClick) {
        const int i = table_->indexOfTopLevelItem(item);
        if (i < 0 || size_t(i) >= events_.size())
            return;
        if (!byClick && i == clickedRow_ && clicked_.isValid()
            && clicked_.elapsed() < QApplication::doubleClickInterval())
            return;
        clickedRow_ = byClick ? i : -1;
        clicked_.start();
        emit eventActivated(events_[size_t(i)].time);
    };
    connect(table_, &QTreeWidget::itemClicked, this, [go](QTreeWidgetItem *item) { go(item, true); });
    connect(table_, &QTreeWidget::itemActivated, this, [go](QTreeWidgetItem *item) { go(item, false); });

    emptyLabel_ = new QLabel(this);
    emptyLabel_->setAlignment(Qt::AlignCenter);

    markInButton_ = new QPushButton(this);
    markOutButton_ = new QPushButton(this);
    markInButton_->setObjectName(QStringLiteral("markInButton"));
    markOutButton_->setObjectName(QStringLiteral("markOutButton"));
    // Like every button of the window, they leave the keys (Space) where they were.
    markInButton_->setFocusPolicy(Qt::NoFocus);
    markOutButton_->setFocusPolicy(Qt::NoFocus);
    connect(markInButton_, &QPushButton::clicked, this, &EventsListView::markInRequested);
    connect(markOutButton_, &QPushButton::clicked, this, &EventsListView::markOutRequested);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(markInButton_);
    buttons->addWidget(markOutButton_);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(6);
    layout->addWidget(table_, 1);
    layout->addWidget(emptyLabel_);
    layout->addLayout(buttons);
    resize(360, 300);
    retranslate();
    fill();
}

int EventsListView::rowCount() const
{
    return table_->topLevelItemCount();
}

QString EventsListView::timeText(const TelemetryEvent &e, double offset)
{
    QString t = clock(e.time - offset);
    if ((e.kind == EventKind::OverSpeed || e.kind == EventKind::BrakeApplied) && e.endTime > e.time)
        t += QStringLiteral(" – ") + clock(e.endTime - offset);
    return t;
}

QString EventsListView::kindText(EventKind kind)
{
    switch (kind) {
    case EventKind::HardBraking: return Localization::text("event_hard_braking");
    case EventKind::HardAcceleration: return Localization::text("event_hard_acceleration");
    case EventKind::HarshG: return Localization::text("event_harsh_g");
    case EventKind::Impact: return Localization::text("event_impact");
    case EventKind::OverSpeed: return Localization::text("event_over_speed");
    case EventKind::BrakeApplied: return Localization::text("event_brake_applied");
    case EventKind::AssistanceDisengaged: return Localization::text("event_assistance_disengaged");
    }
    return QString();
}

QString EventsListView::strengthText(const TelemetryEvent &e, bool kmph)
{
    switch (e.kind) {
    case EventKind::HardBraking:
    case EventKind::HardAcceleration:
    case EventKind::BrakeApplied:
        return AppUtils::speedText(float(e.strength), kmph) + QStringLiteral("/s");
    case EventKind::HarshG:
    case EventKind::Impact:
        return AppUtils::fixed(e.strength, 2) + QStringLiteral(" g");
    case EventKind::OverSpeed:
        return AppUtils::speedText(float(e.strength), kmph);
    case EventKind::AssistanceDisengaged:
        break;
    }
    return QString();
}

void EventsListView::setEvents(const std::vector<TelemetryEvent> &events, bool kmph, const QStringList &clips,
                               const QList<double> &offsets)
{
    events_ = events;
    const bool trip = clips.size() == qsizetype(events.size()) && offsets.size() == qsizetype(events.size());
    clips_ = trip ? clips : QStringList();
    offsets_ = trip ? offsets : QList<double>();
    kmph_ = kmph;
    fill();
}

void EventsListView::fill()
{
    table_->clear();
    QList<QTreeWidgetItem *> items;
    // The clip column shows only for the events of a trip.
    const bool trip = !clips_.isEmpty();
    for (size_t i = 0; i < events_.size(); ++i) {
        const TelemetryEvent &e = events_[i];
        const double offset = trip ? offsets_.at(qsizetype(i)) : 0.0;
        auto *item = new QTreeWidgetItem({timeText(e, offset), kindText(e.kind), strengthText(e, kmph_),
                                          trip ? clips_.at(qsizetype(i)) : QString()});
        item->setIcon(1, dot(TelemetryTimeline::colorFor(e.kind)));
        items << item;
    }
    table_->addTopLevelItems(items);
    table_->setColumnHidden(3, !trip);
    emptyLabel_->setVisible(events_.empty());
    clickedRow_ = -1;
    // Wide enough for every column to show whole (the clip's name too).
    const QFontMetrics metrics(table_->font());
    int needed = 0;
    for (int c = 0; c < table_->columnCount(); ++c) {
        if (table_->isColumnHidden(c))
            continue;
        int widest = table_->header()->sectionSizeHint(c);
        for (const QTreeWidgetItem *item : items)
            widest = std::max(widest, metrics.horizontalAdvance(item->text(c)) + (c == 1 ? 16 : 0) + 12);
        needed += widest;
    }
    needed += 2 * table_->frameWidth() + table_->verticalScrollBar()->sizeHint().width() + 16 + 8;
    if (width() < needed)
        resize(needed, height());
}

void EventsListView::retranslate()
{
    setWindowTitle(Localization::text("events_title"));
    table_->setHeaderLabels({Localization::text("events_column_time"), Localization::text("events_column_kind"),
                            Localization::text("events_column_strength"), Localization::text("events_column_clip")});
    emptyLabel_->setText(Localization::text("events_none"));
    markInButton_->setText(Localization::text("events_mark_in"));
    markOutButton_->setText(Localization::text("events_mark_out"));
}

void EventsListView::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        retranslate();
        fill();
    }
    QFrame::changeEvent(event);
}
