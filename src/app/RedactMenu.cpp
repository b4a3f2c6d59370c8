#include "RedactMenu.h"

#include "AppDelegate.h"
#include "KeyGuide.h"
#include "MainWindow.h"
#include "MarkStore.h"
#include "common/Localization.h"
#include "player/PlayerView.h"
#include "ui/AppToast.h"

#include <QEvent>
#include <QMenuBar>
#include <QProgressDialog>

RedactMenu *RedactMenu::install(QMenuBar *bar, AppDelegate *app)
{
    auto *menu = new RedactMenu(bar, app);
    bar->addMenu(menu);
    return menu;
}

RedactMenu::RedactMenu(QWidget *parent, AppDelegate *app) : QMenu(parent), app_(app)
{
    setObjectName(QStringLiteral("redactMenu"));
    mark_ = addAction(QString(), this, &RedactMenu::markArea);
    mark_->setObjectName(QStringLiteral("markArea"));
    mark_->setShortcut(QKeySequence(kMarkAreaKey));
    find_ = addAction(QString(), app_, &AppDelegate::findFacesAndPlates);
    find_->setObjectName(QStringLiteral("findFacesAndPlates"));
    find_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
    addSeparator();
    show_ = addAction(QString());
    show_->setObjectName(QStringLiteral("showMarks"));
    show_->setCheckable(true);
    show_->setChecked(true);
    show_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_M));
    connect(show_, &QAction::toggled, this, [this](bool on) {
        if (marks_)
            marks_->setShown(on);
    });
    delete_ = addAction(QString(), this, &RedactMenu::deleteMark);
    delete_->setObjectName(QStringLiteral("deleteMark"));
    delete_->setShortcut(QKeySequence(Qt::Key_Delete));
    clear_ = addAction(QString(), this, &RedactMenu::clearMarks);
    clear_->setObjectName(QStringLiteral("clearMarks"));
    retranslate();
    follow(app_->marks());
}

void RedactMenu::follow(MarkStore *marks)
{
    marks_ = marks;
    if (!marks)
        return;
    connect(marks, &MarkStore::trackingStarted, this, [this] {
        if (!progress_) {
            auto *dialog = new QProgressDialog(app_->mainWindow());
            dialog->setObjectName(QStringLiteral("trackingProgress"));
            dialog->setWindowTitle(Localization::text("Following the Mark"));
            dialog->setLabelText(Localization::text("Following the mark through the clip…"));
            dialog->setCancelButtonText(Localization::text("Stop"));
            dialog->setAutoClose(false);
            dialog->setAutoReset(false);
            dialog->setMinimumDuration(0);
            dialog->setRange(0, 0);
            dialog->setAttribute(Qt::WA_DeleteOnClose);
            connect(dialog, &QProgressDialog::canceled, marks_, &MarkStore::cancelTracking);
            progress_ = dialog;
        }
        progress_->setValue(0);
        progress_->show();
        // Beside the picture's lower right corner, not over the box just drawn.
        if (PlayerView *player = app_->playerView()) {
            const QPoint corner = player->mapToGlobal(QPoint(player->width(), player->height()));
            progress_->move(corner - QPoint(progress_->width() + 16, progress_->height() + 96));
        }
    });
    connect(marks, &MarkStore::trackingProgress, this, [this](int done, int total) {
        if (!progress_)
            return;
        if (progress_->maximum() != total)
            progress_->setRange(0, total);
        progress_->setValue(done);
    });
    connect(marks, &MarkStore::trackingFinished, this,
            [this](const QString &, int, const QString &failure, bool cancelled) {
                if (marks_ && marks_->isTracking())
                    return;
                if (progress_)
                    progress_->close();
                if (cancelled)
                    app_->toaster()->replaceToast(Localization::text("Tracking stopped: the mark keeps what was found before"),
                                      2.0f);
                else if (!failure.isEmpty())
                    app_->toaster()->replaceToast(Localization::text("The mark could not be followed: %1").arg(failure), 4.0f);
            });
}

void RedactMenu::markArea()
{
    if (PlayerView *player = app_->playerView())
        player->markArea();
}

void RedactMenu::deleteMark()
{
    if (!marks_ || !marks_->deleteChosen())
        app_->toaster()->replaceToast(Localization::text("Click a mark on the picture first"), 1.5f);
}

void RedactMenu::clearMarks()
{
    if (!marks_)
        return;
    const int n = marks_->clearMoment();
    app_->toaster()->replaceToast(n > 0 ? Localization::text("Marks cleared: %1").arg(n) : Localization::text("This clip has no marks"),
                      1.5f);
}

void RedactMenu::retranslate()
{
    setTitle(KeyGuide::withMnemonic(Localization::text("Redact"), QLatin1Char('R')));
    mark_->setText(Localization::text("Mark Area"));
    find_->setText(Localization::text("Find Faces and Plates"));
    show_->setText(Localization::text("Show Marks"));
    delete_->setText(Localization::text("Delete Mark"));
    clear_->setText(Localization::text("Clear Marks of This Clip"));
}

void RedactMenu::changeEvent(QEvent *e)
{
    if (e->type() == QEvent::LanguageChange)
        retranslate();
    QMenu::changeEvent(e);
}
