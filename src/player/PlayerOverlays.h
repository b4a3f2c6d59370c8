// The overlays above the picture: the settings panel (speed unit, language and map
// rows), the help panel (guide, web site, shop, About) and the About picture. They
// are native windows so that they stay above the video's native window. This builds,
// words, places, shows and hides them, says what the user chose in them, and which
// link of the help panel is to be opened.
#pragma once

#include <QObject>
#include <QUrl>

class QButtonGroup;
class QFrame;
class QLabel;
class QPushButton;
class QToolButton;
class QWidget;
class Settings;

class PlayerOverlays : public QObject {
    Q_OBJECT
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
    // Shows the settings (or help) panel and hides the other one, or hides it when shown.
    void toggleSettings();
    void toggleHelp();
    void hideHelp();
    // Hides the help panel and asks for `link` to be opened (linkRequested).
    void follow(const QUrl &link);
    // The About picture, shown over the container or hidden.
    void showAbout();
    void hideAbout();
    // Hides whichever overlay is shown: true when one was.
    bool dismiss();
    // Puts the overlays above a video window shown after them.
    void raise();

signals:
    // A row's column was clicked: 0 is the first (km/h, English, Google), 1 the second.
    void speedChosen(int column);
    void languageChosen(int column);
    void mapChosen(int column);
    // The user guide, the web site or the shop was clicked: the desktop is to open it.
    void linkRequested(const QUrl &link);

private:
    QWidget *container_ = nullptr;
    const Settings &settings_;
    QFrame *settingsDialog_ = nullptr;
    QButtonGroup *radioSpeed_ = nullptr;
    QButtonGroup *radioLanguage_ = nullptr;
    QButtonGroup *radioMap_ = nullptr;
    QFrame *helpDialog_ = nullptr;
    QPushButton *helpVideo_ = nullptr;
    QPushButton *helpWebsite_ = nullptr;
    QPushButton *helpShop_ = nullptr;
    QPushButton *helpAbout_ = nullptr;
    QLabel *aboutImageinfo_ = nullptr;
    QToolButton *closeAboutInfo_ = nullptr;
};
