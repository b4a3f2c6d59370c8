// The toast's window: a frameless, rounded dark label with one line of plain text,
// shown over the active window without taking focus from it.
#pragma once

#include <QWidget>

class QLabel;

class ToastWindow : public QWidget {
    Q_OBJECT
public:
    explicit ToastWindow(const QString &text, QWidget *anchor = nullptr);

    QString text() const { return text_; }
    float duration = 0.0f;
    QLabel *textLabel = nullptr;

    // Shows the window centred over `anchor` (or the screen) in the lower third.
    void showCentred(QWidget *anchor);

signals:
    // The window has been closed (by its timer, the window manager or the program); it is
    // deleted on close.
    void closed();

protected:
    void paintEvent(QPaintEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    QString text_;
};
