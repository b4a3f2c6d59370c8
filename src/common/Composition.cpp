#include "Composition.h"

#include <QCoreApplication>

#include <cstdio>

namespace Composition {

namespace {

QtMessageHandler forward = nullptr;

// Without OpenGL loaded, the web engine's start still asks for an OpenGL context
// that nothing uses, and Qt warns that it cannot make one. Only that line is dropped.
void withoutOpenGlWarning(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtWarningMsg && message.startsWith(QLatin1String("QXcbIntegration: Cannot create platform OpenGL")))
        return;
    if (forward)
        forward(type, context, message);
}

} // namespace

Choice choose(const std::function<QByteArray(const char *)> &env)
{
    Choice choice;
    const QByteArray quick = env("QT_QUICK_BACKEND");
    const QByteArray widgets = env("QT_WIDGETS_RHI");
    if (quick.isEmpty() || quick == "software") {
        if (quick.isEmpty())
            choice.set.append({QByteArray("QT_QUICK_BACKEND"), QByteArray("software")});
        // Widgets composed through OpenGL on request still get it.
        if (widgets.toInt() == 0 && env("QT_XCB_GL_INTEGRATION").isNull())
            choice.set.append({QByteArray("QT_XCB_GL_INTEGRATION"), QByteArray("none")});
        return choice;
    }
    // The web view composes through OpenGL: the widgets must too, or X servers
    // without a compositor show them black. Qt 6.4 cannot run the window that way
    // with the widgets' composition off (the web view reparents its native view while
    // the split views move it, and a window container then reaches a destroyed window).
    choice.shareOpenGl = true;
    if (!widgets.isNull() && widgets.toInt() == 0)
        choice.warning = QStringLiteral("QT_WIDGETS_RHI=%1 is ignored: with QT_QUICK_BACKEND=%2 the map needs it on")
                             .arg(QString::fromLocal8Bit(widgets), QString::fromLocal8Bit(quick));
    if (widgets.toInt() == 0) {
        choice.set.append({QByteArray("QT_WIDGETS_RHI"), QByteArray("1")});
        if (env("QT_WIDGETS_RHI_BACKEND").isEmpty())
            choice.set.append({QByteArray("QT_WIDGETS_RHI_BACKEND"), QByteArray("opengl")});
    }
    return choice;
}

void apply()
{
    const Choice choice = choose([](const char *name) {
        return qEnvironmentVariableIsSet(name) ? qgetenv(name) : QByteArray();
    });
    if (!choice.warning.isEmpty())
        std::fprintf(stderr, "veltra-player: %s\n", qPrintable(choice.warning));
    for (const auto &[name, value] : choice.set)
        qputenv(name.constData(), value);
    if (choice.shareOpenGl)
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    if (qgetenv("QT_XCB_GL_INTEGRATION") == "none" && !forward)
        forward = qInstallMessageHandler(withoutOpenGlWarning);
}

} // namespace Composition
