// Short messages that need no answer: one small window at a time that fades out
// over the given duration and closes. A request while a toast is up is dropped; once the
// toast goes away, however that happens (its timer, closed by the window manager or the
// program, deleted), the next request shows again. The application makes one and
// connects the parts' requests for a message to it.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class ToastWindow;

class AppToast : public QObject {
    Q_OBJECT
public:
    explicit AppToast(QObject *parent = nullptr);
    // Closes the toast on screen.
    ~AppToast() override;

    // YES while a toast is on screen.
    bool winlock() const { return winlock_; }
    // The toast on screen, or null. Its child QTimer "closeTimer" closes it.
    ToastWindow *currentToast() const;

public slots:
    void showToast(const QString &text, float duration);
    // Closes the toast on screen, if any, and shows this one: for a value that a key
    // press after press keeps changing.
    void replaceToast(const QString &text, float duration);

private:
    void closeWin(ToastWindow *toast);
    // Lifts the lock held by `toast`; a toast that no longer holds it changes nothing.
    void release(const void *toast);

    bool winlock_ = false;
    QPointer<ToastWindow> toast_;
    const void *lockHolder_ = nullptr;   // the toast that set winlock_
};
