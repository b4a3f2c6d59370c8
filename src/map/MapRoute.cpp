#include "MapRoute.h"

#include "GpsGlitches.h"

#include <charconv>
#include <cmath>

float MapRoute::leadingFloat(const std::string &text)
{
    const char *p = text.data();
    const char *end = p + text.size();
    while (p < end && (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r'))
        ++p;
    if (p < end && *p == '+')
        ++p;
    // from_chars would accept "inf" and "nan"; a coordinate text never means those.
    const char *digits = (p < end && *p == '-') ? p + 1 : p;
    if (digits >= end || !((*digits >= '0' && *digits <= '9') || *digits == '.'))
        return 0.0f;
    double value = 0;
    const auto result = std::from_chars(p, end, value, std::chars_format::general);
    if (result.ec != std::errc() || !std::isfinite(value))
        return 0.0f;
    const float f = float(value);
    return std::isfinite(f) ? f : 0.0f;
}

QList<MapPoint> MapRoute::fromSamples(const QList<GpsSample> &samples)
{
    return clipTrack(samples).points;
}

ClipTrack MapRoute::clipTrack(const QList<GpsSample> &samples)
{
    ClipTrack track;
    track.sampleCount = int(samples.size());
    track.points.reserve(samples.size());
    track.samples.reserve(samples.size());
    QStringList texts;
    texts.reserve(samples.size());
    for (int i = 0; i < samples.size(); ++i) {
        const float lat = leadingFloat(samples[i].gps_lat);
        const float lng = leadingFloat(samples[i].gps_lgt);
        if (lat == 0.0f || lng == 0.0f)
            continue;
        track.points.append({lat, lng});
        track.samples.append(i);
        texts << pointArrayJson(track.points.constLast());
    }
    track.json = listJson(texts);
    return track;
}

ClipTrack MapRoute::clipTrack(const std::vector<TelemetrySample> &samples, const QList<int> &positions, bool smooth)
{
    ClipTrack track;
    track.sampleCount = int(samples.size());
    track.smooth = smooth;
    track.points.reserve(positions.size());
    track.samples.reserve(positions.size());
    for (const int i : positions) {
        if (i < 0 || size_t(i) >= samples.size())
            continue;
        track.points.append({samples[size_t(i)].latitude, samples[size_t(i)].longitude});
        track.samples.append(i);
    }
    if (smooth)
        track.points = smoothed(track.points);
    QStringList texts;
    texts.reserve(track.points.size());
    for (const MapPoint &p : track.points)
        texts << pointArrayJson(p);
    track.json = listJson(texts);
    return track;
}

QList<MapPoint> MapRoute::smoothed(const QList<MapPoint> &points, double breakMetres)
{
    const qsizetype n = points.size();
    // Whether the step from point k to k + 1 is a gap rather than driving.
    QList<bool> gapAfter(n, false);
    for (qsizetype k = 0; k + 1 < n; ++k)
        gapAfter[k] = GpsGlitches::metres(points[k].lat, points[k].lng, points[k + 1].lat, points[k + 1].lng) > breakMetres;
    QList<MapPoint> out = points;
    for (int pass = 0; pass < 2; ++pass) {
        const QList<MapPoint> in = out;
        for (qsizetype k = 1; k + 1 < n; ++k) {
            if (gapAfter[k - 1] || gapAfter[k])
                continue;
            out[k].lat = (in[k - 1].lat + 2 * in[k].lat + in[k + 1].lat) / 4;
            out[k].lng = (in[k - 1].lng + 2 * in[k].lng + in[k + 1].lng) / 4;
        }
    }
    return out;
}

QString MapRoute::tripScript(const QList<const ClipTrack *> &clips, int playing, bool fit)
{
    qsizetype length = 64;
    for (const ClipTrack *c : clips)
        length += c ? c->json.size() + 1 : 3;
    QString script;
    script.reserve(length);
    script += QLatin1String("drawTrip([");
    for (int k = 0; k < clips.size(); ++k) {
        if (k)
            script += QLatin1Char(',');
        script += clips[k] ? clips[k]->json : QStringLiteral("[]");
    }
    script += QLatin1String("],") + QString::number(playing) + QLatin1Char(',') +
              QLatin1String(fit ? "true" : "false") + QLatin1Char(')');
    return script;
}

QString MapRoute::numberText(float value)
{
    // to_chars is locale-independent, unlike printf, and general format with
    // precision 17 is exactly what "%.17g" writes.
    char buf[64];
    const auto result = std::to_chars(buf, buf + sizeof buf, double(value), std::chars_format::general, 17);
    if (result.ec != std::errc())
        return QStringLiteral("0");
    return QString::fromLatin1(buf, int(result.ptr - buf));
}

QString MapRoute::pointArrayJson(const MapPoint &p)
{
    return QLatin1Char('[') + numberText(p.lat) + QLatin1Char(',') + numberText(p.lng) + QLatin1Char(']');
}

QString MapRoute::pointObjectJson(const MapPoint &p)
{
    return QLatin1String("{\"lat\":") + numberText(p.lat) + QLatin1String(",\"lng\":") + numberText(p.lng) +
           QLatin1Char('}');
}

QString MapRoute::listJson(const QStringList &pointTexts)
{
    return QLatin1Char('[') + pointTexts.join(QLatin1Char(',')) + QLatin1Char(']');
}

QString MapRoute::routeArrayJson(const QList<MapPoint> &route)
{
    QStringList texts;
    texts.reserve(route.size());
    for (const MapPoint &p : route)
        texts << pointArrayJson(p);
    return listJson(texts);
}

QString MapRoute::routeObjectJson(const QList<MapPoint> &route)
{
    QStringList texts;
    texts.reserve(route.size());
    for (const MapPoint &p : route)
        texts << pointObjectJson(p);
    return listJson(texts);
}

QString MapRoute::scriptCall(const char *function, const QString &json)
{
    return QLatin1String(function) + QLatin1Char('(') + json + QLatin1Char(')');
}
