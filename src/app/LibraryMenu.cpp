#include "LibraryMenu.h"

#include "KeyGuide.h"

#include "AppDelegate.h"

#include "common/Localization.h"
#include "common/Settings.h"
#include "library/LibraryController.h"
#include "libraryview/LibraryWindow.h"
#include "libraryview/RouteMapView.h"

#include <QEvent>
#include <QMenuBar>
#include <QTimer>

LibraryMenu *LibraryMenu::install(QMenuBar *bar, AppDelegate *app)
{
    auto *menu = new LibraryMenu(bar, app);
    bar->addMenu(menu);
    return menu;
}

LibraryMenu::LibraryMenu(QWidget *parent, AppDelegate *app)
    : QMenu(parent), app_(app), library_(new LibraryController(QString(), this))
{
    setObjectName(QStringLiteral("libraryMenu"));
    show_ = addAction(QString(), this, &LibraryMenu::showLibrary);
    show_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    show_->setShortcutContext(Qt::ApplicationShortcut);
    // The window comes up first: its foot shows the indexing's progress and Cancel.
    add_ = addAction(QString(), this, [this] {
        showLibrary();
        window()->addFolder();
    });
    retranslate();
    // The folders are looked at again once the window is up; a library that cannot be
    // opened says why when it is shown.
    QTimer::singleShot(kRescanAfterStartMs, library_, [this] {
        if (library_->open())
            library_->rescan();
    });
}

LibraryWindow *LibraryMenu::window()
{
    if (!window_) {
        Settings *settings = &app_->settings();
        window_ = new LibraryWindow(*library_, [settings] { return settings->kmph(); });
        window_->setAttribute(Qt::WA_DeleteOnClose, false);
        connect(this, &QObject::destroyed, window_, &QObject::deleteLater);
        // The user's offline maps under the routes, as Setting ▸ Offline Maps… lists them.
        window_->map()->setTileSources(settings->offlineSources());
        connect(settings, &Settings::offlineSourcesChanged, window_,
                [w = window_](const QStringList &paths) { w->map()->setTileSources(paths); });
        connect(window_, &LibraryWindow::playRequested, app_,
                [this](const QList<QUrl> &urls, double startAt) { app_->openUrls(urls, startAt); });
    }
    return window_;
}

void LibraryMenu::showLibrary()
{
    LibraryWindow *w = window();
    w->show();
    w->raise();
    w->activateWindow();
}

void LibraryMenu::retranslate()
{
    setTitle(KeyGuide::withMnemonic(Localization::text("Library"), QLatin1Char('L')));
    show_->setText(Localization::text("Show Library"));
    add_->setText(Localization::text("Add Folder…"));
}

void LibraryMenu::changeEvent(QEvent *e)
{
    if (e->type() == QEvent::LanguageChange)
        retranslate();
    QMenu::changeEvent(e);
}
