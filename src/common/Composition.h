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

// Chooses for this process's environment and applies the choice.
void apply();

} // namespace Composition
