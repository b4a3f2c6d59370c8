#include "PreferenceController.h"

#include "AppLanguageManager.h"
#include "common/AppKeys.h"
#include "common/AppUserDefaults.h"
#include "common/Localization.h"
#include "common/NotificationCenter.h"
#include "map/MapSettings.h"

#include <QButtonGroup>
#include <QCheckBox>
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
    onlineMapsBox = new QCheckBox(this);
    grid->addWidget(onlineMapsBox, 2, 1, 1, 2);
    connect(onlineMapsBox, &QCheckBox::toggled, this, [](bool on) { MapSettings::setUseOnlineMaps(on); });
    setFixedSize(sizeHint().expandedTo(QSize(420, 120)));
    windowDidLoad();
}

void PreferenceController::windowDidLoad()
{
    retranslate();
    showSettings();
    NotificationCenter::defaultCenter()->addObserver(this, QString::fromLatin1(AppKeys::SPEED_UNIT_NOTIFICATION),
                                                     [this] { showSettings(); });
    NotificationCenter::defaultCenter()->addObserver(this, QLatin1String(MapSettings::kNotification),
                                                     [this] { showSettings(); });
}

void PreferenceController::showSettings()
{
    QString shown = Localization::installedLanguage();
    if (shown.isEmpty())
        shown = AppLanguageManager::userLanguage().isEmpty() ? AppLanguageManager::systemCurrentLanguage()
                                                             : AppLanguageManager::userLanguage();
    languageRadio->button(shown == QLatin1String("zh-Hans") ? 0 : 1)->setChecked(true);
    speedUnitRadio->button(AppUserDefaults::isKMPH() ? 0 : 1)->setChecked(true);
    const QSignalBlocker block(onlineMapsBox);
    onlineMapsBox->setChecked(MapSettings::useOnlineMaps());
}

void PreferenceController::showWindow()
{
    showSettings();
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
    onlineMapsBox->setText(Localization::text("Use online maps"));
}

void PreferenceController::speedUnitChange(int column)
{
    AppUserDefaults::changeSpeedUnit(QString::fromLatin1(column != 0 ? AppKeys::SPEED_UNIT_MILEPH
                                                                     : AppKeys::SPEED_UNIT_KMPH));
}

void PreferenceController::languageChange(int column)
{
    AppLanguageManager::setUserlanguage(column == 0 ? QStringLiteral("zh-Hans") : QStringLiteral("en"));
}

void PreferenceController::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LanguageChange) {
        retranslate();
        showSettings();
    }
}
