// The route of one file as the map pages receive it: the points with a position
// fix, and the exact JSON and script texts handed to the page. Pure functions.
#pragma once

#include "GpsSample.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <string>

struct MapPoint {
    float lat = 0;
    float lng = 0;
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

    // "name(json)" with nothing else.
    static QString scriptCall(const char *function, const QString &json);
};
