#include "BlurChoice.h"

#include "common/Localization.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>

BlurChoiceBox::BlurChoiceBox(QWidget *parent) : QGroupBox(Localization::text("Blur marked areas"), parent)
{
    setObjectName(QStringLiteral("blurMarked"));
    setCheckable(true);
    style_ = new QComboBox(this);
    style_->setObjectName(QStringLiteral("blurStyle"));
    style_->addItem(Localization::text("Gaussian blur"), int(BlurStyle::Gaussian));
    style_->addItem(Localization::text("Pixelate"), int(BlurStyle::Pixelate));
    strength_ = new QSlider(Qt::Horizontal, this);
    strength_->setObjectName(QStringLiteral("blurStrength"));
    strength_->setRange(Blur::MinStrength, Blur::MaxStrength);
    strength_->setPageStep(1);
    strength_->setTickPosition(QSlider::TicksBelow);
    value_ = new QLabel(this);
    value_->setMinimumWidth(24);
    auto *strength = new QHBoxLayout;
    strength->addWidget(strength_, 1);
    strength->addWidget(value_);
    auto *form = new QFormLayout(this);
    form->addRow(Localization::text("How:"), style_);
    form->addRow(Localization::text("Strength:"), strength);
    setChoice(BlurChoice());
    connect(this, &QGroupBox::toggled, this, &BlurChoiceBox::changed);
    connect(style_, &QComboBox::currentIndexChanged, this, &BlurChoiceBox::changed);
    connect(strength_, &QSlider::valueChanged, this, [this](int v) {
        value_->setText(QString::number(v));
        emit changed();
    });
}

BlurChoice BlurChoiceBox::choice() const
{
    BlurChoice c;
    c.on = isChecked();
    c.options.style = BlurStyle(style_->currentData().toInt());
    c.options.strength = strength_->value();
    return c;
}

void BlurChoiceBox::setChoice(const BlurChoice &c)
{
    setChecked(c.on);
    style_->setCurrentIndex(style_->findData(int(c.options.style)));
    strength_->setValue(c.options.strength);
    value_->setText(QString::number(c.options.strength));
}

std::optional<BlurOptions> BlurChoiceBox::blur() const
{
    const BlurChoice c = choice();
    return c.on ? std::optional<BlurOptions>(c.options) : std::nullopt;
}

IncidentBlurDialog::IncidentBlurDialog(const BlurChoice &choice, QWidget *parent) : QDialog(parent)
{
    setWindowTitle(Localization::text("Export Incident…"));
    setObjectName(QStringLiteral("IncidentBlurDialog"));
    auto *text = new QLabel(Localization::text("This moment has marked areas. The export shows them as below."), this);
    text->setWordWrap(true);
    box_ = new BlurChoiceBox(this);
    box_->setChoice(choice);
    picture_ = new QLabel(this);
    picture_->setObjectName(QStringLiteral("preview"));
    picture_->setMinimumSize(480, 270);
    picture_->setAlignment(Qt::AlignCenter);
    picture_->setStyleSheet(QStringLiteral("background: #202020;"));
    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(Localization::text("Export…"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(Localization::text("Cancel"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(box_);
    layout->addWidget(picture_, 1);
    layout->addWidget(buttons);
    later_ = new QTimer(this);
    later_->setSingleShot(true);
    later_->setInterval(150);
    connect(later_, &QTimer::timeout, this, &IncidentBlurDialog::refreshPreview);
    connect(box_, &BlurChoiceBox::changed, later_, qOverload<>(&QTimer::start));
    later_->start();
}

BlurChoice IncidentBlurDialog::choice() const { return box_->choice(); }

std::optional<BlurOptions> IncidentBlurDialog::blur() const { return box_->blur(); }

void IncidentBlurDialog::refreshPreview()
{
    later_->stop();
    if (!previewer)
        return;
    const int asked = ++asked_;
    if (picture_->pixmap().isNull())
        picture_->setText(Localization::text("Preparing the preview…"));
    previewer(box_->blur()).then(this, [this, asked](const QImage &image) {
        if (asked != asked_)
            return;
        preview_ = image;
        if (preview_.isNull()) {
            picture_->setPixmap({});
            picture_->setText(Localization::text("No preview: the clip cannot be read."));
        } else {
            const QSize room = picture_->contentsRect().size().expandedTo(QSize(480, 270));
            picture_->setPixmap(QPixmap::fromImage(preview_.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
        }
        emit previewShown();
    });
}
