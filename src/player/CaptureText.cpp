#include "CaptureText.h"

#include "ClipTime.h"

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
