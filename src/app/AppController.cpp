#include "AppController.h"

#include <QApplication>

#include "ui/AboutWindowView.h"
#include "PreferencesWindow.h"

AppController::AppController(Settings &settings, QObject *parent) : QObject(parent), settings_(settings) {}

AppController::~AppController()
{
    delete preferenceController_;
    delete aboutWindow_;
}

void AppController::showPreferencePanel()
{
    if (!preferenceController_)
        preferenceController_ = new PreferencesWindow(settings_);
    // Over the window the user asked from.
    QWidget *over = QApplication::activeWindow();
    preferenceController_->showWindow(over && over != preferenceController_ ? over : nullptr);
}

void AppController::version()
{
    if (!aboutWindow_)
        aboutWindow_ = new AboutWindowView();
    aboutWindow_->show();
    aboutWindow_->raise();
    aboutWindow_->activateWindow();
}
