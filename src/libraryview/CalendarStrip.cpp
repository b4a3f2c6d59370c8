#include "CalendarStrip.h"

#include "common/AppUtils.h"

#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>

namespace {
int number(const QDate &d)
{
    return LibraryQueries::dayNumber(d.year(), d.month(), d.day());
}
constexpr int kTop = 16;   // the month names above the cells
} // namespace

CalendarStrip::CalendarStrip(QWidget *parent) : QWidget(parent)
{
    setMinimumHeight(54);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize CalendarStrip::sizeHint() const
{
    return {800, 54};
}

void CalendarStrip::setDays(const QDate &first, const QDate &last, const std::vector<DayRow> &days)
{
    last_ = last;
    first_ = std::max(first, last.addDays(-(kMaxDays - 1)));
    metres_.clear();
    most_ = 0;
    for (const DayRow &d : days) {
        metres_[d.day] = d.distanceM;
        most_ = std::max(most_, d.distanceM);
    }
    update();
}

void CalendarStrip::setChosen(const QDate &from, const QDate &to)
{
    from_ = from;
    to_ = to;
    update();
}

int CalendarStrip::dayCount() const
{
    return first_.isValid() && last_.isValid() ? int(first_.daysTo(last_)) + 1 : 0;
}

double CalendarStrip::shade(const QDate &day) const
{
    const auto it = metres_.find(number(day));
    if (it == metres_.end() || most_ <= 0)
        return 0;
    // Any driving shows; more shows darker.
    return 0.2 + 0.8 * std::min(1.0, it->second / most_);
}

int CalendarStrip::cellWidth() const
{
    return std::max(8, dayCount() ? width() / dayCount() : width());
}

QRect CalendarStrip::cellRect(const QDate &day) const
{
    const int i = int(first_.daysTo(day));
    return QRect(i * cellWidth(), kTop, cellWidth() - 1, height() - kTop - 2);
}

void CalendarStrip::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    const int n = dayCount();
    QFont small = font();
    small.setPointSizeF(std::max(6.0, small.pointSizeF() * 0.8));
    p.setFont(small);
    for (int i = 0; i < n; ++i) {
        const QDate d = first_.addDays(i);
        const QRect r = cellRect(d);
        const double s = shade(d);
        const QColor empty(0xE4, 0xE7, 0xEB), full(0x0B, 0x4F, 0xB0);
        QColor c = empty;
        if (s > 0)
            c = QColor::fromRgbF(empty.redF() + (full.redF() - empty.redF()) * s,
                                 empty.greenF() + (full.greenF() - empty.greenF()) * s,
                                 empty.blueF() + (full.blueF() - empty.blueF()) * s);
        p.fillRect(r, c);
        if (d.day() == 1 || i == 0) {
            p.setPen(palette().text().color());
            p.drawText(QPoint(r.left() + 1, kTop - 4), QLocale().toString(d, QStringLiteral("MMM yyyy")));
        }
        if (r.width() >= 16) {
            p.setPen(s > 0.55 ? Qt::white : QColor(0x55, 0x55, 0x55));
            p.drawText(r, Qt::AlignCenter, QString::number(d.day()));
        }
    }
    if (from_.isValid() && to_.isValid() && n > 0) {
        const QRect a = cellRect(std::max(from_, first_)), b = cellRect(std::min(to_, last_));
        p.setPen(QPen(QColor(0xE0, 0x5A, 0x00), 2));
        p.setBrush(Qt::NoBrush);
        p.drawRect(a.united(b).adjusted(0, 0, 0, 0));
    }
}

void CalendarStrip::mousePressEvent(QMouseEvent *e)
{
    if (dayCount() == 0 || e->button() != Qt::LeftButton)
        return;
    const int i = std::clamp(int(e->position().x()) / cellWidth(), 0, dayCount() - 1);
    const QDate d = first_.addDays(i);
    if ((e->modifiers() & Qt::ShiftModifier) && from_.isValid()) {
        from_ = std::min(from_, d);
        to_ = std::max(to_, d);
    } else {
        from_ = to_ = d;
    }
    update();
    const auto it = metres_.find(number(d));
    QToolTip::showText(e->globalPosition().toPoint(),
                       QLocale().toString(d, QLocale::LongFormat) +
                           (it != metres_.end() ? QStringLiteral(" · ") + AppUtils::distanceText(float(it->second), kmph_) : QString()),
                       this);
    emit rangeChosen(from_, to_);
}
