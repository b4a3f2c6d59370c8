// A strip of days with driving: one cell a day from the first to the last day shown,
// shaded by the distance driven that day (the day with the most, darkest). A click
// chooses a day, Shift+click stretches the choice to a range.
#pragma once

#include "library/LibraryQueries.h"

#include <QDate>
#include <QWidget>

#include <map>

class CalendarStrip : public QWidget {
    Q_OBJECT
public:
    explicit CalendarStrip(QWidget *parent = nullptr);

    // The days from `first` to `last` (at most kMaxDays, the last ones), with driving.
    void setDays(const QDate &first, const QDate &last, const std::vector<DayRow> &days);
    void setChosen(const QDate &from, const QDate &to);
    QDate first() const { return first_; }
    int dayCount() const;
    // The shade of a day: 0 without driving, up to 1 for the day with the most.
    double shade(const QDate &day) const;
    QRect cellRect(const QDate &day) const;

    static constexpr int kMaxDays = 120;
    void setMetric(bool kmph) { kmph_ = kmph; }

signals:
    void rangeChosen(const QDate &from, const QDate &to);

protected:
    void paintEvent(QPaintEvent *) override;
    void mousePressEvent(QMouseEvent *) override;
    QSize sizeHint() const override;

private:
    int cellWidth() const;

    QDate first_, last_, from_, to_;
    std::map<int, double> metres_;
    double most_ = 0;
    bool kmph_ = true;
};
