// veltra-player: the window. Files given on the command line (or handed over by
// the desktop's "Open with") are opened as the menu's open does.
#include "AppDelegate.h"
#include "AppLanguageManager.h"
#include "KTWindowController.h"
#include "common/Localization.h"
#include "map/MapTileServer.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QSocketNotifier>
#include <QTimer>
#include <QUrl>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_signalFds[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalFds[1], &byte, 1);
}

// SIGTERM and SIGINT end the program the normal way, so the player shuts down cleanly.
void quitOnSignals(QApplication &app)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalFds) != 0)
        return;
    auto *notifier = new QSocketNotifier(g_signalFds[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [] {
        char byte;
        [[maybe_unused]] const ssize_t n = ::read(g_signalFds[0], &byte, 1);
        QApplication::closeAllWindows();
        QApplication::quit();
    });
    struct sigaction sa = {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
}

QList<QUrl> fileArguments(const QStringList &args)
{
    QList<QUrl> urls;
    for (const QString &a : args.mid(1)) {
        if (a.startsWith(QLatin1String("file:")))
            urls << QUrl(a);
        else if (!a.startsWith(QLatin1Char('-')))
            urls << QUrl::fromLocalFile(QFileInfo(a).absoluteFilePath());
    }
    return urls;
}

} // namespace

int main(int argc, char *argv[])
{
    // The map's web view and the video window compose through OpenGL; with the widgets
    // composed the same way the whole window draws (without it, X servers without a
    // compositor show the raster parts black). Qt 6.4 cannot run this window with the
    // widgets' composition turned off: the web view reparents its native view while the
    // split views move it, and QWindowContainer then reaches a window already destroyed.
    if (qEnvironmentVariableIsSet("QT_WIDGETS_RHI") && qEnvironmentVariableIntValue("QT_WIDGETS_RHI") == 0)
        std::fprintf(stderr, "veltra-player: QT_WIDGETS_RHI=%s is ignored: the map and the video need it on\n",
                     qgetenv("QT_WIDGETS_RHI").constData());
    if (qEnvironmentVariableIntValue("QT_WIDGETS_RHI") == 0) {
        qputenv("QT_WIDGETS_RHI", "1");
        if (qEnvironmentVariableIsEmpty("QT_WIDGETS_RHI_BACKEND"))
            qputenv("QT_WIDGETS_RHI_BACKEND", "opengl");
    }
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    MapTileServer::registerUrlScheme();
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Veltra"));
    QApplication::setApplicationName(QStringLiteral("Veltra Player"));
    QApplication::setApplicationVersion(QStringLiteral(VELTRA_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("veltra-player"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/images/veltra-player.svg")));
    quitOnSignals(app);

    Localization::install(AppLanguageManager::initUserLanguage());

    AppDelegate delegate;
    KTWindowController window;
    window.show();
    delegate.applicationDidFinishLaunching();

    const QList<QUrl> files = fileArguments(QApplication::arguments());
    if (!files.isEmpty())
        QTimer::singleShot(0, &delegate, [&delegate, files] { delegate.openUrls(files); });

    const int status = app.exec();
    return status;
}
