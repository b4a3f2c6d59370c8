#include "ui/AppToast.h"

#include "KTToastWindowController.h"

#include <QApplication>
#include <QPointer>
#include <QPropertyAnimation>
#include <QTimer>

static bool g_winlock = false;
static QPointer<KTToastWindowController> g_toast;
static const void *g_lockHolder = nullptr;   // the toast that set g_winlock

bool AppToast::winlock()
{
    return g_winlock;
}

KTToastWindowController *AppToast::currentToast()
{
    return g_toast.data();
}

void AppToast::showToast(const QString &text, float duration)
{
    if (g_winlock)
        return;
    g_winlock = true;
    auto *toast = new KTToastWindowController(text);
    toast->duration = duration;
    g_toast = toast;
    g_lockHolder = toast;
    QObject::connect(toast, &KTToastWindowController::closed, [toast] { release(toast); });
    QObject::connect(toast, &QObject::destroyed, [toast] { release(toast); });
    QWidget *anchor = QApplication::activeWindow();
    toast->showCentred(anchor);

    const int ms = std::max(0, int(duration * 1000.0f));
    auto *timer = new QTimer(toast);
    timer->setObjectName(QStringLiteral("closeTimer"));
    timer->setSingleShot(true);
    QObject::connect(timer, &QTimer::timeout, toast, [toast] { closeWin(toast); });
    timer->start(ms);

    auto *fade = new QPropertyAnimation(toast, "windowOpacity", toast);
    fade->setDuration(ms);
    fade->setStartValue(1.0);
    fade->setEndValue(0.0);
    QObject::connect(fade, &QPropertyAnimation::finished, toast, [toast] { toast->setWindowOpacity(1.0); });
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}

void AppToast::closeWin(KTToastWindowController *toast)
{
    if (toast)
        toast->close();
    release(toast);
}

void AppToast::release(const void *toast)
{
    if (toast != g_lockHolder)
        return;
    g_lockHolder = nullptr;
    g_toast = nullptr;
    g_winlock = false;
}
