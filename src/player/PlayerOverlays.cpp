#include "PlayerOverlays.h"

#include "PlayerControlBar.h"
#include "common/AppLinks.h"
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

#include <functional>

PlayerOverlays::PlayerOverlays(QWidget *container, const Settings &settings)
    : container_(container), settings_(settings)
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

    settingsDialog_ = new QFrame(container_);
    settingsDialog_->setObjectName(QStringLiteral("settingsDialog"));
    settingsDialog_->setStyleSheet(overlayStyle.arg(settingsDialog_->objectName()));
    settingsDialog_->setAttribute(Qt::WA_NativeWindow);
    auto *settingsGrid = new QGridLayout(settingsDialog_);
    settingsGrid->setContentsMargins(16, 12, 16, 12);
    settingsGrid->setHorizontalSpacing(14);
    settingsGrid->setVerticalSpacing(8);
    radioSpeed_ = new QButtonGroup(settingsDialog_);
    radioLanguage_ = new QButtonGroup(settingsDialog_);
    radioMap_ = new QButtonGroup(settingsDialog_);
    radioSpeed_->setObjectName(QStringLiteral("radioSpeed"));
    radioLanguage_->setObjectName(QStringLiteral("radioLanguage"));
    radioMap_->setObjectName(QStringLiteral("radioMap"));
    connect(radioSpeed_, &QButtonGroup::idClicked, this, &PlayerOverlays::speedChosen);
    connect(radioLanguage_, &QButtonGroup::idClicked, this, &PlayerOverlays::languageChosen);
    connect(radioMap_, &QButtonGroup::idClicked, this, &PlayerOverlays::mapChosen);
    const struct {
        QButtonGroup *group;
        const char *title;
        const char *first;
        const char *second;
    } rows[] = {
        {radioSpeed_, "player_speed_unit", "player_speed_kmh", "player_speed_mph"},
        {radioLanguage_, "player_language", "player_language_en", "player_language_zh"},
        {radioMap_, "player_map", "player_map_google", "player_map_osm"},
    };
    for (int r = 0; r < 3; ++r) {
        auto *title = new QLabel(settingsDialog_);
        title->setProperty("key", QByteArray(rows[r].title));
        settingsGrid->addWidget(title, r, 0);
        const char *labels[] = {rows[r].first, rows[r].second};
        for (int c = 0; c < 2; ++c) {
            auto *radio = new QRadioButton(settingsDialog_);
            radio->setProperty("key", QByteArray(labels[c]));
            radio->setFocusPolicy(Qt::NoFocus);
            rows[r].group->addButton(radio, c);
            settingsGrid->addWidget(radio, r, c + 1);
        }
    }
    settingsDialog_->hide();

    helpDialog_ = new QFrame(container_);
    helpDialog_->setObjectName(QStringLiteral("helpDialog"));
    helpDialog_->setStyleSheet(overlayStyle.arg(helpDialog_->objectName()));
    helpDialog_->setAttribute(Qt::WA_NativeWindow);
    auto *helpColumn = new QVBoxLayout(helpDialog_);
    helpColumn->setContentsMargins(10, 10, 10, 10);
    helpColumn->setSpacing(2);
    const struct {
        QPushButton **button;
        const char *name;
        std::function<void()> clicked;
    } helpRows[] = {
        {&helpVideo_, "helpVideo", [this] { follow(AppLinks::userGuide()); }},
        {&helpWebsite_, "helpWebsite", [this] { follow(AppLinks::website()); }},
        {&helpShop_, "helpShop", [this] { follow(AppLinks::shop()); }},
        {&helpAbout_, "helpAbout", [this] { showAbout(); }},
    };
    for (const auto &row : helpRows) {
        auto *b = *row.button = new QPushButton(helpDialog_);
        b->setObjectName(QLatin1String(row.name));
        b->setFocusPolicy(Qt::NoFocus);
        b->setCursor(Qt::PointingHandCursor);
        helpColumn->addWidget(b);
        connect(b, &QPushButton::clicked, this, row.clicked);
    }
    helpDialog_->hide();

    aboutImageinfo_ = new QLabel(container_);
    aboutImageinfo_->setObjectName(QStringLiteral("aboutImageinfo"));
    aboutImageinfo_->setAttribute(Qt::WA_NativeWindow);
    aboutImageinfo_->setAlignment(Qt::AlignCenter);
    aboutImageinfo_->setStyleSheet(QStringLiteral("background: black;"));
    closeAboutInfo_ = PlayerControlBar::makeButton(aboutImageinfo_, "closeAboutInfo");
    closeAboutInfo_->setIcon(PlayerControlBar::namedIcon("player_close", container_->devicePixelRatioF()));
    closeAboutInfo_->setStyleSheet(QStringLiteral(
        "QToolButton { border: none; border-radius: 4px; padding: 3px; }"
        "QToolButton:hover { background: #363a42; }"));
    connect(closeAboutInfo_, &QToolButton::clicked, this, &PlayerOverlays::hideAbout);
    aboutImageinfo_->hide();
}

