#include "ExportVideoDialog.h"

#include "common/Localization.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <iterator>

ExportVideoDialog::ExportVideoDialog(bool hasSegment, bool hasTrip, ExportLocation location, QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(Localization::text("Export Video…"));
    setObjectName(QStringLiteral("ExportVideoDialog"));

    scope_ = new QComboBox(this);
    scope_->setObjectName(QStringLiteral("scope"));
    if (hasSegment)
        scope_->addItem(Localization::text("The marked segment"), int(Scope::Segment));
    scope_->addItem(Localization::text("The whole clip"), int(Scope::Clip));
    if (hasTrip)
        scope_->addItem(Localization::text("The whole trip"), int(Scope::Trip));

    style_ = new QComboBox(this);
    style_->setObjectName(QStringLiteral("style"));
    style_->addItem(Localization::text("Dashboard along the bottom"), int(OverlayStyle::Dashboard));
    style_->addItem(Localization::text("Dashboard along the top"), int(OverlayStyle::DashboardTop));
    style_->addItem(Localization::text("In the corners"), int(OverlayStyle::Corners));
    style_->addItem(Localization::text("Compact, lower left"), int(OverlayStyle::Compact));

    location_ = new QComboBox(this);
    location_->setObjectName(QStringLiteral("location"));
    location_->addItem(Localization::text("Full Location"), int(ExportLocation::Full));
    location_->addItem(Localization::text("Coarse Location (about 1 km)"), int(ExportLocation::Coarse));
    location_->addItem(Localization::text("Without Location"), int(ExportLocation::None));
    location_->setCurrentIndex(location_->findData(int(location)));

    auto *parts = new QGridLayout;
    const QList<QPair<OverlayElement, const char *>> names = {
        {OverlayElement::Speed, "Speed"},      {OverlayElement::Time, "Date and time"},
        {OverlayElement::Position, "Position"}, {OverlayElement::Map, "Map"},
        {OverlayElement::Graph, "G-sensor graph"}, {OverlayElement::Compass, "Compass"}};
    for (int i = 0; i < names.size(); ++i) {
        auto *box = new QCheckBox(Localization::text(names[i].second), this);
        box->setChecked(true);
        elements_.insert(names[i].first, box);
        parts->addWidget(box, i / 3, i % 3);
    }

    alpha_ = new QCheckBox(Localization::text("The overlay alone, on a transparent ground (QuickTime, for video editors)"),
                           this);
    alpha_->setObjectName(QStringLiteral("alphaOnly"));

    blur_ = new BlurChoiceBox(this);
    blur_->hide();

    picture_ = new QLabel(this);
    picture_->setObjectName(QStringLiteral("preview"));
    picture_->setMinimumSize(480, 270);
    picture_->setAlignment(Qt::AlignCenter);
    picture_->setStyleSheet(QStringLiteral("background: #202020;"));

    auto *form = new QFormLayout;
    form->addRow(Localization::text("Export:"), scope_);
    form->addRow(Localization::text("Layout:"), style_);
    form->addRow(Localization::text("Show:"), parts);
    form->addRow(Localization::text("Location:"), location_);
    form->addRow(QString(), alpha_);

    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(Localization::text("Export…"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(Localization::text("Cancel"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(blur_);
    layout->addWidget(picture_, 1);
    layout->addWidget(buttons);

    // The preview decodes a frame: once the choices have settled, not at every click.
    later_ = new QTimer(this);
    later_->setSingleShot(true);
    later_->setInterval(200);
    connect(later_, &QTimer::timeout, this, &ExportVideoDialog::refreshPreview);
    auto changed = [this] { later_->start(); };
    for (QComboBox *c : {scope_, style_, location_})
        connect(c, &QComboBox::currentIndexChanged, this, changed);
    for (QCheckBox *c : elements_)
        connect(c, &QCheckBox::toggled, this, changed);
    connect(alpha_, &QCheckBox::toggled, this, changed);
    connect(blur_, &BlurChoiceBox::changed, this, changed);
    // The overlay alone has no picture to blur.
    connect(alpha_, &QCheckBox::toggled, blur_, [this](bool alone) { blur_->setEnabled(!alone); });
    later_->start();
}

void ExportVideoDialog::setMarks(int marks)
{
    blur_->setVisible(marks > 0);
}

BlurChoice ExportVideoDialog::blurChoice() const { return blur_->choice(); }

void ExportVideoDialog::setBlurChoice(const BlurChoice &choice) { blur_->setChoice(choice); }

namespace {

// By OverlayStyle.
const char *const kStyles[] = {"dashboard", "corners", "compact", "dashboard_top"};
const char *const kElements[] = {"speed", "time", "position", "map", "graph", "compass"};

} // namespace

QString ExportVideoDialog::choice() const
{
    const OverlayOptions o = options();
    QStringList shown;
    for (const OverlayElement e : o.elements)
        shown << QLatin1String(kElements[int(e)]);
    static_assert(std::size(kStyles) == size_t(OverlayStyle::DashboardTop) + 1);
    return QLatin1String(kStyles[int(o.style)]) + QLatin1Char(':') + shown.join(QLatin1Char(','));
}

void ExportVideoDialog::setChoice(const QString &choice)
{
    if (choice.isEmpty())
        return;
    const QString style = choice.section(QLatin1Char(':'), 0, 0);
    for (int i = 0; i < int(std::size(kStyles)); ++i)
        if (style == QLatin1String(kStyles[i]))
            style_->setCurrentIndex(style_->findData(i));
    const QStringList shown = choice.section(QLatin1Char(':'), 1).split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (auto it = elements_.cbegin(); it != elements_.cend(); ++it)
        it.value()->setChecked(shown.contains(QLatin1String(kElements[int(it.key())])));
}

ExportVideoDialog::Scope ExportVideoDialog::scope() const
{
    return Scope(scope_->currentData().toInt());
}

OverlayOptions ExportVideoDialog::options() const
{
    OverlayOptions o;
    o.style = OverlayStyle(style_->currentData().toInt());
    o.location = ExportLocation(location_->currentData().toInt());
    o.alphaOnly = alpha_->isChecked();
    if (!blur_->isHidden())
        o.blur = blur_->blur();
    o.elements.clear();
    for (auto it = elements_.cbegin(); it != elements_.cend(); ++it)
        if (it.value()->isChecked())
            o.elements << it.key();
    return o;
}

void ExportVideoDialog::refreshPreview()
{
    later_->stop();
    if (!previewer)
        return;
    const int asked = ++asked_;
    if (picture_->pixmap().isNull())
        picture_->setText(Localization::text("Preparing the preview…"));
    previewer(scope(), options()).then(this, [this, asked](const QImage &image) {
        if (asked != asked_)
            return;
        preview_ = image;
        if (preview_.isNull()) {
            picture_->setPixmap({});
            picture_->setText(Localization::text("No preview: the clip cannot be read."));
        } else {
            const QSize room = picture_->contentsRect().size().expandedTo(QSize(480, 270));
            picture_->setPixmap(
                QPixmap::fromImage(preview_.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
        }
        emit previewShown();
    });
}
