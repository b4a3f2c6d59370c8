#include "AppController.h"

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
    preferenceController_->showWindow();
}

void AppController::version()
{
    if (!aboutWindow_)
        aboutWindow_ = new AboutWindowView();
    aboutWindow_->show();
    aboutWindow_->raise();
    aboutWindow_->activateWindow();
}
