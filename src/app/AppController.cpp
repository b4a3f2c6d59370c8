#include "AppController.h"

#include "ui/AboutWindowView.h"
#include "PreferenceController.h"

AppController::AppController(QObject *parent) : QObject(parent) {}

AppController::~AppController()
{
    delete preferenceController_;
    delete aboutWindow_;
}

void AppController::showPreferencePanel()
{
    if (!preferenceController_)
        preferenceController_ = new PreferenceController();
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
