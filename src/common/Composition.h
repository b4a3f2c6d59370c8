// How the window is drawn, settled before the application object exists. By default
// nothing in it uses OpenGL: the video draws itself, the widgets paint on the CPU,
// and the map's web view composes through Qt Quick's software renderer. OpenGL is
// then not even loaded, which keeps the driver and its compiler out of memory. A
// user who asks for a GPU scene graph (QT_QUICK_BACKEND) gets the OpenGL path, where
// the widgets must compose through OpenGL too.
#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <functional>

namespace Composition {

struct Choice {
    // Variables to set, in order.
    QList<QPair<QByteArray, QByteArray>> set;
    // Whether OpenGL contexts are shared (the web view wants that on the OpenGL path).
    bool shareOpenGl = false;
    // Said once on the console when the environment asks for something that cannot be.
    QString warning;
};

// The choice for an environment; `env` gives a variable's value, or a null array
// when the variable is not set.
Choice choose(const std::function<QByteArray(const char *)> &env);

// What this machine has for decoding and drawing video: GStreamer's hardware decoder
// plugins installed ("va", "vaapi", "nvcodec", "v4l2codecs") and the devices they need.
struct Machine {
    QStringList plugins;
    bool renderNode = false;     // /dev/dri/renderD*: a GPU with VA-API or OpenGL
    bool nvidia = false;         // /dev/nvidia0
    bool stateless = false;      // /dev/media*: a stateless V4L2 decoder
    static Machine probe();
};

// The decoder and the drawing path: hardware decoding where a decoder plugin has its
// device, OpenGL composition where there is a GPU to run it, the CPU otherwise; either
// forced by the user ("software"/"hardware", "cpu"/"opengl"; empty or "auto" chooses).
// The CPU choice on a machine without hardware sets nothing at all.
struct Paths {
    QString decoder;   // the plugin decoding, empty for software
    bool openGl = false;
    // The decoders' ranks for the media engine to set in-process ("vah264dec:MAX,…");
    // it applies the user's own GST_PLUGIN_FEATURE_RANK after them.
    QByteArray ranks;
    QList<QPair<QByteArray, QByteArray>> set;   // environment variables
    QString said;      // one line for the console: what was chosen and why
};
Paths choosePaths(const Machine &machine, const QString &decoding, const QString &picture,
                  const std::function<QByteArray(const char *)> &env);

// Chooses the paths for this machine (as forced) and then the composition for this
// process's environment, and applies both; the paths' line is printed once. Returns
// the decoders' ranks for the media engine (Paths::ranks).
QByteArray apply(const QString &decoding = {}, const QString &picture = {});

} // namespace Composition
