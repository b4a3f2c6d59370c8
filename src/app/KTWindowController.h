// The main window: sized to 0.7 of the screen and centred, not resizable; a change
// of full-screen mode lets the layout's dividers go.
#pragma once

#include <QMainWindow>

class AppDelegate;
class KTLayoutViewController;

class KTWindowController : public QMainWindow {
    Q_OBJECT
public:
    // Registers itself with `app` and puts the application's menus in its menu bar.
    explicit KTWindowController(AppDelegate &app, QWidget *parent = nullptr);

    KTLayoutViewController *layoutViewController() const { return layout_; }

    // Enters or leaves full screen (what a window's zoom button does on other desktops).
    void toggleFullScreen();
    void showWindow();

    static double winWidth;
    static double winHeight;

signals:
    void fullScreenChanged(bool fullScreen);

protected:
    void changeEvent(QEvent *event) override;

private:
    void windowDidLoad(AppDelegate &app);
    void fixSize();

    KTLayoutViewController *layout_ = nullptr;
    bool wasFullScreen_ = false;
};
