#include "FullScreen.h"

#include <QScreen>
#include <QVariant>
#include <QWidget>

namespace {
constexpr char kMin[] = "veltraNormalMinimumSize";
constexpr char kMax[] = "veltraNormalMaximumSize";
constexpr char kNormal[] = "veltraNormalGeometry";
} // namespace

namespace FullScreen {

void liftLimits(QWidget *window)
{
    // Lifted already (the window manager's full screen after toggle's): the limits kept
    // are the window's own, not what its layout asks for meanwhile.
    if (!window || window->property(kMin).isValid())
        return;
    const bool unlimited = window->minimumSize() == QSize(0, 0)
                           && window->maximumSize() == QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    if (unlimited)
        return;
    window->setProperty(kMin, window->minimumSize());
    window->setProperty(kMax, window->maximumSize());
    window->setMinimumSize(0, 0);
    window->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
}

void restoreLimits(QWidget *window)
{
    if (!window || !window->property(kMin).isValid())
        return;
    window->setMinimumSize(window->property(kMin).toSize());
    window->setMaximumSize(window->property(kMax).toSize());
    window->setProperty(kMin, QVariant());
    window->setProperty(kMax, QVariant());
}

void toggle(QWidget *window)
{
    if (!window)
        return;
    if (window->isFullScreen()) {
        window->showNormal();
        restoreLimits(window);
        if (window->property(kNormal).isValid())
            window->setGeometry(window->property(kNormal).toRect());
        window->setProperty(kNormal, QVariant());
    } else {
        liftLimits(window);
        // Once full screen before, the native window still reports the screen's size
        // and the widget would keep its normal size: give it the screen first.
        window->setProperty(kNormal, window->geometry());
        if (const QScreen *screen = window->screen())
            window->setGeometry(screen->geometry());
        window->showFullScreen();
    }
}

} // namespace FullScreen
