#include "CaptureText.h"

#include "ClipTime.h"

#include <QDateTime>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

QList<QPair<QString, QString>> CaptureText::chunks(const CaptureFacts &facts, bool mph)
{
    QList<QPair<QString, QString>> out;
    if (!facts.recorded.isEmpty())
        out.append({QStringLiteral("Creation Time"), facts.recorded});
    if (facts.latitude && facts.longitude && std::isfinite(*facts.latitude) && std::isfinite(*facts.longitude))
        out.append({QStringLiteral("Location"), QStringLiteral("%1, %2")
                                                    .arg(*facts.latitude, 0, 'f', 6)
                                                    .arg(*facts.longitude, 0, 'f', 6)});
    if (facts.speedKmh && std::isfinite(*facts.speedKmh)) {
        const double v = mph ? *facts.speedKmh / 1.609344 : *facts.speedKmh;
        out.append({QStringLiteral("Speed"),
                    QStringLiteral("%1 %2").arg(std::lround(v)).arg(mph ? QStringLiteral("mph") : QStringLiteral("km/h"))});
    }
    return out;
}

QString CaptureText::fileStem(const CaptureFacts &facts)
{
    static const QRegularExpression form(QStringLiteral("^(\\d{4}-\\d{2}-\\d{2}) (\\d{2}):(\\d{2}):(\\d{2})$"));
    const QRegularExpressionMatch m = form.match(facts.recorded);
    if (!m.hasMatch())
        return QString();
    return m.captured(1) + QLatin1Char('_') + m.captured(2) + QLatin1Char('-') + m.captured(3) + QLatin1Char('-') +
           m.captured(4);
}

QString CaptureText::freeBase(const QString &base, const QStringList &endings,
                              const std::function<bool(const QString &)> &exists)
{
    const auto taken = [&](const QString &b) {
        return std::any_of(endings.begin(), endings.end(), [&](const QString &e) { return exists(b + e); });
    };
    if (!taken(base))
        return base;
    for (int n = 2; n < 10000; ++n)
        if (!taken(base + QStringLiteral("_%1").arg(n)))
            return base + QStringLiteral("_%1").arg(n);
    return base + QStringLiteral("_%1").arg(QDateTime::currentMSecsSinceEpoch());
}

QString CaptureText::caption(const CaptureFacts &facts, bool mph)
{
    QStringList parts;
    for (const auto &chunk : chunks(facts, mph))
        parts << chunk.second;
    return parts.join(QStringLiteral("  "));
}

QString CaptureText::channelWord(char channel)
{
    switch (channel) {
    case 'F':
        return QStringLiteral("front");
    case 'R':
        return QStringLiteral("rear");
    case 'I':
        return QStringLiteral("cabin");
    default:
        return QString::fromStdString(ClipTime::channelName(channel)).toLower();
    }
}
