// The preferences window: the interface language and the speed unit, two radio
// buttons each (column 0: Simplified Chinese / km/h; column 1: English / mph), privacy
// (online maps, place and speed in saved pictures and for media controls), and the
// thresholds of the driving events.
#pragma once

#include <QWidget>

class QButtonGroup;
class QCheckBox;
class QPushButton;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class Settings;

class PreferencesWindow : public QWidget {
    Q_OBJECT
public:
    explicit PreferencesWindow(Settings &settings, QWidget *parent = nullptr);

    // Shown centred over `over` (the main window), else over the screen.
    void showWindow(QWidget *over = nullptr);

    QButtonGroup *languageRadio = nullptr;
    QButtonGroup *speedUnitRadio = nullptr;
    // Privacy. "Use online maps": off keeps every map request inside the program.
    QCheckBox *onlineMapsBox = nullptr;
    // Place and speed in the text of captured and exported pictures (and their caption).
    QCheckBox *placeInPicturesBox = nullptr;
    // Place and speed in the remote control's (MPRIS) metadata, for every program on the bus.
    QCheckBox *placeToMediaControlsBox = nullptr;
    // The Google Maps JavaScript API key, kept once typed (Enter or leaving the field).
    QLineEdit *googleKeyEdit = nullptr;
    // Driving events: km/h within a second, g, g, and the over-speed limit (0 = off).
    QDoubleSpinBox *speedChangeBox = nullptr;
    QDoubleSpinBox *harshGBox = nullptr;
    QDoubleSpinBox *impactGBox = nullptr;
    QDoubleSpinBox *overSpeedBox = nullptr;
    QPushButton *closeButton = nullptr;

    void speedUnitChange(int column);
    void languageChange(int column);

protected:
    void changeEvent(QEvent *event) override;

private:
    void buildContent();
    void retranslate();
    // The radio buttons show the stored unit and the language on screen.
    void showSettings();

    Settings &settings_;
    QLabel *languageLabel_ = nullptr;
    QLabel *unitLabel_ = nullptr;
    QRadioButton *radio_[2][2] = {};
    QLabel *privacyLabel_ = nullptr;
    QLabel *googleKeyLabel_ = nullptr;
    QLabel *eventsLabel_ = nullptr;
    QLabel *eventLabels_[4] = {};
};
