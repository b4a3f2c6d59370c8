#include "OfflineMapsDialog.h"

#include "SourceChecker.h"
#include "TileSource.h"
#include "common/Localization.h"
#include "common/Settings.h"

#include <QCheckBox>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QTextDocument>
#include <QVBoxLayout>

OfflineMapsDialog::OfflineMapsDialog(Settings &settings, QWidget *parent) : QDialog(parent), settings_(settings)
{
    setObjectName(QStringLiteral("offlineMapsDialog"));
    auto *layout = new QVBoxLayout(this);
    intro_ = new QLabel(this);
    intro_->setWordWrap(true);
    list_ = new QListWidget(this);
    list_->setMinimumSize(460, 160);
    message_ = new QLabel(this);
    message_->setObjectName(QStringLiteral("offlineMapsMessage"));
    message_->setWordWrap(true);
    message_->setTextFormat(Qt::PlainText);
    message_->hide();
    online_ = new QCheckBox(this);
    cacheLabel_ = new QLabel(this);
    cacheLimit_ = new QSpinBox(this);
    cacheLimit_->setObjectName(QStringLiteral("tileCacheLimit"));
    cacheLimit_->setRange(0, 100000);
    cacheLimit_->setSingleStep(100);
    cacheLimit_->setSuffix(QStringLiteral(" MB"));
    cacheLabel_->setBuddy(cacheLimit_);
    auto *cacheRow = new QHBoxLayout;
    cacheRow->addWidget(cacheLabel_);
    cacheRow->addWidget(cacheLimit_);
    cacheRow->addStretch();
    auto *buttons = new QHBoxLayout;
    addFile_ = new QPushButton(this);
    addFolder_ = new QPushButton(this);
    remove_ = new QPushButton(this);
    close_ = new QPushButton(this);
    buttons->addWidget(addFile_);
    buttons->addWidget(addFolder_);
    buttons->addWidget(remove_);
    buttons->addStretch();
    buttons->addWidget(close_);
    layout->addWidget(intro_);
    layout->addWidget(list_);
    layout->addWidget(message_);
    layout->addWidget(online_);
    layout->addLayout(cacheRow);
    layout->addLayout(buttons);

    connect(addFile_, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getOpenFileName(this, Localization::text("Add an MBTiles file"), QString(),
                                                          Localization::text("MBTiles maps (*.mbtiles);;All files (*)"));
        if (!path.isEmpty())
            addSource(path);
    });
    connect(addFolder_, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getExistingDirectory(this, Localization::text("Add a tile folder"));
        if (!path.isEmpty())
            addSource(path);
    });
    connect(remove_, &QPushButton::clicked, this, &OfflineMapsDialog::removeSelected);
    connect(close_, &QPushButton::clicked, this, &QDialog::accept);
    connect(online_, &QCheckBox::toggled, &settings_, &Settings::setUseOnlineMaps);
    // Stored when the user is done with the field, not on every step of the arrows.
    cacheLimit_->setKeyboardTracking(false);
    connect(cacheLimit_, &QSpinBox::valueChanged, &settings_, &Settings::setCacheLimitMB);
    connect(&settings_, &Settings::useOnlineMapsChanged, this, &OfflineMapsDialog::refresh);
    connect(&settings_, &Settings::offlineSourcesChanged, this, &OfflineMapsDialog::refresh);
    connect(&settings_, &Settings::cacheLimitChanged, this, &OfflineMapsDialog::refresh);
    connect(SourceChecker::shared(), &SourceChecker::inspected, this, &OfflineMapsDialog::inspected);
    retranslate();
    refresh();
}

OfflineMapsDialog *OfflineMapsDialog::showDialog(Settings &settings, QWidget *parent)
{
    static QPointer<OfflineMapsDialog> dialog;
    if (!dialog)
        dialog = new OfflineMapsDialog(settings, parent);
    dialog->refresh();
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    return dialog;
}

void OfflineMapsDialog::addSource(const QString &path)
{
    if (isBusy())
        return;
    setBusy(QFileInfo(path).absoluteFilePath());
    SourceChecker::shared()->inspect(adding_);
}

void OfflineMapsDialog::inspected(const QString &path)
{
    if (path != adding_) {
        if (settings_.offlineSources().contains(path))
            refresh();
        return;
    }
    setBusy(QString());
    const std::optional<TileSourceInfo> info = SourceChecker::shared()->info(path);
    const bool usable = info && info->usable;
    if (!usable) {
        message_->setStyleSheet(QStringLiteral("color: #b3261e;"));
        message_->setText(info ? info->problem : QString());
        message_->show();
    } else {
        message_->hide();
        QStringList sources = settings_.offlineSources();
        if (!sources.contains(path)) {
            sources << path;
            settings_.setOfflineSources(sources);
        } else {
            refresh();
        }
    }
    emit sourceChecked(path, usable);
}

void OfflineMapsDialog::setBusy(const QString &adding)
{
    adding_ = adding;
    const bool busy = !adding.isEmpty();
    addFile_->setEnabled(!busy);
    addFolder_->setEnabled(!busy);
    if (busy) {
        setCursor(Qt::BusyCursor);
        message_->setStyleSheet(QString());
        message_->setText(Localization::text("Checking %1…").arg(QFileInfo(adding).fileName()));
        message_->show();
    } else {
        unsetCursor();
    }
}

void OfflineMapsDialog::removeSelected()
{
    QStringList sources = settings_.offlineSources();
    const QListWidgetItem *item = list_->currentItem();
    if (!item)
        return;
    sources.removeAll(item->data(Qt::UserRole).toString());
    settings_.setOfflineSources(sources);
}

void OfflineMapsDialog::refresh()
{
    list_->clear();
    for (const QString &path : settings_.offlineSources()) {
        // A source that went bad since it was added stays listed, with what is wrong.
        const std::optional<TileSourceInfo> info = SourceChecker::shared()->info(path);
        const QString text = info ? info->description()
                                  : QStringLiteral("%1 — %2").arg(QFileInfo(path).fileName(),
                                                                   Localization::text("checking…"));
        auto *item = new QListWidgetItem(text, list_);
        item->setData(Qt::UserRole, path);
        // A tooltip that looks like markup is shown as markup: the path goes in escaped.
        item->setToolTip(Qt::convertFromPlainText(path, Qt::WhiteSpaceNoWrap));
        if (info && !info->usable)
            item->setForeground(QColor(0xb3, 0x26, 0x1e));
    }
    const QSignalBlocker block(online_);
    online_->setChecked(settings_.useOnlineMaps());
    const QSignalBlocker blockLimit(cacheLimit_);
    cacheLimit_->setValue(settings_.cacheLimitMB());
}

void OfflineMapsDialog::retranslate()
{
    setWindowTitle(Localization::text("Offline Maps"));
    intro_->setText(Localization::text(
        "Maps on this computer are used before the internet: raster MBTiles files and folders of zoom/x/y.png tiles."));
    online_->setText(Localization::text("Use online maps"));
    cacheLabel_->setText(Localization::text("Keep map tiles seen online up to:"));
    cacheLimit_->setToolTip(Localization::text("0 MB keeps no tiles."));
    addFile_->setText(Localization::text("Add File…"));
    addFolder_->setText(Localization::text("Add Folder…"));
    remove_->setText(Localization::text("Remove"));
    close_->setText(Localization::text("Close"));
}

void OfflineMapsDialog::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        retranslate();
}
