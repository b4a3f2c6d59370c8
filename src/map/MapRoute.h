// The route of one file as the map pages receive it: the points with a position
// fix, and the exact JSON and script texts handed to the page. Pure functions.
#pragma once

#include "GpsSample.h"
#include "TelemetrySample.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <string>
#include <vector>

struct MapPoint {
    float lat = 0;
    float lng = 0;
};

// One clip's part of a trip's route: its points with a position fix, for each the
// sample it came from, and the points as the page's JSON list.
struct ClipTrack {
    QList<MapPoint> points;
    QList<int> samples;    // sample index of each point
    int sampleCount = 0;   // samples of the clip, with or without a fix
    QString json;          // [[lat,lng],...], the texts of pointArrayJson
    bool smooth = false;   // the points are smoothed
};

class MapRoute {
public:
    MapRoute() = delete;

    // Reads the leading decimal number of a coordinate text as single precision
    // (leading blanks and a sign allowed, the rest ignored); 0 when there is none
    // or when it is not finite.
    static float leadingFloat(const std::string &text);

    // The samples that carry a position (latitude and longitude both non-zero), in order.
    static QList<MapPoint> fromSamples(const QList<GpsSample> &samples);

    // A number as "%.17g" writes the single-precision value widened to double.
    static QString numberText(float value);

    // [lat,lng] and {"lat":lat,"lng":lng}, compact.
    static QString pointArrayJson(const MapPoint &p);
    static QString pointObjectJson(const MapPoint &p);

    // A list of point texts joined into a JSON list: "[]" when empty.
    static QString listJson(const QStringList &pointTexts);
    static QString routeArrayJson(const QList<MapPoint> &route);
    static QString routeObjectJson(const QList<MapPoint> &route);

    // The clip's track; pure, safe on any thread.
    static ClipTrack clipTrack(const QList<GpsSample> &samples);
    // The track through the typed samples at `positions` (the clip's route positions,
    // in order), smoothed when `smooth`.
    static ClipTrack clipTrack(const std::vector<TelemetrySample> &samples, const QList<int> &positions,
                               bool smooth = false);

    // A light smoothing of a route for the eye: each inner point moves towards its
    // neighbours (weights 1 2 1, twice over, so five points reach it), the ends stay,
    // and a point next to a jump of more than `breakMetres` (a gap in the recording)
    // is left where it is, so no corner is cut across the gap.
    static QList<MapPoint> smoothed(const QList<MapPoint> &points, double breakMetres = 200);

    // The page call that draws a trip: each clip's list in order (null or a clip
    // without points leaves a gap), `playing` the clip drawn as the playing one,
    // `fit` whether the view fits the whole trip.
    static QString tripScript(const QList<const ClipTrack *> &clips, int playing, bool fit);

    // "name(json)" with nothing else.
    static QString scriptCall(const char *function, const QString &json);
};
