// The main window: sized to 0.7 of the screen and centred, not resizable; a change
// of full-screen mode lets the layout's dividers go.
#pragma once

#include <QMainWindow>

class AppDelegate;
class PaneLayout;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // Registers itself with `app` and puts the application's menus in its menu bar.
    explicit MainWindow(AppDelegate &app, QWidget *parent = nullptr);

    PaneLayout *paneLayout() const { return layout_; }

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
    void buildContent(AppDelegate &app);
    void fixSize();

    PaneLayout *layout_ = nullptr;
    bool wasFullScreen_ = false;
};