void PlayerOverlays::retranslate()
{
    helpVideo_->setText(Localization::text("player_help_video"));
    helpWebsite_->setText(Localization::text("player_help_website"));
    helpShop_->setText(Localization::text("player_help_shop"));
    helpAbout_->setText(Localization::text("About"));
    closeAboutInfo_->setToolTip(Localization::text("player_tip_close"));
    for (QWidget *w : settingsDialog_->findChildren<QWidget *>()) {
        const QByteArray key = w->property("key").toByteArray();
        if (key.isEmpty())
            continue;
        if (auto *l = qobject_cast<QLabel *>(w))
            l->setText(Localization::text(key.constData()));
        else if (auto *b = qobject_cast<QAbstractButton *>(w))
            b->setText(Localization::text(key.constData()));
    }
    settingsDialog_->adjustSize();
    helpDialog_->adjustSize();
    place();
    showSettings();
}

void PlayerOverlays::showSettings()
{
    radioSpeed_->button(settings_.kmph() ? 0 : 1)->setChecked(true);
    radioLanguage_->button(Localization::installedLanguage() == QLatin1String("zh-Hans") ? 1 : 0)->setChecked(true);
    radioMap_->button(settings_.googleMap() ? 0 : 1)->setChecked(true);
}

void PlayerOverlays::place()
{
    const QRect area = container_->rect();
    settingsDialog_->adjustSize();
    helpDialog_->adjustSize();
    const int margin = 12;
    settingsDialog_->move(area.right() - settingsDialog_->width() - margin,
                         area.bottom() - settingsDialog_->height() - margin);
    helpDialog_->move(area.right() - helpDialog_->width() - margin,
                     area.bottom() - helpDialog_->height() - margin);
    aboutImageinfo_->setGeometry(area);
    const QSize pic = area.size().scaled(QSize(600, 400), Qt::KeepAspectRatio);
    aboutImageinfo_->setPixmap(NamedImage::pixmap(QStringLiteral("about"), pic.boundedTo(QSize(600, 400)),
                                                 container_->devicePixelRatioF()));
    closeAboutInfo_->move(aboutImageinfo_->width() - closeAboutInfo_->sizeHint().width() - 8, 8);
}

void PlayerOverlays::toggleSettings()
{
    if (settingsDialog_->isHidden()) {
        helpDialog_->hide();
        place();
        settingsDialog_->show();
        settingsDialog_->raise();
    } else {
        settingsDialog_->hide();
    }
}

void PlayerOverlays::toggleHelp()
{
    if (helpDialog_->isHidden()) {
        settingsDialog_->hide();
        place();
        helpDialog_->show();
        helpDialog_->raise();
    } else {
        helpDialog_->hide();
    }
}

void PlayerOverlays::hideHelp()
{
    helpDialog_->hide();
}

void PlayerOverlays::follow(const QUrl &link)
{
    helpDialog_->hide();
    emit linkRequested(link);
}

void PlayerOverlays::showAbout()
{
    helpDialog_->hide();
    place();
    aboutImageinfo_->show();
    aboutImageinfo_->raise();
}

void PlayerOverlays::hideAbout()
{
    aboutImageinfo_->hide();
}

bool PlayerOverlays::dismiss()
{
    bool shown = false;
    for (QWidget *w : {static_cast<QWidget *>(settingsDialog_), static_cast<QWidget *>(helpDialog_),
                       static_cast<QWidget *>(aboutImageinfo_)}) {
        if (!w->isHidden()) {
            w->hide();
            shown = true;
        }
    }
    return shown;
}

void PlayerOverlays::raise()
{
    settingsDialog_->raise();
    helpDialog_->raise();
    aboutImageinfo_->raise();
}
