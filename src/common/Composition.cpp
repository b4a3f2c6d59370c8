#include "Composition.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

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

namespace {

// Each hardware decoder plugin, the device it needs and its decoders, best first.
struct Family {
    const char *plugin;
    const char *name;
    bool Machine::*device;
    const char *decoders;
};
const Family kFamilies[] = {
    {"va", "VA-API", &Machine::renderNode, "vah264dec,vah265dec,vavp9dec,vaav1dec,vavp8dec,vampeg2dec"},
    {"nvcodec", "NVDEC", &Machine::nvidia, "nvh264dec,nvh265dec,nvvp9dec,nvav1dec,nvh264sldec,nvh265sldec"},
    {"vaapi", "VA-API (vaapi)", &Machine::renderNode, "vaapih264dec,vaapih265dec,vaapivp9dec,vaapiav1dec"},
    {"v4l2codecs", "V4L2", &Machine::stateless, "v4l2slh264dec,v4l2slh265dec,v4l2slvp9dec"},
};

QByteArray ranked(const char *decoders, const char *rank)
{
    QByteArrayList out;
    for (const QByteArray &d : QByteArray(decoders).split(','))
        out << d + ':' + rank;
    return out.join(',');
}

} // namespace

Machine Machine::probe()
{
    Machine m;
    QStringList folders = qEnvironmentVariable("GST_PLUGIN_SYSTEM_PATH_1_0").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    folders << qEnvironmentVariable("GST_PLUGIN_PATH_1_0").split(QLatin1Char(':'), Qt::SkipEmptyParts)
            << QStringLiteral("/usr/lib/x86_64-linux-gnu/gstreamer-1.0") << QStringLiteral("/usr/lib/aarch64-linux-gnu/gstreamer-1.0")
            << QStringLiteral("/usr/lib/gstreamer-1.0");
    for (const Family &f : kFamilies)
        for (const QString &folder : std::as_const(folders))
            if (QFileInfo::exists(folder + QStringLiteral("/libgst%1.so").arg(QLatin1String(f.plugin)))) {
                m.plugins << QLatin1String(f.plugin);
                break;
            }
    m.renderNode = !QDir(QStringLiteral("/dev/dri")).entryList({QStringLiteral("renderD*")}, QDir::System).isEmpty();
    m.nvidia = QFileInfo::exists(QStringLiteral("/dev/nvidia0"));
    m.stateless = !QDir(QStringLiteral("/dev")).entryList({QStringLiteral("media*")}, QDir::System).isEmpty();
    return m;
}

Paths choosePaths(const Machine &machine, const QString &decoding, const QString &picture,
                  const std::function<QByteArray(const char *)> &env)
{
    Paths p;
    QStringList why;
    const Family *usable = nullptr;
    for (const Family &f : kFamilies)
        if (!usable && machine.plugins.contains(QLatin1String(f.plugin)) && machine.*(f.device))
            usable = &f;
    QByteArray ranks;
    if (decoding == QLatin1String("software")) {
        // Kept off by rank, so that GStreamer's choice cannot fall on one.
        for (const Family &f : kFamilies)
            if (machine.plugins.contains(QLatin1String(f.plugin)) && machine.*(f.device))
                ranks += (ranks.isEmpty() ? "" : ",") + ranked(f.decoders, "NONE");
        why << QStringLiteral("as asked");
    } else if (usable) {
        p.decoder = QLatin1String(usable->plugin);
        ranks = ranked(usable->decoders, "MAX");
    } else {
        why << (decoding == QLatin1String("hardware") ? QStringLiteral("hardware decoding was asked for, but no decoder "
                                                                       "plugin has its device here")
                                                      : QStringLiteral("no hardware decoder with its device"));
    }
    p.ranks = ranks;

    const bool gpu = machine.renderNode || machine.nvidia;
    const QByteArray quick = env("QT_QUICK_BACKEND");
    if (picture == QLatin1String("opengl")) {
        p.openGl = true;
    } else if (picture != QLatin1String("cpu") && gpu && quick.isNull()) {
        p.openGl = true;
    } else if (picture != QLatin1String("cpu") && !quick.isEmpty() && quick != "software") {
        p.openGl = true;   // the user's own scene graph setting
    }
    if (p.openGl && (quick.isEmpty() || quick == "software"))
        p.set.append({QByteArray("QT_QUICK_BACKEND"), QByteArray("opengl")});
    if (!p.openGl)
        why << (picture == QLatin1String("cpu") ? QStringLiteral("the picture on the CPU as asked")
                                                : QStringLiteral("no GPU for OpenGL"));

    p.said = QStringLiteral("decoding %1, picture composed %2")
                 .arg(usable && decoding != QLatin1String("software")
                          ? QStringLiteral("with %1").arg(QLatin1String(usable->name))
                          : QStringLiteral("in software"),
                      p.openGl ? QStringLiteral("through OpenGL") : QStringLiteral("on the CPU"));
    if (!why.isEmpty())
        p.said += QStringLiteral(" (%1)").arg(why.join(QStringLiteral("; ")));
    return p;
}

QByteArray apply(const QString &decoding, const QString &picture)
{
    const auto env = [](const char *name) { return qEnvironmentVariableIsSet(name) ? qgetenv(name) : QByteArray(); };
    const Paths paths = choosePaths(Machine::probe(), decoding, picture, env);
    for (const auto &[name, value] : paths.set)
        qputenv(name.constData(), value);
    std::fprintf(stderr, "veltra-player: %s\n", qPrintable(paths.said));

    const Choice choice = choose(env);
    if (!choice.warning.isEmpty())
        std::fprintf(stderr, "veltra-player: %s\n", qPrintable(choice.warning));
    for (const auto &[name, value] : choice.set)
        qputenv(name.constData(), value);
    if (choice.shareOpenGl)
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    if (qgetenv("QT_XCB_GL_INTEGRATION") == "none" && !forward)
        forward = qInstallMessageHandler(withoutOpenGlWarning);
    return paths.ranks;
}

} // namespace Composition
