// Opens the preferences window and the About window, each made once and reused.
#pragma once

#include "ui/AboutWindowView.h"
#include "PreferencesWindow.h"

#include <QObject>
#include <QPointer>

class Settings;

class AppController : public QObject {
    Q_OBJECT
public:
    explicit AppController(Settings &settings, QObject *parent = nullptr);
    ~AppController() override;

    void showPreferencePanel();
    void version();

    PreferencesWindow *preferenceController() const { return preferenceController_; }
    AboutWindowView *aboutWindow() const { return aboutWindow_; }

private:
    Settings &settings_;
    QPointer<PreferencesWindow> preferenceController_;
    QPointer<AboutWindowView> aboutWindow_;
};
