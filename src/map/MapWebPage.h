// The web page of the map view: links in the map (attribution, the library's own)
// open in the user's browser instead of replacing the map, and pop-ups are refused.
#pragma once

#include <QWebEnginePage>

class MapWebPage : public QWebEnginePage {
    Q_OBJECT
public:
    explicit MapWebPage(QObject *parent = nullptr);

    // The web engine's command-line flags for the program: `flags` as the user set
    // them, with the zygote process left out where the sandbox is off anyway (as root,
    // or by the user's choice), which spares the memory of two idle processes. With
    // the sandbox on, the flags stay as they are: it needs the zygote.
    static QByteArray engineFlags(const QByteArray &flags, bool sandboxDisabled);

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage *createWindow(WebWindowType type) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message, int line,
                                  const QString &source) override;
};
