#include "MainWindow.h"

#include "AppDelegate.h"
#include "PaneLayout.h"
#include "LayoutRules.h"
#include "common/Localization.h"
#include "player/PlayerView.h"
#include "ui/FullScreen.h"

#include <QGuiApplication>
#include <QScreen>
#include <QShortcut>

#include <utility>

double MainWindow::winWidth = 1280;
double MainWindow::winHeight = 760;

MainWindow::MainWindow(AppDelegate &app, QWidget *parent) : QMainWindow(parent)
{
    layout_ = new PaneLayout(app, this);
    setCentralWidget(layout_);
    connect(this, &MainWindow::fullScreenChanged, layout_, &PaneLayout::windowFullScreenChange);
    buildContent(app);

    // Space plays and pauses wherever the focus is in this window; a text field that
    // has the focus still types it (it claims printable keys first), and dialogs are
    // windows of their own.
    auto *space = new QShortcut(QKeySequence(Qt::Key_Space), this);
    space->setContext(Qt::WindowShortcut);
    space->setAutoRepeat(false);
    connect(space, &QShortcut::activated, this, [this] {
        if (layout_->playerView)
            layout_->playerView->execPlayOrPause();
    });

    // Page Down / Page Up jump to one second before the next / previous driving event.
    for (const auto &[key, next] : {std::pair{Qt::Key_PageDown, true}, std::pair{Qt::Key_PageUp, false}}) {
        auto *jump = new QShortcut(QKeySequence(key), this);
        jump->setContext(Qt::WindowShortcut);
        connect(jump, &QShortcut::activated, this, [this, next = next] {
            if (PlayerView *v = layout_->playerView)
                next ? v->nextEvent() : v->previousEvent();
        });
    }
}

void MainWindow::buildContent(AppDelegate &app)
{
    app.setMainWindow(this);
    app.buildMenus(menuBar());
    const QScreen *screen = QGuiApplication::primaryScreen();
    const QRect screenFrame = screen ? screen->geometry() : QRect(0, 0, 1828, 1085);
    const QRectF frame = LayoutRules::windowFrame(screenFrame.width(), screenFrame.height());
    winWidth = frame.width();
    winHeight = frame.height();
    setWindowTitle(QStringLiteral(" "));
    setWindowIconText(Localization::text("CFBundleDisplayName", "InfoPlist"));
    setGeometry(QRectF(frame.topLeft(), frame.size()).toRect());
    fixSize();

    // Escape enters and leaves full screen wherever the focus is in the window.
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, &MainWindow::toggleFullScreen);
}

void MainWindow::fixSize()
{
    setFixedSize(QSizeF(winWidth, winHeight).toSize());
}

void MainWindow::showWindow()
{
    show();
    raise();
    activateWindow();
}

void MainWindow::toggleFullScreen()
{
    FullScreen::toggle(this);
}

void MainWindow::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        const bool full = isFullScreen();
        // Full screen reached another way (the window manager's own key) lifts the
        // fixed size too; leaving it fixes the size again.
        if (full)
            FullScreen::liftLimits(this);
        else if (wasFullScreen_) {
            FullScreen::restoreLimits(this);
            fixSize();
        }
        if (full != wasFullScreen_) {
            wasFullScreen_ = full;
            emit fullScreenChanged(full);
        }
    } else if (event->type() == QEvent::LanguageChange) {
        setWindowIconText(Localization::text("CFBundleDisplayName", "InfoPlist"));
    }
}
