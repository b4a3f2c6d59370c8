// The Library menu: Show Library (Ctrl+L) and Add Folder…, over one library for the
// running program, whose folders are indexed again a moment after the start and
// whenever the watch on them sees a change. Its trips and events play through the
// application's open, as File ▸ Open does.
#pragma once

#include <QMenu>
#include <QPointer>

class AppDelegate;
class LibraryController;
class LibraryWindow;
class QMenuBar;

class LibraryMenu : public QMenu {
    Q_OBJECT
public:
    // Adds the menu to the end of `bar`.
    static LibraryMenu *install(QMenuBar *bar, AppDelegate *app);

    LibraryController *library() const { return library_; }
    // The window, made on first use.
    LibraryWindow *window();
    void showLibrary();

    // How long after the start the folders are indexed again.
    static constexpr int kRescanAfterStartMs = 3000;

protected:
    void changeEvent(QEvent *) override;

private:
    LibraryMenu(QWidget *parent, AppDelegate *app);
    void retranslate();

    AppDelegate *app_;
    LibraryController *library_;
    QPointer<LibraryWindow> window_;
    QAction *show_ = nullptr, *add_ = nullptr;
};
