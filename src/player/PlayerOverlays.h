// The overlays above the picture: the settings panel (speed unit, language and map
// rows), the help panel (guide, web site, shop, About) and the About picture. They
// are native windows so that they stay above the video's native window. This builds,
// words and places them; the player's view shows, hides and connects them.
#pragma once

class QButtonGroup;
class QFrame;
class QLabel;
class QPushButton;
class QToolButton;
class QWidget;
class Settings;

class PlayerOverlays {
public:
    // Builds the overlays, hidden, as children of `container` (the picture's area); the
    // radio rows show `settings`.
    PlayerOverlays(QWidget *container, const Settings &settings);

    // The texts in the current language, then the sizes and places that follow.
    void retranslate();
    // The radio rows show the stored speed unit, the installed language and the map.
    void showSettings();
    // The panels go to the bottom right corner of the container; the About picture
    // fills it.
    void place();

    QWidget *container = nullptr;
    const Settings &settings;
    QFrame *settingsDialog = nullptr;
    QButtonGroup *radioSpeed = nullptr;
    QButtonGroup *radioLanguage = nullptr;
    QButtonGroup *radioMap = nullptr;
    QFrame *helpDialog = nullptr;
    QPushButton *helpVideo = nullptr;
    QPushButton *helpWebsite = nullptr;
    QPushButton *helpShop = nullptr;
    QPushButton *helpAbout = nullptr;
    QLabel *aboutImageinfo = nullptr;
    QToolButton *closeAboutInfo = nullptr;
};
