#include "PlayerOverlays.h"

#include "PlayerControlBar.h"
#include "common/Localization.h"
#include "common/NamedImage.h"
#include "common/Settings.h"

#include <QButtonGroup>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

PlayerOverlays::PlayerOverlays(QWidget *container, const Settings &settings)
    : container(container), settings(settings)
{
    const QString overlayStyle = QStringLiteral(
        "QFrame#%1 { background: #484a50; border: 1px solid #5c6068; }"
        "QFrame#%1 QLabel, QFrame#%1 QRadioButton { color: white; font-size: 14px; background: transparent; }"
        "QFrame#%1 QRadioButton::indicator { width: 10px; height: 10px; border-radius: 7px;"
        "  border: 2px solid #d5d9e0; background: transparent; }"
        "QFrame#%1 QRadioButton::indicator:checked { background: #3d9be9; border-color: #ffffff; }"
        "QFrame#%1 QPushButton { color: white; font-size: 14px; text-align: left; padding: 6px 10px;"
        "  border: none; border-radius: 4px; background: transparent; }"
        "QFrame#%1 QPushButton:hover { background: rgba(255, 255, 255, 30); }");

    settingsDialog = new QFrame(container);
    settingsDialog->setObjectName(QStringLiteral("settingsDialog"));
    settingsDialog->setStyleSheet(overlayStyle.arg(settingsDialog->objectName()));
    settingsDialog->setAttribute(Qt::WA_NativeWindow);
    auto *settingsGrid = new QGridLayout(settingsDialog);
    settingsGrid->setContentsMargins(16, 12, 16, 12);
    settingsGrid->setHorizontalSpacing(14);
    settingsGrid->setVerticalSpacing(8);
    radioSpeed = new QButtonGroup(settingsDialog);
    radioLanguage = new QButtonGroup(settingsDialog);
    radioMap = new QButtonGroup(settingsDialog);
    const struct {
        QButtonGroup *group;
        const char *title;
        const char *first;
        const char *second;
    } rows[] = {
        {radioSpeed, "player_speed_unit", "player_speed_kmh", "player_speed_mph"},
        {radioLanguage, "player_language", "player_language_en", "player_language_zh"},
        {radioMap, "player_map", "player_map_google", "player_map_osm"},
    };
    for (int r = 0; r < 3; ++r) {
        auto *title = new QLabel(settingsDialog);
        title->setProperty("key", QByteArray(rows[r].title));
        settingsGrid->addWidget(title, r, 0);
        const char *labels[] = {rows[r].first, rows[r].second};
        for (int c = 0; c < 2; ++c) {
            auto *radio = new QRadioButton(settingsDialog);
            radio->setProperty("key", QByteArray(labels[c]));
            radio->setFocusPolicy(Qt::NoFocus);
            rows[r].group->addButton(radio, c);
            settingsGrid->addWidget(radio, r, c + 1);
        }
    }
    settingsDialog->hide();

    helpDialog = new QFrame(container);
    helpDialog->setObjectName(QStringLiteral("helpDialog"));
    helpDialog->setStyleSheet(overlayStyle.arg(helpDialog->objectName()));
    helpDialog->setAttribute(Qt::WA_NativeWindow);
    auto *helpColumn = new QVBoxLayout(helpDialog);
    helpColumn->setContentsMargins(10, 10, 10, 10);
    helpColumn->setSpacing(2);
    helpVideo = new QPushButton(helpDialog);
    helpWebsite = new QPushButton(helpDialog);
    helpShop = new QPushButton(helpDialog);
    helpAbout = new QPushButton(helpDialog);
    for (QPushButton *b : {helpVideo, helpWebsite, helpShop, helpAbout}) {
        b->setFocusPolicy(Qt::NoFocus);
        b->setCursor(Qt::PointingHandCursor);
        helpColumn->addWidget(b);
    }
    helpDialog->hide();

    aboutImageinfo = new QLabel(container);
    aboutImageinfo->setObjectName(QStringLiteral("aboutImageinfo"));
    aboutImageinfo->setAttribute(Qt::WA_NativeWindow);
    aboutImageinfo->setAlignment(Qt::AlignCenter);
    aboutImageinfo->setStyleSheet(QStringLiteral("background: black;"));
    closeAboutInfo = PlayerControlBar::makeButton(aboutImageinfo, "closeAboutInfo");
    closeAboutInfo->setIcon(PlayerControlBar::namedIcon("player_close", container->devicePixelRatioF()));
    closeAboutInfo->setStyleSheet(QStringLiteral(
        "QToolButton { border: none; border-radius: 4px; padding: 3px; }"
        "QToolButton:hover { background: #363a42; }"));
    aboutImageinfo->hide();
}

void PlayerOverlays::retranslate()
{
    helpVideo->setText(Localization::text("player_help_video"));
    helpWebsite->setText(Localization::text("player_help_website"));
    helpShop->setText(Localization::text("player_help_shop"));
    helpAbout->setText(Localization::text("About"));
    closeAboutInfo->setToolTip(Localization::text("player_tip_close"));
    for (QWidget *w : settingsDialog->findChildren<QWidget *>()) {
        const QByteArray key = w->property("key").toByteArray();
        if (key.isEmpty())
            continue;
        if (auto *l = qobject_cast<QLabel *>(w))
            l->setText(Localization::text(key.constData()));
        else if (auto *b = qobject_cast<QAbstractButton *>(w))
            b->setText(Localization::text(key.constData()));
    }
    settingsDialog->adjustSize();
    helpDialog->adjustSize();
    place();
    showSettings();
}

void PlayerOverlays::showSettings()
{
    radioSpeed->button(settings.kmph() ? 0 : 1)->setChecked(true);
    radioLanguage->button(Localization::installedLanguage() == QLatin1String("zh-Hans") ? 1 : 0)->setChecked(true);
    radioMap->button(settings.googleMap() ? 0 : 1)->setChecked(true);
}

void PlayerOverlays::place()
{
    const QRect area = container->rect();
    settingsDialog->adjustSize();
    helpDialog->adjustSize();
    const int margin = 12;
    settingsDialog->move(area.right() - settingsDialog->width() - margin,
                         area.bottom() - settingsDialog->height() - margin);
    helpDialog->move(area.right() - helpDialog->width() - margin,
                     area.bottom() - helpDialog->height() - margin);
    aboutImageinfo->setGeometry(area);
    const QSize pic = area.size().scaled(QSize(600, 400), Qt::KeepAspectRatio);
    aboutImageinfo->setPixmap(NamedImage::pixmap(QStringLiteral("about"), pic.boundedTo(QSize(600, 400)),
                                                 container->devicePixelRatioF()));
    closeAboutInfo->move(aboutImageinfo->width() - closeAboutInfo->sizeHint().width() - 8, 8);
}
