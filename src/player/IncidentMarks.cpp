#include "IncidentMarks.h"

#include "common/Localization.h"

#include <QStringList>

#include <algorithm>
#include <cmath>
#include <utility>

MarkedRange IncidentMarks::range(std::optional<double> in, std::optional<double> out, double duration)
{
    MarkedRange r;
    if (!(duration > 0) || !std::isfinite(duration)) {
        r.message = Localization::text("Open a clip before marking a segment.");
        return r;
    }
    r.in = in && std::isfinite(*in) ? *in : 0.0;
    r.out = out && std::isfinite(*out) ? *out : duration;
    QStringList notes;
    if (r.in > r.out) {
        std::swap(r.in, r.out);
        notes << Localization::text("The in mark was after the out mark, so they were swapped.");
    }
    if (r.in < 0 || r.out > duration) {
        r.in = std::max(0.0, r.in);
        r.out = std::min(duration, r.out);
        notes << Localization::text("A mark lay outside the clip and was moved to its end.");
    }
    if (r.out - r.in < minimumLength) {
        r.message = Localization::text("The marked segment is empty: set the out mark after the in mark.");
        return r;
    }
    r.ok = true;
    r.message = notes.join(QLatin1Char(' '));
    return r;
}

QString IncidentMarks::timeText(double seconds)
{
    const qint64 ms = std::isfinite(seconds) ? std::llround(std::max(0.0, seconds) * 1000.0) : 0;
    const qint64 h = ms / 3600000, m = ms / 60000 % 60, s = ms / 1000 % 60, f = ms % 1000;
    const QString rest = QStringLiteral("%1:%2.%3")
                             .arg(m, 2, 10, QLatin1Char('0'))
                             .arg(s, 2, 10, QLatin1Char('0'))
                             .arg(f, 3, 10, QLatin1Char('0'));
    return h > 0 ? QStringLiteral("%1:").arg(h) + rest : rest;
}
