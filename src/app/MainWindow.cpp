#include "MainWindow.h"

#include "AppDelegate.h"
#include "PaneLayout.h"
#include "LayoutRules.h"
#include "common/Localization.h"
#include "common/Settings.h"
#include "media/MediaEngine.h"
#include "player/PlayerView.h"
#include "ui/FullScreen.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QShortcut>

#include <utility>

double MainWindow::winWidth = 1280;
double MainWindow::winHeight = 760;

MainWindow::MainWindow(AppDelegate &app, QWidget *parent) : QMainWindow(parent), app_(app)
{
    layout_ = new PaneLayout(app, this);
    setCentralWidget(layout_);
    setAcceptDrops(true);
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
    setWindowIconText(Localization::text("CFBundleDisplayName", "InfoPlist"));
    updateTitle();
    setMinimumSize(kMinimumSize);
    // Where the user left the window, when that still fits a screen; else the first frame.
    const QByteArray saved = app.settings().windowGeometry();
    if (saved.isEmpty() || !restoreGeometry(saved))
        setGeometry(QRectF(frame.topLeft(), frame.size()).toRect());
    layout_->restoreDividers(app.settings().windowDividers());
    if (PlayerView *v = layout_->playerView) {
        connect(v, &PlayerView::setUpFinished, this, &MainWindow::updateTitle);
        connect(v->engine(), &MediaEngine::durationChanged, this, &MainWindow::updateTitle);
    }

    // Escape dismisses what the player shows over its picture, else leaves full screen;
    // it never enters it. F11 enters and leaves it. Both wherever the focus is in the
    // window (a menu or a dialog takes its own Escape first).
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, &MainWindow::dismiss);
    auto *f11 = new QShortcut(QKeySequence(Qt::Key_F11), this);
    f11->setContext(Qt::WindowShortcut);
    connect(f11, &QShortcut::activated, this, &MainWindow::toggleFullScreen);
}

QString MainWindow::titleFor(const QString &programName, const QString &clipPath)
{
    const QString clip = QFileInfo(clipPath).fileName();
    return clip.isEmpty() ? programName : programName + QStringLiteral(" \u2014 ") + clip;
}

void MainWindow::updateTitle()
{
    const QString clip = layout_->playerView ? layout_->playerView->currentFile() : QString();
    setWindowTitle(titleFor(Localization::text("CFBundleDisplayName", "InfoPlist"), clip));
}

void MainWindow::saveWindow()
{
    Settings &settings = app_.settings();
    settings.setWindowGeometry(saveGeometry());
    const QByteArray dividers = layout_->saveDividers();
    if (!dividers.isEmpty())
        settings.setWindowDividers(dividers);
}

namespace {

QList<QUrl> localUrls(const QMimeData *data)
{
    QList<QUrl> urls;
    if (data && data->hasUrls())
        for (const QUrl &url : data->urls())
            if (url.isLocalFile())
                urls << url;
    return urls;
}

} // namespace

void MainWindow::dragEnterEvent(QDragEnterEvent *event)
{
    if (localUrls(event->mimeData()).isEmpty())
        return QMainWindow::dragEnterEvent(event);
    event->acceptProposedAction();
}

void MainWindow::dragMoveEvent(QDragMoveEvent *event)
{
    if (localUrls(event->mimeData()).isEmpty())
        return QMainWindow::dragMoveEvent(event);
    event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent *event)
{
    const QList<QUrl> urls = localUrls(event->mimeData());
    if (urls.isEmpty())
        return QMainWindow::dropEvent(event);
    event->acceptProposedAction();
    app_.openUrls(urls);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    saveWindow();
    QMainWindow::closeEvent(event);
}

void MainWindow::showWindow()
{
    show();
    raise();
    activateWindow();
}

void MainWindow::dismiss()
{
    if (layout_->playerView && layout_->playerView->dismiss())
        return;
    if (isFullScreen())
        FullScreen::toggle(this);
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
        // minimum too; leaving it puts it back.
        if (full)
            FullScreen::liftLimits(this);
        else if (wasFullScreen_)
            FullScreen::restoreLimits(this);
        if (full != wasFullScreen_) {
            wasFullScreen_ = full;
            emit fullScreenChanged(full);
        }
    } else if (event->type() == QEvent::LanguageChange) {
        setWindowIconText(Localization::text("CFBundleDisplayName", "InfoPlist"));
        updateTitle();
    }
}
