#include "PreferencesWindow.h"

#include "AppLanguageManager.h"
#include "common/Localization.h"
#include "common/Settings.h"
#include "player/EventSettings.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QGuiApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>

#include <utility>

PreferencesWindow::PreferencesWindow(Settings &settings, QWidget *parent)
    : QWidget(parent, Qt::Window), settings_(settings)
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
    connect(languageRadio, &QButtonGroup::idClicked, this, &PreferencesWindow::languageChange);
    connect(speedUnitRadio, &QButtonGroup::idClicked, this, &PreferencesWindow::speedUnitChange);
    privacyLabel_ = new QLabel(this);
    grid->addWidget(privacyLabel_, 2, 0);
    onlineMapsBox = new QCheckBox(this);
    placeInPicturesBox = new QCheckBox(this);
    placeToMediaControlsBox = new QCheckBox(this);
    grid->addWidget(onlineMapsBox, 2, 1, 1, 2);
    grid->addWidget(placeInPicturesBox, 3, 1, 1, 2);
    grid->addWidget(placeToMediaControlsBox, 4, 1, 1, 2);
    connect(onlineMapsBox, &QCheckBox::toggled, &settings_, &Settings::setUseOnlineMaps);
    connect(placeInPicturesBox, &QCheckBox::toggled, &settings_, &Settings::setPlaceInPictures);
    connect(placeToMediaControlsBox, &QCheckBox::toggled, &settings_, &Settings::setPlaceToMediaControls);

    googleKeyLabel_ = new QLabel(this);
    googleKeyEdit = new QLineEdit(this);
    googleKeyEdit->setObjectName(QStringLiteral("googleMapsKey"));
    googleKeyEdit->setClearButtonEnabled(true);
    grid->addWidget(googleKeyLabel_, 5, 1);
    grid->addWidget(googleKeyEdit, 5, 2);
    connect(googleKeyEdit, &QLineEdit::editingFinished, this,
            [this] { settings_.setGoogleMapsApiKey(googleKeyEdit->text()); });

    eventsLabel_ = new QLabel(this);
    grid->addWidget(eventsLabel_, 6, 0);
    const struct {
        QDoubleSpinBox **box;
        double min, max, step;
        int decimals;
        const char *suffix;
    } boxes[] = {
        {&speedChangeBox, 1, 100, 1, 0, " km/h"},
        {&harshGBox, 0.05, 4, 0.05, 2, " g"},
        {&impactGBox, 0.1, 8, 0.1, 2, " g"},
        {&overSpeedBox, 0, 300, 5, 0, " km/h"},
    };
    for (int k = 0; k < 4; ++k) {
        eventLabels_[k] = new QLabel(this);
        auto *box = new QDoubleSpinBox(this);
        box->setRange(boxes[k].min, boxes[k].max);
        box->setSingleStep(boxes[k].step);
        box->setDecimals(boxes[k].decimals);
        box->setSuffix(QLatin1String(boxes[k].suffix));
        *boxes[k].box = box;
        grid->addWidget(eventLabels_[k], 7 + k, 1);
        grid->addWidget(box, 7 + k, 2);
        connect(box, &QDoubleSpinBox::valueChanged, this, [this] {
            EventThresholds t;
            t.speedChangeKmh = speedChangeBox->value();
            t.harshG = harshGBox->value();
            t.impactG = impactGBox->value();
            t.overSpeedKmh = overSpeedBox->value();
            EventSettings::setThresholds(settings_, t);
        });
    }
    // Changes apply at once; Close (or Escape) only closes.
    closeButton = new QPushButton(this);
    closeButton->setObjectName(QStringLiteral("preferencesClose"));
    closeButton->setDefault(true);
    grid->addWidget(closeButton, 11, 2, Qt::AlignRight);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
    buildContent();
}

void PreferencesWindow::buildContent()
{
    retranslate();
    showSettings();
    for (auto changed : {&Settings::speedUnitChanged, &Settings::useOnlineMapsChanged,
                         &Settings::placeInPicturesChanged, &Settings::placeToMediaControlsChanged})
        connect(&settings_, changed, this, &PreferencesWindow::showSettings);
    connect(&settings_, &Settings::googleMapsApiKeyChanged, this, &PreferencesWindow::showSettings);
}

