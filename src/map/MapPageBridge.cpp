#include "MapPageBridge.h"

#include <QFile>

#include <cmath>

MapPageBridge::MapPageBridge(DistanceHandler distance, ReadyHandler ready, QObject *parent)
    : QObject(parent), distance_(std::move(distance)), ready_(std::move(ready))
{
}

QString MapPageBridge::installScript()
{
    static const QString script = [] {
        QFile channel(QStringLiteral(":/qtwebchannel/qwebchannel.js"));
        QString text;
        if (channel.open(QIODevice::ReadOnly))
            text = QString::fromUtf8(channel.readAll());
        text += QStringLiteral(R"JS(
;(function () {
    if (window.cocoa_getDistance || typeof QWebChannel === 'undefined' || typeof qt === 'undefined' ||
        !qt.webChannelTransport)
        return;
    var pending = [];
    var bridge = null;
    // Each length goes with the route it was measured on, so that a late answer
    // about a route that has since been replaced can be told apart.
    window.cocoa_getDistance = function (metres) {
        var report = [Number(metres), typeof window.veltraRoute === 'number' ? window.veltraRoute : -1];
        if (bridge) bridge.getDistance(report[0], report[1]); else pending.push(report);
    };
    window.cocoa_routeClicked = function (clip, point) {
        var drawing = typeof window.veltraDrawing === 'number' ? window.veltraDrawing : -1;
        if (bridge) bridge.routeClicked(Number(clip), Number(point), drawing);
    };
    new QWebChannel(qt.webChannelTransport, function (channel) {
        bridge = channel.objects.cocoa;
        pending.forEach(function (r) { bridge.getDistance(r[0], r[1]); });
        pending = [];
        if (window.mapState && window.mapState.ready)
            bridge.pageReady(String(window.mapState.page));
    });
})();
)JS");
        return text;
    }();
    return script;
}

void MapPageBridge::getDistance(double metres, double route)
{
    // The page is not trusted to send a sane number.
    if (!std::isfinite(metres) || metres < 0)
        return;
    if (distance_)
        distance_(metres, route);
}

void MapPageBridge::pageReady(const QString &page)
{
    if (ready_)
        ready_(page);
}

void MapPageBridge::routeClicked(double clip, double point, double drawing)
{
    const auto whole = [](double v) { return std::isfinite(v) && v >= 0 && v < 1e9 && v == std::floor(v); };
    if (!whole(clip) || !whole(point) || !whole(drawing))
        return;
    if (click_)
        click_(int(clip), int(point), int(drawing));
}
