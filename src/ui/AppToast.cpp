#include "ui/AppToast.h"

#include "ToastWindow.h"

#include <QApplication>
#include <QPropertyAnimation>
#include <QTimer>

AppToast::AppToast(QObject *parent) : QObject(parent) {}

AppToast::~AppToast()
{
    if (toast_)
        toast_->close();
}

ToastWindow *AppToast::currentToast() const
{
    return toast_.data();
}

void AppToast::showToast(const QString &text, float duration)
{
    if (winlock_)
        return;
    winlock_ = true;
    auto *toast = new ToastWindow(text);
    toast->duration = duration;
    toast_ = toast;
    lockHolder_ = toast;
    connect(toast, &ToastWindow::closed, this, [this, toast] { release(toast); });
    connect(toast, &QObject::destroyed, this, [this, toast] { release(toast); });
    QWidget *anchor = QApplication::activeWindow();
    toast->showCentred(anchor);

    const int ms = std::max(0, int(duration * 1000.0f));
    auto *timer = new QTimer(toast);
    timer->setObjectName(QStringLiteral("closeTimer"));
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, this, [this, toast] { closeWin(toast); });
    timer->start(ms);

    auto *fade = new QPropertyAnimation(toast, "windowOpacity", toast);
    fade->setDuration(ms);
    fade->setStartValue(1.0);
    fade->setEndValue(0.0);
    connect(fade, &QPropertyAnimation::finished, toast, [toast] { toast->setWindowOpacity(1.0); });
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}

void AppToast::replaceToast(const QString &text, float duration)
{
    if (toast_)
        closeWin(toast_);
    showToast(text, duration);
}

void AppToast::closeWin(ToastWindow *toast)
{
    if (toast)
        toast->close();
    release(toast);
}

void AppToast::release(const void *toast)
{
    if (toast != lockHolder_)
        return;
    lockHolder_ = nullptr;
    toast_ = nullptr;
    winlock_ = false;
}
