#include "TimeFormatUtils.h"

static QString field(int v)
{
    if (v >= 0 && v <= 9)
        return QStringLiteral("0%1").arg(v);
    return QString::number(v);
}

QString TimeFormatUtils::stringAddPreZero(int minutes) { return field(minutes); }
QString TimeFormatUtils::stringAddPreZeroSecond(int seconds) { return field(seconds); }

QString TimeFormatUtils::stringFromSeconds(int n)
{
    if (n >= 3600) {
        const int h = n / 3600;
        n %= 3600;
        return QString::number(h) + QLatin1Char(':') + field(n / 60) + QLatin1Char(':') + field(n % 60);
    }
    const int m = n / 60;
    if (m != 0)
        n %= 60;
    return stringAddPreZero(m) + QLatin1Char(':') + stringAddPreZeroSecond(n);
}

QString TimeFormatUtils::stringDateFormat(const QDateTime &date)
{
    return date.toLocalTime().toString(QStringLiteral("yyyy_MM_dd_HH_mm_ss_zzz"));
}
