// The web page of the map view: links in the map (attribution, the library's own)
// open in the user's browser instead of replacing the map, and pop-ups are refused.
#pragma once

#include <QWebEnginePage>

class MapWebPage : public QWebEnginePage {
    Q_OBJECT
public:
    explicit MapWebPage(QObject *parent = nullptr);

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage *createWindow(WebWindowType type) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message, int line,
                                  const QString &source) override;
};
