#include "ChannelRules.h"

#include "ClipTime.h"
#include "common/Localization.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

QString ChannelRules::describe(const Picture &p)
{
    QStringList parts;
    if (p.fps > 0)
        parts << QStringLiteral("%1 fps").arg(QString::number(p.fps, 'g', 4));
    if (p.size.isValid() && !p.size.isEmpty())
        parts << QStringLiteral("%1×%2").arg(p.size.width()).arg(p.size.height());
    if (!p.codec.isEmpty())
        parts << p.codec;
    return parts.join(QStringLiteral(", "));
}

bool ChannelRules::differ(const Picture &a, const Picture &b)
{
    return (a.fps > 0 && b.fps > 0 && std::abs(a.fps - b.fps) > 0.5) ||
           (!a.size.isEmpty() && !b.size.isEmpty() && a.size != b.size) ||
           (!a.codec.isEmpty() && !b.codec.isEmpty() && a.codec != b.codec);
}

double ChannelRules::frameOf(double leadFps, double followerFps)
{
    const auto frame = [](double fps) { return fps > 0 && fps < 1000 ? 1.0 / fps : 1.0 / 30.0; };
    return std::max(frame(leadFps), followerFps > 0 && followerFps < 1000 ? frame(followerFps) : 0.0);
}

QString ChannelRules::namePattern(const QString &file)
{
    QString name = file.mid(file.lastIndexOf(QLatin1Char('/')) + 1);
    // The extension's digits ("MP4") are not a count.
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    for (qsizetype i = 0; i < (dot < 0 ? name.size() : dot); ++i)
        if (name[i].isDigit())
            name[i] = QLatin1Char('#');
    return name;
}

QString ChannelRules::arrangementKey(Arrangement a)
{
    switch (a) {
    case Arrangement::SideBySide:
        return QStringLiteral("side");
    case Arrangement::Grid:
        return QStringLiteral("grid");
    case Arrangement::Insets:
        break;
    }
    return QStringLiteral("insets");
}

ChannelRules::Arrangement ChannelRules::arrangementOf(const QString &key)
{
    if (key == QLatin1String("side"))
        return Arrangement::SideBySide;
    if (key == QLatin1String("grid"))
        return Arrangement::Grid;
    return Arrangement::Insets;
}

ChannelRules::Arrangement ChannelRules::arrangementFor(const QString &key, int cameras)
{
    if (key.isEmpty())
        return cameras >= 4 ? Arrangement::Grid : Arrangement::Insets;
    return arrangementOf(key);
}

ChannelRules::Arrangement ChannelRules::next(Arrangement a)
{
    switch (a) {
    case Arrangement::Insets:
        return Arrangement::SideBySide;
    case Arrangement::SideBySide:
        return Arrangement::Grid;
    case Arrangement::Grid:
        break;
    }
    return Arrangement::Insets;
}

QList<QRect> ChannelRules::tiles(Arrangement a, QSize area, int count, const QList<Corner> &corners, double share,
                                 double aspect)
{
    QList<QRect> out;
    if (count <= 0 || area.isEmpty())
        return out;
    const int w = area.width(), h = area.height();
    if (count == 1)
        return {QRect(QPoint(), area)};
    if (a == Arrangement::Insets) {
        out.append(QRect(QPoint(), area));
        share = std::isfinite(share) ? std::clamp(share, kInsetShareMin, kInsetShareMax) : kInsetShare;
        int iw = std::max(1, int(w * share)), ih = std::max(1, int(h * share));
        if (std::isfinite(aspect) && aspect > 0) {
            // The picture's own shape: as tall as the share, as wide as it needs.
            iw = std::max(1, int(std::lround(ih * aspect)));
            const int widest = std::max(1, int(w * share * 1.5));
            if (iw > widest) {
                iw = widest;
                ih = std::max(1, int(std::lround(iw / aspect)));
            }
        }
        // Stacked from their corner; those that would run off the picture start a column
        // further in.
        const int perColumn = std::max(1, (h - kInsetMargin) / (ih + kInsetMargin));
        int stacked[4] = {0, 0, 0, 0};
        for (int i = 1; i < count; ++i) {
            const Corner c = i - 1 < corners.size() ? corners[i - 1] : BottomRight;
            const int k = stacked[c]++;
            const bool right = c == TopRight || c == BottomRight, bottom = c == BottomLeft || c == BottomRight;
            const int shift = (iw + kInsetMargin) * (k / perColumn);
            const int x = right ? w - kInsetMargin - iw - shift : kInsetMargin + shift;
            const int step = (ih + kInsetMargin) * (k % perColumn);
            const int y = bottom ? h - kInsetMargin - ih - step : kInsetMargin + step;
            out.append(QRect(x, y, iw, ih));
        }
        return out;
    }
    int columns = count, rows = 1;
    if (a == Arrangement::Grid && count >= 3) {
        columns = int(std::ceil(std::sqrt(double(count))));
        rows = (count + columns - 1) / columns;
    }
    for (int i = 0; i < count; ++i) {
        const int c = i % columns, r = i / columns;
        const int x0 = w * c / columns, x1 = w * (c + 1) / columns;
        const int y0 = h * r / rows, y1 = h * (r + 1) / rows;
        out.append(QRect(x0, y0, x1 - x0, y1 - y0));
    }
    return out;
}

