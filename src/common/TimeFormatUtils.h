// Playing-time texts (mm:ss, h:mm:ss from an hour on) and the time stamp of captured
// pictures.
#pragma once

#include <QDateTime>
#include <QString>

class TimeFormatUtils {
public:
    TimeFormatUtils() = delete;

    static QString stringFromSeconds(int seconds);
    static QString stringAddPreZero(int minutes);
    static QString stringAddPreZeroSecond(int seconds);
    // "yyyy_MM_dd_HH_mm_ss_SSS" in local time.
    static QString stringDateFormat(const QDateTime &date);
};
