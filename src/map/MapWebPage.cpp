#include "MapWebPage.h"

#include <QDesktopServices>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcMapPage, "veltra.map.page", QtWarningMsg)

MapWebPage::MapWebPage(QObject *parent) : QWebEnginePage(parent) {}

bool MapWebPage::acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame)
{
    if (type == NavigationTypeLinkClicked) {
        const QString scheme = url.scheme();
        if (scheme == QLatin1String("https") || scheme == QLatin1String("http"))
            QDesktopServices::openUrl(url);
        return false;
    }
    return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
}

QWebEnginePage *MapWebPage::createWindow(WebWindowType)
{
    return nullptr;
}

void MapWebPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message, int line,
                                          const QString &source)
{
    // Quiet by default; QT_LOGGING_RULES="veltra.map.page.debug=true" shows the page's messages.
    if (level == ErrorMessageLevel)
        qCDebug(lcMapPage).noquote() << source << line << message;
    else
        qCDebug(lcMapPage).noquote() << message;
}

QByteArray MapWebPage::engineFlags(const QByteArray &flags, bool sandboxDisabled)
{
    const QList<QByteArray> words = flags.simplified().split(' ');
    const bool sandboxOff = sandboxDisabled || words.contains("--no-sandbox");
    if (!sandboxOff || words.contains("--no-zygote") || words.contains("--single-process"))
        return flags;
    return flags.isEmpty() ? QByteArray("--no-zygote") : flags + " --no-zygote";
}
