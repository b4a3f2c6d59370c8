// veltra-player: the window. Files given on the command line (or handed over by
// the desktop's "Open with") are opened as the menu's open does. While one window
// runs, a second start hands its command line to it over the session bus and ends.
#include "AppDelegate.h"
#include "AppLanguageManager.h"
#include "MainWindow.h"
#include "MprisService.h"
#include "common/Composition.h"
#include "common/Localization.h"
#include "common/Settings.h"
#include "map/MapTileServer.h"
#include "map/MapWebPage.h"
#include "media/GstSetup.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QIcon>
#include <QSocketNotifier>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <memory>
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

void describeApplication(QCoreApplication &app)
{
    app.setOrganizationName(QStringLiteral("Veltra"));
    app.setApplicationName(QStringLiteral("Veltra Player"));
    app.setApplicationVersion(QStringLiteral(VELTRA_VERSION));
}

void describeOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QStringLiteral(
        "Plays dash camera video with its route on a map, the speed and the G-sensor.\n"
        "While a window runs, a second start hands its files and options to that window and ends.\n"
        "The running window answers remote control (MPRIS) as org.mpris.MediaPlayer2.veltra."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({QStringLiteral("start-at"), QStringLiteral("Start the first file at SECONDS."),
                      QStringLiteral("SECONDS")});
    parser.addOption({QStringLiteral("fullscreen"), QStringLiteral("Open the window in full screen.")});
    parser.addOption({QStringLiteral("decoding"),
                      QStringLiteral("Decode video in 'software' or with the 'hardware' decoder GStreamer has "
                                     "here; 'auto' (the default) takes the hardware where it is present."),
                      QStringLiteral("auto|software|hardware")});
    parser.addOption({QStringLiteral("picture"),
                      QStringLiteral("Compose the picture on the 'cpu' or through 'opengl'; 'auto' (the default) "
                                     "takes OpenGL where there is a GPU."),
                      QStringLiteral("auto|cpu|opengl")});
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("Video files (paths or file: URLs) to add to the play list; "
                                                "the first one plays."),
                                 QStringLiteral("[FILE...]"));
}

// Reads the command line; false with `error` set when it cannot be used.
bool readCommandLine(QCommandLineParser &parser, const QStringList &args, MprisRules::OpenRequest *out,
                     QString *error)
{
    if (!parser.parse(args)) {
        *error = parser.errorText();
        return false;
    }
    if (parser.isSet(QStringLiteral("start-at"))) {
        bool ok = false;
        out->startAt = parser.value(QStringLiteral("start-at")).toDouble(&ok);
        if (!ok || !std::isfinite(out->startAt) || out->startAt < 0) {
            *error = QStringLiteral("--start-at needs a number of seconds, not '%1'")
                         .arg(parser.value(QStringLiteral("start-at")));
            return false;
        }
    }
    out->fullScreen = parser.isSet(QStringLiteral("fullscreen"));
    for (const auto &[option, allowed] : {std::pair<QString, QStringList>{QStringLiteral("decoding"),
                                                                          {"auto", "software", "hardware"}},
                                          {QStringLiteral("picture"), {"auto", "cpu", "opengl"}}})
        if (parser.isSet(option) && !allowed.contains(parser.value(option))) {
            *error = QStringLiteral("--%1 takes %2, not '%3'").arg(option, allowed.join(QLatin1Char('|')), parser.value(option));
            return false;
        }
    for (const QString &a : parser.positionalArguments()) {
        if (a.startsWith(QLatin1String("file:")))
            out->files << QUrl(a);
        else
            out->files << QUrl::fromLocalFile(QFileInfo(a).absoluteFilePath());
    }
    return true;
}

bool asksForHelpOrVersion(const QStringList &args)
{
    for (const QString &a : args.mid(1)) {
        if (a == QLatin1String("--"))
            break;
        if (a == QLatin1String("-h") || a == QLatin1String("--help") || a == QLatin1String("--help-all") ||
            a == QLatin1String("-?") || a == QLatin1String("-v") || a == QLatin1String("--version"))
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    // The command line is read before any window exists, so that --help, --version and
    // mistakes are answered on the console without a display.
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (asksForHelpOrVersion(args)) {
        QCoreApplication console(argc, argv);
        describeApplication(console);
        QCoreApplication::setApplicationName(QStringLiteral("veltra-player"));
        QCommandLineParser parser;
        describeOptions(parser);
        parser.process(console);   // prints and ends the program
        return 0;
    }
    MprisRules::OpenRequest commandLine;
    QString decoding, picture;
    {
        QCommandLineParser parser;
        describeOptions(parser);
        QString error;
        if (!readCommandLine(parser, args, &commandLine, &error)) {
            std::fprintf(stderr, "veltra-player: %s\nTry 'veltra-player --help' for more information.\n",
                         qPrintable(error));
            return 2;
        }
        decoding = parser.value(QStringLiteral("decoding"));
        picture = parser.value(QStringLiteral("picture"));
    }

    // The decoders are ranked in this process before the engine starts.
    GstSetup::ensure(Composition::apply(decoding, picture));
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS",
            MapWebPage::engineFlags(qgetenv("QTWEBENGINE_CHROMIUM_FLAGS"),
                                    qEnvironmentVariableIntValue("QTWEBENGINE_DISABLE_SANDBOX") != 0));
    MapTileServer::registerUrlScheme();
    QApplication app(argc, argv);
    describeApplication(app);

    QString handOverError;
    if (MprisService::handOverToRunningInstance(commandLine, &handOverError)) {
        if (handOverError.isEmpty())
            return 0;
        std::fprintf(stderr, "veltra-player: %s\n", qPrintable(handOverError));
        return 1;
    }

    QApplication::setDesktopFileName(QStringLiteral("veltra-player"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/images/veltra-player.svg")));
    quitOnSignals(app);

    // The one settings object of the run: the delegate and the window hand it to the parts.
    Settings settings;
    Localization::install(AppLanguageManager::initUserLanguage(settings));

    AppDelegate delegate(settings);
    MainWindow window(delegate);
    window.show();
    delegate.finishStartup();

    MprisService remote(&delegate);
    remote.registerOnSessionBus();

    QTimer::singleShot(0, &delegate, [&delegate, commandLine] { MprisService::open(&delegate, commandLine); });

    const int status = app.exec();
    return status;
}