ChannelRules::Click ChannelRules::clicked(Arrangement a, bool focused, int slot)
{
    if (a == Arrangement::Insets)
        return {false, slot > 0};
    if (focused && slot <= 0)
        return {false, false};   // the large picture: back to side by side or the grid
    return {true, slot > 0};
}

ChannelRules::Corner ChannelRules::cornerAt(QSize area, QPoint point)
{
    const bool right = point.x() * 2 >= area.width(), bottom = point.y() * 2 >= area.height();
    return bottom ? (right ? BottomRight : BottomLeft) : (right ? TopRight : TopLeft);
}

bool ChannelRules::onGrip(QRect rect, Corner c, QPoint point)
{
    const bool right = c == TopRight || c == BottomRight, bottom = c == BottomLeft || c == BottomRight;
    const QPoint inner(right ? rect.left() : rect.right(), bottom ? rect.top() : rect.bottom());
    return rect.contains(point) && std::abs(point.x() - inner.x()) < kGrip && std::abs(point.y() - inner.y()) < kGrip;
}

QPoint ChannelRules::fixedCorner(QRect rect, Corner c)
{
    const bool right = c == TopRight || c == BottomRight, bottom = c == BottomLeft || c == BottomRight;
    return {right ? rect.right() + 1 : rect.left(), bottom ? rect.bottom() + 1 : rect.top()};
}

double ChannelRules::shareAt(QSize area, QPoint fixed, QPoint point, double aspect)
{
    if (area.isEmpty())
        return kInsetShare;
    const double across = std::isfinite(aspect) && aspect > 0 ? area.height() * aspect : double(area.width());
    const double share = std::max(std::abs(point.x() - fixed.x()) / across,
                                  std::abs(point.y() - fixed.y()) / double(area.height()));
    return std::clamp(share, kInsetShareMin, kInsetShareMax);
}

QList<ChannelRules::CameraLane> ChannelRules::lanes(const QList<PartCameras> &parts)
{
    QList<char> channels;
    for (const PartCameras &part : parts)
        for (const Beside &c : part.cameras)
            if (!channels.contains(c.channel))
                channels.append(c.channel);
    std::stable_sort(channels.begin(), channels.end(),
                     [](char a, char b) { return ClipTime::channelRank(a) < ClipTime::channelRank(b); });
    QList<CameraLane> out;
    for (char channel : channels) {
        CameraLane lane{channel, {}};
        const auto addGap = [&lane](double start, double end) {
            // Within a millisecond counts as right after.
            if (!lane.gaps.isEmpty() && start <= lane.gaps.last().second + 0.001)
                lane.gaps.last().second = std::max(lane.gaps.last().second, end);
            else
                lane.gaps.append({start, end});
        };
        for (const PartCameras &part : parts) {
            if (!(part.duration > 0))
                continue;
            const auto has = std::find_if(part.cameras.begin(), part.cameras.end(),
                                          [channel](const Beside &c) { return c.channel == channel; });
            const double end = part.start + part.duration;
            if (has == part.cameras.end() || has->gap)
                addGap(part.start, end);
            else if (has->late > 0)
                addGap(part.start, std::min(end, part.start + has->late));
        }
        out.append(lane);
    }
    return out;
}

QString ChannelRules::laneLabel(char channel)
{
    switch (channel) {
    case 'F': return Localization::text("lane_front");
    case 'R': return Localization::text("lane_rear");
    case 'I': return Localization::text("lane_cabin");
    case ClipTime::kLeftRepeater: return Localization::text("lane_left_repeater");
    case ClipTime::kRightRepeater: return Localization::text("lane_right_repeater");
    case ClipTime::kLeftPillar: return Localization::text("lane_left_pillar");
    case ClipTime::kRightPillar: return Localization::text("lane_right_pillar");
    default: break;
    }
    return QString::fromStdString(ClipTime::channelName(channel));
}
