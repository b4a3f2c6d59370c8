// The object the map page reaches over the web channel: the route length that the
// page measured (the page calls it through the global function "cocoa_getDistance"),
// the word that a freshly loaded page is ready for its route, and clicks on the
// route (the page calls "cocoa_routeClicked").
#pragma once

#include <QObject>
#include <QString>

#include <functional>

class MapPageBridge : public QObject {
    Q_OBJECT
public:
    using DistanceHandler = std::function<void(double metres, double route)>;
    using ReadyHandler = std::function<void(const QString &page)>;
    using ClickHandler = std::function<void(int clip, int point, int drawing)>;

    MapPageBridge(DistanceHandler distance, ReadyHandler ready, QObject *parent = nullptr);

    // The script that defines "cocoa_getDistance" in the page, once per document.
    // Calls made before the channel is connected are kept and delivered once it is;
    // then the page says it is ready ("street" or "google").
    static QString installScript();

    // `route` is the number of the route the page had been given when it measured.
    Q_INVOKABLE void getDistance(double metres, double route);
    Q_INVOKABLE void pageReady(const QString &page);
    // A click on point `point` of clip `clip` of drawing number `drawing`.
    Q_INVOKABLE void routeClicked(double clip, double point, double drawing);

    void setClickHandler(ClickHandler click) { click_ = std::move(click); }

private:
    DistanceHandler distance_;
    ReadyHandler ready_;
    ClickHandler click_;
};
