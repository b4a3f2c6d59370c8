#include "PreferenceController.h"

#include "AppLanguageManager.h"
#include "common/AppKeys.h"
#include "common/AppUserDefaults.h"
#include "common/Localization.h"
#include "common/NotificationCenter.h"

#include <QButtonGroup>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QRadioButton>

PreferenceController::PreferenceController(QWidget *parent) : QWidget(parent, Qt::Window)
{
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(24, 20, 24, 20);
    grid->setHorizontalSpacing(18);
    grid->setVerticalSpacing(14);
    languageLabel_ = new QLabel(this);
    unitLabel_ = new QLabel(this);
    grid->addWidget(languageLabel_, 0, 0);
    grid->addWidget(unitLabel_, 1, 0);
    languageRadio = new QButtonGroup(this);
    speedUnitRadio = new QButtonGroup(this);
    for (int row = 0; row < 2; ++row) {
        for (int col = 0; col < 2; ++col) {
            radio_[row][col] = new QRadioButton(this);
            grid->addWidget(radio_[row][col], row, col + 1);
            (row == 0 ? languageRadio : speedUnitRadio)->addButton(radio_[row][col], col);
        }
    }
    connect(languageRadio, &QButtonGroup::idClicked, this, &PreferenceController::languageChange);
    connect(speedUnitRadio, &QButtonGroup::idClicked, this, &PreferenceController::speedUnitChange);
    setFixedSize(sizeHint().expandedTo(QSize(420, 120)));
    windowDidLoad();
}

void PreferenceController::windowDidLoad()
{
    retranslate();
    const QString shown = AppLanguageManager::userLanguage().isEmpty()
                              ? AppLanguageManager::systemCurrentLanguage()
                              : AppLanguageManager::userLanguage();
    languageRadio->button(shown == QLatin1String("zh-Hans") ? 0 : 1)->setChecked(true);
    speedUnitRadio->button(AppUserDefaults::isKMPH() ? 0 : 1)->setChecked(true);
}

void PreferenceController::showWindow()
{
    speedUnitRadio->button(AppUserDefaults::isKMPH() ? 0 : 1)->setChecked(true);
    show();
    raise();
    activateWindow();
}

void PreferenceController::retranslate()
{
    setWindowTitle(Localization::text("setting"));
    languageLabel_->setText(Localization::text("pref_language"));
    unitLabel_->setText(Localization::text("pref_speed_unit"));
    // The language names are written in their own language.
    radio_[0][0]->setText(QStringLiteral("简体中文"));
    radio_[0][1]->setText(QStringLiteral("English"));
    radio_[1][0]->setText(Localization::text("pref_kmh"));
    radio_[1][1]->setText(Localization::text("pref_mph"));
}

void PreferenceController::speedUnitChange(int column)
{
    QString unit;
    if (column != 0) {
        unit = QString::fromLatin1(AppKeys::SPEED_UNIT_MILEPH);
    } else {
        AppUserDefaults::setValue(AppKeys::SPEED_UNIT, QString::fromLatin1(AppKeys::SPEED_UNIT_KMPH));
        unit = QString::fromLatin1(AppKeys::SPEED_UNIT_KMPH);
    }
    AppUserDefaults::setSpeedUnit(unit);
    NotificationCenter::defaultCenter()->postNotificationName(QString::fromLatin1(AppKeys::SPEED_UNIT_NOTIFICATION));
}

void PreferenceController::languageChange(int column)
{
    AppLanguageManager::setUserlanguage(column == 0 ? QStringLiteral("zh-Hans") : QStringLiteral("en"));
}

void PreferenceController::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        retranslate();
}
