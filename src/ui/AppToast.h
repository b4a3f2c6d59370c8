// Short messages that need no answer: one small window at a time that fades out
// over the given duration and closes. A request while a toast is up is dropped; once the
// toast goes away, however that happens (its timer, closed by the window manager or the
// program, deleted), the next request shows again.
#pragma once

#include <QString>

class KTToastWindowController;

class AppToast {
public:
    AppToast() = delete;

    static void showToast(const QString &text, float duration);
    // YES while a toast is on screen.
    static bool winlock();
    // The toast on screen, or null. Its child QTimer "closeTimer" closes it.
    static KTToastWindowController *currentToast();

private:
    static void closeWin(KTToastWindowController *toast);
    // Lifts the lock held by `toast`; a toast that no longer holds it changes nothing.
    static void release(const void *toast);
};
