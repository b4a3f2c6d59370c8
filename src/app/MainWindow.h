// The main window: at first 0.7 of the screen and centred, then where and as large
// as the user left it (its dividers too); resizable down to a minimum that fits a
// small laptop's screen; a change of full-screen mode lets the layout's dividers go.
// Its title names the program and the clip playing.
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
    // Escape: hides what the player shows over its picture, else leaves full screen.
    void dismiss();
    void showWindow();

    static double winWidth;
    static double winHeight;
    // The smallest the window may be made.
    static constexpr QSize kMinimumSize{1000, 600};

    // "Veltra Player — 2026_1108_093000_001.MOV", or the program's name alone.
    static QString titleFor(const QString &programName, const QString &clipPath);

signals:
    void fullScreenChanged(bool fullScreen);

protected:
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    // Files and folders dropped anywhere on the window are opened as File ▸ Open does.
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void buildContent(AppDelegate &app);
    void updateTitle();
    void saveWindow();

    AppDelegate &app_;
    PaneLayout *layout_ = nullptr;
    bool wasFullScreen_ = false;
};
