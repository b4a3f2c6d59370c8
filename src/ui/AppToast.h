// Short messages that need no answer: one small window at a time that fades out
// over the given duration and closes. A request while a toast is up is dropped.
#pragma once

#include <QString>

class KTToastWindowController;

class AppToast {
public:
    AppToast() = delete;

    static void showToast(const QString &text, float duration);
    // YES while a toast is on screen.
    static bool winlock();
    // The toast on screen, or null.
    static KTToastWindowController *currentToast();

private:
    static void closeWin(KTToastWindowController *toast);
};
