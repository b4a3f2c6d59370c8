#include "MapPageBridge.h"

#include <QFile>

#include <cmath>

MapPageBridge::MapPageBridge(DistanceHandler handler, QObject *parent) : QObject(parent), handler_(std::move(handler)) {}

QString MapPageBridge::installScript()
{
    static const QString script = [] {
        QFile channel(QStringLiteral(":/qtwebchannel/qwebchannel.js"));
        QString text;
        if (channel.open(QIODevice::ReadOnly))
            text = QString::fromUtf8(channel.readAll());
        text += QStringLiteral(R"JS(
;(function () {
    if (typeof QWebChannel === 'undefined' || typeof qt === 'undefined' || !qt.webChannelTransport)
        return;
    var pending = [];
    var bridge = null;
    window.cocoa_getDistance = function (metres) {
        var m = Number(metres);
        if (bridge) bridge.getDistance(m); else pending.push(m);
    };
    new QWebChannel(qt.webChannelTransport, function (channel) {
        bridge = channel.objects.cocoa;
        pending.forEach(function (m) { bridge.getDistance(m); });
        pending = [];
    });
})();
)JS");
        return text;
    }();
    return script;
}

void MapPageBridge::getDistance(double metres)
{
    // The page is not trusted to send a sane number.
    if (!std::isfinite(metres) || metres < 0)
        return;
    if (handler_)
        handler_(metres);
}
