// The object the map page reaches over the web channel. Its one method carries
// the route length that the page measured; the page calls it through the global
// function "cocoa_getDistance".
#pragma once

#include <QObject>

#include <functional>

class MapPageBridge : public QObject {
    Q_OBJECT
public:
    using DistanceHandler = std::function<void(double metres)>;

    explicit MapPageBridge(DistanceHandler handler, QObject *parent = nullptr);

    // The script that defines "cocoa_getDistance" in the page. Calls made before the
    // channel is connected are kept and delivered once it is.
    static QString installScript();

    Q_INVOKABLE void getDistance(double metres);

private:
    DistanceHandler handler_;
};