void PreferencesWindow::showSettings()
{
    QString shown = Localization::installedLanguage();
    if (shown.isEmpty())
        shown = AppLanguageManager::userLanguage(settings_).isEmpty()
                    ? AppLanguageManager::systemCurrentLanguage(settings_)
                    : AppLanguageManager::userLanguage(settings_);
    languageRadio->button(shown == QLatin1String("zh-Hans") ? 0 : 1)->setChecked(true);
    speedUnitRadio->button(settings_.kmph() ? 0 : 1)->setChecked(true);
    for (const auto &[box, on] : {std::pair{onlineMapsBox, settings_.useOnlineMaps()},
                                  std::pair{placeInPicturesBox, settings_.placeInPictures()},
                                  std::pair{placeToMediaControlsBox, settings_.placeToMediaControls()}}) {
        const QSignalBlocker quiet(box);
        box->setChecked(on);
    }
    if (!googleKeyEdit->hasFocus())
        googleKeyEdit->setText(settings_.googleMapsApiKey());
    const EventThresholds t = EventSettings::thresholds(settings_);
    for (const auto &[box, value] : {std::pair{speedChangeBox, t.speedChangeKmh}, std::pair{harshGBox, t.harshG},
                                     std::pair{impactGBox, t.impactG}, std::pair{overSpeedBox, t.overSpeedKmh}}) {
        const QSignalBlocker quiet(box);
        box->setValue(value);
    }
}

void PreferencesWindow::showWindow(QWidget *over)
{
    showSettings();
    const QRect around = over ? over->frameGeometry()
                              : (QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry() : QRect());
    if (around.isValid()) {
        QRect placed(QPoint(0, 0), size());
        placed.moveCenter(around.center());
        move(placed.topLeft());
    }
    show();
    raise();
    activateWindow();
}

void PreferencesWindow::retranslate()
{
    setWindowTitle(Localization::text("setting"));
    languageLabel_->setText(Localization::text("pref_language"));
    unitLabel_->setText(Localization::text("pref_speed_unit"));
    // The language names are written in their own language.
    radio_[0][0]->setText(QStringLiteral("简体中文"));
    radio_[0][1]->setText(QStringLiteral("English"));
    radio_[1][0]->setText(Localization::text("pref_kmh"));
    radio_[1][1]->setText(Localization::text("pref_mph"));
    privacyLabel_->setText(Localization::text("pref_privacy"));
    onlineMapsBox->setText(Localization::text("Use online maps"));
    placeInPicturesBox->setText(Localization::text("pref_place_in_pictures"));
    placeToMediaControlsBox->setText(Localization::text("pref_place_to_media_controls"));
    googleKeyLabel_->setText(Localization::text("Google Maps key:"));
    googleKeyEdit->setPlaceholderText(Localization::text("Needed for Setting ▸ Google Maps"));
    eventsLabel_->setText(Localization::text("pref_events"));
    eventLabels_[0]->setText(Localization::text("pref_event_speed_change"));
    eventLabels_[1]->setText(Localization::text("pref_event_harsh_g"));
    eventLabels_[2]->setText(Localization::text("pref_event_impact"));
    eventLabels_[3]->setText(Localization::text("pref_event_over_speed"));
    overSpeedBox->setSpecialValueText(Localization::text("pref_event_off"));
    closeButton->setText(Localization::text("Close"));
    // The window fits its texts in the language on screen.
    setFixedSize(sizeHint().expandedTo(QSize(420, 120)));
}

void PreferencesWindow::speedUnitChange(int column)
{
    settings_.setKmph(column == 0);
}

void PreferencesWindow::languageChange(int column)
{
    AppLanguageManager::setUserlanguage(settings_, column == 0 ? QStringLiteral("zh-Hans") : QStringLiteral("en"));
}

void PreferencesWindow::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LanguageChange) {
        retranslate();
        showSettings();
    }
}
